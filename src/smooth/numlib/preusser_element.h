// The triangle elements of Preusser's C1 and C2 interpolation on triangulations (ACM TOMS
// algorithm 684): the quintic (C1) and the nonic (C2) that match the derivatives up to order 2
// (4) at the three vertices.
//
// Built in Bernstein-Bezier form over the triangle, degree n = 2r + 1 for the vertex order r:
//   - the coefficients within distance r of each vertex follow from the vertex's Taylor
//     expansion along the triangle's two sides from it;
//   - across each side, the m-th derivative along the side's normal (m = 1..r - 1) is held to
//     degree 2(r - m) + 1 along the side, so that the vertex data of the side's two ends fix
//     it: neighbouring triangles share it, and the surface is C^(r-1);
//   - the nonic's one remaining (central) coefficient makes a fully symmetric ninth
//     derivative of the element vanish, so that the element is independent of the order of
//     its vertices and reproduces every polynomial of degree 7 from exact data.
// The quintic is the element of Akima's interpolant as well; the nonic is C2.
#pragma once

#include <array>

// A bivariate polynomial sum c[i][j] u^i v^j of total degree at most 9.
struct TBiPoly {
  static constexpr int kMaxDegree = 9;
  int degree = 0;
  double c[kMaxDegree + 1][kMaxDegree + 1] = {};

  // The partial derivative of order a in u and b in v at (u, v) (a = b = 0: the value).
  double Derivative(int a, int b, double u, double v) const;
};

// A polynomial in affine coordinates u = j11 (x - x0) + j12 (y - y0), v = j21 (x - x0) +
// j22 (y - y0), evaluated with the derivative modes 0 value, 1 d/dx, 2 d/dy, 3 d2/dx2,
// 4 d2/dy2, 5 d2/dxdy (other modes 0), each exact for the polynomial.
struct TAffinePoly {
  TBiPoly poly;
  double x0 = 0, y0 = 0;
  double j11 = 1, j12 = 0, j21 = 0, j22 = 1;
  double Value(double x, double y, int mode) const;
};

// A vertex with its data: d[a][b] the derivative of order a in x and b in y (d[0][0] the
// value), a + b <= the element's vertex order.
struct TPreusserVertex {
  double x = 0, y = 0;
  double d[5][5] = {};
};

// An element in Bernstein-Bezier form, evaluated by de Casteljau's algorithm on the
// coefficient net and on its directional difference nets (stable where a triangle is thin).
struct TBezierTriangle {
  static constexpr int kMaxDegree = 9;
  int n = 0;
  double b[kMaxDegree + 1][kMaxDegree + 1] = {};  // b[i0][i1], i2 = n - i0 - i1
  double x[3] = {}, y[3] = {};                     // the vertices
  // The derivative modes of TAffinePoly.
  double Value(double px, double py, int mode) const;
};

// The element of the triangle v[0] v[1] v[2] (either orientation) for the vertex order 2
// (the C1 quintic) or 4 (the C2 nonic). A degenerate triangle gives coefficients that are not
// finite numbers.
TBezierTriangle PreusserElement(const std::array<TPreusserVertex, 3>& v, int order);

// The Taylor polynomial of the given order about a vertex.
TAffinePoly PreusserVertexTaylor(const TPreusserVertex& v, int order);

// The surface beyond the hull side from a to b (the data lie to its left): along every normal
// to the side, the Taylor polynomial of the given order about the normal's foot, whose normal
// derivatives of order m along the side interpolate those at a and b with their tangential
// derivatives up to order (order - m). Up to order (order / 2) these are the element's own
// normal derivatives along the side, so the extension joins the element C1 (order 2) or
// C2 (order 4); at the side's ends it agrees with the vertices' Taylor polynomials.
TAffinePoly PreusserSideExtension(const TPreusserVertex& a, const TPreusserVertex& b, int order);
