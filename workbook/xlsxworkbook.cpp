#include "workbook/xlsxworkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
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
constexpr int MaxRow = 1048576;
constexpr int MaxColumn = 16384;
constexpr int ChunkSize = 64 * 1024; // bytes inflated per read
constexpr int OutputChunk = 256 * 1024; // bytes of a rewritten part buffered before they go to disk

bool isXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool isHexDigit(uint c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

QString escape(const QString &text, bool attribute)
{
    QString out;
    out.reserve(text.size() + 8);
    QVector<uint> codes = text.toUcs4();
    codes.erase(
        std::remove_if(codes.begin(), codes.end(), [](uint c) { return !isXmlChar(c); }), codes.end());
    for (int i = 0; i < codes.size(); ++i) {
        const uint c = codes.at(i);
        // Cell text that looks like Excel's _xHHHH_ escape keeps its underscore
        // as an escape of its own, or a reader would decode the text.
        if (!attribute && c == '_' && i + 6 < codes.size() && codes.at(i + 1) == 'x'
            && isHexDigit(codes.at(i + 2)) && isHexDigit(codes.at(i + 3)) && isHexDigit(codes.at(i + 4))
            && isHexDigit(codes.at(i + 5)) && codes.at(i + 6) == '_') {
            out += QLatin1String("_x005F_");
            continue;
        }
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
    const auto hex = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    };
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() && text.at(i + 1) == QLatin1Char('x')
            && text.at(i + 6) == QLatin1Char('_') && hex(text.at(i + 2)) && hex(text.at(i + 3))
            && hex(text.at(i + 4)) && hex(text.at(i + 5))) {
            out += QChar(QStringView(text).mid(i + 2, 4).toUShort(nullptr, 16));
            i += 7;
            continue;
        }
        out += text.at(i);
        ++i;
    }
    return out;
}

// Splits "AB12" into column 28 and row 12. False for anything else.
bool parseReference(const QStringView &ref, int *row, int *column)
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

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// The first entry name of the package that an earlier entry already has
// (part names compare without case, as the lookups here do); empty when none.
QString duplicateEntry(zip_t *zip)
{
    QSet<QString> seen;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(zip, zip_uint64_t(i), 0);
        if (!raw)
            continue;
        const QString name = QString::fromUtf8(raw);
        const QString key = name.toLower();
        if (seen.contains(key))
            return name;
        seen.insert(key);
    }
    return QString();
}

zip_int64_t locateEntry(zip_t *zip, const QString &name)
{
    const QByteArray encoded = name.toUtf8();
    zip_int64_t index = zip_name_locate(zip, encoded.constData(), 0);
    if (index < 0)
        index = zip_name_locate(zip, encoded.constData(), ZIP_FL_NOCASE);
    return index;
}

// Watches the text on its way to the XML reader. The reader holds a token until
// it is complete, so one endless token (a text run, a tag, a comment) would
// grow without bound; this stops it at the token limit. Document type
// declarations (the way to entity expansion) are refused outright.
class TokenGuard
{
public:
    enum Result { Fine, TooLong, Doctype };

    explicit TokenGuard(qint64 limit)
        : m_limit(limit)
    {
    }

    Result feed(const QString &text)
    {
        for (const QChar qc : text) {
            const ushort c = qc.unicode();
            ++m_run;
            switch (m_state) {
            case Content:
                if (c == '<') {
                    m_state = Open;
                    m_run = 1;
                }
                break;
            case Open:
                if (c == '!') {
                    m_state = Bang;
                    m_marker.clear();
                } else if (c == '?') {
                    m_state = Instruction;
                    m_last = m_beforeLast = 0;
                } else {
                    m_state = Tag;
                    m_quote = 0;
                    tagCharacter(c);
                }
                break;
            case Bang: {
                m_marker += qc;
                static const char *const comment = "--";
                static const char *const cdata = "[CDATA[";
                if (m_marker == QLatin1String(comment)) {
                    m_state = Comment;
                    m_last = m_beforeLast = 0;
                } else if (m_marker == QLatin1String(cdata)) {
                    m_state = CData;
                    m_last = m_beforeLast = 0;
                } else if (!QLatin1String(comment).startsWith(m_marker)
                    && !QLatin1String(cdata).startsWith(m_marker)) {
                    return Doctype;
                }
                break;
            }
            case Tag:
                tagCharacter(c);
                break;
            case Comment:
                endsWith(c, '-', '-');
                break;
            case CData:
                endsWith(c, ']', ']');
                break;
            case Instruction:
                if (c == '>' && m_last == '?') {
                    m_state = Content;
                    m_run = 0;
                }
                m_last = c;
                break;
            }
            if (m_run > m_limit)
                return TooLong;
        }
        return Fine;
    }

private:
    enum State { Content, Open, Bang, Tag, Comment, CData, Instruction };

    void tagCharacter(ushort c)
    {
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
        } else if (c == '"' || c == '\'') {
            m_quote = c;
        } else if (c == '>') {
            m_state = Content;
            m_run = 0;
        }
    }

    void endsWith(ushort c, ushort first, ushort second)
    {
        if (c == '>' && m_last == second && m_beforeLast == first) {
            m_state = Content;
            m_run = 0;
        }
        m_beforeLast = m_last;
        m_last = c;
    }

    qint64 m_limit;
    State m_state = Content;
    ushort m_quote = 0;
    ushort m_last = 0;
    ushort m_beforeLast = 0;
    QString m_marker;
    qint64 m_run = 0;
};

// UTF-8 that arrives in chunks: the bytes of a character cut at the end of a
// chunk wait for the next one. Bytes still waiting when the part ends are dropped.
class Utf8ChunkDecoder
{
public:
    QString decode(const char *data, int size)
    {
        if (!m_pending.isEmpty()) {
            m_pending.append(data, size);
            const int complete = m_pending.size() - incompleteTail(m_pending.constData(), m_pending.size());
            const QString text = QString::fromUtf8(m_pending.constData(), complete);
            m_pending.remove(0, complete);
            return text;
        }
        const int complete = size - incompleteTail(data, size);
        m_pending.append(data + complete, size - complete);
        return QString::fromUtf8(data, complete);
    }

private:
    // How many bytes at the end begin a character whose other bytes are still to come.
    static int incompleteTail(const char *data, int size)
    {
        for (int back = 1; back <= 3 && back <= size; ++back) {
            const uchar c = uchar(data[size - back]);
            if ((c & 0xC0) == 0x80)
                continue; // a continuation byte: its lead byte is further back
            const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
        return 0;
    }

    QByteArray m_pending;
};

// One XML part streamed out of the zip into a QXmlStreamReader, a chunk at a
// time, within the limits. With keepText, the decoded text that the reader has
// not yet passed is kept too, so that a writer can copy it through.
class PartReader
{
public:
    enum Failure { NoFailure, Missing, TooLarge, TokenTooLong, TooDeep, Doctype, BadXml, ReadError };

    PartReader(zip_t *zip, const QString &name, qint64 sizeLimit, const QString &limitName,
        const XlsxLimits &limits, bool keepText = false)
        : m_zip(zip)
        , m_name(name)
        , m_sizeLimit(sizeLimit)
        , m_limitName(limitName)
        , m_limits(limits)
        , m_keepText(keepText)
        , m_guard(limits.maxTokenLength)
    {
    }
    ~PartReader()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    PartReader(const PartReader &) = delete;
    PartReader &operator=(const PartReader &) = delete;

    // Finds the part and checks its declared size. False with failure() and errorString().
    bool open()
    {
        const zip_int64_t index = m_zip ? locateEntry(m_zip, m_name) : -1;
        if (index < 0)
            return fail(Missing, QStringLiteral("%1 is missing").arg(m_name));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) != 0)
            return fail(ReadError, QStringLiteral("cannot read %1").arg(m_name));
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(m_sizeLimit))
            return tooLarge();
        m_file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!m_file)
            return fail(ReadError,
                QStringLiteral("cannot unpack %1: %2").arg(m_name, QString::fromUtf8(zip_strerror(m_zip))));
        m_chunk.resize(ChunkSize);
        return true;
    }

    // The next token; Invalid once the whole part was read (failure() is
    // NoFailure) or when it cannot be read further.
    QXmlStreamReader::TokenType next()
    {
        if (m_failure != NoFailure || !m_file)
            return QXmlStreamReader::Invalid;
        if (m_popDepth) {
            --m_depth;
            m_popDepth = false;
        }
        for (;;) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                    if (!m_eof) {
                        if (!refill())
                            return QXmlStreamReader::Invalid;
                        continue;
                    }
                    if (m_sawEnd)
                        return QXmlStreamReader::Invalid; // the whole part, well formed
                }
                fail(BadXml, QStringLiteral("XML error in %1: %2").arg(m_name, m_xml.errorString()));
                return QXmlStreamReader::Invalid;
            }
            if (token == QXmlStreamReader::StartElement && ++m_depth > m_limits.maxDepth) {
                fail(TooDeep,
                    QStringLiteral("%1 nests elements deeper than %2 levels (the limit of nesting)")
                        .arg(m_name)
                        .arg(m_limits.maxDepth));
                return QXmlStreamReader::Invalid;
            }
            if (token == QXmlStreamReader::EndElement)
                m_popDepth = true;
            if (token == QXmlStreamReader::EndDocument)
                m_sawEnd = true;
            if (token == QXmlStreamReader::DTD) {
                fail(Doctype, doctypeMessage());
                return QXmlStreamReader::Invalid;
            }
            return token;
        }
    }

    QXmlStreamReader &xml() { return m_xml; }
    // Nesting level of the element just started or ended (1 for the root).
    int depth() const { return m_depth; }
    Failure failure() const { return m_failure; }
    QString errorString() const { return m_error; }

    // Text positions (with keepText), in the reader's character offsets.
    qint64 offset() const { return m_xml.characterOffset(); }
    qint64 textEnd() const { return m_windowStart + m_window.size(); }
    QStringView text(qint64 from, qint64 to) const
    {
        return QStringView(m_window).mid(int(from - m_windowStart), int(to - from));
    }
    // Where the tag just read begins; -1 when that is no longer kept.
    qint64 tagStart() const
    {
        const int end = int(offset() - m_windowStart);
        const int at = end > 0 ? m_window.lastIndexOf(QLatin1Char('<'), end - 1) : -1;
        return at < 0 ? -1 : m_windowStart + at;
    }
    // A position up to which the text may be copied: the reader peeks at the
    // '<' after a run of text, which belongs to the tag that follows.
    qint64 settledOffset(qint64 from) const
    {
        const int begin = int(from - m_windowStart);
        const int end = int(offset() - m_windowStart);
        if (end <= begin)
            return offset();
        const int at = m_window.lastIndexOf(QLatin1Char('<'), end - 1);
        return at >= begin ? m_windowStart + at : offset();
    }
    void discardBefore(qint64 position)
    {
        const int n = int(position - m_windowStart);
        if (n > ChunkSize && n > m_window.size() / 2) {
            m_window.remove(0, n);
            m_windowStart = position;
        }
    }

private:
    bool fail(Failure failure, const QString &message)
    {
        m_failure = failure;
        m_error = message;
        return false;
    }

    bool tooLarge()
    {
        return fail(TooLarge,
            QStringLiteral("%1 unpacks to more than %2 (%3)")
                .arg(m_name, sizeText(m_sizeLimit), m_limitName));
    }

    QString doctypeMessage() const
    {
        return QStringLiteral("%1 holds a document type declaration, which workbooks never use").arg(m_name);
    }

    bool refill()
    {
        const zip_int64_t n = zip_fread(m_file, m_chunk.data(), zip_uint64_t(m_chunk.size()));
        if (n < 0)
            return fail(ReadError,
                QStringLiteral("cannot unpack %1: %2")
                    .arg(m_name, QString::fromUtf8(zip_file_strerror(m_file))));
        if (n == 0) {
            m_eof = true;
            return true;
        }
        m_inflated += n;
        if (m_inflated > m_sizeLimit)
            return tooLarge(); // the size in the zip's directory said less
        QString piece = m_decoder.decode(m_chunk.constData(), int(n));
        if (m_first && piece.startsWith(QChar(0xFEFF)))
            piece.remove(0, 1);
        m_first = false;
        switch (m_guard.feed(piece)) {
        case TokenGuard::TooLong:
            return fail(TokenTooLong,
                QStringLiteral(
                    "%1 holds a text or tag longer than %2 characters (the limit of one XML token)")
                    .arg(m_name)
                    .arg(m_limits.maxTokenLength));
        case TokenGuard::Doctype:
            return fail(Doctype, doctypeMessage());
        case TokenGuard::Fine:
            break;
        }
        if (m_keepText)
            m_window += piece;
        m_xml.addData(piece);
        return true;
    }

    zip_t *m_zip;
    QString m_name;
    qint64 m_sizeLimit;
    QString m_limitName;
    const XlsxLimits &m_limits;
    bool m_keepText;
    TokenGuard m_guard;
    zip_file_t *m_file = nullptr;
    Utf8ChunkDecoder m_decoder;
    QByteArray m_chunk;
    QXmlStreamReader m_xml;
    qint64 m_inflated = 0;
    bool m_eof = false;
    bool m_first = true;
    bool m_sawEnd = false;
    int m_depth = 0;
    bool m_popDepth = false;
    Failure m_failure = NoFailure;
    QString m_error;
    QString m_window;
    qint64 m_windowStart = 0;
};

const QString StructureLimit = QStringLiteral("the limit of a workbook, relationships or content-types part");
const QString PartLimit = QStringLiteral("the limit of a worksheet or shared-strings part");

struct Relationship
{
    QString id;
    QString type;
    QString target;
    bool external = false;
};

// Reads a relationships part. False with an error text when it cannot be read.
bool readRelationships(zip_t *zip, const QString &name, const XlsxLimits &limits, QVector<Relationship> *out,
    QString *error, bool *missing)
{
    PartReader part(zip, name, limits.maxStructurePartSize, StructureLimit, limits);
    *missing = false;
    if (!part.open()) {
        *missing = part.failure() == PartReader::Missing;
        *error = part.errorString();
        return false;
    }
    QXmlStreamReader::TokenType token;
    while ((token = part.next()) != QXmlStreamReader::Invalid) {
        if (token == QXmlStreamReader::StartElement && part.xml().name() == QLatin1String("Relationship")) {
            const QXmlStreamAttributes a = part.xml().attributes();
            Relationship rel;
            rel.id = a.value(QLatin1String("Id")).toString();
            rel.type = a.value(QLatin1String("Type")).toString();
            rel.target = a.value(QLatin1String("Target")).toString();
            rel.external = a.value(QLatin1String("TargetMode")) == QLatin1String("External");
            out->append(rel);
        }
    }
    if (part.failure() != PartReader::NoFailure) {
        *error = part.errorString();
        return false;
    }
    return true;
}

// The whole of a small part (relationships, content types), within the structure limit.
bool readWholePart(zip_t *zip, const QString &name, qint64 limit, QByteArray *data, QString *error)
{
    const zip_int64_t index = locateEntry(zip, name);
    if (index < 0) {
        *error = QStringLiteral("%1 is missing").arg(name);
        return false;
    }
    zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(index), 0);
    if (!file) {
        *error = QStringLiteral("cannot unpack %1").arg(name);
        return false;
    }
    data->clear();
    QByteArray chunk(ChunkSize, '\0');
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk.data(), zip_uint64_t(chunk.size()));
        if (n < 0) {
            *error = QStringLiteral("cannot unpack %1").arg(name);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (data->size() + n > limit) {
            *error = QStringLiteral("%1 unpacks to more than %2 (%3)")
                         .arg(name, sizeText(limit), StructureLimit);
            ok = false;
            break;
        }
        data->append(chunk.constData(), int(n));
    }
    zip_fclose(file);
    return ok;
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
// equals `value` (case-insensitively) and, when `typeSuffix` is given, whose
// Type ends with it; the rest of the text stays as it was.
QByteArray removeElements(const QByteArray &data, const QString &localName, const QString &attribute,
    const QString &value, const QString &typeSuffix = QString())
{
    QString text = QString::fromUtf8(data);
    QString bom;
    if (text.startsWith(QChar(0xFEFF))) {
        bom = text.left(1);
        text.remove(0, 1);
    }
    QXmlStreamReader reader(text);
    QVector<QPair<int, int>> spans;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == localName
            && reader.attributes().value(attribute).compare(value, Qt::CaseInsensitive) == 0
            && (typeSuffix.isEmpty()
                || reader.attributes().value(QLatin1String("Type")).endsWith(typeSuffix))) {
            // The tag begins at its '<' (after a run of text the reader's offset
            // has already passed that '<').
            const int start = text.lastIndexOf(QLatin1Char('<'), int(reader.characterOffset()) - 1);
            reader.skipCurrentElement();
            if (start >= 0)
                spans.append({start, int(reader.characterOffset())});
        }
    }
    if (reader.hasError() || spans.isEmpty())
        return data;
    for (int i = spans.size() - 1; i >= 0; --i)
        text.remove(spans[i].first, spans[i].second - spans[i].first);
    return (bom + text).toUtf8();
}

// One entry of a package being written: new data, a file on disk, or an entry
// copied from the source archive.
struct OutEntry
{
    QString name;
    QByteArray data;
    QString file;
    qint64 sourceIndex = -1;
    bool directory = false;
};

// Writes a package to a temporary file beside target, then renames it over target.
bool writePackage(const QString &target, zip_t *source, const QVector<OutEntry> &entries, QString *error)
{
    const QFileInfo info(target);
    const QString temporaryPath
        = xlsxNewFile(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.'));
    if (temporaryPath.isEmpty()) {
        *error = QStringLiteral("cannot create a temporary file in %1").arg(info.absolutePath());
        return false;
    }
    // What the umask gives a new file: a new target gets it too.
    const QFileDevice::Permissions newFilePermissions = QFileInfo(temporaryPath).permissions();

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
            zip_source_t *src = nullptr;
            if (entry.sourceIndex >= 0)
                src = zip_source_zip(out, source, zip_uint64_t(entry.sourceIndex), 0, 0, -1);
            else if (!entry.file.isEmpty())
                src = zip_source_file(out, QFile::encodeName(entry.file).constData(), 0, -1);
            else
                src = zip_source_buffer(out, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
            if (!src) {
                ok = false;
            } else {
                const zip_int64_t index
                    = zip_file_add(out, name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
                if (index < 0) {
                    zip_source_free(src);
                    ok = false;
                } else if (!entry.file.isEmpty()) {
                    // A rewritten sheet can be tens of megabytes: the fastest deflate
                    // level keeps its save short, at a few per cent more size.
                    zip_set_file_compression(out, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
                }
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
    // A replaced file keeps its mode; a new one has the umask's.
    QFile::setPermissions(temporaryPath, info.exists() ? info.permissions() : newFilePermissions);
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

QString xlsxNewFile(const QString &pathPrefix)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString path = pathPrefix;
        for (int i = 0; i < 6; ++i)
            path += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
        QFile file(path);
        // Created here or not at all (O_EXCL), with the mode 0666 less the umask.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(path))
            return QString(); // not a name taken: the folder refuses new files
    }
    return QString();
}

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

struct XlsxSheet::SharedStrings
{
    struct Item
    {
        qint32 offset;
        qint32 length; // below 0: longer than the cell limit, not kept
    };
    QString text;
    QVector<Item> items;
};

void XlsxSheet::Range::add(int row, int column)
{
    if (!maxRow) {
        minRow = maxRow = row;
        minColumn = maxColumn = column;
        return;
    }
    minRow = qMin(minRow, row);
    maxRow = qMax(maxRow, row);
    minColumn = qMin(minColumn, column);
    maxColumn = qMax(maxColumn, column);
}

void XlsxSheet::Range::add(const Range &other)
{
    if (other.maxRow) {
        add(other.minRow, other.minColumn);
        add(other.maxRow, other.maxColumn);
    }
}

int XlsxSheet::rowCount() const { return qMax(m_readRange.maxRow, m_writtenRange.maxRow); }

int XlsxSheet::columnCount() const { return qMax(m_readRange.maxColumn, m_writtenRange.maxColumn); }

QString XlsxSheet::cellText(int row, int column) const
{
    if (!m_written.isEmpty()) {
        const auto r = m_written.constFind(row);
        if (r != m_written.constEnd()) {
            const auto c = r->constFind(column);
            if (c != r->constEnd())
                return *c;
        }
    }
    const Cell key {row, column, 0, 0};
    const auto it = std::lower_bound(m_cells.cbegin(), m_cells.cend(), key, XlsxSheet::cellBefore);
    if (it == m_cells.cend() || it->row != row || it->column != column)
        return QString();
    if (it->offset < 0) {
        const SharedStrings::Item &item = m_sharedStrings->items.at(-1 - it->offset);
        return m_sharedStrings->text.mid(item.offset, item.length);
    }
    return m_text.mid(it->offset, it->length);
}

void XlsxSheet::setCellText(int row, int column, const QString &text)
{
    if (row < 1 || row > MaxRow || column < 1 || column > MaxColumn)
        return;
    m_written[row][column] = text;
    m_writtenRange.add(row, column);
    m_modified = true;
}

// ---------------------------------------------------------------------------
// XlsxWorkbook

XlsxWorkbook::XlsxWorkbook() = default;

XlsxWorkbook::~XlsxWorkbook() { close(); }

bool XlsxWorkbook::fail(const QString &message)
{
    close();
    m_error = message;
    return false;
}

bool XlsxWorkbook::open(const QString &path)
{
    close();
    m_path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(path));
    if (file.size() > m_limits.maxFileSize)
        return fail(QStringLiteral("%1 is larger than %2 (the limit of a workbook file)")
                        .arg(path, sizeText(m_limits.maxFileSize)));
    m_fileData = file.read(m_limits.maxFileSize + 1);
    file.close();
    if (m_fileData.size() > m_limits.maxFileSize)
        return fail(QStringLiteral("%1 is larger than %2 (the limit of a workbook file)")
                        .arg(path, sizeText(m_limits.maxFileSize)));

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
    // Two entries of one name: this reader would take the first, other tools
    // take the last, so the file means different things to different readers.
    const QString duplicate = duplicateEntry(zip);
    if (!duplicate.isEmpty())
        return fail(QStringLiteral("%1 is damaged: it holds two entries named %2").arg(path, duplicate));

    // The package relationships name the workbook part.
    QString error;
    bool missing = false;
    m_workbookPart = QStringLiteral("xl/workbook.xml");
    {
        QVector<Relationship> rels;
        if (readRelationships(zip, QStringLiteral("_rels/.rels"), m_limits, &rels, &error, &missing)) {
            for (const Relationship &rel : rels) {
                if (rel.type.endsWith(QLatin1String("/officeDocument")) && !rel.external) {
                    m_workbookPart = resolveTarget(QString(), rel.target);
                    break;
                }
            }
        } else if (!missing) {
            return fail(QStringLiteral("damaged package relationships: %1").arg(error));
        }
    }

    QVector<QPair<QString, QString>> sheetIds; // name, relationship id
    {
        PartReader part(zip, m_workbookPart, m_limits.maxStructurePartSize, StructureLimit, m_limits);
        if (!part.open()) {
            if (part.failure() == PartReader::Missing)
                return fail(QStringLiteral("%1 has no workbook part").arg(path));
            return fail(part.errorString());
        }
        bool sawWorkbook = false;
        QXmlStreamReader::TokenType token;
        while ((token = part.next()) != QXmlStreamReader::Invalid) {
            if (token != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamReader &reader = part.xml();
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
        if (part.failure() != PartReader::NoFailure)
            return fail(QStringLiteral("damaged workbook part: %1").arg(part.errorString()));
        if (!sawWorkbook)
            return fail(QStringLiteral("damaged workbook part: %1 is not a workbook").arg(m_workbookPart));
    }

    m_workbookRelsPart = relationshipsPartOf(m_workbookPart);
    QVector<Relationship> rels;
    if (!readRelationships(zip, m_workbookRelsPart, m_limits, &rels, &error, &missing))
        return fail(QStringLiteral("damaged workbook relationships: %1").arg(error));
    const QString folder = folderOf(m_workbookPart);
    for (const Relationship &rel : rels) {
        if (rel.external)
            continue;
        if (rel.type.endsWith(QLatin1String("/sharedStrings")) && m_sharedStringsPart.isEmpty())
            m_sharedStringsPart = resolveTarget(folder, rel.target);
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

    // A calculation chain that names a part the workbook needs is no calculation
    // chain: a save must not drop that part.
    if (!m_calcChainPart.isEmpty()) {
        QStringList needed = {m_workbookPart, m_sharedStringsPart, QStringLiteral("[Content_Types].xml")};
        for (const SheetEntry &entry : qAsConst(m_sheetEntries))
            needed.append(entry.partName);
        if (needed.contains(m_calcChainPart, Qt::CaseInsensitive)
            || m_calcChainPart.contains(QLatin1String("_rels/"), Qt::CaseInsensitive)) {
            m_calcChainPart.clear();
            m_calcChainRelId.clear();
        }
    }

    if (!m_sharedStringsPart.isEmpty() && !readSharedStrings(m_sharedStringsPart))
        return false;

    // A save rewrites these two whole when it drops the calculation chain:
    // refuse them now rather than after the cells were written.
    if (!m_calcChainPart.isEmpty()) {
        const zip_int64_t index = locateEntry(zip, QStringLiteral("[Content_Types].xml"));
        zip_stat_t st;
        zip_stat_init(&st);
        if (index >= 0 && zip_stat_index(zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
            && st.size > zip_uint64_t(m_limits.maxStructurePartSize))
            return fail(QStringLiteral("[Content_Types].xml unpacks to more than %1 (%2)")
                            .arg(sizeText(m_limits.maxStructurePartSize), StructureLimit));
    }
    m_open = true;
    m_error.clear();
    return true;
}

bool XlsxWorkbook::readSharedStrings(const QString &partName)
{
    PartReader part(static_cast<zip_t *>(m_zip), partName, m_limits.maxPartSize, PartLimit, m_limits);
    if (!part.open()) {
        if (part.failure() != PartReader::Missing)
            return fail(part.errorString());
        // Only an error once a cell refers to it (openpyxl writes no shared strings).
        m_sharedStringsState = SharedStringsState::Missing;
        return true;
    }
    auto table = std::make_shared<XlsxSheet::SharedStrings>();
    // Raw text of an item may carry _xHHHH_ escapes, seven characters for one.
    const qint64 rawLimit = 7ll * m_limits.maxCellText + 7;
    QString item;
    bool inItem = false;
    bool overlong = false;
    int textDepth = 0; // of the <t> being read
    int skipDepth = 0; // of a phonetic run or run properties
    QXmlStreamReader::TokenType token;
    while ((token = part.next()) != QXmlStreamReader::Invalid) {
        const int depth = part.depth();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = part.xml().name();
            if (depth == 2 && name == QLatin1String("si")) {
                inItem = true;
                overlong = false;
                item.clear();
            } else if (inItem && !skipDepth && !textDepth) {
                if (name == QLatin1String("rPh") || name == QLatin1String("rPr")
                    || name == QLatin1String("phoneticPr"))
                    skipDepth = depth;
                else if (name == QLatin1String("t"))
                    textDepth = depth;
            }
        } else if (token == QXmlStreamReader::Characters) {
            if (textDepth && !overlong) {
                if (item.size() + part.xml().text().size() > rawLimit) {
                    overlong = true;
                    item.clear();
                } else {
                    item += part.xml().text();
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == textDepth) {
                textDepth = 0;
            } else if (depth == skipDepth) {
                skipDepth = 0;
            } else if (inItem && depth == 2) {
                inItem = false;
                if (table->items.size() >= m_limits.maxSharedStrings)
                    return fail(QStringLiteral("%1 holds more than %2 strings (the limit of shared strings)")
                                    .arg(partName)
                                    .arg(m_limits.maxSharedStrings));
                const QString text = overlong ? QString() : decodeEscapedCharacters(item);
                if (overlong || text.size() > m_limits.maxCellText) {
                    table->items.append({0, -1});
                    continue;
                }
                if (table->text.size() + text.size() > m_limits.maxSharedStringsText)
                    return fail(
                        QStringLiteral("%1 holds more than %2 characters (the limit of shared strings' text)")
                            .arg(partName)
                            .arg(m_limits.maxSharedStringsText));
                table->items.append({qint32(table->text.size()), qint32(text.size())});
                table->text += text;
            }
        }
    }
    if (part.failure() != PartReader::NoFailure) {
        if (part.failure() == PartReader::BadXml)
            return fail(QStringLiteral("damaged shared strings: %1").arg(part.errorString()));
        return fail(part.errorString());
    }
    table->text.squeeze();
    table->items.squeeze();
    m_sharedStrings = table;
    m_sharedStringsState = SharedStringsState::Loaded;
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
    auto sheet = std::make_shared<XlsxSheet>();
    sheet->m_name = found->name;
    sheet->m_partName = found->partName;
    if (!readSheet(sheet.get()))
        return nullptr;
    m_sheets.insert(found->partName, sheet);
    return sheet.get();
}

bool XlsxWorkbook::readSheet(XlsxSheet *sheet)
{
    PartReader part(
        static_cast<zip_t *>(m_zip), sheet->m_partName, m_limits.maxPartSize, PartLimit, m_limits);
    if (!part.open()) {
        m_error = part.failure() == PartReader::Missing
            ? QStringLiteral("worksheet part %1 is missing").arg(sheet->m_partName)
            : part.errorString();
        return false;
    }
    const QXmlStreamReader &reader = part.xml();
    const qint64 rawLimit = 7ll * m_limits.maxCellText + 7;
    const int cellBudget = m_limits.maxCells - m_cellsUsed;
    const qint64 textBudget = m_limits.maxCellsText - m_cellsTextUsed;
    QVector<XlsxSheet::Cell> cells;
    QString text;
    XlsxSheet::Range range;
    bool ordered = true;
    bool sawSheetData = false;
    bool inSheetData = false;
    bool inRow = false;
    int rowNumber = 0;
    int nextColumn = 1;
    // The cell being read.
    bool inCell = false;
    int column = 0;
    QString type;
    QString value;
    QString inlineText;
    bool hasInline = false;
    bool inInline = false;
    int textDepth = 0;
    int skipDepth = 0;

    const auto reference = [&] { return xlsxColumnName(column) + QString::number(rowNumber); };
    const auto tooLong = [&] {
        return QStringLiteral(
            "cell %1 of sheet %2 holds more than %3 characters (the limit of a cell's text)")
            .arg(reference(), sheet->m_name)
            .arg(m_limits.maxCellText);
    };
    const auto failWith = [&](const QString &message) {
        m_error = message;
        return false;
    };

    QXmlStreamReader::TokenType token;
    while ((token = part.next()) != QXmlStreamReader::Invalid) {
        const int depth = part.depth();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (depth == 1) {
                if (name != QLatin1String("worksheet"))
                    return failWith(QStringLiteral("%1 is not a worksheet").arg(sheet->m_partName));
            } else if (depth == 2) {
                if (name == QLatin1String("sheetData") && !sawSheetData) {
                    sawSheetData = inSheetData = true;
                    sheet->m_prefix = reader.prefix().isEmpty()
                        ? QString()
                        : reader.prefix().toString() + QLatin1Char(':');
                }
            } else if (inSheetData && depth == 3 && name == QLatin1String("row")) {
                int number = rowNumber + 1;
                const QStringView r = reader.attributes().value(QLatin1String("r"));
                if (!r.isNull()) {
                    bool ok = false;
                    number = r.toInt(&ok);
                    if (!ok || number < 1 || number > MaxRow)
                        return failWith(QStringLiteral("bad row number in %1").arg(sheet->m_partName));
                }
                rowNumber = number;
                nextColumn = 1;
                inRow = true;
            } else if (inRow && depth == 4 && name == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                column = nextColumn;
                const QStringView r = attributes.value(QLatin1String("r"));
                int refRow = 0;
                if ((!r.isNull() && !parseReference(r, &refRow, &column)) || column > MaxColumn)
                    return failWith(QStringLiteral("bad cell reference in %1").arg(sheet->m_partName));
                if (rowNumber > m_limits.maxRows)
                    return failWith(QStringLiteral("sheet %1 has cells below row %2 (the limit of rows)")
                                        .arg(sheet->m_name)
                                        .arg(m_limits.maxRows));
                nextColumn = column + 1;
                type = attributes.value(QLatin1String("t")).toString();
                value.clear();
                inlineText.clear();
                hasInline = inInline = false;
                textDepth = skipDepth = 0;
                inCell = true;
            } else if (inCell && !skipDepth && !textDepth) {
                if (depth == 5 && name == QLatin1String("v")) {
                    value.clear(); // the last value counts
                    textDepth = depth;
                } else if (depth == 5 && name == QLatin1String("is")) {
                    inInline = hasInline = true;
                    inlineText.clear();
                } else if (inInline) {
                    if (name == QLatin1String("rPh") || name == QLatin1String("rPr")
                        || name == QLatin1String("phoneticPr"))
                        skipDepth = depth;
                    else if (name == QLatin1String("t"))
                        textDepth = depth;
                } else {
                    skipDepth = depth; // a formula or an extension: not a value
                }
            }
        } else if (token == QXmlStreamReader::Characters) {
            if (inCell && textDepth && !skipDepth) {
                QString &target = inInline ? inlineText : value;
                if (target.size() + reader.text().size() > rawLimit)
                    return failWith(tooLong());
                target += reader.text();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (inCell) {
                if (depth == skipDepth) {
                    skipDepth = 0;
                } else if (depth == textDepth) {
                    textDepth = 0;
                } else if (inInline && depth == 5) {
                    inInline = false;
                } else if (depth == 4) {
                    inCell = false;
                    // The cell's value as text.
                    QString cellText;
                    int shared = -1;
                    if (type == QLatin1String("s")) {
                        const QString index = value.trimmed();
                        if (!index.isEmpty()) {
                            if (m_sharedStringsState != SharedStringsState::Loaded)
                                return failWith(
                                    QStringLiteral("cell %1 of sheet %2 refers to the shared strings, but %3")
                                        .arg(reference(), sheet->m_name,
                                            m_sharedStringsState == SharedStringsState::Missing
                                                ? QStringLiteral("their part %1 is missing")
                                                      .arg(m_sharedStringsPart)
                                                : QStringLiteral("the workbook has none")));
                            bool ok = false;
                            shared = index.toInt(&ok);
                            if (!ok || shared < 0 || shared >= m_sharedStrings->items.size())
                                return failWith(
                                    QStringLiteral("cell %1 of sheet %2 refers to shared string %3 of %4")
                                        .arg(reference(), sheet->m_name, index)
                                        .arg(m_sharedStrings->items.size()));
                            if (m_sharedStrings->items.at(shared).length < 0)
                                return failWith(tooLong());
                        }
                    } else if (type == QLatin1String("inlineStr")) {
                        cellText = hasInline ? decodeEscapedCharacters(inlineText) : value;
                    } else if (type == QLatin1String("str")) {
                        cellText = decodeEscapedCharacters(value);
                    } else if (type == QLatin1String("b")) {
                        const QString v = value.trimmed();
                        cellText = v.isEmpty()
                            ? QString()
                            : (v == QLatin1String("0") ? QStringLiteral("false") : QStringLiteral("true"));
                    } else if (type == QLatin1String("e") || type == QLatin1String("d")) {
                        cellText = value;
                    } else {
                        cellText = value.isEmpty() ? QString() : numberText(value);
                    }
                    if (cellText.size() > m_limits.maxCellText)
                        return failWith(tooLong());
                    if (cells.size() >= cellBudget)
                        return failWith(
                            QStringLiteral("sheet %1 holds more than %2 cells (the limit of cells)")
                                .arg(sheet->m_name)
                                .arg(m_limits.maxCells));
                    if (text.size() + cellText.size() > textBudget)
                        return failWith(
                            QStringLiteral("sheet %1 holds more than %2 characters of cell text (the limit)")
                                .arg(sheet->m_name)
                                .arg(m_limits.maxCellsText));
                    const XlsxSheet::Cell cell {rowNumber, column,
                        shared >= 0 ? -1 - shared : qint32(text.size()),
                        shared >= 0 ? 0 : qint32(cellText.size())};
                    if (!cells.isEmpty() && !XlsxSheet::cellBefore(cells.last(), cell))
                        ordered = false;
                    cells.append(cell);
                    text += cellText;
                    range.add(rowNumber, column);
                }
            } else if (inRow && depth == 3) {
                inRow = false;
            } else if (inSheetData && depth == 2) {
                inSheetData = false;
            }
        }
    }
    if (part.failure() != PartReader::NoFailure) {
        // A value too long for the XML reader is a cell over its limit.
        if (part.failure() == PartReader::TokenTooLong && inCell && textDepth)
            return failWith(tooLong());
        return failWith(part.errorString());
    }
    if (!sawSheetData)
        return failWith(QStringLiteral("%1 has no sheetData").arg(sheet->m_partName));
    if (!ordered) {
        // Rows or cells out of order: sort them; of two cells at one place the last counts.
        std::stable_sort(cells.begin(), cells.end(), XlsxSheet::cellBefore);
        int kept = 0;
        for (int i = 0; i < cells.size(); ++i) {
            if (i + 1 < cells.size() && !XlsxSheet::cellBefore(cells.at(i), cells.at(i + 1)))
                continue;
            cells[kept++] = cells.at(i);
        }
        cells.resize(kept);
    }
    cells.squeeze();
    text.squeeze();
    sheet->m_cells = cells;
    sheet->m_text = text;
    sheet->m_readRange = range;
    sheet->m_sharedStrings = m_sharedStrings;
    m_cellsUsed += cells.size();
    m_cellsTextUsed += text.size();
    return true;
}

bool XlsxWorkbook::writeSheet(const XlsxSheet &sheet, const QString &file, QString *error) const
{
    PartReader part(
        static_cast<zip_t *>(m_zip), sheet.m_partName, m_limits.maxPartSize, PartLimit, m_limits, true);
    if (!part.open()) {
        *error = part.errorString();
        return false;
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    const QXmlStreamReader &reader = part.xml();
    const QString &p = sheet.m_prefix;
    bool ok = true;
    QByteArray buffer;
    const auto flush = [&] {
        if (!buffer.isEmpty() && out.write(buffer) != buffer.size())
            ok = false;
        buffer.clear();
    };
    const auto write = [&](const QString &s) {
        buffer += s.toUtf8();
        if (buffer.size() > OutputChunk)
            flush();
    };
    qint64 copied = 0; // the original text up to here is written or left out
    const auto copyTo = [&](qint64 position) {
        if (position > copied) {
            buffer += part.text(copied, position).toUtf8();
            copied = position;
            if (buffer.size() > OutputChunk)
                flush();
        }
    };
    const auto skipTo = [&](qint64 position) { copied = qMax(copied, position); };

    const auto cellXml = [&](int row, int column, const QString &style, const QString &text) {
        const QString ref = xlsxColumnName(column) + QString::number(row);
        const QString s
            = style.isEmpty() ? QString() : QStringLiteral(" s=\"%1\"").arg(xlsxEscapeAttribute(style));
        if (text.isEmpty())
            return QStringLiteral("<%1c r=\"%2\"%3/>").arg(p, ref, s);
        const bool preserve
            = text.at(0).isSpace() || text.at(text.size() - 1).isSpace() || text.contains(QLatin1Char('\n'));
        return QStringLiteral("<%1c r=\"%2\"%3 t=\"inlineStr\"><%1is><%1t%4>%5</%1t></%1is></%1c>")
            .arg(p, ref, s, preserve ? QStringLiteral(" xml:space=\"preserve\"") : QString(),
                xlsxEscapeText(text));
    };
    // Written cells of one row, from the first up to (not including) column `before`.
    const auto writeCells = [&](int row, QMap<int, QString> *cells, int before) {
        while (!cells->isEmpty() && cells->firstKey() < before) {
            write(cellXml(row, cells->firstKey(), QString(), cells->first()));
            cells->erase(cells->begin());
        }
    };
    // Written rows the original does not have, up to (not including) row `before`.
    QMap<int, QMap<int, QString>> rows = sheet.m_written;
    const auto writeRows = [&](int before) {
        while (!rows.isEmpty() && rows.firstKey() < before) {
            const int row = rows.firstKey();
            QMap<int, QString> cells = rows.take(row);
            write(QStringLiteral("<%1row r=\"%2\">").arg(p).arg(row));
            writeCells(row, &cells, MaxColumn + 1);
            write(QStringLiteral("</%1row>").arg(p));
        }
    };

    XlsxSheet::Range range = sheet.m_readRange;
    range.add(sheet.m_writtenRange);
    QString dimension = QStringLiteral("A1");
    if (range.maxRow) {
        dimension = xlsxColumnName(range.minColumn) + QString::number(range.minRow);
        if (range.minRow != range.maxRow || range.minColumn != range.maxColumn)
            dimension += QLatin1Char(':') + xlsxColumnName(range.maxColumn) + QString::number(range.maxRow);
    }
    dimension = QStringLiteral("<%1dimension ref=\"%2\"/>").arg(p, dimension);

    bool dimensionDone = false;
    int skipDepth = 0; // an element left out (the old dimension, a replaced cell)
    bool inSheetData = false;
    bool sheetDataDone = false;
    bool sheetDataEmpty = false;
    bool inRow = false;
    bool rewriting = false; // the row is written anew around its untouched cells
    bool rowEmpty = false;
    int rowNumber = 0;
    int nextColumn = 1;
    QMap<int, QString> pending; // written cells of the row still to place
    bool misplaced = false;
    const auto tagStart = [&] {
        const qint64 start = part.tagStart();
        if (start < copied)
            misplaced = true;
        return qMax(start, copied);
    };

    QXmlStreamReader::TokenType token;
    while (!misplaced && (token = part.next()) != QXmlStreamReader::Invalid) {
        const int depth = part.depth();
        if (token == QXmlStreamReader::StartElement && !skipDepth) {
            const QStringView name = reader.name();
            if (depth == 2) {
                if (!dimensionDone && name != QLatin1String("sheetPr")) {
                    // The dimension goes after sheetPr, where the schema wants it.
                    copyTo(tagStart());
                    write(dimension);
                    dimensionDone = true;
                }
                if (name == QLatin1String("dimension")) {
                    copyTo(tagStart());
                    skipDepth = depth;
                } else if (name == QLatin1String("sheetData") && !sheetDataDone) {
                    const qint64 start = tagStart();
                    copyTo(start);
                    const QString tag = part.text(start, part.offset()).toString();
                    if (tag.endsWith(QLatin1String("/>"))) {
                        QString open = tag;
                        open.chop(2);
                        write(open.trimmed() + QLatin1Char('>'));
                        skipTo(part.offset());
                        sheetDataEmpty = true;
                    }
                    inSheetData = true;
                }
            } else if (inSheetData && depth == 3 && name == QLatin1String("row")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                const QStringView r = attributes.value(QLatin1String("r"));
                rowNumber = r.isNull() ? rowNumber + 1 : r.toInt();
                nextColumn = 1;
                inRow = true;
                const qint64 start = tagStart();
                copyTo(start);
                writeRows(rowNumber);
                pending = rows.take(rowNumber);
                // A row that comes again after its written cells were placed is
                // rewritten too: its cells at those places must go.
                rewriting = !pending.isEmpty() || r.isNull() || sheet.m_written.contains(rowNumber);
                if (rewriting) {
                    rowEmpty = part.text(start, part.offset()).endsWith(QLatin1String("/>"));
                    // A row without its number is written out with it.
                    QString tag = QStringLiteral("<%1row r=\"%2\"").arg(p).arg(rowNumber);
                    for (const QXmlStreamNamespaceDeclaration &ns : reader.namespaceDeclarations())
                        tag += ns.prefix().isEmpty()
                            ? QStringLiteral(" xmlns=\"%1\"")
                                  .arg(xlsxEscapeAttribute(ns.namespaceUri().toString()))
                            : QStringLiteral(" xmlns:%1=\"%2\"")
                                  .arg(ns.prefix().toString(),
                                      xlsxEscapeAttribute(ns.namespaceUri().toString()));
                    for (const QXmlStreamAttribute &a : attributes) {
                        if (a.qualifiedName() == QLatin1String("r")
                            || a.qualifiedName() == QLatin1String("spans"))
                            continue;
                        tag += QStringLiteral(" %1=\"%2\"")
                                   .arg(a.qualifiedName().toString(),
                                       xlsxEscapeAttribute(a.value().toString()));
                    }
                    write(tag + QLatin1Char('>'));
                    skipTo(part.offset());
                }
            } else if (inRow && rewriting && depth == 4) {
                const qint64 start = tagStart();
                copyTo(start);
                if (name == QLatin1String("c")) {
                    const QXmlStreamAttributes attributes = reader.attributes();
                    const QStringView r = attributes.value(QLatin1String("r"));
                    int column = nextColumn;
                    int refRow = 0;
                    if (!r.isNull())
                        parseReference(r, &refRow, &column);
                    nextColumn = column + 1;
                    writeCells(rowNumber, &pending, column);
                    const auto written = pending.find(column);
                    if (written != pending.end()) {
                        // The new value takes the cell's place and keeps its style.
                        write(cellXml(
                            rowNumber, column, attributes.value(QLatin1String("s")).toString(), *written));
                        pending.erase(written);
                        skipDepth = depth;
                    } else if (sheet.m_written.value(rowNumber).contains(column)) {
                        // Another cell at a place already written (a repeated row or
                        // cell, or one out of column order): the reader keeps the
                        // last one, so it goes and the written value counts.
                        skipDepth = depth;
                    } else if (r.isNull()) {
                        // Give the cell its reference so that written neighbours cannot shift it.
                        const QString qualified = reader.qualifiedName().toString();
                        write(QStringLiteral("<%1 r=\"%2\"")
                                  .arg(qualified, xlsxColumnName(column) + QString::number(rowNumber)));
                        skipTo(start + 1 + qualified.size());
                    }
                } else {
                    writeCells(rowNumber, &pending, MaxColumn + 1); // cells come first in a row
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (skipDepth) {
                if (depth == skipDepth) {
                    skipTo(part.offset());
                    skipDepth = 0;
                }
            } else if (inRow && depth == 3) {
                if (rewriting) {
                    copyTo(rowEmpty ? copied : tagStart());
                    writeCells(rowNumber, &pending, MaxColumn + 1);
                    write(QStringLiteral("</%1row>").arg(p));
                    skipTo(part.offset());
                }
                inRow = rewriting = false;
            } else if (inSheetData && depth == 2) {
                if (sheetDataEmpty) {
                    writeRows(MaxRow + 1);
                    write(QStringLiteral("</%1sheetData>").arg(p));
                } else {
                    copyTo(tagStart());
                    writeRows(MaxRow + 1);
                }
                inSheetData = false;
                sheetDataDone = true;
            }
        }
        if (!skipDepth)
            copyTo(token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement
                    ? part.offset()
                    : part.settledOffset(copied));
        part.discardBefore(copied);
    }
    if (misplaced) {
        *error = QStringLiteral("cannot follow the layout of %1").arg(sheet.m_partName);
        return false;
    }
    if (part.failure() != PartReader::NoFailure) {
        *error = part.errorString();
        return false;
    }
    copyTo(part.textEnd());
    flush();
    out.close();
    if (!ok || out.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    return true;
}

bool XlsxWorkbook::save()
{
    if (!m_open) {
        m_error = QStringLiteral("no workbook is open");
        return false;
    }
    zip_t *zip = static_cast<zip_t *>(m_zip);
    // Edited sheets are streamed into temporary files that the package takes from disk.
    std::vector<std::unique_ptr<QTemporaryFile>> temporaries;
    QMap<QString, QString> replacedByFile;
    for (const auto &sheet : m_sheets) {
        if (!sheet->isModified())
            continue;
        auto temporary = std::make_unique<QTemporaryFile>();
        if (!temporary->open()) {
            m_error = QStringLiteral("cannot create a temporary file");
            return false;
        }
        temporary->close();
        QString error;
        if (!writeSheet(*sheet, temporary->fileName(), &error)) {
            m_error = error;
            return false;
        }
        replacedByFile.insert(sheet->m_partName, temporary->fileName());
        temporaries.push_back(std::move(temporary));
    }
    if (replacedByFile.isEmpty())
        return true;

    // Edited cells would make the calculation chain stale: drop it, with its
    // relationship and its content-type entry.
    QMap<QString, QByteArray> replaced;
    QString dropped;
    if (!m_calcChainPart.isEmpty()) {
        dropped = m_calcChainPart;
        QByteArray data;
        QString error;
        if (readWholePart(zip, m_workbookRelsPart, m_limits.maxStructurePartSize, &data, &error))
            replaced.insert(m_workbookRelsPart,
                removeElements(data, QStringLiteral("Relationship"), QStringLiteral("Id"), m_calcChainRelId,
                    QStringLiteral("/calcChain")));
        else if (locateEntry(zip, m_workbookRelsPart) >= 0) {
            m_error = error;
            return false;
        }
        const QString types = QStringLiteral("[Content_Types].xml");
        if (readWholePart(zip, types, m_limits.maxStructurePartSize, &data, &error))
            replaced.insert(types,
                removeElements(data, QStringLiteral("Override"), QStringLiteral("PartName"),
                    QLatin1Char('/') + m_calcChainPart));
        else if (locateEntry(zip, types) >= 0) {
            m_error = error;
            return false;
        }
    }

    const auto find = [](const auto &map, const QString &name) {
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                return it;
        }
        return map.constEnd();
    };
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
        const auto byFile = find(replacedByFile, entry.name);
        const auto byData = find(replaced, entry.name);
        if (byFile != replacedByFile.constEnd())
            entry.file = byFile.value();
        else if (byData != replaced.constEnd())
            entry.data = byData.value();
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
    m_sharedStrings.reset();
    m_sharedStringsState = SharedStringsState::None;
    m_sharedStringsPart.clear();
    if (m_zip)
        zip_discard(static_cast<zip_t *>(m_zip));
    m_zip = nullptr;
    m_fileData.clear();
    m_calcChainPart.clear();
    m_calcChainRelId.clear();
    m_workbookPart.clear();
    m_workbookRelsPart.clear();
    m_cellsUsed = 0;
    m_cellsTextUsed = 0;
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
