// The user-defined functions as evaluators of the non-linear catalogue (indices 500-514).
#include "fit/nonlinear_catalogue.h"
#include "tools/udf/udf_evaluation.h"

namespace {

template <int k>
void EvalUserFunctionSlot(long double x, long double y, long double* a, long double* z,
                          long double* dz) {
  EvalUserFunction(k, x, y, a, z, dz);
}

}  // namespace

void EvalUserFunction(int k, long double x, long double y, long double* a, long double* z,
                      long double* dz) {
  UdfFitEvaluate(k, x, y, a, z, dz);
}

constinit const std::array<TNonlinearEvaluator, kUdfCatalogueCount> UserFunctionEvaluators = {
    EvalUserFunctionSlot<0>,  EvalUserFunctionSlot<1>,  EvalUserFunctionSlot<2>,
    EvalUserFunctionSlot<3>,  EvalUserFunctionSlot<4>,  EvalUserFunctionSlot<5>,
    EvalUserFunctionSlot<6>,  EvalUserFunctionSlot<7>,  EvalUserFunctionSlot<8>,
    EvalUserFunctionSlot<9>,  EvalUserFunctionSlot<10>, EvalUserFunctionSlot<11>,
    EvalUserFunctionSlot<12>, EvalUserFunctionSlot<13>, EvalUserFunctionSlot<14>};
