#pragma once

// The read-only command-line runs of the configuration history:
//   --history                      one line per device of the store
//   --history SERIAL               the device's versions, newest first
//   --history-diff SERIAL REV [REV2]  the rows that differ between two versions
//   --history-dir DIR              the store (default History/ in the data folder)
// SERIAL, REV and REV2 are positional arguments (QCommandLineParser options
// cannot take an optional value).

#include <QString>

class QCommandLineParser;

void addHistoryOptions(QCommandLineParser &parser);
// True when the command line asks for --history or --history-diff.
bool isHistoryRun(const QCommandLineParser &parser);
// Runs it; returns the exit status (0, 1 rows differ, 2 error).
int runHistoryCommandLine(const QCommandLineParser &parser);
// The store of the command line: --history-dir, else History/ in the data folder.
QString commandLineHistoryFolder(const QCommandLineParser &parser);
