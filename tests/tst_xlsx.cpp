// Unit tests of the xlsx layer: reading the cell kinds, the used range, writing
// and saving in place, and damaged input.

#include "support/requiredtool.h"
#include "workbook/xlsxworkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <zip.h>

#include <sys/stat.h>

namespace {

using Parts = QVector<QPair<QString, QByteArray>>;

bool writeZip(const QString &path, const Parts &parts)
{
    QFile::remove(path);
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z)
        return false;
    for (const auto &p : parts) {
        zip_source_t *s = zip_source_buffer(z, p.second.constData(), zip_uint64_t(p.second.size()), 0);
        if (zip_file_add(z, p.first.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0)
            return false;
    }
    return zip_close(z) == 0;
}

QMap<QString, QByteArray> readZip(const QString &path)
{
    QMap<QString, QByteArray> out;
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!z)
        return out;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        QByteArray data(int(st.size), '\0');
        zip_file_t *f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        out.insert(QString::fromUtf8(st.name), data);
    }
    zip_close(z);
    return out;
}

const QByteArray Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const QByteArray MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A workbook as Excel lays it out: two sheets whose part names do not follow
// their order, shared strings (one rich, one with a phonetic run), a
// calculation chain, document properties and a custom part.
Parts excelLikePackage(const QByteArray &paramSheet)
{
    Parts parts;
    parts.append({"[Content_Types].xml",
        Decl
            + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" "
              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/sharedStrings.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/"
              ">"
              "<Override PartName=\"/xl/calcChain.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>"
              "<Override PartName=\"/docProps/app.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
              "</Types>"});
    parts.append({"_rels/.rels",
        Decl
            + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\""
            + RelNs
            + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
              "<Relationship Id=\"rId2\" Type=\""
            + RelNs
            + "/extended-properties\" Target=\"docProps/app.xml\"/>"
              "</Relationships>"});
    parts.append(
        {"docProps/app.xml", Decl + "<Properties><Application>Microsoft Excel</Application></Properties>"});
    parts.append({"xl/workbook.xml",
        Decl + "<workbook xmlns=\"" + MainNs + "\" xmlns:r=\"" + RelNs
            + "\"><sheets>"
              "<sheet name=\"Notes\" sheetId=\"1\" r:id=\"rId7\"/>"
              "<sheet name=\"读写类\" sheetId=\"2\" r:id=\"rId3\"/>"
              "</sheets><calcPr calcId=\"191029\"/></workbook>"});
    parts.append({"xl/_rels/workbook.xml.rels",
        Decl
            + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId3\" Type=\""
            + RelNs
            + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              "<Relationship Id=\"rId7\" Type=\""
            + RelNs
            + "/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
              "<Relationship Id=\"rId8\" Type=\""
            + RelNs
            + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
              "<Relationship Id=\"rId9\" Type=\""
            + RelNs
            + "/calcChain\" Target=\"calcChain.xml\"/>"
              "</Relationships>"});
    parts.append({"xl/sharedStrings.xml",
        Decl + "<sst xmlns=\"" + MainNs
            + "\" count=\"4\" uniqueCount=\"4\">"
              "<si><t>Address</t></si>"
              "<si><r><rPr><b/></rPr><t>Rich</t></r><r><t xml:space=\"preserve\"> text</t></r></si>"
              "<si><t>名称</t><rPh sb=\"0\" eb=\"1\"><t>ミョウ</t></rPh></si>"
              "<si><t>a_x000D_b</t></si>"
              "</sst>"});
    parts.append(
        {"xl/calcChain.xml", Decl + "<calcChain xmlns=\"" + MainNs + "\"><c r=\"H2\" i=\"2\"/></calcChain>"});
    parts.append({"xl/worksheets/sheet2.xml",
        Decl + "<worksheet xmlns=\"" + MainNs
            + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>"
              "</sheetData></worksheet>"});
    parts.append({"xl/worksheets/sheet1.xml", paramSheet});
    parts.append({"customXml/item1.xml", QByteArray("<data>\xef\xbb\xbf kept as it is </data>\r\n")});
    return parts;
}

// The parameter sheet: a dimension that lies, cells of every kind, a cell
// without reference, a formula, styles and row attributes.
const QByteArray ParamSheet = Decl + "<worksheet xmlns=\"" + MainNs + "\" xmlns:r=\"" + RelNs
    + "\" "
      "xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\">"
      "<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><dimension ref=\"A1:B2\"/>"
      "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>"
      "<sheetData>"
      "<row r=\"1\" spans=\"1:8\" x14ac:dyDescent=\"0.25\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" "
      "t=\"s\"><v>1</v></c>"
      "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
      "<row r=\"2\" spans=\"1:8\"><c r=\"A2\"><v>200</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>Zero &amp; "
      "&lt;range&gt;</t></is></c>"
      "<c r=\"C2\" s=\"0\"><v>2</v></c><c r=\"D2\"><v>4294967295</v></c><c r=\"E2\"><v>1.5</v></c>"
      "<c r=\"F2\" t=\"b\"><v>1</v></c><c r=\"G2\" t=\"inlineStr\"><is/></c><c r=\"H2\" "
      "t=\"str\"><f>A2*2</f><v>400</v></c></row>"
      "<row r=\"3\"><c r=\"A3\"><v>1E3</v></c><c><v>7</v></c><c r=\"G3\" t=\"e\"><v>#N/A</v></c></row>"
      "<row r=\"6\" ht=\"20\" customHeight=\"1\"><c r=\"B6\" s=\"0\"/></row>"
      "</sheetData>"
      "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
      "</worksheet>";

// A workbook with the one sheet 读写类 and, when given, shared strings.
Parts smallPackage(const QByteArray &sheetData, const QByteArray &sharedStrings = QByteArray(),
    bool linkSharedStrings = true)
{
    Parts parts = excelLikePackage(
        Decl + "<worksheet xmlns=\"" + MainNs + "\"><sheetData>" + sheetData + "</sheetData></worksheet>");
    for (auto &p : parts) {
        if (p.first == QLatin1String("xl/sharedStrings.xml"))
            p.second = sharedStrings.isNull()
                ? QByteArray()
                : Decl + "<sst xmlns=\"" + MainNs + "\">" + sharedStrings + "</sst>";
        if (p.first == QLatin1String("xl/_rels/workbook.xml.rels") && !linkSharedStrings)
            p.second.replace("/sharedStrings\"", "/customXml\"");
    }
    if (sharedStrings.isNull()) {
        for (int i = parts.size() - 1; i >= 0; --i) {
            if (parts[i].first == QLatin1String("xl/sharedStrings.xml"))
                parts.removeAt(i);
        }
    }
    return parts;
}

QByteArray repeated(const QByteArray &piece, int times)
{
    QByteArray out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Makes the zip's local header and central directory claim that an entry unpacks to `claimed` bytes.
bool lieAboutSize(const QString &path, const QByteArray &name, quint32 claimed)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray data = f.readAll();
    const auto u16 = [&](int at) { return int(uchar(data[at])) | int(uchar(data[at + 1])) << 8; };
    int patched = 0;
    struct Header
    {
        const char *signature;
        int nameAt, sizeAt, nameLengthAt;
    };
    for (const Header h : {Header {"PK\x03\x04", 30, 22, 26}, Header {"PK\x01\x02", 46, 24, 28}}) {
        for (int at = data.indexOf(h.signature); at >= 0; at = data.indexOf(h.signature, at + 4)) {
            if (data.mid(at + h.nameAt, u16(at + h.nameLengthAt)) != name)
                continue;
            for (int i = 0; i < 4; ++i)
                data[at + h.sizeAt + i] = char((claimed >> (8 * i)) & 0xFF);
            ++patched;
        }
    }
    f.seek(0);
    return patched == 2 && f.write(data) == data.size();
}

QString runPython(const QString &script, const QStringList &args = {})
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList {QStringLiteral("-c"), script} + args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed()
        + QString::fromUtf8(p.readAllStandardError()).trimmed();
}

} // namespace

class TestXlsx : public QObject
{
    Q_OBJECT

private slots:
    void columnNames();
    void readsEveryCellKind();
    void usedRangeIgnoresDimension();
    void savesInPlaceKeepingOtherParts();
    void writtenCellsAreOrderedAndEscaped();
    void emptySheetDataAndPrefixedElements();
    void saveIsAtomic();
    void damagedInputFailsCleanly();
    void readsOpenpyxlWorkbook();
    void createdWorkbookOpensInOpenpyxl();
    void refusesFilesOverLimits();
    void refusesPartsThatUnpackBeyondTheirSize();
    void refusesHostileXml();
    void missingSharedStringsAreAnError();
    void savesPrettyPrintedParts();
    void writtenCellWinsOverRepeatedPlaces();
    void textLikeAnEscapeReadsBackAsWritten();
    void saveDropsOnlyTheCalculationChain_data();
    void saveDropsOnlyTheCalculationChain();
    void charactersCutBetweenChunksStayWhole();

private:
    QTemporaryDir dir;
};

void TestXlsx::columnNames()
{
    QCOMPARE(xlsxColumnName(1), QStringLiteral("A"));
    QCOMPARE(xlsxColumnName(26), QStringLiteral("Z"));
    QCOMPARE(xlsxColumnName(27), QStringLiteral("AA"));
    QCOMPARE(xlsxColumnName(702), QStringLiteral("ZZ"));
    QCOMPARE(xlsxColumnName(703), QStringLiteral("AAA"));
    QCOMPARE(xlsxColumnNumber(QStringLiteral("AA")), 27);
    QCOMPARE(xlsxColumnNumber(QStringLiteral("xfd")), 16384);
    QCOMPARE(xlsxColumnNumber(QStringLiteral("XFE")), 0);
    QCOMPARE(xlsxColumnNumber(QStringLiteral("A1")), 0);
}

void TestXlsx::readsEveryCellKind()
{
    const QString path = dir.filePath(QStringLiteral("kinds.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(ParamSheet)));
    XlsxWorkbook wb;
    QVERIFY2(wb.open(path), qPrintable(wb.errorString()));
    QCOMPARE(wb.sheetNames(), (QStringList {QStringLiteral("Notes"), QStringLiteral("读写类")}));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    // Shared strings, rich text runs joined, phonetic runs left out, _xHHHH_ decoded.
    QCOMPARE(s->cellText(1, 1), QStringLiteral("Address"));
    QCOMPARE(s->cellText(1, 2), QStringLiteral("Rich text"));
    QCOMPARE(s->cellText(1, 3), QStringLiteral("名称"));
    QCOMPARE(s->cellText(1, 4), QStringLiteral("a\rb"));
    QCOMPARE(s->cellText(2, 1), QStringLiteral("200"));
    QCOMPARE(s->cellText(2, 2), QStringLiteral("Zero & <range>"));
    QCOMPARE(s->cellText(2, 3), QStringLiteral("2"));
    QCOMPARE(s->cellText(2, 4), QStringLiteral("4294967295"));
    QCOMPARE(s->cellText(2, 5), QStringLiteral("1.5"));
    QCOMPARE(s->cellText(2, 6), QStringLiteral("true"));
    QCOMPARE(s->cellText(2, 7), QString());
    QCOMPARE(s->cellText(2, 8), QStringLiteral("400"));
    QCOMPARE(s->cellText(3, 1), QStringLiteral("1000"));
    QCOMPARE(s->cellText(3, 2), QStringLiteral("7")); // no reference: the next column
    QCOMPARE(s->cellText(3, 7), QStringLiteral("#N/A"));
    QCOMPARE(s->cellText(4, 1), QString());
    QCOMPARE(s->cellText(99, 99), QString());
    // The sheet is found through the relationships, not by its part name.
    XlsxSheet *notes = wb.sheet(QStringLiteral("Notes"));
    QVERIFY(notes);
    QCOMPARE(notes->cellText(1, 1), QStringLiteral("Rich text"));
    QVERIFY(!wb.sheet(QStringLiteral("Sheet1")));
}

void TestXlsx::usedRangeIgnoresDimension()
{
    const QString path = dir.filePath(QStringLiteral("range.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(ParamSheet)));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->rowCount(), 6); // the dimension says 2
    QCOMPARE(s->columnCount(), 8);

    // Without any dimension element.
    QByteArray noDim = ParamSheet;
    noDim.replace("<dimension ref=\"A1:B2\"/>", "");
    QVERIFY(writeZip(path, excelLikePackage(noDim)));
    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->rowCount(), 6);
    // A written row beyond the last one extends the range.
    s->setCellText(9, 7, QStringLiteral("x"));
    QCOMPARE(s->rowCount(), 9);
    QVERIFY(wb.save());
    wb.close();
    const QByteArray xml = readZip(path).value(QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(xml.contains("<dimension ref=\"A1:H9\"/>"));
    // The dimension goes after sheetPr, where the schema wants it.
    QVERIFY(xml.indexOf("</sheetPr><dimension") > 0);
}

void TestXlsx::savesInPlaceKeepingOtherParts()
{
    const QString path = dir.filePath(QStringLiteral("keep.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(ParamSheet)));
    const QMap<QString, QByteArray> before = readZip(path);

    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    s->setCellText(1, 7, QStringLiteral("Export Value"));
    s->setCellText(2, 7, QStringLiteral("4294967295"));
    s->setCellText(3, 3, QStringLiteral("12"));
    QVERIFY2(wb.save(), qPrintable(wb.errorString()));
    wb.close();

    const QMap<QString, QByteArray> after = readZip(path);
    QVERIFY(!after.contains(QStringLiteral("xl/calcChain.xml")));
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        const QString &name = it.key();
        if (name == QLatin1String("xl/calcChain.xml") || name == QLatin1String("xl/worksheets/sheet1.xml")
            || name == QLatin1String("[Content_Types].xml")
            || name == QLatin1String("xl/_rels/workbook.xml.rels"))
            continue;
        QVERIFY2(after.value(name) == it.value(), qPrintable(name));
    }
    const QByteArray types = after.value(QStringLiteral("[Content_Types].xml"));
    QVERIFY(!types.contains("calcChain"));
    QVERIFY(types.contains("/xl/sharedStrings.xml"));
    QCOMPARE(types.size(),
        before.value(QStringLiteral("[Content_Types].xml")).size()
            - QByteArray(
                "<Override PartName=\"/xl/calcChain.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>")
                  .size());
    const QByteArray rels = after.value(QStringLiteral("xl/_rels/workbook.xml.rels"));
    QVERIFY(!rels.contains("calcChain"));
    QVERIFY(rels.contains("rId8"));

    // The sheet keeps what it had around the data, and the untouched rows as they were.
    const QByteArray xml = after.value(QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(xml.contains(
        "<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><dimension ref=\"A1:H6\"/><sheetViews>"));
    QVERIFY(xml.contains("<row r=\"6\" ht=\"20\" customHeight=\"1\"><c r=\"B6\" s=\"0\"/></row>"));
    QVERIFY(xml.contains("<pageMargins left=\"0.7\""));
    QVERIFY(xml.contains("<c r=\"H2\" t=\"str\"><f>A2*2</f><v>400</v></c>"));
    // Row attributes survive a rewrite of the row.
    QVERIFY(xml.contains("<row r=\"1\" x14ac:dyDescent=\"0.25\">"));

    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->cellText(1, 7), QStringLiteral("Export Value"));
    QCOMPARE(s->cellText(2, 7), QStringLiteral("4294967295"));
    QCOMPARE(s->cellText(2, 8), QStringLiteral("400"));
    QCOMPARE(s->cellText(3, 3), QStringLiteral("12"));
    QCOMPARE(s->cellText(3, 2), QStringLiteral("7")); // the reference-less cell got its reference
    QCOMPARE(s->cellText(1, 2), QStringLiteral("Rich text"));
    QCOMPARE(s->cellText(2, 3), QStringLiteral("2"));

    // A save without edits writes nothing.
    const QDateTime stamp = QFileInfo(path).lastModified();
    QTest::qWait(20);
    QVERIFY(wb.save());
    QCOMPARE(QFileInfo(path).lastModified(), stamp);
}

void TestXlsx::writtenCellsAreOrderedAndEscaped()
{
    const QString path = dir.filePath(QStringLiteral("order.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(ParamSheet)));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    const QString tricky = QStringLiteral(" a<b & c>\"d\" ") + QChar(0x01) + QStringLiteral("\n中");
    s->setCellText(5, 27, QStringLiteral("AA"));
    s->setCellText(5, 26, QStringLiteral("Z"));
    s->setCellText(5, 2, tricky);
    s->setCellText(4, 1, QStringLiteral("before five"));
    s->setCellText(2, 1, QString()); // clears the value
    QVERIFY(wb.save());
    wb.close();

    const QByteArray xml = readZip(path).value(QStringLiteral("xl/worksheets/sheet1.xml"));
    const int z = xml.indexOf("r=\"Z5\"");
    const int aa = xml.indexOf("r=\"AA5\"");
    const int b5 = xml.indexOf("r=\"B5\"");
    QVERIFY(b5 > 0 && z > b5 && aa > z);
    QVERIFY(xml.indexOf("<row r=\"4\"") < xml.indexOf("<row r=\"5\""));
    QVERIFY(xml.indexOf("<row r=\"3\"") < xml.indexOf("<row r=\"4\""));
    QVERIFY(xml.contains("xml:space=\"preserve\""));
    QVERIFY(!xml.contains('\x01'));
    QVERIFY(xml.contains("<dimension ref=\"A1:AA6\"/>"));

    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QCOMPARE(s->cellText(5, 2), QString(tricky).remove(QChar(0x01)));
    QCOMPARE(s->cellText(5, 27), QStringLiteral("AA"));
    QCOMPARE(s->cellText(2, 1), QString());
    QCOMPARE(s->cellText(2, 3), QStringLiteral("2"));

    Q4_REQUIRE_TOOL("openpyxl");
    const QString out = runPython(
        QStringLiteral("import sys,openpyxl\n"
                       "ws=openpyxl.load_workbook(sys.argv[1])['读写类']\n"
                       "print(repr(ws['B5'].value), ws['AA5'].value, ws['Z5'].value, ws['A4'].value)"),
        {path});
    QCOMPARE(out, QStringLiteral("' a<b & c>\"d\" \\n中' AA Z before five"));
}

void TestXlsx::emptySheetDataAndPrefixedElements()
{
    // Some generators prefix the main namespace and write an empty sheetData.
    const QByteArray sheet = Decl + "<x:worksheet xmlns:x=\"" + MainNs + "\"><x:sheetData/></x:worksheet>";
    const QString path = dir.filePath(QStringLiteral("prefixed.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(sheet)));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->rowCount(), 0);
    s->setCellText(1, 7, QStringLiteral("导出数据"));
    QVERIFY(wb.save());
    wb.close();
    const QByteArray xml = readZip(path).value(QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(
        xml.contains("<x:dimension ref=\"G1\"/><x:sheetData><x:row r=\"1\"><x:c r=\"G1\" t=\"inlineStr\">"));
    QVERIFY(wb.open(path));
    QCOMPARE(wb.sheet(QStringLiteral("读写类"))->cellText(1, 7), QStringLiteral("导出数据"));
}

void TestXlsx::saveIsAtomic()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("atomic.xlsx"));
    QVERIFY(writeZip(path, excelLikePackage(ParamSheet)));
    QFile::setPermissions(path,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);

    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    wb.sheet(QStringLiteral("读写类"))->setCellText(2, 7, QStringLiteral("5"));
    QVERIFY(wb.save());
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    // A new file took the old one's place (rename), with the old permissions,
    // and no temporary file is left behind.
    QVERIFY(before.st_ino != after.st_ino);
    QCOMPARE(after.st_mode & 0777, before.st_mode & 0777);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList {QStringLiteral("atomic.xlsx")});

    // When the new file cannot be written the old one stays as it was.
    const QByteArray old = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QString moved = folder.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(moved));
    XlsxWorkbook wb2;
    QVERIFY(wb2.open(path));
    wb2.sheet(QStringLiteral("读写类"))->setCellText(2, 7, QStringLiteral("6"));
    QVERIFY(QFile::rename(path, moved + QStringLiteral("/atomic.xlsx")));
    QVERIFY(QDir(folder.path()).rmdir(QStringLiteral("gone")) == false); // not empty
    QVERIFY(QDir().rename(folder.path(), folder.path() + QStringLiteral("-moved")));
    QVERIFY(!wb2.save()); // its folder is gone
    QVERIFY(!wb2.errorString().isEmpty());
    QVERIFY(QDir().rename(folder.path() + QStringLiteral("-moved"), folder.path()));
    QFile f(moved + QStringLiteral("/atomic.xlsx"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
}

void TestXlsx::damagedInputFailsCleanly()
{
    XlsxWorkbook wb;
    QVERIFY(!wb.open(dir.filePath(QStringLiteral("missing.xlsx"))));
    QVERIFY(!wb.errorString().isEmpty());
    QVERIFY(!wb.isOpen());
    QVERIFY(!wb.sheet(QStringLiteral("读写类")));
    QVERIFY(!wb.save());

    // A legacy .xls (compound document) and plain junk.
    const QString xls = dir.filePath(QStringLiteral("legacy.xls"));
    {
        QFile f(xls);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(4096, '\0'));
    }
    QVERIFY(!wb.open(xls));
    const QString junk = dir.filePath(QStringLiteral("junk.xlsx"));
    {
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("PK\x03\x04 this is not really a zip");
    }
    QVERIFY(!wb.open(junk));

    // A truncated package.
    const QString good = dir.filePath(QStringLiteral("good.xlsx"));
    QVERIFY(writeZip(good, excelLikePackage(ParamSheet)));
    QFile g(good);
    QVERIFY(g.open(QIODevice::ReadOnly));
    const QByteArray bytes = g.readAll();
    const QString cut = dir.filePath(QStringLiteral("cut.xlsx"));
    {
        QFile f(cut);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(bytes.size() / 2));
    }
    QVERIFY(!wb.open(cut));

    // Broken XML in the workbook part, in the relationships, in the sheet.
    Parts parts = excelLikePackage(ParamSheet);
    parts[3].second = "<workbook><sheets><sheet name=\"x\"";
    const QString badWorkbook = dir.filePath(QStringLiteral("badworkbook.xlsx"));
    QVERIFY(writeZip(badWorkbook, parts));
    QVERIFY(!wb.open(badWorkbook));

    parts = excelLikePackage(ParamSheet);
    parts.removeAt(4); // no workbook relationships
    const QString noRels = dir.filePath(QStringLiteral("norels.xlsx"));
    QVERIFY(writeZip(noRels, parts));
    QVERIFY(!wb.open(noRels));

    const QString badSheet = dir.filePath(QStringLiteral("badsheet.xlsx"));
    QVERIFY(writeZip(badSheet, excelLikePackage(ParamSheet.left(ParamSheet.size() - 200))));
    QVERIFY(wb.open(badSheet));
    QVERIFY(!wb.sheet(QStringLiteral("读写类")));
    QVERIFY(!wb.errorString().isEmpty());
    QVERIFY(wb.sheet(QStringLiteral("Notes"))); // the other sheet still reads

    QByteArray badRef = ParamSheet;
    badRef.replace("r=\"A2\"", "r=\"2A\"");
    QVERIFY(writeZip(badSheet, excelLikePackage(badRef)));
    QVERIFY(wb.open(badSheet));
    QVERIFY(!wb.sheet(QStringLiteral("读写类")));
}

void TestXlsx::readsOpenpyxlWorkbook()
{
    Q4_REQUIRE_TOOL("openpyxl");
    const QString path = dir.filePath(QStringLiteral("openpyxl.xlsx"));
    const QString out
        = runPython(QStringLiteral("import sys,openpyxl\n"
                                   "wb=openpyxl.Workbook(); ws=wb.active; ws.title='读写类'\n"
                                   "ws.append(['Address','Name','Count','Max','Min',None,'Value'])\n"
                                   "ws.append([200,'名 称',2,999999,0,None,'1234'])\n"
                                   "ws.append([202,'x',1,65535,0,None,65535])\n"
                                   "ws.append([204,' lead',1,1,0,None,1.25])\n"
                                   "ws['AB7']='far'\n"
                                   "wb.save(sys.argv[1])"),
            {path});
    QVERIFY2(out.isEmpty(), qPrintable(out));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->rowCount(), 7);
    QCOMPARE(s->cellText(2, 2), QStringLiteral("名 称"));
    QCOMPARE(s->cellText(2, 7), QStringLiteral("1234"));
    QCOMPARE(s->cellText(3, 7), QStringLiteral("65535"));
    QCOMPARE(s->cellText(4, 2), QStringLiteral(" lead"));
    QCOMPARE(s->cellText(4, 7), QStringLiteral("1.25"));
    QCOMPARE(s->cellText(7, 28), QStringLiteral("far"));
}

void TestXlsx::createdWorkbookOpensInOpenpyxl()
{
    const QString path = dir.filePath(QStringLiteral("created.xlsx"));
    QVector<QVector<QVariant>> rows = {
        {QStringLiteral("Address"), QStringLiteral("名称"), QStringLiteral("Count")},
        {QVariant(qint64(200)), QStringLiteral("A & B"), QVariant(qint64(2)), QVariant(qint64(4294966297))},
    };
    QString error;
    QVERIFY2(XlsxWorkbook::create(path, QStringLiteral("读写类"), rows, {10, 20}, &error), qPrintable(error));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    QCOMPARE(wb.sheet(QStringLiteral("读写类"))->cellText(2, 4), QStringLiteral("4294966297"));
    Q4_REQUIRE_TOOL("openpyxl");
    const QString out = runPython(
        QStringLiteral("import sys,openpyxl\n"
                       "ws=openpyxl.load_workbook(sys.argv[1])['读写类']\n"
                       "print(ws.max_row, ws['B1'].value, ws['A2'].value, ws['B2'].value, ws['D2'].value)"),
        {path});
    QCOMPARE(out, QStringLiteral("2 名称 200 A & B 4294966297"));
}

namespace {

// Empty when the parameter sheet of the package reads under the limits, else the error text.
QString readError(const QString &path, const Parts &parts, const XlsxLimits &limits = XlsxLimits())
{
    if (!writeZip(path, parts))
        return QStringLiteral("cannot write the test file");
    XlsxWorkbook wb;
    wb.setLimits(limits);
    if (!wb.open(path))
        return QStringLiteral("open: ") + wb.errorString();
    if (!wb.sheet(QStringLiteral("读写类")))
        return QStringLiteral("sheet: ") + wb.errorString();
    return QString();
}

QByteArray inlineCell(const char *ref, const QByteArray &text)
{
    return QByteArray("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

} // namespace

void TestXlsx::refusesFilesOverLimits()
{
    const QString path = dir.filePath(QStringLiteral("limits.xlsx"));
    const QByteArray fourRows
        = "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>"
          "<row r=\"2\"><c r=\"A2\"><v>3</v></c></row><row r=\"3\"><c r=\"A3\"><v>4</v></c></row>"
          "<row r=\"4\">"
        + inlineCell("G4", "four") + "</row>";
    QCOMPARE(readError(path, smallPackage(fourRows)), QString());
    XlsxLimits limits;

    // Rows: the real limit, and a lowered one.
    QCOMPARE(readError(path, smallPackage("<row r=\"100000\"><c r=\"A100000\"/></row>")), QString());
    QString error = readError(path, smallPackage("<row r=\"100001\"><c r=\"A100001\"/></row>"));
    QVERIFY2(error.startsWith(QLatin1String("sheet: ")) && error.contains(QLatin1String("row 100000")),
        qPrintable(error));
    limits.maxRows = 3;
    error = readError(path, smallPackage(fourRows), limits);
    QVERIFY2(error.contains(QLatin1String("row 3 (the limit of rows)")), qPrintable(error));
    limits = XlsxLimits();

    // Cell text: 1024 characters pass, 1025 do not - inline, as a number, or as a
    // shared string a cell refers to; an unused long shared string is no matter.
    QCOMPARE(
        readError(path, smallPackage("<row r=\"2\">" + inlineCell("G2", QByteArray(1024, 'x')) + "</row>")),
        QString());
    for (const QByteArray &row : {"<row r=\"2\">" + inlineCell("G2", QByteArray(1025, 'x')) + "</row>",
             "<row r=\"2\"><c r=\"G2\"><v>" + QByteArray(1025, '1') + "</v></c></row>",
             // Far beyond what the XML reader is let to hold in one piece.
             "<row r=\"2\">" + inlineCell("G2", QByteArray(3 * 1024 * 1024, 'x')) + "</row>",
             QByteArray("<row r=\"2\"><c r=\"G2\" t=\"s\"><v>1</v></c></row>")}) {
        error = readError(
            path, smallPackage(row, "<si><t>short</t></si><si><t>" + QByteArray(1025, 'y') + "</t></si>"));
        QVERIFY2(error.contains(QStringLiteral("cell G2 of sheet 读写类 holds more than 1024 characters")),
            qPrintable(error));
    }
    QCOMPARE(readError(path,
                 smallPackage("<row r=\"2\"><c r=\"G2\" t=\"s\"><v>0</v></c></row>",
                     "<si><t>short</t></si><si><t>" + QByteArray(5000, 'y') + "</t></si>")),
        QString());

    // Cells and their text, over every sheet read.
    limits.maxCells = 4;
    error = readError(path, smallPackage(fourRows), limits);
    QVERIFY2(error.contains(QLatin1String("more than 4 cells")), qPrintable(error));
    limits = XlsxLimits();
    limits.maxCellsText = 6;
    error = readError(path, smallPackage(fourRows), limits);
    QVERIFY2(error.contains(QLatin1String("more than 6 characters of cell text")), qPrintable(error));
    limits = XlsxLimits();

    // Shared strings: items and text.
    const QByteArray strings = "<si><t>one</t></si><si><t>two</t></si><si><t>three</t></si>";
    QCOMPARE(readError(path, smallPackage(fourRows, strings)), QString());
    limits.maxSharedStrings = 2;
    error = readError(path, smallPackage(fourRows, strings), limits);
    QVERIFY2(
        error.startsWith(QLatin1String("open: ")) && error.contains(QLatin1String("more than 2 strings")),
        qPrintable(error));
    limits = XlsxLimits();
    limits.maxSharedStringsText = 10;
    error = readError(path, smallPackage(fourRows, strings), limits);
    QVERIFY2(error.contains(QLatin1String("more than 10 characters")), qPrintable(error));
    limits = XlsxLimits();

    // Sizes: the file, a worksheet part, a structure part.
    limits.maxFileSize = 1024;
    error = readError(path, smallPackage(fourRows), limits);
    QVERIFY2(
        error.contains(QLatin1String("larger than 1 KB (the limit of a workbook file)")), qPrintable(error));
    limits = XlsxLimits();
    limits.maxPartSize = 512;
    error = readError(path, smallPackage(fourRows + repeated("<row/>", 100)), limits);
    QVERIFY2(error.contains(QLatin1String("xl/worksheets/sheet1.xml unpacks to more than 512 bytes")),
        qPrintable(error));
    limits = XlsxLimits();
    limits.maxStructurePartSize = 200;
    error = readError(path, smallPackage(fourRows), limits);
    QVERIFY2(
        error.startsWith(QLatin1String("open: ")) && error.contains(QLatin1String("more than 200 bytes")),
        qPrintable(error));
}

void TestXlsx::refusesPartsThatUnpackBeyondTheirSize()
{
    // The zip claims the parts are small; only the bytes actually inflated tell.
    const QString path = dir.filePath(QStringLiteral("lying.xlsx"));
    XlsxLimits limits;
    limits.maxPartSize = 4096;
    const QByteArray rows = "<row r=\"1\">" + inlineCell("A1", "a") + "</row>" + repeated("<row/>", 2000);
    QVERIFY(writeZip(path, smallPackage(rows)));
    QVERIFY(lieAboutSize(path, "xl/worksheets/sheet1.xml", 100));
    XlsxWorkbook wb;
    wb.setLimits(limits);
    QVERIFY(wb.open(path));
    QVERIFY(!wb.sheet(QStringLiteral("读写类")));
    QVERIFY2(
        wb.errorString().contains(QLatin1String("unpacks to more than 4 KB")), qPrintable(wb.errorString()));

    QVERIFY(writeZip(path, smallPackage(rows, repeated("<si><t>x</t></si>", 1000))));
    QVERIFY(lieAboutSize(path, "xl/sharedStrings.xml", 100));
    QVERIFY(!wb.open(path));
    QVERIFY2(wb.errorString().contains(QLatin1String("xl/sharedStrings.xml unpacks to more than 4 KB")),
        qPrintable(wb.errorString()));
}

void TestXlsx::refusesHostileXml()
{
    const QString path = dir.filePath(QStringLiteral("hostile.xlsx"));
    // Nesting beyond 128 levels inside a cell.
    QString error = readError(path,
        smallPackage("<row r=\"1\"><c r=\"A1\"><v>1</v>" + repeated("<x>", 200) + repeated("</x>", 200)
            + "</c></row>"));
    QVERIFY2(error.contains(QLatin1String("deeper than 128 levels")), qPrintable(error));
    // A document type declaration (the way to entity expansion).
    Parts parts = smallPackage("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    for (auto &p : parts) {
        if (p.first == QLatin1String("xl/worksheets/sheet1.xml"))
            p.second.replace("<worksheet", "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\">]><worksheet");
    }
    error = readError(path, parts);
    QVERIFY2(error.contains(QLatin1String("document type declaration")), qPrintable(error));
    // One endless comment: a token the reader would otherwise hold whole.
    XlsxLimits limits;
    limits.maxTokenLength = 300;
    error = readError(path, smallPackage("<!--" + QByteArray(400, 'c') + "-->"), limits);
    QVERIFY2(error.contains(QLatin1String("longer than 300 characters")), qPrintable(error));
    QCOMPARE(readError(path, smallPackage("<!--" + QByteArray(250, 'c') + "-->"), limits), QString());
}

void TestXlsx::missingSharedStringsAreAnError()
{
    // Cells that refer to shared strings the workbook cannot give must not read
    // as empty cells: an import would then report success and write nothing.
    const QString path = dir.filePath(QStringLiteral("nostrings.xlsx"));
    const QByteArray row
        = "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"G2\" t=\"s\"><v>1</v></c></row>";
    QString error = readError(path, smallPackage(row)); // the relationship names a missing part
    QVERIFY2(error.startsWith(QLatin1String("sheet: ")) && error.contains(QLatin1String("A2"))
            && error.contains(QLatin1String("xl/sharedStrings.xml is missing")),
        qPrintable(error));
    error = readError(path, smallPackage(row, QByteArray(), false)); // no relationship at all
    QVERIFY2(error.contains(QLatin1String("the workbook has none")), qPrintable(error));
    error = readError(path, smallPackage(row, "<si><t>200</t></si>")); // index 1 of a table of 1
    QVERIFY2(error.contains(QLatin1String("refers to shared string 1 of 1")), qPrintable(error));
    QCOMPARE(readError(path, smallPackage(row, "<si><t>200</t></si><si><t>7</t></si>")), QString());
    // Without references, no shared strings are needed (openpyxl writes none).
    QCOMPARE(readError(path, smallPackage("<row r=\"2\"><c r=\"A2\"><v>200</v></c></row>")), QString());
}

void TestXlsx::savesPrettyPrintedParts()
{
    // Indented XML: the text between the elements must not throw the rewrite off.
    Parts parts = excelLikePackage(Decl + "<worksheet xmlns=\"" + MainNs
        + "\">\n  <dimension ref=\"A1\"/>\n  <sheetData>\n"
          "    <row r=\"1\">\n      <c r=\"A1\" t=\"s\">\n        <v>0</v>\n      </c>\n    </row>\n"
          "    <row r=\"2\">\n      <c r=\"A2\"><v>200</v></c>\n      <c r=\"G2\" s=\"0\"><v>5</v></c>\n"
          "      <c r=\"H2\"><f>A2*2</f><v>400</v></c>\n    </row>\n"
          "    <row r=\"4\">\n      <c><v>7</v></c>\n    </row>\n"
          "  </sheetData>\n  <pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
          "header=\"0.3\" footer=\"0.3\"/>\n</worksheet>\n");
    for (auto &p : parts) {
        if (p.first.endsWith(QLatin1String(".rels")) || p.first == QLatin1String("[Content_Types].xml"))
            p.second.replace("><", ">\n  <");
    }
    const QString path = dir.filePath(QStringLiteral("pretty.xlsx"));
    QVERIFY(writeZip(path, parts));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->cellText(4, 1), QStringLiteral("7"));
    s->setCellText(1, 7, QStringLiteral("Export Value"));
    s->setCellText(2, 7, QStringLiteral("4294967295"));
    s->setCellText(3, 7, QStringLiteral("new row"));
    s->setCellText(4, 2, QStringLiteral("beside"));
    QVERIFY2(wb.save(), qPrintable(wb.errorString()));
    wb.close();

    const QMap<QString, QByteArray> after = readZip(path);
    for (const QString &name : {QStringLiteral("xl/worksheets/sheet1.xml"),
             QStringLiteral("xl/_rels/workbook.xml.rels"), QStringLiteral("[Content_Types].xml")}) {
        QXmlStreamReader reader(after.value(name));
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(name + QLatin1String(": ") + reader.errorString()));
    }
    QVERIFY(!after.value(QStringLiteral("xl/_rels/workbook.xml.rels")).contains("calcChain"));
    QVERIFY(after.value(QStringLiteral("xl/_rels/workbook.xml.rels")).contains("rId8"));
    QVERIFY(!after.value(QStringLiteral("[Content_Types].xml")).contains("calcChain"));
    const QByteArray xml = after.value(QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(xml.contains("<c r=\"G2\" s=\"0\" t=\"inlineStr\">")); // the style stays
    QVERIFY(xml.contains("<c r=\"H2\"><f>A2*2</f><v>400</v></c>"));
    QVERIFY(xml.contains("<dimension ref=\"A1:H4\"/>"));

    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->cellText(1, 1), QStringLiteral("Address"));
    QCOMPARE(s->cellText(1, 7), QStringLiteral("Export Value"));
    QCOMPARE(s->cellText(2, 7), QStringLiteral("4294967295"));
    QCOMPARE(s->cellText(2, 8), QStringLiteral("400"));
    QCOMPARE(s->cellText(3, 7), QStringLiteral("new row"));
    QCOMPARE(s->cellText(4, 1), QStringLiteral("7"));
    QCOMPARE(s->cellText(4, 2), QStringLiteral("beside"));
    Q4_REQUIRE_TOOL("openpyxl");
    const QString out = runPython(
        QStringLiteral(
            "import sys,openpyxl\n"
            "ws=openpyxl.load_workbook(sys.argv[1])['读写类']\n"
            "print(ws['G1'].value, ws['G2'].value, ws['G3'].value, ws['A4'].value, ws['B4'].value)"),
        {path});
    QCOMPARE(out, QStringLiteral("Export Value 4294967295 new row 7 beside"));
}

void TestXlsx::writtenCellWinsOverRepeatedPlaces()
{
    // Found by fuzzing: the reader keeps the last of two cells at one place (a
    // repeated row or cell, or a cell out of column order), so a written value
    // must replace every one of them, or the save loses it without a word.
    const QByteArray sheetData
        = "<row r=\"5\"><c r=\"B5\"><v>5</v></c><c r=\"A5\"><v>4</v></c></row>"
          "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"A2\"><v>22</v></c></row>"
          "<row r=\"5\"><c r=\"C5\"><v>55</v></c><c r=\"D5\"><v>56</v></c></row>"
          "<row r=\"7\"><c r=\"C7\"><v>73</v></c><c r=\"A7\" s=\"1\"><v>71</v></c></row>";
    const QString path = dir.filePath(QStringLiteral("repeated.xlsx"));
    QVERIFY(writeZip(path, smallPackage(sheetData)));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->cellText(2, 1), QStringLiteral("22"));
    QCOMPARE(s->cellText(5, 3), QStringLiteral("55"));
    QCOMPARE(s->cellText(7, 1), QStringLiteral("71"));
    s->setCellText(2, 1, QStringLiteral("two"));
    s->setCellText(5, 3, QString());
    s->setCellText(7, 1, QStringLiteral("seven"));
    QVERIFY(wb.save());
    wb.close();

    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    QCOMPARE(s->cellText(2, 1), QStringLiteral("two"));
    QCOMPARE(s->cellText(5, 3), QString());
    QCOMPARE(s->cellText(7, 1), QStringLiteral("seven"));
    // The cells around them stay.
    QCOMPARE(s->cellText(5, 1), QStringLiteral("4"));
    QCOMPARE(s->cellText(5, 2), QStringLiteral("5"));
    QCOMPARE(s->cellText(5, 4), QStringLiteral("56"));
    QCOMPARE(s->cellText(7, 3), QStringLiteral("73"));
    QCOMPARE(s->rowCount(), 7);
    QCOMPARE(s->columnCount(), 4);
}

void TestXlsx::textLikeAnEscapeReadsBackAsWritten()
{
    // Found by fuzzing: the reader decodes _xHHHH_ into one character (as Excel
    // writes characters XML cannot carry), so text that looks like such an
    // escape must be written with its underscore escaped (_x005F_), or it reads
    // back as something else.
    const QStringList texts = {QStringLiteral("a_x000D_b"), QStringLiteral("_x0041_"),
        QStringLiteral("__x005F_x0042__"), QStringLiteral("_x00_x0041_"), QStringLiteral("_x12_ and _xGHIJ_"),
        QStringLiteral("_x004a_"), QStringLiteral("_\x01x0043_")};
    const QString path = dir.filePath(QStringLiteral("escape-like.xlsx"));
    QVector<QVector<QVariant>> rows;
    for (const QString &t : texts)
        rows.append({t});
    QVERIFY(XlsxWorkbook::create(path, QStringLiteral("读写类"), rows));
    XlsxWorkbook wb;
    QVERIFY(wb.open(path));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    // A character XML cannot hold is dropped, and what is left reads as it was.
    const auto kept = [](const QString &t) { return QString(t).remove(QChar(0x01)); };
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(s->cellText(i + 1, 1), kept(texts.at(i)));
        s->setCellText(i + 1, 2, texts.at(i));
    }
    QVERIFY(wb.save());
    wb.close();
    QVERIFY(wb.open(path));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY(s);
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(s->cellText(i + 1, 2), kept(texts.at(i)));
    // Only the underscores that begin an escape are escaped.
    const QByteArray xml = readZip(path).value(QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(xml.contains(">a_x005F_x000D_b<"));
    QVERIFY(xml.contains(">_x12_ and _xGHIJ_<"));
}

void TestXlsx::saveDropsOnlyTheCalculationChain_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    // The calculation chain's relationship shares its id with another one, or
    // names a part the workbook reads.
    QTest::newRow("id of the shared strings") << QByteArray("Id=\"rId9\"") << QByteArray("Id=\"rId8\"");
    QTest::newRow("id of the sheet") << QByteArray("Id=\"rId9\"") << QByteArray("Id=\"rId3\"");
    QTest::newRow("target a sheet") << QByteArray("Target=\"calcChain.xml\"")
                                    << QByteArray("Target=\"worksheets/sheet1.xml\"");
    QTest::newRow("target the shared strings")
        << QByteArray("Target=\"calcChain.xml\"") << QByteArray("Target=\"sharedStrings.xml\"");
}

void TestXlsx::saveDropsOnlyTheCalculationChain()
{
    // Found by fuzzing: dropping the calculation chain on save also dropped
    // whatever shared its relationship id or its part, the edited sheet or the
    // shared strings among them, while the save reported success.
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    Parts parts = excelLikePackage(ParamSheet);
    for (auto &p : parts) {
        if (p.first == QLatin1String("xl/_rels/workbook.xml.rels")) {
            const int at = p.second.indexOf("/calcChain\"");
            const int start = p.second.lastIndexOf("<Relationship ", at);
            const int end = p.second.indexOf("/>", at);
            QVERIFY(start >= 0 && end > at);
            p.second.replace(start, end - start, p.second.mid(start, end - start).replace(from, to));
        }
    }
    const QString path = dir.filePath(QStringLiteral("calcchain-shares.xlsx"));
    QVERIFY(writeZip(path, parts));
    XlsxWorkbook wb;
    QVERIFY2(wb.open(path), qPrintable(wb.errorString()));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY2(s, qPrintable(wb.errorString()));
    QCOMPARE(s->cellText(1, 1), QStringLiteral("Address"));
    s->setCellText(2, 7, QStringLiteral("written"));
    QVERIFY2(wb.save(), qPrintable(wb.errorString()));
    wb.close();

    QVERIFY2(wb.open(path), qPrintable(wb.errorString()));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY2(s, qPrintable(wb.errorString()));
    QCOMPARE(s->cellText(2, 7), QStringLiteral("written"));
    QCOMPARE(s->cellText(1, 1), QStringLiteral("Address"));
    QCOMPARE(s->cellText(1, 2), QStringLiteral("Rich text"));
    XlsxSheet *notes = wb.sheet(QStringLiteral("Notes"));
    QVERIFY2(notes, qPrintable(wb.errorString()));
    QCOMPARE(notes->cellText(1, 1), QStringLiteral("Rich text"));
}

void TestXlsx::charactersCutBetweenChunksStayWhole()
{
    // The parts are unpacked and decoded in 64 KiB chunks: characters of two,
    // three and four bytes cut by a chunk's end must read, and be copied through
    // a save, whole (no replacement characters).
    const QString cycle = QStringLiteral("a\u00e9\u4e2d") + QString::fromUcs4(U"\U0001F600");
    QStringList texts;
    QByteArray sheetData;
    for (int row = 1; row <= 400; ++row) {
        // A different lead-in per row moves the characters across the chunk ends.
        const QString text = QString(row % 10, QLatin1Char('x')) + cycle.repeated(100);
        texts << text;
        sheetData += "<row r=\"" + QByteArray::number(row) + "\"><c r=\"A" + QByteArray::number(row)
            + "\" t=\"inlineStr\"><is><t>" + text.toUtf8() + "</t></is></c></row>";
    }
    QVERIFY(sheetData.size() > 4 * 64 * 1024);
    const QString path = dir.filePath(QStringLiteral("chunks.xlsx"));
    QVERIFY(writeZip(path, smallPackage(sheetData)));
    XlsxWorkbook wb;
    QVERIFY2(wb.open(path), qPrintable(wb.errorString()));
    XlsxSheet *s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY2(s, qPrintable(wb.errorString()));
    for (int row = 1; row <= texts.size(); ++row)
        QCOMPARE(s->cellText(row, 1), texts.at(row - 1));
    s->setCellText(1, 2, QStringLiteral("written"));
    QVERIFY2(wb.save(), qPrintable(wb.errorString()));
    wb.close();

    QVERIFY2(wb.open(path), qPrintable(wb.errorString()));
    s = wb.sheet(QStringLiteral("读写类"));
    QVERIFY2(s, qPrintable(wb.errorString()));
    QCOMPARE(s->cellText(1, 2), QStringLiteral("written"));
    for (int row = 1; row <= texts.size(); ++row)
        QCOMPARE(s->cellText(row, 1), texts.at(row - 1));
    QVERIFY(!readZip(path).value(QStringLiteral("xl/worksheets/sheet1.xml")).contains("\xef\xbf\xbd"));
}

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
