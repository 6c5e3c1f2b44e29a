// EXPECT_LD_NEAR: EXPECT_NEAR for long double (gtest's own converts to double, which
// drops the last three digits and trips -Werror=float-conversion).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>

inline ::testing::AssertionResult LongDoubleNear(const char* valueText, const char* expectedText,
                                                 const char*, long double value,
                                                 long double expected, long double tolerance) {
  if (std::fabs(value - expected) <= tolerance) return ::testing::AssertionSuccess();
  std::ostringstream out;
  out << std::setprecision(21) << valueText << " = " << value << ", " << expectedText << " = "
      << expected << ", difference " << std::fabs(value - expected) << " above " << tolerance;
  return ::testing::AssertionFailure() << out.str();
}

#define EXPECT_LD_NEAR(value, expected, tolerance) \
  EXPECT_PRED_FORMAT3(LongDoubleNear, value, expected, tolerance)
