// The readers of the current fit: every session formats and evaluates its own fits, the
// equation list reads every rank without moving the current fit, and two sessions on two
// threads give exactly what each gives alone.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/settings_file.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/session.h"
#include "fit/fit_test_data.h"
#include "review/equation_list_rows.h"
#include "review/pane_text.h"

namespace {

using namespace fit_test;

// A run that fits something, published into the session.
void FitInto(TSession& session, PointTable t, const TFitSelection& selection,
             const TFitOptions& options = DefaultFitOptions()) {
  ASSERT_GT(PublishRun(session, std::move(t), selection, &session.UdfTable, options), 0);
}

// What a session shows of its rank 1: the numeric pane and the surface over a grid.
struct TRankOneView {
  std::vector<std::string> pane;
  std::vector<long double> surface;
  bool operator==(const TRankOneView&) const = default;
};

TRankOneView ViewOfRankOne(const TSession& session) {
  static const std::tm stamp = [] {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 1;
    return t;
  }();
  TRankOneView view;
  TMFile out("", 200);
  TNumericPaneSettings settings;
  settings.volumeInSummary = true;
  settings.stamp = &stamp;
  if (!FormatNumericSummary(out, session, 1, settings)) return view;
  for (int i = 0; i < out.LineCount(); ++i) view.pane.emplace_back(out.GetLine(i));
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j)
      view.surface.push_back(EvalFitZ(session.CurFit, -2 + 0.21L * i, -1.5L + 0.17L * j));
  return view;
}

class TwoSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedVolume_ = CurrentSettings().VolumeOption;
    CurrentSettings().VolumeOption = 1;
  }
  void TearDown() override { CurrentSettings().VolumeOption = savedVolume_; }

  // Each session alone, then both at once on two threads: the same panes and surfaces.
  void ExpectSideBySideAsAlone() {
    const TRankOneView firstAlone = ViewOfRankOne(first_), secondAlone = ViewOfRankOne(second_);
    ASSERT_FALSE(firstAlone.pane.empty());
    ASSERT_FALSE(secondAlone.pane.empty());
    ASSERT_NE(firstAlone.surface, secondAlone.surface);  // two different fits
    TRankOneView firstBeside, secondBeside;
    std::thread a([&] { firstBeside = ViewOfRankOne(first_); });
    std::thread b([&] { secondBeside = ViewOfRankOne(second_); });
    a.join();
    b.join();
    EXPECT_TRUE(firstBeside == firstAlone);
    EXPECT_TRUE(secondBeside == secondAlone);
  }

  TSession first_, second_;
  std::int32_t savedVolume_ = 0;
};

// z = a + b·x·y (+ a little noise) over the square [-2, 2]².
PointTable Saddle(long double a, long double b) {
  return GridTable(Axis(-2, 0.5L, 9), Axis(-2, 0.5L, 9), [=](long double x, long double y) {
    return a + b * x * y + 0.01L * std::sin(3 * x + y);
  });
}

TEST_F(TwoSessionsTest, UserFunctionAtRankOne) {
  UserFunctionScope scope;
  DefineUserFunction(2, "Z=A0+A1*X*Y", {1, 1});
  // Each session holds the function in its own table (the pane names it from there); the
  // language runs the one compiled program for both.
  for (TSession* s : {&first_, &second_}) s->UdfTable[2] = std::make_unique<TUdfRecord>(*BoundUdfTable()[2]);
  FitInto(first_, Saddle(2, 0.5L), TFitSelection{});
  FitInto(second_, Saddle(-1, 3), TFitSelection{});
  ASSERT_EQ(std::tuple(first_.CurFitEqn().equationNumber, second_.CurFitEqn().equationNumber),
            std::tuple(2503, 2503));
  ExpectSideBySideAsAlone();
}

TEST_F(TwoSessionsTest, NonlinearBuiltinAtRankOne) {
  const auto peak = [](long double cx, long double cy, long double height) {
    return GridTable(Axis(-2, 0.25L, 17), Axis(-1.5L, 0.25L, 13), [=](long double x, long double y) {
      const long double u = (x - cx) / 0.8L, v = (y - cy) / 0.6L;
      return height * std::exp(-0.5L * (u * u + v * v)) + 0.005L * std::cos(5 * x * y);
    });
  };
  TFitSelection selection;
  selection.nonlinear[0] = 1;  // the Gaussian peak, 2001
  FitInto(first_, peak(0.3L, -0.2L, 4), selection);
  FitInto(second_, peak(-0.5L, 0.4L, 7), selection);
  ASSERT_EQ(std::tuple(first_.CurFitEqn().equationNumber, second_.CurFitEqn().equationNumber),
            std::tuple(2001, 2001));
  ExpectSideBySideAsAlone();
}

// Every byte of a side: the record, its flags, its scales and its matrix.
std::vector<unsigned char> BytesOf(const TFitSide& fit) {
  std::vector<unsigned char> bytes(sizeof fit.eqn + 2 * sizeof(std::int32_t) + sizeof fit.scales);
  unsigned char* at = bytes.data();
  std::memcpy(at, &fit.eqn, sizeof fit.eqn);
  std::memcpy(at += sizeof fit.eqn, &fit.udfIndex, sizeof(std::int32_t));
  std::memcpy(at += sizeof(std::int32_t), &fit.covarianceValid, sizeof(std::int32_t));
  std::memcpy(at += sizeof(std::int32_t), &fit.scales, sizeof fit.scales);
  for (int i = 0; i < fit.covariance.Rows(); ++i) {
    const auto* row = reinterpret_cast<const unsigned char*>(fit.covariance[i]);
    bytes.insert(bytes.end(), row, row + fit.covariance.Cols() * sizeof(long double));
  }
  return bytes;
}

TEST(CurrentFitReaders, EquationListOfAThousandFitsLeavesTheCurrentFitBitIdentical) {
  const std::int32_t savedVolume = CurrentSettings().VolumeOption;
  CurrentSettings().VolumeOption = 1;
  TSession session;
  PointTable t = GridTable(Axis(1, 0.5L, 8), Axis(1, 0.5L, 7), [](long double x, long double y) {
    return (2 + x + 0.5L * y * y) / (1 + 0.1L * x) + 0.02L * std::sin(3 * x);
  });
  TFitOptions options = DefaultFitOptions();
  options.keepSubset = 100;  // a list of more than a thousand fits
  FitInto(session, t, LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll), options);
  ASSERT_GE(session.FitCount.load(), 1000);
  // A current fit with everything a refit fills: matrix, errors, volume and extrema.
  const int current = session.FitCount.load() / 2;
  ASSERT_TRUE(MakeRankCurrent(session, current, kRefitComplete));
  ASSERT_EQ(session.CurFit.covarianceValid, 1);
  ASSERT_NE(session.CurFitEqn().volume, 0.0L);
  const std::vector<unsigned char> before = BytesOf(session.CurFit);
  for (int filter = 0; filter <= 5; ++filter) {
    TEquationRowsRequest request;
    request.filter = filter;
    request.allGoodness = filter % 2 == 1;
    const std::vector<std::string> rows = BuildEquationRows(session, request);
    if (filter == 0) {
      EXPECT_EQ(static_cast<int>(rows.size()), session.FitCount.load());
    }
  }
  EXPECT_TRUE(BytesOf(session.CurFit) == before);
  CurrentSettings().VolumeOption = savedVolume;
}

}  // namespace
