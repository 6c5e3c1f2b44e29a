// Certified problems of NIST's nonlinear regression reference sets, written as user functions
// and fitted by the fit run's non-linear phase at its tightest options and by the fit of one
// user function alone (Find and Update).

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "fit/levenberg_marquardt.h"
#include "fit_test_data.h"
#include "nist_nonlinear_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;
using nist_strd::Problem;

constexpr int kSlot = 0;

PointTable ProblemTable(const Problem& p) {
  PointTable t = NewPointTable(static_cast<int>(p.x.size()));
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    TXYZPoint& pt = t[i + 1];
    pt.X = p.x[i];
    pt.Y = 0;
    pt.Z = p.y[i];
    pt.W = 1;
    pt.Status = kPointActive;
  }
  return t;
}

// Correct significant digits of a value against its certified value (the log relative
// error), 0 when not even the first digit is right.
double Digits(long double value, long double certified) {
  if (value == certified) return 20;
  const long double rel = std::fabs(value - certified) / std::fabs(certified);
  return std::max(0.0, -std::log10(static_cast<double>(rel)));
}

struct Outcome {
  bool listed = false;
  std::vector<long double> parameters;
  long double sse = 0;
  double parameterDigits = 0;  // the fewest correct digits of any parameter
  double sseDigits = 0;
};

Outcome Measure(const Problem& p, std::vector<long double> parameters, long double sse) {
  Outcome o;
  o.parameters = std::move(parameters);
  o.sse = sse;
  o.parameterDigits = 20;
  for (std::size_t j = 0; j < p.certified.size(); ++j)
    o.parameterDigits = std::min(o.parameterDigits, Digits(o.parameters[j], p.certified[j]));
  o.sseDigits = Digits(sse, p.certifiedSse);
  return o;
}

// The phase at 9999 iterations and 15 digits, without the abandon test or sampling.
Outcome FitInPhase(const Problem& p, const std::vector<long double>& start) {
  DefineUserFunction(kSlot, p.zLine, start);
  PointTable t = ProblemTable(p);
  const TDataStats stats = StatsOf(t);
  TFitOptions o = DefaultFitOptions();
  o.maxIterations = 9999;
  o.convergeDigits = 15;
  o.checkIteration = 0;
  o.samplingFlag = 0;
  TFitList list;
  TFitRunContext ctx(t, stats, TFitSelection{}, o, list);
  ctx.udfs = &BoundUdfTable();
  CountFitRun(ctx);
  EXPECT_GE(RunFitFamilies(ctx), 0);
  const TFitResult* fit = FindEquation(list, UdfEquationNumber(kSlot));
  if (!fit) return {};
  Outcome out = Measure(p, fit->parameters, fit->sse);
  out.listed = true;
  return out;
}

// The residual sum of squares of the user function in kSlot at the parameters `a`.
long double ResidualSum(const Problem& p, const std::vector<long double>& a) {
  long double b[kMaxNonlinearParameters + 1] = {};
  std::copy(a.begin(), a.end(), b + 1);
  long double sse = 0;
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    long double z = 0;
    UdfFitEvaluate(kSlot, p.x[i], 0, b, &z, nullptr);
    sse += (p.y[i] - z) * (p.y[i] - z);
  }
  return sse;
}

// Find and Update at 9999 iterations and 15 digits; the outcome of the record's start
// values afterwards.
Outcome FitAlone(const Problem& p, const std::vector<long double>& start, UserFitResult& result) {
  TUdfRecord& r = DefineUserFunction(kSlot, p.zLine, start);
  PointTable t = ProblemTable(p);
  const TDataStats stats = StatsOf(t);
  TFitOptions o = DefaultFitOptions();
  o.maxIterations = 9999;
  o.convergeDigits = 15;
  result = FitUserFunction(kSlot, std::span<const TXYZPoint>(t), stats, o);
  std::vector<long double> a(r.Start.begin(), r.Start.begin() + static_cast<long>(start.size()));
  return Measure(p, a, ResidualSum(p, a));
}

class NistNonlinear : public ::testing::Test {
 protected:
  UserFunctionScope scope_;
};

const Problem& Named(std::string_view name) {
  for (const Problem& p : nist_strd::Problems())
    if (p.name == name) return p;
  ADD_FAILURE() << "no problem " << name;
  std::abort();
}

// What a fit from one of NIST's two starts must do: list the certified parameters to at
// least `digits` correct digits (and the residual sum to `sseDigits`), or, where `digits`
// is 0, not be listed at all.
struct Expected {
  std::string_view problem;
  int start;
  double digits;
  double sseDigits;
};

// Every problem from both starts through the phase at 9999 iterations, 15 digits, no
// abandon test and no sampling. MGH10 from start 1 drives b1 to the 1e-30 floor along a
// valley it cannot follow: it is left out, never listed with its SSE of 5e8. Thurber's
// seven parameters are limited to 6 digits by the forward differences of a user function's
// derivatives, not by the iteration.
TEST_F(NistNonlinear, PhaseReachesTheCertifiedValuesOrListsNothing) {
  const Expected expected[] = {
      {"Misra1a", 1, 6, 6},  {"Misra1a", 2, 6, 6},  {"DanWood", 1, 6, 6},  {"DanWood", 2, 6, 6},
      {"BoxBOD", 1, 6, 6},   {"BoxBOD", 2, 6, 6},   {"MGH09", 1, 6, 6},    {"MGH09", 2, 6, 6},
      {"MGH10", 1, 0, 0},    {"MGH10", 2, 6, 6},    {"MGH17", 1, 6, 6},    {"MGH17", 2, 6, 6},
      {"Lanczos1", 1, 6, 4}, {"Lanczos1", 2, 6, 4}, {"Eckerle4", 1, 6, 6}, {"Eckerle4", 2, 6, 6},
      {"Thurber", 1, 5, 6},  {"Thurber", 2, 5, 6},
  };
  for (const Expected& e : expected) {
    const Problem& p = Named(e.problem);
    const Outcome o = FitInPhase(p, e.start == 1 ? p.start1 : p.start2);
    SCOPED_TRACE(std::string(e.problem) + " from start " + std::to_string(e.start));
    if (e.digits == 0) {
      EXPECT_FALSE(o.listed) << "listed with SSE " << static_cast<double>(o.sse);
      continue;
    }
    ASSERT_TRUE(o.listed);
    EXPECT_GE(o.parameterDigits, e.digits);
    EXPECT_GE(o.sseDigits, e.sseDigits) << "SSE " << static_cast<double>(o.sse);
  }
}

// Find and Update fits on every point to the options' tolerance: Misra1a from start 2 ends
// at the certified parameters, not at the fit of every other point (residual sum
// 0.1289175126 instead of 0.1245514). A fit that does not converge says so and keeps the
// user's start values.
TEST_F(NistNonlinear, FitUserFunctionFinishesOnEveryPoint) {
  const Problem& misra = Named("Misra1a");
  UserFitResult result{};
  const Outcome fitted = FitAlone(misra, misra.start2, result);
  EXPECT_EQ(result, UserFitResult::kFitted);
  EXPECT_GE(fitted.parameterDigits, 6);
  EXPECT_GE(fitted.sseDigits, 6);

  const Problem& meyer = Named("MGH10");
  const Outcome failed = FitAlone(meyer, meyer.start1, result);
  EXPECT_EQ(result, UserFitResult::kNotFitted);
  EXPECT_EQ(failed.parameters, meyer.start1);
}

// Find and Update at the default options (100 iterations, 6 digits): a fit that used up its
// iterations before it converged answers so, and its parameters become the start values as
// those of a converged fit do, so that a second press goes on from them. MGH10 from start 1
// came back "fitted" with a residual sum of 1.36e9 against the certified 87.9.
TEST_F(NistNonlinear, FitUserFunctionTellsTheIterationLimitFromConvergence) {
  struct Case {
    std::string_view problem;
    int start;
    UserFitResult result;
  };
  const Case cases[] = {
      {"MGH10", 1, UserFitResult::kStoppedAtIterationLimit},
      {"Lanczos2", 1, UserFitResult::kFitted},
      {"Lanczos2", 2, UserFitResult::kFitted},
  };
  for (const Case& c : cases) {
    const Problem& p = Named(c.problem);
    const std::vector<long double>& start = c.start == 1 ? p.start1 : p.start2;
    TUdfRecord& r = DefineUserFunction(kSlot, p.zLine, start);
    PointTable t = ProblemTable(p);
    const TDataStats stats = StatsOf(t);
    SCOPED_TRACE(std::string(c.problem) + " from start " + std::to_string(c.start));
    EXPECT_EQ(FitUserFunction(kSlot, std::span<const TXYZPoint>(t), stats, DefaultFitOptions()), c.result);
    // Either way the parameters reached are the start values now, better than those given.
    const std::vector<long double> reached(r.Start.begin(), r.Start.begin() + static_cast<long>(start.size()));
    EXPECT_NE(reached, start);
    EXPECT_LT(ResidualSum(p, reached), ResidualSum(p, start));
    EXPECT_LT(ResidualSum(p, reached), stats.SSTotal);
  }
}

}  // namespace
