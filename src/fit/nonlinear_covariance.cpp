// The covariance of a recorded non-linear fit, rebuilt when the fit is made current.
#include <new>
#include <vector>

#include "app/long_double.h"
#include "fit/levenberg_marquardt.h"

int NonlinearCovariance(int index, const long double* parameters, std::span<const TXYZPoint> table,
                        long double weightScale, long double* const* rows, long double& sse,
                        unsigned threads) {
  const TNonlinearEntry e = LookupNonlinearEquation(index);
  if (!e.evaluator) return -1;
  const int p = e.parameters;
  TMarquardtState st;  // least squares, all points
  st.udf = index >= kUdfCatalogueBase ? index - kUdfCatalogueBase + 1 : 0;
  std::unique_ptr<LDMatrix> alpha = AllocLDMatrix(p, p);
  std::vector<long double> a, beta;
  try {
    a.assign(parameters, parameters + p);
    a.insert(a.begin(), 0.0L);  // 1-based
    beta.assign(static_cast<std::size_t>(p), 0.0L);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (!alpha ||
      !InitMarquardtState(st, MakeFitPointTable(PointsOf(table), weightScale, e.pointEvaluator != nullptr), 0.0L))
    return -1;
  TBlockHelperThreads helpers(ActivePointCount(st) > kBlockPoints ? BlockThreadCount(threads) : 1);
  st.helpers = &helpers.helpers;

  long double loss = 0.0L;
  sse = 0.0L;
  const bool measured =
      MarquardtCoefficients(st, a.data(), p, *alpha, beta.data(), loss, sse, ModelOf(e), 1);
  const int solved = measured ? MarquardtSolve(alpha->Data(), p, nullptr) : 0;
  if (solved < 0) return -1;
  // A curvature that cannot be inverted has no covariance to show: the rows hold the missing
  // value rather than numbers that look like one.
  for (int j = 0; j < p; ++j)
    for (int k = 0; k < p; ++k) rows[j][k] = solved ? (*alpha)[j][k] : ExprErrorValue;
  return solved ? p : 0;
}
