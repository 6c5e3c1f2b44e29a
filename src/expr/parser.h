// The parser of the calculation language: one statement per text.
//
// A shift-reduce parser of the language's grammar, written out by hand instead of generated
// from tables, with the behaviour of an LALR(1) parser of that grammar: it reads a
// lookahead token only where such a parser needs one (a number, a named constant, a
// predefined variable, a call without arguments, ")" and "!" are reduced at once after
// they are shifted, so a math error they raise refuses the very next token), it holds at
// most 150 states on its stack, and an error token from the lexer is read as the end of
// the text, so a complete statement before a bad token is accepted with its value.
//
// Precedence, loosest first: assignment to a user variable (takes the whole expression to
// its right), AND and OR (left), the six relations (left), binary + and - (left), *, /
// and % (left), unary minus, ^ (right), postfix !; then numbers, names, calls and
// parentheses. So -2^2 is -4, 2^3^2 is 512, 3!^2 is 36 and 1 OR 0 AND 0 is 0.
//
// The parser computes the statement's value as it reduces (interpret mode) and, during
// a compile, emits the program through ExprEmitter.
#pragma once

#include <string_view>

#include "expr/eval_context.h"

// Most states the parser's stack holds; pushing one more fails with a stack overflow.
inline constexpr int kExprParserStackSize = 150;

// Parses `text` on `ctx` (its compile state says whether to count or emit): ExprResult receives the statement's
// value (the missing value for an empty statement or a failure). Returns 0 when the
// statement was accepted, 1 on a syntax error or stack overflow.
[[nodiscard]] int ExprParse(ExprContext& ctx, std::string_view text);
