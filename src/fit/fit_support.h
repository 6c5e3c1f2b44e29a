// What the points of a fit run can determine.
//
// A fit is made from the active points of positive weight: a point of weight 0 adds nothing
// to a sum of squares and is no degree of freedom. A model is determined by the data only
// when it has no more parameters than there are distinct locations (x, y) among those
// points, and a fit keeps a degree of freedom for its error unless the data are taken as
// exact ("No DOF for Error"): at most n + d - 1 parameters for n points, d the option.
// Further, a term that is a power (or another function) of x alone takes part in a fit only
// with fewer such terms than there are distinct x values beside the constant, and likewise
// in y: a cubic in x through three distinct x values is singular, however many points
// there are.
#pragma once

#include <algorithm>
#include <span>

#include "app/xyz_point.h"

struct TFitSupport {
  int points = 0;     // active points of positive weight
  int distinctX = 0;  // distinct x values among them
  int distinctY = 0;
  int locations = 0;  // distinct (x, y) among them

  // The most parameters a fit may have, with `noDof` the "No DOF for Error" option.
  int MaxParameters(bool noDof) const {
    return std::min(points + (noDof ? 1 : 0) - 1, locations);
  }
};

// The support of the active points of positive weight of `points` (records 1..N).
TFitSupport FitSupportOf(std::span<const TXYZPoint> points);
