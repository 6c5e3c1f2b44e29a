// The review's exports and evaluation table of a user function that takes long to evaluate:
// the refit of the fit under review and the evaluation over the export's grid answer the
// user's Cancel, and a cancelled export writes nothing (a file already there stays as it
// was), tells nothing and leaves the fit under review as it was. The function asks the
// question about twice an evaluation at no cost; a scripted question says No at a chosen ask.
#include <gtest/gtest.h>

#include <QApplication>

#include <filesystem>
#include <string>
#include <tuple>

#include "app/settings_file.h"
#include "exchange/export/fit_audit.h"
#include "exchange/ui/range_export_dialogs.h"
#include "exchange/ui/review_exports_fixture.h"
#include "expr/evaluation_stop.h"
#include "fit/fit_test_data.h"
#include "review/review_fit_fixture.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/ui/evaluation_commands.h"
#include "tools/ui/evaluation_dialog.h"

namespace {

using namespace fit_test;

constexpr const char* kAsking = "F1=1+$/1E9\r\nZ=(A0+A1*X+A2*Y)*PROD(1,1,500,1)";

auto Figures(const TFitSide& s) {
  return std::tuple(s.eqn.rank, s.eqn.equationNumber, s.eqn.parameterErrors, s.eqn.minimum, s.eqn.maximum,
                    s.covarianceValid);
}

class CostlyFitExports : public export_test::ReviewExportsFixture {
 protected:
  void SetUp() override {
    ReviewExportsFixture::SetUp();
    window.reset();
    options.reset();
    // The function is redefined while the review stands: no thread may evaluate it then.
    CurrentSettings().BackgroundCacheOn = 0;
    DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
    review_test::FitInto(session, review_test::ReplicatedPlane(), LinearSelection(9, 0, 0), &BoundUdfTable());
    session.ReviewCurrentRank = review_test::RankOf(session, UdfEquationNumber(0));
    Open(false);
    DefineUserFunction(0, kAsking, {1, 1, 1});
  }
  // Runs a command under a question that says No at its `at`-th ask (never when 0).
  static int Asked(int at, const std::function<void()>& step) {
    int asks = 0;
    const TEvaluationStopScope question(ExprThreadContext(), [&] { return at == 0 || ++asks < at; });
    step();
    return asks;
  }

  UserFunctionScope scope;
};

template <typename Dialog>
ModalAnswer<Dialog> Accept() {
  return ModalAnswer<Dialog>([](Dialog* d) { d->accept(); });
}

// Each surface export, cancelled in its refit (the first ask) and in its evaluation over the
// grid (the last asks): the file written before by the same export is as it was, nothing is
// told, no window opens, and the fit under review is as the export found it. The exports
// wrote the values of the evaluations that gave up, and the refit's garbage became the fit.
TEST_F(CostlyFitExports, ACancelledSurfaceExportWritesNothingAndLeavesTheFit) {
  const struct {
    int command;
    const char* file;
  } exports[] = {{kCmReviewSaveLotus, "s.wk3"},   {kCmReviewSaveExcel, "s.xls"}, {kCmReviewSaveQuattro, "s.wb1"},
                 {kCmReviewSaveSibling, "s.mv5"}, {kCmReviewSaveAscii, "s.dat"}};
  auto lotus = Accept<TLotus>();
  auto excel = Accept<TExcel>();
  auto merovane = Accept<TMerovane>();
  auto ascii = Accept<TASCIIGen>();
  for (const auto& e : exports) {
    const std::string path = File(e.file);
    files.Answer(path, 1);
    int whole = 0;
    {
      int asks = 0;
      const TEvaluationStopScope count(ExprThreadContext(), [&] { return ++asks > 0; });
      window->Command(e.command);
      whole = asks;
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << e.file;
    ASSERT_GT(whole, 50) << e.file;
    const std::string written = ReadText(path);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == kExportResultName) w->close();
    QApplication::processEvents();
    const auto before = Figures(session.CurFit);
    const std::size_t boxes = answers.Boxes().size();
    for (const int at : {1, whole / 2, whole - 1}) {
      files.Answer(path, 1);
      answers.Answer(platform::kIdYes);  // overwrite the file
      EXPECT_GE(Asked(at, [&] { window->Command(e.command); }), at) << e.file;  // the step ran to the No
      EXPECT_EQ(ReadText(path), written) << e.file << " No at " << at << " of " << whole;
      EXPECT_TRUE(Figures(session.CurFit) == before) << e.file << " " << at;
    }
    // The Save dialog's question whether to overwrite the file, and nothing else.
    for (std::size_t b = boxes; b < answers.Boxes().size(); ++b)
      EXPECT_EQ(answers.Boxes()[b].text, "Overwrite Existing File?") << e.file;
    EXPECT_EQ(ResultWindows(), 0) << e.file;
  }
}

// The audit and the covariance matrix refit ranks with their covariance: cancelled, they
// write nothing and tell nothing (the covariance said the fit had none).
TEST_F(CostlyFitExports, ACancelledAuditOrCovarianceWritesNothingAndTellsNothing) {
  AuditLevel = 25;
  for (const auto& [command, name] : {std::pair{kCmReviewSaveAudit, "a.adt"}, {kCmReviewSaveCovariance, "c.cov"}}) {
    const std::string path = File(name);
    files.Answer(path, 1);
    (void)Asked(1, [&] { window->Command(command); });
    EXPECT_FALSE(std::filesystem::exists(path)) << name;
  }
  EXPECT_TRUE(answers.Boxes().empty());
  EXPECT_EQ(ResultWindows(), 0);
  files.Answer(File("c.cov"), 1);
  window->Command(kCmReviewSaveCovariance);
  EXPECT_TRUE(std::filesystem::exists(File("c.cov")));
}

// The evaluation table needs the fit's covariance: cancelled while it is refitted, the table
// does not open and the fit under review is as it was.
TEST_F(CostlyFitExports, TheEvaluationTableOfACancelledRefitDoesNotOpen) {
  RegisterEvaluationTable(session);
  const auto before = Figures(session.CurFit);
  ModalAnswer<TDlgEval> table([](TDlgEval* d) { d->reject(); });
  (void)Asked(1, [&] { window->Command(kReviewEvaluate); });
  EXPECT_EQ(table.Seen(), 0);
  EXPECT_TRUE(Figures(session.CurFit) == before);
  window->Command(kReviewEvaluate);
  EXPECT_EQ(table.Seen(), 1);
  EXPECT_EQ(session.CurFit.covarianceValid, 1);
}

}  // namespace
