// npsample: the sample extension library of scattered-data methods. Beside the program as
// npsample.so, it is loaded with the command-line switch "NPDLL:npsample" and adds two
// methods (engine codes 8 and 9) and the test problems of the algorithm test command.
//
//   method 1  thin-plate spline (no options)
//   method 2  inverse-distance weighting, option 1 the power 1..8 (2 by default)
#include <algorithm>

#include "smooth/libs/np_extension.h"
#include "smooth/npsample/npsample_methods.h"
#include "smooth/npsample/npsample_test_data.h"

#define NPSAMPLE_EXPORT __attribute__((visibility("default")))

namespace {

enum : int32_t { kThinPlate = 1, kInverseDistance = 2, kMethodCount = 2 };
enum : int32_t { kOk = 0, kFailed = 1 };

}  // namespace

extern "C" {

NPSAMPLE_EXPORT void NPExInfo(int32_t method, int32_t pointCount, int32_t* count,
                              int32_t* opt1Low, int32_t* opt1High, int32_t* opt2Low,
                              int32_t* opt2High, int32_t* default1, int32_t* vary1From,
                              int32_t* vary1To, int32_t* vary1Step, int32_t* default2,
                              int32_t* vary2From, int32_t* vary2To, int32_t* vary2Step,
                              int32_t* intWork, int32_t* doubleWork) {
  *count = kMethodCount;
  *opt1Low = *opt1High = *opt2Low = *opt2High = 0;
  *default1 = *vary1From = *vary1To = *vary1Step = 0;
  *default2 = *vary2From = *vary2To = *vary2Step = 0;
  *intWork = 1;
  *doubleWork = 1;
  if (method == kThinPlate) {
    *doubleWork = std::max<int32_t>(pointCount, 0) + 3;
  } else if (method == kInverseDistance) {
    *opt1Low = 1;
    *opt1High = 8;
    *default1 = 2;
    *vary1From = 1;
    *vary1To = 4;
    *vary1Step = 1;
  }
}

NPSAMPLE_EXPORT void NPExSetup(int32_t method, int32_t n, const double* x, const double* y,
                               const double* z, int32_t*, double* wk, int32_t option1, int32_t,
                               int32_t* ier) {
  *ier = kFailed;
  if (method == kThinPlate && npsample::ThinPlateSetup(n, x, y, z, wk)) *ier = kOk;
  if (method == kInverseDistance && n >= 1 && option1 >= 1) *ier = kOk;
}

NPSAMPLE_EXPORT void NPExEval(int32_t method, double u, double v, int32_t n, const double* x,
                              const double* y, const double* z, const int32_t*, const double* wk,
                              int32_t option1, int32_t, int32_t mode, double* f, double* fx,
                              double* fy, double* fxx, double* fyy, double* fxy, int32_t* ier) {
  npsample::TEvaluation e;
  if (method == kThinPlate) e = npsample::ThinPlateEval(u, v, n, x, y, wk, mode);
  if (method == kInverseDistance) e = npsample::InverseDistanceEval(u, v, n, x, y, z, option1, mode);
  *ier = e.ok ? kOk : kFailed;
  double* out[6] = {f, fx, fy, fxx, fyy, fxy};
  if (e.ok && mode >= 0 && mode <= 5) *out[mode] = e.value;
}

NPSAMPLE_EXPORT void NPExFn(int32_t function, double x, double y, int32_t flag, double* f,
                            double* fx, double* fy) {
  const npsample::TFunctionValue value = npsample::TestFunction(function, x, y);
  *f = value.f;
  if (flag == 1) {
    *fx = value.fx;
    *fy = value.fy;
  }
}

NPSAMPLE_EXPORT void NPExDat(int32_t dataSet, double* x, double* y, int32_t* count) {
  *count = npsample::NodeSet(dataSet, x, y);
}

}  // extern "C"
