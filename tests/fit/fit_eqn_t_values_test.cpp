// The current-fit records' t values come from the expression library's Student-t
// critical values from the start of the program.
#include <gtest/gtest.h>

#include "fit/fit_records.h"
#include "support/long_double_near.h"

namespace {

TEST(FitEqnTValues, CurrentFitRecordsStartWithTheStudentTFunctions) {
  for (const TFitEqn* eqn : {CurFitEqn, RenderFitEqn}) {
    EXPECT_EQ(eqn->tFunctions, kStudentTFunctions);
    EXPECT_EQ(eqn->levelWords, kConfidenceLevelWords);
  }
}

TEST(FitEqnTValues, TValuesAtOneAndTenDegreesOfFreedom) {
  // Two-sided critical values from SciPy's t.ppf; the library's rational approximations
  // hold them to 1e-8 (90, 95 %), 1e-7 (99 %), 2e-5 (99.9 %) and 2e-4 (99.99 %).
  struct Case {
    int dof;
    std::array<long double, kConfidenceLevelCount> t;
  };
  const Case cases[] = {
      {1, {6.313751514800932L, 12.706204736432095L, 63.65674116287399L, 636.6192494318557L,
           6366.1976656379375L}},
      {10, {1.8124611228107335L, 2.2281388519649385L, 3.169272667175838L, 4.586893858703131L,
            6.211050891607064L}},
  };
  const std::array<long double, kConfidenceLevelCount> tolerance = {1e-8L, 1e-8L, 1e-7L, 2e-5L,
                                                                    2e-4L};
  for (const Case& c : cases) {
    TFitEqn eqn = *CurFitEqn;
    eqn.dof = c.dof;
    eqn.fitStdError = 0.5L;
    FillFitEqnTValues(eqn);
    for (int level = 0; level < kConfidenceLevelCount; ++level) {
      const long double expected = c.t[static_cast<std::size_t>(level)];
      EXPECT_LD_NEAR(eqn.tValues[level], expected, expected * tolerance[level])
          << "dof " << c.dof << " level " << level;
      EXPECT_EQ(eqn.tTimesStdError[level], eqn.tValues[level] * 0.5L);
    }
  }
}

}  // namespace
