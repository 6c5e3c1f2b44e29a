// Surfaces that pass through their data, as the smoothing windows show them: an SSE that is
// the rounding of such a surface reads 0 in every window, and every data point is drawn in
// the first residual band (the band's reference is 0, not a standard error of 1e-15 that
// put points of an exact surface beyond three of them); and a plane, which every method
// reproduces, read back through the evaluation table (value, the five derivatives, volume)
// for every method of the scattered-data and the gridded-data window.
#include <gtest/gtest.h>

#include <QLabel>

#include <cmath>
#include <memory>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "graph3d/color_schemes.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/gridded_window.h"
#include "smooth/ui/loess_window.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "quasi_random_points.h"
#include "smoothing_window_test_support.h"

namespace {

long double Quadratic(long double x, long double y) { return 2 + x * x - x * y + 0.5L * y * y; }

// n scattered points of the quadratic over [0, 4] x [0, 3].
PointTable ScatteredQuadratic(int n) { return smooth_test::QuasiRandomPoints(n, 4, 3, Quadratic); }

// The quadratic on a 10 x 10 grid over [0, 3] x [0, 2].
PointTable GridQuadratic() {
  PointTable t = NewPointTable(100);
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      const long double x = i / 3.0L, y = j * 2 / 9.0L;
      t[static_cast<std::size_t>(10 * i + j + 1)] = TXYZPoint{x, y, Quadratic(x, y), 1, kPointActive};
    }
  return t;
}

long double Plane(long double x, long double y) { return 1 + 2 * x - 3 * y; }

// The plane at 49 scattered points over [0, 4] x [0, 3] (as a grid's values when `grid`).
PointTable PlanePoints(bool grid) {
  if (!grid) return smooth_test::QuasiRandomPoints(49, 4, 3, Plane);
  PointTable t = NewPointTable(49);
  for (int k = 1; k <= 49; ++k) {
    const long double x = ((k - 1) / 7) * 4 / 6.0L;
    const long double y = ((k - 1) % 7) * 3 / 6.0L;
    t[static_cast<std::size_t>(k)] = TXYZPoint{x, y, Plane(x, y), 1, kPointActive};
  }
  return t;
}

// The evaluation table a window opens reads the plane back inside the data: its value, its
// gradient (2, -3), second derivatives of 0, and its volume over [1, 2.5] x [0.8, 2] (0.54:
// 1.8 times the plane's mean 1 + 2 * 1.75 - 3 * 1.4 = 0.3), each to the rounding times
// `loose` (a method whose gradients are estimates).
void ExpectThePlane(TBaseNP* w, const std::string& what, long double loose = 1) {
  smooth_test::TCaughtEvaluation caught;
  (void)w->RunOptionCommand(kCmEvaluate);
  ASSERT_EQ(caught.opened, 1) << what;
  const auto near = [&what, loose](long double got, long double want, long double tolerance, const char* figure) {
    EXPECT_LE(std::fabs(got - want), tolerance * loose) << what << ": " << figure << " " << got << " for " << want;
  };
  for (const auto& [x, y] : {std::pair{1.3L, 1.1L}, std::pair{2.2L, 1.7L}, std::pair{2.9L, 0.9L}}) {
    near(caught.At(kEvalZ, x, y), Plane(x, y), 1e-9L, "z");
    near(caught.At(kEvalDzDx, x, y), 2, 1e-7L, "dz/dx");
    near(caught.At(kEvalDzDy, x, y), -3, 1e-7L, "dz/dy");
    near(caught.At(kEvalD2zDx2, x, y), 0, 1e-5L, "d2z/dx2");
    near(caught.At(kEvalD2zDy2, x, y), 0, 1e-5L, "d2z/dy2");
    near(caught.At(kEvalD2zDxDy, x, y), 0, 1e-5L, "d2z/dxdy");
  }
  const TEvalComputer table = caught.Table();
  for (int ask = 1; ask <= 2; ++ask) {  // from the grids, then by integrating the surface
    const TVolumeResult v = table.Volume(1, 2.5L, 0.8L, 2);
    near(v.value, 0.54L, 1e-9L, ask == 1 ? "volume from the grids" : "volume integrated");
    EXPECT_GE(v.error, 0) << what;
    EXPECT_LE(v.error, 1e-6L * loose) << what;
  }
}

class ExactSurfacesTest : public ::testing::Test {
 protected:
  void Load(PointTable table, GraphSlot graph, PointsSlot points, PlacementSlot place) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, graph, points, place);
    PrepareSmoothingSetup(*options, session);
  }
  // The window shows SSE 0 and draws every point, however little off, in the first band.
  void ExpectThroughTheData(TBaseNP* w, long double sse) {
    EXPECT_GT(sse, 0) << "the case needs an SSE of rounding";
    EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), "0");
    EXPECT_EQ(w->Control<QLabel>(TBaseNP::kRSquared)->text(), "1");
    const long double* reference = options->Setup().PointsOpt->FitRecord;
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(*reference, 0);
    w->Renderer().SetResidualBand();
    EXPECT_EQ(w->Renderer().ResidualColor(1e-14L), kRolePoints1SD);
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
};

// Loess of degree 2 reproduces a quadratic: the loess window showed an SSE of 1.9e-29 where
// the scattered window's loess showed 0, and one point in the fourth band.
TEST_F(ExactSurfacesTest, TheLoessWindowShowsTheRoundingOfAQuadraticAsZero) {
  Load(ScatteredQuadratic(40), kGraphLoess, kPointsLoess, kPlaceLoess);
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kLoess);
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  ASSERT_EQ(w->Engine().Option1(), 2);
  ExpectThroughTheData(w, w->Engine().Sse());
  delete w;
}

// A least-squares B-spline with as many coefficients as grid lines interpolates the grid.
TEST_F(ExactSurfacesTest, TheGriddedWindowShowsTheRoundingOfAnInterpolatingSplineAsZero) {
  Load(GridQuadratic(), kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  np.method = kGridLeastSquares;
  auto* w = new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  ASSERT_EQ(w->Engine().LsqCoefX(), 10);
  ASSERT_EQ(w->Engine().LsqCoefY(), 10);
  ExpectThroughTheData(w, w->Engine().Sse());
  delete w;
}

TEST_F(ExactSurfacesTest, EveryScatteredMethodReadsAPlaneBack) {
  Load(PlanePoints(false), kGraphScattered, kPointsScattered, kPlaceScattered);
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kScattered);
  auto* w = new T3DNParm(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  for (int method = kNPAkima1; method <= kNPLoess; ++method) {
    w->ClickMethod(method);
    ASSERT_EQ(w->Working().method, method);
    ASSERT_TRUE(w->Engine().HasSurface()) << method;
    EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), "0") << method;
    // Renka III's nodal functions are cosine series, which hold no plane. Renka I's
    // gradients come from six sweeps of the global method, which leave a plane's about 1e-4
    // off, and Watson's blend of the natural-neighbour gradients leaves it 1e-7 off (both
    // surfaces still pass through every point).
    if (method == kNPRenka3) continue;
    const long double loose = method == kNPRenka1 ? 1e5L : method == kNPWatson ? 100 : 1;
    ExpectThePlane(w, "scattered method " + std::to_string(method), loose);
  }
  delete w;
}

TEST_F(ExactSurfacesTest, EveryGriddedMethodReadsAPlaneBack) {
  Load(PlanePoints(true), kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  auto* w = new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  for (int method = 0; method < T3DSpline::kMethods; ++method) {
    w->ClickMethod(method);
    ASSERT_EQ(w->Working().method, method);
    ASSERT_TRUE(w->Engine().HasSurface()) << method;
    ExpectThePlane(w, "gridded method " + std::to_string(method));
  }
  delete w;
}

}  // namespace
