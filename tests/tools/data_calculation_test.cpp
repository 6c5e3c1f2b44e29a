#include "tools/data_calculation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <string>
#include <vector>

#include "app/background_fit_hold.h"
#include "app/long_double.h"
#include "app/shell_state.h"
#include "expr/eval_context.h"
#include "expr/evaluation_stop.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"
#include "support/german_locale.h"
#include "support/scratch_files.h"
#include "tools/tools_test_support.h"

namespace {

class DataCalculation : public DataToolsTest {
 protected:
  void SetUp() override {
    DataToolsTest::SetUp();
    ClearCalculation();
    // Six points, distinct in x and y, so that the pre-scan's sort puts them in one order.
    Load({{1, 10, 5}, {2, 20, -1}, {3, 30, 7}, {4, 40, 0}, {5, 50, 9}, {6, 60, 2}});
    PrescanData(session_);
  }
  void TearDown() override {
    ClearCalculation();
    DataToolsTest::TearDown();
  }
  // Validates the lines into the current calculation, as OK of the dialog does.
  TCalcValidation Define(TCalcLines lines) {
    const TCalcValidation v = ValidateCalcLines(lines, session_.Table.XYZData());
    if (v.result == TCalcValidation::kValid) CalcTexts() = lines;
    return v;
  }
};

TEST_F(DataCalculation, XTimesTwoDoublesXAndUndoGivesTheTableBackByteForByte) {
  TCalcLines lines;
  lines.text[kCalcX] = "X=X*2";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  EXPECT_EQ(CalcTexts().text[kCalcX], "X*2");  // typed with its prefix, kept without
  EXPECT_EQ(CalcMask(), 1u);

  const std::vector<unsigned char> before = TableBytes();
  int asked = 0;
  std::vector<long double> seen;
  EXPECT_FALSE(ApplyCalculation(session_, 1, nullptr, [&] {
    ++asked;
    for (int i = 1; i <= 6; ++i) seen.push_back(Row(i).X);
    return false;  // Undo
  }));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(seen, (std::vector<long double>{2, 4, 6, 8, 10, 12}));
  EXPECT_EQ(TableBytes(), before);

  EXPECT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(Row(i).X, 2 * i) << i;
  EXPECT_EQ(session_.DataStats.X.Max, 12);
}

// The variable rules of each line, with their messages.
TEST_F(DataCalculation, LinesUsingVariablesTheirLetterMayNotUseAreRefusedWithTheirTexts) {
  struct Case {
    CalcLine line;
    const char* text;
    TCalcValidation::Result result;
    const char* message;
  };
  const Case cases[] = {
      {kCalcY, "X+Z", TCalcValidation::kError, "Y Calculation Cannot Contain Z or W"},
      {kCalcX, "5", TCalcValidation::kError, "Expression Must Contain X, Y, Z or W"},
      {kCalcX, "Y*2", TCalcValidation::kError, "X Calculation Cannot Contain Y, Z, or W"},
      {kCalcZ, "Z*W", TCalcValidation::kError, "Z Calculation Cannot Contain W"},
      {kCalcZ, "X+Y+Z", TCalcValidation::kValid, ""},
      {kCalcW, "1", TCalcValidation::kValid, ""},  // W may use nothing
      {kCalcW, "1/Z^2+X", TCalcValidation::kValid, ""},
  };
  for (const Case& c : cases) {
    TCalcLines lines;
    lines.text[c.line] = c.text;
    const TCalcValidation v = Define(lines);
    EXPECT_EQ(v.result, c.result) << c.text;
    if (c.result != TCalcValidation::kError) continue;
    EXPECT_EQ(v.caption, "Calculation Validation Error") << c.text;
    EXPECT_EQ(v.text, c.message) << c.text;
    EXPECT_EQ(v.line, c.line) << c.text;
  }
}

TEST_F(DataCalculation, ALineThatNeverEvaluatesShowsWhereItFailedUnderItsErrorText) {
  TCalcLines lines;
  lines.text[kCalcX] = "X*2";
  lines.text[kCalcZ] = "Z+QQ";
  TCalcValidation v = Define(lines);
  EXPECT_EQ(v.result, TCalcValidation::kError);
  EXPECT_EQ(v.line, kCalcZ);
  EXPECT_EQ(v.caption, "Invalid Symbol Reference");
  EXPECT_EQ(v.text, "Z+|QQ");
  EXPECT_EQ(v.column, 2);
  // A trailing token after a whole formula is no formula either.
  lines.text[kCalcZ] = "Z 2";
  v = Define(lines);
  EXPECT_EQ(v.result, TCalcValidation::kError);
  EXPECT_EQ(v.line, kCalcZ);
  // Blank lines are no lines; four of them are no calculation.
  lines = TCalcLines{};
  lines.text[kCalcY] = "   ";
  v = Define(lines);
  EXPECT_EQ(v.result, TCalcValidation::kAllEmpty);
  EXPECT_EQ(CheckCalcLine("SQRT(X-100)", kCalcX, session_.Table.XYZData()), kCalcLineNeverEvaluates);
}

// A sum whose step cannot run is refused with its code, not stored as Z - 12345.6789; a sum
// over an empty line counts its terms as 0 and leaves Z as it was.
TEST_F(DataCalculation, ARefusedSumIsAnErrorAndASumOverAnEmptyLineAddsNothing) {
  TCalcLines lines;
  lines.text[kCalcZ] = "Z+SUM(9,1,10,0)";
  TCalcValidation v = Define(lines);
  EXPECT_EQ(v.result, TCalcValidation::kError);
  EXPECT_EQ(v.caption, "80x87: Invalid Operand");
  lines.text[kCalcZ] = "Z+SUM(9,1,999999,1)";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  EXPECT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  EXPECT_EQ(Row(1).Z, 5);
  EXPECT_EQ(Row(2).Z, -1);
}

// The failures the language no longer passes on as numbers refuse the calculation with
// their own texts: a sum of more than a million terms (it said "80x87: Invalid Operand"),
// a root that does not exist (Z+IMPLICIT(...) wrote Z - 12345.68 into every row), noise
// scaled by a deviation that weights summing to 1 or less leave undefined.
TEST_F(DataCalculation, FailuresOfTheLanguageRefuseTheCalculationWithTheirTexts) {
  TCalcLines lines;
  const std::pair<const char*, const char*> cases[] = {
      {"Z+SUM(9,1,2E6,1)", "Sum or Product: More Than 1,000,000 Terms"},
      {"Z+PROD(9,1,1E7,1)", "Sum or Product: More Than 1,000,000 Terms"},
      {"Z+IMPLICIT(9,0,1,1E-10)", "Function Line Has No Value"},
      {"Z+MOD(Z,0)", "Division by Zero"},
  };
  for (const auto& [text, caption] : cases) {
    lines.text[kCalcZ] = text;
    const TCalcValidation v = Define(lines);
    EXPECT_EQ(v.result, TCalcValidation::kError) << text;
    EXPECT_EQ(v.caption, caption) << text;
  }
}

// Every sampled row but one gives no value: the line still validates on that one row.
TEST_F(DataCalculation, ALineValidatesWhenOneSampledRowGivesAValue) {
  std::vector<TestRow> rows;
  for (int i = 1; i <= 30; ++i) rows.push_back({static_cast<long double>(i), 0, i == 25 ? 4.0L : -1.0L});
  Load(rows);
  // Rows 1, 4, 7, ..., 28 are tried; LN(Z) has a value on row 25 only.
  EXPECT_EQ(CheckCalcLine("LN(Z)", kCalcZ, session_.Table.XYZData()), kCalcLineCompiled);
  Row(25).Z = -1;
  EXPECT_EQ(CheckCalcLine("LN(Z)", kCalcZ, session_.Table.XYZData()), kCalcLineNeverEvaluates);
  // Fewer than 3 points: the line is tried at 0.9995, where LN(X) has a value.
  Load({{-1, 0, 0}, {-2, 0, 0}});
  EXPECT_EQ(CheckCalcLine("LN(X)", kCalcX, session_.Table.XYZData()), kCalcLineCompiled);
}

TEST_F(DataCalculation, LnOfZMarksRowsWithoutAValueAndTooFewValidPointsRestoreTheTable) {
  TCalcLines lines;
  lines.text[kCalcZ] = "LN(Z)";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  // Two of six Z are not positive: four valid points stay, marked rows hold Z = 0.
  ASSERT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  int inactive = 0;
  for (int i = 1; i <= 6; ++i) {
    if (IsActive(Row(i))) continue;
    ++inactive;
    EXPECT_EQ(Row(i).Z, 0) << i;
  }
  EXPECT_EQ(inactive, 2);
  EXPECT_EQ(session_.DataStats.ActiveCount, 4);

  // Over data where three of six Z are not positive, three valid points would stay.
  Load({{1, 10, 5}, {2, 20, -1}, {3, 30, 7}, {4, 40, 0}, {5, 50, -9}, {6, 60, 2}});
  PrescanData(session_);
  const std::vector<unsigned char> before = TableBytes();
  platform::ScriptedAnswers answers;
  bool asked = false;
  EXPECT_FALSE(ApplyCalculation(session_, 1, nullptr, [&] { return asked = true; }));
  EXPECT_FALSE(asked);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Calculation Error");
  EXPECT_EQ(answers.Boxes()[0].text, "Calculation Produces Less Than Four Valid Points");
  EXPECT_EQ(TableBytes(), before);
  EXPECT_FALSE(platform::CurrentBusyState().shown);
}


// A run the user stops leaves the table as it was, byte for byte, even when earlier lines
// had finished every row: the rows are computed aside and stored only when all are done.
// A run that finishes under the question gives the same bytes as one without it.
TEST_F(DataCalculation, AStoppedRunLeavesTheTableAsItWasAndAFinishedOneIsUnchanged) {
  ExprContext& ctx = ExprThreadContext();
  // Each Z sums 300 terms of a line of user function 3.
  const TCurrentUdfScope udf(ctx, 3);
  ASSERT_EQ(ExprCompileSlot("SIN($)*0", 39), 1);
  TCalcLines lines;
  lines.text[kCalcX] = "X*2";
  lines.text[kCalcZ] = "Z+SUM(9,1,300,1)";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  const std::vector<unsigned char> before = TableBytes();
  platform::ScriptedAnswers answers;
  int asks = 0;
  bool asked = false;
  {
    const TEvaluationStopScope stop(ctx, [&] { return ++asks < 4; });
    EXPECT_FALSE(ApplyCalculation(session_, 1, nullptr, [&] { return asked = true; }));
  }
  EXPECT_EQ(asks, 4);  // stopped during the Z line, after X was done on every row
  EXPECT_FALSE(asked);
  EXPECT_EQ(TableBytes(), before);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Calculation");
  EXPECT_EQ(answers.Boxes()[0].text, "Calculation Cancelled");
  EXPECT_FALSE(platform::CurrentBusyState().shown);

  // Through the caller's stoppable run: a yes every time computes what a plain run does.
  int runs = 0;
  const TStoppableRun stoppable = [&](const std::function<void()>& work) {
    ++runs;
    const TEvaluationStopScope stop(ctx, [] { return true; });
    work();
  };
  ASSERT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }, stoppable));
  EXPECT_EQ(runs, 1);
  const std::vector<unsigned char> stoppableBytes = TableBytes();
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(Row(i).X, 2 * i) << i;
  EXPECT_EQ(Row(3).Z, 7);
  Load({{1, 10, 5}, {2, 20, -1}, {3, 30, 7}, {4, 40, 0}, {5, 50, 9}, {6, 60, 2}});
  PrescanData(session_);
  ASSERT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  EXPECT_EQ(TableBytes(), stoppableBytes);
  EXPECT_FALSE(ctx.goOn);
}
// The background fit is held while the rows are computed: a stopped run, which leaves the
// table as it was, resumes it with its results; a finished one stops it, voiding them,
// before the table takes the new rows.
TEST_F(DataCalculation, AStoppedRunKeepsTheFitResultsAndAFinishedOneStopsTheFitFirst) {
  ExprContext& ctx = ExprThreadContext();
  const TCurrentUdfScope udf(ctx, 3);
  ASSERT_EQ(ExprCompileSlot("SIN($)*0", 39), 1);
  TCalcLines lines;
  lines.text[kCalcX] = "X*2+SUM(9,1,300,1)";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  std::vector<std::string> calls;
  SetBackgroundFitHolder([&] { calls.push_back("hold"); }, [&] { calls.push_back("resume"); });
  SetBackgroundFitStopper([&] { calls.push_back("stop at X " + std::to_string(static_cast<int>(Row(1).X))); });
  platform::ScriptedAnswers answers;
  {
    const TEvaluationStopScope stop(ctx, [] { return false; });
    EXPECT_FALSE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"hold", "resume"}));
  calls.clear();
  ASSERT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  EXPECT_EQ(Row(1).X, 2);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "hold");
  EXPECT_EQ(calls[1], "stop at X 1");
  SetBackgroundFitHolder({}, {});
  SetBackgroundFitStopper({});
}

// Later lines see what earlier lines computed; W is stored as its absolute value and marks
// the table weighted; a trailing row the grid editor has not completed gets only X.
TEST_F(DataCalculation, LinesRunInOrderOverTheirRows) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {5, ExprErrorValue, ExprErrorValue}});
  TCalcLines lines;
  lines.text = {"X+10", "X", "Y*2", "-Z"};
  ASSERT_EQ(ValidateCalcLines(lines, session_.Table.XYZData()).result, TCalcValidation::kValid);
  EXPECT_TRUE(ApplyCalcToData(session_.Table.XYZData(), lines, 2));
  EXPECT_EQ(Row(1).X, 1);  // before the first row
  EXPECT_EQ((std::vector<long double>{Row(2).X, Row(2).Y, Row(2).Z, Row(2).W}),
            (std::vector<long double>{12, 12, 24, 24}));
  EXPECT_EQ(Row(5).X, 15);
  EXPECT_TRUE(IsMissingValue(Row(5).Y));
  EXPECT_EQ(Row(5).W, 1);
  EXPECT_EQ(Row(0).W, 1);
}

TEST_F(DataCalculation, NumbersInFormulasReadWithAPointUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  TCalcLines lines;
  lines.text[kCalcX] = "X*1.5";
  ASSERT_EQ(Define(lines).result, TCalcValidation::kValid);
  ASSERT_TRUE(ApplyCalculation(session_, 1, nullptr, [] { return true; }));
  EXPECT_EQ(Row(1).X, 1.5L);
  EXPECT_EQ(CalcFileText(CalcTexts()), "X=X*1.5\r\n");
}

TEST(CalcFiles, RoundTripWithAndWithoutAFinalLineEnd) {
  TCalcLines lines;
  lines.text = {"LN(X)", "", "Z/1000", "1/Z"};
  const std::string text = CalcFileText(lines);
  EXPECT_EQ(text, "X=LN(X)\r\nZ=Z/1000\r\nW=1/Z\r\n");
  for (const std::string& content : {text, text.substr(0, text.size() - 2), std::string("W=1/Z\nX=LN(X)\nZ=Z/1000")}) {
    const TCalcFileRead read = ParseCalcFile(content, TCalcLines{});
    EXPECT_EQ(read.status, CalcFileStatus::kRead) << content;
    EXPECT_EQ(read.lines, lines) << content;
  }
  ScratchDir dir;
  const std::string path = dir.File("calc.clc");
  ASSERT_TRUE(WriteCalcFile(path, lines));
  EXPECT_EQ(ReadText(path), text);
  EXPECT_EQ(ReadCalcFile(path, TCalcLines{}).lines, lines);
  EXPECT_EQ(ReadCalcFile(dir.File("none.clc"), lines).status, CalcFileStatus::kCannotOpen);
}

TEST(CalcFiles, ReadingKeepsWUnlessSetAndRefusesBadOrOverlongLines) {
  TCalcLines current;
  current.text = {"X*2", "Y*2", "Z*2", "1/Z"};
  TCalcFileRead read = ParseCalcFile("Z=Z+1\n", current);
  ASSERT_EQ(read.status, CalcFileStatus::kRead);
  EXPECT_EQ(read.lines.text, (std::array<std::string, 4>{"", "", "Z+1", "1/Z"}));
  // A later line of the same letter wins; a fifth line is not read.
  read = ParseCalcFile("X=1\r\nX=X+2\r\nY=Y\r\nZ=Z\r\nQ=nonsense\r\n", current);
  ASSERT_EQ(read.status, CalcFileStatus::kRead);
  EXPECT_EQ(read.lines.text[kCalcX], "X+2");
  const std::string longest(kCalcLineChars, 'X');
  EXPECT_EQ(ParseCalcFile("X=" + longest, current).lines.text[kCalcX], longest);
  // Lines ended by a lone CR are lines.
  EXPECT_EQ(ParseCalcFile("X=X*2\rZ=Z+1\r", current).lines.text, (std::array<std::string, 4>{"X*2", "", "Z+1", "1/Z"}));
  for (const std::string& bad : std::vector<std::string>{"Q=1\n", "X=1\n\nZ=2\n", "x=X\n", "X=" + longest + "X", "X:1",
                                                         std::string("X=X\0*2", 6)}) {
    read = ParseCalcFile(bad, current);
    EXPECT_EQ(read.status, CalcFileStatus::kBadLine) << bad;
    EXPECT_EQ(read.lines, current) << bad;
  }
}

// Hostile files: random bytes, control characters, lines without ends or ended by a lone CR,
// very long lines. Nothing read may hold a line end or a NUL or outgrow a line; run under the
// sanitizers too.
TEST(CalcFiles, HostileContentIsReadOrRefusedWhole) {
  std::uint64_t state = 0x2545F4914F6CDD1DULL;
  auto next = [&state] {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    return state;
  };
  const std::string pieces[] = {"X=", "Y=", "Z=", "W=", "\r\n", "\n", "\r", std::string(1, '\0'), "LN(X)", "\xFF", "="};
  TCalcLines current;
  current.text = {"X", "Y", "Z", "W"};
  for (int round = 0; round < 3000; ++round) {
    std::string content;
    const int parts = static_cast<int>(next() % 12);
    for (int i = 0; i < parts; ++i) {
      if (next() % 5 == 0)
        content.append(next() % 300, static_cast<char>(next() % 256));
      else
        content += pieces[next() % std::size(pieces)];
    }
    const TCalcFileRead read = ParseCalcFile(content, current);
    if (read.status != CalcFileStatus::kRead) {
      EXPECT_EQ(read.lines, current);
      continue;
    }
    for (const std::string& line : read.lines.text) {
      EXPECT_LE(line.size(), kCalcLineChars);
      EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }));
    }
  }
}

}  // namespace
