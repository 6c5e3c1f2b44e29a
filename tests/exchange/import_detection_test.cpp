#include "exchange/import_detection.h"

#include <gtest/gtest.h>

#include "app/data_file_writers.h"
#include "app/test_points.h"
#include "exchange/compound_file.h"
#include "exchange/compound_file_builder.h"
#include "exchange/exchange_test_support.h"
#include "exchange/sav_builder.h"
#include "exchange/worksheet_cells.h"

namespace {

using namespace exchange_test;
using Bytes = std::vector<std::uint8_t>;

// The first bytes of a worksheet header of each family, padded to the 56 bytes the probe
// reads.
Bytes Head(std::initializer_list<std::uint8_t> first) {
  Bytes b(first);
  b.resize(64, 0);
  return b;
}

Bytes DbaseFile() {
  bytes::ByteWriter w;
  w.U8(0x03), w.U8(124), w.U8(1), w.U8(1);
  w.U32(1);
  w.U16(32 + 32 + 1);  // header: the field descriptor and the terminator
  w.U16(11);
  w.Zeros(20);
  w.FixedString("X", 11), w.U8('N'), w.Zeros(4), w.U8(10), w.U8(2), w.Zeros(14);
  w.U8(0x0D);
  w.Raw(" 1.50000000", 11);
  w.U8(0x1A);
  return w.Take();
}

std::string Dif(int vectors) {
  std::string text = "TABLE\r\n0,1\r\n\"\"\r\nVECTORS\r\n0," + std::to_string(vectors) +
                     "\r\n\"\"\r\nTUPLES\r\n0,1\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n-1,0\r\nBOT\r\n";
  for (int i = 0; i < vectors; ++i) text += "0," + std::to_string(i) + "\r\nV\r\n";
  return text + "-1,0\r\nEOD\r\n";
}

std::vector<std::uint8_t> Worksheet(int form) {
  const PointTable t = TableOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 0, 1}});
  TDataTitles titles;
  titles.Title = "T";
  return DataWorksheet(t, titles, form);
}

class Detection : public ::testing::Test {
 protected:
  int Detect(const std::string& name, const std::string& text) {
    std::string path = dir_.Write(name, text);
    return DetectImportFileType(path);
  }
  int Detect(const std::string& name, const Bytes& bytes) {
    std::string path = dir_.Write(name, bytes);
    return DetectImportFileType(path);
  }
  ScratchDir dir_;
};

TEST_F(Detection, EveryImportKindFromAGeneratedFile) {
  const Bytes notebookData =
      BuildCompoundFile({{"Data 3RNB", true, {}, {{"RNBContents", false, Bytes(100, 7), {}}}}});
  const Bytes notebookExcel =
      BuildCompoundFile({{"Other", true, {}, {}},
                         {"Excel1RNB", true, {}, {{"Book", false, Bytes(5000, 9), {}}}}});
  const Bytes ownSav = BuildSavFile(
      {{"XVAR", 0, "x"}, {"YVAR", 0, "y"}, {"ZVAR", 0, "z"}, {"ACTIVE", 0, "State"},
       {"WEIGHT", 0, "Weights"}});
  const Bytes otherSav = BuildSavFile({{"AGE", 0}, {"NAME", 8}, {"HEIGHT", 0}, {"MASS", 0}});

  EXPECT_EQ(Detect("k1.txt", "1\n2\n3\n4\n5\n"), 1);
  EXPECT_EQ(Detect("k2.dat", "1 2\n3 4\n"), 2);
  EXPECT_EQ(Detect("k3.prn", "1 2 3\n4 5 6\n"), 3);
  EXPECT_EQ(Detect("k4.txt", "1 2 3 4 5\n"), 4);
  EXPECT_EQ(Detect("k5.dbf", DbaseFile()), 5);
  EXPECT_EQ(Detect("k6.wks", Head({0, 0, 2, 0, 0x04, 0x04})), 6);
  EXPECT_EQ(Detect("k7.wk4", Head({0, 0, 26, 0, 0x02, 0x10, 0x04})), 7);
  EXPECT_EQ(Detect("k8.wk1", Worksheet(1)), 8);
  EXPECT_EQ(Detect("k9.wb1", Head({0, 0, 2, 0, 0x01, 0x10})), 9);
  EXPECT_EQ(Detect("k10.wkq", Head({0, 0, 2, 0, 0x0B, 0x0A})), 10);
  EXPECT_EQ(Detect("k11.wq1", Head({0, 0, 2, 0, 0x20, 0x51})), 11);
  EXPECT_EQ(Detect("k12.wk3", Worksheet(3)), 12);
  EXPECT_EQ(Detect("k13.xls", Head({0x09, 0x08, 0x08, 0, 0x00, 0x05, 0x10, 0x00})), 13);
  EXPECT_EQ(Detect("k14.mv5", Head({0x0A, 0x0D, 'R', 'o', 'k', 'v', 'e', 'l'})), 14);
  EXPECT_EQ(Detect("k15.mvw", Head({0, 0, 0, 0, 'R', 'X', 'F'})), 15);
  EXPECT_EQ(Detect("k16.dif", Dif(1)), 16);
  EXPECT_EQ(Detect("k17.dif", Dif(2)), 17);
  EXPECT_EQ(Detect("k18.dif", Dif(3)), 18);
  EXPECT_EQ(Detect("k19.dif", Dif(5)), 19);
  std::string xls = FixturePath("gnumeric_biff8.xls").string();
  EXPECT_EQ(DetectImportFileType(xls), 20);
  xls = FixturePath("gnumeric_biff7.xls").string();  // a "Book" stream
  EXPECT_EQ(DetectImportFileType(xls), 20);
  EXPECT_EQ(Detect("k21.rnb", notebookData), 21);
  EXPECT_EQ(Detect("k22.rnb", notebookExcel), 22);
  EXPECT_EQ(Detect("k23.sav", otherSav), 23);
  EXPECT_EQ(Detect("k24.sav", ownSav), 24);
}

TEST_F(Detection, TextKindsCountTheColumnsOfTheFifthLine) {
  EXPECT_EQ(Detect("a.TXT", "1 2 3\n1 2 3\n1 2 3\n"), 3);
  EXPECT_EQ(Detect("b.TXT", "1 2 3 4\n1 2 3 4\n"), 4);
  EXPECT_EQ(Detect("c.TXT", "1 2 3 *\n1 2 3 W2\n"), 3);  // status and weight marks
  EXPECT_EQ(Detect("d.txt", "title\nx\ny\nz\n1,2,3\n"), 3);
  EXPECT_EQ(Detect("e.csv", "1,2,3\n"), 3);  // any other extension: text sniff
}

TEST_F(Detection, TextFileNamedLikeAWorksheetIsText) {
  EXPECT_EQ(Detect("x.wk1", "1 2 3\n4 5 6\n7 8 9\n"), 3);
  EXPECT_EQ(Detect("y.xls", "1 2 3 4\n"), 4);
}

TEST_F(Detection, NameWithoutExtensionTriesTheCandidatesInOrder) {
  dir_.Write("data.WK1", Worksheet(1));
  std::string path = dir_.Path("data");
  EXPECT_EQ(DetectImportFileType(path), 8);
  EXPECT_EQ(path, dir_.Path("data.WK1"));
  dir_.Write("data.PRN", "1 2 3\n");
  path = dir_.Path("data");
  EXPECT_EQ(DetectImportFileType(path), 3);  // ".PRN" comes first
  EXPECT_EQ(path, dir_.Path("data.PRN"));
  dir_.Write("lower.wk3", Worksheet(3));
  path = dir_.Path("lower");
  EXPECT_EQ(DetectImportFileType(path), 12);
  EXPECT_EQ(path, dir_.Path("lower.wk3"));
  dir_.Write("bare", "1 2 3\n");
  path = dir_.Path("bare");
  EXPECT_EQ(DetectImportFileType(path), 3);
  EXPECT_EQ(path, dir_.Path("bare"));
}

TEST_F(Detection, MissingEmptyAndUnknownFiles) {
  std::string path;
  EXPECT_EQ(DetectImportFileType(path), -1);
  path = dir_.Path("none.txt");
  EXPECT_EQ(DetectImportFileType(path), -1);
  path = dir_.Path("none.wk1");
  EXPECT_EQ(DetectImportFileType(path), -1);
  path = dir_.Path("none");
  EXPECT_EQ(DetectImportFileType(path), -1);
  EXPECT_EQ(Detect("empty.txt", std::string()), -1);
  EXPECT_EQ(Detect("binary.txt", Bytes{1, 2, 3, 0, 5}), 0);
  // A BIFF2 file (BOF 0x0009) is no BIFF 13, no compound file, and not text.
  EXPECT_EQ(Detect("old.xls", Head({0x09, 0x00, 0x04, 0, 0x02, 0, 0x10, 0})), 0);
}

TEST_F(Detection, WorksheetFoundByItsCellRecords) {
  // No known header, but a chain of records leading to a number cell.
  bytes::ByteWriter w;
  w.U16(0x99), w.U16(2), w.U16(0);
  w.U16(0x0E), w.U16(13), w.U8(0xFF), w.U16(0), w.U16(0), w.F64(1.5);
  w.U16(1), w.U16(0);
  EXPECT_EQ(Detect("walk.wks", w.Take()), 8);
  // A broken chain: the byte search finds the cell.
  Bytes scan{0x44, 0x44, 0xFF, 0x7F, 0x20, 0x0E, 0, 13, 0, 0xFF, 1, 0, 2, 0};
  scan.resize(40, 0);
  EXPECT_EQ(Detect("scan.wk1", scan), 8);
  EXPECT_EQ(ScanForCellRecord(scan, false), 5);
}

TEST(CompoundFile, ReadsStreamsFromSectorsAndTheMiniStream) {
  Bytes small(300), large(9000);
  for (std::size_t i = 0; i < small.size(); ++i) small[i] = static_cast<std::uint8_t>(i * 7);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 13);
  TCompoundFile file;
  ASSERT_TRUE(file.Load(BuildCompoundFile(
      {{"Small", false, small, {}},
       {"Folder", true, {}, {{"Large", false, large, {}}, {"Empty", false, {}, {}}}}})));
  const int folder = file.FindChild(file.Root(), "FOLDER");  // names compare without case
  ASSERT_EQ(file.EntryType(folder), TCompoundFile::kStorage);
  EXPECT_EQ(file.ReadStream(file.FindChild(file.Root(), "small")), small);
  EXPECT_EQ(file.ReadStream(file.FindChild(folder, "Large")), large);
  EXPECT_EQ(file.ReadStream(file.FindChild(folder, "Empty")), Bytes{});
  EXPECT_EQ(file.FindChild(file.Root(), "Large"), -1);
}

TEST(CompoundFile, ReadsTheWorkbookStreamThatGnumericWrote) {
  TCompoundFile file;
  ASSERT_TRUE(file.Open(FixturePath("gnumeric_biff8.xls").string()));
  const auto book = file.ReadStream(file.FindChild(file.Root(), "Workbook"));
  ASSERT_TRUE(book.has_value());
  ASSERT_GE(book->size(), 8u);
  EXPECT_EQ((*book)[0], 0x09);  // BOF of BIFF8
  EXPECT_EQ((*book)[1], 0x08);
  const auto info = file.ReadStream(file.FindChild(file.Root(), "\x05SummaryInformation"));
  EXPECT_TRUE(info.has_value());
}

}  // namespace
