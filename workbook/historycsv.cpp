#include "workbook/historycsv.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>

namespace HistoryCsv {

const char ParametersHeader[] = "address,name,count,value";
const char AuditHeader[] = "time,user,source,address,name,old,new,result";

QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    const bool quote
        = bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r');
    if (!quote)
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

QByteArray record(const QStringList &fields)
{
    QByteArray line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += field(fields.at(i));
    }
    return line + '\n';
}

namespace {

    // The CSV reader's state: the record being built and where it started.
    struct CsvReader
    {
        CsvReader(QVector<QStringList> *records, QVector<int> *lineNumbers)
            : records(records)
            , lineNumbers(lineNumbers)
        {
        }
        QVector<QStringList> *records;
        QVector<int> *lineNumbers;
        QStringList fields;
        QByteArray current;
        int line = 1;
        int recordLine = 1;
        bool fieldStarted = false;

        void endField()
        {
            fields << QString::fromUtf8(current);
            current.clear();
            fieldStarted = false;
        }
        void endRecord()
        {
            endField();
            records->append(fields);
            if (lineNumbers)
                lineNumbers->append(recordLine);
            fields.clear();
            recordLine = line;
        }
    };

    // Problems of a file in the store, shown inside the store's messages.
    QString problemText(const char *text, int line)
    {
        return QCoreApplication::translate("HistoryStore", text).arg(line);
    }

} // namespace

bool parse(const QByteArray &text, QVector<QStringList> *records, QVector<int> *lineNumbers, QString *problem)
{
    records->clear();
    if (lineNumbers)
        lineNumbers->clear();
    CsvReader r(records, lineNumbers);
    const int n = text.size();
    int i = 0;
    while (i < n) {
        const char c = text.at(i);
        if (c == '"' && !r.fieldStarted && r.current.isEmpty()) {
            // A quoted field runs to the quote that is not doubled.
            const int start = r.line;
            ++i;
            for (;;) {
                if (i >= n) {
                    *problem = problemText(
                        QT_TRANSLATE_NOOP("HistoryStore", "line %1: unterminated quote"), start);
                    return false;
                }
                if (text.at(i) == '"') {
                    if (i + 1 < n && text.at(i + 1) == '"') {
                        r.current += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (text.at(i) == '\n')
                    ++r.line;
                r.current += text.at(i++);
            }
            r.fieldStarted = true;
            if (i < n && text.at(i) != ',' && text.at(i) != '\n' && text.at(i) != '\r') {
                *problem = problemText(
                    QT_TRANSLATE_NOOP("HistoryStore", "line %1: text after a closing quote"), r.line);
                return false;
            }
            continue;
        }
        if (c == '"') {
            *problem = problemText(
                QT_TRANSLATE_NOOP("HistoryStore", "line %1: a quote inside an unquoted field"), r.line);
            return false;
        }
        if (c == ',') {
            r.endField();
            ++i;
            continue;
        }
        if (c == '\r' && i + 1 < n && text.at(i + 1) == '\n')
            ++i;
        if (text.at(i) == '\n') {
            ++r.line;
            r.endRecord();
            ++i;
            continue;
        }
        r.current += c;
        ++i;
    }
    // A last record without its line end.
    if (r.fieldStarted || !r.current.isEmpty() || !r.fields.isEmpty())
        r.endRecord();
    return true;
}

QByteArray parametersFile(QVector<HistoryRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(),
        [](const HistoryRow &a, const HistoryRow &b) { return a.address < b.address; });
    QByteArray text = QByteArray(ParametersHeader) + '\n';
    for (const HistoryRow &row : qAsConst(rows))
        text += record({QString::number(row.address), row.name, QString::number(row.count), row.value});
    return text;
}

namespace {

    bool readHeader(const QVector<QStringList> &records, const char *header, QString *problem)
    {
        if (records.isEmpty() || records.first().join(QLatin1Char(',')) != QLatin1String(header)) {
            *problem = QCoreApplication::translate("HistoryStore", "line 1: not the header %1")
                           .arg(QLatin1String(header));
            return false;
        }
        return true;
    }

    bool readNumber(const QString &text, int low, int high, int *number)
    {
        bool ok = false;
        *number = text.toInt(&ok);
        return ok && *number >= low && *number <= high;
    }

} // namespace

bool readParametersFile(const QByteArray &text, QVector<HistoryRow> *rows, QString *problem)
{
    rows->clear();
    QVector<QStringList> records;
    QVector<int> lines;
    if (!parse(text, &records, &lines, problem) || !readHeader(records, ParametersHeader, problem))
        return false;
    for (int i = 1; i < records.size(); ++i) {
        const QStringList &f = records.at(i);
        HistoryRow row;
        if (f.size() != 4) {
            *problem = QCoreApplication::translate("HistoryStore", "line %1: %2 fields instead of %3")
                           .arg(lines.at(i))
                           .arg(f.size())
                           .arg(4);
            return false;
        }
        if (!readNumber(f.at(0), 0, 65535, &row.address) || !readNumber(f.at(2), 0, 125, &row.count)) {
            *problem = problemText(
                QT_TRANSLATE_NOOP("HistoryStore", "line %1: address or count is not a number"), lines.at(i));
            return false;
        }
        row.name = f.at(1);
        row.value = f.at(3);
        rows->append(row);
    }
    return true;
}

QString auditTime(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc() / 60;
    const QChar sign = offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
        + QStringLiteral("%1%2:%3")
              .arg(sign)
              .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
              .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
}

QByteArray auditLine(const HistoryAuditEntry &e)
{
    const QDateTime time = e.time.isValid() ? e.time : QDateTime::currentDateTime();
    return record({auditTime(time), e.user, e.source, QString::number(e.address), e.name, e.oldValue,
        e.newValue, e.result});
}

bool readAuditFile(const QByteArray &text, QVector<HistoryAuditEntry> *entries, QString *problem)
{
    entries->clear();
    QVector<QStringList> records;
    QVector<int> lines;
    if (!parse(text, &records, &lines, problem) || !readHeader(records, AuditHeader, problem))
        return false;
    for (int i = 1; i < records.size(); ++i) {
        const QStringList &f = records.at(i);
        if (f.size() != 8) {
            *problem = QCoreApplication::translate("HistoryStore", "line %1: %2 fields instead of %3")
                           .arg(lines.at(i))
                           .arg(f.size())
                           .arg(8);
            return false;
        }
        HistoryAuditEntry e;
        e.time = QDateTime::fromString(f.at(0), Qt::ISODateWithMs).toLocalTime();
        if (!e.time.isValid() || !readNumber(f.at(3), 0, 65535, &e.address)) {
            *problem = problemText(
                QT_TRANSLATE_NOOP("HistoryStore", "line %1: time or address is not readable"), lines.at(i));
            return false;
        }
        e.user = f.at(1);
        e.source = f.at(2);
        e.name = f.at(4);
        e.oldValue = f.at(5);
        e.newValue = f.at(6);
        e.result = f.at(7);
        entries->append(e);
    }
    return true;
}

QVector<HistoryChange> compare(const QVector<HistoryRow> &older, const QVector<HistoryRow> &newer)
{
    // Rows of the older set by name, in order, for the n-th occurrence rule.
    QHash<QString, QVector<int>> olderByName;
    for (int i = 0; i < older.size(); ++i)
        olderByName[older.at(i).name].append(i);
    QVector<bool> matched(older.size(), false);
    QHash<QString, int> seen;
    QVector<HistoryChange> changes;
    for (const HistoryRow &row : newer) {
        const int nth = seen[row.name]++;
        const QVector<int> &candidates = olderByName.value(row.name);
        if (nth >= candidates.size()) {
            changes.append({HistoryChange::Added, row.address, row.name, QString(), row.value});
            continue;
        }
        const HistoryRow &old = older.at(candidates.at(nth));
        matched[candidates.at(nth)] = true;
        if (old.value != row.value)
            changes.append({HistoryChange::Changed, row.address, row.name, old.value, row.value});
    }
    for (int i = 0; i < older.size(); ++i) {
        if (!matched.at(i))
            changes.append({HistoryChange::Removed, older.at(i).address, older.at(i).name, older.at(i).value,
                QString()});
    }
    std::stable_sort(changes.begin(), changes.end(),
        [](const HistoryChange &a, const HistoryChange &b) { return a.address < b.address; });
    return changes;
}

} // namespace HistoryCsv
