#pragma once

class QCommandLineParser;

// Command-line export and import without a window (--export FILE, --import FILE).
void addWorkbookOptions(QCommandLineParser &parser);
// Runs a requested workbook command; returns its exit status, or -1 when the
// command line asks for none (the program then starts its window).
int runWorkbookCommandLine(const QCommandLineParser &parser);
