// The engine's object: construction, the method table, option ranges, dispatch of set-up,
// evaluation and grids to the method drivers, numerical derivatives and fit statistics.
#include "smooth/engines/scattered_engine.h"

#include <algorithm>
#include <cmath>

#include "app/data_sort.h"
#include "app/long_double.h"
#include "app/point_table.h"
#include "app/shell_state.h"
#include "expr/finite_differences.h"
#include "platform/message_box.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/libs/extension_library.h"
#include "smooth/libs/numerical_library.h"

namespace {

bool IsExtensionCode(int code) { return code >= kNPExtensionFirst && code <= kNPExtensionLast; }

bool IsTriangulationCode(int code) {
  switch (code) {
    case kNPRenka1:
    case kNPOwnTriangulation:
    case kNPLoess:
    case kNPLoessGradient:
    case kNPLoessSmoothed:
    case kNPLoessCosine:
      return true;
    default:
      return false;
  }
}

// Codes whose statistics are computed at the data rather than fixed at an exact fit.
bool StatisticsComputed(int code) {
  return code == kNPLoess || code == kNPLoessGradient || IsExtensionCode(code);
}

// Codes whose surface at a data point is evaluated rather than the point's own z.
bool EvaluatesAtDataPoint(int code) {
  return code == kNPAkima2 || code == kNPWatson || code == kNPLoess ||
         code == kNPLoessGradient || IsExtensionCode(code);
}

// The loess pass of a loess code: 1 (codes 7, 18), 2 (17), 3 (19); 0 for the others.
int LoessMode(int code) {
  switch (code) {
    case kNPLoess:
    case kNPLoessSmoothed:
      return 1;
    case kNPLoessGradient:
      return 2;
    case kNPLoessCosine:
      return 3;
    default:
      return 0;
  }
}

// Codes held within the data's band beyond the hull: every built-in method.
bool HeldBeyondHull(int code) {
  return code >= 0 && code < kNPMethodCount && !IsExtensionCode(code);
}

bool NeedsLibrary(int code) {
  return (code >= kNPAkima2 && code <= kNPRenka3) || (code >= kNPLoess && code <= kNPExtensionLast);
}

}  // namespace

TNParm3D::TNParm3D(std::span<TXYZPoint> source, int method, int option1, int option2,
                   bool noLibrary, TNPSetupProgress progress)
    : method_(method), option1_(option1), option2_(option2), source_(source), progress_(std::move(progress)) {
  libraryWasLoaded_ = NumLibLoaded();
  extMethodCount_ = 0;
  if (!noLibrary) {
    if (LoadNumLib(true) != 0) {
      holdsNumLib_ = true;
    } else {
      // The box has only an OK button; the engine goes on with a method of its own.
      (void)ErrorBox(nullptr, "Missing DLL Error",
                     "The file QKIMSL.DLL was not found.\nCertain algorithms will be unavailable.");
      method_ = kNPWatson;
    }
    if (!NPDllName.empty() && LoadNPExtension(true) != 0) {
      holdsExtension_ = true;
      extMethodCount_ = ExtInfo(0, 0);
    }
  } else if (NeedsLibrary(method_)) {
    method_ = kNPAkima1;
  }

  // The data set works on a copy sorted by x, then y: replicated positions must be
  // neighbours to be merged, and the caller's table keeps its order and contents.
  sortedSource_ = CopyPoints(source_);
  SortPoints(sortedSource_, 0);
  copy_ = std::make_unique<TXYZ>(sortedSource_, nullptr);
  const TDataStats* whole = copy_->ComputeStats(0);
  sst_ = whole ? whole->SSTotal : 0.0L;
  working_ = copy_->MakeMergedCopy();
  copy_->ComputeStats(1);
  xMin_ = copy_->xMin;
  xMax_ = copy_->xMax;
  yMin_ = copy_->yMin;
  yMax_ = copy_->yMax;
  zMin_ = copy_->zMin;
  zMax_ = copy_->zMax;
  distinctX_ = copy_->CountDistinctX(working_);
  distinctY_ = copy_->CountDistinctY(working_);
  pointCount_ = usedCount_ = ::PointCount(working_);
  duplicatesMerged_ = ::PointCount(source_) != pointCount_;
  if (pointCount_ >= 4 && xMax_ > xMin_ && yMax_ > yMin_) {
    std::vector<double> u = PointsX(working_), v = PointsY(working_);
    for (double& a : u) a = static_cast<double>(UnitX(a));
    for (double& b : v) b = static_cast<double>(UnitY(b));
    hull_ = THullGuard(u, v, PointsZ(working_));
  }

  ClampOptions();
  (void)Setup();  // the outcome is read from the statistics and the evaluations
  progress_ = nullptr;  // it reported this set-up only: the caller's window may be gone next
}

TNParm3D::TNParm3D(const TNParm3D& owner, TExtrapolationTag)
    : method_(owner.method_),
      option1_(owner.option1_),
      option2_(owner.option2_),
      pointCount_(owner.pointCount_),
      usedCount_(owner.usedCount_),
      libraryWasLoaded_(true),
      duplicatesMerged_(owner.duplicatesMerged_),
      distinctX_(owner.distinctX_),
      distinctY_(owner.distinctY_),
      sst_(owner.sst_),
      xMin_(owner.xMin_),
      xMax_(owner.xMax_),
      yMin_(owner.yMin_),
      yMax_(owner.yMax_),
      zMin_(owner.zMin_),
      zMax_(owner.zMax_),
      xScale_(owner.xScale_),
      yScale_(owner.yScale_),
      working_(owner.working_),
      source_(owner.source_),
      hull_(owner.hull_),
      isExtrapolation_(true) {}

TNParm3D::~TNParm3D() {
  FreeWork();
  WatsonFree(watson_);
  loess_.reset();
  copy_.reset();
  if (holdsNumLib_) (void)LoadNumLib(false);  // giving back always succeeds
  if (holdsExtension_) (void)LoadNPExtension(false);
}

bool TNParm3D::SetMethod(int method, int option1, int option2) {
  const int oldMethod = method_, old1 = option1_, old2 = option2_;
  method_ = method;
  option1_ = option1;
  option2_ = option2;
  ClampOptions();
  std::optional<TLoessPass> pass;
  const int mode = LoessMode(method_);
  if (mode != 0 && pointCount_ >= 4) {
    // The pass runs while the engine is still the one before it: whatever evaluates it
    // meanwhile (a repaint while the progress is shown) reads the previous surface.
    const int newMethod = method_, new1 = option1_, new2 = option2_;
    method_ = oldMethod;
    option1_ = old1;
    option2_ = old2;
    bool stopped = false;
    pass = RunLoessPass(mode, new1, new2, stopped);
    if (stopped) return false;
    method_ = newMethod;
    option1_ = new1;
    option2_ = new2;
  }
  (void)SetupWith(std::move(pass));  // the caller reads the statistics or evaluates
  return true;
}

void TNParm3D::ClampOptions() {
  option1_ = std::min(std::max(option1_, Option1Min()), Option1Max());
  option2_ = std::min(std::max(option2_, Option2Min()), Option2Max());
}

void TNParm3D::FreeWork() {
  xd_ = {};
  yd_ = {};
  zd_ = {};
  wk_ = {};
  iwk_ = {};
  walkTwins_ = {};
  lineNodes_.reset();
  akimaPoints_.reset();
  secondLevel_ = TSecondLevel::kNone;
  extrapolation_.reset();
  extrapolationMade_ = false;
}

int TNParm3D::Setup() {
  std::optional<TLoessPass> pass;
  setupCancelled_ = false;
  if (const int mode = LoessMode(method_); mode != 0 && pointCount_ >= 4)
    pass = RunLoessPass(mode, option1_, option2_, setupCancelled_);
  return SetupWith(std::move(pass));
}

int TNParm3D::SetupWith(std::optional<TLoessPass> pass) {
  FreeWork();
  loess_.reset();
  WatsonFree(watson_);
  volumeKey_.reset();
  int result = 0;
  if (pointCount_ >= 4) {
    switch (method_) {
      case kNPRenka2:
        result = SetupShepard2();
        break;
      case kNPRenka3:
        result = SetupShepard3();
        break;
      case kNPWatson:
        result = SetupWatson();
        break;
      case kNPAkima1:
      case kNPAkima1Fixed:
        result = SetupAkima1();
        break;
      case kNPAkima2:
        result = SetupAkima2();
        break;
      case kNPPreusser:
        result = SetupPreusser();
        break;
      case kNPRenka1:
        result = SetupRenka(false, 2, option1_, option2_);
        break;
      case kNPOwnTriangulation:
        result = SetupRenka(true, 0, 0, 0);
        break;
      case kNPLoess:
      case kNPLoessSmoothed:
      case kNPLoessGradient:
      case kNPLoessCosine:
        result = SetupLoess(LoessMode(method_), std::move(pass));
        break;
      default:
        if (IsExtensionCode(method_)) result = SetupExtension();
        break;
    }
  }
  if (result != 0) {
    if (!isExtrapolation_) ComputeFitStats();
  } else {
    FreeWork();
    // A failed set-up must not leave the previous surface's figures on show.
    sse_ = stdErr_ = rSquared_ = ExprErrorValue;
  }
  return result;
}

// ---- option ranges and model terms ----

int TNParm3D::Option1Min(int code) {
  if (code < 0) code = method_;
  switch (code) {
    case kNPAkima1:
    case kNPAkima2:
    case kNPPreusser:
    case kNPRenka2:
    case kNPLoess:
    case kNPOwnTriangulation:
    case kNPLoessGradient:
    case kNPLoessSmoothed:
    case kNPLoessCosine:
      return 1;
    case kNPRenka3:
      return 2;
    default:
      return IsExtensionCode(code) ? ExtInfo(code, 1) : 0;
  }
}

int TNParm3D::Option1Max(int code) {
  if (code < 0) code = method_;
  const int n = pointCount_;
  switch (code) {
    case kNPAkima1:
    case kNPAkima2:
    case kNPOwnTriangulation:
      return 1;
    case kNPPreusser:
      return 2;
    case kNPRenka1:
    case kNPWatson:
      return 1;
    case kNPRenka2:
      return n >= 10 ? 2 : 1;
    case kNPRenka3:
      return 2;
    case kNPLoess:
    case kNPLoessGradient:
      return n < 7 ? 1 : n < 11 ? 2 : 3;
    case kNPLoessSmoothed:
    case kNPLoessCosine:
      return n < 6 ? 1 : n < 10 ? 2 : n < 15 ? 3 : 4;
    default:
      return IsExtensionCode(code) ? ExtInfo(code, 2) : 0;
  }
}

int TNParm3D::Option2Min(int code) {
  if (code < 0) code = method_;
  const int n = pointCount_;
  switch (code) {
    case kNPAkima1:
      return std::min(n - 1, 5);
    case kNPAkima2:
      return std::min(n - 1, 9);
    case kNPPreusser:
      return 3;
    case kNPRenka2:
      return option1_ == 2 ? 9 : 5;
    case kNPRenka3:
      return 9;
    case kNPWatson:
      return option1_ == 0 ? 0 : 1;
    case kNPLoess:
    case kNPLoessGradient:
      return option1_ == 3 ? 11 : option1_ == 2 ? 7 : 4;
    case kNPLoessSmoothed:
    case kNPLoessCosine:
      return option1_ == 4 ? 15 : option1_ == 3 ? 10 : option1_ == 2 ? 6 : 3;
    default:
      return IsExtensionCode(code) ? ExtInfo(code, 3) : 0;
  }
}

int TNParm3D::Option2Max(int code) {
  if (code < 0) code = method_;
  const int n = pointCount_;
  switch (code) {
    case kNPAkima1:
      return std::min(n - 1, 5);
    case kNPAkima2:
      return std::min(n - 1, 9);
    case kNPPreusser:
      return 3;
    case kNPRenka1:
      return 1;
    case kNPRenka2:
    case kNPRenka3:
      return 40;
    case kNPWatson:
      return option1_ == 0 ? 0 : 5;
    case kNPLoess:
    case kNPLoessGradient:
    case kNPLoessSmoothed:
    case kNPLoessCosine:
      return n;
    default:
      return IsExtensionCode(code) ? ExtInfo(code, 4) : 0;
  }
}

int TNParm3D::ModelTerms(int code) const {
  if (code < 0) code = method_;
  switch (code) {
    case kNPAkima1:
    case kNPAkima2:
      return 5;
    case kNPPreusser:
    case kNPRenka2:
      return option1_ == 2 ? 9 : 5;
    case kNPRenka1:
    case kNPWatson:
      return 2;
    case kNPRenka3:
      return 9;
    case kNPLoess:
      return option1_ == 3 ? 9 : option1_ == 2 ? 5 : 2;
    default:
      return 0;
  }
}

// ---- evaluation ----

long double TNParm3D::FromUnits(long double value, int mode) const {
  const long double sx = UnitStepX(), sy = UnitStepY();
  switch (mode) {
    case kDerivX:
      return value / sx;
    case kDerivY:
      return value / sy;
    case kDerivXX:
      return value / (sx * sx);
    case kDerivYY:
      return value / (sy * sy);
    case kDerivXY:
      return value / (sx * sy);
    default:
      return value;
  }
}

void TNParm3D::TakeColumns(std::span<const TXYZPoint> table, bool mapToUnit) {
  xd_ = PointsX(table);
  yd_ = PointsY(table);
  zd_ = PointsZ(table);
  if (!mapToUnit) return;
  for (double& x : xd_) x = static_cast<double>(UnitX(x));
  for (double& y : yd_) y = static_cast<double>(UnitY(y));
}

long double TNParm3D::EvalAt(long double x, long double y) { return EvalMode(x, y, kDerivValue); }

long double TNParm3D::EvalMode(long double x, long double y, int mode) {
  if (pointCount_ < 4) return 0.0L;
  const bool inTable = method_ >= 0 && method_ < kNPMethodCount;
  if (mode != kDerivValue && (method_ == kNPWatson || !inTable))
    return NumericalDerivative(x, y, mode);
  if (HeldBeyondHull(method_) && !xd_.empty()) {
    const double u = static_cast<double>(UnitX(x)), v = static_cast<double>(UnitY(y));
    if (hull_.Beyond(u, v)) return BeyondHull(x, y, u, v, mode);
  }
  return MethodMode(x, y, mode);
}

namespace {

// The extrapolation's triangulation is its engine's: its searches start where the engine's
// last one ended, and the engine's next one starts where they end, as on one surface (a
// point on a triangle's side, or at a node, reads the triangle its search ends in to the last
// bit, and a grid is its nodes' point evaluations in the grid's order).
class TSharedSearch {
 public:
  TSharedSearch(std::atomic<int>& engine, std::atomic<int>& extrapolation)
      : engine_(engine), extrapolation_(extrapolation) {
    if (&engine_ != &extrapolation_)
      extrapolation_.store(engine_.load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
  ~TSharedSearch() {
    if (&engine_ != &extrapolation_)
      engine_.store(extrapolation_.load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
  TSharedSearch(const TSharedSearch&) = delete;
  TSharedSearch& operator=(const TSharedSearch&) = delete;

 private:
  std::atomic<int>& engine_;
  std::atomic<int>& extrapolation_;
};

}  // namespace

long double TNParm3D::BeyondHull(long double x, long double y, double u, double v, int mode) {
  TNParm3D& surface = Extrapolation();
  const TNodeLimits limits;
  const TSharedSearch search(firstCall_, surface.firstCall_);
  const long double value = surface.MethodMode(x, y, kDerivValue);
  if (IsMissingValue(value) || !hull_.MayHold(static_cast<double>(value)) || !surface.InReach(x, y))
    return mode == kDerivValue ? value : surface.MethodMode(x, y, mode);
  const auto [fu, fv] = hull_.Foot(u, v);
  // The search for the foot's triangle leaves the next search's start where it was.
  const int start = surface.firstCall_.load(std::memory_order_relaxed);
  const long double foot = surface.MethodMode(xMin_ + fu * UnitStepX(), yMin_ + fv * UnitStepY(), kDerivValue);
  surface.firstCall_.store(start, std::memory_order_relaxed);
  if (IsMissingValue(foot)) return mode == kDerivValue ? value : surface.MethodMode(x, y, mode);
  bool held = false;
  const long double kept = hull_.Hold(fu, fv, static_cast<double>(foot), static_cast<double>(value), &held);
  if (mode == kDerivValue) return held ? kept : value;
  // Where the band holds the surface it is level.
  return held ? 0.0L : surface.MethodMode(x, y, mode);
}

TNParm3D& TNParm3D::Extrapolation() {
  // Double-checked, as the second derivatives are: the engine made under the lock is seen
  // whole by every thread that finds the flag set.
  if (!extrapolationMade_.load(std::memory_order_acquire)) {
    const std::lock_guard<std::mutex> lock(extrapolationMutex_);
    if (!extrapolationMade_.load(std::memory_order_relaxed)) {
      // Data without noise have an unbounded allowance: nothing of theirs is limited.
      if (!isExtrapolation_ && std::isfinite(hull_.Allowance())) {
        std::unique_ptr<TNParm3D> twin(new TNParm3D(*this, TExtrapolationTag{}));
        if (twin->SetupExtrapolation(*this) != 0) extrapolation_ = std::move(twin);
      }
      extrapolationMade_.store(true, std::memory_order_release);
    }
  }
  return extrapolation_ ? *extrapolation_ : *this;
}

int TNParm3D::SetupExtrapolation(const TNParm3D& owner) {
  const TNodeLimits limits;
  if (method_ == kNPOwnTriangulation || LoessMode(method_) != 0) return SetupLimitedGradients(owner);
  return SetupWith(std::nullopt);
}

long double TNParm3D::MethodMode(long double x, long double y, int mode) {
  if (IsTriangulationCode(method_)) return EvalRenka(x, y, mode);
  if (IsExtensionCode(method_)) return EvalExtension(x, y, mode);
  if (method_ == kNPRenka2) return EvalShepard2(x, y, mode);
  if (method_ == kNPRenka3) return EvalShepard3(x, y, mode);
  if (method_ == kNPWatson) return EvalWatson(x, y, kDerivValue);
  if (method_ == kNPAkima1 || method_ == kNPAkima1Fixed) return EvalAkima1(x, y, mode);
  if (method_ == kNPAkima2) return EvalAkima2(x, y, mode);
  if (method_ == kNPPreusser) return EvalPreusser(x, y, mode);
  return 0.0L;
}

// The program's difference quotients of the value (expr/finite_differences.h) with steps of
// the ranges of X and Y (the methods compute in the unit square over the data's rectangle,
// wherever it lies), for values computed in doubles; missing where a value they take is.
long double TNParm3D::NumericalDerivative(long double x, long double y, int mode) {
  namespace fd = finite_differences;
  fd::Partial partial = fd::Partial::kDzDx;
  switch (mode) {
    case kDerivX: partial = fd::Partial::kDzDx; break;
    case kDerivY: partial = fd::Partial::kDzDy; break;
    case kDerivXX: partial = fd::Partial::kD2zDx2; break;
    case kDerivYY: partial = fd::Partial::kD2zDy2; break;
    case kDerivXY: partial = fd::Partial::kD2zDxDy; break;
    default: return 0.0L;
  }
  const fd::TSurfaceScales scales{xMax_ - xMin_, yMax_ - yMin_, false};
  return fd::SurfacePartial(
      partial, x, y, scales, [this](long double px, long double py) { return EvalMode(px, py, kDerivValue); },
      fd::Rounding::kDouble);
}

long double TNParm3D::EvalAtDataPoint(long double x, long double y, long double z) {
  if (pointCount_ < 4 || method_ < 0 || method_ >= kNPMethodCount) return 0.0L;
  return EvaluatesAtDataPoint(method_) ? EvalAt(x, y) : z;
}

std::vector<long double> TNParm3D::GridMode(int nx, int ny, std::span<const long double> xs,
                                            std::span<const long double> ys, int mode) {
  if (pointCount_ < 4 || nx < 1 || ny < 1 || xs.size() < static_cast<std::size_t>(nx) ||
      ys.size() < static_cast<std::size_t>(ny))
    return {};
  if (!HeldBeyondHull(method_) || xd_.empty() || hull_.Empty()) return MethodGrid(nx, ny, xs, ys, mode);
  // Akima I's kernel takes the whole grid in one pass, and the nodes beyond the hull are held
  // after it. The other methods evaluate node by node: their grid is the point evaluations
  // in the grid's order, so that the triangle searches start where they did.
  if (method_ != kNPAkima1 && method_ != kNPAkima1Fixed) return GridByPoints(nx, ny, xs, ys, mode);
  std::vector<long double> grid = MethodGrid(nx, ny, xs, ys, mode);
  if (grid.empty()) return grid;
  for (int j = 0; j < ny; ++j) {
    const double v = static_cast<double>(UnitY(ys[j]));
    for (int i = 0; i < nx; ++i)
      if (hull_.Beyond(static_cast<double>(UnitX(xs[i])), v))
        grid[static_cast<std::size_t>(j) * nx + i] = EvalMode(xs[i], ys[j], mode);
  }
  return grid;
}

std::vector<long double> TNParm3D::MethodGrid(int nx, int ny, std::span<const long double> xs,
                                              std::span<const long double> ys, int mode) {
  if (IsTriangulationCode(method_)) return GridRenka(nx, ny, xs, ys, mode);
  if (IsExtensionCode(method_)) return GridExtension(nx, ny, xs, ys, mode);
  if (method_ == kNPRenka2) return GridShepard2(nx, ny, xs, ys, mode);
  if (method_ == kNPRenka3) return GridShepard3(nx, ny, xs, ys, mode);
  if (method_ == kNPWatson && mode == kDerivValue) return GridWatson(nx, ny, xs, ys, mode);
  if (method_ == kNPAkima1 || method_ == kNPAkima1Fixed) return GridAkima1(nx, ny, xs, ys, mode);
  if (method_ == kNPAkima2 || method_ == kNPPreusser) return GridAkimaPreusser(nx, ny, xs, ys, mode);
  if (method_ < 0 || method_ >= kNPMethodCount || (method_ == kNPWatson && mode != kDerivValue))
    return GridByPoints(nx, ny, xs, ys, mode);
  return {};  // not reached: every code has its grid routine above
}

std::vector<long double> TNParm3D::GridByPoints(int nx, int ny, std::span<const long double> xs,
                                                std::span<const long double> ys, int mode) {
  if (nx < 1 || ny < 1 || xs.size() < static_cast<std::size_t>(nx) ||
      ys.size() < static_cast<std::size_t>(ny))
    return {};
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0.0L);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      grid[static_cast<std::size_t>(j) * nx + i] = EvalMode(xs[i], ys[j], mode);
  return grid;
}

// ---- statistics ----

void TNParm3D::ComputeFitStats() {
  zSquares_ = 0.0L;
  if (!StatisticsComputed(method_) && !duplicatesMerged_) {
    sse_ = 0.0L;
    stdErr_ = 0.0L;
    rSquared_ = 1.0L;
    return;
  }
  long double sse = 0.0L;
  int active = 0;
  // The sorted copy of the source: its statistics pass made points that hold no numbers
  // inactive.
  const int n = ::PointCount(sortedSource_);
  for (int i = 1; i <= n; ++i) {
    const TXYZPoint& p = sortedSource_[static_cast<std::size_t>(i)];
    if (!IsActive(p)) continue;
    const long double value = EvalAt(p.X, p.Y);
    // A point the surface cannot be evaluated at leaves the figures undefined, and they are
    // shown as missing rather than computed from the missing value.
    if (!IsUsableValue(value)) {
      sse_ = stdErr_ = rSquared_ = ExprErrorValue;
      return;
    }
    const long double r = value - p.Z;
    sse += r * r;
    zSquares_ += p.Z * p.Z;
    ++active;
  }
  // The degrees of freedom count the points that took part, not the inactive ones.
  const int dof = std::max(active - ModelTerms() - 1, 1);
  sse_ = sse;
  const long double variance = sse / dof;
  stdErr_ = variance < 0 ? 0.0L : std::sqrt(variance);
  rSquared_ = sst_ != 0.0L ? 1.0L - sse / sst_ : 0.0L;
  if (rSquared_ < 0) rSquared_ = 0.0L;
}

// ---- smoothed data ----

PointTable TNParm3D::SmoothedData() {
  if (!IsTriangulationCode(method_) || iwk_.empty()) return {};
  PointTable out = CopyPoints(source_);
  if (out.empty()) return out;
  const int n = ::PointCount(out);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = out[static_cast<std::size_t>(i)];
    const long double z = EvalRenka(p.X, p.Y, kDerivValue);
    // A point the surface cannot be evaluated at keeps its own z: the user's value is never
    // replaced by the missing value.
    if (IsUsableValue(z)) p.Z = z;
  }
  return out;
}
