#pragma once

// The command-line runs of the configuration history:
//   --history                      one line per device of the store
//   --history SERIAL               the device's versions, newest first
//   --history-diff SERIAL REV [REV2]  the rows that differ between two versions
//   --restore SERIAL REV           writes a version back into the device (historyrestore.cpp)
//   --backup-all FILE              records every device a file lists (backuprun.cpp)
//   --history-dir DIR              the store (default: the saved folder, else History/ in the data folder)
//   --push                         pushes the store after a run that records
// SERIAL, REV and REV2 are positional arguments (QCommandLineParser options
// cannot take an optional value).

#include <QString>
#include <QStringList>

class QCommandLineParser;

// Exit status of a run that did its work but whose history was not recorded,
// or not pushed (--push).
constexpr int HistoryProblemStatus = 3;

void addHistoryOptions(QCommandLineParser &parser);
// True when the command line asks for --history or --history-diff.
bool isHistoryRun(const QCommandLineParser &parser);
bool isRestoreRun(const QCommandLineParser &parser);
bool isBackupAllRun(const QCommandLineParser &parser);
bool isPushRequested(const QCommandLineParser &parser);
// Runs --history or --history-diff; returns the exit status (0, 1 rows differ, 2 error).
int runHistoryCommandLine(const QCommandLineParser &parser);
// The store of the command line: --history-dir, else the saved history
// folder, else History/ in the data folder.
QString commandLineHistoryFolder(const QCommandLineParser &parser);
// The folder --history-dir names; empty without it.
QString historyDirArgument(const QCommandLineParser &parser);

// Prints each history problem on standard error ("q4config: history not
// recorded: ...") and returns the status to exit with: HistoryProblemStatus
// instead of the status of a run that worked (worked), status otherwise.
int withHistoryProblem(int status, bool worked, const QStringList &problems);
inline int withHistoryProblem(int status, bool worked, const QString &problem)
{
    return withHistoryProblem(status, worked, problem.isEmpty() ? QStringList() : QStringList {problem});
}
// --push after a run that recorded: pushes the store to its remote. A failed
// push is one line on standard error naming the remote and the reason; the
// status is then HistoryProblemStatus for a run that worked. Without --push,
// status as it is.
int pushAfterRun(const QCommandLineParser &parser, int status, bool worked);
