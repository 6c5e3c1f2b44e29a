// The Akima and Preusser methods of the scattered-data engine: Akima I (codes 0 and 20) on
// the program's own Akima kernel, Akima II (code 1) on the library's "sdbi3p", Preusser C1
// and C2 (code 2, option 1 = 1 or 2) on "c1ini"/"c1pnt" and "c2ini"/"c2pnt".
//
// All three work in unit coordinates and divide derivatives back by the ranges. Work buffers
// (N merged points):
//   Akima I   wk 5 N; iwk max(31, NCP + 27) N + 1 from the set-up, or + nx ny, allocated
//             anew, for each grid
//   Akima II  wk 17 N, iwk 39 N, over a copy of the points with three off one line first
//   Preusser  wk 5 N (C1) or 14 N (C2), zeroed, iwk 13 N, over such a copy
//
// Akima I point evaluations reuse the kernel's set-up in iwk: the kernel's MD 2 would
// estimate every point's derivatives again on each of them although z never changes within a
// set-up, so while iwk holds a successful set-up the single-point evaluator gives the same
// numbers from it directly. Grids reuse the set-up too (after a failed grid, the next point
// evaluation sets the kernel up again).
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/long_double.h"
#include "app/point_table.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/numerical_library.h"

namespace {

// Akima II needs 10 points for its cubic fits.
constexpr int kAkima2MinPoints = 10;

int PreusserRealWork(int option1) { return option1 == 2 ? 14 : 5; }

}  // namespace

// ---- Akima I ----

int TNParm3D::SetupAkima1() {
  TakeColumns(working_, true);
  wk_.assign(AkimaRealWorkSize(pointCount_), 0.0);
  neighbourCount_ = std::min(pointCount_ - 1, 5);
  akimaPoints_.reset();
  // The kernel's set-up (triangulation, closest points, derivatives) for one point: points it
  // cannot interpolate (two alike, all on one line, values that are not numbers) fail the
  // set-up here, as they do for the other methods, instead of leaving a surface whose every
  // value is missing. Point evaluations and grids then reuse this set-up.
  if (xd_.empty()) return 0;
  iwk_.assign(AkimaIntWorkSize(neighbourCount_, pointCount_, 1, 1), 0);
  const double u[1] = {xd_[0]}, v[1] = {yd_[0]};
  double z[1] = {0.0};
  if (AkimaGridInterpolate(kAkimaNewPoints, neighbourCount_, pointCount_, xd_, yd_, zd_, 1, 1, u,
                           v, z, iwk_, wk_, kDerivValue) < 1) {
    FreeWork();
    return 0;
  }
  akimaPoints_ = TAkimaPointEvaluator::Build(pointCount_, xd_, yd_, iwk_);
  return 1;
}

long double TNParm3D::EvalAkima1(long double x, long double y, int mode) {
  if (xd_.empty() || wk_.empty()) return 0.0L;
  const double u[1] = {static_cast<double>(UnitX(x))};
  const double v[1] = {static_cast<double>(UnitY(y))};
  double z[1] = {0.0};
  if (akimaPoints_) {
    z[0] = akimaPoints_->Evaluate(u[0], v[0], mode, zd_, wk_);
  } else {
    int md = kAkimaNewValues;
    if (iwk_.empty()) {
      iwk_.assign(AkimaIntWorkSize(neighbourCount_, pointCount_, 1, 1), 0);
      md = kAkimaNewPoints;
    }
    // A point the kernel cannot evaluate is missing, never 0: the surface has no value there.
    if (AkimaGridInterpolate(md, neighbourCount_, pointCount_, xd_, yd_, zd_, 1, 1, u, v, z, iwk_,
                             wk_, mode) < 1)
      return ExprErrorValue;
    akimaPoints_ = TAkimaPointEvaluator::Build(pointCount_, xd_, yd_, iwk_);
  }
  const long double result = FromUnits(z[0], mode);
  return std::isfinite(result) ? result : ExprErrorValue;
}

std::vector<long double> TNParm3D::GridAkima1(int nx, int ny, std::span<const long double> xs,
                                              std::span<const long double> ys, int mode) {
  if (xd_.empty() || wk_.empty()) return {};
  std::vector<double> u(static_cast<std::size_t>(nx)), v(static_cast<std::size_t>(ny));
  std::vector<double> z(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  for (int i = 0; i < nx; ++i) u[static_cast<std::size_t>(i)] = static_cast<double>(UnitX(xs[static_cast<std::size_t>(i)]));
  for (int j = 0; j < ny; ++j) v[static_cast<std::size_t>(j)] = static_cast<double>(UnitY(ys[static_cast<std::size_t>(j)]));
  // The triangulation and the closest points depend on the points alone: a grid after a
  // successful set-up (a point evaluation or an earlier grid) keeps them and sorts only its
  // own points (MD 2), which gives the numbers of a new set-up without the quadratic search.
  std::vector<int> iwk(AkimaIntWorkSize(neighbourCount_, pointCount_, nx, ny), 0);
  int md = kAkimaNewPoints;
  if (akimaPoints_) {
    const std::size_t kept = AkimaIntWorkSize(neighbourCount_, pointCount_, 0, 0);
    std::copy_n(iwk_.begin(), kept, iwk.begin());
    md = kAkimaNewValues;
  }
  akimaPoints_.reset();
  iwk_ = std::move(iwk);
  if (AkimaGridInterpolate(md, neighbourCount_, pointCount_, xd_, yd_, zd_, nx, ny, u, v, z, iwk_,
                           wk_, mode) < 1) {
    // Nothing in iwk is reusable: the next point evaluation sets the kernel up again.
    iwk_ = {};
    return {};
  }
  akimaPoints_ = TAkimaPointEvaluator::Build(pointCount_, xd_, yd_, iwk_);
  std::vector<long double> grid(z.size());
  for (std::size_t k = 0; k < z.size(); ++k) {
    const long double value = FromUnits(z[k], mode);
    grid[k] = std::isfinite(value) ? value : ExprErrorValue;
  }
  return grid;
}

// ---- Akima II ----

int TNParm3D::SetupAkima2() {
  PointTable copy = CopyPoints(working_);
  if (copy.empty() || IsCollinearXY(copy, true, nullptr)) return 0;
  if (::PointCount(copy) < kAkima2MinPoints) return 0;
  TakeColumns(copy, true);
  const auto n = static_cast<std::size_t>(pointCount_);
  wk_.assign(17 * n, 0.0);
  iwk_.assign(39 * n, 0);
  const auto sdbi3p = NumLibEntry<TNumLibEntry::sdbi3p>();
  double z = 0.0;
  if (!sdbi3p || sdbi3p(1, pointCount_, xd_.data(), yd_.data(), zd_.data(), 1, &xd_[0], &yd_[0], &z,
                        wk_.data(), iwk_.data(), kDerivValue) != 0) {
    FreeWork();
    return 0;
  }
  return 1;
}

long double TNParm3D::EvalAkima2(long double x, long double y, int mode) {
  const auto sdbi3p = NumLibEntry<TNumLibEntry::sdbi3p>();
  if (!sdbi3p || xd_.empty() || wk_.empty() || iwk_.empty()) return 0.0L;
  const double u = static_cast<double>(UnitX(x)), v = static_cast<double>(UnitY(y));
  double z = 0.0;
  if (sdbi3p(3, pointCount_, xd_.data(), yd_.data(), zd_.data(), 1, &u, &v, &z, wk_.data(),
             iwk_.data(), mode) != 0)
    return ExprErrorValue;
  const long double result = FromUnits(z, mode);
  return std::isfinite(result) ? result : ExprErrorValue;
}

// ---- Preusser ----

int TNParm3D::SetupPreusser() {
  PointTable copy = CopyPoints(working_);
  if (copy.empty() || IsCollinearXY(copy, true, nullptr)) return 0;
  TakeColumns(copy, true);
  firstCall_ = 1;
  const auto n = static_cast<std::size_t>(pointCount_);
  iwk_.assign(13 * n, 0);
  wk_.assign(static_cast<std::size_t>(PreusserRealWork(option1_)) * n, 0.0);
  const auto init = option1_ == 2 ? NumLibEntry<TNumLibEntry::c2ini>()
                                  : NumLibEntry<TNumLibEntry::c1ini>();
  int ier = -1;
  if (init) init(pointCount_, xd_.data(), yd_.data(), zd_.data(), 0, wk_.data(), iwk_.data(), ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  return 1;
}

long double TNParm3D::EvalPreusser(long double x, long double y, int mode) {
  const auto point = option1_ == 2 ? NumLibEntry<TNumLibEntry::c2pnt>()
                                   : NumLibEntry<TNumLibEntry::c1pnt>();
  if (!point || xd_.empty() || wk_.empty() || iwk_.empty()) return 0.0L;
  double z = 0.0;
  int ier = 0;
  int first = firstCall_.load(std::memory_order_relaxed);
  point(pointCount_, xd_.data(), yd_.data(), zd_.data(), static_cast<double>(UnitX(x)),
        static_cast<double>(UnitY(y)), wk_.data(), iwk_.data(), first, z, 0, mode, ier);
  firstCall_.store(first, std::memory_order_relaxed);
  // Status 2 (extrapolated beyond the hull) still gives a value; only 1 has none.
  if (ier == 1) return ExprErrorValue;
  const long double result = FromUnits(z, mode);
  return std::isfinite(result) ? result : ExprErrorValue;
}

// ---- node by node (codes 1 and 2) ----

std::vector<long double> TNParm3D::GridAkimaPreusser(int nx, int ny,
                                                     std::span<const long double> xs,
                                                     std::span<const long double> ys, int mode) {
  if (xd_.empty() || wk_.empty() || iwk_.empty()) return {};
  const bool preusser = method_ == kNPPreusser;
  const bool entry = preusser ? (option1_ == 2 ? NumLibEntry<TNumLibEntry::c2pnt>() != nullptr
                                               : NumLibEntry<TNumLibEntry::c1pnt>() != nullptr)
                              : NumLibEntry<TNumLibEntry::sdbi3p>() != nullptr;
  if (!entry) return {};
  if (preusser) firstCall_ = 1;
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const long double x = xs[static_cast<std::size_t>(i)], y = ys[static_cast<std::size_t>(j)];
      grid[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx) + static_cast<std::size_t>(i)] =
          preusser ? EvalPreusser(x, y, mode) : EvalAkima2(x, y, mode);
    }
  return grid;
}
