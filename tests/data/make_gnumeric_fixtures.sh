#!/bin/sh
# Makes the DIF and Excel fixture files of the import tests with gnumeric's ssconvert
# (Debian package "gnumeric"; needed only to remake them, not to build or test).
# Run from anywhere: the files are written next to this script.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Six rows under a header: the second has an empty Z cell, the third a text Z cell (neither
# is a point), the fourth a weight of 0 and an exponent.
cat > "$work/points.csv" <<'CSV'
x,y,z,w
1,2,3.5,1
4,5,,2
7,8,abc,0.5
-1.5e3,11,12,0
0.25,-3,1e-2,4
100,200,300,0.5
CSV
printf 'x,y\n1,2\n3,4\n5,6\n' > "$work/two.csv"

ssconvert -T Gnumeric_dif:dif "$work/points.csv" "$here/gnumeric_points.dif"
ssconvert -T Gnumeric_dif:dif "$work/two.csv" "$here/gnumeric_two_columns.dif"
ssconvert -T Gnumeric_Excel:excel_biff8 "$work/points.csv" "$here/gnumeric_biff8.xls"
ssconvert -T Gnumeric_Excel:excel_biff7 "$work/points.csv" "$here/gnumeric_biff7.xls"
