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
std::string Head(std::initializer_list<std::uint8_t> first) {
  std::string b(first.begin(), first.end());
  b.resize(64, '\0');
  return b;
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string DbaseFile() {
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
  return Text(w.Take());
}

std::string Dif(int vectors) {
  std::string text = "TABLE\r\n0,1\r\n\"\"\r\nVECTORS\r\n0," + std::to_string(vectors) +
                     "\r\n\"\"\r\nTUPLES\r\n0,1\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n-1,0\r\nBOT\r\n";
  for (int i = 0; i < vectors; ++i) text += "0," + std::to_string(i) + "\r\nV\r\n";
  return text + "-1,0\r\nEOD\r\n";
}

std::string Worksheet(int form) {
  TDataTitles titles;
  titles.Title = "T";
  return Text(DataWorksheet(TableOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 0, 1}}), titles, form));
}

class Detection : public ::testing::Test {
 protected:
  int Detect(const std::string& name, const std::string& bytes) {
    std::string path = dir_.Write(name, bytes);
    return DetectImportFileType(path);
  }
  ScratchDir dir_;
};

TEST_F(Detection, EveryImportKindFromAGeneratedFile) {
  struct Case {
    const char* name;
    std::string bytes;
    int kind;
  };
  const Case cases[] = {
      {"k1.txt", "1\n2\n3\n4\n5\n", 1},                   {"k2.dat", "1 2\n3 4\n", 2},
      {"k3.prn", "1 2 3\n4 5 6\n", 3},                       {"k4.txt", "1 2 3 4 5\n", 4},
      {"k5.dbf", DbaseFile(), 5},                             {"k8.wk1", Worksheet(1), 8},
      {"k6.wks", Head({0, 0, 2, 0, 0x04, 0x04}), 6},          {"k12.wk3", Worksheet(3), 12},
      {"k7.wk4", Head({0, 0, 26, 0, 0x02, 0x10, 0x04}), 7},   {"k9.wb1", Head({0, 0, 2, 0, 0x01, 0x10}), 9},
      {"k10.wkq", Head({0, 0, 2, 0, 0x0B, 0x0A}), 10},        {"k11.wq1", Head({0, 0, 2, 0, 0x20, 0x51}), 11},
      {"k13.xls", Head({0x09, 0x08, 0x08, 0, 0x00, 0x05, 0x10, 0x00}), 13},
      {"k14.mv5", Head({0x0A, 0x0D, 'R', 'o', 'k', 'v', 'e', 'l'}), 14},
      {"k15.mvw", Head({0, 0, 0, 0, 'R', 'X', 'F'}), 15},
      {"k16.dif", Dif(1), 16}, {"k17.dif", Dif(2), 17}, {"k18.dif", Dif(3), 18}, {"k19.dif", Dif(5), 19},
      {"k20.xls", ReadText(FixturePath("gnumeric_biff8.xls")), 20},
      {"k20.xls", ReadText(FixturePath("gnumeric_biff7.xls")), 20},  // a "Book"
      {"k21.rnb", Text(BuildCompoundFile(
                      {{"Data 3RNB", true, {}, {{"RNBContents", false, Bytes(100, 7), {}}}}})), 21},
      {"k22.rnb", Text(BuildCompoundFile(
                      {{"Other", true, {}, {}},
                       {"Excel1RNB", true, {}, {{"Book", false, Bytes(5000, 9), {}}}}})), 22},
      {"k23.sav", Text(BuildSavFile({{"AGE", 0}, {"NAME", 8}, {"HEIGHT", 0}, {"MASS", 0}})), 23},
      {"k24.sav", Text(BuildSavFile({{"XVAR", 0, "x"}, {"YVAR", 0, "y"}, {"ZVAR", 0, "z"},
                                     {"ACTIVE", 0, "State"}, {"WEIGHT", 0, "Weights"}})), 24},
      // Text kinds count the columns of the fifth line, passing over status and weight marks;
      // any other extension is sniffed, and a text file named like a worksheet is text.
      {"a.TXT", "1 2 3\n1 2 3\n1 2 3\n", 3},                  {"b.TXT", "1 2 3 4\n1 2 3 4\n", 4},
      {"c.TXT", "1 2 3 *\n1 2 3 W2\n", 3},                    {"d.txt", "title\nx\ny\nz\n1,2,3\n", 3},
      {"e.csv", "1,2,3\n", 3},                                {"x.wk1", "1 2 3\n4 5 6\n7 8 9\n", 3},
      {"y.xls", "1 2 3 4\n", 4},
      // The widest non-blank line of lines five to ten: a blank fifth line, or a comma row
      // ending in an empty cell, refused a table of three columns as fewer than 3.
      {"f.csv", "x,y,z\n1,2,3\n4,5,6\n7,8,9\n10,11,\n12,13,14\n", 3},
      {"g.txt", "title\nx\ny\nz\n\n1 2 3\n4 5 6\n", 3},    {"h.txt", "1 2 3\n4 5 6\n\n\n \n\n", 3},
      // Empty and unknown files; a BIFF2 file (BOF 0x0009) is no BIFF kind, no compound
      // file, and not text.
      {"empty.txt", "", -1},                                  {"binary.txt", std::string("\1\2\3\0\5", 5), 0},
      {"old.xls", Head({0x09, 0x00, 0x04, 0, 0x02, 0, 0x10, 0}), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Detect(c.name, c.bytes), c.kind) << c.name;
  for (const char* missing : {"", "none.txt", "none.wk1", "none"}) {
    std::string path = *missing ? dir_.File(missing) : "";
    EXPECT_EQ(DetectImportFileType(path), -1) << missing;
  }
}

// Below 4 columns the data lines past the tenth decide too. The review's surface export with
// limits writes 7 values for a point with limits, 3 without and 2 where the fit cannot be
// evaluated: with short first lines it was taken for XYZ lines, and a 51-line export came
// back as 94 points. Short first lines are read past; notes and titles after the data (a line
// that does not start with a number) do not count.
TEST_F(Detection, DataLinesPastTheTenthDecideBelowFourColumns) {
  std::string limits = "\"X Generated\",\"Y Generated\",\"Z Predicted\",\"a\",\"b\",\"c\",\"d\"\n";
  for (int k = 0; k < 12; ++k) limits += std::to_string(k) + ",1\n";
  for (int k = 0; k < 20; ++k) limits += std::to_string(k) + ",2,3\n";
  limits += "1,2,3,4,5,6,7\n";
  std::string xyz = "x y\n";
  for (int k = 0; k < 30; ++k) xyz += std::to_string(k) + (k < 15 ? " 1\n" : " 1 2\n");
  std::string xy;
  for (int k = 0; k < 30; ++k) xy += std::to_string(k) + " 1\n";
  std::string noted = "1 2 3\n";
  for (int k = 0; k < 30; ++k) noted += "4 5 6\n";
  noted += "Written by logger 7 on 1 2 2026\n\"x\" 1 2 3 4 5\n";
  EXPECT_EQ(Detect("limits.csv", limits), 4);
  EXPECT_EQ(Detect("short.txt", xyz), 3);
  EXPECT_EQ(Detect("xy.txt", xy), 2);
  EXPECT_EQ(Detect("noted.txt", noted), 3);
}

TEST_F(Detection, NameWithoutExtensionTriesTheCandidatesAndCellRecordsFindAWorksheet) {
  struct Case {
    const char* file;  // written before the name is looked up
    std::string bytes;
    const char* name;
    int kind;
    const char* found;
  };
  const Case cases[] = {
      {"data.WK1", Worksheet(1), "data", 8, "data.WK1"},
      {"data.PRN", "1 2 3\n", "data", 3, "data.PRN"},  // ".PRN" comes first
      {"lower.wk3", Worksheet(3), "lower", 12, "lower.wk3"},
      {"bare", "1 2 3\n", "bare", 3, "bare"},
  };
  for (const Case& c : cases) {
    dir_.Write(c.file, c.bytes);
    std::string path = dir_.File(c.name);
    EXPECT_EQ(DetectImportFileType(path), c.kind) << c.file;
    EXPECT_EQ(path, dir_.File(c.found));
  }
  // No known header, but a chain of records leading to a number cell.
  bytes::ByteWriter w;
  w.U16(0x99), w.U16(2), w.U16(0);
  w.U16(0x0E), w.U16(13), w.U8(0xFF), w.U16(0), w.U16(0), w.F64(1.5);
  w.U16(1), w.U16(0);
  EXPECT_EQ(Detect("walk.wks", Text(w.Take())), 8);
  // A broken chain: the byte search finds the cell.
  Bytes scan{0x44, 0x44, 0xFF, 0x7F, 0x20, 0x0E, 0, 13, 0, 0xFF, 1, 0, 2, 0};
  scan.resize(40, 0);
  EXPECT_EQ(Detect("scan.wk1", Text(scan)), 8);
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

  // The workbook stream that gnumeric wrote starts with the BOF of BIFF8.
  ASSERT_TRUE(file.Open(FixturePath("gnumeric_biff8.xls").string()));
  const auto book = file.ReadStream(file.FindChild(file.Root(), "Workbook"));
  ASSERT_TRUE(book.has_value());
  ASSERT_GE(book->size(), 8u);
  EXPECT_EQ((*book)[0], 0x09);
  EXPECT_EQ((*book)[1], 0x08);
  EXPECT_TRUE(file.ReadStream(file.FindChild(file.Root(), "\x05SummaryInformation")).has_value());
}

}  // namespace
