// What every whole-file reader of the import kinds does the same way: the digital filter,
// the clearing and growth of the XYZ data table, the header count and weights flag at the
// end, column arrays and text lines read in pieces of a fixed size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/import_readers.h"
#include "app/xyz_point.h"

// Whether point c (1-based, in file order) of a file is kept by the digital filter (n,
// start): c >= start and n divides c + 1 - start. n below 1 keeps every point from start.
bool KeepFilteredPoint(int c, int n, int start);

// The reader's side of the table: made at the start of a read, it clears the records the
// driver asked to clear (all used records when `cleared`, then every record from the first
// row to the capacity); Finish adds the points stored to the header count.
class TTableFiller {
 public:
  TTableFiller(int firstRow, int cleared);
  // Grows the table when `row` lies beyond the capacity less 2; false when it cannot, and
  // the read ends there.
  bool Room(int row);
  // Record `row` (valid after Room(row) answered true); the table may move when it grows,
  // so take the reference anew after every Room.
  TXYZPoint& Record(int row);
  // Stores a point with status " " (or '*').
  void Store(int row, long double x, long double y, long double z, long double w,
             char status = kPointActive);
  // Header count += stored; the header weights flag becomes 1 when setWeights.
  void Finish(int stored, bool setWeights);
};

// Column arrays: element 0 the count. Append stops quietly at kMaxColumnValues values.
inline constexpr int kMaxColumnValues = 16383;
TColumnArray NewColumnArray();
void AppendColumnValue(TColumnArray& column, long double value);

// Reads a line of a text stream in pieces of at most maxChars characters, as a fixed
// buffer does: a longer line gives several pieces, each taken as a line. The line feed is
// not kept. False at the end of the stream (or on a read error) when nothing was read.
bool ReadLinePiece(std::FILE* file, std::string& line, int maxChars);
