// The grid-making windows (2161 uniform grid, 2160 sparse grid): the grid size read clamped,
// the table handed out at OK with its capacity, a clicked input point leaving the grid until
// the window closes, "Output" without picking, complete grids leaving nothing to choose, a
// failed grid refused at OK, the evaluation table on the spline's own derivatives and
// integral, the data settled after OK, and nodes no method reaches handed out with Renka I's
// values.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/message_box.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/smoothing_commands.h"
#include "../../graph3d/ui/dialog_shots.h"
#include "quasi_random_points.h"
#include "smoothing_window_test_support.h"

namespace {

long double Surface(long double x, long double y) { return std::sin(x) + 0.5L * std::cos(1.5L * y) + 0.1L * x * y; }

// n scattered points over [0, 3] x [0, 2] (a quasi-random sequence, no two alike).
PointTable Scattered(int n) { return smooth_test::QuasiRandomPoints(n, 3, 2, Surface); }

// An nx by ny grid over [0, 4] x [0, 3], without the nodes for which `hole` is true.
template <class Hole>
PointTable Grid(int nx, int ny, Hole hole) {
  PointTable t(1);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      if (!hole(i, j)) t.push_back(TXYZPoint{static_cast<long double>(i), static_cast<long double>(j),
                                              Surface(i, j), 1, kPointActive});
  SetPointCount(t, static_cast<int>(t.size()) - 1);
  return t;
}

class RegridWindowsTest : public ::testing::Test {
 protected:
  void Load(PointTable table, GraphSlot graph, PointsSlot points, PlacementSlot place) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, graph, points, place);
    PrepareSmoothingSetup(*options, session);
  }
  void LoadUniform(PointTable table) { Load(std::move(table), kGraphUniformGrid, kPointsUniformGrid, kPlaceUniformGrid); }
  void LoadSparse(PointTable table) { Load(std::move(table), kGraphSparseGrid, kPointsSparseGrid, kPlaceSparseGrid); }
  QString Text(TBaseNP* w, int id) { return w->Control<QLabel>(id)->text(); }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  PointTable grid;
};

TEST(GridTableForData, CapacityDoublesFrom1024UpToTheDataTablesLargest) {
  struct Case {
    int count, capacity;
  };
  // 16384 points would ask for 32768 records, more than the data table takes.
  for (const Case c : {Case{1, 1024}, Case{16, 1024}, Case{1022, 1024}, Case{1023, 2048}, Case{4095, 8192},
                       Case{16382, 16384}, Case{16384, 16384}}) {
    PointTable source = NewPointTable(c.count);
    for (int k = 1; k <= c.count; ++k) source[static_cast<std::size_t>(k)] = TXYZPoint{1.0L * k, 2.0L * k, 3, 1, kPointActive};
    if (c.count >= 2) source[2].Status = kPointInactive;  // a table of one point has no record 2
    const PointTable table = GridTableForData(source);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(c.capacity) + 1) << c.count;
    EXPECT_EQ(table[0].X, c.count);
    EXPECT_EQ(table[0].Y, c.capacity);
    EXPECT_EQ(table[static_cast<std::size_t>(c.count)].X, c.count);
    EXPECT_EQ(table[2].Status, c.count >= 2 ? kPointInactive : 0);
    if (table.size() > static_cast<std::size_t>(c.count) + 1) {
      EXPECT_EQ(table.back().Status, 0);
    }
  }
  EXPECT_TRUE(GridTableForData(NewPointTable(0)).empty());
}

TEST_F(RegridWindowsTest, A128By128GridHandsOut16384PointsAndSettlesTheData) {
  LoadUniform(Scattered(300));
  settings.UniformGridSize = {128, 128};
  settings.RegridMethods = {6, 5, 5, 5};
  int haveFits = -1;
  DataFileHooks().SetHaveFits = [&haveFits](int v) { haveFits = v; };
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  ShowDialog(w, "uniform_grid_window");
  EXPECT_EQ(w->Method(), 6);
  EXPECT_EQ(Text(w, TRegridWindow::kInputCount), "300");
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "16384");
  w->accept();
  EXPECT_EQ(w->result(), QDialog::Accepted);
  delete w;
  ASSERT_EQ(grid.size(), 16385u);
  EXPECT_EQ(grid[0].X, 16384);
  EXPECT_EQ(grid[0].Y, 16384);
  ASSERT_TRUE(ReplaceDataByGrid(nullptr, session, std::move(grid)));
  DataFileHooks().SetHaveFits = nullptr;
  EXPECT_EQ(session.Table.XYZRows(), 16384);
  EXPECT_EQ(session.Table.XYZCapacity(), 16384);
  EXPECT_EQ(session.DataUnsaved, 1);
  EXPECT_EQ(haveFits, 0);
  const std::span<const TXYZPoint> data = std::as_const(session.Table).XYZData();
  EXPECT_EQ(data[1].X, session.DataStats.X.Min);
  EXPECT_EQ(data[16384].Y, session.DataStats.Y.Max);
}

// Once a made grid replaced the table, the status window no longer names the file the points
// came from.
TEST_F(RegridWindowsTest, TheStatusWindowNamesNoSourceFileAfterAMadeGrid) {
  LoadSparse(Grid(6, 5, [](int i, int j) { return i == 2 && j == 1; }));
  session.DataFileLabel = "/home/user/points.dat";
  auto* w = new TFSSpline(nullptr, &options->Setup(), session, &settings.RegridMethods[1], &grid);
  w->accept();
  delete w;
  ASSERT_TRUE(ReplaceDataByGrid(nullptr, session, std::move(grid)));
  TDlgStat status(nullptr, session, false);
  status.show();
  EXPECT_EQ(status.findChild<QLabel*>("field309")->text(), "Made Grid, Not Saved");
  EXPECT_EQ(status.findChild<QLabel*>("field307")->text().trimmed(), "30");
}

TEST_F(RegridWindowsTest, SavedSizesAreClampedAndOkWritesTheWorkingOnesBack) {
  LoadUniform(Scattered(60));
  settings.UniformGridSize = {2, 500};
  settings.RegridMethods = {3, 5, 5, 5};
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  EXPECT_EQ(w->GridNX(), 4);
  EXPECT_EQ(w->GridNY(), 128);
  EXPECT_EQ(w->Control<TRangeSpinEdit>(TRegridWindow::kNX)->GetValue(), 4);
  EXPECT_DOUBLE_EQ(w->Control<TRangeSpinEdit>(TRegridWindow::kNX)->PageStep(), 4);  // Ctrl pages by 4
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "512");
  // Text outside 4..128 or no number is ignored.
  for (const char* ignored : {"3", "129", "x"}) {
    w->Control<TRangeSpinEdit>(TRegridWindow::kNX)->setText(ignored);
    EXPECT_FALSE(w->RecomputePending()) << ignored;
    EXPECT_EQ(w->GridNX(), 4) << ignored;
  }
  w->Control<TRangeSpinEdit>(TRegridWindow::kNX)->setText("4");
  w->Control<TRangeSpinEdit>(TRegridWindow::kNY)->setText("9");
  EXPECT_TRUE(w->RecomputePending());
  w->FlushRecompute();
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "36");
  w->ClickMethod(kRegridWatson);
  w->accept();
  delete w;
  EXPECT_EQ(settings.UniformGridSize, (std::array<std::int32_t, 2>{4, 9}));
  EXPECT_EQ(settings.RegridMethods[0], kRegridWatson);
  EXPECT_EQ(grid.size(), 1025u);
}

// The grid OK makes is the one the fields show: a size typed out of range is put right and
// told, the window staying open; a size typed just before OK is not left waiting for the
// recomputation's delay. ("3" once stayed shown while OK made a 16 by 30 grid.)
TEST_F(RegridWindowsTest, OkMakesTheGridTheFieldsShow) {
  LoadUniform(Scattered(60));
  settings.UniformGridSize = {16, 30};
  platform::ScriptedAnswers answers;
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  ShowDialog(w, "uniform_grid_bad_size");
  auto* nx = w->Control<TRangeSpinEdit>(TRegridWindow::kNX);
  auto* ny = w->Control<TRangeSpinEdit>(TRegridWindow::kNY);
  nx->setFocus();
  nx->selectAll();
  QTest::keyClicks(nx, "3");
  w->accept();
  EXPECT_TRUE(w->isVisible());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Valid Range is 4 to 128");
  EXPECT_EQ(nx->text(), "4");
  EXPECT_TRUE(nx->hasFocus());
  EXPECT_TRUE(grid.empty());
  // Letters over the other field go back to what it held when the focus leaves it.
  ny->setFocus();
  ny->selectAll();
  QTest::keyClicks(ny, "1,5");
  nx->setFocus();
  EXPECT_EQ(ny->text(), "30");
  ny->setFocus();
  ny->selectAll();
  QTest::keyClicks(ny, "5");
  w->accept();  // at once, before the delayed recomputation
  EXPECT_EQ(w->result(), QDialog::Accepted);
  delete w;
  EXPECT_EQ(settings.UniformGridSize, (std::array<std::int32_t, 2>{4, 5}));
  ASSERT_FALSE(grid.empty());
  EXPECT_EQ(grid[0].X, 20);  // the header's count: 4 by 5 points
  EXPECT_EQ(answers.Boxes().size(), 1u);
}

TEST_F(RegridWindowsTest, AClickedInputPointLeavesTheGridUntilTheWindowCloses) {
  LoadUniform(Scattered(60));
  settings.UniformGridSize = {12, 10};
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  ShowDialog(w, "uniform_grid_picking");
  const std::span<TXYZPoint> table = session.Table.XYZData().first(61);
  const smooth_test::TDrawnPoint p = smooth_test::LoneActivePoint(*w, table);
  ASSERT_GT(p.record, 0);
  const TXYZPoint point = table[static_cast<std::size_t>(p.record)];
  const int merged = w->Engine().MergedCount();
  const long double there = w->Engine().EvalAt(point.X, point.Y);
  EXPECT_EQ(smooth_test::HoverAndClick(*w, p), smooth_test::HoverText(p.record));
  EXPECT_EQ(table[static_cast<std::size_t>(p.record)].Status, kPointInactive);
  EXPECT_EQ(w->Engine().MergedCount(), merged - 1);
  EXPECT_NE(w->Engine().EvalAt(point.X, point.Y), there);  // the grid no longer passes through it
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "120");
  w->reject();
  delete w;
  EXPECT_EQ(session.Table.XYZData()[static_cast<std::size_t>(p.record)].Status, kPointActive);
}

TEST_F(RegridWindowsTest, TheEvaluationTableTakesTheSplinesDerivativesAndIntegral) {
  LoadUniform(Scattered(60));
  settings.UniformGridSize = {12, 10};
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  smooth_test::TCaughtEvaluation caught;
  (void)w->RunOptionCommand(kCmEvaluate);
  ASSERT_EQ(caught.opened, 1);
  EXPECT_EQ(caught.request.caption, "Evaluation of Bicubic Spline Fitted to Output Grid");
  TSpline3D& e = w->Engine();
  caught.ExpectDerivativesOf(e, 1.3L, 0.7L);
  // The spline's own integral inside the grid: exact but for the doubles' rounding. (Asked for
  // another rectangle in between, the engine answers the first one exactly again.)
  long double error = ExprErrorValue;
  const long double exact = e.Integrate(0.5L, 2.5L, 0.25L, 1.75L, &error);
  (void)e.Integrate(0.5L, 1.5L, 0.25L, 1.75L, &error);
  const TVolumeResult r = caught.Table().Volume(0.5L, 2.5L, 0.25L, 1.75L);
  EXPECT_EQ(r.value, exact);
  EXPECT_LT(r.error, 1e-12L);
  delete w;
}

TEST_F(RegridWindowsTest, OutputDisplayStopsPickingAndShowsTheGrid) {
  LoadUniform(Scattered(60));
  settings.UniformGridSize = {5, 6};
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  EXPECT_TRUE(w->PickingEnabled());
  w->ClickDisplay(1);
  EXPECT_FALSE(w->PickingEnabled());
  EXPECT_TRUE(w->Control<QRadioButton>(TRegridWindow::kInput + 1)->isChecked());
  EXPECT_EQ(PointCount(options->Setup().Points()), 30);
  w->ClickDisplay(0);
  EXPECT_TRUE(w->PickingEnabled());
  EXPECT_EQ(PointCount(options->Setup().Points()), 60);
  w->reject();
  delete w;
  EXPECT_TRUE(grid.empty());
  EXPECT_EQ(settings.UniformGridSize, (std::array<std::int32_t, 2>{5, 6}));  // Cancel writes nothing
}

TEST_F(RegridWindowsTest, NoGridIsRefusedAtOkAndTheTableStays) {
  // Three distinct points: too few to make a grid from.
  PointTable three = NewPointTable(3);
  three[1] = TXYZPoint{0, 0, 1, 1, kPointActive};
  three[2] = TXYZPoint{1, 0, 2, 1, kPointActive};
  three[3] = TXYZPoint{0, 1, 3, 1, kPointActive};
  LoadUniform(std::move(three));
  platform::ScriptedAnswers answers;
  const std::array<std::int32_t, 2> size = settings.UniformGridSize;
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "0");
  w->ClickMethod(kRegridAkima);
  w->accept();
  EXPECT_NE(w->result(), QDialog::Accepted);
  delete w;
  EXPECT_TRUE(grid.empty());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text,
            "No grid could be made from these data with this method.\nThe data table is left as it was.");
  EXPECT_EQ(settings.UniformGridSize, size);
  EXPECT_EQ(settings.RegridMethods[0], 5);
  EXPECT_EQ(session.Table.XYZRows(), 3);
  EXPECT_FALSE(ReplaceDataByGrid(nullptr, session, PointTable{}));
  EXPECT_EQ(session.Table.XYZRows(), 3);
}

TEST_F(RegridWindowsTest, ACompleteGridLeavesNothingToChooseAndShowsItsSize) {
  LoadSparse(Grid(5, 4, [](int, int) { return false; }));
  auto* w = new TFSSpline(nullptr, &options->Setup(), session, &settings.RegridMethods[1], &grid);
  EXPECT_EQ(Text(w, TRegridWindow::kGridSize), "[5x4]");
  for (int id = TRegridWindow::kInput; id <= TRegridWindow::kInput + 1; ++id)
    EXPECT_FALSE(w->Control<QRadioButton>(id)->isEnabled()) << id;
  for (int m = 0; m < kRegridMethodCount; ++m)
    EXPECT_FALSE(w->Control<QRadioButton>(TRegridWindow::kFirstMethod + m)->isEnabled()) << m;
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "20");
  // The greyed controls are explained.
  EXPECT_TRUE(w->Control<QLabel>(TRegridWindow::kCompleteGrid)->isVisibleTo(w));
  EXPECT_EQ(Text(w, TRegridWindow::kCompleteGrid), "No point is missing:\nthe data are a complete\ngrid already.");
  delete w;
}

// OK on a complete grid fills nothing and hands nothing out: the data keep their order, their
// file's name, their fits and their saved state. (The grid came back sorted as a made grid,
// "Made Grid, Not Saved", and Exit asked to save it.)
TEST_F(RegridWindowsTest, OkOnACompleteGridLeavesTheData) {
  // The grid's rows in the order a file held them: y first, then x from the far end.
  PointTable rows = Grid(5, 4, [](int, int) { return false; });
  std::reverse(rows.begin() + 1, rows.end());
  LoadSparse(std::move(rows));
  session.DataFileLabel = "/home/user/grid.dat";
  session.DataUnsaved = 0;
  const PointTable before = CopyPoints(session.Table.XYZData().first(21));
  settings.RegridMethods[1] = kRegridWatson;
  auto* w = new TFSSpline(nullptr, &options->Setup(), session, &settings.RegridMethods[1], &grid);
  w->accept();
  EXPECT_EQ(w->result(), QDialog::Accepted);
  delete w;
  EXPECT_TRUE(grid.empty());
  EXPECT_FALSE(ReplaceDataByGrid(nullptr, session, std::move(grid)));
  const std::span<const TXYZPoint> after = std::as_const(session.Table).XYZData().first(21);
  for (std::size_t k = 1; k <= 20; ++k) {
    EXPECT_EQ(after[k].X, before[k].X) << k;
    EXPECT_EQ(after[k].Y, before[k].Y) << k;
    EXPECT_EQ(after[k].Z, before[k].Z) << k;
  }
  EXPECT_EQ(session.DataFileLabel, "/home/user/grid.dat");
  EXPECT_EQ(session.DataUnsaved, 0);
  EXPECT_EQ(settings.RegridMethods[1], kRegridWatson);
}

TEST_F(RegridWindowsTest, ASparseGridIsFilledAtEveryNodeAndKeepsItsOwnPoints) {
  // A 6 by 5 grid without four nodes.
  LoadSparse(Grid(6, 5, [](int i, int j) { return (i == 2 && j == 1) || (i == 4 && j == 3) || (i == 1 && j == 4) || (i == 5 && j == 0); }));
  const int before = session.Table.XYZRows();
  ASSERT_EQ(before, 26);
  auto* w = new TFSSpline(nullptr, &options->Setup(), session, &settings.RegridMethods[1], &grid);
  ShowDialog(w, "sparse_grid_window");
  EXPECT_EQ(Text(w, TRegridWindow::kGridSize), "[6x5]");
  EXPECT_EQ(Text(w, TRegridWindow::kInputCount), "26");
  EXPECT_EQ(Text(w, TRegridWindow::kOutputCount), "30");
  for (int m = 0; m < kRegridMethodCount; ++m)
    EXPECT_TRUE(w->Control<QRadioButton>(TRegridWindow::kFirstMethod + m)->isEnabled()) << m;
  EXPECT_FALSE(w->Control<QLabel>(TRegridWindow::kUnevaluated)->isVisibleTo(w));
  EXPECT_FALSE(w->Control<QLabel>(TRegridWindow::kCompleteGrid)->isVisibleTo(w));
  w->ClickMethod(kRegridAkima);
  w->accept();
  delete w;
  EXPECT_EQ(settings.RegridMethods[1], kRegridAkima);
  ASSERT_EQ(PointCount(grid), 30);
  // The data's own nodes keep their values.
  int kept = 0;
  for (int k = 1; k <= 30; ++k) {
    const TXYZPoint& p = grid[static_cast<std::size_t>(k)];
    EXPECT_EQ(p.X, std::round(p.X));
    EXPECT_EQ(p.Y, std::round(p.Y));
    if (std::fabs(p.Z - Surface(p.X, p.Y)) < 1e-12L) ++kept;
  }
  EXPECT_GE(kept, 26);
}

}  // namespace

namespace {

long double Plane(long double x, long double y) { return 2 + 3 * x - y; }

// Points of a plane on the disc inscribed in [0, 3] x [0, 2]: the uniform grid's corners lie
// beyond every Shepard radius.
PointTable PlaneOnADisc() {
  PointTable all = smooth_test::QuasiRandomPoints(700, 3, 2, Plane);
  PointTable disc(1);
  for (int k = 1; k <= PointCount(all); ++k) {
    const TXYZPoint& p = all[static_cast<std::size_t>(k)];
    const long double u = p.X / 1.5L - 1, v = p.Y - 1;
    if (u * u + v * v <= 1) disc.push_back(p);
  }
  SetPointCount(disc, static_cast<int>(disc.size()) - 1);
  return disc;
}

// The nodes that the quadratic Shepard method cannot reach are counted, said to hold Renka
// I's values, and handed out inactive with those values: they held 0, and the data table
// took them so.
TEST_F(RegridWindowsTest, NodesNoShepardRadiusReachesAreHandedOutWithRenkaIsValues) {
  LoadUniform(PlaneOnADisc());
  settings.UniformGridSize = {16, 16};
  settings.RegridMethods[0] = kRegridShepardQuadratic;
  auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize, &settings.RegridMethods[0],
                          &grid);
  ShowDialog(w, "uniform_grid_unevaluated_nodes");
  const int failed = w->Engine().FailedNodes();
  ASSERT_GT(failed, 0);
  const auto* unevaluated = w->Control<QLabel>(TRegridWindow::kUnevaluated);
  EXPECT_TRUE(unevaluated->isVisibleTo(w));
  EXPECT_EQ(unevaluated->text(), QString("Not evaluated: %1\n(inactive, Renka I's\nvalues there)").arg(failed));
  w->accept();
  delete w;
  ASSERT_EQ(PointCount(grid), 256);
  int inactive = 0;
  for (int k = 1; k <= 256; ++k) {
    const TXYZPoint& p = grid[static_cast<std::size_t>(k)];
    inactive += !IsActive(p);
    // The plane's range over the grid is 11; Renka I meets it to its gradients' tolerance.
    EXPECT_NEAR(static_cast<double>(p.Z), static_cast<double>(Plane(p.X, p.Y)), 1e-3 * 11) << k;
  }
  EXPECT_EQ(inactive, failed);
}

}  // namespace
