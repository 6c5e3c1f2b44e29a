// The wheel's rules for a graph's rotation and elevation, as the review's graph steps them.

#include <gtest/gtest.h>

#include <vector>

#include "graph3d/graph_pointer.h"

namespace {

constexpr TWheelKeys kPlain{}, kShift{true, false}, kCtrl{false, true};

TEST(WheelRules, RotationNotches) {
  int rotation = 330;
  // Past the last standard view a plain notch leaves the rotation alone.
  rotation = WheelRotation(rotation, 1, kPlain);
  EXPECT_EQ(rotation, 330);
  rotation = WheelRotation(rotation, 1, kShift);
  EXPECT_EQ(rotation, 360);
  rotation = WheelRotation(rotation, 1, kShift);
  EXPECT_EQ(rotation, 30);
  rotation = WheelRotation(rotation, 1, kPlain);
  EXPECT_EQ(rotation, 120);
  EXPECT_EQ(WheelRotation(100, -1, kPlain), 120);
  EXPECT_EQ(WheelRotation(10, -1, kCtrl), 300);
}

TEST(WheelRules, ElevationNotches) {
  int elevation = 10;
  std::vector<int> seen;
  for (int i = 0; i < 3; ++i) seen.push_back(elevation = WheelElevation(elevation, 1, kPlain));
  EXPECT_EQ(seen, (std::vector<int>{20, 90, 0}));
  elevation = WheelElevation(elevation, -1, kShift);
  EXPECT_EQ(elevation, 90);
  EXPECT_EQ(WheelElevation(elevation, 1, kCtrl), 0);
}

TEST(WheelRules, SmallDeltasAccumulateIntoNotches) {
  TWheelAccumulator wheel;
  EXPECT_EQ(wheel.Notches(40), 0);
  EXPECT_EQ(wheel.Notches(40), 0);
  EXPECT_EQ(wheel.Notches(40), 1);
  EXPECT_EQ(wheel.Notches(240), 2);
  EXPECT_EQ(wheel.Notches(-60), 0);
  EXPECT_EQ(wheel.Notches(-60), -1);
  EXPECT_EQ(wheel.Notches(-119), 0);
}

}  // namespace
