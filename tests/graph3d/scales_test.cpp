#include "graph3d/scales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <tuple>

#include "app/c_format.h"
#include "graph_fixture.h"

namespace {

TEST(AxisScale, DecomposeSplitsIntoMantissaAndExponentAndNiceDivisionsNeverGiveNone) {
  struct Case {
    long double v, mantissa;
    int exponent;
  };
  const Case cases[] = {
      {0, 0, 0},       {1, 1, 0},           {7.3L, 7.3L, 0}, {-250, -2.5L, 2},
      {0.02L, 2, -2},  {9.999999999999999L, 1, 1},  // rounds up into the next decade
  };
  for (const Case& c : cases) {
    const DecimalParts p = Decompose(c.v);
    EXPECT_NEAR(static_cast<double>(p.mantissa), static_cast<double>(c.mantissa), 1e-15) << c.v;
    EXPECT_EQ(p.exponent, c.exponent) << static_cast<double>(c.v);
  }
  // Values that are not finite would never leave the scaling loop.
  EXPECT_EQ(Decompose(std::numeric_limits<long double>::infinity()).exponent, 0);
  EXPECT_EQ(Decompose(std::numeric_limits<long double>::quiet_NaN()).mantissa, 0);
  const AxisDivisions d = NiceDivisions(0, 1, false);
  EXPECT_EQ(std::tuple(d.start, d.step, d.count), std::tuple(0.0L, 0.125L, 8));
  // An empty range and a log axis whose data have no positive value.
  EXPECT_GE(NiceDivisions(0, 0, false).count, 1);
  EXPECT_GE(NiceDivisions(5, 5, false).count, 1);
  EXPECT_GE(NiceDivisions(1000, 0.01L, true).count, 1);
  EXPECT_GE(NiceDivisions(0.01L, -3, true).count, 1);
}

// Automatic X axis over a data range, as a graph window sets it up.
struct AxisCase {
  long double dataLow, dataHigh;
  bool logAxis;
  long double zoom;
  long double axisLow, axisHigh;
  int divisions;
};

TEST(AxisScale, AutomaticRangesTakeRoundDivisions) {
  const AxisCase cases[] = {
      {0, 7.3L, false, 1, 0, 8, 8},     // 8 divisions of 1
      {0, 1, false, 1, 0, 1, 10},       // the high end enters as 0.9999999: 10 of 0.1
      {1, 1000, true, 1, 0, 3, 3},      // three decades
      {1e-10L, 1e20L, true, 1, 0, 20, 20},  // 30 decades cut to 20, ending at the top
      {-5, 100, true, 1, -2, 2, 4},     // log axis with negative data starts at 0.01
      {2, 4, false, 3, 0, 6, 6},        // zoom 3 triples the range about its middle
      {-10, -1, false, 1, -10, 0, 10},  // a negative top enters a hair nearer 0: 10 of 1
  };
  for (const AxisCase& c : cases) {
    GraphFixture g;
    g.setup.Points = [] { return std::span<const TXYZPoint>(); };
    g.setup.Scaling.Log[0] = c.logAxis ? 1 : 0;
    g.setup.Scaling.Zoom[0] = c.zoom;
    auto r = g.MakeRenderer();
    r->SetAxisRanges(c.dataLow, c.dataHigh, 0, 1, 0, 1);
    r->MutableScaling().Zoom[0] = c.zoom;
    r->RecomputeX();
    SCOPED_TRACE(static_cast<double>(c.dataHigh));
    EXPECT_NEAR(static_cast<double>(r->AxisLow(kAxisX)), static_cast<double>(c.axisLow), 1e-12);
    EXPECT_NEAR(static_cast<double>(r->AxisHigh(kAxisX)), static_cast<double>(c.axisHigh), 1e-12);
    EXPECT_EQ(r->Divisions(kAxisX), c.divisions);
  }
}

TEST(AxisScale, ZeroZoomAndDivisionsLoadAsOne) {
  GraphFixture g;
  g.setup.SurfaceFn = [](long double x, long double y) { return x + y; };
  g.setup.Scaling.Zoom = {0, 0, 0};
  g.setup.Scaling.Divs = {0, 0, 0};
  g.setup.Scaling.DataDivs = {0, 0, 0};
  g.setup.Scaling.Auto = {0, 0, 0};
  auto r = g.MakeRenderer();
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(r->Scaling().Zoom[static_cast<std::size_t>(a)], 1);
    EXPECT_EQ(r->Divisions(a), 1);
    EXPECT_EQ(r->Scaling().DataDivs[static_cast<std::size_t>(a)], 1);
  }
}

TEST(AxisScale, ZAxisFollowsTheSurfaceInDecadesOnALogAxis) {
  // z = xy spans -6 .. 6 on the grid: six divisions of 2.5 from -7.5; z = 10^x over
  // 0 .. 4 spans four decades.
  struct Case {
    SurfaceFunction f;
    long double x0, x1, y0, y1;
    int mesh, log;
    long double dataLow, dataHigh, axisLow, axisHigh;
    int divisions;
  };
  const Case cases[] = {
      {[](long double x, long double y) { return x * y; }, -2, 2, -3, 3, 11, 0, -6, 6, -7.5L, 7.5L, 6},
      {[](long double x, long double) { return std::pow(10.0L, x); }, 0, 4, 0, 1, 5, 1, 0, 4, 0, 4, 4},
  };
  for (const Case& c : cases) {
    GraphFixture g;
    g.view.MeshX = g.view.MeshY = static_cast<std::int16_t>(c.mesh);
    g.SetSurface(c.f, c.x0, c.x1, c.y0, c.y1);
    g.setup.Scaling.Log[2] = static_cast<std::int16_t>(c.log);
    auto r = g.MakeRenderer();
    EXPECT_NEAR(static_cast<double>(r->DataLow(kAxisZ)), static_cast<double>(c.dataLow), 1e-15);
    EXPECT_NEAR(static_cast<double>(r->DataHigh(kAxisZ)), static_cast<double>(c.dataHigh), 1e-15);
    EXPECT_EQ(r->AxisLow(kAxisZ), c.axisLow);
    EXPECT_EQ(r->AxisHigh(kAxisZ), c.axisHigh);
    EXPECT_EQ(r->Divisions(kAxisZ), c.divisions);
  }
}

}  // namespace

namespace {

// A surface of one value (a plane's slope taken by differences, with their rounding noise)
// gets a Z axis whose division labels read as different numbers, the value inside it: six
// labels all reading -0.0094588 told the user nothing.
TEST(AxisScale, AConstantSurfaceGetsAReadableZAxis) {
  for (const long double value : {-0.0094588L, 250.0L})
    for (const long double noise : {0.0L, 3e-12L}) {
      GraphFixture g;
      g.SetSurface([=](long double x, long double y) { return value + noise * std::sin(7 * x + 3 * y); });
      auto r = g.MakeRenderer();
      const long double lo = r->AxisLow(kAxisZ), hi = r->AxisHigh(kAxisZ);
      const int n = r->Divisions(kAxisZ);
      SCOPED_TRACE(std::to_string(static_cast<double>(value)) + " " + std::to_string(static_cast<double>(noise)));
      EXPECT_LE(lo, value);
      EXPECT_GE(hi, value);
      std::set<std::string> labels;
      for (int k = 0; k <= n; ++k)
        labels.insert(CFormat("%.*Lg", GraphLabelDigits(), lo + static_cast<long double>(k) * (hi - lo) / n));
      EXPECT_EQ(labels.size(), static_cast<std::size_t>(n + 1));
    }
}

TEST(AxisScale, OnlyRangesTheLabelsCannotTellApartAreWidened) {
  struct Case {
    long double lo, hi;
    int digits;
    long double wantLo, wantHi;
  };
  const Case cases[] = {
      {1, 1.001L, 6, 1, 1.001L},             // six digits tell 1 from 1.001
      {1, 1.000001L, 6, 0.950000475L, 1.050000525L},  // they cannot tell 1 from 1.000001
      {1, 1.000001L, 8, 1, 1.000001L},       // eight can
      {-2, -2, 6, -2.1L, -1.9L},             // a constant: a tenth of its value wide
      {0, 0, 6, 0, 0},                       // about 0 there is no scale to take
      {-1e-20L, 1e-20L, 6, -1e-20L, 1e-20L},
  };
  for (const Case& c : cases) {
    long double lo = c.lo, hi = c.hi;
    WidenUnreadableRange(lo, hi, c.digits);
    EXPECT_NEAR(static_cast<double>(lo), static_cast<double>(c.wantLo), 1e-15) << static_cast<double>(c.lo);
    EXPECT_NEAR(static_cast<double>(hi), static_cast<double>(c.wantHi), 1e-15) << static_cast<double>(c.hi);
  }
}

}  // namespace

namespace {

// The hair taken off the top before the divisions are chosen was 1e-7 of the top's
// magnitude: data far from 0 lost it to a range smaller than that. 1e20 + 0 .. 5e6 became one
// division of 1e13 with every point in one column; 1e6 + 0 .. 0.5 ended at 1e6 + 0.45, past
// the points at the top. Ranges about 0 keep the divisions they had.
TEST(AxisScale, DataFarFromZeroKeepTheirSpreadOnTheAxis) {
  const AxisCase cases[] = {
      {1e20L, 1e20L + 5e6L, false, 1, 1e20L, 1e20L + 5e6L, 10},
      {-1e20L - 5e6L, -1e20L, false, 1, -1e20L - 5e6L, -1e20L, 10},
      {1e6L, 1e6L + 0.5L, false, 1, 1e6L, 1e6L + 0.5L, 10},
      {1, 1 + 1e-12L, false, 1, 1, 1 + 1e-12L, 10},
      {0, 7.3L, false, 1, 0, 8, 8},
      {0, 1, false, 1, 0, 1, 10},
  };
  for (const AxisCase& c : cases) {
    GraphFixture g;
    g.setup.Points = [] { return std::span<const TXYZPoint>(); };
    auto r = g.MakeRenderer();
    r->SetAxisRanges(c.dataLow, c.dataHigh, 0, 1, 0, 1);
    SCOPED_TRACE(CFormat("%.21Lg .. %.21Lg", c.dataLow, c.dataHigh));
    EXPECT_LE(r->AxisLow(kAxisX), c.dataLow);
    EXPECT_GE(r->AxisHigh(kAxisX), c.dataHigh);
    const long double span = c.axisHigh - c.axisLow;
    EXPECT_NEAR(static_cast<double>((r->AxisLow(kAxisX) - c.axisLow) / span), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>((r->AxisHigh(kAxisX) - c.axisHigh) / span), 0, 1e-12);
    EXPECT_EQ(r->Divisions(kAxisX), c.divisions);
  }
  // The hair itself: the Part's 1e-7 of the top wherever the range reaches down to 0.
  EXPECT_EQ(DivisionsTop(0, 1, false), 1 - 1e-7L);
  EXPECT_EQ(DivisionsTop(-10, -1, false), -1 + 1e-7L);
  EXPECT_EQ(DivisionsTop(1, 1000, true), 1000 * (1 - 1e-7L));
  EXPECT_EQ(DivisionsTop(1e20L, 1e20L + 5e6L, false), 1e20L + 5e6L - 0.5L);
}

// Data of a single y stand on an axis of about a tenth of their value (as a constant Z
// does); before, 1e20 .. 1e20 made an axis without extent and 5 .. 5 one of 1e-7.
TEST(AxisScale, AConstantCoordinateGetsAnAxisWithExtent) {
  for (const long double value : {1e20L, 5.0L, -2.0L, 1e-30L}) {
    GraphFixture g;
    g.setup.Points = [] { return std::span<const TXYZPoint>(); };
    auto r = g.MakeRenderer();
    r->SetAxisRanges(0, 1, value, value, 0, 1);
    SCOPED_TRACE(static_cast<double>(value));
    const long double size = std::fabs(value);
    EXPECT_LE(r->AxisLow(kAxisY), value - 0.049L * size);
    EXPECT_GE(r->AxisHigh(kAxisY), value + 0.049L * size);
    EXPECT_LE(r->AxisHigh(kAxisY) - r->AxisLow(kAxisY), 0.2L * size);
    EXPECT_GE(r->Divisions(kAxisY), 4);
  }
  // About 0 there is no scale to take: one division up to 1.
  GraphFixture g;
  g.setup.Points = [] { return std::span<const TXYZPoint>(); };
  auto r = g.MakeRenderer();
  r->SetAxisRanges(0, 1, 0, 0, 0, 1);
  EXPECT_EQ(std::tuple(r->AxisLow(kAxisY), r->AxisHigh(kAxisY)), std::tuple(0.0L, 1.0L));
}

}  // namespace
