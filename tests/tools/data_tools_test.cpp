#include "tools/data_tools.h"

#include <gtest/gtest.h>

#include "app/data_files.h"
#include "app/data_table.h"
#include "app/prescan_hooks.h"
#include "app/shell_state.h"

namespace {

class DataTools : public ::testing::Test {
 protected:
  void SetUp() override {
    FreePointArray();
    ASSERT_TRUE(AllocPointArray());
  }
  void TearDown() override {
    FreePointArray();
    PrescanHooks().VoidFitResults = nullptr;
  }
  // Ten points, every third one (3, 6, 9) inactive.
  void LoadTen() {
    auto data = XYZData();
    for (int i = 1; i <= 10; ++i) {
      TXYZPoint& p = data[static_cast<std::size_t>(i)];
      p.X = i, p.Y = i * i, p.Z = 10 - i, p.W = 1;
      p.Status = i % 3 == 0 ? kPointInactive : kPointActive;
    }
    SetPointCount(data, 10);
    SetXYZRows(10);
    ComputeDataStatistics();
  }
};

TEST_F(DataTools, StatisticsTextWithoutADescriptionStartsWithTheXVariable) {
  TDataStats stats;
  ResetDataStats(stats, 4);
  stats.X.Min = 1, stats.X.Max = 2.5L, stats.X.Range = 1.5L, stats.X.Mean = 1.75L;
  stats.X.StdDev = 0.5L;
  TDataTitles titles;
  titles.XName = "Temperature";
  const auto lines = StatisticsText(stats, titles, "/data/run.txt", "Mar 7, 2024", "1:02:03 PM");
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0], "~#X Variable:~# ~$Temperature~$");
  EXPECT_EQ(lines[1],
            "  ~#    Xmin:~# ~!1           ~! ~#    Xmax:~# ~!2.5         ~! ~#  Xrange:~# ~!1.5         ~!");
  EXPECT_EQ(lines[2], "  ~#   Xmean:~# ~!1.75        ~! ~#    Xstd:~# ~!0.5         ~!");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "~#Y Variable:~# ~$~$");
  EXPECT_EQ(lines[12], "~#Date~#           ~#Time~#           ~#File Source~#");
  EXPECT_EQ(lines[13], "~!Mar 7, 2024   ~! ~!1:02:03 PM    ~! ~!/data/run.txt                           ~!");
  titles.Title = "Run 4";
  const auto withTitle = StatisticsText(stats, titles, "", "", "");
  EXPECT_EQ(withTitle[0], "~#Description:~# ~$Run 4~$");
  EXPECT_EQ(withTitle[1], "");
}

TEST_F(DataTools, RemovingThreeInactivePointsOfTenKeepsSevenInOrder) {
  LoadTen();
  ASSERT_EQ(DataStats.ActiveCount, 7);
  DataUnsaved = 0;
  EXPECT_TRUE(RemoveInactivePoints());
  EXPECT_EQ(XYZRows(), 7);
  EXPECT_EQ(PointCount(XYZData()), 7);
  const int expected[7] = {1, 2, 4, 5, 7, 8, 10};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(XYZData()[static_cast<std::size_t>(i + 1)].X, expected[i]);
    EXPECT_EQ(XYZData()[static_cast<std::size_t>(i + 1)].Status, kPointActive);
  }
  EXPECT_EQ(XYZData()[8].Status, 0);
  EXPECT_EQ(DataUnsaved, 1);
  // Now every point is active: nothing to remove.
  ComputeDataStatistics();
  EXPECT_FALSE(RemoveInactivePoints());
}

TEST_F(DataTools, ClearingEmptiesTableTitlesSourceAndFits) {
  LoadTen();
  int voided = 0;
  PrescanHooks().VoidFitResults = [&] { ++voided; };
  DataTitles().Title = "x";
  DataFileLabel = "/a";
  DataUnsaved = 1;
  ClearDataTable();
  EXPECT_EQ(XYZRows(), 0);
  EXPECT_EQ(PointCount(XYZData()), 0);
  EXPECT_EQ(DataStats.ActiveCount, 0);
  EXPECT_EQ(voided, 1);
  EXPECT_TRUE(DataTitles().Title.empty());
  EXPECT_TRUE(DataFileLabel.empty());
  EXPECT_EQ(DataUnsaved, 0);
}

}  // namespace
