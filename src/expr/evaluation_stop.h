// The user's way out of a long evaluation. A statement can run for a long time within
// every guard of the language (a "PROD" over a million terms of a costly line took 43 s),
// so a caller that runs statements the user typed may install a question for the
// duration: the interpreter asks it at its safe points, every ExprContext::kRunsBetweenAsks
// runs of a line, and a "no" aborts the evaluation with kErrEvaluationCancelled
// ("Calculation Cancelled") like the other run guards: every later line run of that
// evaluation returns at once, the calculus built-ins stop at their next term or value, and
// the entry point gives the missing value. Nothing is assigned from an aborted evaluation,
// and a question that keeps saying no after a cancel stops each further evaluation of the
// same task (a check that runs a text three times) at its first safe point. While the
// scope stands, the context's `stopped` tells the task that a no was answered, and its
// `taskSteps` carry how far the task has come to the question; both are the scope's own
// and go back to the caller's at its end.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "expr/eval_context.h"

// The steps of a task of known length, for the question to show while the scope stands;
// the steps the caller had come back at its end.
class TTaskStepsScope {
 public:
  TTaskStepsScope(ExprContext& ctx, std::int64_t total)
      : ctx_(ctx), saved_(std::exchange(ctx.taskSteps, TTaskSteps{0, total})) {}
  ~TTaskStepsScope() { ctx_.taskSteps = saved_; }
  TTaskStepsScope(const TTaskStepsScope&) = delete;
  TTaskStepsScope& operator=(const TTaskStepsScope&) = delete;
  void Done(std::int64_t steps) { ctx_.taskSteps.done = steps; }

 private:
  ExprContext& ctx_;
  TTaskSteps saved_;
};

class TEvaluationStopScope {
 public:
  // `goOn` is asked on the context's thread; true to go on.
  TEvaluationStopScope(ExprContext& ctx, std::function<bool()> goOn)
      : ctx_(ctx),
        saved_(std::exchange(ctx.goOn, std::move(goOn))),
        savedRuns_(ctx.runsSinceAsked),
        savedStopped_(std::exchange(ctx.stopped, false)),
        savedSteps_(std::exchange(ctx.taskSteps, {})) {
    ctx.runsSinceAsked = 0;
  }
  ~TEvaluationStopScope() {
    ctx_.goOn = std::move(saved_);
    ctx_.runsSinceAsked = savedRuns_;
    ctx_.stopped = savedStopped_;
    ctx_.taskSteps = savedSteps_;
  }
  TEvaluationStopScope(const TEvaluationStopScope&) = delete;
  TEvaluationStopScope& operator=(const TEvaluationStopScope&) = delete;

 private:
  ExprContext& ctx_;
  std::function<bool()> saved_;
  std::uint32_t savedRuns_;
  bool savedStopped_;
  TTaskSteps savedSteps_;
};
