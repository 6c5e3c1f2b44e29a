// The lexer of the calculation language: one token per call.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "expr/eval_context.h"
#include "expr/symbol_table.h"

// Syntax codes (ExprSyntaxCode) the lexer records.
enum ExprSyntaxError : int {
  kSyntaxGrammar = 0,            // grammar error, stack overflow: the parser's own
  kSyntaxMathAfterReduction = 1, // a math error happened while computing: next token refused
  kSyntaxInvalidVariable = 2,    // bad or unknown "#" name
  kSyntaxFloatFormat = 3,        // lone "." (and a literal too long for the lexer)
  kSyntaxFloatRange = 4,         // literal out of range
  kSyntaxInvalidSymbol = 5,      // unknown name (and a name too long for the lexer)
  kSyntaxInvalidCharacter = 6,
  kSyntaxFunctionNumber = 7,     // calculus built-in's first argument is not 1..9
};

// Longest name and number literal the lexer holds (its buffers, less the terminator).
inline constexpr std::size_t kExprMaxNameLength = 31;
inline constexpr std::size_t kExprMaxNumberLength = 127;
// A literal larger in magnitude is refused (out of range); a smaller one but 0 is read as 0.
// Both are the long doubles the literals 1E300 and 1E-300 read as, so that those two read
// as themselves: the doubles nearest them lie above both, and 1E-300 read as 0 against
// the double.
inline constexpr long double kExprLiteralMax = 1e300L;
inline constexpr long double kExprLiteralMin = 1e-300L;

class ExprLexer {
 public:
  // Reads `text`; the end of the view, a NUL, a carriage return or a line feed ends it.
  // Writes ExprSyntaxCode, ExprErrorColumn and ExprVarsUsed of `ctx`.
  ExprLexer(ExprContext& ctx, std::string_view text)
      : ctx_(ctx), text_(text), marksAtStart_(ctx.errorMarks.size()) {}

  // The next token: kTokEnd, kTokError (with ExprSyntaxCode set), a token number of
  // ExprToken, or a character of "+-*/^,()=!%".
  int Next();

  long double Number() const { return number_; }   // after kTokNumber
  TExprSymbol* Symbol() const { return symbol_; }  // after a name's token

 private:
  int Scan();
  int ScanNumber();
  int ScanName();
  int ScanHashName();
  int Fail(int code, std::size_t column);
  int Token(int token, std::size_t length);
  int NameToken(TExprSymbol* s, std::size_t start);
  char At(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
  char Peek(std::size_t k = 0) const { return At(pos_ + k); }
  bool LooksAt(std::string_view s) const { return text_.substr(std::min(pos_, text_.size())).starts_with(s); }

  ExprContext& ctx_;
  std::string_view text_;
  // The error marks of "IF" calls open before this text: more are open while an "IF" of
  // the text collects its arguments, and an error raised there may yet be forgotten.
  std::size_t marksAtStart_;
  std::size_t pos_ = 0;
  // Countdown for the first argument of a calculus built-in (ExprSubFnState): set to 4
  // by the name, lowered after every token; at 2 the argument is due.
  int subFnState_ = 0;
  long double number_ = 0;
  TExprSymbol* symbol_ = nullptr;
};
