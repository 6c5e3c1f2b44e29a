#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "app/coded_text.h"
#include "app/program_files.h"
#include "app/text_line_buffer.h"
#include "fit/equation_forms.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/series_families.h"
#include "fit/term_subset_numbers.h"
#include "review/equation_list_files.h"
#include "review/equation_list_rows.h"
#include "review/equation_text.h"
#include "review/fit_list_fixture.h"
#include "review/list_exports.h"
#include "support/scratch_files.h"

namespace {

// The equation numbers a list names, with how often each appears.
std::map<long, int> NumbersOf(const std::vector<std::string>& lines) {
  std::map<long, int> numbers;
  for (const std::string& line : lines) {
    if (!line.starts_with("~!~*")) continue;
    numbers[std::strtol(line.c_str() + 4, nullptr, 10)]++;
  }
  return numbers;
}

std::vector<int> SeriesNumbers(std::initializer_list<const TSeriesFamily*> families) {
  std::vector<int> numbers;
  for (const TSeriesFamily* f : families)
    for (int k = 0; k < f->orders; ++k) numbers.push_back(f->firstEquation + k);
  return numbers;
}

TEST(EquationListFiles, EveryEquationOfTheFamiliesOnceWithinTheWindowsCapacity) {
  struct Case {
    const TEquationListFile& file;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> series;
  } cases[] = {
      {kEquationListFiles[0], {{1, 225}, {301, 318}},
       SeriesNumbers({&kChebPolyFamilies[0], &kChebPolyFamilies[1], &kChebPolyFamilies[2],
                      &kChebPolyFamilies[3], &kFourierFamily, &kFourier2Family, &kCosineFamily,
                      &kSigmoidFamily})},
      {kEquationListFiles[1], {{1001, 1256}, {1301, 1304}},
       SeriesNumbers({&kChebRatFamilies[0], &kChebRatFamilies[1], &kChebRatFamilies[2], &kChebRatFamilies[3]})},
      {kEquationListFiles[2], {{2001, 2172}, {2501, 2501}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.name);
    const std::vector<std::string> lines = c.file.lines();
    EXPECT_LE(static_cast<int>(lines.size()), c.file.capacity);
    std::map<long, int> expected;
    for (auto [first, last] : c.ranges)
      for (int n = first; n <= last; ++n) expected[n] = 1;
    for (int n : c.series) expected[n] = 1;
    EXPECT_EQ(NumbersOf(lines), expected);
  }
  // Every line of a list reads as the review names that equation.
  EXPECT_EQ(PolynomialListLines()[2], "~!~*    1~*~!  z=a+bx+cy");
  EXPECT_EQ(RationalListLines()[2], "~!~* 1001~*~!  z=(a+bx+cy)/(1+dx+ey)");
  EXPECT_EQ(NonlinearListLines()[2], "~!~* 2001~*~!  " + std::string(NonlinearEquationText(2001)));
}

TEST(EquationListFiles, SubsetOverviewNamesTheTermsTheTransformsAndTheNumbering) {
  const std::vector<std::string> lines = SubsetOverviewLines();
  EXPECT_LE(static_cast<int>(lines.size()), kEquationListFiles[3].capacity);
  std::string text;
  for (const std::string& line : lines) text += StripTextCodes(line) + "\n";
  for (int code = 0; code < 42; ++code)
    EXPECT_NE(text.find(StripTextCodes(SubsetTermName(code))), std::string::npos) << code;
  for (const char* expected : {"Z = ln z", "Z = 1/z", "Eqn = 3001 + v*151229238 + B(k) + L(k)",
                               "3021  z=a+bx+cy", "151232259  lnz=a+bx+cy", "33202054 - 151232238"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

TEST(EquationListFiles, WrittenBesideTheProgramAndReadByTheListWindows) {
  for (const TEquationListFile& file : kEquationListFiles) {
    SCOPED_TRACE(file.name);
    TMFile window(ProgramFile(file.name).string(), file.capacity);
    ASSERT_TRUE(window.HasTable());
    EXPECT_EQ(window.LineCount(), static_cast<int>(file.lines().size()));
  }
}

TEST(EquationForms, TheFamiliesNumberingReadBack) {
  TEquationForm form;
  ASSERT_TRUE(PolynomialEquationForm(1, form));
  EXPECT_EQ(form.m, 2);
  EXPECT_EQ(form.terms[1], 50);  // x
  EXPECT_EQ(form.terms[2], 80);  // y
  ASSERT_TRUE(PolynomialEquationForm(225, form));  // 1/x to the 5th and 1/y to the 5th
  EXPECT_EQ(form.m, 10);
  EXPECT_EQ(form.descriptor[0], 7);
  EXPECT_EQ(form.descriptor[3], 10);
  ASSERT_TRUE(PolynomialEquationForm(318, form));  // the full cubic in 1/x and 1/y
  EXPECT_EQ(form.m, 9);
  EXPECT_EQ(form.descriptor[1], 255);
  EXPECT_FALSE(PolynomialEquationForm(226, form));
  EXPECT_FALSE(PolynomialEquationForm(300, form));
  ASSERT_TRUE(RationalEquationForm(1001, form));
  EXPECT_EQ(form.descriptor, (std::array<std::uint8_t, 6>{5, 1, 1, 8, 1, 1}));
  ASSERT_TRUE(RationalEquationForm(1256, form));
  EXPECT_EQ(form.descriptor, (std::array<std::uint8_t, 6>{6, 3, 3, 9, 2, 2}));
  ASSERT_TRUE(RationalEquationForm(1302, form));  // x over ln y
  EXPECT_EQ(form.descriptor, (std::array<std::uint8_t, 6>{5, 255, 255, 9, 255, 255}));
  EXPECT_EQ(form.m, 10);
  EXPECT_FALSE(RationalEquationForm(1257, form));
  EXPECT_FALSE(RationalEquationForm(1305, form));
}

TEST(EquationListRows, FilteredRowsInRankOrderAndTheCurrentFitKept) {
  TSession session;
  FillFitList(session, {{1, 0.99L, 5}, {2001, 0.98L, 9}, {1001, 0.97L, 7}, {3021, 0.96L, 4}, {2, 0.95L, 6}});
  session.ReviewCurrentRank = 3;
  ASSERT_TRUE(MakeRankCurrent(session, 3, kRefitRecord));
  const std::vector<std::string> all = BuildEquationRows(session, {});
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(RankOfRow(all[0]), 1);
  EXPECT_EQ(session.CurFitEqn().equationNumber, 1001);  // rank 3 is still current
  struct Case {
    int filter;
    std::vector<int> ranks;
  } cases[] = {{1, {1, 2, 4}}, {2, {1, 3, 5}}, {3, {1, 5}}, {4, {3}}, {5, {2}}, {6, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    TEquationRowsRequest request;
    request.filter = c.filter;
    std::vector<int> ranks;
    for (const std::string& row : BuildEquationRows(session, request)) ranks.push_back(RankOfRow(row));
    EXPECT_EQ(ranks, c.ranks);
  }
}

TEST(EquationListRows, RankOfRowReadsTheLeadingNumber) {
  EXPECT_EQ(RankOfRow("   1  ~#x"), 1);
  EXPECT_EQ(RankOfRow("1000  ~#x"), 1000);
  EXPECT_EQ(RankOfRow("~#1"), 0);
  EXPECT_EQ(RankOfRow(""), 0);
}

// A row as the list shows it: rank 1, r² 0.9987, cost 12, equation 1234, z=a+bx.
std::string SampleRow() {
  TFitEqn fit;
  fit.r2 = 0.9987L;
  fit.complexity = 12;
  fit.equationNumber = 1234;
  return FormatEquationRow(1, 1, false, fit, "z=a+bx");
}

TEST(ListExports, GnumericReadsTheListSavedAsWk3) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ssconvert";
  ScratchDir dir;
  const std::vector<std::string> rows = {SampleRow()};
  const TListLines lines(rows, kOneFigureColumns);
  const std::string path = dir.File("list.wk3");
  ASSERT_EQ(SaveListFile(lines, path, TRtfFont{}, true), ListSaveResult::kWritten);
  const std::string command =
      "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + path + "' '" + dir.File("list.csv") + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadText(dir.File("list.csv")), "1,0.9987,12,1234,z=a+bx\n");
}

TEST(ListExports, UnrtfReadsEscapedTextBack) {
  if (std::system("command -v unrtf >/dev/null 2>&1") != 0) GTEST_SKIP() << "no unrtf";
  ScratchDir dir;
  const std::vector<std::string> rows = {"   1  ~#a~~b~#  c\\d  e{f}"};
  const TListLines lines(rows, kOneFigureColumns);
  const std::string path = dir.File("list.rtf");
  ASSERT_EQ(SaveListFile(lines, path, TRtfFont{}, true), ListSaveResult::kWritten);
  const std::string command = "unrtf --text '" + path + "' > '" + dir.File("list.txt") + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string text = ReadText(dir.File("list.txt"));
  for (const char* expected : {"a~b", "c\\d", "e{f"}) EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(ListExports, LongRowsAreWrittenWholeAndSavIsRefused) {
  ScratchDir dir;
  const std::string formula = "z=a" + std::string(600, 'x');
  const std::vector<std::string> rows = {"   1  ~!" + formula + "~!", "   2  two"};
  const TListLines lines(rows, kOneFigureColumns);
  ASSERT_EQ(SaveListFile(lines, dir.File("list.txt"), TRtfFont{}, true), ListSaveResult::kWritten);
  EXPECT_EQ(ReadText(dir.File("list.txt")), "   1  " + formula + "\r\n   2  two\r\n");
  ASSERT_EQ(SaveListFile(lines, dir.File("list.ws"), TRtfFont{}, true), ListSaveResult::kWritten);
  EXPECT_EQ(ReadText(dir.File("list.ws")).size(), 6 + formula.size() + 2 + 11);
  EXPECT_EQ(SaveListFile(lines, dir.File("list.sav"), TRtfFont{}, true), ListSaveResult::kFormatNotWritten);
  EXPECT_FALSE(std::filesystem::exists(dir.File("list.sav")));
  EXPECT_EQ(SaveListFile(lines, dir.File("list.txt") + "/list.txt", TRtfFont{}, true), ListSaveResult::kWriteFailed);
}

TEST(ListExports, TextStopsAfterTheRowThatPassesTheLimit) {
  const std::vector<std::string> rows = {"~#aaaa~#", "bbbb", "cccc"};
  const TListLines lines(rows, kOneFigureColumns);
  EXPECT_EQ(ListToText(lines, 0), "aaaa\r\nbbbb\r\ncccc");
  EXPECT_EQ(ListToText(lines, 5), "aaaa\r\nbbbb");
  EXPECT_EQ(ListToText(TListLines({}, kOneFigureColumns), 0), "");
}

}  // namespace

namespace {

TEST(EquationTextOverSession, RankSummaryRefitsAndTitlesFollowTheLineCount) {
  TSession session;
  session.DataTitles().SetTitle("Pressure");
  session.DataTitles().SetZName("P");
  FillFitList(session, {{5, 0.99L, 3}, {2001, 0.98L, 9}, {1, 0.97L, 2}});
  ASSERT_TRUE(MakeRankCurrent(session, 3, kRefitRecord));  // as the review makes a rank current
  const TSummaryLines lines = FormatRankSummary(session, 3, 4);
  EXPECT_EQ(session.CurFitEqn().equationNumber, 1);
  EXPECT_EQ(lines[0], "Pressure");
  EXPECT_EQ(lines[1], "Rank 3  Eqn 1  z=a+bx+cy");
  EXPECT_EQ(lines[3], "a=1.5 b=1.5 ");
  EXPECT_EQ(GetCurrentFitFormula(session), "z=a+bx+cy");
  T3DTitleSet set;
  set.FixedSizes = 1;
  SetReviewGraphTitles(set, session, 1, 2, kSurfaceZ, 4);
  EXPECT_EQ(set.Lines[1].substr(0, 15), "Rank 1  Eqn 5  ");
  EXPECT_EQ(set.Lines[2], "");
  EXPECT_EQ(set.AxisTitles[2], "P");
  EXPECT_EQ(set.FixedSizes, 0);
  SetResidualGraphTitles(set, session, 2, 5, 1, 4);
  EXPECT_EQ(set.AxisTitles[2], "Residuals % P");
  EXPECT_EQ(FindRankOfEquation(session, 2001), 2);
  EXPECT_EQ(FindRankOfEquation(session, 7), -1);
  // A rank outside the list keeps only the title.
  EXPECT_EQ(FormatRankSummary(session, 9, 4)[1], "");
}

}  // namespace
