// Decoding the cells of the Lotus and Quattro worksheet families into one cell list
// (sheet_cells.h). Records are a u16 type, a u16 body length and the body, little-endian;
// the cell address after the record header differs by layout:
//
//   layout  cell records (end record)                 address
//   WK1     13 integer, 14 number, 15 label, 16       format byte, column u16, row u16
//           formula (1)
//   WQ1     as WK1; labels carry one byte more before their alignment prefix
//   WK3     22 label, 23 number (80-bit), 24 packed   row u16, sheet byte, column byte
//           number, 25 formula (1 or 28)
//   WB1     13-16 as WK1 (1)                          column byte, sheet byte, row u16,
//                                                     two more bytes
//
// A label's text follows its alignment prefix character, which is dropped, up to a NUL;
// Lotus labels (WK1, WK3) are in code page 850, Quattro labels as they stand.
// The walk starts at the first cell record and ends at the end record, at a record whose
// body runs past the end of the file, or at a cell record shorter than its fixed part.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app/import_readers.h"
#include "exchange/sheet_cells.h"

enum class TLotusLayout { kWk1, kWq1, kWk3, kWb1 };

// The layout ReadWorksheet reads a file with: the header says WK1 (a BOF body of 2 bytes)
// or WK3 (26 bytes); a file whose header says neither goes by its name (WK3 when it ends
// in "3" or "4"), as the search for its first cell did when the file was detected.
TLotusLayout WorksheetLayout(std::span<const std::uint8_t> bytes, const std::string& path);

// The value of a WK3 packed number (record 24): low byte b0, high byte b1.
long double UnpackLotusNumber(std::uint8_t b0, std::uint8_t b1);

// The cells of a worksheet file of the layout.
struct TLotusFile {
  TReadError error = TReadError::kNone;  // kCannotOpen, or kMalformed when no cell is found
  TSheetCells cells;
};
TLotusFile LoadLotusCells(const std::string& path, TLotusLayout layout);
// The same for a file of a kind 6-12 (the layout from the kind, or from the file for the
// kinds ReadWorksheet reads).
TLotusFile LoadWorksheetCells(const std::string& path, int kind);
TSheetCells DecodeLotusCells(std::span<const std::uint8_t> bytes, TLotusLayout layout,
                             std::size_t firstCell);
