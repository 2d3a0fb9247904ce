#!/usr/bin/python3
"""Writes the workbooks bench_xlsx opens: hostile ones that must be refused in
bounded memory and time, a large one at the limits that must still be read,
and an ordinary parameter workbook for reference.

    /usr/bin/python3 bench/make_hostile_workbooks.py OUTDIR [--quick]
    build/bench/bench_xlsx OUTDIR

A "-lying" file carries the same part as its namesake, but the zip's directory
and local header claim it unpacks to 1000 bytes, so only counting the bytes
actually inflated can stop it. --quick leaves out the two slowest files.
"""

import os
import random
import struct
import sys
import zipfile

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
SHEET = "读写类"


def content_types(shared, calc_chain=False):
    parts = [
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">',
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>',
        '<Default Extension="xml" ContentType="application/xml"/>',
        '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-'
        'officedocument.spreadsheetml.sheet.main+xml"/>',
        '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-'
        'officedocument.spreadsheetml.worksheet+xml"/>',
    ]
    if shared:
        parts.append('<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-'
                     'officedocument.spreadsheetml.sharedStrings+xml"/>')
    if calc_chain:
        parts.append('<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-'
                     'officedocument.spreadsheetml.calcChain+xml"/>')
    parts.append("</Types>")
    return DECL + "".join(parts)


def workbook_rels(shared, calc_chain=False):
    rels = ['<Relationships xmlns="%s">' % PKG_REL_NS,
            '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>' % REL_NS]
    if shared:
        rels.append('<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>' % REL_NS)
    if calc_chain:
        rels.append('<Relationship Id="rId3" Type="%s/calcChain" Target="calcChain.xml"/>' % REL_NS)
    rels.append("</Relationships>")
    return DECL + "".join(rels)


def package(path, sheet_chunks, shared_chunks=None, calc_chain=False):
    """Writes a workbook whose sheet (and shared strings) come from iterables of text."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        z.writestr("[Content_Types].xml", content_types(shared_chunks is not None, calc_chain))
        z.writestr("_rels/.rels", DECL + '<Relationships xmlns="%s"><Relationship Id="rId1" '
                   'Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % (PKG_REL_NS, REL_NS))
        z.writestr("xl/workbook.xml", DECL + '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="%s" '
                   'sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN_NS, REL_NS, SHEET))
        z.writestr("xl/_rels/workbook.xml.rels", workbook_rels(shared_chunks is not None, calc_chain))
        if calc_chain:
            z.writestr("xl/calcChain.xml", DECL + '<calcChain xmlns="%s"><c r="H2" i="1"/></calcChain>' % MAIN_NS)
        for name, chunks in (("xl/worksheets/sheet1.xml", sheet_chunks), ("xl/sharedStrings.xml", shared_chunks)):
            if chunks is None:
                continue
            with z.open(name, "w", force_zip64=True) as f:
                for chunk in chunks:
                    f.write(chunk.encode("utf-8"))


def lie_about_size(path, name, claimed=1000):
    """Patches the uncompressed size of one entry in its local header and the
    central directory (zip64 extra fields included)."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        patched = 0
        for sig, name_at, size_at, extra_len_at, name_len_at in ((b"PK\x03\x04", 30, 22, 28, 26),
                                                                 (b"PK\x01\x02", 46, 24, 30, 28)):
            pos = 0
            while True:
                pos = data.find(sig, pos)
                if pos < 0:
                    break
                name_len = struct.unpack_from("<H", data, pos + name_len_at)[0]
                extra_len = struct.unpack_from("<H", data, pos + extra_len_at)[0]
                if bytes(data[pos + name_at:pos + name_at + name_len]) == name.encode():
                    if struct.unpack_from("<I", data, pos + size_at)[0] == 0xFFFFFFFF:
                        # The real size lives in the zip64 extra field (uncompressed size first).
                        extra = pos + name_at + name_len
                        end = extra + extra_len
                        while extra + 4 <= end:
                            tag, size = struct.unpack_from("<HH", data, extra)
                            if tag == 1:
                                struct.pack_into("<Q", data, extra + 4, claimed)
                                break
                            extra += 4 + size
                    else:
                        struct.pack_into("<I", data, pos + size_at, claimed)
                    patched += 1
                pos += 4
        if patched < 2:
            raise SystemExit("cannot patch %s in %s" % (name, path))
        f.seek(0)
        f.write(data)


def sheet_head():
    return DECL + '<worksheet xmlns="%s" xmlns:r="%s"><dimension ref="A1"/><sheetData>' % (MAIN_NS, REL_NS)


SHEET_TAIL = '</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" ' \
             'footer="0.3"/></worksheet>'


def header_row():
    return ('<row r="1"><c r="A1" t="inlineStr"><is><t>Address</t></is></c><c r="B1" t="inlineStr"><is>'
            '<t>Parameter</t></is></c><c r="C1" t="inlineStr"><is><t>Count</t></is></c><c r="D1" '
            't="inlineStr"><is><t>Maximum</t></is></c><c r="E1" t="inlineStr"><is><t>Minimum</t></is></c>'
            '<c r="G1" t="inlineStr"><is><t>Value</t></is></c></row>')


def one_huge_cell(megabytes):
    yield sheet_head() + header_row()
    yield '<row r="2"><c r="A2"><v>200</v></c><c r="G2" t="inlineStr"><is><t>'
    block = "x" * (1 << 20)
    for _ in range(megabytes):
        yield block
    yield "</t></is></c></row>" + SHEET_TAIL


def parameter_rows(rows, rng, shared_names=False, first=2, names=True):
    """Rows as Excel lays out the parameter sheet: address, name, count, limits, value."""
    batch = []
    for r in range(first, rows + 1):
        address = (2 * r) % 10106
        count = rng.choice((1, 2))
        maximum = rng.choice((1, 255, 9999, 65535, 999999, 4294967295))
        value = rng.randrange(0, min(maximum, 65535) + 1)
        name = ('<c r="B%d" t="s"><v>%d</v></c>' % (r, r - 2)) if shared_names else \
            ('<c r="B%d" t="inlineStr"><is><t>Parameter %d</t></is></c>' % (r, address)) if names else ""
        batch.append('<row r="%d" spans="1:7"><c r="A%d"><v>%d</v></c>%s<c r="C%d"><v>%d</v></c>'
                     '<c r="D%d"><v>%d</v></c><c r="E%d"><v>0</v></c><c r="G%d"><v>%d</v></c></row>'
                     % (r, r, address, name, r, count, r, maximum, r, r, value))
        if len(batch) == 10000:
            yield "".join(batch)
            batch = []
    yield "".join(batch)


def sheet_of(rows_iter):
    yield sheet_head() + header_row()
    yield from rows_iter
    yield SHEET_TAIL


def tiny_rows(rows):
    yield sheet_head()
    batch = []
    for r in range(1, rows + 1):
        batch.append('<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (r, r, r))
        if len(batch) == 10000:
            yield "".join(batch)
            batch = []
    yield "".join(batch) + SHEET_TAIL


def strings(count, rng, length=8, prefix=""):
    yield DECL + '<sst xmlns="%s" count="%d" uniqueCount="%d">' % (MAIN_NS, count, count)
    letters = "abcdefghijklmnopqrstuvwxyz"
    batch = []
    for i in range(count):
        text = prefix + "".join(rng.choice(letters) for _ in range(length)) if length else prefix + str(i)
        batch.append("<si><t>%s</t></si>" % text)
        if len(batch) == 10000:
            yield "".join(batch)
            batch = []
    yield "".join(batch) + "</sst>"


def empty_rows(megabytes):
    yield sheet_head() + header_row()
    block = "<row/>" * ((1 << 20) // 6)
    for _ in range(megabytes):
        yield block
    yield SHEET_TAIL


def shared_strings_sheet():
    yield sheet_head()
    yield '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>'
    yield SHEET_TAIL


def limits_legal(rng):
    """100 000 rows of ten columns: five inline strings of 30 characters, five
    references into a table of 1 000 000 shared strings - every cell kept."""
    yield sheet_head()
    letters = "abcdefghijklmnopqrstuvwxyz"
    batch = []
    for r in range(1, 100001):
        cells = []
        for c in "ABCDE":
            cells.append('<c r="%s%d" t="inlineStr"><is><t>%s</t></is></c>'
                         % (c, r, "".join(rng.choice(letters) for _ in range(30))))
        for c in "FGHIJ":
            cells.append('<c r="%s%d" t="s"><v>%d</v></c>' % (c, r, rng.randrange(1000000)))
        batch.append('<row r="%d">%s</row>' % (r, "".join(cells)))
        if len(batch) == 5000:
            yield "".join(batch)
            batch = []
    yield "".join(batch) + SHEET_TAIL


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    quick = "--quick" in sys.argv
    os.makedirs(out, exist_ok=True)
    rng = random.Random(4)

    def made(name):
        path = os.path.join(out, name)
        print("%-28s %8.1f MB" % (name, os.path.getsize(path) / 1e6), flush=True)

    # The reference: an ordinary parameter workbook as Excel saves it.
    names = ["Parameter %d" % i for i in range(240)]
    package(os.path.join(out, "template-241.xlsx"), sheet_of(parameter_rows(241, rng, shared_names=True)),
            [DECL + '<sst xmlns="%s">' % MAIN_NS + "".join("<si><t>%s</t></si>" % n for n in names) + "</sst>"],
            calc_chain=True)
    made("template-241.xlsx")

    # One 250 MB cell in a small file.
    package(os.path.join(out, "cell-250mb.xlsx"), one_huge_cell(250))
    made("cell-250mb.xlsx")
    package(os.path.join(out, "cell-250mb-lying.xlsx"), one_huge_cell(250))
    lie_about_size(os.path.join(out, "cell-250mb-lying.xlsx"), "xl/worksheets/sheet1.xml")
    made("cell-250mb-lying.xlsx")

    # A million parameter rows without names (about 20 MB), and a million one-cell rows whose part stays under the part limit.
    package(os.path.join(out, "rows-1m.xlsx"), sheet_of(parameter_rows(1000000, rng, names=False)))
    made("rows-1m.xlsx")
    package(os.path.join(out, "rows-1m-small.xlsx"), tiny_rows(1000000))
    made("rows-1m-small.xlsx")

    # The largest parameter sheet that is read: 100 000 rows.
    package(os.path.join(out, "rows-100k.xlsx"), sheet_of(parameter_rows(100000, rng, shared_names=True)),
            strings(99999, rng, length=0, prefix="Parameter "))
    made("rows-100k.xlsx")

    # Shared-strings bombs: ten million tiny strings, honest and lying.
    package(os.path.join(out, "sst-bomb.xlsx"), shared_strings_sheet(), strings(10000000, rng, length=0))
    made("sst-bomb.xlsx")
    package(os.path.join(out, "sst-bomb-lying.xlsx"), shared_strings_sheet(), strings(10000000, rng, length=0))
    lie_about_size(os.path.join(out, "sst-bomb-lying.xlsx"), "xl/sharedStrings.xml")
    made("sst-bomb-lying.xlsx")

    # A part that unpacks to 1 GB of small elements, honest and lying.
    if not quick:
        package(os.path.join(out, "huge-part.xlsx"), empty_rows(1024))
        made("huge-part.xlsx")
        package(os.path.join(out, "huge-part-lying.xlsx"), empty_rows(1024))
        lie_about_size(os.path.join(out, "huge-part-lying.xlsx"), "xl/worksheets/sheet1.xml")
        made("huge-part-lying.xlsx")

        # Every limit nearly reached by a file that is still read.
        package(os.path.join(out, "limits-legal.xlsx"), limits_legal(rng), strings(1000000, rng))
        made("limits-legal.xlsx")


if __name__ == "__main__":
    main()
