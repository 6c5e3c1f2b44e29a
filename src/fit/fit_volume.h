// The volume under a fitted surface over the data rectangle, as the review shows it.
//
// The nested Gauss integral of the whole rectangle samples the surface at some 128 places
// along each axis at most; a feature of the surface narrower than their spacing (a peak
// 0.05 wide at x = 6.37 over [0, 10]) falls between them while the rest of the surface
// gives every sample a value, and the sums agree without it (21.9875 for 22.8737). A fitted
// surface's features sit where its data are, or at a peak or transition equation's fitted
// centres. So the rectangle is cut into cells along each axis and each cell is integrated
// by the nested Gauss integral on its own:
//   - a built-in non-linear equation's surface is its shapes' (and a line or a parabola
//     besides): it is cut around each centre narrow for its piece, at the centre and at 1,
//     4, 16, ... widths on either side, toward t = 0 for a shape in ln t or a power, and at
//     the end where an exponential is largest (FitSurfaceFeatures);
//   - any other surface (the linear families, the user functions) is cut where the data's
//     distinct coordinates lie, into pieces of a few of their local spacings, narrow where
//     the data cluster (VolumeBreaks).
// A cell that fails, or cells that cancel beyond what their estimates allow, give no volume
// at all.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "expr/eval_context.h"
#include "expr/integration.h"
#include "fit/fit_records.h"

// A feature of a fitted surface along one axis, as its equation's shapes make it.
enum class TFeatureShape {
  kCentred,     // a peak or a step at `centre`, `width` wide
  kLogCentred,  // the same in ln t (log-normal shapes, the dose response with width 1/c):
                // narrower the nearer t comes to 0
  kDecay,       // e^(-t/width): its mass within some widths of the end where it is largest
  kPower,       // t^width: as much structure between t/4 and t as between t and 4t
};
struct TAxisFeature {
  TFeatureShape shape = TFeatureShape::kCentred;
  long double centre = 0;
  long double width = 0;
  // How many widths from the centre (from the end, for a decay) the shape has structure:
  // beyond it the shape is constant to far below any tolerance; infinite for the
  // Lorentzian's tails, which fall as the inverse square.
  long double reach = kShapeReach;
  static constexpr long double kShapeReach = 64;
};

struct TSurfaceFeatures {
  std::vector<TAxisFeature> x;
  std::vector<TAxisFeature> y;
  // The features are all the surface's fine structure: it needs no cut at the data.
  bool complete = false;
};

// The features of a built-in non-linear equation's shapes at its parameters, complete (the
// planes have none); nothing, and not complete, for any other fit (the linear families and
// the user functions).
TSurfaceFeatures FitSurfaceFeatures(const TFitEqn& e);

// The breakpoints lo = b0 < b1 < ... < bk = hi of one axis of the rectangle. The data's
// distinct `coordinates` (those within 1e-9 of the side of one another counted once) are
// taken kVolumePieceSpacings gaps to a piece, and a piece ends early where the local spacing
// (the median of the nine gaps around) has changed kVolumeSpacingChange-fold, at the edge of
// a cluster; at most kVolumeMostPieces pieces (a piece takes twice as many gaps, and only a
// twice larger change ends one, until they fit). Then each feature no wider than an eighth
// of the piece it lies in adds its centre and the points 1, 4, 16, ... widths from it inside
// that piece (a decay from the end where it is largest); a shape in ln t, and a power, add
// points toward t = 0 each a quarter of the one before.
inline constexpr int kVolumePieceSpacings = 16;
inline constexpr long double kVolumeSpacingChange = 4;
inline constexpr int kVolumeMostPieces = 64;
std::vector<long double> VolumeBreaks(std::vector<long double> coordinates, long double lo, long double hi,
                                      std::span<const TAxisFeature> features = {});

struct TFitVolume {
  long double value = 0;
  long double precision = 0;  // the largest error estimate of the cells' inner integrals
};

// The integral of `surface` over the cells [xs[i], xs[i+1]] x [ys[j], ys[j+1]], each by
// IntegrateDouble, so that what the cells' tolerances allow adds up to at most the relative
// tolerance `tol` of the sum: every cell to tol/2; a cell whose sums do not converge there
// again to the share of the other half that its size allows (a small cell beside t = 0);
// where cells of either sign cancel, the cells again to as much finer a tolerance (those
// whose estimate lies within it stand). Nothing when the surface has no value in a cell, a
// cell that matters does not converge, or the cells cancel to below 1e-17 of their
// magnitudes; nothing at once when the calling thread's question stops an evaluation
// (ctx.stopped). Blocks of 2 x 2 cells whose cells' 8-point Gauss rules (`cellRule`, in
// the order i, then j, the cells cut where the data lie) agree with the block's own 8-point rule to
// the block's share of tol/4 take those sums without a nested integral.
std::optional<TFitVolume> IntegrateOverCells(ExprContext& ctx, TIntegrand2 surface, std::span<const long double> xs,
                                             std::span<const long double> ys, long double tol,
                                             std::span<const long double> cellRule = {});

// The volume of `surface` over [x0, x1] x [y0, y1] (x0 < x1, y0 < y1), cut at the
// breakpoints of `features` and, unless they are complete, of the active points of `table`
// (records 0..N) inside it, to the relative tolerance `tol`. Nothing where the surface has
// no value at a point it is taken at (a code raised, or not a usable number).
struct TVolumeRectangle {
  long double x0, x1, y0, y1;
};
std::optional<TFitVolume> FitSurfaceVolume(ExprContext& ctx, TIntegrand2 surface, const TVolumeRectangle& rectangle,
                                           std::span<const TXYZPoint> table, const TSurfaceFeatures& features,
                                           long double tol);
// Over the data rectangle of `stats`.
std::optional<TFitVolume> FitSurfaceVolume(ExprContext& ctx, TIntegrand2 surface, const TDataStats& stats,
                                           std::span<const TXYZPoint> table, const TSurfaceFeatures& features,
                                           long double tol);

// The volume of a fitted surface over `rectangle`, its features from its equation and the
// data of its fit `table` (records 0..N): the review's volume over the data rectangle, and
// the evaluation table's over any.
struct TFitSide;
std::optional<TFitVolume> FitSideVolume(ExprContext& ctx, const TFitSide& fit, const TVolumeRectangle& rectangle,
                                        std::span<const TXYZPoint> table, long double tol);
