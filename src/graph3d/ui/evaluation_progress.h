// A statement evaluation the user can stop. While a TEvaluationProgress stands, the
// evaluations of the calling thread ask it at their safe points whether to go on
// (TEvaluationStopScope, expr/evaluation_stop.h); it answers from a progress window that
// shows with Cancel once the work has taken a moment (TProgressWindow), its gauge at the
// steps the task has set (ExprContext::taskSteps) where it knows its length. After Cancel
// every evaluation of the task ends at its first safe point with "Calculation Cancelled".
//
// The window lets events through while an evaluation is halfway, and a window that
// repaints may evaluate on this thread too (a graph of a function): the running
// evaluation's variables, current function, result and error cells are kept aside
// around each look and put back after it.
#pragma once

#include <QString>

#include <optional>

#include "app/ui/progress_window.h"
#include "expr/evaluation_stop.h"

class QWidget;

class TEvaluationProgress {
 public:
  TEvaluationProgress(QWidget* parent, const QString& caption, const QString& text);
  TEvaluationProgress(const TEvaluationProgress&) = delete;
  TEvaluationProgress& operator=(const TEvaluationProgress&) = delete;

  bool Cancelled() const { return cancelled_; }

 private:
  bool GoOn();

  TProgressWindow window_;
  bool cancelled_ = false;
  TEvaluationStopScope stop_;  // last: taken away before the window goes
};

// A step of the user's work that evaluates a fitted or defined surface, a user function's
// perhaps for minutes (a rank made current, its graph drawn, a file written from it): it runs
// under the progress window of a task already standing on this thread (the change of rank
// that refreshes the panes), or under one of its own. After Cancel every evaluation of the
// task gives up at once, and the step puts back what it changed.
class TEvaluationTask {
 public:
  TEvaluationTask(QWidget* parent, const QString& caption, const QString& text);
  TEvaluationTask(const TEvaluationTask&) = delete;
  TEvaluationTask& operator=(const TEvaluationTask&) = delete;

  // The user cancelled the task: what its evaluations gave since is no answer.
  bool Cancelled() const;

 private:
  std::optional<TEvaluationProgress> own_;
};

// The value of an entry field's formula (ExprEntryValue: the whole text one statement, no
// math error, a finite value; at most `maxChars` characters of it), evaluated under a
// TEvaluationProgress over `owner`'s window: a formula that runs long can be cancelled, and
// then gives no value.
std::optional<long double> FormulaFieldValue(const QWidget* owner, const QString& text, int maxChars);
