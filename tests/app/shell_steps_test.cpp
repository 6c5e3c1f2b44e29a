#include <gtest/gtest.h>

#include <string>

#include "app/shell_state.h"

namespace {

// A module registered again (for a second session, as each test fixture does) must replace
// its own step: the step it left behind would still hold the first session, which may be
// gone by the time the steps run.
TEST(ShellSteps, AModuleRegisteredAgainReplacesItsStepInPlace) {
  std::string trace;
  AddResetStep("shell steps test: first", [&trace] { trace += "a"; });
  AddResetStep("shell steps test: second", [&trace] { trace += "b"; });
  AddResetStep("shell steps test: first", [&trace] { trace += "A"; });
  RunResetSteps();
  EXPECT_EQ(trace, "Ab");

  // The steps stay registered for the program's life: leave harmless ones behind.
  AddResetStep("shell steps test: first", [] {});
  AddResetStep("shell steps test: second", [] {});
}

// A test whose commands held its own session forgets the steps they added, so that a later
// test running the steps never reaches a session that is gone.
TEST(ShellSteps, ForgottenStepsNoLongerRun) {
  int runs = 0;
  AddStartupStep("shell steps test: startup", [&runs] { ++runs; });
  AddCanCloseStep("shell steps test: can close", [&runs] { ++runs; });
  AddShutdownStep("shell steps test: shutdown", [&runs] { ++runs; });
  AddResetStep("shell steps test: reset", [&runs] { ++runs; });
  ForgetShellSteps();
  RunStartupSteps();
  RunCanCloseSteps();
  RunShutdownSteps();
  RunResetSteps();
  EXPECT_EQ(runs, 0);
}

}  // namespace
