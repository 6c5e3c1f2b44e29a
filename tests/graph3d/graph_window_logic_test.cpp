#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "graph3d/graph_pointer.h"
#include "graph3d/image_cache.h"

namespace {

std::unique_ptr<TLZW> Frame(int key, std::size_t bytes, bool compress = false) {
  std::vector<std::uint8_t> data(bytes);
  for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(key));
  return std::make_unique<TLZW>(data, static_cast<std::uint32_t>(key), compress);
}

TEST(ImageCache, LimitZeroTakesOneFrameThenRefuses) {
  TImageCache cache;
  EXPECT_EQ(cache.CacheImage(Frame(1, 100)), TImageCache::kNoCache);  // no cache yet
  cache.Init(0);
  cache.SetKey(5);
  EXPECT_FALSE(cache.CanCacheFrame());  // a paint would store nothing
  EXPECT_EQ(cache.CacheImage(Frame(1, 100)), 100);  // 0 bytes held is not above the limit
  EXPECT_EQ(cache.CacheImage(Frame(2, 100)), TImageCache::kOverLimit);
  // A frame of a key already held replaces it whatever the limit.
  EXPECT_EQ(cache.CacheImage(Frame(1, 300)), 300);
  int count = 0;
  EXPECT_EQ(cache.CachedBytes(&count), 300);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(cache.CacheImage(nullptr), TImageCache::kNoCache);
}

TEST(ImageCache, NinthFrameDoublesTheSlotsAndFramesExpandBack) {
  TImageCache cache;
  cache.Init(1000);
  EXPECT_EQ(cache.Limit(), 1'000'000);
  for (int key = 1; key <= 9; ++key) ASSERT_GT(cache.CacheImage(Frame(key, 5000, true)), 0) << key;
  EXPECT_EQ(cache.SlotCount(), 16);
  cache.SetKey(7);
  EXPECT_TRUE(cache.FindFrame());
  EXPECT_TRUE(cache.CanCacheFrame());
  std::vector<std::uint8_t> plain;
  ASSERT_TRUE(cache.ExpandFrame(plain));
  ASSERT_EQ(plain.size(), 5000u);
  EXPECT_EQ(plain[10], static_cast<std::uint8_t>(10 * 7 + 7));
  cache.SetEnabled(false);
  EXPECT_FALSE(cache.FindFrame());
  EXPECT_FALSE(cache.CanCacheFrame());
  cache.SetEnabled(true);
  cache.Clear();
  EXPECT_EQ(cache.CachedBytes(), 0);
  EXPECT_EQ(cache.SlotCount(), 16);
  EXPECT_FALSE(cache.FindFrame());
  cache.Free();
  EXPECT_EQ(cache.SlotCount(), 0);
  cache.SetEnabled(true);
  EXPECT_FALSE(cache.Enabled());
}

TEST(ImageCache, RenderThreadStoresWhileTheInterfaceReadsAndClears) {
  // Run under ThreadSanitizer by scripts/sanitize: the writer and the reader share nothing
  // but the cache.
  TImageCache cache;
  cache.Init(100000);
  std::atomic<bool> done{false};
  std::thread render([&] {
    for (int key = 1; key <= 400; ++key) (void)cache.CacheImage(Frame(key % 40, 2000, true));
    done = true;
  });
  std::vector<std::uint8_t> plain;
  int reads = 0;
  while (!done) {
    cache.SetKey(reads % 40);
    if (cache.FindFrame() && cache.ExpandFrame(plain)) {
      EXPECT_EQ(plain.size(), 2000u);
    }
    if (++reads % 50 == 0) cache.Clear();
    (void)cache.CachedBytes();
  }
  render.join();
}

std::vector<TKeptPoint> PointList(std::initializer_list<std::pair<int, int>> xy) {
  std::vector<TKeptPoint> list(1);
  int index = 1;
  for (auto [x, y] : xy) list.push_back(TKeptPoint{x, y, index++, 0, -1});
  list[0].x = static_cast<int>(xy.size());
  return list;
}

TEST(GraphPointer, NearestPointWithinThreePixelsEarlierWinsTies) {
  const auto list = PointList({{5, 5}, {48, 50}, {52, 50}, {53, 53}, {90, 10}});
  // (50, 50): entries 2 and 3 are both 2 away; the earlier one wins.
  EXPECT_EQ(FindNearestKeptPoint(list, 50, 50, 100, 100), 2);
  EXPECT_EQ(FindNearestKeptPoint(list, 53, 52, 100, 100), 4);  // 1 away, nearer than 3 (2 away)
  EXPECT_EQ(FindNearestKeptPoint(list, 5, 9, 100, 100), 0);   // 4 pixels away
  EXPECT_EQ(FindNearestKeptPoint(list, 8, 8, 100, 100), 1);
  EXPECT_EQ(FindNearestKeptPoint(list, 90, 10, 80, 100), 0);  // outside the graph
  EXPECT_EQ(FindNearestKeptPoint(list, -1, 5, 100, 100), 0);
  EXPECT_EQ(FindNearestKeptPoint(PointList({}), 5, 5, 100, 100), 0);
  // A count larger than the list never reads past it.
  auto damaged = list;
  damaged[0].x = 1000;
  EXPECT_EQ(FindNearestKeptPoint(damaged, 90, 10, 100, 100), 5);
  EXPECT_TRUE(IsClick(10, 10, 11, 9));
  EXPECT_FALSE(IsClick(10, 10, 12, 10));  // a 2-pixel drag toggles nothing
  EXPECT_FALSE(IsClick(10, 10, 10, 8));
}

TEST(GraphPointer, ClickZones) {
  const int w = 200, h = 100;
  EXPECT_EQ(ClickZoneAt(100, 9, w, h), ClickZone::Titles);
  EXPECT_EQ(ClickZoneAt(100, 10, w, h), ClickZone::View);
  EXPECT_EQ(ClickZoneAt(19, 50, w, h), ClickZone::Scaling);
  EXPECT_EQ(ClickZoneAt(20, 50, w, h), ClickZone::View);
  EXPECT_EQ(ClickZoneAt(180, 90, w, h), ClickZone::View);
  EXPECT_EQ(ClickZoneAt(181, 50, w, h), ClickZone::Scaling);
  EXPECT_EQ(ClickZoneAt(100, 91, w, h), ClickZone::Scaling);
}

TEST(GraphPointer, WheelSteps) {
  const TWheelKeys none, shift{true, false}, ctrl{false, true};
  EXPECT_EQ(WheelNotches(120), 1);
  EXPECT_EQ(WheelNotches(-239), -1);
  // From 45 with no key the view snaps to 120 whatever the direction.
  EXPECT_EQ(WheelRotation(45, 1, none), 120);
  EXPECT_EQ(WheelRotation(45, -1, none), 120);
  EXPECT_EQ(WheelRotation(120, 1, none), 210);
  EXPECT_EQ(WheelRotation(300, 1, none), 30);  // 390 wraps to 30
  EXPECT_EQ(WheelRotation(30, -1, none), 300);
  EXPECT_EQ(WheelRotation(330, 0, none), 330);
  EXPECT_EQ(WheelRotation(45, 1, ctrl), 60);
  EXPECT_EQ(WheelRotation(45, -2, shift), 300);  // -15 wraps to 300
  // Elevation without a key cycles 0, 20, 90, 0.
  int e = 0;
  for (int expected : {20, 90, 0, 20}) EXPECT_EQ(e = WheelElevation(e, -1, none), expected);
  EXPECT_EQ(WheelElevation(85, 1, shift), 0);
  EXPECT_EQ(WheelElevation(5, -1, ctrl), 90);
  EXPECT_EQ(WheelElevation(40, 2, ctrl), 60);
}

}  // namespace
