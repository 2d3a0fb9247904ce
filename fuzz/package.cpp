#include "package.h"

#include <zip.h>

#include <cstdio>

namespace {

const QByteArray Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const QByteArray MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray PackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const QByteArray OfficeTypes = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

} // namespace

QByteArray buildPackage(const PackageParts &parts, bool deflate)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) {
        zip_error_fini(&error);
        return QByteArray();
    }
    zip_source_keep(buffer); // read back after zip_close
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!zip) {
        zip_source_free(buffer);
        zip_source_free(buffer);
        return QByteArray();
    }
    bool ok = true;
    for (const auto &part : parts) {
        zip_source_t *source
            = zip_source_buffer(zip, part.second.constData(), zip_uint64_t(part.second.size()), 0);
        const zip_int64_t index
            = source ? zip_file_add(zip, part.first.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            ok = false;
            break;
        }
        zip_set_file_compression(zip, zip_uint64_t(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (!ok || zip_close(zip) != 0) {
        zip_discard(zip);
        zip_source_free(buffer);
        return QByteArray();
    }
    QByteArray out;
    if (zip_source_open(buffer) == 0) {
        zip_source_seek(buffer, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(buffer);
        zip_source_seek(buffer, 0, SEEK_SET);
        if (size > 0) {
            out.resize(int(size));
            if (zip_source_read(buffer, out.data(), zip_uint64_t(size)) != size)
                out.clear();
        }
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    return out;
}

PackageParts unpackPackage(const QByteArray &package, qint64 limit)
{
    PackageParts parts;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source
        = zip_source_buffer_create(package.constData(), zip_uint64_t(package.size()), 0, &error);
    zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (!zip) {
        if (source)
            zip_source_free(source);
        return parts;
    }
    qint64 total = 0;
    bool ok = true;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        const char *name = zip_get_name(zip, zip_uint64_t(i), 0);
        zip_file_t *file = name ? zip_fopen_index(zip, zip_uint64_t(i), 0) : nullptr;
        if (!file) {
            ok = false;
            break;
        }
        QByteArray data;
        char chunk[16384];
        zip_int64_t n;
        while ((n = zip_fread(file, chunk, sizeof chunk)) > 0) {
            total += n;
            if (total > limit) {
                ok = false;
                break;
            }
            data.append(chunk, int(n));
        }
        if (n < 0)
            ok = false;
        zip_fclose(file);
        parts.append({QString::fromUtf8(name), data});
    }
    zip_discard(zip);
    return ok ? parts : PackageParts();
}

QByteArray defaultSharedStrings()
{
    return Decl + "<sst xmlns=\"" + MainNs
        + "\" count=\"6\" uniqueCount=\"6\">"
          "<si><t>Address</t></si>"
          "<si><r><rPr><b/></rPr><t>Rich</t></r><r><t xml:space=\"preserve\"> text</t></r></si>"
          "<si><t>\xe5\x90\x8d\xe7\xa7\xb0</t><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si>"
          "<si><t>a_x000D_b</t></si>"
          "<si><t>a shared string of forty characters ....</t></si>"
          "<si><t/></si>"
          "</sst>";
}

PackageParts sheetPackageParts(const QByteArray &sheetXml, const QByteArray &sharedStringsXml)
{
    PackageParts parts;
    parts.append({QStringLiteral("[Content_Types].xml"),
        Decl
            + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" "
              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" ContentType=\""
            + OfficeTypes
            + "sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\""
            + OfficeTypes
            + "worksheet+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\""
            + OfficeTypes
            + "worksheet+xml\"/>"
              "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\""
            + OfficeTypes
            + "sharedStrings+xml\"/>"
              "<Override PartName=\"/xl/calcChain.xml\" ContentType=\""
            + OfficeTypes + "calcChain+xml\"/></Types>"});
    parts.append({QStringLiteral("_rels/.rels"),
        Decl + "<Relationships xmlns=\"" + PackageRelNs + "\"><Relationship Id=\"rId1\" Type=\"" + RelNs
            + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    parts.append({QStringLiteral("xl/workbook.xml"),
        Decl + "<workbook xmlns=\"" + MainNs + "\" xmlns:r=\"" + RelNs
            + "\"><sheets><sheet name=\"\xe8\xaf\xbb\xe5\x86\x99\xe7\xb1\xbb\" sheetId=\"1\" r:id=\"rId1\"/>"
              "<sheet name=\"Notes\" sheetId=\"2\" r:id=\"rId4\"/></sheets></workbook>"});
    parts.append({QStringLiteral("xl/_rels/workbook.xml.rels"),
        Decl + "<Relationships xmlns=\"" + PackageRelNs + "\">" + "<Relationship Id=\"rId1\" Type=\"" + RelNs
            + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              "<Relationship Id=\"rId2\" Type=\""
            + RelNs
            + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
              "<Relationship Id=\"rId3\" Type=\""
            + RelNs
            + "/calcChain\" Target=\"calcChain.xml\"/>"
              "<Relationship Id=\"rId4\" Type=\""
            + RelNs + "/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/></Relationships>"});
    parts.append({QStringLiteral("xl/sharedStrings.xml"), sharedStringsXml});
    parts.append({QStringLiteral("xl/calcChain.xml"),
        Decl + "<calcChain xmlns=\"" + MainNs + "\"><c r=\"A1\" i=\"1\"/></calcChain>"});
    parts.append({QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml});
    parts.append({QStringLiteral("xl/worksheets/sheet2.xml"),
        Decl + "<worksheet xmlns=\"" + MainNs
            + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>42</v></c></row>"
              "<row r=\"3\"><c r=\"C3\" "
              "t=\"inlineStr\"><is><t>notes</t></is></c></row></sheetData></worksheet>"});
    parts.append({QStringLiteral("customXml/item1.xml"), QByteArray("<data> kept as it is </data>\r\n")});
    return parts;
}
