// Texts of the language's error codes and syntax codes, as the user sees them.
#pragma once

#include <span>

struct TExprErrorTextRow {
  int code;
  int stringId;  // its id in the program's string table
  const char* text;
};

// Every negative code with its text, in code order (from -1 down).
std::span<const TExprErrorTextRow> ExprErrorTextRows();

// ExprErrorText: the text of a math-error code, or "" for any other code (the positive
// code 1 of an out-of-range literal included).
const char* ExprErrorText(int code);

// The text of a syntax code (0..7) for a data calculation (string 3128 + code), or "".
const char* ExprSyntaxText(int code);
// The same for the view function: string 3210 + code for codes 1..6, and for code 0 its
// own "View Function(X,Y) Validation Error" (string 3201); "" for other codes.
const char* ExprViewSyntaxText(int code);
