// C1 interpolation over a Delaunay triangulation, after Renka's surface package (ACM TOMS
// algorithm 752): the same argument order and error codes.
//
// In order of use:
//   RenkaGradients       global gradient estimation: one Gauss-Seidel sweep after another
//                        over the nodes, each node's gradient minimising the linearised
//                        curvature of the arcs from it (cubic, or under tension)
//   RenkaInterpolateC1   the C1 surface through the node values and gradients: a
//                        Clough-Tocher cubic on each triangle, extended outside the hull from
//                        the nearest boundary arc or boundary node
//   WatsonGradientsC1/C2 the nodal derivative fields of the natural-neighbour interpolator:
//                        first, or first and second, derivatives by repeated estimation
//
// The triangulation is that of renka_triangulation.h (N, X, Y, LIST, LPTR, LEND, 1-based);
// GX and GY hold the gradient components of node k at gx[k-1], gy[k-1]. Constraint curves
// (NCC, LCC) are validated but not otherwise honoured here: the numerical library's intrc1
// (numlib/constraint_curves.h) adds the constraint regions.
//
// Tension: IFLGS <= 0 applies SIGMA(1) to every arc, IFLGS >= 1 the factor SIGMA(lp) of the
// arc stored at LIST index lp. The program's own interpolant passes IFLGS = 0 with
// SIGMA(1) = 0 (cubic); Renka I with tension passes the factors of getsig
// (numlib/tension_factors.h), which act on the gradients and outside the hull.
#pragma once

// Codes of RenkaGradients and RenkaInterpolateC1 (IER) beyond success (0).
inline constexpr int kRenkaNotConverged = 1;   // gradients: the last iterate after NIT sweeps
inline constexpr int kRenkaInConstraint = 1;   // interpolation: in a constraint region
inline constexpr int kRenkaExtrapolated = 2;   // interpolation: outside the hull
inline constexpr int kRenkaSingular = -2;      // gradients: all neighbours of a node collinear
                                               // interpolation: all nodes collinear
inline constexpr int kRenkaCoincident = -3;    // gradients: an arc of length 0
inline constexpr int kRenkaTensionDerivative = -3;  // interpolation: derivatives in a triangle
                                                    // with tension in force

// Tension factors above this behave as a polygonal arc already and would only overflow the
// hyperbolic functions; the routines cap every factor there.
inline constexpr double kMaxTension = 85.0;

// sinh(x) - x, cosh(x) - 1 and cosh(x) - 1 - x^2/2 without cancellation (series below 0.5,
// summed to full precision; closed forms above).
double SinhMinusX(double x);
double CoshMinusOne(double x);
double CoshMinusOneMinusHalfSquare(double x);

// The tension factor of the arc at LIST index lp (IFLGS as above), as the routines use it:
// 0 below 1e-9 or when it is not a finite number, at most kMaxTension.
double RenkaArcTension(int iflgs, const double* sigma, int lp);

// Coefficients of the arc functional: the diagonal D and off-diagonal SD of an arc of length
// h with tension sigma, dcub = h^3. sigma = 0 gives D = 4/h^3, SD = 2/h^3.
void RenkaArcCoefficients(double sigma, double dcub, double& d, double& sd);

// Global gradient estimation. nit in: the sweep limit (>= 1), out: the sweeps done; dgmax
// in: the bound on the relative change |dg| / (1 + |g|) of a sweep, out: the largest change
// of the last sweep. gx, gy: starting values in, estimates out. IER: 0 converged; 1 not
// converged; -1 invalid input (nit and dgmax set to 0); -2 a singular system at a node; -3
// two nodes coincide (on -2 and -3 nit is 0 and dgmax the largest change so far).
void RenkaGradients(int ncc, const int* lcc, int n, const double* x, const double* y,
                    const double* z, const int* list, const int* lptr, const int* lend, int iflgs,
                    const double* sigma, int& nit, double& dgmax, double* gx, double* gy,
                    int& ier);
// The same with the nodes k whose held[k-1] is nonzero left at the gradients given (nodes on
// lines of points, whose gradients a fit across the lines gives: line_node_gradients.h); the
// sweeps estimate the others about them. held may be nullptr (no node held).
void RenkaGradientsHolding(int ncc, const int* lcc, int n, const double* x, const double* y,
                           const double* z, const int* list, const int* lptr, const int* lend,
                           int iflgs, const double* sigma, const char* held, int& nit,
                           double& dgmax, double* gx, double* gy, int& ier);

// Holds every node gradient to what the node values support (derivative_limiter.h; the
// engines call it for the surface they extrapolate beyond the hull, not for their own): the
// tangent plane of node k, at each node of its ring, within the range of the ring's values
// and its own widened by a few noise widths of all the values. The global estimate makes the
// slope between two nodes far closer together than the others their gradients, and noise
// turns that into a slope carried across their whole triangles; data on a plane, and smooth
// data where the estimate holds, keep their gradients. Returns the number of nodes whose
// gradient was limited.
int RenkaLimitGradients(int n, const double* x, const double* y, const double* z,
                        const int* list, const int* lptr, const int* lend, double* gx,
                        double* gy);
// The same with the allowance of the values measured already (TDataTrend::Allowance).
int RenkaLimitGradients(int n, const double* x, const double* y, const double* z,
                        const int* list, const int* lptr, const int* lend, double* gx,
                        double* gy, double allowance);

// Value (and with dflag != 0 the gradient) of the C1 surface at (px, py). ist in: the node at
// which the search starts; out: the first vertex of the triangle found, so that a sweep over
// neighbouring points stays fast. pz, pzx, pzy are 0 whenever IER < 0. IER: 0 in a triangle;
// 2 outside the hull, extrapolated; -1 ncc < 0, n < 3, ist outside 1..n, or a point that is
// not a finite number; -2 all nodes collinear; -3 derivatives asked inside a triangle while
// tension is in force.
void RenkaInterpolateC1(double px, double py, int ncc, const int* lcc, int n, const double* x,
                        const double* y, const double* z, const int* list, const int* lptr,
                        const int* lend, int iflgs, const double* sigma, const double* gx,
                        const double* gy, int dflag, int& ist, double& pz, double& pzx,
                        double& pzy, int& ier);
// The same with the twin slots of renka_triangulation.h's RenkaTwinSlots (or nullptr) for a
// faster walk to the same triangle.
void RenkaInterpolateC1(double px, double py, int ncc, const int* lcc, int n, const double* x,
                        const double* y, const double* z, const int* list, const int* lptr,
                        const int* lend, const int* twins, int iflgs, const double* sigma,
                        const double* gx, const double* gy, int dflag, int& ist, double& pz,
                        double& pzx, double& pzy, int& ier);

// The Clough-Tocher cubic of one triangle (split at its centroid, normal derivatives linear
// along the sides) from the vertex values and gradients; with dflag also its gradient.
// IER: 0, or -1 when the vertices are collinear (f, fx, fy then 0).
void RenkaTriangleValue(double px, double py, double x1, double x2, double x3, double y1,
                        double y2, double y3, double z1, double z2, double z3, double zx1,
                        double zx2, double zx3, double zy1, double zy2, double zy3, int dflag,
                        double& f, double& fx, double& fy, int& ier);

// Node gradients (gx, gy) of z over the triangulation of the n points (0-based arrays; node k
// is point k-1): zeroed, then 4 sweeps or a relative change of 1e-3. Returns 1 when the
// triangulation succeeds and the estimation gives IER >= 0, else 0.
[[nodiscard]] int WatsonGradientsC1(int n, const double* x, const double* y, const double* z,
                                    double* gx, double* gy);

// The five derivative fields f1 = dz/dx, f2 = dz/dy, f3 = d2z/dx2, f5 = d2z/dxdy and
// f4 = d2z/dy2 by three estimations over one triangulation: of z, of f1 (into f3, f5) and of
// f2 (into f5, f4, starting from the f5 of the second run). The runs share one sweep limit
// and one bound: 4 and 1e-3 for the first, and for each later run the values the one before
// it returned. Returns 1 when every step succeeds, else 0.
[[nodiscard]] int WatsonGradientsC2(int n, const double* x, const double* y, const double* z,
                                    double* f1, double* f2, double* f3, double* f5, double* f4);
