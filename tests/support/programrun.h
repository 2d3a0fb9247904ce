#pragma once

// Running the built q4config as a separate process, as scripts and users do:
// offscreen.

#include <QString>
#include <QStringList>

class QProcess;

// Sets the environment of a q4config run on p (before p.start()).
void prepareProgram(QProcess &p);

struct ProgramRun
{
    int status = -1; // exit code; -1 when it crashed or did not finish in time
    QString out; // standard output
    QString err; // standard error
    qint64 ms = 0; // wall time of the run

    // The non-empty lines of standard output.
    QStringList lines() const;
};

// Runs q4config with args and waits for it (at most timeoutMs).
ProgramRun runProgram(const QStringList &args, int timeoutMs = 180000);
