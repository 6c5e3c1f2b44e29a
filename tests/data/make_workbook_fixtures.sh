#!/bin/sh
# Makes the workbook and notebook fixture files of the import tests (needed only to remake
# them, not to build or test):
#   libreoffice_book.xls   LibreOffice (Debian package "libreoffice-calc") from a flat ODF
#                          sheet written here: an empty first sheet, the data on the second
#   notebook_excel.rnb     gsf createole (package "libgsf-bin"): a notebook whose section
#                          "Excel1RNB" holds the Book stream of gnumeric_biff7.xls
#   notebook_data.rnb      gsf createole: sections "Data 1RNB" (no worksheet), "Data 3RNB"
#                          (a data worksheet) and "Excel 5" (an Excel sheet, found later)
#   worksheet_data.mvw     the data worksheet of notebook_data.rnb as a file of its own
# Run from anywhere: the files are written next to this script.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The flat ODF sheet: "Empty" first; "Data" holds a title in row 1, names in row 2, ten
# rows of numbers (row 6 divides by zero in Z, row 8 has a negative weight, row 9 a TRUE
# weight, row 10 a formula), and in column F 900 distinct notes, some with characters
# outside Latin-1, so that the shared-string table runs over several CONTINUE records.
python3 - "$work/book.fods" <<'PY'
import sys
def text(t): return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % t
def num(v): return '<table:table-cell office:value-type="float" office:value="%r"/>' % v
def formula(f, v=None):
    if v is None:
        return '<table:table-cell table:formula="of:%s"/>' % f
    return '<table:table-cell table:formula="of:%s" office:value-type="float" office:value="%r"/>' % (f, v)
def boolean(b): return '<table:table-cell office:value-type="boolean" office:boolean-value="%s"/>' % ("true" if b else "false")
rows = [[text("Trial 4")], [text(n) for n in ("east", "north", "height", "weight")] + ['<table:table-cell/>', text("note")]]
data = [(1.5, 2, 3.25, 1), (4, 5, 6, 2), (7, 8, 9, 0.5), (10, 11, None, 1), (13, 14, 15, 4),
        (16, 17, 18, -2), (19, 20, 21, True), (22, 23, 24, 8), (25, 26, 27, 1), (28, 29, 30, 1)]
for i in range(900):
    cells = []
    if i < len(data):
        x, y, z, w = data[i]
        cells += [num(x), num(y)]
        cells.append(formula("1/0") if z is None else (formula("[.A%d]*2+[.B%d]" % (i + 3, i + 3), x * 2 + y) if i == 9 else num(z)))
        cells.append(boolean(w) if w is True else num(w))
        cells.append('<table:table-cell/>')
    else:
        cells.append('<table:table-cell table:number-columns-repeated="5"/>')
    note = ["Probe %04d", "Ma\u00dfstab %04d \u00fc", "\u03a9mega %04d \u20ac", "Punkt %04d \u2192 n\u00e4chster"][i % 4] % i
    cells.append(text(note))
    rows.append(cells)
body = "".join("<table:table-row>%s</table:table-row>" % "".join(r) for r in rows)
doc = ('<?xml version="1.0" encoding="UTF-8"?>'
       '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
       'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
       'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
       'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.2" '
       'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
       '<office:body><office:spreadsheet>'
       '<table:table table:name="Empty"><table:table-row><table:table-cell/></table:table-row></table:table>'
       '<table:table table:name="Data">' + body + '</table:table>'
       '</office:spreadsheet></office:body></office:document>')
open(sys.argv[1], "w", encoding="utf-8").write(doc)
PY
soffice --headless "-env:UserInstallation=file://$work/profile" --convert-to 'xls:MS Excel 97' \
  --outdir "$work" "$work/book.fods" >/dev/null
cp "$work/book.xls" "$here/libreoffice_book.xls"

# The data worksheet: columns of 6, 5, 6 and 4 cells (the shortest chosen column decides),
# a text cell in row 3 of Y, and the column titles; the file starts with 0x8100 and "RXF"
# at bytes 4-6. See src/exchange/mvw_reader.h for the layout.
python3 - "$work/worksheet.mvw" <<'PY'
import math, struct, sys
def ext(v):
    if v == 0: return bytes(10)
    sign = 0x8000 if v < 0 else 0
    m, e = math.frexp(abs(v))
    return struct.pack("<QH", int(m * 2**64), sign | (e - 1 + 16383))
def cell(v):
    if isinstance(v, str): return v.encode()[:14].ljust(15, b"\0") + b"\x02"
    return ext(v) + bytes(4) + b"\x00\x11"
cols = [[1, 2, 3, 4, 5, 6], [10, 20, "n/a", 40, 50], [0.5, 0.25, 0.125, -1.5, 1e-3, 7], [1, 2, 3, 4]]
titles = ["Easting", "Northing", "Depth", "Weight"]
items = b"".join(struct.pack("<HHIHHI", 0x2080, 0, c, 0x2081, 0, 0) for c in range(len(cols)))
records = b""
for c, t in enumerate(titles):
    r = bytearray(56)
    struct.pack_into("<H", r, 0, 0x2002); struct.pack_into("<H", r, 16, 0x2082)
    r[24:24 + len(t[:15])] = t[:15].encode(); struct.pack_into("<H", r, 40, 0x2083); struct.pack_into("<I", r, 48, c)
    records += bytes(r)
records += bytes(56)
listing = bytes(48) + items + records
out = struct.pack("<H2x", 0x8100) + b"RXF\0" + struct.pack("<HHI", 0x8100, 0, len(listing)) + listing
out += b"RKDataWorksheet\0" + struct.pack("<12xHH", 5, len(cols) - 1)
for c, t in enumerate(titles):
    out += struct.pack("<BcHI8x", 2, b" ", 0, 40) + t.encode().ljust(24, b"\0") + struct.pack("<I4x", c)
for c, values in enumerate(cols):
    data = b"".join(cell(v) for v in values)
    out += struct.pack("<BcHI4xI4xI", 1, b" ", 0, 16 + len(data), c, len(data)) + data
out += bytes(8)
open(sys.argv[1], "wb").write(out)
PY
cp "$work/worksheet.mvw" "$here/worksheet_data.mvw"

mkdir -p "$work/excel/Excel1RNB" "$work/data/Data 1RNB" "$work/data/Data 3RNB" "$work/data/Excel 5"
gsf cat "$here/gnumeric_biff7.xls" Book > "$work/excel/Excel1RNB/Book"
printf 'not a worksheet' > "$work/data/Data 1RNB/Other"
cp "$work/worksheet.mvw" "$work/data/Data 3RNB/RNBContents"
gsf cat "$here/gnumeric_biff7.xls" Book > "$work/data/Excel 5/Book"
(cd "$work/excel" && gsf createole "$here/notebook_excel.rnb" Excel1RNB >/dev/null)
(cd "$work/data" && gsf createole "$here/notebook_data.rnb" "Data 1RNB" "Data 3RNB" "Excel 5" >/dev/null)
