// TNParm3D: the scattered-data engine. It turns a table of scattered XYZ points into a
// surface z = f(x, y) by one of 21 method codes and answers values, partial derivatives,
// grids and fit statistics of that surface.
//
//   code  method                                    set-up (file)
//   0, 20 Akima I                                   program's Akima kernel (akima_preusser_drivers.cpp)
//   1     Akima II                                  numerical library "sdbi3p" (as 0)
//   2     Preusser C1 / C2                          numerical library (as 0)
//   3     Renka I triangulation (frame, tension)    numerical library (triangulation_drivers.cpp)
//   4, 5  Renka II and III Shepard                  numerical library (shepard_drivers.cpp)
//   6     Watson natural neighbours                 natural-neighbour kernel (shepard_drivers.cpp)
//   7     loess, smoothed values interpolated       TLoess3D + own triangulation
//   8-15  extension methods 1..8                    extension library (extension_drivers.cpp)
//   16    own triangulation C1 interpolant          own triangulation (the previews' method)
//   17    loess, value and gradient only            as 7
//   18    loess, smoothed values                    as 7
//   19    loess with the cosine basis, raw z kept   as 7
// A code outside 0..20 fails its set-up; its evaluations then answer 0.
//
// Life of an engine: construction copies the source table into a working table with
// replicated (x, y) positions merged, clamps the options into the method's ranges and sets
// up; SetMethod sets up again; evaluations read the set-up's work buffers. Every method works
// in unit coordinates u = (x - xMin) / (xMax - xMin), likewise v, and divides derivatives back
// by the ranges. The source table must outlive the engine, which reads it and never
// writes it: the statistics, the merge and the fit statistics work on a sorted copy.
//
// Inside the convex hull of the points every method's surface is its own, values and
// derivatives: no measure tells a sparsely sampled narrow peak from noise, and holds of the
// values or of the node derivatives there cut the peaks of data without noise down to their
// samples. Beyond the hull every built-in method's surface is held within a few noise widths
// of its value at the hull's nearest point (hull_guard.h), and is extrapolated from node
// derivatives held to what noisy values support (derivative_limiter.h): the method set up
// once more for that, when the surface is first asked for beyond the hull.
//
// An engine is set up by one thread at a time. Code 16's evaluations may be asked from two
// threads at once (the render thread and the user interface): each keeps its own triangle
// search, and the second derivatives it estimates on the first request are made once. Engines
// built with libraries allowed hold a reference to the numerical library and, when one was
// named, to the extension library, for their whole life.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "app/xyz_data_set.h"
#include "app/xyz_point.h"
#include "smooth/engines/hull_guard.h"
#include "smooth/engines/integral_rectangle.h"
#include "smooth/engines/loess_smoother.h"
#include "smooth/engines/rounding_noise.h"
#include "smooth/kernels/natural_neighbour.h"
#include "smooth/kernels/akima_interpolation.h"
#include "smooth/numlib/line_node_gradients.h"

// Derivative modes of every evaluation.
enum TDerivMode : int {
  kDerivValue = 0,
  kDerivX = 1,
  kDerivY = 2,
  kDerivXX = 3,
  kDerivYY = 4,
  kDerivXY = 5,
};

// Method codes with a name of their own.
enum TNPMethod : int {
  kNPAkima1 = 0,
  kNPAkima2 = 1,
  kNPPreusser = 2,
  kNPRenka1 = 3,
  kNPRenka2 = 4,
  kNPRenka3 = 5,
  kNPWatson = 6,
  kNPLoess = 7,
  kNPExtensionFirst = 8,
  kNPExtensionLast = 15,
  kNPOwnTriangulation = 16,
  kNPLoessGradient = 17,
  kNPLoessSmoothed = 18,
  kNPLoessCosine = 19,
  kNPAkima1Fixed = 20,
};
inline constexpr int kNPMethodCount = 21;
inline constexpr int kNPMaxExtensionMethods = 8;

// Told how far a long set-up has come (points done of the total); answers whether to go on.
using TNPSetupProgress = std::function<bool(int done, int total)>;

class TNParm3D {
 public:
  // noLibrary: load neither library; the codes that need one (1..5, 7..15) become 0.
  // `progress` hears the first set-up's loess pass (see SetSetupProgress) and no later one;
  // when it asks to stop, the engine is left without a surface and SetupCancelled answers
  // true.
  TNParm3D(std::span<TXYZPoint> source, int method, int option1, int option2, bool noLibrary,
           TNPSetupProgress progress = {});
  ~TNParm3D();
  TNParm3D(const TNParm3D&) = delete;
  TNParm3D& operator=(const TNParm3D&) = delete;

  // Stores the method and options, clamps the options and sets up again (the caller reads
  // the statistics or evaluates to learn the outcome). False when the set-up progress asked
  // to stop: the engine then keeps its method, options and surface as they were.
  bool SetMethod(int method, int option1, int option2);
  // Reports the loess pass of the loess codes, point by point, to `progress` (none: no
  // reports). Until a pass of SetMethod is done, the previous surface answers every
  // evaluation, so the progress may let the user interface run meanwhile.
  void SetSetupProgress(TNPSetupProgress progress) { progress_ = std::move(progress); }
  // 1 (or the set-up's nonzero result) when a surface is ready, 0 otherwise. A failed set-up
  // leaves no work buffers and the statistics missing; so does one whose progress asked to
  // stop.
  [[nodiscard]] int Setup();
  // Whether the progress stopped the last Setup (the constructor's included).
  bool SetupCancelled() const { return setupCancelled_; }
  void FreeWork();

  // Values and derivatives at (x, y); 0 with fewer than 4 points or without a set-up.
  long double EvalAt(long double x, long double y);
  long double EvalDx(long double x, long double y) { return EvalMode(x, y, kDerivX); }
  long double EvalDy(long double x, long double y) { return EvalMode(x, y, kDerivY); }
  long double EvalDxx(long double x, long double y) { return EvalMode(x, y, kDerivXX); }
  long double EvalDyy(long double x, long double y) { return EvalMode(x, y, kDerivYY); }
  long double EvalDxy(long double x, long double y) { return EvalMode(x, y, kDerivXY); }
  // Beyond the hull of the points every built-in method's surface is the extrapolation of its
  // limited node derivatives, held within a few noise widths of its value at the nearest
  // point of the hull (hull_guard.h), and is level where it is held; within the hull it is the
  // method's own. The extension methods answer as their library does.
  long double EvalMode(long double x, long double y, int mode);
  // The surface at a data point: its own z for the methods that interpolate their nodes
  // exactly, the value at (x, y) for the others.
  long double EvalAtDataPoint(long double x, long double y, long double z);

  // nx * ny values at (xs[i], ys[j]), stored at j nx + i; empty when no surface exists or an
  // axis holds fewer values than asked.
  std::vector<long double> EvalGrid(int nx, int ny, std::span<const long double> xs,
                                    std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivValue);
  }
  std::vector<long double> GridDx(int nx, int ny, std::span<const long double> xs,
                                  std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivX);
  }
  std::vector<long double> GridDy(int nx, int ny, std::span<const long double> xs,
                                  std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivY);
  }
  std::vector<long double> GridDxx(int nx, int ny, std::span<const long double> xs,
                                   std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivXX);
  }
  std::vector<long double> GridDyy(int nx, int ny, std::span<const long double> xs,
                                   std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivYY);
  }
  std::vector<long double> GridDxy(int nx, int ny, std::span<const long double> xs,
                                   std::span<const long double> ys) {
    return GridMode(nx, ny, xs, ys, kDerivXY);
  }
  std::vector<long double> GridMode(int nx, int ny, std::span<const long double> xs,
                                    std::span<const long double> ys, int mode);
  // The grid by one point evaluation per node (the fallback of every grid routine).
  std::vector<long double> GridByPoints(int nx, int ny, std::span<const long double> xs,
                                        std::span<const long double> ys, int mode);

  // Option ranges and model terms of a code (-1: the current method); option 2's range
  // depends on the current option 1.
  int Option1Min(int code = -1);
  int Option1Max(int code = -1);
  int Option2Min(int code = -1);
  int Option2Max(int code = -1);
  int ModelTerms(int code = -1) const;
  int ExtMethodCount() const { return extMethodCount_; }

  // SSE, standard error and r² of the surface at the source's active points (fixed at 0, 0
  // and 1 for an exact method on data without replicates).
  void ComputeFitStats();
  long double Sse() const { return sse_; }
  // The SSE as the window shows it: rounding noise of an interpolant reads 0.
  long double ShownSse() const { return RoundingNoiseAsZero(sse_, zSquares_); }
  long double StdErr() const { return stdErr_; }
  long double RSquared() const { return rSquared_; }
  long double Sst() const { return sst_; }

  // The volume under the surface over [x1, x2] x [y1, y2] (scattered_volume.cpp): a first
  // request from bicubic B-splines through the surface on 101 x 101 and 51 x 51 nodes, with
  // their relative difference as the error; the same rectangle asked again (method code not
  // 0) by direct numerical integration with the integrators' error; a third request from the
  // grids again. 0 with fewer than 4 points (the error then unwritten); the missing value,
  // the error unwritten, without a surface, where the surface is missing somewhere in the
  // rectangle, or when the grids' splines cannot be made.
  long double Volume(long double x1, long double x2, long double y1, long double y2,
                     long double* errorOut);

  // A copy of the source whose every z is the triangulated surface at its (x, y): the loess
  // smoothing result. Empty when the current set-up holds no triangulation.
  PointTable SmoothedData();

  // The integer work buffer's length (the Akima I kernel's set-up for points or a grid).
  std::size_t IntWorkSize() const { return iwk_.size(); }
  // Whether the last set-up left a surface to evaluate.
  bool HasSurface() const { return !xd_.empty(); }
  int Method() const { return method_; }
  int Option1() const { return option1_; }
  int Option2() const { return option2_; }
  int PointCount() const { return pointCount_; }
  bool DuplicatesMerged() const { return duplicatesMerged_; }
  int DistinctX() const { return distinctX_; }
  int DistinctY() const { return distinctY_; }
  long double XMin() const { return xMin_; }
  long double XMax() const { return xMax_; }
  long double YMin() const { return yMin_; }
  long double YMax() const { return yMax_; }
  long double ZMin() const { return zMin_; }
  long double ZMax() const { return zMax_; }
  // The merged working table (records 0..pointCount).
  std::span<const TXYZPoint> Working() const { return working_; }

  // Extension library facts for a code 8..15 (15 answers, 0 without the library): item 0
  // the method count, 1..4 the option ranges, 5 and 6 the work sizes, 10..13 and 20..23 the
  // test command's values. A hostile answer is bounded: at most 8 methods, ranges never
  // inverted, work sizes at least 1.
  int ExtInfo(int code, int item) const;

 private:
  void ClampOptions();
  // The volume from the two grids (scattered_volume.cpp); *errorOut its relative error.
  long double GridVolume(const TRectangle& rect, long double& errorOut);
  long double UnitX(long double x) const { return (x - xMin_) / UnitStepX(); }
  long double UnitY(long double y) const { return (y - yMin_) / UnitStepY(); }
  long double UnitStepX() const { return (xMax_ - xMin_) / xScale_; }
  long double UnitStepY() const { return (yMax_ - yMin_) / yScale_; }
  // A derivative in unit coordinates converted back to the data's units.
  long double FromUnits(long double value, int mode) const;
  long double NumericalDerivative(long double x, long double y, int mode);
  // The method's own value or derivative, before anything is done beyond the hull.
  long double MethodMode(long double x, long double y, int mode);
  std::vector<long double> MethodGrid(int nx, int ny, std::span<const long double> xs,
                                      std::span<const long double> ys, int mode);
  // Mode `mode` at (x, y), which lies beyond the hull at (u, v) in unit coordinates: the
  // extrapolation's, held within the allowance of its value at the hull's nearest point.
  long double BeyondHull(long double x, long double y, double u, double v, int mode);
  // The surface extrapolated beyond the hull: the method with its node derivatives limited
  // (derivative_limiter.h), made on the first request after a set-up; this engine itself for
  // data whose allowance is unbounded (no estimate of theirs is ever limited) or when it
  // cannot be made. Its evaluations run inside a TNodeLimits scope (Akima I estimates its
  // derivatives on its first evaluation).
  TNParm3D& Extrapolation();
  // The extrapolation's engine: the owner's method, options, points and hull, without a set-up
  // (SetupExtrapolation makes it).
  struct TExtrapolationTag {};
  TNParm3D(const TNParm3D& owner, TExtrapolationTag);
  // Code 16 and the loess codes copy the owner's triangulation and node derivatives and limit
  // the gradients alone; the other methods set up again. 0 when no surface results.
  [[nodiscard]] int SetupExtrapolation(const TNParm3D& owner);
  // Code 16 and the loess codes: the owner's triangulation, points and gradients, the
  // gradients limited, the fields derived from them estimated again.
  [[nodiscard]] int SetupLimitedGradients(const TNParm3D& owner);
  // Whether the method has a value at (x, y): the Shepard methods have none beyond every
  // node's radius (their 0 there is no height).
  bool InReach(long double x, long double y);
  // xd, yd, zd := the table's columns as doubles; with mapToUnit x and y in unit coordinates.
  void TakeColumns(std::span<const TXYZPoint> table, bool mapToUnit);

  // Triangulation drivers (codes 3, 16 and the loess codes).
  [[nodiscard]] int SetupRenka(bool own, int level, int option1, int option2);
  [[nodiscard]] int SetupRenkaConstrained(int level, int tension);
  // The node derivatives of `stages` (1 gradients, 2 the gradient fields' gradients, 4 those
  // of the second-derivative fields, as the set-up's level has them); 0 and no surface when
  // an estimation fails.
  [[nodiscard]] int RenkaNodeDerivatives(int iflgs, int stages);
  [[nodiscard]] bool EstimateNodeDerivatives(int iflgs, int stages);
  // Whether modes 3..5 can be read: estimates the gradient fields' gradients when a set-up
  // left them for the first request (once, whichever thread asks first).
  [[nodiscard]] bool SecondLevelReady();
  // The loess codes' smoother at every point, before the previous set-up is let go: the
  // smoother, the points in unit coordinates with their z (smoothed for modes 1 and 2) and
  // their position before any reordering, and the nine derivative rows.
  struct TLoessPass {
    std::unique_ptr<TLoess3D> loess;
    PointTable points;
    std::vector<double> rows;
  };
  // Nothing for data that admit no loess surface, or when the progress asked to stop (then
  // `stopped`).
  std::optional<TLoessPass> RunLoessPass(int mode, int degree, int count, bool& stopped);
  [[nodiscard]] int SetupLoess(int mode, std::optional<TLoessPass> pass);
  // The set-up of the current method with a loess pass already run (codes 7, 17, 18, 19).
  [[nodiscard]] int SetupWith(std::optional<TLoessPass> pass);
  long double EvalRenka(long double x, long double y, int mode);
  std::vector<long double> GridRenka(int nx, int ny, std::span<const long double> xs,
                                     std::span<const long double> ys, int mode);

  // Shepard and natural-neighbour drivers (codes 4, 5, 6).
  [[nodiscard]] bool PrepareShepard(int minPoints, int order, int perNode, int tail);
  [[nodiscard]] int SetupShepard2();
  [[nodiscard]] int SetupShepard3();
  long double EvalShepard2(long double x, long double y, int mode);
  long double EvalShepard3(long double x, long double y, int mode);
  std::vector<long double> GridShepard(int nx, int ny, std::span<const long double> xs,
                                       std::span<const long double> ys, int mode, bool cosine);
  std::vector<long double> GridShepard2(int nx, int ny, std::span<const long double> xs,
                                        std::span<const long double> ys, int mode) {
    return GridShepard(nx, ny, xs, ys, mode, false);
  }
  std::vector<long double> GridShepard3(int nx, int ny, std::span<const long double> xs,
                                        std::span<const long double> ys, int mode) {
    return GridShepard(nx, ny, xs, ys, mode, true);
  }
  [[nodiscard]] int SetupWatson();
  long double EvalWatson(long double x, long double y, int mode);
  std::vector<long double> GridWatson(int nx, int ny, std::span<const long double> xs,
                                      std::span<const long double> ys, int mode);
  // Akima and Preusser drivers (codes 0, 20, 1, 2).
  [[nodiscard]] int SetupAkima1();
  [[nodiscard]] int SetupAkima2();
  [[nodiscard]] int SetupPreusser();
  long double EvalAkima1(long double x, long double y, int mode);
  long double EvalAkima2(long double x, long double y, int mode);
  long double EvalPreusser(long double x, long double y, int mode);
  std::vector<long double> GridAkima1(int nx, int ny, std::span<const long double> xs,
                                      std::span<const long double> ys, int mode);
  // Codes 1 and 2: one library call per node.
  std::vector<long double> GridAkimaPreusser(int nx, int ny, std::span<const long double> xs,
                                             std::span<const long double> ys, int mode);

  // Extension drivers (codes 8..15).
  [[nodiscard]] int SetupExtension();
  long double EvalExtension(long double x, long double y, int mode);
  std::vector<long double> GridExtension(int nx, int ny, std::span<const long double> xs,
                                         std::span<const long double> ys, int mode);

  std::unique_ptr<TXYZ> copy_;
  std::unique_ptr<TLoess3D> loess_;
  int method_ = 0;
  int option1_ = 0, option2_ = 0;
  int pointCount_ = 0;
  int usedCount_ = 0;
  bool libraryWasLoaded_ = false;
  bool holdsNumLib_ = false;
  bool holdsExtension_ = false;
  bool duplicatesMerged_ = false;
  int distinctX_ = 0, distinctY_ = 0;
  long double sst_ = 0, sse_ = 0, stdErr_ = 0, rSquared_ = 0;
  long double zSquares_ = 0;  // sum of z² of the points the SSE was taken over
  // The last volume answered from the grids, with its rectangle (scattered_volume.cpp): the
  // same rectangle asked again is integrated directly, and checked against it.
  std::optional<TFirstVolume> volumeKey_;
  long double xMin_ = 0, xMax_ = 0, yMin_ = 0, yMax_ = 0, zMin_ = 0, zMax_ = 0;
  long double xScale_ = 1, yScale_ = 1;
  std::span<TXYZPoint> working_;
  std::span<TXYZPoint> source_;
  // The hull of the working points in unit coordinates and the band beyond it.
  THullGuard hull_;
  PointTable sortedSource_;
  std::vector<double> xd_, yd_, zd_, wk_;
  std::vector<int> iwk_;
  // The own triangulation's twin slots (RenkaTwinSlots), for the kernels' walks; empty for
  // the numerical library's.
  std::vector<int> walkTwins_;
  // The triangulation set-up's nodes on lines of points, whose gradients come from fits
  // across the lines (line_node_gradients.h); made with the first node derivatives.
  std::unique_ptr<const TLineNodeGradients> lineNodes_;
  // The node where the kernels' next triangle search starts (1 after every set-up).
  std::atomic<int> firstCall_ = 1;
  // The second-derivative rows of a triangulation set-up that left them for later.
  enum class TSecondLevel { kNone, kPending, kReady, kFailed };
  std::atomic<TSecondLevel> secondLevel_ = TSecondLevel::kNone;
  std::mutex secondLevelMutex_;
  // Akima I: the close-point count, and the single-point evaluator over the kernel's last
  // set-up (the numbers of its MD 2 call without estimating the derivatives again).
  int neighbourCount_ = 0;
  std::unique_ptr<TAkimaPointEvaluator> akimaPoints_;
  int extMethodCount_ = 0;
  // The natural-neighbour interpolators of code 6, this engine's own.
  TWatsonSlots watson_;
  TNPSetupProgress progress_;
  bool setupCancelled_ = false;
  // The extrapolation beyond the hull (Extrapolation), made once per set-up under the mutex;
  // `extrapolationMade_` tells the other thread of code 16's evaluations that it stands.
  std::unique_ptr<TNParm3D> extrapolation_;
  std::atomic<bool> extrapolationMade_ = false;
  std::mutex extrapolationMutex_;
  // Whether this engine is another's extrapolation (it computes no statistics).
  bool isExtrapolation_ = false;
};

// The extension library's test data (a reference to the library must be held, as the test
// command's guard does). A table of the data set's sites with z the test function's value
// (mode 0) or its x or y derivative (mode 1, 2); empty when the library gives nothing.
PointTable NPExtTestData(int dataSet, int function, int mode);
// The function (mode 0) or its x or y derivative on the 33 x 33 test grid over the unit
// square (x fastest), with the total sum of squares of the values about their mean; empty
// without the library.
std::vector<long double> NPExtTestGrid(int function, int mode, long double& sst);
// The test command's values of every method (items 10..13 and 20..23 in rows 0..7, one
// column per method); answers the method count, at most 8.
using TNPTestItems = std::array<std::array<int, kNPMaxExtensionMethods>, 8>;
int NPExtTestInfo(int pointCount, TNPTestItems& items);
