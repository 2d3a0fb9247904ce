#include "support/programrun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

void prepareProgram(QProcess &p)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
