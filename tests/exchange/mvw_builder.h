// Builds Windows worksheet files of the sibling plotting product (the layout is told in
// src/exchange/mvw_reader.h) for the reader tests, the fuzz seeds and the benchmarks: the
// column list after the block tagged 0x8100, the data worksheet item, the title blocks and
// one data block per column. tests/data/make_workbook_fixtures.sh writes the same layout.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "app/byte_codec.h"

namespace exchange_test {

struct MvwCell {
  enum Kind { kNumber, kText, kEmpty } kind = kNumber;
  long double value = 0;
  std::string text;
};
inline MvwCell MvwNumber(long double v) { return {MvwCell::kNumber, v, {}}; }
inline MvwCell MvwText(std::string t) { return {MvwCell::kText, 0, std::move(t)}; }
inline MvwCell MvwEmpty() { return {MvwCell::kEmpty, 0, {}}; }

struct MvwColumn {
  std::uint32_t index;
  std::string title;
  std::vector<MvwCell> cells;
};

// headed: the file starts with 0x8100 and its 8-byte header; otherwise with 24 bytes and a
// block walk, in which a first block holds the item's name once before the real item.
inline std::vector<std::uint8_t> BuildMvw(const std::vector<MvwColumn>& columns, bool headed = true) {
  bytes::ByteWriter listing;
  listing.Zeros(48);
  for (const MvwColumn& c : columns) listing.U16(0x2080), listing.U16(0), listing.U32(c.index), listing.U16(0x2081),
                                     listing.U16(0), listing.U32(0);
  for (const MvwColumn& c : columns) {
    std::vector<std::uint8_t> r(56, 0);
    bytes::StoreU16(&r[0], 0x2002), bytes::StoreU16(&r[16], 0x2082), bytes::StoreU16(&r[40], 0x2083);
    bytes::StoreU32(&r[48], c.index);
    for (std::size_t i = 0; i < c.title.size() && i < 15; ++i) r[24 + i] = static_cast<std::uint8_t>(c.title[i]);
    listing.Raw(r);
  }
  listing.Zeros(56);

  bytes::ByteWriter w;
  if (headed) {
    w.U16(0x8100), w.U16(0), w.Raw("RXF", 3), w.U8(0);
  } else {
    w.U16(0x0001), w.U16(0), w.Raw("RXF", 3), w.Zeros(17);
    const std::string decoy = "catalogue: RKDataWorksheet";
    w.U8(5), w.U8(' '), w.U16(0), w.U32(static_cast<std::uint32_t>(decoy.size()));
    w.Raw(decoy.data(), decoy.size());
  }
  w.U16(0x8100), w.U16(0), w.U32(static_cast<std::uint32_t>(listing.Size()));
  w.Raw(listing.Bytes());
  std::size_t rows = 0;
  for (const MvwColumn& c : columns) rows = std::max(rows, c.cells.size());
  w.Raw("RKDataWorksheet", 15), w.U8(0);
  w.Zeros(12), w.U16(static_cast<std::uint16_t>(rows ? rows - 1 : 0)), w.U16(static_cast<std::uint16_t>(columns.size() - 1));
  for (const MvwColumn& c : columns) {
    w.U8(2), w.U8(' '), w.U16(0), w.U32(40), w.Zeros(8);
    w.FixedString(c.title, 24);
    w.U32(c.index), w.Zeros(4);
  }
  for (const MvwColumn& c : columns) {
    const auto length = static_cast<std::uint32_t>(16 * c.cells.size());
    w.U8(1), w.U8(' '), w.U16(0), w.U32(16 + length), w.Zeros(4), w.U32(c.index), w.Zeros(4), w.U32(length);
    for (const MvwCell& cell : c.cells) {
      if (cell.kind == MvwCell::kNumber) {
        w.Extended(cell.value), w.Zeros(4), w.U8(0), w.U8(17);
      } else if (cell.kind == MvwCell::kText) {
        w.FixedString(cell.text, 15), w.U8(2);
      } else {
        w.Zeros(16);
      }
    }
  }
  w.Zeros(8);  // a block of kind 0 ends the worksheet
  return w.Take();
}

}  // namespace exchange_test
