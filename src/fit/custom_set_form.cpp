#include "fit/custom_set_form.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "app/data_statistics.h"
#include "fit/fit_run.h"

namespace {

constexpr int kGroupCount = 14;      // shape groups of 12 flags, flags 0..167
constexpr int kFormsPerGroup = 12;
constexpr int kPairedGroup = 5;      // Gaussian/log-normal: six forms in pairs, flags 60..71
constexpr int kRobustPlaneFlag = 168;

enum Form : int { kStandard, kEqualWidths, kAdditive, kSynergy, kXOnly, kYOnly };

// The masks of the linear boxes 101..114: polynomial, rational and subset bits.
struct LinearBox {
  std::uint32_t poly, rat, subset;
};
constexpr LinearBox kLinearBoxes[14] = {
    {kPolyX | kPolyY, 0, 0},                                // 101
    {kPolyLnX | kPolyInvX | kPolyLnY | kPolyInvY, 0, 0},    // 102
    {0, kRatX | kRatY, 0},                                  // 103
    {0, kRatLnX | kRatLnY, 0},                              // 104
    {0, 0, kSubsetZ},                                       // 105
    {0, 0, kSubsetLnZ},                                     // 106
    {0, 0, kSubsetInvZ},                                    // 107
    {kPolyChebyshev, 0, 0},                                 // 108
    {kPolyChebyshevLog, 0, 0},                              // 109
    {0, kRatChebyshev, 0},                                  // 110
    {0, kRatChebyshevLog, 0},                               // 111
    {kPolyFourier | kPolyFourier2, 0, 0},                   // 112
    {kPolyCosine, 0, 0},                                    // 113
    {kPolySigmoid, 0, 0},                                   // 114
};

// The form box (or -1) and intercept (0 none, 1 add, -1 no intercept box) of form k of a
// 12-form group.
struct FormOf {
  int form, intercept;
};
constexpr FormOf kFormOfK[kFormsPerGroup] = {
    {kStandard, 0},   {kStandard, 1}, {kEqualWidths, 0}, {kEqualWidths, 1},
    {kAdditive, 0},   {kAdditive, 1}, {kXOnly, -1},      {kYOnly, -1},
    {kXOnly, -1},     {kYOnly, -1},   {kSynergy, 0},     {kSynergy, 1},
};
// The forms k set by a form box with intercept none / add (-1 none).
constexpr int kFormsNone[6][2] = {{0, -1}, {2, -1}, {4, -1}, {10, -1}, {6, 8}, {7, 9}};
constexpr int kFormsAdd[6][2] = {{1, -1}, {3, -1}, {5, -1}, {11, -1}, {6, 8}, {7, 9}};
// The pair index (flags 60 + 2p, 61 + 2p) of the paired group by form box and intercept;
// -1 where that group has no such form.
constexpr int kPairOf[6][2] = {{0, 1}, {-1, -1}, {2, 3}, {4, 5}, {-1, -1}, {-1, -1}};

// Candidate subsets of one term-subset variant by the term limit min(h, 8): every subset
// of 2..h of the 42 candidate terms.
constexpr std::uint64_t kAllSubsets[9] = {0,       0,       861,      12341,    124271,
                                          974939,  6220725, 33199053, 151229238};
// Kept equations of one polynomial pair by term count c, and of one rational pair.
constexpr std::uint32_t kKeptPolynomial[11] = {0, 0, 1, 2, 3, 4, 5, 4, 3, 2, 1};
constexpr std::uint32_t kKeptRational[11] = {0, 0, 0, 0, 1, 4, 10, 16, 17, 12, 4};

std::uint32_t Bits(std::uint32_t mask, std::uint32_t bits) {
  return static_cast<std::uint32_t>(std::popcount(mask & bits));
}

}  // namespace

bool TCustomSetForm::Checked(int id) const {
  if (id >= kCustomLinearFirst && id <= kCustomLinearLast) return linear[static_cast<std::size_t>(id - kCustomLinearFirst)];
  if (id >= kCustomGroupFirst && id <= kCustomGroupLast) return groups[static_cast<std::size_t>(id - kCustomGroupFirst)];
  if (id >= kCustomFormFirst && id <= kCustomFormLast) return forms[static_cast<std::size_t>(id - kCustomFormFirst)];
  if (id == kCustomInterceptNone) return interceptNone;
  if (id == kCustomInterceptAdd) return interceptAdd;
  return false;
}

void TCustomSetForm::Check(int id, bool on) {
  if (id >= kCustomLinearFirst && id <= kCustomLinearLast) linear[static_cast<std::size_t>(id - kCustomLinearFirst)] = on;
  if (id >= kCustomGroupFirst && id <= kCustomGroupLast) groups[static_cast<std::size_t>(id - kCustomGroupFirst)] = on;
  if (id >= kCustomFormFirst && id <= kCustomFormLast) forms[static_cast<std::size_t>(id - kCustomFormFirst)] = on;
  if (id == kCustomInterceptNone) interceptNone = on;
  if (id == kCustomInterceptAdd) interceptAdd = on;
}

int CustomSetBaseBox(int id) {
  switch (id) {
    case 102: return 101;
    case 104: return 103;
    case 106: case 107: return 105;
    case 109: return 108;
    case 111: return 110;
    default: return 0;
  }
}

TCustomSetForm CustomSetFormOf(const TFitSelection& s) {
  TCustomSetForm f;
  for (int i = 0; i < 14; ++i) {
    const LinearBox& b = kLinearBoxes[i];
    f.linear[static_cast<std::size_t>(i)] = (s.polynomialMask & b.poly) != 0 ||
                                            (s.rationalMask & b.rat) != 0 ||
                                            (s.subsetMask & b.subset) != 0;
  }
  const auto show = [&f](int form, int intercept) {
    f.forms[static_cast<std::size_t>(form)] = true;
    if (intercept == 0) f.interceptNone = true;
    if (intercept == 1) f.interceptAdd = true;
  };
  for (int flag = 0; flag < kNonlinearEquationCount; ++flag) {
    if (!s.nonlinear[static_cast<std::size_t>(flag)]) continue;
    const int group = flag / kFormsPerGroup;
    if (group < kGroupCount) f.groups[static_cast<std::size_t>(group)] = true;
    if (group == kPairedGroup) {
      static constexpr int kPairForm[3] = {kStandard, kAdditive, kSynergy};
      const int pair = (flag - kPairedGroup * kFormsPerGroup) / 2;
      show(kPairForm[pair / 2], pair % 2);
    } else {
      // The robust plane flags 168..171 count as forms 0..3.
      const FormOf& k = kFormOfK[flag % kFormsPerGroup];
      show(k.form, k.intercept);
    }
  }
  f.groups[kGroupCount] = s.nonlinear[kRobustPlaneFlag] != 0;
  if (std::none_of(f.forms.begin(), f.forms.end(), [](bool on) { return on; }))
    f.forms[kStandard] = true;
  if (!f.interceptNone && !f.interceptAdd) f.interceptNone = true;
  return f;
}

void StoreCustomSetForm(const TCustomSetForm& f, TFitSelection& s) {
  s.polynomialMask = s.rationalMask = s.subsetMask = 0;
  for (int id = kCustomLinearFirst; id <= kCustomLinearLast; ++id) {
    const int base = CustomSetBaseBox(id);
    if (!f.Checked(id) || (base != 0 && !f.Checked(base))) continue;
    const LinearBox& b = kLinearBoxes[id - kCustomLinearFirst];
    s.polynomialMask |= b.poly;
    s.rationalMask |= b.rat;
    s.subsetMask |= b.subset;
  }
  s.nonlinear.fill(0);
  for (int g = 0; g < kGroupCount; ++g) {
    if (!f.groups[static_cast<std::size_t>(g)]) continue;
    for (int form = 0; form < 6; ++form) {
      if (!f.forms[static_cast<std::size_t>(form)]) continue;
      for (int add = 0; add < 2; ++add) {
        if (!(add ? f.interceptAdd : f.interceptNone)) continue;
        if (g == kPairedGroup) {
          const int pair = kPairOf[form][add];
          if (pair < 0) continue;
          s.nonlinear[static_cast<std::size_t>(60 + 2 * pair)] = 1;
          s.nonlinear[static_cast<std::size_t>(61 + 2 * pair)] = 1;
        } else {
          for (int k : (add ? kFormsAdd : kFormsNone)[form])
            if (k >= 0) s.nonlinear[static_cast<std::size_t>(g * kFormsPerGroup + k)] = 1;
        }
      }
    }
  }
  if (f.groups[kGroupCount])
    for (int flag = kRobustPlaneFlag; flag < kNonlinearEquationCount; ++flag)
      s.nonlinear[static_cast<std::size_t>(flag)] = 1;
}

TCustomSetCounts CountCustomSet(const TFitSelection& s, const TFitOptions& o) {
  TCustomSetCounts c;
  const int highest = static_cast<int>(o.highestTerm);
  const int h10 = std::clamp(highest, 0, 10), h8 = std::clamp(highest, 0, 8);

  // The linear families as a run counts them, without the data's domain (all-positive
  // statistics exclude no logarithm), the term subsets apart.
  TDataStats positive;
  ResetDataStats(positive, 100);
  positive.X.Min = positive.Y.Min = 1;
  TFitSelection families = s;
  families.subsetMask = 0;
  TFitCounts run;
  c.selectedLinear = CountLinearEquations(families, o, positive, run);
  const int subsetVariants = static_cast<int>(Bits(s.subsetMask, kSubsetMaskAll));
  c.selectedLinear += static_cast<std::uint64_t>(subsetVariants) * kAllSubsets[h8];

  // The series families keep every equation they fit: their part of the run's counts.
  TFitSelection series;
  series.polynomialMask = s.polynomialMask & ~(kPolyX | kPolyLnX | kPolyInvX | kPolyY | kPolyLnY | kPolyInvY);
  series.rationalMask = s.rationalMask & (kRatChebyshev | kRatChebyshevLog);
  TFitCounts seriesRun;
  CountLinearEquations(series, o, positive, seriesRun);

  const std::uint32_t polyPairs = Bits(s.polynomialMask, kPolyX | kPolyLnX | kPolyInvX) *
                                  Bits(s.polynomialMask, kPolyY | kPolyLnY | kPolyInvY);
  const std::uint32_t ratPairs =
      Bits(s.rationalMask, kRatX | kRatLnX) * Bits(s.rationalMask, kRatY | kRatLnY);
  std::uint64_t kept = 0;
  for (int m = 2; m <= h10; ++m) kept += std::min(o.keepPolynomial, polyPairs * kKeptPolynomial[m]);
  const std::uint32_t e = s.polynomialMask == 63 ? 9 : s.polynomialMask == 9 ? 1 : 0;
  if (h10 >= 5) kept += std::min(o.keepPolynomial, e);
  if (h10 >= 9) kept += std::min(o.keepPolynomial, e);
  kept += seriesRun.polynomial;
  for (int m = 4; m <= h10; ++m) kept += std::min(o.keepRational, ratPairs * kKeptRational[m]);
  if (h10 == 10) {
    const std::uint32_t e2 = s.rationalMask == 27 ? 4 : s.rationalMask == 9 ? 1 : 0;
    kept += std::min(o.keepRational, e2);
  }
  kept += seriesRun.rational;
  if (s.subsetMask & kSubsetMaskAll) kept += static_cast<std::uint64_t>(o.keepSubset) * static_cast<std::uint64_t>(std::max(h8 - 1, 0));
  c.keptLinear = kept;
  c.nonlinear = CountNonLinearEquations(s, 0);
  return c;
}
