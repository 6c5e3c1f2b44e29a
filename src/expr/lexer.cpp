#include "expr/lexer.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "expr/function_table.h"

namespace {

// ASCII classes only: bytes above 127 are invalid characters whatever the locale.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameStart(char c) { return IsLetter(c) || c == '$' || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
bool IsEndChar(char c) { return c == '\0' || c == '\r' || c == '\n'; }

struct DottedOperator {
  std::string_view text;
  int token;
};
constexpr DottedOperator kDottedOperators[] = {
    {".AND.", kTokAnd},       {".OR.", kTokOr},   {".NE.", kTokNotEqual}, {".EQ.", kTokEqual},
    {".GT.", kTokGreater},    {".LT.", kTokLess}, {".GE.", kTokGreaterEqual},
    {".LE.", kTokLessEqual},
};

}  // namespace

int ExprLexer::Next() {
  const int token = Scan();
  ctx_.ExprErrorColumn = static_cast<int>(std::min(pos_, text_.size()));
  if (token <= 0) {
    subFnState_ = 0;
    return token;
  }
  if (subFnState_ > 0 && --subFnState_ == 1) {
    // The argument after "(" of a calculus built-in was not a number.
    subFnState_ = 0;
    ctx_.ExprSyntaxCode = kSyntaxFunctionNumber;
    return kTokError;
  }
  return token;
}

int ExprLexer::Fail(int code, std::size_t column) {
  ctx_.ExprSyntaxCode = code;
  pos_ = column;
  return kTokError;
}

int ExprLexer::Token(int token, std::size_t length) {
  pos_ += length;
  return token;
}

int ExprLexer::Scan() {
  // A math error ends the text at the next token, but not while an "IF" collects its
  // arguments: an error of the branch it does not take is forgotten (IF(1,5,LN(0)) is 5,
  // as its compiled form gives), and one that stands is refused once the "IF" is done.
  if (ctx_.ExprMathError != 0 && ctx_.errorMarks.size() <= marksAtStart_) return Fail(kSyntaxMathAfterReduction, pos_);
  while (Peek() == ' ' || Peek() == '\t') ++pos_;
  if (IsEndChar(Peek())) return kTokEnd;

  if (subFnState_ == 2) {
    // The first argument of a calculus built-in names a line: F1, #F1 and 1 all mean 1.
    if (Peek() == 'F') {
      ++pos_;
    } else if (Peek() == '#' && Peek(1) == 'F') {
      pos_ += 2;
    }
    if (IsEndChar(Peek())) return kTokEnd;
  }

  const char c = Peek();
  if (c == '.') {
    for (const DottedOperator& op : kDottedOperators) {
      if (LooksAt(op.text)) return Token(op.token, op.text.size());
    }
  }
  if (c == '<') {
    if (Peek(1) == '>') return Token(kTokNotEqual, 2);
    if (Peek(1) == '=') return Token(kTokLessEqual, 2);
    return Token(kTokLess, 1);
  }
  if (c == '>') {
    if (Peek(1) == '=') return Token(kTokGreaterEqual, 2);
    return Token(kTokGreater, 1);
  }
  if (c == '=' && Peek(1) == '=') return Token(kTokEqual, 2);
  // AND and OR are matched as prefixes, before names: no name begins with them.
  if (LooksAt("AND") || LooksAt("&&")) return Token(kTokAnd, LooksAt("AND") ? 3 : 2);
  if (LooksAt("OR") || LooksAt("||")) return Token(kTokOr, 2);
  if (c == '#') return ScanHashName();
  if (IsDigit(c) || c == '.') return ScanNumber();
  if (IsNameStart(c)) return ScanName();
  if (c == '@') {
    // "@" and the character after it would name a symbol; none is predefined.
    const std::size_t length = Peek(1) == '\0' ? 1 : 2;
    TExprSymbol* s = ExprFindSymbol(text_.substr(pos_, length));
    if (!s) return Fail(kSyntaxInvalidSymbol, pos_);
    const std::size_t start = pos_;
    pos_ += length;
    return NameToken(s, start);
  }
  if (std::string_view("+-*/^,()=!%").find(c) != std::string_view::npos) return Token(c, 1);
  return Fail(kSyntaxInvalidCharacter, pos_);
}

int ExprLexer::ScanNumber() {
  const std::size_t start = pos_;
  std::size_t i = pos_;
  std::size_t digits = 0;
  bool dot = false;
  for (;; ++i) {
    const char ch = At(i);
    if (IsDigit(ch)) {
      ++digits;
    } else if (ch == '.' && !dot) {
      // A "." before one of G L N E A O begins a dotted operator (1.GT.2).
      if (std::string_view("GLNEAO").find(At(i + 1)) != std::string_view::npos) break;
      dot = true;
    } else {
      break;
    }
  }
  if (digits == 0) return Fail(kSyntaxFloatFormat, start);  // a lone "."
  if (At(i) == 'E' || At(i) == 'e') {
    ++i;
    if (At(i) == '+' || At(i) == '-') ++i;
    for (int k = 0; k < 3 && IsDigit(At(i)); ++k) ++i;
  }
  if (i - start > kExprMaxNumberLength) return Fail(kSyntaxFloatFormat, start);
  pos_ = i;

  long double value = 0;
  const char* first = text_.data() + start;
  const char* last = text_.data() + i;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  (void)end;  // an exponent letter without digits ends the conversion early, as it should
  if (error == std::errc::result_out_of_range || std::fabs(value) > kExprLiteralMax) {
    ctx_.ExprMathError = 1;
    return Fail(kSyntaxFloatRange, start);
  }
  if (error != std::errc()) return Fail(kSyntaxFloatFormat, start);
  if (value != 0 && std::fabs(value) < kExprLiteralMin) value = 0;

  if (subFnState_ == 2) {
    if (value < 1 || value > 9 || value != std::trunc(value)) {
      return Fail(kSyntaxFunctionNumber, start);
    }
    subFnState_ = 0;
  }
  number_ = value;
  return kTokNumber;
}

int ExprLexer::NameToken(TExprSymbol* s, std::size_t start) {
  if (s->space == ExprSpace::kFunction) {
    // A built-in whose body is not part of the program is refused like an unknown name.
    const TExprFunctionRow* row = ExprFunctionRow(s->index);
    if (!row || !row->handler) return Fail(kSyntaxInvalidSymbol, start);
  }
  if (s->flags == kTakesSubFunctionNumber) subFnState_ = 4;
  ctx_.ExprVarsUsed |= s->flags;
  symbol_ = s;
  return s->token;
}

int ExprLexer::ScanName() {
  const std::size_t start = pos_;
  std::size_t i = pos_;
  while (IsNameChar(At(i))) ++i;
  if (i - start > kExprMaxNameLength) return Fail(kSyntaxInvalidSymbol, start);
  const std::string_view name = text_.substr(start, i - start);
  pos_ = i;
  TExprSymbol* s = ExprFindSymbol(name);
  if (!s) {
    // An unknown name followed by "=" (or by one blank and "=") is a new user variable.
    if (At(i) == '=' || (At(i) == ' ' && At(i + 1) == '=')) {
      s = ExprAddSymbol(name, kTokUserVar, 0);
    } else {
      return Fail(kSyntaxInvalidSymbol, start);
    }
  }
  return NameToken(s, start);
}

int ExprLexer::ScanHashName() {
  const std::size_t start = pos_;
  const char c1 = Peek(1);
  std::size_t length = 0;
  if ((c1 == 'A' || c1 == 'F') && IsDigit(Peek(2))) {
    length = 3;  // #A0..#A9, #F1..#F9
  } else if ((c1 >= 'A' && c1 <= 'J') || IsDigit(c1)) {
    length = 2;  // #A..#J
  } else {
    return Fail(kSyntaxInvalidVariable, start);
  }
  TExprSymbol* s = ExprFindSymbol(text_.substr(start, length));
  if (!s) return Fail(kSyntaxInvalidVariable, start);
  pos_ = start + length;
  return NameToken(s, start);
}
