// Readers of plain text data: the program's own XYZ text (optional title lines, then X, Y,
// Z values with "*" marks and "W" weights, whatever the line breaks; import kind 3) and
// multi-column text (blank- or comma-separated columns chosen by the user; kind 4), with
// the column lister and the one-column reader of the column dialog and the two-column read.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/data_titles.h"
#include "app/import_readers.h"

// Reads X, Y, Z text (columns and sheet unused); titles from up to four non-numeric lines
// before the data. Lines that mix letters into numbers are passed over and counted. Values
// are read as far as long double holds them (the program's own data text holds whatever
// the table held: 1e4000, a subnormal 4.19e-322); beyond that range they are missing,
// below it 0.
[[nodiscard]] TReadResult ReadAsciiXYZ(const TReadArgs& args);

// Reads the 1-based columns args.colX, colY, colZ (and colW, -1 none) of each line;
// the names come from the first lines.
[[nodiscard]] TReadResult ReadAsciiMultiColumn(const TReadArgs& args);

// One display string per column ("%3d " and the texts of the column on the first 20 lines),
// the columns numbered as ReadAsciiMultiColumn and ReadAsciiColumn number them; returns the
// number of columns, -1 when the file cannot be opened.
int ListAsciiColumns(const std::string& path, std::vector<std::string>& list);

// The numbers of one 1-based column; empty when the file cannot be opened.
TColumnArray ReadAsciiColumn(const std::string& path, int column);

// The 1-based columns of the lines in which every one of them holds a number, one array per
// column (element 0 the count); empty when the file cannot be opened.
TPairedColumns ReadAsciiColumnPairs(const std::string& path, std::span<const int> columns);
