#include "smooth/kernels/akima_patch.h"

#include <cmath>

namespace {

// Value and partial derivatives of the patch polynomial at (u, v), in its own coordinates.
struct UVDerivatives {
  double p = 0, pu = 0, pv = 0, puu = 0, puv = 0, pvv = 0;
};

UVDerivatives Differentiate(const TAkimaPatch& patch, double u, double v) {
  // Row i as a polynomial in v with its first and second derivatives.
  double q[6], qv[6], qvv[6];
  for (int i = 0; i < 6; ++i) {
    const double* c = patch.p[i];
    q[i] = c[0] + v * (c[1] + v * (c[2] + v * (c[3] + v * (c[4] + v * c[5]))));
    qv[i] = c[1] + v * (2 * c[2] + v * (3 * c[3] + v * (4 * c[4] + v * 5 * c[5])));
    qvv[i] = 2 * c[2] + v * (6 * c[3] + v * (12 * c[4] + v * 20 * c[5]));
  }
  UVDerivatives d;
  d.p = q[0] + u * (q[1] + u * (q[2] + u * (q[3] + u * (q[4] + u * q[5]))));
  d.pu = q[1] + u * (2 * q[2] + u * (3 * q[3] + u * (4 * q[4] + u * 5 * q[5])));
  d.puu = 2 * q[2] + u * (6 * q[3] + u * (12 * q[4] + u * 20 * q[5]));
  d.pv = qv[0] + u * (qv[1] + u * (qv[2] + u * (qv[3] + u * (qv[4] + u * qv[5]))));
  d.puv = qv[1] + u * (2 * qv[2] + u * (3 * qv[3] + u * (4 * qv[4] + u * 5 * qv[5])));
  d.pvv = qvv[0] + u * (qvv[1] + u * (qvv[2] + u * (qvv[3] + u * (qvv[4] + u * qvv[5]))));
  return d;
}

}  // namespace

void AkimaPatchFrame(TAkimaPatch& patch, double x0, double y0, double a, double b, double c,
                     double d) {
  patch.x0 = x0;
  patch.y0 = y0;
  const double dlt = a * d - b * c;
  patch.ap = d / dlt;
  patch.bp = -b / dlt;
  patch.cp = -c / dlt;
  patch.dp = a / dlt;
}

void AkimaNodeUV(const TAkimaNode& node, double a, double b, double c, double d, double uv[5]) {
  const double* pd = node.pd;
  uv[0] = a * pd[0] + c * pd[1];
  uv[1] = b * pd[0] + d * pd[1];
  uv[2] = a * a * pd[2] + 2.0 * a * c * pd[3] + c * c * pd[4];
  uv[3] = a * b * pd[2] + (a * d + b * c) * pd[3] + c * d * pd[4];
  uv[4] = b * b * pd[2] + 2.0 * b * d * pd[3] + d * d * pd[4];
}

void AkimaQuinticHermite(const double f[2], const double f1[2], const double f2[2], double out[6]) {
  out[0] = f[0];
  out[1] = f1[0];
  out[2] = 0.5 * f2[0];
  const double h1 = f[1] - out[0] - out[1] - out[2];
  const double h2 = f1[1] - out[1] - f2[0];
  const double h3 = f2[1] - f2[0];
  out[3] = 10.0 * h1 - 4.0 * h2 + 0.5 * h3;
  out[4] = -15.0 * h1 + 7.0 * h2 - h3;
  out[5] = 6.0 * h1 - 3.0 * h2 + 0.5 * h3;
}

TAkimaPatch AkimaTrianglePatch(const TAkimaNode& n1, const TAkimaNode& n2, const TAkimaNode& n3) {
  TAkimaPatch t;
  const double a = n2.x - n1.x, b = n3.x - n1.x, c = n2.y - n1.y, d = n3.y - n1.y;
  AkimaPatchFrame(t, n1.x, n1.y, a, b, c, d);
  double uv1[5], uv2[5], uv3[5];  // zu, zv, zuu, zuv, zvv at the vertices
  AkimaNodeUV(n1, a, b, c, d, uv1);
  AkimaNodeUV(n2, a, b, c, d, uv2);
  AkimaNodeUV(n3, a, b, c, d, uv3);
  auto& p = t.p;
  // Along the u side (v = 0) and the v side (u = 0): quintic Hermite pieces.
  double alongU[6], alongV[6];
  {
    const double f[2] = {n1.z, n2.z}, f1[2] = {uv1[0], uv2[0]}, f2[2] = {uv1[2], uv2[2]};
    AkimaQuinticHermite(f, f1, f2, alongU);
    const double g[2] = {n1.z, n3.z}, g1[2] = {uv1[1], uv3[1]}, g2[2] = {uv1[4], uv3[4]};
    AkimaQuinticHermite(g, g1, g2, alongV);
  }
  for (int i = 0; i < 6; ++i) {
    p[i][0] = alongU[i];
    p[0][i] = alongV[i];
  }
  p[1][1] = uv1[3];
  // Derivatives across the two sides: cubic along each side.
  const double lu = std::sqrt(a * a + c * c), lv = std::sqrt(b * b + d * d);
  const double thxu = std::atan2(c, a);
  const double thuv = std::atan2(d, b) - thxu;
  const double csuv = std::cos(thuv);
  p[4][1] = 5.0 * lv * csuv / lu * p[5][0];
  p[1][4] = 5.0 * lu * csuv / lv * p[0][5];
  double h1 = uv2[1] - p[0][1] - p[1][1] - p[4][1];
  double h2 = uv2[3] - p[1][1] - 4.0 * p[4][1];
  p[2][1] = 3.0 * h1 - h2;
  p[3][1] = -2.0 * h1 + h2;
  h1 = uv3[0] - p[1][0] - p[1][1] - p[1][4];
  h2 = uv3[3] - p[1][1] - 4.0 * p[1][4];
  p[1][2] = 3.0 * h1 - h2;
  p[1][3] = -2.0 * h1 + h2;
  // The third side (u + v = 1): its cross derivative cubic as well. With (alpha, beta) the
  // (u, v) components of the normal to the side, the s^4 coefficient of
  // alpha p_u + beta p_v along (1 - s, s) must vanish; p32 = h2 - p22 and p23 = h3 - p22 match
  // the second derivatives along the sides at vertices 2 and 3, which leaves p22.
  const double alpha = -d * (d - c) - b * (b - a), beta = c * (d - c) + a * (b - a);
  h2 = 0.5 * uv2[4] - p[0][2] - p[1][2];
  const double h3 = 0.5 * uv3[2] - p[2][0] - p[2][1];
  const double known = 5.0 * alpha * p[5][0] + (beta - 4.0 * alpha) * p[4][1] +
                       (alpha - 4.0 * beta) * p[1][4] + 5.0 * beta * p[0][5];
  p[2][2] = ((3.0 * alpha - 2.0 * beta) * h2 + (3.0 * beta - 2.0 * alpha) * h3 + known) /
            (alpha + beta);
  p[3][2] = h2 - p[2][2];
  p[2][3] = h3 - p[2][2];
  return t;
}

TAkimaPatch AkimaStripPatch(const TAkimaNode& n1, const TAkimaNode& n2) {
  TAkimaPatch s;
  // u along the outward normal, v along the segment, both as long as the segment.
  const double a = n2.y - n1.y, b = n2.x - n1.x, c = -b, d = a;
  AkimaPatchFrame(s, n1.x, n1.y, a, b, c, d);
  double uv1[5], uv2[5];
  AkimaNodeUV(n1, a, b, c, d, uv1);
  AkimaNodeUV(n2, a, b, c, d, uv2);
  auto& p = s.p;
  double alongV[6];
  const double f[2] = {n1.z, n2.z}, f1[2] = {uv1[1], uv2[1]}, f2[2] = {uv1[4], uv2[4]};
  AkimaQuinticHermite(f, f1, f2, alongV);
  for (int j = 0; j < 6; ++j) p[0][j] = alongV[j];
  p[1][0] = uv1[0];
  p[1][1] = uv1[3];
  const double h1 = uv2[0] - p[1][0] - p[1][1];
  const double h2 = uv2[3] - p[1][1];
  p[1][2] = 3.0 * h1 - h2;
  p[1][3] = -2.0 * h1 + h2;
  p[2][0] = 0.5 * uv1[2];
  p[2][1] = 0.0;
  p[2][3] = -uv2[2] + uv1[2];
  p[2][2] = -1.5 * p[2][3];
  return s;
}

double AkimaPatchValue(const TAkimaPatch& patch, double x, double y, int deriv) {
  if (deriv < 0 || deriv >= kAkimaDerivCodes) return 0.0;
  const double dx = x - patch.x0, dy = y - patch.y0;
  const double u = patch.ap * dx + patch.bp * dy;
  const double v = patch.cp * dx + patch.dp * dy;
  const UVDerivatives d = Differentiate(patch, u, v);
  const double ap = patch.ap, bp = patch.bp, cp = patch.cp, dp = patch.dp;
  switch (deriv) {
    case 0:
      return d.p;
    case 1:
      return ap * d.pu + cp * d.pv;
    case 2:
      return bp * d.pu + dp * d.pv;
    case 3:
      return ap * ap * d.puu + 2.0 * ap * cp * d.puv + cp * cp * d.pvv;
    case 4:
      return bp * bp * d.puu + 2.0 * bp * dp * d.puv + dp * dp * d.pvv;
    default:
      return ap * bp * d.puu + (ap * dp + bp * cp) * d.puv + cp * dp * d.pvv;
  }
}

double AkimaSectorValue(const TAkimaNode& vertex, double x, double y, int deriv) {
  const double dx = x - vertex.x, dy = y - vertex.y;
  const double zx = vertex.pd[0], zy = vertex.pd[1];
  const double zxx = vertex.pd[2], zxy = vertex.pd[3], zyy = vertex.pd[4];
  switch (deriv) {
    case 0:
      return vertex.z + dx * (zx + 0.5 * dx * zxx + dy * zxy) + dy * (zy + 0.5 * dy * zyy);
    case 1:
      return zx + zxx * dx + zxy * dy;
    case 2:
      return zy + zyy * dy + zxy * dx;
    case 3:
      return zxx;
    case 4:
      return zyy;
    case 5:
      return zxy;
    default:
      return 0.0;
  }
}
