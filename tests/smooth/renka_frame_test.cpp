// Renka I with the frame (option 1 = 1) and tension (option 2 = 1) on the library's
// constraint and tension routines: where the frame's nodes lie, that its edges become arcs,
// the plane recovered on and inside the frame, and tension factors that belong to the arcs
// of the triangulation the surface is evaluated on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "smooth/engines/scattered_engine.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/libs/numerical_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScaledError;
using smooth_test::ScopedNumLib;
using smooth_test::Table;

// What the forwarding stand-ins saw.
struct TFrameSeen {
  int addcstIer = -99, frameArcs = 0, nodes = 0, first = 0;
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  std::vector<double> frameZ, frameGx, frameGy, frameX, frameY;  // after the first zgradg
  int zgradgCalls = 0;
  // The first interpolation after `record` was set: its triangulation, data and factors.
  bool record = false;
  int n = 0;
  std::vector<int> list, lptr, lend;
  std::vector<double> x, y, z, gx, gy, sigma;
} g_frame;

void ForwardAddcst(int ncc, const int* lcc, int n, const double* x, const double* y, int& lwk,
                   int* iwk, int* list, int* lptr, int* lend, int& ier) {
  addcst(ncc, lcc, n, x, y, lwk, iwk, list, lptr, lend, ier);
  g_frame.addcstIer = ier;
  g_frame.nodes = n;
  g_frame.first = lcc[0];
  for (int k = lcc[0]; k <= n; ++k) {
    g_frame.minX = std::min(g_frame.minX, x[k - 1]);
    g_frame.maxX = std::max(g_frame.maxX, x[k - 1]);
    g_frame.minY = std::min(g_frame.minY, y[k - 1]);
    g_frame.maxY = std::max(g_frame.maxY, y[k - 1]);
    const int next = k < n ? k + 1 : lcc[0];
    const int lp = RenkaListIndex(lend[k - 1], next, list, lptr);
    g_frame.frameArcs += std::abs(list[lp - 1]) == next;
  }
}

void ForwardZgradg(int ncc, const int* lcc, int n, const double* x, const double* y,
                   const int* list, const int* lptr, const int* lend, int iflgs,
                   const double* sigma, int& nit, double& dzmax, double* z, double* gx,
                   double* gy, int values, int& ier) {
  zgradg(ncc, lcc, n, x, y, list, lptr, lend, iflgs, sigma, nit, dzmax, z, gx, gy, values, ier);
  if (++g_frame.zgradgCalls > 1) return;
  g_frame.frameZ.assign(z + lcc[0] - 1, z + n);
  g_frame.frameGx.assign(gx + lcc[0] - 1, gx + n);
  g_frame.frameGy.assign(gy + lcc[0] - 1, gy + n);
  g_frame.frameX.assign(x + lcc[0] - 1, x + n);
  g_frame.frameY.assign(y + lcc[0] - 1, y + n);
}

void RecordingIntrc1(double px, double py, int ncc, const int* lcc, int n, const double* x,
                     const double* y, const double* z, const int* list, const int* lptr,
                     const int* lend, int iflgs, const double* sigma, const double* gx,
                     const double* gy, int dflag, int& ist, double& pz, double& pzx, double& pzy,
                     int& ier) {
  if (g_frame.record) {
    g_frame.record = false;
    g_frame.n = n;
    g_frame.list.assign(list, list + 6 * n);
    g_frame.lptr.assign(lptr, lptr + 6 * n);
    g_frame.lend.assign(lend, lend + n);
    g_frame.x.assign(x, x + n);
    g_frame.y.assign(y, y + n);
    g_frame.z.assign(z, z + n);
    g_frame.gx.assign(gx, gx + n);
    g_frame.gy.assign(gy, gy + n);
    // Without tension sigma is one zero.
    g_frame.sigma.assign(sigma, sigma + (iflgs == 1 ? 6 * n : 1));
  }
  intrc1(px, py, ncc, lcc, n, x, y, z, list, lptr, lend, iflgs, sigma, gx, gy, dflag, ist, pz, pzx,
         pzy, ier);
}

class RenkaFrame : public ::testing::Test {
 protected:
  RenkaFrame() : library_(Forwarding()) { g_frame = TFrameSeen{}; }
  static TNumLibTable Forwarding() {
    TNumLibTable table = BuiltInNumLib();
    ServeNumLibEntry<TNumLibEntry::addcst>(table, &ForwardAddcst);
    ServeNumLibEntry<TNumLibEntry::zgradg>(table, &ForwardZgradg);
    ServeNumLibEntry<TNumLibEntry::intrc1>(table, &RecordingIntrc1);
    return table;
  }
  ScopedNumLib library_;
};

long double Plane(long double x, long double y) { return 4 - 2 * x + 0.5L * y; }

TEST_F(RenkaFrame, FrameNodesLieATenthOutsideTheDataAndItsEdgesAreArcs) {
  PointTable data = Table(Scattered(70, 31, Plane, 10, 5, -3, 2));
  TNParm3D engine(data, kNPRenka1, 1, 0, false);
  ASSERT_TRUE(engine.HasSurface());
  EXPECT_EQ(g_frame.addcstIer, 0);
  EXPECT_EQ(g_frame.nodes, engine.PointCount() + 48);
  EXPECT_EQ(g_frame.first, engine.PointCount() + 1);
  EXPECT_EQ(g_frame.frameArcs, 48);
  // In unit coordinates the data span [0, 1]; the frame lies a tenth beyond.
  EXPECT_NEAR(g_frame.minX, -0.1, 1e-15);
  EXPECT_NEAR(g_frame.maxX, 1.1, 1e-15);
  EXPECT_NEAR(g_frame.minY, -0.1, 1e-15);
  EXPECT_NEAR(g_frame.maxY, 1.1, 1e-15);
}

TEST_F(RenkaFrame, PlanarDataGiveThePlaneOnAndInsideTheFrame) {
  PointTable data = Table(Scattered(120, 32, Plane, 10, 5, -3, 2));
  for (const int tension : {0, 1}) {
    g_frame = TFrameSeen{};
    TNParm3D engine(data, kNPRenka1, 1, tension, false);
    ASSERT_TRUE(engine.HasSurface()) << tension;
    const long double x0 = engine.XMin(), sx = engine.XMax() - engine.XMin();
    const long double y0 = engine.YMin(), sy = engine.YMax() - engine.YMin();
    // The gradients of the plane per unit coordinate, and how far the gradient estimation
    // left the data's (its sweeps stop at a relative change of 1e-5, or after six).
    const long double gx = -2 * sx, gy = 0.5L * sy;
    g_frame.record = true;
    (void)engine.EvalAt(x0 + 0.5L * sx, y0 + 0.5L * sy);
    const int data_nodes = engine.PointCount();
    ASSERT_EQ(g_frame.n, data_nodes + 48);
    long double dataError = 0;
    for (int k = 0; k < data_nodes; ++k)
      dataError = std::max({dataError, std::fabs(g_frame.gx[k] - gx), std::fabs(g_frame.gy[k] - gy)});
    EXPECT_LT(dataError, 0.05L);
    // The frame's values and gradients lie on the plane to that error.
    ASSERT_EQ(g_frame.frameZ.size(), 48u);
    for (std::size_t k = 0; k < 48; ++k) {
      const long double x = x0 + g_frame.frameX[k] * sx, y = y0 + g_frame.frameY[k] * sy;
      EXPECT_LT(std::fabs(g_frame.frameZ[k] - Plane(x, y)), dataError) << k;
      EXPECT_LT(std::fabs(g_frame.frameGx[k] - gx), 2 * dataError) << k;
      EXPECT_LT(std::fabs(g_frame.frameGy[k] - gy), 2 * dataError) << k;
    }
    // Between the data and the frame, and at the frame's corner.
    for (const auto& [u, v] : {std::pair{-0.05L, 0.5L}, std::pair{1.07L, -0.08L},
                               std::pair{0.4L, 1.09L}, std::pair{-0.1L, -0.1L}}) {
      const long double x = x0 + u * sx, y = y0 + v * sy;
      EXPECT_LT(std::fabs(engine.EvalAt(x, y) - Plane(x, y)), dataError) << u << " " << v;
      EXPECT_LT(std::fabs(engine.EvalDx(x, y) * sx - gx), 2 * dataError) << u << " " << v;
      EXPECT_LT(std::fabs(engine.EvalDy(x, y) * sy - gy), 2 * dataError) << u << " " << v;
    }
  }
}

// With tension the surface is evaluated over the frame's triangulation, so its factors must
// be those of that triangulation's arcs, from the values and gradients it interpolates.
TEST_F(RenkaFrame, TensionFactorsBelongToTheFrameTriangulation) {
  auto ridge = [](long double x, long double y) { return std::tanh(12 * (x - 0.5L)) + 0.2L * y; };
  PointTable data = Table(Scattered(90, 33, ridge));
  TNParm3D engine(data, kNPRenka1, 1, 1, false);
  ASSERT_TRUE(engine.HasSurface());
  g_frame.record = true;
  (void)engine.EvalAt(0.5L, 0.5L);
  const int n = g_frame.n;
  ASSERT_EQ(n, engine.PointCount() + 48);
  std::vector<double> fresh(6 * static_cast<std::size_t>(n), 0.0);
  double dsmax = 0;
  int ier = -9;
  getsig(1, n, g_frame.x.data(), g_frame.y.data(), g_frame.z.data(), g_frame.list.data(),
         g_frame.lptr.data(), g_frame.lend.data(), g_frame.gx.data(), g_frame.gy.data(), 0, 0,
         fresh.data(), dsmax, ier);
  ASSERT_EQ(ier, 0);
  int arcs = 0, tense = 0;
  for (int k = 1; k <= n; ++k) {
    const int lpl = g_frame.lend[static_cast<std::size_t>(k) - 1];
    int lp = lpl;
    do {
      lp = g_frame.lptr[static_cast<std::size_t>(lp) - 1];
      EXPECT_EQ(g_frame.sigma[static_cast<std::size_t>(lp) - 1], fresh[static_cast<std::size_t>(lp) - 1])
          << k;
      ++arcs;
      tense += fresh[static_cast<std::size_t>(lp) - 1] > 0;
    } while (lp != lpl);
  }
  EXPECT_GT(tense, 0);
  EXPECT_GT(arcs, 6 * engine.PointCount());
  // And the surface still passes through the data.
  const std::span<const TXYZPoint> merged = engine.Working();
  for (int i = 1; i <= engine.PointCount(); ++i) {
    const TXYZPoint& p = merged[static_cast<std::size_t>(i)];
    EXPECT_LT(std::fabs(engine.EvalAt(p.X, p.Y) - p.Z), 1e-12L) << i;
  }
}

}  // namespace
