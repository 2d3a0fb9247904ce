#pragma once

#include "link/linkparameters.h"

#include <QString>

class QCommandLineParser;

// Call before the application object exists: a command line with --export,
// --import, --scan, --help or --version runs without a window, so it needs no display (offscreen platform
// unless QT_QPA_PLATFORM names one).
void prepareWorkbookCommandLine(int argc, char **argv);
// Command-line export and import without a window (--export FILE, --import
// FILE), and the device scan (--scan, --ids A-B, --probe-timeout MS); all share
// the connection options.
void addWorkbookOptions(QCommandLineParser &parser);
// Runs a requested command-line run (export, import or scan); returns its exit
// status, or -1 when the command line asks for none (the program then starts
// its window).
int runWorkbookCommandLine(const QCommandLineParser &parser);

// The device check of every command-line run before it starts: connects the
// process's Modbus client (modbusClient) with link and makes the connection
// page's test read (two holding registers from address 0). False, with the
// client taken down again and a message naming the server address and the
// host:port or serial port, when the device cannot be reached or does not answer.
bool openCheckedLink(const LinkParameters &link, QString *error);
// Takes the link of openCheckedLink down.
void closeCheckedLink();
// "127.0.0.1:1502" for TCP, the serial port's name for RTU.
QString linkText(const LinkParameters &link);
