// Akima's scattered-data interpolation with the accuracy of a cubic polynomial (ACM TOMS
// algorithm 761), the numerical library's entry sdbi3p.
//
// The surface is the quintic of Akima's 1978 method on every triangle (akima_patch.h) over
// the triangulation of akima_triangulation.h, with the partial derivatives at every point
// taken from the cubic through the point that fits its 14 nearest neighbours best
// (local_polynomial_fit.h); within a TNodeLimits scope (the engines' extrapolation beyond the
// hull) they are held to what the values about the point support (derivative_limiter.h: on
// noisy data a one-sided cubic at the border carried the noise tens of data heights beyond it). Data from a cubic polynomial are
// reproduced exactly, values and all five derivatives, inside the hull and beyond it. Outside the convex hull: beyond a border
// segment the piece that is quintic along the segment and cubic along its outward normal,
// matching the triangle's value and first derivatives on the segment; in the sector at a
// border vertex the vertex's cubic Taylor polynomial. Every derivative mode is the exact
// derivative of the piece the point lies in.
//
// MD 1 sets up (triangulation, the point-location tables, derivatives) and evaluates; MD 2
// takes new z values on the same points (derivatives again); MD 3 only evaluates.
//
// Work arrays, 0-based: WK (17 NDP doubles): per point k at 9k .. 9k + 8 zx, zy, zxx, zxy, zyy,
// zxxx, zxxy, zxyy, zyyy. IWK (39 NDP ints): 16 header words (a set-up mark, NDP, NT, NL, the
// cells per side of the location table), then IPT (3 per triangle, from word 16), IPL (3 per
// border segment, from 16 + 6 NDP), the neighbour across each side of each triangle (the
// border segment's number negated on the border, from 16 + 9 NDP) and a start triangle per
// location cell (from 16 + 15 NDP).
//
// Re-entrant: no state outside the arguments.
#pragma once

// Result words (0 success).
inline constexpr int kSdOk = 0;
inline constexpr int kSdBadCall = 1;     // MD outside 1..3, NIP < 1 or a missing array
inline constexpr int kSdTooFew = 2;      // fewer than 10 points
inline constexpr int kSdCoincident = 3;  // two points coincide
inline constexpr int kSdCollinear = 4;   // all points on one line
inline constexpr int kSdNotFinite = 5;   // a coordinate or value that is not a number, an
                                         // extent outside 1e-30 .. 1e30, or derivatives that
                                         // overflow
inline constexpr int kSdNoSetUp = 9;     // MD 2 or 3 without a set-up of NDP points in IWK

inline constexpr int kSdMinPoints = 10;

// zi[i] := derivative mode `deriv` (0 value .. 5 d2/dxdy, akima_patch.h; other modes 0) of
// the surface at (xi[i], yi[i]), i < nip. Points 1..ndp at xd, yd, zd. A failure leaves zi
// untouched; after an MD 1 or 2 failure IWK holds no set-up.
[[nodiscard]] int AkimaScatteredInterpolate(int md, int ndp, const double* xd, const double* yd,
                                            const double* zd, int nip, const double* xi,
                                            const double* yi, double* zi, double* wk, int* iwk,
                                            int deriv);
