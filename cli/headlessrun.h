#pragma once

#include "link/linkcheck.h"
#include "link/linkparameters.h"
#include "link/transactions.h"
#include "workbook/runtexts.h"

#include <QString>

class ExelToWrite;
class QCommandLineParser;
class QModbusClient;
struct ScanRequest;

// Call before the application object exists: a command line with --export,
// --import, --diff, --clone, --scan, --history, --history-diff, --help or
// --version runs without a window.
// True when such a run needs no GUI application at all (no platform plugin,
// nothing of it printed); false for the window, and for a run without a window
// that names one of Qt's GUI options (-platform, -style, ...): that one gets the
// offscreen platform unless QT_QPA_PLATFORM names one.
bool prepareWorkbookCommandLine(int argc, char **argv);
// Command-line runs without a window (--export FILE, --import FILE, --diff FILE,
// --clone FILE), and the device scan (--scan, --ids A-B, --probe-timeout MS);
// all share the connection options. Also the history's options (historyrun.h).
void addWorkbookOptions(QCommandLineParser &parser);
// Runs a requested command-line run (export, import, diff, clone, scan or a
// history run) over the given session, made current while it runs (its
// traffic record takes the run's transactions); returns its exit status, or -1
// when the command line asks for none (the program then starts its window).
int runWorkbookCommandLine(const QCommandLineParser &parser, LinkSession &session);

// The connection the connection page saved in the settings file, as a
// command-line run starts from it. A missing key or a value out of range takes
// the start value of a LinkParameters record (38400 baud, 8 data bits, even
// parity, 1 stop bit, server address 1), as the connection page does.
LinkParameters savedLink();

// The link of the command line: the saved one, changed by the options given.
// A clone may name several targets (--tcp and --rtu-tcp repeated, --rtu and
// --rtu-tcp with a list of --id): then link holds what they share, and the
// server address of the TCP targets; --backup-all (clone given) takes only
// what its targets share. A scan (scan given) also takes "all" for --baud and
// --parity: every baud rate or parity of the connection page's lists goes into
// scan->bauds / parities. False with a message for a bad option.
bool commandLineLink(const QCommandLineParser &parser, LinkParameters *link, QString *error,
    bool clone = false, ScanRequest *scan = nullptr);

// The device check of every command-line run before it starts: connects the
// current session's Modbus client (linkSession().modbusClient) with link and makes the connection
// page's test read (two holding registers from address 0). False, with the
// client taken down again and a message naming the server address and the
// host:port or serial port, when the device cannot be reached or does not answer.
bool openCheckedLink(const LinkParameters &link, QString *error);
// Takes the link of openCheckedLink down.
void closeCheckedLink();
// The pieces of the result lines: workbook/runtexts.h; linkText, connectOwnClient
// and checkDevice: link/linkcheck.h.

// Why a run that did not go through ended (result), for its result line;
// untouched is added where rows were left out.
QString endReason(const ExelToWrite &worker, int result, const LinkParameters &link, bool exporting,
    const QString &file, const QString &untouched);
