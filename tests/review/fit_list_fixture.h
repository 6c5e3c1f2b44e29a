// A session whose fit list holds hand-made fits (no run needed): each fit's terms and
// descriptor are those its equation number stands for, with the figures the test gives.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fit/equation_forms.h"
#include "fit/session.h"

struct TTestFit {
  int equationNumber;
  long double r2;
  int complexity = 0;
  int m = -1;  // -1: the term count the equation number stands for (2 for the others)
};

inline std::unique_ptr<TFitResult> MakeTestFit(const TTestFit& spec) {
  TEquationForm form;
  const bool known = PolynomialEquationForm(spec.equationNumber, form) ||
                     RationalEquationForm(spec.equationNumber, form);
  const int m = spec.m >= 0 ? spec.m : known ? form.m : 2;
  std::unique_ptr<TFitResult> fit = NewFitResult(m);
  fit->equationNumber = spec.equationNumber;
  if (known) {
    for (int i = 0; i <= m; ++i) fit->terms[static_cast<std::size_t>(i)] = form.terms[static_cast<std::size_t>(i)];
    fit->descriptor = form.descriptor;
  } else if (spec.equationNumber > 3000) {
    // A term subset of x and y on z.
    fit->terms = {0, 0, 21};
  }
  fit->r2 = spec.r2;
  fit->adjustedR2 = spec.r2 - 0.001L;
  fit->fitStdError = 1.0L - spec.r2;
  fit->f = 100.0L * spec.r2;
  fit->complexity = spec.complexity;
  for (long double& p : fit->parameters) p = 1.5L;
  return fit;
}

inline void FillFitList(TSession& session, std::initializer_list<TTestFit> fits) {
  ASSERT_TRUE(session.FitList.BeginRun());
  for (const TTestFit& f : fits) ASSERT_TRUE(session.FitList.Append(MakeTestFit(f)));
  session.FitCount.store(session.FitList.Count());
  session.FitResultsValid.store(1);
}
