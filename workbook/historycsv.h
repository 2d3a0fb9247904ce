#pragma once

// The two plain-text files the configuration history keeps per device, as CSV
// (RFC 4180 quoting, LF line ends, UTF-8):
//   parameters.csv  address,name,count,value   one line per workbook row, by address
//   audit.csv       time,user,source,address,name,old,new,result   one line per write
// and the comparison of two parameter sets by row name.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// One row of the parameter workbook: English name, the value as the workbook holds it.
struct HistoryRow
{
    int address = 0;
    QString name;
    int count = 0;
    QString value;
};

// One write the program made to a device.
struct HistoryAuditEntry
{
    QDateTime time; // local time; an invalid time stands for "now" when appended
    QString user; // the user's login; empty: the store's login
    QString source; // page, command, calibration, reset, import, clone, restore
    int address = 0;
    QString name;
    QString oldValue;
    QString newValue;
    QString result; // "ok" or the failure
};

// A row that differs between two parameter sets, matched by name.
struct HistoryChange
{
    enum Kind { Changed, Added, Removed };
    Kind kind = Changed;
    int address = 0; // the newer row's address (the older one's for a removed row)
    QString name;
    QString oldValue; // empty for an added row
    QString newValue; // empty for a removed row
};

namespace HistoryCsv {

extern const char ParametersHeader[]; // "address,name,count,value"
extern const char AuditHeader[]; // "time,user,source,address,name,old,new,result"

// A field as CSV: quoted (quotes doubled) when it holds a comma, a quote or a
// line break; as it is otherwise.
QByteArray field(const QString &text);
// One record: the fields joined by commas, ending in LF.
QByteArray record(const QStringList &fields);

// Splits CSV text into records of fields. False with a problem text ("line 4:
// unterminated quote") when the text is not well-formed CSV. lineNumbers gets
// the line where each record starts.
bool parse(
    const QByteArray &text, QVector<QStringList> *records, QVector<int> *lineNumbers, QString *problem);

// The whole parameters.csv of rows (sorted by address, stable for equal addresses).
QByteArray parametersFile(QVector<HistoryRow> rows);
// Reads a parameters.csv back. False with a problem text naming the line when
// the header, a field count or a number is not what the store writes.
bool readParametersFile(const QByteArray &text, QVector<HistoryRow> *rows, QString *problem);

// Local time with milliseconds and the UTC offset: "2026-12-07T14:03:22.123+01:00".
QString auditTime(const QDateTime &time);
// One audit.csv line (with its LF).
QByteArray auditLine(const HistoryAuditEntry &entry);
// Reads an audit.csv back (the header line first).
bool readAuditFile(const QByteArray &text, QVector<HistoryAuditEntry> *entries, QString *problem);

// The rows whose value differs between older and newer, matched by name (the
// n-th row of a name that occurs several times with the n-th of the other set),
// plus the rows only one of them has; ordered by address.
QVector<HistoryChange> compare(const QVector<HistoryRow> &older, const QVector<HistoryRow> &newer);

} // namespace HistoryCsv
