// Reader of the sibling plotting product's Windows worksheet files (import kind 15, ".MVW"),
// also used for the data worksheet section of its notebooks (kind 21), whose bytes are read
// from memory. Columns are numbered from 1 in the column dialog and from 0 in the file.
//
// The file is a sequence of tagged blocks, little-endian. It starts either with an 8-byte
// header whose first u16 is 0x8100, or with 24 bytes after which the block walk begins.
//
//   block            byte 0 kind, byte 1 marker ' ', u32 body length at 4; the block is
//                    the 8-byte head and its body
//   data worksheet   the name "RKDataWorksheet" and one byte, then 16 bytes: the row and
//   item             column extents minus one (u16 at 12 and 14); its blocks follow. The
//                    first item of that name in files that start with 0x8100, else the
//                    second.
//   column data      kind 1: column index u32 at 12, data length u32 at 20, then
//                    data length / 16 cells from byte 24: an 80-bit value, byte 14 = 0 and
//                    byte 15 = 17 in a numeric cell (any other cell is missing)
//   column title     kind 2: the title at 16 (up to byte 40, NUL-terminated), the column
//                    index u32 at 40
//   column list      after the block tagged 0x8100 (u16 at its start) and 56 bytes from
//                    it: 16-byte items (u16 tag, column u32 at 4, u16 at 8, u32 length of
//                    what follows the item at 12). Tag 0x2080 with 0x2081 at 8 declares a
//                    column; tag 0x2002 ends the items and opens the title records of 56
//                    bytes (u16 0x2002 at 0, 0x2082 at 16, 0x2083 at 40, column u32 at 48,
//                    text at 24 up to byte 40).
//
// Every length, count and index read from the file is bounded by the bytes that hold it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"
#include "exchange/reader_contract.h"

inline constexpr std::size_t kMvwEntryChars = 23;  // "%4d: " and the title, in 24 bytes

// The offset just after the data worksheet item's 16 bytes, with its extents; -1 when the
// bytes hold no such item.
long FindDataWorksheet(std::span<const std::uint8_t> bytes, int* rows = nullptr, int* columns = nullptr);

// What a column's cells hold besides their values: the cells (1-based, as in the array) whose
// number is an infinity or NaN, and whether the block ended before the cells it counts.
struct TMvwColumnFlags {
  std::vector<bool> notFinite;  // indexed as the column array
  bool cut = false;
};

// One element per cell of the 0-based column (missing cells hold the missing value, and so do
// cells whose number is no finite value), at most `limit`; empty when the column has no data
// block. itemOffset: FindDataWorksheet's answer, or 0 to search. `flags`, when given, receives
// what the values do not show. The whole-file read and the paired read take the column to
// the cases' bound, so that the points past the table's room are counted and told (they
// stopped quietly at 16,383).
TColumnArray ReadMvwColumnArray(std::span<const std::uint8_t> bytes, int column, long itemOffset = 0,
                                TMvwColumnFlags* flags = nullptr, std::size_t limit = kMaxColumnValues);

// "%4d: " with the 1-based column number and its title, one entry per declared column.
// Returns the number listed (at least 2), -2 when fewer.
int ListMvwColumns(std::span<const std::uint8_t> bytes, std::vector<std::string>& list);

// Reads the 1-based columns args.colX, colY, colZ (and colW, -1 none): a row gives a point
// when all its chosen cells are numeric, so the shortest column decides how many rows are
// read; a weight that is not above 0 becomes 1. Malformed when a chosen column has no
// data block.
[[nodiscard]] TReadResult ReadMvwBytes(std::span<const std::uint8_t> bytes, const TReadArgs& args);

// The same from a file: -1 (listers), empty, or kCannotOpen when it cannot be read.
[[nodiscard]] TReadResult ReadMvw(const TReadArgs& args);
int ListMvwColumns(const std::string& path, std::vector<std::string>& list);
TColumnArray ReadMvwColumn(const std::string& path, int column);

// The 1-based columns paired by cell row as ReadMvwBytes pairs them: the rows in which
// every one of them holds a number, one array per column (element 0 the count); empty when
// a chosen column has no data block.
TPairedColumns ReadMvwColumnPairs(std::span<const std::uint8_t> bytes, std::span<const int> columns);
TPairedColumns ReadMvwColumnPairs(const std::string& path, std::span<const int> columns);
