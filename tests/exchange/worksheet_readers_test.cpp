// The Lotus and Quattro worksheet readers on images our own writers make (WK1 and WK3 of
// the data table, WB1 of the export tables) and on hand-built records, well formed and
// hostile.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/data_file_writers.h"
#include "app/worksheet_records.h"
#include "exchange/export/qpw_export.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/lotus_cells.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_readers.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;

class WorksheetReaders : public TableTest {};

TEST_F(WorksheetReaders, Wk1OfOurWriterGivesNamesFromLabelsAndNoPointForAnEmptyCell) {
  TWorksheetImage image(1, 3, 6);
  image.Label(0, 0, "Survey 7");
  image.Label(0, 1, "east"), image.Label(1, 1, "north"), image.Label(2, 1, "depth");
  const double rows[4][3] = {{1.5, 2, 3}, {4, 5, 6}, {7, 8, 0}, {-1e-3, 1e300, 12}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c)
      if (!(r == 2 && c == 2)) image.Number(c, r + 2, rows[r][c]);  // row 4 has no Z
  std::string path = dir_.Write("survey.wk1", image.Finish());
  EXPECT_EQ(DetectImportFileType(path), 8);

  const TReadResult r = ReadWorksheet(ChosenColumns(path, 0, 1, 2));
  // The double nearest 1e300 is the data's limit 1e300 itself (it came back a hair beyond).
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1.5L, 2, 3), Point(4, 5, 6), Point(-1e-3, 1e300L, 12)}));
  EXPECT_EQ(r.titles.Title, "Survey 7");
  EXPECT_EQ(r.titles.XName, "east");
  EXPECT_EQ(r.titles.ZName, "depth");
  EXPECT_FALSE(r.weighted);

  std::vector<std::string> list;
  EXPECT_EQ(ListWorksheetColumns(path, list, 8), 3);
  EXPECT_EQ(list, (Texts{"A : Survey 7 east", "B : north", "C : depth"}));
  EXPECT_EQ(ReadWorksheetColumn(path, 0, 2), (TColumnArray{3, 3, 6, 12}));

  // The digital filter counts complete rows only.
  TReadArgs filtered = ChosenColumns(path, 0, 1, 2);
  filtered.filterN = 2;
  EXPECT_EQ(RowsOf(ReadWorksheet(filtered)), (std::vector<RowValues>{Point(4, 5, 6)}));
}

// Our data table written as WK1 and WK3 reads back point for point: 80-bit values exactly
// from WK3, their doubles from WK1; weights from the fourth column.
TEST_F(WorksheetReaders, DataTableImagesReadBack) {
  PointTable table = NewPointTable(5);
  for (int i = 1; i <= 5; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = 1.0L / (i + 2), p.Y = -i * 1e-7L, p.Z = std::exp(static_cast<long double>(i)), p.W = 0.25L * i;
    p.Status = kPointActive;
  }
  table[0].W = 1;
  TDataTitles titles;
  // Labels go out in code page 850 and come back in the program's Windows-1252.
  titles.SetTitle("Run 12 \xB5" "m \xFC"), titles.SetXName("x"), titles.SetYName("y \xB0" "C"), titles.SetZName("z");
  for (int form : {1, 3}) {
    SCOPED_TRACE(form);
    const std::string path = dir_.Write(form == 1 ? "t.wk1" : "t.wk3", DataWorksheet(table, titles, form));
    const TReadResult r = ReadWorksheet(ChosenColumns(path, 0, 1, 2, 3));
    ASSERT_EQ(r.Count(), 5);
    for (int i = 1; i <= 5; ++i) {
      const TXYZPoint& p = table[static_cast<std::size_t>(i)];
      const auto exact = [form](long double v) { return form == 3 ? v : static_cast<long double>(static_cast<double>(v)); };
      EXPECT_EQ(RowsOf(r)[static_cast<std::size_t>(i - 1)], Point(exact(p.X), exact(p.Y), exact(p.Z), exact(p.W)));
    }
    EXPECT_TRUE(r.weighted);
    EXPECT_EQ(r.titles.Title, "Run 12 \xB5" "m \xFC");
    EXPECT_EQ(r.titles.YName, "y \xB0" "C");
  }
}

TEST_F(WorksheetReaders, Wk3SheetOneSkipsSheetZeroAndStopsAtSheetTwo) {
  SheetBuilder b;
  b.Wk3Bof();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) b.Wk3Number(0, c, r, 100 + r);
  b.Wk3Label(1, 0, 0, "Sheet B"), b.Wk3Label(1, 0, 1, "u"), b.Wk3Label(1, 1, 1, "v"), b.Wk3Label(1, 2, 1, "w");
  const long double third = 1.0L / 3;
  for (int r = 2; r < 6; ++r) {
    b.Wk3Number(1, 0, r, third * r);
    b.Wk3Packed(1, 1, r, 0x13, 0);  // 500
    b.Wk3Formula(1, 2, r, -r);
  }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) b.Wk3Number(2, c, r, 200 + r);
  b.Record(28, {0, 0, 0x2D, 0, 0, 0});  // the trailer's first record ends the cells
  b.Wk3Number(3, 0, 0, 1), b.Wk3Number(3, 1, 0, 2), b.Wk3Number(3, 2, 0, 3);
  std::string path = dir_.Write("book.wk3", b.Take());
  EXPECT_EQ(DetectImportFileType(path), 12);

  const TReadResult r = ReadWorksheet(ChosenColumns(path, 0, 1, 2, -1, 1));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(third * 2, 500, -2), Point(third * 3, 500, -3),
                                             Point(third * 4, 500, -4), Point(third * 5, 500, -5)}));
  EXPECT_EQ(r.titles.Title, "Sheet B");
  EXPECT_EQ(r.titles.XName, "u");
  EXPECT_EQ(r.titles.ZName, "w");

  std::vector<std::string> list;
  EXPECT_EQ(ListWorksheetColumns(path, list, 12), 9);
  EXPECT_EQ(list, (Texts{"A!A :", "A!B :", "A!C :", "B!A : Sheet B u", "B!B : v", "B!C : w", "C!A :", "C!B :",
                         "C!C :"}));
  EXPECT_EQ(ReadWorksheetColumn(path, 1, 1), (TColumnArray{4, 500, 500, 500, 500}));
  EXPECT_EQ(ReadWorksheetColumn(path, 2, 0), (TColumnArray{4, 200, 201, 202, 203}));
}

TEST(LotusPackedNumbers, EveryScaleCode) {
  struct Case {
    std::uint8_t b0, b1;
    long double value;
  };
  const Case cases[] = {
      {0x13, 0x00, 500},                   // m = 1, code 3
      {0x02, 0x00, 1},      {0xFE, 0xFF, -1},  {0x00, 0x80, -16384},  // even: the 15-bit integer
      {0x21, 0x00, 10000},  {0x23, 0xFF, -7000},  // m = -16 + 2
      {0x35, 0x00, 3.0L / 20},  {0x47, 0x01, 20.0L / 200}, {0x19, 0x00, 1.0L / 2000},
      {0x1B, 0x00, 1.0L / 20000},
      {0x8D, 0x02, 2.5L},   {0x8F, 0x02, 2.5L / 4},  {0x8D, 0xFE, -1.5L},
  };
  for (const Case& c : cases) EXPECT_EQ(UnpackLotusNumber(c.b0, c.b1), c.value) << int{c.b0} << " " << int{c.b1};
}

// WQ1 files hold their cells column by column: each X row is joined with the Y and Z cells
// of the same row, so a row missing from Y drops only that row.
TEST_F(WorksheetReaders, Wq1RowMissingFromYPairsTheNextRowCorrectly) {
  SheetBuilder b;
  b.Wq1Bof();
  const char* names[3] = {"xs", "ys", "zs"};
  for (int c = 0; c < 3; ++c) {
    b.Wk1Label(c, 0, names[c], true);
    for (int r = 1; r <= 7; ++r) {
      if (c == 1 && r == 5) continue;
      if (c == 2 && r == 3)
        b.Wk1Formula(c, r, 30 + r);
      else if (c == 0)
        b.Wk1Integer(c, r, static_cast<std::int16_t>(r));
      else
        b.Wk1Number(c, r, 10.0 * c + r);
    }
  }
  b.Wk1Eof();
  std::string path = dir_.Write("cols.wq1", b.Take());
  EXPECT_EQ(DetectImportFileType(path), 11);

  const TReadResult r = ReadQuattroWQ1(ChosenColumns(path, 0, 1, 2));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 11, 21), Point(2, 12, 22), Point(3, 13, 33),
                                             Point(4, 14, 24), Point(6, 16, 26), Point(7, 17, 27)}));
  EXPECT_EQ(r.titles.XName, "xs");
  EXPECT_EQ(r.titles.YName, "ys");
  EXPECT_EQ(r.titles.Title, "");
  std::vector<std::string> list;
  EXPECT_EQ(ListWorksheetColumns(path, list, 11), 3);
  EXPECT_EQ(list, (Texts{"A : xs", "B : ys", "C : zs"}));
  EXPECT_EQ(ReadQuattroWQ1Column(path, 1), (TColumnArray{6, 11, 12, 13, 14, 16, 17}));
}

TEST_F(WorksheetReaders, MatrixOfThreeColumnsByTwoRowsGivesSixPoints) {
  SheetBuilder b;
  b.Wk1Bof();
  b.Wk1Label(0, 0, "z(x,y)");
  b.Wk1Number(1, 0, 1), b.Wk1Number(2, 0, 2), b.Wk1Integer(3, 0, 3);
  b.Wk1Number(0, 1, 10), b.Wk1Number(1, 1, 0.5), b.Wk1Number(2, 1, 0.25), b.Wk1Number(3, 1, 0.125);
  b.Wk1Number(4, 1, 99);  // column E has no x
  b.Wk1Number(0, 2, 20), b.Wk1Number(1, 2, 5), b.Wk1Number(2, 2, 6), b.Wk1Formula(3, 2, 7);
  b.Wk1Number(1, 3, 8);  // row 4 has no y
  b.Wk1Eof();
  const std::string path = dir_.Write("matrix.wk1", b.Take());
  const TReadResult r = ReadWorksheetMatrix(path, kXYZMaxPoints);
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 10, 0.5L), Point(2, 10, 0.25L), Point(3, 10, 0.125L),
                                             Point(1, 20, 5), Point(2, 20, 6), Point(3, 20, 7)}));
  EXPECT_EQ(ReadWorksheetMatrix(path, 4).Count(), 4);
  EXPECT_EQ(ReadWorksheetMatrix(path, 4).pointsCut, 2);
}

// The WB1 notebook of the export writer (cells column by column): a negative weight marks
// its row inactive and is stored as its magnitude.
TEST_F(WorksheetReaders, Wb1NotebookOfOurQuattroWriter) {
  bytes::ByteWriter w;
  QpwPutHeader(w, 6, 4);
  const double cells[4][4] = {{1, 2, 3, 0.5}, {4, 5, 6, -2}, {7, 8, 9, 1}, {1e-9, -2, 3e9, 4}};
  const char* names[4] = {"x", "y", "z", "w"};
  for (int c = 0; c < 4; ++c) {
    if (c == 0) QpwPutLabel(w, 0, 0, "Bore");
    QpwPutLabel(w, c, 1, names[c]);
    for (int r = 0; r < 4; ++r)
      if (!(c == 1 && r == 2)) QpwPutNumber(w, c, r + 2, cells[r][c]);
  }
  QpwPutClosing(w);
  std::string path = dir_.Write("bore.wb1", w.Take());
  EXPECT_EQ(DetectImportFileType(path), 9);

  const TReadResult r = ReadQuattroWB1(ChosenColumns(path, 0, 1, 2, 3));
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 2, 3, 0.5L), Point(4, 5, 6, 2, '*'), Point(1e-9, -2, 3e9, 4)}));
  EXPECT_TRUE(r.weighted);
  EXPECT_EQ(r.titles.Title, "Bore");
  EXPECT_EQ(r.titles.ZName, "z");
  // With a digital filter the inactive mark is not kept.
  TReadArgs filtered = ChosenColumns(path, 0, 1, 2, 3);
  filtered.filterN = 2;
  EXPECT_EQ(RowsOf(ReadQuattroWB1(filtered)), (std::vector<RowValues>{Point(4, 5, 6, 2)}));

  std::vector<std::string> list;
  EXPECT_EQ(ListWB1Columns(path, list), 4);
  EXPECT_EQ(list, (Texts{"A!A : Bore x", "A!B : y", "A!C : z", "A!D : w"}));
  EXPECT_EQ(ReadQuattroWB1Column(path, 0, 1), (TColumnArray{3, 2, 5, -2}));
}

// Lengths and indices read from the file are bounded: a record past the end or shorter
// than its fixed part ends the read with what was stored, columns past 230 are not listed,
// long labels are cut to their fields.
TEST_F(WorksheetReaders, HostileRecordsEndTheReadWithWhatWasStored) {
  const auto threeRows = [](SheetBuilder& b) {
    b.Wk1Bof();
    for (int r = 0; r < 3; ++r) b.Wk1Number(0, r, r), b.Wk1Number(1, r, r), b.Wk1Number(2, r, r);
  };
  const std::string longText(300, 'L');
  struct Case {
    const char* name;
    Bytes bytes;
    int points;
  };
  std::vector<Case> cases;
  {
    SheetBuilder b;
    threeRows(b);
    b.RawHeader(14, 0xFFF0).Append(Bytes(20, 1));  // a body past the end of the file
    cases.push_back({"record past the end", b.Take(), 3});
  }
  {
    SheetBuilder b;
    threeRows(b);
    b.Record(14, {0xFF, 0, 0, 3, 0});  // a number record without its number
    b.Wk1Number(0, 3, 3), b.Wk1Number(1, 3, 3), b.Wk1Number(2, 3, 3);
    cases.push_back({"record shorter than its fixed part", b.Take(), 3});
  }
  {
    SheetBuilder b;
    threeRows(b);
    b.Wk1Label(60000, 0, longText).Wk1Number(60000, 1, 5).Wk1Label(0, 0, longText).Wk1Eof();
    cases.push_back({"column 60000 and a long label", b.Take(), 3});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.Write("h.wk1", c.bytes);
    const TReadResult r = ReadWorksheet(ChosenColumns(path, 0, 1, 2));
    EXPECT_EQ(r.Count(), c.points);
    EXPECT_LE(r.titles.Title.size(), 80u);
    EXPECT_LE(r.titles.XName.size(), 40u);
    std::vector<std::string> list;
    EXPECT_EQ(ListWorksheetColumns(path, list, 8), 3);
    for (const std::string& e : list) EXPECT_LE(e.size(), 47u);
    EXPECT_EQ(ReadWorksheetMatrix(path, kXYZMaxPoints).Count(), 4);
  }

  SheetBuilder none;
  none.Wk1Bof().Record(0x63, Bytes(40, 7)).Wk1Eof();
  const std::string noCell = dir_.Write("none.wk1", none.Take());
  std::vector<std::string> list;
  EXPECT_EQ(ReadWorksheet(ChosenColumns(noCell, 0, 1, 2)).error, TReadError::kMalformed);
  EXPECT_EQ(ListWorksheetColumns(noCell, list, 8), kListMalformed);
  EXPECT_EQ(ListWorksheetColumns(dir_.File("missing.wk1"), list, 8), -2);
  EXPECT_EQ(ReadWorksheet(ChosenColumns(dir_.File("missing.wk1"), 0, 1, 2)).error, TReadError::kCannotOpen);
  EXPECT_TRUE(ReadWorksheetColumn(dir_.File("missing.wk1"), 0, 0).empty());
}

// A file whose header says WK3 is read as WK3 whatever its name; one whose header says
// neither goes by its name.
TEST_F(WorksheetReaders, LayoutFromTheHeaderThenTheName) {
  SheetBuilder b;
  b.Wk3Bof().Wk3Number(0, 0, 0, 1).Wk3Number(0, 1, 0, 2).Wk3Number(0, 2, 0, 3).Wk3Number(0, 0, 1, 4);
  b.Wk3Number(0, 1, 1, 5).Wk3Number(0, 2, 1, 6);
  const Bytes wk3 = b.Take();
  for (const char* name : {"a.wk3", "a.wkx"})
    EXPECT_EQ(ReadWorksheet(ChosenColumns(dir_.Write(name, wk3), 0, 1, 2)).Count(), 2) << name;
  const Bytes headless(wk3.begin() + 30, wk3.end());
  EXPECT_EQ(ReadWorksheet(ChosenColumns(dir_.Write("b.wk3", headless), 0, 1, 2)).Count(), 2);
  EXPECT_EQ(ReadWorksheet(ChosenColumns(dir_.Write("b.wk1", headless), 0, 1, 2)).error, TReadError::kMalformed);
}

}  // namespace
