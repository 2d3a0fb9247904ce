#pragma once

// A small reader and in-place editor of .xlsx workbooks (SpreadsheetML in a zip
// package), enough for the parameter workbook: open by path, find a worksheet
// by name, count its rows, read and write cells as text, save in place, close.
// No widgets, no link and no process-wide state: a workbook may be used from a
// worker thread (one thread at a time per workbook).
//
// Memory and time are bounded for any input. Every XML part is streamed out of
// the zip in small chunks into the XML reader, never unpacked whole, and the
// bytes actually inflated are counted against the part limits, so a size field
// that lies gets no further than one that tells the truth. A sheet keeps, for
// each cell, only its position and its value as text (a shared string is kept
// once, in the workbook's table); no raw XML is held. Saving streams the
// original sheet part once more and substitutes the written cells.
//
// The cells of every column are kept (not only the parameter columns), so the
// text limit holds for every cell: a workbook with a longer cell is refused
// rather than read with a value cut short.
//
// A file over a limit is refused with an errorString() that names the limit,
// before anything is written. The limits and their defaults are XlsxLimits;
// with the defaults, peak memory stays well under 200 MB whatever the input
// (bench/bench_xlsx measures it).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

class XlsxWorkbook;

// "A" -> 1, "Z" -> 26, "AA" -> 27; 0 for anything else.
int xlsxColumnNumber(const QString &letters);
// 1 -> "A", 27 -> "AA"; empty for column < 1.
QString xlsxColumnName(int column);

struct XlsxLimits
{
    // The package file on disk (it is held in memory while open).
    qint64 maxFileSize = 32ll * 1024 * 1024;
    // A worksheet or the shared-strings part once unpacked.
    qint64 maxPartSize = 64ll * 1024 * 1024;
    // The workbook part, the relationships and the content types, once unpacked.
    qint64 maxStructurePartSize = 4ll * 1024 * 1024;
    // One XML token (a run of text, a tag, a comment), in characters.
    qint64 maxTokenLength = 1024 * 1024;
    // Element nesting.
    int maxDepth = 128;
    // Rows of a sheet that may hold cells.
    int maxRows = 100000;
    // The text of one cell (or one shared string a cell refers to), in characters.
    int maxCellText = 1024;
    // Cells kept, over all sheets read from one workbook.
    int maxCells = 1000000;
    // Text kept in those cells, in characters (shared strings not counted).
    qint64 maxCellsText = 16ll * 1024 * 1024;
    // Items of the shared-strings table.
    int maxSharedStrings = 1000000;
    // Text of the shared-strings table, in characters.
    qint64 maxSharedStringsText = 8ll * 1024 * 1024;
};

// One worksheet of an open workbook. Rows and columns count from 1.
class XlsxSheet
{
public:
    QString name() const { return m_name; }
    // The used range's row count: the last row that holds a cell (the <dimension>
    // element is not trusted). 0 for a sheet without cells.
    int rowCount() const;
    // The last column that holds a cell.
    int columnCount() const;
    // A cell's value as text: strings unchanged, whole numbers as plain digits,
    // other numbers in their shortest form, booleans "true"/"false", error
    // values as written (#N/A); an empty or missing cell gives an empty text.
    QString cellText(int row, int column) const;
    // Stores text in a cell (an inline string; an empty text clears the value).
    // The cell keeps its style. Row and column must be 1 or more.
    void setCellText(int row, int column, const QString &text);
    bool isModified() const { return m_modified; }

private:
    friend class XlsxWorkbook;
    struct Cell
    {
        qint32 row;
        qint32 column;
        qint32 offset; // into m_text; below 0: shared string -1 - offset
        qint32 length;
    };
    static bool cellBefore(const Cell &a, const Cell &b)
    {
        return a.row < b.row || (a.row == b.row && a.column < b.column);
    }
    struct Range
    {
        int minRow = 0, maxRow = 0, minColumn = 0, maxColumn = 0; // 0: no cell
        void add(int row, int column);
        void add(const Range &other);
    };
    struct SharedStrings;

    QString m_name;
    QString m_partName;
    QString m_prefix; // namespace prefix of the sheet's elements ("x:" or empty)
    QVector<Cell> m_cells; // in (row, column) order, one per position
    QString m_text; // values of the cells, one after another
    std::shared_ptr<const SharedStrings> m_sharedStrings;
    Range m_readRange; // of the cells as read
    Range m_writtenRange;
    QMap<int, QMap<int, QString>> m_written; // row -> column -> text
    bool m_modified = false;
};

class XlsxWorkbook
{
public:
    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    // The limits the next open() and sheet() apply (tests lower them).
    void setLimits(const XlsxLimits &limits) { m_limits = limits; }
    XlsxLimits limits() const { return m_limits; }

    // Reads the package, its workbook part and its shared strings. False (with
    // errorString) for a missing file, a legacy .xls, a damaged zip, unreadable
    // XML or a file over a limit.
    bool open(const QString &path);
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // Worksheet names in workbook order.
    QStringList sheetNames() const;
    // The worksheet of that name (found through the workbook part and its
    // relationships); nullptr (with errorString) when there is none, it cannot
    // be read, it is over a limit, or a cell refers to a shared string that
    // the workbook does not have.
    XlsxSheet *sheet(const QString &name);

    // Writes the workbook back to its path: edited worksheets are rewritten,
    // every other part is kept as it was; calcChain.xml is dropped once a sheet
    // was edited. The new file is written beside the old one and renamed over
    // it, so a failed save leaves the old file intact. Nothing is written when
    // no sheet was edited.
    bool save();
    // Forgets the workbook without saving.
    void close();

    // A new workbook with one worksheet. Values of numeric type become number
    // cells, anything else inline strings; empty strings leave the cell out.
    // columnWidths (optional) are character widths of columns A, B, ...
    static bool create(const QString &path, const QString &sheetName, const QVector<QVector<QVariant>> &rows,
        const QVector<double> &columnWidths = {}, QString *error = nullptr);

private:
    struct SheetEntry
    {
        QString name;
        QString partName; // e.g. xl/worksheets/sheet1.xml
    };
    enum class SharedStringsState { None, Missing, Loaded };

    bool readSharedStrings(const QString &partName);
    bool readSheet(XlsxSheet *sheet);
    bool writeSheet(const XlsxSheet &sheet, const QString &file, QString *error) const;
    bool fail(const QString &message);

    XlsxLimits m_limits;
    QString m_path;
    QString m_error;
    bool m_open = false;
    QByteArray m_fileData;
    void *m_zip = nullptr; // zip_t over m_fileData
    QString m_workbookPart;
    QString m_workbookRelsPart;
    QString m_calcChainPart;
    QString m_calcChainRelId;
    QVector<SheetEntry> m_sheetEntries;
    SharedStringsState m_sharedStringsState = SharedStringsState::None;
    QString m_sharedStringsPart;
    std::shared_ptr<XlsxSheet::SharedStrings> m_sharedStrings;
    QMap<QString, std::shared_ptr<XlsxSheet>> m_sheets; // parsed sheets by part name
    int m_cellsUsed = 0; // budget spent by the sheets read
    qint64 m_cellsTextUsed = 0;
};

// Makes a new, empty file named pathPrefix followed by six random letters and
// digits, with the permissions the process's umask gives any new file (a
// QTemporaryFile's are 0600 whatever the umask), and returns its path; empty
// when none can be made. The caller renames or removes it.
QString xlsxNewFile(const QString &pathPrefix);

// Escapes text for element content (&, <, >) and drops characters XML 1.0 cannot hold;
// an underscore that begins what reads as an _xHHHH_ escape is written as _x005F_.
QString xlsxEscapeText(const QString &text);
// Same for attribute values (also quotes).
QString xlsxEscapeAttribute(const QString &text);
