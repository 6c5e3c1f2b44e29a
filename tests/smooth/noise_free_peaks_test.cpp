// Noise-free peaks sampled sparsely: the top of a narrow bump lies between the samples, and a
// sound interpolant rises above the highest sample towards it. The noise measure reads such a
// peak's curvature as noise, and a hold of the surface to the range of the points about each
// place cut it flat: z = exp(-((x - 0.5)^2 + (y - 0.5)^2) / 0.02) at 300 points (highest
// sample 0.833) gave one and the same height about the top in every method and every grid
// maker, a mesa with level derivatives, where SciPy's Clough-Tocher interpolant reaches 0.934.
// The node derivatives, limited on the same reading, kept a narrower bump sampled as sparsely
// at its samples' height: width 0.005 at 300 points (highest sample 0.482) topped out between
// 0.482 and 0.531 in every interpolant, where Clough-Tocher reaches 0.644.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::ArithmeticExp;
using smooth_test::Scattered;
using smooth_test::Table;

// Two widths at two densities, each sample's top well below the bump's (1). The references
// are SciPy's (tests/smooth/reference/peak_references.py): the highest sample, the largest
// value of CloughTocher2DInterpolator over [0.35, 0.65]^2, and the largest value of it and of
// LinearNDInterpolator at the nodes of the uniform 64 x 64 grid over the points' extents.
struct TBump {
  long double width;
  int n;
  std::uint64_t seed;
  long double top, cloughTocher, cloughTocherNodes, linearNodes;
};
constexpr TBump kBumps[] = {
    {0.02L, 300, 140, 0.833128L, 0.933716L, 0.933392L, 0.828172L},
    {0.02L, 1000, 391, 0.879340L, 0.979666L, 0.977169L, 0.876727L},
    {0.005L, 2000, 48, 0.820787L, 0.959390L, 0.945845L, 0.818194L},
    {0.005L, 3000, 246, 0.897560L, 0.975294L, 0.959246L, 0.889562L},
};
constexpr int kGridNodes = 64;

std::vector<smooth_test::TPoint> BumpPoints(const TBump& b) {
  const long double w = b.width;
  return Scattered(b.n, b.seed, [w](long double x, long double y) {
    return ArithmeticExp(-((x - 0.5L) * (x - 0.5L) + (y - 0.5L) * (y - 0.5L)) / w);
  });
}

// How a method's top is judged. A C1 interpolant from estimated derivatives rises above the
// highest sample as a sound interpolant does: at least half as far as Clough-Tocher's. A
// natural-neighbour surface of the C0 kind (and the C1 variant 1, whose slopes barely lift it)
// and a loess surface keep about the samples' height: the highest sample's to a millionth
// (the natural-neighbour surface meets its node to a few parts in 1e8), a made grid's nodes
// nine tenths of what the piecewise linear interpolant reaches at them.
// Watson's C1 surface with the tautest blend (variant 5) rises less over a peak that a few
// points sample: at least an eighth as far as Clough-Tocher's there.
enum class TReach { kInterpolant, kSamples, kTaut };

struct TMethod {
  const char* name;
  int code, option1, option2;
  TReach reach;
};
const TMethod kMethods[] = {
    {"Akima I", kNPAkima1, 1, 5, TReach::kInterpolant},
    {"Akima I (20)", kNPAkima1Fixed, 0, 0, TReach::kInterpolant},
    {"Akima II", kNPAkima2, 1, 9, TReach::kInterpolant},
    {"Preusser C1", kNPPreusser, 1, 3, TReach::kInterpolant},
    {"Preusser C2", kNPPreusser, 2, 3, TReach::kInterpolant},
    {"Renka I", kNPRenka1, 0, 0, TReach::kInterpolant},
    {"Renka I frame", kNPRenka1, 1, 0, TReach::kInterpolant},
    {"Renka I tension", kNPRenka1, 0, 1, TReach::kInterpolant},
    {"Renka I frame tension", kNPRenka1, 1, 1, TReach::kInterpolant},
    {"Renka II quadratic", kNPRenka2, 1, 13, TReach::kInterpolant},
    {"Renka II cubic", kNPRenka2, 2, 17, TReach::kInterpolant},
    {"Renka III", kNPRenka3, 2, 18, TReach::kInterpolant},
    {"Watson C0", kNPWatson, 0, 0, TReach::kSamples},
    {"Watson C1 1", kNPWatson, 1, 1, TReach::kSamples},
    {"Watson C1 5", kNPWatson, 1, 5, TReach::kInterpolant},
    {"Own triangulation", kNPOwnTriangulation, 1, 0, TReach::kInterpolant},
    {"Loess", kNPLoess, 2, 13, TReach::kSamples},
    {"Loess gradient", kNPLoessGradient, 2, 13, TReach::kSamples},
    {"Loess smoothed", kNPLoessSmoothed, 2, 13, TReach::kSamples},
    {"Loess cosine", kNPLoessCosine, 2, 13, TReach::kSamples},
};

// The largest of `values` and how many of them lie within a billionth of it: a surface with a
// top has one or two such values on a fine grid, one cut flat has a plateau of them.
struct TTop {
  long double max = -1;
  int atMax = 0;
};
TTop TopOf(const std::vector<long double>& values) {
  TTop t;
  for (const long double v : values)
    if (!IsMissingValue(v)) t.max = std::max(t.max, v);
  for (const long double v : values) t.atMax += !IsMissingValue(v) && v >= t.max - 1e-9L * std::fabs(t.max);
  return t;
}

std::string Judge(const std::string& name, const TTop& top, TReach reach, long double highest,
                  long double reference, bool grid) {
  std::ostringstream out;
  const long double want = reach == TReach::kInterpolant ? highest + (reference - highest) / 2
                           : reach == TReach::kTaut      ? highest + (reference - highest) / 8
                           : grid                        ? 0.9L * reference
                                                         : highest * (1 - 1e-6L);
  out.precision(12);
  if (top.max < want)
    out << name << ": top " << static_cast<double>(top.max) << " below " << static_cast<double>(want)
        << " (highest sample " << static_cast<double>(highest) << ", reference " << static_cast<double>(reference) << ")\n";
  if (top.atMax > 4) out << name << ": " << top.atMax << " places at its top " << static_cast<double>(top.max) << "\n";
  return out.str();
}

// Every method on every table, the scattered surfaces on a fine grid about the top and at the
// samples near it, the made grids at their nodes; `sparse` judges Watson's tautest C1 surface
// as such. `faults` receives the faults, one line each; `cases` counts the surfaces and grids
// judged.
void JudgeBumps(std::span<const TBump> bumps, bool sparse, int& cases, std::string& faults) {
  for (const TBump& b : bumps) {
    const std::vector<smooth_test::TPoint> points = BumpPoints(b);
    PointTable table = Table(points);
    const std::string table_name = "width " + std::to_string(static_cast<double>(b.width)) + ", " + std::to_string(b.n) + " points";
    long double highest = 0;
    for (const auto& p : points) highest = std::max(highest, p.z);
    ASSERT_NEAR(static_cast<double>(highest), static_cast<double>(b.top), 1e-6) << table_name;
    // A fine grid about the top (step 0.00125), and the samples near it themselves.
    std::vector<long double> axis;
    for (int i = 0; i <= 160; ++i) axis.push_back(0.4L + 0.2L * i / 160);
    for (const TMethod& m : kMethods) {
      TNParm3D engine(table, m.code, m.option1, m.option2, false);
      ASSERT_TRUE(engine.HasSurface()) << table_name << ", " << m.name;
      std::vector<long double> values = engine.EvalGrid(161, 161, axis, axis);
      ASSERT_EQ(values.size(), 161u * 161u);
      for (const auto& p : points)
        if (p.z > 0.5L * highest) values.push_back(engine.EvalAt(p.x, p.y));
      ++cases;
      const TReach reach = sparse && m.code == kNPWatson && m.option2 == 5 ? TReach::kTaut : m.reach;
      faults += Judge(table_name + ", " + m.name, TopOf(values), reach, highest, b.cloughTocher, false);
      // The point evaluation gives the grid's surface.
      EXPECT_NEAR(static_cast<double>(engine.EvalAt(axis[79], axis[83])), static_cast<double>(values[83 * 161 + 79]), 1e-12)
          << table_name << ", " << m.name;
    }
    for (int regrid = 0; regrid < kRegridMethodCount; ++regrid) {
      TSpline3D engine(table, kGridBSpline, 3, 3, 25, 25, kGridNodes, kGridNodes, regrid, true);
      ASSERT_TRUE(engine.Ready()) << table_name << ", grid " << regrid;
      ASSERT_EQ(engine.Nx(), kGridNodes);
      ASSERT_EQ(engine.Ny(), kGridNodes);
      std::vector<long double> nodes;
      for (const TXYZPoint& p : engine.Working().subspan(1)) nodes.push_back(p.Z);
      ++cases;
      // Watson's grid is its C0 surface; every other grid maker's a C1 interpolant.
      const bool c0 = regrid == kRegridWatson;
      faults += Judge(table_name + ", grid " + std::to_string(regrid), TopOf(nodes),
                      c0 ? TReach::kSamples : TReach::kInterpolant, highest,
                      c0 ? b.linearNodes : b.cloughTocherNodes, true);
    }
  }
}

TEST(NoiseFreePeaks, EverySurfaceAndMadeGridRisesToItsTop) {
  std::string faults;
  int cases = 0;
  JudgeBumps(kBumps, false, cases, faults);
  EXPECT_EQ(cases, 120);
  EXPECT_TRUE(faults.empty()) << faults;
}

// The narrow bump sampled sparsely: its top lies between samples that reach only half of it,
// and the curvature between them read as noise. SciPy's references as above (the same
// script's second list of tables).
constexpr TBump kSparseBumps[] = {
    {0.005L, 300, 140, 0.481778L, 0.644039L, 0.641579L, 0.473202L},
    {0.005L, 300, 391, 0.399670L, 0.581522L, 0.563639L, 0.379351L},
    {0.005L, 300, 48, 0.648861L, 0.842833L, 0.834180L, 0.638623L},
    {0.005L, 600, 391, 0.579409L, 0.751631L, 0.751129L, 0.546807L},
};

TEST(NoiseFreePeaks, SparselySampledNarrowBumpsRiseAboveTheirSamples) {
  std::string faults;
  int cases = 0;
  JudgeBumps(kSparseBumps, true, cases, faults);
  EXPECT_EQ(cases, 120);
  EXPECT_TRUE(faults.empty()) << faults;
}

}  // namespace
