#include "app/data_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <tuple>

namespace {

void FillPoint(TXYZPoint& p, int i) {
  p.X = i;
  p.Y = -i;
  p.Z = 0.5L * i;
  p.W = 1;
  p.Status = kPointActive;
}

TEST(DataTable, GrowsFrom1024To16384KeepingEveryRecordThenRefuses) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  ASSERT_EQ(table.XYZCapacity(), 1024);
  {
    std::span<TXYZPoint> t = table.XYZData();
    for (int i = 1; i <= 1024; ++i) FillPoint(t[i], i);
    SetPointCount(t, 1024);
    t[0].W = 1;
    t[0].Marker = '0';
    t[0].SortKey = 7;
  }
  for (int expected : {2048, 4096, 8192, 16384}) {
    ASSERT_TRUE(table.GrowPointArray());
    ASSERT_EQ(table.XYZCapacity(), expected);
    std::span<TXYZPoint> t = table.XYZData();
    ASSERT_EQ(t.size(), static_cast<std::size_t>(expected) + 1);
    // The header record survives every move.
    EXPECT_EQ(PointCount(t), 1024);
    EXPECT_EQ(std::tuple(t[0].W, t[0].Marker, t[0].SortKey), std::tuple(1.0L, '0', std::uint8_t{7}));
    for (int i = 1; i <= 1024; ++i) ASSERT_EQ(t[i].X, i);
    // The new upper half is zero, never stale bytes.
    for (int i = expected / 2 + 1; i <= expected; ++i) {
      ASSERT_EQ(t[i].X, 0);
      ASSERT_EQ(t[i].Status, 0);
    }
  }
  EXPECT_FALSE(table.GrowPointArray());
  EXPECT_EQ(table.XYZCapacity(), 16384);
  EXPECT_EQ(PointCount(table.XYZData()), 1024);
  EXPECT_FALSE(table.EnsurePointCapacity(16385));
  table.FreePointArray();
  EXPECT_TRUE(table.XYZData().empty());
  EXPECT_FALSE(table.GrowPointArray());
}

TEST(DataTable, ClearPointsFromOneClearsTheHeaderFromTwoKeepsIt) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  std::span<TXYZPoint> t = table.XYZData();
  for (int i = 1; i <= 5; ++i) FillPoint(t[i], i);
  SetPointCount(t, 5);
  table.SetXYZRows(5);
  table.ClearPoints(2, 3);
  EXPECT_EQ(PointCount(t), 5);
  // Cleared records hold zeros and a NUL status, not a space.
  EXPECT_EQ((std::vector<long double>{t[1].X, t[2].X, t[3].W, t[4].X}), (std::vector<long double>{1, 0, 0, 4}));
  EXPECT_EQ(t[2].Status, 0);
  table.ClearPoints(1, 1);
  EXPECT_EQ(PointCount(t), 0);
  EXPECT_EQ(t[1].X, 0);
  FillPoint(t[1000], 1000);
  table.ClearPoints(-5, 1 << 20);  // indices are clamped to the block
  EXPECT_EQ(t[1000].X, 0);
}

TEST(DataTable, DupAndRestoreRoundTripAndUndoTheEditCompletely) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  {
    std::span<TXYZPoint> t = table.XYZData();
    for (int i = 1; i <= 10; ++i) FillPoint(t[i], i);
    SetPointCount(t, 10);
    table.SetXYZRows(10);
  }
  const PointTable backup = table.DupDataTable();
  ASSERT_EQ(backup.size(), 11u);
  EXPECT_EQ(backup[10].X, 10);

  // An edit that grows the table past its capacity and adds rows.
  {
    ASSERT_TRUE(table.EnsurePointCapacity(1500));
    std::span<TXYZPoint> t = table.XYZData();
    for (int i = 1; i <= 1500; ++i) FillPoint(t[i], 2 * i);
    SetPointCount(t, 1500);
    table.SetXYZRows(1500);
  }
  ASSERT_TRUE(table.RestoreDataTable(backup));
  std::span<TXYZPoint> t = table.XYZData();
  EXPECT_EQ(table.XYZRows(), 10);
  EXPECT_EQ(PointCount(t), 10);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(t[i].X, i);
  for (int i = 11; i <= 1500; ++i) ASSERT_EQ(t[i].X, 0);

  EXPECT_TRUE(table.RestoreDataTable(PointTable()));  // an empty copy does nothing
  EXPECT_EQ(PointCount(table.XYZData()), 10);
}

TEST(DataTable, RestoreGrowsReplacedStorageAndReplaceRefusesBlocksWithoutHeaderOrBeyondTheLimit) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  EXPECT_FALSE(table.ReplaceDataTable(PointTable()));
  EXPECT_FALSE(table.ReplaceDataTable(PointTable(kXYZMaxPoints + 2)));
  EXPECT_EQ(table.XYZCapacity(), 1024);
  PointTable copy = NewPointTable(2000);
  for (int i = 1; i <= 2000; ++i) FillPoint(copy[i], i);
  ASSERT_TRUE(table.ReplaceDataTable(NewPointTable(100)));
  EXPECT_EQ(table.XYZCapacity(), 100);
  ASSERT_TRUE(table.RestoreDataTable(copy));
  EXPECT_GE(table.XYZCapacity(), 2000);
  EXPECT_EQ(table.XYZData()[2000].X, 2000);
  ASSERT_TRUE(table.ReplaceDataTable(NewPointTable(10201)));  // a 101 x 101 grid
  EXPECT_EQ(table.XYZCapacity(), 10201);
  EXPECT_EQ(table.XYZRows(), 10201);
  // A capacity that is not a power of two still grows, and stops at the limit.
  ASSERT_TRUE(table.GrowPointArray());
  EXPECT_EQ(table.XYZCapacity(), kXYZMaxPoints);
  EXPECT_FALSE(table.GrowPointArray());
}

TEST(PointTable, CountFromADamagedHeaderNeverExceedsTheBlock) {
  PointTable t = NewPointTable(3);
  EXPECT_EQ(PointCount(t), 3);
  struct Case {
    long double header;
    int count;
  };
  const Case cases[] = {{2.9L, 2},
                        {1e9L, 3},
                        {-5, 0},
                        {std::numeric_limits<long double>::quiet_NaN(), 0},
                        {std::numeric_limits<long double>::infinity(), 3}};
  for (const Case& c : cases) {
    t[0].X = c.header;
    EXPECT_EQ(PointCount(t), c.count) << static_cast<double>(c.header);
    EXPECT_EQ(PointsOf(std::span<TXYZPoint>(t)).size(), static_cast<std::size_t>(c.count));
  }
  EXPECT_EQ(PointCount(PointTable()), 0);
  EXPECT_TRUE(NewPointTable(-1).empty());
}

// A worker copying the table while the user-interface thread grows and replaces it sees
// either the old or the new block, never a half-moved one (run under ThreadSanitizer).
TEST(DataTable, SnapshotsAreConsistentWhileTheTableMoves) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  {
    DataTableWriteLock lock(table.Mutex());
    std::span<TXYZPoint> t = table.XYZData();
    for (int i = 1; i <= 500; ++i) FillPoint(t[i], i);
    SetPointCount(t, 500);
  }
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!stop) {
      const PointTable copy = table.DupDataTable();
      const int n = PointCount(copy);
      if (n != 500 && n != 0) ++bad;
      for (int i = 1; i <= n; ++i)
        if (copy[i].X != i) ++bad;
    }
  });
  for (int round = 0; round < 20; ++round) {
    while (table.GrowPointArray()) {
    }
    PointTable fresh = NewPointTable(500);
    for (int i = 1; i <= 500; ++i) FillPoint(fresh[i], i);
    EXPECT_TRUE(table.ReplaceDataTable(std::move(fresh)));
  }
  stop = true;
  reader.join();
  EXPECT_EQ(bad, 0);
}

}  // namespace
