#include "support/ptypair.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

bool PtyPair::available() { return missingTool({QStringLiteral("socat")}).isEmpty(); }

bool PtyPair::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (program.isEmpty() || !dir.isValid())
        return false;
    if (socat.state() != QProcess::NotRunning)
        return true;
    firstEnd = dir.filePath(QStringLiteral("ttyA"));
    secondEnd = dir.filePath(QStringLiteral("ttyB"));
    // Links left by a socat that did not clean up would look like ends.
    QFile::remove(firstEnd);
    QFile::remove(secondEnd);
    socat.start(program,
        {QStringLiteral("pty,raw,echo=0,link=") + firstEnd,
            QStringLiteral("pty,raw,echo=0,link=") + secondEnd});
    if (!socat.waitForStarted())
        return false;
    QDeadlineTimer deadline(5000);
    while (!(QFileInfo::exists(firstEnd) && QFileInfo::exists(secondEnd))) {
        if (deadline.hasExpired() || socat.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return true;
}

PtyPair::~PtyPair() { stop(); }

void PtyPair::stop()
{
    if (socat.state() == QProcess::NotRunning)
        return;
    socat.terminate();
    if (!socat.waitForFinished(2000))
        socat.kill();
    socat.waitForFinished(2000);
}
