// The built-in functions of the calculation language: 180 rows, entered into the symbol
// list in this order at start-up.
//
// A row whose handler is null names a function whose body is not part of the program
// yet: the lexer refuses its name like an unknown one (syntax code 5), so such a call is
// never compiled or evaluated. A body is added by writing its handler (see builtins.h)
// and naming it in its row of function_table.cpp.
#pragma once

#include <cstdint>
#include <span>

#include "expr/expr_types.h"

struct TExprFunctionRow {
  const char* name;      // at most 11 characters
  int args;              // 0..10; the token is 261 + args
  std::uint32_t flags;   // ExprNameFlag bits
  ExprHandler handler;   // null while the body is not built
};

inline constexpr int kExprFunctionCount = 180;

std::span<const TExprFunctionRow> ExprFunctionTable();
// Row i, or null outside the table.
const TExprFunctionRow* ExprFunctionRow(std::uint32_t i);
