// Readers of the Data Interchange Format (import kinds 16-19): the whole-file reader, the
// column lister and the one-column reader. A DIF file is a header of items (TABLE, VECTORS,
// TUPLES, ...) ended by DATA, then pairs of lines: a type indicator and a number ("0,1.5",
// "-1,0", "1,0"), then a value line ("V", "BOT", "EOD", or a quoted string).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/data_titles.h"
#include "app/import_readers.h"

// Reads the 0-based columns args.colX, colY, colZ (and colW, -1 none) of every tuple; the
// names come from string cells of those columns. Malformed when the file has no DATA item
// or ends before its EOD item.
[[nodiscard]] TReadResult ReadDif(const TReadArgs& args);

// One display string per column holding a cell ("%-2s:" with its letters, then the texts
// of its string cells); returns the number listed, -1 when the file cannot be opened, has
// no DATA item or a VECTORS count of 0.
int ListDifColumns(const std::string& path, std::vector<std::string>& list);

// The numbers of one 0-based column in file order; empty when the file cannot be read.
TColumnArray ReadDifColumn(const std::string& path, int column);

// The 0-based columns of the tuples in which every one of them holds a number, one array
// per column (element 0 the count); empty when the file cannot be read or ends before EOD.
TPairedColumns ReadDifColumnPairs(const std::string& path, std::span<const int> columns);

// The letters of a 0-based column: "A" .. "Z", then "AA", "AB", ... (first letter '@' +
// column / 26, second 'A' + column mod 26).
std::string ColumnLetters(int column);
