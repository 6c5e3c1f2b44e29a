// The scattered-algorithm test suite without its window: the variant table, the columns a
// selection runs, the report's header and figures byte for byte, and whole runs over the
// sample extension library's test problems.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "app/shell_state.h"
#include "smooth/engines/scattered_test_suite.h"

namespace {

std::vector<std::string> Names(const std::vector<TNPTestColumn>& columns) {
  std::vector<std::string> names;
  for (const TNPTestColumn& c : columns) names.push_back(c.name);
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

TEST(ScatteredTestSuite, VariantTableSlots) {
  struct Slot {
    int slot, code, option1, option2;
    const char* name;
  };
  for (const Slot s : {Slot{0, 0, 1, 3, "Akima I 3"}, Slot{6, 0, 1, 9, "Akima I 9"},
                       Slot{10, 1, 1, 9, "Akima II"}, Slot{21, 2, 2, 0, "Preusser C2"},
                       Slot{33, 3, 1, 1, "Renka I csttns"}, Slot{46, 4, 1, 19, "Renka II C1 19"},
                       Slot{57, 4, 2, 25, "Renka II C2 25"}, Slot{62, 5, 2, 18, "Renka III 18"},
                       Slot{71, 6, 0, 0, "Watson C0"}, Slot{76, 6, 1, 5, "Watson C1 5"},
                       Slot{7, -1, 0, 0, ""}, Slot{70, -1, 0, 0, ""}, Slot{99, -1, 0, 0, ""},
                       Slot{-1, -1, 0, 0, ""}, Slot{100, -1, 0, 0, ""}}) {
    int code = 9, o1 = 9, o2 = 9;
    std::string name = "x";
    NPTestVariant(s.slot, code, o1, o2, name);
    EXPECT_EQ(code, s.code) << s.slot;
    EXPECT_EQ(o1, s.option1) << s.slot;
    EXPECT_EQ(o2, s.option2) << s.slot;
    EXPECT_EQ(name, s.name) << s.slot;
  }
}

TEST(ScatteredTestSuite, HeadersOfTheEdgeCases) {
  TNPTestItems none{};
  TNPTestSelection akimaRenka;
  akimaRenka.methods[0] = akimaRenka.methods[4] = true;
  EXPECT_EQ(NPTestHeader(NPTestColumns(akimaRenka, 0, none), false),
            "Surface,   Data,Akima I 5     ,Renka II C1 13,Renka II C2 17,\r\n");

  TNPTestSelection renkaThree;
  renkaThree.methods[5] = true;
  renkaThree.vary = true;
  EXPECT_EQ(Names(NPTestColumns(renkaThree, 0, none)),
            (std::vector<std::string>{"Renka III 11", "Renka III 13", "Renka III 15",
                                      "Renka III 17", "Renka III 18", "Renka III 19",
                                      "Renka III 21", "Renka III 23", "Renka III 25"}));

  TNPTestSelection loess;
  loess.methods[7] = true;
  loess.vary = true;
  EXPECT_TRUE(NPTestColumns(loess, 0, none).empty());
  EXPECT_EQ(NPTestHeader({}, false), "Surface,   Data,\r\n");

  TNPTestSelection watson;
  watson.methods[6] = true;
  watson.addErrors = true;
  EXPECT_EQ(NPTestHeader(NPTestColumns(watson, 0, none), true),
            "Surface,   Data,Watson C0     ,MeanErr       ,MaxErr        ,"
            "Watson C1 5   ,MeanErr       ,MaxErr        ,\r\n");

  TNPTestSelection defaults;
  defaults.methods.fill(true);
  EXPECT_EQ(Names(NPTestColumns(defaults, 0, none)),
            (std::vector<std::string>{"Akima I 5", "Akima II", "Preusser C1", "Preusser C2",
                                      "Renka I", "Renka II C1 13", "Renka II C2 17",
                                      "Renka III 18", "Watson C0", "Watson C1 5"}));
  defaults.vary = true;
  EXPECT_EQ(NPTestColumns(defaults, 0, none).size(), 7u + 1 + 2 + 4 + 7 + 8 + 9 + 6);
}

TEST(ScatteredTestSuite, ExtensionVariantsFollowTheLibrarysItems) {
  // Rows 0..3 items 10..13 (option 1: default, from, to, step), rows 4..7 items 20..23.
  TNPTestItems items{};
  auto set = [&items](int method, std::array<int, 8> v) {
    for (int r = 0; r < 8; ++r) items[static_cast<std::size_t>(r)][static_cast<std::size_t>(method - 1)] = v[static_cast<std::size_t>(r)];
  };
  set(1, {2, 1, 3, 1, 7, 10, 14, 2});  // option 1 from 1 to 3, option 2 from 10 to 14 by 2
  set(2, {4, 0, 0, 0, 5, 0, 0, 0});    // no ranges: once, with the defaults, even under Vary
  set(3, {1, 5, 9, 0, 0, 0, 0, 0});    // a step of 0: the first value once
  set(4, {1, 5, 9, -2, 3, 3, 3, 1});   // a negative step: likewise
  TNPTestSelection s;
  s.extensions.fill(true);
  EXPECT_EQ(Names(NPTestColumns(s, 4, items)),
            (std::vector<std::string>{"AlgA 2 7", "AlgB 4 5", "AlgC 1 0", "AlgD 1 3"}));
  s.vary = true;
  const std::vector<TNPTestColumn> varied = NPTestColumns(s, 4, items);
  EXPECT_EQ(Names(varied),
            (std::vector<std::string>{"AlgA 1 10", "AlgA 1 12", "AlgA 1 14", "AlgA 2 10",
                                      "AlgA 2 12", "AlgA 2 14", "AlgA 3 10", "AlgA 3 12",
                                      "AlgA 3 14", "AlgB 4 5", "AlgC 5 0", "AlgD 5 3"}));
  EXPECT_EQ(varied.front().code, 8);
  EXPECT_EQ(varied.back().code, 11);
  // A library that offers more than 8 methods is taken at 8 (E to H once each, with their
  // items all 0); an unchecked box runs nothing.
  s.extensions[3] = false;
  const std::vector<TNPTestColumn> twelve = NPTestColumns(s, 12, items);
  EXPECT_EQ(twelve.size(), 9u + 1 + 1 + 4);
  EXPECT_EQ(twelve.back().name, "AlgH 0 0");
  EXPECT_EQ(twelve.back().code, 15);
  // A range far longer than any test needs is cut.
  set(1, {0, 1, 1 << 30, 1, 0, 0, 0, 0});
  s.extensions = {true};
  EXPECT_EQ(NPTestColumns(s, 1, items).size(), static_cast<std::size_t>(kNPTestMaxRange));
}

TEST(ScatteredTestSuite, FiguresAndTheirMissingForms) {
  std::vector<long double> exact(1089), estimate(1089);
  for (std::size_t k = 0; k < exact.size(); ++k) exact[k] = estimate[k] = 0.001L * k;
  estimate[5] += 0.5L;
  estimate[700] -= 0.25L;
  // Sum of squares 0.3125 over SST 2, mean 0.75 / 1089, largest 0.5.
  EXPECT_EQ(NPTestFigures(estimate, exact, 2, false), "       0.15625,");
  EXPECT_EQ(NPTestFigures(estimate, exact, 2, true),
            "       0.15625,    0.00068871,           0.5,");
  EXPECT_EQ(NPTestFigures(estimate, exact, 0, true),
            "            NA,    0.00068871,           0.5,");
  EXPECT_EQ(NPTestFigures({}, exact, 2, false), "            NA,");
  EXPECT_EQ(NPTestFigures({}, exact, 2, true), "            NA,            NA,            NA,");
}

// An extension method or test function that yields no number at a node has no error figure
// there: the cell reads NA, never "nan" or "inf", and the largest error does not pass over
// the node to show a finite figure beside an undefined mean.
TEST(ScatteredTestSuite, UndefinedNodesMakeTheCellNotAFigure) {
  const std::string none = "            NA,";
  std::vector<long double> exact(1089), estimate(1089);
  for (std::size_t k = 0; k < exact.size(); ++k) exact[k] = estimate[k] = 0.001L * k;
  estimate[3] += 0.5L;
  std::vector<long double> hole = estimate;
  hole[700] = std::nanl("");
  EXPECT_EQ(NPTestFigures(hole, exact, 2, false), none);
  EXPECT_EQ(NPTestFigures(hole, exact, 2, true), none + none + none);
  hole[700] = HUGE_VALL;
  EXPECT_EQ(NPTestFigures(hole, exact, 2, true), none + none + none);
  // The engine's missing value where a method makes no surface is no estimate either.
  hole[700] = ExprErrorValue;
  EXPECT_EQ(NPTestFigures(hole, exact, 2, true), none + none + none);
  std::vector<long double> undefinedExact = exact;
  undefinedExact[0] = -HUGE_VALL;
  EXPECT_EQ(NPTestFigures(estimate, undefinedExact, 2, true), none + none + none);
  // A total sum of squares that is no number leaves the relative figure undefined alone.
  EXPECT_EQ(NPTestFigures(estimate, exact, std::nanl(""), true), none + "    0.00045914,           0.5,");
  EXPECT_EQ(NPTestFigures(estimate, exact, HUGE_VALL, false), none);
}

class ScatteredTestSuiteRun : public ::testing::Test {
 protected:
  ScatteredTestSuiteRun() { NPDllName = "npsample.DLL"; }
  ~ScatteredTestSuiteRun() override { NPDllName.clear(); }
};

// Every pair of the sample library's ten functions and five node sets gives a row.
TEST_F(ScatteredTestSuiteRun, SampleLibraryRunWritesFiftyRows) {
  TNPTestSelection s;
  s.methods[4] = true;  // Renka II: C1 13 and C2 17
  s.extensions[0] = true;
  s.addErrors = true;
  std::vector<std::string> problems, variants;
  const std::string report = RunNPTestSuite(
      s, {[&](const std::string& p) { problems.push_back(p); },
          [&](const std::string& v) { variants.push_back(v); }});
  const std::vector<std::string> lines = Lines(report);
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0] + "\r\n",
            NPTestHeader({{4, 1, 13, "Renka II C1 13"}, {4, 2, 17, "Renka II C2 17"}, {8, 0, 0, "AlgA 0 0"}},
                         true));
  EXPECT_EQ(problems.front(), "Surface 1  Data Pattern 1");
  EXPECT_EQ(problems.back(), "Surface 10  Data Pattern 5");
  EXPECT_EQ(variants.size(), 150u);
  int row = 0;
  for (int f = 1; f <= 10; ++f)
    for (int p = 1; p <= 5; ++p) {
      const std::string& line = lines[static_cast<std::size_t>(++row)];
      ASSERT_EQ(line.size(), 16u + 9 * 15) << line;
      char head[32];
      std::snprintf(head, sizeof head, "%7d,%7d,", f, p);
      EXPECT_EQ(line.substr(0, 16), head);
      // Relative error, mean and largest error of each variant: finite and not negative.
      std::istringstream fields(line.substr(16));
      std::string field;
      while (std::getline(fields, field, ',')) {
        if (field.find("NA") != std::string::npos) continue;
        const double v = std::strtod(field.c_str(), nullptr);
        EXPECT_TRUE(std::isfinite(v) && v >= 0) << line;
      }
    }
  // Franke's exponential on 100 Halton sites: the cubic Shepard method is close.
  const double franke = std::strtod(lines[1].substr(16 + 45, 14).c_str(), nullptr);
  EXPECT_LT(franke, 0.05);
}

// The Akima and Preusser columns: a figure for every problem, none NA, and on Franke's
// exponential over 100 Halton sites each method is close.
TEST_F(ScatteredTestSuiteRun, AkimaAndPreusserColumnsHoldFigures) {
  TNPTestSelection s;
  s.methods[0] = s.methods[1] = s.methods[2] = true;
  const std::vector<std::string> lines = Lines(RunNPTestSuite(s, {}));
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "Surface,   Data,Akima I 5     ,Akima II      ,Preusser C1   ,Preusser C2   ,");
  for (std::size_t row = 1; row < lines.size(); ++row) {
    const std::string& line = lines[row];
    ASSERT_EQ(line.size(), 16u + 4 * 15) << line;
    for (int column = 0; column < 4; ++column) {
      const std::string field = line.substr(16 + 15 * static_cast<std::size_t>(column), 14);
      const double v = std::strtod(field.c_str(), nullptr);
      EXPECT_TRUE(field.find("NA") == std::string::npos && std::isfinite(v) && v >= 0) << line;
      if (row == 1) {
        EXPECT_LT(v, 0.01) << line;
      }
    }
  }
}

// A library whose test functions are no numbers and whose method yields none over half the
// square: its cells read NA, and no "nan" or "inf" reaches the table.
class ScatteredTestSuiteHostile : public ::testing::Test {
 protected:
  ScatteredTestSuiteHostile() { NPDllName = "nphostile.DLL"; }
  ~ScatteredTestSuiteHostile() override { NPDllName.clear(); }
};

TEST_F(ScatteredTestSuiteHostile, UndefinedResultsOfALibraryReadNA) {
  TNPTestSelection s;
  s.methods[0] = true;
  s.extensions[1] = true;
  s.addErrors = true;
  const std::vector<std::string> lines = Lines(RunNPTestSuite(s, {}));
  ASSERT_GT(lines.size(), 1u);
  for (std::size_t row = 1; row < lines.size(); ++row) {
    const std::string& line = lines[row];
    EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    // Only NA: the method is undefined over half the square, the functions are mostly not
    // numbers, and Akima I has no relative figure on the constant function.
    std::istringstream fields(line.substr(16));
    std::string field;
    int cell = 0;
    while (std::getline(fields, field, ',')) {
      // Akima I's mean and largest error on the constant function 1 are figures, and 0:
      // the interpolant of a constant is that constant at every node of the test grid,
      // those on the lines of the library's regular 10 x 10 layout among them.
      if (line.rfind("      1,", 0) == 0 && (cell == 1 || cell == 2)) {
        EXPECT_EQ(std::strtod(field.c_str(), nullptr), 0.0) << line;
        ++cell;
        continue;
      }
      EXPECT_NE(field.find("NA"), std::string::npos) << line;
      ++cell;
    }
  }
}

TEST_F(ScatteredTestSuiteRun, LoessAloneWritesRowsOfTwoNumbers) {
  TNPTestSelection s;
  s.methods[7] = true;
  const std::vector<std::string> lines = Lines(RunNPTestSuite(s, {}));
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "Surface,   Data,");
  EXPECT_EQ(lines[1], "      1,      1,");
  EXPECT_EQ(lines[50], "     10,      5,");
}

TEST(ScatteredTestSuite, WithoutTheLibraryTheReportIsTheHeader) {
  TNPTestSelection s;
  s.methods[0] = true;
  EXPECT_EQ(RunNPTestSuite(s, {}), "Surface,   Data,Akima I 5     ,\r\n");
}

}  // namespace
