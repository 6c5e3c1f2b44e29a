// The polynomial pieces of Akima's scattered-data interpolant (ACM TOMS algorithm 526): the
// quintic on a triangle, the piece over the strip beyond a border segment and the quadratic
// Taylor piece in the sector at a border vertex, each built from the values and the five
// partial derivatives (zx, zy, zxx, zxy, zyy) at its points.
//
// A triangle's quintic p(u, v) lives in the affine coordinates of the triangle (vertex 1 at
// the origin, vertex 2 at u = 1, vertex 3 at v = 1); it matches the value and the first and
// second derivatives at the vertices, and its derivative across each side is a cubic along
// the side, so neighbouring triangles join with continuous first derivatives. The strip
// piece is quintic along the segment and quadratic along its outward normal, matching the
// triangle on the segment with its first derivatives.
//
// Every derivative code returns the exact derivative of the same polynomial piece, in the
// units of the coordinates given.
#pragma once

// Derivative codes of every evaluation: 0 value, 1 d/dx, 2 d/dy, 3 d2/dx2, 4 d2/dy2,
// 5 d2/dxdy; any other code gives 0.
inline constexpr int kAkimaDerivCodes = 6;

// A data point with its estimated partial derivatives zx, zy, zxx, zxy, zyy.
struct TAkimaNode {
  double x = 0, y = 0, z = 0;
  double pd[5] = {};
};

// A polynomial sum p[i][j] u^i v^j of degree at most 5 in each of the affine coordinates
// u = ap (x - x0) + bp (y - y0), v = cp (x - x0) + dp (y - y0).
struct TAkimaPatch {
  double x0 = 0, y0 = 0;
  double ap = 1, bp = 0, cp = 0, dp = 1;
  double p[6][6] = {};
};

// The quintic of the triangle n1 n2 n3 (either orientation; a degenerate triangle gives
// coefficients that are not finite).
TAkimaPatch AkimaTrianglePatch(const TAkimaNode& n1, const TAkimaNode& n2, const TAkimaNode& n3);

// The piece over the strip beyond the border segment n1 -> n2 (the data lie to its left).
TAkimaPatch AkimaStripPatch(const TAkimaNode& n1, const TAkimaNode& n2);

// The transform of a patch whose u axis runs along (a, c) and v axis along (b, d) from (x0, y0),
// and the partial derivatives at a node in those coordinates: zu, zv, zuu, zuv, zvv.
void AkimaPatchFrame(TAkimaPatch& patch, double x0, double y0, double a, double b, double c,
                     double d);
void AkimaNodeUV(const TAkimaNode& node, double a, double b, double c, double d, double uv[5]);

// The quintic Hermite piece p0 + p1 t + ... + p5 t^5 on [0, 1] with values f, first
// derivatives f1 and second derivatives f2 at both ends (index 0 at t = 0).
void AkimaQuinticHermite(const double f[2], const double f1[2], const double f2[2], double out[6]);

// The derivative code of the patch at (x, y).
double AkimaPatchValue(const TAkimaPatch& patch, double x, double y, int deriv);

// The sector piece at a border vertex: its quadratic Taylor polynomial.
double AkimaSectorValue(const TAkimaNode& vertex, double x, double y, int deriv);
