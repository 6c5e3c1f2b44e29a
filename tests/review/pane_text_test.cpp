// The review panes' texts on a fitted plane with replicates; reference figures from SciPy
// (reference/pane_figures.py).

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/coded_text.h"
#include "app/settings_file.h"
#include "app/text_line_buffer.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/session.h"
#include "fit/fit_test_data.h"
#include "review/pane_text.h"
#include "review/review_fit_fixture.h"

namespace {

using namespace fit_test;

using review_test::ReplicatedPlane;

class PaneTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedVolume_ = CurrentSettings().VolumeOption;
    CurrentSettings().VolumeOption = 1;
    stamp_.tm_year = 126;
    stamp_.tm_mon = 11;
    stamp_.tm_mday = 7;
    stamp_.tm_hour = 14;
  }
  void TearDown() override { CurrentSettings().VolumeOption = savedVolume_; }

  // Runs `selection` over `t` and publishes the list into the session.
  // The defined functions of `udfs` take part.
  void Fit(PointTable t, const TFitSelection& selection, const TUdfTable* udfs = nullptr) {
    review_test::FitInto(session_, std::move(t), selection, udfs);
  }

  int RankOf(int equationNumber) { return review_test::RankOf(session_, equationNumber); }

  std::vector<std::string> Lines(const TMFile& f) {
    std::vector<std::string> v;
    for (int i = 0; i < f.LineCount(); ++i) v.emplace_back(f.GetLine(i));
    return v;
  }

  TSession session_;
  std::tm stamp_{};
  std::int32_t savedVolume_ = 0;
};

TEST_F(PaneTextTest, NumericSummaryOfTheReplicatedPlane) {
  Fit(ReplicatedPlane(), LinearSelection(9, 0, 0));
  const int rank = RankOf(1);
  ASSERT_GT(rank, 0);
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.volumeInSummary = true;
  settings.stamp = &stamp_;
  ASSERT_TRUE(FormatNumericSummary(out, session_, rank, settings));
  const std::vector<std::string> l = Lines(out);
  const std::string all = [&] { std::string s; for (auto& x : l) s += x + "\n"; return s; }();
  // r², adjusted r², standard error, F.
  const std::vector<std::string> expected = {
      "~!0.9988503645~!   ~!0.9984192512~!   ~!0.1276569477~!   ~!3909.7840909~!",
      "~#95.00% Confidence Limits~#  ~#P>|t|~#",
      "~$  b~$   ~!2.05       ~!  ~!0.046613727~!  ~!43.97846193~!  ~!1.944552425~!  ~!2.155447575~!  ~!0.00000~!",
      "~!0.9988503645~!   ~!0.9984192512~!   ~!0.1276569477~!   ~!0.9994513103~!",
      "~$Regr~$     ~!127.43         ~!   ~!2   ~!    ~!63.715         ~!    ~!3909.78        ~!  ~!0.00000~!",
      "~$Error~$    ~!0.14666667     ~!   ~!9   ~!    ~!0.016296296    ~!",
      "~$Total~$    ~!127.57667      ~!   ~!11  ~!",
      "~$Lack Fit~$ ~!0.076666667    ~!   ~!6   ~!    ~!0.012777778    ~!    ~!0.547619       ~!  ~!0.75718~!",
      "~$Pure Err~$ ~!0.07           ~!   ~!3   ~!    ~!0.023333333    ~!",
      "~!24.066666667~!               ~!",
      "~!0           ~!   ~!0           ~!   ~!1.0166666667~!",
      "~!2           ~!   ~!2           ~!   ~!11.016666667~!",
      "~$GaussElim      ~$~$            ~$",
  };
  for (const std::string& s : expected) EXPECT_NE(all.find(s), std::string::npos) << s << "\n" << all;
  const std::optional<TFitSide> fit = RefitRank(session_, rank, kRefitComplete);  // the fit it formatted
  ASSERT_TRUE(fit);
  const TFitEqn& e = fit->eqn;
  EXPECT_NEAR(static_cast<double>(e.parameters[0]), 61.0 / 60, 1e-15);
  EXPECT_NEAR(static_cast<double>(e.sse), 11.0 / 75, 1e-14);
  EXPECT_NEAR(static_cast<double>(e.sst), 38273.0 / 300, 1e-12);
}

// The limits of b = 2.05 (standard error sqrt(11/75 / 9 * 2/15)) at 9 degrees of freedom at
// every level, to the ten digits the pane shows: b -+ t * se with t the two-sided quantile
// (mpmath, 40 digits: 1.8331129326562, 2.2621571627982, 3.2498355415921, 4.7809125859311,
// 6.5936825839448). A rational approximation of t gave 1.742672... at 99.99 %.
TEST_F(PaneTextTest, ConfidenceLimitsHoldTheirDigitsAtEveryLevel) {
  Fit(ReplicatedPlane(), LinearSelection(9, 0, 0));
  const int rank = RankOf(1);
  ASSERT_GT(rank, 0);
  const char* const limits[5][2] = {{"1.964551775", "2.135448225"},
                                    {"1.944552425", "2.155447575"},
                                    {"1.898513055", "2.201486945"},
                                    {"1.827143848", "2.272856152"},
                                    {"1.742643883", "2.357356117"}};
  for (int level = 0; level < 5; ++level) {
    TMFile out("", 200);
    TNumericPaneSettings settings;
    settings.levelIndex = level;
    settings.stamp = &stamp_;
    ASSERT_TRUE(FormatNumericSummary(out, session_, rank, settings));
    std::string row;
    for (int i = 0; i < out.LineCount(); ++i)
      if (std::strncmp(out.GetLine(i), "~$  b~$", 7) == 0) row = out.GetLine(i);
    const std::string expected = std::string("~!") + limits[level][0] + "~!  ~!" + limits[level][1] + "~!";
    EXPECT_NE(row.find(expected), std::string::npos) << "level " << level << ": " << row;
  }
}

// More than 10,000 points give five-digit degrees of freedom: every cell of the ANOVA rows must
// still hold whole pairs of its codes, or the pane shows a stray "!" and shifts the cells after.
TEST_F(PaneTextTest, FiveDigitDegreesOfFreedomKeepTheAnovaCells) {
  int k = 0;
  Fit(GridTable(Axis(0, 1, 120), Axis(0, 1, 100),
                [&](long double x, long double y) { return 1 + 2 * x + 3 * y + ((k++ % 7) - 3) * 0.01L; }),
      LinearSelection(9, 0, 0));
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.stamp = &stamp_;
  ASSERT_TRUE(FormatNumericSummary(out, session_, RankOf(1), settings));
  bool sawError = false;
  for (int i = 0; i < out.LineCount(); ++i) {
    const std::string line = out.GetLine(i);
    if (line.rfind("~$Error~$", 0) == 0) {
      sawError = true;
      EXPECT_NE(line.find("~!11997~!"), std::string::npos) << line;
    }
    for (auto [offset, length] : LineSegments(line, out.GetLineAttr(i))) {
      const std::string cell = line.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
      std::size_t codes = 0;
      for (std::size_t at = cell.find("~!"); at != std::string::npos; at = cell.find("~!", at + 2)) ++codes;
      EXPECT_EQ(codes % 2, 0u) << "line " << i << ": [" << cell << "] of " << line;
    }
  }
  EXPECT_TRUE(sawError);
}

TEST_F(PaneTextTest, AllOptionsOffLeaveTheCoreLines) {
  Fit(ReplicatedPlane(), LinearSelection(9, 0, 0));
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.options = 0;
  settings.stamp = &stamp_;
  ASSERT_TRUE(FormatNumericSummary(out, session_, RankOf(1), settings));
  const std::vector<std::string> l = Lines(out);
  ASSERT_EQ(l.size(), 16u);
  EXPECT_EQ(l[15], "");
  EXPECT_EQ(l[0].rfind("~#Rank~# ~!", 0), 0u);
  EXPECT_EQ(l[1], "");
  EXPECT_EQ(l[4], "");
  EXPECT_EQ(l[5], "~# Parm~#  ~#Value~#        ~#Std Error~#    ~#t-value~#      ~#95.00% Confidence Limits~#");
  EXPECT_EQ(l[6].substr(0, 10), "~$  a~$   ");
  EXPECT_EQ(l[9], "");
  EXPECT_EQ(l[10].rfind("~#Procedure~#", 0), 0u);
  EXPECT_EQ(l[12], "");
  EXPECT_EQ(l[13], "~#Date~#           ~#Time~#           ~#File Source~#");
  EXPECT_EQ(l[14].rfind("~!Dec 7, 2026   ~! ~!2:00:00 PM    ~!", 0), 0u) << l[14];
  // Cells of the parameter header.
  const std::uint8_t* cells = out.GetLineAttr(5);
  EXPECT_EQ(std::vector<int>(cells, cells + 6), (std::vector<int>{11, 17, 17, 17, 28, 0}));
}

TEST_F(PaneTextTest, PrecisionSummaryOfALinearFitKeepsItsParameters) {
  Fit(ReplicatedPlane(), LinearSelection(9, 0, 0));
  const int rank = RankOf(1);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitCovariance));
  const auto before = session_.CurFitEqn().parameters;
  TMFile out("", 200);
  FormatPrecisionSummary(out, session_, rank);
  EXPECT_EQ(std::memcmp(before.data(), session_.CurFitEqn().parameters.data(), sizeof before), 0);
  const std::vector<std::string> l = Lines(out);
  // Rank, blank, header, 17 rows, blank, header, three removal rows.
  ASSERT_EQ(l.size(), 3u + 17u + 2u + 3u);
  EXPECT_EQ(l[3].substr(0, 18), "    ~$ 18~$       ");
  EXPECT_EQ(l[21], "~#Removing~#       ~#Avg Abs Error~#  ~#Min Abs Error~#  ~#Max Abs Error~#");
  EXPECT_EQ(l[22].substr(0, 17), "    ~$ a~$       ");
}

// A cubic fitted at x about 1e6 is solved and evaluated in its frame; the rows measure the
// raw coefficients the pane shows, whose terms cancel over such data: even at 18 digits they
// leave an error, where the frame's evaluation of the fit itself would show none.
TEST_F(PaneTextTest, PrecisionSummaryOfAFarFitMeasuresItsRawCoefficients) {
  Fit(GridTable(Axis(1e6L, 64, 9), Axis(2000, 1, 7),
                [](long double x, long double y) {
                  const long double u = (x - 1e6L) / 256, v = (y - 2003) / 3;
                  return 5 + u - 2 * v + u * u * u / 3 + u * v * v / 7;
                }),
      LinearSelection(9, 0, 0));
  const int rank = RankOf(310);
  ASSERT_GT(rank, 0);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitCovariance));
  ASSERT_TRUE(session_.CurFitEqn().framed);
  TMFile out("", 200);
  FormatPrecisionSummary(out, session_, rank);
  const std::vector<std::string> l = Lines(out);
  ASSERT_GT(l.size(), 3u);
  // The 18-digit row: its largest error, the row's last number.
  const std::string row = l[3];
  const std::size_t last = row.find_last_of("0123456789");
  const std::size_t first = row.find_last_of(" ~!", last) + 1;
  EXPECT_GT(std::strtold(row.substr(first, last - first + 1).c_str(), nullptr), 0.0L) << row;
}

TEST_F(PaneTextTest, NonLinearFitShowsItsLossAndOnlyTheRoundingRows) {
  TFitSelection sel;
  sel.nonlinear[169] = 1;  // the plane fitted by least absolute deviation
  Fit(ReplicatedPlane(), sel);
  const int rank = RankOf(2170);
  ASSERT_GT(rank, 0);
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.stamp = &stamp_;
  ASSERT_TRUE(FormatNumericSummary(out, session_, rank, settings));
  bool found = false;
  for (const std::string& s : Lines(out)) found |= s.find("~$Least Abs Dev  ~$") != std::string::npos;
  EXPECT_TRUE(found);
  ASSERT_TRUE(MakeRankCurrent(session_, rank, kRefitComplete));  // as the numeric pane's rank
  const auto before = session_.CurFitEqn().parameters;
  FormatPrecisionSummary(out, session_, rank);
  EXPECT_EQ(std::memcmp(before.data(), session_.CurFitEqn().parameters.data(), sizeof before), 0);
  EXPECT_EQ(out.LineCount(), 3 + 17);
  for (const std::string& s : Lines(out)) EXPECT_EQ(s.find("Removing"), std::string::npos);
}

TEST_F(PaneTextTest, DataSummaryMarksInactivePointsAndZeroZ) {
  PointTable t = ReplicatedPlane();
  TXYZPoint zero = t[1];
  zero.X = 0.5L;
  zero.Y = 0.5L;
  zero.Z = 0;
  t.push_back(zero);
  TXYZPoint off = t[1];
  off.W = -1;  // a negative weight makes the point inactive
  t.push_back(off);
  SetPointCount(t, static_cast<int>(t.size()) - 1);
  Fit(t, LinearSelection(9, 0, 0));
  TMFile out("", 200);
  ASSERT_TRUE(FormatDataSummary(out, session_, RankOf(1), kDataResiduals, 1));
  const std::vector<std::string> l = Lines(out);
  ASSERT_EQ(l.size(), 2u + 14u);
  EXPECT_EQ(l[1], "XYZ  *  ~#X Value~#    ~$Y Value~$    ~!Z Value~!    ~!Z Predict~!  ~#Residual~#   ~#Residual%~#  ~$Weights~$");
  int inactive = 0, zeroZ = 0;
  for (std::size_t i = 2; i < l.size(); ++i) {
    if (l[i][5] == '*') {
      ++inactive;
      std::string grey = l[i];
      GreyOutTextCodes(grey);
      EXPECT_EQ(grey, l[i]);
      EXPECT_EQ(l[i].find("~#"), std::string::npos);
    }
    if (l[i].find("~!0        ~!  ~!") != std::string::npos) {
      ++zeroZ;
      EXPECT_NE(l[i].find("~#0        ~#  ~$"), std::string::npos) << l[i];
    }
  }
  EXPECT_EQ(inactive, 1);
  EXPECT_EQ(zeroZ, 1);
  ASSERT_TRUE(FormatDataSummary(out, session_, RankOf(1), kDataAllInformation, 1));
  EXPECT_NE(std::string(out.GetLine(1)).find("95.00% Confidence Lim~# ~!95.00% Prediction Lim"), std::string::npos);
}

// A user function of one parameter: m = 0.
class PaneUdfTest : public PaneTextTest {
 protected:
  UserFunctionScope scope_;
};

TEST_F(PaneUdfTest, OneParameterFitHasOneRegressionDegreeAndNoIterationCount) {
  DefineUserFunction(0, "Z=A0*SQRT(X+1)", {1});
  Fit(ReplicatedPlane(), TFitSelection{}, &BoundUdfTable());
  const int rank = RankOf(2501);
  ASSERT_GT(rank, 0);
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.stamp = &stamp_;
  ASSERT_TRUE(FormatNumericSummary(out, session_, rank, settings));
  const std::vector<std::string> l = Lines(out);
  bool regression = false, procedure = false;
  for (const std::string& s : l) {
    regression |= s.rfind("~$Regr~$", 0) == 0 && s.find("~!1   ~!") != std::string::npos;
    procedure |= s.find("~$Least Squares  ~$~$            ~$") != std::string::npos;
  }
  EXPECT_TRUE(regression);
  EXPECT_TRUE(procedure);
  // No sample point can be evaluated left of x = -1: the rounding rows stay empty.
  session_.DataStats.X.Min = session_.DataStats.X.Mean = session_.DataStats.X.Max = -5;
  FormatPrecisionSummary(out, session_, rank);
  ASSERT_EQ(out.LineCount(), 3 + 17);
  EXPECT_EQ(std::string(out.GetLine(3)), "    ~$ 18~$        ~!            ~!   ~!            ~!   ~!            ~!");
}

// A run fits the user functions with the robust loss of the fit options, as it fits the
// built-in shapes: the procedure line names that loss for both.
TEST_F(PaneUdfTest, RobustRunNamesItsLossForUserFunctionsAndShapes) {
  DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
  TFitOptions options = DefaultFitOptions();
  options.robustMode = kRobustLorentzian;
  session_.FitOptions = options;
  TFitSelection selection;
  selection.nonlinear[168] = 1;  // the least-squares plane keeps its own loss
  selection.nonlinear[0] = 1;    // the Gaussian product takes the options' loss
  review_test::FitInto(session_, ReplicatedPlane(), selection, &BoundUdfTable(), options);
  const auto procedureLine = [&](int equation) {
    const int rank = RankOf(equation);
    EXPECT_GT(rank, 0) << equation;
    TMFile out("", 200);
    TNumericPaneSettings settings;
    settings.stamp = &stamp_;
    EXPECT_TRUE(FormatNumericSummary(out, session_, rank, settings));
    for (const std::string& s : Lines(out))
      if (s.rfind("~$Lev-Marq", 0) == 0) return s;
    return std::string();
  };
  EXPECT_NE(procedureLine(2501).find("~$Lorentzian     ~$"), std::string::npos) << procedureLine(2501);
  EXPECT_NE(procedureLine(2169).find("~$Least Squares  ~$"), std::string::npos) << procedureLine(2169);
  if (RankOf(2001) > 0) { EXPECT_NE(procedureLine(2001).find("~$Lorentzian     ~$"), std::string::npos); }
}

TEST_F(PaneTextTest, ShortSummaryOfTheReviewRank) {
  Fit(ReplicatedPlane(), LinearSelection(9, 0, 0));
  session_.ReviewCurrentRank = RankOf(1);
  TNumericPaneSettings settings;
  settings.stamp = &stamp_;
  const std::unique_ptr<TMFile> text = BuildSummaryText(session_, settings);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Capacity(), 60);
  // Rank, blank, statistics (2), blank, parameters (4), blank, date (2).
  ASSERT_EQ(text->LineCount(), 12);
  EXPECT_EQ(std::string(text->GetLine(5)).find("P>|t|"), std::string::npos);
  session_.ReviewCurrentRank = 99;
  EXPECT_EQ(BuildSummaryText(session_, settings), nullptr);
}

}  // namespace
