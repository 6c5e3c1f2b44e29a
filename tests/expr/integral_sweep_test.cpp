// A sweep of the three single-integral built-ins ("AI", "QI", "RI") over integrands
// whose integrals converge or diverge: powers, exponentials, logarithms, end and inner
// singularities, oscillation, ranges up to 1e300 and infinite. Whatever an engine makes
// of one, its answer is the value to the 1e-8 it promises or a reported failure (the
// missing value with a negative code), never a wrong value passed off as a success.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "expr/program_slots.h"
#include "expr_test_support.h"

namespace {

constexpr long double kDiverges = std::numeric_limits<long double>::quiet_NaN();

struct SweepRow {
  const char* line;  // the integrand, line F1
  const char* a;
  const char* b;
  long double value;  // kDiverges: the integral diverges or overflows long double
};

// tests/expr/reference/integral_sweep_references.py (mpmath at 50 digits, closed forms).
const SweepRow kRows[] = {
    {"$^-0.5", "0", "1", 2.0L},
    {"$^-0.5", "1", "INF", kDiverges},
    {"$^-0.5", "0", "1E300", 2.0e+150L},
    {"1/$", "0", "1", kDiverges},
    {"1/$", "1", "INF", kDiverges},
    {"1/$", "1", "1E300", 690.775527898213705205397436405L},
    {"1/$", "-1", "1", kDiverges},
    {"$^-1.5", "1", "INF", 2.0L},
    {"$^-1.5", "0", "1", kDiverges},
    {"$^-1.5", "1", "1E300", 2.0L},
    {"1/($*$)", "1", "INF", 1.0L},
    {"1/($*$)", "-INF", "-1", 1.0L},
    {"1/($*$)", "0", "1", kDiverges},
    {"1/($*$)", "-1", "1", kDiverges},
    {"$^-3", "1", "INF", 0.5L},
    {"$^-1.9", "1", "INF", 1.11111111111111111111111111111L},
    {"$^-0.9", "0", "1", 10.0L},
    {"SQRT($)", "0", "1E250", 6.66666666666666666666666666667e+374L},
    {"SQRT($)", "0", "INF", kDiverges},
    {"$*$", "0", "1E300", 3.33333333333333333333333333333e+899L},
    {"$*$", "0", "INF", kDiverges},
    {"$*$", "-INF", "INF", kDiverges},
    {"$*$*$", "-INF", "INF", kDiverges},
    {"$*$*$", "-1", "1", 0.0L},
    {"1", "-INF", "2", kDiverges},
    {"1", "0", "1E300", 1.0e+300L},
    {"1/(1+$*$)", "-INF", "INF", 3.14159265358979323846264338328L},
    {"1/(1+$*$)", "0", "1E300", 1.57079632679489661923132169164L},
    {"1/(SQRT($)*(1+$))", "0", "INF", 3.14159265358979323846264338328L},
    {"1/(SQRT($)*(1+$))", "0", "1E300", 3.14159265358979323846264338328L},
    {"1/(1+$*$*$*$)", "-1E300", "1E300", 2.22144146907918312350794049503L},
    {"$/(1+$*$)", "-INF", "INF", kDiverges},
    {"$/((1+$*$)*(1+$*$))", "-INF", "INF", 0.0L},
    {"EXP($)", "0", "INF", kDiverges},
    {"EXP($)", "-INF", "0", 1.0L},
    {"EXP($)", "0", "10", 22025.4657948067165169579006453L},
    {"EXP($)", "0", "1E4", 8.80681822566292158726149600764e+4342L},
    {"EXP($)", "0", "2E4", kDiverges},
    {"EXP(-$)", "-INF", "0", kDiverges},
    {"EXP(-$)", "0", "INF", 1.0L},
    {"EXP(-$)", "0", "1E6", 1.0L},
    {"EXP(-$)", "0", "1E10", 1.0L},
    {"EXP(-$)", "0", "1E300", 1.0L},
    {"EXP(-$)", "1", "INF", 0.367879441171442321595523770161L},
    {"EXP(-$)", "1E3", "1E300", 5.07595889754945676529180947957e-435L},
    {"EXP(-$*$)", "-INF", "INF", 1.77245385090551602729816748334L},
    {"EXP(-$*$)", "0", "1E300", 0.886226925452758013649083741671L},
    {"$*EXP(-$)", "0", "INF", 1.0L},
    {"EXP(-1E6*$)", "0", "1", 1.0e-6L},
    {"EXP(-$)/SQRT($)", "0", "INF", 1.77245385090551602729816748334L},
    {"EXP(-$)/SQRT($)", "0", "1E300", 1.77245385090551602729816748334L},
    {"EXP($*$)", "0", "INF", kDiverges},
    {"COS($)*EXP(-$)", "0", "INF", 0.5L},
    {"LN($)", "0", "1", -1.0L},
    {"LN($)", "0", "2", -0.613705638880109381165535757084L},
    {"LN($)", "1", "INF", kDiverges},
    {"LN($)", "0", "INF", kDiverges},
    {"LN($)/($*$)", "1", "INF", 1.0L},
    {"LN($)*LN($)", "0", "1", 2.0L},
    {"EXP(-$)*LN($)", "0", "INF", -0.577215664901532860606512090082L},
    {"LN($)/SQRT($)", "0", "1", -4.0L},
    {"1/($*LN($))", "2", "INF", kDiverges},
    {"LN(1-$)", "0", "1", -1.0L},
    {"LN(ABS($))", "-1", "2", -1.61370563888010938116553575708L},
    {"SQRT(1-$*$)", "-1", "1", 1.57079632679489661923132169164L},
    {"1/SQRT(1-$*$)", "-1", "1", 3.14159265358979323846264338328L},
    {"1/SQRT(1-$)", "0", "1", 2.0L},
    {"1/SQRT(ABS($-0.3))", "0", "1", 2.76876516807848332287028361717L},
    {"1/(1-$)", "0", "1", kDiverges},
    {"TAN($)", "-2", "2", kDiverges},
    {"TAN($)", "0", "1.5", 2.64878365397843483303851898859L},
    {"SIN($)/$", "0", "50", 1.55161707248593589472798559486L},
    {"SIN($)", "-INF", "INF", kDiverges},
    {"SIN($)", "0", "INF", kDiverges},
    {"SIN(1/$)", "-1", "1", 0.0L},
};

class IntegralSweepTest : public ExprTest {};

TEST_F(IntegralSweepTest, EveryAnswerIsTheValueOrAFailure) {
  constexpr int kUdf = 3;
  Ctx().CurrentUdf = kUdf;
  for (const SweepRow& row : kRows) {
    Vars().Dollar() = 0.5;
    ASSERT_EQ(ExprCompileSlot(row.line, 10 * kUdf + 1), 1) << row.line;
    for (const char* builtin : {"AI", "QI", "RI"}) {
      const std::string text = std::string(builtin) + "(1," + row.a + "," + row.b + ")";
      const std::string what = text + " of " + row.line;
      const long double got = Eval(text);
      const int code = MathError();
      if (std::getenv("SWEEP_PRINT"))
        std::printf("%-28s %-22s %.20Lg %d\n", row.line, text.c_str(), got, code);
      if (code == 0) {
        if (std::isnan(row.value)) {
          ADD_FAILURE() << what << " diverges, but gave " << static_cast<double>(got);
          continue;
        }
        const long double tolerance = 1e-8L * (row.value == 0 ? 1 : std::fabs(row.value));
        EXPECT_LD_NEAR(got, row.value, tolerance) << what;
      } else {
        EXPECT_LT(code, 0) << what;
        EXPECT_EQ(got, ExprErrorValue) << what;
      }
    }
  }
}

}  // namespace
