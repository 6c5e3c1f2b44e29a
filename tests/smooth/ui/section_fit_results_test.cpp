// Fit results through a section that does not last. Section with Apply and then Cancel in
// the data view, and a section inside the scattered-data or gridded-data window followed by
// closing it, bring the table back as it was and every statistic with it: the fits, their
// count and the review commands stay. A data view closed on a table that stays changed
// voids them, and the background fit starts again on the table as it stays, as it does
// after a grid window's OK replaced the table. Each window is opened by its command and
// run modally, as the user meets it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

#include "app/ui/dialog.h"
#include "app/background_fit_hold.h"
#include "app/data_files.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "fit/background_fit.h"
#include "fit/fit_kinds.h"
#include "fit/fit_session.h"
#include "graph3d/ui/section_dialog.h"
#include "review/review_fit_fixture.h"
#include "smooth/ui/gridded_window.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "smooth/ui/view_data_window.h"
#include "quasi_random_points.h"

namespace {

// 60 points of a plane with a little wave on a quasi-random pattern over [0, 1]^2.
PointTable WavyPlane() {
  return smooth_test::QuasiRandomPoints(
      60, 1, 1, [](long double x, long double y) { return 1 + 2 * x - y + 0.1L * std::sin(7 * x * y); });
}

// Every figure of the statistics that a section and its preparation touch.
void ExpectSameStatistics(const TDataStats& a, const TDataStats& b) {
  EXPECT_EQ(a.ActiveCount, b.ActiveCount);
  EXPECT_EQ(a.DistinctX, b.DistinctX);
  EXPECT_EQ(a.DistinctY, b.DistinctY);
  for (const auto& [p, q] : {std::pair{&a.X, &b.X}, std::pair{&a.Y, &b.Y}, std::pair{&a.Z, &b.Z}}) {
    EXPECT_EQ(p->Min, q->Min);
    EXPECT_EQ(p->Max, q->Max);
    EXPECT_EQ(p->Mean, q->Mean);
    EXPECT_EQ(p->StdDev, q->StdDev);
  }
  EXPECT_EQ(a.WeightScale, b.WeightScale);
  EXPECT_EQ(a.SSTotal, b.SSTotal);
  EXPECT_EQ(a.PlaneA, b.PlaneA);
  EXPECT_EQ(a.PureErrorDOF, b.PureErrorDOF);
  EXPECT_EQ(a.PureErrorSS, b.PureErrorSS);
}

// Runs `inside` on the modal window of type W once it is up (a failed cast closes whatever
// is modal, so that the test ends instead of waiting).
template <class W>
void WhenModal(std::function<void(W&)> inside) {
  QTimer::singleShot(0, [inside] {
    auto* w = qobject_cast<W*>(ActiveDialog());
    if (w == nullptr) {
      ADD_FAILURE() << "the expected window is not the modal one";
      if (QWidget* other = ActiveDialog()) other->close();
      return;
    }
    inside(*w);
  });
}

class SectionFitResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentSettings();
    CurrentSettings() = DefaultSettings(1280, 1024);
    review_test::FitInto(session, WavyPlane(), fit_test::LinearSelection(9, 0, 0));
    // As the pre-scan leaves the data after an import.
    ASSERT_EQ(PrepareDataForFit(session.Table, session.DataStats), 60);
    session.DataFingerprint = DataSignature(session.Table.XYZData());
    ASSERT_EQ(session.FitResultsValid, 1);
    fits_ = session.FitCount;
    ASSERT_GT(fits_, 1);
    InstallBackgroundFit(session);
    DataFileHooks().SetHaveFits = [this](int on) { haveFits_.push_back(on); };
    signature_ = DataSignature(session.Table.XYZData());
    stats_ = session.DataStats;
  }
  void TearDown() override {
    StopBackgroundFitThread(session);
    PrescanHooks() = {};
    SetBackgroundFitStopper({});
    SetBackgroundFitHolder({}, {});
    DataFileHooks().SetHaveFits = nullptr;
    FreeFitStorage(session);
    CurrentSettings() = saved_;
  }

  // A section keeping x <= 0.5, applied; the dialog then ends with `answer`. Records how
  // many points were active while it was open.
  void SectionLeftHalf(TSection& section, bool ok) {
    section.BoundEdit(1)->setText("0.5");
    section.Apply(SectionApply::New);
    activeDuring_ = 0;
    for (int k = 1; k <= session.Table.XYZRows(); ++k) activeDuring_ += IsActive(session.Table.XYZData()[static_cast<std::size_t>(k)]);
    ok ? section.accept() : section.reject();
  }

  void ExpectFitsKept() {
    EXPECT_EQ(DataSignature(session.Table.XYZData()), signature_);
    ExpectSameStatistics(session.DataStats, stats_);
    EXPECT_EQ(session.FitResultsValid, 1);
    EXPECT_EQ(session.FitCount, fits_);
    // The review's Graph Start and List Start follow this flag.
    EXPECT_EQ(std::count(haveFits_.begin(), haveFits_.end(), 0), 0);
  }

  // The background fit of simple equations, as the user chooses it; runs the event loop
  // until a fit has published its results (a minute at most). False when none did.
  bool BackgroundFitPublished() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (BgFitDone.load() == 0 || session.FitResultsValid == 0) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }
  // The fits published describe the table as it is now, with rank 1 current.
  void ExpectFitsOfTheTable() {
    EXPECT_EQ(session.FitResultsValid, 1);
    EXPECT_GT(session.FitCount, 0);
    EXPECT_EQ(session.FitList.Count(), session.FitCount);
    EXPECT_EQ(session.DataFingerprint, DataSignature(session.Table.XYZData()));
    EXPECT_EQ(haveFits_.empty() ? -1 : haveFits_.back(), 1);
  }

  TSession session;
  ProgramSettings& settings = CurrentSettings();
  int activeDuring_ = -1;

 private:
  ProgramSettings saved_;
  int fits_ = 0;
  std::uint64_t signature_ = 0;
  TDataStats stats_;
  std::vector<int> haveFits_;
};

TEST_F(SectionFitResultsTest, DataViewSectionAppliedThenCancelledKeepsTheFits) {
  WhenModal<TViewDataNP>([this](TViewDataNP& view) {
    WhenModal<TSection>([this](TSection& section) { SectionLeftHalf(section, false); });
    EXPECT_FALSE(view.RunOptionCommand(kCmSection).dataChanged);
    view.accept();
  });
  RunViewDataWindow(nullptr, session, settings);
  EXPECT_GT(activeDuring_, 0);
  EXPECT_LT(activeDuring_, 60);  // the section did take out points while it was open
  ExpectFitsKept();
}

TEST_F(SectionFitResultsTest, DataViewClosedOnASectionedTableVoidsTheFits) {
  // Without a background fit, which would otherwise fit the new table as soon as it can and
  // may have published its fits before the checks below.
  SetBackgroundFitChoice(kBackgroundFitNone, 0);
  WhenModal<TViewDataNP>([this](TViewDataNP& view) {
    WhenModal<TSection>([this](TSection& section) { SectionLeftHalf(section, true); });
    EXPECT_TRUE(view.RunOptionCommand(kCmSection).dataChanged);
    view.accept();
  });
  RunViewDataWindow(nullptr, session, settings);
  EXPECT_EQ(session.DataStats.ActiveCount, activeDuring_);
  EXPECT_EQ(session.FitResultsValid, 0);
  EXPECT_EQ(session.FitCount, 0);
}

TEST_F(SectionFitResultsTest, DataViewClosedOnASectionedTableFitsItAgainInTheBackground) {
  SetBackgroundFitChoice(3, 0);
  WhenModal<TViewDataNP>([this](TViewDataNP& view) {
    WhenModal<TSection>([this](TSection& section) { SectionLeftHalf(section, true); });
    EXPECT_TRUE(view.RunOptionCommand(kCmSection).dataChanged);
    view.accept();
  });
  RunViewDataWindow(nullptr, session, settings);
  ASSERT_LT(activeDuring_, 60);
  EXPECT_EQ(session.DataStats.ActiveCount, activeDuring_);
  ASSERT_TRUE(BackgroundFitPublished());
  ExpectFitsOfTheTable();
}

TEST_F(SectionFitResultsTest, UniformGridOkFitsTheGridInTheBackground) {
  SetBackgroundFitChoice(3, 0);
  settings.UniformGridSize = {12, 10};
  WhenModal<TDFSpline>([](TDFSpline& window) { window.accept(); });
  RunUniformGridWindow(nullptr, session, settings);
  ASSERT_EQ(session.Table.XYZRows(), 12 * 10);
  ASSERT_TRUE(BackgroundFitPublished());
  ExpectFitsOfTheTable();
  EXPECT_EQ(session.DataStats.ActiveCount, 120);
}

TEST_F(SectionFitResultsTest, ASectionInsideTheScatteredWindowKeepsTheFitsOnceItCloses) {
  for (bool ok : {true, false}) {
    WhenModal<T3DNParm>([this, ok](T3DNParm& window) {
      WhenModal<TSection>([this, ok](TSection& section) { SectionLeftHalf(section, ok); });
      EXPECT_EQ(window.RunOptionCommand(kCmSection).dataChanged, ok);
      EXPECT_EQ(window.Engine().PointCount(), ok ? activeDuring_ : 60);
      window.accept();
    });
    RunScatteredWindow(nullptr, session, settings);
    EXPECT_LT(activeDuring_, 60) << ok;
    ExpectFitsKept();
  }
}

TEST_F(SectionFitResultsTest, ASectionInsideTheGriddedWindowKeepsTheFitsOnceItCloses) {
  for (bool ok : {true, false}) {
    WhenModal<T3DSpline>([this, ok](T3DSpline& window) {
      WhenModal<TSection>([this, ok](TSection& section) { SectionLeftHalf(section, ok); });
      EXPECT_EQ(window.RunOptionCommand(kCmSection).dataChanged, ok);
      window.reject();
    });
    RunGriddedWindow(nullptr, session, settings);
    EXPECT_LT(activeDuring_, 60) << ok;
    ExpectFitsKept();
  }
}

}  // namespace
