#include "app/number_scanner.h"

#include <gtest/gtest.h>

#include "app/c_format.h"
#include "app/long_double.h"
#include "support/german_locale.h"

namespace {

TEST(NumberScanner, AcceptsOnlyDecimalNumbers) {
  struct Case {
    const char* text;
    std::size_t length;
  };
  const Case cases[] = {
      {"1", 1},         {"-1.5", 4},    {"+.5", 3},      {"5.", 2},       {"1e5", 3},
      {"1E-05x", 5},    {"1e", 1},      {"1e+", 1},      {"2.5e-", 3},    {".", 0},
      {"-", 0},         {"+.", 0},      {"nan", 0},      {"inf", 0},      {"-inf", 0},
      {"infinity", 0},  {"0x1A", 1},    {"1,5", 1},      {"1.2.3", 3},    {"", 0},
      {" 1", 0},        {"1e1234", 6},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanDecimalNumber(c.text), c.length) << c.text;
  EXPECT_EQ(ScanDecimalNumber("1e1234", 3), 1u);
  EXPECT_EQ(ScanDecimalNumber("1e123", 3), 5u);
}

TEST(NumberScanner, ConvertsExactlyAndMarksTheRangeEnds) {
  long double v = 0;
  ASSERT_TRUE(ConvertDecimalNumber("0.1", v));
  EXPECT_EQ(v, 0.1L);  // the nearest 80-bit value, not the double
  ASSERT_TRUE(ConvertDecimalNumber("+123456789012345678", v));
  EXPECT_EQ(v, 123456789012345678.0L);
  EXPECT_FALSE(ConvertDecimalNumber("1e5000", v));
  EXPECT_FALSE(ConvertDecimalNumber(std::string(6000, '9'), v));
  ASSERT_TRUE(ConvertDecimalNumber("1e-5000", v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(ConvertDecimalNumber("0." + std::string(6000, '0') + "1", v));
  EXPECT_EQ(v, 0);
}

TEST(NumberScanner, DataValuesBeyondTheDataRange) {
  EXPECT_EQ(DataValueOf("1e300"), 1e300L);
  EXPECT_EQ(DataValueOf("1.0001e300"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("-1e301"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("1e5000"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("-1e-301"), 0);
  EXPECT_EQ(DataValueOf("1e-300"), 1e-300L);
}

TEST(NumberScanner, ReadsAndWritesInTheCLocaleUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  long double v = 0;
  ASSERT_TRUE(ConvertDecimalNumber("2.75", v));
  EXPECT_EQ(v, 2.75L);
  EXPECT_EQ(ScanDecimalNumber("2,75"), 1u);
  EXPECT_EQ(CFormat("%.2Lf", 2.75L), "2.75");
}

}  // namespace
