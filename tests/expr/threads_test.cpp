// Two threads evaluating different compiled slots at once must agree with one thread:
// each thread has its own variables, result, error codes and temporaries. Run it under
// ThreadSanitizer (scripts/sanitize) to see that no cell is shared.
#include <thread>
#include <vector>

#include "expr/interpreter.h"
#include "expr_test_support.h"

namespace {

class ThreadsTest : public ExprTest {};

struct Job {
  int udf;        // CurrentUdf of the evaluating thread
  int slot;       // the slot it runs
  long double a0;
  long double a1;
};

// Evaluates `job` over a grid of points on the calling thread's context.
std::vector<long double> EvaluateGrid(const Job& job, std::vector<int>* errors) {
  ExprContext& ctx = ExprThreadContext();
  ctx.CurrentUdf = job.udf;
  ctx.ExprVars.A(0) = job.a0;
  ctx.ExprVars.A(1) = job.a1;
  std::vector<long double> values;
  for (int i = -20; i <= 20; ++i) {
    for (int j = -20; j <= 20; ++j) {
      ctx.ExprVars.X() = i * 0.25L;
      ctx.ExprVars.Y() = j * 0.5L;
      values.push_back(ExprRunSlot(ctx, job.slot));
      errors->push_back(ctx.ExprMathError);
    }
  }
  return values;
}

TEST_F(ThreadsTest, TwoThreadsAgreeWithOneThread) {
  // Function 1: a sub-function line and a division that fails where Y = 1.
  Vars().X() = 0.5;
  Vars().Y() = 2;
  Vars().A(0) = 1;
  Vars().A(1) = 1;
  Ctx().CurrentUdf = 1;
  ASSERT_EQ(ExprCompileSlot("A1*X^2-Y", 11), 1);
  ASSERT_EQ(ExprCompileSlot("A0*X/(Y-1)+F1+3!", 10), 1);
  // Function 2: library calls with their own faults (LN of 0 where X = 0).
  Ctx().CurrentUdf = 2;
  ASSERT_EQ(ExprCompileSlot("SQRT(X*X+Y*Y)*A1", 21), 1);
  ASSERT_EQ(ExprCompileSlot("LN(ABS(X))+F1-A0^2+(X<Y OR Y>2)", 20), 1);

  const Job jobs[2] = {{1, 10, 1.5L, -0.25L}, {2, 20, 0.75L, 2}};
  std::vector<int> errors[2][2];
  std::vector<long double> single[2];
  for (int t = 0; t < 2; ++t) single[t] = EvaluateGrid(jobs[t], &errors[0][t]);
  // The reference runs must include failures, so that error cells are exercised.
  for (int t = 0; t < 2; ++t) {
    bool failed = false;
    for (long double v : single[t]) failed = failed || v == ExprErrorValue;
    EXPECT_TRUE(failed) << t;
  }

  std::vector<long double> parallel[2];
  constexpr int kRounds = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        std::vector<int> e;
        std::vector<long double> v = EvaluateGrid(jobs[t], &e);
        if (round == 0 || v != parallel[t]) {
          parallel[t] = std::move(v);
          errors[1][t] = std::move(e);
        }
      }
    });
  }
  // Meanwhile this thread goes on parsing and compiling other slots, as the user interface
  // does while the render thread draws.
  for (int i = 0; i < 200; ++i) {
    Vars().X() = i;
    EXPECT_EQ(Eval("X*2+1"), 2 * i + 1);
    ASSERT_EQ(ExprCompileSlot("X-1", 150), 1);
    EXPECT_EQ(ExprRunSlot(150), i - 1);
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(parallel[t], single[t]) << "job " << t;
    EXPECT_EQ(errors[1][t], errors[0][t]) << "job " << t;
  }
}

}  // namespace
