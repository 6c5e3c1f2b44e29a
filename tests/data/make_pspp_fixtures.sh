#!/bin/sh
# Makes the statistics-package fixture files of the .sav reader tests with GNU PSPP
# (Debian package "pspp"; needed only to remake them, not to build or test).
# Run from anywhere: the files are written next to this script.
#
#   pspp_compressed.sav     the cases in bytecode-compressed form
#   pspp_uncompressed.sav   the same data, /UNCOMPRESSED
#   pspp_zcompressed.sav    the same data, /ZCOMPRESSED (zlib)
#   pspp_windows1252.sav    three variables, the texts in Windows-1252 instead of UTF-8
#   pspp_own_layout.sav     the five variables of the program's own files, weighted by
#                           WEIGHT: the third case inactive, the fourth with a
#                           system-missing Y, the fifth inactive with a weight of 0
#
# The data: seven numeric variables and two strings, a short (A6) and a long one (A300),
# weighted by w. z has the discrete missing value 999, code the range 2 THRU 3; x of the
# last case is system-missing; w of the seventh case is negative.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > fixtures.sps <<'SPS'
DATA LIST LIST /x y z w code (F8.3) name (A6) remark (A300).
BEGIN DATA
1 2 3.5 1 1 alpha "a long remark"
4 5 999 2 2 beta "b"
7 8 9 0.5 3 gamma "c"
-1500 11 12 4 4 delta "d"
0.25 -3 0.01 1 5 eps "e"
100 200 300 0.5 6 zeta "f"
2.5 3.5 4.5 -2 7 eta "g"
. 1 1 1 8 theta "h"
END DATA.
VARIABLE LABELS x 'Länge X' y 'Breite' z 'Höhe über Null'.
MISSING VALUES z (999).
MISSING VALUES code (2 THRU 3).
FILE LABEL 'Messreihe Nr. 7 – Gelände'.
WEIGHT BY w.
SAVE OUTFILE='pspp_compressed.sav'.
SAVE OUTFILE='pspp_uncompressed.sav' /UNCOMPRESSED.
SAVE OUTFILE='pspp_zcompressed.sav' /ZCOMPRESSED.
SPS

cat > windows1252.sps <<'SPS'
SET LOCALE='windows-1252'.
DATA LIST LIST /x y z (F8.3).
BEGIN DATA
1 2 3
4 5 6
END DATA.
VARIABLE LABELS x 'Länge X' z 'Höhe in €'.
FILE LABEL 'Gelände € 2'.
SAVE OUTFILE='pspp_windows1252.sav'.
SPS

cat > own_layout.sps <<'SPS'
DATA LIST LIST /XVAR YVAR ZVAR ACTIVE WEIGHT (F8.3).
BEGIN DATA
1 2 3 1 1
4 5 6 1 2.5
7 8 9 0 0.5
10 . 12 1 1
13 14 15 0 0
END DATA.
VARIABLE LABELS XVAR 'Länge' YVAR 'Breite' ZVAR 'Höhe' ACTIVE 'State' WEIGHT 'Weights'.
FILE LABEL 'Eigene Daten   '.
WEIGHT BY WEIGHT.
SAVE OUTFILE='pspp_own_layout.sav'.
SPS

LC_ALL=C.UTF-8 pspp fixtures.sps > /dev/null
LC_ALL=C.UTF-8 pspp own_layout.sps > /dev/null
LC_ALL=C.UTF-8 pspp windows1252.sps > /dev/null
cp pspp_compressed.sav pspp_uncompressed.sav pspp_zcompressed.sav pspp_windows1252.sav pspp_own_layout.sav "$here"
