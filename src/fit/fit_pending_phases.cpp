// The term-subset phase and the non-linear phase of a fit run are built with their own
// families (the subset search, the non-linear catalogue and Levenberg-Marquardt). Until they
// are, each of these entry points fits nothing: the phase contributes no equations and
// leaves the counters untouched. Whoever builds a phase removes its entry from this file.
#include "fit/fit_run.h"

int SearchTermCombinations(TFitRunContext& /*ctx*/, int /*termLimit*/, int /*variant*/) {
  return 0;
}
