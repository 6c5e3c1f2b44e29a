// What the column dialogs know of a file without showing anything: the columns of a file of
// each import kind as the dialog lists them, the column and sheet a listed entry names, and
// the preview table of three chosen columns. The dialogs themselves are in exchange/ui.
//
// Entries name their column in one of five forms, by kind:
//   kinds 2-5        a decimal number in the first three characters ("  4 depth")
//   6, 8, 10, 11,    column letters in the first two characters ("C :", "AB:"): "A" is 0,
//   13, 17-19        "AA" 26
//   7, 9, 12, 20,    the sheet letter, "!" and the column letters ("B!C :"): sheet 1,
//   22               column 2
//   14, 15, 21       a decimal number in the first four characters ("  12: depth")
//   23, 24           the decimal number at the start
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/import_readers.h"
#include "app/xyz_point.h"

struct TColumnRef {
  int column = -1;  // -1: the entry names no column
  int sheet = 0;
};
TColumnRef ParseColumnEntry(int kind, std::string_view entry);

// The entries the column dialog lists for a file of the kind (the kind's registered
// lister); empty when the file offers none. Two-column text (kind 2) is listed only when
// the dialog is asked to (listXY, the two-column read).
std::vector<std::string> ListImportColumns(const std::string& path, int kind, bool listXY);

// The preview of three chosen columns of one sheet: the rows in which all three hold a
// number, paired by row as the kind's whole-file reader pairs them (the kind's
// ReadColumnPairs), as active points of weight 1 sorted by x. Empty when the file cannot be
// read or fewer than 4 such rows remain.
PointTable BuildPreviewTable(const std::string& path, int kind, const TImportColumns& columns);

