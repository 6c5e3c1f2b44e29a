#include "tools/grid_editor_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data_files.h"
#include "app/data_saved_mark.h"
#include "app/data_signature.h"
#include "app/long_double.h"
#include "platform/message_box.h"
#include "support/german_locale.h"
#include "tools/data_calculation.h"
#include "tools/grid_edit_session.h"
#include "tools/tools_test_support.h"

namespace {

constexpr long double M = ExprErrorValue;

class GridEditor : public DataToolsTest {
 protected:
  void TearDown() override {
    ClearCalculation();
    DataFileHooks() = TDataFileHooks{};
    DataToolsTest::TearDown();
  }
  // Types a text into the current cell and presses Enter.
  static void Enter(TGridEditor& e, const std::string& text) {
    const TCellError error = e.Next({text, true});
    EXPECT_FALSE(error.Any()) << text << ": " << error.caption;
  }
  // What the current cell shows, handed back unchanged (the user moves on without typing).
  static TCellText Shown(const TGridEditor& e) {
    return {e.Line(e.PageRow()).text[static_cast<std::size_t>(e.Column())], false};
  }
  std::vector<long double> RowValues(int i) { return {Row(i).X, Row(i).Y, Row(i).Z, Row(i).W}; }
};

TEST_F(GridEditor, NewRowsOpenCellByCellAndZCompletesTheRowWithWeightOne) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  ASSERT_TRUE(e.OnNewRow());
  EXPECT_EQ(e.CurrentRow(), 5);
  TGridLine line = e.Line(e.PageRow());
  EXPECT_EQ(line.enabled, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_FALSE(line.excludeEnabled);
  Enter(e, "10");
  EXPECT_EQ(e.Column(), kColY);
  EXPECT_EQ(e.Line(e.PageRow()).enabled, (std::array<bool, 4>{true, true, false, false}));
  Enter(e, "SQRT(2)");
  Enter(e, "-3.5");
  // The row is counted, W is 1, and the cursor stands at X of the next new row.
  EXPECT_EQ(e.Rows(), 5);
  EXPECT_EQ(RowValues(5), (std::vector<long double>{10, std::sqrt(2.0L), -3.5L, 1}));
  EXPECT_EQ(e.CurrentRow(), 6);
  EXPECT_EQ(e.Column(), kColX);
  line = e.Line(e.PageRow() - 1);
  EXPECT_EQ(line.text, (std::array<std::string, 4>{"10", "1.4142135623731", "-3.5", "1"}));
  EXPECT_EQ(PointCount(session_.Table.XYZData()), 5);
  // The ranges followed: X up to 10, Z down to -3.5.
  EXPECT_EQ(session_.DataStats.X.Max, 10);
  EXPECT_EQ(session_.DataStats.Z.Min, -3.5L);
}

// A click names the line it was on, 0 to 19; a line past the page chooses no cell, so the
// cursor never stands on a line that has no cells.
TEST_F(GridEditor, ClicksChooseTheirOwnLineAndNoLinePastThePage) {
  std::vector<TestRow> rows;
  for (int r = 1; r <= 30; ++r) rows.push_back({static_cast<long double>(r), 2.0L * r, 3.0L * r});
  Load(rows);
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  for (const auto& [line, column] : {std::pair{1, kColZ}, {19, kColW}, {0, kColY}, {19, kColX}}) {
    ASSERT_FALSE(e.Click(line, column, Shown(e)).Any());
    EXPECT_EQ(e.PageRow(), line);
    EXPECT_EQ(e.Column(), column);
    EXPECT_EQ(e.CurrentRow(), line + 1);
  }
  for (int line : {20, 21, -1}) {
    ASSERT_FALSE(e.Click(line, kColY, Shown(e)).Any());
    EXPECT_EQ(e.PageRow(), 19) << line;
    EXPECT_EQ(e.Column(), kColX) << line;
  }
}

TEST_F(GridEditor, AutoEntryXAfterOneAndTwoEntersThree) {
  Load({{1, 5, 7}, {2, 6, 8}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  ASSERT_TRUE(e.OnNewRow());
  // Switched on over the missing X of row 3, the value comes at once.
  ASSERT_TRUE(e.SetAutoEntry(kColX, true));
  EXPECT_EQ(Row(3).X, 3);
  EXPECT_EQ(e.Column(), kColX);
  ASSERT_FALSE(e.Next(Shown(e)).Any());
  EXPECT_EQ(e.Column(), kColY);
  Enter(e, "9");
  Enter(e, "9");
  // Row 3 complete: row 4 receives X = 4 and the cursor goes on to its Y.
  EXPECT_EQ(e.Rows(), 3);
  EXPECT_EQ(Row(4).X, 4);
  EXPECT_EQ(e.CurrentRow(), 4);
  EXPECT_EQ(e.Column(), kColY);
  // At most two of X, Y, Z continue by themselves.
  EXPECT_TRUE(e.SetAutoEntry(kColY, true));
  EXPECT_FALSE(e.SetAutoEntry(kColZ, true));
  EXPECT_FALSE(e.AutoEntry(kColZ));
}

TEST_F(GridEditor, WeightsAreKeptBetween1e30ForZeroAndNegativesAnd1e30) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  const struct {
    const char* typed;
    long double stored;
    const char* shown;
  } cases[] = {{"0", 1e-30L, "1e-30"}, {"-5", 1e-30L, "1e-30"}, {"1e31", 1e30L, "1e+30"}, {"2.5", 2.5L, "2.5"}};
  for (const auto& c : cases) {
    ASSERT_FALSE(e.Key(kKeyHome, Shown(e)).Any());
    for (int k = 0; k < 3; ++k) ASSERT_FALSE(e.Key(kKeyRight, Shown(e)).Any());
    ASSERT_EQ(e.Column(), kColW);
    ASSERT_FALSE(e.Key(kKeyRight, {c.typed, true}).Any());
    EXPECT_EQ(Row(1).W, c.stored) << c.typed;
    EXPECT_EQ(e.Line(0).text[kColW], c.shown) << c.typed;
  }
  EXPECT_EQ(Row(0).W, 1);  // the table is weighted
}

TEST_F(GridEditor, DeletingTheRowHoldingTheXMaximumRecomputesAllThreeRanges) {
  Load({{1, 5, 9}, {2, 6, 8}, {9, 1, 7}, {4, 7, 6}, {5, 8, 5}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_EQ(session_.DataStats.X.Max, 9);
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  e.Key(kKeyCtrlY, Shown(e));
  EXPECT_EQ(e.Rows(), 4);
  EXPECT_EQ(RowValues(3), (std::vector<long double>{4, 7, 6, 1}));
  const TDataStats& s = session_.DataStats;
  EXPECT_EQ((std::vector<long double>{s.X.Min, s.X.Max, s.Y.Min, s.Y.Max, s.Z.Min, s.Z.Max}),
            (std::vector<long double>{1, 5, 5, 8, 5, 9}));
  // The new row's record followed the rows up.
  EXPECT_TRUE(IsMissingValue(Row(5).X));
}

TEST_F(GridEditor, CellsHoldExpressionsAndACellThatFailsKeepsItsValueAndShowsWhere) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  TCellError error = e.Key(kKeyDown, {"2*(3+", true});
  EXPECT_EQ(error.caption, "Syntax or Math Error");
  EXPECT_EQ(error.text, "2*(3+| ");
  EXPECT_EQ(error.column, 5);
  EXPECT_EQ(Row(1).X, 1);
  EXPECT_EQ(e.CurrentRow(), 1);
  error = e.Key(kKeyDown, {"1/0", true});
  EXPECT_EQ(error.caption, "Division by Zero");
  // Lower case is taken as the language's upper case; the row's own values are X, Y, Z, W.
  ASSERT_FALSE(e.Key(kKeyRight, {"sqrt(x+3)", true}).Any());
  EXPECT_EQ(Row(1).X, 2);
  // A cell passed over keeps its value to the last digit, not the 15 its text shows.
  Row(2).Y = 1.0L / 3;
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyRight, Shown(e)).Any());
  EXPECT_EQ(Row(2).Y, 1.0L / 3);
  // An emptied cell of a point stays where it is: the point needs a value.
  ASSERT_EQ(e.Column(), kColZ);
  ASSERT_FALSE(e.Key(kKeyRight, {"", true}).Any());
  EXPECT_EQ(e.Column(), kColZ);
  EXPECT_EQ(Row(2).Z, 2);
}

TEST_F(GridEditor, CellsReadAndShowADecimalPointUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.Key(kKeyRight, {"1.5", true}).Any());
  EXPECT_EQ(Row(1).X, 1.5L);
  EXPECT_EQ(e.Line(0).text[kColX], "1.5");
  EXPECT_EQ(TGridEditor::CellText(0.125L, kColW), "0.125");
  EXPECT_EQ(TGridEditor::CellText(1e-30L, kColW), "1e-30");
}

TEST_F(GridEditor, InsertOpensAnEmptyPointAndItsXThenYAreAskedFor) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.Key(kKeyDown, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyInsert, Shown(e)).Any());
  EXPECT_EQ(e.Rows(), 5);
  EXPECT_TRUE(IsMissingValue(Row(2).X));
  EXPECT_EQ(RowValues(3), (std::vector<long double>{2, 2, 2, 1}));
  Enter(e, "1.5");
  EXPECT_EQ(e.Column(), kColY);  // the inserted point's Y is missing: entry goes on there
  Enter(e, "1.5");
  EXPECT_EQ(e.Column(), kColZ);
  // Excluding by Ctrl+U marks the point and moves down.
  ASSERT_FALSE(e.Key(kKeyCtrlU, {"1.5", true}).Any());
  EXPECT_FALSE(IsActive(Row(2)));
  EXPECT_EQ(e.CurrentRow(), 3);
  EXPECT_TRUE(e.Line(1).excluded);
}

TEST_F(GridEditor, TheTableGrowsUnderTheEditorAndRowsReadItAnew) {
  std::vector<TestRow> rows;
  for (int i = 1; i <= 1021; ++i) rows.push_back({static_cast<long double>(i), 1.0L * (i % 7), 1.0L * (i % 5)});
  Load(rows);
  ASSERT_EQ(session_.Table.XYZCapacity(), 1024);
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  ASSERT_TRUE(e.OnNewRow());
  for (int k = 0; k < 3; ++k) {
    Enter(e, "5000");
    Enter(e, "6");
    Enter(e, "7");
  }
  EXPECT_EQ(e.Rows(), 1024);
  EXPECT_GE(session_.Table.XYZCapacity(), 2048);
  EXPECT_EQ(RowValues(1024), (std::vector<long double>{5000, 6, 7, 1}));
  EXPECT_EQ(Row(1021).X, 1021);
}

TEST_F(GridEditor, ApplyCalcCalculatesTheCellsOfNewRows) {
  Load({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  TCalcLines lines;
  lines.text[kCalcZ] = "Z/1000";
  ASSERT_EQ(ValidateCalcLines(lines, session_.Table.XYZData()).result, TCalcValidation::kValid);
  CalcTexts() = lines;
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  e.SetApplyCalc(true);
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyEnd, Shown(e)).Any());
  Enter(e, "7");
  Enter(e, "8");
  EXPECT_EQ(e.StatusText(), "Z/1000");
  Enter(e, "5000");
  EXPECT_EQ(RowValues(5), (std::vector<long double>{7, 8, 5, 1}));
  // An existing complete row is not calculated.
  ASSERT_FALSE(e.Key(kKeyHome, Shown(e)).Any());
  EXPECT_EQ(e.StatusText(), "");
}

TEST_F(GridEditor, SortByMagnitudeUsesTheValuesAsEditedAndReverseSwapsColumnsRangesAndNames) {
  Load({{3, 4, 0}, {1, 1, 0}, {2, 2, 0}, {6, 8, 0}});
  session_.DataTitles().XName = "Time";
  session_.DataTitles().ZName = "Depth";
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  // Row 4 edited to (0.5, 0.5): its stored radius is that of (6, 8) until recomputed.
  ASSERT_FALSE(e.ScrollTo(4, Shown(e)).Any());
  EXPECT_EQ(e.CurrentRow(), 4);
  ASSERT_FALSE(e.Key(kKeyRight, {"0.5", true}).Any());
  ASSERT_FALSE(e.Key(kKeyRight, {"0.5", true}).Any());
  bool ready = false;
  ASSERT_FALSE(e.PrepareTableCommand(Shown(e), ready).Any());
  ASSERT_TRUE(ready);
  e.Sort(10);
  EXPECT_EQ((std::vector<long double>{Row(1).X, Row(2).X, Row(3).X, Row(4).X}),
            (std::vector<long double>{0.5L, 1, 2, 3}));
  e.Reverse(kColX, kColZ);
  EXPECT_EQ((std::vector<long double>{Row(4).X, Row(4).Z}), (std::vector<long double>{0, 3}));
  EXPECT_EQ(session_.DataTitles().ZName, "Time");
  EXPECT_EQ(session_.DataTitles().XName, "Depth");
  EXPECT_EQ(session_.DataStats.Z.Max, 6);
}

TEST_F(GridEditor, TheRescanNarrowsRangesAfterTheExtremeWasOverwritten) {
  Load({{1, 1, 1}, {2, 2, 2}, {30, 3, 3}, {4, 4, 4}, {5, 5, 5}});
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  ASSERT_FALSE(e.ScrollTo(3, Shown(e)).Any());
  ASSERT_FALSE(e.Key(kKeyDown, {"3", true}).Any());
  EXPECT_EQ(session_.DataStats.X.Max, 30);  // an edit only widens
  EXPECT_TRUE(e.RescanStep());              // five rows: one step covers them
  EXPECT_EQ(session_.DataStats.X.Max, 5);
  EXPECT_FALSE(e.RescanStep());
}

TEST_F(GridEditor, ClearAllEmptiesTableTitlesAndWeights) {
  Load({{1, 1, 1, 2}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  Row(0).W = 1;
  session_.DataTitles().Title = "Run";
  TGridEditor e(session_, nullptr);
  e.FinishSetup();
  e.ClearAll();
  EXPECT_EQ(e.Rows(), 0);
  EXPECT_EQ(PointCount(session_.Table.XYZData()), 0);
  EXPECT_EQ(Row(0).W, 0);
  EXPECT_TRUE(session_.DataTitles().Title.empty());
  EXPECT_TRUE(e.OnNewRow());
  EXPECT_EQ(e.Line(0).enabled, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_EQ(e.Line(1).row, 0);
  bool ready = true, tooFew = false;
  ASSERT_FALSE(e.PrepareSave({"", true}, ready, tooFew).Any());
  EXPECT_FALSE(ready);
  EXPECT_TRUE(tooFew);
}

// ---------------------------------------------------------------------------------------
// The command's bookkeeping around the editor

class GridEditSession : public GridEditor {
 protected:
  void SetUp() override {
    GridEditor::SetUp();
    Load({{1, 10, 5}, {2, 20, -1}, {3, 30, 7}, {4, 40, 0}, {5, 50, 9}});
    PrescanData(session_);
    PrescanHooks().VoidFitResults = [this](TDataSession&) { ++voided_; };
    DataFileHooks().SaveAs = [this](TDataSession& s) {
      ++saves_;
      s.DataUnsaved = 0;
    };
  }
  int voided_ = 0;
  int saves_ = 0;
};

TEST_F(GridEditSession, CancelThenYesRestoresTheTablesBytes) {
  const std::vector<unsigned char> before = TableBytes();
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    ASSERT_FALSE(e.Key(kKeyRight, {"123", true}).Any());
    e.Key(kKeyCtrlY, Shown(e));
  }
  platform::ScriptedAnswers answers;
  answers.Answer(platform::kIdYes);
  EXPECT_EQ(FinishGridEdit(session_, start, true, nullptr), AfterGridEdit::kShowStatus);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Ondravik 3D Editor");
  EXPECT_EQ(answers.Boxes()[0].text, "Abandon Changes?");
  EXPECT_EQ(TableBytes(), before);
  EXPECT_EQ(session_.Table.XYZRows(), 5);
  EXPECT_EQ(voided_, 0);
}

// Exchanging X and Z keeps every mean and deviation sum: the contents' signature sees it,
// the fit results go, and the user is asked to save.
TEST_F(GridEditSession, ReverseXAndZVoidsTheFitResultsAndAsksToSave) {
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    e.Reverse(kColX, kColZ);
  }
  platform::ScriptedAnswers answers;
  answers.Answer(platform::kIdNo);
  EXPECT_EQ(FinishGridEdit(session_, start, false, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_GE(voided_, 1);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Save Current Data?");
  EXPECT_EQ(session_.DataUnsaved, 1);
  EXPECT_EQ(session_.DataFingerprint, DataSignature(session_.Table.XYZData()));

  // Unchanged data keep their fits and ask nothing.
  voided_ = 0;
  start = BeginGridEdit(session_);
  { TGridEditor e(session_, &start.savedSignature); }
  EXPECT_EQ(FinishGridEdit(session_, start, false, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_EQ(voided_, 0);
  EXPECT_EQ(answers.Boxes().size(), 1u);
}

TEST_F(GridEditSession, DataSavedInTheEditorAreNotAskedForAgainAndYesRunsSaveAs) {
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    ASSERT_FALSE(e.Key(kKeyRight, {"8", true}).Any());
    e.Saved();
  }
  platform::ScriptedAnswers answers;
  EXPECT_EQ(FinishGridEdit(session_, start, false, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_TRUE(answers.Boxes().empty());

  start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    ASSERT_FALSE(e.Key(kKeyRight, {"9", true}).Any());
  }
  answers.Answer(platform::kIdYes);
  EXPECT_EQ(FinishGridEdit(session_, start, false, nullptr), AfterGridEdit::kSaveAsRan);
  EXPECT_EQ(saves_, 1);
  EXPECT_EQ(session_.DataUnsaved, 0);
}

TEST_F(GridEditSession, ClearAllThenOkLeavesNoDataAndNoFits) {
  int haveData = -1;
  DataFileHooks().SetHaveData = [&](int on) { haveData = on; };
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    e.ClearAll();
  }
  EXPECT_EQ(FinishGridEdit(session_, start, false, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_EQ(haveData, 0);
  EXPECT_GE(voided_, 1);
  EXPECT_EQ(session_.DataStats.ActiveCount, 0);
  EXPECT_EQ(session_.DataUnsaved, 0);
}

// Cancel after Clear All leaves fewer than four points, and still asks: Yes brings back the
// points and the titles Clear All emptied; No keeps the empty table.
TEST_F(GridEditSession, CancelAfterClearAllAsksAndYesBringsBackPointsAndTitles) {
  session_.DataTitles().SetTitle("Bench run 7");
  session_.DataTitles().SetXName("Load");
  const TDataTitles titles = session_.DataTitles();
  const std::vector<unsigned char> before = TableBytes();
  for (const int answer : {platform::kIdYes, platform::kIdNo}) {
    TGridEditStart start = BeginGridEdit(session_);
    {
      TGridEditor e(session_, &start.savedSignature);
      e.FinishSetup();
      e.ClearAll();
    }
    platform::ScriptedAnswers answers;
    answers.Answer(answer);
    EXPECT_EQ(FinishGridEdit(session_, start, true, nullptr), AfterGridEdit::kShowStatus);
    ASSERT_EQ(answers.Boxes().size(), 1u) << answer;
    EXPECT_EQ(answers.Boxes()[0].text, "Abandon Changes?");
    if (answer == platform::kIdYes) {
      EXPECT_EQ(TableBytes(), before);
      EXPECT_EQ(session_.DataTitles(), titles);
      EXPECT_EQ(session_.DataStats.ActiveCount, 5);
    } else {
      EXPECT_EQ(session_.Table.XYZRows(), 0);
      EXPECT_EQ(session_.DataTitles(), TDataTitles{});
    }
  }
}

// Changes saved in the editor and then abandoned: the table comes back with its names (which
// Reverse had exchanged), the file it came from and its saved state, since the file the
// editor wrote holds the changes and not the table put back.
TEST_F(GridEditSession, AbandonedChangesSavedInTheEditorNameTheFileTheTableCameFrom) {
  session_.DataTitles().SetXName("Load");
  session_.DataTitles().SetZName("Strain");
  session_.DataFileLabel = "/data/bench.txt";
  MarkDataSaved(session_);
  const TDataTitles titles = session_.DataTitles();
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    e.Reverse(kColX, kColZ);
    ASSERT_EQ(session_.DataTitles().XName, "Strain");
    session_.DataFileLabel = "/data/edited.prn";  // what the editor's Save does
    MarkDataSaved(session_);
    e.Saved();
  }
  platform::ScriptedAnswers answers;
  answers.Answer(platform::kIdYes);
  EXPECT_EQ(FinishGridEdit(session_, start, true, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_EQ(session_.DataTitles(), titles);
  EXPECT_EQ(session_.DataFileLabel, "/data/bench.txt");
  EXPECT_FALSE(DataNeedsSaving(session_));
}

// A calculation applied from the editor pre-scans and fits the edited data; abandoning the
// changes puts the table back, and the fits of the edited data go with them: the table put
// back is pre-scanned (and so fitted) again.
TEST_F(GridEditSession, AbandoningAfterACalculationVoidsTheFitsOfTheCalculatedData) {
  const std::vector<unsigned char> before = TableBytes();
  const std::uint64_t signature = DataSignature(session_.Table.XYZData());
  ASSERT_EQ(session_.DataFingerprint, signature);
  TGridEditStart start = BeginGridEdit(session_);
  {
    TGridEditor e(session_, &start.savedSignature);
    e.FinishSetup();
    for (TXYZPoint& p : session_.Table.XYZData().subspan(1, 5)) p.Z *= 2;  // Z=Z*2 over the table
    PrescanData(session_);  // as applying the calculation does
  }
  ASSERT_NE(session_.DataFingerprint, signature);
  voided_ = 0;
  platform::ScriptedAnswers answers;
  answers.Answer(platform::kIdYes);
  EXPECT_EQ(FinishGridEdit(session_, start, true, nullptr), AfterGridEdit::kShowStatus);
  EXPECT_EQ(TableBytes(), before);
  EXPECT_GE(voided_, 1);
  EXPECT_EQ(session_.DataFingerprint, signature);
}

// Titles alone changed and cancelled are abandoned too.
TEST_F(GridEditSession, CancelledNewTitlesAreAskedForAndPutBack) {
  TGridEditStart start = BeginGridEdit(session_);
  session_.DataTitles().SetTitle("Typed in the editor");
  platform::ScriptedAnswers answers;
  answers.Answer(platform::kIdYes);
  EXPECT_EQ(FinishGridEdit(session_, start, true, nullptr), AfterGridEdit::kShowStatus);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(session_.DataTitles().Title, "");
  EXPECT_EQ(voided_, 0);
}

}  // namespace
