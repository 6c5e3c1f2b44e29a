// The numeric summary pane's text and the short summary drawn beside the graphs.

#include <algorithm>
#include <array>
#include <optional>

#include "app/c_format.h"
#include "app/date_time_text.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "expr/eval_context.h"
#include "expr/special_functions.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "fit/session.h"
#include "numerics/dense_solvers.h"
#include "review/equation_text.h"
#include "review/pane_lines.h"
#include "review/pane_text.h"

namespace {

constexpr std::array<const char*, 5> kLevelLabels = {"90.00", "95.00", "99.00", "99.90", "99.99"};
constexpr std::array<const char*, 4> kMinimizationNames = {"Least Squares", "Least Abs Dev",
                                                           "Lorentzian", "PearsonVII Lim"};
// The robust planes z = a + bx + cy, one per loss in mode order.
constexpr int kFirstRobustPlane = 2169;

std::string Num12(long double x) { return FormatNumber(x, 12); }
std::string Num11(long double x) { return FormatNumber(x, 11); }

int ClampLevel(int levelIndex) { return std::clamp(levelIndex, 0, 4); }

const char* ProcedureName(int code) {
  return code >= 0 && code < kProcedureTableSize ? ProcedureNames[static_cast<std::size_t>(code)] : "";
}

// A statistic, or the word for one that cannot be formed.
std::string Stat12(long double x) { return FormatNumberOrMissing(x, 12); }

// The degrees of freedom the pane shows: of the regression (at least 1) and of the error
// (n - m - 1; 0 when the fit leaves none, and then there is no error mean square to divide
// by: a clamp to 1 would show a mean square, an F and a P that do not exist).
struct TPaneDof {
  int regression;
  int error;
};
TPaneDof PaneDof(const TFitEqn& e, int n) {
  return {std::max(e.m, 1), std::max(n - e.m - 1, 0)};
}

void AppendStatistics(TMFile& out, const TFitEqn& e) {
  const FitStatistics s = ShownStatistics(e);
  AppendCells(out, "~#r~^2~^ Coef Det~#    ~#DF Adj r~^2~^~#      ~#Fit Std Err~#    ~#F-value~#",
              {23, 23, 19, 11});
  AppendCells(out,
              CFormat("~!%-12s~!   ~!%-12s~!   ~!%-12s~!   ~!%-12s~!", Stat12(s.r2).c_str(),
                      Stat12(s.adjustedR2).c_str(), Stat12(s.fitStdError).c_str(), Stat12(s.f).c_str()),
              {19, 19, 19, 16});
}

// The parameter table (with P>|t| when `probabilities`) and the scale lines of the
// exponential terms.
void AppendParameters(TMFile& out, const TSession& session, const TFitSide& fit, int levelIndex,
                      bool probabilities) {
  const TFitEqn& e = fit.eqn;
  const int level = ClampLevel(levelIndex);
  const char* label = kLevelLabels[static_cast<std::size_t>(level)];
  const char* header =
      "~# Parm~#  ~#Value~#        ~#Std Error~#    ~#t-value~#      ~#%5s%% Confidence Limits~#";
  if (probabilities)
    AppendCells(out, CFormat("%s  ~#P>|t|~#", CFormat(header, label).c_str()), {11, 17, 17, 17, 30, 9});
  else
    AppendCells(out, CFormat(header, label), {11, 17, 17, 17, 28});
  const int dfe = PaneDof(e, session.DataStats.WeightedCount).error;
  const long double tLevel = e.tValues[static_cast<std::size_t>(level)];
  for (int i = 0; i <= e.m; ++i) {
    const std::string name = ParameterLabel(i);
    const long double a = e.parameters[static_cast<std::size_t>(i)];
    const long double se = e.parameterErrors[static_cast<std::size_t>(i)];
    std::string sse, t, lower, upper, p;
    if (IsMissingValue(se)) {
      // No degree of freedom left: the error and everything built on it does not exist.
      sse = t = lower = upper = p = kMissingFigureText;
    } else if (se > 0.0L) {
      const long double tv = PaneDivide(a, se);
      sse = Num11(se);
      t = Num11(tv);
      lower = Num11(a - tLevel * se);
      upper = Num11(a + tLevel * se);
      p = CFormat("%7.5Lf", PFF(ExprThreadContext(), 1.0L, dfe, tv * tv));
    }
    const char* row = "~$ %c%c~$   ~!%-11s~!  ~!%-11s~!  ~!%-11s~!  ~!%-11s~!  ~!%-11s~!";
    std::string text = CFormat(row, name[0], name[1], Num11(a).c_str(), sse.c_str(), t.c_str(),
                               lower.c_str(), upper.c_str());
    if (probabilities) {
      text += CFormat("  ~!%-7s~!", p.c_str());
      AppendCells(out, text, {10, 17, 17, 17, 17, 17, 11});
    } else {
      AppendCells(out, text, {10, 17, 17, 17, 17, 15});
    }
  }
  if (e.kind == kKindTermSubset) {
    if (FitUsesExpX(e)) AppendCells(out, CFormat("~$ wx~$   ~!%-11s~!", Num11(fit.scales.xScale).c_str()), {10, 15});
    if (FitUsesExpY(e)) AppendCells(out, CFormat("~$ wy~$   ~!%-11s~!", Num11(fit.scales.yScale).c_str()), {10, 15});
  }
}

void AppendDate(TMFile& out, const TSession& session, const std::tm* stamp) {
  const std::string date = stamp ? DateString(*stamp) : DateString();
  const std::string time = stamp ? TimeString(*stamp) : TimeString();
  AppendCells(out, "~#Date~#           ~#Time~#           ~#File Source~#", {19, 19, 15});
  AppendCells(out,
              CFormat("~!%-14s~! ~!%-14s~! ~!%-40s~!", date.c_str(), time.c_str(),
                      session.DataFileLabel.c_str()),
              {19, 19, 44});
}

void AppendExtrema(TMFile& out, const TFitEqn& e, bool volumeInSummary) {
  if (volumeInSummary && e.volume != 0.0L) {
    out.AppendLine("");
    AppendCells(out, "~#Volume Xmin,Xmax Ymin,Ymax~# ~#Volume Precision~#", {31, 20});
    AppendCells(out,
                CFormat("~!%-12s~!               ~!%-12s~!", Num12(e.volume).c_str(),
                        Num12(e.volumeSecond).c_str()),
                {31, 16});
  }
  out.AppendLine("");
  const auto point = [&](const std::array<long double, 3>& p) {
    AppendCells(out,
                CFormat("~!%-12s~!   ~!%-12s~!   ~!%-12s~!", Num12(p[0]).c_str(), Num12(p[1]).c_str(),
                        Num12(p[2]).c_str()),
                {19, 19, 16});
  };
  AppendCells(out, "~#X at Fn Zmin~#   ~#Y at Fn Zmin~#   ~#Fn Zmin~#", {19, 19, 11});
  point(e.minimum);
  AppendCells(out, "~#X at Fn Zmax~#   ~#Y at Fn Zmax~#   ~#Fn Zmax~#", {19, 19, 11});
  point(e.maximum);
  out.AppendLine("");
}

void AppendProcedure(TMFile& out, const TSession& session, const TFitEqn& e) {
  if (e.kind == kKindNonlinear) {
    AppendCells(out, "~#Procedure~#      ~#Minimization~#   ~#Iterations~#", {19, 19, 14});
    const std::string iterations = e.m == 0 ? std::string() : CFormat("%d", static_cast<int>(e.terms[1]));
    const std::string cells = CFormat("~$%-15s~$~$%-15s~$~$%-12s~$", ProcedureName(e.procedure),
                                      MinimizationName(FitMinimizationMode(e, session.FitOptions)), iterations.c_str());
    if (e.converged) {
      AppendCells(out, cells, {19, 19, 16});
    } else {
      // A fit short of its minimum says so in a cell of its own beside its iterations.
      AppendCells(out, cells + CFormat("~$%s~$", kNotConvergedText), {19, 19, 16, 17});
    }
    return;
  }
  const bool cond = e.determinant != 0.0L;
  AppendCells(out, CFormat("~#Procedure~#      ~#%-12s~#", cond ? "Cond Number" : ""), {19, 16});
  AppendCells(out,
              CFormat("~$%-15s~$~$%-12s~$", ProcedureName(e.procedure),
                      cond ? Num12(e.determinant).c_str() : ""),
              {19, 16});
}

// "F" or "F Statistic" and "P>F" columns; `p` is appended with the probabilities.
// A degrees-of-freedom cell of 12 characters. A table of 16384 points needs five digits, which
// the four-digit field's padding takes in, so that the cell still ends after its closing code.
std::string DfCell(int df) {
  std::string cell = CFormat("~!%-4d~!", df);
  cell.resize(std::max<std::size_t>(cell.size() + 1, 12), ' ');
  return cell;
}

// A figure of the analysis of variance in its format, or the word when it does not exist.
std::string AnovaFigure(long double x, const char* format) {
  return IsMissingValue(x) ? kMissingFigureText : CFormat(format, x);
}

std::string AnovaRow(const char* source, long double ss, int df, long double ms, long double f,
                     long double p, bool probabilities) {
  std::string text = CFormat("~$%s~$%*s~!%-15.8Lg~!   %s~!%-15s~!    ~!%-15s~!", source,
                             static_cast<int>(9 - std::char_traits<char>::length(source)), "", ss,
                             DfCell(df).c_str(), AnovaFigure(ms, "%-15.8Lg").c_str(), AnovaFigure(f, "%-15.6Lg").c_str());
  if (probabilities) text += CFormat("  ~!%-7s~!", AnovaFigure(p, "%7.5Lf").c_str());
  return text;
}

void AppendAnova(TMFile& out, const TSession& session, const TFitEqn& e, bool probabilities) {
  const TDataStats& stats = session.DataStats;
  const bool replicates = stats.PureErrorDOF > 0.0L;
  const FitStatistics shown = ShownStatistics(e);
  if (!replicates) {
    AppendCells(out, "~#r~^2~^ Coef Det~#    ~#DF Adj r~^2~^~#      ~#Fit Std Err~#", {23, 23, 15});
    AppendCells(out,
                CFormat("~!%-12s~!   ~!%-12s~!   ~!%-12s~!", Stat12(shown.r2).c_str(), Stat12(shown.adjustedR2).c_str(),
                        Stat12(shown.fitStdError).c_str()),
                {19, 19, 16});
  } else {
    AppendCells(out,
                "~#r~^2~^ Coef Det~#    ~#DF Adj r~^2~^~#      ~#Fit Std Err~#    ~#r~^2~^ Attainable~#",
                {23, 23, 19, 21});
    AppendCells(out,
                CFormat("~!%-12s~!   ~!%-12s~!   ~!%-12s~!   ~!%-12s~!", Stat12(shown.r2).c_str(),
                        Stat12(shown.adjustedR2).c_str(), Stat12(shown.fitStdError).c_str(),
                        Num12(PaneDivide(e.sst - stats.PureErrorSS, e.sst)).c_str()),
                {19, 19, 19, 16});
  }
  const TPaneDof dof = PaneDof(e, stats.WeightedCount);
  ExprContext& ctx = ExprThreadContext();
  const long double ssr = e.sst - e.sse;
  const long double msr = PaneDivide(ssr, dof.regression);
  // Missing (the word in the table) when the fit leaves no error degree of freedom.
  const long double mse = PaneDivide(e.sse, dof.error);
  const long double f = IsMissingValue(mse) ? ExprErrorValue : PaneDivide(msr, mse);
  if (probabilities)
    AppendCells(out,
                "~#Source~#   ~#Sum of Squares~#    ~#DF~#      ~#Mean Square~#        ~#F Statistic~#      ~#P>F~#",
                {13, 22, 12, 23, 21, 7});
  else
    AppendCells(out, "~#Source~#   ~#Sum of Squares~#    ~#DF~#      ~#Mean Square~#        ~#F~#",
                {13, 22, 12, 23, 5});
  const long double p = probabilities && !IsMissingValue(f) ? PFF(ctx, dof.regression, dof.error, f) : ExprErrorValue;
  if (probabilities)
    AppendCells(out, AnovaRow("Regr", ssr, dof.regression, msr, f, p, true), {13, 22, 12, 23, 21, 11});
  else
    AppendCells(out, AnovaRow("Regr", ssr, dof.regression, msr, f, p, false), {13, 22, 12, 23, 19});
  AppendCells(out, CFormat("~$Error~$    ~!%-15.8Lg~!   %s~!%-15s~!", e.sse, DfCell(dof.error).c_str(),
                           AnovaFigure(mse, "%-15.8Lg").c_str()),
              {13, 22, 12, 19});
  AppendCells(out, CFormat("~$Total~$    ~!%-15.8Lg~!   ~!%-4d~!", e.sst, dof.regression + dof.error),
              {13, 22, 9});
  if (!replicates) return;
  out.AppendLine("");
  const long double pureDf = stats.PureErrorDOF;
  const long double sslf = e.sse - stats.PureErrorSS;
  const long double dlf = dof.error - pureDf;
  // A fit with as many parameters as distinct points leaves no degree of freedom for a lack
  // of fit: its mean square, F and P do not exist.
  const long double mslf = dlf > 0.0L ? sslf / dlf : ExprErrorValue;
  const long double mspe = PaneDivide(stats.PureErrorSS, pureDf);
  const long double flf = IsMissingValue(mslf) || IsMissingValue(mspe) ? ExprErrorValue : PaneDivide(mslf, mspe);
  const int lackDf = std::max(dof.error - static_cast<int>(pureDf), 0);
  if (probabilities)
    AppendCells(out,
                AnovaRow("Lack Fit", sslf, lackDf, mslf, flf,
                         IsMissingValue(flf) ? ExprErrorValue : PFF(ctx, dlf, pureDf, flf), true),
                {13, 22, 12, 23, 21, 11});
  else
    AppendCells(out, AnovaRow("Lack Fit", sslf, lackDf, mslf, flf, 0.0L, false), {13, 22, 12, 23, 19});
  AppendCells(out,
              CFormat("~$Pure Err~$ ~!%-15.8Lg~!   %s~!%-15s~!", stats.PureErrorSS,
                      DfCell(static_cast<int>(pureDf)).c_str(), AnovaFigure(mspe, "%-15.8Lg").c_str()),
              {13, 22, 12, 19});
}

void AppendDataStatistics(TMFile& out, const TSession& session) {
  const TDataTitles& titles = session.DataTitles();
  if (!titles.Title.empty()) {
    out.AppendLine(CFormat("~#Description:~# ~$%s~$", titles.Title.c_str()));
    out.AppendLine("");
  }
  const TDataStats& s = session.DataStats;
  const struct {
    char axis;
    const std::string& name;
    const TAxisStats& stats;
  } axes[] = {{'X', titles.XName, s.X}, {'Y', titles.YName, s.Y}, {'Z', titles.ZName, s.Z}};
  for (const auto& a : axes) {
    out.AppendLine(CFormat("~#%c Variable:~# ~$%s~$", a.axis, a.name.c_str()));
    const std::string min = CFormat("%cmin", a.axis), max = CFormat("%cmax", a.axis),
                      range = CFormat("%crange", a.axis), mean = CFormat("%cmean", a.axis),
                      std = CFormat("%cstd", a.axis);
    AppendCells(out,
                CFormat("  ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~!", min.c_str(),
                        Stat12(a.stats.Min).c_str(), max.c_str(), Stat12(a.stats.Max).c_str(), range.c_str(),
                        Stat12(a.stats.Range).c_str()),
                {16, 17, 14, 17, 14, 16});
    AppendCells(out,
                CFormat("  ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~!", mean.c_str(), Stat12(a.stats.Mean).c_str(),
                        std.c_str(), Stat12(a.stats.StdDev).c_str()),
                {16, 17, 14, 16});
    out.AppendLine("");
  }
}

}  // namespace

const char* ConfidenceLevelLabel(int levelIndex) {
  return kLevelLabels[static_cast<std::size_t>(ClampLevel(levelIndex))];
}

const char* MinimizationName(int mode) {
  return kMinimizationNames[static_cast<std::size_t>(std::clamp(mode, 0, 3))];
}

// A run fits every non-linear equation, the user functions included, with the loss of the fit
// options (a change of the options throws the results away), except the four planes, each of
// which has its own.
int FitMinimizationMode(const TFitEqn& fit, const TFitOptions& options) {
  if (fit.kind != kKindNonlinear) return static_cast<int>(kRobustLeastSquares);
  const int plane = fit.equationNumber - kFirstRobustPlane;
  if (plane >= 0 && fit.equationNumber <= kLastBuiltinNonlinear) return plane;
  return options.robustMode <= kRobustPearsonVII ? static_cast<int>(options.robustMode)
                                                 : static_cast<int>(kRobustLeastSquares);
}

bool FormatNumericSummary(TMFile& out, const TSession& session, int rank,
                          const TNumericPaneSettings& settings) {
  out.Clear();
  const std::optional<TFitSide> fit = RefitRank(session, rank, kRefitComplete);
  if (!fit) return false;
  const TFitEqn& e = fit->eqn;
  const std::uint32_t options = settings.options;
  const bool probabilities = (options & kPaneProbabilities) != 0;
  out.AppendLine(PaneRankLine(rank, e, session));
  out.AppendLine("");
  AppendStatistics(out, e);
  out.AppendLine("");
  AppendParameters(out, session, *fit, settings.levelIndex, probabilities);
  out.AppendLine("");
  if (options & kPaneVolumeExtrema) AppendExtrema(out, e, settings.volumeInSummary);
  AppendProcedure(out, session, e);
  if (options & kPaneAnova) AppendAnova(out, session, e, probabilities);
  out.AppendLine("");
  if (options & kPaneDataStatistics) AppendDataStatistics(out, session);
  AppendDate(out, session, settings.stamp);
  out.AppendLine("");
  return true;
}

std::unique_ptr<TMFile> BuildSummaryText(const TSession& session, const TNumericPaneSettings& settings) {
  auto out = std::make_unique<TMFile>("", 60);
  const int rank = session.ReviewCurrentRank;
  const std::optional<TFitSide> fit = RefitRank(session, rank, kRefitComplete);
  if (!fit) return nullptr;
  const TFitEqn& e = fit->eqn;
  out->AppendLine(PaneRankLine(rank, e, session));
  out->AppendLine("");
  AppendStatistics(*out, e);
  out->AppendLine("");
  AppendParameters(*out, session, *fit, settings.levelIndex, false);
  out->AppendLine("");
  AppendDate(*out, session, settings.stamp);
  return out;
}
