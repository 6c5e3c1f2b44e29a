#include "exchange/codegen/centred_linear_fit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/linear_equation_text.h"
#include "fit/fit_families.h"
#include "fit/polynomial_frame.h"

namespace {

using Quad = __float128;

bool HasExtendedReals(int dialect) {
  return dialect == kDialectC80 || dialect == kDialectPascal || dialect == kDialectUdf;
}
// Centred when the terms of the raw form grow beyond the values by more than this: the raw
// form would lose more than two digits to the rounding of the dialect's reals.
constexpr long double kLargestRawGrowth = 100;
// The scale is written as an integer power of 2, which 16 digits hold exactly up to 2^53.
constexpr int kLargestScaleExponent = 53;

// The number the dialect's code holds for `value` written as its code number.
long double AsWritten(int dialect, long double value) {
  std::string text = FormatCodeNumber(dialect, value);
  for (char& c : text)
    if (c == 'D') c = 'E';
  long double read = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), read);
  if (ec != std::errc()) return value;
  return HasExtendedReals(dialect) ? read : static_cast<long double>(static_cast<double>(read));
}

// The values of the transformed variable of `kind` (x, ln x, 1/x or the same of y) over the
// data; false when the transform is not defined over all of them.
bool KindRange(const TAxisStats& a, int kindOffset, long double& lo, long double& hi) {
  switch (kindOffset) {
    case 0: lo = a.Min, hi = a.Max; return a.Min <= a.Max;
    case 1:
      if (!(a.Min > 0)) return false;
      lo = std::log(a.Min), hi = std::log(a.Max);
      return true;
    case 2:
      if (!(a.Min > 0 || a.Max < 0)) return false;
      lo = 1 / a.Max, hi = 1 / a.Min;
      return true;
    default: return false;
  }
}

struct TAxis {
  TAxisCentring centring;
  long double lo = 0, hi = 0;  // the raw variable over the data
};

TAxis AxisOf(int dialect, const TPolynomialFrame& frame, int kind, int firstKind, const TAxisStats& stats) {
  TAxis axis;
  const int offset = kind - firstKind;
  if (offset < 0 || offset > 2 || !KindRange(stats, offset, axis.lo, axis.hi)) return axis;
  const TPowerShift& shift = frame.Of(kind);
  if (shift.Identity() || std::abs(std::ilogb(shift.scale)) > kLargestScaleExponent) return axis;
  const bool inverse = offset == 2, logarithm = offset == 1;
  const long double centre =
      AsWritten(dialect, inverse ? 1 / shift.centre : logarithm ? std::exp(shift.centre) : shift.centre);
  if (!std::isfinite(centre) || centre == 0) return axis;
  axis.centring = {true, inverse, logarithm, centre, shift.scale};
  return axis;
}

// ln v in 113 bits for a long double v > 0: ln(m) + e·ln 2 with v = m·2^e, m in [1, 2): the
// long double logarithm of m keeps its 64 bits, e·ln 2 is formed from ln 2 to 113 bits.
Quad QuadLog(long double v) {
  int e = 0;
  const long double m = std::frexp(v, &e) * 2;
  // ln 2 to 113 bits: its nearest long double and the remainder (mpmath).
  const Quad ln2 = static_cast<Quad>(0xb.17217f7d1cf79acp-4L) + static_cast<Quad>(-1.1458352726798732811e-20L);
  return static_cast<Quad>(std::log(m)) + static_cast<Quad>(e - 1) * ln2;
}

// The centre c of a centred axis in 113 bits: x0, 1/x0 or ln x0.
Quad CentreOf(const TAxisCentring& a) {
  if (a.inverse) return 1 / static_cast<Quad>(a.centre);
  if (a.logarithm) return QuadLog(a.centre);
  return static_cast<Quad>(a.centre);
}

// The coefficients of (c + u/s)^p as a polynomial in u: out[i] for u^i; (X)^p itself when
// the axis is not centred.
std::vector<Quad> ShiftedPower(const TAxisCentring& a, int p) {
  std::vector<Quad> out(static_cast<std::size_t>(p) + 1, 0);
  if (!a.active) {
    out[static_cast<std::size_t>(p)] = 1;
    return out;
  }
  const Quad c = CentreOf(a);
  const Quad inverseScale = 1 / static_cast<Quad>(a.scale);
  Quad binomial = 1, powerOfC = 1;
  std::vector<Quad> powersOfC(static_cast<std::size_t>(p) + 1);
  for (int k = 0; k <= p; ++k) {
    powersOfC[static_cast<std::size_t>(k)] = powerOfC;
    powerOfC *= c;
  }
  Quad powerOfInverse = 1;
  for (int i = 0; i <= p; ++i) {
    out[static_cast<std::size_t>(i)] = binomial * powersOfC[static_cast<std::size_t>(p - i)] * powerOfInverse;
    binomial = binomial * (p - i) / (i + 1);
    powerOfInverse *= inverseScale;
  }
  return out;
}

using TPolynomial = std::map<std::pair<int, int>, Quad>;

// The largest sum of the terms' magnitudes at the corners of the box [xlo, xhi]×[ylo, yhi]:
// how large the terms of a polynomial grow beside its values.
long double TermMagnitude(const TPolynomial& poly, long double xlo, long double xhi, long double ylo, long double yhi) {
  long double most = 0;
  for (const long double x : {xlo, xhi}) {
    for (const long double y : {ylo, yhi}) {
      long double sum = 0;
      for (const auto& [power, c] : poly)
        sum += std::fabs(static_cast<long double>(c)) * std::pow(std::fabs(x), static_cast<long double>(power.first)) *
               std::pow(std::fabs(y), static_cast<long double>(power.second));
      most = std::max(most, sum);
    }
  }
  return most;
}

// The coefficients of (a + b·u)^p as a polynomial in u: out[i] for u^i.
std::vector<Quad> AffinePower(Quad a, Quad b, int p) {
  std::vector<Quad> out(static_cast<std::size_t>(p) + 1, 0);
  out[0] = 1;
  for (int k = 0; k < p; ++k)  // multiply by (a + b·u)
    for (int i = k + 1; i >= 0; --i)
      out[static_cast<std::size_t>(i)] = a * out[static_cast<std::size_t>(i)] + (i > 0 ? b * out[static_cast<std::size_t>(i - 1)] : 0);
  return out;
}

// The frame variable u_f = (X - c_f)·s_f of a framed fit's axis in the code's variable
// u = (X - c)·s: u_f = a + b·u, a = (c - c_f)·s_f, b = s_f / s.
std::pair<Quad, Quad> FrameInCode(const TPowerShift& frame, const TAxisCentring& code) {
  if (frame.Identity()) return {0, 1};
  const Quad sf = static_cast<Quad>(frame.scale);
  if (!code.active) return {-static_cast<Quad>(frame.centre) * sf, sf};  // u is X itself
  return {(CentreOf(code) - static_cast<Quad>(frame.centre)) * sf, sf / static_cast<Quad>(code.scale)};
}

}  // namespace

std::optional<TCentredLinearFit> CentreLinearFit(int dialect, const TFitEqn& fit, const TDataStats& stats,
                                                 const TFitRunScales* scales) {
  if (!IsCodeGenDialect(dialect)) return std::nullopt;
  const std::vector<TLinearMonomial> monomials = LinearFitMonomials(fit);
  if (monomials.empty()) return std::nullopt;
  const TPolynomialFrame frame = ChoosePolynomialFrame(stats);
  const TAxis x = AxisOf(dialect, frame, fit.descriptor[0], kKindX, stats.X);
  const TAxis y = AxisOf(dialect, frame, fit.descriptor[3], kKindY, stats.Y);
  if (!x.centring.active && !y.centring.active) return std::nullopt;
  const bool rational = std::any_of(monomials.begin(), monomials.end(), [](const TLinearMonomial& t) { return t.denominator; });
  const TPolynomialFrame* fitFrame =
      fit.framed && scales ? (rational ? &scales->rationalFrame : &scales->polynomialFrame) : nullptr;

  // Numerator [0] and denominator [1], raw and centred; a rational's denominator has the
  // constant 1 beside its parameters.
  std::array<TPolynomial, 2> raw, centred;
  if (rational) raw[1][{0, 0}] = 1;
  for (std::size_t k = 0; k < monomials.size(); ++k)
    raw[monomials[k].denominator ? 1 : 0][{monomials[k].p, monomials[k].q}] += fit.parameters[k];
  if (fitFrame) {
    // The frame form, shifted from the frame's centres to the code's.
    const auto [ax, bx] = FrameInCode(fitFrame->Of(fit.descriptor[0]), x.centring);
    const auto [ay, by] = FrameInCode(fitFrame->Of(fit.descriptor[3]), y.centring);
    std::array<TPolynomial, 2> framed;
    if (rational) framed[1][{0, 0}] = 1;
    for (std::size_t k = 0; k < monomials.size(); ++k)
      framed[monomials[k].denominator ? 1 : 0][{monomials[k].p, monomials[k].q}] += fit.frameParameters[k];
    for (int part = 0; part < 2; ++part)
      for (const auto& [power, a] : framed[static_cast<std::size_t>(part)]) {
        const std::vector<Quad> xs = AffinePower(ax, bx, power.first), ys = AffinePower(ay, by, power.second);
        for (std::size_t i = 0; i < xs.size(); ++i)
          for (std::size_t j = 0; j < ys.size(); ++j)
            if (xs[i] != 0 && ys[j] != 0)
              centred[static_cast<std::size_t>(part)][{static_cast<int>(i), static_cast<int>(j)}] += a * xs[i] * ys[j];
      }
  }
  for (int part = 0; part < 2 && !fitFrame; ++part) {
    for (const auto& [power, a] : raw[static_cast<std::size_t>(part)]) {
      const std::vector<Quad> xs = ShiftedPower(x.centring, power.first);
      const std::vector<Quad> ys = ShiftedPower(y.centring, power.second);
      for (std::size_t i = 0; i < xs.size(); ++i)
        for (std::size_t j = 0; j < ys.size(); ++j)
          if (xs[i] != 0 && ys[j] != 0)
            centred[static_cast<std::size_t>(part)][{static_cast<int>(i), static_cast<int>(j)}] += a * xs[i] * ys[j];
    }
  }

  // How much larger the raw form's terms grow than the centred form's, in its worst part.
  auto range = [](const TAxis& a, bool shifted) {
    if (!shifted || !a.centring.active) return std::pair{a.lo, a.hi};
    const long double c = a.centring.inverse ? 1 / a.centring.centre : a.centring.centre;
    return std::pair{(a.lo - c) * a.centring.scale, (a.hi - c) * a.centring.scale};
  };
  long double loss = 0;
  for (int part = 0; part < (rational ? 2 : 1); ++part) {
    const auto [xlo, xhi] = range(x, false);
    const auto [ylo, yhi] = range(y, false);
    const auto [ulo, uhi] = range(x, true);
    const auto [vlo, vhi] = range(y, true);
    const long double before = TermMagnitude(raw[static_cast<std::size_t>(part)], xlo, xhi, ylo, yhi);
    const long double after = TermMagnitude(centred[static_cast<std::size_t>(part)], ulo, uhi, vlo, vhi);
    if (after > 0) loss = std::max(loss, before / after);
  }
  if (!fitFrame && !(loss > kLargestRawGrowth)) return std::nullopt;

  // A rational keeps the written constant 1 of its denominator.
  Quad divisor = 1;
  if (rational) {
    divisor = centred[1][{0, 0}];
    long double denominatorSize = 0;
    for (const auto& [power, c] : centred[1]) denominatorSize = std::max(denominatorSize, std::fabs(static_cast<long double>(c)));
    if (!(std::fabs(static_cast<long double>(divisor)) > 1e-6L * denominatorSize)) return std::nullopt;
  }
  TCentredLinearFit out{fit, x.centring, y.centring};
  std::array<std::size_t, 2> written{};
  for (std::size_t k = 0; k < monomials.size(); ++k) {
    const int part = monomials[k].denominator ? 1 : 0;
    const auto found = centred[static_cast<std::size_t>(part)].find({monomials[k].p, monomials[k].q});
    out.fit.parameters[k] = found == centred[static_cast<std::size_t>(part)].end() ? 0.0L
                                                                                   : static_cast<long double>(found->second / divisor);
    if (found != centred[static_cast<std::size_t>(part)].end()) ++written[static_cast<std::size_t>(part)];
  }
  // Every power the shift made is a parameter of the family (its bases hold every lower power
  // beside each power and product), the denominator's constant aside.
  if (written[0] != centred[0].size() || written[1] + (rational ? 1 : 0) != centred[1].size()) return std::nullopt;
  for (std::size_t k = 0; k < monomials.size(); ++k)
    if (!std::isfinite(out.fit.parameters[k])) return std::nullopt;
  return out;
}

std::string CentredVariableText(int dialect, std::string_view variable, std::string_view transform,
                                const TAxisCentring& centring) {
  std::string text(transform);
  if (!centring.active) return text;
  if (centring.inverse) {
    const std::string x0 = CodeLiteral(dialect, centring.centre);
    text = "(" + x0 + "-" + std::string(variable) + ")/(" + std::string(variable) + "*" + x0 + ")";
  } else if (centring.logarithm && text.find(variable) != std::string::npos) {
    // The logarithm of x/x0: the variable inside the dialect's logarithm divided by x0.
    text.replace(text.find(variable), variable.size(), std::string(variable) + "/" + CodeLiteral(dialect, centring.centre));
  } else {
    text = "(" + text + SignedCodeLiteral(dialect, -centring.centre) + ")";
  }
  // An integer power of 2, written exactly: times s when s is at least 1, else divided by 1/s.
  if (centring.scale >= 1) return text + "*" + CodeLiteral(dialect, centring.scale);
  return text + "/" + CodeLiteral(dialect, 1 / centring.scale);
}
