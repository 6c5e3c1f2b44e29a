// Damaged worksheet files: a record shorter than its fixed part mid-file, a file cut inside
// its last record, a file without its end, and cells holding an infinity or NaN. What came
// before the damage is read and kept, and the read says after which row (as the spreadsheet
// numbers its rows) nothing more could be read; the cells without a finite number are told
// under their own reason. A short record after row 6 of 10 gave a 6-point table and no word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/test_points.h"
#include "app/settings_file.h"
#include "exchange/compound_file_builder.h"
#include "exchange/dbase_builder.h"
#include "exchange/excel_readers.h"
#include "exchange/sav_readers.h"
#include "exchange/sav_writers.h"
#include "exchange/exchange_test_support.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "exchange/import_registration.h"
#include "exchange/mvw_builder.h"
#include "exchange/mvw_reader.h"
#include "exchange/worksheet_builder.h"
#include "exchange/worksheet_readers.h"
#include "platform/message_box.h"

namespace {

using namespace exchange_test;

const std::vector<FieldSpec> kXYZW = {{"EAST", 'N', 8}, {"NORTH", 'F', 8}, {"HEIGHT", 'N', 10}, {"WT", 'N', 5}};
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The families a worksheet is written in, with their cell records and their reader.
enum class TFamily { kWk1, kWk3, kWq1, kWb1, kBiff };
struct TSheetFamily {
  const char* name;
  TFamily family;
  std::function<TReadResult(const TReadArgs&)> read;
  bool byColumn;  // cells stored column by column
};
const TSheetFamily kFamilies[] = {
    {"h.wk1", TFamily::kWk1, ReadWorksheet, false},   {"h.wk3", TFamily::kWk3, ReadWorksheet, false},
    {"h.wq1", TFamily::kWq1, ReadQuattroWQ1, true},   {"h.wb1", TFamily::kWb1, ReadQuattroWB1, true},
    {"h.xls", TFamily::kBiff, ReadExcelBiff, false},
};

struct TCellAt {
  int column, row;
  double value;
};

// A sheet of the family: a heading of names in row 0, then `rows` rows of X, Y, Z (row r
// holds r, 2r, 3r, with `values` put in their place), in file order; `damage` is called
// before the cell at (damageColumn, damageRow), and `end` writes the end record.
Bytes Sheet(TFamily f, int rows, const std::vector<TCellAt>& values = {}, int damageColumn = -1, int damageRow = -1,
            bool end = true) {
  SheetBuilder b;
  switch (f) {
    case TFamily::kWk1: b.Wk1Bof(); break;
    case TFamily::kWq1: b.Wq1Bof(); break;
    case TFamily::kWk3: b.Wk3Bof(); break;
    case TFamily::kWb1: b.Wb1Bof(); break;
    case TFamily::kBiff: b.BiffBof(0x0409, 0, 0x0010); break;
  }
  const auto label = [&](int column, const char* text) {
    switch (f) {
      case TFamily::kWk1: b.Wk1Label(column, 0, text); break;
      case TFamily::kWq1: b.Wk1Label(column, 0, text, true); break;
      case TFamily::kWk3: b.Wk3Label(0, column, 0, text); break;
      case TFamily::kWb1: b.Wb1Label(0, column, 0, text); break;
      case TFamily::kBiff: b.BiffLabel(0, column, text); break;
    }
  };
  // A record of the cell's type whose body stops before its number.
  const auto shortRecord = [&](int column, int row) {
    switch (f) {
      case TFamily::kWk1:
      case TFamily::kWq1: b.Record(14, {0xFF, static_cast<std::uint8_t>(column), 0, static_cast<std::uint8_t>(row), 0}); break;
      case TFamily::kWk3: b.Record(23, {static_cast<std::uint8_t>(row), 0, 0, static_cast<std::uint8_t>(column), 0}); break;
      case TFamily::kWb1: b.Record(14, {static_cast<std::uint8_t>(column), 0, static_cast<std::uint8_t>(row), 0, 0}); break;
      case TFamily::kBiff: b.Record(0x0203, {static_cast<std::uint8_t>(row), 0, static_cast<std::uint8_t>(column), 0, 15, 0}); break;
    }
  };
  const auto number = [&](int column, int row) {
    double v = row * (column + 1.0);
    for (const TCellAt& c : values)
      if (c.column == column && c.row == row) v = c.value;
    if (column == damageColumn && row == damageRow) shortRecord(column, row);
    switch (f) {
      case TFamily::kWk1:
      case TFamily::kWq1: b.Wk1Number(column, row, v); break;
      case TFamily::kWk3: b.Wk3Number(0, column, row, v); break;
      case TFamily::kWb1: b.Wb1Number(0, column, row, v); break;
      case TFamily::kBiff: b.BiffNumber(row, column, v); break;
    }
  };
  const bool byColumn = f == TFamily::kWq1 || f == TFamily::kWb1;
  if (byColumn) {
    for (int c = 0; c < 3; ++c) {
      label(c, c == 0 ? "x" : c == 1 ? "y" : "z");
      for (int r = 1; r <= rows; ++r) number(c, r);
    }
  } else {
    for (int c = 0; c < 3; ++c) label(c, c == 0 ? "x" : c == 1 ? "y" : "z");
    for (int r = 1; r <= rows; ++r)
      for (int c = 0; c < 3; ++c) number(c, r);
  }
  if (end) {
    if (f == TFamily::kBiff)
      b.BiffEof();
    else
      b.Wk1Eof();
  }
  return b.Take();
}

class DamagedFiles : public TableTest {};

// A record shorter than its fixed part after row 6 of 10 (the number of Z in row 7 for the
// files held by columns): rows 1-6 are read, and the read says the file is damaged after row 7
// of the sheet (its row 0 the heading), none of it a row of text or nothing.
TEST_F(DamagedFiles, AShortRecordMidFileIsReadUpToItAndTold) {
  for (const TSheetFamily& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const Bytes bytes = Sheet(family.family, 10, {}, family.byColumn ? 2 : 0, 7);
    const TReadResult r = family.read(ChosenColumns(dir_.Write(family.name, bytes), 0, 1, 2));
    ASSERT_EQ(r.error, TReadError::kNone);
    EXPECT_EQ(r.Count(), 6);
    ASSERT_TRUE(r.damagedAfterRow.has_value());
    EXPECT_EQ(*r.damagedAfterRow, 7);
    EXPECT_EQ(r.skippedRows, 0);
    // A whole file says nothing.
    const TReadResult whole = family.read(ChosenColumns(dir_.Write(family.name, Sheet(family.family, 10)), 0, 1, 2));
    EXPECT_EQ(whole.Count(), 10);
    EXPECT_FALSE(whole.damagedAfterRow.has_value());
  }
}

// A file cut inside its last record, or after it without the end record: the rows before are
// kept and the damage is told; the row the cut broke off is told with the damage, not as a row
// of text or nothing (it was).
TEST_F(DamagedFiles, AFileCutInsideItsLastRecordOrWithoutItsEndIsTold) {
  for (const TSheetFamily& family : kFamilies) {
    if (family.byColumn) continue;
    SCOPED_TRACE(family.name);
    Bytes cut = Sheet(family.family, 10, {}, -1, -1, false);
    cut.resize(cut.size() - 3);
    const TReadResult r = family.read(ChosenColumns(dir_.Write(family.name, cut), 0, 1, 2));
    EXPECT_EQ(r.Count(), 9);
    EXPECT_EQ(r.damagedAfterRow, std::optional<std::int64_t>(11));
    EXPECT_EQ(r.skippedRows, 0);
    const TReadResult noEnd = family.read(ChosenColumns(dir_.Write(family.name, Sheet(family.family, 10, {}, -1, -1, false)), 0, 1, 2));
    EXPECT_EQ(noEnd.Count(), 10);
    EXPECT_EQ(noEnd.damagedAfterRow, std::optional<std::int64_t>(11));
  }
}

// Where the chosen columns are gathered column by column (WQ1 and WB1 hold their cells so,
// a workbook's rows are put together by column), a row whose cell lay beyond the break is
// told with the break alone, as the files read row by row tell it: a short record in Z
// after row 6 of 10 also told rows 7-10 as rows of text or nothing, one in Y after row 3
// every row, and a workbook cut inside the Z of its last row that row. A row that held an
// infinity before the break is still told under its own reason.
TEST_F(DamagedFiles, RowsTheBreakCutShortAreNotAlsoToldAsSkipped) {
  const auto workbook = [](Bytes biff) { return BuildCompoundFile({{"Book", false, std::move(biff), {}}}); };
  struct Case {
    const char* what;
    std::string path;
    std::function<TReadResult(const TReadArgs&)> read;
    int points;
    std::int64_t damagedAfter;
    int nonFinite;
  };
  Bytes cut = Sheet(TFamily::kWq1, 10, {}, -1, -1, false);
  cut.resize(cut.size() - 3);
  Bytes cutWb1 = Sheet(TFamily::kWb1, 10, {}, -1, -1, false);
  cutWb1.resize(cutWb1.size() - 3);
  Bytes cutBook = Sheet(TFamily::kBiff, 10, {}, -1, -1, false);
  cutBook.resize(cutBook.size() - 3);
  const Case cases[] = {
      {"WQ1, Z short after row 6", dir_.Write("z.wq1", Sheet(TFamily::kWq1, 10, {}, 2, 7)), ReadQuattroWQ1, 6, 7, 0},
      {"WB1, Z short after row 6", dir_.Write("z.wb1", Sheet(TFamily::kWb1, 10, {}, 2, 7)), ReadQuattroWB1, 6, 7, 0},
      {"WQ1, Y short after row 3", dir_.Write("y.wq1", Sheet(TFamily::kWq1, 10, {}, 1, 4)), ReadQuattroWQ1, 0, 4, 0},
      {"WB1, Y short after row 3", dir_.Write("y.wb1", Sheet(TFamily::kWb1, 10, {}, 1, 4)), ReadQuattroWB1, 0, 4, 0},
      {"WQ1, cut in its last record", dir_.Write("c.wq1", cut), ReadQuattroWQ1, 9, 10, 0},
      {"WB1, cut in its last record", dir_.Write("c.wb1", cutWb1), ReadQuattroWB1, 9, 10, 0},
      {"workbook, cut in its last record", dir_.Write("c.xls", workbook(cutBook)), ReadOleExcel, 9, 11, 0},
      {"WQ1, an infinity before the break", dir_.Write("i.wq1", Sheet(TFamily::kWq1, 10, {{2, 2, kInf}}, 2, 7)),
       ReadQuattroWQ1, 5, 7, 1},
      {"WB1, an infinity before the break", dir_.Write("i.wb1", Sheet(TFamily::kWb1, 10, {{2, 2, kInf}}, 2, 7)),
       ReadQuattroWB1, 5, 7, 1},
      {"workbook, an infinity before the break",
       dir_.Write("i.xls", workbook(Sheet(TFamily::kBiff, 10, {{0, 2, kNaN}}, 2, 7))), ReadOleExcel, 5, 8, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TReadResult r = c.read(ChosenColumns(c.path, 0, 1, 2));
    ASSERT_EQ(r.error, TReadError::kNone);
    EXPECT_EQ(r.Count(), c.points);
    EXPECT_EQ(r.damagedAfterRow, std::optional<std::int64_t>(c.damagedAfter));
    EXPECT_EQ(r.skippedRows, 0);
    EXPECT_EQ(r.nonFiniteRows, c.nonFinite);
  }
  // A whole file held by columns still tells a row whose Z is missing: the break alone is
  // no reason.
  SheetBuilder b;
  b.Wq1Bof();
  for (int column = 0; column < 3; ++column)
    for (int row = 1; row <= (column == 2 ? 4 : 5); ++row) b.Wk1Number(column, row, row + column);
  b.Wk1Eof();
  const TReadResult whole = ReadQuattroWQ1(ChosenColumns(dir_.Write("w.wq1", b.Take()), 0, 1, 2));
  EXPECT_EQ(whole.Count(), 4);
  EXPECT_EQ(whole.skippedRows, 1);
  EXPECT_FALSE(whole.damagedAfterRow.has_value());
}

// Number cells holding an infinity or NaN give no point and are told under their own reason,
// not as text or nothing.
TEST_F(DamagedFiles, CellsHoldingInfinityOrNaNAreToldApart) {
  for (const TSheetFamily& family : kFamilies) {
    SCOPED_TRACE(family.name);
    const Bytes bytes = Sheet(family.family, 10, {{2, 3, kInf}, {0, 5, kNaN}, {1, 8, -kInf}});
    const TReadResult r = family.read(ChosenColumns(dir_.Write(family.name, bytes), 0, 1, 2));
    EXPECT_EQ(r.Count(), 7);
    EXPECT_EQ(r.nonFiniteRows, 3);
    EXPECT_EQ(r.skippedRows, 0);
    EXPECT_FALSE(r.damagedAfterRow.has_value());
  }
}

// Statistics-package files: one cut inside its cases keeps the cases read before the cut
// and says how many of the cases its header counts it gave (a file of 5000 cases cut in half
// gave 2048 without a word); a case with an infinity or NaN is told apart, where the
// program's own form passed such cases over without counting them.
TEST_F(DamagedFiles, SavFilesCutShortOrHoldingInfinitiesAreTold) {
  for (const bool own : {false, true}) {
    SCOPED_TRACE(own ? "own form" : "plain");
    const auto write = [&](int n, const std::string& path) {
      std::vector<TestPoint> points;
      for (int k = 1; k <= n; ++k) points.push_back({k + 0.25L, 2.0L * k + 0.5L, 3.0L * k + 0.75L});
      TDataTitles titles;
      const PointTable table = TableOf(points);
      EXPECT_EQ((own ? WriteOkapSav(path, table, titles) : WriteOkapSavXYZ(path, table)).status, SavWriteStatus::kWritten);
      return ReadBytes(path);
    };
    const auto read = [&](const Bytes& bytes) {
      const std::string p = dir_.Write("d.sav", bytes);
      return own ? ReadOkapSavOwn(ChosenColumns(p, -1, -1, -1)) : ReadOkapSav(ChosenColumns(p, 1, 2, 3));
    };
    const Bytes many = write(5000, dir_.File("many.sav"));
    const TReadResult intact = read(many);
    EXPECT_EQ(intact.Count(), 5000);
    EXPECT_FALSE(intact.damagedAfterRow.has_value());
    EXPECT_EQ(intact.recordsInHeader, 0);
    const TReadResult cut = read(Bytes(many.begin(), many.begin() + static_cast<std::ptrdiff_t>(many.size() / 2)));
    ASSERT_GT(cut.Count(), 0);
    EXPECT_LT(cut.Count(), 2500);
    EXPECT_EQ(std::pair(cut.recordsInHeader, cut.recordsInFile),
              (std::pair<std::int64_t, std::int64_t>(5000, cut.Count())));

    // 7.25 is X of the seventh case of ten: its eight bytes made an infinity.
    Bytes ten = write(10, dir_.File("ten.sav"));
    const double seventh = 7.25;
    Bytes seventhBytes(8);
    std::memcpy(seventhBytes.data(), &seventh, 8);
    const auto at = std::search(ten.begin(), ten.end(), seventhBytes.begin(), seventhBytes.end());
    ASSERT_NE(at, ten.end());
    std::memcpy(&*at, &kInf, 8);
    const TReadResult i = read(ten);
    EXPECT_EQ(i.Count(), 9);
    EXPECT_EQ(i.nonFiniteRows, 1);
    EXPECT_EQ(i.skippedRows, 0);
  }
}

// The sibling product's Windows worksheet: a cell holding an infinity is told apart, and a
// column block that counts more cells than it holds says after which row it broke off.
TEST_F(DamagedFiles, WindowsWorksheetsTellInfinitiesAndCutColumns) {
  std::vector<MvwCell> xs, ys, zs;
  for (int r = 1; r <= 6; ++r) {
    xs.push_back(MvwNumber(r)), ys.push_back(MvwNumber(2 * r));
    zs.push_back(MvwNumber(r == 3 ? std::numeric_limits<long double>::infinity() : 3 * r));
  }
  Bytes bytes = BuildMvw({{0, "x", xs}, {1, "y", ys}, {2, "z", zs}});
  const TReadResult r = ReadMvw(ChosenColumns(dir_.Write("w.mvw", bytes), 1, 2, 3));
  EXPECT_EQ(r.Count(), 5);
  EXPECT_EQ(r.nonFiniteRows, 1);
  EXPECT_EQ(r.skippedRows, 0);
  EXPECT_FALSE(r.damagedAfterRow.has_value());
  // The Z block (the last, before the 8 bytes that end the worksheet) counts two more cells.
  const std::size_t zBlock = bytes.size() - 8 - (24 + 16 * 6);
  bytes::StoreU32(&bytes[zBlock + 20], 16 * 8);
  const TReadResult cut = ReadMvw(ChosenColumns(dir_.Write("c.mvw", bytes), 1, 2, 3));
  EXPECT_EQ(cut.Count(), 5);
  EXPECT_EQ(cut.damagedAfterRow, std::optional<std::int64_t>(6));
}

// Whole files of other programs and of our own writers are never taken for damaged ones.
TEST_F(DamagedFiles, WholeFilesOfOtherProgramsAndOfOurWritersSayNothing) {
  for (const char* fixture : {"gnumeric_biff7.xls", "gnumeric_biff8.xls", "libreoffice_book.xls"}) {
    SCOPED_TRACE(fixture);
    for (int sheet : {0, 1}) {
      const TReadResult r = ReadOleExcel(ChosenColumns(FixturePath(fixture).string(), 0, 1, 2, -1, sheet));
      EXPECT_FALSE(r.damagedAfterRow.has_value()) << sheet;
    }
  }
  PointTable t = TableOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 0, 1}});
  TDataTitles titles;
  titles.Title = "T";
  for (const int form : {1, 3}) {
    const std::string path = dir_.Write(form == 1 ? "d.wk1" : "d.wk3", DataWorksheet(t, titles, form));
    const TReadResult r = ReadWorksheet(ChosenColumns(path, 0, 1, 2));
    EXPECT_EQ(r.Count(), 4);
    EXPECT_FALSE(r.damagedAfterRow.has_value()) << form;
  }
  TPlaneExport plane(6);
  plane.SetGrid(0, Steps(3), Steps(3));
  const std::string wk1 = dir_.File("e.wk1"), xls = dir_.File("e.xls"), wb1 = dir_.File("e.wb1");
  ASSERT_GT(LotusExportTable(wk1, 1, plane.Input()).result, 0);
  ASSERT_GT(XlsExportTable(xls, plane.Input()).result, 0);
  ASSERT_GT(QpwExportTable(wb1, plane.Input()).result, 0);
  EXPECT_FALSE(ReadWorksheet(ChosenColumns(wk1, 10, 11, 12)).damagedAfterRow.has_value());
  EXPECT_FALSE(ReadExcelBiff(ChosenColumns(xls, 10, 11, 12)).damagedAfterRow.has_value());
  EXPECT_FALSE(ReadQuattroWB1(ChosenColumns(wb1, 10, 11, 12)).damagedAfterRow.has_value());
}

// The user hears it: an import and an append of the damaged file say after which row the file
// broke off; cells without a finite number have their own line; a dBASE header's count of
// 4294967295 records is told as the header gives it.
TEST_F(DamagedFiles, ImportAndAppendTellTheDamage) {
  PrepareImport();
  ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int kind, int&, int&, TImportColumns& c) {
    const int first = kind == 5 ? 1 : 0;
    c = TImportColumns{first, first + 1, first + 2, -1, 0, 0, 0, 0};
    return 1;
  };
  platform::ScriptedAnswers boxes;
  const auto told = [&boxes](std::size_t from) {
    std::string all;
    const auto b = boxes.Boxes();
    for (std::size_t k = from; k < b.size(); ++k) all += b[k].text + "\n";
    return all;
  };
  const std::string damaged = dir_.Write("damaged.wk1", Sheet(TFamily::kWk1, 10, {{2, 2, kInf}}, 0, 7));
  for (const int append : {0, 1}) {
    SCOPED_TRACE(append);
    const std::size_t from = boxes.Boxes().size();
    session_.AppendMode = append;
    session_.DataFileName = damaged;
    ASSERT_EQ(ImportDataFile(session_, 0), 5);
    EXPECT_NE(told(from).find("The File is Damaged After Row 7: Nothing After It Could Be Read"), std::string::npos)
        << told(from);
    EXPECT_NE(told(from).find("Rows Skipped Because a Chosen Column Held Infinity or NaN: 1"),
              std::string::npos)
        << told(from);
    EXPECT_EQ(told(from).find("Held Text or Nothing"), std::string::npos) << told(from);
  }
  EXPECT_EQ(session_.Table.XYZRows(), 10);

  std::vector<std::vector<std::string>> records;
  for (int k = 1; k <= 8; ++k) records.push_back({std::to_string(k), std::to_string(k % 3), std::to_string(k * k), "1"});
  Bytes dbf = DbaseTable(kXYZW, records);
  Put32(dbf, 4, 0xFFFFFFFFu);
  const std::size_t from = boxes.Boxes().size();
  session_.AppendMode = 0;
  session_.DataFileName = dir_.Write("short.dbf", dbf);
  ASSERT_EQ(ImportDataFile(session_, 0), 8);
  EXPECT_NE(told(from).find("It Holds 8 of the 4294967295 Records Counted"), std::string::npos) << told(from);
  DataFileHooks() = TDataFileHooks{};
  ImportReaders().ChooseColumns = nullptr;
}

}  // namespace
