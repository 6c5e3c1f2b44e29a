// The numerical library: the interpolation routines the two smoothing engines call by name
// (B-splines, Akima, Preusser, the Shepard family and Renka's triangulation package), built
// into the program. Its interface is a table of 39 named entries, filled once per load
// (libs/numerical_library.h); an entry this build does not serve stays null, and its
// callers treat it as missing.
//
// Every routine works in doubles and reports failure through an integer error word (IER)
// passed by reference, as the published packages do. None keeps state between calls beyond
// what its caller hands it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "smooth/numlib/akima_grid.h"
#include "smooth/numlib/bspline_knots.h"
#include "smooth/numlib/bspline_surface.h"
#include "smooth/numlib/constraint_curves.h"
#include "smooth/numlib/shepard.h"
#include "smooth/numlib/tension_factors.h"

// The entries in the order the library is resolved.
enum class TNumLibEntry : int {
  BSInt2, BSLsq2, SurfInt, BSVal2, BSDer2, BSItg2, BSGEvl, BSOpk, BSNak,
  c2ini, c2pnt, c1ini, c1pnt,
  qshep2, qs2val, qs2grd, cshep2, cs2val, cs2grd, cs2hes, tshep2, ts2val, ts2grd, ts2hes,
  rgbi3p, rgsf3p, sdbi3p,
  addcst, trlist, trmesh, trfind, getsig, gradg, gradl, intrc0, intrc1, zgradg, zgradl, gradc,
};
inline constexpr int kNumLibEntryCount = 39;

inline constexpr std::array<std::string_view, kNumLibEntryCount> kNumLibEntryNames = {
    "BSInt2", "BSLsq2", "SurfInt", "BSVal2", "BSDer2", "BSItg2", "BSGEvl", "BSOpk", "BSNak",
    "c2ini",  "c2pnt",  "c1ini",   "c1pnt",  "qshep2", "qs2val", "qs2grd", "cshep2", "cs2val",
    "cs2grd", "cs2hes", "tshep2",  "ts2val", "ts2grd", "ts2hes", "rgbi3p", "rgsf3p", "sdbi3p",
    "addcst", "trlist", "trmesh",  "trfind", "getsig", "gradg",  "gradl",  "intrc0", "intrc1",
    "zgradg", "zgradl", "gradc"};

// One entry as stored: every routine has its own signature (TNumLibSignature below), and an
// entry is converted back to exactly that type before it is called.
using TNumLibAnyFn = void (*)();

struct TNumLibTable {
  std::array<TNumLibAnyFn, kNumLibEntryCount> entry{};

  TNumLibAnyFn& operator[](TNumLibEntry e) { return entry[static_cast<std::size_t>(e)]; }
  TNumLibAnyFn operator[](TNumLibEntry e) const { return entry[static_cast<std::size_t>(e)]; }
};

// The signature of each entry, in the argument order of the published routine.
template <TNumLibEntry E>
struct TNumLibSignature;

// Triangulation of nodes 1..n into LIST, LPTR, LEND (renka_triangulation.h).
template <>
struct TNumLibSignature<TNumLibEntry::trmesh> {
  using Type = void (*)(int n, const double* x, const double* y, int* list, int* lptr, int* lend,
                        int& lnew, int& ier);
};
// Global gradient estimation over a triangulation (renka_interpolation.h).
template <>
struct TNumLibSignature<TNumLibEntry::gradg> {
  using Type = void (*)(int ncc, const int* lcc, int n, const double* x, const double* y,
                        const double* z, const int* list, const int* lptr, const int* lend,
                        int iflgs, const double* sigma, int& nit, double& dgmax, double* gx,
                        double* gy, int& ier);
};
// The C1 surface through node values and gradients, and its gradient.
template <>
struct TNumLibSignature<TNumLibEntry::intrc1> {
  using Type = void (*)(double px, double py, int ncc, const int* lcc, int n, const double* x,
                        const double* y, const double* z, const int* list, const int* lptr,
                        const int* lend, int iflgs, const double* sigma, const double* gx,
                        const double* gy, int dflag, int& ist, double& pz, double& pzx,
                        double& pzy, int& ier);
};

// Smallest tension factors per arc that keep the Hermite interpolant along each arc monotone
// and convex where the data are; dsmax receives the largest change made.
template <>
struct TNumLibSignature<TNumLibEntry::getsig> {
  using Type = void (*)(int ncc, int n, const double* x, const double* y, const double* z,
                        const int* list, const int* lptr, const int* lend, const double* gx,
                        const double* gy, int iflgs, double tol, double* sigma, double& dsmax,
                        int& ier);
};
// Adds constraint curves (the nodes from lcc[k] on) as arcs of the triangulation; lwk in:
// the size of iwk, out: the part used.
template <>
struct TNumLibSignature<TNumLibEntry::addcst> {
  using Type = void (*)(int ncc, const int* lcc, int n, const double* x, const double* y,
                        int& lwk, int* iwk, int* list, int* lptr, int* lend, int& ier);
};
// Values and gradients at the constraint nodes (those from lcc[0] on) from the others.
template <>
struct TNumLibSignature<TNumLibEntry::zgradg> {
  using Type = void (*)(int ncc, const int* lcc, int n, const double* x, const double* y,
                        const int* list, const int* lptr, const int* lend, int iflgs,
                        const double* sigma, int& nit, double& dzmax, double* z, double* gx,
                        double* gy, int values, int& ier);
};

// Akima's scattered surface with the accuracy of a cubic (akima_scattered.h); its result is
// the error word.
template <>
struct TNumLibSignature<TNumLibEntry::sdbi3p> {
  using Type = int (*)(int md, int ndp, const double* xd, const double* yd, const double* zd,
                       int nip, const double* xi, const double* yi, double* zi, double* wk,
                       int* iwk, int deriv);
};
// Preusser's C1 and C2 set-ups and point evaluations (preusser_interpolation.h).
template <>
struct TNumLibSignature<TNumLibEntry::c1ini> {
  using Type = void (*)(int n, const double* x, const double* y, const double* z, int reserved,
                        double* wk, int* iwk, int& ier);
};
template <>
struct TNumLibSignature<TNumLibEntry::c2ini> : TNumLibSignature<TNumLibEntry::c1ini> {};
template <>
struct TNumLibSignature<TNumLibEntry::c1pnt> {
  using Type = void (*)(int n, const double* x, const double* y, const double* z, double px,
                        double py, const double* wk, const int* iwk, int& start, double& pz,
                        int reserved, int mode, int& ier);
};
template <>
struct TNumLibSignature<TNumLibEntry::c2pnt> : TNumLibSignature<TNumLibEntry::c1pnt> {};
// Akima's 1978 surface on a grid (surf_int.h); a result other than 0 is success.
template <>
struct TNumLibSignature<TNumLibEntry::SurfInt> {
  using Type = int (*)(int n, const double* xy, const double* z, int nx, int ny, const double* xs,
                       const double* ys, double* out, int ldf);
};

// The tensor-product B-spline routines (bspline_surface.h, bspline_knots.h) and Akima's
// rectangular-grid surface (akima_grid.h), argument lists as there.
#define ONDRAVIK_SAME_ENTRY(name)               \
  template <>                                   \
  struct TNumLibSignature<TNumLibEntry::name> { \
    using Type = decltype(&::name);             \
  };
ONDRAVIK_SAME_ENTRY(BSOpk)
ONDRAVIK_SAME_ENTRY(BSInt2)
ONDRAVIK_SAME_ENTRY(BSLsq2)
ONDRAVIK_SAME_ENTRY(BSVal2)
ONDRAVIK_SAME_ENTRY(BSDer2)
ONDRAVIK_SAME_ENTRY(BSGEvl)
ONDRAVIK_SAME_ENTRY(BSItg2)
ONDRAVIK_SAME_ENTRY(rgbi3p)

// The Shepard family (shepard.h): set-ups and evaluators, argument lists as there.
ONDRAVIK_SAME_ENTRY(qshep2)
ONDRAVIK_SAME_ENTRY(qs2val)
ONDRAVIK_SAME_ENTRY(qs2grd)
ONDRAVIK_SAME_ENTRY(cshep2)
ONDRAVIK_SAME_ENTRY(cs2val)
ONDRAVIK_SAME_ENTRY(cs2grd)
ONDRAVIK_SAME_ENTRY(cs2hes)
ONDRAVIK_SAME_ENTRY(tshep2)
ONDRAVIK_SAME_ENTRY(ts2val)
ONDRAVIK_SAME_ENTRY(ts2grd)
ONDRAVIK_SAME_ENTRY(ts2hes)
#undef ONDRAVIK_SAME_ENTRY

// Stores a routine under its entry, checked against the entry's signature.
template <TNumLibEntry E>
void ServeNumLibEntry(TNumLibTable& table, typename TNumLibSignature<E>::Type fn) {
  table[E] = reinterpret_cast<TNumLibAnyFn>(fn);
}

// The entry of a table as its own type (null when the table does not hold it).
template <TNumLibEntry E>
typename TNumLibSignature<E>::Type NumLibEntryOf(const TNumLibTable& table) {
  return reinterpret_cast<typename TNumLibSignature<E>::Type>(table[E]);
}

// The table of the library built into the program: every routine this build serves.
TNumLibTable BuiltInNumLib();
