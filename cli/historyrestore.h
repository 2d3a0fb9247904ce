#pragma once

// Writing a version of the configuration history back into a device: the
// version's rows become the rows of an import, which writes only the rows
// that differ from the device and reads them back (exceltowrite.h).

#include "workbook/exceltowrite.h"
#include "workbook/historycsv.h"

#include <QString>
#include <QVector>

class QCommandLineParser;

// The rows of a version as an import's rows, in the version's order. A row is
// valid (written when it differs) only when it is a row of the parameter
// catalogue (same address and register count) and its value is an integer of
// the row's width within the catalogue's limits: a version edited by hand
// never writes an unknown register or a value the device does not take.
ImportSheet versionSheet(const QVector<HistoryRow> &rows);

// True when two serial numbers name one device: the same text, or the same
// once hyphens are left out ("2026120700042000000001234" and
// "2026120700042-000000001234").
bool sameSerial(const QString &a, const QString &b);

// q4config --restore SERIAL REV with the link options; returns the exit status
// (0 done, 1 failed, 2 refused or bad arguments, 3 done but not recorded).
int runRestoreCommandLine(const QCommandLineParser &parser);
