#include "workbook/xlsxworkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <cstdio>

namespace {

const QString RelationshipsNs
    = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString MainNs = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString DocumentRelNs
    = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString XmlDeclaration
    = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
constexpr qint64 MaxPartSize = 256 * 1024 * 1024;
constexpr int MaxRow = 1048576;
constexpr int MaxColumn = 16384;

bool isXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

QString escape(const QString &text, bool attribute)
{
    QString out;
    out.reserve(text.size() + 8);
    const QVector<uint> codes = text.toUcs4();
    for (uint c : codes) {
        if (!isXmlChar(c))
            continue;
        switch (c) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        case '\n':
            out += attribute ? QLatin1String("&#10;") : QLatin1String("\n");
            break;
        case '\r':
            out += attribute ? QLatin1String("&#13;") : QLatin1String("&#13;");
            break;
        case '\t':
            out += attribute ? QLatin1String("&#9;") : QLatin1String("\t");
            break;
        default:
            out += QString::fromUcs4(&c, 1);
        }
    }
    return out;
}

// Excel stores characters XML cannot carry as _xHHHH_.
QString decodeEscapedCharacters(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression pattern(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    int last = 0;
    auto it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.midRef(last, m.capturedStart() - last);
        out += QChar(m.captured(1).toUShort(nullptr, 16));
        last = m.capturedEnd();
    }
    out += text.midRef(last);
    return out;
}

// Splits "AB12" into column 28 and row 12. False for anything else.
bool parseReference(const QStringRef &ref, int *row, int *column)
{
    int i = 0;
    int col = 0;
    while (i < ref.size() && ref.at(i).isLetter() && ref.at(i).unicode() < 128) {
        col = col * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
        if (col > MaxColumn)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || r < 1 || r > MaxRow)
        return false;
    *row = r;
    *column = col;
    return true;
}

// Text of a rich or plain string element (<si>, <is>): every <t>, phonetic runs left out.
QString readStringItem(QXmlStreamReader &reader)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (reader.name() == QLatin1String("t")) {
                text += reader.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (reader.name() == QLatin1String("rPh") || reader.name() == QLatin1String("rPr")
                || reader.name() == QLatin1String("phoneticPr")) {
                reader.skipCurrentElement();
            } else {
                ++depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return decodeEscapedCharacters(text);
}

QString numberText(const QString &value)
{
    const QString v = value.trimmed();
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return v;
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9007199254740992.0)
        return QString::number(qint64(d));
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

struct Relationship
{
    QString id;
    QString type;
    QString target;
    bool external = false;
};

bool parseRelationships(const QByteArray &data, QVector<Relationship> *out)
{
    QXmlStreamReader reader(data);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement
            && reader.name() == QLatin1String("Relationship")) {
            const QXmlStreamAttributes a = reader.attributes();
            Relationship rel;
            rel.id = a.value(QLatin1String("Id")).toString();
            rel.type = a.value(QLatin1String("Type")).toString();
            rel.target = a.value(QLatin1String("Target")).toString();
            rel.external = a.value(QLatin1String("TargetMode")) == QLatin1String("External");
            out->append(rel);
        }
    }
    return !reader.hasError();
}

// A relationship target resolved against the folder of its source part.
QString resolveTarget(const QString &sourceFolder, const QString &target)
{
    QString path = target.startsWith(QLatin1Char('/'))
        ? target.mid(1)
        : (sourceFolder.isEmpty() ? target : sourceFolder + QLatin1Char('/') + target);
    path = QDir::cleanPath(path);
    while (path.startsWith(QLatin1String("../")))
        path = path.mid(3);
    return path;
}

QString folderOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

QString relationshipsPartOf(const QString &part)
{
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") + file
        + QStringLiteral(".rels");
}

// Removes from an XML part every element `localName` whose attribute `attribute`
// equals `value` (case-insensitively); the rest of the text stays as it was.
QByteArray removeElements(
    const QByteArray &data, const QString &localName, const QString &attribute, const QString &value)
{
    QString text = QString::fromUtf8(data);
    QString bom;
    if (text.startsWith(QChar(0xFEFF))) {
        bom = text.left(1);
        text.remove(0, 1);
    }
    QXmlStreamReader reader(text);
    QVector<QPair<int, int>> spans;
    qint64 position = 0;
    while (!reader.atEnd()) {
        position = reader.characterOffset();
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == localName
            && reader.attributes().value(attribute).compare(value, Qt::CaseInsensitive) == 0) {
            const int start = int(position);
            reader.skipCurrentElement();
            spans.append({start, int(reader.characterOffset())});
        }
    }
    if (reader.hasError() || spans.isEmpty())
        return data;
    for (int i = spans.size() - 1; i >= 0; --i)
        text.remove(spans[i].first, spans[i].second - spans[i].first);
    return (bom + text).toUtf8();
}

// One entry of a package being written: new data, or an entry copied from the source archive.
struct OutEntry
{
    QString name;
    QByteArray data;
    qint64 sourceIndex = -1;
    bool directory = false;
};

// Writes a package to a temporary file beside target, then renames it over target.
bool writePackage(const QString &target, zip_t *source, const QVector<OutEntry> &entries, QString *error)
{
    const QFileInfo info(target);
    QTemporaryFile temporary(
        info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    temporary.setAutoRemove(false);
    if (!temporary.open()) {
        *error = QStringLiteral("cannot create a temporary file in %1").arg(info.absolutePath());
        return false;
    }
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    int code = 0;
    zip_t *out = zip_open(QFile::encodeName(temporaryPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!out) {
        QFile::remove(temporaryPath);
        *error = QStringLiteral("cannot write %1").arg(temporaryPath);
        return false;
    }
    bool ok = true;
    for (const OutEntry &entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        if (entry.directory) {
            ok = zip_dir_add(out, name.constData(), ZIP_FL_ENC_UTF_8) >= 0;
        } else {
            zip_source_t *src = entry.sourceIndex >= 0
                ? zip_source_zip(out, source, zip_uint64_t(entry.sourceIndex), 0, 0, -1)
                : zip_source_buffer(out, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
            if (!src) {
                ok = false;
            } else if (zip_file_add(out, name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
                zip_source_free(src);
                ok = false;
            }
        }
        if (!ok) {
            *error
                = QStringLiteral("cannot add %1: %2").arg(entry.name, QString::fromUtf8(zip_strerror(out)));
            break;
        }
    }
    if (ok && zip_close(out) != 0) {
        *error
            = QStringLiteral("cannot write %1: %2").arg(temporaryPath, QString::fromUtf8(zip_strerror(out)));
        ok = false;
    }
    if (!ok) {
        zip_discard(out);
        QFile::remove(temporaryPath);
        return false;
    }
    if (info.exists())
        QFile::setPermissions(temporaryPath, info.permissions());
    else
        QFile::setPermissions(temporaryPath,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                | QFileDevice::ReadOther);
    const QByteArray from = QFile::encodeName(temporaryPath);
    const QByteArray to = QFile::encodeName(info.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0) {
#ifdef Q_OS_WIN
        // Windows does not replace an existing file by rename.
        if (QFile::remove(info.absoluteFilePath()) && QFile::rename(temporaryPath, info.absoluteFilePath()))
            return true;
#endif
        QFile::remove(temporaryPath);
        *error = QStringLiteral("cannot replace %1").arg(target);
        return false;
    }
    return true;
}

} // namespace

QString xlsxEscapeText(const QString &text) { return escape(text, false); }

QString xlsxEscapeAttribute(const QString &text) { return escape(text, true); }

int xlsxColumnNumber(const QString &letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int column = 0;
    for (const QChar c : letters) {
        const QChar u = c.toUpper();
        if (u < QLatin1Char('A') || u > QLatin1Char('Z'))
            return 0;
        column = column * 26 + (u.unicode() - 'A' + 1);
    }
    return column <= MaxColumn ? column : 0;
}

QString xlsxColumnName(int column)
{
    QString name;
    while (column > 0) {
        const int rest = (column - 1) % 26;
        name.prepend(QChar('A' + rest));
        column = (column - 1) / 26;
    }
    return name;
}

// ---------------------------------------------------------------------------
// XlsxSheet

int XlsxSheet::rowCount() const
{
    for (auto it = m_rows.constEnd(); it != m_rows.constBegin();) {
        --it;
        if (!it->cells.isEmpty())
            return it.key();
    }
    return 0;
}

int XlsxSheet::columnCount() const
{
    int columns = 0;
    for (const Row &row : m_rows) {
        if (!row.cells.isEmpty())
            columns = qMax(columns, row.cells.lastKey());
    }
    return columns;
}

QString XlsxSheet::cellText(int row, int column) const
{
    const auto r = m_rows.constFind(row);
    if (r == m_rows.constEnd())
        return QString();
    const auto c = r->cells.constFind(column);
    return c == r->cells.constEnd() ? QString() : c->text;
}

void XlsxSheet::setCellText(int row, int column, const QString &text)
{
    if (row < 1 || row > MaxRow || column < 1 || column > MaxColumn)
        return;
    Row &r = m_rows[row];
    Cell &c = r.cells[column];
    c.text = text;
    c.written = true;
    c.raw.clear();
    r.modified = true;
    m_modified = true;
}

bool XlsxSheet::parse(const QString &xmlText, const QStringList &sharedStrings, QString *error)
{
    m_xml = xmlText;
    if (m_xml.startsWith(QChar(0xFEFF)))
        m_xml.remove(0, 1);
    QXmlStreamReader reader(m_xml);
    int depth = 0;
    bool inSheetData = false;
    Row *row = nullptr;
    int rowNumber = 0;
    int nextColumn = 1;
    qint64 position = 0;
    while (!reader.atEnd()) {
        position = reader.characterOffset();
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringRef name = reader.name();
            if (depth == 1) {
                if (name != QLatin1String("worksheet")) {
                    *error = QStringLiteral("not a worksheet");
                    return false;
                }
                m_dimensionInsert = int(reader.characterOffset());
                continue;
            }
            if (depth == 2) {
                if (name == QLatin1String("sheetData")) {
                    m_sheetDataStart = int(position);
                    m_sheetDataOpenTag
                        = m_xml.mid(m_sheetDataStart, int(reader.characterOffset()) - m_sheetDataStart);
                    m_prefix = reader.prefix().isEmpty() ? QString()
                                                         : reader.prefix().toString() + QLatin1Char(':');
                    inSheetData = true;
                    continue;
                }
                const bool isDimension = name == QLatin1String("dimension");
                const bool isSheetPr = name == QLatin1String("sheetPr");
                reader.skipCurrentElement();
                --depth;
                if (isDimension) {
                    m_dimensionStart = int(position);
                    m_dimensionEnd = int(reader.characterOffset());
                } else if (isSheetPr) {
                    m_dimensionInsert = int(reader.characterOffset());
                }
                continue;
            }
            if (inSheetData && depth == 3 && name == QLatin1String("row")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                int number = rowNumber + 1;
                bool hasRef = false;
                if (attributes.hasAttribute(QLatin1String("r"))) {
                    bool ok = false;
                    number = attributes.value(QLatin1String("r")).toInt(&ok);
                    if (!ok || number < 1 || number > MaxRow) {
                        *error = QStringLiteral("bad row number");
                        return false;
                    }
                    hasRef = true;
                }
                rowNumber = number;
                nextColumn = 1;
                row = &m_rows[number];
                row->rawStart = int(position);
                row->modified = !hasRef; // a row without its number is written out with it
                row->attributes.clear();
                for (const QXmlStreamAttribute &a : attributes) {
                    if (a.qualifiedName() == QLatin1String("r")
                        || a.qualifiedName() == QLatin1String("spans"))
                        continue;
                    row->attributes.append({a.qualifiedName().toString(), a.value().toString()});
                }
                continue;
            }
            if (inSheetData && depth == 4 && row && name == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                Cell cell;
                cell.qualifiedName = reader.qualifiedName().toString();
                cell.style = attributes.value(QLatin1String("s")).toString();
                int column = nextColumn;
                if (attributes.hasAttribute(QLatin1String("r"))) {
                    int refRow = 0;
                    if (!parseReference(attributes.value(QLatin1String("r")), &refRow, &column)) {
                        *error = QStringLiteral("bad cell reference");
                        return false;
                    }
                } else {
                    cell.rawHasRef = false;
                }
                if (column > MaxColumn) {
                    *error = QStringLiteral("bad cell reference");
                    return false;
                }
                nextColumn = column + 1;
                const QString type = attributes.value(QLatin1String("t")).toString();
                QString value;
                QString inlineText;
                bool hasInline = false;
                while (!reader.atEnd()) {
                    const QXmlStreamReader::TokenType t = reader.readNext();
                    if (t == QXmlStreamReader::StartElement) {
                        if (reader.name() == QLatin1String("v")) {
                            value = reader.readElementText(QXmlStreamReader::IncludeChildElements);
                        } else if (reader.name() == QLatin1String("is")) {
                            inlineText = readStringItem(reader);
                            hasInline = true;
                        } else {
                            reader.skipCurrentElement();
                        }
                    } else if (t == QXmlStreamReader::EndElement) {
                        break; // the cell's own end
                    }
                }
                --depth;
                if (reader.hasError())
                    break;
                cell.raw = m_xml.mid(int(position), int(reader.characterOffset() - position));
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int index = value.trimmed().toInt(&ok);
                    cell.text = ok && index >= 0 && index < sharedStrings.size() ? sharedStrings.at(index)
                                                                                 : QString();
                } else if (type == QLatin1String("inlineStr")) {
                    cell.text = hasInline ? inlineText : value;
                } else if (type == QLatin1String("str")) {
                    cell.text = decodeEscapedCharacters(value);
                } else if (type == QLatin1String("b")) {
                    cell.text = value.trimmed().isEmpty()
                        ? QString()
                        : (value.trimmed() == QLatin1String("0") ? QStringLiteral("false")
                                                                 : QStringLiteral("true"));
                } else if (type == QLatin1String("e") || type == QLatin1String("d")) {
                    cell.text = value;
                } else {
                    cell.text = value.isEmpty() ? QString() : numberText(value);
                }
                row->cells.insert(column, cell);
                continue;
            }
            // Anything else inside sheetData (extension lists) is kept in the raw row text.
            reader.skipCurrentElement();
            --depth;
        } else if (token == QXmlStreamReader::EndElement) {
            if (inSheetData && depth == 3 && row) {
                row->rawEnd = int(reader.characterOffset());
                row = nullptr;
            } else if (inSheetData && depth == 2) {
                m_sheetDataEnd = int(reader.characterOffset());
                inSheetData = false;
            }
            --depth;
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("XML error in %1: %2").arg(m_partName, reader.errorString());
        return false;
    }
    if (m_sheetDataStart < 0 || m_sheetDataEnd < 0) {
        *error = QStringLiteral("%1 has no sheetData").arg(m_partName);
        return false;
    }
    return true;
}

QByteArray XlsxSheet::serialize() const
{
    const QString p = m_prefix;
    int minRow = 0, maxRow = 0, minColumn = 0, maxColumn = 0;
    for (auto it = m_rows.constBegin(); it != m_rows.constEnd(); ++it) {
        if (it->cells.isEmpty())
            continue;
        if (!minRow)
            minRow = it.key();
        maxRow = it.key();
        minColumn = minColumn ? qMin(minColumn, it->cells.firstKey()) : it->cells.firstKey();
        maxColumn = qMax(maxColumn, it->cells.lastKey());
    }
    QString range = QStringLiteral("A1");
    if (minRow) {
        range = xlsxColumnName(minColumn) + QString::number(minRow);
        if (minRow != maxRow || minColumn != maxColumn)
            range += QLatin1Char(':') + xlsxColumnName(maxColumn) + QString::number(maxRow);
    }
    const QString dimension = QStringLiteral("<%1dimension ref=\"%2\"/>").arg(p, range);

    QString out;
    out.reserve(m_xml.size() + 4096);
    if (m_dimensionStart >= 0) {
        out += m_xml.leftRef(m_dimensionStart);
        out += dimension;
        out += m_xml.midRef(m_dimensionEnd, m_sheetDataStart - m_dimensionEnd);
    } else {
        out += m_xml.leftRef(m_dimensionInsert);
        out += dimension;
        out += m_xml.midRef(m_dimensionInsert, m_sheetDataStart - m_dimensionInsert);
    }
    QString openTag = m_sheetDataOpenTag;
    if (openTag.endsWith(QLatin1String("/>"))) {
        openTag.chop(2);
        openTag = openTag.trimmed() + QLatin1Char('>');
    }
    out += openTag;
    for (auto it = m_rows.constBegin(); it != m_rows.constEnd(); ++it) {
        const Row &row = it.value();
        if (!row.modified && row.rawStart >= 0 && row.rawEnd > row.rawStart) {
            out += m_xml.midRef(row.rawStart, row.rawEnd - row.rawStart);
            continue;
        }
        if (row.cells.isEmpty() && row.rawStart < 0)
            continue;
        out += QStringLiteral("<%1row r=\"%2\"").arg(p).arg(it.key());
        for (const auto &a : row.attributes)
            out += QStringLiteral(" %1=\"%2\"").arg(a.first, xlsxEscapeAttribute(a.second));
        if (row.cells.isEmpty()) {
            out += QLatin1String("/>");
            continue;
        }
        out += QLatin1Char('>');
        for (auto c = row.cells.constBegin(); c != row.cells.constEnd(); ++c) {
            const Cell &cell = c.value();
            const QString ref = xlsxColumnName(c.key()) + QString::number(it.key());
            if (!cell.written) {
                if (cell.rawHasRef) {
                    out += cell.raw;
                } else {
                    // Give the cell its reference so that written neighbours cannot shift it.
                    const int nameEnd = 1 + cell.qualifiedName.size();
                    out += cell.raw.leftRef(nameEnd);
                    out += QStringLiteral(" r=\"%1\"").arg(ref);
                    out += cell.raw.midRef(nameEnd);
                }
                continue;
            }
            const QString style = cell.style.isEmpty()
                ? QString()
                : QStringLiteral(" s=\"%1\"").arg(xlsxEscapeAttribute(cell.style));
            if (cell.text.isEmpty()) {
                out += QStringLiteral("<%1c r=\"%2\"%3/>").arg(p, ref, style);
                continue;
            }
            const bool preserve = cell.text.at(0).isSpace() || cell.text.at(cell.text.size() - 1).isSpace()
                || cell.text.contains(QLatin1Char('\n'));
            out += QStringLiteral("<%1c r=\"%2\"%3 t=\"inlineStr\"><%1is><%1t%4>%5</%1t></%1is></%1c>")
                       .arg(p, ref, style, preserve ? QStringLiteral(" xml:space=\"preserve\"") : QString(),
                           xlsxEscapeText(cell.text));
        }
        out += QStringLiteral("</%1row>").arg(p);
    }
    out += QStringLiteral("</%1sheetData>").arg(p);
    out += m_xml.midRef(m_sheetDataEnd);
    return out.toUtf8();
}

// ---------------------------------------------------------------------------
// XlsxWorkbook

XlsxWorkbook::XlsxWorkbook() = default;

XlsxWorkbook::~XlsxWorkbook() { close(); }

bool XlsxWorkbook::fail(const QString &message)
{
    m_error = message;
    close();
    m_error = message;
    return false;
}

bool XlsxWorkbook::readEntry(const QString &name, QByteArray *data) const
{
    zip_t *zip = static_cast<zip_t *>(m_zip);
    if (!zip)
        return false;
    const QByteArray encoded = name.toUtf8();
    zip_int64_t index = zip_name_locate(zip, encoded.constData(), 0);
    if (index < 0)
        index = zip_name_locate(zip, encoded.constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return false;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)
        || st.size > zip_uint64_t(MaxPartSize))
        return false;
    zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(index), 0);
    if (!file)
        return false;
    data->resize(int(st.size));
    zip_int64_t done = 0;
    while (done < zip_int64_t(st.size)) {
        const zip_int64_t n = zip_fread(file, data->data() + done, st.size - zip_uint64_t(done));
        if (n <= 0)
            break;
        done += n;
    }
    zip_fclose(file);
    if (done != zip_int64_t(st.size)) {
        data->clear();
        return false;
    }
    return true;
}

bool XlsxWorkbook::open(const QString &path)
{
    close();
    m_path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(path));
    m_fileData = file.readAll();
    file.close();

    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t *source
        = zip_source_buffer_create(m_fileData.constData(), zip_uint64_t(m_fileData.size()), 0, &zerr);
    zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY, &zerr) : nullptr;
    if (!zip) {
        const QString reason = QString::fromUtf8(zip_error_strerror(&zerr));
        if (source)
            zip_source_free(source);
        zip_error_fini(&zerr);
        return fail(QStringLiteral("%1 is not an xlsx package (%2)").arg(path, reason));
    }
    zip_error_fini(&zerr);
    m_zip = zip;

    // The package relationships name the workbook part.
    QByteArray data;
    m_workbookPart = QStringLiteral("xl/workbook.xml");
    if (readEntry(QStringLiteral("_rels/.rels"), &data)) {
        QVector<Relationship> rels;
        if (!parseRelationships(data, &rels))
            return fail(QStringLiteral("damaged package relationships"));
        for (const Relationship &rel : rels) {
            if (rel.type.endsWith(QLatin1String("/officeDocument")) && !rel.external) {
                m_workbookPart = resolveTarget(QString(), rel.target);
                break;
            }
        }
    }
    if (!readEntry(m_workbookPart, &data))
        return fail(QStringLiteral("%1 has no workbook part").arg(path));

    QVector<QPair<QString, QString>> sheetIds; // name, relationship id
    {
        QXmlStreamReader reader(data);
        bool sawWorkbook = false;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == QLatin1String("workbook"))
                sawWorkbook = true;
            if (reader.name() != QLatin1String("sheet"))
                continue;
            QString id;
            for (const QXmlStreamAttribute &a : reader.attributes()) {
                if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                    id = a.value().toString();
            }
            sheetIds.append({reader.attributes().value(QLatin1String("name")).toString(), id});
        }
        if (reader.hasError() || !sawWorkbook)
            return fail(QStringLiteral("damaged workbook part: %1").arg(reader.errorString()));
    }

    m_workbookRelsPart = relationshipsPartOf(m_workbookPart);
    QVector<Relationship> rels;
    if (!readEntry(m_workbookRelsPart, &data) || !parseRelationships(data, &rels))
        return fail(QStringLiteral("damaged workbook relationships"));
    const QString folder = folderOf(m_workbookPart);
    QString sharedStringsPart;
    for (const Relationship &rel : rels) {
        if (rel.external)
            continue;
        if (rel.type.endsWith(QLatin1String("/sharedStrings")))
            sharedStringsPart = resolveTarget(folder, rel.target);
        else if (rel.type.endsWith(QLatin1String("/calcChain"))) {
            m_calcChainPart = resolveTarget(folder, rel.target);
            m_calcChainRelId = rel.id;
        }
    }
    for (const auto &sheet : sheetIds) {
        for (const Relationship &rel : rels) {
            if (rel.id == sheet.second && !rel.external) {
                m_sheetEntries.append({sheet.first, resolveTarget(folder, rel.target)});
                break;
            }
        }
    }

    if (!sharedStringsPart.isEmpty() && readEntry(sharedStringsPart, &data)) {
        QXmlStreamReader reader(data);
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("si"))
                m_sharedStrings.append(readStringItem(reader));
        }
        if (reader.hasError())
            return fail(QStringLiteral("damaged shared strings: %1").arg(reader.errorString()));
    }
    m_open = true;
    m_error.clear();
    return true;
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const SheetEntry &entry : m_sheetEntries)
        names.append(entry.name);
    return names;
}

XlsxSheet *XlsxWorkbook::sheet(const QString &name)
{
    if (!m_open)
        return nullptr;
    const SheetEntry *found = nullptr;
    for (const SheetEntry &entry : m_sheetEntries) {
        if (entry.name == name) {
            found = &entry;
            break;
        }
    }
    if (!found) {
        // Sheet names are unique regardless of case.
        for (const SheetEntry &entry : m_sheetEntries) {
            if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
                found = &entry;
                break;
            }
        }
    }
    if (!found) {
        m_error = QStringLiteral("no worksheet named %1").arg(name);
        return nullptr;
    }
    const auto cached = m_sheets.constFind(found->partName);
    if (cached != m_sheets.constEnd())
        return cached->get();
    QByteArray data;
    if (!readEntry(found->partName, &data)) {
        m_error = QStringLiteral("worksheet part %1 is missing").arg(found->partName);
        return nullptr;
    }
    auto sheet = std::make_shared<XlsxSheet>();
    sheet->m_name = found->name;
    sheet->m_partName = found->partName;
    QString error;
    if (!sheet->parse(QString::fromUtf8(data), m_sharedStrings, &error)) {
        m_error = error;
        return nullptr;
    }
    m_sheets.insert(found->partName, sheet);
    return sheet.get();
}

bool XlsxWorkbook::save()
{
    if (!m_open) {
        m_error = QStringLiteral("no workbook is open");
        return false;
    }
    QMap<QString, QByteArray> replaced;
    for (const auto &sheet : m_sheets) {
        if (sheet->isModified())
            replaced.insert(sheet->m_partName, sheet->serialize());
    }
    if (replaced.isEmpty())
        return true;

    // Edited cells would make the calculation chain stale: drop it, with its
    // relationship and its content-type entry.
    QString dropped;
    if (!m_calcChainPart.isEmpty()) {
        dropped = m_calcChainPart;
        QByteArray data;
        if (readEntry(m_workbookRelsPart, &data))
            replaced.insert(m_workbookRelsPart,
                removeElements(data, QStringLiteral("Relationship"), QStringLiteral("Id"), m_calcChainRelId));
        if (readEntry(QStringLiteral("[Content_Types].xml"), &data))
            replaced.insert(QStringLiteral("[Content_Types].xml"),
                removeElements(data, QStringLiteral("Override"), QStringLiteral("PartName"),
                    QLatin1Char('/') + m_calcChainPart));
    }

    zip_t *zip = static_cast<zip_t *>(m_zip);
    QVector<OutEntry> entries;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(zip, zip_uint64_t(i), 0);
        if (!raw)
            continue;
        OutEntry entry;
        entry.name = QString::fromUtf8(raw);
        if (!dropped.isEmpty() && entry.name.compare(dropped, Qt::CaseInsensitive) == 0)
            continue;
        auto it = replaced.constEnd();
        for (auto r = replaced.constBegin(); r != replaced.constEnd(); ++r) {
            if (r.key().compare(entry.name, Qt::CaseInsensitive) == 0)
                it = r;
        }
        if (it != replaced.constEnd())
            entry.data = it.value();
        else if (entry.name.endsWith(QLatin1Char('/')))
            entry.directory = true;
        else
            entry.sourceIndex = i;
        entries.append(entry);
    }
    QString error;
    if (!writePackage(m_path, zip, entries, &error)) {
        m_error = error;
        return false;
    }
    return true;
}

void XlsxWorkbook::close()
{
    m_sheets.clear();
    m_sheetEntries.clear();
    m_sharedStrings.clear();
    if (m_zip)
        zip_discard(static_cast<zip_t *>(m_zip));
    m_zip = nullptr;
    m_fileData.clear();
    m_calcChainPart.clear();
    m_calcChainRelId.clear();
    m_workbookPart.clear();
    m_workbookRelsPart.clear();
    m_open = false;
}

bool XlsxWorkbook::create(const QString &path, const QString &sheetName,
    const QVector<QVector<QVariant>> &rows, const QVector<double> &columnWidths, QString *error)
{
    QString sheet = XmlDeclaration;
    sheet += QStringLiteral("<worksheet xmlns=\"%1\" xmlns:r=\"%2\">").arg(MainNs, DocumentRelNs);
    int lastRow = 0, lastColumn = 0;
    QString data;
    for (int r = 0; r < rows.size(); ++r) {
        QString cells;
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant &v = rows[r][c];
            const QString ref = xlsxColumnName(c + 1) + QString::number(r + 1);
            const QString style = r == 0 ? QStringLiteral(" s=\"1\"") : QString();
            switch (v.userType()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                cells += QStringLiteral("<c r=\"%1\"%2><v>%3</v></c>").arg(ref, style, v.toString());
                break;
            case QMetaType::Double:
                cells += QStringLiteral("<c r=\"%1\"%2><v>%3</v></c>")
                             .arg(ref, style,
                                 QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
                break;
            default: {
                const QString text = v.toString();
                if (text.isEmpty())
                    continue;
                const bool preserve = text.at(0).isSpace() || text.at(text.size() - 1).isSpace();
                cells
                    += QStringLiteral("<c r=\"%1\"%2 t=\"inlineStr\"><is><t%3>%4</t></is></c>")
                           .arg(ref, style, preserve ? QStringLiteral(" xml:space=\"preserve\"") : QString(),
                               xlsxEscapeText(text));
            }
            }
            lastRow = r + 1;
            lastColumn = qMax(lastColumn, c + 1);
        }
        if (!cells.isEmpty())
            data += QStringLiteral("<row r=\"%1\">%2</row>").arg(r + 1).arg(cells);
    }
    sheet += QStringLiteral("<dimension ref=\"%1\"/>")
                 .arg(lastRow ? QStringLiteral("A1:") + xlsxColumnName(lastColumn) + QString::number(lastRow)
                              : QStringLiteral("A1"));
    sheet
        += QStringLiteral("<sheetViews><sheetView workbookViewId=\"0\">"
                          "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
                          "</sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>");
    if (!columnWidths.isEmpty()) {
        sheet += QStringLiteral("<cols>");
        for (int c = 0; c < columnWidths.size(); ++c)
            sheet += QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"%2\" customWidth=\"1\"/>")
                         .arg(c + 1)
                         .arg(columnWidths[c]);
        sheet += QStringLiteral("</cols>");
    }
    sheet += QStringLiteral("<sheetData>") + data + QStringLiteral("</sheetData>");
    sheet += QStringLiteral(
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
        "footer=\"0.3\"/></worksheet>");

    const QString contentTypes = XmlDeclaration
        + QStringLiteral(
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
            "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
            "<Override PartName=\"/xl/styles.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
            "</Types>");
    const QString packageRels = XmlDeclaration
        + QStringLiteral("<Relationships xmlns=\"%1\"><Relationship Id=\"rId1\" Type=\"%2/officeDocument\" "
                         "Target=\"xl/workbook.xml\"/></Relationships>")
              .arg(RelationshipsNs, DocumentRelNs);
    const QString workbook = XmlDeclaration
        + QStringLiteral("<workbook xmlns=\"%1\" xmlns:r=\"%2\"><bookViews><workbookView/></bookViews>"
                         "<sheets><sheet name=\"%3\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
              .arg(MainNs, DocumentRelNs, xlsxEscapeAttribute(sheetName));
    const QString workbookRels = XmlDeclaration
        + QStringLiteral("<Relationships xmlns=\"%1\">"
                         "<Relationship Id=\"rId1\" Type=\"%2/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                         "<Relationship Id=\"rId2\" Type=\"%2/styles\" Target=\"styles.xml\"/>"
                         "</Relationships>")
              .arg(RelationshipsNs, DocumentRelNs);
    const QString styles = XmlDeclaration
        + QStringLiteral(
            "<styleSheet xmlns=\"%1\">"
            "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
            "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
            "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
            "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
            "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
            "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
            "borderId=\"0\"/></cellStyleXfs>"
            "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
            "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
            "applyFont=\"1\"/></cellXfs>"
            "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
            "</styleSheet>")
              .arg(MainNs);

    QVector<OutEntry> entries;
    auto add = [&entries](const char *name, const QString &text) {
        OutEntry e;
        e.name = QString::fromLatin1(name);
        e.data = text.toUtf8();
        entries.append(e);
    };
    add("[Content_Types].xml", contentTypes);
    add("_rels/.rels", packageRels);
    add("xl/workbook.xml", workbook);
    add("xl/_rels/workbook.xml.rels", workbookRels);
    add("xl/styles.xml", styles);
    add("xl/worksheets/sheet1.xml", sheet);
    QString message;
    if (!writePackage(path, nullptr, entries, &message)) {
        if (error)
            *error = message;
        return false;
    }
    return true;
}
