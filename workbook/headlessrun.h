#pragma once

class QCommandLineParser;

// Call before the application object exists: a command line with --export,
// --import, --help or --version runs without a window, so it needs no display (offscreen platform
// unless QT_QPA_PLATFORM names one).
void prepareWorkbookCommandLine(int argc, char **argv);
// Command-line export and import without a window (--export FILE, --import FILE).
void addWorkbookOptions(QCommandLineParser &parser);
// Runs a requested workbook command; returns its exit status, or -1 when the
// command line asks for none (the program then starts its window).
int runWorkbookCommandLine(const QCommandLineParser &parser);
