// Texts of the language's error codes and syntax codes, as the user sees them: the
// program's string table holds them, so they are read from there.
#pragma once

#include <span>
#include <string_view>

struct TExprErrorTextRow {
  int code;
  int stringId;  // its id in the program's string table
};

// Every negative code with its string, in code order (from -1 down).
std::span<const TExprErrorTextRow> ExprErrorTextRows();

// ExprErrorText: the text of a math-error code, or "" for any other code (the positive
// code 1 of an out-of-range literal included).
std::string_view ExprErrorText(int code);

// The text of a syntax code (0..7) for a data calculation (string 3128 + code), or "".
std::string_view ExprSyntaxText(int code);
// The same for the view function: string 3210 + code for codes 1..6, and for code 0 its
// own "View Function(X,Y) Validation Error" (string 3201); "" for other codes.
std::string_view ExprViewSyntaxText(int code);
