// The loess window (2143) and the view-data window (2151): loess Cancel leaves data and
// settings, OK replaces Z of every record (inactive ones too) and nothing else, a quadratic
// comes back as it was, a clamped option is shown without a second recomputation; the view
// data window draws the triangulated surface only when asked and the data allow, and keeps
// the statuses a section changed; a loess count whose progress window is cancelled keeps the
// smooth before it, and a cancelled first smooth opens no window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cmath>
#include <memory>

#include "app/ui/dialog.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "app/settings_file.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/message_box.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/loess_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "smooth/ui/view_data_window.h"
#include "../../graph3d/ui/dialog_shots.h"
#include "smoothing_window_test_support.h"

namespace {

long double Quadratic(long double x, long double y) { return 1 + 2 * x - 3 * y + 0.5L * x * x - x * y + 2 * y * y; }

// 100 points of a quadratic on a scrambled lattice; point 7 inactive and 5 off the surface.
PointTable QuadraticPoints() {
  constexpr int n = 100;
  PointTable t = NewPointTable(n);
  for (int k = 1; k <= n; ++k) {
    const long double x = std::fmod(k * 0.618034L, 1.0L);
    const long double y = std::fmod(k * 0.414214L, 1.0L);
    t[static_cast<std::size_t>(k)] = TXYZPoint{x, y, Quadratic(x, y), 2, kPointActive};
  }
  t[7].Status = kPointInactive;
  t[7].Z += 5;
  return t;
}

class SmoothingWindowsTest : public ::testing::Test {
 protected:
  void Load(PointTable table, int graph, int points, int place) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, graph, points, place);
    PrepareSmoothingSetup(*options, session);
  }
  PointTable Records() {
    return CopyPoints(session.Table.XYZData().first(static_cast<std::size_t>(session.Table.XYZRows()) + 1));
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kLoess);
};

TEST_F(SmoothingWindowsTest, LoessCancelChangesNothing) {
  Load(QuadraticPoints(), kGraphLoess, kPointsLoess, kPlaceLoess);
  const PointTable before = Records();
  const TNPSettings start = np;
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  w->Edit(1)->setText("20");
  w->FlushRecompute();
  EXPECT_EQ(w->Working().option2[kNPLoessGradient], 20);
  w->reject();
  delete w;
  EXPECT_EQ(np, start);
  const PointTable after = Records();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 1; k < after.size(); ++k) EXPECT_EQ(after[k].Z, before[k].Z) << k;
}

TEST_F(SmoothingWindowsTest, LoessOkReplacesZOfEveryRecordAndKeepsAQuadratic) {
  Load(QuadraticPoints(), kGraphLoess, kPointsLoess, kPlaceLoess);
  const PointTable before = Records();
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  ShowDialog(w, "loess_window");
  bool smoothed = false;
  w->SetSmoothedFlag(&smoothed);
  w->accept();
  EXPECT_FALSE(w->SmoothingFailed());
  delete w;
  EXPECT_TRUE(smoothed);
  const PointTable after = Records();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 1; k < after.size(); ++k) {
    EXPECT_EQ(after[k].X, before[k].X) << k;
    EXPECT_EQ(after[k].Y, before[k].Y) << k;
    EXPECT_EQ(after[k].W, before[k].W) << k;
    EXPECT_EQ(after[k].Status, before[k].Status) << k;
    // Local quadratics reproduce a quadratic: every Z is the surface's, the inactive
    // point's (5 off it before) too.
    EXPECT_NEAR(static_cast<double>(after[k].Z), static_cast<double>(Quadratic(after[k].X, after[k].Y)), 1e-9) << k;
  }
  EXPECT_EQ(np.method, kNPLoessGradient);
}

TEST_F(SmoothingWindowsTest, LoessWithoutASmoothedCopyLeavesTheDataAndSaysSo) {
  // Three points: no local model, no smoothed copy.
  PointTable three = NewPointTable(3);
  three[1] = TXYZPoint{0, 0, 1, 1, kPointActive};
  three[2] = TXYZPoint{1, 0, 2, 1, kPointActive};
  three[3] = TXYZPoint{0, 1, 3, 1, kPointActive};
  Load(std::move(three), kGraphLoess, kPointsLoess, kPlaceLoess);
  const PointTable before = Records();
  platform::ScriptedAnswers answers;
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  bool smoothed = false;
  w->SetSmoothedFlag(&smoothed);
  EXPECT_TRUE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  // No smooth to draw: the points are drawn alone, and the graph says why.
  w->grab();
  int drawn = 0;
  for (std::size_t i = 1; i < w->Renderer().KeptPoints().size(); ++i) drawn += w->Renderer().KeptPoints()[i].x >= 0;
  EXPECT_EQ(drawn, 3);
  EXPECT_EQ(options->titles.Lines[1], "No Surface: Loess Cannot Make a Surface of These Data");
  w->accept();
  EXPECT_TRUE(w->SmoothingFailed());
  delete w;
  EXPECT_FALSE(smoothed);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "The data could not be smoothed; they are left as they were.");
  const PointTable after = Records();
  for (std::size_t k = 1; k < after.size(); ++k) EXPECT_EQ(after[k].Z, before[k].Z) << k;
}

TEST_F(SmoothingWindowsTest, LoessShowsAClampedDegreeWithoutASecondRecomputation) {
  Load(QuadraticPoints(), kGraphLoess, kPointsLoess, kPlaceLoess);
  np.option1[kNPLoessGradient] = 9;
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  const int degree = w->Engine().Option1();
  EXPECT_LT(degree, 9);
  EXPECT_EQ(w->Edit(0)->text(), QString::number(degree));
  EXPECT_EQ(w->Working().option1[kNPLoessGradient], degree);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_EQ(w->RecomputeCount(), 0);
  EXPECT_FALSE(w->Control<QLabel>(TBaseNP::kSse)->text().isEmpty());
  // OK untouched keeps the degree the user stored for other data.
  w->accept();
  delete w;
  EXPECT_EQ(np.option1[kNPLoessGradient], 9);
}

TEST_F(SmoothingWindowsTest, ViewDataDrawsTheSurfaceOnlyWhenAskedAndTheDataAllow) {
  Load(QuadraticPoints(), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  std::int32_t add = 0;
  auto* w = new TViewDataNP(nullptr, &options->Setup(), session, &add);
  ShowDialog(w, "view_data_window");
  EXPECT_EQ(w->Engine(), nullptr);
  EXPECT_FALSE(options->Setup().SurfaceFn);
  EXPECT_TRUE(options->Setup().Points);
  w->SetAddSurface(true);
  ASSERT_NE(w->Engine(), nullptr);
  ASSERT_TRUE(options->Setup().SurfaceFn);
  // The triangulation interpolates: at an active data point the surface is its Z.
  const TXYZPoint p = session.Table.XYZData()[3];
  EXPECT_NEAR(static_cast<double>(options->Setup().SurfaceFn(p.X, p.Y)), static_cast<double>(p.Z), 1e-9);
  delete w;
  EXPECT_EQ(add, 1);

  // Points on one line: the points alone, whatever the setting.
  PointTable line = NewPointTable(6);
  for (int k = 1; k <= 6; ++k) line[static_cast<std::size_t>(k)] = TXYZPoint{1.0L * k, 2.0L * k, 1.0L * k * k, 1, kPointActive};
  Load(std::move(line), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  w = new TViewDataNP(nullptr, &options->Setup(), session, &add);
  EXPECT_TRUE(w->Control<QCheckBox>(TViewDataNP::kAdd)->isChecked());
  EXPECT_EQ(w->Engine(), nullptr);
  EXPECT_TRUE(options->Setup().Points);
  delete w;
}

// The data view, opened by its command, comes back where it was left and leaves the status
// window's place alone: the two kept one record, and each opened at the other's place and
// size.
TEST_F(SmoothingWindowsTest, TheDataViewKeepsItsOwnPlaceApartFromTheStatusWindows) {
  Load(QuadraticPoints(), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  const WindowPlacement status{300, 220, 430, 310, 0};
  settings.placements[kPlaceDataStatus] = status;
  const QRect left(40, 60, 520, 400);
  for (int opening = 0; opening < 3; ++opening) {
    QRect opened;
    QTimer::singleShot(0, [&] {
      auto* w = qobject_cast<TViewDataNP*>(ActiveDialog());
      if (w == nullptr) {
        ADD_FAILURE() << "the data view is not the modal window";
        if (QWidget* other = ActiveDialog()) other->close();
        return;
      }
      opened = w->geometry();
      if (opening == 0) w->setGeometry(left);
      w->accept();
    });
    RunViewDataWindow(nullptr, session, settings);
    if (opening == 0)
      EXPECT_NE(opened, QRect(status.x, status.y, status.width, status.height));
    else
      EXPECT_EQ(opened, left) << opening;
    EXPECT_EQ(settings.placements[kPlaceDataStatus], status) << opening;
    EXPECT_EQ(settings.placements[kPlaceDataView], (WindowPlacement{left.x(), left.y(), left.width(), left.height(), 0}))
        << opening;
  }
}

// The surface's check box reads "Add Surface" on one line, whole beside the graph.
TEST_F(SmoothingWindowsTest, ViewDataAddSurfaceReadsOnOneLine) {
  Load(QuadraticPoints(), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  std::int32_t add = 1;
  auto* w = new TViewDataNP(nullptr, &options->Setup(), session, &add);
  ShowDialog(w, "view_data_add_surface");
  const auto* box = w->Control<QCheckBox>(TViewDataNP::kAdd);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), "A&dd Surface");
  EXPECT_GE(box->width(), box->sizeHint().width());
  for (const QLabel* label : w->findChildren<QLabel*>()) EXPECT_NE(label->text(), "Surface");
  delete w;
}

// A section dialog that excludes point 2, answering OK or Cancel.
class ExcludeSecond : public GraphOptionDialogs {
 public:
  ExcludeSecond(TDataSession& data, int answer) : data_(data), answer_(answer) {}
  int Run(int dialog, QWidget*, T3DGraphSetup&, const GraphOptionContext&) override {
    if (dialog != kDlgSection) return kDialogCancel;
    data_.Table.XYZData()[2].Status = kPointInactive;
    return answer_;
  }

 private:
  TDataSession& data_;
  int answer_;
};

TEST_F(SmoothingWindowsTest, ViewDataKeepsTheStatusesASectionChanged) {
  Load(QuadraticPoints(), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  std::int32_t add = 1;
  auto* w = new TViewDataNP(nullptr, &options->Setup(), session, &add, std::make_unique<ExcludeSecond>(session, kDialogCancel));
  (void)w->RunOptionCommand(kCmSection);
  EXPECT_EQ(session.Table.XYZData()[2].Status, kPointActive);
  delete w;
  EXPECT_EQ(session.Table.XYZData()[2].Status, kPointActive);

  w = new TViewDataNP(nullptr, &options->Setup(), session, &add, std::make_unique<ExcludeSecond>(session, kDialogOk));
  EXPECT_TRUE(w->RunOptionCommand(kCmSection).dataChanged);
  delete w;
  EXPECT_EQ(session.Table.XYZData()[2].Status, kPointInactive);
  EXPECT_EQ(session.Table.XYZData()[7].Status, kPointInactive);
}

TEST_F(SmoothingWindowsTest, ViewDataKeepsAClickedPointsStatusAndItsStatisticsFollow) {
  Load(QuadraticPoints(), kGraphDataStatus, kPointsDataStatus, kPlaceGraphShared);
  const int active = session.DataStats.ActiveCount;
  const long double meanZ = session.DataStats.Z.Mean;
  std::int32_t add = 1;
  auto* w = new TViewDataNP(nullptr, &options->Setup(), session, &add);
  ShowDialog(w, "view_data_picking");
  ASSERT_GT(smooth_test::ClickALonePoint(*w, session.Table.XYZData().first(101)), 0);
  w->accept();
  delete w;
  // The table was prepared again when the window closed (sorted, so the point is found by
  // its place).
  int inactive = 0;
  for (int k = 1; k <= session.Table.XYZRows(); ++k) inactive += !IsActive(session.Table.XYZData()[static_cast<std::size_t>(k)]);
  EXPECT_EQ(inactive, 2);
  EXPECT_EQ(session.DataStats.ActiveCount, active - 1);
  EXPECT_NE(session.DataStats.Z.Mean, meanZ);
}

// The loess window's count under the same progress window: cancelled, the smooth and its
// statistics stay, and OK smooths the data by them.
TEST_F(SmoothingWindowsTest, TheLoessWindowKeepsItsSmoothWhenCancelled) {
  Load(QuadraticPoints(), kGraphLoess, kPointsLoess, kPlaceLoess);
  auto* w = new T3DSmooth(nullptr, &options->Setup(), session, &np);
  ShowDialog(w, "loess_window_progress");
  const int count = w->Engine().Option2();
  const QString sse = w->Control<QLabel>(TBaseNP::kSse)->text();
  const long double value = w->Engine().EvalAt(0.4L, 0.6L);
  w->Edit(1)->setText("90");
  smooth_test::CancelTheProgressWhenItAsks();
  w->FlushRecompute();
  EXPECT_EQ(w->Engine().Option2(), count);
  EXPECT_EQ(w->Working().option2[w->Working().method], count);
  EXPECT_EQ(w->Edit(1)->text(), QString::number(count));
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  EXPECT_EQ(w->Engine().EvalAt(0.4L, 0.6L), value);
  // OK smooths the data by the smooth kept.
  const PointTable smoothed = w->Engine().SmoothedData();
  w->accept();
  delete w;
  const PointTable after = Records();
  ASSERT_EQ(after.size(), smoothed.size());
  for (std::size_t k = 1; k < smoothed.size(); ++k) EXPECT_EQ(after[k].Z, smoothed[k].Z);
}

// The loess window's first smooth under the same progress window: cancelled, no window
// opens, and the data, their statuses and the saved settings stay as they were; let
// through, the window opens.
TEST_F(SmoothingWindowsTest, TheLoessWindowOpensNotWhenItsFirstSmoothIsCancelled) {
  Load(QuadraticPoints(), kGraphLoess, kPointsLoess, kPlaceLoess);
  np.option2[np.method] = 90;
  settings.loessSettings = EncodeNPSettings(np);
  smooth_test::ExpectACancelledOpeningToOpenNothing([this] { RunLoessWindow(nullptr, session, settings); },
                                                    settings, session);
}

}  // namespace
