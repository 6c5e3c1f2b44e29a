// The program's own exports read back by its own import, with the awkward content they carry:
// grid points the fit cannot evaluate, points without limits, inactive points, weights and
// missing values. What comes back is exactly what was written as a point; whatever was written
// without a whole point is passed over and told, never read into another point.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "app/test_points.h"
#include "exchange/excel_readers.h"
#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_registration.h"
#include "exchange/worksheet_readers.h"
#include "platform/message_box.h"
#include "review/residual_table.h"
#include "tools/data_generation.h"
#include "tools/evaluation_table.h"

namespace {

using namespace exchange_test;
using Xyz = std::tuple<long double, long double, long double>;

// A plane the fit cannot evaluate at x = 0.5 and whose confidence limit is missing at
// y = 0.25, over the grid 0 .. 2 by 0.5 and 0 .. 1 by 0.25: 25 grid points, 20 of them valid,
// 4 of those without limits. Every value is exact in binary and in 18 digits.
struct TAwkwardFit : TPlaneExport {
  TAwkwardFit() {
    review.ReviewEvalZ = [](long double x, long double y) { return x == 0.5L ? ExprErrorValue : 1 + 2 * x + 3 * y; };
    review.ReviewConfidenceLimit = [](long double, long double y, long double) {
      return y == 0.25L ? ExprErrorValue : kConfidence;
    };
  }
  static constexpr TExportRange kX{0, 0.5L, 2}, kY{0, 0.25L, 1};
  static std::set<Xyz> ValidPoints() {
    std::set<Xyz> points;
    for (int i = 0; i <= 4; ++i)
      for (int j = 0; j <= 4; ++j) {
        const long double x = 0.5L * i, y = 0.25L * j;
        if (x != 0.5L) points.insert({x, y, 1 + 2 * x + 3 * y});
      }
    return points;
  }
};

std::multiset<Xyz> XyzOf(std::span<const TXYZPoint> records) {
  std::multiset<Xyz> out;
  for (const TXYZPoint& p : records) out.insert({p.X, p.Y, p.Z});
  return out;
}
std::multiset<Xyz> AsMultiset(const std::set<Xyz>& s) { return {s.begin(), s.end()}; }

class ExportsReadBack : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    PrepareImport();
    // The column dialog: X, Y and Z in the first three columns (numbered from 1 in text and
    // statistics-package files, from 0, the letter A, in worksheets).
    ImportReaders().ChooseColumns = [this](const std::string&, const std::string&, int kind, int&, int&,
                                           TImportColumns& c) {
      chosenKind_ = kind;
      const int first = kind <= 4 || kind >= 23 ? 1 : 0;
      c = TImportColumns{first, first + 1, first + 2, -1, 0, 0, 0, 0};
      return 1;
    };
  }
  void TearDown() override {
    DataFileHooks() = TDataFileHooks{};
    ImportReaders().ChooseColumns = nullptr;
    TableTest::TearDown();
  }
  // Imports a file as the user would (detection, column dialog, reader, commit): the count.
  int Import(const std::string& path) {
    session_.AppendMode = 0;
    session_.DataFileName = path;
    chosenKind_ = 0;
    return ImportDataFile(session_, 0);
  }
  std::span<const TXYZPoint> Points() const {
    return session_.Table.XYZData().subspan(1, static_cast<std::size_t>(session_.Table.XYZRows()));
  }
  // What the message boxes said since `from` boxes.
  std::string Told(std::size_t from = 0) const {
    std::string all;
    const auto boxes = boxes_.Boxes();
    for (std::size_t k = from; k < boxes.size(); ++k) all += boxes[k].text + "\n";
    return all;
  }
  int chosenKind_ = 0;
  platform::ScriptedAnswers boxes_;
};

// The review's "Write Surface to ASCII File" in both point layouts and every separator: the
// valid grid points come back, each once, and the lines without a whole point are told. Read
// across line ends, an export with three short lines came back as 14 points, two of them made
// up; the layout with limits was taken for XYZ lines when its first lines were short.
TEST_F(ExportsReadBack, SurfaceTextFilesGiveBackTheirPointsAndTellTheShortLines) {
  const TAwkwardFit fit;
  for (const AsciiLayout layout : {AsciiLayout::kWithLimits, AsciiLayout::kColumns})
    for (const AsciiDelimiter delimiter : {AsciiDelimiter::kBlank, AsciiDelimiter::kComma, AsciiDelimiter::kTab}) {
      SCOPED_TRACE(testing::Message() << "layout " << static_cast<int>(layout) << " delimiter "
                                      << static_cast<int>(delimiter));
      const std::string path = dir_.File("surface.txt");
      const TAsciiExportRequest request{delimiter, layout, 18, TAwkwardFit::kX, TAwkwardFit::kY};
      ASSERT_GT(AsciiExportTable(path, request, fit.review), 0);
      const std::size_t told = boxes_.Boxes().size();
      ASSERT_EQ(Import(path), 20);
      EXPECT_EQ(XyzOf(Points()), AsMultiset(TAwkwardFit::ValidPoints()));
      // With limits the file is read by its columns (7 where the limits are), else as XYZ lines.
      EXPECT_EQ(chosenKind_, layout == AsciiLayout::kWithLimits ? 4 : 0);
      EXPECT_NE(Told(told).find(": 5"), std::string::npos) << Told(told);
    }
}

// The review's worksheet tables in every format: the generated tables always write x and y,
// so a grid point the fit cannot evaluate is a row without its Z, passed over and counted;
// the full worksheet's grid and observed blocks read back by their columns.
TEST_F(ExportsReadBack, WorksheetTablesGiveBackTheValidGridPoints) {
  TAwkwardFit fit;
  struct Format {
    const char* name;
    std::function<bool(const std::string&)> write;
    std::function<TReadResult(const TReadArgs&)> read;
    bool writesInvalidGridXY;  // the full worksheet's grid rows of invalid points
  };
  const Format formats[] = {
      {"t.wk1", [&](const std::string& p) { return LotusExportTable(p, 1, fit.Input()).result > 0; }, ReadWorksheet, false},
      {"t.wk3", [&](const std::string& p) { return LotusExportTable(p, 3, fit.Input()).result > 0; }, ReadWorksheet, false},
      {"t.xls", [&](const std::string& p) { return XlsExportTable(p, fit.Input()).result > 0; }, ReadExcelBiff, false},
      {"t.wb1", [&](const std::string& p) { return QpwExportTable(p, fit.Input()).result > 0; }, ReadQuattroWB1, true},
  };
  for (const Format& f : formats)
    for (const int kind : {0, 1, 2}) {
      SCOPED_TRACE(testing::Message() << f.name << " kind " << kind);
      fit.SetGrid(kind, TAwkwardFit::kX, TAwkwardFit::kY);
      const std::string path = dir_.File(f.name);
      ASSERT_TRUE(f.write(path));
      const int first = kind == 0 ? 21 : 0;
      const TReadResult grid = f.read(ChosenColumns(path, first, first + 1, first + 2));
      ASSERT_EQ(grid.error, TReadError::kNone);
      EXPECT_EQ(XyzOf(grid.points), AsMultiset(TAwkwardFit::ValidPoints()));
      EXPECT_EQ(grid.skippedRows, kind != 0 || f.writesInvalidGridXY ? 5 : 0);
      if (kind != 0) continue;
      const TReadResult observed = f.read(ChosenColumns(path, 10, 11, 12));
      EXPECT_EQ(XyzOf(observed.points), XyzOf(fit.points));
    }
}

// Save As in the program's own data text: weights, inactive points and a missing value (written
// as 0 and inactive) come back as the table held them.
TEST_F(ExportsReadBack, TheDataTextGivesBackWeightsAndInactivePoints) {
  PointTable t = TableOf({{1, 2, 3, 0.5L}, {4, 5, 6, 2, kPointInactive}, {7, 8, ExprErrorValue, 1}, {9, 10, 11, 4}});
  t[0].W = 1;
  TDataTitles titles;
  titles.Title = "Weighted";
  const std::string path = dir_.Write("data.prn", DataFileText(t, titles));
  ASSERT_EQ(Import(path), 4);
  const auto rows = Points();
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<RowValues> want = {Point(1, 2, 3, 0.5L), Point(4, 5, 6, 2, kPointInactive),
                                       Point(7, 8, 0, 1, kPointInactive), Point(9, 10, 11, 4)};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ((RowValues{rows[i].X, rows[i].Y, rows[i].Z, rows[i].W, rows[i].Status}), want[i]) << i;
  EXPECT_EQ(session_.Table.XYZData()[0].W, 1);  // weighted
  EXPECT_EQ(session_.DataTitles().Title, "Weighted");
  EXPECT_EQ(Told(), "");
}

// The evaluation table's saves (text, WK1, WK3, .sav) and the residual list's (text, WK1,
// WK3): a row the table shows as "Error" (it could not be evaluated, or its z is no number)
// is left out of every file, as the .sav file always left it out (text and worksheets wrote
// "inf" where the other rows held points); a value a double cannot hold (a residual of 1e400
// in WK1, written as its digits) comes back as no point, told; every other row comes back as
// written.
TEST_F(ExportsReadBack, EvaluationTablesAndResidualListsGiveBackTheirRows) {
  TMFile lines("", 100);
  TEvalTable table(lines);
  const long double inf = std::numeric_limits<long double>::infinity();
  for (const Xyz& row : {Xyz{1, 2, 3}, Xyz{4, 5, ExprErrorValue}, Xyz{6, 7, inf}, Xyz{8, 9, 10}, Xyz{11, 12, 13.5L},
                         Xyz{14, 15, 16}}) {
    TEvalLine line;
    std::tie(line.x, line.y, line.z) = row;
    line.label = "Value";
    ASSERT_GE(table.Add(line), 0);
  }
  const std::multiset<Xyz> kept = {{1, 2, 3}, {8, 9, 10}, {11, 12, 13.5L}, {14, 15, 16}};
  for (const char* name : {"eval.prn", "eval.wk1", "eval.wk3", "eval.sav"}) {
    SCOPED_TRACE(name);
    const std::string path = dir_.File(name);
    TSavWriteResult sav;
    const EvalSaveStatus status = SaveEvalTable(table, path, ImportReaders().WriteSavPoints, &sav);
    ASSERT_EQ(status, EvalSaveStatus::kWritten);
    const std::size_t told = boxes_.Boxes().size();
    ASSERT_EQ(Import(path), 4) << Told(told);
    EXPECT_EQ(XyzOf(Points()), kept);
    EXPECT_EQ(Told(told), "");
  }

  const std::vector<TResidualRow> residuals = {{1, 2, -0.5L}, {3, 4, 0.25L}, {5, 6, 1e400L}, {7, 8, 0}, {9, 10, 1e-3L}};
  for (const char* name : {"res.prn", "res.wk1", "res.wk3"}) {
    SCOPED_TRACE(name);
    const std::string path = dir_.File(name);
    ASSERT_TRUE(WriteResidualFile(path, residuals));
    const bool wk1 = std::string(name) == "res.wk1";
    const std::size_t told = boxes_.Boxes().size();
    ASSERT_EQ(Import(path), wk1 ? 4 : 5);
    std::multiset<Xyz> want;
    for (const TResidualRow& r : residuals)
      if (!wk1 || r.r != 1e400L) want.insert({r.x, r.y, wk1 ? static_cast<double>(r.r) : r.r});
    if (std::string(name) == "res.prn") {
      // Text keeps 17 digits: the values that are not exact in binary come back to 17 digits.
      EXPECT_EQ(XyzOf(Points()).size(), 5u);
    } else {
      EXPECT_EQ(XyzOf(Points()), want);
    }
    if (wk1) { EXPECT_NE(Told(told).find("Held Text or Nothing: 1"), std::string::npos) << Told(told); }
  }
}

// Generate Table's file, without and with limits (5 values a line): a pair the surface cannot
// evaluate is left out, and every line read back is a point of the surface.
TEST_F(ExportsReadBack, GeneratedFilesGiveBackTheirPoints) {
  TEvalSurface surface;
  surface.z = [](long double x, long double y) { return x == 1 ? ExprErrorValue : x * y + 0.5L; };
  surface.xMin = 0, surface.xMax = 3, surface.yMin = 0, surface.yMax = 3, surface.zMin = 0, surface.zMax = 10;
  surface.confidenceLimit = [](long double, long double, long double) { return 0.25L; };
  surface.predictionLimit = [](long double, long double, long double) { return 0.75L; };
  const TEvalComputer computer(surface);
  const TGridInputs grid = MakeGridInputs(0, 1, 3, 0, 1, 3);
  std::multiset<Xyz> want;
  for (int x = 0; x <= 3; ++x)
    for (int y = 0; y <= 3; ++y)
      if (x != 1) want.insert({x, y, x * y + 0.5L});
  for (const EvalLimits limits : {EvalLimits::kNone, EvalLimits::kConfidence}) {
    SCOPED_TRACE(static_cast<int>(limits));
    std::string text;
    const TGenOutcome out = GenerateFileText(computer, MakeLimitChoice(limits, "95.00"), kEvalZ, grid.list, text, nullptr);
    ASSERT_EQ(out.written, 12);
    const std::string path = dir_.Write("generated.prn", text);
    const std::size_t told = boxes_.Boxes().size();
    ASSERT_EQ(Import(path), 12);
    EXPECT_EQ(chosenKind_, limits == EvalLimits::kNone ? 0 : 4);
    EXPECT_EQ(XyzOf(Points()), want);
    EXPECT_EQ(Told(told), "");
  }
}

}  // namespace
