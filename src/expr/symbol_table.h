// The symbol list of the calculation language: built-in functions, named constants,
// predefined variables and the user variables that assignments create.
//
// Lookup is by exact, case-sensitive name, and the most recently added symbol of a name
// wins. The list is built once at start-up (ExprBuildSymbols) and grows only by user
// variables, which live until exit: a variable assigned in one text (B=2.5 in a line of a
// user-defined function) is seen, with its last value, by every later text. Only the
// compiling thread reads or writes it (see expression.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "expr/expr_types.h"

struct TExprSymbol {
  std::string name;
  int token = 0;            // 258 user variable, 259 predefined variable, 260 constant, 261+n function
  std::uint32_t flags = 0;  // OR-ed into ExprVarsUsed whenever the lexer meets the name
  long double value = 0;    // constants and user variables
  // Predefined variables: kVariable (a cell of ExprVars) or kStatistic (a data
  // statistic); functions: kFunction (a row of the function table).
  ExprSpace space = ExprSpace::kNone;
  std::uint32_t index = 0;
};

inline constexpr int kExprConstantCount = 4;
inline constexpr int kExprVariableCount = 105;

// Enters the 180 functions, the 4 constants ("PI", "INF", "EULER", "DATAERR") and the
// 105 predefined variables, in table order. Any list built before is freed first.
void ExprBuildSymbols();
// Adds a node in front of the list (value zeroed) and returns it.
TExprSymbol* ExprAddSymbol(std::string_view name, int token, std::uint32_t flags);
// The first node of the name, or null.
TExprSymbol* ExprFindSymbol(std::string_view name);
void ExprFreeSymbols();
// Number of nodes in the list.
std::size_t ExprSymbolCount();
