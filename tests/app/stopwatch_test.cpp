#include "app/stopwatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

TEST(Stopwatch, MeasuresElapsedMicrosecondsPerSlot) {
  StopwatchStart(0);
  StopwatchStart(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  StopwatchStop(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  StopwatchStop(0);
  EXPECT_GE(StopwatchValue(1), 20000.0);
  EXPECT_GT(StopwatchValue(0), StopwatchValue(1));
  StopwatchStart(-1);
  StopwatchStop(kStopwatchSlots);
  EXPECT_EQ(StopwatchValue(kStopwatchSlots), 0.0);
}

TEST(Stopwatch, SpeedFigureIsPositiveAndFinite) {
  const long double speed = MeasureSpeed(std::chrono::milliseconds(20));
  EXPECT_GT(speed, 0);
  EXPECT_TRUE(std::isfinite(speed));
}

}  // namespace
