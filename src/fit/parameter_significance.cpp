#include "fit/parameter_significance.h"

#include <cmath>

int ParametersSignificant(const long double* p, int count, long double tolerance) {
  if (count < 1) return 1;
  long double mean = 0.0L;
  for (int i = 0; i < count; ++i) mean += std::fabs(p[i]);
  mean /= count;
  if (mean == 0.0L) return 1;
  for (int i = 0; i < count; ++i)
    if (std::fabs(p[i] / mean) < tolerance) return 0;
  return 1;
}
