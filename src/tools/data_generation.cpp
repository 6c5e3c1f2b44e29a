#include "tools/data_generation.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/c_format.h"
#include "app/grid_cut.h"
#include "app/import_readers.h"
#include "app/number_format.h"
#include "app/long_double.h"
#include "expr/expression.h"
#include "numerics/stepped_range.h"

namespace {

constexpr std::size_t kRangeEntryChars = 29;

}  // namespace

int GridAxisCount(long double start, long double increment, long double end) {
  const long double count = SteppedRange(start, increment, end).count;
  return static_cast<int>(std::min<long double>(count, kMaxGeneratedPairs + 1));
}

TGridInputs MakeGridInputs(long double start1, long double increment1, long double end1, long double start2,
                           long double increment2, long double end2) {
  TGridInputs out;
  const TSteppedRange axis1 = SteppedRange(start1, increment1, end1);
  const TSteppedRange axis2 = SteppedRange(start2, increment2, end2);
  if (axis1.count < 1 || axis2.count < 1) return out;
  out.requested = axis1.count * axis2.count;
  out.truncated = out.requested > kMaxGeneratedPairs;
  const int total = static_cast<int>(std::min<long double>(out.requested, kMaxGeneratedPairs));
  const long double n1 = std::min<long double>(axis1.count, kMaxGeneratedPairs);
  const long double n2 = std::min<long double>(axis2.count, kMaxGeneratedPairs);
  out.list.reserve(static_cast<std::size_t>(total) + 1);
  out.list.emplace_back(0, 0);
  for (long double a = 0; a < n1 && static_cast<int>(out.list.size()) <= total; ++a) {
    const long double A = axis1.At(a);
    for (long double b = 0; b < n2 && static_cast<int>(out.list.size()) <= total; ++b)
      out.list.emplace_back(A, axis2.At(b));
  }
  const long double n = static_cast<long double>(out.list.size() - 1);
  out.list[0] = {n, n};
  return out;
}

TGridCut GridInputsCut(const TGridInputs& grid) {
  TGridCut cut;
  cut.asked = grid.requested;
  if (grid.list.size() < 2) return cut;
  cut.written = static_cast<long double>(grid.list.size() - 1);
  cut.stops = true;
  cut.stopX = grid.list.back().first;
  cut.stopY = grid.list.back().second;
  return cut;
}

bool ReadEntryValue(std::string_view text, std::size_t maxChars, long double& value) {
  const std::optional<long double> v = ExprEntryValue(text.substr(0, maxChars));
  if (v) value = *v;
  return v.has_value();
}

TGenRangeCheck CheckGenRange(std::span<const std::string, 6> entries, const TGenRange& block,
                             const TGenHeldValues& held) {
  TGenRangeCheck check{0, block};
  TGenRange& r = check.range;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (held[k])
      r[k] = *held[k];
    else if (!ReadEntryValue(entries[k], kRangeEntryChars, r[k]))
      ++check.errors;
  }
  if (r[kGenStart1] == r[kGenEnd1] || r[kGenStart2] == r[kGenEnd2] || r[kGenIncrement1] == 0 ||
      r[kGenIncrement2] == 0)
    ++check.errors;
  for (std::size_t axis : {0u, 3u}) {
    if (r[axis + 2] < r[axis]) std::swap(r[axis], r[axis + 2]);
    r[axis + 1] = std::fabs(r[axis + 1]);
  }
  return check;
}

TGenAxisLabels GenAxisLabels(int mode) {
  switch (mode) {
    case kEvalRootX: return {"Z", "Y"};
    case kEvalRootY: return {"Z", "X"};
    default: return {"X", "Y"};
  }
}

TGenRange InitialGenRange(int mode, const TEvalSurface& s) {
  // One ninth of the range: ten values per axis. Divided by 9 rather than multiplied by an
  // 18-digit ninth, so that a range of 9 steps by exactly 1.
  const auto axis = [](long double lo, long double hi) {
    return std::array<long double, 3>{lo, (hi - lo) / 9, hi};
  };
  std::array<long double, 3> first = axis(s.xMin, s.xMax), second = axis(s.yMin, s.yMax);
  if (mode == kEvalRootX) first = axis(s.zMin, s.zMax);
  if (mode == kEvalRootY) first = axis(s.zMin, s.zMax), second = axis(s.xMin, s.xMax);
  return {first[0], first[1], first[2], second[0], second[1], second[2]};
}

void PairInputs(int mode, long double a, long double b, long double& x, long double& y, long double& z) {
  switch (mode) {
    case kEvalRootX: x = 0, y = b, z = a; break;
    case kEvalRootY: x = b, y = 0, z = a; break;
    default: x = a, y = b, z = 0; break;
  }
}

namespace {

bool HasValue(const TEvalLine& line) {
  return IsUsableValue(line.x) && IsUsableValue(line.y) && IsUsableValue(line.z);
}
// A line without limits needs none.
bool HasBand(const TEvalLine& line) {
  return !line.hasLimits || (IsUsableValue(line.lower) && IsUsableValue(line.upper));
}

// Runs every pair of the list through the computation and hands the line to `take`, which
// answers false when it can take no more.
template <typename Take>
TGenOutcome ForEachPair(const TEvalComputer& computer, const TEvalLimitChoice& limits, int mode,
                        const TEvalInputs& inputs, const TGenProgress& progress, Take take) {
  TGenOutcome out;
  if (inputs.empty()) return out;
  const int n = static_cast<int>(std::min<long double>(inputs[0].first, static_cast<long double>(inputs.size() - 1)));
  for (int i = 1; i <= n; ++i) {
    if (progress && !progress(i - 1, n)) {
      out.cancelled = true;
      break;
    }
    long double x = 0, y = 0, z = 0;
    PairInputs(mode, inputs[static_cast<std::size_t>(i)].first, inputs[static_cast<std::size_t>(i)].second, x, y, z);
    computer.Compute(x, y, z, mode);
    ++out.pairs;
    const TEvalLine line = MakeEvalLine(computer.Surface(), limits, mode, x, y, z);
    if (!take(line, out)) break;
    if (!HasValue(line))
      ++out.noValue;
    else if (!HasBand(line))
      ++out.noBand;
  }
  return out;
}

}  // namespace

TGenOutcome GenerateToTable(const TEvalComputer& computer, const TEvalLimitChoice& limits, int mode,
                            const TEvalInputs& inputs, TEvalTable& table, const TGenProgress& progress) {
  return ForEachPair(computer, limits, mode, inputs, progress, [&table](const TEvalLine& line, TGenOutcome& out) {
    if (table.Add(line) < 0) {
      out.tableFull = true;
      return false;
    }
    ++out.written;
    return true;
  });
}

TGenOutcome GenerateFileText(const TEvalComputer& computer, const TEvalLimitChoice& limits, int mode,
                             const TEvalInputs& inputs, std::string& text, const TGenProgress& progress) {
  text.clear();
  return ForEachPair(computer, limits, mode, inputs, progress, [&text](const TEvalLine& line, TGenOutcome& out) {
    if (!HasValue(line) || !HasBand(line)) return true;
    // X and Y as given (an end taken from a file of doubles without its binary remainder).
    const std::string x = DataFigureText(line.x, 17), y = DataFigureText(line.y, 17);
    if (!line.hasLimits) {
      text += CFormat("%-25s  %-25s  %-25.17Lg\r\n", x.c_str(), y.c_str(), line.z);
    } else {
      text += CFormat("%-25s  %-25s  %-25.17Lg\t%-25.17Lg  %-25.17Lg\r\n", x.c_str(), y.c_str(), line.z,
                      line.lower, line.upper);
    }
    ++out.written;
    return true;
  });
}

namespace {

std::string Count(long long n) { return FormatWithCommas(n); }

// "X = 4.05, Y = 2.55": a pair as the mode names its two inputs.
std::string PairText(const std::pair<long double, long double>& pair, TGenAxisLabels labels) {
  return GridPlaceText(labels.first, pair.first, labels.second, pair.second);
}

int PairCount(const TEvalInputs& pairs) {
  if (pairs.empty()) return 0;
  return static_cast<int>(std::clamp<long double>(pairs[0].first, 0, static_cast<long double>(pairs.size() - 1)));
}

}  // namespace

std::string FilePairsLeftOutText(const TPairsLeftOut& leftOut, const TEvalInputs& pairs, TGenAxisLabels labels) {
  if (!leftOut.Any()) return {};
  const int read = PairCount(pairs);
  std::string text;
  if (leftOut.rows > 0 && leftOut.more)
    text = CFormat("More Than %s of the File's Value Pairs Were Left Out: at Most %s Are Read", Count(leftOut.rows).c_str(),
                   Count(kMaxColumnValues).c_str());
  else if (leftOut.rows > 0)
    text = CFormat("%s of the File's %s Value Pairs Were Left Out: at Most %s Are Read", Count(leftOut.rows).c_str(),
                   Count(static_cast<long long>(read) + leftOut.rows).c_str(), Count(kMaxColumnValues).c_str());
  else
    text = CFormat("The File Holds More Than %s Rows: the Rows Past Them Were Not Read", Count(kPointsCountBound).c_str());
  if (read > 0) text += "\nThe Pairs Read Stop at " + PairText(pairs[static_cast<std::size_t>(read)], labels);
  return text;
}

std::string TableFullText(const TGenOutcome& outcome, const TEvalInputs& inputs, TGenAxisLabels labels,
                          int tableLines) {
  if (!outcome.tableFull) return {};
  const int n = PairCount(inputs);
  const int left = n - outcome.written;
  std::string text = CFormat("%s of the %s Inputs Were Left Out: the Table Holds at Most %s Lines", Count(left).c_str(),
                             Count(n).c_str(), Count(tableLines).c_str());
  if (outcome.written > 0)
    text += "\nIts Lines Stop at the Input " + PairText(inputs[static_cast<std::size_t>(outcome.written)], labels);
  return text + "\nClear the Table to Go On";
}

std::string GenerationLossText(const TGenOutcome& outcome, const TEvalLimitChoice& limits, bool toFile) {
  std::string text;
  const auto tell = [&](int count, const std::string& what, const char* inTable) {
    if (count <= 0) return;
    if (!text.empty()) text += "\n";
    text += CFormat("%d of the %d Inputs Gave No ", count, outcome.pairs) + what +
            (toFile ? " and Were Left Out of the File" : inTable);
  };
  tell(outcome.noValue, "Value", ": Their Lines Show Error");
  const char* band = limits.limits == EvalLimits::kPrediction ? "Prediction Limits" : "Confidence Limits";
  tell(outcome.noBand, band, ": Their Limits Show Error");
  return text;
}
