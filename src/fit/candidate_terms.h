// The 42 candidate terms of the term-subset equations, and the value of a term-subset fit.
//
// Term code t in 0..41: codes 0-20 are functions of x, codes 21-41 the same functions of y
// (code 21 + k is function k of y). s_x and s_y are the scales of the exponential terms of
// the run that made the fit (TFitRunScales::xScale, yScale).
//
//    0 x          7 exp(x/s_x)   14 1/√x
//    1 x·ln x     8 √x·ln x      15 ln x / x
//    2 x·√x       9 (ln x)²      16 1/x
//    3 x²        10 x / ln x     17 1/(x·√x)
//    4 x²·ln x   11 √x           18 ln x / x²
//    5 x²·√x     12 ln x         19 1/x²
//    6 x³        13 1/ln x       20 exp(-x)
//
// A term-subset equation has the term list (v, t_1, .., t_m) and the parameters p_0..p_m;
// its linear part is s = p_0 + Σ p_i·term(t_i)(x, y), mapped by the Z variant v: 0 gives s
// (fit of Z), 1 exp(s) (fit of ln Z), 2 1/s (fit of 1/Z), 3 s², 4 √s; -1 and any other
// variant give 0.
//
// Evaluation follows the calculation language: a division by 0 records "Division by Zero"
// and gives 0, a logarithm or root outside its domain and an overflowing exponential record
// their codes and give 0, all in the given expression context (the caller's thread's).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "fit/fit_run.h"
#include "numerics/least_squares.h"

struct ExprContext;

// The value of candidate term `code` at (x, y); 0 for a code outside 0..41.
long double TermValue(ExprContext& ctx, long double x, long double y, int code,
                      const TFitRunScales& scales);

// The value of a term-subset fit with m terms (terms[0] the variant, terms[1..m] the codes,
// p[0..m] the parameters).
long double TermSubsetValue(ExprContext& ctx, long double x, long double y, const long double* p,
                            std::span<const std::int32_t> terms, int m,
                            const TFitRunScales& scales);

// Σ w·(Z - z)² over the active points, w = W·weightScale (the weights of every SSE and SST
// of a run). A fit that is undefined at some active point (a math error, a result that is
// not a finite number) has no SSE there: the result is then +infinity, which no acceptance
// test passes. Leaves the math error of `ctx` cleared.
long double TermSubsetSSE(ExprContext& ctx, std::span<const TXYZPoint> points,
                          long double weightScale, const long double* p,
                          std::span<const std::int32_t> terms, int m,
                          const TFitRunScales& scales);

// The most terms TTermColumns::LeastSquaresAtPoints solves for: a term-subset fit has 2 to 8.
inline constexpr int kMaxCentredTerms = 8;

// The candidate terms at the active points of a table, each term computed at every point once,
// when a fit first asks for it: the SSE of many term-subset fits over the same points then
// costs no logarithm, root or exponential again. SubsetSse is TermSubsetSSE to the last bit
// (the same terms, sums and order).
class TTermColumns {
 public:
  TTermColumns(std::span<const TXYZPoint> points, long double weightScale, const TFitRunScales& scales);
  // With `linearSse`, the same pass also gives the sum of squares of the linear part s in
  // the units of the Z variant v = terms[0], with its weights: Σ ω_v·(Z_v - s)² (ω_0 = w,
  // ω_1 = w·z², ω_2 = w·z⁴; Z_v = z, ln z, 1/z, a z of 0 taken as 1e-300 as the sums take
  // it); +infinity where the SSE is.
  long double SubsetSse(ExprContext& ctx, const long double* p, std::span<const std::int32_t> terms, int m,
                        long double* linearSse = nullptr);
  // Iterative refinement of a fit's parameters p[0..m] (intercept, then slopes) with the
  // residuals at the points: `steps` times, the slopes move by S⁻¹·g, g_j = Σ ω·r·(t_j - mean_j)
  // the gradient of the residuals' sum of squares about the means and S the centred normal
  // matrix of the terms (m x m, row pointers, as the correlation form has it; solved, not
  // changed), and the intercept follows the means. Each step divides the error of
  // normal-equation parameters by about 1/(γ·κ), κ the condition of S scaled to a unit
  // diagonal: from a correlation form that holds the r² (γ·κ below 1e-4) two steps reach
  // the accuracy of a solution by QR, at the cost of two passes over the points instead of a
  // factorisation of them. False (p untouched) where a term has no value at a point or the
  // result is not finite.
  bool RefineAtPoints(ExprContext& ctx, std::span<const std::int32_t> terms, int m, long double* const* normal,
                      long double* p, int steps);
  // The weighted least-squares fit of Z_v on the terms, solved from the points by QR with
  // every column centred on its weighted mean, into p[0..m] (intercept, then the slopes).
  // Not solved when a term has no value at some point, or the centred design's scaled
  // condition reaches maxCondition (the terms are dependent on the data).
  TLeastSquaresResult LeastSquaresAtPoints(ExprContext& ctx, std::span<const std::int32_t> terms, int m,
                                           long double maxCondition, long double* p);

 private:
  // The values of a term at the points; null when it is undefined at one of them.
  const long double* Column(ExprContext& ctx, int code);
  // The columns of terms[1..m] into cols[1..m]; false when one is undefined.
  bool Columns(ExprContext& ctx, std::span<const std::int32_t> terms, int m, const long double** cols);
  // ω_v and Z_v at the points, formed when a variant first asks for them.
  struct TVariantColumns {
    std::vector<long double> omega, zv;
    long double total = 0.0L;  // Σ ω
    std::array<long double, kCandidateTermCount> means{};  // Σ ω·t / Σ ω of each term, NaN until formed
  };
  const TVariantColumns& Variant(int variant);
  // The weighted mean of a term's column under a variant's weights, formed once.
  long double ColumnMean(int variant, int code, const long double* column);

  std::vector<long double> x_, y_, z_, w_;  // the active points in table order, W as stored
  long double weightScale_;
  TFitRunScales scales_;
  std::array<std::vector<long double>, kCandidateTermCount> columns_;
  std::array<std::int8_t, kCandidateTermCount> state_{};  // 0 not formed, 1 defined, -1 undefined
  std::array<TVariantColumns, 3> variants_;
  TLeastSquaresQR qr_;  // work of LeastSquaresAtPoints
};

// The inverse normal matrix of a term-subset fit (the intercept, then its terms, with the
// weights ω_v of its Z variant) formed at the active points by QR of its weighted design, for
// a fit whose normal matrix from the sums is too ill-conditioned to be inverted itself. False
// where a term has no value at a point, or for a singular design.
bool SubsetNormalInverseAtPoints(std::span<const TXYZPoint> points, long double weightScale, const TFitRunScales& scales,
                                 std::span<const std::int32_t> terms, int m, long double* const* inverse);

// The typical size of every candidate term over the data: the largest |term| at three
// points of the data box, (X min, Y min), (X mean, Y mean) and (X max, Y max). A term that
// is undefined at one of them counts 0 there.
using TTermMagnitudes = std::array<long double, kCandidateTermCount>;
TTermMagnitudes TermMagnitudes(const TDataStats& stats, const TFitRunScales& scales);

// The contribution of a coefficient `value` of term `code`: |value| times the term's size.
inline long double TermScale(long double value, int code, const TTermMagnitudes& sizes) {
  const long double a = value < 0 ? -value : value;
  return code >= 0 && code < kCandidateTermCount ? a * sizes[static_cast<std::size_t>(code)] : 0.0L;
}
