#pragma once

// q4config --backup-all FILE: a version of every device FILE lists, recorded
// into the configuration history. FILE has one target a line:
//   tcp HOST:PORT [address]
//   rtu PORT address [baud] [parity]
//   rtu-tcp HOST:PORT [address]
// (address 1 when not given; baud and parity of the command line or the saved
// connection when not given), blank lines and # comments. Every target's
// parameter set is read in block reads through a client of its own, like a
// clone's (clonerun.h): TCP targets several at once (--jobs), the devices on
// one serial port or behind one converter one after another.

#include "link/linkparameters.h"

#include <QString>
#include <QVector>

class QCommandLineParser;

struct BackupTarget
{
    LinkParameters link;
    QString name; // "tcp 127.0.0.1:1502 1", "rtu /dev/ttyUSB0 3", "rtu-tcp 10.0.0.5:502 2"
};

// Reads the targets of the file at path; base gives what a line leaves out
// (baud, parity, data and stop bits, word order, time-out). False with
// "<path> line <n>: <problem>" at the first bad line, or when the file cannot
// be read or lists no target.
bool readBackupTargets(
    const QString &path, const LinkParameters &base, QVector<BackupTarget> *targets, QString *error);

// One line per target in the file's order: "backup <target>: changed <serial>
// <rows>", "backup <target>: unchanged <serial>" or "backup <target>: failed
// <reason>". Returns the exit status: 0 when every target was recorded, 1
// otherwise, 2 for bad arguments or a bad file (before anything runs).
int runBackupAllCommandLine(const QCommandLineParser &parser);
