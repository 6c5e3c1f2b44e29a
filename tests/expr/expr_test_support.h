// Shared set-up of the expression-language tests: a fresh symbol list and empty slots for
// every test, so that user variables and compiled slots of one test never leak into the
// next.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/udf_record.h"

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ExprStartUp();
    FreeAllUdfs();
    ExprContext& c = ExprThreadContext();
    c.ExprVars = TExprVars{};
    c.CurrentUdf = 0;
    c.ClearErrors();
    c.ExprDivFailures = 0;
  }
  void TearDown() override { FreeAllUdfs(); }

  static ExprContext& Ctx() { return ExprThreadContext(); }
  static TExprVars& Vars() { return ExprThreadContext().ExprVars; }
  static long double Eval(std::string_view text) { return ExprParseAndRun(text); }
  static int Syntax() { return ExprThreadContext().ExprSyntaxCode; }
  static int Column() { return ExprThreadContext().ExprErrorColumn; }
  static int MathError() { return ExprThreadContext().ExprMathError; }
};
