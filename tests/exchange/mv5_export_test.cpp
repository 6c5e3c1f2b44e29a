// The fit export to the sibling product's DOS worksheets on the exact plane
// z = 1 + 2x + 3y (export_fixture.h): the three table kinds cell by cell, the grid rule and
// its cut at 16384 points, empty cells for what is missing, item 2 from the templates built
// beside the tests, and the files read back by the kind-14 import routines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/long_double.h"
#include "app/program_files.h"
#include "exchange/exchange_test_support.h"
#include "exchange/export/mv5_export.h"
#include "exchange/export_fixture.h"
#include "exchange/import_detection.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"
#include "exchange/mv5_records.h"

namespace {

using namespace exchange_test;
using Values = std::vector<std::optional<double>>;
using Texts = std::vector<std::string>;

constexpr std::nullopt_t kEmpty = std::nullopt;

// The cells of a column of an item, or nothing when it has no block.
std::optional<std::vector<TMvCell>> ColumnCells(const std::string& path, int item, int column) {
  TMvReadHandle h;
  TMvColumnRecord r;
  if (MvOpen(h, path, nullptr) != MvCode::kOk || MvOpenItem(h, item, nullptr) != MvCode::kOk ||
      MvSeekColumn(h, column, &r) != MvCode::kOk)
    return std::nullopt;
  std::vector<TMvCell> cells(static_cast<std::size_t>(MvRecordCells(r)));
  if (MvReadCells(h, cells) != MvCode::kOk) return std::nullopt;
  return cells;
}
Values Numbers(const std::string& path, int column) {
  Values v;
  if (const auto cells = ColumnCells(path, kMvDataItem, column))
    for (const TMvCell& c : *cells) v.push_back(MvCellNumber(c));
  return v;
}
TMvDescriptor Descriptor(const std::string& path, int item) {
  TMvReadHandle h;
  TMvDescriptor d{};
  EXPECT_EQ(MvOpen(h, path, nullptr), MvCode::kOk);
  EXPECT_EQ(MvOpenItem(h, item, &d), MvCode::kOk);
  return d;
}
// The titles of the statistics worksheet's columns 0..n-1.
Texts Titles(const std::string& path, int n) {
  TMvReadHandle h;
  EXPECT_EQ(MvOpen(h, path, nullptr, kMvKeepBlockTable), MvCode::kOk);
  Texts t;
  for (int k = 0; k < n; ++k) t.push_back(MvColumnTitle(h, k));
  return t;
}

class Mv5Export : public ::testing::Test {
 protected:
  std::filesystem::path Templates() const { return ProgramDirectory(); }
  ScratchDir dir_;
};

// Ten points (the fourth inactive, the first at Z = 0 after the fixture's plane is shifted),
// three parameters (b with no standard error), a 5 x 3 grid.
TEST_F(Mv5Export, FullWorksheetCellByCell) {
  TPlaneExport plane(10);
  plane.points[3].Status = kPointInactive;
  plane.points[0].Z = 0;  // off the plane, at 0: no percentage
  plane.SetGrid(0, {0, 0.25L, 1}, {0, 0.5L, 1});
  std::string path = dir_.File("full.mv5");
  const TMv5ExportResult r = ExportFitToMv(path, plane.Input(), Templates());
  ASSERT_EQ(r.status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(r.rows, 15);  // max(10 points, 15 grid points, 3 parameters)
  const TMvDescriptor d = Descriptor(path, kMvDataItem);
  EXPECT_EQ(MvDescriptorColumns(d), 27);
  EXPECT_EQ(MvDescriptorRows(d), 15);

  // The fit's labels and figures.
  const auto labels = ColumnCells(path, kMvDataItem, 0);
  ASSERT_TRUE(labels);
  ASSERT_EQ(labels->size(), 5u);
  for (std::size_t k = 0; k < 5; ++k)
    EXPECT_EQ((*labels)[k], T((const char*[]){"EQN #", "R2", "ADJR2", "STD ERR", "F"}[k])) << k;
  EXPECT_EQ(Numbers(path, 1), (Values{1, 1, 1, 0, 1e30}));
  // Parameters: three rows; b has no standard error, so its t and limits are empty too.
  const auto letters = ColumnCells(path, kMvDataItem, 2);
  ASSERT_TRUE(letters);
  EXPECT_EQ(*letters, (std::vector<TMvCell>{T("A"), T("B"), T("C")}));
  EXPECT_EQ(Numbers(path, 3), (Values{1, 2, 3}));
  EXPECT_EQ(Numbers(path, 4), (Values{0.125, kEmpty, 0.5}));
  EXPECT_EQ(Numbers(path, 5), (Values{8, kEmpty, 6}));
  EXPECT_EQ(Numbers(path, 6), (Values{0.75, kEmpty, 2}));   // value - 2 * error
  EXPECT_EQ(Numbers(path, 7), (Values{1.25, kEmpty, 4}));
  EXPECT_TRUE(Numbers(path, 8).empty());  // no block

  // Data: X, Y, Z, predicted, residual, % residual, the limits; the inactive point empty.
  for (int column = 9; column <= 18; ++column) {
    const Values v = Numbers(path, column);
    ASSERT_EQ(v.size(), 10u) << column;
    EXPECT_EQ(v[3], kEmpty) << column;
  }
  EXPECT_EQ(Numbers(path, 11)[0], 0);
  EXPECT_EQ(Numbers(path, 12)[0], 1);    // predicted at (0, 0)
  EXPECT_EQ(Numbers(path, 13)[0], -1);   // Z - predicted
  EXPECT_EQ(Numbers(path, 14)[0], kEmpty);  // Z = 0
  const TXYZPoint& p = plane.points[5];
  const double z = static_cast<double>(p.Z);
  EXPECT_EQ(Numbers(path, 9)[5], static_cast<double>(p.X));
  EXPECT_EQ(Numbers(path, 12)[5], z);
  EXPECT_EQ(Numbers(path, 13)[5], 0);
  EXPECT_EQ(Numbers(path, 14)[5], 0);
  EXPECT_EQ(Numbers(path, 15)[5], z - 0.25);
  EXPECT_EQ(Numbers(path, 16)[5], z + 0.25);
  EXPECT_EQ(Numbers(path, 17)[5], z - 0.75);
  EXPECT_EQ(Numbers(path, 18)[5], z + 0.75);
  EXPECT_TRUE(Numbers(path, 19).empty());

  // The grid, i-major.
  EXPECT_EQ(Numbers(path, 20), (Values{0, 0, 0, 0.25, 0.25, 0.25, 0.5, 0.5, 0.5, 0.75, 0.75, 0.75, 1, 1, 1}));
  EXPECT_EQ(Numbers(path, 21), (Values{0, 0.5, 1, 0, 0.5, 1, 0, 0.5, 1, 0, 0.5, 1, 0, 0.5, 1}));
  EXPECT_EQ(Numbers(path, 22)[14], 6);
  EXPECT_EQ(Numbers(path, 23)[14], 5.75);
  EXPECT_EQ(Numbers(path, 26)[14], 6.75);

  EXPECT_EQ(Titles(path, 27),
            (Texts{"", "", "Parameters", "Values", "Std. Err.", "T Value", "95.00% Conf", "95.00% Conf", "",
                   "X Observed", "Y Observed", "Z Observed", "Z Predicted", "Z Residual", "Z %Residual",
                   "95.00% Conf", "95.00% Conf", "95.00% Pred", "95.00% Pred", "", "X Generated", "Y Generated",
                   "Z Predict", "95.00% Conf", "95.00% Conf", "95.00% Pred", "95.00% Pred"}));
  const TMvDescriptor stats = Descriptor(path, kMvStatsItem);
  EXPECT_EQ(MvDescriptorColumns(stats), 27);
  EXPECT_EQ(MvDescriptorRows(stats), 34);
  for (int column : {0, 8, 19}) EXPECT_EQ(ColumnCells(path, kMvStatsItem, column)->size(), 34u) << column;

  // The import road reads it back: kind 14, the grid columns as the grid, titled.
  EXPECT_EQ(DetectImportFileType(path), 14);
  const TReadResult read = ReadMv5(ChosenColumns(path, 21, 22, 23));
  ASSERT_EQ(read.Count(), 15);
  EXPECT_EQ(read.points[4].X, 0.25L);
  EXPECT_EQ(read.points[4].Y, 0.5L);
  EXPECT_EQ(read.points[4].Z, 1 + 2 * 0.25L + 3 * 0.5L);
  EXPECT_EQ(read.titles.XName, "X Generated");
  EXPECT_EQ(read.titles.ZName, "Z Predict");
}

// The fit's five labels need five rows even when the points, the grid and the parameters
// need fewer.
TEST_F(Mv5Export, FiveRowsForTheFitsLabels) {
  TPlaneExport plane(4);
  plane.SetGrid(0, Steps(1), Steps(1));
  const std::string path = dir_.File("small.mv5");
  const TMv5ExportResult r = ExportFitToMv(path, plane.Input(), Templates());
  EXPECT_EQ(r.status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(r.rows, 5);
  EXPECT_EQ(Numbers(path, 1).size(), 5u);
}

// The last step runs up to the end value; a quotient a hair below a whole number counts as
// it (0.3 / 0.1 is 2.9999999999999996 in doubles, and the 0.2 line is kept).
TEST_F(Mv5Export, GridRule) {
  const long double tenth = 0.1;  // the double nearest 0.1, as the range dialog holds it
  const struct {
    TExportRange x;
    Values xs;
  } cases[] = {
      {{0, 0.25L, 1}, {0, 0.25, 0.5, 0.75, 1}},
      {{0, 0.3L, 1}, {0, static_cast<double>(0.3L), static_cast<double>(2 * 0.3L), 1}},
      {{0, tenth, 0.3}, {0, static_cast<double>(tenth), static_cast<double>(2 * tenth), 0.3}},
  };
  for (const auto& c : cases) {
    TPlaneExport plane(4);
    plane.SetGrid(2, c.x, {0, 1, 0});
    const std::string path = dir_.File("g.mv5");
    ASSERT_EQ(ExportFitToMv(path, plane.Input(), Templates()).status, Mv5ExportStatus::kWritten);
    EXPECT_EQ(Numbers(path, 0), c.xs) << static_cast<double>(c.x.increment);
  }
}

// More than 16384 grid points: each column stops at 16384 cells in i-major order.
TEST_F(Mv5Export, GridCutAt16384Points) {
  TPlaneExport plane(4);
  plane.SetGrid(1, Steps(201), Steps(101));  // 20301 points
  const std::string path = dir_.File("big.mv5");
  const TMv5ExportResult r = ExportFitToMv(path, plane.Input(), Templates());
  ASSERT_EQ(r.status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(r.gridPoints, 16384);
  const Values xs = Numbers(path, 0), ys = Numbers(path, 1);
  ASSERT_EQ(xs.size(), 16384u);
  EXPECT_EQ(xs.back(), 162);  // 16384 = 162 * 101 + 22
  EXPECT_EQ(ys.back(), 21);
  EXPECT_EQ(Titles(path, 7), (Texts{"X Generated", "Y Generated", "Z Predicted", "95.00% Conf", "95.00% Conf",
                                    "95.00% Pred", "95.00% Pred"}));
}

// The generated kinds: seven or three columns of grid rows; a point where the surface fails
// or its limits are missing has empty cells; item 2 comes from the second template.
TEST_F(Mv5Export, GeneratedKindsAndMissingValues) {
  TPlaneExport plane(4, 3);
  plane.review.ReviewEvalZ = [](long double x, long double y) { return x == 1 ? ExprErrorValue : 1 + 2 * x + 3 * y; };
  plane.review.ReviewPredictionLimit = [](long double x, long double, long double) {
    return x == 0 ? ExprErrorValue : TPlaneExport::kPrediction;
  };
  for (const int kind : {1, 2}) {
    SCOPED_TRACE(kind);
    plane.SetGrid(kind, Steps(3), Steps(2));
    const std::string path = dir_.File("gen.mv5");
    ASSERT_EQ(ExportFitToMv(path, plane.Input(), Templates()).status, Mv5ExportStatus::kWritten);
    EXPECT_EQ(MvDescriptorColumns(Descriptor(path, kMvDataItem)), kind == 1 ? 7 : 3);
    EXPECT_EQ(MvDescriptorRows(Descriptor(path, kMvDataItem)), 6);
    EXPECT_EQ(Numbers(path, 0), (Values{0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(Numbers(path, 2), (Values{1, 4, kEmpty, kEmpty, 5, 8}));
    if (kind == 1) {
      EXPECT_EQ(Numbers(path, 3), (Values{0.75, 3.75, kEmpty, kEmpty, 4.75, 7.75}));
      EXPECT_EQ(Numbers(path, 6), (Values{kEmpty, kEmpty, kEmpty, kEmpty, 5.75, 8.75}));
      EXPECT_EQ(Titles(path, 7)[3], "99.90% Conf");
    }
    const auto extra = ColumnCells(path, kMvExtraItem, 0);
    ASSERT_TRUE(extra);
    EXPECT_EQ(*extra, (std::vector<TMvCell>{T("GRID")}));
  }
  plane.SetGrid(0, Steps(2), Steps(2));
  const std::string full = dir_.File("full.mv5");
  ASSERT_EQ(ExportFitToMv(full, plane.Input(), Templates()).status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(*ColumnCells(full, kMvExtraItem, 0), (std::vector<TMvCell>{T("FULL")}));
  // Item 2 is the template's, descriptor and header text alike.
  TMvReadHandle a, b;
  ASSERT_EQ(MvOpen(a, full, nullptr, kMvKeepHeaderTexts), MvCode::kOk);
  ASSERT_EQ(MvOpen(b, (Templates() / kMv5TemplateFull).string(), nullptr, kMvKeepHeaderTexts), MvCode::kOk);
  TMvDescriptor da, db;
  ASSERT_EQ(MvOpenItem(a, kMvExtraItem, &da), MvCode::kOk);
  ASSERT_EQ(MvOpenItem(b, kMvExtraItem, &db), MvCode::kOk);
  EXPECT_EQ(da, db);
  EXPECT_EQ(a.items[kMvExtraItem].headerText, b.items[kMvExtraItem].headerText);
}

// Values the worksheets' doubles cannot hold are empty cells, and counted: a parameter of
// 1e-400 is not written as 0, nor 1e400 as infinity.
TEST_F(Mv5Export, ValuesADoubleCannotHoldAreEmptyAndCounted) {
  TPlaneExport plane(4);
  plane.parameters = {1e-400L, 1e400L, 3};
  plane.fit.parameters = plane.parameters;
  plane.points[1].Z = 1e-400L;
  plane.SetGrid(0, Steps(1), Steps(1));
  const std::string path = dir_.File("tiny.mv5");
  const TMv5ExportResult r = ExportFitToMv(path, plane.Input(), Templates());
  ASSERT_EQ(r.status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(Numbers(path, 3), (Values{kEmpty, kEmpty, 3}));
  EXPECT_EQ(Numbers(path, 5)[0], kEmpty);  // t = 1e-400 / 0.125
  EXPECT_EQ(Numbers(path, 6)[0], -0.25);   // its limits are ordinary numbers
  EXPECT_EQ(Numbers(path, 11)[1], kEmpty);  // Z of the second point
  EXPECT_EQ(Numbers(path, 14)[1], kEmpty);  // its % residual, about -1e402
  EXPECT_EQ(r.valuesNotHeld, 5);
}

// A missing template leaves the file without item 2, written all the same; a kind outside
// 0..2 writes nothing; a file that cannot be written keeps the old one.
TEST_F(Mv5Export, Failures) {
  TPlaneExport plane(5);
  plane.SetGrid(2, Steps(4), Steps(4));
  std::string path = dir_.File("no_template.mv5");
  TMv5ExportResult r = ExportFitToMv(path, plane.Input(), dir_.Path() / "nowhere");
  EXPECT_EQ(r.status, Mv5ExportStatus::kWrittenWithoutTemplate);
  EXPECT_EQ(r.code, MvCode::kCannotOpen);
  EXPECT_EQ(DetectImportFileType(path), 14);
  EXPECT_EQ(ReadMv5(ChosenColumns(path, 1, 2, 3)).Count(), 16);
  TMvReadHandle h;
  ASSERT_EQ(MvOpen(h, path, nullptr), MvCode::kOk);
  EXPECT_EQ(MvOpenItem(h, kMvExtraItem, nullptr), MvCode::kWriteFailed);
  // A template that is no worksheet.
  dir_.Write(kMv5TemplateGenerated, std::string(400, 'x'));
  EXPECT_EQ(ExportFitToMv(path, plane.Input(), dir_.Path()).status, Mv5ExportStatus::kWrittenWithoutTemplate);

  plane.SetGrid(3, Steps(4), Steps(4));
  const std::string none = dir_.File("none.mv5");
  EXPECT_EQ(ExportFitToMv(none, plane.Input(), Templates()).status, Mv5ExportStatus::kUnknownKind);
  EXPECT_FALSE(std::filesystem::exists(none));

  plane.SetGrid(2, Steps(4), Steps(4));
  const std::string old = dir_.Write("old.mv5", "the user's old file");
  ASSERT_EQ(::chmod(old.c_str(), 0444), 0);
  r = ExportFitToMv(old, plane.Input(), Templates());
  EXPECT_EQ(r.status, Mv5ExportStatus::kCannotWrite);
  EXPECT_EQ(ReadText(old), "the user's old file");
}

// A read-only installed template still serves.
TEST_F(Mv5Export, ReadOnlyTemplateIsCopied) {
  const std::filesystem::path templates = dir_.Path() / "installed";
  std::filesystem::create_directories(templates);
  std::filesystem::copy_file(Templates() / kMv5TemplateGenerated, templates / kMv5TemplateGenerated);
  ASSERT_EQ(::chmod((templates / kMv5TemplateGenerated).c_str(), 0444), 0);
  TPlaneExport plane(5);
  plane.SetGrid(2, Steps(3), Steps(3));
  const std::string path = dir_.File("ro.mv5");
  EXPECT_EQ(ExportFitToMv(path, plane.Input(), templates).status, Mv5ExportStatus::kWritten);
  EXPECT_EQ(*ColumnCells(path, kMvExtraItem, 0), (std::vector<TMvCell>{T("GRID")}));
}

}  // namespace
