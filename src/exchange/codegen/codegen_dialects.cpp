#include "exchange/codegen/codegen_dialects.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "app/c_format.h"
#include "app/number_format.h"
#include "expr/lexer.h"

namespace {

constexpr std::array<TCodeGenDialectInfo, kCodeGenDialectCount> kDialects = {{
    {"C [80 bit]", "CLDBL", "x", "y", "z", "\n    ", "z"},
    {"C [64 bit]", "C", "x", "y", "z", "\n    ", "z"},
    {"Pascal", "PASCAL", "x", "y", "z", "\n    ", "z"},
    {"Basic", "BASIC", "x", "y", "z", "", "z"},
    {"Fortran 77", "FORT77", "x", "y", "z", "\n     1", ""},
    {"Fortran 90", "FORT90", "x", "y", "z", "&\n   &", ""},
    {"Ondravik UDF", "QVUDF", "X", "Y", "Z", "", "Z"},
    {"Merovane XFM", "MVXFM", "x", "y", "z", "\n  ", "z"},
}};

constexpr int kFunctionColumns = 14;
using FunctionRow = std::array<const char*, kFunctionColumns>;
constexpr std::array<FunctionRow, kCodeGenDialectCount> kFunctionNames = {{
    {"fabsl", "acosl", "asinl", "atanl", "cosl", "expl", "logl", "log10l", "", "sinl", "sqrtl", "tanl", "powl", "erfl"},
    {"fabs", "acos", "asin", "atan", "cos", "exp", "log", "log10", "", "sin", "sqrt", "tan", "pow", "erf"},
    {"Abs", "N/A", "N/A", "ArcTan", "Cos", "Exp", "Ln", "N/A", "", "Sin", "Sqrt", "N/A", "Pow", "Erf"},
    {"ABS", "N/A", "N/A", "ATN", "COS", "EXP", "LOG", "N/A", "", "SIN", "SQR", "TAN", "^", "ERF#"},
    {"DABS", "DACOS", "DASIN", "DATAN", "DCOS", "DEXP", "DLOG", "DLOG10", "", "DSIN", "DSQRT", "DTAN", "**", "ERF"},
    {"DABS", "DACOS", "DASIN", "DATAN", "DCOS", "DEXP", "DLOG", "DLOG10", "", "DSIN", "DSQRT", "DTAN", "**", "ERF"},
    {"ABS", "ACOS", "ASIN", "ATAN", "COS", "EXP", "LN", "LOG", "", "SIN", "SQRT", "TAN", "^", "ERF"},
    {"abs", "arccos", "arcsin", "arctan", "cos", "exp", "ln", "log", "", "sin", "sqrt", "tan", "^", "erf"},
}};

// The dialects whose reals are 80-bit: C with long double, Pascal's Extended, and the
// user-function file, which the program itself reads.
bool Has19Digits(int dialect) {
  return dialect == kDialectC80 || dialect == kDialectPascal || dialect == kDialectUdf;
}
bool IsFortran(int dialect) { return dialect == kDialectFortran77 || dialect == kDialectFortran90; }

}  // namespace

const TCodeGenDialectInfo& DialectInfo(int dialect) { return kDialects[static_cast<std::size_t>(dialect)]; }

const char* DialectFunctionName(int dialect, CodeGenFunction function) {
  return kFunctionNames[static_cast<std::size_t>(dialect)][static_cast<std::size_t>(function)];
}

std::string FortranDoubleText(std::string text) {
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return text + "D0";
  text[e] = 'D';
  return text;
}

std::string FormatCodeNumber(int dialect, long double value) {
  std::string text = CFormat(Has19Digits(dialect) ? "%#.19LG" : "%#.16LG", UnsignedZero(value));
  return IsFortran(dialect) ? FortranDoubleText(std::move(text)) : text;
}

std::string FormatSignedCodeNumber(int dialect, long double value) {
  std::string text = CFormat(Has19Digits(dialect) ? "%+#.19LG" : "%+#.16LG", UnsignedZero(value));
  return IsFortran(dialect) ? FortranDoubleText(std::move(text)) : text;
}

std::string CodeLiteral(int dialect, long double value) {
  std::string text = FormatCodeNumber(dialect, value);
  return dialect == kDialectC80 ? text + "L" : text;
}

std::string SignedCodeLiteral(int dialect, long double value) {
  std::string text = FormatSignedCodeNumber(dialect, value);
  return dialect == kDialectC80 ? text + "L" : text;
}

std::string RealLiteral(int dialect, std::string text) {
  if (IsFortran(dialect)) return FortranDoubleText(std::move(text));
  if (dialect != kDialectC80) return text;
  // "3" would be an integer literal in C, "3L" a long integer.
  if (text.find_first_of(".E") == std::string::npos) text += ".0";
  return text + "L";
}

std::string FillPattern(int dialect, std::string_view pattern,
                        std::initializer_list<std::string_view> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      if (next != args.end()) out += *next++;
      ++i;
    } else if (pattern[i] == '{') {
      const std::size_t end = pattern.find('}', i);
      if (end == std::string_view::npos) break;  // the patterns are ours: never
      out += RealLiteral(dialect, std::string(pattern.substr(i + 1, end - i - 1)));
      i = end;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

bool DialectHoldsConstant(int dialect, long double value, std::string_view text) {
  if (!std::isfinite(value)) return false;
  if (value == 0) return true;
  // The number as the dialect's compiler reads it: without C's "L", with "E" for FORTRAN's
  // "D", a "+" sign dropped (from_chars takes none).
  std::string digits(text);
  if (!digits.empty() && digits.back() == 'L') digits.pop_back();
  for (char& c : digits)
    if (c == 'D') c = 'E';
  const std::size_t start = digits.starts_with('+') ? 1 : 0;
  long double read = 0;
  const char* last = digits.data() + digits.size();
  const auto [end, ec] = std::from_chars(digits.data() + start, last, read, std::chars_format::general);
  if (ec != std::errc() || end != last) return false;  // beyond even the 80-bit reals
  switch (dialect) {
    case kDialectC80:
    case kDialectPascal: return std::isnormal(read);
    case kDialectUdf: return std::fabs(read) >= kExprLiteralMin && std::fabs(read) <= kExprLiteralMax;
    // Subnormal doubles are refused too: gfortran reads the smallest of them as 0.
    default: return std::fabs(read) <= DBL_MAX && std::isnormal(static_cast<double>(read));
  }
}
