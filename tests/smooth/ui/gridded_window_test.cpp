// The gridded-data window (2162): the edits each method takes, each method keeping its own
// orders and knot counts, a typed knot count recomputing after the delay with the engine's
// clamped value shown, derivative surfaces without statistics, a clicked point leaving the
// surface until the window closes, the evaluation table on the engine's own derivatives and
// integral, the settings kept on OK only.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include <cmath>
#include <cstdint>
#include <memory>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/gridded_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "../../graph3d/ui/dialog_shots.h"
#include "../smooth_test_support.h"
#include "smoothing_window_test_support.h"

namespace {

PointTable Grid(int nx, int ny) {
  PointTable t = NewPointTable(nx * ny);
  std::size_t k = 1;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const long double x = i / (nx - 1.0L), y = j / (ny - 1.0L);
      t[k++] = TXYZPoint{x, y, std::sin(3 * x) * std::cos(2 * y), 1, kPointActive};
    }
  return t;
}

class GriddedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Table.ReplaceDataTable(Grid(12, 10)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
    PrepareSmoothingSetup(*options, session);
  }
  T3DSpline* Open() {
    auto* w = new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &np);
    w->resize(900, 660);
    return w;
  }

  std::span<TXYZPoint> Records() {
    return session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1);
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
};

TEST_F(GriddedWindowTest, EachMethodTakesItsEditsAndKeepsItsOwnValues) {
  auto* w = Open();
  ShowDialog(w, "gridded_window");
  struct Row {
    int method;
    bool orders, knots;
  } const rows[] = {{kGridBSpline, true, false}, {kGridBSplineAkimaEdge, false, false}, {kGridAkima, false, false},
                    {kGridLeastSquares, true, true}, {kGridNurbs, true, false}};
  for (const Row& r : rows) {
    w->ClickMethod(r.method);
    EXPECT_TRUE(w->Control<QRadioButton>(T3DSpline::kFirstMethod + r.method)->isChecked()) << r.method;
    EXPECT_EQ(w->Edit(0)->isEnabled(), r.orders) << r.method;
    EXPECT_EQ(w->Edit(1)->isEnabled(), r.orders) << r.method;
    EXPECT_EQ(w->Edit(2)->isEnabled(), r.knots) << r.method;
    EXPECT_EQ(w->Edit(3)->isEnabled(), r.knots) << r.method;
  }
  // Least squares with 6 knots in X; then the bicubic and back: the 6 is still there.
  w->ClickMethod(kGridLeastSquares);
  w->Edit(2)->setText("6");
  EXPECT_TRUE(w->RecomputePending());
  w->FlushRecompute();
  EXPECT_EQ(w->Working().knotsX[kGridLeastSquares], 6);
  EXPECT_EQ(w->Engine().LsqCoefX(), 6);
  w->ClickMethod(kGridBSplineAkimaEdge);
  for (int which = 0; which < 4; ++which) EXPECT_FALSE(w->Edit(which)->isEnabled()) << which;
  w->ClickMethod(kGridLeastSquares);
  EXPECT_EQ(w->Edit(2)->text(), "6");
  EXPECT_EQ(w->Working().knotsX[kGridLeastSquares], 6);
  delete w;
}

TEST_F(GriddedWindowTest, DerivativesBlankTheStatisticsAndTheSettingsAreKeptOnOkOnly) {
  const TNPGridSettings start = np;
  auto* w = Open();
  EXPECT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  w->ClickChoice(3);
  EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  EXPECT_FALSE(w->Control(kCmSection)->isEnabled());
  EXPECT_EQ(options->titles.AxisTitles[2], "~@\xB6~@\xB2Z/~@\xB6~@X~@\xB6~@Y");
  EXPECT_EQ(options->Setup().SurfaceFn(0.3L, 0.4L), w->Engine().EvalDxy(0.3L, 0.4L));
  w->ClickChoice(0);
  EXPECT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  w->ClickMethod(kGridNurbs);
  w->reject();
  delete w;
  EXPECT_EQ(np, start);
  w = Open();
  w->ClickMethod(kGridNurbs);
  w->accept();
  delete w;
  EXPECT_EQ(np.method, kGridNurbs);
}

// OK with nothing changed stores nothing: on a 6 x 5 grid the engine takes 6 and 5 knots,
// and the 25 the user keeps for larger tables stay; a method chosen is stored without the
// clamps of the counts it showed, a count typed is stored as shown.
TEST_F(GriddedWindowTest, OkKeepsTheKnotCountsTheEngineClampedForASmallTable) {
  ASSERT_TRUE(session.Table.ReplaceDataTable(Grid(6, 5)));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  PrepareSmoothingSetup(*options, session);
  np.method = kGridLeastSquares;
  const TNPGridSettings start = np;
  auto* w = Open();
  ASSERT_LT(w->Engine().LsqCoefX(), 25);
  EXPECT_EQ(w->Edit(2)->text(), QString::number(w->Engine().LsqCoefX()));
  w->accept();
  delete w;
  EXPECT_EQ(np, start);

  w = Open();
  w->ClickMethod(kGridBSpline);
  w->ClickMethod(kGridLeastSquares);
  w->Edit(3)->setText("4");
  w->FlushRecompute();
  const int knotsY = w->Engine().LsqCoefY();
  w->accept();
  delete w;
  TNPGridSettings expected = start;
  expected.knotsY[kGridLeastSquares] = knotsY;
  EXPECT_EQ(np, expected);

  // A larger table opens with the user's 25 in X.
  ASSERT_TRUE(session.Table.ReplaceDataTable(Grid(40, 40)));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  PrepareSmoothingSetup(*options, session);
  w = Open();
  EXPECT_EQ(w->Engine().LsqCoefX(), 25);
  delete w;
}

TEST_F(GriddedWindowTest, AClickedPointLeavesTheSurfaceUntilTheWindowCloses) {
  np.method = kGridLeastSquares;  // a smoothing spline: its SSE moves with the points
  auto* w = Open();
  ShowDialog(w, "gridded_window_picking");
  const int active = w->Engine().MergedCount();
  // The spline passes through these points to rounding: the window shows an SSE of 0
  // before and after, and the surface's own sum tells that it was made again.
  const long double sse = w->Engine().Sse();
  const int record = smooth_test::ClickALonePoint(*w, Records());
  ASSERT_GT(record, 0);
  EXPECT_EQ(w->Engine().MergedCount(), active - 1);
  EXPECT_NE(w->Engine().Sse(), sse);
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), "0");
  delete w;
  EXPECT_EQ(Records()[static_cast<std::size_t>(record)].Status, kPointActive);
}

TEST_F(GriddedWindowTest, TheEvaluationTableTakesTheEnginesDerivativesAndIntegral) {
  auto* w = Open();
  smooth_test::TCaughtEvaluation caught;
  (void)w->RunOptionCommand(kCmEvaluate);
  ASSERT_EQ(caught.opened, 1);
  EXPECT_EQ(caught.request.caption, "Spline Estimation Evaluation");
  caught.ExpectDerivativesOf(w->Engine(), 0.45L, 0.35L);
  // Inside the data the B-spline's integral is exact, its error the doubles' rounding; asked
  // again the same rectangle is integrated numerically: the table answers as an engine made
  // alike.
  const TNPGridSettings& s = w->Working();
  const auto m = static_cast<std::size_t>(s.method);
  TSpline3D alike(Records(), s.method, s.orderX[m], s.orderY[m], s.knotsX[m], s.knotsY[m], 0, 0, kRegridRenka, false);
  const TEvalComputer table = caught.Table();
  for (int ask = 1; ask <= 2; ++ask) {
    long double error = ExprErrorValue;
    const long double integral = alike.Integrate(0.2L, 0.7L, 0.1L, 0.6L, &error);
    const TVolumeResult r = table.Volume(0.2L, 0.7L, 0.1L, 0.6L);
    EXPECT_EQ(r.value, integral) << ask;
    EXPECT_EQ(r.error, error) << ask;
    if (ask == 1) {
      EXPECT_LT(r.error, 1e-12L);
    }
  }
  delete w;
}

// A grid whose x values differ only below a double's resolution (8 x 8 at 1e9 + i 1e-9, held
// by the long doubles) has its surface through every node. When the library's B-spline step
// fails there is none: the window's evaluation table and Quick Eval answer the missing value
// for Z and every derivative, never the engine's 0, and the graph has none.
TEST_F(GriddedWindowTest, AWindowWithoutASurfaceAnswersMissing) {
  PointTable t = NewPointTable(64);
  std::size_t k = 1;
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) t[k++] = TXYZPoint{1e9L + i * 1e-9L, j / 7.0L, i + 2.0L * j, 1, kPointActive};
  ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(t)));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  PrepareSmoothingSetup(*options, session);
  {
    auto* whole = Open();
    ASSERT_TRUE(whole->Engine().HasSurface());
    EXPECT_NEAR(static_cast<double>(whole->Engine().EvalAt(1e9L + 3e-9L, 5 / 7.0L)), 13.0, 1e-9);
    delete whole;
  }
  TNumLibTable table = BuiltInNumLib();
  ServeNumLibEntry<TNumLibEntry::BSInt2>(table, [](int, const double*, int, const double*, const double*, int, int, int,
                                                   const double*, const double*, double*, int& ier) { ier = 3; });
  smooth_test::ScopedNumLib failing(table);
  auto* w = Open();
  ASSERT_FALSE(w->Engine().HasSurface());
  smooth_test::TCaughtEvaluation caught;
  (void)w->RunOptionCommand(kCmEvaluate);
  ASSERT_EQ(caught.opened, 1);
  const long double x = 1e9L + 3.5e-9L, y = 0.5L;
  for (const int mode : {kEvalZ, kEvalDzDx, kEvalDzDy, kEvalD2zDx2, kEvalD2zDy2, kEvalD2zDxDy})
    EXPECT_EQ(caught.At(mode, x, y), ExprErrorValue) << mode;
  // The graph is handed no surface, and draws the points alone.
  EXPECT_FALSE(options->Setup().SurfaceFn);
  EXPECT_TRUE(options->Setup().Points);
  delete w;
}

// A rough interpolating surface over a 128 x 128 grid: the drawn grid is far coarser than the
// data, its extreme nodes need not lie in the cells of the data's extremes, and the surface
// rises (falls) at least to them all the same. Quick Eval's searches reach the data's extremes
// (shown to 10 digits), while the surface of a derivative has no data of its own to start at.
TEST_F(GriddedWindowTest, QuickEvalOnAnInterpolatingGridReachesTheDataExtremes) {
  constexpr int kSide = 128;
  PointTable t = NewPointTable(kSide * kSide);
  std::uint64_t state = 20261207;  // a 64-bit LCG: the same rough surface on every machine
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) * 0x1p-53L;
  };
  std::size_t k = 1;
  for (int j = 0; j < kSide; ++j)
    for (int i = 0; i < kSide; ++i) {
      const long double x = i / (kSide - 1.0L), y = j / (kSide - 1.0L);
      t[k++] = TXYZPoint{x, y, 0.5L + 0.4L * std::sin(3 * x) * std::sin(3 * y) + 0.1L * (next() - 0.5L), 1, kPointActive};
    }
  ASSERT_TRUE(session.Table.ReplaceDataTable(t));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  const long double zMin = session.DataStats.Z.Min, zMax = session.DataStats.Z.Max;
  const smooth_test::TQuickEvalBothSearches searches;
  np.method = kGridBSpline;
  auto* w = Open();
  ShowDialog(w, "gridded_window_quick_eval");
  ASSERT_LT(w->Renderer().GridNx(), kSide / 2);
  w->ToggleQuickEval();
  auto* qe = w->findChild<TQEval*>();
  ASSERT_NE(qe, nullptr);
  qe->Evaluate();
  const auto shown = [qe](int id) { return static_cast<long double>(qe->Control<QLabel>(id)->text().toDouble()); };
  const long double digits = 1e-9L;  // the last of 10 shown digits
  EXPECT_LE(shown(107), zMin + digits) << "lowest data value " << static_cast<double>(zMin);
  EXPECT_GE(shown(111), zMax - digits) << "highest data value " << static_cast<double>(zMax);
  // Each shown extreme is the surface's value at its shown point.
  EXPECT_NEAR(static_cast<double>(w->Engine().EvalAt(shown(105), shown(106))), static_cast<double>(shown(107)), 1e-6);
  EXPECT_NEAR(static_cast<double>(w->Engine().EvalAt(shown(109), shown(110))), static_cast<double>(shown(111)), 1e-6);
  // On a derivative the searches start at the drawn grid's nodes alone, and still find values.
  w->ClickChoice(1);
  qe->Evaluate();
  EXPECT_FALSE(qe->Control<QLabel>(111)->text().isEmpty());
  delete w;
}

}  // namespace
