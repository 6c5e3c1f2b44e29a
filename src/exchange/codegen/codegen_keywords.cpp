#include "exchange/codegen/codegen_keywords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "app/c_format.h"
#include "app/coded_text.h"
#include "app/date_time_text.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/linear_equation_text.h"
#include "exchange/codegen/nonlinear_equation_text.h"
#include "expr/data_statistics_cells.h"
#include "fit/fit_families.h"
#include "fit/fit_statistics.h"
#include "review/equation_text.h"

namespace {

constexpr std::size_t kEquationTextLimit = 255;  // EQSTR, as the formula's plain text
constexpr int kChebScaleEntries = 12, kFourierScaleEntries = 6;
constexpr int kFirstSeriesCode = 224, kLastSeriesCode = 239;
constexpr int kMaxUdfFileParameters = 10;  // #A..#J

enum class Keyword {
  kFname, kFile, kPosn1, kLang, kDate, kTime, kTitle, kPosn2, kXTitle, kYTitle, kZTitle, kEqNo, kEqStr,
  kOrder, kIsLogX, kIsLogY, kListCoef, kFcPoly, kFcRatl, kFfSer, kR2Val, kR2Adj, kStdErr, kFVal,
  kSFile, kFList, kFx, kFy, kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kEqnCode, kFz, kFDecl2, kFDecl4,
  kFDeclZu, kFDeclZv, kZuEqnCode, kZvEqnCode, kZ1EqnCode, kZ2EqnCode, kZ3EqnCode, kZ4EqnCode, kScope,
  kErf, kPow, kUdfCode, kCrlf, kXyPoints, kParmCnt, kLineCnt, kFfSi, kFcSi, kFSig, kLogX, kLinX, kLogY,
  kLinY, kNever,
};

const std::unordered_map<std::string_view, Keyword>& KeywordTable() {
  static const std::unordered_map<std::string_view, Keyword> table = {
      {"FNAME", Keyword::kFname},         {"FILE", Keyword::kFile},           {"POSN1", Keyword::kPosn1},
      {"LANG", Keyword::kLang},           {"DATE", Keyword::kDate},           {"TIME", Keyword::kTime},
      {"TITLE", Keyword::kTitle},         {"POSN2", Keyword::kPosn2},         {"XTITLE", Keyword::kXTitle},
      {"YTITLE", Keyword::kYTitle},       {"ZTITLE", Keyword::kZTitle},       {"EQNO", Keyword::kEqNo},
      {"EQSTR", Keyword::kEqStr},         {"ORDER", Keyword::kOrder},         {"ISLOGX", Keyword::kIsLogX},
      {"ISLOGY", Keyword::kIsLogY},       {"LISTCOEF", Keyword::kListCoef},   {"FCPOLY", Keyword::kFcPoly},
      {"FCRATL", Keyword::kFcRatl},       {"FFSER", Keyword::kFfSer},         {"R2VAL", Keyword::kR2Val},
      {"R2ADJ", Keyword::kR2Adj},         {"STDERR", Keyword::kStdErr},       {"FVAL", Keyword::kFVal},
      {"FDECLN", Keyword::kNever},        {"SFILE", Keyword::kSFile},         {"FLIST", Keyword::kFList},
      {"FX", Keyword::kFx},               {"FY", Keyword::kFy},               {"F1", Keyword::kF1},
      {"F2", Keyword::kF2},               {"F3", Keyword::kF3},               {"F4", Keyword::kF4},
      {"F5", Keyword::kF5},               {"F6", Keyword::kF6},               {"F7", Keyword::kF7},
      {"F8", Keyword::kF8},               {"EQNCODE", Keyword::kEqnCode},     {"FAUX", Keyword::kNever},
      {"FZ", Keyword::kFz},               {"FDECL2", Keyword::kFDecl2},       {"FDECL4", Keyword::kFDecl4},
      {"FDECL6", Keyword::kNever},        {"FDECL8", Keyword::kNever},        {"FDECLZU", Keyword::kFDeclZu},
      {"FDECLZV", Keyword::kFDeclZv},     {"ZUEQNCODE", Keyword::kZuEqnCode}, {"ZVEQNCODE", Keyword::kZvEqnCode},
      {"Z1EQNCODE", Keyword::kZ1EqnCode}, {"Z2EQNCODE", Keyword::kZ2EqnCode}, {"Z3EQNCODE", Keyword::kZ3EqnCode},
      {"Z4EQNCODE", Keyword::kZ4EqnCode}, {"Z5EQNCODE", Keyword::kNever},     {"Z6EQNCODE", Keyword::kNever},
      {"Z7EQNCODE", Keyword::kNever},     {"Z8EQNCODE", Keyword::kNever},     {"SCOPE", Keyword::kScope},
      {"ERF", Keyword::kErf},             {"POW", Keyword::kPow},             {"UDFCODE", Keyword::kUdfCode},
      {"CRLF", Keyword::kCrlf},           {"XYPOINTS", Keyword::kXyPoints},   {"PARMCNT", Keyword::kParmCnt},
      {"LINECNT", Keyword::kLineCnt},     {"FFSI", Keyword::kFfSi},           {"FCSI", Keyword::kFcSi},
      {"FSIG", Keyword::kFSig},           {"LOGX", Keyword::kLogX},           {"LINX", Keyword::kLinX},
      {"LOGY", Keyword::kLogY},           {"LINY", Keyword::kLinY},
  };
  return table;
}

// The statistics names, by their index in the calculation language.
const std::unordered_map<std::string_view, int>& StatisticTable() {
  static const std::unordered_map<std::string_view, int> table = [] {
    std::unordered_map<std::string_view, int> t;
    for (int i = 0; i < kExprStatisticCount; ++i) t.emplace(ExprStatisticName(i), i);
    return t;
  }();
  return table;
}

int TermCount(const TFitEqn& fit) { return std::clamp(fit.m, 0, kMaxFitM); }

// The family code of a series fit, or 0.
int SeriesCode(const TFitEqn& fit) {
  if (fit.kind != kKindPolynomial && fit.kind != kKindRational) return 0;
  const int code = fit.descriptor[1];
  return code >= kFirstSeriesCode && code <= kLastSeriesCode ? code : 0;
}

bool IsBuiltinNonlinear(const TFitEqn& fit) {
  return fit.kind == kKindNonlinear && fit.equationNumber >= kFirstBuiltinNonlinear &&
         fit.equationNumber <= kLastBuiltinNonlinear;
}

bool InRange(int v, int low, int high) { return v >= low && v <= high; }

// A Chebyshev series taken in ln x (ln y).
bool IsLogX(int series) { return series == 225 || series == 227 || series == 229 || series == 231; }
bool IsLogY(int series) { return series == 226 || series == 227 || series == 230 || series == 231; }

bool HasZu(const TFitEqn& fit) {
  const int n = fit.equationNumber;
  return fit.kind == kKindNonlinear && InRange(n, kFirstLogisticEquation, kLastLogisticEquation) && n != 2044 &&
         n != 2046;
}
bool HasZv(const TFitEqn& fit) {
  const int n = fit.equationNumber;
  return fit.kind == kKindNonlinear && InRange(n, kFirstLogisticEquation, kLastLogisticEquation) && n != 2043 &&
         n != 2045;
}

// The record of a fitted user-defined function, or null.
const TUdfRecord* FittedUdf(const TCodeGenInput& in) {
  if (!IsUdfEquation(in.fit.equationNumber) || in.udfs == nullptr) return nullptr;
  return (*in.udfs)[static_cast<std::size_t>(in.fit.equationNumber - kFirstUdfEquation)].get();
}

// The function text of a user-defined function with LF line ends and without the last one.
std::string UdfText(const TUdfRecord& r) {
  std::string text;
  for (const char c : UdfFieldText(r.Text))
    if (c != '\r') text += c;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// A text of the titles block on one line: line ends and other control characters become
// blanks, so that a title never ends a comment or a statement of the generated code early.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  return out;
}

// A statistic in the comment block of the code: its 16 digits, or the word for one that
// cannot be formed.
std::string StatisticText(long double v) {
  return IsMissingValue(v) ? kMissingFigureText : CFormat("%.16LG", v);
}

// n of a prefix keyword such as CVAL12: its leading digits (none gives 0); -1 when there are
// too many to be an index.
int KeywordIndex(std::string_view digits) {
  int n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec == std::errc::invalid_argument) return 0;
  return ec == std::errc() ? n : -1;
}

long double ChebScale(const SeriesScales& s, int n) {
  const TSeriesAxisScale* axes[3] = {&s.x, &s.y, &s.z};
  const TSeriesAxisScale& a = *axes[(n % 6) / 2];
  if (n < 6) return n % 2 == 0 ? a.centre : a.halfRange;
  return n % 2 == 0 ? a.logCentre : a.logHalfRange;
}

long double FourierScale(const SeriesScales& s, int n) {
  const TSeriesAxisScale* axes[3] = {&s.x, &s.y, &s.z};
  const TSeriesAxisScale& a = *axes[n / 2];
  return n % 2 == 0 ? a.origin : a.angularScale;
}

// Notes the first constant of a run that its dialect cannot hold as `text` writes it.
void CheckConstant(const TCodeGenRun& run, std::string_view name, long double value, std::string_view text) {
  if (run.notHeld || DialectHoldsConstant(run.in.dialect, value, text)) return;
  run.notHeld = TCodeGenConstant{std::string(name), value};
}

std::string ParameterName(int k) {
  const std::string label = ParameterLabel(k);
  return "Parameter " + label.substr(label.front() == ' ' ? 1 : 0);
}

// Every parameter of the fit, as the equation pieces and the coefficient lists write it.
void CheckParameters(const TCodeGenRun& run) {
  const TFitEqn& fit = WrittenFit(run);
  for (int k = 0; k <= TermCount(fit); ++k) {
    const long double p = fit.parameters[static_cast<std::size_t>(k)];
    CheckConstant(run, ParameterName(k), p, FormatCodeNumber(run.in.dialect, p));
  }
}

// CHEBSCALEn and FOURIERSCALEn by their meaning: "The ln X Centre of the Series Scaling".
std::string SeriesScaleName(bool fourier, int n) {
  constexpr const char* kAxes[3] = {"X", "Y", "Z"};
  if (fourier) return CFormat("The %s %s of the Series Scaling", kAxes[n / 2], n % 2 == 0 ? "Origin" : "Angular Scale");
  return CFormat("The %s%s %s of the Series Scaling", n < 6 ? "" : "ln ", kAxes[(n % 6) / 2],
                 n % 2 == 0 ? "Centre" : "Half Range");
}

bool Text(std::string& out, std::string text) {
  out = std::move(text);
  return true;
}
// A constant as a code number, checked against the dialect.
bool Constant(const TCodeGenRun& run, std::string& out, std::string_view name, long double value) {
  out = FormatCodeNumber(run.in.dialect, value);
  CheckConstant(run, name, value, out);
  return true;
}
// A keyword whose result is its length: an empty expansion drops the line.
bool Piece(std::string& out, std::string text) {
  out = std::move(text);
  return !out.empty();
}
// A piece of the equation, which writes the fit's parameters.
bool EquationPiece(const TCodeGenRun& run, std::string& out, const std::string& text) {
  if (!Piece(out, text)) return false;
  CheckParameters(run);
  return true;
}

// The bound a user-function file gives a parameter on both sides: 1e+25, the bound its
// functions were always written with, or for a parameter of 1e24 or more the power of 10
// two decades above it (the calculation language reads no literal beyond 1e300). A start
// value outside its limits makes the program refuse its own file.
std::string ParameterLimitText(long double p) {
  constexpr int kUsualExponent = 25, kLargestExponent = 300;
  const long double size = std::fabs(p);
  int exponent = kUsualExponent;
  if (std::isfinite(size) && size >= 1e24L) exponent = std::min(static_cast<int>(std::floor(std::log10(size))) + 2, kLargestExponent);
  return CFormat("1e%+03d", exponent);
}

// The prefix keywords: COEFSTRn, CVALn, CLIMITn, CHEBSCALEn, FOURIERSCALEn.
bool ExpandPrefixKeyword(const TCodeGenRun& run, std::string_view keyword, std::string& out, bool& matched) {
  const TCodeGenInput& in = run.in;
  const int m = TermCount(in.fit);
  auto parameter = [&](int n) { return WrittenFit(run).parameters[static_cast<std::size_t>(n)]; };
  matched = true;
  if (keyword.starts_with("COEFSTR")) {
    const int n = KeywordIndex(keyword.substr(7));
    return InRange(n, 0, m) && Text(out, CFormat("%.16LG", UnsignedZero(parameter(n))));
  }
  if (keyword.starts_with("CVAL")) {
    const int n = KeywordIndex(keyword.substr(4));
    return InRange(n, 0, m) && Constant(run, out, ParameterName(n), parameter(n));
  }
  if (keyword.starts_with("CLIMIT")) {
    const int n = KeywordIndex(keyword.substr(6));
    return InRange(n, 0, m) && Text(out, ParameterLimitText(parameter(n)));
  }
  if (keyword.starts_with("CHEBSCALE")) {
    const int n = KeywordIndex(keyword.substr(9));
    return InRange(n, 0, kChebScaleEntries - 1) &&
           Constant(run, out, SeriesScaleName(false, n), ChebScale(in.scales.series, n));
  }
  if (keyword.starts_with("FOURIERSCALE")) {
    const int n = KeywordIndex(keyword.substr(12));
    return InRange(n, 0, kFourierScaleEntries - 1) &&
           Constant(run, out, SeriesScaleName(true, n), FourierScale(in.scales.series, n));
  }
  matched = false;
  return false;
}

int LineCount(const TCodeGenInput& in) {
  const TFitEqn& fit = in.fit;
  if (fit.kind == kKindTermSubset) return std::min(TermCount(fit), kMaxWrittenTerms) + 1;
  if (fit.kind == kKindPolynomial || fit.kind == kKindRational) return 3;
  if (IsBuiltinNonlinear(fit)) return 3 + (HasZu(fit) ? 1 : 0) + (HasZv(fit) ? 1 : 0);
  // A user function keeps its own lines (a count of 1 would cut a text of several lines).
  if (const TUdfRecord* udf = FittedUdf(in)) {
    const std::string text = UdfText(*udf);
    return text.empty() ? 0 : static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  }
  return 1;
}

std::string Statistic(int dialect, long double value) {
  const std::string text = CFormat("%.12LG", value);
  return dialect == kDialectFortran77 || dialect == kDialectFortran90 ? FortranDoubleText(text) : text;
}

// The transform of x or y as the run writes it: centred where the run centres the fit.
std::string AxisText(const TCodeGenRun& run, std::string transform, bool yAxis) {
  if (!run.centred) return transform;
  const TAxisCentring& centring = yAxis ? run.centred->y : run.centred->x;
  if (!centring.active) return transform;
  const TCodeGenDialectInfo& info = DialectInfo(run.in.dialect);
  const std::string variable = yAxis ? info.y : info.x;
  // Broken as the equations are: "(x0-x)/(x*x0)*s" passes FORTRAN 77's column 72.
  return WrapLongExpression(CentredVariableText(run.in.dialect, variable, transform.empty() ? variable : transform, centring),
                            info.lineBreak);
}

}  // namespace

const TFitEqn& WrittenFit(const TCodeGenRun& run) { return run.centred ? run.centred->fit : run.in.fit; }

TCodeGenRun MakeCodeGenRun(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                           std::string_view functionName) {
  TCodeGenRun run{in, outputPath.string(), std::string(functionName), 0, 0, {}, {}, {}};
  const int nameLength = IsCodeGenDialect(in.dialect) ? static_cast<int>(std::string_view(DialectInfo(in.dialect).name).size()) : 0;
  run.posn1 = 40 - (static_cast<int>(run.outputPath.size()) + nameLength + 39) / 2;
  run.posn2 = 55 - (static_cast<int>(in.titles.Title.size()) + 2) / 2;
  if (IsCodeGenDialect(in.dialect)) {
    if (in.fit.kind == kKindNonlinear) {
      run.pieces = NonlinearEquationPieces(in.dialect, in.fit);
    } else {
      run.centred = CentreLinearFit(in.dialect, in.fit, in.stats, &in.scales);
      run.pieces = LinearEquationPieces(in.dialect, WrittenFit(run));
    }
  }
  return run;
}

bool CodeGenExpandKeywords(const TCodeGenRun& run, std::string_view keyword, std::string& out) {
  out.clear();
  const TCodeGenInput& in = run.in;
  const TFitEqn& fit = in.fit;
  const int dialect = in.dialect;
  if (!IsCodeGenDialect(dialect)) return false;

  bool prefix = false;
  const bool keep = ExpandPrefixKeyword(run, keyword, out, prefix);
  if (prefix) return keep;

  const auto found = KeywordTable().find(keyword);
  if (found == KeywordTable().end()) {
    const auto statistic = StatisticTable().find(keyword);
    if (statistic == StatisticTable().end()) return false;
    const long double value = ExprStatisticValue(in.stats, statistic->second);
    out = Statistic(dialect, value);
    CheckConstant(run, keyword, value, out);
    return true;
  }
  const int series = SeriesCode(fit);
  const int n = fit.equationNumber;
  switch (found->second) {
    case Keyword::kFname: return Text(out, OneLine(run.functionName));
    case Keyword::kFile: return Text(out, OneLine(run.outputPath));
    case Keyword::kPosn1: return Text(out, std::to_string(run.posn1));
    case Keyword::kPosn2: return Text(out, std::to_string(run.posn2));
    case Keyword::kLang: return Text(out, DialectInfo(dialect).name);
    case Keyword::kDate: return Text(out, in.date.empty() ? DateString() : in.date);
    case Keyword::kTime: return Text(out, in.time.empty() ? TimeString() : in.time);
    case Keyword::kTitle: return Text(out, OneLine(StripTextCodes(in.titles.Title)));
    case Keyword::kXTitle: return Text(out, OneLine(StripTextCodes(in.titles.XName)));
    case Keyword::kYTitle: return Text(out, OneLine(StripTextCodes(in.titles.YName)));
    case Keyword::kZTitle: return Text(out, OneLine(StripTextCodes(in.titles.ZName)));
    case Keyword::kSFile: return Text(out, OneLine(in.dataSource));
    case Keyword::kEqNo: return Text(out, std::to_string(n));
    case Keyword::kEqStr: {
      static const TUdfTable kNoFunctions;
      const std::string formula = FormatFitFormula(fit, in.udfs ? *in.udfs : kNoFunctions);
      return Text(out, OneLine(StripTextCodes(formula, kEquationTextLimit)));
    }
    case Keyword::kOrder: return Text(out, std::to_string(TermCount(fit)));
    case Keyword::kParmCnt: return Text(out, std::to_string(TermCount(fit) + 1));
    case Keyword::kLineCnt: return Text(out, std::to_string(LineCount(in)));
    case Keyword::kIsLogX: return Text(out, IsLogX(series) ? "1" : "0");
    case Keyword::kIsLogY: return Text(out, IsLogY(series) ? "1" : "0");
    case Keyword::kR2Val: return Text(out, StatisticText(ShownStatistics(fit).r2));
    case Keyword::kR2Adj: return Text(out, StatisticText(ShownStatistics(fit).adjustedR2));
    case Keyword::kStdErr: return Text(out, StatisticText(ShownStatistics(fit).fitStdError));
    case Keyword::kFVal: return Text(out, StatisticText(ShownStatistics(fit).f));
    case Keyword::kFList: return Piece(out, TermFunctionNames(fit));
    case Keyword::kFx: return Piece(out, AxisText(run, TransformOfX(dialect, fit), false));
    case Keyword::kFy: return Piece(out, AxisText(run, TransformOfY(dialect, fit), true));
    case Keyword::kF1:
    case Keyword::kF2:
    case Keyword::kF3:
    case Keyword::kF4:
    case Keyword::kF5:
    case Keyword::kF6:
    case Keyword::kF7:
    case Keyword::kF8: {
      const int k = static_cast<int>(found->second) - static_cast<int>(Keyword::kF1) + 1;
      if (!Piece(out, FitTermFunctionText(dialect, fit, k, in.scales))) return false;
      if (const char axis = TermFunctionScaleAxis(fit, k)) {
        const long double scale = axis == 'x' ? in.scales.xScale : in.scales.yScale;
        CheckConstant(run, axis == 'x' ? "The X Scale of the Exponential Terms" : "The Y Scale of the Exponential Terms",
                      scale, FormatCodeNumber(dialect, scale));
      }
      return true;
    }
    case Keyword::kFz: return Piece(out, BackTransformText(dialect, fit));
    case Keyword::kEqnCode: return EquationPiece(run, out, run.pieces.equation);
    case Keyword::kZ1EqnCode: return EquationPiece(run, out, run.pieces.z[0]);
    case Keyword::kZ2EqnCode: return EquationPiece(run, out, run.pieces.z[1]);
    case Keyword::kZ3EqnCode: return EquationPiece(run, out, run.pieces.z[2]);
    case Keyword::kZ4EqnCode: return EquationPiece(run, out, run.pieces.z[3]);
    case Keyword::kZuEqnCode: return EquationPiece(run, out, run.pieces.zu);
    case Keyword::kZvEqnCode: return EquationPiece(run, out, run.pieces.zv);
    case Keyword::kUdfCode: {
      const TUdfRecord* udf = FittedUdf(in);
      return udf != nullptr && Text(out, UdfText(*udf));
    }
    case Keyword::kCrlf: return Text(out, "\n");
    case Keyword::kXyPoints: return Text(out, CFormat("%.12LG", static_cast<long double>(in.stats.ActiveCount)));
    case Keyword::kListCoef: return (series != 0);
    case Keyword::kFcPoly: return (InRange(series, 224, 227));
    case Keyword::kLogX: return IsLogX(series);
    case Keyword::kLinX: return InRange(series, 224, 231) && !IsLogX(series);
    case Keyword::kLogY: return IsLogY(series);
    case Keyword::kLinY: return InRange(series, 224, 231) && !IsLogY(series);
    case Keyword::kFcRatl: return (InRange(series, 228, 231));
    case Keyword::kFfSi: return (series == kFamilyFourier2);
    case Keyword::kFSig: return (series == kFamilySigmoid);
    case Keyword::kFcSi: return (series == kFamilyCosine);
    case Keyword::kFfSer: return (series == kFamilyFourier);
    case Keyword::kFDecl2:
      return (series == 0 && ((fit.kind == kKindPolynomial && !InRange(n, 301, 318)) ||
                                    (fit.kind == kKindNonlinear && n < kFirstUdfEquation)));
    case Keyword::kFDecl4: return (series == 0 && fit.kind == kKindRational && !InRange(n, 1301, 1304));
    case Keyword::kFDeclZu: return (HasZu(fit));
    case Keyword::kFDeclZv: return (HasZv(fit));
    case Keyword::kErf: return (fit.kind == kKindNonlinear && (InRange(n, 2073, 2084) || InRange(n, 2097, 2108)));
    case Keyword::kPow: return (fit.kind == kKindNonlinear && (InRange(n, 2133, 2144) || InRange(n, 2157, 2168)));
    case Keyword::kScope: return (in.scope != 0);
    case Keyword::kNever: return false;
  }
  return false;
}

bool CodeGenCanWrite(const TCodeGenRun& run) {
  const TCodeGenInput& in = run.in;
  if (!IsCodeGenDialect(in.dialect)) return false;
  const bool udfFile = in.dialect == kDialectUdf;
  if (SeriesCode(in.fit) != 0) return !udfFile && in.dialect != kDialectTransform;
  if (IsUdfEquation(in.fit.equationNumber)) return udfFile && FittedUdf(in) != nullptr;
  if (udfFile && TermCount(in.fit) + 1 > kMaxUdfFileParameters) return false;
  return !run.pieces.equation.empty();
}
