// The status window's graph over a user function's fit that takes long to evaluate: its
// surface is sampled and drawn as steps the user may cancel (never inside a paint), and a
// Cancel leaves the fit's surface out: the graph shows the data alone rather than a surface
// of evaluations that gave up. The function asks the question about twice an evaluation at
// no cost; a scripted question says No.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "expr/evaluation_stop.h"
#include "fit/fit_refit.h"
#include "fit/fit_test_data.h"
#include "fit/session.h"
#include "graph3d/ui/status_graph.h"
#include "review/review_fit_fixture.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

class CostlyStatusGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
    review_test::FitInto(session, review_test::ReplicatedPlane(), LinearSelection(9, 0, 0), &BoundUdfTable());
    ASSERT_TRUE(MakeRankCurrent(session, review_test::RankOf(session, UdfEquationNumber(0)), kRefitRecord));
    DefineUserFunction(0, "F1=1+$/1E9\r\nZ=(A0+A1*X+A2*Y)*PROD(1,1,500,1)", {1, 1, 1});
  }
  static bool HasSurface(TStatusGraph& g) { return (g.Renderer().ContentFlags() & kContentSurface) != 0; }

  UserFunctionScope scope;
  TSession session;
};

// Cancelled while the graph is made, or while its first picture is drawn (off the paint):
// the data alone; unstopped, the fit's surface over them.
TEST_F(CostlyStatusGraph, ACancelLeavesTheFitsSurfaceOut) {
  for (const int stage : {0, 1, 2}) {
    QWidget pane;
    pane.resize(320, 240);
    TStatusGraph* graph = nullptr;
    {
      const TEvaluationStopScope question(ExprThreadContext(), [stage] { return stage != 0; });
      graph = new TStatusGraph(&pane, session, true);
    }
    EXPECT_EQ(HasSurface(*graph), stage != 0) << stage;
    {
      const TEvaluationStopScope question(ExprThreadContext(), [stage] { return stage != 1; });
      pane.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
      graph->repaint();
      ASSERT_TRUE(QTest::qWaitFor([&] { return !graph->Frame().isNull(); }));
      QApplication::processEvents();
    }
    EXPECT_EQ(HasSurface(*graph), stage == 2) << stage;
    EXPECT_FALSE(graph->Frame().isNull());
  }
}

}  // namespace
