// The hunt for listed fits whose surface has a pole, or no value, over the data rectangle:
// Surface-Fit All Equations (with two user functions on some tables) over the hunt's tables
// (tests/fit/pole_hunt_support.h), every listed fit's surface scanned densely, each fit found
// printed with its parameters, then the counts of fits examined and found by family. A find
// whose scan saw no pole and no sample without a value is a surface that leaves the data's
// range by orders of magnitude while defined everywhere (an overshoot between the points).
//
//   bench_pole_hunt [--table N] [--threads N] [--random N] [--every-fit] [--points] [--list]
//
//   --table N    only table N            --random N   N tables drawn at random (default 40)
//   --threads N  scanning threads         --every-fit  a line for every listed fit as well
//   --points     the points of each table --list       the tables' names
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fit/fit_blocks.h"
#include "fit/fit_kinds.h"
#include "fit/fit_refit.h"
#include "fit/pole_hunt_support.h"

namespace {

struct TCount {
  int examined = 0, poles = 0, undefined = 0;
};

void PrintFind(int rank, const TFitResult& f, const pole_hunt::TScan& s) {
  std::printf("  rank %4d eqn %9d %-20s r2 %.8Lf  max|z-c|/range %.3Lg at (%.10Lg, %.10Lg) z %.6Lg", rank,
              f.equationNumber, pole_hunt::FamilyOf(f).c_str(), f.r2, s.worst, s.x, s.y, s.z);
  if (s.undefined) std::printf("  UNDEFINED at (%.10Lg, %.10Lg)", s.ux, s.uy);
  if (s.separableZero) std::printf("  linear part %.6Lg..%.6Lg", s.sLow, s.sHigh);
  std::printf("  terms");
  for (std::int32_t t : f.terms) std::printf(" %d", t);
  std::printf("  params");
  for (long double p : f.parameters) std::printf(" %.17Lg", p);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  int only = -1, randomTables = 40;
  bool everyFit = false, list = false, points = false;
  unsigned threads = std::max(1u, std::thread::hardware_concurrency() / 2);
  for (int i = 1; i < argc; ++i) {
    const bool valued = i + 1 < argc;
    if (valued && std::strcmp(argv[i], "--table") == 0) {
      only = std::atoi(argv[++i]);
    } else if (valued && std::strcmp(argv[i], "--threads") == 0) {
      threads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
    } else if (valued && std::strcmp(argv[i], "--random") == 0) {
      randomTables = std::max(0, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--every-fit") == 0) {
      everyFit = true;
    } else if (std::strcmp(argv[i], "--points") == 0) {
      points = true;
    } else if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else {
      std::fprintf(stderr,
                   "usage: bench_pole_hunt [--table N] [--threads N] [--random N] [--every-fit] [--points] [--list]\n");
      return 2;
    }
  }
  ExprStartUp();
  const std::vector<pole_hunt::THuntTable> tables = pole_hunt::HuntTables(randomTables);
  if (list) {
    for (std::size_t i = 0; i < tables.size(); ++i) std::printf("%zu %s\n", i, tables[i].name.c_str());
    return 0;
  }
  TFitSelection selection = DefaultFitSelection();
  TFitOptions options = DefaultFitOptions();
  SetSelectionForFitKind(kFitKindAll, selection, options);
  std::map<std::string, TCount> counts;
  int tablesRun = 0;
  for (std::size_t ti = 0; ti < tables.size(); ++ti) {
    if (only >= 0 && static_cast<int>(ti) != only) continue;
    const pole_hunt::THuntTable& table = tables[ti];
    TSession session;
    const int fitted = pole_hunt::FitHuntTable(session, table, selection, options);
    if (fitted == -3) {
      std::fprintf(stderr, "the hunt's user functions cannot be defined\n");
      return 1;
    }
    ++tablesRun;
    const TDataStats& st = session.DataStats;
    const int listed = session.FitList.Count();
    std::printf("== table %zu: %s (%d points, x %.4Lg..%.4Lg, y %.4Lg..%.4Lg, z %.4Lg..%.4Lg): %d fitted, %d listed\n", ti,
                table.name.c_str(), st.ActiveCount, st.X.Min, st.X.Max, st.Y.Min, st.Y.Max, st.Z.Min, st.Z.Max, fitted,
                listed);
    if (points)
      for (int i = 1; i <= PointCount(table.points); ++i) {
        const TXYZPoint& p = table.points[static_cast<std::size_t>(i)];
        std::printf("  point %.17Lg %.17Lg %.17Lg\n", p.X, p.Y, p.Z);
      }
    std::fflush(stdout);
    std::vector<pole_hunt::TScan> scans(static_cast<std::size_t>(listed) + 1);
    std::atomic<int> next{1};
    std::vector<std::thread> pool;
    for (unsigned w = 0; w < threads; ++w)
      pool.emplace_back([&] {
        for (int rank; (rank = next.fetch_add(1)) <= listed;) {
          const std::optional<TFitSide> side = RefitRank(session, rank, kRefitRecord);
          if (!side) continue;
          // A user function is evaluated with this thread's CurrentUdf.
          ExprThreadContext().CurrentUdf = side->udfIndex >= 0 ? side->udfIndex : 0;
          scans[static_cast<std::size_t>(rank)] = pole_hunt::TScanner(*side, st).Run();
        }
      });
    for (std::thread& t : pool) t.join();
    for (int rank = 1; rank <= listed; ++rank) {
      const TFitResult& f = *session.FitList.At(rank);
      const pole_hunt::TScan& s = scans[static_cast<std::size_t>(rank)];
      TCount& c = counts[pole_hunt::FamilyOf(f)];
      ++c.examined;
      c.poles += s.Pole() ? 1 : 0;
      c.undefined += s.undefined ? 1 : 0;
      if (everyFit)
        std::printf("  fit %zu %d %s %.12Lf %.3Lg\n", ti, f.equationNumber, pole_hunt::FamilyOf(f).c_str(), f.r2,
                    s.worst);
      if (s.Pole() || s.undefined) PrintFind(rank, f, s);
    }
    std::fflush(stdout);
  }
  std::printf("\n%d tables\nfamily                 examined   poles   undefined\n", tablesRun);
  TCount all;
  for (const auto& [family, c] : counts) {
    std::printf("%-22s %8d %7d %11d\n", family.c_str(), c.examined, c.poles, c.undefined);
    all.examined += c.examined, all.poles += c.poles, all.undefined += c.undefined;
  }
  std::printf("%-22s %8d %7d %11d\n", "all", all.examined, all.poles, all.undefined);
  return 0;
}
