#include "review/equation_text.h"

#include <algorithm>
#include <optional>

#include "app/c_format.h"
#include "app/number_format.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/session.h"
#include "fit/term_subset_numbers.h"
#include "graph3d/view_function.h"

namespace {

constexpr int kExpXTerm = 7;   // e^(x/wx) of the term subsets
constexpr int kExpYTerm = 28;  // e^(y/wy)
constexpr int kSummaryParameterLimit = 11;  // more parameters than this leave lines 4 and 5 empty

// The coefficient of formula term i (0-based): parameters follow a in order.
std::string Coefficient(int i) {
  std::string label = ParameterLabel(i + 1);
  if (label[0] == ' ') label.erase(0, 1);
  return label;
}

std::string DependentName(const TFitEqn& fit) { return SubsetVariantName(fit.terms[0]); }

std::string TermName(const TFitEqn& fit, int i) { return SubsetTermName(fit.terms[static_cast<std::size_t>(i)]); }

// The family name of the series and Chebyshev families, or empty for another number.
std::string SeriesFamilyName(int n) {
  if (n > 400 && n < 500) {
    if (n < 421) return CFormat("Chebyshev X,Y Bivariate Polynomial Order %d", n - 399);
    if (n < 441) return CFormat("Chebyshev LnX,Y Bivariate Polynomial Order %d", n - 419);
    if (n < 461) return CFormat("Chebyshev X,LnY Bivariate Polynomial Order %d", n - 439);
    if (n < 481) return CFormat("Chebyshev LnX,LnY Bivariate Polynomial Order %d", n - 459);
    return CFormat("Chebyshev Bivariate Polynomial %d", n);
  }
  if (n > 500 && n < 600) {
    if (n < 521) return CFormat("Fourier Series Simple Order 2x%d", n - 500);
    if (n < 531) return CFormat("Fourier Series Bivariate Order 2x%d", n - 519);
    if (n < 541) return CFormat("Cosine Series Bivariate Order %d", n - 529);
    return CFormat("Series Equation %d", n);
  }
  if (n > 600 && n < 700) {
    if (n < 621) return CFormat("Sigmoid Series Bivariate Order %d", n - 599);
    static constexpr int kBetaOrders[4] = {2, 4, 7, 11};
    if (n < 625) return CFormat("Beta Series Bivariate Order %d", kBetaOrders[n - 621]);
    return CFormat("Series Equation %d", n);
  }
  if (n > 1400 && n < 1500) {
    if (n < 1421) return CFormat("Chebyshev X,Y Rational Order %d/%d", n - 1400, n - 1399);
    if (n < 1441) return CFormat("Chebyshev LnX,Y Rational Order %d/%d", n - 1420, n - 1419);
    if (n < 1461) return CFormat("Chebyshev X,LnY Rational Order %d/%d", n - 1440, n - 1439);
    if (n < 1481) return CFormat("Chebyshev LnX,LnY Rational Order %d/%d", n - 1460, n - 1459);
    return CFormat("Chebyshev Rational %d", n);
  }
  return {};
}

std::string LinearFormula(const TFitEqn& fit) {
  std::string text = DependentName(fit) + "=a";
  const int m = std::clamp(fit.m, 0, static_cast<int>(kFitEqnSlots) - 1);
  for (int i = 0; i < m; ++i) text += "+" + Coefficient(i) + TermName(fit, i + 1);
  return text;
}

std::string RationalFormula(const TFitEqn& fit) {
  const std::string z = DependentName(fit);
  if (fit.descriptor[1] == 255) {
    // The full rational: numerator terms 2, 4, ..., 10, denominator terms 1, 3, ..., 9.
    return z + "=(a+c" + TermName(fit, 2) + "+e" + TermName(fit, 4) + "+g" + TermName(fit, 6) +
           "+i" + TermName(fit, 8) + "+k" + TermName(fit, 10) + ")/(1+b" + TermName(fit, 1) +
           "+d" + TermName(fit, 3) + "+f" + TermName(fit, 5) + "+h" + TermName(fit, 7) + "+j" +
           TermName(fit, 9) + ")";
  }
  const int numerator = fit.descriptor[1] + fit.descriptor[4];
  const int denominator = fit.descriptor[2] + fit.descriptor[5];
  const int m = std::clamp(numerator + denominator, 0, static_cast<int>(kFitEqnSlots) - 1);
  std::string text = z + "=(a";
  for (int i = 0; i < m; ++i) {
    if (i == numerator) text += ")/(1";
    text += "+" + Coefficient(i) + TermName(fit, i + 1);
  }
  if (numerator >= m) text += ")/(1";
  return text + ")";
}

// Cuts a coded text to `length` characters without splitting a two-character code.
std::string CutCodedText(std::string text, std::size_t length) {
  if (text.size() <= length) return text;
  std::size_t i = 0;
  while (i < length) {
    const std::size_t step = text[i] == '~' ? 2 : 1;
    if (i + step > length) break;
    i += step;
  }
  text.resize(i);
  return text;
}

void FillTitleLines(T3DTitleSet& set, const TSummaryLines& lines, int lineCount) {
  for (int i = 0; i < 5; ++i)
    set.Lines[static_cast<std::size_t>(i)] = i < lineCount ? lines[static_cast<std::size_t>(i)] : std::string();
}

}  // namespace

std::string ParameterLabel(int i) {
  if (i < 0) i = 0;
  const char prefix = i < 22 ? ' ' : static_cast<char>('a' + (i / 22 - 1) % 26);
  return std::string{prefix, static_cast<char>('a' + i % 22)};
}

std::string GetEquationName(int equationNumber, const TUdfRecords& udfs) {
  if (equationNumber >= kFirstUdfEquation && equationNumber <= kLastUdfEquation) {
    const int slot = equationNumber - kFirstUdfEquation;
    const TUdfRecord* record = udfs[static_cast<std::size_t>(slot)].get();
    const std::string_view name =
        record ? std::string_view(record->Name.data(), strnlen(record->Name.data(), record->Name.size()))
               : std::string_view();
    if (!name.empty()) return "z=" + std::string(name) + "()";
    // A function without a name (the dialog leaves the name free) is named by its slot,
    // numbered from 1 as the user-function dialog numbers the slots, rather than "z=()".
    return CFormat("z=UDF%d()", slot + 1);
  }
  return std::string(NonlinearEquationText(equationNumber));
}

std::string FormatFitFormula(const TFitEqn& fit, const TUdfRecords& udfs) {
  if (std::string family = SeriesFamilyName(fit.equationNumber); !family.empty()) return family;
  switch (fit.kind) {
    case kKindPolynomial:
    case kKindTermSubset: return LinearFormula(fit);
    case kKindRational: return RationalFormula(fit);
    default: return GetEquationName(fit.equationNumber, udfs);
  }
}

static bool SubsetUsesTerm(const TFitEqn& fit, int term) {
  if (fit.kind != kKindTermSubset) return false;
  const int m = std::clamp(fit.m, 0, static_cast<int>(kFitEqnSlots) - 1);
  for (int i = 1; i <= m; ++i)
    if (fit.terms[static_cast<std::size_t>(i)] == term) return true;
  return false;
}

bool FitUsesExpX(const TFitEqn& fit) { return SubsetUsesTerm(fit, kExpXTerm); }
bool FitUsesExpY(const TFitEqn& fit) { return SubsetUsesTerm(fit, kExpYTerm); }

TSummaryLines FormatFitSummary(int rank, const TFitEqn& fit, std::string_view dataTitle,
                               int precision, const TUdfRecords& udfs) {
  TSummaryLines lines;
  lines[0] = std::string(dataTitle);
  // The mark before the formula, which may be cut at the line's end.
  lines[1] = CFormat("Rank %d  Eqn %ld  %s%s", rank, static_cast<long>(fit.equationNumber),
                     fit.converged ? "" : CFormat("%s  ", kNotConvergedText).c_str(), FormatFitFormula(fit, udfs).c_str());
  const int parameters = fit.m + 1;
  if (fit.m < kSummaryParameterLimit && fit.m >= 0) {
    const int half = (parameters + 1) / 2;
    for (int i = 0; i < parameters; ++i)
      lines[i < half ? 3 : 4] += CFormat("%c=%.*Lg ", 'a' + i, precision,
                                         UnsignedZero(fit.parameters[static_cast<std::size_t>(i)]));
  }
  const FitStatistics shown = ShownStatistics(fit);
  lines[2] = CFormat("r~^2~^=%s  DF Adj r~^2~^=%s  FitStdErr=%s  Fstat=%s", FormatFigure(shown.r2, precision).c_str(),
                     FormatFigure(shown.adjustedR2, precision).c_str(),
                     FormatFigure(shown.fitStdError, precision).c_str(), FormatFigure(shown.f, precision).c_str());
  for (std::string& line : lines) line = CutCodedText(std::move(line), T3DTitleSet::kLineLength);
  return lines;
}

std::string SurfaceZTitle(int surfaceMode, const TDataTitles& titles) {
  // The derivative modes are numbered as the function viewer's.
  if (surfaceMode >= kSurfaceDzDx && surfaceMode <= kSurfaceD2zDy2) return ViewModeZTitle(static_cast<ViewMode>(surfaceMode));
  return titles.ZName;
}

void FormatGraphTitleSet(T3DTitleSet& set, const TSummaryLines& lines, int lineCount,
                         const TDataTitles& titles, int surfaceMode) {
  FillTitleLines(set, lines, lineCount);
  set.AxisTitles = {titles.XName, titles.YName, SurfaceZTitle(surfaceMode, titles)};
  set.FixedSizes = 0;
}

void FormatResidualTitleSet(T3DTitleSet& set, const TSummaryLines& lines, int lineCount,
                            const TDataTitles& titles, int residualKind) {
  FillTitleLines(set, lines, lineCount);
  const char* suffix = residualKind == 1 ? " %" : residualKind == 2 ? " Std" : "";
  set.AxisTitles = {titles.XName, titles.YName,
                    CutCodedText(CFormat("Residuals%s %s", suffix, titles.ZName.c_str()),
                                 T3DTitleSet::kAxisTitleLength)};
  set.FixedSizes = 0;
}

int FindRankOfEquation(const TFitList& list, int count, int equationNumber) {
  for (int rank = 1; rank <= count; ++rank) {
    const TFitResult* fit = list.At(rank);
    if (fit != nullptr && fit->equationNumber == equationNumber) return rank;
  }
  return -1;
}

bool PassesEquationFilter(int filter, const TFitEqn& fit) {
  switch (filter) {
    case 0: return true;
    case 1: return fit.m < 3;
    case 2: return fit.kind == kKindPolynomial || fit.kind == kKindRational;
    case 3: return fit.kind == kKindPolynomial;
    case 4: return fit.kind == kKindRational;
    case 5: return fit.kind == kKindNonlinear;
    default: return false;
  }
}

std::string FormatEquationRow(int rank, int sortCode, bool allGoodness, const TFitEqn& fit,
                              std::string_view formula) {
  // A fit short of its minimum says so before its formula.
  const std::string text = fit.converged ? std::string(formula) : CFormat("%s  %s", kNotConvergedText, std::string(formula).c_str());
  const long equation = fit.equationNumber;
  const FitStatistics shown = ShownStatistics(fit);
  if (allGoodness) {
    return CFormat("%4d  ~#%9s~#  ~#%9s~#  ~#%9s~#  ~#%9s~#  ~$%3d~$  ~!~*%9ld~*~!  ~!%s~!", rank,
                   FormatNumberOrMissing(shown.r2, 9).c_str(), FormatNumberOrMissing(shown.adjustedR2, 9).c_str(),
                   FormatNumberOrMissing(shown.fitStdError, 9).c_str(), FormatNumberOrMissing(shown.f, 9).c_str(),
                   fit.complexity, equation, text.c_str());
  }
  long double figure = shown.r2;
  switch (sortCode & kSortCriterionMask) {
    case 2: figure = shown.adjustedR2; break;
    case 4: figure = shown.fitStdError; break;
    case 8: figure = shown.f; break;
    default: break;
  }
  return CFormat("%4d  ~#%12s~#  ~$%3d~$  ~!~*%9ld~*~!  ~!%s~!", rank, FormatNumberOrMissing(figure, 12).c_str(),
                 fit.complexity, equation, text.c_str());
}

std::string EquationListCaption(int rows, int sortCode, bool allGoodness) {
  if (allGoodness)
    return CFormat("%d Equations  [Rank, r\xB2, DOF Adj r\xB2, Fit Std Err, F-statistic, FP, Eq#, Eqn]", rows);
  switch (sortCode & kSortCriterionMask) {
    case 2: return CFormat("%d Equations  [Rank, DOF Adj r\xB2, FP, Eq#, Eqn]", rows);
    case 4: return CFormat("%d Equations  [Rank, Fit Std Err, FP, Eq#, Eqn]", rows);
    case 8: return CFormat("%d Equations  [Rank, F-statistic, FP, Eq#, Eqn]", rows);
    default: return CFormat("%d Equations  [Rank, r\xB2, FP, Eq#, Eqn]", rows);
  }
}

std::string GetCurrentFitFormula(const TSession& session) {
  return FormatFitFormula(session.CurFitEqn(), session.UdfTable);
}

TSummaryLines FormatRankSummary(const TSession& session, int rank, int precision) {
  const std::optional<TFitSide> fit = RefitRank(session, rank, kRefitRecord);
  if (!fit) {
    TSummaryLines lines;
    lines[0] = session.DataTitles().Title;
    return lines;
  }
  return FormatFitSummary(rank, fit->eqn, session.DataTitles().Title, precision, session.UdfTable);
}

TSummaryLines FormatRenderSummary(const TSession& session, const TFitSide& renderFit, int rank,
                                  int precision) {
  return FormatFitSummary(rank, renderFit.eqn, session.DataTitles().Title, precision, session.UdfTable);
}

void SetReviewGraphTitles(T3DTitleSet& set, const TSession& session, int rank, int lineCount,
                          int surfaceMode, int precision) {
  FormatGraphTitleSet(set, FormatRankSummary(session, rank, precision), lineCount, session.DataTitles(),
                      surfaceMode);
}

void SetResidualGraphTitles(T3DTitleSet& set, const TSession& session, int rank, int lineCount,
                            int residualKind, int precision) {
  FormatResidualTitleSet(set, FormatRankSummary(session, rank, precision), lineCount, session.DataTitles(),
                         residualKind);
}

int FindRankOfEquation(const TSession& session, int equationNumber) {
  return FindRankOfEquation(session.FitList, session.FitCount.load(), equationNumber);
}
