// Decoding the cells of an Excel BIFF stream (BIFF3 to BIFF8) into one cell list
// (sheet_cells.h): a plain BIFF file, or the "Book"/"Workbook" stream of a compound-file
// workbook or notebook section, parsed in memory.
//
// Records are a u16 type, a u16 body length and the body. A BOF record (low byte 0x09)
// opens a substream and EOF (0x000A) closes it; worksheets (substream 0x0010) are numbered
// from 0 in stream order, and cells of other substreams (charts, macro sheets, the globals)
// are not sheet cells. Cell records start with row u16 and column u16:
//
//   0x0203 NUMBER          IEEE double at 6
//   0x007E, 0x027E RK      RK value at 6 (integer or the top 30 bits of a double, / 100)
//   0x00BD MULRK           (format u16, RK u32) for consecutive columns from the first
//   0x0205 BOOLERR         the value byte (signed) unless the error flag is set
//   0x0006, 0x0206, 0x0406 FORMULA: the 8-byte result; bytes 6-7 0xFFFF mark a result that
//                          is not a number (only a boolean gives one: its value byte 2)
//   0x0204 LABEL           8-bit text (BIFF3-5) or a unicode string (BIFF8)
//   0x00FD LABELSST        an index into the shared-string table 0x00FC
//
// BIFF8 text (the shared strings, split across CONTINUE records, and BIFF8 labels) is
// UTF-16 or compressed Latin-1 and is turned into the program's Windows-1252 coded text:
// characters it cannot hold become '?'. Rich-text runs and phonetic blocks are passed
// over. 8-bit text of the older versions is kept as it stands.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "exchange/sheet_cells.h"

// The value of an RK number.
long double DecodeRk(std::uint32_t rk);

// The shared strings of an SST record body and the bodies of the CONTINUE records after
// it, as many as can be read whole.
// `replaced`, when given, receives per string its characters Windows-1252 lacks (each '?').
std::vector<std::string> DecodeSharedStrings(const std::vector<std::span<const std::uint8_t>>& segments,
                                             std::vector<int>* replaced = nullptr);

// Every cell of every worksheet of a BIFF stream, in stream order.
TSheetCells DecodeBiffCells(std::span<const std::uint8_t> stream);
