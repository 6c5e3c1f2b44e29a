// One complete fit run with the default selection and options, timed per phase: the measure
// of the fitting engine's speed.
//
//   bench_fitrun data.xyz        fit the points of a text file: x, y and z in the first three
//                                fields of each line (blanks, tabs, commas or semicolons
//                                between them); lines that do not start with three numbers
//                                are skipped
//   bench_fitrun --points N      fit N scattered points of a smooth surface made here
//   ... --all                    with every linear family selected instead of the defaults
//                                (the series families and all three term-subset variants)
//   ... --threads N              N worker threads in the non-linear phase (default: one per
//                                core); the list is the same whatever N
//   ... --kind NAME              the selection and options of a fit command instead: all,
//                                linear, simple, polynomial, rational, polyrational, peak,
//                                transition or plane (Surface-Fit All Equations is "all")
//   ... --records FILE           also write every record of the list, in list order, with
//                                its SSE, r² and parameters in hexadecimal (%La): two runs
//                                agree to the last bit when their files are equal
//
// Prints, per phase, the equations tried, the fits added to the list and the time, the wall
// time of the whole run with the thread count, then the ten best fits by r².
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "fit/fit_blocks.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_run.h"

namespace {

using Clock = std::chrono::steady_clock;

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r'; }

// The first three numbers of a line, or false.
bool ParseLine(std::string_view line, long double out[3]) {
  std::size_t pos = 0;
  for (int k = 0; k < 3; ++k) {
    while (pos < line.size() && IsSeparator(line[pos])) ++pos;
    if (pos < line.size() && line[pos] == '+') ++pos;
    const char* first = line.data() + pos;
    const auto [end, ec] = std::from_chars(first, line.data() + line.size(), out[k]);
    if (ec != std::errc() || !std::isfinite(out[k])) return false;
    pos = static_cast<std::size_t>(end - line.data());
  }
  return true;
}

bool ReadXyz(const char* path, PointTable& table) {
  std::ifstream in(path);
  if (!in) return false;
  std::vector<TXYZPoint> points;
  std::string line;
  while (std::getline(in, line) && points.size() < static_cast<std::size_t>(kXYZMaxPoints)) {
    long double v[3];
    if (!ParseLine(line, v)) continue;
    TXYZPoint p;
    p.X = v[0];
    p.Y = v[1];
    p.Z = v[2];
    p.W = 1.0L;
    p.Status = kPointActive;
    points.push_back(p);
  }
  table = NewPointTable(static_cast<int>(points.size()));
  std::copy(points.begin(), points.end(), table.begin() + 1);
  return true;
}

// Scattered points of a smooth, positive surface: a rational with a ripple and a little noise.
PointTable MakePoints(int n) {
  PointTable table = NewPointTable(n);
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = 1.0L + 9.0L * next();
    p.Y = 1.0L + 4.0L * next();
    p.Z = (2.0L + p.X + p.Y * p.Y) / (1.0L + 0.2L * p.X) + 0.1L * std::sin(3.0L * p.X) +
          0.01L * next();
    p.W = 1.0L;
    p.Status = kPointActive;
  }
  return table;
}

struct TPhaseTimes {
  static constexpr int kStages = 8;
  double end[kStages] = {};            // seconds from the start to the stage's last report
  std::uint32_t tried[kStages] = {};   // equations tried when the stage last reported
  int listed[kStages] = {};
  bool seen[kStages] = {};
};

const char* const kStageNames[] = {"",         "sums",        "polynomial",  "rational",
                                   "subsets Z", "subsets lnZ", "subsets 1/Z", "non-linear"};

// The fit command kinds by the names --kind takes; -1 for an unknown name.
int FitKindNamed(std::string_view name) {
  constexpr std::pair<std::string_view, int> kKinds[] = {
      {"all", kFitKindAll},           {"linear", kFitKindLinear},         {"simple", kFitKindSimple},
      {"polynomial", kFitKindPolynomial}, {"rational", kFitKindRational}, {"polyrational", kFitKindPolyRational},
      {"peak", kFitKindPeak},         {"transition", kFitKindTransition}, {"plane", kFitKindRobustPlane}};
  for (const auto& [n, kind] : kKinds)
    if (n == name) return kind;
  return -1;
}

// Every record of the list in list order: equation, SSE, r², determinant, terms and
// parameters, the numbers to the last bit.
bool WriteRecords(const char* path, const TFitList& list) {
  std::FILE* out = std::fopen(path, "w");
  if (!out) return false;
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult& r = *list.At(i);
    std::fprintf(out, "%d %La %La %La", r.equationNumber, r.sse, r.r2, r.determinant);
    for (const std::int32_t t : r.terms) std::fprintf(out, " %d", t);
    for (const long double v : r.parameters) std::fprintf(out, " %La", v);
    std::fputc('\n', out);
  }
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  PointTable table;
  TFitSelection selection = DefaultFitSelection();
  TFitOptions options = DefaultFitOptions();
  unsigned threads = 0;
  const char* recordsPath = nullptr;
  for (bool more = true; more;) {
    more = false;
    if (argc > 2 && std::strcmp(argv[argc - 2], "--records") == 0) {
      recordsPath = argv[argc - 1];
      argc -= 2;
      more = true;
    }
    if (argc > 2 && std::strcmp(argv[argc - 2], "--threads") == 0) {
      threads = static_cast<unsigned>(std::clamp(std::atoi(argv[argc - 1]), 1, 64));
      argc -= 2;
      more = true;
    }
    if (argc > 2 && std::strcmp(argv[argc - 2], "--kind") == 0) {
      const int kind = FitKindNamed(argv[argc - 1]);
      if (kind < 0) {
        std::fprintf(stderr, "unknown kind %s\n", argv[argc - 1]);
        return 2;
      }
      SetSelectionForFitKind(kind, selection, options);
      argc -= 2;
      more = true;
    }
  }
  if (argc > 1 && std::strcmp(argv[argc - 1], "--all") == 0) {
    selection.polynomialMask = kPolyMaskAll;
    selection.rationalMask = kRatMaskAll;
    selection.subsetMask = kSubsetMaskAll;
    --argc;
  }
  if (argc == 3 && std::strcmp(argv[1], "--points") == 0) {
    table = MakePoints(std::clamp(std::atoi(argv[2]), 4, kXYZMaxPoints));
  } else if (argc == 2) {
    if (!ReadXyz(argv[1], table)) {
      std::fprintf(stderr, "cannot read %s\n", argv[1]);
      return 1;
    }
  } else {
    std::fprintf(stderr,
                 "usage: bench_fitrun data.xyz | --points N [--all] [--kind NAME] [--threads N] "
                 "[--records FILE]\n");
    return 2;
  }

  TDataStats stats;
  if (ComputeTableStatistics(table, stats) < 4) {
    std::fprintf(stderr, "fewer than 4 usable points\n");
    return 1;
  }
  stats.DistinctY = CountTableDistinctY(table);
  stats.DistinctX = CountTableDistinctX(table);

  TFitList list;
  TFitRunContext ctx(table, stats, selection, options, list);
  ctx.nonlinearThreads = threads;
  CountFitRun(ctx);
  TPhaseTimes times;
  const Clock::time_point start = Clock::now();
  const auto record = [&](int stage, std::uint32_t tried, int listed) {
    if (stage > 0 && stage < TPhaseTimes::kStages) {
      times.end[stage] = std::chrono::duration<double>(Clock::now() - start).count();
      times.tried[stage] = tried;
      times.listed[stage] = listed;
      times.seen[stage] = true;
    }
  };
  ctx.progress = [&](int stage, float, std::uint32_t tried, int listed) {
    record(stage, tried, listed);
    return 1;
  };
  // The non-linear phase reports through the status callback, once per equation at least.
  ctx.status = [&](int, int, float, std::uint32_t tried, int listed, std::uint32_t, long double) {
    record(kStageNonlinear, tried, listed);
    return 1;
  };
  const int result = RunFitFamilies(ctx);
  const double total = std::chrono::duration<double>(Clock::now() - start).count();

  std::fputs(CFormat("%d points, %d active, %u linear and %u non-linear equations selected\n",
                     PointCount(table), stats.ActiveCount, ctx.counts.linear, ctx.counts.nonlinear)
                 .c_str(),
             stdout);
  std::fputs("phase         tried   added   seconds\n", stdout);
  double previousEnd = 0.0;
  std::uint32_t previousTried = 0;
  int previousListed = 0;
  for (int s = 1; s < TPhaseTimes::kStages; ++s) {
    if (!times.seen[s]) continue;
    std::fputs(CFormat("%-12s %6u  %6d  %8.3f\n", kStageNames[s], times.tried[s] - previousTried,
                       times.listed[s] - previousListed, times.end[s] - previousEnd)
                   .c_str(),
               stdout);
    previousEnd = times.end[s];
    previousTried = times.tried[s];
    previousListed = times.listed[s];
  }
  std::fputs(CFormat("run          %6u  %6d  %8.3f  (result %d)\n", ctx.counters.tried,
                     list.Count(), total, result)
                 .c_str(),
             stdout);
  const unsigned used = threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
  std::fputs(CFormat("wall time %.3f s with %u non-linear thread%s\n", total, used, used == 1 ? "" : "s").c_str(),
             stdout);

  std::vector<const TFitResult*> ranked;
  for (int i = 1; i <= list.Count(); ++i) ranked.push_back(list.At(i));
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const TFitResult* a, const TFitResult* b) { return a->r2 > b->r2; });
  std::fputs("rank  equation  r2                        SSE\n", stdout);
  for (std::size_t i = 0; i < ranked.size() && i < 10; ++i)
    std::fputs(CFormat("%4zu  %8d  %-24.18Lg  %.10Lg\n", i + 1, ranked[i]->equationNumber,
                       ranked[i]->r2, ranked[i]->sse)
                   .c_str(),
               stdout);
  if (recordsPath && !WriteRecords(recordsPath, list)) {
    std::fprintf(stderr, "cannot write %s\n", recordsPath);
    return 1;
  }
  return result < 0 && result != -2 ? 1 : 0;
}
