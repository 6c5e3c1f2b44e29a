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
