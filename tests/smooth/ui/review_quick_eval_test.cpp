// The review window's Quick Eval button: it opens Quick Eval on the reviewed surface, the
// window refreshes it when the surface mode changes, and the button closes it again.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "expr/eval_context.h"
#include "fit/fit_families.h"
#include "review/ui/review_window_fixture.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/review_quick_eval.h"

namespace {

using ReviewQuickEval = review_test::ReviewWindowFixture;

TEST_F(ReviewQuickEval, TheButtonOpensQuickEvalOnTheShownSurfaceAndClosesIt) {
  RegisterReviewQuickEval();
  TRView& view = Open(false);
  view.Command(kReviewQuickEval);
  auto* q = view.findChild<TQEval*>();
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(q->isVisible());
  q->Control<QLineEdit>(TQEval::kX)->setText("2");
  q->Control<QLineEdit>(TQEval::kY)->setText("3");
  q->FlushEdits();
  const T3DGraphSetup* setup = view.Renderer().Setup();
  ASSERT_TRUE(setup->SurfaceFn);
  EXPECT_EQ(q->Control<QLabel>(TQEval::kZ)->text(), QString::asprintf("%.10Lg", setup->SurfaceFn(2, 3)));
  const int before = q->Evaluations();
  view.SetSurfaceMode(1);
  EXPECT_GT(q->Evaluations(), before);
  EXPECT_EQ(q->Control<QLabel>(TQEval::kZ)->text(), QString::asprintf("%.10Lg", view.Renderer().Setup()->SurfaceFn(2, 3)));
  view.Command(kReviewQuickEval);
  EXPECT_EQ(view.findChild<TQEval*>(), nullptr);
  Close();
  // The place it had is kept for the next time.
  EXPECT_NE(CurrentSettings().placements[kPlaceQuickEval + 3].x, -1);
}

// Where the reviewed equation is undefined Quick Eval shows no Z, as the evaluation table
// shows "Error": with the plane's y taken as ln y, (2, 0) showed 1.00698 once an earlier
// point had left its error code standing.
TEST_F(ReviewQuickEval, NoZWhereTheEquationIsUndefined) {
  RegisterReviewQuickEval();
  TRView& view = Open(false);
  session.CurFit.eqn.descriptor[3] = kKindLnY;
  view.Command(kReviewQuickEval);
  auto* q = view.findChild<TQEval*>();
  ASSERT_NE(q, nullptr);
  const auto zAt = [q](const char* x, const char* y) {
    ExprThreadContext().ExprMathError = -6;  // left by an earlier point
    q->Control<QLineEdit>(TQEval::kX)->setText(x);
    q->Control<QLineEdit>(TQEval::kY)->setText(y);
    q->FlushEdits();
    return q->Control<QLabel>(TQEval::kZ)->text();
  };
  EXPECT_EQ(zAt("2", "0"), "");
  EXPECT_EQ(zAt("2", "-1"), "");
  EXPECT_EQ(zAt("2", "EXP(1)"), QString::asprintf("%.10Lg", 61.0L / 60 + 2.05L * 2 + 2.95L));
  Close();
}

}  // namespace
