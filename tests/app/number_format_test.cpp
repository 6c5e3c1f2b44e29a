// Numbers and texts in and out: field widths, grouping, dates, line helpers and the strict
// decimal scanner.
#include "app/number_format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "app/c_format.h"
#include "app/date_time_text.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/text_utils.h"
#include "support/german_locale.h"

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
      {123.456L, 10, false, "123.456"},       {123.456L, 10, true, "123.456000"},
      {12, 9, true, "12.000000"},             {-0.05L, 10, true, "-0.0500000"},
      {2.0L / 3, 12, false, "0.6666666667"},  {1234567.0L, 9, false, "1.235e+06"},
      {1e-200L, 10, true, "1e-200"},  // exponents are never padded
      {-1, 3, false, "-1"},           // precision below 1 still prints one digit
      {-0.0L, 11, false, "0"},        {-0.0L, 6, true, "0.0000"},  // 0 with the sign bit is 0
  };
  for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.x, c.w, c.fixed), c.text) << c.text;
  EXPECT_EQ(FormatFigure(-0.0L, 8), "0");
  EXPECT_EQ(FormatFigure(-1e-30L, 3), "-1e-30");
}

// Every magnitude a long double holds, at every width from 8 to 24, either sign, padded or
// not: the text fits its field. Exponents of three and four digits take their digits from
// the mantissa, as the two-digit ones do (1.2346e+150 took 11 characters of 10).
TEST(FormatNumber, EveryMagnitudeFitsItsField) {
  const struct {
    long double x;
    int w;
    const char* text;
  } exact[] = {
      {1.23456789e150L, 10, "1.235e+150"}, {-1.23456789e150L, 10, "-1.23e+150"},
      {8.8347e-100L, 10, "8.835e-100"},    {6.4143e4930L, 12, "6.4143e+4930"},
      {-4.9532e-1000L, 12, "-4.953e-1000"}, {9.99999e99L, 10, "1e+100"},
      {1.23456789e99L, 10, "1.2346e+99"},  {1e-200L, 10, "1e-200"},
  };
  for (const auto& c : exact) EXPECT_EQ(FormatNumber(c.x, c.w, false), c.text);

  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> mantissa(1, 10);
  int checked = 0;
  for (int w = 8; w <= 24; ++w)
    for (int e = -4950; e <= 4931; e += 13) {
      const long double x = static_cast<long double>(mantissa(random)) * std::pow(10.0L, static_cast<long double>(e));
      if (!std::isfinite(x) || x == 0) continue;
      for (const long double v : {x, -x})
        for (const bool fixed : {false, true}) {
          const std::string text = FormatNumber(v, w, fixed);
          ASSERT_LE(text.size(), static_cast<std::size_t>(w)) << text << " w " << w;
          ++checked;
        }
    }
  EXPECT_GT(checked, 20000);
}

TEST(IntegerFormats, GroupsAndFields) {
  // No comma between the sign and the digits of a negative number.
  const std::pair<long, const char*> grouped[] = {{1234567, "1,234,567"}, {999, "999"}, {1000, "1,000"},
                                                  {-123, "-123"}, {-1234, "-1,234"}, {-123456, "-123,456"},
                                                  {0, "0"}};
  for (auto [n, text] : grouped) EXPECT_EQ(FormatWithCommas(n), text) << n;
  EXPECT_EQ(FormatIntLeft(42, 5), "42   ");
  EXPECT_EQ(FormatIntLeft(-7, 1), "-7");
}

TEST(DateTimeText, TwelveHourClockAndMonthNames) {
  struct Case {
    int month, day, hour, minute, second;
    const char *date, *time;
  };
  const Case cases[] = {{2, 7, 12, 5, 9, "Mar 7, 2024", "12:05:09 PM"},
                        {2, 7, 0, 30, 0, "Mar 7, 2024", "0:30:00 AM"},
                        {11, 31, 23, 59, 59, "Dec 31, 2024", "11:59:59 PM"},
                        {11, 31, 11, 59, 59, "Dec 31, 2024", "11:59:59 AM"}};
  for (const Case& c : cases) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = c.month, t.tm_mday = c.day, t.tm_hour = c.hour, t.tm_min = c.minute, t.tm_sec = c.second;
    EXPECT_EQ(DateString(t), c.date);
    EXPECT_EQ(TimeString(t), c.time);
  }
  EXPECT_FALSE(DateString().empty());
}

TEST(TextUtils, LinesBlanksAndEndings) {
  EXPECT_TRUE(IsAllBlanks(""));
  EXPECT_TRUE(IsAllBlanks("   "));
  EXPECT_FALSE(IsAllBlanks(" \t "));
  for (auto [text, trimmed] : {std::pair{"abc \t\n \n", "abc"}, {" \n", ""}}) {
    std::string s = text;
    TrimRight(s);
    EXPECT_EQ(s, trimmed);
  }
  for (auto [text, lines] : {std::pair{"", 0}, {"a", 1}, {"a\nb\n", 2}, {"a\nb", 2}, {"\n\n", 2}})
    EXPECT_EQ(CountTextLines(text), lines) << text;
  for (auto [text, ended] : {std::pair{"line\r\n\n\r", "line\r\n"}, {"", "\r\n"}}) {
    std::string s = text;
    EndLineCrLf(s);
    EXPECT_EQ(s, ended);
  }
  EXPECT_EQ(FillSpaces(3), "   ");
  EXPECT_EQ(FillSpaces(-2), "");
}

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

TEST(NumberScanner, ConvertsExactlyAndValuesBeyondTheDataRangeAreMissing) {
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
  EXPECT_EQ(DataValueOf("1e300"), 1e300L);
  EXPECT_EQ(DataValueOf("1.0001e300"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("-1e301"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("1e5000"), ExprErrorValue);
  EXPECT_EQ(DataValueOf("-1e-301"), 0);
  EXPECT_EQ(DataValueOf("1e-300"), 1e-300L);
}

// Short numbers take a fast path of one rounded multiply or divide; every value must be the
// full conversion's to the bit (std::from_chars, correctly rounded): shapes around the fast
// path's edges (19 and 20 digits, powers of ten 27 and 28, leading and trailing zeros, signs).
TEST(NumberScanner, ShortNumbersConvertToTheFullConversionsBits) {
  std::mt19937_64 random(20261207);
  auto digitsOf = [&](int count) {
    std::string d;
    for (int k = 0; k < count; ++k) d += static_cast<char>('0' + random() % 10);
    return d;
  };
  auto fullConversion = [](std::string text) {
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    long double v = 0;
    (void)std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
  };
  int compared = 0;
  for (int n = 0; n < 200000; ++n) {
    const int count = 1 + static_cast<int>(random() % 22);
    std::string text = random() % 4 == 0 ? "-" : random() % 8 == 0 ? "+" : "";
    if (random() % 5 == 0) text += std::string(random() % 4, '0');  // leading zeros
    std::string digits = digitsOf(count);
    if (random() % 3 == 0) digits.insert(random() % (digits.size() + 1), ".");
    if (digits == ".") digits = "0.";
    text += digits;
    if (random() % 2 == 0) {
      const int e = static_cast<int>(random() % 71) - 35;
      text += (random() % 2 ? "e" : "E") + std::to_string(e);
    }
    ASSERT_TRUE(IsWholeDecimalNumber(text)) << text;
    long double ours = 0;
    ASSERT_TRUE(ConvertDecimalNumber(text, ours)) << text;
    const long double full = fullConversion(text);
    ASSERT_EQ(std::memcmp(&ours, &full, 10), 0) << text;
    ++compared;
  }
  EXPECT_EQ(compared, 200000);
  for (const char* text : {"-0", "0e99999", "9999999999999999999", "18446744073709551615", "1e27", "1e28",
                           "1e-27", "1e-28", "123456789012345678.9e-27", "0.1", "-2.5e-3"}) {
    long double ours = 0;
    ASSERT_TRUE(ConvertDecimalNumber(text, ours)) << text;
    const long double full = fullConversion(text);
    EXPECT_EQ(std::memcmp(&ours, &full, 10), 0) << text;
  }
}

// The data readers scan and convert a number in one pass: the length ScanDecimalNumber gives
// and the value DataValueOf gives, to the bit, whatever follows the number (a near miss of an
// exponent, a second point or sign, letters), and no value when no number starts the text.
TEST(NumberScanner, OnePassScanIsTheScanAndTheDataValue) {
  std::mt19937_64 random(4949);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
  const char* tails[] = {"", "", " 1", "e", "E+", "e-x", "e5000", "e-5000", "e301", "e-301", "e1001",
                         "e99999999999", "e27", "e-27", "e28", "e-28", ".5", "-3", "+", "x", "\n", "*", ","};
  int compared = 0;
  for (int n = 0; n < 200000; ++n) {
    std::string text = below(4) == 0 ? "-" : below(8) == 0 ? "+" : "";
    if (below(5) == 0) text += std::string(static_cast<std::size_t>(below(25)), '0');
    std::string digits;
    const int count = below(12) == 0 ? below(40) : 1 + below(20);
    for (int k = 0; k < count; ++k) digits += static_cast<char>('0' + below(10));
    if (below(2) == 0) digits.insert(static_cast<std::size_t>(below(static_cast<int>(digits.size()) + 1)), ".");
    text += digits;
    if (below(3) == 0) text += (below(2) ? "e" : "E") + std::to_string(below(81) - 40);
    text += tails[below(static_cast<int>(std::size(tails)))];
    const long double untouched = 1234.5L;
    long double ours = untouched;
    const std::size_t length = ScanDataValue(text, ours);
    ASSERT_EQ(length, ScanDecimalNumber(text)) << text;
    if (length == 0) {
      ASSERT_EQ(ours, untouched) << text;
      continue;
    }
    const long double want = DataValueOf(std::string_view(text).substr(0, length));
    ASSERT_EQ(std::memcmp(&ours, &want, 10), 0) << text;
    ++compared;
  }
  EXPECT_GT(compared, 150000);
  for (const char* text : {"-0", "1e300", "1.0001e300", "-1e301", "1e-300", "-1e-301", "9999999999999999999e27",
                           "1e-27", "0.000000000000000000000000001", "0e99999", "18446744073709551616",
                           "1" "0000000000000000000" "e8", "12345678901234567890123"}) {
    long double ours = 0;
    ASSERT_EQ(ScanDataValue(text, ours), std::strlen(text)) << text;
    const long double want = DataValueOf(text);
    EXPECT_EQ(std::memcmp(&ours, &want, 10), 0) << text;
  }
}

// The program's own data text is read as far as long double holds its values, without the
// data readers' +-1e300 rule: what the table held comes back (references: the values as
// long double literals, which the compiler rounds correctly).
TEST(NumberScanner, LongDoubleScanKeepsEveryValueLongDoubleHolds) {
  struct Case {
    const char* text;
    std::size_t length;
    long double value;
  };
  const Case cases[] = {
      {"1e4000 ", 6, 1e4000L},
      {"-1e301", 6, -1e301L},
      {"4.18873988004805e-322*", 21, 4.18873988004805e-322L},
      {"-1e-4940", 8, -1e-4940L},  // subnormal in long double
      {"3.6e-4951", 9, 3.6e-4951L},  // the smallest subnormal
      {"1e-5000", 7, 0},
      {"1e5000", 6, ExprErrorValue},
      {"-1.18973149535723176502e+4932", 29, -1.18973149535723176502e+4932L},
      {"2.5,", 3, 2.5L},
  };
  for (const Case& c : cases) {
    long double v = 7;
    EXPECT_EQ(ScanLongDoubleValue(c.text, v), c.length) << c.text;
    EXPECT_EQ(std::memcmp(&v, &c.value, 10), 0) << c.text << " gave " << v;
  }
  long double untouched = 7;
  EXPECT_EQ(ScanLongDoubleValue("e5", untouched), 0u);
  EXPECT_EQ(untouched, 7);
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

// The figures a field shows of the data: a file of doubles holds 5403001.26 as the double
// nearest it, whose exact long double text is 5403001.2599999997765; the field shows the
// digits the data were written with, and a text of any length reads back within half a
// double's step (a shorter one would not).
TEST(FigureText, DataFromDoublesShowTheirWrittenDigits) {
  const struct {
    long double value;
    const char* text;
  } cases[] = {
      {static_cast<double>(5403001.26), "5403001.26"},
      {static_cast<double>(5406999.44), "5406999.44"},
      {5403001.26L, "5403001.26"},
      {static_cast<double>(0.1), "0.1"},
      {0.1L, "0.1"},
      {static_cast<double>(-1e300), "-1e+300"},
      {1.0L / 3, "0.33333333333333333"},
      {0, "0"},
      {1e4000L, "1e+4000"},                                      // beyond a double: exact
      {static_cast<double>(4.19e-322), "4.1995579896505956255e-322"},  // subnormal as a double: exact
  };
  for (const auto& c : cases) {
    const std::string text = ShortestFigureText(c.value);
    EXPECT_EQ(text, c.text);
    long double back = 0;
    ASSERT_TRUE(ConvertDecimalNumber(text, back)) << text;
    EXPECT_LE(std::fabs(back - c.value), DoubleRoundingAt(c.value)) << text;
  }
  EXPECT_EQ(ShortestNumberText(static_cast<double>(5403001.26)), "5403001.2599999997765");
}

// An increment computed from the ends of double data carries their rounding, shared among
// its steps: (5406999.44 - 5403001.26) / 324 by the doubles is 12.340061728397016..., 2e-12
// from 3998.18 / 324; within the ends' rounding the field shows the 14 digits the data give,
// not 20. Exact ends leave an exact step.
TEST(FigureText, AStepWithinTheRoundingOfItsEnds) {
  const long double start = static_cast<double>(5403001.26), end = static_cast<double>(5406999.44);
  const long double step = (end - start) / 324;
  const long double tolerance = DoubleRoundingAt(step) + (DoubleRoundingAt(start) + DoubleRoundingAt(end)) / 324;
  const std::string text = ShortestTextWithin(step, tolerance);
  EXPECT_EQ(text, "12.340061728397");
  EXPECT_EQ(ShortestNumberText(step), "12.340061728397016356");
  EXPECT_EQ(ShortestTextWithin(0.01233L + 6.82e-19L, 1e-18L), "0.01233");
  EXPECT_EQ(ShortestTextWithin(2.0L / 9, 0), ShortestNumberText(2.0L / 9));
  EXPECT_EQ(ShortestTextWithin(2.0L / 9, DoubleRoundingAt(2.0L / 9)), "0.22222222222222222");
}

// Data from a file of doubles, written at more digits than a double carries, show as they
// were written; values a double does not hold keep every digit asked for, and the form
// (fixed or exponent) is the one "%.*Lg" gives at that count.
TEST(FigureText, DataFiguresOfDoublesShowWithoutTheirBinaryRemainder) {
  const struct {
    long double value;
    int digits;
    const char* text;
  } cases[] = {
      {static_cast<double>(0.00086080047), 17, "0.00086080047"},  // "0.00086080046999999996"
      {static_cast<double>(-0.67346939), 16, "-0.67346939"},      // "-0.6734693899999999"
      {static_cast<double>(5403001.26), 17, "5403001.26"},        // "5403001.2599999998"
      {static_cast<double>(0.1), 17, "0.1"},                      // "0.10000000000000001"
      {static_cast<double>(1e6), 16, "1000000"},
      {static_cast<double>(1e20), 16, "1e+20"},
      {static_cast<double>(1.5e-7), 16, "1.5e-07"},
      {static_cast<double>(1.0 / 3), 16, "0.3333333333333333"},  // shortest has 16 digits
      {static_cast<double>(1.0 / 3), 17, "0.3333333333333333"},
      {static_cast<double>(2.0 / 3), 15, "0.666666666666667"},   // never more than asked
      {1.0L / 3, 16, "0.3333333333333333"},                      // no double: every digit
      {1.0L / 3, 17, "0.33333333333333333"},
      {0.1L, 17, "0.1"},
      {0, 16, "0"},
      {1e4000L, 16, "1e+4000"},
  };
  for (const auto& c : cases) EXPECT_EQ(DataFigureText(c.value, c.digits), c.text) << c.text;
  // At 15 digits the text of a double is the one "%.15Lg" always gave.
  for (const double d : {0.00086080047, -0.67346939, 5403001.26, 1e6, 1e20, 123456789012345.0, 2.0 / 3})
    EXPECT_EQ(DataFigureText(d, 15), CFormat("%.15Lg", static_cast<long double>(d))) << d;
}
