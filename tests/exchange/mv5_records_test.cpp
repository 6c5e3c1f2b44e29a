// The sibling product's DOS worksheet records: byte-exact descriptors, records and text
// cells, the header rules, the writer's refusals, bounded reading of damaged files, the row
// reader and the copy of an item.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/byte_codec.h"
#include "exchange/exchange_test_support.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_records.h"

namespace {

using namespace exchange_test;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::span<const std::uint8_t> b) { return Bytes(b.begin(), b.end()); }

TEST(Mv5Records, DescriptorsAndRecordsByteForByte) {
  TMvDescriptor d;
  MvInitFileDescriptor(d);
  Bytes expected(kMvDescriptorSize, 0);
  expected[0] = 1;
  for (std::size_t k = 18; k < 24; ++k) expected[k] = 0xFF;
  for (std::size_t at : {24u, 34u}) std::copy_n("MV500", 5, expected.begin() + static_cast<std::ptrdiff_t>(at));
  EXPECT_EQ(Of(d), expected);

  MvInitDataItem(d, 27, 300);
  expected.assign(kMvDescriptorSize, 0);
  std::copy_n("Data Worksheet", 14, expected.begin());
  std::copy_n("rk_dw", 5, expected.begin() + 64);
  for (auto [at, v] : {std::pair{74, 20}, {76, 0xFFFF}, {78, 27}, {80, 300}, {82, 8}})
    bytes::StoreU16(&expected[static_cast<std::size_t>(at)], static_cast<std::uint16_t>(v));
  EXPECT_EQ(Of(d), expected);
  MvInitStatsItem(d, 7, 34);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data())), "Statistics Worksheet");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data() + 64)), "rk_sw");
  EXPECT_EQ(MvDescriptorColumns(d), 7);
  EXPECT_EQ(MvDescriptorRows(d), 34);

  TMvColumnRecord r;
  MvInitColumnRecord(r, 12, 16384, 1);
  EXPECT_EQ(Of(r), (Bytes{1, 0, 12, 0, 0, 0, 1, 0, 0xFF, 0xFF, 64, 0, 0, 0x40}));
}

// Six-bit codes c - 32 packed four to three bytes; lower case and other characters give 0.
TEST(Mv5Records, TextCellsPackEightCharacters) {
  const struct {
    const char* text;
    Bytes cell;
  } cases[] = {
      {"EQN #", {0x97, 0x1B, 0x80, 0x0C, 0, 0, 0xF1, 0xFF}},
      {"ABCDEFGHIJ", {0x86, 0x28, 0xE4, 0x96, 0x69, 0xE8, 0xF1, 0xFF}},  // the first eight
      {"ab", {0, 0, 0, 0, 0, 0, 0xF1, 0xFF}},
      {"_", {0xFC, 0, 0, 0, 0, 0, 0xF1, 0xFF}},
      {"", {0, 0, 0, 0, 0, 0, 0xF1, 0xFF}},
  };
  for (const auto& c : cases) {
    TMvCell cell;
    MvPackText(cell, c.text);
    EXPECT_EQ(Of(cell), c.cell) << c.text;
    EXPECT_TRUE(MvIsTextCell(cell));
    EXPECT_FALSE(MvCellNumber(cell));
  }
  EXPECT_EQ(Of(MvEmptyCell()), Bytes(8, 0xFF));
  EXPECT_TRUE(MvIsEmptyCell(MvEmptyCell()));
  EXPECT_EQ(MvCellNumber(MvNumberCell(-0.25)), -0.25);
  EXPECT_EQ(Of(MvNumberCell(1.0)), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_FALSE(MvCellNumber(MvNumberCell(INFINITY)));
}

TEST(Mv5Records, StatisticsColumnCarriesItsTitle) {
  std::array<TMvCell, kMvStatsCells> cells;
  EXPECT_EQ(MvInitStatsColumn(cells, "A title of more than 15"), 34);
  for (int k = 0; k < 30; ++k) EXPECT_TRUE(MvIsEmptyCell(cells[static_cast<std::size_t>(k)])) << k;
  EXPECT_EQ(MvCellNumber(cells[30]), 1.0);
  EXPECT_TRUE(MvIsEmptyCell(cells[31]));
  const std::string title(reinterpret_cast<const char*>(cells[32].data()), 16);
  EXPECT_EQ(title, std::string("A title of more") + '\0');
  EXPECT_EQ(MvInitStatsColumn(cells, std::nullopt), 31);
}

class Mv5File : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

// A header text of 128 bytes ending in 0x1A is accepted; 129 bytes, an earlier 0x1A or a
// missing prefix are refused, on writing and on reading.
TEST_F(Mv5File, HeaderTextRules) {
  const std::string prefix(kMvHeaderPrefix);
  const std::string h128 = prefix + std::string(119, 'x') + "\x1A";
  const std::string h129 = prefix + std::string(120, 'x') + "\x1A";
  const std::string early = prefix + "ab\x1A" "cd\x1A";
  ASSERT_EQ(h128.size(), 128u);
  TMvWriteHandle w;
  for (const std::string& bad : {h129, early, std::string("no prefix\x1A"), prefix}) {
    EXPECT_EQ(MvCreate(w, dir_.File("bad.mv5"), bad, nullptr), MvCode::kBadHeader) << bad.size();
    EXPECT_EQ(MvCloseWrite(w), MvCode::kWriteFailed);  // nothing was opened
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("bad.mv5")));

  // Files with each header and a data item of one column, so they are longer than 256 bytes.
  const auto file = [&](const std::string& header) {
    TMvDescriptor fd, d;
    MvInitFileDescriptor(fd);
    MvInitDataItem(d, 1, 3);
    Bytes b(header.begin(), header.end());
    const std::size_t fdAt = b.size();
    b.insert(b.end(), fd.begin(), fd.end());
    bytes::StoreU32(&b[fdAt + 6], static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), kMv5ItemHeader.begin(), kMv5ItemHeader.end());
    b.insert(b.end(), d.begin(), d.end());
    b.insert(b.end(), {0, 0, 0, 0, 0xFF, 0xFF});
    return dir_.Write("h.mv5", b);
  };
  TMvReadHandle r;
  TMvDescriptor out;
  EXPECT_EQ(MvOpen(r, file(h128), &out, kMvKeepHeaderTexts), MvCode::kOk);
  EXPECT_EQ(r.headerText, h128);
  EXPECT_EQ(MvOpenDataItem(r, nullptr), MvCode::kOk);
  EXPECT_EQ(MvNextBlock(r, nullptr), MvCode::kNoMore);
  EXPECT_EQ(MvClose(r), MvCode::kOk);
  EXPECT_EQ(MvOpen(r, file(h129), nullptr), MvCode::kBadHeader);
  // The first 0x1A ends the header: an early one leaves the descriptor misplaced, so its
  // item is not found where it should be.
  EXPECT_EQ(MvOpen(r, file(early), nullptr), MvCode::kOk);
  EXPECT_NE(MvOpenDataItem(r, nullptr), MvCode::kOk);
  EXPECT_EQ(MvOpen(r, dir_.Write("short.mv5", h128), nullptr), MvCode::kBadHeader);  // fewer than 256 bytes
  EXPECT_EQ(MvOpen(r, dir_.File("absent.mv5"), nullptr), MvCode::kCannotOpen);
}

TEST_F(Mv5File, WriterRefusals) {
  TMvWriteHandle w;
  ASSERT_EQ(MvCreate(w, dir_.File("w.mv5"), kMv5Header, nullptr), MvCode::kOk);
  TMvDescriptor d;
  MvInitDataItem(d, 2, 3);
  TMvColumnRecord r;
  MvInitColumnRecord(r, 0, 2, 0);
  EXPECT_EQ(MvBeginColumn(w, r), MvCode::kWriteFailed);  // no item yet
  ASSERT_EQ(MvBeginDataItem(w, kMv5ItemHeader, d), MvCode::kOk);
  ASSERT_EQ(MvBeginColumn(w, r), MvCode::kOk);
  const TMvCell cell = N(1);
  ASSERT_EQ(MvWriteCells(w, std::span(&cell, 1)), MvCode::kOk);
  EXPECT_EQ(MvBeginColumn(w, r), MvCode::kColumnOwes);  // one cell still owed
  EXPECT_EQ(MvEndItem(w), MvCode::kColumnOwes);
  const std::vector<TMvCell> two(2, cell);
  EXPECT_EQ(MvWriteCells(w, two), MvCode::kBeyondItem);  // more than owed
  ASSERT_EQ(MvWriteCells(w, std::span(&cell, 1)), MvCode::kOk);
  MvInitColumnRecord(r, 2, 1, 0);
  EXPECT_EQ(MvBeginColumn(w, r), MvCode::kBeyondItem);  // column beyond the item
  MvInitColumnRecord(r, 1, 4, 0);
  EXPECT_EQ(MvBeginColumn(w, r), MvCode::kBeyondItem);  // more cells than rows
  ASSERT_EQ(MvEndItem(w), MvCode::kOk);
  EXPECT_EQ(MvBeginDataItem(w, kMv5ItemHeader, d), MvCode::kBeyondItem);  // begun twice
  MvInitStatsItem(d, 2, 34);
  ASSERT_EQ(MvBeginStatsItem(w, kMv5ItemHeader, d), MvCode::kOk);
  MvInitColumnRecord(r, 0, 31, 1);
  ASSERT_EQ(MvBeginColumn(w, r), MvCode::kOk);
  EXPECT_EQ(MvCloseWrite(w), MvCode::kColumnOwes);  // a column short of its cells: not saved
  EXPECT_FALSE(std::filesystem::exists(dir_.File("w.mv5")));

  // A write-protected file is not replaced.
  const std::string old = dir_.Write("old.mv5", "the user's file");
  ASSERT_EQ(::chmod(old.c_str(), 0444), 0);
  EXPECT_EQ(WriteMv5(old, {{0, "A", {N(1), N(2), N(3)}}}), MvCode::kCannotOpen);
  EXPECT_EQ(ReadText(old), "the user's file");
}

// The file's item offsets point at the items' header texts; a worksheet marked read-only
// opens for reading.
TEST_F(Mv5File, OffsetsAndReadOnlyFiles) {
  const std::string path = dir_.File("o.mv5");
  ASSERT_EQ(WriteMv5(path, {{0, "X", {N(1), N(2), N(3)}}, {2, std::nullopt, {N(4), E(), T("T")}}}, true), MvCode::kOk);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const Bytes b = ReadBytes(path);
  const std::size_t fd = kMv5Header.size();
  for (std::size_t k = 0; k < 3; ++k) {
    const std::uint32_t at = bytes::LoadU32(&b[fd + 6 + 4 * k]);
    ASSERT_LT(at + kMv5ItemHeader.size(), b.size());
    EXPECT_EQ(std::string(b.begin() + at, b.begin() + at + static_cast<std::ptrdiff_t>(kMv5ItemHeader.size())),
              kMv5ItemHeader)
        << k;
  }
  TMvReadHandle r;
  TMvDescriptor d;
  ASSERT_EQ(MvOpen(r, path, nullptr, kMvKeepBlockTable), MvCode::kOk);
  ASSERT_EQ(MvOpenDataItem(r, &d), MvCode::kOk);
  EXPECT_EQ(MvDescriptorColumns(d), 3);
  EXPECT_EQ(MvColumnLength(r, 2), 3);
  EXPECT_EQ(MvColumnLength(r, 1), 0);  // no block
  EXPECT_EQ(MvColumnLength(r, 0), 3);
  EXPECT_EQ(MvColumnTitle(r, 0), "X");
  EXPECT_EQ(MvColumnTitle(r, 2), "");
  EXPECT_EQ(MvClose(r), MvCode::kOk);
}

// Rows: each slot takes its column's next cell, an ended column gives empty cells; with
// the skip flag rows with a missing cell are passed over; kNoMore once all have ended.
TEST_F(Mv5File, RowReader) {
  const std::string path = dir_.File("rows.mv5");
  std::vector<TMvCell> longColumn;
  for (int k = 0; k < 150; ++k) longColumn.push_back(N(k));  // past the 64-cell cache twice
  ASSERT_EQ(WriteMv5(path, {{0, "a", longColumn}, {1, "b", {N(10), T("X"), N(30), E(), N(50)}}}), MvCode::kOk);
  for (const unsigned flags : {0u, kMvSkipIncompleteRows}) {
    TMvReadHandle r;
    ASSERT_EQ(MvOpen(r, path, nullptr), MvCode::kOk);
    ASSERT_EQ(MvOpenDataItem(r, nullptr), MvCode::kOk);
    ASSERT_EQ(MvRowsBegin(r, 2), MvCode::kOk);
    ASSERT_EQ(MvRowsAttach(r, 0, 0), MvCode::kOk);
    ASSERT_EQ(MvRowsAttach(r, 1, 1), MvCode::kOk);
    std::vector<double> firsts;
    double row[2];
    MvCode code;
    while ((code = MvRowsNext(r, row, flags)) == MvCode::kOk) firsts.push_back(row[0]);
    EXPECT_EQ(code, MvCode::kNoMore);
    if (flags == 0) {
      EXPECT_EQ(firsts.size(), 150u);
      EXPECT_EQ(firsts[149], 149);
    } else {
      EXPECT_EQ(firsts, (std::vector<double>{0, 2, 4}));
    }
    EXPECT_EQ(MvClose(r), MvCode::kWriteFailed);  // slots still allocated
    MvRowsEnd(r);
    EXPECT_EQ(MvClose(r), MvCode::kOk);
  }
}

// Counts and lengths are checked against the file and the item before use.
TEST_F(Mv5File, DamagedFilesAreRefusedNotReadPast) {
  const std::string path = dir_.File("good.mv5");
  ASSERT_EQ(WriteMv5(path, {{0, "a", {N(1), N(2), N(3)}}, {1, "b", {N(4), N(5), N(6)}}}), MvCode::kOk);
  const Bytes good = ReadBytes(path);
  const std::size_t fd = kMv5Header.size();
  const std::size_t item0 = bytes::LoadU32(&good[fd + 6]);
  const std::size_t block = item0 + kMv5ItemHeader.size() + kMvDescriptorSize;
  const auto open = [&](const Bytes& b, MvCode expected) {
    TMvReadHandle r;
    MvCode code = MvOpen(r, dir_.Write("bad.mv5", b), nullptr);
    if (code == MvCode::kOk) code = MvOpenDataItem(r, nullptr);
    while (code == MvCode::kOk) code = MvNextBlock(r, nullptr);
    EXPECT_EQ(code, expected);
  };
  open(good, MvCode::kNoMore);
  Bytes b = good;
  bytes::StoreU32(&b[block], 0x7FFFFFF0);  // a block longer than the file
  open(b, MvCode::kBadHeader);
  b = good;
  bytes::StoreU16(&b[block + 6 + 12], 4);  // a cell count that does not match the length
  open(b, MvCode::kBadHeader);
  b = good;
  bytes::StoreU16(&b[block + 6 + 2], 9);  // a column beyond the item's two
  open(b, MvCode::kBeyondItem);
  b = good;
  bytes::StoreU32(&b[fd + 6], static_cast<std::uint32_t>(good.size() + 10));  // item beyond the file
  open(b, MvCode::kBadHeader);
  b = good;
  bytes::StoreU32(&b[fd + 6], 0);  // no data item
  open(b, MvCode::kWriteFailed);
  b = good;
  b.resize(block + 30);  // cut inside the first block
  open(b, MvCode::kBadHeader);
}

// Item 2 copied from one file into another: its header text, descriptor and blocks; a
// source without it leaves the output without one, still sound.
TEST_F(Mv5File, CopyItem) {
  const std::string source = dir_.File("template.mv5");
  ASSERT_EQ(WriteMv5(source, {{0, "t", {N(1), N(2), N(3)}}}, true), MvCode::kOk);
  const std::string plain = dir_.File("plain.mv5");
  ASSERT_EQ(WriteMv5(plain, {{0, "t", {N(1), N(2), N(3)}}}, false), MvCode::kOk);
  for (const bool withItem : {true, false}) {
    SCOPED_TRACE(withItem);
    TMvWriteHandle out;
    ASSERT_EQ(MvCreate(out, dir_.File("out.mv5"), kMv5Header, nullptr), MvCode::kOk);
    TMvReadHandle in;
    ASSERT_EQ(MvOpen(in, withItem ? source : plain, nullptr, kMvKeepHeaderTexts), MvCode::kOk);
    EXPECT_EQ(MvCopyItem(out, in, kMvExtraItem), withItem ? MvCode::kOk : MvCode::kWriteFailed);
    ASSERT_EQ(MvClose(in), MvCode::kOk);
    ASSERT_EQ(MvCloseWrite(out), MvCode::kOk);
    if (!withItem) {  // the header and the file descriptor alone, with no item offset
      const Bytes b = ReadBytes(dir_.File("out.mv5"));
      EXPECT_EQ(b.size(), kMv5Header.size() + kMvDescriptorSize);
      EXPECT_EQ(bytes::LoadU32(&b[kMv5Header.size() + 14]), 0u);
      continue;
    }
    TMvReadHandle r;
    ASSERT_EQ(MvOpen(r, dir_.File("out.mv5"), nullptr), MvCode::kOk);
    TMvDescriptor d;
    ASSERT_EQ(MvOpenItem(r, kMvExtraItem, &d), MvCode::kOk);
    TMvColumnRecord rec;
    ASSERT_EQ(MvNextBlock(r, &rec), MvCode::kOk);
    TMvCell cell;
    ASSERT_EQ(MvReadCells(r, std::span(&cell, 1)), MvCode::kOk);
    EXPECT_EQ(cell, T("EXTRA"));
    EXPECT_EQ(MvNextBlock(r, nullptr), MvCode::kNoMore);
  }
}

}  // namespace
