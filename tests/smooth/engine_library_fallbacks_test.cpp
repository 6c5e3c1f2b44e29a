// The scattered-data engine with the numerical library shared, missing, or missing entries:
// each method that calls a missing entry fails its own set-up and nothing else.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/message_box.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/numerical_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScopedNumLib;
using smooth_test::Table;

long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y); }

TEST(EngineLibraryFallbacks, OneEngineGoingAwayLeavesTheOthersLibrary) {
  PointTable data = Table(Scattered(60, 21, Wavy));
  auto first = std::make_unique<TNParm3D>(data, kNPRenka1, 0, 0, false);
  TNParm3D second(data, kNPRenka1, 0, 0, false);
  const long double before = second.EvalAt(0.4L, 0.6L);
  first.reset();
  EXPECT_TRUE(NumLibLoaded());
  EXPECT_EQ(second.EvalAt(0.4L, 0.6L), before);
  EXPECT_NE(before, 0.0L);
}

TEST(EngineLibraryFallbacks, AMissingEntryFailsOnlyTheMethodsThatCallIt) {
  TNumLibTable table = BuiltInNumLib();
  table[TNumLibEntry::gradg] = nullptr;
  ScopedNumLib partial(table);
  platform::ScriptedAnswers answers;
  PointTable data = Table(Scattered(60, 22, Wavy));
  TNParm3D engine(data, kNPRenka1, 0, 0, false);
  EXPECT_EQ(engine.Method(), kNPRenka1);
  EXPECT_FALSE(engine.HasSurface());
  EXPECT_EQ(engine.EvalAt(0.5L, 0.5L), 0.0L);
  engine.SetMethod(kNPOwnTriangulation, 1, 0);
  EXPECT_TRUE(engine.HasSurface());
  EXPECT_TRUE(answers.Boxes().empty());
}

// The frame and tension options of Renka I call the constraint and tension entries: without
// them the set-up fails cleanly. With stand-ins that behave like the published routines on
// planar data, the frame set-up runs its whole sequence.
TEST(EngineLibraryFallbacks, RenkaOneOptionsNeedTheirEntries) {
  TNumLibTable table = BuiltInNumLib();
  for (TNumLibEntry e : {TNumLibEntry::getsig, TNumLibEntry::addcst, TNumLibEntry::zgradg})
    table[e] = nullptr;
  ScopedNumLib partial(table);
  PointTable data = Table(Scattered(40, 23, Wavy));
  TNParm3D engine(data, kNPRenka1, 1, 0, false);
  EXPECT_FALSE(engine.HasSurface());
  engine.SetMethod(kNPRenka1, 0, 1);
  EXPECT_FALSE(engine.HasSurface());
  engine.SetMethod(kNPRenka1, 0, 0);
  EXPECT_TRUE(engine.HasSurface());
}

int g_addcstNodes = 0, g_addcstFirst = 0, g_zgradgCalls = 0;

void StandInAddcst(int ncc, const int* lcc, int n, const double*, const double*, int& lwk, int*,
                   int*, int*, int*, int& ier) {
  g_addcstNodes = n;
  g_addcstFirst = ncc == 1 ? *lcc : -1;
  lwk = 0;
  ier = 0;
}

// Values and gradients at the frame nodes from the plane z = 2 + 3u - v (unit coordinates),
// the nodes from lcc[0] on.
void StandInZgradg(int, const int* lcc, int n, const double* x, const double* y, const int*,
                   const int*, const int*, int, const double*, int& nit, double& dzmax, double* z,
                   double* gx, double* gy, int, int& ier) {
  ++g_zgradgCalls;
  const bool values = g_zgradgCalls == 1;
  for (int k = *lcc - 1; k < n; ++k) {
    if (values) z[k] = 2 + 3 * x[k] - y[k];
    gx[k] = values ? 3 : 0;
    gy[k] = values ? -1 : 0;
  }
  nit = 1;
  dzmax = 0;
  ier = 0;
}

TEST(EngineLibraryFallbacks, RenkaOneFrameRunsAsAConstraintCurve) {
  TNumLibTable table = BuiltInNumLib();
  ServeNumLibEntry<TNumLibEntry::addcst>(table, &StandInAddcst);
  ServeNumLibEntry<TNumLibEntry::zgradg>(table, &StandInZgradg);
  ScopedNumLib withFrame(table);
  auto plane = [](long double x, long double y) { return 2 + 3 * x - y; };
  PointTable data = Table(Scattered(50, 24, plane));
  g_zgradgCalls = 0;
  TNParm3D engine(data, kNPRenka1, 1, 0, false);
  ASSERT_TRUE(engine.HasSurface());
  EXPECT_EQ(g_addcstNodes, engine.PointCount() + 48);
  EXPECT_EQ(g_addcstFirst, engine.PointCount() + 1);
  EXPECT_EQ(g_zgradgCalls, 5);  // values, then the four derivative fields of level 2
  const long double x = (engine.XMin() + engine.XMax()) / 2, y = (engine.YMin() + engine.YMax()) / 2;
  EXPECT_LT(std::fabs(engine.EvalAt(x, y) - plane(x, y)), 1e-4L);
}

}  // namespace
