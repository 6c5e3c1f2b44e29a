// The entry fields' reader: a text is a number only when all of it is one, in the C locale.
#include "app/field_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>

#include "support/german_locale.h"

namespace {

struct RealCase {
  const char* text;
  std::optional<long double> value;
};

// Every text a careless user types into a field of reals, with what the field reads.
const RealCase kRealCases[] = {
    {"2.5", 2.5L},       {" 2.5\t", 2.5L},   {"+2.5", 2.5L},    {"-2.5", -2.5L},   {".5", 0.5L},
    {"5.", 5.0L},        {"1e3", 1000.0L},   {"1E-3", 0.001L},  {"-0", 0.0L},      {"1e-5000", 0.0L},
    {"", std::nullopt},  {"  ", std::nullopt}, {"abc", std::nullopt}, {"1,5", std::nullopt},
    {"-", std::nullopt}, {"+", std::nullopt}, {".", std::nullopt}, {"2.5abc", std::nullopt},
    {"1 5", std::nullopt}, {"1e", std::nullopt}, {"1e+", std::nullopt}, {"1e5000", std::nullopt},
    {"nan", std::nullopt}, {"inf", std::nullopt}, {"0x10", std::nullopt}, {"1.2.3", std::nullopt},
    {"--1", std::nullopt},
};

TEST(FieldText, RealsAreReadWholeOrNotAtAll) {
  for (const RealCase& c : kRealCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadRealText(c.text), c.value);
  }
}

TEST(FieldText, RealsAreReadInTheCLocaleWhateverTheUsersLocale) {
  GermanLocale german;
  if (!german.Active()) GTEST_SKIP() << "no German locale here";
  EXPECT_EQ(ReadRealText("1.5"), 1.5L);
  EXPECT_EQ(ReadRealText("1,5"), std::nullopt);
  EXPECT_EQ(ReadIntegerText("1.000"), std::nullopt);
}

TEST(FieldText, IntegersAreReadWholeAndSaturateBeyondLong) {
  struct Case {
    const char* text;
    std::optional<long> value;
  };
  const Case cases[] = {
      {"12", 12},      {"+12", 12},       {"-12", -12},       {" 7 ", 7},        {"007", 7},
      {"0", 0},        {"-0", 0},         {"", std::nullopt}, {"-", std::nullopt}, {"+", std::nullopt},
      {"1.0", std::nullopt}, {"1e3", std::nullopt}, {"1,5", std::nullopt}, {"12x", std::nullopt},
      {"+-4", std::nullopt}, {"abc", std::nullopt},
      {"9223372036854775807", LONG_MAX},  {"-9223372036854775808", LONG_MIN},
      {"9223372036854775808", LONG_MAX},  {"-9223372036854775809", LONG_MIN},
      {"99999999999999999999999", LONG_MAX}, {"-99999999999999999999999", LONG_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadIntegerText(c.text), c.value);
  }
}

}  // namespace
