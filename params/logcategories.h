#pragma once

// The program's log categories, one place for all of them. Every category is
// off by default, warnings included: a normal run prints nothing but its
// documented lines. --verbose turns them all on (configureLogging), and
// QT_LOGGING_RULES turns on what it names, e.g. QT_LOGGING_RULES="q4.link.debug=true".
// Log lines are English.
//
//   qCDebug(lcLink) << "connect" << host;

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink) // q4.link: connecting, writes, failed transactions, lost ports
Q_DECLARE_LOGGING_CATEGORY(lcPoll) // q4.poll: the poll's group reads that fail
Q_DECLARE_LOGGING_CATEGORY(lcCommit) // q4.commit: edits written to the device
Q_DECLARE_LOGGING_CATEGORY(lcWorkbook) // q4.workbook: import, export, diff and clone runs
Q_DECLARE_LOGGING_CATEGORY(lcScan) // q4.scan: the device scan's links and answers
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // q4.settings: the settings file
Q_DECLARE_LOGGING_CATEGORY(lcUi) // q4.ui: pages, language, curve and traffic files

// The filter rules of a run, set once at start-up. verbose turns every q4.*
// category on. Qt's own Modbus output (qt.modbus*) stays off unless
// Q4_MODBUS_LOG=1 is set. QT_LOGGING_RULES comes after these rules and wins.
void configureLogging(bool verbose);
