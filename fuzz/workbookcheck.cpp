#include "workbookcheck.h"

#include "fuzzcheck.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QPair>
#include <QTemporaryDir>
#include <QVector>

#include <algorithm>

namespace {

constexpr int MaxColumn = 16384;
constexpr int WindowRows = 40;
constexpr int WindowColumns = 12;

using Position = QPair<int, int>; // row, column

QString positionText(const Position &p)
{
    return QStringLiteral("row %1 column %2").arg(p.first).arg(p.second);
}

// The cells of a sheet that the round looks at: the first rows and columns and
// the last row and column of the used range.
struct Snapshot
{
    int rows = 0;
    int columns = 0;
    QMap<Position, QString> cells;
};

QVector<int> windowOf(int count, int window)
{
    QVector<int> out;
    for (int i = 1; i <= std::min(count, window); ++i)
        out.append(i);
    if (count > window)
        out.append(count);
    return out;
}

Snapshot snapshotOf(const XlsxSheet &sheet, const XlsxLimits &limits)
{
    Snapshot s;
    s.rows = sheet.rowCount();
    s.columns = sheet.columnCount();
    const QString size = QStringLiteral("%1 rows, %2 columns").arg(s.rows).arg(s.columns);
    FUZZ_CHECK(s.rows >= 0 && s.rows <= limits.maxRows, size);
    FUZZ_CHECK(s.columns >= 0 && s.columns <= MaxColumn, size);
    FUZZ_CHECK((s.rows == 0) == (s.columns == 0), size);
    for (int row : windowOf(s.rows, WindowRows)) {
        for (int column : windowOf(s.columns, WindowColumns)) {
            const QString text = sheet.cellText(row, column);
            FUZZ_CHECK(text.size() <= limits.maxCellText, positionText({row, column}));
            s.cells.insert({row, column}, text);
        }
    }
    // Outside the used range there is nothing.
    FUZZ_CHECK(sheet.cellText(s.rows + 1, 1).isEmpty(), size);
    FUZZ_CHECK(sheet.cellText(1, s.columns + 1).isEmpty(), size);
    FUZZ_CHECK(sheet.cellText(0, 1).isEmpty(), size);
    FUZZ_CHECK(sheet.cellText(1, 0).isEmpty(), size);
    FUZZ_CHECK(sheet.cellText(-1, -1).isEmpty(), size);
    return s;
}

// What the reader gives back for a text it wrote: characters XML cannot carry are dropped.
QString expectedText(const QString &text)
{
    QString out;
    for (uint c : text.toUcs4()) {
        const bool xmlChar = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
            || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (xmlChar)
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

bool namesALimit(const QString &error) { return error.contains(QLatin1String("limit")); }

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 hashOf(const QByteArray &data)
{
    quint32 h = 2166136261u;
    for (char c : data)
        h = (h ^ uchar(c)) * 16777619u;
    return h;
}

// The cells to write: the first cell, one in the used range, one past the last
// row and one past the last column, one over the last cell looked at that holds
// text (cleared), and one with text taken from the input.
QMap<Position, QString> cellsToWrite(
    const Snapshot &s, const XlsxLimits &limits, quint32 seed, const QByteArray &input)
{
    const QStringList texts = {QStringLiteral("w & <x> \"q\" '"), QStringLiteral(" lead and trail "),
        QString(), QStringLiteral("two\nlines\r\n"), QString::fromUtf8("\xe6\x95\xb0\xe5\x80\xbc 12"),
        QStringLiteral("tab\tin")};
    const auto text = [&](int i) { return texts.at(int((seed >> (3 * i)) % quint32(texts.size()))); };
    const int rows = std::max(1, std::min(s.rows, WindowRows));
    const int columns = std::max(1, std::min(s.columns, WindowColumns));
    QMap<Position, QString> written;
    written.insert({1, 1}, text(0));
    written.insert({1 + int(seed % quint32(rows)), 1 + int((seed >> 8) % quint32(columns))}, text(1));
    written.insert({std::min(s.rows + 1, limits.maxRows), 1 + int((seed >> 16) % 5)}, text(2));
    written.insert({1 + int((seed >> 20) % 3), std::min(s.columns + 1, MaxColumn)}, text(3));
    for (auto it = s.cells.constEnd(); it != s.cells.constBegin();) {
        --it;
        if (!it.value().isEmpty() && !written.contains(it.key())) {
            written.insert(it.key(), QString());
            break;
        }
    }
    QString fromInput = QString::fromUtf8(input.mid(int(seed % quint32(std::max(1, int(input.size())))), 24));
    fromInput.truncate(limits.maxCellText);
    written.insert({2, 2}, fromInput);
    return written;
}

} // namespace

XlsxLimits defaultLimits()
{
    XlsxLimits l;
    // Inputs are far smaller than the file limit, and the reader takes the
    // limit's worth of memory to read a file into (untouched, so it costs
    // nothing in a plain build, but AddressSanitizer marks all of it on every
    // open): a smaller limit keeps the fuzzer fast and changes nothing else.
    l.maxFileSize = 4 * 1024 * 1024;
    return l;
}

XlsxLimits smallLimits()
{
    XlsxLimits l;
    l.maxFileSize = 64 * 1024;
    l.maxPartSize = 256 * 1024;
    l.maxStructurePartSize = 16 * 1024;
    l.maxTokenLength = 512;
    l.maxDepth = 10;
    l.maxRows = 60;
    l.maxCellText = 24;
    l.maxCells = 300;
    l.maxCellsText = 2000;
    l.maxSharedStrings = 30;
    l.maxSharedStringsText = 300;
    return l;
}

void checkPackage(const QByteArray &package)
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/q4fuzz-XXXXXX"));
    FUZZ_CHECK(folder.isValid(), QDir::tempPath());
    const QString path = folder.filePath(QStringLiteral("workbook.xlsx"));
    const quint32 seed = hashOf(package);
    for (const XlsxLimits &limits : {defaultLimits(), smallLimits()}) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), path);
        FUZZ_CHECK(file.write(package) == package.size(), path);
        file.close();
        checkWorkbookFile(path, limits, seed);
    }
}

void checkWorkbookFile(const QString &path, const XlsxLimits &limits, quint32 seed)
{
    const QByteArray original = fileBytes(path);
    QString editedName;
    Snapshot before;
    QMap<QString, Snapshot> others; // sheets of parts of their own
    QMap<Position, QString> written;
    {
        XlsxWorkbook book;
        book.setLimits(limits);
        if (!book.open(path)) {
            FUZZ_CHECK(!book.isOpen(), book.errorString());
            FUZZ_CHECK(!book.errorString().isEmpty(), QString());
            FUZZ_CHECK(book.sheetNames().isEmpty(), book.errorString());
            FUZZ_CHECK(!book.save(), book.errorString());
            return;
        }
        FUZZ_CHECK(book.errorString().isEmpty(), book.errorString());
        XlsxSheet *edited = nullptr;
        QVector<XlsxSheet *> read;
        const QStringList names = book.sheetNames();
        for (const QString &name : names.mid(0, 8)) {
            XlsxSheet *sheet = book.sheet(name);
            if (!sheet) {
                FUZZ_CHECK(!book.errorString().isEmpty(), name);
                continue;
            }
            FUZZ_CHECK(book.sheet(name) == sheet, name);
            FUZZ_CHECK(!sheet->isModified(), name);
            const Snapshot s = snapshotOf(*sheet, limits);
            if (!edited) {
                edited = sheet;
                editedName = name;
                before = s;
            } else if (!read.contains(sheet) && !others.contains(name)) {
                others.insert(name, s);
            }
            read.append(sheet);
        }
        // Nothing edited: nothing is written.
        FUZZ_CHECK(book.save(), book.errorString());
        FUZZ_CHECK(fileBytes(path) == original, QString());
        if (!edited)
            return;

        written = cellsToWrite(before, limits, seed, original);
        for (auto it = written.constBegin(); it != written.constEnd(); ++it) {
            edited->setCellText(it.key().first, it.key().second, it.value());
            FUZZ_CHECK(
                edited->cellText(it.key().first, it.key().second) == it.value(), positionText(it.key()));
        }
        FUZZ_CHECK(edited->isModified(), QString());
        if (!book.save()) {
            FUZZ_CHECK(!book.errorString().isEmpty(), QString());
            FUZZ_CHECK(fileBytes(path) == original, book.errorString()); // the old file is intact
            return;
        }
    }

    XlsxWorkbook again;
    again.setLimits(limits);
    FUZZ_CHECK(again.open(path), again.errorString());
    XlsxSheet *sheet = again.sheet(editedName);
    if (!sheet) {
        // More cells than before may be over a limit; nothing else may fail.
        FUZZ_CHECK(namesALimit(again.errorString()), again.errorString());
        return;
    }
    int lastRow = before.rows, lastColumn = before.columns;
    for (auto it = written.constBegin(); it != written.constEnd(); ++it) {
        const QString got = sheet->cellText(it.key().first, it.key().second);
        FUZZ_CHECK(got == expectedText(it.value()),
            QStringLiteral("%1 written [%2] read back [%3]").arg(positionText(it.key()), it.value(), got));
        lastRow = std::max(lastRow, it.key().first);
        lastColumn = std::max(lastColumn, it.key().second);
    }
    FUZZ_CHECK(sheet->rowCount() == lastRow,
        QStringLiteral("%1 rows, %2 expected").arg(sheet->rowCount()).arg(lastRow));
    FUZZ_CHECK(sheet->columnCount() == lastColumn,
        QStringLiteral("%1 columns, %2 expected").arg(sheet->columnCount()).arg(lastColumn));
    for (auto it = before.cells.constBegin(); it != before.cells.constEnd(); ++it) {
        if (written.contains(it.key()))
            continue;
        const QString got = sheet->cellText(it.key().first, it.key().second);
        FUZZ_CHECK(got == it.value(),
            QStringLiteral("%1 was [%2] is [%3]").arg(positionText(it.key()), it.value(), got));
    }
    for (auto it = others.constBegin(); it != others.constEnd(); ++it) {
        XlsxSheet *other = again.sheet(it.key());
        FUZZ_CHECK(other, again.errorString());
        FUZZ_CHECK(snapshotOf(*other, limits).cells == it.value().cells, it.key());
    }
}
