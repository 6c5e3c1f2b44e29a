// The review's code, parameter, audit, covariance and user-function exports, driven as the
// user drives them: option dialogs answered, file dialogs scripted, the files read back.
// Figures of the plane: tests/exchange/reference/audit_plane_figures.py.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/settings_file.h"
#include "exchange/export/fit_audit.h"
#include "exchange/ui/code_export_dialogs.h"
#include "exchange/ui/review_exports_fixture.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "fit/fit_evaluation.h"
#include "review/equation_list_rows.h"
#include "review/ui/equation_list.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_files.h"

namespace {

using export_test::ReviewExportsFixture;

class ReviewExportsTest : public ReviewExportsFixture {};

// TCode answered: the language button `id`, the function name, OK.
ModalAnswer<TCode> AnswerCode(int id, const QString& name = "eqn1") {
  return ModalAnswer<TCode>([id, name](TCode* d) {
    d->Button(id)->setChecked(true);
    d->NameEdit()->setText(name);
    d->accept();
  });
}

TEST_F(ReviewExportsTest, LanguageButtonsGiveTheirDialects) {
  struct Case {
    int button, dialect;
    const char* filter;
    const char* ext;  // lower case: ".C" is C++ to gcc
  } cases[] = {{846, 1, "C Language 64-bit [c]|*.c|", "c"}, {847, 0, "C Language 80-bit [c]|*.c|", "c"},
               {848, 2, "Pascal [pas]|*.pas|", "pas"},       {851, 5, "FORTRAN 90 [f90]|*.f90|", "f90"}};
  for (const Case& c : cases) {
    const std::string path = File("code" + std::to_string(c.button) + ".txt");
    files.Answer(path, 1);
    auto answer = AnswerCode(c.button);
    window->Command(kCmReviewCodeGeneration);
    EXPECT_EQ(answer.Seen(), 1);
    EXPECT_EQ(CurrentSettings().CodeGenDialect, c.dialect) << c.button;
    EXPECT_EQ(files.Requests().back().filter, c.filter);
    EXPECT_EQ(files.Requests().back().defaultExt, c.ext);
    EXPECT_NE(ReadText(path).find("eqn1"), std::string::npos) << c.button;
  }
  EXPECT_EQ(ResultWindows(), 4);
  EXPECT_FALSE(Refitted());  // code is written from the fit as it stands
}

TEST_F(ReviewExportsTest, BlankFunctionNameKeepsTheDialogOpen) {
  const ProgramSettings before = CurrentSettings();
  bool stayedOpen = false;
  ModalAnswer<TCode> answer([&](TCode* d) {
    d->Button(848)->setChecked(true);
    d->NameEdit()->setText("   ");
    d->accept();
    stayedOpen = d->isVisible();
    d->reject();
  });
  window->Command(kCmReviewCodeGeneration);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_EQ(CurrentSettings().CodeGenDialect, before.CodeGenDialect);
  EXPECT_EQ(CurrentSettings().CodeGenScope, before.CodeGenScope);
}

// A name no compiler takes is refused with the reason, the dialog kept open with the name
// selected and nothing stored; blanks around a sound name are dropped.
TEST_F(ReviewExportsTest, FunctionNamesTheCompilersRefuseKeepTheDialogOpen) {
  const ProgramSettings before = CurrentSettings();
  bool stayedOpen = false, selected = false;
  {
    ModalAnswer<TCode> refused([&](TCode* d) {
      d->Button(851)->setChecked(true);
      d->NameEdit()->setText("my peak");
      d->accept();
      stayedOpen = d->isVisible();
      selected = d->NameEdit()->selectedText() == "my peak";
      d->reject();
    });
    answers.Answer(platform::kIdOk);
    window->Command(kCmReviewCodeGeneration);
  }
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(selected);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes().front().text, "A Function Name Begins with a Letter and Holds Only Letters, Digits and Underscores");
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_EQ(CurrentSettings().CodeGenDialect, before.CodeGenDialect);

  const std::string path = File("trimmed.f90");
  files.Answer(path, 1);
  auto answer = AnswerCode(851, "  Peak_fit ");
  window->Command(kCmReviewCodeGeneration);
  EXPECT_EQ(answer.Seen(), 1);
  EXPECT_NE(ReadText(path).find("double precision function Peak_fit(xin, yin)"), std::string::npos) << ReadText(path);
}

// The C 64-bit function code, compiled by gcc with a small driver, gives the fit's values at
// the data points.
TEST_F(ReviewExportsTest, GeneratedCFunctionCompilesAndGivesTheFitsValues) {
  if (std::system("command -v gcc >/dev/null 2>&1") != 0) GTEST_SKIP() << "gcc is not installed";
  const std::string source = File("plane.c");
  files.Answer(source, 1);
  ModalAnswer<TCode> answer([](TCode* d) {
    d->Button(846)->setChecked(true);
    d->Button(TCode::kFunctionOnly)->setChecked(true);
    d->accept();
  });
  window->Command(kCmReviewCodeGeneration);
  ASSERT_EQ(answer.Seen(), 1);
  const auto points = session.Table.XYZData().subspan(1, static_cast<std::size_t>(session.Table.XYZRows()));
  std::string driver = "#include <stdio.h>\ndouble eqn1(double x, double y);\nint main(void) {\n";
  for (const TXYZPoint& p : points)
    driver += "  printf(\"%.17g\\n\", eqn1(" + std::to_string(static_cast<double>(p.X)) + ", " +
              std::to_string(static_cast<double>(p.Y)) + "));\n";
  driver += "  return 0;\n}\n";
  const std::string main = dir_.Write("driver.c", driver);
  const std::string exe = File("plane_exe");
  const std::string out = File("plane_out.txt");
  ASSERT_EQ(std::system(("gcc -O1 -w -o '" + exe + "' '" + source + "' '" + main + "' -lm && '" + exe + "' > '" + out + "'").c_str()), 0);
  std::istringstream values(ReadText(out));
  for (const TXYZPoint& p : points) {
    long double v = 0;
    ASSERT_TRUE(values >> v);
    const long double fit = EvalFitZ(session.CurFit, p.X, p.Y);
    EXPECT_LE(fabsl(v - fit), 1e-12L * fabsl(fit)) << p.X << " " << p.Y;
  }
}

TEST_F(ReviewExportsTest, ParametersAppendOnYesAndKeepTheOptions) {
  const std::string path = File("parms.dat");
  ModalAnswer<TParms> parms([](TParms* d) {
    d->Box(861)->setChecked(false);
    d->Box(863)->setChecked(true);
    d->Box(865)->setChecked(true);
    d->accept();
  });
  files.Answer(path, 2);
  window->Command(kCmReviewSaveParameters);
  EXPECT_EQ(CurrentSettings().ParmsOptions, 4 | 16);
  const std::string once = ReadText(path);
  EXPECT_NE(once.find("a= 1.0166666666666666"), std::string::npos) << once;
  files.Answer(path, 2);
  answers.Answer(platform::kIdYes);  // "Append to Existing Data?"
  window->Command(kCmReviewSaveParameters);
  EXPECT_EQ(ReadText(path), once + once);
  EXPECT_EQ(ResultWindows(), 2);
}

// The review runs modally in the program: a result window over it is modal to it, or the
// window manager would sink it under the review at the next click there.
TEST_F(ReviewExportsTest, ResultWindowsStayAboveTheModalReview) {
  window->setWindowModality(Qt::ApplicationModal);
  const std::string path = File("code.c");
  files.Answer(path, 1);
  auto answer = AnswerCode(846);
  window->Command(kCmReviewCodeGeneration);
  const auto results = window->findChildren<TScrWin*>(kExportResultName);
  ASSERT_EQ(results.size(), 1);
  EXPECT_EQ(results[0]->windowModality(), Qt::WindowModal);
}

// Cancel in the option dialog or in the Save dialog: nothing written, nothing refitted, the
// options as they were.
TEST_F(ReviewExportsTest, CancelAnywhereChangesNothing) {
  const ProgramSettings before = CurrentSettings();
  {
    ModalAnswer<TCode> code([](TCode* d) { d->reject(); });
    ModalAnswer<TParms> parms([](TParms* d) { d->reject(); });
    window->Command(kCmReviewCodeGeneration);
    window->Command(kCmReviewSaveParameters);
    EXPECT_EQ(code.Seen() + parms.Seen(), 2);
  }
  {
    auto code = AnswerCode(848);
    ModalAnswer<TParms> parms([](TParms* d) {
      d->Box(862)->setChecked(true);
      d->accept();
    });
    for (int id : {kCmReviewCodeGeneration, kCmReviewSaveParameters, kCmReviewSaveCovariance, kCmReviewSaveUdf}) {
      files.Answer(std::nullopt);
      window->Command(id);
    }
  }
  EXPECT_EQ(files.Requests().size(), 4u);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
  EXPECT_FALSE(Refitted());
  const ProgramSettings& after = CurrentSettings();
  EXPECT_EQ(after.CodeGenDialect, before.CodeGenDialect);
  EXPECT_EQ(after.ParmsOptions, before.ParmsOptions);
  EXPECT_EQ(after.LastExtensions[4], before.LastExtensions[4]);
  EXPECT_EQ(ResultWindows(), 0);
}

TEST_F(ReviewExportsTest, CovarianceFileOfThePlane) {
  const std::string path = File("plane.cov");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveCovariance);
  EXPECT_EQ(files.Requests().back().filter, "Covariance [cov]|*.cov|");
  EXPECT_EQ(ReadText(path),
            "0.00461728    -0.00162963   -0.00162963   \r\n"
            "-0.00162963   0.00217284    -0.00054321   \r\n"
            "-0.00162963   -0.00054321   0.00217284    \r\n");
  EXPECT_EQ(ResultWindows(), 1);
}

TEST_F(ReviewExportsTest, BinaryAuditHoldsEveryListedFitAndOpensNoWindow) {
  AuditLevel = kAuditBinaryLevel;
  const std::string path = File("all.adt");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveAudit);
  const int n = session.FitList.Count();
  EXPECT_EQ(ReadBytes(path).size(), static_cast<std::size_t>(4 + 18 * n));
  EXPECT_EQ(ResultWindows(), 0);
}

// The list filtered to one kind audits only its rows, in the list's order; level 25 gives a
// line per fit.
TEST_F(ReviewExportsTest, AuditFollowsTheListsSubsetAndOrder) {
  AuditLevel = 25;
  window->Command(kCmReviewSubsetAll + 1);  // fits of at most three parameters
  const std::vector<std::string>& rows = window->List()->Rows();
  ASSERT_FALSE(rows.empty());
  ASSERT_LT(static_cast<int>(rows.size()), session.FitList.Count());
  const std::string path = File("subset.adt");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveAudit);
  const std::string text = ReadText(path);
  std::string expected = "EQNS = " + std::to_string(rows.size()) + "\r\n\r\n";
  for (const std::string& row : rows) {
    const int rank = RankOfRow(row);
    char line[128];
    std::snprintf(line, sizeof line, "RANK = %d  EQN = %d  SSE = %.5Lg\r\n", rank,
                  session.FitList.At(rank)->equationNumber, session.FitList.At(rank)->sse);
    expected += line;
  }
  EXPECT_EQ(text, expected);
  EXPECT_EQ(ResultWindows(), 1);
}

// The user-function file of the plane, read back through the .udf reader and loaded, gives
// the fit's values at the data points.
TEST_F(ReviewExportsTest, UserFunctionFileLoadsBackAsTheFit) {
  const std::string path = File("plane.udf");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveUdf);
  EXPECT_EQ(files.Requests().back().filter, "Ondravik UDF [udf]|*.udf|");
  EXPECT_EQ(ResultWindows(), 1);
  EXPECT_NE(ReadText(path).find("Eqn1"), std::string::npos);
  ExprBindUdfTable(&session.UdfTable);
  constexpr int kSlot = 3;
  ASSERT_EQ(ReadUdfFile(session.UdfTable, kSlot, path), 1);
  ExprThreadContext().CurrentUdf = kSlot;
  ASSERT_EQ(UdfLoad(kSlot), 1);
  const TUdfRecord& r = *UdfRecordAt(kSlot);
  long double a[kUdfMaxParams + 1] = {};
  for (int i = 0; i < r.ParamCount; ++i) a[i + 1] = r.Start[static_cast<std::size_t>(i)];
  for (const TXYZPoint& p : session.Table.XYZData().subspan(1, static_cast<std::size_t>(session.Table.XYZRows()))) {
    long double z = 0;
    UdfFitEvaluate(ExprThreadContext(), kSlot, p.X, p.Y, a, &z, nullptr);
    const long double fit = EvalFitZ(session.CurFit, p.X, p.Y);
    EXPECT_LE(fabsl(z - fit), 1e-15L * fabsl(fit)) << p.X << " " << p.Y;
  }
  FreeAllUdfs();
  ExprBindUdfTable(nullptr);
  // The code generation options are the user's still.
  EXPECT_EQ(CurrentSettings().CodeGenDialect, DefaultSettings(800, 600).CodeGenDialect);
}

TEST_F(ReviewExportsTest, UserFunctionIsNamedAfterTheEquationNumber) {
  session.CurFit.eqn.equationNumber = 1234;
  const std::string path = File("named.udf");
  files.Answer(path, 1);
  window->Command(kCmReviewSaveUdf);
  EXPECT_NE(ReadText(path).find("Eqn1234"), std::string::npos) << ReadText(path);
}

// A fit the chosen language cannot express is told so, and nothing is written.
TEST_F(ReviewExportsTest, FitTheLanguageCannotExpressIsToldAndWritesNothing) {
  session.CurFit.eqn.equationNumber = 2501;  // a user-defined function: only a .udf holds it
  const std::string path = File("udf_fit.c");
  files.Answer(path, 1);
  auto code = AnswerCode(846);
  window->Command(kCmReviewCodeGeneration);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "This Equation Cannot Be Written in the Chosen Language");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ResultWindows(), 0);
}

// A file that cannot be written is told, and no window opens.
TEST_F(ReviewExportsTest, UnwritablePathsAreToldAndOpenNoWindow) {
  AuditLevel = 5;
  // Beneath a plain file: no folder can be made there, whoever runs the test.
  const std::string path = dir_.Write("plain", "a file, not a folder") + "/out.txt";
  auto code = AnswerCode(846);
  ModalAnswer<TParms> parms([](TParms* d) { d->accept(); });
  const int commands[] = {kCmReviewCodeGeneration, kCmReviewSaveParameters, kCmReviewSaveAudit,
                          kCmReviewSaveCovariance, kCmReviewSaveUdf};
  for (int id : commands) {
    files.Answer(path, 1);
    window->Command(id);
  }
  EXPECT_EQ(WriteFailures(), 5);
  EXPECT_EQ(ResultWindows(), 0);
}

}  // namespace
