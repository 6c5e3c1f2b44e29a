// The execution form of a compiled slot: a peephole pass over the instructions that
// removes loads the interpreter would store to a temporary only to read back at once.
//
//  - A constant or variable load followed by +, -, * or / on that temporary becomes one
//    instruction that takes its right operand from the constant or variable.
//  - A load of the constant 2 or 3 followed by ^ becomes a multiplication of the base by
//    itself. Multiplying gives powl's result to the last bit for these two exponents
//    only (x*x is exactly rounded; x*x*x is what the library's whole-exponent path
//    computes); from 4 on the two differ in the last bit, so higher powers keep powl.
//
// Calls, argument carriers and error marks are copied unchanged, so a call still finds
// its carriers just before it.
#pragma once

#include <vector>

#include "expr/expr_types.h"

std::vector<TExprInstr> ExprExecutionForm(const std::vector<TExprInstr>& code,
                                          const std::vector<long double>& constants);
