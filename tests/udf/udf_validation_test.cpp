// The dialog's texts and records, and the validation of a user-defined function with its
// messages: what is refused, with which text, where the user is sent, and whether the
// function stays defined.
#include <cmath>
#include <tuple>

#include "app/data_statistics.h"
#include "expr/evaluation_stop.h"
#include "expr/program_slots.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_form.h"
#include "tools/udf/udf_validation.h"
#include "udf_test_support.h"

namespace {

class UdfValidationTest : public UdfTest {
 protected:
  void SetUp() override {
    UdfTest::SetUp();
    // 36 points z = 1 + 2x + 3y² on a 6 x 6 grid, x, y = 1..6.
    points_ = NewPointTable(36);
    int n = 0;
    for (int i = 1; i <= 6; ++i)
      for (int j = 1; j <= 6; ++j) points_[static_cast<std::size_t>(++n)] = {.X = 1.0L * i, .Y = 1.0L * j, .Z = 1 + 2.0L * i + 3.0L * j * j, .W = 1, .Status = kPointActive};
    ASSERT_EQ(ComputeTableStatistics(points_, stats_), 36);
  }

  // Function k from dialog texts: text, count and (min, start, max) per row.
  TUdfVerdict Validate(int k, const char* text, int count, const std::vector<Limits>& rows = {}) {
    TUdfForm form = ClearedUdfForm();
    form.text = text;
    form.count = std::to_string(count);
    std::size_t i = 0;
    for (const Limits& l : rows) {
      form.minText[i] = l.min;
      form.startText[i] = l.start;
      form.maxText[i++] = l.max;
    }
    BoundUdfTable()[static_cast<std::size_t>(k)] = UdfRecordFromForm(form);
    return ValidateUdf(k, points_, stats_.Z.Range);
  }

  PointTable points_;
};

TEST_F(UdfValidationTest, AValidFunctionIsCompiledAndEvaluatesAtItsStartValues) {
  const TUdfVerdict v = Validate(2, "z=a0+a1*x+a2*y*y", 3, {{"-1e25", "0.5", "1e25"}, {"-10", "2", "10"}, {"0", "XMEAN", "100"}});
  ASSERT_TRUE(v.Valid()) << v.message;
  EXPECT_EQ(v.weakParameter, -1);
  EXPECT_TRUE(UdfReadyToFit(2));
  EXPECT_EQ(Str(Udf(2)->Text), "Z=A0+A1*X+A2*Y*Y\r\n");
  EXPECT_EQ(Udf(2)->DataMask, 1u << 2);
  Ctx().CurrentUdf = 2;
  EXPECT_LD_NEAR(EvalUdf3(2, 3), 0.5L + 4 + 3.5L * 9, 1e-18L);
  EXPECT_EQ(UdfReadyCount(BoundUdfTable()), 1);
}

// Each refusal with its message, the control it sends the user to, and whether the
// function stays defined.
TEST_F(UdfValidationTest, EachFaultHasItsMessageAndPlace) {
  struct Case {
    const char* text;
    int count;
    std::vector<Limits> rows;
    UdfFault fault;
    const char* message;
    UdfField field;
    int row, line, column;
    bool kept;
  };
  const Limits u = {"-1e25", "1", "1e25"};
  using enum UdfFault;
  using F = UdfField;
  const Case cases[] = {
      // The Part's examples: Y unused; A2 beyond a count of 2; A1 unused of three.
      {"Z=A0+A1*X", 2, {u, u}, kParameterMissing, "Parameter Y is Missing from UDF", F::kText, -1, -1, -1, false},
      {"Z=A0+A1*X+A2*Y", 2, {u, u}, kParameterExceedsCount, "Parameter 3 Exceeds Specified Parameter Count", F::kText, -1, -1, -1, false},
      {"Z=A0+A2*X+Y", 3, {u, u, u}, kParameterMissing, "Parameter 2 is Missing from UDF", F::kText, -1, -1, -1, false},
      {"Z=A0+Y", 1, {u}, kParameterMissing, "Parameter X is Missing from UDF", F::kText, -1, -1, -1, false},
      {"Z=A0+A1+A2+A3+A4+A5+A6+A7+A8+X+Y", 10, {u, u, u, u, u, u, u, u, u, u}, kParameterMissing, "Parameter 10 is Missing from UDF", F::kText, -1, -1, -1, false},
      // Limits: start equal to a limit, a limit that does not evaluate.
      {"Z=A0+A1*X+Y", 2, {u, {"2", "2", "5"}}, kStartNotAboveMinimum, "Parameter Estimate Must Be Greater Than Minimum", F::kStart, 1, -1, -1, false},
      {"Z=A0+A1*X+Y", 2, {u, {"2", "5", "5"}}, kStartNotBelowMaximum, "Parameter Estimate Must Be Less Than Maximum", F::kStart, 1, -1, -1, false},
      {"Z=A0+X+Y", 1, {{"2;5", "3", "9"}}, kInvalidLimit, "Invalid Numeric Expression", F::kMinimum, 0, -1, -1, false},
      {"Z=A0+X+Y", 1, {{"0", "3", "LN(0)"}}, kInvalidLimit, "Invalid Numeric Expression", F::kMaximum, 0, -1, -1, false},
      // Lines: a blank in place of "=", spaces only, a second Z or F1 line, no Z line.
      {"F1=X*Y\nZ A0+F1", 1, {u}, kEqualSignMissing, "Equal Sign is Missing", F::kText, -1, 1, -1, false},
      {"   ", 1, {u}, kEqualSignMissing, "Equal Sign is Missing", F::kText, -1, 0, -1, false},
      {"Z=A0*X*Y\nZ=A0+X+Y", 1, {u}, kSecondZLine, "UDF Can Contain Only One Z= Expression", F::kText, -1, 1, -1, true},
      {"F1=X\nF1=Y\nZ=A0*F1", 1, {u}, kSecondSubFunction, "UDF Can Contain Only One F1 Expression", F::kText, -1, 1, -1, true},
      {"F2=A0*X*Y", 1, {u}, kZLineMissing, "Z= Expression is Missing", F::kText, -1, -1, -1, false},
      // An expression that fails without a language error code: the caret at the fault.
      {"Z=A0*X+Y+", 1, {u}, kExpressionFails, "Invalid Numeric Expression", F::kText, -1, 0, 9, false},
      // A line that reaches itself, and a call of a line the text does not define, are named
      // ("UDF Compilation Failure" named neither).
      {"F1=F2\nF2=F1\nZ=A0*X*Y+F1", 1, {u}, kExpressionFails, "F2 Expression Calls Itself", F::kText, -1, 1, 0, false},
      {"F1=X\nZ=A0*X*Y+F1+F3", 1, {u}, kCompilationFailure, "F3= Expression is Missing", F::kText, -1, 1, -1, true},
      // A line that reaches itself through an integral, a root or a sum, and an integral or
      // sum whose line runs another, whatever the order of the lines: named too (each was
      // accepted, with a warning of a weak parameter, and no value could be computed).
      {"Z=A0*X+Y+F1\nF1=AI(1,0,1)", 1, {u}, kExpressionFails, "F1 Expression Calls Itself", F::kText, -1, 1, 0, false},
      {"F1=IMPLICIT(1,0,1,1E-10)\nZ=A0*X+Y+F1", 1, {u}, kExpressionFails, "F1 Expression Calls Itself", F::kText, -1, 0, 0, false},
      {"F1=AI(2,0,1)\nF2=SUM(1,1,3,1)\nZ=A0*X+Y+F1", 1, {u}, kExpressionFails, "F2 Expression Calls Itself", F::kText, -1, 1, 0, false},
      {"Z=A0*X+Y+F1\nF1=AI(2,0,1)\nF2=SUM(3,1,3,1)\nF3=$", 1, {u}, kExpressionFails, "F1 Expression Nests Calculus Functions", F::kText, -1, 1, 0, false},
      {"F1=AI(2,0,1)\nF2=SUM(3,1,3,1)\nF3=$\nZ=A0*X+Y+F1", 1, {u}, kExpressionFails, "F1 Expression Nests Calculus Functions", F::kText, -1, 0, 0, false},
      {"F3=$\nF2=SUM(3,1,3,1)\nF1=AI(2,0,1)\nZ=A0*X+Y+F1", 1, {u}, kExpressionFails, "F1 Expression Nests Calculus Functions", F::kText, -1, 2, 0, false},
      {"F1=SUM(2,1,3,1)\nF2=$\nZ=A0*X+Y+AI(1,0,1)", 1, {u}, kExpressionFails, "Z Expression Nests Calculus Functions", F::kText, -1, 2, 0, false},
  };
  for (const Case& c : cases) {
    const TUdfVerdict v = Validate(4, c.text, c.count, c.rows);
    EXPECT_EQ(std::tuple(v.fault, v.message, v.caption, v.field, v.row, v.line, v.column, v.kept),
              std::tuple(c.fault, std::string(c.message), std::string(kUdfValidationCaption), c.field, c.row, c.line,
                         c.column, c.kept))
        << c.text;
    // A kept function stays defined but holds no program: nothing fits or draws its old text.
    EXPECT_EQ(Udf(4) != nullptr, c.kept) << c.text;
    EXPECT_TRUE(ExprSlotAt(40)->Empty()) << c.text;
    EXPECT_FALSE(UdfReadyToFit(4)) << c.text;
  }
}

// The box names the place of the fault under the message: the line, or the row.
TEST_F(UdfValidationTest, TheBoxNamesTheLineOrTheRowUnderTheMessage) {
  TUdfVerdict v = Validate(0, "F1=X*Y\nZ A0+F1", 1, {{"-1e25", "1", "1e25"}});
  EXPECT_EQ(v.BoxText(), "Equal Sign is Missing\n\nLine 2: Z A0+F1");
  v = Validate(0, "Z=A0*X+Y", 1, {{"2", "2", "5"}});
  EXPECT_EQ(v.BoxText(), "Parameter Estimate Must Be Greater Than Minimum\n\n#A [A0] Start: 2");
}

// A math error of the language: its own text is the caption, the expression marked at the
// fault the message, and the caret goes to the fault within the line.
TEST_F(UdfValidationTest, ALanguageErrorShowsItsTextAndTheMarkedExpression) {
  const TUdfVerdict v = Validate(1, "Z=A0*X+Y+LN(A0-1)", 1, {{"-1e25", "1", "1e25"}});
  EXPECT_EQ(v.fault, UdfFault::kExpressionFails);
  EXPECT_EQ(v.caption, "Log: Zero Singularity");
  EXPECT_NE(v.message.find('|'), std::string::npos);
  EXPECT_EQ(v.line, 0);
  EXPECT_GE(v.column, 2);
  EXPECT_EQ(v.detail, "Line 1: Z=A0*X+Y+LN(A0-1)");
  EXPECT_EQ(Udf(1), nullptr);
}

// The calculus built-ins' own failures reach the user with their own texts: a sum past a
// million terms, a line without a root, a series that does not converge.
TEST_F(UdfValidationTest, CalculusFailuresShowTheirOwnTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"F1=$\nZ=A0*X+Y+SUM(1,1,2E6,1)", "Sum or Product: More Than 1,000,000 Terms"},
      {"F1=Z*Z+A0*A0\nZ=A0*X+Y+IMPLICIT(1,0,1,1E-10)", "Implicit: No Root Found"},
      {"F1=1/$\nZ=A0*X+Y+SER(1,1,1,1E-10)", "Series: Convergence Failure"},
  };
  for (const auto& [text, caption] : cases) {
    const TUdfVerdict v = Validate(2, text, 1, {{"-1e25", "1", "1e25"}});
    EXPECT_EQ(v.fault, UdfFault::kExpressionFails) << text;
    EXPECT_EQ(v.caption, caption) << text;
  }
}

// A valid function whose third parameter hardly moves the surface is valid, with the warning.
TEST_F(UdfValidationTest, AParameterOfTooLittleEffectIsNamedInAWarning) {
  const TUdfVerdict v = Validate(5, "Z=A0+A1*X+Y+1E-9*A2*X", 3, {{"-1e25", "1", "1e25"}, {"-1e25", "1", "1e25"}, {"-1e25", "1", "1e25"}});
  ASSERT_TRUE(v.Valid());
  EXPECT_EQ(v.weakParameter, 2);
  EXPECT_EQ(v.caption, kUdfWarningCaption);
  EXPECT_EQ(v.message,
            "Parameter C Makes Less Than 0.001 Fractional Contribution to Equation in Range of Data. Adjustment is "
            "Recommended.");
  EXPECT_TRUE(UdfReadyToFit(5));
}

// A check the user stops (the evaluations' question says no at its n-th ask) is refused at
// whatever step it stopped, the function freed and its program empty, and no finding of
// the unfinished values follows: in the run of the lines (the line named as for any
// failing expression), in the compile (the same product again, past the 3906 asks of the
// run of the lines) and in the measure of the parameters' effects (a product that is long
// at the data points only).
TEST_F(UdfValidationTest, ACheckStoppedAtAnyStepIsCancelledAndAcceptsNothing) {
  const char* costly = "F1=1+SIN($*X+Y)/1E7\nZ=A0*PROD(1,1,999999,1)+A1*X+0*Y";
  const char* costlyAtPoints = "F1=1+SIN($*X+Y)/1E7\nZ=A0*PROD(1,1,1+999998*(ABS(X-XMEAN)>0),1)+A1*X+0*Y";
  const std::string generic = "Validation Cancelled: the Function Is Not Accepted";
  const struct {
    const char* text;
    int stopAt;
    bool lineNamed;
  } cases[] = {{costly, 1, true}, {costly, 5000, false}, {costlyAtPoints, 1, false}};
  for (const auto& c : cases) {
    TUdfVerdict v;
    {
      int asks = 0;
      const TEvaluationStopScope stop(Ctx(), [&] { return ++asks < c.stopAt; });
      v = Validate(4, c.text, 2, {{"-1e25", "1", "1e25"}, {"-1e25", "1", "1e25"}});
      EXPECT_GE(asks, c.stopAt) << c.stopAt;
    }
    EXPECT_EQ(v.fault, UdfFault::kCancelled) << c.stopAt;
    EXPECT_FALSE(v.kept);
    EXPECT_EQ(v.caption, "Calculation Cancelled");
    EXPECT_EQ(v.weakParameter, -1);
    if (c.lineNamed) {
      EXPECT_EQ(v.detail, "Line 2: Z=A0*PROD(1,1,999999,1)+A1*X+0*Y");
      EXPECT_NE(v.message, generic);
    } else {
      EXPECT_EQ(v.message, generic) << c.stopAt;
      EXPECT_EQ(v.field, UdfField::kText);
    }
    EXPECT_EQ(Udf(4), nullptr);
    EXPECT_TRUE(ExprSlotAt(40)->Empty());
    EXPECT_TRUE(ExprSlotAt(41)->Empty());
  }
}

// A library of three functions, one with two Z lines: two installed of three, and the
// refused one stays defined (uncompiled).
TEST_F(UdfValidationTest, ALibraryInstallsItsValidFunctionsAndKeepsARepeatedZLine) {
  Parsed(0, "ONE", "Z=A0*X+Y\r\n", {{"-1e25", "1", "1e25"}});
  Parsed(3, "TWO", "Z=A0*X\r\nZ=A0*Y\r\n", {{"-1e25", "1", "1e25"}});
  Parsed(7, "THREE", "Z=A0+A1*X*Y\r\n", {{"-1e25", "1", "1e25"}, {"-1e25", "2", "1e25"}});
  const TUdfBatchValidation batch = ValidateAllUdfs(points_, stats_.Z.Range);
  EXPECT_EQ(std::tuple(batch.defined, batch.valid, batch.firstValid), std::tuple(3, 2, 0));
  ASSERT_EQ(batch.reports.size(), 1u);
  EXPECT_EQ(batch.reports[0].k, 3);
  EXPECT_EQ(batch.reports[0].verdict.fault, UdfFault::kSecondZLine);
  EXPECT_NE(Udf(3), nullptr);
  EXPECT_EQ(UdfReadyCount(BoundUdfTable()), 2);
}

// A library's checks stopped in its second function: the first stays accepted, the one
// stopped and the one after it stay as the file held them (uncompiled), and the progress
// window was told how many of the three were done.
TEST_F(UdfValidationTest, ALibrarysChecksStoppedKeepEveryFunctionRead) {
  Parsed(0, "ONE", "Z=A0*X+Y\r\n", {{"-1e25", "1", "1e25"}});
  Parsed(3, "COSTLY", "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(1,1,999999,1)+X+Y\r\n", {{"-1e25", "1", "1e25"}});
  Parsed(7, "THREE", "Z=A0+A1*X*Y\r\n", {{"-1e25", "1", "1e25"}, {"-1e25", "2", "1e25"}});
  const TUdfRecord costlyAsRead = *Udf(3);
  TUdfBatchValidation batch;
  TTaskSteps seen{};
  {
    const TEvaluationStopScope stop(Ctx(), [&] {
      seen = Ctx().taskSteps;
      return Ctx().CurrentUdf != 3;
    });
    batch = ValidateAllUdfs(points_, stats_.Z.Range);
  }
  EXPECT_EQ(std::tuple(seen.done, seen.total), std::tuple(std::int64_t{1}, std::int64_t{3}));
  EXPECT_TRUE(batch.cancelled);
  EXPECT_EQ(std::tuple(batch.defined, batch.valid, batch.firstValid, batch.unchecked), std::tuple(3, 1, 0, 2));
  EXPECT_TRUE(batch.reports.empty());
  ASSERT_NE(Udf(3), nullptr);
  ASSERT_NE(Udf(7), nullptr);
  EXPECT_EQ(Str(Udf(3)->Text), Str(costlyAsRead.Text));
  EXPECT_EQ(Udf(3)->Compiled, 0);
  EXPECT_EQ(Udf(7)->Compiled, 0);
  EXPECT_TRUE(ExprSlotAt(30)->Empty());
  EXPECT_TRUE(ExprSlotAt(31)->Empty());
  EXPECT_EQ(UdfReadyCount(BoundUdfTable()), 1);
  EXPECT_FALSE(Ctx().stopped);
}

// Refusing a new text of a function that was loaded empties its program: the old Z line no
// longer runs.
TEST_F(UdfValidationTest, ARefusedNewTextLeavesNoOldProgramBehind) {
  ASSERT_TRUE(Validate(6, "Z=A0*X+Y", 1, {{"-1e25", "1", "1e25"}}).Valid());
  ASSERT_FALSE(ExprSlotAt(60)->Empty());
  const TUdfVerdict v = Validate(6, "Z=A0*X+Y\nZ=A0", 1, {{"-1e25", "1", "1e25"}});
  EXPECT_TRUE(v.kept);
  EXPECT_TRUE(ExprSlotAt(60)->Empty());
  Ctx().CurrentUdf = 6;
  EXPECT_TRUE(IsMissingValue(EvalUdf7(1, 2)));
}

TEST(UdfFormTest, TextsBecomeARecordAsTheFilesHoldIt) {
  TUdfForm form = ClearedUdfForm();
  form.name = "Paraboloid12";
  form.count = "2x";
  form.text = "f1=x*x\nz=a0+a1*f1+y\n\n";
  form.minText = {"-5", "0", "7", "7", "7", "7", "7", "7", "7", "7"};
  const auto r = UdfRecordFromForm(form);
  EXPECT_EQ(std::string(UdfFieldText(r->Name)), "Paraboloid");
  EXPECT_EQ(r->ParamCount, 2);
  EXPECT_EQ(std::string(UdfFieldText(r->Text)), "F1=X*X\r\nZ=A0+A1*F1+Y\r\n");
  EXPECT_EQ(r->LineCount, 2);
  EXPECT_EQ(std::string(UdfFieldText(r->MinText[1])), "0");
  EXPECT_EQ(std::string(UdfFieldText(r->MinText[2])), "");  // beyond the count: not taken

  // Filling from it gives the stored texts, and the cleared rows beyond the count.
  const TUdfForm back = UdfFormFromRecord(*r);
  EXPECT_EQ(std::tuple(back.name, back.count, back.text, back.minText[0], back.maxText[2], back.startText[9]),
            std::tuple(std::string("Paraboloid"), std::string("2"), std::string("F1=X*X\r\nZ=A0+A1*F1+Y\r\n"),
                       std::string("-5"), std::string("1e+25"), std::string("1")));

  // An empty text becomes one empty line; a CR LF text keeps its line ends.
  form.text = "";
  EXPECT_EQ(std::string(UdfFieldText(UdfRecordFromForm(form)->Text)), "\r\n");
  EXPECT_EQ(UdfStoredText("Z=1\r\nF1=2"), "Z=1\r\nF1=2\r\n");
}

TEST(UdfFormTest, BlankTextsAreNoFunction) {
  EXPECT_TRUE(UdfTextIsBlank(""));
  EXPECT_TRUE(UdfTextIsBlank("\r\n\t\x7f\xa0"));
  EXPECT_FALSE(UdfTextIsBlank("  "));
  EXPECT_FALSE(UdfTextIsBlank("\r\nZ"));
}

// The count edit: 1..10 is taken (rows above a lowered count reset), 0 and 11 give the
// old count back.
TEST(UdfFormTest, CountsOutsideOneToTenGiveTheOldCountBack) {
  TUdfForm form = ClearedUdfForm();
  for (std::size_t i = 0; i < 4; ++i) form.startText[i] = std::to_string(i + 5);
  int count = 4;
  form.count = "2";
  ASSERT_TRUE(ApplyUdfCount(form, count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(std::tuple(form.minText[2], form.startText[2], form.maxText[3], form.startText[1]),
            std::tuple(std::string("-1E25"), std::string("1"), std::string("1E25"), std::string("6")));
  for (const char* bad : {"0", "11", "", "x"}) {
    form.count = bad;
    EXPECT_FALSE(ApplyUdfCount(form, count)) << bad;
    EXPECT_EQ(form.count, "2") << bad;
    EXPECT_EQ(count, 2);
  }
  EXPECT_EQ(UdfCountFromText(" 10"), 10);
  EXPECT_EQ(UdfCountFromText("-3"), -3);
}

}  // namespace
