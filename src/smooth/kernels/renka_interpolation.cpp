#include "smooth/kernels/renka_interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <span>
#include <vector>

#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/renka_triangulation.h"

double SinhMinusX(double x) {
  if (std::fabs(x) >= 0.5) return std::sinh(x) - x;
  const double xs = x * x;
  double term = x * xs / 6.0, sum = term;
  for (int k = 2; k <= 8; ++k) {
    term *= xs / ((2.0 * k) * (2.0 * k + 1.0));
    sum += term;
  }
  return sum;
}

double CoshMinusOne(double x) {
  const double s = std::sinh(0.5 * x);
  return 2.0 * s * s;
}

double CoshMinusOneMinusHalfSquare(double x) {
  if (std::fabs(x) >= 0.5) return CoshMinusOne(x) - 0.5 * x * x;
  const double xs = x * x;
  double term = xs * xs / 24.0, sum = term;
  for (int k = 3; k <= 9; ++k) {
    term *= xs / ((2.0 * k - 1.0) * (2.0 * k));
    sum += term;
  }
  return sum;
}

namespace {

// Below kMinTension the tension terms vanish in the rounding of the cubic ones (and their
// formulas would underflow).
constexpr double kMinTension = 1e-9;

// Hermite interpolation along an arc of length len from value z1 and slope s1 (per unit
// length) at t = 0 to z2, s2 at t = 1, cubic for sigma = 0 and a tension spline
// (span{1, t, cosh(sigma t), sinh(sigma t)}) otherwise. Returns the value at t; *slope gets
// the derivative per unit length.
double ArcHermite(double t, double len, double z1, double s1, double z2, double s2, double sigma,
                  double* slope) {
  const double r1 = z2 - z1 - len * s1;
  const double r2 = len * (s2 - s1);
  // Basis functions normalised to behave as t^2 and t^3 for small sigma, so that the 2x2
  // system keeps the conditioning of the cubic case.
  double c1, s1b, dc1, ds1, ct, st, dct, dst;
  if (sigma == 0.0) {
    c1 = 1.0, s1b = 1.0, dc1 = 2.0, ds1 = 3.0;
    ct = t * t, st = t * t * t, dct = 2.0 * t, dst = 3.0 * t * t;
  } else {
    const double ks = 2.0 / (sigma * sigma), kc = 6.0 / (sigma * sigma * sigma);
    c1 = ks * CoshMinusOne(sigma), s1b = kc * SinhMinusX(sigma);
    dc1 = ks * sigma * std::sinh(sigma), ds1 = kc * sigma * CoshMinusOne(sigma);
    const double x = sigma * t;
    ct = ks * CoshMinusOne(x), st = kc * SinhMinusX(x);
    dct = ks * sigma * std::sinh(x), dst = kc * sigma * CoshMinusOne(x);
  }
  const double det = c1 * ds1 - s1b * dc1;
  const double a = (r1 * ds1 - s1b * r2) / det;
  const double b = (c1 * r2 - r1 * dc1) / det;
  if (slope != nullptr) *slope = (len * s1 + a * dct + b * dst) / len;
  return z1 + len * s1 * t + a * ct + b * st;
}

// The surface at P beside the arc N1 -> N2 (1-based nodes, Q = b N1 + (1 - b) N2 the foot of P
// on it, sigma the arc's tension): the Hermite interpolant along the arc at Q, continued
// linearly along the normal with the blend of the end gradients; with dflag its gradient.
void ArcSurface(double px, double py, int n1, int n2, double b, double sigma, const double* x,
                const double* y, const double* z, const double* gx, const double* gy, int dflag,
                double& pz, double& pzx, double& pzy) {
  const double ax = x[n1 - 1] - x[n2 - 1], ay = y[n1 - 1] - y[n2 - 1];
  const double len = std::sqrt(ax * ax + ay * ay);
  const double ux = -ax / len, uy = -ay / len;  // unit direction N1 -> N2
  const double t = 1.0 - b;
  const double qx = x[n1 - 1] - t * ax, qy = y[n1 - 1] - t * ay;
  double slope;
  const double hq = ArcHermite(t, len, z[n1 - 1], gx[n1 - 1] * ux + gy[n1 - 1] * uy, z[n2 - 1],
                               gx[n2 - 1] * ux + gy[n2 - 1] * uy, sigma, &slope);
  const double gqx = b * gx[n1 - 1] + (1.0 - b) * gx[n2 - 1];
  const double gqy = b * gy[n1 - 1] + (1.0 - b) * gy[n2 - 1];
  const double dx = px - qx, dy = py - qy;
  pz = hq + gqx * dx + gqy * dy;
  if (dflag != 0) {
    // The exact gradient of pz: along the arc the Hermite slope plus the turn of the blended
    // gradient over the normal offset, across it the blended gradient.
    const double turn = ((gx[n2 - 1] - gx[n1 - 1]) * dx + (gy[n2 - 1] - gy[n1 - 1]) * dy) / len;
    const double along = slope + turn;
    const double across = -gqx * uy + gqy * ux;  // component along the normal (-uy, ux)
    pzx = along * ux - across * uy;
    pzy = along * uy + across * ux;
  }
}

}  // namespace

double RenkaArcTension(int iflgs, const double* sigma, int lp) {
  if (sigma == nullptr) return 0.0;
  const double s = iflgs >= 1 ? sigma[lp - 1] : sigma[0];
  return std::isfinite(s) && s >= kMinTension ? std::min(s, kMaxTension) : 0.0;
}

void RenkaArcCoefficients(double sigma, double dcub, double& d, double& sd) {
  if (!(sigma >= kMinTension)) {
    d = 4.0 / dcub;
    sd = 2.0 / dcub;
  } else if (sigma <= 0.5) {
    const double sinhm = SinhMinusX(sigma);
    const double coshm = CoshMinusOne(sigma);
    const double coshmm = CoshMinusOneMinusHalfSquare(sigma);
    const double e = (sigma * sinhm - 2.0 * coshmm) * dcub;
    d = sigma * (sigma * coshm - sinhm) / e;
    sd = sigma * sinhm / e;
  } else {
    const double ems = std::exp(-sigma);
    const double ssm = 1.0 - ems * ems;
    const double c = (1.0 - ems) * (1.0 - ems);
    const double e = (sigma * ssm - 2.0 * c) * dcub;
    d = sigma * (sigma * c - (ssm - 2.0 * sigma * ems)) / e;
    sd = sigma * (ssm - 2.0 * sigma * ems) / e;
  }
}

void RenkaGradients(int ncc, const int* lcc, int n, const double* x, const double* y,
                    const double* z, const int* list, const int* lptr, const int* lend, int iflgs,
                    const double* sigma, int& nit, double& dgmax, double* gx, double* gy,
                    int& ier) {
  RenkaGradientsHolding(ncc, lcc, n, x, y, z, list, lptr, lend, iflgs, sigma, nullptr, nit, dgmax, gx, gy,
                        ier);
}

void RenkaGradientsHolding(int ncc, const int* lcc, int n, const double* x, const double* y,
                           const double* z, const int* list, const int* lptr, const int* lend,
                           int iflgs, const double* sigma, const char* held, int& nit,
                           double& dgmax, double* gx, double* gy, int& ier) {
  const int maxit = nit;
  const double bound = dgmax;
  bool valid = ncc >= 0 && maxit >= 1 && bound >= 0.0;
  if (valid && ncc == 0) valid = n >= 3;
  if (valid && ncc > 0) {
    int lcc1 = n + 1;
    for (int i = ncc - 1; i >= 0 && valid; --i) {
      valid = lcc != nullptr && lcc1 - lcc[i] >= 3;
      if (valid) lcc1 = lcc[i];
    }
    valid = valid && lcc1 >= 1;
  }
  if (!valid) {
    nit = 0;
    dgmax = 0.0;
    ier = kRenkaInvalidInput;
    return;
  }

  double change = 0.0;
  for (int iter = 1; iter <= maxit; ++iter) {
    change = 0.0;
    for (int k = 1; k <= n; ++k) {
      if (held != nullptr && held[k - 1] != 0) continue;
      const double xk = x[k - 1], yk = y[k - 1], zk = z[k - 1];
      double a11 = 0.0, a12 = 0.0, a22 = 0.0, r1 = 0.0, r2 = 0.0;
      const int lpl = lend[k - 1];
      int lp = lpl;
      do {
        lp = lptr[lp - 1];
        const int nb = std::abs(list[lp - 1]);
        const double dx = x[nb - 1] - xk, dy = y[nb - 1] - yk;
        const double h2 = dx * dx + dy * dy;
        if (h2 == 0.0) {
          nit = 0;
          dgmax = change;
          ier = kRenkaCoincident;
          return;
        }
        double d, sd;
        RenkaArcCoefficients(RenkaArcTension(iflgs, sigma, lp), h2 * std::sqrt(h2), d, sd);
        // Stationarity of the arc's curvature functional in node k's gradient, with the
        // neighbour's gradient held at its current value.
        const double t = (d + sd) * (z[nb - 1] - zk) - sd * (gx[nb - 1] * dx + gy[nb - 1] * dy);
        a11 += d * dx * dx;
        a12 += d * dx * dy;
        a22 += d * dy * dy;
        r1 += t * dx;
        r2 += t * dy;
      } while (lp != lpl);
      const double det = a11 * a22 - a12 * a12;
      if (det == 0.0 || a11 == 0.0) {
        nit = 0;
        dgmax = change;
        ier = kRenkaSingular;
        return;
      }
      const double gyk = (a11 * r2 - a12 * r1) / det;
      const double gxk = (r1 - a12 * gyk) / a11;
      const double ox = gx[k - 1], oy = gy[k - 1];
      const double dgx = gxk - ox, dgy = gyk - oy;
      gx[k - 1] = gxk;
      gy[k - 1] = gyk;
      change = std::max(change, std::hypot(dgx, dgy) / (1.0 + std::hypot(ox, oy)));
    }
    if (change <= bound) {
      nit = iter;
      dgmax = change;
      ier = kRenkaOk;
      return;
    }
  }
  dgmax = change;
  ier = kRenkaNotConverged;
}

int RenkaLimitGradients(int n, const double* x, const double* y, const double* z,
                        const int* list, const int* lptr, const int* lend, double* gx,
                        double* gy) {
  if (n < 3) return 0;
  const auto count = static_cast<std::size_t>(n);
  const double allowance = MeasureTrend(std::span<const double>(x, count), std::span<const double>(y, count),
                                        std::span<const double>(z, count))
                               .Allowance();
  return RenkaLimitGradients(n, x, y, z, list, lptr, lend, gx, gy, allowance);
}

int RenkaLimitGradients(int n, const double* x, const double* y, const double* z,
                        const int* list, const int* lptr, const int* lend, double* gx,
                        double* gy, double allowance) {
  if (n < 3) return 0;
  const auto count = static_cast<std::size_t>(n);
  const std::span<const double> xs(x, count), ys(y, count), zs(z, count);
  std::vector<TNodeTaylor> originals(count);
  for (std::size_t k = 0; k < count; ++k) {
    originals[k].order = 1;
    originals[k].d[1][0] = gx[k];
    originals[k].d[0][1] = gy[k];
  }
  int limited = 0;
  std::vector<int> ring;
  for (int k = 1; k <= n; ++k) {
    ring.clear();
    const int lpl = lend[k - 1];
    int lp = lpl;
    do {
      lp = lptr[lp - 1];
      ring.push_back(std::abs(list[lp - 1]) - 1);
    } while (lp != lpl);
    TNodeTaylor t = originals[static_cast<std::size_t>(k - 1)];
    if (LimitNodeTaylor(xs, ys, zs, k - 1, ring, allowance, originals, t)) {
      gx[k - 1] = t.d[1][0];
      gy[k - 1] = t.d[0][1];
      ++limited;
    }
  }
  return limited;
}

void RenkaTriangleValue(double px, double py, double x1, double x2, double x3, double y1,
                        double y2, double y3, double z1, double z2, double z3, double zx1,
                        double zx2, double zx3, double zy1, double zy2, double zy3, int dflag,
                        double& f, double& fx, double& fy, int& ier) {
  // Clough-Tocher element in Bernstein-Bezier form (Farin): each of the three sub-triangles
  // (two vertices and the centroid) carries a cubic; the control points next to a vertex come
  // from its value and gradient, the one in the middle of each side from the condition that
  // the derivative across the side is linear along it, and the inner ones from C1 continuity
  // across the lines to the centroid.
  f = fx = fy = 0.0;
  const double vx[3] = {x1, x2, x3}, vy[3] = {y1, y2, y3}, vz[3] = {z1, z2, z3};
  const double gxv[3] = {zx1, zx2, zx3}, gyv[3] = {zy1, zy2, zy3};
  const double area2 = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
  if (area2 == 0.0 || !std::isfinite(area2)) {
    ier = -1;
    return;
  }
  const double cx = (x1 + x2 + x3) / 3.0, cy = (y1 + y2 + y3) / 3.0;
  // toward[i][j]: the control point one third of the way from vertex i toward vertex j
  // (j = 3 stands for the centroid).
  double toward[3][4];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      const double tx = j < 3 ? vx[j] : cx, ty = j < 3 ? vy[j] : cy;
      toward[i][j] = vz[i] + (gxv[i] * (tx - vx[i]) + gyv[i] * (ty - vy[i])) / 3.0;
    }
  }
  // side[i]: the middle control point of the side from vertex i to vertex i+1.
  double side[3];
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const double ex = vx[j] - vx[i], ey = vy[j] - vy[i];
    const double dx = cx - 0.5 * (vx[i] + vx[j]), dy = cy - 0.5 * (vy[i] + vy[j]);
    const double lambda = (dx * ex + dy * ey) / (ex * ex + ey * ey);
    const double e0 = vz[i], e1 = toward[i][j], e2 = toward[j][i], e3 = vz[j];
    const double q0 = toward[i][3] - 0.5 * (e0 + e1) - lambda * (e1 - e0);
    const double q2 = toward[j][3] - 0.5 * (e2 + e3) - lambda * (e3 - e2);
    side[i] = 0.5 * (e1 + e2) + lambda * (e2 - e1) + 0.5 * (q0 + q2);
  }
  double inner[3];
  for (int i = 0; i < 3; ++i) inner[i] = (toward[i][3] + side[i] + side[(i + 2) % 3]) / 3.0;
  const double centre = (inner[0] + inner[1] + inner[2]) / 3.0;

  // The sub-triangle opposite the vertex with the smallest barycentric coordinate.
  double b[3];
  b[0] = ((x2 - px) * (y3 - py) - (x3 - px) * (y2 - py)) / area2;
  b[1] = ((x3 - px) * (y1 - py) - (x1 - px) * (y3 - py)) / area2;
  b[2] = 1.0 - b[0] - b[1];
  int k = 0;
  if (b[1] < b[k]) k = 1;
  if (b[2] < b[k]) k = 2;
  const int i = (k + 1) % 3, j = (k + 2) % 3;
  const double u = b[i] - b[k], v = b[j] - b[k], w = 3.0 * b[k];

  // Control points of the sub-triangle (vertex i, vertex j, centroid), p[a][b] with a the
  // power of u and b the power of v (the power of w is 3 - a - b).
  double p[4][4] = {};
  p[3][0] = vz[i];
  p[0][3] = vz[j];
  p[0][0] = centre;
  p[2][1] = toward[i][j];
  p[1][2] = toward[j][i];
  p[2][0] = toward[i][3];
  p[0][2] = toward[j][3];
  p[1][1] = side[i];
  p[1][0] = inner[i];
  p[0][1] = inner[j];
  // Partial derivatives in the sub-triangle's barycentric coordinates (quadratics in
  // Bernstein form); the value follows from Euler's relation for a homogeneous cubic.
  auto quad = [&](double c200, double c020, double c002, double c110, double c101, double c011) {
    return c200 * u * u + c020 * v * v + c002 * w * w +
           2.0 * (c110 * u * v + c101 * u * w + c011 * v * w);
  };
  const double fu = 3.0 * quad(p[3][0], p[1][2], p[1][0], p[2][1], p[2][0], p[1][1]);
  const double fv = 3.0 * quad(p[2][1], p[0][3], p[0][1], p[1][2], p[1][1], p[0][2]);
  const double fw = 3.0 * quad(p[2][0], p[0][2], p[0][0], p[1][1], p[1][0], p[0][1]);
  f = (u * fu + v * fv + w * fw) / 3.0;
  ier = 0;
  if (dflag == 0) return;
  // Gradients of the sub-triangle's barycentric coordinates.
  const double ax = vx[i], ay = vy[i], bx = vx[j], by = vy[j];
  const double sub2 = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
  const double ux = (by - cy) / sub2, uy = (cx - bx) / sub2;
  const double vxg = (cy - ay) / sub2, vyg = (ax - cx) / sub2;
  const double wx = (ay - by) / sub2, wy = (bx - ax) / sub2;
  fx = fu * ux + fv * vxg + fw * wx;
  fy = fu * uy + fv * vyg + fw * wy;
}

void RenkaInterpolateC1(double px, double py, int ncc, const int* lcc, int n, const double* x,
                        const double* y, const double* z, const int* list, const int* lptr,
                        const int* lend, int iflgs, const double* sigma, const double* gx,
                        const double* gy, int dflag, int& ist, double& pz, double& pzx,
                        double& pzy, int& ier) {
  RenkaInterpolateC1(px, py, ncc, lcc, n, x, y, z, list, lptr, lend, nullptr, iflgs, sigma, gx,
                     gy, dflag, ist, pz, pzx, pzy, ier);
}

void RenkaInterpolateC1(double px, double py, int ncc, const int* lcc, int n, const double* x,
                        const double* y, const double* z, const int* list, const int* lptr,
                        const int* lend, const int* twins, int iflgs, const double* sigma,
                        const double* gx, const double* gy, int dflag, int& ist, double& pz,
                        double& pzx, double& pzy, int& ier) {
  (void)lcc;  // constraint curves are not honoured (see the header)
  pz = pzx = pzy = 0.0;
  if (ncc < 0 || n < 3 || ist < 1 || ist > n || !std::isfinite(px) || !std::isfinite(py)) {
    ier = kRenkaInvalidInput;
    return;
  }
  int i1, i2, i3;
  RenkaLocate(ist, px, py, n, x, y, list, lptr, lend, twins, i1, i2, i3);
  if (i1 == 0) {
    ier = kRenkaCollinear;
    return;
  }
  ist = i1;
  if (i3 != 0) {
    const bool tension = iflgs >= 1 || (sigma != nullptr && sigma[0] != 0.0);
    if (dflag != 0 && tension) {
      ier = kRenkaTensionDerivative;
      return;
    }
    // A point in a triangle flat to the rounding of its coordinates there (along a hull
    // through nearly collinear nodes: the ends of lines of points, turned) takes the surface
    // along the side its foot falls on: the triangle's own cubic stood a hundredth off the
    // plane of its data, or, flat to the rounding of its area, gave no value.
    const int tri[3] = {i1, i2, i3};
    int a1 = 0, a2 = 0;
    double share = 0;
    if (RenkaFlatTriangleSide(px, py, x, y, tri, a1, a2, share)) {
      double fx = 0, fy = 0;
      ArcSurface(px, py, a1, a2, share, RenkaArcTension(iflgs, sigma, RenkaListIndex(lend[a1 - 1], a2, list, lptr)),
                 x, y, z, gx, gy, dflag, pz, fx, fy);
      if (dflag != 0) pzx = fx, pzy = fy;
      ier = kRenkaOk;
      return;
    }
    double f, fx, fy;
    int terr;
    RenkaTriangleValue(px, py, x[i1 - 1], x[i2 - 1], x[i3 - 1], y[i1 - 1], y[i2 - 1], y[i3 - 1],
                       z[i1 - 1], z[i2 - 1], z[i3 - 1], gx[i1 - 1], gx[i2 - 1], gx[i3 - 1],
                       gy[i1 - 1], gy[i2 - 1], gy[i3 - 1], dflag, f, fx, fy, terr);
    if (terr != 0) {
      ier = kRenkaCollinear;
      return;
    }
    pz = f;
    if (dflag != 0) pzx = fx, pzy = fy;
    ier = kRenkaOk;
    return;
  }

  // Outside the hull: walk the visible boundary clockwise from i1 to the arc onto which the
  // point projects, or to the boundary node in whose wedge (between the outward normals of
  // its two arcs) it lies.
  ier = kRenkaExtrapolated;
  int n1 = i1;
  int wedge = 0;
  for (int step = 0; step <= n; ++step) {
    const int lp = lend[n1 - 1];
    const int n2 = -list[lp - 1];
    if (n2 <= 0) {
      wedge = n1;
      break;
    }
    const double ax = x[n1 - 1] - x[n2 - 1], ay = y[n1 - 1] - y[n2 - 1];
    const double len2 = ax * ax + ay * ay;
    const double b = len2 > 0.0 ? ((px - x[n2 - 1]) * ax + (py - y[n2 - 1]) * ay) / len2 : 2.0;
    if (b > 1.0) {
      wedge = n1;
      break;
    }
    if (b >= 0.0) {
      // On the arc: Q = b N1 + (1 - b) N2. The value at Q is the Hermite interpolant along
      // the arc, the gradient there the blend of the end gradients; the surface continues
      // linearly along the outward normal.
      double fx = 0, fy = 0;
      ArcSurface(px, py, n1, n2, b, RenkaArcTension(iflgs, sigma, lp), x, y, z, gx, gy, dflag, pz, fx, fy);
      if (dflag != 0) pzx = fx, pzy = fy;
      return;
    }
    if (n2 == i2) {
      wedge = n2;
      break;
    }
    n1 = n2;
  }
  if (wedge == 0) wedge = i1;

  // In the wedge at node N: the tangent plane of N plus a quadratic term a (d.ea)(d.eb),
  // ea and eb the unit directions of N's two boundary arcs, d = P - N. The term vanishes on
  // the wedge's bounding normals, so the surface is continuous with the arc extrapolation;
  // a is the least-squares match of the cross derivatives that the arc extrapolation has
  // along those normals (the change of the gradient along each arc), which makes the join
  // C1 wherever the two conditions agree. Parallel arcs leave the tangent plane alone.
  const int nd = wedge;
  const int na = std::abs(list[lptr[lend[nd - 1] - 1] - 1]);  // next hull node
  const int nb = std::abs(list[lend[nd - 1] - 1]);            // previous hull node
  const double dx = px - x[nd - 1], dy = py - y[nd - 1];
  pz = z[nd - 1] + gx[nd - 1] * dx + gy[nd - 1] * dy;
  double gxo = gx[nd - 1], gyo = gy[nd - 1];
  const double eax0 = x[na - 1] - x[nd - 1], eay0 = y[na - 1] - y[nd - 1];
  const double ebx0 = x[nb - 1] - x[nd - 1], eby0 = y[nb - 1] - y[nd - 1];
  const double la = std::hypot(eax0, eay0), lb = std::hypot(ebx0, eby0);
  if (la > 0.0 && lb > 0.0 && na != nb) {
    const double eax = eax0 / la, eay = eay0 / la, ebx = ebx0 / lb, eby = eby0 / lb;
    const double cross = eax * eby - eay * ebx;
    if (cross * cross != 0.0) {
      // Outward normals: right of N -> Na (counter-clockwise along the hull), right of
      // Nb -> N.
      const double nax = eay, nay = -eax;
      const double nbx = -eby, nby = ebx;
      const double ka = ((gx[na - 1] - gx[nd - 1]) * nax + (gy[na - 1] - gy[nd - 1]) * nay) / la;
      const double kb = ((gx[nb - 1] - gx[nd - 1]) * nbx + (gy[nb - 1] - gy[nd - 1]) * nby) / lb;
      const double ca = nax * ebx + nay * eby, cb = nbx * eax + nby * eay;
      const double a = (ka * ca + kb * cb) / (ca * ca + cb * cb);
      const double da = dx * eax + dy * eay, db = dx * ebx + dy * eby;
      pz += a * da * db;
      gxo += a * (db * eax + da * ebx);
      gyo += a * (db * eay + da * eby);
    }
  }
  if (dflag != 0) pzx = gxo, pzy = gyo;
}

namespace {

// One triangulation of the n points in a block of 13n ints, for the derivative fields.
struct ScratchTriangulation {
  std::vector<int> block;
  int* list() { return block.data(); }
  int* lptr(int n) { return block.data() + 6 * n; }
  int* lend(int n) { return block.data() + 12 * n; }
};

bool TriangulateInto(int n, const double* x, const double* y, ScratchTriangulation& t) {
  if (n < 3) return false;
  try {
    t.block.assign(13 * static_cast<size_t>(n), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  int lnew = 0, ier = 0;
  RenkaTriangulate(n, x, y, t.list(), t.lptr(n), t.lend(n), lnew, ier);
  return ier == kRenkaOk;
}

}  // namespace

int WatsonGradientsC1(int n, const double* x, const double* y, const double* z, double* gx,
                      double* gy) {
  std::fill(gx, gx + std::max(n, 0), 0.0);
  std::fill(gy, gy + std::max(n, 0), 0.0);
  ScratchTriangulation t;
  if (!TriangulateInto(n, x, y, t)) return 0;
  const double no_tension = 0.0;
  int nit = 4, ier = 0;
  double dgmax = 1.0e-3;
  RenkaGradients(0, nullptr, n, x, y, z, t.list(), t.lptr(n), t.lend(n), 0, &no_tension, nit,
                 dgmax, gx, gy, ier);
  return ier >= 0 ? 1 : 0;
}

int WatsonGradientsC2(int n, const double* x, const double* y, const double* z, double* f1,
                      double* f2, double* f3, double* f5, double* f4) {
  for (double* f : {f1, f2, f3, f4, f5}) std::fill(f, f + std::max(n, 0), 0.0);
  ScratchTriangulation t;
  if (!TriangulateInto(n, x, y, t)) return 0;
  const double no_tension = 0.0;
  int nit = 4, ier = 0;
  double dgmax = 1.0e-3;
  struct Run {
    const double* values;
    double* gx;
    double* gy;
  };
  const Run runs[3] = {{z, f1, f2}, {f1, f3, f5}, {f2, f5, f4}};
  for (const Run& run : runs) {
    RenkaGradients(0, nullptr, n, x, y, run.values, t.list(), t.lptr(n), t.lend(n), 0,
                   &no_tension, nit, dgmax, run.gx, run.gy, ier);
    if (ier < 0) return 0;
  }
  return 1;
}
