#pragma once

// A version of the configuration history as the rows of an import.

#include "workbook/exceltowrite.h"
#include "workbook/historycsv.h"

#include <QString>
#include <QVector>

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
