// The triangulation methods of the scattered-data engine: Renka's C1 interpolant over a
// Delaunay triangulation with node derivatives estimated by global minimisation of the
// curvature along the arcs (Renka's ACM 751/752 packages). Code 3 runs on the numerical
// library's copies of those routines (with a constrained outer frame and tension as
// options), code 16 on the program's own kernels, and the loess codes interpolate the values
// and derivatives of a loess smooth over the own triangulation.
//
// Work buffers of a triangulation set-up (M nodes, strides M):
//   iwk  10 header words, then LIST (6M), LPTR (6M) and LEND (M)
//   wk   D rows of M node derivatives (D = 2, 5 or 9 for derivative level 0, 1 or 2), then
//        the tension factors of the arcs (6M with tension, else one unused word)
//        rows 0, 1 dz/dx, dz/dy; 2, 3, 4 d2z/dx2, d2z/dxdy, d2z/dy2; 5, 6 the x and y
//        derivatives of row 2; 7, 8 those of row 4
// Derivatives at level 1 and 2 are the gradients of the gradient fields, so each derivative
// mode is one C1 interpolation of one field with its own gradients. The second derivatives
// follow the table of their own level: code 16 differentiates its surface for the first
// derivatives (level 0) and code 17 has loess gradients only, and both take their second
// derivatives at level 1, from gradients estimated for the gradient fields, rather than none.
// Code 16 estimates those gradients when a second derivative is first asked for: values and
// first derivatives need none of them, and they were a third of its set-up.
// For the surface extrapolated beyond the hull (TNodeLimits) the gradients of the value
// surface, estimated or taken from the loess, are held to what the node values support
// (RenkaLimitGradients): on noisy data a hull node's one-sided neighbourhood gave gradients
// that carried the noise far beyond the hull. Within the hull they are the estimates.
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <span>

#include "app/long_double.h"
#include "app/point_table.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/libs/numerical_library.h"

namespace {

enum THeaderWord : int {
  kLevel = 0,        // derivative level L
  kOwnKernels = 1,   // 1 own kernels, 0 the numerical library
  kSigmaOffset = 2,  // index in wk of the tension factors
  kTension = 3,      // tension in force (code 3 with option 2 = 1)
  kNodes = 4,        // node count handed to the interpolation
  kStride = 5,       // M
  kCurves = 6,       // constraint curves (0 or 1)
  kCurveStart = 7,   // first node of the constraint curve, 1-based
  kSecondLevel = 8,  // the level whose fields give modes 3..5 (1 or 2)
};
constexpr int kHeaderWords = 10;

// Frame around the data for code 3 with option 1: 48 nodes a tenth of the range outside
// the data's box.
constexpr int kFrameNodes = 48;

// Gradient estimation: sweep limit and bound on the relative change.
constexpr int kSweeps = 6;
constexpr double kGradientTolerance = 0.00001;

// Stages of node derivative estimation.
constexpr int kStageGradient = 1;
constexpr int kStageSecond = 2;
constexpr int kStageThird = 4;

int DerivativeRows(int level) { return level == 0 ? 2 : level == 1 ? 5 : 9; }

struct TTriangulation {
  int* list;
  int* lptr;
  int* lend;
};

TTriangulation Lists(std::vector<int>& iwk, int m) {
  int* list = iwk.data() + kHeaderWords;
  return {list, list + 6 * m, list + 12 * m};
}

// Which field is interpolated with which gradient rows for a derivative mode, and whether
// the result is the interpolant's value or one of its derivatives.
struct TRenkaField {
  int values;  // wk row, or -1 for zd
  int gx, gy;
  enum Output { kValue, kDx, kDy } output;
};

// Indexed [level][mode]; the second derivatives are read at the set-up's second level, never
// at level 0, which has none.
constexpr TRenkaField kNone{-2, 0, 0, TRenkaField::kValue};
constexpr std::array<std::array<TRenkaField, 6>, 3> kFields = {{
    {{{-1, 0, 1, TRenkaField::kValue}, {-1, 0, 1, TRenkaField::kDx}, {-1, 0, 1, TRenkaField::kDy},
      kNone, kNone, kNone}},
    {{{-1, 0, 1, TRenkaField::kValue}, {0, 2, 3, TRenkaField::kValue}, {1, 3, 4, TRenkaField::kValue},
      {0, 2, 3, TRenkaField::kDx}, {1, 3, 4, TRenkaField::kDy}, {0, 2, 3, TRenkaField::kDy}}},
    {{{-1, 0, 1, TRenkaField::kValue}, {0, 2, 3, TRenkaField::kValue}, {1, 3, 4, TRenkaField::kValue},
      {2, 5, 6, TRenkaField::kValue}, {4, 7, 8, TRenkaField::kValue}, {3, 6, 7, TRenkaField::kValue}}},
}};

}  // namespace

int TNParm3D::SetupRenka(bool own, int level, int option1, int option2) {
  if (option1 == -1) option1 = option1_;
  if (option2 == -1) option2 = option2_;
  if (option1 != 0 && !own) return SetupRenkaConstrained(level, option2);
  const bool tension = !own && option2 != 0;
  const int secondLevel = std::max(level, 1);

  PointTable copy = CopyPoints(working_);
  if (copy.empty() || IsCollinearXY(copy, true, nullptr)) return 0;
  TakeColumns(copy, true);
  const int n = pointCount_, m = n;
  const int rows = DerivativeRows(secondLevel);
  iwk_.assign(13 * static_cast<std::size_t>(m) + kHeaderWords, 0);
  wk_.assign(static_cast<std::size_t>(rows) * m + (tension ? 6 * static_cast<std::size_t>(m) : 1),
             0.0);
  iwk_[kLevel] = level;
  iwk_[kSecondLevel] = secondLevel;
  iwk_[kOwnKernels] = own ? 1 : 0;
  iwk_[kSigmaOffset] = rows * m;
  iwk_[kTension] = tension ? 1 : 0;
  iwk_[kNodes] = n;
  iwk_[kStride] = m;
  firstCall_ = 1;

  const auto trmesh = own ? &RenkaTriangulate : NumLibEntry<TNumLibEntry::trmesh>();
  const TTriangulation t = Lists(iwk_, m);
  int lnew = 0, ier = -1;
  if (trmesh) trmesh(n, xd_.data(), yd_.data(), t.list, t.lptr, t.lend, lnew, ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  if (own) walkTwins_ = RenkaTwinSlots(n, t.list, t.lptr, t.lend);
  if (!tension && level == 0) {
    // The gradient fields' own gradients serve modes 3..5 alone: left for the first of them.
    if (RenkaNodeDerivatives(0, kStageGradient) == 0) return 0;
    secondLevel_ = TSecondLevel::kPending;
    return 1;
  }
  if (!tension) return RenkaNodeDerivatives(0, kStageGradient | kStageSecond | kStageThird);

  // Tension: gradients, then the tension factors they call for, three times over.
  const auto getsig = NumLibEntry<TNumLibEntry::getsig>();
  double* sigma = wk_.data() + iwk_[kSigmaOffset];
  for (int round = 0; round < 3; ++round) {
    if (RenkaNodeDerivatives(round == 0 ? 0 : 1, kStageGradient) == 0) return 0;
    double dsmax = 0.0;
    ier = -1;
    if (getsig)
      getsig(0, n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
             wk_.data() + m, 0, 0.0, sigma, dsmax, ier);
    if (ier < 0) {
      FreeWork();
      return 0;
    }
  }
  return RenkaNodeDerivatives(1, kStageGradient | kStageSecond | kStageThird);
}

// Code 3 with the frame: the data's node derivatives first (over the data alone), then the
// frame joined to the triangulation as a constraint curve, and the values and derivatives
// at the frame extrapolated from the data.
int TNParm3D::SetupRenkaConstrained(int level, int tension) {
  const int n = pointCount_, m = n + kFrameNodes;
  PointTable table = NewPointTable(m);
  if (table.empty()) return 0;
  std::copy(working_.begin(), working_.begin() + n + 1, table.begin());
  if (IsCollinearXY(table, true, nullptr)) return 0;
  const long double mx = 0.1L * (xMax_ - xMin_), my = 0.1L * (yMax_ - yMin_);
  int k = n;
  auto add = [&table, &k](long double x, long double y) {
    TXYZPoint& p = table[static_cast<std::size_t>(++k)];
    p.X = x;
    p.Y = y;
    p.Z = 0.0L;
    p.W = 1.0L;
    p.Status = kPointActive;
  };
  for (int i = 0; i <= 12; ++i) add(xMin_ - mx, yMin_ - my + i * my);
  for (int i = 1; i <= 12; ++i) add(xMin_ - mx + i * mx, yMax_ + my);
  for (int i = 1; i <= 12; ++i) add(xMax_ + mx, yMax_ + my - i * my);
  for (int i = 1; i <= 11; ++i) add(xMax_ + mx - i * mx, yMin_ - my);
  SetPointCount(table, m);

  TakeColumns(table, true);
  firstCall_ = 1;
  const int secondLevel = std::max(level, 1);
  const int rows = DerivativeRows(secondLevel);
  iwk_.assign(13 * static_cast<std::size_t>(m) + kHeaderWords, 0);
  wk_.assign(static_cast<std::size_t>(rows) * m + (tension ? 6 * static_cast<std::size_t>(m) : 1),
             0.0);
  iwk_[kLevel] = level;
  iwk_[kSecondLevel] = secondLevel;
  iwk_[kOwnKernels] = 0;
  iwk_[kSigmaOffset] = rows * m;
  iwk_[kTension] = tension ? 1 : 0;
  iwk_[kNodes] = n;
  iwk_[kStride] = m;

  const auto trmesh = NumLibEntry<TNumLibEntry::trmesh>();
  const auto getsig = NumLibEntry<TNumLibEntry::getsig>();
  const auto addcst = NumLibEntry<TNumLibEntry::addcst>();
  const auto zgradg = NumLibEntry<TNumLibEntry::zgradg>();
  auto fail = [this] {
    FreeWork();
    return 0;
  };
  if (!trmesh || !addcst || !zgradg || (tension && !getsig)) return fail();

  const TTriangulation t = Lists(iwk_, m);
  int lnew = 0, ier = 0;
  trmesh(n, xd_.data(), yd_.data(), t.list, t.lptr, t.lend, lnew, ier);
  if (ier != 0) return fail();
  double* sigma = wk_.data() + iwk_[kSigmaOffset];
  if (tension) {
    for (int round = 0; round < 3; ++round) {
      if (RenkaNodeDerivatives(round == 0 ? 0 : 1, kStageGradient) == 0) return 0;
      double dsmax = 0.0;
      getsig(0, n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
             wk_.data() + m, 0, 0.0, sigma, dsmax, ier);
      if (ier < 0) return fail();
    }
  }
  if (RenkaNodeDerivatives(tension ? 1 : 0, kStageGradient | kStageSecond | kStageThird) == 0)
    return 0;

  iwk_[kNodes] = m;
  iwk_[kCurves] = 1;
  iwk_[kCurveStart] = n + 1;
  const int lcc = n + 1;
  trmesh(m, xd_.data(), yd_.data(), t.list, t.lptr, t.lend, lnew, ier);
  if (ier != 0) return fail();
  int lwk = 2 * m;
  std::vector<int> work(2 * static_cast<std::size_t>(m), 0);
  addcst(1, &lcc, m, xd_.data(), yd_.data(), lwk, work.data(), t.list, t.lptr, t.lend, ier);
  if (ier != 0) return fail();

  const double zeroSigma = 0.0;
  auto row = [this, m](int r) { return wk_.data() + static_cast<std::size_t>(r) * m; };
  // zgradg at the frame nodes: with values, the field's values and gradients there; without,
  // only the gradients of a field whose frame values are already set.
  auto frame = [&](int iflgs, const double* sig, double* field, double* gx, double* gy,
                   bool values) {
    int nit = kSweeps;
    double dzmax = kGradientTolerance;
    zgradg(1, &lcc, m, xd_.data(), yd_.data(), t.list, t.lptr, t.lend, iflgs, sig, nit, dzmax,
           field, gx, gy, values ? 1 : 0, ier);
    return ier >= 0;
  };
  // The tension factors found above belong to the arcs of the data's own triangulation, by
  // their LIST indices; the frame triangulation numbers its arcs anew, so its factors are
  // found afresh: the frame's values first without tension, then three times the factors of
  // every arc from the values so far and, but for the last time, the frame's values under
  // them. The factors left are those of the final values.
  if (tension) {
    std::fill(sigma, sigma + 6 * static_cast<std::size_t>(m), 0.0);
    for (int round = 0; round < 3; ++round) {
      if (!frame(1, sigma, zd_.data(), row(0), row(1), true)) return fail();
      double dsmax = 0.0;
      getsig(1, m, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
             wk_.data() + m, 0, 0.0, sigma, dsmax, ier);
      if (ier < 0) return fail();
    }
  } else if (!frame(0, &zeroSigma, zd_.data(), row(0), row(1), true)) {
    return fail();
  }
  // The derivative fields: each field's frame values are those set before (rows 0 and 1 the
  // gradients that go with the frame's values, rows 2 and 4 from the calls before them);
  // only their gradients are new.
  if (secondLevel >= 1 && (!frame(0, &zeroSigma, row(0), row(2), row(3), false) ||
                     !frame(0, &zeroSigma, row(1), row(3), row(4), false)))
    return fail();
  if (secondLevel == 2 && (!frame(0, &zeroSigma, row(2), row(5), row(6), false) ||
                     !frame(0, &zeroSigma, row(4), row(7), row(8), false)))
    return fail();
  return 1;
}

int TNParm3D::RenkaNodeDerivatives(int iflgs, int stages) {
  if (!EstimateNodeDerivatives(iflgs, stages)) {
    FreeWork();
    return 0;
  }
  return 1;
}

bool TNParm3D::SecondLevelReady() {
  // Double-checked: once ready, the acquire load makes the rows written under the lock
  // visible to every thread that reads them.
  TSecondLevel state = secondLevel_.load(std::memory_order_acquire);
  if (state == TSecondLevel::kPending) {
    const std::lock_guard<std::mutex> lock(secondLevelMutex_);
    state = secondLevel_.load(std::memory_order_relaxed);
    if (state == TSecondLevel::kPending) {
      // The values and first derivatives stay whatever happens here: a failure leaves
      // the second derivatives missing rather than the surface gone.
      state = EstimateNodeDerivatives(0, kStageSecond) ? TSecondLevel::kReady : TSecondLevel::kFailed;
      secondLevel_.store(state, std::memory_order_release);
    }
  }
  return state != TSecondLevel::kFailed;
}

bool TNParm3D::EstimateNodeDerivatives(int iflgs, int stages) {
  const int level = iwk_[kSecondLevel];
  const bool own = iwk_[kOwnKernels] != 0;
  const int n = iwk_[kNodes], m = iwk_[kStride];
  const int ncc = iwk_[kCurves], lcc = iwk_[kCurveStart];
  const TTriangulation t = Lists(iwk_, m);
  const double zeroSigma = 0.0;
  const double* sigma = iflgs != 0 ? wk_.data() + iwk_[kSigmaOffset] : &zeroSigma;
  const auto gradg = own ? &RenkaGradients : NumLibEntry<TNumLibEntry::gradg>();
  auto row = [this, m](int r) { return wk_.data() + static_cast<std::size_t>(r) * m; };
  int ier = 0;
  if (!lineNodes_ && stages != 0)
    lineNodes_ = std::make_unique<const TLineNodeGradients>(std::span<const double>(xd_.data(), static_cast<std::size_t>(n)),
                                                            std::span<const double>(yd_.data(), static_cast<std::size_t>(n)));
  std::vector<char> held;
  auto gradients = [&](const double* values, double* gx, double* gy, int flags,
                       const double* sig) {
    int nit = kSweeps;
    double dgmax = kGradientTolerance;
    ier = -1;
    if (!gradg) return false;
    // Nodes on lines take the gradients of their fits across the lines, and the sweeps the
    // others about them (the library's routine is the same, with no nodes to hold).
    lineNodes_->Estimate(std::span<const double>(values, static_cast<std::size_t>(n)), gx, gy, held);
    if (held.empty())
      gradg(ncc, &lcc, n, xd_.data(), yd_.data(), values, t.list, t.lptr, t.lend, flags, sig, nit,
            dgmax, gx, gy, ier);
    else
      RenkaGradientsHolding(ncc, &lcc, n, xd_.data(), yd_.data(), values, t.list, t.lptr, t.lend, flags, sig,
                            held.data(), nit, dgmax, gx, gy, ier);
    return ier >= 0;
  };
  bool ok = true;
  if (stages & kStageGradient) {
    ok = gradients(zd_.data(), row(0), row(1), iflgs, sigma);
    // The value surface's gradients held to what the node values support; the data nodes are
    // the working points, whose allowance the hull's guard has measured.
    if (ok && TNodeLimits::Active())
      RenkaLimitGradients(n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, row(0),
                          row(1), hull_.Allowance());
  }
  if (ok && (stages & kStageSecond) && level >= 1)
    ok = gradients(row(0), row(2), row(3), 0, &zeroSigma) &&
         gradients(row(1), row(3), row(4), 0, &zeroSigma);
  if (ok && (stages & kStageThird) && level == 2)
    ok = gradients(row(2), row(5), row(6), 0, &zeroSigma) &&
         gradients(row(4), row(7), row(8), 0, &zeroSigma);
  return ok;
}

// Loess at every point (in unit coordinates), then the smoothed values, or the raw ones, with
// the loess derivatives as node derivatives over the own triangulation.
//   mode 1 (codes 7, 18): Chebyshev basis, derivatives to the third order, z smoothed
//   mode 2 (code 17):     Chebyshev basis, value and gradient, z smoothed
//   mode 3 (code 19):     cosine basis, derivatives to the third order, raw z kept
std::optional<TNParm3D::TLoessPass> TNParm3D::RunLoessPass(int mode, int degree, int count, bool& stopped) {
  stopped = false;
  if (IsCollinearXY(working_, false, nullptr)) return std::nullopt;
  TLoessPass pass;
  pass.points = CopyPoints(working_);
  PointTable& copy = pass.points;
  if (copy.empty()) return std::nullopt;
  const int n = pointCount_;
  pass.rows.assign(9 * static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = copy[static_cast<std::size_t>(i)];
    p.X = UnitX(p.X);
    p.Y = UnitY(p.Y);
  }

  const bool replaceZ = mode != 3;
  const int flags = mode == 2 ? kLoessValue | kLoessFirst
                              : kLoessValue | kLoessFirst | kLoessSecond | kLoessThird;
  TLoessOptions options;
  options.basis = mode == 3 ? TLoessBasis::kCosine : TLoessBasis::kChebyshev;
  options.degree = degree;
  options.count = count;
  options.raiseCount = true;
  options.kernel = TLoessKernel::kTricube;
  pass.loess = std::make_unique<TLoess3D>(copy, TLoessWindow{0, 1, 0, 1}, options);

  for (int i = 1; i <= n; ++i) {
    if (progress_ && !progress_(i - 1, n)) {
      stopped = true;
      return std::nullopt;
    }
    TXYZPoint& p = copy[static_cast<std::size_t>(i)];
    // A smoother that gives no estimate leaves the point's own z and zero derivatives; one
    // whose fits all fail writes its fallback (the neighbourhood's mean z) over them.
    TLoessResult result{};
    result[0] = p.Z;
    (void)pass.loess->Evaluate(p.X, p.Y, result, flags);  // either outcome leaves usable outputs
    if (replaceZ) p.Z = result[0];
    for (int k = 1; k <= 9; ++k)
      pass.rows[static_cast<std::size_t>(k - 1) * n + (i - 1)] = static_cast<double>(result[k]);
    // The record's original position, so that the rows follow any reordering below.
    p.RXY = i;
  }
  if (progress_ && !progress_(n, n)) {
    stopped = true;
    return std::nullopt;
  }
  return pass;
}

int TNParm3D::SetupLoess(int mode, std::optional<TLoessPass> pass) {
  if (!pass) return 0;
  const int n = pointCount_;
  PointTable& copy = pass->points;
  loess_ = std::move(pass->loess);
  iwk_.assign(13 * static_cast<std::size_t>(n) + kHeaderWords, 0);
  wk_ = std::move(pass->rows);

  // The triangulation needs three non-collinear points first; whatever records the test
  // exchanges, the derivative rows follow them.
  if (IsCollinearXY(copy, true, nullptr)) {
    FreeWork();
    return 0;
  }
  const std::vector<double> before = wk_;
  for (int i = 1; i <= n; ++i) {
    const int from = static_cast<int>(copy[static_cast<std::size_t>(i)].RXY);
    if (from == i) continue;
    for (int k = 0; k < 9; ++k)
      wk_[static_cast<std::size_t>(k) * n + (i - 1)] =
          before[static_cast<std::size_t>(k) * n + (from - 1)];
  }

  TakeColumns(copy, false);
  firstCall_ = 1;
  // Code 17's loess gives values and gradients only: the gradient fields get gradients of
  // their own (level 1) for the C1 interpolation of the derivatives.
  const int level = mode == 2 ? 1 : 2;
  iwk_[kLevel] = level;
  iwk_[kSecondLevel] = level;
  iwk_[kOwnKernels] = 1;
  iwk_[kSigmaOffset] = 9 * n;
  iwk_[kTension] = 0;
  iwk_[kNodes] = n;
  iwk_[kStride] = n;
  const TTriangulation t = Lists(iwk_, n);
  int lnew = 0, ier = 0;
  RenkaTriangulate(n, xd_.data(), yd_.data(), t.list, t.lptr, t.lend, lnew, ier);
  if (ier != 0) {
    FreeWork();
    return 0;
  }
  walkTwins_ = RenkaTwinSlots(n, t.list, t.lptr, t.lend);
  // The loess gradients held to what the interpolated values support: at the border a
  // neighbourhood's fit is one-sided, and its gradient carried across a sliver of the hull.
  if (TNodeLimits::Active())
    RenkaLimitGradients(n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
                        wk_.data() + n);
  return RenkaNodeDerivatives(0, level == 1 ? kStageSecond : 0);
}

int TNParm3D::SetupLimitedGradients(const TNParm3D& owner) {
  if (owner.iwk_.empty() || owner.wk_.empty() || owner.xd_.empty()) return 0;
  const int n = owner.iwk_[kNodes], m = owner.iwk_[kStride];
  xd_ = owner.xd_;
  yd_ = owner.yd_;
  zd_ = owner.zd_;
  iwk_ = owner.iwk_;
  walkTwins_ = owner.walkTwins_;
  firstCall_ = 1;
  const TTriangulation t = Lists(iwk_, m);
  if (method_ == kNPOwnTriangulation) {
    // The gradients alone: the owner estimates the second derivatives' rows on a first
    // request, maybe from another thread meanwhile, and so does this copy from its own.
    wk_.assign(owner.wk_.size(), 0.0);
    std::copy_n(owner.wk_.begin(), 2 * static_cast<std::size_t>(m), wk_.begin());
    RenkaLimitGradients(n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
                        wk_.data() + m, hull_.Allowance());
    secondLevel_ = TSecondLevel::kPending;
    return 1;
  }
  // The loess codes' rows are all written by their set-up.
  wk_ = owner.wk_;
  RenkaLimitGradients(n, xd_.data(), yd_.data(), zd_.data(), t.list, t.lptr, t.lend, wk_.data(),
                      wk_.data() + n);
  return RenkaNodeDerivatives(0, iwk_[kLevel] == 1 ? kStageSecond : 0);
}

long double TNParm3D::EvalRenka(long double x, long double y, int mode) {
  if (iwk_.empty() || wk_.empty() || xd_.empty() || mode < 0 || mode > 5) return 0.0L;
  const int level = mode >= kDerivXX ? iwk_[kSecondLevel] : iwk_[kLevel];
  const bool own = iwk_[kOwnKernels] != 0;
  const int n = iwk_[kNodes], m = iwk_[kStride];
  const int ncc = iwk_[kCurves], lcc = iwk_[kCurveStart];
  const TRenkaField field = kFields[static_cast<std::size_t>(level)][static_cast<std::size_t>(mode)];
  if (field.values == -2) return ExprErrorValue;
  if (mode >= kDerivXX && !SecondLevelReady()) return ExprErrorValue;
  auto row = [this, m](int r) { return wk_.data() + static_cast<std::size_t>(r) * m; };
  const double* values = field.values < 0 ? zd_.data() : row(field.values);
  const bool withTension = !own && mode == kDerivValue && iwk_[kTension] != 0;
  const double zeroSigma = 0.0;
  const double* sigma = withTension ? wk_.data() + iwk_[kSigmaOffset] : &zeroSigma;
  const auto intrc1 = own ? nullptr : NumLibEntry<TNumLibEntry::intrc1>();
  if (!own && !intrc1) return 0.0L;
  const TTriangulation t = Lists(iwk_, m);
  const int dflag = field.output == TRenkaField::kValue ? 0 : 1;
  double f = 0, fx = 0, fy = 0;
  int ier = 0;
  const double px = static_cast<double>(UnitX(x)), py = static_cast<double>(UnitY(y));
  // The search starts where the last one ended; threads asking at once each keep their own.
  int start = firstCall_.load(std::memory_order_relaxed);
  if (own)
    RenkaInterpolateC1(px, py, ncc, &lcc, n, xd_.data(), yd_.data(), values, t.list, t.lptr,
                       t.lend, walkTwins_.empty() ? nullptr : walkTwins_.data(), 0, sigma,
                       row(field.gx), row(field.gy), dflag, start, f, fx, fy, ier);
  else
    intrc1(px, py, ncc, &lcc, n, xd_.data(), yd_.data(), values, t.list, t.lptr, t.lend,
           withTension ? 1 : 0, sigma, row(field.gx), row(field.gy), dflag, start, f, fx, fy, ier);
  firstCall_.store(start, std::memory_order_relaxed);
  if (ier < 0) return ExprErrorValue;
  const double out = field.output == TRenkaField::kValue ? f : field.output == TRenkaField::kDx ? fx : fy;
  return FromUnits(out, mode);
}

std::vector<long double> TNParm3D::GridRenka(int nx, int ny, std::span<const long double> xs,
                                             std::span<const long double> ys, int mode) {
  if (iwk_.empty() || wk_.empty() || xd_.empty()) return {};
  std::vector<long double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0.0L);
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      grid[static_cast<std::size_t>(j) * nx + i] = EvalRenka(xs[i], ys[j], mode);
  return grid;
}
