// Quick Eval of a user function's fit that takes long to evaluate: a Cancel of its Z or of its
// searches leaves the figures it showed, and never shows a Z of another X and Y than its own.
// The function asks the question about twice an evaluation at no cost; a scripted question
// says No at its first ask.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <array>

#include "expr/evaluation_stop.h"
#include "fit/fit_test_data.h"
#include "review/equation_text.h"
#include "review/review_fit_fixture.h"
#include "review/ui/review_window_fixture.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/review_quick_eval.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

class CostlyQuickEval : public review_test::ReviewWindowFixture {
 protected:
  void SetUp() override {
    ReviewWindowFixture::SetUp();
    // The function is redefined while the review stands: no thread may evaluate it then.
    CurrentSettings().BackgroundCacheOn = 0;
    DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
    review_test::FitInto(session, review_test::ReplicatedPlane(), LinearSelection(9, 0, 0), &BoundUdfTable());
    session.ReviewCurrentRank = review_test::RankOf(session, UdfEquationNumber(0));
    RegisterReviewQuickEval();
  }
  static void Refused(const std::function<void()>& step) {
    const TEvaluationStopScope no(ExprThreadContext(), [] { return false; });
    step();
  }
  std::array<QString, 7> Shown(const TQEval& q) const {
    std::array<QString, 7> t;
    t[0] = q.Control<QLabel>(TQEval::kZ)->text();
    for (int k = 0; k < 3; ++k) {
      t[static_cast<std::size_t>(1 + k)] = q.Control<QLabel>(TQEval::kMinimum + 1 + k)->text();
      t[static_cast<std::size_t>(4 + k)] = q.Control<QLabel>(TQEval::kMaximum + 1 + k)->text();
    }
    return t;
  }

  UserFunctionScope scope;
};

// With both searches on: a new surface mode, a new X and a check of a search, each cancelled,
// keep the figures shown (the Z of a new X goes: it would be of the old one); unstopped, each
// shows its own. The figures of the evaluations that gave up were shown as the surface's.
TEST_F(CostlyQuickEval, ACancelledQuickEvalKeepsItsFiguresOrShowsNone) {
  TRView& view = Open(false);
  view.Command(kReviewQuickEval);
  auto* q = view.findChild<TQEval*>();
  ASSERT_NE(q, nullptr);
  q->Control<QLineEdit>(TQEval::kX)->setText("1.5");
  q->Control<QLineEdit>(TQEval::kY)->setText("0.5");
  q->FlushEdits();
  q->Control<QCheckBox>(TQEval::kMaximum)->click();
  DefineUserFunction(0, "F1=1+$/1E9\r\nZ=(A0+A1*X+A2*Y)*PROD(1,1,500,1)", {1, 1, 1});
  q->Evaluate();
  const std::array<QString, 7> shown = Shown(*q);
  ASSERT_FALSE(shown[0].isEmpty());
  ASSERT_FALSE(shown[4].isEmpty());
  ASSERT_TRUE(shown[1].isEmpty());

  Refused([&] { view.SetSurfaceMode(kSurfaceDzDx); });
  EXPECT_EQ(view.SurfaceMode(), 0);
  EXPECT_EQ(Shown(*q), shown);
  Refused([&] { q->Control<QCheckBox>(TQEval::kMinimum)->click(); });
  EXPECT_EQ(Shown(*q), shown);
  Refused([&] {
    q->Control<QLineEdit>(TQEval::kX)->setText("0.5");
    q->FlushEdits();
  });
  std::array<QString, 7> noZ = shown;
  noZ[0].clear();
  EXPECT_EQ(Shown(*q), noZ);

  q->Evaluate();
  EXPECT_FALSE(Shown(*q)[0].isEmpty());
  EXPECT_NE(Shown(*q)[0], shown[0]);
  EXPECT_FALSE(Shown(*q)[1].isEmpty());  // the minimum's search is on since its click
  Close();
}

}  // namespace
