// A table saved in every data format the program writes, and copied to the clipboard, comes
// back as it was written when the program reads it again: titles and names holding quotes
// (Plate "A" 5mm came back "Plate"), values a double cannot hold as a normal number (4.19e-322
// from EXP(-740), +-1e4000, whose rows .wk1 and .wk3 dropped without a word), inactive points.
// Where a format cannot hold a value the save is refused and names it; where it cannot hold
// the inactive mark the user agrees first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/file_utils.h"
#include "app/number_scanner.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/worksheet_records.h"
#include "exchange/biff_cells.h"
#include "exchange/excel_readers.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/mv5_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "exchange/lotus_cells.h"
#include "exchange/mv5_reader.h"
#include "exchange/worksheet_readers.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_registration.h"
#include "platform/message_box.h"

namespace {

namespace fs = std::filesystem;
using namespace exchange_test;
using Texts = std::vector<std::string>;

const long double kSubnormal = std::exp(-740.0L);  // 4.19e-322: subnormal as a double

struct TRow {
  long double x, y, z;
  char status = kPointActive;
};

class SavedTablesReadBack : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    PrepareImport();
    // The worksheets' column dialog: X, Y and Z in the first three columns, no weights.
    ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int, int&, int&, TImportColumns& c) {
      c = TImportColumns{0, 1, 2, -1, 0, 0, 0, 0};
      return 1;
    };
  }
  void TearDown() override {
    DataFileHooks() = TDataFileHooks{};
    ImportReaders().ChooseColumns = nullptr;
    TableTest::TearDown();
  }
  // Fills the session's table and its titles, as the user had them.
  void Load(const std::vector<TRow>& rows) {
    auto data = session_.Table.XYZData();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      TXYZPoint& p = data[i + 1];
      p.X = rows[i].x, p.Y = rows[i].y, p.Z = rows[i].z, p.W = 1, p.Status = rows[i].status;
    }
    data[0].X = static_cast<long double>(rows.size());
    data[0].W = 0;
    session_.Table.SetXYZRows(static_cast<int>(rows.size()));
    TDataTitles& t = session_.DataTitles();
    t.Title = "Plate \"A\" 5mm", t.XName = "x \"east\"", t.YName = "'north'", t.ZName = "z \"";
  }
  // Imports a file as the user would; the points read.
  int ImportBack(const std::string& path, std::string_view shown = {}) {
    session_.AppendMode = 0;
    session_.DataFileName = path;
    return ImportDataFile(session_, 0, shown);
  }
  void ExpectTitlesBack(const std::string& what) {
    const TDataTitles& t = session_.DataTitles();
    EXPECT_EQ(t.Title, "Plate \"A\" 5mm") << what;
    EXPECT_EQ(t.XName, "x \"east\"") << what;
    EXPECT_EQ(t.YName, "'north'") << what;
    EXPECT_EQ(t.ZName, "z \"") << what;
  }
  // The table against rows, each value passed through `kept` (what the format keeps of it).
  template <typename Kept>
  void ExpectRows(const std::vector<TRow>& rows, Kept kept, bool statusKept, const std::string& what) {
    ASSERT_EQ(session_.Table.XYZRows(), static_cast<int>(rows.size())) << what;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const TXYZPoint& p = session_.Table.XYZData()[i + 1];
      const long double want[] = {kept(rows[i].x), kept(rows[i].y), kept(rows[i].z)};
      const long double got[] = {p.X, p.Y, p.Z};
      for (int k = 0; k < 3; ++k) EXPECT_EQ(std::memcmp(&got[k], &want[k], 10), 0) << what << " row " << i + 1 << ": " << got[k];
      // Without a mark in the file a point comes back active, unless the pre-scan finds a
      // value beyond +-1e300.
      const bool usable = std::all_of(std::begin(want), std::end(want), [](long double v) { return std::fabs(v) <= 1e300L; });
      EXPECT_EQ(p.Status, statusKept || !usable ? rows[i].status : kPointActive) << what << " row " << i + 1;
    }
  }
  Texts BoxTexts() const {
    Texts out;
    for (const auto& b : boxes_->Boxes()) out.push_back(b.text);
    return out;
  }
  void NewBoxes() {
    boxes_.reset();  // the old answerer puts back the service before it
    boxes_ = std::make_unique<platform::ScriptedAnswers>();
  }
  std::unique_ptr<platform::ScriptedAnswers> boxes_ = std::make_unique<platform::ScriptedAnswers>();
};

// The value a text of `digits` significant digits gives back.
auto TextDigits(int digits) {
  return [digits](long double v) {
    long double back = 0;
    EXPECT_TRUE(ConvertDecimalNumber(CFormat("%.*Lg", digits, v), back));
    return back;
  };
}
long double Exact(long double v) { return v; }
long double AsDouble(long double v) { return static_cast<double>(v); }

// In the order of X, in which the import's pre-scan leaves the table; the point beyond
// +-1e300 inactive, as the pre-scan marks it.
const std::vector<TRow> kHostile = {{kSubnormal, 5, 6},  {0.5L, 0.25L, 0.125L, kPointInactive}, {1, 2, 3},
                                    {8, -kSubnormal, 10}, {11, 12, 1.0L / 3}, {1e4000L, -1e4000L, 7, kPointInactive}};

TEST_F(SavedTablesReadBack, TextAndWk3GiveEveryValueAndTitleBack) {
  Load(kHostile);
  // The data text: 15 significant digits, the inactive mark kept.
  const std::string text = dir_.File("plate.prn");
  ASSERT_EQ(SaveDataAs(session_, text), 1);
  ASSERT_EQ(ImportBack(text), 6);
  ExpectTitlesBack("text");
  ExpectRows(kHostile, TextDigits(15), true, "text");
  EXPECT_TRUE(boxes_->Boxes().empty());

  // WK3: every value to the bit in its 80-bit cells, once the user agreed that the inactive
  // point comes back active.
  Load(kHostile);
  const std::string wk3 = dir_.File("plate.wk3");
  boxes_->Answer(platform::kIdNo);
  EXPECT_EQ(SaveDataAs(session_, wk3), 0);
  EXPECT_FALSE(fs::exists(wk3));
  EXPECT_EQ(BoxTexts(), Texts{"A .wk3 File Keeps No Inactive Marks: the 1 Inactive Point Will Be Read Back as Active\n"
                              "Save Anyway?"});
  boxes_->Answer(platform::kIdYes);
  ASSERT_EQ(SaveDataAs(session_, wk3), 1);
  NewBoxes();
  ASSERT_EQ(ImportBack(wk3), 6);
  ExpectTitlesBack("wk3");
  ExpectRows(kHostile, Exact, false, "wk3");
  EXPECT_TRUE(boxes_->Boxes().empty()) << "nothing was skipped";
}

// WK1 and .sav numbers are doubles: a value beyond them refuses the save and names its row;
// a subnormal one comes back as the nearest double.
TEST_F(SavedTablesReadBack, DoubleFormatsRefuseWhatTheyCannotHoldAndKeepSubnormalValues) {
  Load(kHostile);
  for (const char* name : {"plate.wk1", "plate.sav"}) {
    NewBoxes();
    EXPECT_EQ(SaveDataAs(session_, dir_.File(name)), 0) << name;
    EXPECT_FALSE(fs::exists(dir_.File(name)));
    EXPECT_EQ(BoxTexts(), Texts{CFormat("Row 6, X: 1E+4000 Cannot Be Held by a %s File\nNothing Was Written",
                                        fs::path(name).extension().c_str())});
    EXPECT_EQ(session_.DataUnsaved, 0);
  }

  std::vector<TRow> held = kHostile;
  held[5] = {20, -3, 7};
  Load(held);
  NewBoxes();
  boxes_->Answer(platform::kIdYes);  // the inactive point
  ASSERT_EQ(SaveDataAs(session_, dir_.File("plate.wk1")), 1);
  NewBoxes();
  ASSERT_EQ(ImportBack(dir_.File("plate.wk1")), 6);
  ExpectTitlesBack("wk1");
  ExpectRows(held, AsDouble, false, "wk1");
  EXPECT_NE(session_.Table.XYZData()[1].X, 0);

  Load(held);
  NewBoxes();
  ASSERT_EQ(SaveDataAs(session_, dir_.File("plate.sav")), 1);
  EXPECT_TRUE(boxes_->Boxes().empty()) << ".sav keeps the inactive mark";
  ASSERT_EQ(ImportBack(dir_.File("plate.sav")), 6);
  ExpectTitlesBack("sav");
  ExpectRows(held, AsDouble, true, "sav");
}

// Edit > Copy, then Import Clipboard: the WK3 image the import takes first gives every
// point back (30 of 40 came back); the text too. A WK1 image, which could not hold 1e4000,
// is not offered.
TEST_F(SavedTablesReadBack, TheClipboardCopyGivesTheTableBack) {
  Load(kHostile);
  EXPECT_TRUE(DataTableToWorksheet(session_, 1).empty());
  const std::vector<std::uint8_t> wk3 = DataTableToWorksheet(session_, 3);
  const std::string text = DataTableToText(session_);
  ASSERT_EQ(ImportBack(dir_.Write("CLIPBRD.WK3", wk3), kClipboardSourceName), 6);
  ExpectTitlesBack("clipboard wk3");
  ExpectRows(kHostile, Exact, false, "clipboard wk3");
  Load(kHostile);
  ASSERT_EQ(ImportBack(dir_.Write("CLIPBRD.PRN", text), kClipboardSourceName), 6);
  ExpectTitlesBack("clipboard text");
  ExpectRows(kHostile, TextDigits(16), true, "clipboard text");
  EXPECT_TRUE(boxes_->Boxes().empty());
}

// A worksheet whose value cells hold text where numbers were (a WK1 image writes a value
// beyond a double as its digits) is read with those rows told.
TEST_F(SavedTablesReadBack, RowsOfTextWhereNumbersWereAreTold) {
  TWorksheetImage image(1, 2, 6);
  image.Label(0, 0, "Plate \"A\" 5mm");
  for (int row = 1; row <= 6; ++row) {
    image.Number(0, row, row);
    image.Number(1, row, 2 * row);
    image.Number(2, row, row == 2 ? 1e400L : row == 4 ? -1e-400L : 3.0L * row);
  }
  ASSERT_EQ(ImportBack(dir_.Write("eval.wk1", image.Finish())), 4);
  EXPECT_EQ(session_.DataTitles().Title, "Plate \"A\" 5mm");
  EXPECT_EQ(BoxTexts(), Texts{"Rows Skipped Because a Chosen Column Held Text or Nothing: 2"});
}

// The review's export tables, made for spreadsheet programs, keep a quoted data title in its
// cell, and a data point whose value they cannot hold as a number (written as its digits, or
// left empty in the DOS worksheet) is told when the program reads the file back.
TEST_F(SavedTablesReadBack, ReviewExportsKeepTheQuotedTitleAndTellThePointsTheyCannotHold) {
  TPlaneExport plane(6);
  plane.fit.dataTitle = "Plate \"A\" 5mm";
  plane.points[2].Z = 1e4000L;
  plane.SetGrid(0, Steps(2), Steps(2));
  struct Format {
    const char* name;
    std::function<bool(const std::string&)> write;
    std::function<TReadResult(const TReadArgs&)> read;
    std::function<TSheetCells(const std::string&)> cells;  // null: no title cell
  };
  const auto lotus = [](const std::string& path) { return LoadWorksheetCells(path, 0).cells; };
  const Format formats[] = {
      {"t.wk1", [&](const std::string& p) { return LotusExportTable(p, 1, plane.Input()).result > 0; }, ReadWorksheet, lotus},
      {"t.wk3", [&](const std::string& p) { return LotusExportTable(p, 3, plane.Input()).result > 0; }, ReadWorksheet, lotus},
      {"t.xls", [&](const std::string& p) { return XlsExportTable(p, plane.Input()).result > 0; }, ReadExcelBiff,
       [](const std::string& p) { return DecodeBiffCells(LoadFileToGlobal(p)); }},
      {"t.wb1", [&](const std::string& p) { return QpwExportTable(p, plane.Input()).result > 0; }, ReadQuattroWB1,
       [](const std::string& p) { return LoadLotusCells(p, TLotusLayout::kWb1).cells; }},
      {"t.mv5",
       [&](const std::string& p) { return ExportFitToMv(p, plane.Input(), dir_.Path()).status != Mv5ExportStatus::kCannotWrite; },
       ReadMv5, nullptr},
  };
  for (const Format& f : formats) {
    SCOPED_TRACE(f.name);
    const std::string path = dir_.File(f.name);
    ASSERT_TRUE(f.write(path));
    // The observed X, Y and Z: columns 10-12 of the spreadsheets, and of the DOS worksheet,
    // whose column numbers count from 1 (its block starts at column 9).
    const TReadResult r = f.read(ChosenColumns(path, 10, 11, 12));
    ASSERT_EQ(r.error, TReadError::kNone);
    EXPECT_EQ(r.Count(), 5);
    EXPECT_EQ(r.skippedRows, 1);
    if (!f.cells) continue;
    const TSheetCells cells = f.cells(path);
    const auto title = std::find_if(cells.cells.begin(), cells.cells.end(),
                                    [](const TSheetCell& c) { return c.row == 0 && c.column == 0; });
    ASSERT_NE(title, cells.cells.end());
    ASSERT_EQ(title->kind, TCellKind::kLabel);
    EXPECT_EQ(cells.Text(*title), "Plate \"A\" 5mm");
  }
}

}  // namespace
