// The accept-or-undo graph: the changed points alone over the data's own ranges, a range whose
// ends meet widened to a visible box, and the data's titles.
#include <gtest/gtest.h>

#include "app/data_statistics.h"
#include "graph3d/accept_or_undo_graph.h"
#include "graph3d/graph_fixture.h"

namespace {

struct AcceptOrUndoGraph : ::testing::Test {
  TDataSession session;
  ProgramSettings settings;

  void Load(std::initializer_list<std::array<long double, 3>> xyz) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(MakeTable(xyz)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  }
};

TEST_F(AcceptOrUndoGraph, PointsAloneOverTheDataRangesWithTheDataTitles) {
  Load({{1, 2, -4}, {3, 5, 6}, {2, 3, 1}, {1.5L, 4, 2}});
  session.DataTitles() = TDataTitles{"After X=X*2", "Length", "Width", "Height"};
  TGraphOptions options(settings, kGraphAcceptUndo, kPointsAcceptUndo, kPlaceAcceptUndo);
  options.customTitles.Enabled = 1;
  PrepareAcceptOrUndoGraph(options, session);
  T3DBase renderer(&options.Setup());
  EXPECT_EQ(renderer.ContentFlags(), kContentPoints);
  EXPECT_EQ(options.Setup().ZFromPoints, 1);
  EXPECT_EQ(options.Setup().UserScheme, 2);
  // The data ranges, which the axes' nice divisions then enclose.
  const long double low[3] = {1, 2, -4}, high[3] = {3, 5, 6};
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(renderer.DataLow(a), low[a]) << a;
    EXPECT_EQ(renderer.DataHigh(a), high[a]) << a;
    EXPECT_LE(renderer.AxisLow(a), low[a]) << a;
    EXPECT_GE(renderer.AxisHigh(a), high[a]) << a;
  }
  EXPECT_EQ(options.titles.Lines, (std::array<std::string, 5>{"After X=X*2", "", "", "", ""}));
  EXPECT_EQ(options.titles.AxisTitles, (std::array<std::string, 3>{"Length", "Width", "Height"}));
  EXPECT_EQ(options.customTitles.Enabled, 0);
  EXPECT_EQ(AcceptOrUndoCaptionId(AcceptOrUndoMode::Calculation), 3126);
  EXPECT_EQ(AcceptOrUndoCaptionId(AcceptOrUndoMode::Smoothing), 3148);
}

TEST_F(AcceptOrUndoGraph, EqualValuesStillGiveARange) {
  // Every X is 7 and every Z is 0: their ranges are 6.5 .. 7.5 and -0.5 .. 0.5.
  Load({{7, 1, 0}, {7, 2, 0}, {7, 3, 0}, {7, 4, 0}});
  TGraphOptions options(settings, kGraphAcceptUndo, kPointsAcceptUndo, kPlaceAcceptUndo);
  PrepareAcceptOrUndoGraph(options, session);
  const T3DScalingBlock& s = options.Setup().Scaling;
  EXPECT_EQ(s.DataLow[0], 6.5L);
  EXPECT_EQ(s.DataHigh[0], 7.5L);
  EXPECT_EQ(s.DataLow[2], -0.5L);
  EXPECT_EQ(s.DataHigh[2], 0.5L);
  T3DBase renderer(&options.Setup());
  EXPECT_LT(renderer.AxisLow(0), renderer.AxisHigh(0));
  EXPECT_LT(renderer.AxisLow(2), renderer.AxisHigh(2));
  EXPECT_LE(renderer.AxisLow(0), 6.5L);
  EXPECT_GE(renderer.AxisHigh(0), 7.5L);
}

}  // namespace
