// Grid making from scattered points for the gridded-data engine, by ten interpolation methods
// in two forms: a uniform nx by ny grid over the data's extents, or the sparse grid of the
// data's own distinct x and y values with only the missing nodes interpolated (a uniform 25
// by 25 grid instead when that grid would exceed 16384 nodes).
//
//   code  method                         routines
//   0     Akima 1978, whole grid         own kernel (akima_interpolation.h)
//   1     the library's Akima surface    SurfInt, whole grid
//   2     Akima 1996                     sdbi3p (below 10 points: code 0)
//   3, 4  Preusser C1, C2                c1ini/c1pnt, c2ini/c2pnt
//   5     Renka's C1 triangulation       own kernels (renka_triangulation.h)
//   6-8   Shepard: quadratic, cubic,     qshep2/qs2val, cshep2/cs2val, tshep2/ts2val (below 6
//         cosine series                  points Renka; below 10 the quadratic)
//   9     Watson's natural neighbours    own kernel, in the data's own coordinates
// Every method but Watson's works in unit coordinates. Triangulation, Shepard and Watson
// refuse collinear points.
//
// Nodes within the hull of the points are the method's own values. Nodes beyond it are the
// method's extrapolation from node derivatives held to what the data support (the method set
// up again inside a TNodeLimits scope, derivative_limiter.h), held within a few noise widths
// of that surface's value at the hull's nearest point (hull_guard.h), as the scattered
// engine's surfaces are.
//
// A node that its method cannot evaluate (a failed status, or no Shepard radius reaching it)
// is marked inactive in the grid, and the engine counts it. It holds Renka I's value there
// (held beyond the hull as every node is); where Renka I cannot evaluate either, no grid is
// made. The grid's surfaces pass through every node and the grid may become the data: a node
// holding 0 where nothing was known dragged the surfaces down to it (-7.5 at the corners of a
// disc of 5000 points between 7.2 and 58.9).
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include "app/point_table.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/hull_guard.h"
#include "smooth/kernels/akima_interpolation.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/natural_neighbour.h"
#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"
#include "smooth/libs/numerical_library.h"
#include "smooth/numlib/line_node_gradients.h"

namespace {

constexpr double kMissingNode = -1e200;
constexpr int kAkimaCloseCount = 5;
constexpr int kRenkaSweeps = 4;
constexpr double kRenkaTolerance = 0.001;
constexpr int kShepardMaxNodes = 40;

// The points a method interpolates: unit coordinates (data coordinates for Watson).
struct TScatter {
  int n = 0;
  std::vector<double> x, y, z;
};

// Node value at (u, v), or nothing where the method cannot evaluate.
using TNodeEvaluator = std::function<std::optional<double>(double, double)>;

// The published ranges of the Shepard counts; the small-N formulas fall below them.
int ShepardCount(int wanted, int least, int n) {
  return std::min(std::max(wanted, least), std::min(kShepardMaxNodes, n - 1));
}

// The whole-grid and node-by-node set-ups. Each returns false when the set-up fails; the
// state it keeps lives in the returned evaluator's captures.
struct TMethodSetup {
  const TScatter& s;

  // The Akima kernel's work of a call, kept for single points over the same set-up.
  struct TAkimaWork {
    std::vector<int> iwk;
    std::vector<double> wk;
  };

  // Akima's surface over the grid; *work keeps the kernel's work for AkimaPoints.
  bool AkimaGrid(const std::vector<double>& u, const std::vector<double>& v,
                 std::vector<double>& out, std::shared_ptr<TAkimaWork>* work = nullptr) const {
    const int ncp = std::min(s.n - 1, kAkimaCloseCount);
    const int nx = static_cast<int>(u.size()), ny = static_cast<int>(v.size());
    auto w = std::make_shared<TAkimaWork>();
    w->iwk.assign(AkimaIntWorkSize(ncp, s.n, nx, ny), 0);
    w->wk.assign(AkimaRealWorkSize(s.n), 0.0);
    const bool ok = AkimaGridInterpolate(kAkimaNewPoints, ncp, s.n, s.x, s.y, s.z, nx, ny, u, v,
                                         out, w->iwk, w->wk, 0) == 1;
    if (ok && work != nullptr) *work = std::move(w);
    return ok;
  }

  // Akima's surface point by point, for the nodes the whole-grid methods hold beyond the hull:
  // over the work of an earlier call, or over a set-up of its own.
  std::optional<TNodeEvaluator> AkimaPoints(std::shared_ptr<TAkimaWork> work) const {
    if (!work) {
      std::vector<double> u = {s.x[0]}, v = {s.y[0]}, out(1);
      if (!AkimaGrid(u, v, out, &work)) return std::nullopt;
    }
    std::shared_ptr<TAkimaPointEvaluator> points =
        TAkimaPointEvaluator::Build(s.n, s.x, s.y, work->iwk);
    if (!points) return std::nullopt;
    const TScatter* p = &s;
    return [p, work, points](double x, double y) -> std::optional<double> {
      const double z = points->Evaluate(x, y, 0, p->z, work->wk);
      return std::isfinite(z) ? std::optional<double>(z) : std::nullopt;
    };
  }

  bool LibrarySurface(const std::vector<double>& u, const std::vector<double>& v,
                      std::vector<double>& out) const {
    const auto surfint = NumLibEntry<TNumLibEntry::SurfInt>();
    if (!surfint) return false;
    std::vector<double> xy;
    for (int k = 0; k < s.n; ++k) {
      xy.push_back(s.x[static_cast<std::size_t>(k)]);
      xy.push_back(s.y[static_cast<std::size_t>(k)]);
    }
    const int nx = static_cast<int>(u.size());
    return surfint(s.n, xy.data(), s.z.data(), nx, static_cast<int>(v.size()), u.data(), v.data(),
                   out.data(), nx) != 0;
  }

  std::optional<TNodeEvaluator> AkimaII() const {
    const auto sdbi3p = NumLibEntry<TNumLibEntry::sdbi3p>();
    if (!sdbi3p) return std::nullopt;
    auto wk = std::make_shared<std::vector<double>>(17 * static_cast<std::size_t>(s.n));
    auto iwk = std::make_shared<std::vector<int>>(39 * static_cast<std::size_t>(s.n));
    double first = 0;
    if (sdbi3p(1, s.n, s.x.data(), s.y.data(), s.z.data(), 1, s.x.data(), s.y.data(), &first,
               wk->data(), iwk->data(), 0) != 0)
      return std::nullopt;
    const TScatter* p = &s;
    return [p, sdbi3p, wk, iwk](double u, double v) -> std::optional<double> {
      double z = 0;
      if (sdbi3p(3, p->n, p->x.data(), p->y.data(), p->z.data(), 1, &u, &v, &z, wk->data(),
                 iwk->data(), 0) != 0)
        return std::nullopt;
      return z;
    };
  }

  std::optional<TNodeEvaluator> Preusser(bool c2) const {
    const auto init = c2 ? NumLibEntry<TNumLibEntry::c2ini>() : NumLibEntry<TNumLibEntry::c1ini>();
    const auto point = c2 ? NumLibEntry<TNumLibEntry::c2pnt>() : NumLibEntry<TNumLibEntry::c1pnt>();
    if (!init || !point) return std::nullopt;
    auto wk = std::make_shared<std::vector<double>>((c2 ? 14 : 5) * static_cast<std::size_t>(s.n));
    auto iwk = std::make_shared<std::vector<int>>(13 * static_cast<std::size_t>(s.n));
    int ier = -1;
    init(s.n, s.x.data(), s.y.data(), s.z.data(), 0, wk->data(), iwk->data(), ier);
    if (ier != 0) return std::nullopt;
    auto start = std::make_shared<int>(1);
    const TScatter* p = &s;
    return [p, point, wk, iwk, start](double u, double v) -> std::optional<double> {
      double z = 0;
      int status = 0;
      point(p->n, p->x.data(), p->y.data(), p->z.data(), u, v, wk->data(), iwk->data(), *start, z,
            0, 0, status);
      if (status == 1) return std::nullopt;
      return z;
    };
  }

  std::optional<TNodeEvaluator> Renka() const {
    struct TState {
      std::vector<int> list, lptr, lend;
      std::vector<double> gx, gy;
      int ist = 1;
      double sigma = 0.0;
      int lcc = 0;
    };
    auto st = std::make_shared<TState>();
    const auto n = static_cast<std::size_t>(s.n);
    st->list.assign(6 * n, 0);
    st->lptr.assign(6 * n, 0);
    st->lend.assign(n, 0);
    st->gx.assign(n, 0.0);
    st->gy.assign(n, 0.0);
    int lnew = 0, ier = -1;
    RenkaTriangulate(s.n, s.x.data(), s.y.data(), st->list.data(), st->lptr.data(),
                     st->lend.data(), lnew, ier);
    if (ier != 0) return std::nullopt;
    int nit = kRenkaSweeps;
    double dgmax = kRenkaTolerance;
    // Nodes on lines of points take the gradients of their fits across the lines.
    std::vector<char> held;
    TLineNodeGradients(s.x, s.y).Estimate(s.z, st->gx.data(), st->gy.data(), held);
    RenkaGradientsHolding(0, &st->lcc, s.n, s.x.data(), s.y.data(), s.z.data(), st->list.data(),
                          st->lptr.data(), st->lend.data(), 0, &st->sigma, held.empty() ? nullptr : held.data(),
                          nit, dgmax, st->gx.data(), st->gy.data(), ier);
    if (ier < 0) return std::nullopt;
    if (TNodeLimits::Active())
      RenkaLimitGradients(s.n, s.x.data(), s.y.data(), s.z.data(), st->list.data(), st->lptr.data(),
                          st->lend.data(), st->gx.data(), st->gy.data());
    const TScatter* p = &s;
    return [p, st](double u, double v) -> std::optional<double> {
      double z = 0, zx = 0, zy = 0;
      int ier = -1;
      RenkaInterpolateC1(u, v, 0, &st->lcc, p->n, p->x.data(), p->y.data(), p->z.data(),
                         st->list.data(), st->lptr.data(), st->lend.data(), 0, &st->sigma,
                         st->gx.data(), st->gy.data(), 0, st->ist, z, zx, zy, ier);
      if (ier < 0) return std::nullopt;
      return z;
    };
  }

  // kind 0 quadratic, 1 cubic, 2 cosine series.
  std::optional<TNodeEvaluator> Shepard(int kind) const {
    const int n = s.n;
    const int nr = std::max(1, static_cast<int>(std::sqrt(n / 3.0)));
    const int perNode = kind == 0 ? 6 : kind == 1 ? 10 : 11;
    int nfit = 0, nw = 0;
    if (kind == 0) {
      nw = n >= 19 ? 19 : n;
      nfit = n >= 19 ? 13 : 13 * n / 19;
    } else if (kind == 1) {
      nw = n >= 30 ? 30 : n;
      nfit = n >= 30 ? 17 : 17 * n / 30;
    } else {
      nw = n >= 32 ? 32 : n;
      nfit = n >= 32 ? 18 : 18 * n / 32;
    }
    nfit = ShepardCount(nfit, kind == 0 ? 5 : 9, n);
    nw = ShepardCount(nw, 1, n);
    struct TState {
      std::vector<int> lcell, lnext;
      std::vector<double> radii, coef;
      double xmin = 0, ymin = 0, dx = 0, dy = 0, kappa = 0, ratio = 0, rmax = 0;
      int nr = 0;
    };
    auto st = std::make_shared<TState>();
    st->nr = nr;
    st->lcell.assign(static_cast<std::size_t>(nr) * nr, 0);
    st->lnext.assign(static_cast<std::size_t>(n), 0);
    st->radii.assign(static_cast<std::size_t>(n), 0.0);
    st->coef.assign(static_cast<std::size_t>(perNode - 1) * n, 0.0);
    int ier = -1;
    const double *x = s.x.data(), *y = s.y.data(), *z = s.z.data();
    TState& t = *st;
    if (kind == 0) {
      const auto setup = NumLibEntry<TNumLibEntry::qshep2>();
      if (setup)
        setup(n, x, y, z, nfit, nw, nr, t.lcell.data(), t.lnext.data(), t.xmin, t.ymin, t.dx, t.dy,
              t.rmax, t.radii.data(), t.coef.data(), ier);
    } else if (kind == 1) {
      const auto setup = NumLibEntry<TNumLibEntry::cshep2>();
      if (setup)
        setup(n, x, y, z, nfit, nw, nr, t.lcell.data(), t.lnext.data(), t.xmin, t.ymin, t.dx, t.dy,
              t.rmax, t.radii.data(), t.coef.data(), ier);
    } else {
      const auto setup = NumLibEntry<TNumLibEntry::tshep2>();
      if (setup)
        setup(n, x, y, z, nfit, nw, nr, t.lcell.data(), t.lnext.data(), t.xmin, t.ymin, t.dx, t.dy,
              t.kappa, t.ratio, t.rmax, t.radii.data(), t.coef.data(), ier);
    }
    if (ier != 0) return std::nullopt;
    const auto qval = NumLibEntry<TNumLibEntry::qs2val>();
    const auto qgrd = NumLibEntry<TNumLibEntry::qs2grd>();
    const auto cval = NumLibEntry<TNumLibEntry::cs2val>();
    const auto cgrd = NumLibEntry<TNumLibEntry::cs2grd>();
    const auto tval = NumLibEntry<TNumLibEntry::ts2val>();
    const auto tgrd = NumLibEntry<TNumLibEntry::ts2grd>();
    const TScatter* p = &s;
    return [=](double u, double v) -> std::optional<double> {
      const TState& w = *st;
      const double *px = p->x.data(), *py = p->y.data(), *pz = p->z.data();
      double f = 0, fx = 0, fy = 0;
      int status = 0;
      // The value routines answer 0 beyond every radius; the gradient routines say so.
      if (kind == 0) {
        if (!qval || !qgrd) return std::nullopt;
        qval(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
             w.dy, w.rmax, w.radii.data(), w.coef.data(), f);
        if (f == 0)
          qgrd(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
               w.dy, w.rmax, w.radii.data(), w.coef.data(), f, fx, fy, status);
      } else if (kind == 1) {
        if (!cval || !cgrd) return std::nullopt;
        cval(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
             w.dy, w.rmax, w.radii.data(), w.coef.data(), f);
        if (f == 0)
          cgrd(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
               w.dy, w.rmax, w.radii.data(), w.coef.data(), f, fx, fy, status);
      } else {
        if (!tval || !tgrd) return std::nullopt;
        tval(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
             w.dy, w.kappa, w.ratio, w.rmax, w.radii.data(), w.coef.data(), f);
        if (f == 0)
          tgrd(u, v, p->n, px, py, pz, w.nr, w.lcell.data(), w.lnext.data(), w.xmin, w.ymin, w.dx,
               w.dy, w.kappa, w.ratio, w.rmax, w.radii.data(), w.coef.data(), f, fx, fy, status);
      }
      if (status != 0) return std::nullopt;
      return f;
    };
  }

  std::optional<TNodeEvaluator> Watson() const {
    auto slots = std::make_shared<TWatsonSlots>();
    if (WatsonCreate(*slots, s.n, s.x.data(), s.y.data(), s.z.data(), 0) != 1) return std::nullopt;
    return [slots](double x, double y) -> std::optional<double> {
      return static_cast<double>(WatsonEvaluate(*slots, x, y, 0));
    };
  }
};

bool IsWholeGridMethod(int code) { return code == kRegridAkima || code == kRegridSurf; }

// The node-by-node set-up of a method that is not a whole-grid one.
std::optional<TNodeEvaluator> MethodEvaluator(const TMethodSetup& setup, int code) {
  switch (code) {
    case kRegridAkimaII:
      return setup.AkimaII();
    case kRegridPreusserC1:
    case kRegridPreusserC2:
      return setup.Preusser(code == kRegridPreusserC2);
    case kRegridShepardQuadratic:
    case kRegridShepardCubic:
    case kRegridShepardCosine:
      return setup.Shepard(code - kRegridShepardQuadratic);
    case kRegridWatson:
      return setup.Watson();
    default:
      return setup.Renka();
  }
}

// The hold of a made grid's nodes, in unit coordinates whatever the method's: in Watson's data
// coordinates the nearest points of a long narrow rectangle (20 by 0.05) are those nearest
// along its long side, the rise across its short side counted as noise, and its nodes went
// 27 noise widths beyond the data's range unheld.
struct TGridGuard {
  THullGuard hull;
  double ex = 1, ey = 1;  // a method's coordinates are the guard's times these
};

// The node at (u, v) in the guard's coordinates whose value is `value`, held beyond the hull
// within the allowance of the surface's value at the hull's nearest point (`eval` gives it).
double HeldBeyondHull(const TGridGuard& guard, const TNodeEvaluator& eval, double u, double v, double value) {
  const THullGuard& hull = guard.hull;
  if (!hull.MayHold(value) || !hull.Beyond(u, v)) return value;
  const auto [fu, fv] = hull.Foot(u, v);
  const std::optional<double> foot = eval(fu * guard.ex, fv * guard.ey);
  return foot ? hull.Hold(fu, fv, *foot, value) : value;
}

// Gives every failed node a value: Renka I's surface there (which evaluates wherever its
// triangulation exists), held beyond the hull as the method's own nodes are. False when Renka I
// cannot (the method was Renka I itself, or its set-up failed): no grid is then made.
bool FillFailedNodes(const TMethodSetup& setup, const TGridGuard& guard, const std::vector<double>& u,
                     const std::vector<double>& v, const std::vector<char>& failed, bool methodIsRenka,
                     std::vector<double>& values) {
  if (methodIsRenka) return false;
  const std::optional<TNodeEvaluator> renka = setup.Renka();
  if (!renka) return false;
  // Beyond the hull Renka I's extrapolation from limited gradients, as the methods' own.
  std::optional<TNodeEvaluator> limited;
  const std::size_t gx = u.size();
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!failed[k]) continue;
    const double nu = u[k % gx], nv = v[k / gx];
    const TNodeEvaluator* surface = &*renka;
    if (std::isfinite(guard.hull.Allowance()) && guard.hull.Beyond(nu / guard.ex, nv / guard.ey)) {
      if (!limited) {
        const TNodeLimits limits;
        limited = setup.Renka();
      }
      if (!limited) return false;
      surface = &*limited;
    }
    const std::optional<double> z = (*surface)(nu, nv);
    if (!z) return false;
    values[k] = HeldBeyondHull(guard, *surface, nu / guard.ex, nv / guard.ey, *z);
  }
  return true;
}

// The natural grid of a table: its distinct x and y values, as the points hold them, and the
// matrix of the data's z at their nodes (kMissingNode elsewhere; a later point at the same
// node wins). The axes keep the points' long doubles, so that a filled grid gives every
// point back its own position.
struct TNaturalGrid {
  std::vector<long double> x, y;
  std::vector<double> z;
};

std::optional<TNaturalGrid> NaturalGrid(std::span<TXYZPoint> table) {
  TNaturalGrid g;
  g.y = DistinctYValuesLD(table);
  g.x = DistinctXValuesLD(table);
  if (g.x.empty() || g.y.empty()) return std::nullopt;
  const std::size_t nx = g.x.size();
  g.z.assign(nx * g.y.size(), kMissingNode);
  for (const TXYZPoint& p : PointsOf(table))
    g.z[static_cast<std::size_t>(p.RXYZ) * nx + static_cast<std::size_t>(p.RXY)] = static_cast<double>(p.Z);
  return g;
}

}  // namespace

bool TSpline3D::MakeGrid(bool fill, int regridMethod) {
  filledUniform_ = false;
  fillGaveWay_ = {0, 0};
  if (fill) {
    const std::optional<TNaturalGrid> natural = NaturalGrid(working_);
    if (natural && natural->x.size() * natural->y.size() > static_cast<std::size_t>(kMaxFillNodes)) {
      nx_ = ny_ = kFillFallbackSize;
      filledUniform_ = true;
      fillGaveWay_ = {natural->x.size(), natural->y.size()};
      fill = false;
    }
  }
  return MakeGridByMethod(fill, regridMethod);
}

bool TSpline3D::MakeGridByMethod(bool fill, int code) {
  const int n = mergedCount_;
  if (n < 4) return false;
  if (code < 0 || code >= kRegridMethodCount) code = kRegridRenka;
  if (code == kRegridAkimaII && n < 10) code = kRegridAkima;
  if (code >= kRegridShepardQuadratic && code <= kRegridShepardCosine) {
    if (n < 6) {
      code = kRegridRenka;
    } else if (n < 10) {
      code = kRegridShepardQuadratic;
    }
  }

  // Nodes in data coordinates and, when filling, the data values they already hold.
  std::vector<double> xs, ys, known;
  std::vector<long double> xsLD, ysLD;
  if (fill) {
    std::optional<TNaturalGrid> natural = NaturalGrid(working_);
    if (!natural) return false;
    xsLD = std::move(natural->x);
    ysLD = std::move(natural->y);
    known = std::move(natural->z);
    xs.assign(xsLD.begin(), xsLD.end());
    ys.assign(ysLD.begin(), ysLD.end());
  } else {
    if (nx_ < 1 || ny_ < 1) return false;
    // Uniform nodes in long doubles: far from the origin doubles would round them.
    xsLD = MakeGridAxisLD(ext_[0], ext_[1], nx_);
    ysLD = MakeGridAxisLD(ext_[2], ext_[3], ny_);
    xs.assign(xsLD.begin(), xsLD.end());
    ys.assign(ysLD.begin(), ysLD.end());
  }
  const int gx = static_cast<int>(xs.size()), gy = static_cast<int>(ys.size());
  const std::size_t nodes = static_cast<std::size_t>(gx) * static_cast<std::size_t>(gy);
  if (gx < 1 || gy < 1) return false;

  PointTable copy = DupPoints(working_);
  if (copy.empty()) return false;
  const bool triangulated = code >= kRegridAkimaII && code <= kRegridRenka;
  if (!IsWholeGridMethod(code) && IsCollinearXY(copy, triangulated, nullptr)) return false;

  // Unit coordinates (Watson: data units from the lower corner) are taken in long doubles
  // from the points' own digits: far from the origin a double would round x (1e9 + 1e-3 u
  // holds u to 1e-4) before the shift.
  const bool unit = code != kRegridWatson;
  const long double x0 = ext_[0], y0 = ext_[2], wx = ext_[1] - ext_[0], wy = ext_[3] - ext_[2];
  auto toU = [&](long double x) { return static_cast<double>(unit ? (x - x0) / wx : x - x0); };
  auto toV = [&](long double y) { return static_cast<double>(unit ? (y - y0) / wy : y - y0); };
  TScatter s;
  s.n = n;
  s.z = PointsZ(copy);
  for (const TXYZPoint& p : PointsOf(std::span<const TXYZPoint>(copy))) {
    s.x.push_back(toU(p.X));
    s.y.push_back(toV(p.Y));
  }
  std::vector<double> u, v;
  for (long double a : xsLD) u.push_back(toU(a));
  for (long double a : ysLD) v.push_back(toV(a));

  std::vector<double> values(nodes, 0.0);
  std::vector<char> failed(nodes, 0);
  const TMethodSetup setup{s};
  std::optional<TNodeEvaluator> eval;
  std::shared_ptr<TMethodSetup::TAkimaWork> akimaWork;
  if (IsWholeGridMethod(code)) {
    const bool ok = code == kRegridAkima ? setup.AkimaGrid(u, v, values, &akimaWork)
                                         : setup.LibrarySurface(u, v, values);
    if (!ok) return false;
    if (fill)
      for (std::size_t k = 0; k < nodes; ++k)
        if (known[k] != kMissingNode) values[k] = known[k];
  } else {
    eval = MethodEvaluator(setup, code);
    if (!eval) return false;
    for (int j = 0; j < gy; ++j)
      for (int i = 0; i < gx; ++i) {
        const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(gx) + static_cast<std::size_t>(i);
        if (fill && known[k] != kMissingNode) {
          values[k] = known[k];
          continue;
        }
        const std::optional<double> z = (*eval)(u[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
        if (z) {
          values[k] = *z;
        } else {
          failed[k] = 1;
        }
      }
  }

  // Nodes beyond the hull of the points are the extrapolation of the method set up with its
  // node derivatives limited, held within the allowance of that surface's value at the hull's
  // nearest point, as the scattered engine's surfaces are; nodes within it keep the method's
  // value. Data whose allowance is unbounded limit nothing: their own extrapolation stands.
  TGridGuard guard;
  if (!unit) {
    guard.ex = wx > 0 ? static_cast<double>(wx) : 1.0;
    guard.ey = wy > 0 ? static_cast<double>(wy) : 1.0;
  }
  {
    std::vector<double> gu(s.x), gv(s.y);
    for (double& a : gu) a /= guard.ex;
    for (double& b : gv) b /= guard.ey;
    guard.hull = THullGuard(gu, gv, s.z);
  }
  const THullGuard& hull = guard.hull;
  // The limited set-up, made once the first node beyond the hull needs it; the whole-grid
  // methods take Akima's kernel point by point (the library's surface is that kernel's).
  // Data whose allowance is unbounded are neither limited nor held: their nodes stand.
  std::optional<TNodeEvaluator> beyond;
  bool beyondMade = false;
  auto extrapolation = [&]() -> const TNodeEvaluator* {
    if (!beyondMade) {
      beyondMade = true;
      const TNodeLimits limits;
      beyond = IsWholeGridMethod(code) ? setup.AkimaPoints(nullptr) : MethodEvaluator(setup, code);
    }
    return beyond ? &*beyond : nullptr;
  };
  for (int j = 0; j < gy && std::isfinite(hull.Allowance()); ++j)
    for (int i = 0; i < gx; ++i) {
      const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(gx) +
                            static_cast<std::size_t>(i);
      const double nu = u[static_cast<std::size_t>(i)] / guard.ex, nv = v[static_cast<std::size_t>(j)] / guard.ey;
      if (failed[k] || (fill && known[k] != kMissingNode) || !hull.Beyond(nu, nv)) continue;
      const TNodeEvaluator* surface = extrapolation();
      if (surface == nullptr) continue;
      const TNodeLimits limits;
      const std::optional<double> z = (*surface)(u[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
      if (!z || !hull.MayHold(*z)) {
        if (z) values[k] = *z;
        continue;
      }
      values[k] = HeldBeyondHull(guard, *surface, nu, nv, *z);
    }
  if (std::find(failed.begin(), failed.end(), 1) != failed.end() &&
      !FillFailedNodes(setup, guard, u, v, failed, code == kRegridRenka, values))
    return false;

  PointTable grid = BuildGridPointsLD(std::vector<long double>(values.begin(), values.end()), gx, gy, xsLD, ysLD);
  if (grid.empty()) return false;
  if (fill) {
    // The library works in doubles; the data keep their own digits at their nodes.
    for (const TXYZPoint& p : working_.subspan(1, static_cast<std::size_t>(n))) {
      const auto i = std::lower_bound(xsLD.begin(), xsLD.end(), p.X) - xsLD.begin();
      const auto j = std::lower_bound(ysLD.begin(), ysLD.end(), p.Y) - ysLD.begin();
      if (i < gx && j < gy) grid[static_cast<std::size_t>(j * gx + i) + 1].Z = p.Z;
    }
  }
  failedNodes_ = 0;
  for (std::size_t k = 0; k < nodes; ++k)
    if (failed[k]) {
      grid[k + 1].Status = kPointInactive;
      ++failedNodes_;
    }
  data_->SetWork(std::move(grid));
  working_ = data_->Work();
  nx_ = gx;
  ny_ = gy;
  pointCount_ = gx * gy;
  return true;
}
