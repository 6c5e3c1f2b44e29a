// Start values of the non-linear equations, derived from the statistics of the data before
// each fit: peaks start at the data's extreme, transitions between its extremes, the
// exponential and power equations from three-point fits through points near the corners and
// the centre of the data, the planes from the least-squares plane.
//
// All parameter vectors are 1-based. The exponential and power caches (StartCacheB and
// StartCacheA of the statistics, E1-E8 and P1-P8) are filled by the first equation that needs
// them after the statistics were computed (a first element of -1 marks an empty cache); a fit
// run keeps them in its own copy of the statistics.
#pragma once

#include "app/data_statistics.h"
#include "fit/nonlinear_catalogue.h"

// The shape of the data as the peak and transition rules read it.
struct TStartShape {
  // 1 when the points nearest to and farthest from the origin both lie in the upper half of
  // the z range: the peaks then start as troughs at the z minimum.
  int trough = 0;
  // +1 when z rises from the point nearest the origin to the farthest one, else -1: the
  // transitions start with widths of this sign.
  long double direction = 1.0L;
};
TStartShape StartShapeOf(const TDataStats& stats);

// Peak rule, sub-index 0-11 (the form).
void PeakStartValues(const TDataStats& stats, int subIndex, long double* a, int trough, int xLog,
                     int yLog);
// Transition rule, sub-index 12-23.
void TransitionStartValues(const TDataStats& stats, int subIndex, long double* a,
                           long double direction, int xLog, int yLog);
// Exponential rule, sub-index 24-35 (fills E1-E8 first when they are not computed).
void ExponentialStartValues(TDataStats& stats, int subIndex, long double* a);
// Power rule, sub-index 36-47 (fills P1-P8 first when they are not computed).
void PowerStartValues(TDataStats& stats, int subIndex, long double* a);
// Plane rule, sub-index 48-51: the least-squares plane of the statistics; `robustMode`
// becomes the plane's own mode (sub-index - 48) for this equation.
void PlaneStartValues(const TDataStats& stats, int subIndex, long double* a, int& robustMode);

// The rule of an entry's sub-index; false (nothing written) for a sub-index outside 0..51.
[[nodiscard]] bool NonlinearStartValues(TDataStats& stats, const TNonlinearEntry& entry, long double* a,
                          const TStartShape& shape, int& robustMode);

// P1-P8 (StartCacheA) when P1 is -1; E1-E8 (StartCacheB) when E1 is -1.
void EstimateStartValuesLog(TDataStats& stats);
void EstimateStartValuesExp(TDataStats& stats);

// Weighted (w = z²) least-squares fits through n points of ln z = ln A + b ln t (power law
// z = A t^b) and ln z = ln A - t/b (exponential z = A e^(-t/b)); abscissas and z below 1e-30
// are taken as 1e-30. They write out[0] = A and out[1] = b and return true; a system that is
// singular to working precision (or whose solution is not finite) writes nothing and
// returns false. The exponential fit keeps out[1] when the slope is exactly 0.
[[nodiscard]] bool FitPowerLawThreePoints(int n, const long double* t, const long double* z, long double* out);
[[nodiscard]] bool FitExponentialThreePoints(int n, const long double* t, const long double* z,
                               long double* out);
