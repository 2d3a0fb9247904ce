#include "support/ptypair.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

bool PtyPair::available() { return missingTool({QStringLiteral("socat")}).isEmpty(); }

bool PtyPair::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (program.isEmpty() || !dir.isValid())
        return false;
    firstEnd = dir.filePath(QStringLiteral("ttyA"));
    secondEnd = dir.filePath(QStringLiteral("ttyB"));
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

PtyPair::~PtyPair()
{
    if (socat.state() == QProcess::NotRunning)
        return;
    socat.terminate();
    if (!socat.waitForFinished(2000))
        socat.kill();
    socat.waitForFinished(2000);
}
