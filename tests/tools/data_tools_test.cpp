#include "tools/data_tools.h"

#include <gtest/gtest.h>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/long_double.h"
#include "app/prescan_hooks.h"
#include "app/shell_state.h"

namespace {

using Lines = std::vector<std::string>;

TEST(DataTools, StatisticsTextWithoutADescriptionStartsWithTheXVariable) {
  TDataStats stats;
  ResetDataStats(stats, 4);
  stats.X.Min = 1, stats.X.Max = 2.5L, stats.X.Range = 1.5L, stats.X.Mean = 1.75L, stats.X.StdDev = 0.5L;
  TDataTitles titles;
  titles.XName = "Temperature";
  const Lines lines = StatisticsText(stats, titles, "/data/run.txt", "Mar 7, 2024", "1:02:03 PM");
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 5),
            (Lines{"~#X Variable:~# ~$Temperature~$",
                   "  ~#    Xmin:~# ~!1           ~! ~#    Xmax:~# ~!2.5         ~! ~#  Xrange:~# ~!1.5         ~!",
                   "  ~#   Xmean:~# ~!1.75        ~! ~#    Xstd:~# ~!0.5         ~!", "",
                   "~#Y Variable:~# ~$~$"}));
  EXPECT_EQ(Lines(lines.begin() + 12, lines.begin() + 14),
            (Lines{"~#Date~#           ~#Time~#           ~#File Source~#",
                   "~!Mar 7, 2024   ~! ~!1:02:03 PM    ~! ~!/data/run.txt                           ~!"}));
  titles.Title = "Run 4";
  const Lines withTitle = StatisticsText(stats, titles, "", "", "");
  EXPECT_EQ(Lines(withTitle.begin(), withTitle.begin() + 2), (Lines{"~#Description:~# ~$Run 4~$", ""}));
}

// Weights that sum to 1 or less leave the deviation undefined: it reads "n/a", never the
// missing value's stand-in number.
TEST(DataTools, StatisticsTextTellsAnUndefinedDeviation) {
  TDataStats stats;
  ResetDataStats(stats, 4);
  stats.X.Mean = 1.75L, stats.X.StdDev = ExprErrorValue;
  const Lines lines = StatisticsText(stats, TDataTitles{}, "", "", "");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "  ~#   Xmean:~# ~!1.75        ~! ~#    Xstd:~# ~!n/a         ~!");
}

class DataToolsTable : public ::testing::Test {
 protected:
  void TearDown() override { PrescanHooks().VoidFitResults = nullptr; }
};

// Ten points, every third one (3, 6, 9) inactive, removed; then the table cleared.
TEST_F(DataToolsTable, RemovingThreeInactivePointsOfTenKeepsSevenInOrderAndClearingEmptiesAll) {
  TDataSession session;
  ASSERT_TRUE(session.Table.AllocPointArray());
  auto data = session.Table.XYZData();
  for (std::size_t i = 1; i <= 10; ++i) {
    data[i].X = static_cast<long double>(i), data[i].Y = data[i].X * data[i].X, data[i].Z = 10 - data[i].X;
    data[i].W = 1;
    data[i].Status = i % 3 == 0 ? kPointInactive : kPointActive;
  }
  SetPointCount(data, 10);
  session.Table.SetXYZRows(10);
  ComputeDataStatistics(session.Table, session.DataStats);
  ASSERT_EQ(session.DataStats.ActiveCount, 7);
  EXPECT_TRUE(RemoveInactivePoints(session));
  EXPECT_EQ(session.Table.XYZRows(), 7);
  EXPECT_EQ(PointCount(session.Table.XYZData()), 7);
  std::vector<long double> xs;
  std::string status;
  for (std::size_t i = 1; i <= 8; ++i) xs.push_back(session.Table.XYZData()[i].X), status += session.Table.XYZData()[i].Status;
  EXPECT_EQ(xs, (std::vector<long double>{1, 2, 4, 5, 7, 8, 10, 0}));
  EXPECT_EQ(status, std::string(7, kPointActive) + '\0');
  EXPECT_EQ(session.DataUnsaved, 1);
  ComputeDataStatistics(session.Table, session.DataStats);
  EXPECT_FALSE(RemoveInactivePoints(session));  // every point is active: nothing to remove

  int voided = 0;
  PrescanHooks().VoidFitResults = [&](TDataSession& s) { voided += &s == &session ? 1 : 100; };
  session.DataTitles().Title = "x";
  session.DataFileLabel = "/a";
  ClearDataTable(session);
  EXPECT_EQ((std::vector<int>{session.Table.XYZRows(), PointCount(session.Table.XYZData()), session.DataStats.ActiveCount, voided, session.DataUnsaved}),
            (std::vector<int>{0, 0, 0, 1, 0}));
  EXPECT_TRUE(session.DataTitles().Title.empty());
  EXPECT_TRUE(session.DataFileLabel.empty());
}

}  // namespace
