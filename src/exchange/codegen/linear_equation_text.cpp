#include "exchange/codegen/linear_equation_text.h"

#include <algorithm>
#include <array>
#include <vector>

#include "exchange/codegen/codegen_dialects.h"
#include "fit/fit_families.h"

namespace {

constexpr int kAxisTerms = 21;  // term codes 0-20 in x, 21-41 in y
constexpr int kTermLog = 12, kTermInverse = 16;
constexpr int kExpTerm = 7;

// Equation numbers written as one full expression.
constexpr int kFirstFullPolynomial = 301, kLastFullPolynomial = 318;
constexpr int kFirstFullRational = 1301, kLastFullRational = 1304;

int TermCount(const TFitEqn& fit) { return std::clamp(fit.m, 0, kMaxFitM); }

long double P(const TFitEqn& fit, int k) { return fit.parameters[static_cast<std::size_t>(k)]; }

// Parameter k as the equations write it: its code literal, or "#" and its letter.
std::string Coefficient(int dialect, const TFitEqn& fit, int k) {
  if (dialect == kDialectUdf) return std::string{'#', static_cast<char>('A' + k)};
  return CodeLiteral(dialect, P(fit, k));
}

// Texts of the parameters first..first+n-1 after an unused constant slot (the coefficient
// list of a Horner text without constant), or after `constant`.
std::vector<std::string> Coefficients(int dialect, const TFitEqn& fit, std::string constant, int first,
                                      int n) {
  std::vector<std::string> c;
  c.push_back(std::move(constant));
  for (int k = 0; k < n; ++k) c.push_back(Coefficient(dialect, fit, first + k));
  return c;
}

std::string XName(int dialect) { return dialect == kDialectUdf ? "F1" : "x"; }
std::string YName(int dialect) { return dialect == kDialectUdf ? "F2" : "y"; }

// A full form written from a pattern: "C" and a parameter index stand for that coefficient,
// "|" for the line break, "x" and "y" for the variables.
std::string FullFormText(int dialect, const TFitEqn& fit, std::string_view pattern) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == 'C') {
      int k = 0;
      while (i + 1 < pattern.size() && pattern[i + 1] >= '0' && pattern[i + 1] <= '9')
        k = 10 * k + (pattern[++i] - '0');
      out += Coefficient(dialect, fit, k);
    } else if (c == '|') {
      out += DialectInfo(dialect).lineBreak;
    } else if (c == 'x') {
      out += XName(dialect);
    } else if (c == 'y') {
      out += YName(dialect);
    } else {
      out += c;
    }
  }
  return out;
}

// The full quadratic (a, x, y, x², y², xy) and cubic (then x³, y³, xy², x²y) in parameter order.
constexpr std::string_view kFullQuadratic = "C0+|x*(C1+x*(C3))+|y*(C2+y*(C4))+|x*y*(C5)";
constexpr std::string_view kFullCubic =
    "C0+|x*(C1+x*(C3+|x*(C6)))+y*(C2+|y*(C4+y*(C7)))+|x*y*(C5+y*(C8)+|x*(C9))";
// The full quadratic rational: numerator and denominator coefficients alternate.
constexpr std::string_view kFullRational =
    "(C0+|x*(C2+x*(C6))+|y*(C4+y*(C8))+|x*y*(C10))/|(1+x*(C1+x*(C5))+|y*(C3+y*(C7))+|x*y*(C9))";

TEquationPieces FullPieces(int dialect, const TFitEqn& fit) {
  TEquationPieces p;
  const int m = TermCount(fit);
  if (fit.kind == kKindPolynomial && m == 5) p.equation = FullFormText(dialect, fit, kFullQuadratic);
  if (fit.kind == kKindPolynomial && m == 9) p.equation = FullFormText(dialect, fit, kFullCubic);
  if (fit.kind == kKindRational && m == 10) p.equation = FullFormText(dialect, fit, kFullRational);
  return p;
}

TEquationPieces PolynomialPieces(int dialect, const TFitEqn& fit) {
  const int nx = fit.descriptor[1], ny = fit.descriptor[4];
  TEquationPieces p;
  if (nx + ny != TermCount(fit)) return p;
  const std::string x = XName(dialect), y = YName(dialect);
  const std::string zx = WritePolynomialText(dialect, nx, Coefficients(dialect, fit, Coefficient(dialect, fit, 0), 1, nx),
                                             0, false, x);
  const std::string zy = WritePolynomialText(dialect, ny, Coefficients(dialect, fit, "", 1 + nx, ny), 0, true, y);
  if (dialect == kDialectUdf) {
    p.equation = zx + "+" + zy;
  } else {
    p.equation = "z1+z2";
    p.z[0] = zx;
    p.z[1] = zy;
  }
  return p;
}

// Numerator a + x terms + y terms over 1 + x terms + y terms, the parameters in that order.
TEquationPieces RationalPieces(int dialect, const TFitEqn& fit) {
  const int nx = fit.descriptor[1], dx = fit.descriptor[2], ny = fit.descriptor[4], dy = fit.descriptor[5];
  TEquationPieces p;
  if (nx + ny + dx + dy != TermCount(fit)) return p;
  const std::string x = XName(dialect), y = YName(dialect);
  const std::string numX = WritePolynomialText(dialect, nx, Coefficients(dialect, fit, Coefficient(dialect, fit, 0), 1, nx),
                                               0, false, x);
  const std::string numY = WritePolynomialText(dialect, ny, Coefficients(dialect, fit, "", 1 + nx, ny), 0, true, y);
  const int firstDen = 1 + nx + ny;
  if (dialect == kDialectUdf) {
    const std::string denX = WritePolynomialText(dialect, dx, Coefficients(dialect, fit, "", firstDen, dx), 0, true, x);
    const std::string denY = WritePolynomialText(dialect, dy, Coefficients(dialect, fit, "", firstDen + dx, dy), 0, true, y);
    p.equation = "(" + numX + "+" + numY + ")/(1+" + denX + "+" + denY + ")";
    return p;
  }
  p.equation = "(z1+z2)/(z3+z4)";
  p.z[0] = numX;
  p.z[1] = numY;
  p.z[2] = WritePolynomialText(dialect, dx, Coefficients(dialect, fit, CodeLiteral(dialect, 1.0L), firstDen, dx), 0,
                               false, x);
  p.z[3] = WritePolynomialText(dialect, dy, Coefficients(dialect, fit, "", firstDen + dx, dy), 0, true, y);
  return p;
}

// a + b*f1 + ..., mapped back by the dependent variable the subset was fitted to.
TEquationPieces TermSubsetPieces(int dialect, const TFitEqn& fit) {
  TEquationPieces p;
  const int n = std::min(TermCount(fit), kMaxWrittenTerms);
  const int variant = fit.terms[0];
  if (dialect == kDialectUdf) {
    static constexpr std::array<std::string_view, 3> kPrefix = {"", "EXP(", "1/("};
    if (variant < 0 || variant > 2) return p;
    p.equation = std::string(kPrefix[static_cast<std::size_t>(variant)]) + "#A";
    for (int k = 1; k <= n; ++k) p.equation += "+" + Coefficient(dialect, fit, k) + "*F" + std::to_string(k);
    if (variant != 0) p.equation += ")";
    return p;
  }
  p.equation = CodeLiteral(dialect, P(fit, 0));
  for (int k = 1; k <= n; ++k) {
    if (k % 2 == 0) p.equation += DialectInfo(dialect).lineBreak;
    p.equation += SignedCodeLiteral(dialect, P(fit, k)) + "*f" + std::to_string(k);
  }
  return p;
}

bool IsFullPolynomial(const TFitEqn& fit) {
  return fit.kind == kKindPolynomial && fit.equationNumber >= kFirstFullPolynomial &&
         fit.equationNumber <= kLastFullPolynomial;
}
bool IsFullRational(const TFitEqn& fit) {
  return fit.kind == kKindRational && fit.equationNumber >= kFirstFullRational &&
         fit.equationNumber <= kLastFullRational;
}
bool IsSeries(const TFitEqn& fit) {
  return (fit.kind == kKindPolynomial || fit.kind == kKindRational) && IsSeriesFamily(fit.descriptor[1]);
}

// A number after "/" in a term: parenthesised when negative, which FORTRAN requires.
std::string Divisor(std::string text) { return text.front() == '-' ? "(" + text + ")" : text; }

// The 21 functions of one variable; "%s" is the variable, then the exponential, logarithm
// and root names, then the exponential scale, in the order the pattern names them.
constexpr std::array<std::string_view, kAxisTerms> kTermPatterns = {
    "v",        "v*L(v)",   "v*S(v)",   "v*v",       "v*v*L(v)",   "v*v*S(v)",      "v*v*v",
    "E(v/c)",   "S(v)*L(v)", "L(v)*L(v)", "v/L(v)",   "S(v)",       "L(v)",          "{1.0}/L(v)",
    "{1.0}/S(v)", "L(v)/v", "{1.0}/v",  "{1.0}/(v*S(v))", "L(v)/(v*v)", "{1.0}/(v*v)", "E(-v)",
};

std::string ExpandTerm(int dialect, std::string_view pattern, std::string_view v, std::string_view scale) {
  std::string filled;
  for (const char c : pattern) {
    switch (c) {
      case 'v': filled += "%s"; break;
      case 'E': filled += DialectFunctionName(dialect, kFnExp); break;
      case 'L': filled += DialectFunctionName(dialect, kFnLog); break;
      case 'S': filled += DialectFunctionName(dialect, kFnSqrt); break;
      case 'c': filled += scale; break;
      default: filled += c; break;
    }
  }
  return FillPattern(dialect, filled, {v, v, v, v});
}

}  // namespace

std::string WritePolynomialText(int dialect, int n, std::span<const std::string> c, int extraParentheses,
                                bool skipConstant, std::string_view variable) {
  if (n < 0 || c.size() < static_cast<std::size_t>(n) + 1) return {};
  const std::string_view lineBreak = DialectInfo(dialect).lineBreak;
  const bool fortran = dialect == kDialectFortran77 || dialect == kDialectFortran90;
  std::string t(static_cast<std::size_t>(std::max(extraParentheses, 0)), '(');
  if (!skipConstant) t += c[0];
  for (int i = 1; i < n; ++i) {
    if (!(i == 1 && skipConstant)) t += '+';
    if (i % 2 == 0) t += lineBreak;
    t += variable;
    t += "*(";
    t += c[static_cast<std::size_t>(i)];
  }
  if (n > 0) {
    if (!(n == 1 && skipConstant)) t += '+';
    if (n % 2 == 0) t += lineBreak;
    t += variable;
    t += '*';
    const std::string& last = c[static_cast<std::size_t>(n)];
    t += fortran ? "(" + last + ")" : last;
  }
  t.append(static_cast<std::size_t>(std::max(n - 1, 0) + std::max(extraParentheses, 0)), ')');
  return t;
}

TEquationPieces LinearEquationPieces(int dialect, const TFitEqn& fit) {
  if (IsSeries(fit)) return {};
  if (IsFullPolynomial(fit) || IsFullRational(fit)) return FullPieces(dialect, fit);
  switch (fit.kind) {
    case kKindPolynomial: return PolynomialPieces(dialect, fit);
    case kKindRational: return RationalPieces(dialect, fit);
    case kKindTermSubset: return TermSubsetPieces(dialect, fit);
    default: return {};
  }
}

std::vector<TLinearMonomial> LinearFitMonomials(const TFitEqn& fit) {
  using M = TLinearMonomial;
  const int m = TermCount(fit);
  if (IsSeries(fit)) return {};
  if (IsFullPolynomial(fit)) {
    std::vector<M> terms = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}};
    if (m == 9) terms.insert(terms.end(), {{3, 0}, {0, 3}, {1, 2}, {2, 1}});
    return m == 5 || m == 9 ? terms : std::vector<M>{};
  }
  if (IsFullRational(fit)) {
    // Numerator and denominator coefficients alternate: a, then x, y, x², y², xy of each.
    if (m != 10) return {};
    return {{0, 0},       {1, 0, true}, {1, 0}, {0, 1, true}, {0, 1},     {2, 0, true},
            {2, 0},       {0, 2, true}, {0, 2}, {1, 1, true}, {1, 1}};
  }
  if (fit.kind != kKindPolynomial && fit.kind != kKindRational) return {};
  const bool rational = fit.kind == kKindRational;
  const int nx = fit.descriptor[1], ny = fit.descriptor[4];
  const int dx = rational ? fit.descriptor[2] : 0, dy = rational ? fit.descriptor[5] : 0;
  if (nx + ny + dx + dy != m) return {};
  std::vector<M> terms = {{0, 0}};
  for (int k = 1; k <= nx; ++k) terms.push_back({k, 0});
  for (int k = 1; k <= ny; ++k) terms.push_back({0, k});
  for (int k = 1; k <= dx; ++k) terms.push_back({k, 0, true});
  for (int k = 1; k <= dy; ++k) terms.push_back({0, k, true});
  return terms;
}

std::string TermFunctionText(int dialect, int code, const TFitRunScales& scales) {
  if (code < 0 || code >= 2 * kAxisTerms) return {};
  const bool onY = code >= kAxisTerms;
  const int form = onY ? code - kAxisTerms : code;
  const TCodeGenDialectInfo& info = DialectInfo(dialect);
  const std::string scale = form == kExpTerm ? Divisor(CodeLiteral(dialect, onY ? scales.yScale : scales.xScale)) : "";
  return ExpandTerm(dialect, kTermPatterns[static_cast<std::size_t>(form)], onY ? info.y : info.x, scale);
}

std::string FitTermFunctionText(int dialect, const TFitEqn& fit, int k, const TFitRunScales& scales) {
  if (fit.kind != kKindTermSubset || k < 1 || k > std::min(TermCount(fit), kMaxWrittenTerms)) return {};
  return TermFunctionText(dialect, fit.terms[static_cast<std::size_t>(k)], scales);
}

char TermFunctionScaleAxis(const TFitEqn& fit, int k) {
  if (fit.kind != kKindTermSubset || k < 1 || k > std::min(TermCount(fit), kMaxWrittenTerms)) return 0;
  const int code = fit.terms[static_cast<std::size_t>(k)];
  if (code == kExpTerm) return 'x';
  return code == kAxisTerms + kExpTerm ? 'y' : 0;
}

std::string TermFunctionNames(const TFitEqn& fit) {
  if (fit.kind != kKindTermSubset) return {};
  std::string names;
  for (int k = 1; k <= std::min(TermCount(fit), kMaxWrittenTerms); ++k) {
    if (k > 1) names += ',';
    names += "f" + std::to_string(k);
  }
  return names;
}

namespace {

// The transform of one axis by its kind in the descriptor (plain, ln, 1/).
std::string AxisTransform(int dialect, const TFitEqn& fit, int kind, int plainKind, int firstTerm) {
  if (fit.kind != kKindPolynomial && fit.kind != kKindRational) return {};
  const TFitRunScales none;
  if (kind == plainKind + 1) return TermFunctionText(dialect, firstTerm + kTermLog, none);
  if (kind == plainKind + 2) return TermFunctionText(dialect, firstTerm + kTermInverse, none);
  if (kind == plainKind && dialect == kDialectUdf) return TermFunctionText(dialect, firstTerm, none);
  return {};
}

}  // namespace

std::string TransformOfX(int dialect, const TFitEqn& fit) {
  return AxisTransform(dialect, fit, fit.descriptor[0], kKindX, 0);
}

std::string TransformOfY(int dialect, const TFitEqn& fit) {
  return AxisTransform(dialect, fit, fit.descriptor[3], kKindY, kAxisTerms);
}

std::string BackTransformText(int dialect, const TFitEqn& fit) {
  if (IsUdfEquation(fit.equationNumber)) return {};
  const TCodeGenDialectInfo& info = DialectInfo(dialect);
  switch (fit.terms[0]) {
    case 0: return info.plainZ;
    case 1: return std::string(DialectFunctionName(dialect, kFnExp)) + "(" + info.z + ")";
    case 2: return std::string("1/") + info.z;
    default: return {};
  }
}
