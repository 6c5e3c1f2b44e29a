// The hunt for non-linear fits listed as converged away from their minimum: every built-in
// non-linear equation fitted over badly scaled tables (tests/fit/badly_scaled_tables.h: map
// coordinates, coordinates near 1e-6, z near 1e6, x near 1e6) and the pole hunt's tables
// (tests/fit/pole_hunt_support.h), and for each listed fit its scaled gradient, formed outside
// the engine (tests/fit/scaled_gradient.h): the share of what is left to gain that the
// undamped step from its parameters promises. A fit that says converged promises next to
// nothing; the counts at the end say how many do not.
//
//   bench_fit_convergence_hunt [--random N] [--table N] [--dump DIR] [--list]
//
//   --random N  the pole hunt's random tables (default 40)   --table N  only table N
//   --dump DIR  writes each table's points (DIR/table_N.csv: x,y,z,w) and every equation's
//               start values (DIR/starts_N.txt: number, robust mode, parameters) for
//               tests/fit/fit_convergence_reference.py
//   --list      the tables' names
//
// A line per equation tried: "fit TABLE EQN 0" when it was not listed, else "fit TABLE EQN 1
// CONVERGED ITERATIONS R2 GAIN-SHARE PARAMETERS...".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fit/badly_scaled_tables.h"
#include "fit/fit_blocks.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_start_values.h"
#include "fit/pole_hunt_support.h"
#include "fit/scaled_gradient.h"

namespace {

struct TTable {
  std::string name;
  PointTable points;
};

std::vector<TTable> Tables(int randomTables) {
  std::vector<TTable> t;
  for (badly_scaled::TScaledTable& s : badly_scaled::Tables()) t.push_back({s.name, std::move(s.points)});
  for (pole_hunt::THuntTable& h : pole_hunt::HuntTables(randomTables)) t.push_back({h.name, std::move(h.points)});
  return t;
}

void Dump(const std::string& dir, std::size_t ti, const PointTable& points, const TDataStats& stats) {
  const std::string suffix = std::to_string(ti);
  if (std::FILE* f = std::fopen((dir + "/table_" + suffix + ".csv").c_str(), "w")) {
    for (int i = 1; i <= PointCount(points); ++i) {
      const TXYZPoint& p = points[static_cast<std::size_t>(i)];
      std::fprintf(f, "%.21Lg,%.21Lg,%.21Lg,%.21Lg\n", p.X, p.Y, p.Z, p.W);
    }
    std::fclose(f);
  }
  TDataStats s = stats;
  const TStartShape shape = StartShapeOf(s);
  if (std::FILE* g = std::fopen((dir + "/starts_" + suffix + ".txt").c_str(), "w")) {
    for (int index = 0; index < kNonlinearEquationCount; ++index) {
      const TNonlinearEntry e = BuiltinNonlinearEntry(index);
      long double a[kMaxNonlinearParameters + 1] = {};
      int mode = 0;
      if (!NonlinearStartValues(s, e, a, shape, mode)) continue;
      std::fprintf(g, "%d %d", NonlinearEquationOfIndex(index), mode);
      for (int j = 1; j <= e.parameters; ++j) std::fprintf(g, " %.21Lg", a[j]);
      std::fprintf(g, "\n");
    }
    std::fclose(g);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int only = -1, randomTables = 40;
  bool list = false;
  const char* dump = nullptr;
  for (int i = 1; i < argc; ++i) {
    const bool valued = i + 1 < argc;
    if (valued && std::strcmp(argv[i], "--table") == 0) {
      only = std::atoi(argv[++i]);
    } else if (valued && std::strcmp(argv[i], "--random") == 0) {
      randomTables = std::max(0, std::atoi(argv[++i]));
    } else if (valued && std::strcmp(argv[i], "--dump") == 0) {
      dump = argv[++i];
    } else if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else {
      std::fprintf(stderr, "usage: bench_fit_convergence_hunt [--random N] [--table N] [--dump DIR] [--list]\n");
      return 2;
    }
  }
  ExprStartUp();
  const std::vector<TTable> tables = Tables(randomTables);
  if (list) {
    for (std::size_t i = 0; i < tables.size(); ++i) std::printf("%zu %s\n", i, tables[i].name.c_str());
    return 0;
  }
  TFitSelection selection;
  for (int i = 0; i < kNonlinearEquationCount; ++i) selection.nonlinear[static_cast<std::size_t>(i)] = 1;
  const TFitOptions options = DefaultFitOptions();
  // Least-squares fits (the robust planes 2170-2172 minimise other losses).
  int tried = 0, listed = 0, converged = 0, open = 0;
  for (std::size_t ti = 0; ti < tables.size(); ++ti) {
    if (only >= 0 && static_cast<int>(ti) != only) continue;
    PointTable points = tables[ti].points;
    TDataStats stats;
    ComputeTableStatistics(points, stats);
    stats.DistinctY = CountTableDistinctY(points);
    stats.DistinctX = CountTableDistinctX(points);
    std::printf("== table %zu: %s (%d points, x %.10Lg..%.10Lg, y %.10Lg..%.10Lg, z %.10Lg..%.10Lg)\n", ti,
                tables[ti].name.c_str(), stats.ActiveCount, stats.X.Min, stats.X.Max, stats.Y.Min, stats.Y.Max,
                stats.Z.Min, stats.Z.Max);
    if (dump) Dump(dump, ti, points, stats);
    TFitList fits;
    TFitRunContext ctx(points, stats, selection, options, fits);
    CountFitRun(ctx);
    (void)RunFitFamilies(ctx);
    for (int index = 0; index < kNonlinearEquationCount; ++index) {
      const TNonlinearEntry e = BuiltinNonlinearEntry(index);
      const int number = NonlinearEquationOfIndex(index);
      if (e.parameters > ctx.MaxParameters() || number > 2169) continue;
      ++tried;
      const TFitResult* f = nullptr;
      for (int k = 1; k <= fits.Count(); ++k)
        if (fits.At(k)->equationNumber == number) f = fits.At(k);
      if (!f) {
        std::printf("fit %zu %d 0\n", ti, number);
        continue;
      }
      ++listed;
      const long double share = scaled_gradient::GainShare(points, stats, e.evaluator, e.parameters, f->parameters);
      if (f->converged) {
        ++converged;
        if (!(share < 1e-5L)) ++open;
      }
      std::printf("fit %zu %d 1 %d %d %.15Lg %.3Lg", ti, number, f->converged ? 1 : 0,
                  f->terms.size() > 1 ? f->terms[1] : 0, f->r2, share);
      for (long double a : f->parameters) std::printf(" %.12Lg", a);
      std::printf("\n");
    }
    std::fflush(stdout);
  }
  std::printf("\n%d least-squares equations tried, %d listed, %d of them converged, %d of those with a scaled "
              "gradient of 1e-5 or more\n",
              tried, listed, converged, open);
  return 0;
}
