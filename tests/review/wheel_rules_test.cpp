// The wheel's rules for the review graph's rotation and elevation.

#include <gtest/gtest.h>

#include <vector>

#include "review/wheel_rules.h"

namespace {

TEST(WheelRules, RotationNotches) {
  TWheelView v{330, 20};
  ApplyWheelNotches(v, kWheelRotation, 1, false, false);
  EXPECT_EQ(v.rotation, 330);
  ApplyWheelNotches(v, kWheelRotation, 1, true, false);
  EXPECT_EQ(v.rotation, 360);
  ApplyWheelNotches(v, kWheelRotation, 1, true, false);
  EXPECT_EQ(v.rotation, 30);
  ApplyWheelNotches(v, kWheelRotation, 1, false, false);
  EXPECT_EQ(v.rotation, 120);
  v.rotation = 100;
  ApplyWheelNotches(v, kWheelRotation, -1, false, false);
  EXPECT_EQ(v.rotation, 120);
  v.rotation = 10;
  ApplyWheelNotches(v, kWheelRotation, -1, false, true);
  EXPECT_EQ(v.rotation, 300);
  EXPECT_EQ(v.elevation, 20);
}

TEST(WheelRules, ElevationNotches) {
  TWheelView v{210, 10};
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i) {
    ApplyWheelNotches(v, kWheelElevation, 1, false, false);
    seen.push_back(v.elevation);
  }
  EXPECT_EQ(seen, (std::vector<double>{20, 90, 0}));
  ApplyWheelNotches(v, kWheelElevation, -1, true, false);
  EXPECT_EQ(v.elevation, 90);
  ApplyWheelNotches(v, kWheelElevation, 1, false, true);
  EXPECT_EQ(v.elevation, 0);
  EXPECT_EQ(v.rotation, 210);
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
