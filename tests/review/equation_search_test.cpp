// Reading the search entry and telling equation numbers from other numbers.

#include <gtest/gtest.h>

#include "review/equation_search.h"

namespace {

TEST(EquationSearch, BuiltinNumbersAreThoseTheFamiliesMake) {
  const struct {
    long long number;
    bool builtin;
  } cases[] = {
      {0, false},    {1, true},      {225, true},     {226, false},      {300, false},   {318, true},
      {410, false},  {510, true},    {511, false},    {524, true},       {525, false},   {609, true},
      {1000, false}, {1256, true},   {1305, false},   {1431, false},     {1440, false},  {1441, true},
      {1470, true},  {2000, false},  {2169, true},    {2170, true},      {2172, true},   {2173, false},
      {2501, false}, {2515, false},  {3000, false},   {3001, true},      {453690714, true},
      {453690715, false}, {-5, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBuiltinEquationNumber(c.number), c.builtin) << c.number;
}

TEST(EquationSearch, EntryIsReadWholeWithOverflowChecked) {
  EXPECT_EQ(ReadEquationEntry("  2170 "), 2170);
  // A text is a number only when all of it is one: "1,5" never searches for equation 1.
  EXPECT_EQ(ReadEquationEntry("+17x"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("1,5"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("-3"), -3);
  EXPECT_EQ(ReadEquationEntry("1e3"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("-"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry(""), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("abc"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("+-4"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("9999999999"), std::nullopt);
  EXPECT_EQ(ReadEquationEntry("2147483647"), 2147483647);
}

}  // namespace
