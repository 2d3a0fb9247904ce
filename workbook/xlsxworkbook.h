#pragma once

// A small reader and in-place editor of .xlsx workbooks (SpreadsheetML in a zip
// package), enough for the parameter workbook: open by path, find a worksheet
// by name, count its rows, read and write cells as text, save in place, close.
// No widgets, no link: the import and export runs drive it row by row.

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
        QString raw; // the cell element as read, empty for a written cell
        bool rawHasRef = true;
        QString qualifiedName;
        QString style; // s attribute
        QString text; // value as text
        bool written = false;
    };
    struct Row
    {
        int rawStart = -1; // span of the whole row element in the part's text
        int rawEnd = -1;
        QVector<QPair<QString, QString>> attributes; // qualified name, value (r and spans left out)
        QMap<int, Cell> cells;
        bool modified = false;
    };

    bool parse(const QString &xml, const QStringList &sharedStrings, QString *error);
    QByteArray serialize() const;

    QString m_name;
    QString m_partName;
    QString m_xml;
    QString m_prefix; // namespace prefix of the sheet's elements ("x:" or empty)
    int m_sheetDataStart = -1; // the sheetData element
    int m_sheetDataEnd = -1;
    QString m_sheetDataOpenTag;
    int m_dimensionStart = -1; // the dimension element, if any
    int m_dimensionEnd = -1;
    int m_dimensionInsert = -1; // where a missing dimension goes
    QMap<int, Row> m_rows;
    bool m_modified = false;
};

class XlsxWorkbook
{
public:
    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    // Reads the package and its workbook part. False (with errorString) for a
    // missing file, a legacy .xls, a damaged zip or unreadable XML.
    bool open(const QString &path);
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // Worksheet names in workbook order.
    QStringList sheetNames() const;
    // The worksheet of that name (found through the workbook part and its
    // relationships); nullptr when there is none or it cannot be read.
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

    bool readEntry(const QString &name, QByteArray *data) const;
    bool fail(const QString &message);

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
    QStringList m_sharedStrings;
    QMap<QString, std::shared_ptr<XlsxSheet>> m_sheets; // parsed sheets by part name
};

// Escapes text for element content (&, <, >) and drops characters XML 1.0 cannot hold.
QString xlsxEscapeText(const QString &text);
// Same for attribute values (also quotes).
QString xlsxEscapeAttribute(const QString &text);
