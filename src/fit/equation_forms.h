// The form an equation number of the linear families stands for, as its fit record carries
// it: the kind, the term count m, the term list (entry 0 the dependent variable, then the
// term codes in parameter order) and the descriptor. The families number their equations
// by position in their loops; these functions answer from those same positions, so that an
// equation can be named (in the equation lists, for example) without fitting it.
#pragma once

#include <array>
#include <cstdint>

#include "fit/fit_records.h"

struct TEquationForm {
  int kind = 0;
  int m = 0;
  std::array<std::int32_t, kFitEqnSlots> terms{};
  std::array<std::uint8_t, kDescriptorSize> descriptor{};
};

// The additive polynomials (1-225) and the full quadratic and cubic (301-318); false for
// any other number.
bool PolynomialEquationForm(int equationNumber, TEquationForm& form);
// The rationals of orders 1..3 (1001-1256) and the full quadratic rationals (1301-1304);
// false for any other number.
bool RationalEquationForm(int equationNumber, TEquationForm& form);
