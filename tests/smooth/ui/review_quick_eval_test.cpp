// The review window's Quick Eval button: it opens Quick Eval on the reviewed surface, the
// window refreshes it when the surface mode changes, and the button closes it again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "expr/eval_context.h"
#include "fit/fit_families.h"
#include "fit/fit_refit.h"
#include "fit/fit_test_data.h"
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

// The surface's lowest and highest point are those of the fit over its data, as the numeric
// summary has them: the graph spans its rounded axes (0 .. 2 here, the data 0.25 .. 1.85 and
// 0.35 .. 1.65), and a search kept to the drawn grid's cells reported the plane's maximum at
// its axis corner (2, 2), 1.7 above the highest point over the data.
TEST_F(ReviewQuickEval, SurfaceMinAndMaxAreTheFitsOverItsData) {
  RegisterReviewQuickEval();
  int k = 0;
  review_test::FitInto(session,
                       fit_test::GridTable(fit_test::Axis(0.25L, 0.2L, 9), fit_test::Axis(0.35L, 0.26L, 6),
                                           [&](long double x, long double y) {
                                             return 1 + 2 * x + 3 * y + ((k++ % 5) - 2) * 0.01L;
                                           }),
                       fit_test::LinearSelection(9, 0, 0));
  TRView& view = Open(false);
  ASSERT_LT(view.Renderer().AxisLow(0), session.DataStats.X.Min);
  ASSERT_GT(view.Renderer().AxisHigh(1), session.DataStats.Y.Max);
  view.Command(kReviewQuickEval);
  auto* q = view.findChild<TQEval*>();
  ASSERT_NE(q, nullptr);
  q->Control<QCheckBox>(TQEval::kMinimum)->setChecked(true);
  q->Control<QCheckBox>(TQEval::kMaximum)->setChecked(true);
  q->Control<QLineEdit>(TQEval::kX)->setText("1");
  q->Control<QLineEdit>(TQEval::kY)->setText("1");
  q->FlushEdits();
  const std::optional<TFitSide> fit = RefitRank(session, session.ReviewCurrentRank, kRefitComplete);
  ASSERT_TRUE(fit);
  const auto shown = [q](int id) { return q->Control<QLabel>(id)->text().toStdString(); };
  const auto expected = [](long double v) { return std::string(QString::asprintf("%.10Lg", v).toLatin1()); };
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(shown(TQEval::kMinimum + 1 + i), expected(fit->eqn.minimum[static_cast<std::size_t>(i)])) << i;
    EXPECT_EQ(shown(TQEval::kMaximum + 1 + i), expected(fit->eqn.maximum[static_cast<std::size_t>(i)])) << i;
  }
  EXPECT_EQ(shown(TQEval::kMaximum + 1), "1.85");
  EXPECT_EQ(shown(TQEval::kMaximum + 2), "1.65");
  Close();
}

}  // namespace
