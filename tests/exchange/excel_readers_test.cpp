// The Excel readers on workbooks LibreOffice and gnumeric wrote (BIFF8 and BIFF5 compound
// files), on notebooks built by gsf, on our own BIFF4 sheets and on hand-built records.
// libgsf's gsf tool serves as an independent reader of the compound files.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/biff_cells.h"
#include "exchange/compound_file.h"
#include "exchange/excel_readers.h"
#include "exchange/exchange_test_support.h"
#include "exchange/export/xls_export.h"
#include "exchange/import_detection.h"
#include "exchange/notebook_readers.h"
#include "exchange/worksheet_builder.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;

bool HaveGsf() { return std::system("command -v gsf >/dev/null 2>&1") == 0; }

// The standard output of a command.
std::string CommandOutput(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

// The note of row i of the LibreOffice fixture, as the program's Windows-1252 text: ß, ü,
// ä and € have their bytes there; Ω and → have none and read as '?'.
std::string FixtureNote(int i) {
  char number[16];
  std::snprintf(number, sizeof number, "%04d", i);
  switch (i % 4) {
    case 0: return std::string("Probe ") + number;
    case 1: return std::string("Ma\xDFstab ") + number + " \xFC";
    case 2: return std::string("?mega ") + number + " \x80";
    default: return std::string("Punkt ") + number + " ? n\xE4" "chster";
  }
}

class ExcelReaders : public TableTest {};

// The LibreOffice workbook: an empty first sheet, the data on the second, labels through
// the shared-string table, a formula error dropping its row, a negative weight marking its
// row inactive.
TEST_F(ExcelReaders, LibreOfficeWorkbookDataOnTheSecondSheet) {
  std::string path = FixturePath("libreoffice_book.xls").string();
  EXPECT_EQ(DetectImportFileType(path), 20);
  std::vector<std::string> list;
  ASSERT_EQ(ListOleExcelColumns(path, list), 5);
  EXPECT_EQ(list, (Texts{"B!A : Trial 4 east", "B!B : north", "B!C : height", "B!D : weight",
                         "B!F : note Probe 0000 Ma\xDFstab 0001 \xFC ?mega 0002"}));

  const TReadResult r = ReadOleExcel(ChosenColumns(path, 0, 1, 2, 3, 1));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1.5L, 2, 3.25L, 1), Point(4, 5, 6, 2), Point(7, 8, 9, 0.5L),
                                             Point(13, 14, 15, 4), Point(16, 17, 18, 2, '*'), Point(19, 20, 21, 1),
                                             Point(22, 23, 24, 8), Point(25, 26, 27, 1), Point(28, 29, 85, 1)}));
  EXPECT_TRUE(r.weighted);
  EXPECT_EQ(r.titles.Title, "Trial 4");
  EXPECT_EQ(r.titles.XName, "east");
  EXPECT_EQ(r.titles.ZName, "height");
  EXPECT_EQ(ReadOleExcelColumn(path, 1, 2), (TColumnArray{9, 3.25L, 6, 9, 15, 18, 21, 24, 27, 85}));
  EXPECT_EQ(ReadOleExcelColumn(path, 1, 5), (TColumnArray{0}));
  EXPECT_EQ(ReadOleExcel(ChosenColumns(path, 0, 1, 2, -1, 0)).Count(), 0);

  // The 900 notes fill the shared-string table past two CONTINUE records; each reads back.
  const auto stream = ExtractOleWorkbook(path);
  ASSERT_TRUE(stream);
  const TSheetCells cells = DecodeBiffCells(*stream);
  EXPECT_FALSE(cells.cut);
  int notes = 0;
  for (const TSheetCell& c : cells.cells)
    if (c.sheet == 1 && c.column == 5 && c.row >= 2) {
      ASSERT_EQ(c.kind, TCellKind::kLabel);
      EXPECT_EQ(cells.Text(c), FixtureNote(c.row - 2)) << c.row;
      ++notes;
    }
  EXPECT_EQ(notes, 900);
}

// gnumeric's BIFF5 ("Book", 8-bit labels) and BIFF8 ("Workbook", shared strings) of one
// table: an empty Z cell and a text Z cell leave their rows out; a weight of 0 stays 0.
TEST_F(ExcelReaders, GnumericBiff5AndBiff8ReadAlike) {
  for (const char* name : {"gnumeric_biff7.xls", "gnumeric_biff8.xls"}) {
    SCOPED_TRACE(name);
    std::string path = FixturePath(name).string();
    EXPECT_EQ(DetectImportFileType(path), 20);
    const TReadResult r = ReadOleExcel(ChosenColumns(path, 0, 1, 2, 3));
    EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 2, 3.5L, 1), Point(-1500, 11, 12, 0),
                                               Point(0.25L, -3, 1e-2, 4), Point(100, 200, 300, 0.5L)}));
    EXPECT_EQ(r.titles.XName, "x");
    EXPECT_EQ(r.titles.Title, "");
    std::vector<std::string> list;
    EXPECT_EQ(ListOleExcelColumns(path, list), 4);
    EXPECT_EQ(list, (Texts{"A!A : x", "A!B : y", "A!C : z abc", "A!D : w"}));
  }
}

// Every stream of every compound fixture reads as gsf reads it.
TEST_F(ExcelReaders, CompoundStreamsMatchGsf) {
  if (!HaveGsf()) GTEST_SKIP() << "gsf (libgsf-bin) missing";
  int streams = 0;
  for (const char* name : {"libreoffice_book.xls", "gnumeric_biff7.xls", "gnumeric_biff8.xls",
                           "notebook_excel.rnb", "notebook_data.rnb"}) {
    const std::string path = FixturePath(name).string();
    TCompoundFile file;
    ASSERT_TRUE(file.Open(path)) << name;
    std::istringstream listing(CommandOutput("gsf list '" + path + "'"));
    for (std::string line; std::getline(listing, line);) {
      // "f  <date> <time>   <size> <path>" or "f   <size> <path>": the path follows the size.
      if (line.rfind("f ", 0) != 0) continue;
      std::istringstream words(line.substr(1));
      std::vector<std::string> w;
      for (std::string word; words >> word;) w.push_back(word);
      std::size_t sizeAt = w.size() >= 4 && w[0].find('-') != std::string::npos ? 2 : 0;
      const std::string entryPath = line.substr(line.find(w[sizeAt + 1], line.find(w[sizeAt])));
      int entry = file.Root();
      for (std::size_t from = 0; entry >= 0;) {
        const std::size_t slash = entryPath.find('/', from);
        entry = file.FindChild(entry, entryPath.substr(from, slash - from));
        if (slash == std::string::npos) break;
        from = slash + 1;
      }
      const auto ours = file.ReadStream(entry);
      ASSERT_TRUE(ours) << name << " " << entryPath;
      const std::string theirs = CommandOutput("gsf cat '" + path + "' '" + entryPath + "'");
      EXPECT_EQ(std::string(ours->begin(), ours->end()), theirs) << name << " " << entryPath;
      ++streams;
    }
  }
  EXPECT_EQ(streams, 5 + 3 + 3 + 1 + 3);
}

TEST_F(ExcelReaders, NotebookSections) {
  std::string excel = FixturePath("notebook_excel.rnb").string();
  EXPECT_EQ(DetectImportFileType(excel), 22);
  std::vector<std::string> list;
  EXPECT_EQ(ListNotebookColumns(excel, list), 4);
  EXPECT_EQ(list[2], "A!C : z abc");
  EXPECT_EQ(RowsOf(ReadNotebook(ChosenColumns(excel, 0, 1, 2))),
            (std::vector<RowValues>{Point(1, 2, 3.5L), Point(-1500, 11, 12), Point(0.25L, -3, 1e-2), Point(100, 200, 300)}));
  EXPECT_EQ(ReadNotebookColumn(excel, 0, 1), (TColumnArray{6, 2, 5, 8, 11, -3, 200}));

  // The first section found is pattern 2 ("Data xRNB") with digit 3: a data worksheet, read
  // from memory, though an Excel section follows.
  std::string data = FixturePath("notebook_data.rnb").string();
  EXPECT_EQ(DetectImportFileType(data), 21);
  EXPECT_EQ(ListNotebookColumns(data, list), 4);
  EXPECT_EQ(list, (Texts{"   1: Easting", "   2: Northing", "   3: Depth", "   4: Weight"}));
  const TReadResult r = ReadNotebook(ChosenColumns(data, 1, 2, 3, 4));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 10, 0.5L, 1), Point(2, 20, 0.25L, 2), Point(4, 40, -1.5L, 4)}));
  EXPECT_EQ(r.titles.YName, "Northing");
  EXPECT_EQ(ReadNotebookColumn(data, 0, 2), (TColumnArray{5, 10, 20, ExprErrorValue, 40, 50}));
  EXPECT_EQ(ReadNotebook(ChosenColumns(dir_.File("none.rnb"), 1, 2, 3)).error, TReadError::kCannotOpen);
  EXPECT_EQ(ListNotebookColumns(FixturePath("gnumeric_biff8.xls").string(), list), kListMalformed);
}

// Our own Excel 4 sheet (a plain BIFF file): letters name the columns, one pass reads the
// rows.
TEST_F(ExcelReaders, PlainBiff4SheetOfOurWriter) {
  bytes::ByteWriter w;
  Biff4PutHeader(w, 6, 3);
  Biff4PutLabel(w, 0, 0, "Grid");
  Biff4PutLabel(w, 0, 1, "u"), Biff4PutLabel(w, 1, 1, "v"), Biff4PutLabel(w, 2, 1, "f(u,v)");
  for (int r = 2; r < 6; ++r)
    for (int c = 0; c < 3; ++c) Biff4PutNumber(w, c, r, r * 10 + c + 0.5);
  Biff4PutClosing(w);
  std::string path = dir_.Write("grid.xls", w.Take());
  EXPECT_EQ(DetectImportFileType(path), 13);
  const TReadResult r = ReadExcelBiff(ChosenColumns(path, 2, 0, 1));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(22.5L, 20.5L, 21.5L), Point(32.5L, 30.5L, 31.5L),
                                             Point(42.5L, 40.5L, 41.5L), Point(52.5L, 50.5L, 51.5L)}));
  EXPECT_EQ(r.titles.Title, "Grid");
  EXPECT_EQ(r.titles.XName, "f(u,v)");
  std::vector<std::string> list;
  EXPECT_EQ(ListExcelColumns(path, list), 3);
  EXPECT_EQ(list, (Texts{"A : Grid u", "B : v", "C : f(u,v)"}));
  EXPECT_EQ(ReadExcelColumn(path, 1), (TColumnArray{4, 21.5L, 31.5L, 41.5L, 51.5L}));
}

// Cell records one by one: RK forms, MULRK, booleans and errors, formula results; a cell
// that shows no number (an error, a text result) leaves its row out; a weight not above 0
// becomes 1 in the plain file's one pass.
TEST_F(ExcelReaders, CellRecordsAndResultsThatAreNoNumber) {
  SheetBuilder b;
  b.BiffBof(0x0809, 0x0500, 0x0010);
  b.BiffRk(0, 0, SheetBuilder::RkInteger(-7)).BiffRk(0, 1, SheetBuilder::RkInteger(1234, true));
  b.BiffRk(0, 2, SheetBuilder::RkDouble(0.75)).BiffRk(0, 3, SheetBuilder::RkDouble(3.5, true));
  b.BiffMulRk(1, 0, {SheetBuilder::RkInteger(1), SheetBuilder::RkInteger(2), SheetBuilder::RkInteger(3),
                     SheetBuilder::RkInteger(-2)});
  b.BiffNumber(2, 0, 4).BiffBoolErr(2, 1, 1, false).BiffFormula(2, 2, SheetBuilder::NumberResult(6)).BiffNumber(2, 3, 0);
  b.BiffNumber(3, 0, 7).BiffNumber(3, 1, 8).BiffFormula(3, 2, SheetBuilder::OtherResult(0, 0)).BiffNumber(3, 3, 1);
  b.BiffNumber(4, 0, 9).BiffBoolErr(4, 1, 7, true).BiffNumber(4, 2, 1).BiffNumber(4, 3, 1);
  b.BiffNumber(5, 0, 10).BiffNumber(5, 1, 11).BiffFormula(5, 2, SheetBuilder::OtherResult(1, 1), 0x0406).BiffNumber(5, 3, 3);
  b.BiffNumber(6, 0, 12).BiffNumber(6, 1, 13).BiffFormula(6, 2, SheetBuilder::OtherResult(2, 7)).BiffNumber(6, 3, 1);
  b.BiffEof();
  std::string path = dir_.Write("cells.xls", b.Take());
  EXPECT_EQ(DetectImportFileType(path), 13);
  const TReadResult r = ReadExcelBiff(ChosenColumns(path, 0, 1, 2, 3));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(-7, 12.34L, 0.75L, 3.5L / 100), Point(1, 2, 3, 1), Point(4, 1, 6, 1),
                                             Point(10, 11, 1, 3)}));
  EXPECT_TRUE(r.weighted);
}

TEST(BiffRk, PublishedEncodings) {
  // Integers in bits 2-31, doubles in the top 30 bits, bit 0 divides by 100.
  EXPECT_EQ(DecodeRk(0x3FF00000u), 1.0L);
  EXPECT_EQ(DecodeRk(0x405EC001u), 1.23L);  // 123 / 100 as a double's top bits
  EXPECT_EQ(DecodeRk(0x00000C8Eu), 803);
  EXPECT_EQ(DecodeRk(0xFFFFFFFEu), -1);
  EXPECT_EQ(DecodeRk(0x00001F43u), 20);  // 2000 / 100
}

// BIFF8 text: compressed and UTF-16 runs, a string whose characters continue in the next
// record with a new option byte, rich runs and phonetic blocks passed over, a pair of
// surrogates as one '?', and a table cut short.
TEST(BiffSharedStrings, ContinuedRunsAndWidths) {
  const std::vector<std::uint8_t> sst = {4, 0, 0, 0, 4, 0, 0, 0,
                                         3, 0, 0, 'a', 'b', 'c',                     // compressed
                                         2, 0, 1, 0xA9, 0x03, 0xFC, 0x00,           // Ω ü as UTF-16
                                         4, 0, 0x08, 1, 0, 'x', 'y'};              // rich, 1 run: cut here
  const std::vector<std::uint8_t> cont1 = {1, 0x3D, 0xD8, 0x00, 0xDE,  // new option byte: UTF-16, a surrogate pair
                                           0, 0, 0, 0,                 // the rich run
                                           2, 0, 0x04, 2, 0, 0, 0, 'o', 'k', 0xAA, 0xBB};
  const std::vector<std::span<const std::uint8_t>> segments = {sst, cont1};
  EXPECT_EQ(DecodeSharedStrings(segments), (Texts{"abc", "?\xFC", "xy?", "ok"}));
  const std::vector<std::span<const std::uint8_t>> cut = {sst};
  EXPECT_EQ(DecodeSharedStrings(cut), (Texts{"abc", "?\xFC"}));
}

}  // namespace
