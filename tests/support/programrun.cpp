#include "support/programrun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

void prepareProgram(QProcess &p)
{
    // A run without --data-dir keeps its settings, exports and history in a
    // data folder of this test process, never in the user's own.
    static QTemporaryDir dataHome;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (dataHome.isValid())
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
    p.setProcessEnvironment(env);
}

QStringList ProgramRun::lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

ProgramRun runProgram(const QStringList &args, int timeoutMs)
{
    QProcess p;
    prepareProgram(p);
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(Q4CONFIG_PATH), args);
    ProgramRun run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return run;
    }
    run.ms = clock.elapsed();
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}
