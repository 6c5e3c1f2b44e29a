#include "fit/levenberg_marquardt.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "app/data_table.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/evaluation_stop.h"
#include "fit/fit_statistics.h"
#include "fit/sampled_surface_check.h"
#include "numerics/dense_solvers.h"
#include "tools/udf/udf_evaluation.h"

namespace {

constexpr long double kLorentzianC = 1.7182818284590453L;  // e - 1
constexpr long double kPearsonC = 6.38905609893065L;       // e² - 1
constexpr long double kTinyParameter = 1e-30L;
constexpr long double kTinyResidual = 1e-30L;
constexpr long double kLambdaStart = 0.001L;
constexpr long double kLambdaMin = 1e-100L;
constexpr long double kLambdaMax = 1e100L;
constexpr long double kNoLoss = 1e100L;  // "previous loss" before the first step
// A least-squares loss below this fraction of SST is an exact fit. It is relative, and as low
// as the square of the 80-bit epsilon, so that on real data the arithmetic, not this
// threshold, ends an exact fit (certified problems reach 1e-25 of SST).
constexpr long double kExactLossRatio = LDBL_EPSILON * LDBL_EPSILON;
constexpr long double kFloorReach = 1000.0L;
// Tenfold steps from lambda's floor to its ceiling and back.
constexpr int kUnacceptedLimit = 400;
constexpr int kCoarseLimit = 25;
// The ridge added to the unit diagonal of the scaled curvature when the undamped step's
// promise is formed: some hundred times the rounding of sums of a few thousand products in
// 64-bit mantissas, far below the smallest eigenvalue of a curvature the data determine (1e-10
// for a power product on map coordinates).
constexpr long double kPromiseRidge = 1e-15L;
// A curvature diagonal at or below this fraction of the largest one seen has vanished.
constexpr long double kVanishedColumn = LDBL_EPSILON;
// The floating-point flags the fit's acceptance reads (NonlinearFaultRaised).
constexpr int kFaultFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;

bool AllocateStepStorage(TMarquardtState& st, int p) {
  try {
    const auto n = static_cast<std::size_t>(p);
    st.trialA.assign(n + 1, 0.0L);
    st.change.assign(n, 0.0L);
    st.gradient.assign(n, 0.0L);
    st.trialGradient.assign(n, 0.0L);
    st.dampingScale.assign(n, 0.0L);
    return true;
  } catch (const std::bad_alloc&) {
    MarquardtRelease(st);
    return false;
  }
}

// The damped system (alpha + lambda D) x = gradient, solved in `trial`. D holds, for each
// parameter, the largest diagonal element of the curvature seen in this fit (Moré's scaling
// in MINPACK's lmder), 1 while that is still 0. Marquardt's own damping, alpha_jj (1 +
// lambda), leaves a column that has vanished (a decay rate driven so far that its term is
// 0 at every point) undamped and the system singular; the remembered scale keeps every
// step defined and short.
int SolveDamped(TMarquardtState& st, int p, LDMatrix& trial, const LDMatrix& alpha,
                long double lambda) {
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k < p; ++k) trial[j][k] = alpha[j][k];
    const long double d = st.dampingScale[static_cast<std::size_t>(j)];
    trial[j][j] = alpha[j][j] + lambda * (d > 0.0L ? d : 1.0L);
    st.change[static_cast<std::size_t>(j)] = st.gradient[static_cast<std::size_t>(j)];
  }
  return MarquardtSolve(trial.Data(), p, st.change.data());
}

void RememberDiagonal(TMarquardtState& st, int p, const LDMatrix& alpha) {
  for (int j = 0; j < p; ++j) {
    long double& d = st.dampingScale[static_cast<std::size_t>(j)];
    if (std::isfinite(alpha[j][j])) d = std::max(d, alpha[j][j]);
  }
}

// True when the trial step moves a parameter by more than its own magnitude to where the
// data no longer see it: its curvature column has vanished to rounding (a decay rate sent
// so far that its term is 0 at every point, and its derivative by differences exactly 0).
// From there no step can bring it back, so such a step is refused however much it lowers
// the loss at once, and a shorter one is tried.
bool ThrowsParameterAway(const TMarquardtState& st, const long double* a, int p,
                         const LDMatrix& trialCurvature) {
  for (int j = 0; j < p; ++j) {
    const auto u = static_cast<std::size_t>(j);
    if (trialCurvature[j][j] <= kVanishedColumn * st.dampingScale[u] &&
        std::fabs(st.change[u]) > std::fabs(a[j + 1]))
      return true;
  }
  return false;
}

// The coefficients of the accepted parameters on the sample of `step`.
// A user function driven outside its limits pays a penalty that makes a step there lose
// unless it still wins clearly. The accepted parameters pay it too when they are measured
// (at the start, or on a new sample), so that every loss compared is the same objective.
long double WithLimitPenalty(const TMarquardtState& st, const long double* a, long double loss) {
  if (!st.udfRecord || !UdfParamsOutOfLimits(*st.udfRecord, a)) return loss;
  if (loss > 1.0L) return loss + 100.0L * loss;
  return loss != 0.0L ? loss + 100.0L / loss : loss;
}

bool Measure(TMarquardtState& st, long double* a, int p, LDMatrix& alpha, const TNonlinearModel& f,
             int step) {
  long double loss = 0.0L, ss = 0.0L;
  if (!MarquardtCoefficients(st, a, p, alpha, st.gradient.data(), loss, ss, f, step)) return false;
  st.acceptedLoss = WithLimitPenalty(st, a, loss * step);
  st.acceptedSS = ss * step;
  st.previousStep = step;
  st.acceptedMeasured = true;
  RememberDiagonal(st, p, alpha);
  return true;
}

// r² of the accepted parameters as the progress shows it (0 when negative or undefined).
long double ShownR2(const TMarquardtState& st) {
  if (!(st.sst > 0.0L)) return 0.0L;
  const long double r2 = 1.0L - st.acceptedSS / st.sst;
  return r2 > 0.0L ? r2 : 0.0L;
}

}  // namespace

void ClearNonlinearFaults() {
  ExprThreadContext().ClearErrors();
  std::feclearexcept(FE_ALL_EXCEPT);
}

bool NonlinearFaultRaised() {
    return ExprThreadContext().ExprMathError != 0 || std::fetestexcept(kFaultFlags) != 0;
}

std::shared_ptr<const TFitPointTable> MakeFitPointTable(std::span<const TXYZPoint> points,
                                                        long double weightScale, bool logs) {
  try {
    auto table = std::make_shared<TFitPointTable>();
    table->logs = logs;
    std::size_t active = 0;
    for (const TXYZPoint& pt : points) active += IsActive(pt) ? 1 : 0;
    table->points.reserve(active);
    table->unitWeights = true;
    for (const TXYZPoint& pt : points) {
      if (!IsActive(pt)) continue;
      TFitPoint& fp = table->points.emplace_back();
      fp.at = logs ? MakeShapePoint(pt.X, pt.Y) : TShapePoint{pt.X, pt.Y};
      fp.z = pt.Z;
      fp.weight = pt.W;
      fp.w = pt.W * weightScale;
      table->unitWeights = table->unitWeights && fp.w == 1.0L;
    }
    return table;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool InitMarquardtState(TMarquardtState& st, std::shared_ptr<const TFitPointTable> table,
                        long double sst) {
  st.table = std::move(table);
  st.sst = sst;
  if (!st.table) return false;
  // Room for the sums of every block of a pass over all points, made once for the run.
  try {
    st.blocks.resize((st.table->points.size() + kBlockPoints - 1) / kBlockPoints);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool InitMarquardtState(TMarquardtState& st, std::span<const TXYZPoint> points,
                        long double weightScale, long double sst) {
  return InitMarquardtState(st, MakeFitPointTable(points, weightScale, false), sst);
}

int ActivePointCount(const TMarquardtState& st) {
  return st.table ? static_cast<int>(st.table->points.size()) : 0;
}

int SamplingStep(int m, int p, int factor) {
  int step = 1;
  for (int h = m / 2; h > factor * p; h /= 2) step *= 2;
  return step;
}

namespace {

// The points whose products are gathered before they are summed. Point by point, every
// entry of alpha is loaded, added to and stored once per point, and the next point's
// load waits on that 80-bit store; over a chunk each sum stays in a register.
constexpr int kChunkPoints = 32;
static_assert(kBlockPoints % kChunkPoints == 0);

// One chunk's factors, point by point. The evaluator writes a point's derivatives straight
// into its row (1-based, as evaluators write them), so that they are not copied.
struct TCoefficientChunk {
  int n = 0;
  long double deriv[kChunkPoints][kMaxNonlinearParameters + 1];  // d_j, j = 1..p
  long double cw[kChunkPoints];        // the weight of the curvature (unless all are 1)
  long double gradient[kChunkPoints];  // cw gr
};

// std::isfinite read from the exponent field of the stored value, without loading it onto
// the x87 stack: inf and NaN, and no other value any arithmetic yields, have every exponent
// bit set.
bool HasFiniteExponent(const long double& v) {
  static_assert(std::numeric_limits<long double>::digits == 64);
  std::uint16_t signAndExponent;
  std::memcpy(&signAndExponent, reinterpret_cast<const unsigned char*>(&v) + 8, 2);
  return (signAndExponent & 0x7fffu) != 0x7fffu;
}

// The weighted factor cw·d_j of row j at point i, formed where a pass over the chunk reads
// it (an 80-bit store of every product costs more than forming it in each pass); the
// derivative itself when every cw is exactly 1 (`kUnit`), which it equals bit for bit.
template <bool kUnit>
long double RowFactor(const TCoefficientChunk& c, int i, int j) {
  if constexpr (kUnit)
    return c.deriv[i][j + 1];
  else
    return c.cw[i] * c.deriv[i][j + 1];
}

// How the chunk's products are summed. Every 80-bit load (fld m80) is slow, so each pass over
// the chunk keeps several sums on the x87 stack and loads each factor once for all of them:
// two rows side by side share every derivative they both read, and in the unit-weight sums
// a row's factor is itself one of the derivatives read. Each sum still receives its own
// products in point order, starting from the value it had before the chunk.

// Adds to the N sums at `sums` the products f_i d_{k+1} .. f_i d_{k+N} of each point i of the
// chunk (four sums, the factor and a derivative fill six of the eight x87 registers).
template <int N, class Factor>
void AddProducts(const TCoefficientChunk& c, Factor factor, int k, long double* sums) {
  long double s[N];
#pragma GCC unroll 4
  for (int m = 0; m < N; ++m) s[m] = sums[m];
  for (int i = 0; i < c.n; ++i) {
    const long double f = factor(i);
#pragma GCC unroll 4
    for (int m = 0; m < N; ++m) s[m] += f * c.deriv[i][k + m + 1];
  }
#pragma GCC unroll 4
  for (int m = 0; m < N; ++m) sums[m] = s[m];
}

// The sums of one row against d_1 .. d_count, four at a time.
template <class Factor>
void AddRow(const TCoefficientChunk& c, Factor factor, int count, long double* sums) {
  int k = 0;
  for (; k + 4 <= count; k += 4) AddProducts<4>(c, factor, k, sums + k);
  switch (count - k) {
    case 3: AddProducts<3>(c, factor, k, sums + k); break;
    case 2: AddProducts<2>(c, factor, k, sums + k); break;
    case 1: AddProducts<1>(c, factor, k, sums + k); break;
    default: break;
  }
}

// Two rows with factors fa and fb against the same N derivatives from d_{k+1}: 2 x N sums
// (at most four, with two factors and a derivative: seven registers).
template <int N, class FactorA, class FactorB>
void AddProductsOfTwoRows(const TCoefficientChunk& c, FactorA fa, FactorB fb, int k, long double* sa,
                          long double* sb) {
  long double s0[N], s1[N];
#pragma GCC unroll 2
  for (int m = 0; m < N; ++m) {
    s0[m] = sa[m];
    s1[m] = sb[m];
  }
  for (int i = 0; i < c.n; ++i) {
    const long double f0 = fa(i), f1 = fb(i);
#pragma GCC unroll 2
    for (int m = 0; m < N; ++m) {
      const long double d = c.deriv[i][k + m + 1];
      s0[m] += f0 * d;
      s1[m] += f1 * d;
    }
  }
#pragma GCC unroll 2
  for (int m = 0; m < N; ++m) {
    sa[m] = s0[m];
    sb[m] = s1[m];
  }
}

// The sums of two rows against d_1 .. d_count, two columns at a time.
template <class FactorA, class FactorB>
void AddTwoRows(const TCoefficientChunk& c, FactorA fa, FactorB fb, int count, long double* sa,
                long double* sb) {
  int k = 0;
  for (; k + 2 <= count; k += 2) AddProductsOfTwoRows<2>(c, fa, fb, k, sa + k, sb + k);
  if (k < count) AddProductsOfTwoRows<1>(c, fa, fb, k, sa + k, sb + k);
}

// The corner of rows j and j + 1 on the diagonal: (j, j), (j + 1, j) and (j + 1, j + 1).
template <class FactorA, class FactorB>
void AddDiagonalCorner(const TCoefficientChunk& c, FactorA fa, FactorB fb, int j, long double* sa,
                       long double* sb) {
  long double jj = sa[j], j1j = sb[j], j1j1 = sb[j + 1];
  for (int i = 0; i < c.n; ++i) {
    const long double f0 = fa(i), f1 = fb(i);
    const long double d0 = c.deriv[i][j + 1], d1 = c.deriv[i][j + 2];
    jj += f0 * d0;
    j1j += f1 * d0;
    j1j1 += f1 * d1;
  }
  sa[j] = jj;
  sb[j] = j1j;
  sb[j + 1] = j1j1;
}

// Adds the chunk to the block's lower triangle (row j from j(j+1)/2: the weighted factor
// cw·d_j times d_1 .. d_j+1) and to its gradient (cw·r times d_1 .. d_p, one more row). Rows
// are taken in pairs; with p odd the last row pairs with the gradient, which has as many
// entries.
template <bool kUnit>
void AddChunk(TCoefficientChunk& c, int p, long double* lower, long double* beta) {
  const auto row = [&c](int j) { return [&c, j](int i) { return RowFactor<kUnit>(c, i, j); }; };
  const auto gradient = [&c](int i) { return c.gradient[i]; };
  int j = 0;
  for (; j + 1 < p; j += 2) {
    long double* rowJ = lower + j * (j + 1) / 2;
    long double* nextRow = rowJ + j + 1;
    AddTwoRows(c, row(j), row(j + 1), j, rowJ, nextRow);
    AddDiagonalCorner(c, row(j), row(j + 1), j, rowJ, nextRow);
  }
  if (j < p)
    AddTwoRows(c, row(j), gradient, p, lower + j * (j + 1) / 2, beta);
  else
    AddRow(c, gradient, p, beta);
  c.n = 0;
}

// One pass of a user function's fit over its points, as its blocks' evaluations see it:
// once one block's question says no, every other block's says no at its next safe point,
// whichever thread sums it (a helper has no question of its own to ask).
struct TPassStop {
  std::atomic<bool> stop{false};
  std::atomic<bool> skipped{false};  // the no was the skip of this equation, not a stop of the run
  std::atomic<bool> told{false};     // the no was the calling thread's own question's (a Cancel)
};

// The question of a block's evaluations: the pass already stopped; then the question of the
// thread summing the block (the run being stopped, a Cancel); then whether the user asked to
// skip the equation in progress.
std::function<bool()> PassQuestion(const TMarquardtState& st, TPassStop& pass, std::function<bool()> outer) {
  return [&st, &pass, outer = std::move(outer)] {
    if (pass.stop.load(std::memory_order_relaxed)) return false;
    if (outer && !outer()) {
      pass.told.store(true, std::memory_order_relaxed);
      pass.stop.store(true, std::memory_order_relaxed);
      return false;
    }
    if (st.skipAsked && st.skipAsked()) {
      pass.skipped.store(true, std::memory_order_relaxed);
      pass.stop.store(true, std::memory_order_relaxed);
      return false;
    }
    return true;
  };
}

// The sums of the visited points first..last-1 (every step-th active point, counted from
// 0) from zero, evaluated at the block's own copy of the parameters (the evaluators repair
// degenerate ones in place, the same way in every block). A user function reads Z and W
// from the expression context of the thread that sums the block. The block starts with
// the fault flags cleared and keeps those standing at its end, and its last evaluation's
// error code, for the fit's thread to put together in the blocks' order.
//
// `kUserFunction`: a user function is fitted (st.udf), with its expression context, its
// questions and its stops; a built-in shape's point loop is compiled without them.
template <bool kUserFunction>
void SumBlockOf(const TMarquardtState& st, const long double* a, int p, const TNonlinearModel& f,
                int step, std::size_t first, std::size_t last, TPassStop& pass, TBlockSums& out) {
  std::copy(a, a + p + 1, out.a);
  std::fill(out.alpha, out.alpha + p * (p + 1) / 2, 0.0L);
  std::fill(out.beta, out.beta + p, 0.0L);
  long double loss = 0.0L, ss = 0.0L;
  out.usable = false;
  out.stopped = false;
  ExprContext* const expr = kUserFunction ? &ExprThreadContext() : nullptr;
  // The block's own question for the span of its evaluations: its "no" and the stop it
  // leaves (ExprContext::stopped) end with the block, so that a skipped equation leaves the
  // thread free for the next one.
  std::optional<TEvaluationStopScope> question;
  if constexpr (kUserFunction) question.emplace(*expr, PassQuestion(st, pass, expr->goOn));
  TCoefficientChunk chunk;
  // Without weights the curvature's factor cw is exactly 1 unless a robust loss forms it.
  const bool unit = st.table->unitWeights && st.robustMode != kRobustLorentzian &&
                    st.robustMode != kRobustPearsonVII;
  const auto addChunk = unit ? AddChunk<true> : AddChunk<false>;
  std::feclearexcept(kFaultFlags);
  const auto finish = [&](bool usable) {
    addChunk(chunk, p, out.alpha, out.beta);
    out.loss = loss;
    out.ss = ss;
    out.usable = usable;
    out.faults = std::fetestexcept(kFaultFlags);
    out.exprError = kUserFunction ? expr->ExprMathError : 0;
  };
  const std::vector<TFitPoint>& points = st.table->points;
  if constexpr (kUserFunction) {
    if (pass.stop.load(std::memory_order_relaxed)) {  // taken after the pass stopped
      out.stopped = true;
      finish(false);
      return;
    }
  }
  // The shape's point evaluator reads the logarithms a table formed with them holds.
  const TNonlinearPointEvaluator atPoint = st.table->logs ? f.pointEvaluator : nullptr;
  for (std::size_t v = first; v < last; ++v) {
    const TFitPoint& pt = points[v * static_cast<std::size_t>(step)];
    if constexpr (kUserFunction) {
      expr->ExprVars.Z() = pt.z;
      expr->ExprVars.W() = pt.weight;
    }
    long double* d = chunk.deriv[chunk.n];
    long double zf = 0.0L;
    if (atPoint)
      atPoint(pt.at, out.a, &zf, d);
    else
      f.evaluator(pt.at.x, pt.at.y, out.a, &zf, d);
    // A stopped evaluation has no value, whatever it left (a stopped run of a derivative
    // reads as a failed one, 1e-30): the pass ends here.
    if constexpr (kUserFunction) {
      if (expr->stopped) {
        out.stopped = true;
        finish(false);
        return;
      }
    }
    // A failed evaluation must never enter the sums as if it were a value: a user function's
    // run that failed gives the missing value, a built-in shape driven outside its domain a
    // value that is not finite. The points before it are summed all the same, so that
    // the flags standing are those of a point-by-point pass.
    bool usable = IsUsableValue(zf);
    for (int j = 1; j <= p && usable; ++j) usable = HasFiniteExponent(d[j]);
    if (!usable) {
      finish(false);
      return;
    }

    const long double r = pt.z - zf;
    const long double w = pt.w;
    const long double rr = std::fabs(r) < kTinyResidual ? 0.0L : r;
    long double cw = w;   // weight of the curvature and of the gradient's residual term
    long double gr = rr;  // the residual term of the gradient
    switch (st.robustMode) {
      case kRobustLeastAbsDev:
        loss += w * std::fabs(rr);
        // sign(r), with sign(0) = -1 as the method has always had it: a point fitted exactly
        // still pulls, which keeps the iteration from stalling on the points it interpolates.
        gr = r > 0.0L ? 1.0L : -1.0L;
        break;
      case kRobustLorentzian:
        loss += w * std::log1p(kLorentzianC * rr * rr);
        cw = w * 2.0L * kLorentzianC / (1.0L + kLorentzianC * rr * rr);
        break;
      case kRobustPearsonVII:
        loss += w * 0.5L * std::log1p(kPearsonC * rr * rr);
        cw = w * kPearsonC / (1.0L + kPearsonC * rr * rr);
        break;
      default:
        loss += w * rr * rr;
        break;
    }
    ss += w * r * r;
    const int n = chunk.n++;
    chunk.gradient[n] = cw * gr;
    if (!unit) chunk.cw[n] = cw;
    if (chunk.n == kChunkPoints) addChunk(chunk, p, out.alpha, out.beta);
  }
  finish(true);
}

void SumBlock(const TMarquardtState& st, const long double* a, int p, const TNonlinearModel& f,
              int step, std::size_t first, std::size_t last, TPassStop& pass, TBlockSums& out) {
  if (st.udf)
    SumBlockOf<true>(st, a, p, f, step, first, last, pass, out);
  else
    SumBlockOf<false>(st, a, p, f, step, first, last, pass, out);
}

}  // namespace

bool MarquardtCoefficients(TMarquardtState& st, long double* a, int p, LDMatrix& alpha,
                           long double* beta, long double& loss, long double& ss,
                           const TNonlinearModel& f, int step) {
  if (p > kMaxNonlinearParameters || !st.table) return false;
  for (int j = 1; j <= p; ++j)
    if (std::fabs(a[j]) < kTinyParameter) a[j] = 0.0L;
  const std::size_t visited =
      (st.table->points.size() + static_cast<std::size_t>(step) - 1) / static_cast<std::size_t>(step);
  const int blocks = static_cast<int>((visited + kBlockPoints - 1) / kBlockPoints);
  if (st.blocks.size() < static_cast<std::size_t>(blocks)) return false;  // not made by InitMarquardtState
  ExprContext* expr = st.udf ? &ExprThreadContext() : nullptr;
  int faults = std::fetestexcept(kFaultFlags);
  int exprError = expr ? expr->ExprMathError : 0;

  TPassStop pass;
  const auto sumBlock = [&](int b) {
    const std::size_t first = static_cast<std::size_t>(b) * kBlockPoints;
    SumBlock(st, a, p, f, step, first, std::min(visited, first + kBlockPoints), pass,
             st.blocks[static_cast<std::size_t>(b)]);
  };
  // Waiting for the helpers' blocks, the fit's thread still asks its own question (a Cancel
  // on the user-interface thread is heard nowhere else).
  const auto askWhileWaiting = [&] {
    if (expr && expr->goOn && !pass.stop.load(std::memory_order_relaxed) && !expr->goOn()) {
      pass.told.store(true, std::memory_order_relaxed);
      pass.stop.store(true, std::memory_order_relaxed);
    }
  };
  int summed = blocks;
  if (st.helpers && blocks > 1) {
    st.helpers->Run(blocks, sumBlock, askWhileWaiting);
  } else {
    for (int b = 0; b < blocks; ++b) {
      sumBlock(b);
      if (!st.blocks[static_cast<std::size_t>(b)].usable) {
        summed = b + 1;
        break;
      }
    }
  }

  // The blocks added in their order, whoever summed them, up to the first that could not be
  // evaluated; the flags and the error code left standing are those a pass over the same
  // points one after another leaves (a user function's evaluation clears the flags first).
  const int entries = p * (p + 1) / 2;
  long double lower[kBlockSumsEntries] = {};
  std::fill(beta, beta + p, 0.0L);
  loss = ss = 0.0L;
  bool usable = true;
  for (int b = 0; b < summed && usable; ++b) {
    const TBlockSums& s = st.blocks[static_cast<std::size_t>(b)];
    usable = s.usable;
    faults = expr ? s.faults : faults | s.faults;
    exprError = s.exprError;
    if (b == 0) {
      // The repairs the evaluators made, the same in every block.
      std::copy(s.a + 1, s.a + p + 1, a + 1);
      std::copy(s.alpha, s.alpha + entries, lower);
      std::copy(s.beta, s.beta + p, beta);
      loss = s.loss;
      ss = s.ss;
      continue;
    }
    for (int e = 0; e < entries; ++e) lower[e] += s.alpha[e];
    for (int j = 0; j < p; ++j) beta[j] += s.beta[j];
    loss += s.loss;
    ss += s.ss;
  }
  std::feclearexcept(kFaultFlags);
  if (faults) std::feraiseexcept(faults);
  if (expr) expr->ExprMathError = exprError;
  for (int b = 0; b < summed; ++b)
    if (st.blocks[static_cast<std::size_t>(b)].stopped) st.evaluationStopped = true;
  if (pass.stop.load(std::memory_order_relaxed)) st.evaluationStopped = true;
  if (st.evaluationStopped) st.evaluationSkipped = pass.skipped.load(std::memory_order_relaxed);
  // The blocks' own questions have ended with them: the No of the calling thread's question
  // stands for the rest of its task (ExprContext::stopped), as the interpreter keeps it, so
  // that a caller outside the fit (a refit's covariance) knows it was stopped.
  if (expr && pass.told.load(std::memory_order_relaxed)) expr->stopped = true;
  if (!usable || st.evaluationStopped) return false;
  for (int j = 0; j < p; ++j)
    for (int k = 0; k <= j; ++k) alpha[j][k] = alpha[k][j] = lower[j * (j + 1) / 2 + k];
  return true;
}

int MarquardtSolve(long double* const* A, int n, long double* b) {
  return SolveGaussJordan(A, b, n).status;
}

void MarquardtRelease(TMarquardtState& st) {
  st.trialA = {};
  st.change = {};
  st.gradient = {};
  st.trialGradient = {};
  st.dampingScale = {};
}

int MarquardtStep(TMarquardtState& st, long double* a, int p, LDMatrix& trial, LDMatrix& alpha,
                  long double& loss, const TNonlinearModel& f, long double& lambda, int step) {
  if (lambda < 0.0L) {
    if (!AllocateStepStorage(st, p)) return kStepNoMemory;
    st.acceptedMeasured = false;
    lambda = kLambdaStart;
    if (!Measure(st, a, p, alpha, f, step)) return kStepFailed;
    loss = st.acceptedLoss;
  } else if (lambda > 0.0L && step != st.previousStep) {
    // The sample changed: the accepted parameters are measured on the new one, so that
    // the trial competes with them on the same points (taking the trial unseen could keep
    // a step that is worse on every point, or one outside a user function's limits).
    if (!Measure(st, a, p, alpha, f, step)) return kStepFailed;
  }

  st.trialLoss = std::numeric_limits<long double>::infinity();
  const int solved = SolveDamped(st, p, trial, alpha, lambda);
  if (solved < 0) return kStepNoMemory;
  if (lambda == 0.0L) {
    MarquardtRelease(st);
    loss = st.acceptedSS;
    return kStepFinal;
  }
  if (solved == 0) {
    // Only a damping too small for the curvature's own rounding leaves the system singular:
    // damp harder, as after a rejected step.
    lambda = std::min(lambda * 10.0L, kLambdaMax);
    loss = st.acceptedLoss;
    return kStepSingular;
  }

  for (int j = 1; j <= p; ++j)
    st.trialA[static_cast<std::size_t>(j)] = a[j] + st.change[static_cast<std::size_t>(j - 1)];
  long double trialLoss = 0.0L, trialSS = 0.0L;
  const bool measured = MarquardtCoefficients(st, st.trialA.data(), p, trial,
                                              st.trialGradient.data(), trialLoss, trialSS, f, step);
  trialLoss *= step;
  trialSS *= step;

  if (measured) trialLoss = WithLimitPenalty(st, st.trialA.data(), trialLoss);

  if (measured) st.trialLoss = trialLoss;
  if (measured && trialLoss < st.acceptedLoss &&
      !ThrowsParameterAway(st, a, p, trial)) {
    lambda = std::max(lambda * 0.1L, kLambdaMin);
    st.acceptedLoss = trialLoss;
    st.acceptedSS = trialSS;
    std::swap(alpha, trial);
    std::swap(st.gradient, st.trialGradient);
    RememberDiagonal(st, p, alpha);
    for (int j = 1; j <= p; ++j) a[j] = st.trialA[static_cast<std::size_t>(j)];
    st.previousStep = step;
    loss = trialLoss;
    return kStepAccepted;
  }
  loss = st.acceptedLoss;
  st.previousStep = step;
  if (measured && trialLoss == st.acceptedLoss) {
    // The step changed nothing the arithmetic can see: it is too short to judge, not bad.
    // Lengthen it, as a trust region would grow: on a plateau (a decay rate so large that
    // its term has vanished) only a nearly undamped step reaches back to where the loss
    // changes, and lambda must fall far enough for that.
    lambda = std::max(lambda * 0.1L, kLambdaMin);
    return kStepFlat;
  }
  lambda = std::min(lambda * 10.0L, kLambdaMax);
  return kStepRejected;
}

namespace {

// The relative change of the loss that the convergence test compares with the tolerance:
// of r² (the loss against SST - loss) for least squares, of the loss itself for the robust
// losses; 1 where that is undefined.
long double RelativeChange(const TMarquardtState& st, long double previous, long double loss) {
  if (st.robustMode == kRobustLeastSquares)
    return loss != st.sst ? std::fabs((previous - loss) / (st.sst - loss)) : 1.0L;
  return loss != 0.0L ? std::fabs((previous - loss) / loss) : 1.0L;
}

// The decrease of the loss that the undamped (Gauss-Newton) step from the accepted
// parameters promises, gradient . alpha^-1 gradient, twice over (a robust loss's first-order
// decrease is twice that of its quadratic model), on the scale of the losses compared (the
// sampling step); infinite when the curvature is singular. Solved in `scratch` and the
// change vector, which the next step overwrites.
long double NewtonPromise(TMarquardtState& st, int p, const LDMatrix& alpha, LDMatrix& scratch) {
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k < p; ++k) scratch[j][k] = alpha[j][k];
    st.change[static_cast<std::size_t>(j)] = st.gradient[static_cast<std::size_t>(j)];
  }
  if (MarquardtSolve(scratch.Data(), p, st.change.data()) != 1)
    return std::numeric_limits<long double>::infinity();
  long double sum = 0.0L;
  for (std::size_t j = 0; j < static_cast<std::size_t>(p); ++j) sum += st.change[j] * st.gradient[j];
  return 2.0L * std::fabs(sum) * st.previousStep;
}

// Whether value v of user-function parameter j (1-based) lies beyond one of its limits (a
// limit whose expression failed holds the missing value and bounds nothing).
bool BeyondLimit(const TUdfRecord& r, int j, long double v) {
  const long double lower = r.Lower[static_cast<std::size_t>(j - 1)];
  const long double upper = r.Upper[static_cast<std::size_t>(j - 1)];
  return (!IsMissingValue(lower) && v < lower) || (!IsMissingValue(upper) && v > upper);
}

// The share of what is left to gain that the undamped (Gauss-Newton) step from the accepted
// parameters a promises: gradient . alpha^-1 gradient, the decrease of the loss's quadratic
// model, against SST - loss (least squares) or the loss (the robust losses), as the
// convergence test measures a change. It is the scaled gradient of the fit: invariant to the
// parameters' units, and 0 exactly at a minimum. The curvature is scaled to a unit diagonal
// and held off singularity by a ridge just above its own rounding, so that a direction the
// data do not determine (a vanished column, or two that coincide) promises nothing where an
// exact inverse would promise noise or infinity; a column without curvature has no gradient
// either and is left out. A user-function parameter that the step would take beyond one of
// its limits is held there (the limit, not the data, ends its way) and the promise is that of
// the others. Solved in `scratch` and the change vector, which the next step overwrites;
// infinite when it cannot be formed.
long double ScaledPromise(TMarquardtState& st, int p, const long double* a, const LDMatrix& alpha, LDMatrix& scratch) {
  long double scale[kMaxNonlinearParameters];
  bool held[kMaxNonlinearParameters] = {};
  for (;;) {
    for (int j = 0; j < p; ++j) {
      const long double d = alpha[j][j];
      scale[j] = !held[j] && d > 0.0L && std::isfinite(d) ? 1.0L / std::sqrt(d) : 0.0L;
    }
    for (int j = 0; j < p; ++j) {
      for (int k = 0; k < p; ++k) scratch[j][k] = alpha[j][k] * scale[j] * scale[k];
      scratch[j][j] = scale[j] > 0.0L ? 1.0L + kPromiseRidge : 1.0L;
      st.change[static_cast<std::size_t>(j)] = st.gradient[static_cast<std::size_t>(j)] * scale[j];
    }
    if (MarquardtSolve(scratch.Data(), p, st.change.data()) != 1) return std::numeric_limits<long double>::infinity();
    long double sum = 0.0L;
    bool more = false;
    for (int j = 0; j < p; ++j) {
      auto& c = st.change[static_cast<std::size_t>(j)];
      c *= scale[j];
      sum += c * st.gradient[static_cast<std::size_t>(j)];
      if (st.udfRecord && scale[j] > 0.0L && BeyondLimit(*st.udfRecord, j + 1, a[j + 1] + c)) held[j] = more = true;
    }
    if (!std::isfinite(sum)) return std::numeric_limits<long double>::infinity();
    if (!more) return RelativeChange(st, st.acceptedLoss + std::fabs(sum) * st.previousStep, st.acceptedLoss);
  }
}

// Whether the accepted parameters are a minimum to the tolerance: the undamped step promises
// less than the tolerance. Small changes of the loss alone do not tell: a fit whose damping
// holds its steps short changes its loss by rounding only, far from its minimum.
bool AtMinimum(TMarquardtState& st, int p, const long double* a, const LDMatrix& alpha, LDMatrix& scratch,
               long double tolerance) {
  return ScaledPromise(st, p, a, alpha, scratch) < tolerance;
}

// The least-absolute-deviation loss has no gradient that vanishes at its minimum (its kinks
// lie there): its fits are judged by their changes alone.
bool JudgedByGradient(const TMarquardtState& st) { return st.robustMode != static_cast<int>(kRobustLeastAbsDev); }

// The damping scale starts afresh from the present curvature (each parameter's diagonal; a
// column that has vanished keeps the scale it had).
void RefreshDampingScale(TMarquardtState& st, int p, const LDMatrix& alpha) {
  for (int j = 0; j < p; ++j) {
    const long double d = alpha[j][j];
    if (d > 0.0L && std::isfinite(d)) st.dampingScale[static_cast<std::size_t>(j)] = d;
  }
}

// A parameter that ended within a thousandfold of the floor below which parameters are
// set to 0 was pushed there by the iteration, which could take it no further: the fit
// followed a valley out of reach (b1 exp(b2/(x + b3)) with b1 at 1e-30 and b2 huge), and its
// values are no answer.
bool RestsOnTheFloor(const long double* a, int p) {
  for (int j = 1; j <= p; ++j)
    if (a[j] != 0.0L && std::fabs(a[j]) < kFloorReach * kTinyParameter) return true;
  return false;
}

}  // namespace

MarquardtRun IterateMarquardt(TMarquardtState& st, int p, long double* a, LDMatrix& alpha,
                              LDMatrix& trial, const TNonlinearModel& f, const TNonlinearFitRequest& rq,
                              const std::function<int(int iteration)>& progress) {
  long double lambda = -1.0L, loss = 0.0L, previous = kNoLoss;
  int iteration = 0, converged = 0, unaccepted = 0;
  // The accepted loss when the damping was last started afresh (kNoLoss: never).
  long double restartedAt = kNoLoss;
  const int m = ActivePointCount(st);
  int step = rq.sampling ? SamplingStep(m, p, rq.samplingFactor) : 1;
  const int coarseLimit = std::min(rq.iterationLimit - 1, kCoarseLimit);
  const long double exactLoss = kExactLossRatio * st.sst;
  const bool leastSquares = st.robustMode == kRobustLeastSquares;

  st.evaluationStopped = st.evaluationSkipped = false;
  for (;;) {
    const long double tried = lambda < 0.0L ? kLambdaStart : lambda;  // the trial's damping
    int r = MarquardtStep(st, a, p, trial, alpha, loss, f, lambda, step);
    // Stopped mid-pass: this pass's sums are no answer. A stop of the run aborts the fit. A
    // skip ends it where it stands when the accepted parameters were measured on every
    // point (as a skip at a report does); before that, finishing it would take another whole
    // pass of a function that may take minutes a pass, and it ends without a record.
    if (st.evaluationStopped) {
      if (!st.evaluationSkipped) return {MarquardtEnd::kAborted, iteration};
      const bool standing = st.acceptedMeasured && st.previousStep == 1;
      return {standing ? MarquardtEnd::kSkipped : MarquardtEnd::kSkippedUnmeasured, iteration};
    }
    if (r == kStepNoMemory) return {MarquardtEnd::kNoMemory, iteration};
    if (r == kStepFailed) return {MarquardtEnd::kFailed, iteration};

    // Only a step that moved the parameters is evidence of convergence: a rejected step
    // leaves the loss as it was, and its "change" of 0 says nothing. A rejected step whose
    // trial loss differs from the accepted one by less than the tolerance does count: the
    // loss is flat there to working precision. Any other rejection leaves the count alone,
    // and lambda grows until a step is accepted or lambda reaches its ceiling.
    bool stalled = false, plateau = false;
    unaccepted = r == kStepAccepted ? 0 : unaccepted + 1;
    if (r == kStepAccepted) {
      converged = RelativeChange(st, previous, loss) < rq.tolerance ? converged + 1 : 0;
      previous = loss;
    } else if (r == kStepFlat) {
      // A step that changes nothing the arithmetic can see, where the undamped step
      // promises a change below the tolerance, is one more step of no change: the
      // parameters are a minimum to working precision. (Waiting for lambda to reach its
      // floor instead ran such a fit to its iteration limit, lambda falling tenfold a step
      // from 1e-9 to 1e-100, wherever the rounding of a large sum made the last steps flat
      // rather than a unit lower.) Where it promises more, or the curvature is singular, the
      // fit is on a plateau, where only a nearly undamped step reaches back to where the
      // loss changes; even that step changing nothing ends the fit.
      if (RelativeChange(st, st.acceptedLoss + NewtonPromise(st, p, alpha, trial), st.acceptedLoss) <
          rq.tolerance)
        ++converged;
      else if (tried <= kLambdaMin)
        converged = 5, plateau = true;
    } else {
      if (r == kStepRejected && std::isfinite(st.trialLoss) &&
          RelativeChange(st, st.trialLoss, st.acceptedLoss) < rq.tolerance)
        ++converged;
      stalled = tried >= kLambdaMax;
    }
    // Five small changes end a fit at a minimum, where the undamped step promises less than
    // the tolerance. Where it promises more, the damping may have held the steps short with
    // a scale of curvature the fit has left behind (a parameter moved by orders of
    // magnitude): the damping starts afresh from the present curvature and the fit goes on,
    // to its minimum or its iteration limit. A fit that gains nothing worth the tolerance
    // before five small changes come again has stalled away from a minimum (a shape
    // saturated over the data, whose centre runs out of sight: no minimum lies within reach)
    // and ends there, not converged. (A plateau that even an undamped step cannot leave, and
    // an exact fit, end as they are.)
    if (converged > 4 && step == 1 && !plateau && !(leastSquares && loss < exactLoss) && loss != 0.0L &&
        JudgedByGradient(st) && !AtMinimum(st, p, a, alpha, trial, rq.tolerance)) {
      if (restartedAt != kNoLoss && RelativeChange(st, restartedAt, st.acceptedLoss) < rq.tolerance) {
        ++iteration;
        return {RestsOnTheFloor(a, p) ? MarquardtEnd::kAtFloor : MarquardtEnd::kStalledAway, iteration};
      }
      converged = 0;
      RefreshDampingScale(st, p, alpha);
      lambda = kLambdaStart;
      restartedAt = st.acceptedLoss;
    }
    // Steps too short to change anything and steps that fail, alternating, move lambda up
    // and down without end: more trials without an accepted step than a sweep of lambda's
    // whole range takes is a stall too.
    if (unaccepted > kUnacceptedLimit) stalled = true;
    // An exact fit: a least-squares loss at the arithmetic's floor, or a robust loss of 0
    // (residuals below 1e-30 count as 0 there).
    if ((leastSquares && loss < exactLoss) || loss == 0.0L) converged = 5;

    if (step > 1 && (stalled || converged > 4 || iteration >= coarseLimit)) {
      // The coarse sample has done what it can: go on with every point (a coarse fit that
      // stalled starts its damping afresh there).
      step = 1;
      previous = loss = kNoLoss;
      iteration = 0;
      converged = 0;
      if (stalled) lambda = kLambdaStart;
      stalled = false;
      unaccepted = 0;
      r = kStepAccepted;
    }
    ++iteration;
    if (iteration == rq.checkIteration && step == 1 && leastSquares && st.sst > 0.0L &&
        1.0L - st.acceptedSS / st.sst < rq.abandonR2)
      return {MarquardtEnd::kAbandoned, iteration};
    if (progress && ((r == kStepAccepted && step == 1) || iteration == 1)) {
      const int answer = progress(iteration);
      if (answer == 0) return {MarquardtEnd::kAborted, iteration};
      if (answer == -1) return {MarquardtEnd::kSkipped, iteration};
    }
    if (stalled) return {MarquardtEnd::kStalled, iteration};
    if (converged > 4 || iteration >= rq.iterationLimit) {
      if (RestsOnTheFloor(a, p)) return {MarquardtEnd::kAtFloor, iteration};
      // The iterations ran out: at a minimum all the same when the undamped step promises
      // nothing more (the last changes wavered about the tolerance).
      const bool minimum = converged > 4 || (JudgedByGradient(st) && AtMinimum(st, p, a, alpha, trial, rq.tolerance));
      return {minimum ? MarquardtEnd::kConverged : MarquardtEnd::kIterationLimit, iteration};
    }
  }
}

bool MarquardtAtMinimum(TMarquardtState& st, int p, const long double* a, const LDMatrix& alpha, LDMatrix& scratch,
                        long double tolerance) {
  return JudgedByGradient(st) && AtMinimum(st, p, a, alpha, scratch, tolerance);
}

bool FinishOnAllPoints(TMarquardtState& st, int p, long double* a, LDMatrix& alpha,
                       const TNonlinearModel& f) {
  return st.previousStep == 1 || Measure(st, a, p, alpha, f, 1);
}

namespace {

// A user function's fitted surface must have a value all over the data rectangle, as its
// samples tell (the built-in shapes are finite wherever their parameters are): Z =
// A0/(X-A1)+A2*Y fitted to points on both sides of x = 2 is exact at every point and has a
// pole at A1 = 2 between them, and Z = A0*LN(X+Y-A1) none in the rectangle's corner below
// x + y = A1. The samples hear the skip of the equation and the run's stop as the passes do
// (a costly function's thousand samples take longer than its fit): a sampling cut short
// leaves the fit out, since it was not shown to have a value everywhere.
enum class TSampledSurface { kDefined, kUndefined, kStopped };

TSampledSurface UserSurfaceDefinedOverData(const TMarquardtState& st, const TDataStats& stats, int p,
                                           const long double* a, TNonlinearEvaluator f) {
  ExprContext& ctx = ExprThreadContext();
  TPassStop pass;
  const TEvaluationStopScope question(ctx, PassQuestion(st, pass, ctx.goOn));
  const auto surface = [&](long double x, long double y, long double& z) {
    long double own[kMaxNonlinearParameters + 1];
    std::copy(a, a + p + 1, own);  // the evaluator may repair its vector
    ctx.ExprMathError = 0;
    f(x, y, own, &z, nullptr);
    const bool defined = ctx.ExprMathError == 0 && IsUsableValue(z) && !ctx.stopped;
    ctx.ExprMathError = 0;
    return defined;
  };
  const bool defined = SampledSurfaceDefined(surface, {stats.X.Min, stats.X.Max}, {stats.Y.Min, stats.Y.Max},
                                             {stats.Z.Min, stats.Z.Max});
  if (pass.told.load(std::memory_order_relaxed)) return TSampledSurface::kStopped;
  return defined && !pass.stop.load(std::memory_order_relaxed) ? TSampledSurface::kDefined
                                                                : TSampledSurface::kUndefined;
}

}  // namespace

int FitNonlinearEquation(TFitRunContext& ctx, TMarquardtState& st, int p, long double* a,
                         const TNonlinearModel& f, const TNonlinearFitRequest& rq) {
  const int remembered = ctx.Listed();
  std::unique_ptr<LDMatrix> alpha = AllocLDMatrix(p, p);
  std::unique_ptr<LDMatrix> trial = AllocLDMatrix(p, p);
  if (!alpha || !trial) return -2;

  const auto report = [&](int code, std::uint32_t iteration, long double r2) {
    ctx.counters.iteration = iteration;
    ctx.counters.r2 = r2;
    return ctx.status ? ctx.status(code, rq.equationNumber, rq.fraction, ctx.counters.tried,
                                   ctx.Listed(), iteration, r2)
                      : 1;
  };
  const MarquardtRun run = IterateMarquardt(
      st, p, a, *alpha, *trial, f, rq,
      [&](int iteration) { return report(2, static_cast<std::uint32_t>(iteration), ShownR2(st)); });
  const int iteration = run.iterations;
  switch (run.end) {
    case MarquardtEnd::kNoMemory:
      MarquardtRelease(st);
      return -2;
    case MarquardtEnd::kAborted:
      MarquardtRelease(st);
      return -1;
    case MarquardtEnd::kSkippedUnmeasured:
      MarquardtRelease(st);
      return 0;
    // A fit whose damping reached its ceiling without an accepted step, or that left a
    // parameter on the floor, has not converged: it is left out, as a fit worse than the
    // mean is, rather than listed as if its parameters were an answer.
    case MarquardtEnd::kStalled:
    case MarquardtEnd::kAtFloor:
    case MarquardtEnd::kFailed:
    case MarquardtEnd::kAbandoned:
      MarquardtRelease(st);
      return 0;
    default:
      break;
  }

  // A fit that ended on the coarse sample (skipped at its first report) is measured on all
  // points before its sum of squares is recorded.
  if (!FinishOnAllPoints(st, p, a, *alpha, f)) {
    MarquardtRelease(st);
    return st.evaluationStopped && !st.evaluationSkipped ? -1 : 0;  // a second skip ends it unrecorded
  }
  // A fit skipped where it stood may stand at its minimum all the same.
  const bool converged = run.end == MarquardtEnd::kConverged ||
                         (run.end == MarquardtEnd::kSkipped && MarquardtAtMinimum(st, p, a, *alpha, *trial, rq.tolerance));
  ClearNonlinearFaults();
  long double lambda = 0.0L, loss = 0.0L;
  const int r = MarquardtStep(st, a, p, *trial, *alpha, loss, f, lambda, 1);
  MarquardtRelease(st);
  if (r == kStepNoMemory) return -2;
  // A singular curvature at the solution leaves the fit itself sound (its parameters are
  // not all determined by the data); its covariance is flagged when the fit is refitted.
  // A fit no better than the mean is left out, robust or not.
  const long double sse = st.acceptedSS;
  if (!(sse >= 0.0L && sse < st.sst && std::isfinite(sse)) || NonlinearFaultRaised()) return 0;
  // A user function's fit skipped where it stood is not sampled: the samples take longer
  // than a pass, and the user asked to end it; unsampled, it is not listed.
  if (st.udf && run.end == MarquardtEnd::kSkipped) return 0;
  if (st.udf) {
    const TSampledSurface sampled = UserSurfaceDefinedOverData(st, ctx.stats, p, a, f.evaluator);
    if (sampled == TSampledSurface::kStopped) return -1;
    if (sampled == TSampledSurface::kUndefined) return 0;
  }

  std::unique_ptr<TFitResult> record = NewFitResult(p - 1);
  if (!record) return -2;  // never a half-filled record
  record->procedure = kProcLevMarq;
  record->equationNumber = rq.equationNumber;
  record->determinant = 0.0L;
  record->complexity = rq.complexity;
  record->converged = converged;
  for (int j = 1; j <= p; ++j) record->parameters[static_cast<std::size_t>(j - 1)] = a[j];
  if (p > 1) record->terms[1] = iteration;
  StoreFitStatistics(*record, sse, st.sst, ctx.Observations());
  const long double r2 = record->r2;
  // A full list refuses the record and counts it; the run reports the fits it could not keep.
  (void)ctx.list.Append(std::move(record));
  if (report(3, static_cast<std::uint32_t>(iteration), r2) == 0) {
    ctx.list.Truncate(remembered);
    return -1;
  }
  return ctx.Listed() - remembered;
}
