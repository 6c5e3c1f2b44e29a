#include "app/number_format.h"

#include <gtest/gtest.h>

#include <ctime>

#include "app/date_time_text.h"
#include "app/text_utils.h"

namespace {

TEST(NumberPrecision, DigitsThatFitTheField) {
  struct Case {
    long double x;
    int w, digits;
  };
  const Case cases[] = {
      {123.456L, 10, 9},  // 1 <= a < 10^5
      {-0.05L, 10, 6},    // 0.01 <= a < 0.1, negative
      {1e-200L, 10, 4},   // below 0.001 and a three-digit exponent
      {1e7L, 10, 5},      // at or above 10^(w-5)
      {99999, 10, 9},     {100000, 10, 5},   {0.001L, 10, 6}, {0.0099L, 10, 6},
      {0.5L, 10, 8},      {-1, 10, 8},       {0, 10, 4},      {1e-100L, 12, 6},
      {-2e-101L, 12, 5},  {1, 5, 0},  // 10^0 = 1: a >= L already
  };
  for (const Case& c : cases)
    EXPECT_EQ(NumberPrecision(c.x, c.w), c.digits) << static_cast<double>(c.x) << " w " << c.w;
}

TEST(FormatNumber, FitsTheFieldAndPadsOnRequest) {
  struct Case {
    long double x;
    int w;
    bool fixed;
    const char* text;
  };
  const Case cases[] = {
      {123.456L, 10, false, "123.456"},
      {123.456L, 10, true, "123.456000"},
      {12, 9, true, "12.000000"},
      {-0.05L, 10, true, "-0.0500000"},
      {1e-200L, 10, true, "1e-200"},  // exponents are never padded
      {2.0L / 3, 12, false, "0.6666666667"},
      {1234567.0L, 9, false, "1.235e+06"},
      {-1, 3, false, "-1"},  // precision below 1 still prints one digit
  };
  for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.x, c.w, c.fixed), c.text) << c.text;
}

TEST(IntegerFormats, GroupsAndFields) {
  EXPECT_EQ(FormatWithCommas(1234567), "1,234,567");
  EXPECT_EQ(FormatWithCommas(999), "999");
  EXPECT_EQ(FormatWithCommas(1000), "1,000");
  EXPECT_EQ(FormatWithCommas(-123), "-123");  // no comma between the sign and the digits
  EXPECT_EQ(FormatWithCommas(-1234), "-1,234");
  EXPECT_EQ(FormatWithCommas(-123456), "-123,456");
  EXPECT_EQ(FormatWithCommas(0), "0");
  EXPECT_EQ(FormatIntLeft(42, 5), "42   ");
  EXPECT_EQ(FormatIntLeft(-7, 1), "-7");
}

TEST(DateTimeText, TwelveHourClockAndMonthNames) {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 12, t.tm_min = 5, t.tm_sec = 9;
  EXPECT_EQ(DateString(t), "Mar 7, 2024");
  EXPECT_EQ(TimeString(t), "12:05:09 PM");
  t.tm_hour = 0, t.tm_min = 30, t.tm_sec = 0;
  EXPECT_EQ(TimeString(t), "0:30:00 AM");
  t.tm_hour = 23, t.tm_min = 59, t.tm_sec = 59;
  EXPECT_EQ(TimeString(t), "11:59:59 PM");
  t.tm_hour = 11;
  EXPECT_EQ(TimeString(t), "11:59:59 AM");
  t.tm_mon = 11;
  t.tm_mday = 31;
  EXPECT_EQ(DateString(t), "Dec 31, 2024");
  EXPECT_FALSE(DateString().empty());
}

TEST(TextUtils, LinesBlanksAndEndings) {
  EXPECT_TRUE(IsAllBlanks(""));
  EXPECT_TRUE(IsAllBlanks("   "));
  EXPECT_FALSE(IsAllBlanks(" \t "));
  std::string s = "abc \t\n \n";
  TrimRight(s);
  EXPECT_EQ(s, "abc");
  s = " \n";
  TrimRight(s);
  EXPECT_EQ(s, "");
  EXPECT_EQ(CountTextLines(""), 0);
  EXPECT_EQ(CountTextLines("a"), 1);
  EXPECT_EQ(CountTextLines("a\nb\n"), 2);
  EXPECT_EQ(CountTextLines("a\nb"), 2);
  EXPECT_EQ(CountTextLines("\n\n"), 2);
  s = "line\r\n\n\r";
  EndLineCrLf(s);
  EXPECT_EQ(s, "line\r\n");
  s.clear();
  EndLineCrLf(s);
  EXPECT_EQ(s, "\r\n");
  EXPECT_EQ(FillSpaces(3), "   ");
  EXPECT_EQ(FillSpaces(-2), "");
}

}  // namespace
