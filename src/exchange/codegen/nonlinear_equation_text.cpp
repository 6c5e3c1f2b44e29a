#include "exchange/codegen/nonlinear_equation_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "app/c_format.h"
#include "app/number_format.h"
#include "exchange/codegen/codegen_dialects.h"

namespace {

constexpr int kFormsPerShape = 12;
constexpr int kShapeIndices = 168;  // i = 1..168 have a shape; 169..172 are the planes
constexpr int kFirstMixed = 61, kLastMixed = 72;

enum class Shape {
  kGauss,
  kLorentz,
  kLogNormal,
  kLogistic,
  kExtremeValue,
  kMixed,
  kGaussCumulative,
  kLorentzCumulative,
  kLogNormalCumulative,
  kSigmoid,
  kExtremeValueCumulative,
  kDoseResponse,
  kExponential,
  kPower,
};

// How the combination joins z1 and z2 with its parameters a, b, c, d.
enum class Combination {
  kProduct,        // a*z1*z2
  kOffsetProduct,  // a+b*z1*z2
  kSum,            // a*z1+b*z2
  kOffsetSum,      // a+b*z1+c*z2
  kLineY,          // a+z2+b*z1 (z2 the baseline in y)
  kLineX,          // a+z1+b*z2
  kSynergy,        // a*z1+b*z2+c*z1*z2
  kOffsetSynergy,  // a+b*z1+c*z2+d*z1*z2
  kPlane,          // a+z1+z2
};

// What one axis piece is: a shape with centre and width (or one rate), or a baseline.
enum class Piece { kShape, kLinear, kQuadratic };
struct TAxisLayout {
  Piece piece;
  int first;   // centre, rate (taken from here for exponential and power), baseline b
  int second;  // width, quadratic baseline c
  int rate;    // the rate of the one-parameter shapes
};

struct TFormLayout {
  Combination combination;
  std::array<int, 4> parameters;      // shapes with centre and width
  std::array<int, 4> rateParameters;  // exponential and power
  TAxisLayout x, y;
};

// Forms 1..11, then 0 (the twelfth), as the parameter layouts of the fitting engine's twelve
// forms give them (nonlinear_forms.h).
constexpr TAxisLayout Cw(int c, int w, int rate) { return {Piece::kShape, c, w, rate}; }
constexpr TAxisLayout Linear(int b) { return {Piece::kLinear, b, 0, 0}; }
constexpr TAxisLayout Quadratic(int b, int c) { return {Piece::kQuadratic, b, c, 0}; }
constexpr std::array<TFormLayout, kFormsPerShape> kForms = {{
    {Combination::kOffsetSynergy, {0, 1, 4, 7}, {0, 1, 3, 5}, Cw(2, 3, 2), Cw(5, 6, 4)},  // 0
    {Combination::kProduct, {0}, {0}, Cw(1, 2, 1), Cw(3, 4, 2)},
    {Combination::kOffsetProduct, {0, 1}, {0, 1}, Cw(2, 3, 2), Cw(4, 5, 3)},
    {Combination::kProduct, {0}, {0}, Cw(1, 2, 1), Cw(3, 2, 1)},
    {Combination::kOffsetProduct, {0, 1}, {0, 1}, Cw(2, 3, 2), Cw(4, 3, 2)},
    {Combination::kSum, {0, 3}, {0, 2}, Cw(1, 2, 1), Cw(4, 5, 3)},
    {Combination::kOffsetSum, {0, 1, 4}, {0, 1, 3}, Cw(2, 3, 2), Cw(5, 6, 4)},
    {Combination::kLineY, {0, 2}, {0, 2}, Cw(3, 4, 3), Linear(1)},
    {Combination::kLineX, {0, 2}, {0, 2}, Linear(1), Cw(3, 4, 3)},
    {Combination::kLineY, {0, 3}, {0, 3}, Cw(4, 5, 4), Quadratic(1, 2)},
    {Combination::kLineX, {0, 3}, {0, 3}, Quadratic(1, 2), Cw(4, 5, 4)},
    {Combination::kSynergy, {0, 3, 6}, {0, 2, 4}, Cw(1, 2, 1), Cw(4, 5, 3)},
}};
// The mixed shapes use six of the forms, each twice (Gauss in x, then log-normal in x).
constexpr std::array<int, 6> kMixedForms = {1, 2, 5, 6, 11, 0};

constexpr TFormLayout kPlane = {Combination::kPlane, {0}, {0}, Linear(1), Linear(2)};

// The numbers of one fit as the pieces write them.
class TNumbers {
 public:
  TNumbers(int dialect, const TFitEqn& fit) : dialect_(dialect), fit_(fit) {}

  bool Letters() const { return dialect_ == kDialectUdf; }
  // The first number of a combination.
  std::string First(int k) const { return Letters() ? Letter(k) : Literal("%.*LG", P(k)); }
  // A further number of a combination, with its sign.
  std::string Signed(int k) const { return Letters() ? "+" + Letter(k) : Literal("%+#.*LG", P(k)); }
  // The coefficients of the baselines.
  std::string Fixed(int k) const { return Letters() ? Letter(k) : Literal("%#.*LG", P(k)); }
  std::string FixedSigned(int k) const { return Letters() ? "+" + Letter(k) : Literal("%+#.*LG", P(k)); }
  // A width, rate or centre after "/" or "*": parenthesised when negative.
  std::string Operand(int k) const {
    if (Letters()) return Letter(k);
    const std::string text = Literal("%.*LG", P(k));
    return text.front() == '-' ? "(" + text + ")" : text;
  }
  // A rate or negated width after "," or inside parentheses.
  std::string Plain(int k) const { return Letters() ? Letter(k) : Literal("%.*LG", P(k)); }
  std::string Negated(int k) const { return Letters() ? "-" + Letter(k) : Literal("%.*LG", -P(k)); }
  // The variable less the centre k: x-1.250000000000000, or X-#B.
  std::string Offset(std::string_view v, int k) const {
    return std::string(v) + (Letters() ? "-" + Letter(k) : Literal("%+#.*LG", -P(k)));
  }

 private:
  long double P(int k) const { return fit_.parameters[static_cast<std::size_t>(k)]; }
  static std::string Letter(int k) { return std::string{'#', static_cast<char>('A' + k)}; }
  // The formats are "%.16LG", "%+#.16LG" and "%#.16LG"; the 80-bit dialects write 19 digits, as
  // their code numbers do (16 would leave the cumulative shapes about 1e-15 off).
  std::string Literal(const char* format, long double v) const {
    const int digits = dialect_ == kDialectC80 || dialect_ == kDialectPascal ? 19 : 16;
    return RealLiteral(dialect_, CFormat(format, digits, UnsignedZero(v)));
  }

  int dialect_;
  const TFitEqn& fit_;
};

struct TEquation {
  Shape x, y;
  TFormLayout layout;
  bool oneParameter;  // exponential and power: the shapes take the rate
};

// The shape and layout of index i (1..172); false outside.
bool DescribeEquation(int i, TEquation& eq) {
  if (i >= 1 && i <= kShapeIndices) {
    const auto shape = static_cast<Shape>((i - 1) / kFormsPerShape);
    eq = {shape, shape, kForms[static_cast<std::size_t>(i % kFormsPerShape)], false};
    if (shape == Shape::kMixed) {
      const int j = i - kFirstMixed;
      eq.layout = kForms[static_cast<std::size_t>(kMixedForms[static_cast<std::size_t>(j / 2)])];
      // Odd indices put the Gauss shape in x, even ones the log-normal shape.
      eq.x = i % 2 == 1 ? Shape::kGauss : Shape::kLogNormal;
      eq.y = i % 2 == 1 ? Shape::kLogNormal : Shape::kGauss;
    }
    eq.oneParameter = shape == Shape::kExponential || shape == Shape::kPower;
    return true;
  }
  if (i > kShapeIndices && i <= kLastBuiltinNonlinear - 2000) {
    eq = {Shape::kGauss, Shape::kGauss, kPlane, false};
    return true;
  }
  return false;
}

bool PowerIsFunction(int dialect) { return dialect == kDialectC80 || dialect == kDialectC64 || dialect == kDialectPascal; }

// The shape of one axis with unit amplitude. `aux` is the name of the logistic's exponential.
std::string ShapeText(int dialect, const TNumbers& n, Shape shape, std::string_view v, const TAxisLayout& a,
                      std::string_view aux) {
  const std::string exp = DialectFunctionName(dialect, kFnExp), log = DialectFunctionName(dialect, kFnLog);
  const std::string erf = DialectFunctionName(dialect, kFnErf), atan = DialectFunctionName(dialect, kFnArcTan);
  const std::string pow = DialectFunctionName(dialect, kFnPow);
  const std::string d = n.Offset(v, a.first), w = n.Operand(a.second), c = n.Operand(a.first);
  switch (shape) {
    case Shape::kGauss:
      return FillPattern(dialect, "%s(-{0.5}*((%s)/%s)*((%s)/%s))", {exp, d, w, d, w});
    case Shape::kLorentz:
      return FillPattern(dialect, "{1.0}/({1.0}+((%s)/%s)*((%s)/%s))", {d, w, d, w});
    case Shape::kLogNormal:
      return FillPattern(dialect, "%s(-{0.5}*(%s(%s/%s)/%s)*(%s(%s/%s)/%s))", {exp, log, v, c, w, log, v, c, w});
    case Shape::kLogistic:
      return FillPattern(dialect, "{4.0}*%s/(({1.0}+%s)*({1.0}+%s))", {aux, aux, aux});
    case Shape::kExtremeValue:
      return FillPattern(dialect, "%s(-%s(-(%s)/%s)-((%s)/%s)+{1.0})", {exp, exp, d, w, d, w});
    case Shape::kGaussCumulative:
      return FillPattern(dialect, "{0.5}*({1.0}+%s((%s)/({1.41421356237309504880}*%s)))", {erf, d, w});
    case Shape::kLorentzCumulative:
      return FillPattern(dialect, "{0.5}+%s(((%s)/%s))/{3.14159265358979323846}", {atan, d, w});
    case Shape::kLogNormalCumulative:
      return FillPattern(dialect,
                         "{0.5}*({1.0}-%s((%s/{1.41421356237309504880})-%s(%s/%s)/(%s*{1.41421356237309504880})))",
                         {erf, w, log, v, c, w});
    case Shape::kSigmoid:
      return FillPattern(dialect, "{1.0}/({1.0}+%s(-(%s)/%s))", {exp, d, w});
    case Shape::kExtremeValueCumulative:
      return FillPattern(dialect, "%s(-%s(-(%s)/%s))", {exp, exp, d, w});
    case Shape::kDoseResponse: {
      const std::string slope = n.Negated(a.second);
      if (PowerIsFunction(dialect)) return FillPattern(dialect, "{1.0}/({1.0}+%s(%s/%s,%s))", {pow, v, c, slope});
      return FillPattern(dialect, "{1.0}/({1.0}+(%s/%s)%s(%s))", {v, c, pow, slope});
    }
    case Shape::kExponential:
      return FillPattern(dialect, "%s(-%s/%s)", {exp, v, n.Operand(a.rate)});
    case Shape::kPower:
      if (PowerIsFunction(dialect)) return FillPattern(dialect, "%s(%s,%s)", {pow, v, n.Plain(a.rate)});
      return FillPattern(dialect, "(%s)%s(%s)", {v, pow, n.Plain(a.rate)});
    case Shape::kMixed: break;
  }
  return {};
}

std::string AxisText(int dialect, const TNumbers& n, Shape shape, std::string_view v, const TAxisLayout& a,
                     std::string_view aux) {
  switch (a.piece) {
    case Piece::kLinear: return n.Fixed(a.first) + "*" + std::string(v);
    case Piece::kQuadratic:
      return std::string(v) + "*(" + n.Fixed(a.first) + n.FixedSigned(a.second) + "*" + std::string(v) + ")";
    case Piece::kShape: return ShapeText(dialect, n, shape, v, a, aux);
  }
  return {};
}

// zu (zv): the exponential inside the logistic peak of an axis.
std::string LogisticExponential(int dialect, const TNumbers& n, std::string_view v, const TAxisLayout& a) {
  if (a.piece != Piece::kShape) return {};
  return FillPattern(dialect, "%s(-(%s)/%s)",
                     {DialectFunctionName(dialect, kFnExp), n.Offset(v, a.first), n.Operand(a.second)});
}

std::string CombinationText(const TNumbers& n, Combination c, const std::array<int, 4>& p, std::string_view z1,
                            std::string_view z2) {
  const std::string a = n.First(p[0]), x(z1), y(z2);
  switch (c) {
    case Combination::kProduct: return a + "*" + x + "*" + y;
    case Combination::kOffsetProduct: return a + n.Signed(p[1]) + "*" + x + "*" + y;
    case Combination::kSum: return a + "*" + x + n.Signed(p[1]) + "*" + y;
    case Combination::kOffsetSum: return a + n.Signed(p[1]) + "*" + x + n.Signed(p[2]) + "*" + y;
    case Combination::kLineY: return a + "+" + y + n.Signed(p[1]) + "*" + x;
    case Combination::kLineX: return a + "+" + x + n.Signed(p[1]) + "*" + y;
    case Combination::kSynergy:
      return a + "*" + x + n.Signed(p[1]) + "*" + y + n.Signed(p[2]) + "*" + x + "*" + y;
    case Combination::kOffsetSynergy:
      return a + n.Signed(p[1]) + "*" + x + n.Signed(p[2]) + "*" + y + n.Signed(p[3]) + "*" + x + "*" + y;
    case Combination::kPlane: return a + "+" + x + "+" + y;
  }
  return {};
}

// The parameters a shape takes from its layout: the rate shapes read it from `rate`.
TAxisLayout ForShape(TAxisLayout a, bool oneParameter) {
  if (oneParameter && a.piece == Piece::kShape) a.first = a.second = a.rate;
  return a;
}

bool IsBreakableOperator(std::string_view t, std::size_t j) {
  const char c = t[j];
  if (c == '/') return true;
  if (c == '*') return !(j + 1 < t.size() && t[j + 1] == '*');  // break after "**", not inside it
  if (c != '+' && c != '-') return false;
  // The sign of an exponent: a digit or point, then E or D, then the sign.
  if (j >= 2 && std::strchr("EeDd", t[j - 1]) != nullptr &&
      (std::isdigit(static_cast<unsigned char>(t[j - 2])) || t[j - 2] == '.'))
    return false;
  return true;
}

}  // namespace

std::string CodeGenEquationBody(int dialect, int index, const TFitEqn& fit) {
  TEquation eq;
  if (!DescribeEquation(index, eq)) return {};
  const bool letters = dialect == kDialectUdf;
  return CombinationText(TNumbers(dialect, fit), eq.layout.combination,
                         eq.oneParameter ? eq.layout.rateParameters : eq.layout.parameters, letters ? "F3" : "z1",
                         letters ? "F4" : "z2");
}

TEquationPieces NonlinearEquationPieces(int dialect, const TFitEqn& fit) {
  TEquationPieces p;
  TEquation eq;
  if (fit.kind != kKindNonlinear || !DescribeEquation(fit.equationNumber - 2000, eq)) return p;
  const TNumbers n(dialect, fit);
  const TCodeGenDialectInfo& info = DialectInfo(dialect);
  const bool letters = dialect == kDialectUdf;
  const TAxisLayout ax = ForShape(eq.layout.x, eq.oneParameter), ay = ForShape(eq.layout.y, eq.oneParameter);
  auto wrap = [&](const std::string& text) { return WrapLongExpression(text, info.lineBreak); };
  p.equation = wrap(CodeGenEquationBody(dialect, fit.equationNumber - 2000, fit));
  p.z[0] = wrap(AxisText(dialect, n, eq.x, info.x, ax, letters ? "F1" : "zu"));
  p.z[1] = wrap(AxisText(dialect, n, eq.y, info.y, ay, letters ? "F2" : "zv"));
  if (fit.equationNumber >= kFirstLogisticEquation && fit.equationNumber <= kLastLogisticEquation) {
    p.zu = wrap(LogisticExponential(dialect, n, info.x, ax));
    p.zv = wrap(LogisticExponential(dialect, n, info.y, ay));
  }
  return p;
}

std::string WrapLongExpression(std::string_view text, std::string_view lineBreak) {
  constexpr std::size_t kWholeLength = 60;  // a line this long stays whole
  constexpr std::size_t kBreakColumn = 50;  // breaks go near this column of each line
  std::string t(text);
  if (lineBreak.empty() || t.size() <= kWholeLength) return t;
  const std::size_t newline = lineBreak.find('\n');
  const std::size_t indent = newline == std::string_view::npos ? 0 : newline + 1;
  std::size_t lineStart = 0;  // where the current line begins
  std::size_t first = 1;      // the first position a break may follow (never the line's first)
  while (t.size() - lineStart > kWholeLength) {
    const std::size_t column = lineStart + kBreakColumn;
    std::size_t at = std::string::npos;
    for (std::size_t j = std::min(column, t.size() - 2) + 1; j-- > first;) {
      if (IsBreakableOperator(t, j)) {
        at = j;
        break;
      }
    }
    for (std::size_t j = column + 1; at == std::string::npos && j + 1 < t.size(); ++j)
      if (IsBreakableOperator(t, j)) at = j;
    if (at == std::string::npos) break;
    t.insert(at + 1, lineBreak);
    lineStart = at + 1 + indent;
    first = at + 1 + lineBreak.size() + 1;
  }
  return t;
}
