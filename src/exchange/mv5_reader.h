// The import routines of the sibling product's DOS worksheets (import kind 14, ".MV5"), on
// the record library of mv5_records.h. Columns are numbered from 1 here and in the column
// dialog (whose entry lookup reads the number in an entry's first four characters), from 0
// in the file. A row of the chosen columns is a point when every chosen cell
// holds a number; a column shorter than the others ends the points, as its slot gives empty
// cells from there on.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"

inline constexpr std::size_t kMv5EntryChars = 23;  // "%4d: " and the title, in 24 bytes

// One entry per column of more than 2 cells, in column order: "%4d: " with the column
// number and its title from the statistics worksheet; at most `capacity`. Returns the
// number listed; -1 when the file cannot be opened, -2 (and the list empty) when fewer
// than two columns qualify.
int ListMv5Columns(const std::string& path, std::vector<std::string>& list, std::size_t capacity = 512);

// Reads args.colX, colY, colZ and colW (1-based; colW below 1: none). The names are the
// columns' titles; W is 1 without a weight column, and a weight that is not above 0
// becomes 1.
[[nodiscard]] TReadResult ReadMv5(const TReadArgs& args);

// The numbers of one column (rows with an empty or text cell passed over), at most 16383;
// empty when the file cannot be read or the column holds fewer than 3 cells.
TColumnArray ReadMv5Column(const std::string& path, int column);

// The 1-based columns of the rows in which every one of them holds a number, one array per
// column (element 0 the count); empty when the file cannot be read.
TPairedColumns ReadMv5ColumnPairs(const std::string& path, std::span<const int> columns);
