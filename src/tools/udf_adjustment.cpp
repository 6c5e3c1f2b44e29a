#include "tools/udf_adjustment.h"

#include <algorithm>
#include <cmath>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "fit/fit_blocks.h"
#include "tools/udf/udf_limits.h"

namespace {

constexpr long double kBoundLimit = static_cast<long double>(9e24);
constexpr long double kStepFraction = 0.01L;
// A derivative between these two is the slope 1 of an additive parameter.
bool Additive(long double dMin, long double dMax) { return dMin > 0.999L && dMax < 1.001L; }

std::string Six(long double v) { return CFormat("%.6Lg", v); }

}  // namespace

TUdfAdjustRows::TUdfAdjustRows(Window window, int k, std::span<const TXYZPoint> points, long double zRange)
    : window_(window), k_(k), points_(points), zRange_(zRange) {}

TUdfRecord& TUdfAdjustRows::Record() const { return *UdfRecordAt(k_); }

void TUdfAdjustRows::SetValue(int i, long double v) {
  const auto u = static_cast<std::size_t>(i);
  rows_[u].value = v;
  Record().Start[u] = v;
  ExprThreadContext().ExprVars.A(i) = v;
}

void TUdfAdjustRows::KeepWithinLimits(int i) {
  const auto u = static_cast<std::size_t>(i);
  const long double v = UdfStartInsideLimits(rows_[u].value, rows_[u].lower, rows_[u].upper);
  if (v != rows_[u].value) SetValue(i, v);
}

std::string TUdfAdjustRows::ValueText(int i, int digits) const {
  const TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
  return UdfStartText(row.value, digits, row.lower, row.upper);
}

int TUdfAdjustRows::BoundedPosition(int i) const {
  const auto u = static_cast<std::size_t>(i);
  const TUdfRecord& r = Record();
  const long double q = (rows_[u].value - r.Lower[u]) * kAdjustPositionMax / (r.Upper[u] - r.Lower[u]);
  // A value a rounding below a tick sits on it: a fit that gives 1.99999999999999999989 for
  // 2 between 0 and 10 shows "2" in its edit, and its bar at 20, not 19.
  constexpr long double kRounding = 1e-9L;
  const long double t = std::trunc(q + kRounding);
  // A value at a limit, or a start value the user typed outside them, still puts the
  // bar on the bar.
  return std::isfinite(t) ? static_cast<int>(std::clamp<long double>(t, 0, kAdjustPositionMax)) : kAdjustCentre;
}

void TUdfAdjustRows::ComputeStep(int i) {
  const auto u = static_cast<std::size_t>(i);
  const TUdfRecord& r = Record();
  if (rows_[u].bounded) {
    rows_[u].step = (r.Upper[u] - r.Lower[u]) * kStepFraction;
    return;
  }
  const long double dMin = r.DerivMin[u];
  const long double dMax = r.DerivMax[u];
  if (!Additive(dMin, dMax) && dMax - dMin >= 1e-12L)
    rows_[u].step = zRange_ / ((dMax - dMin) * 100);
  else
    rows_[u].step = kStepFraction * zRange_;
}

void TUdfAdjustRows::ComputeSteps() {
  for (int i = 0; i < count_; ++i) ComputeStep(i);
}

void TUdfAdjustRows::MeasureEffect(int p) {
  // Only the measured extremes are wanted here: a weak parameter was warned of when the
  // function was validated.
  (void)UdfDerivativeRanges(k_, p, points_, zRange_);
}

void TUdfAdjustRows::AfterChange() {
  if (window_ != Window::kDerivatives) return;
  MeasureEffect(-1);
  ComputeSteps();
}

void TUdfAdjustRows::Setup() {
  const TUdfRecord& r = Record();
  count_ = UdfClampedParamCount(r);
  // The table shows the effect of the start values as they stand now.
  if (window_ == Window::kDerivatives) MeasureEffect(-1);
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    TUdfAdjustRow& row = rows_[u];
    row = TUdfAdjustRow{};
    if (i >= count_) continue;
    row.enabled = true;
    row.bounded = r.Lower[u] > -kBoundLimit && r.Upper[u] < kBoundLimit;
    row.lower = r.Lower[u];
    row.upper = r.Upper[u];
    SetValue(i, r.Start[u]);
    row.editText = ValueText(i, 6);
    if (row.bounded) row.position = row.lastPosition = BoundedPosition(i);
    ComputeStep(i);
  }
  for (int i = 0; i < count_; ++i) {
    TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
    row.savedValue = row.value;
    row.savedStep = row.step;
  }
}

void TUdfAdjustRows::Scroll(int i, int position) {
  if (i < 0 || i >= count_) return;
  TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
  const int pos = std::clamp(position, 0, kAdjustPositionMax);
  SetValue(i, row.value + (pos - row.lastPosition) * row.step);
  KeepWithinLimits(i);
  row.editText = ValueText(i, 6);
  AfterChange();
  if ((pos == 0 || pos == kAdjustPositionMax) && !row.bounded) {
    // At an end the bar goes back to the centre, so the value can move on.
    if (window_ == Window::kGraph) {
      MeasureEffect(i);
      ComputeStep(i);
    }
    row.position = row.lastPosition = kAdjustCentre;
  } else {
    row.position = row.lastPosition = pos;
  }
}

bool TUdfAdjustRows::Edit(int i, std::string_view text) {
  if (i < 0 || i >= count_) return false;
  const std::optional<long double> v = ExprEntryValue(text);
  if (!v) return false;
  TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
  if (row.bounded && (*v < row.lower || *v > row.upper)) return false;
  // Held as typed: moved inside the limits here, "0" would be rewritten under the keys of
  // "0.5". Finish moves it.
  SetValue(i, *v);
  row.editText = std::string(text);
  Placed(i);
  return true;
}

bool TUdfAdjustRows::Finish(int i) {
  if (i < 0 || i >= count_) return false;
  TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
  const long double before = row.value;
  KeepWithinLimits(i);
  if (row.value == before) return false;
  row.editText = ValueText(i, 6);
  Placed(i);
  return true;
}

void TUdfAdjustRows::Placed(int i) {
  TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
  if (row.bounded) {
    row.position = row.lastPosition = BoundedPosition(i);
  } else {
    row.position = row.lastPosition = kAdjustCentre;
    if (window_ == Window::kGraph) {
      MeasureEffect(i);
      ComputeStep(i);
    }
  }
  AfterChange();
}

void TUdfAdjustRows::Reset() {
  for (int i = 0; i < count_; ++i) {
    TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
    SetValue(i, row.savedValue);
    row.editText = ValueText(i, 4);
    row.position = row.lastPosition = row.bounded ? BoundedPosition(i) : kAdjustCentre;
    row.step = row.savedStep;
  }
  MeasureEffect(-1);
  if (window_ == Window::kDerivatives) ComputeSteps();
}

UserFitResult TUdfAdjustRows::FindAndUpdate(const TDataStats& stats, const TFitOptions& options) {
  const UserFitResult result = FitUserFunction(k_, points_, stats, options);
  // The fit ran the function with its own parameters: the rows (and the variables the
  // graph reads) take the record's start values, fitted or as they were. A fit may end on
  // or past a limit (it only pays a penalty there): such a value is brought within them.
  const TUdfRecord& r = Record();
  for (int i = 0; i < count_; ++i) {
    TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
    SetValue(i, r.Start[static_cast<std::size_t>(i)]);
    KeepWithinLimits(i);
    row.editText = ValueText(i, 4);
    row.position = row.lastPosition = row.bounded ? BoundedPosition(i) : kAdjustCentre;
    MeasureEffect(i);
    ComputeStep(i);
  }
  return result;
}

void TUdfAdjustRows::TakeRecordStarts() {
  const TUdfRecord& r = Record();
  for (int i = 0; i < count_; ++i) {
    TUdfAdjustRow& row = rows_[static_cast<std::size_t>(i)];
    SetValue(i, r.Start[static_cast<std::size_t>(i)]);
    KeepWithinLimits(i);
    row.editText = ValueText(i, 6);
    row.position = row.lastPosition = row.bounded ? BoundedPosition(i) : kAdjustCentre;
  }
}

void TUdfAdjustRows::PutBackStarts() {
  for (int i = 0; i < count_; ++i) SetValue(i, rows_[static_cast<std::size_t>(i)].value);
}

std::array<TUdfDerivativeRow, kUdfMaxParams> TUdfAdjustRows::DerivativeTable() const {
  std::array<TUdfDerivativeRow, kUdfMaxParams> table;
  std::array<long double, kUdfMaxParams> share{};
  long double sum = 0;
  const TUdfRecord& r = Record();
  for (int i = 0; i < count_; ++i) {
    const auto u = static_cast<std::size_t>(i);
    const long double dMin = r.DerivMin[u];
    const long double dMax = r.DerivMax[u];
    const long double start = r.Start[u];
    TUdfDerivativeRow& row = table[u];
    row.minimum = Six(dMin);
    row.maximum = Six(dMax);
    const bool constant = Additive(dMin, dMax);
    row.range = constant ? "Constant" : Six(dMax - dMin);
    share[u] = -1;
    // With data of no z range there is nothing to take a share of.
    if (start != 0 && !constant && zRange_ > 0) {
      share[u] = std::fabs((dMax - dMin) * start) * 100 / zRange_;
      row.percentOfZ = CFormat("%.3Lg", share[u]);
      sum += share[u];
    }
  }
  for (int i = 0; i < count_; ++i) {
    const auto u = static_cast<std::size_t>(i);
    if (share[u] >= 0 && sum != 0) table[u].relativePercent = CFormat("%.3Lg", share[u] * 100 / sum);
  }
  return table;
}

bool TAdjustRefresh::Changed() {
  if (!timerRunning_) return true;
  pending_ = 1;
  return false;
}

bool TAdjustRefresh::Tick() {
  if (pending_ == 0) return false;
  if (pending_ >= 10) {
    pending_ = 0;
    return true;
  }
  ++pending_;
  return false;
}

bool TAdjustedStarts::AnyChanged() const {
  return std::any_of(changed.begin(), changed.end(), [](bool c) { return c; });
}

TAdjustedStarts CompareAdjustedStarts(const TUdfRecord& r, const std::array<long double, kUdfMaxParams>& kept) {
  TAdjustedStarts out;
  const int params = UdfClampedParamCount(r);
  for (int i = 0; i < params; ++i) {
    const auto u = static_cast<std::size_t>(i);
    out.changed[u] = std::fabs(r.Start[u] - kept[u]) > std::fabs(kept[u] * 1e-5L);
    if (out.changed[u] && (r.DataMask & (1u << i)) != 0) out.changedReadsData = true;
  }
  return out;
}

std::string AdjustedStartText(long double value) { return Six(value); }

std::string AdjustedStartText(const TUdfRecord& r, int i) {
  const auto u = static_cast<std::size_t>(i);
  return UdfStartText(r.Start[u], 6, r.Lower[u], r.Upper[u]);
}
