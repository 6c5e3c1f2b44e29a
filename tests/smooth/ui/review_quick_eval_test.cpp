// The review window's Quick Eval button: it opens Quick Eval on the reviewed surface, the
// window refreshes it when the surface mode changes, and the button closes it again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "expr/eval_context.h"
#include "fit/fit_families.h"
#include "fit/fit_ranking.h"
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

// The surface's lowest and highest point are those of the fit over its data, the numeric
// summary's Fn Zmin and Fn Zmax: searched from the drawn grid's cells, Quick Eval kept to the
// graph's rounded axes and showed points outside the data (a plane over x 0.25..1.85 and
// y 0.35..1.65 had its maximum at (2, 2); a fit of 12 points its maximum 241.6 at y = 1,
// below the data, for 223.06); from the data's extreme point alone, the nearest peak (4.98).
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
  q->Evaluate();
  const auto shown = [q](int id) { return q->Control<QLabel>(id)->text().toStdString(); };
  EXPECT_EQ(shown(TQEval::kMaximum + 1), "1.85");
  EXPECT_EQ(shown(TQEval::kMaximum + 2), "1.65");
  EXPECT_EQ(shown(TQEval::kMinimum + 1), "0.25");
  EXPECT_EQ(shown(TQEval::kMinimum + 2), "0.35");
  Close();
}

// Every fit of twelve scattered points, ranked by r²: Quick Eval shows the numeric summary's
// lowest and highest point to its ten digits.
TEST_F(ReviewQuickEval, EveryFitShowsTheExtremaOfTheNumericSummary) {
  RegisterReviewQuickEval();
  const long double points[12][3] = {
      {3.1254773330233347L, 1.7646087629623737L, 3.6162307239771252L},
      {4.4860690048478773L, 2.3352289176479397L, 4.5526794448720533L},
      {3.8784284512259677L, 2.5136447768738597L, 3.6566679922770362L},
      {1.1260359499529593L, 2.6604920562234775L, 1.9567127489272991L},
      {1.5008314245561272L, 3.986500850303178L, 2.1430718431223692L},
      {4.367767226981309L, 3.3779857576412593L, 4.6685752319424507L},
      {0.026326522827873622L, 2.8665376883234881L, 0.85472139880467246L},
      {4.1061420919138314L, 3.9668804430456546L, 4.3963137339143881L},
      {3.9853471437602312L, 1.6459260947067968L, 3.9591506138947654L},
      {2.339674764218604L, 1.4806361015735336L, 2.9102997959363832L},
      {1.5151621340965677L, 2.8376188128190925L, 2.5484204054981268L},
      {1.3921280605038666L, 1.13182602388415L, 2.3525739647660737L}};
  PointTable t = NewPointTable(12);
  for (std::size_t i = 0; i < 12; ++i) {
    TXYZPoint& p = t[i + 1];
    p.X = points[i][0];
    p.Y = points[i][1];
    p.Z = points[i][2];
    p.W = 1;
    p.Status = kPointActive;
  }
  review_test::FitInto(session, std::move(t), fit_test::LinearSelection(kPolyMaskAll, 0, 0));
  SortFitList(session.FitList, 1);
  TRView& view = Open(false);
  view.Command(kReviewQuickEval);
  auto* q = view.findChild<TQEval*>();
  ASSERT_NE(q, nullptr);
  q->Control<QCheckBox>(TQEval::kMinimum)->setChecked(true);
  q->Control<QCheckBox>(TQEval::kMaximum)->setChecked(true);
  const auto shown = [q](int id) { return q->Control<QLabel>(id)->text().toStdString(); };
  const auto expected = [](long double v) { return std::string(QString::asprintf("%.10Lg", v).toLatin1()); };
  const int ranks = std::min(session.FitList.Count(), 40);
  ASSERT_GT(ranks, 10);
  for (int rank = 1; rank <= ranks; ++rank) {
    view.MakeRankCurrent(kRankRowChosen, rank);
    q->Evaluate();
    const std::optional<TFitSide> fit = RefitRank(session, rank, kRefitComplete);
    ASSERT_TRUE(fit);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(shown(TQEval::kMinimum + 1 + i), expected(fit->eqn.minimum[static_cast<std::size_t>(i)]))
          << "rank " << rank << " equation " << fit->eqn.equationNumber << " minimum " << i;
      EXPECT_EQ(shown(TQEval::kMaximum + 1 + i), expected(fit->eqn.maximum[static_cast<std::size_t>(i)]))
          << "rank " << rank << " equation " << fit->eqn.equationNumber << " maximum " << i;
    }
  }
  Close();
}

}  // namespace
