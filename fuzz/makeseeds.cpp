// Writes the seed corpora of the fuzz harnesses: q4fuzzseeds OUTPUT_FOLDER
//   workbook/  the two parameter templates as the generator writes them, the
//              same stored uncompressed (so that mutations reach the XML), and
//              small workbooks laid out as Excel and openpyxl write them, one
//              with prefixed elements, one without cell references
//   sheet/     the templates' sheet parts and hand-made sheets of every cell
//              kind (some followed by a NUL and their shared strings)
//   decoders/  the registers of every group, in group order, as the simulated
//              device answers them in either word order; plain patterns; and
//              every 32-bit word 0..8 or -1 in either order (units and
//              decimals in range and just out of it)

#include "devicemodel.h"
#include "package.h"
#include "params/registermap.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QByteArray Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const QByteArray MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sheet(const QByteArray &body, const QByteArray &prefix = QByteArray())
{
    const QByteArray xmlns = prefix.isEmpty() ? "xmlns" : "xmlns:" + prefix.left(prefix.size() - 1);
    return Decl + "<" + prefix + "worksheet " + xmlns + "=\"" + MainNs + "\">" + body + "</" + prefix
        + "worksheet>";
}

// Hand-made sheet parts: every cell kind, rows and cells without numbers,
// out-of-order and repeated places, formulas, comments, CDATA, a byte order
// mark and a prefixed namespace. Some carry their shared strings after a NUL.
QVector<QPair<QString, QByteArray>> handMadeSheets()
{
    const QByteArray shared = defaultSharedStrings();
    return {
        {QStringLiteral("kinds.xml"),
            sheet(
                "<sheetPr/><dimension ref=\"A1:B2\"/><sheetData>"
                "<row r=\"1\" spans=\"1:8\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
                "<row r=\"2\"><c r=\"A2\"><v>200</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>Zero &amp; "
                "&lt;range&gt;</t></is></c><c r=\"C2\" s=\"0\"><v>2</v></c><c r=\"D2\"><v>4294967295</v></c>"
                "<c r=\"E2\"><v>1.5</v></c><c r=\"F2\" t=\"b\"><v>1</v></c><c r=\"G2\" "
                "t=\"inlineStr\"><is/></c>"
                "<c r=\"H2\" t=\"str\"><f>A2*2</f><v>400</v></c></row>"
                "<row r=\"3\"><c r=\"A3\"><v>1E3</v></c><c><v>7</v></c><c r=\"G3\" t=\"e\"><v>#N/A</v></c>"
                "<c r=\"H3\" t=\"d\"><v>2024-01-01</v></c></row>"
                "<row r=\"6\" ht=\"20\" customHeight=\"1\"><c r=\"B6\" s=\"0\"/></row>"
                "</sheetData><pageMargins left=\"0.7\"/>")
                + '\0' + shared},
        {QStringLiteral("unnumbered.xml"),
            sheet("<sheetData><row><c><v>1</v></c><c t=\"inlineStr\"><is><r><t>a</t></r><r><rPr/><t "
                  "xml:space=\"preserve\"> b </t></r><rPh><t>x</t></rPh></is></c></row><row/>"
                  "<row><c r=\"C3\"><v>3</v></c><c><v>4</v></c></row></sheetData>")},
        {QStringLiteral("disordered.xml"),
            sheet("<sheetData><row r=\"5\"><c r=\"B5\"><v>5</v></c><c r=\"A5\"><v>4</v></c></row>"
                  "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"A2\"><v>22</v></c></row>"
                  "<row r=\"5\"><c r=\"C5\"><v>55</v></c></row></sheetData>")},
        {QStringLiteral("markup.xml"),
            sheet("<!-- a comment --><?pi data?><sheetData><row r=\"1\"><c r=\"A1\" "
                  "t=\"str\"><v><![CDATA[<x>&]]>"
                  "</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>a_x000D_b&#10;c</t></is></c>"
                  "<c r=\"C1\"><extLst><ext uri=\"u\"><v>9</v></ext></extLst><v>8</v></c></row>"
                  "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"
                  "<extLst><ext uri=\"x\"><c r=\"Z9\"><v>9</v></c></ext></extLst>")},
        {QStringLiteral("byte-order-mark.xml"),
            "\xef\xbb\xbf"
                + sheet("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v> 5 </v></c>"
                        "<c r=\"B1\"><v>-0.25e-3</v></c></row></sheetData>")},
        {QStringLiteral("prefixed.xml"),
            sheet("<x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>4</x:v></x:c><x:c "
                  "r=\"B1\"><x:v>2</x:v>"
                  "</x:c></x:row></x:sheetData>",
                "x:")
                + '\0' + shared},
        {QStringLiteral("inline-strings.xml"),
            sheet("<sheetPr><outlinePr summaryBelow=\"1\"/></sheetPr><dimension ref=\"A1:G2\"/><sheetData>"
                  "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Address</t></is></c><c r=\"G1\" "
                  "t=\"inlineStr\"><is><t>Value</t></is></c></row><row r=\"2\"><c r=\"A2\" t=\"n\"><v>600</v>"
                  "</c><c r=\"G2\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> 3 </t></is></c></row>"
                  "</sheetData>")},
        {QStringLiteral("empty.xml"), sheet("<dimension ref=\"A1\"/><sheetData/>")},
    };
}

QByteArray handMadeSheet(const QString &name)
{
    for (const auto &s : handMadeSheets()) {
        if (s.first == name)
            return s.second.split('\0').first();
    }
    return QByteArray();
}

// Workbook seeds beside the templates, each a variation of the sheet harness's package.
QVector<QPair<QString, QByteArray>> handMadeWorkbooks()
{
    const QByteArray relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QVector<QPair<QString, QByteArray>> out;

    // As Excel writes it, deflated.
    out.append({QStringLiteral("excel-like.xlsx"),
        buildPackage(
            sheetPackageParts(handMadeSheet(QStringLiteral("kinds.xml")), defaultSharedStrings()), true)});

    // As openpyxl writes it: inline strings and no shared-strings part.
    PackageParts openpyxl
        = sheetPackageParts(handMadeSheet(QStringLiteral("inline-strings.xml")), defaultSharedStrings());
    for (int i = openpyxl.size() - 1; i >= 0; --i) {
        if (openpyxl[i].first == QLatin1String("xl/sharedStrings.xml")
            || openpyxl[i].first == QLatin1String("xl/calcChain.xml"))
            openpyxl.removeAt(i);
        else if (openpyxl[i].first == QLatin1String("xl/_rels/workbook.xml.rels"))
            openpyxl[i].second = "<Relationships "
                                 "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                 "<Relationship Id=\"rId1\" Type=\""
                + relNs + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId4\" Type=\""
                + relNs + "/worksheet\" Target=\"worksheets/sheet2.xml\"/></Relationships>";
    }
    out.append({QStringLiteral("openpyxl-like.xlsx"), buildPackage(openpyxl, true)});

    // Every element of the workbook and the sheet with a namespace prefix, stored.
    PackageParts prefixed
        = sheetPackageParts(handMadeSheet(QStringLiteral("prefixed.xml")), defaultSharedStrings());
    for (auto &part : prefixed) {
        if (part.first == QLatin1String("xl/workbook.xml"))
            part.second = "<x:workbook xmlns:x=\"" + MainNs + "\" xmlns:r=\"" + relNs
                + "\"><x:sheets><x:sheet name=\"\xe8\xaf\xbb\xe5\x86\x99\xe7\xb1\xbb\" sheetId=\"1\" "
                  "r:id=\"rId1\"/><x:sheet name=\"Notes\" sheetId=\"2\" "
                  "r:id=\"rId4\"/></x:sheets></x:workbook>";
    }
    out.append({QStringLiteral("prefixed.xlsx"), buildPackage(prefixed)});

    // Cells and rows without references, stored.
    out.append({QStringLiteral("unnumbered.xlsx"),
        buildPackage(
            sheetPackageParts(handMadeSheet(QStringLiteral("unnumbered.xml")), defaultSharedStrings()))});
    return out;
}

// Registers of every group in group order, as the simulated device answers them.
QByteArray deviceBlocks(int order)
{
    DeviceModel model(order);
    for (int i = 0; i < 5; ++i)
        model.step();
    QByteArray out;
    for (int group = 0; group < ParameterGroupCount; ++group) {
        const ParameterGroup g = parameterGroup(group);
        QVector<quint16> values;
        const int result = group == RemoteSwitchGroup ? model.readCoils(g.start, g.count, values)
                                                      : model.readHolding(g.start, g.count, values);
        if (result != 0 || values.size() != g.count)
            values = QVector<quint16>(g.count, 0);
        for (quint16 v : values) {
            out += char(v & 0xFF);
            out += char(v >> 8);
        }
    }
    return out;
}

QByteArray pattern(int registers, quint16 (*value)(int))
{
    QByteArray out;
    for (int i = 0; i < registers; ++i) {
        const quint16 v = value(i);
        out += char(v & 0xFF);
        out += char(v >> 8);
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: q4fuzzseeds OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(app.arguments().at(1));
    for (const char *folder : {"workbook", "sheet", "decoders"}) {
        if (!out.mkpath(QLatin1String(folder))) {
            err << "cannot create " << out.filePath(QLatin1String(folder)) << "\n";
            return 1;
        }
    }
    bool ok = true;
    const auto put = [&](const QString &path, const QByteArray &data) {
        if (data.isEmpty() || !writeFile(out.filePath(path), data)) {
            err << "cannot write " << out.filePath(path) << "\n";
            ok = false;
        }
    };

    QTemporaryDir scratch;
    for (int language : {0, 1}) {
        const QString path = scratch.filePath(templateFileName(language));
        QString error;
        if (!writeParameterTemplate(path, language, &error)) {
            err << "cannot write the template: " << error << "\n";
            return 1;
        }
        const QByteArray package = readFile(path);
        const QString name = QStringLiteral("template-%1").arg(language);
        put(QStringLiteral("workbook/%1.xlsx").arg(name), package);
        const PackageParts parts = unpackPackage(package);
        put(QStringLiteral("workbook/%1-stored.xlsx").arg(name), buildPackage(parts));
        for (const auto &part : parts) {
            if (part.first.startsWith(QLatin1String("xl/worksheets/")))
                put(QStringLiteral("sheet/%1.xml").arg(name), part.second);
        }
    }
    for (const auto &w : handMadeWorkbooks())
        put(QStringLiteral("workbook/") + w.first, w.second);
    for (const auto &s : handMadeSheets())
        put(QStringLiteral("sheet/") + s.first, s.second);

    put(QStringLiteral("decoders/device-ab-cd.bin"), deviceBlocks(0));
    put(QStringLiteral("decoders/device-cd-ab.bin"), deviceBlocks(1));
    put(QStringLiteral("decoders/zeros.bin"), pattern(2, [](int) { return quint16(0); }));
    put(QStringLiteral("decoders/ones.bin"), pattern(64, [](int) { return quint16(0xFFFF); }));
    put(QStringLiteral("decoders/counting.bin"), pattern(256, [](int i) { return quint16(i % 7); }));
    for (int value : {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}) {
        const quint32 v = quint32(value);
        QByteArray abcd, cdab;
        for (int i = 0; i < 160; ++i) {
            const quint16 high = quint16(v >> 16), low = quint16(v & 0xFFFF);
            const quint16 a = i % 2 == 0 ? high : low, b = i % 2 == 0 ? low : high;
            abcd += char(a & 0xFF);
            abcd += char(a >> 8);
            cdab += char(b & 0xFF);
            cdab += char(b >> 8);
        }
        put(QStringLiteral("decoders/words%1-ab-cd.bin").arg(value), abcd);
        put(QStringLiteral("decoders/words%1-cd-ab.bin").arg(value), cdab);
    }
    return ok ? 0 : 1;
}
