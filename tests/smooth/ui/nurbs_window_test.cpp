// The NURBS smoothing window (2144): the degree buttons the grid allows, a click selecting
// NURBS with equal degrees and recomputing at once, OK storing the method and degree and
// replacing Z of every record, Cancel leaving data and settings.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include <memory>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/nurbs_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "../../graph3d/ui/dialog_shots.h"

namespace {

// A complete nx by ny grid over [0, 1] x [0, 2] of a wavy surface; point 3 inactive.
PointTable Grid(int nx, int ny) {
  PointTable t = NewPointTable(nx * ny);
  std::size_t k = 1;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const long double x = i / (nx - 1.0L), y = 2 * j / (ny - 1.0L);
      t[k++] = TXYZPoint{x, y, std::sin(3 * x) + std::cos(2 * y) + 0.1L * ((i + j) % 2), 1, kPointActive};
    }
  t[3].Status = kPointInactive;
  return t;
}

class NurbsWindowTest : public ::testing::Test {
 protected:
  void Load(PointTable table) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, kGraphNurbs, kPointsNurbs, kPlaceNurbs);
    PrepareSmoothingSetup(*options, session);
  }
  PointTable Records() {
    return CopyPoints(session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1));
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kNurbs);
};

TEST_F(NurbsWindowTest, FourDistinctXValuesAllowOnlyTheSecondDegree) {
  Load(Grid(4, 9));
  auto* w = new T3DSmoothNurbs(nullptr, &options->Setup(), session, &np);
  for (int degree = 2; degree <= 9; ++degree) EXPECT_EQ(w->DegreeButton(degree)->isEnabled(), degree == 2) << degree;
  EXPECT_TRUE(w->DegreeButton(2)->isChecked());  // the engine held the stored 3 to the grid's 2
  delete w;
}

TEST_F(NurbsWindowTest, ADegreeClickRecomputesAtOnceAndOkStoresItAndTheSmoothedZ) {
  Load(Grid(9, 8));
  const PointTable before = Records();
  auto* w = new T3DSmoothNurbs(nullptr, &options->Setup(), session, &np);
  ShowDialog(w, "nurbs_window");
  const int recomputes = w->RecomputeCount();
  w->ClickDegree(4);
  EXPECT_EQ(w->RecomputeCount(), recomputes + 1);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_TRUE(w->DegreeButton(4)->isChecked());
  EXPECT_EQ(w->Engine().DegreeX(), 4);
  EXPECT_EQ(w->Engine().DegreeY(), 4);
  EXPECT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  bool smoothed = false;
  w->SetSmoothedFlag(&smoothed);
  const PointTable expected = w->Engine().SmoothedPoints();
  w->accept();
  delete w;
  EXPECT_TRUE(smoothed);
  EXPECT_EQ(np.method, kGridNurbsCubic);
  EXPECT_EQ(np.orderX[kGridNurbsCubic], 4);
  EXPECT_EQ(np.orderY[kGridNurbsCubic], 4);
  const PointTable after = Records();
  ASSERT_EQ(after.size(), expected.size());
  bool changed = false;
  for (std::size_t k = 1; k < after.size(); ++k) {
    EXPECT_EQ(after[k].Z, expected[k].Z) << k;
    EXPECT_EQ(after[k].X, before[k].X) << k;
    EXPECT_EQ(after[k].Y, before[k].Y) << k;
    EXPECT_EQ(after[k].Status, before[k].Status) << k;
    changed = changed || after[k].Z != before[k].Z;
  }
  EXPECT_TRUE(changed);
}

// OK with no degree clicked stores nothing of what the engine reported for this table (its
// least-squares counts, a degree clamped); a degree clicked is stored with the counts kept.
TEST_F(NurbsWindowTest, OkStoresTheDegreeClickedAndNothingTheEngineClamped) {
  Load(Grid(6, 5));
  np.orderX[kGridNurbsCubic] = np.orderY[kGridNurbsCubic] = 9;
  const TNPGridSettings start = np;
  auto* w = new T3DSmoothNurbs(nullptr, &options->Setup(), session, &np);
  ASSERT_LT(w->Engine().DegreeX(), 9);
  ASSERT_NE(w->Engine().LsqCoefX(), start.knotsX[kGridNurbsCubic]);
  w->accept();
  delete w;
  EXPECT_EQ(np, start);
  Load(Grid(6, 5));
  w = new T3DSmoothNurbs(nullptr, &options->Setup(), session, &np);
  w->ClickDegree(2);
  w->accept();
  delete w;
  TNPGridSettings expected = start;
  expected.orderX[kGridNurbsCubic] = expected.orderY[kGridNurbsCubic] = 2;
  EXPECT_EQ(np, expected);
}

TEST_F(NurbsWindowTest, CancelLeavesDataAndSettings) {
  Load(Grid(9, 8));
  const PointTable before = Records();
  const TNPGridSettings start = np;
  auto* w = new T3DSmoothNurbs(nullptr, &options->Setup(), session, &np);
  w->ClickDegree(6);
  w->reject();
  delete w;
  EXPECT_EQ(np, start);
  const PointTable after = Records();
  for (std::size_t k = 1; k < after.size(); ++k) EXPECT_EQ(after[k].Z, before[k].Z) << k;
}

}  // namespace
