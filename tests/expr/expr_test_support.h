// Shared set-up of the expression-language tests: a fresh symbol list and empty slots for
// every test, so that user variables and compiled slots of one test never leak into the
// next.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "support/long_double_near.h"

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ExprBindDataStats(&stats_);
    ExprBindUdfTable(&udfs_.UdfTable);
    ExprStartUp();
    FreeAllUdfs();
    ExprContext& c = ExprThreadContext();
    c.ExprVars = TExprVars{};
    c.CurrentUdf = 0;
    c.ClearErrors();
    c.ExprDivFailures = 0;
  }
  void TearDown() override {
    FreeAllUdfs();
    ExprBindUdfTable(nullptr);
    ExprBindDataStats(nullptr);
  }

  static ExprContext& Ctx() { return ExprThreadContext(); }
  static TExprVars& Vars() { return ExprThreadContext().ExprVars; }
  static long double Eval(std::string_view text) { return ExprParseAndRun(text); }
  static int Syntax() { return ExprThreadContext().ExprSyntaxCode; }
  static int Column() { return ExprThreadContext().ExprErrorColumn; }
  static int MathError() { return ExprThreadContext().ExprMathError; }
  // Evaluates `text`: its value (exactly, or to `tolerance`) and its math-error code.
  static void ExpectEval(std::string_view text, long double value, int code = 0, long double tolerance = 0) {
    ExpectResult(Eval(text), value, code, tolerance, text);
  }
  // A result computed just before, and the math-error code it left.
  static void ExpectResult(long double got, long double value, int code = 0, long double tolerance = 0,
                           std::string_view what = {}) {
    EXPECT_LD_NEAR(got, value, tolerance) << what;
    EXPECT_EQ(MathError(), code) << what;
  }

  // The statistics and the user functions the language reads, fresh for each test.
  TDataStats stats_;
  TUdfSession udfs_;
};

// A small fixed-seed generator (Knuth's MMIX constants), so that every run sees the same
// random texts.
class Lcg {
 public:
  explicit Lcg(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint64_t state_;
};
