#include "fit/fit_volume.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/long_double.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_side.h"
#include "fit/nonlinear_catalogue.h"

namespace {

// Where the shapes of a form keep their parameters (1-based, 0 for an axis without a
// shape), by form (the start rules' layouts, nonlinear_forms.h). With two shape parameters
// (peaks, transitions): x centre, x width, y centre, y width; with one (exponential, power):
// x parameter, y parameter.
constexpr std::array<std::array<int, 4>, 12> kTwoParameterShapes = {{
    {2, 3, 4, 5},  // a Fx Fy
    {3, 4, 5, 6},  // behind an offset
    {2, 3, 4, 3},  // a Fx Fy, one width
    {3, 4, 5, 4},
    {2, 3, 5, 6},  // a Fx + d Fy
    {3, 4, 6, 7},
    {4, 5, 0, 0},  // a + b y + c Fx
    {0, 0, 4, 5},  // a + b x + c Fy
    {5, 6, 0, 0},  // a + b y + c y² + d Fx
    {0, 0, 5, 6},  // a + b x + c x² + d Fy
    {2, 3, 5, 6},  // a Fx + d Fy + g Fx Fy
    {3, 4, 6, 7},
}};
constexpr std::array<std::array<int, 2>, 12> kOneParameterShapes = {{
    {2, 3}, {3, 4}, {2, 2}, {3, 3}, {2, 4}, {3, 5}, {4, 0}, {0, 4}, {5, 0}, {0, 5}, {2, 4}, {3, 5},
}};

// The catalogue's blocks (of twelve equations) whose shapes read ln t: the log-normal peak,
// its distribution function and the logistic dose response (indices 24-35, 96-107,
// 132-143; the mixes say theirs in the entry's log flags).
constexpr int kLogNormalBlock = 2;
constexpr int kLogNormalCumulativeBlock = 8;
constexpr int kDoseResponseBlock = 11;
// The Lorentzian peak and its distribution function (indices 12-23, 84-95), whose tails fall
// as the inverse square of the distance and as its inverse.
constexpr int kLorentzBlock = 1;
constexpr int kLorentzCumulativeBlock = 7;

// Steps of 4 toward t = 0, to 3e-39 of where they start: as far as the mass of a shape in ln
// t, or of a power above -0.9, reaches to 1e-20.
constexpr int kMostSteps = 64;

// Coordinates within `same` of the one before, or within `relative` of their size, are that
// one.
void SortDistinct(std::vector<long double>& v, long double same, long double relative = 0) {
  std::sort(v.begin(), v.end());
  std::size_t kept = 0;
  for (const long double c : v) {
    const long double last = kept == 0 ? 0 : v[kept - 1];
    if (kept == 0 || c - last > std::fmax(same, relative * std::fmax(std::fabs(c), std::fabs(last)))) v[kept++] = c;
  }
  v.resize(kept);
}

// The median of the gaps around gap i (up to four on either side where the axis has them):
// the data's spacing there, which neither one coordinate close to another nor one gap
// wider than the others moves.
long double LocalSpacing(const std::vector<long double>& gaps, std::size_t i) {
  constexpr std::size_t kAside = 4;
  const std::size_t first = i >= kAside ? i - kAside : 0;
  const std::size_t end = std::min(gaps.size(), i + kAside + 1);
  std::array<long double, 2 * kAside + 1> window{};
  std::size_t n = 0;
  for (std::size_t k = first; k < end; ++k) window[n++] = gaps[k];
  std::sort(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(n));
  return n % 2 == 1 ? window[n / 2] : (window[n / 2 - 1] + window[n / 2]) / 2;
}

// The data's pieces of [c.front(), c.back()]: runs of at most `allowance` gaps, broken
// where the local spacing moves beyond a factor `change` from the run's first (the edge of
// a cluster).
std::vector<long double> DataPieces(const std::vector<long double>& c, const std::vector<long double>& local,
                                    long double allowance, long double change) {
  std::vector<long double> out{c.front()};
  std::size_t first = 0;
  for (std::size_t i = 1; i + 1 < c.size(); ++i) {
    const long double ratio = local[i] / local[first];
    if (static_cast<long double>(i - first) < allowance && ratio <= change && ratio >= 1 / change) continue;
    out.push_back(c[i]);
    first = i;
  }
  out.push_back(c.back());
  return out;
}

// The points of a feature centred at c inside (lo, hi): c, and c + s and c - s for the steps
// s = w, 4w, 16w, ... (in ln t for a shape that reads it: c e^s, c e^-s).
void AddCentredPoints(const TAxisFeature& f, long double lo, long double hi, std::vector<long double>& out) {
  const bool logarithmic = f.shape == TFeatureShape::kLogCentred;
  if (f.centre > lo && f.centre < hi) out.push_back(f.centre);
  long double step = std::fabs(f.width);
  for (int k = 0; k < kMostSteps && step <= f.reach * std::fabs(f.width); ++k, step *= 4) {
    const long double up = logarithmic ? f.centre * std::exp(step) : f.centre + step;
    const long double down = logarithmic ? f.centre * std::exp(-step) : f.centre - step;
    const bool upInside = up > lo && up < hi;
    const bool downInside = down > lo && down < hi;
    if (upInside) out.push_back(up);
    if (downInside) out.push_back(down);
    // Beyond the piece on both sides (the steps only grow).
    if (!(up < hi) && !(down > lo)) break;
  }
}

// The points from `from` toward t = 0, each a quarter of the one before, inside (lo, hi)
// and above `floor`: a shape that reads ln t (t^p, e^(-ln(t/c)²/2w²)) has as much structure
// between t and t/4 as between 4t and t, which one piece reaching 0 never resolves.
void AddPointsTowardZero(long double from, long double floor, long double lo, long double hi,
                         std::vector<long double>& out) {
  long double t = from;
  for (int k = 0; k < kMostSteps && t > floor && t > lo; ++k, t /= 4)
    if (t < hi) out.push_back(t);
}

// The piece of `breaks` that holds t (the first or the last for t outside them).
std::pair<long double, long double> PieceAt(const std::vector<long double>& breaks, long double t) {
  auto piece = std::upper_bound(breaks.begin(), breaks.end(), t);
  if (piece == breaks.begin()) ++piece;
  if (piece == breaks.end()) --piece;
  return {*(piece - 1), *piece};
}

// The points at which feature f cuts the axis [lo, hi] already cut at `breaks`.
void AddFeaturePoints(const TAxisFeature& f, const std::vector<long double>& breaks, long double lo, long double hi,
                      std::vector<long double>& out) {
  // A feature no wider than an eighth of its piece is cut around.
  constexpr long double kNarrow = 8;
  const long double w = std::fabs(f.width);
  switch (f.shape) {
    case TFeatureShape::kCentred:
    case TFeatureShape::kLogCentred: {
      const auto [pieceLo, pieceHi] = PieceAt(breaks, f.centre);
      const bool logarithmic = f.shape == TFeatureShape::kLogCentred;
      if ((logarithmic ? f.centre * w : w) < (pieceHi - pieceLo) / kNarrow) AddCentredPoints(f, pieceLo, pieceHi, out);
      // A shape in ln t is constant below its reach (the dose response, the slowest, falls
      // as (t/c)^(1/w)).
      if (logarithmic && lo < f.centre / 4)
        AddPointsTowardZero(f.centre / 4, f.centre * std::exp(-f.reach * w), lo, hi, out);
      return;
    }
    case TFeatureShape::kDecay: {
      // e^(-t/w) holds its mass within some widths of the end where it is largest.
      const long double end = f.width > 0 ? lo : hi;
      const auto [pieceLo, pieceHi] = PieceAt(breaks, end);
      if (w < (pieceHi - pieceLo) / kNarrow)
        AddCentredPoints({TFeatureShape::kCentred, end, w, f.reach}, pieceLo, pieceHi, out);
      return;
    }
    case TFeatureShape::kPower: {
      // t^p toward t = 0, and a steep power's layer at the other end, 1/|p| of it wide.
      if (lo < hi / 4) AddPointsTowardZero(hi / 4, 0, lo, hi, out);
      if (w > kNarrow) {
        const long double end = f.width > 0 ? hi : lo;
        if (end > 0) {
          const auto [pieceLo, pieceHi] = PieceAt(breaks, end);
          AddCentredPoints({TFeatureShape::kCentred, end, end / w, f.reach}, pieceLo, pieceHi, out);
        }
      }
      return;
    }
  }
}

}  // namespace

TSurfaceFeatures FitSurfaceFeatures(const TFitEqn& e) {
  TSurfaceFeatures features;
  if (e.kind != kKindNonlinear || e.equationNumber < kFirstBuiltinNonlinear) return features;
  const int index = NonlinearIndexOfEquation(e.equationNumber);
  if (index >= kBuiltinNonlinearCount) return features;
  const TNonlinearEntry entry = BuiltinNonlinearEntry(index);
  const int form = entry.subIndex % 12;
  const auto parameter = [&e](int i) { return e.parameters[static_cast<std::size_t>(i - 1)]; };
  const auto usable = [&e](int i) { return i > 0 && i <= e.m + 1; };
  const auto add = [&](TAxisFeature f, std::vector<TAxisFeature>& to) {
    const bool positiveCentre = f.shape != TFeatureShape::kLogCentred || f.centre > 0;
    if (std::isfinite(f.centre) && std::isfinite(f.width) && f.width != 0 && positiveCentre) to.push_back(f);
  };
  if (entry.subIndex >= kSubPeak && entry.subIndex < kSubExponential) {
    const std::array<int, 4>& at = kTwoParameterShapes[static_cast<std::size_t>(form)];
    const int block = index / 12;
    // The dose response 1/(1 + (t/b)^-c) is a logistic step in ln t of width 1/c.
    const bool doseResponse = block == kDoseResponseBlock;
    const bool logBlock = block == kLogNormalBlock || block == kLogNormalCumulativeBlock || doseResponse;
    const long double reach =
        block == kLorentzBlock || block == kLorentzCumulativeBlock ? INFINITY : TAxisFeature::kShapeReach;
    for (const bool onX : {true, false}) {
      const int centre = onX ? at[0] : at[2];
      const int width = onX ? at[1] : at[3];
      if (!usable(centre) || !usable(width)) continue;
      const bool logarithmic = logBlock || (onX ? entry.xLog : entry.yLog) != 0;
      TAxisFeature f{logarithmic ? TFeatureShape::kLogCentred : TFeatureShape::kCentred, parameter(centre),
                     parameter(width), reach};
      if (doseResponse) f.width = 1 / f.width;
      add(f, onX ? features.x : features.y);
    }
  } else if (entry.subIndex >= kSubExponential && entry.subIndex < kSubPlane) {
    const std::array<int, 2>& at = kOneParameterShapes[static_cast<std::size_t>(form)];
    const TFeatureShape shape = entry.subIndex < kSubPower ? TFeatureShape::kDecay : TFeatureShape::kPower;
    if (usable(at[0])) add({shape, 0, parameter(at[0]), TAxisFeature::kShapeReach}, features.x);
    if (usable(at[1])) add({shape, 0, parameter(at[1]), TAxisFeature::kShapeReach}, features.y);
  }
  // The planes have no feature at all.
  features.complete = entry.subIndex >= kSubPeak;
  return features;
}

std::vector<long double> VolumeBreaks(std::vector<long double> coordinates, long double lo, long double hi,
                                      std::span<const TAxisFeature> features) {
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return {lo, hi};
  const long double same = 1e-9L * (hi - lo);
  std::erase_if(coordinates, [&](long double c) { return !(c > lo && c < hi); });
  coordinates.push_back(lo);
  coordinates.push_back(hi);
  SortDistinct(coordinates, same);
  coordinates.back() = hi;

  std::vector<long double> gaps(coordinates.size() - 1);
  for (std::size_t i = 0; i < gaps.size(); ++i) gaps[i] = coordinates[i + 1] - coordinates[i];
  std::vector<long double> local(gaps.size());
  for (std::size_t i = 0; i < gaps.size(); ++i) local[i] = LocalSpacing(gaps, i);
  // Too many pieces: each takes twice as many gaps, and only a twice larger change of the
  // spacing ends one, until they fit (in the end one piece).
  std::vector<long double> breaks;
  long double allowance = kVolumePieceSpacings;
  long double change = kVolumeSpacingChange;
  for (;;) {
    breaks = DataPieces(coordinates, local, allowance, change);
    if (breaks.size() - 1 <= static_cast<std::size_t>(kVolumeMostPieces)) break;
    allowance *= 2;
    change *= 2;
  }

  // The features cut the data's pieces.
  std::vector<long double> added;
  for (const TAxisFeature& f : features) AddFeaturePoints(f, breaks, lo, hi, added);
  if (!added.empty()) {
    // A shape's points toward t = 0 lie far closer together than the data's: only points
    // equal to the rounding of their size are one.
    breaks.insert(breaks.end(), added.begin(), added.end());
    SortDistinct(breaks, 0, 1e-15L);
    breaks.front() = lo;
    breaks.back() = hi;
  }
  return breaks;
}

namespace {

// The 8-point Gauss rule on each cell [xs[i], xs[i+1]] x [ys[j], ys[j+1]] (64 values a
// cell), in the order i, then j; nothing where the surface fails at a point or the calling
// thread's question stops it.
constexpr int kCellOrder = 8;
std::optional<std::vector<long double>> CellRuleSums(ExprContext& ctx, TIntegrand2 surface,
                                                     std::span<const long double> xs,
                                                     std::span<const long double> ys) {
  std::vector<long double> sums;
  sums.reserve((xs.size() - 1) * (ys.size() - 1));
  for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
      const auto column = [&](long double x) {
        return IntegrateGaussN(ctx, [&](long double y) { return surface(x, y); }, ys[j], ys[j + 1], kCellOrder);
      };
      const long double s = IntegrateGaussN(ctx, column, xs[i], xs[i + 1], kCellOrder);
      const bool usable = ctx.ExprMathError == 0 && IsUsableValue(s);
      ctx.ExprMathError = 0;
      if (!usable || ctx.stopped) return std::nullopt;
      sums.push_back(s);
    }
  }
  return sums;
}

// The blocks of n cells along an axis: pairs, the last one three where n is odd (one cell
// where there is only one).
std::vector<std::size_t> CellBlocks(std::size_t n) {
  std::vector<std::size_t> ends{0};
  for (std::size_t k = 2; k + 1 < n; k += 2) ends.push_back(k);
  ends.push_back(n);
  return ends;
}

// A cell of IntegrateOverCells.
struct TCell {
  std::size_t i = 0;  // [xs[i], xs[i+1]] x [ys[j], ys[j+1]]
  std::size_t j = 0;
  long double value = 0;
  long double tolerance = 0;        // relative, that it was taken to; 0 while it has none
  long double allowance = 0;        // what it may be off by
  long double estimate = INFINITY;  // relative: the outer integral's and the inner ones' largest
  long double precision = 0;        // the inner integrals' largest estimate
  long double bound = 0;            // the largest |f| at its samples times its area
  bool fixed = false;               // taken to its own share: not taken again
};

// A cell taken as `value`, off by at most `allowance`.
void Settle(TCell& cell, long double value, long double allowance, long double relative) {
  cell.value = value;
  cell.allowance = allowance;
  cell.tolerance = value != 0 ? allowance / std::fabs(value) : 1;
  cell.estimate = 0;
  cell.precision = relative;
  cell.fixed = true;
}

// The blocks of cells whose cells' 8-point rules agree with the block's own, each to its
// share of `tol` of the cells' sum (half by its area, half by its magnitude), take those
// sums; cells already settled, and blocks where the surface fails, are left alone.
void AcceptSmoothBlocks(ExprContext& ctx, TIntegrand2 surface, std::span<const long double> xs,
                        std::span<const long double> ys, long double tol, std::span<const long double> cellRule,
                        std::vector<TCell>& cells) {
  if (cellRule.size() != cells.size()) return;
  const std::size_t ny = ys.size() - 1;
  const std::vector<std::size_t> bx = CellBlocks(xs.size() - 1);
  const std::vector<std::size_t> by = CellBlocks(ny);
  struct TBlock {
    std::size_t i0, i1, j0, j1;
    long double fine = 0;
  };
  std::vector<TBlock> blocks;
  long double sum = 0;
  long double magnitude = 0;
  for (std::size_t a = 0; a + 1 < bx.size(); ++a) {
    for (std::size_t b = 0; b + 1 < by.size(); ++b) {
      TBlock block{bx[a], bx[a + 1], by[b], by[b + 1]};
      for (std::size_t i = block.i0; i < block.i1; ++i)
        for (std::size_t j = block.j0; j < block.j1; ++j) block.fine += cellRule[i * ny + j];
      sum += block.fine;
      magnitude += std::fabs(block.fine);
      blocks.push_back(block);
    }
  }
  const long double area = (xs.back() - xs.front()) * (ys.back() - ys.front());
  if (!(magnitude > 0) || !std::isfinite(magnitude) || !(area > 0)) return;
  for (const TBlock& block : blocks) {
    bool open = true;
    for (std::size_t i = block.i0; i < block.i1 && open; ++i)
      for (std::size_t j = block.j0; j < block.j1 && open; ++j) open = !cells[i * ny + j].fixed;
    if (!open) continue;
    const long double x0 = xs[block.i0], x1 = xs[block.i1], y0 = ys[block.j0], y1 = ys[block.j1];
    const long double share = ((x1 - x0) * (y1 - y0) / area + std::fabs(block.fine) / magnitude) / 2;
    const long double allowance = tol * std::fabs(sum) * share;
    const auto column = [&](long double x) {
      return IntegrateGaussN(ctx, [&](long double y) { return surface(x, y); }, y0, y1, kCellOrder);
    };
    const long double coarse = IntegrateGaussN(ctx, column, x0, x1, kCellOrder);
    const bool usable = ctx.ExprMathError == 0 && IsUsableValue(coarse);
    ctx.ExprMathError = 0;
    if (ctx.stopped) return;
    const long double difference = std::fabs(block.fine - coarse);
    if (usable && difference <= allowance) {
      const long double count = static_cast<long double>((block.i1 - block.i0) * (block.j1 - block.j0));
      const long double relative = block.fine != 0 ? difference / std::fabs(block.fine) : 0;
      for (std::size_t i = block.i0; i < block.i1; ++i)
        for (std::size_t j = block.j0; j < block.j1; ++j)
          Settle(cells[i * ny + j], cellRule[i * ny + j], allowance / count, relative);
      continue;
    }
    // Each cell of a block that does not agree against the 8-point rules of its own four
    // quarters (256 values, where its nested integral takes some 900), to its share of
    // the block's allowance.
    long double blockMagnitude = 0;
    for (std::size_t i = block.i0; i < block.i1; ++i)
      for (std::size_t j = block.j0; j < block.j1; ++j) blockMagnitude += std::fabs(cellRule[i * ny + j]);
    for (std::size_t i = block.i0; i < block.i1; ++i) {
      for (std::size_t j = block.j0; j < block.j1; ++j) {
        const long double own = cellRule[i * ny + j];
        const long double cellShare =
            ((xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]) / ((x1 - x0) * (y1 - y0)) +
             (blockMagnitude > 0 ? std::fabs(own) / blockMagnitude : 0)) /
            2;
        const long double cellAllowance = allowance * cellShare;
        const long double xm = (xs[i] + xs[i + 1]) / 2, ym = (ys[j] + ys[j + 1]) / 2;
        long double quarters = 0;
        bool fine = true;
        for (const auto& [qx0, qx1] : {std::pair{xs[i], xm}, std::pair{xm, xs[i + 1]}}) {
          for (const auto& [qy0, qy1] : {std::pair{ys[j], ym}, std::pair{ym, ys[j + 1]}}) {
            const auto quarterColumn = [&](long double x) {
              return IntegrateGaussN(ctx, [&](long double y) { return surface(x, y); }, qy0, qy1, kCellOrder);
            };
            quarters += IntegrateGaussN(ctx, quarterColumn, qx0, qx1, kCellOrder);
            fine = fine && ctx.ExprMathError == 0;
            ctx.ExprMathError = 0;
          }
        }
        if (ctx.stopped) return;
        const long double cellDifference = std::fabs(quarters - own);
        if (!fine || !IsUsableValue(quarters) || !(cellDifference <= cellAllowance)) continue;
        Settle(cells[i * ny + j], quarters, cellAllowance, quarters != 0 ? cellDifference / std::fabs(quarters) : 0);
      }
    }
  }
}
}  // namespace

std::optional<TFitVolume> IntegrateOverCells(ExprContext& ctx, TIntegrand2 surface, std::span<const long double> xs,
                                             std::span<const long double> ys, long double tol,
                                             std::span<const long double> cellRule) {
  constexpr long double kFinestTolerance = 1e-17L;
  // A cell's integral is of no use to a coarser tolerance than this.
  constexpr long double kCoarsestTolerance = 1e-3L;
  // A cell whose largest |f| at kSamples x kSamples even points, times its area, lies below
  // this share of what it may be off by is taken as 0 without an integral: the far tail of a
  // narrow peak, where a sum to a relative tolerance does not converge (after some hundred
  // thousand values) and nothing is lost.
  constexpr int kSamples = 5;
  constexpr long double kNegligible = 1e-6L;
  if (xs.size() < 2 || ys.size() < 2 || !(tol > 0)) return std::nullopt;
  std::vector<TCell> cells;
  cells.reserve((xs.size() - 1) * (ys.size() - 1));
  for (std::size_t i = 0; i + 1 < xs.size(); ++i)
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) cells.push_back({i, j});
  // A failure of the surface at a point (no value there) is told apart from an inner
  // integral that did not converge, which the outer one reports as a failure at a point too.
  bool undefined = false;
  const auto checked = [&](long double x, long double y) {
    const long double z = surface(x, y);
    if (ctx.ExprMathError != 0 && ctx.ExprMathError != kErrIntegralConvergence) undefined = true;
    return z;
  };
  // The cell to `cellTolerance`: false when the surface has no value in it (or the thread's
  // question stopped it); a sum that did not converge leaves the cell without a tolerance,
  // its last sum kept as a measure of its size. A cell whose values all vanished in
  // underflow is 0, as a piece of an integral is beside pieces that show values.
  const auto integrate = [&](TCell& cell, long double cellTolerance) {
    ctx.ExprMathError = 0;
    TIntegRecord record;
    long double error = 0;
    const long double v = IntegrateDouble(ctx, record, checked, xs[cell.i], xs[cell.i + 1], ys[cell.j],
                                          ys[cell.j + 1], cellTolerance, &error);
    const int code = ctx.ExprMathError;
    ctx.ExprMathError = 0;
    if (ctx.stopped || undefined || !IsUsableValue(v) ||
        (code != 0 && code != kErrIntegralConvergence && code != kErrIntegralSingularity))
      return false;
    const bool vanished = code != 0 && record.IntegVanished != 0;
    cell.value = vanished ? 0 : v;
    cell.tolerance = vanished || (code == 0 && std::isfinite(error)) ? cellTolerance : 0;
    cell.allowance = cell.tolerance * std::fabs(cell.value);
    cell.estimate = vanished ? 0 : record.IntegErrorEstimate + error;
    cell.precision = vanished ? 0 : error;
    return true;
  };
  const auto total = [&cells](long double& sum, long double& allowed) {
    sum = 0;
    allowed = 0;
    for (const TCell& cell : cells) {
      sum += cell.value;
      allowed += cell.allowance;
    }
  };

  // The surface at each cell's samples: a bound of each cell, and a rough sum, which tells
  // the cells too small to be worth an integral.
  long double rough = 0;
  for (TCell& cell : cells) {
    const long double x0 = xs[cell.i], x1 = xs[cell.i + 1], y0 = ys[cell.j], y1 = ys[cell.j + 1];
    long double largest = 0;
    long double mean = 0;
    for (int a = 0; a < kSamples; ++a) {
      for (int b = 0; b < kSamples; ++b) {
        ctx.ExprMathError = 0;
        const long double z = checked(x0 + (x1 - x0) * a / (kSamples - 1), y0 + (y1 - y0) * b / (kSamples - 1));
        ctx.ExprMathError = 0;
        if (undefined || ctx.stopped || !IsUsableValue(z)) return std::nullopt;
        largest = std::fmax(largest, std::fabs(z));
        mean += z / (kSamples * kSamples);
      }
    }
    cell.bound = largest * (x1 - x0) * (y1 - y0);
    rough += mean * (x1 - x0) * (y1 - y0);
  }
  const long double negligible = kNegligible * tol / 2 * std::fabs(rough) / static_cast<long double>(cells.size());
  const auto neglect = [](TCell& cell) {
    cell.value = 0;
    cell.allowance = cell.bound;
    cell.tolerance = 1;
    cell.precision = 0;
    cell.estimate = 0;
    cell.fixed = true;
  };
  // Blocks of 2 x 2 cells (3 at an odd end) whose cells' 8-point rules add up to what the
  // 8-point rule of the whole block gives, to the block's share of a quarter of the
  // tolerance, take those sums: the cells' rule is then some 2^16 times closer than the
  // block's, and a surface smooth over the cells (the data's spacing, or a feature's
  // steps) needs no integral of its own in them.
  // Only cells cut where the data lie: a feature's steps toward t = 0 hold shapes in ln t
  // on which the rules of neighbouring cells agree short of the integral.
  if (xs.size() > 2 && ys.size() > 2 && cellRule.size() == cells.size()) {
    AcceptSmoothBlocks(ctx, surface, xs, ys, tol / 4, cellRule, cells);
    if (ctx.stopped) return std::nullopt;
  }
  // Every other cell to half the tolerance.
  for (TCell& cell : cells) {
    if (cell.fixed) continue;
    if (cell.bound <= negligible) neglect(cell);
    else if (!integrate(cell, tol / 2)) return std::nullopt;
  }
  // A cell whose sums did not converge there may be small beside the rest (a piece beside
  // t = 0 of a shape in ln t): it is 0 where its bound is negligible beside what it may be
  // off by, else it is taken again to a tolerance that allows it its share of the other
  // half, as the size of its last sum gives it.
  long double settled = 0;
  std::size_t unsettled = 0;
  for (const TCell& cell : cells) {
    if (cell.tolerance > 0) settled += cell.value;
    else ++unsettled;
  }
  if (unsettled > 0) {
    const long double share = tol / 2 * std::fabs(settled) / static_cast<long double>(unsettled);
    for (TCell& cell : cells) {
      if (cell.tolerance > 0) continue;
      if (cell.bound <= kNegligible * share) {
        neglect(cell);
        continue;
      }
      cell.fixed = true;
      const long double looser = std::fmin(share / (2 * std::fabs(cell.value)), kCoarsestTolerance);
      if (!(looser > tol / 2) || !integrate(cell, looser) || cell.tolerance == 0 || !(cell.allowance <= share))
        return std::nullopt;
    }
  }
  // Where cells of either sign cancel, what the cells allow can exceed tol of the sum: the
  // cells taken to half the tolerance are taken again to as much finer a one (those whose
  // estimate lies within it already stand).
  long double sum = 0;
  long double allowed = 0;
  total(sum, allowed);
  if (allowed > tol * std::fabs(sum)) {
    long double fixedAllowance = 0;
    long double magnitude = 0;
    for (const TCell& cell : cells) {
      if (cell.fixed) fixedAllowance += cell.allowance;
      else magnitude += std::fabs(cell.value);
    }
    const long double finer = (tol * std::fabs(sum) - fixedAllowance) / magnitude;
    if (!(finer >= kFinestTolerance)) return std::nullopt;
    for (TCell& cell : cells) {
      if (cell.fixed) continue;
      if (cell.estimate <= finer) {
        cell.tolerance = finer;
        cell.allowance = finer * std::fabs(cell.value);
        continue;
      }
      if (!integrate(cell, finer) || cell.tolerance == 0) return std::nullopt;
    }
    total(sum, allowed);
    if (!(allowed <= tol * std::fabs(sum))) return std::nullopt;
  }
  TFitVolume volume;
  volume.value = sum;
  for (const TCell& cell : cells) volume.precision = std::fmax(volume.precision, cell.precision);
  return volume;
}

namespace {

// The nested Gauss integral of the whole rectangle where the 8-point Gauss rule on every
// cell (`cellRule`) agrees with it to the tolerance: the rule's points lie as close as the
// data, so a feature of the surface that the whole rectangle's points missed makes them
// differ. A smooth surface over data at random, cut into 19 x 19 cells, is then taken in a
// thirtieth of the time the cells' own integrals take.
std::optional<TFitVolume> CorroboratedWholeVolume(ExprContext& ctx, TIntegrand2 surface,
                                                  std::span<const long double> xs, std::span<const long double> ys,
                                                  std::span<const long double> cellRule, long double tol) {
  ctx.ExprMathError = 0;
  TIntegRecord record;
  long double error = 0;
  const long double whole =
      IntegrateDouble(ctx, record, surface, xs.front(), xs.back(), ys.front(), ys.back(), tol, &error);
  const bool converged = ctx.ExprMathError == 0 && IsUsableValue(whole) && std::isfinite(error);
  ctx.ExprMathError = 0;
  if (!converged || ctx.stopped) return std::nullopt;
  long double cells = 0;
  for (const long double s : cellRule) cells += s;
  if (!(std::fabs(cells - whole) <= tol * std::fabs(whole))) return std::nullopt;
  return TFitVolume{whole, error};
}

}  // namespace

std::optional<TFitVolume> FitSurfaceVolume(ExprContext& ctx, TIntegrand2 surface, const TVolumeRectangle& rectangle,
                                           std::span<const TXYZPoint> table, const TSurfaceFeatures& features,
                                           long double tol) {
  std::vector<long double> xs;
  std::vector<long double> ys;
  const int n = PointCount(table);
  for (int i = 1; i <= n && !features.complete; ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    if (!IsActive(p) || !(p.X >= rectangle.x0 && p.X <= rectangle.x1 && p.Y >= rectangle.y0 && p.Y <= rectangle.y1))
      continue;
    xs.push_back(p.X);
    ys.push_back(p.Y);
  }
  const std::vector<long double> xBreaks = VolumeBreaks(std::move(xs), rectangle.x0, rectangle.x1, features.x);
  const std::vector<long double> yBreaks = VolumeBreaks(std::move(ys), rectangle.y0, rectangle.y1, features.y);
  // A value that is not a number (or the missing value) is no value: summed, it would make a
  // plausible but wrong volume.
  const auto defined = [&](long double x, long double y) {
    const long double z = surface(x, y);
    if (ctx.ExprMathError == 0 && !IsUsableValue(z)) ctx.SetError(kErrIntegralSingularity);
    return z;
  };
  std::vector<long double> cellRule;
  if (!features.complete && xBreaks.size() + yBreaks.size() > 4) {
    std::optional<std::vector<long double>> sums = CellRuleSums(ctx, defined, xBreaks, yBreaks);
    if (ctx.stopped) return std::nullopt;
    if (sums) {
      cellRule = std::move(*sums);
      if (std::optional<TFitVolume> whole = CorroboratedWholeVolume(ctx, defined, xBreaks, yBreaks, cellRule, tol))
        return whole;
    }
  }
  return IntegrateOverCells(ctx, defined, xBreaks, yBreaks, tol, cellRule);
}

std::optional<TFitVolume> FitSurfaceVolume(ExprContext& ctx, TIntegrand2 surface, const TDataStats& stats,
                                           std::span<const TXYZPoint> table, const TSurfaceFeatures& features,
                                           long double tol) {
  return FitSurfaceVolume(ctx, surface, TVolumeRectangle{stats.X.Min, stats.X.Max, stats.Y.Min, stats.Y.Max}, table,
                          features, tol);
}

std::optional<TFitVolume> FitSideVolume(ExprContext& ctx, const TFitSide& fit, const TVolumeRectangle& rectangle,
                                        std::span<const TXYZPoint> table, long double tol) {
  const auto value = [&fit, &ctx](long double x, long double y) { return EvalFitSideZ(fit, ctx, x, y); };
  return FitSurfaceVolume(ctx, value, rectangle, table, FitSurfaceFeatures(fit.eqn), tol);
}
