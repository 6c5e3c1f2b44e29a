// Every reader that reads chosen columns tells the rows it passed over because a chosen column
// held text, an error or nothing where another held a number: a value written as its digits,
// an empty cell, a formula error. Such rows used to vanish without a word (40 points saved
// came back 30). Headings, titles and notes, which hold no number in the chosen columns,
// are no data and are not counted.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exchange/ascii_readers.h"
#include "exchange/compound_file_builder.h"
#include "exchange/dbase_builder.h"
#include "exchange/dbase_reader.h"
#include "exchange/dif_reader.h"
#include "exchange/excel_readers.h"
#include "exchange/exchange_test_support.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"
#include "exchange/mvw_builder.h"
#include "exchange/mvw_reader.h"
#include "exchange/sav_builder.h"
#include "exchange/sav_readers.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_readers.h"

namespace {

using namespace exchange_test;

// The table every hand-built file holds under a title and a heading of names: five rows of
// X, Y, Z, of which the second has a text Z and the fourth none, then a row of notes.
struct TCell {
  enum Kind { kNumber, kText, kEmpty } kind;
  double value = 0;
  const char* text = "";
};
TCell Num(double v) { return {TCell::kNumber, v}; }
TCell Txt(const char* t) { return {TCell::kText, 0, t}; }
TCell Gap() { return {TCell::kEmpty}; }

const std::vector<std::vector<TCell>> kRows = {
    {Txt("x"), Txt("y"), Txt("z")},
    {Num(1), Num(2), Num(3)},
    {Num(4), Num(5), Txt("1e+400")},
    {Num(7), Num(8), Num(9)},
    {Num(10), Num(11), Gap()},
    {Num(13), Num(14), Num(15)},
    {Txt("note"), Gap(), Txt("end")},
};
const std::vector<RowValues> kPoints = {Point(1, 2, 3), Point(7, 8, 9), Point(13, 14, 15)};

// The cells in file order: row by row, or column by column (WQ1, WB1).
void EachCell(bool byColumn, const std::function<void(int column, int row, const TCell&)>& put) {
  if (!byColumn) {
    for (std::size_t r = 0; r < kRows.size(); ++r)
      for (std::size_t c = 0; c < 3; ++c) put(static_cast<int>(c), static_cast<int>(r) + 1, kRows[r][c]);
    return;
  }
  for (std::size_t c = 0; c < 3; ++c)
    for (std::size_t r = 0; r < kRows.size(); ++r) put(static_cast<int>(c), static_cast<int>(r) + 1, kRows[r][c]);
}

Bytes Wk1File(bool wq1) {
  SheetBuilder b;
  wq1 ? b.Wq1Bof() : b.Wk1Bof();
  if (!wq1) b.Wk1Label(0, 0, "Survey");
  EachCell(wq1, [&](int c, int r, const TCell& cell) {
    if (cell.kind == TCell::kNumber) b.Wk1Number(c, r, cell.value);
    if (cell.kind == TCell::kText) b.Wk1Label(c, r, cell.text, wq1);
  });
  return b.Wk1Eof().Take();
}

Bytes Wk3File() {
  SheetBuilder b;
  b.Wk3Bof().Wk3Label(0, 0, 0, "Survey");
  EachCell(false, [&](int c, int r, const TCell& cell) {
    if (cell.kind == TCell::kNumber) b.Wk3Number(0, c, r, cell.value);
    if (cell.kind == TCell::kText) b.Wk3Label(0, c, r, cell.text);
  });
  return b.Record(28, {0, 0, 0x2D, 0, 0, 0}).Take();
}

Bytes Wb1File() {
  SheetBuilder b;
  b.Wb1Bof();
  EachCell(true, [&](int c, int r, const TCell& cell) {
    if (cell.kind == TCell::kNumber) b.Wb1Number(0, c, r, cell.value);
    if (cell.kind == TCell::kText) b.Wb1Label(0, c, r, cell.text);
  });
  return b.Record(1, {}).Take();
}

Bytes BiffFile() {
  SheetBuilder b;
  b.BiffBof(0x0809, 0x0500, 0x0010).BiffLabel(0, 0, "Survey");
  EachCell(false, [&](int c, int r, const TCell& cell) {
    if (cell.kind == TCell::kNumber) b.BiffNumber(r, c, cell.value);
    if (cell.kind == TCell::kText) b.BiffLabel(r, c, cell.text);
  });
  return b.BiffEof().Take();
}

std::vector<MvwColumn> MvwColumns() {
  std::vector<MvwColumn> columns;
  for (std::uint32_t c = 0; c < 3; ++c) {
    MvwColumn column{c, kRows[0][c].text, {}};
    for (std::size_t r = 1; r < kRows.size(); ++r) {
      const TCell& cell = kRows[r][c];
      column.cells.push_back(cell.kind == TCell::kNumber ? MvwNumber(cell.value)
                             : cell.kind == TCell::kText ? MvwText(cell.text)
                                                         : MvwEmpty());
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

std::vector<Mv5Column> Mv5Columns() {
  std::vector<Mv5Column> columns;
  for (int c = 0; c < 3; ++c) {
    Mv5Column column{c, std::string(kRows[0][static_cast<std::size_t>(c)].text), {}};
    for (std::size_t r = 1; r < kRows.size(); ++r) {
      const TCell& cell = kRows[r][static_cast<std::size_t>(c)];
      column.cells.push_back(cell.kind == TCell::kNumber ? N(cell.value) : cell.kind == TCell::kText ? T(cell.text) : E());
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

std::string DifText() {
  std::string t = "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0,7\n\"\"\nDATA\n0,0\n\"\"\n";
  for (const auto& row : kRows) {
    t += "-1,0\nBOT\n";
    for (const TCell& cell : row) {
      if (cell.kind == TCell::kNumber) t += "0," + std::to_string(cell.value) + "\nV\n";
      if (cell.kind == TCell::kText) t += std::string("1,0\n\"") + cell.text + "\"\n";
      if (cell.kind == TCell::kEmpty) t += "1,0\n\"\"\n";
    }
  }
  return t + "-1,0\nEOD\n";
}

std::string TextColumns() {
  std::string t = "\"Survey\"\n";
  for (const auto& row : kRows) {
    for (const TCell& cell : row)
      t += cell.kind == TCell::kNumber ? std::to_string(cell.value) + "," : cell.kind == TCell::kText ? std::string(cell.text) + "," : ",";
    t += "0\n";
  }
  return t;
}

// X, Y, Z of five cases, the second with a system-missing Z, the fourth missing throughout
// (no number: not counted).
Bytes SavFile() {
  Bytes file = BuildSavFile({SavVar("X"), SavVar("Y"), SavVar("Z")});
  constexpr int kSysmis = 255;
  for (const int code : {101, 102, 103, 104, 105, kSysmis, 107, 108, 109, kSysmis, kSysmis, kSysmis, 113, 114, 115})
    file.push_back(static_cast<std::uint8_t>(code));
  file.resize(file.size() + 1, 0);  // the last block of eight codes
  return file;
}

class SkippedRows : public TableTest {};

TEST_F(SkippedRows, EveryReaderOfChosenColumnsCountsTheRowsItPassedOver) {
  struct Case {
    const char* what;
    std::function<TReadResult()> read;
    std::vector<RowValues> points;
    int skipped;
    int beyond = 0;  // rows of a number beyond +-1e300, told apart
  };
  const auto at = [this](const char* name, const Bytes& bytes) { return dir_.Write(name, bytes); };
  const Bytes biff = BiffFile();
  const Case cases[] = {
      {"WK1", [&] { return ReadWorksheet(ChosenColumns(at("s.wk1", Wk1File(false)), 0, 1, 2)); }, kPoints, 2},
      {"WK3", [&] { return ReadWorksheet(ChosenColumns(at("s.wk3", Wk3File()), 0, 1, 2)); }, kPoints, 2},
      {"WQ1, column by column", [&] { return ReadQuattroWQ1(ChosenColumns(at("s.wq1", Wk1File(true)), 0, 1, 2)); },
       kPoints, 2},
      {"WB1", [&] { return ReadQuattroWB1(ChosenColumns(at("s.wb1", Wb1File()), 0, 1, 2)); }, kPoints, 2},
      {"Excel BIFF", [&] { return ReadExcelBiff(ChosenColumns(at("s.xls", biff), 0, 1, 2)); }, kPoints, 2},
      {"Excel compound file",
       [&] { return ReadOleExcel(ChosenColumns(at("c.xls", BuildCompoundFile({{"Book", false, biff, {}}})), 0, 1, 2)); },
       kPoints, 2},
      {"Windows worksheet", [&] { return ReadMvw(ChosenColumns(at("s.mvw", BuildMvw(MvwColumns())), 1, 2, 3)); },
       kPoints, 2},
      {"DOS worksheet",
       [&] {
         const std::string path = dir_.File("s.mv5");
         EXPECT_EQ(WriteMv5(path, Mv5Columns()), MvCode::kOk);
         return ReadMv5(ChosenColumns(path, 1, 2, 3));
       },
       kPoints, 2},
      {"DIF", [&] { return ReadDif(ChosenColumns(dir_.Write("s.dif", DifText()), 0, 1, 2)); }, kPoints, 2},
      // Plain text holds no labels: its "1e+400" is a number beyond the data's range.
      {"multi-column text", [&] { return ReadAsciiMultiColumn(ChosenColumns(dir_.Write("s.txt", TextColumns()), 1, 2, 3)); },
       kPoints, 1, 1},
      {"statistics package", [&] { return ReadOkapSav(ChosenColumns(at("s.sav", SavFile()), 1, 2, 3)); },
       {Point(1, 2, 3), Point(7, 8, 9), Point(13, 14, 15)}, 1},
      // Files other programs wrote: gnumeric's with an empty and a text Z cell, LibreOffice's
      // with a Z that divides by zero.
      {"gnumeric BIFF8", [&] { return ReadOleExcel(ChosenColumns(FixturePath("gnumeric_biff8.xls").string(), 0, 1, 2, 3)); },
       {}, 2},
      {"gnumeric DIF", [&] { return ReadDif(ChosenColumns(FixturePath("gnumeric_points.dif").string(), 0, 1, 2, 3)); },
       {}, 2},
      {"LibreOffice workbook",
       [&] { return ReadOleExcel(ChosenColumns(FixturePath("libreoffice_book.xls").string(), 0, 1, 2, 3, 1)); }, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TReadResult r = c.read();
    ASSERT_EQ(r.error, TReadError::kNone);
    if (!c.points.empty()) { EXPECT_EQ(RowsOf(r), c.points); }
    EXPECT_EQ(r.skippedRows, c.skipped);
    EXPECT_EQ(r.beyondRangeRows, c.beyond);
    EXPECT_EQ(r.inactiveRows, 0);
  }
}

// A digital filter drops points, not rows of text: the rows passed over are told as they are.
TEST_F(SkippedRows, AFilteredReadStillTellsEveryRowPassedOver) {
  TReadArgs args = ChosenColumns(dir_.Write("s.wk1", Wk1File(false)), 0, 1, 2);
  args.filterN = 2;
  const TReadResult r = ReadWorksheet(args);
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(7, 8, 9)}));
  EXPECT_EQ(r.skippedRows, 2);
}

// dBASE keeps every record in its place: a record whose chosen field is blank or text reads
// as 0 there and is kept inactive, and told; a deleted record is inactive anyway and not told.
TEST_F(SkippedRows, DbaseKeepsSuchRecordsInactiveAndTellsThem) {
  const std::string path = dir_.Write(
      "s.dbf", DbaseTable({{"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}},
                          {{"1", "2", "3"}, {"4", "5", "1e+400x"}, {"7", "8", "9"}, {"10", "11", ""}, {"13", "", "15"}},
                          {false, false, false, false, true}));
  const TReadResult r = ReadDbase(ChosenColumns(path, 1, 2, 3));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 2, 3), Point(4, 5, 0, 1, '*'), Point(7, 8, 9),
                                             Point(10, 11, 0, 1, '*'), Point(13, 0, 15, 1, '*')}));
  EXPECT_EQ(r.inactiveRows, 2);
  EXPECT_EQ(r.skippedRows, 0);
}

}  // namespace
