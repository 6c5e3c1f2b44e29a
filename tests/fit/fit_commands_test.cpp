// What a fit command sets and shows: the kinds of fit, the custom equation set and fitting
// preferences dialogs' rules, and the progress reports of a foreground run.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "app/data_statistics.h"
#include "fit/custom_set_form.h"
#include "fit/fit_kinds.h"
#include "fit/fit_options_form.h"
#include "fit/fit_progress.h"
#include "fit/fit_run.h"

namespace {

// Flags [first, end) all equal to v.
bool FlagsAre(const TFitSelection& s, int first, int end, int v) {
  for (int i = first; i < end; ++i)
    if (s.nonlinear[static_cast<std::size_t>(i)] != v) return false;
  return true;
}

TEST(SetSelectionForFitKind, EachKindSetsItsMasksFlagsAndTermLimit) {
  // A custom set that differs from every kind: all flags set, odd masks, highest 30.
  TFitSelection custom;
  custom.polynomialMask = 5;
  custom.rationalMask = 2;
  custom.subsetMask = 4;
  custom.nonlinear.fill(0);
  std::fill(custom.nonlinear.begin(), custom.nonlinear.begin() + kNonlinearEquationCount, 1);
  const struct {
    int kind;
    std::uint32_t poly, rat, subset;
    int setFirst, setEnd;  // flags set; all others of 0..143 and 168..171 clear
    int highest;
  } cases[] = {
      {kFitKindAll, 4095, 123, 7, 0, 172, 30},
      {kFitKindLinear, 4095, 123, 7, 0, 0, 30},
      {kFitKindSimple, 63, 27, 7, 0, 0, 2},
      {kFitKindPolynomial, 4095, 0, 0, 0, 0, 30},
      {kFitKindRational, 0, 123, 0, 0, 0, 30},
      {kFitKindPolyRational, 4095, 123, 0, 0, 0, 30},
      {kFitKindUserFunctions, 0, 0, 0, 0, 0, 10},
      {kFitKindPeak, 0, 0, 0, 0, 72, 10},
      {kFitKindRobustPlane, 0, 0, 0, 168, 172, 10},
  };
  for (const auto& c : cases) {
    TFitSelection s = custom;
    TFitOptions o = DefaultFitOptions();
    o.highestTerm = 30;
    SetSelectionForFitKind(c.kind, s, o);
    EXPECT_EQ(s.polynomialMask, c.poly) << c.kind;
    EXPECT_EQ(s.rationalMask, c.rat) << c.kind;
    EXPECT_EQ(s.subsetMask, c.subset) << c.kind;
    EXPECT_TRUE(FlagsAre(s, c.setFirst, c.setEnd, 1)) << c.kind;
    EXPECT_TRUE(FlagsAre(s, 0, c.setFirst, 0)) << c.kind;
    EXPECT_TRUE(FlagsAre(s, c.setEnd, kNonlinearEquationCount, 0)) << c.kind;
    EXPECT_EQ(o.highestTerm, static_cast<std::uint32_t>(c.highest)) << c.kind;
  }
  // The custom set kind and a kind out of range change nothing.
  for (int kind : {0, 11, -1}) {
    TFitSelection s = custom;
    TFitOptions o = DefaultFitOptions();
    SetSelectionForFitKind(kind, s, o);
    EXPECT_EQ(s, custom);
    EXPECT_EQ(o, DefaultFitOptions());
  }
}

TEST(SetSelectionForFitKind, TransitionKeepsTheCustomFlags144To171) {
  TFitSelection s = DefaultFitSelection();  // exponential and power groups: 144..167
  s.nonlinear[0] = 1;                       // a peak equation
  s.nonlinear[169] = 1;                     // a robust plane equation
  TFitOptions o = DefaultFitOptions();
  SetSelectionForFitKind(kFitKindTransition, s, o);
  EXPECT_TRUE(FlagsAre(s, 0, 72, 0));
  EXPECT_TRUE(FlagsAre(s, 72, 144, 1));
  EXPECT_TRUE(FlagsAre(s, 144, 168, 1));
  EXPECT_TRUE(FlagsAre(s, 168, 169, 0));
  EXPECT_EQ(s.nonlinear[169], 1);
  EXPECT_EQ(o.highestTerm, 10u);
}

TEST(FitKindOfBackgroundType, TypesRunTheirKinds) {
  const int kinds[kBackgroundFitTypeCount] = {-1, 1, 2, 3, 10, 4, 5, 6, 8, 9, 0, 7};
  for (int type = 0; type < kBackgroundFitTypeCount; ++type)
    EXPECT_EQ(FitKindOfBackgroundType(type), kinds[type]) << type;
  EXPECT_EQ(FitKindOfBackgroundType(12), -1);
  EXPECT_EQ(FitKindOfBackgroundType(-1), -1);
}

// ---- Custom equation set ----

TEST(CustomSetForm, ProgramDefaultsSurviveTheDialog) {
  const TFitSelection defaults = DefaultFitSelection();
  const TCustomSetForm f = CustomSetFormOf(defaults);
  for (int id : {101, 102, 103, 104, 105, 213, 214, 301, 302, 303, 304, 305, 306, 307, 308})
    EXPECT_TRUE(f.Checked(id)) << id;
  for (int id : {106, 107, 108, 112, 201, 206, 212, 215}) EXPECT_FALSE(f.Checked(id)) << id;
  TFitSelection back;
  StoreCustomSetForm(f, back);
  EXPECT_EQ(back, defaults);
}

TEST(CustomSetForm, FormsAndInterceptsSetTheirFlags) {
  const struct {
    const char* what;
    std::vector<int> boxes;
    std::vector<int> flags;  // every flag set, in order
  } cases[] = {
      {"X only ignores the intercept", {201, 213, 305, 307}, {6, 8, 150, 152}},
      {"Y only with add", {202, 306, 308}, {19, 21}},
      {"standard, both intercepts", {204, 301, 307, 308}, {36, 37}},
      {"synergy with add", {211, 304, 308}, {131}},
      {"paired group: standard with add", {206, 301, 308}, {62, 63}},
      {"paired group: additive and synergy", {206, 303, 304, 307}, {64, 65, 68, 69}},
      {"paired group: equal widths sets nothing", {206, 302, 305, 306, 307}, {}},
      {"robust plane", {215, 302, 307}, {168, 169, 170, 171}},
  };
  for (const auto& c : cases) {
    TCustomSetForm f;
    for (int id : c.boxes) f.Check(id, true);
    TFitSelection s;
    s.nonlinear.fill(1);
    StoreCustomSetForm(f, s);
    std::vector<int> set;
    for (int i = 0; i < kNonlinearFlagCount; ++i)
      if (s.nonlinear[static_cast<std::size_t>(i)]) set.push_back(i);
    EXPECT_EQ(set, c.flags) << c.what;
  }
}

TEST(CustomSetForm, BoxesShowTheFlagsTheyWouldSet) {
  TFitSelection s;
  s.nonlinear[66] = s.nonlinear[67] = 1;  // paired group: additive with intercept
  TCustomSetForm f = CustomSetFormOf(s);
  EXPECT_TRUE(f.Checked(206));
  EXPECT_TRUE(f.Checked(303));
  EXPECT_TRUE(f.Checked(308));
  EXPECT_FALSE(f.Checked(301));
  EXPECT_FALSE(f.Checked(307));

  s = {};
  s.nonlinear[170] = 1;  // a robust plane equation alone: form 2, no robust plane box
  f = CustomSetFormOf(s);
  EXPECT_TRUE(f.Checked(302));
  EXPECT_TRUE(f.Checked(307));
  EXPECT_FALSE(f.Checked(215));
  EXPECT_FALSE(f.Checked(301));

  // Nothing set: "Standard" and "None".
  f = CustomSetFormOf(TFitSelection{});
  EXPECT_TRUE(f.Checked(301));
  EXPECT_TRUE(f.Checked(307));
  EXPECT_FALSE(f.Checked(308));
}

TEST(CustomSetForm, DependentBoxesCountOnlyWithTheirBase) {
  TCustomSetForm f;
  for (int id : {102, 104, 106, 107, 109, 111, 112}) f.Check(id, true);
  TFitSelection s;
  StoreCustomSetForm(f, s);
  EXPECT_EQ(s.polynomialMask, kPolyFourier | kPolyFourier2);
  EXPECT_EQ(s.rationalMask, 0u);
  EXPECT_EQ(s.subsetMask, 0u);
  for (int id : {101, 103, 105, 108, 110}) f.Check(id, true);
  StoreCustomSetForm(f, s);
  EXPECT_EQ(s.polynomialMask, 63u | kPolyChebyshev | kPolyChebyshevLog | kPolyFourier | kPolyFourier2);
  EXPECT_EQ(s.rationalMask, 27u | kRatChebyshev | kRatChebyshevLog);
  EXPECT_EQ(s.subsetMask, 7u);
}

TEST(CountCustomSet, ProgramDefaults) {
  const TCustomSetCounts c = CountCustomSet(DefaultFitSelection(), DefaultFitOptions());
  // 9 polynomial pairs of 27 equations and 4 rational pairs of 65 (as a run counts them),
  // and every subset of 2..8 of the 42 candidate terms for Z: sum of C(42, k).
  EXPECT_EQ(c.selectedLinear, 243u + 260u + 151229238u);
  // Kept, keep count 10: polynomial pairs 9 x (1 2 3 4 5 4 3 2 1) each capped at 10 -> 88,
  // the full quadratic and cubic (mask 63: 9 each) -> 18; rational pairs 4 x (1 4 10 16 17
  // 12 4) capped -> 64, the full quadratic rational (mask 27: 4) -> 4; subsets 10 x 7.
  EXPECT_EQ(c.keptLinear, 88u + 18u + 64u + 4u + 70u);
  EXPECT_EQ(c.nonlinear, 24u);
}

TEST(CountCustomSet, SeriesAndLowTermLimits) {
  TFitSelection s;
  s.polynomialMask = kPolyChebyshev | kPolyFourier;
  s.subsetMask = kSubsetLnZ | kSubsetInvZ;
  TFitOptions o = DefaultFitOptions();
  o.highestTerm = 3;
  TCustomSetCounts c = CountCustomSet(s, o);
  // Fourier with 1 harmonic needs 4 terms: nothing of the series; subsets of 2..3 terms:
  // 861 + 11480 per variant; kept: the subset keep count for 2 and 3 terms.
  EXPECT_EQ(c.selectedLinear, 2u * 12341u);
  EXPECT_EQ(c.keptLinear, 20u);
  o.highestTerm = 5;
  c = CountCustomSet(s, o);
  // Chebyshev order 2 (5 terms) and Fourier with 1 harmonic: both selected and kept.
  EXPECT_EQ(c.selectedLinear, 2u + 2u * 974939u);
  EXPECT_EQ(c.keptLinear, 2u + 10u * 4u);
}

// ---- Fitting preferences ----

TEST(FitOptionsForm, ResetFillsTheDialogDefaults) {
  TFitOptions o = DefaultFitOptions();
  o.robustMode = 2;
  StoreFitOptionsForm(ResetFitOptionsForm(), o, o);
  EXPECT_EQ(o.digitThreshold, 9u);
  EXPECT_EQ(o.maxIterations, 200u);
  EXPECT_EQ(o.highestTerm, 65u);
  EXPECT_EQ(o.keepPolynomial, 10u);
  EXPECT_EQ(o.convergeDigits, 6u);
  EXPECT_EQ(o.sortCriterion, 1u);
  EXPECT_EQ(o.robustMode, 0u);
}

TEST(FitOptionsForm, StoredValuesAreClampedAndTheKeepCountGoesToAllThree) {
  const struct {
    long keep, highest, digits, iterations, converge;
    std::uint32_t keepOut, highestOut, digitsOut, iterationsOut, convergeOut;
  } cases[] = {
      {0, 1, 0, 1, 2, 1, 1, 1, 2, 3},
      {201, 67, 16, 10000, 16, 200, 65, 15, 9999, 15},
      {37, 12, 7, 500, 9, 37, 11, 7, 500, 9},
  };
  for (const auto& c : cases) {
    TFitOptionsForm f = FitOptionsFormOf(DefaultFitOptions());
    f.keep = c.keep;
    f.highestTerms = c.highest;
    f.digits = c.digits;
    f.iterations = c.iterations;
    f.convergeDigits = c.converge;
    TFitOptions o;
    StoreFitOptionsForm(f, DefaultFitOptions(), o);
    EXPECT_EQ(o.keepPolynomial, c.keepOut);
    EXPECT_EQ(o.keepRational, c.keepOut);
    EXPECT_EQ(o.keepSubset, c.keepOut);
    EXPECT_EQ(o.highestTerm, c.highestOut);
    EXPECT_EQ(o.digitThreshold, c.digitsOut);
    EXPECT_EQ(o.maxIterations, c.iterationsOut);
    EXPECT_EQ(o.convergeDigits, c.convergeOut);
  }
}

TEST(FitOptionsForm, SortCodesWithoutARadioSurviveTheDialog) {
  const struct {
    std::uint32_t opened;
    int shown;     // radio checked on opening
    int chosen;    // radio checked on closing
    std::uint32_t stored;
  } cases[] = {
      {16, -1, -1, 16},       // complexity: no radio, nothing chosen
      {64, -1, -1, 64},       // equation number
      {4097, 0, 0, 4097},     // parameter count first, then r²: radio unchanged
      {4097, 0, 2, 4},        // the user chose another criterion
      {16, -1, 3, 8},
      {2, 1, 1, 2},
  };
  for (const auto& c : cases) {
    TFitOptions opened = DefaultFitOptions();
    opened.sortCriterion = c.opened;
    TFitOptionsForm f = FitOptionsFormOf(opened);
    EXPECT_EQ(f.sortRadio, c.shown) << c.opened;
    f.sortRadio = c.chosen;
    TFitOptions o = opened;
    StoreFitOptionsForm(f, opened, o);
    EXPECT_EQ(o.sortCriterion, c.stored) << c.opened << " " << c.chosen;
  }
}

// ---- Progress reports ----

class Reports : public ::testing::Test {
 protected:
  void SetUp() override { FitAbort = FitSkip = FitIterUpdate = 0; }
  void TearDown() override { FitAbort = FitSkip = FitIterUpdate = 0; }
  // Messages as "code:value" (the text for 944, the real for 946 and 955).
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    for (const TFitMessage& m : sent_) {
      std::string v = m.code == kFitMsgEquation ? m.text
                      : m.code == kFitMsgR2 || m.code == kFitMsgGaugeR2
                          ? std::to_string(static_cast<double>(m.real))
                          : std::to_string(m.value);
      out.push_back(std::to_string(m.code) + ":" + v);
    }
    sent_.clear();
    return out;
  }
  std::vector<TFitMessage> sent_;
  TFitSendFn Recorder() {
    return [this](const std::vector<TFitMessage>& batch) {
      ++batches_;
      sent_.insert(sent_.end(), batch.begin(), batch.end());
      return true;
    };
  }
  // Without an interval every report is sent as it comes.
  TFitReporter reporter_{Recorder(), std::chrono::milliseconds(0)};
  int batches_ = 0;
};

// Within the interval reports are held back, each code keeping its latest value, except a
// phase start; Flush sends what is held. The clock reads three seconds after the boot, as on a
// machine just started: the first report still goes at once.
TEST_F(Reports, ReportsWithinTheIntervalAreHeldBackAsTheirLatestValues) {
  std::chrono::steady_clock::time_point now{std::chrono::seconds(3)};
  TFitReporter held(Recorder(), std::chrono::hours(1), [&now] { return now; });
  EXPECT_EQ(held.FitProgress(2, 1.0f, 1, 1), 1);  // the first report goes at once
  EXPECT_EQ(Take(), (std::vector<std::string>{"949:1", "934:1", "935:1"}));
  for (int i = 2; i <= 1000; ++i) EXPECT_EQ(held.FitProgress(2, i / 10.0f, i, i / 3), 1);
  EXPECT_EQ(batches_, 1);
  EXPECT_EQ(held.FitStatus(0, 0, 0.0f, 0, 0, 0, 0.0L), 1);  // a phase start at once
  EXPECT_EQ(Take(), (std::vector<std::string>{"949:100", "934:1000", "935:333", "947:0", "931:-1"}));
  EXPECT_EQ(held.FitStatus(1, 2005, 3.0f, 1001, 334, 0, 0.0L), 1);
  EXPECT_EQ(held.FitStatus(1, 2006, 3.0f, 1002, 334, 0, 0.0L), 1);
  EXPECT_EQ(batches_, 2);
  held.Flush();
  EXPECT_EQ(Take(), (std::vector<std::string>{"944:Eqn 2006", "934:1002", "935:334"}));
  EXPECT_EQ(batches_, 3);
  held.Flush();  // nothing held: no send
  EXPECT_EQ(batches_, 3);
  // Once the interval has passed, the next report goes with what was held before it.
  EXPECT_EQ(held.FitProgress(3, 5.0f, 1003, 334), 1);
  EXPECT_EQ(batches_, 3);
  now += std::chrono::hours(1);
  EXPECT_EQ(held.FitProgress(3, 6.0f, 1004, 335), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"950:6", "934:1004", "935:335"}));
  EXPECT_EQ(batches_, 4);
}

TEST_F(Reports, ProgressSendsItsGaugeAndChangedCounts) {
  EXPECT_EQ(reporter_.FitProgress(1, 12.9f, 0, 0), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"948:12"}));
  EXPECT_EQ(reporter_.FitProgress(2, 40.0f, 15, 3), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"949:40", "934:15", "935:3"}));
  EXPECT_EQ(batches_, 2);  // one round trip a report when no interval holds them back
  EXPECT_EQ(reporter_.FitProgress(6, 41.0f, 15, 4), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"953:41", "935:4"}));
  FitAbort = 1;
  EXPECT_EQ(reporter_.FitProgress(6, 50.0f, 16, 5), 0);
  EXPECT_TRUE(Take().empty());
}

TEST_F(Reports, StatusReportsTheNonLinearPhase) {
  EXPECT_EQ(reporter_.FitStatus(0, 0, 0.0f, 0, 0, 0, 0.0L), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"947:0", "931:-1"}));
  EXPECT_EQ(reporter_.FitStatus(1, 2005, 3.0f, 4, 2, 0, 0.0L), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"944:Eqn 2005", "934:4", "935:2"}));
  EXPECT_EQ(reporter_.FitStatus(2, 2005, 3.0f, 4, 2, 7, 0.5L), 1);
  EXPECT_TRUE(Take().empty());  // iterations only with "Iteration Update"
  FitIterUpdate = 1;
  EXPECT_EQ(reporter_.FitStatus(2, 2005, 3.0f, 4, 2, 8, 0.5L), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"945:8", "946:0.500000", "955:0.500000"}));
  FitSkip = 1;
  EXPECT_EQ(reporter_.FitStatus(2, 2005, 3.0f, 4, 2, 9, 0.5L), -1);
  EXPECT_EQ(FitSkip, 0);
  EXPECT_EQ(reporter_.FitStatus(4, 2005, 66.7f, 5, 3, 9, 0.5L), 1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"934:5", "935:3", "954:66"}));
}

TEST(FitR2GaugeValue, DecadesOfOneMinusR2) {
  const struct {
    long double r2;
    int gauge;
  } cases[] = {{0.95L, 130}, {0.9995L, 330}, {0.999995L, 500}, {1.0L, 500}, {0.0L, 0},
               {-3.0L, 0}, {std::numeric_limits<long double>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(FitR2GaugeValue(c.r2), c.gauge) << static_cast<double>(c.r2);
}

TEST(FitElapsedText, MinutesAppearFromOneMinuteOn) {
  EXPECT_EQ(FitElapsedText(0), "Time 0.00");
  EXPECT_EQ(FitElapsedText(5999), "Time 59.99");
  EXPECT_EQ(FitElapsedText(6000), "Time 1:00.00");
  EXPECT_EQ(FitElapsedText(754321), "Time 125:43.21");
}

}  // namespace
