#!/bin/sh
# Makes the dBASE fixture file of the import tests with LibreOffice (Debian packages
# "libreoffice-calc" and "libreoffice-base-drivers"; needed only to remake them, not to
# build or test). Run from anywhere: the files are written next to this script.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Five rows under a header: a text column between the numbers, a weight of 0 and a
# negative one, a row of zeros, an exponent and a blank Z cell.
cat > "$work/libreoffice_points.csv" <<'CSV'
x,y,name,z,w
1,2,first,3.5,1
4,5,second,6,0
0,0,zeros,0,2
-1.5,11,fourth,12,-3
2.25,-7,fifth,,4
CSV

soffice --headless "-env:UserInstallation=file://$work/profile" --convert-to dbf:dBase \
  --outdir "$work" "$work/libreoffice_points.csv" >/dev/null
cp "$work/libreoffice_points.dbf" "$here/libreoffice_points.dbf"

# Text files as LibreOffice writes them (UTF-8): a DIF file whose headings hold a degree sign
# and a micro sign and whose second row carries a note of 300 characters with commas, and
# a CSV table of 150 columns (lines of about 1,600 characters) under UTF-8 headings.
{
  printf 'Temp °C,Yield µg,z,Note\n'
  i=1
  while [ $i -le 6 ]; do
    note=short
    if [ $i -eq 2 ]; then note=$(printf 'word, %.0s' $(seq 50)); fi
    printf '%d,%d,%d,"%s"\n' $i $((i * 2)) $((i * i)) "$note"
    i=$((i + 1))
  done
} > "$work/libreoffice_notes.csv"
awk 'BEGIN {
  printf "Temp °C"; for (c = 2; c <= 150; c++) printf ",c%d", c; printf "\n";
  for (r = 1; r <= 8; r++) {
    printf "%d.5", r; for (c = 2; c <= 150; c++) printf ",%d.25", r * 1000 + c; printf "\n";
  }
}' > "$work/wide.csv"
soffice --headless "-env:UserInstallation=file://$work/profile" --infilter="CSV:44,34,76,1" \
  --convert-to dif --outdir "$work" "$work/libreoffice_notes.csv" >/dev/null
cp "$work/libreoffice_notes.dif" "$here/libreoffice_notes.dif"
mkdir "$work/out"
soffice --headless "-env:UserInstallation=file://$work/profile" --infilter="CSV:44,34,76,1" \
  --convert-to "csv:Text - txt - csv (StarCalc):44,34,76" --outdir "$work/out" "$work/wide.csv" >/dev/null
cp "$work/out/wide.csv" "$here/libreoffice_wide.csv"

# A three-column CSV table as LibreOffice writes it: empty cells (",,", a row that ends
# with one, a row that begins with one, an empty row) and an ISO date in the x column.
printf 'x,y,z\n1,2,3\n4,,6\n7,8,9\n10,11,\n,14,15\n16,17,18\n2024-01-04,20,21\n22,23,24\n,,\n25,26,27\n' \
  > "$work/gaps.csv"
soffice --headless "-env:UserInstallation=file://$work/profile" --infilter="CSV:44,34,76,1" \
  --convert-to "csv:Text - txt - csv (StarCalc):44,34,76" --outdir "$work/out" "$work/gaps.csv" >/dev/null
cp "$work/out/gaps.csv" "$here/libreoffice_gaps.csv"
