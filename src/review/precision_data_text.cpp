// The precision summary and the data summary panes' texts.

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "app/c_format.h"
#include "app/coded_text.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "expr/eval_context.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "review/equation_text.h"
#include "review/pane_lines.h"
#include "review/pane_text.h"

namespace {

using TParameters = std::array<long double, kFitEqnSlots>;

// The surface at (x, y) with this thread's math error cleared first; the missing value when
// the evaluation fails.
long double CheckedFitZ(const TFitSide& fit, long double x, long double y) {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  const long double z = EvalFitZ(fit, x, y);
  return ctx.ExprMathError != 0 ? ExprErrorValue : z;
}

// The nine sample points: x at the minimum, mean and maximum of X (slowest), y likewise.
struct TSamples {
  long double x[9], y[9], zref[9];
};
TSamples SamplePoints(const TFitSide& fit, const TDataStats& s) {
  TSamples p{};
  const long double xs[3] = {s.X.Min, s.X.Mean, s.X.Max}, ys[3] = {s.Y.Min, s.Y.Mean, s.Y.Max};
  for (int i = 0; i < 9; ++i) {
    p.x[i] = xs[i / 3];
    p.y[i] = ys[i % 3];
    p.zref[i] = CheckedFitZ(fit, p.x[i], p.y[i]);
  }
  return p;
}

// Mean, minimum and maximum of |(z - zref)/zref| over the sample points whose reference
// value exists (0 where zref is 0); nothing when no point has one.
struct TErrorRow {
  long double mean, min, max;
};
std::optional<TErrorRow> RelativeErrors(const TFitSide& fit, const TSamples& p) {
  TErrorRow r{0.0L, 1e300L, -1e300L};
  int used = 0;
  for (int j = 0; j < 9; ++j) {
    if (p.zref[j] == ExprErrorValue) continue;
    const long double z = EvalFitZ(fit, p.x[j], p.y[j]);
    const long double e = p.zref[j] == 0.0L ? 0.0L : std::fabs((z - p.zref[j]) / p.zref[j]);
    r.mean += e;
    r.min = std::min(r.min, e);
    r.max = std::max(r.max, e);
    ++used;
  }
  if (used == 0) return std::nullopt;
  r.mean /= used;
  return r;
}

// x rounded to d significant digits the way it is written and read back as text.
long double RoundToDigits(long double x, int digits) {
  const std::string text = CFormat("%.*Lg", digits, x);
  long double value = x;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

void AppendErrorRow(TMFile& out, const std::string& lead, const std::optional<TErrorRow>& row) {
  std::string mean, min, max;
  if (row) {
    mean = FormatNumber(row->mean, 12);
    min = FormatNumber(row->min, 12);
    max = FormatNumber(row->max, 12);
  }
  AppendCells(out, CFormat("%s~!%-12s~!   ~!%-12s~!   ~!%-12s~!", lead.c_str(), mean.c_str(), min.c_str(), max.c_str()),
              {19, 19, 19, 16});
}

}  // namespace

void FormatPrecisionSummary(TMFile& out, const TSession& session, int rank) {
  // The parameters are rounded and dropped in a copy: the session's current fit stays as it is.
  TFitSide fit = session.CurFit;
  TFitEqn& e = fit.eqn;
  out.Clear();
  out.AppendLine(PaneRankLine(rank, e, session));
  out.AppendLine("");
  AppendCells(out, "~#Precision~#      ~#Avg Abs Error~#  ~#Min Abs Error~#  ~#Max Abs Error~#", {19, 19, 19, 17});
  const TParameters saved = e.parameters;
  const TSamples samples = SamplePoints(fit, session.DataStats);
  // The rows measure the parameters the pane shows and the user copies: a fit solved in a
  // frame (TFitEqn::framed) is evaluated here from its raw coefficients, whose own rounding
  // then shows in every row.
  e.framed = false;
  for (int digits = 18; digits >= 2; --digits) {
    e.parameters = saved;
    for (int i = 0; i <= e.m; ++i)
      e.parameters[static_cast<std::size_t>(i)] = RoundToDigits(saved[static_cast<std::size_t>(i)], digits);
    AppendErrorRow(out, CFormat("    ~$%3d~$        ", digits), RelativeErrors(fit, samples));
  }
  if (e.kind == kKindNonlinear) return;
  out.AppendLine("");
  AppendCells(out, "~#Removing~#       ~#Avg Abs Error~#  ~#Min Abs Error~#  ~#Max Abs Error~#", {19, 19, 19, 17});
  for (int i = 0; i <= e.m; ++i) {
    e.parameters = saved;
    e.parameters[static_cast<std::size_t>(i)] = 0.0L;
    const std::string label = ParameterLabel(i);
    AppendErrorRow(out, CFormat("    ~$%c%c~$         ", label[0], label[1]), RelativeErrors(fit, samples));
  }
}

namespace {

const char* const kDataHeaders[4] = {
    "XYZ  *  ~#X Value~#    ~$Y Value~$    ~!Z Value~!    ~!Z Predict~!  ~#Residual~#   ~#Residual%%~#  ~$Weights~$",
    "XYZ  *  ~#X Value~#    ~$Y Value~$    ~!Z Value~!    ~!Z Predict~!  ~#%5s%% Confidence Lim~#  ~$Weights~$",
    "XYZ  *  ~#X Value~#    ~$Y Value~$    ~!Z Value~!    ~!Z Predict~!  ~#%5s%% Prediction Lim~#  ~$Weights~$",
    "XYZ  *  ~#X Value~#    ~$Y Value~$    ~!Z Value~!    ~!Z Predict~!  ~$Residual~$   ~$Residual %%~$  "
    "~#%5s%% Confidence Lim~# ~!%5s%% Prediction Lim~! ~$Weights~$",
};

std::string Num9(long double x) { return FormatNumber(x, 9); }

}  // namespace

bool FormatDataSummary(TMFile& out, const TSession& session, int rank, int type, int levelIndex) {
  out.Clear();
  const std::optional<TFitSide> fit = RefitRank(session, rank, kRefitCovariance);
  if (!fit) return false;
  type = std::clamp(type, 0, 3);
  const TFitEqn& e = fit->eqn;
  const char* label = ConfidenceLevelLabel(levelIndex);
  const long double ts = e.tTimesStdError[static_cast<std::size_t>(std::clamp(levelIndex, 0, 4))];
  out.AppendLine(PaneRankLine(rank, e, session));
  const std::string header = CFormat(kDataHeaders[type], label, label);
  if (type == kDataResiduals) AppendCells(out, header, {5, 3, 15, 15, 15, 15, 15, 15, 11});
  else if (type == kDataAllInformation) AppendCells(out, header, {5, 3, 15, 15, 15, 15, 15, 16, 26, 26, 11});
  else AppendCells(out, header, {5, 3, 15, 15, 15, 15, 27, 11});

  DataTableReadLock lock(session.Table.Mutex());
  const std::span<const TXYZPoint> table = session.Table.XYZData();
  const int n = PointCount(table);
  for (int i = 1; i <= n; ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    const long double zp = CheckedFitZ(*fit, p.X, p.Y);
    std::string predicted, residual, percent, cLow, cHigh, pLow, pHigh;
    if (zp != ExprErrorValue) {
      predicted = Num9(zp);
      const long double r = p.Z - zp;
      residual = Num9(r);
      percent = Num9(p.Z == 0.0L ? 0.0L : 100.0L * r / p.Z);
      long double observation = 0.0L;
      const long double mean = ComputeLimitErrors(*fit, p.X, p.Y, zp, observation);
      if (!IsUsableValue(ts)) {
        // No degree of freedom left: there are no limits, and zp ± 0 would claim exact ones.
        cLow = cHigh = pLow = pHigh = kMissingFigureText;
      } else if (mean != 0.0L) {
        cLow = Num9(zp - mean * ts);
        cHigh = Num9(zp + mean * ts);
      }
      if (observation != 0.0L && IsUsableValue(ts)) {
        pLow = Num9(zp - observation * ts);
        pHigh = Num9(zp + observation * ts);
      }
    }
    const char status = p.Status == kPointInactive ? kPointInactive : kPointActive;
    std::string row;
    if (type == kDataAllInformation) {
      row = CFormat("%-5d%c  ~#%-9s~#  ~$%-9s~$  ~!%-9s~!  ~!%-9s~!  ~$%-9s~$  ~$%-9s~$  ~#%-9s~#  ~#%-9s~#  "
                    "~!%-9s~!  ~!%-9s~!  ~$%7.3Lg~$",
                    i, status, Num9(p.X).c_str(), Num9(p.Y).c_str(), Num9(p.Z).c_str(), predicted.c_str(),
                    residual.c_str(), percent.c_str(), cLow.c_str(), cHigh.c_str(), pLow.c_str(), pHigh.c_str(),
                    p.W);
    } else {
      const std::string& first = type == kDataResiduals ? residual : type == kDataConfidenceLimits ? cLow : pLow;
      const std::string& second = type == kDataResiduals ? percent : type == kDataConfidenceLimits ? cHigh : pHigh;
      row = CFormat("%-5d%c  ~#%-9s~#  ~$%-9s~$  ~!%-9s~!  ~!%-9s~!  ~#%-9s~#  ~#%-9s~#  ~$%7.3Lg~$", i, status,
                    Num9(p.X).c_str(), Num9(p.Y).c_str(), Num9(p.Z).c_str(), predicted.c_str(), first.c_str(),
                    second.c_str(), p.W);
    }
    if (status == kPointInactive) GreyOutTextCodes(row);
    if (type == kDataAllInformation) AppendCells(out, row, {5, 3, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 11});
    else AppendCells(out, row, {5, 3, 15, 15, 15, 15, 15, 15, 11});
  }
  return true;
}
