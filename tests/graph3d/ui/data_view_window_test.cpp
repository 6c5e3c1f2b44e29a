// The data view window: its option buttons run the option commands, and a dialog cancelled
// on the window leaves the record and the point statuses as they were.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/ui/dialog.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/background_fit_hold.h"
#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "app/shell_state.h"
#include "fit/background_fit.h"
#include "fit/fit_blocks.h"
#include "fit/fit_results.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_run.h"
#include "fit/session.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/setup_snapshot.h"
#include "graph3d/ui/data_view_window.h"
#include "graph3d/ui/section_dialog.h"
#include "graph3d/ui/view_dialog.h"

namespace {

struct DataGraph : GraphFixture {
  PointTable table;
  std::shared_mutex mutex;
  int fitStops = 0;
  GraphOptionContext context;
  DataGraph() {
    SetSurface([](long double x, long double y) { return x + y; }, 0, 7, 0, 7);
    table = MakeTable({{0, 1, 1}, {1, 2, 2}, {2, 3, 3}, {3, 1, 4}, {4, 2, 5}, {5, 3, 6}, {6, 1, 7}, {7, 2, 8}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    context.mutablePoints = [this] { return std::span<TXYZPoint>(table); };
    context.tableMutex = &mutex;
    context.stopBackgroundFit = [this] { ++fitStops; };
    FixRanges({0, 0, 0}, {7, 3, 8});
  }
};

struct Recording : GraphOptionDialogs {
  std::vector<std::pair<int, int>>* runs;
  explicit Recording(std::vector<std::pair<int, int>>* r) : runs(r) {}
  int Run(int dialog, QWidget*, T3DGraphSetup& setup, const GraphOptionContext&) override {
    runs->emplace_back(dialog, setup.LockMask);
    return kDialogOk;
  }
};

TEST(DataViewWindow, ButtonsRunTheOptionCommandsUnderTheirLocks) {
  DataGraph g;
  std::vector<std::pair<int, int>> runs;
  auto* w = new TViewData(nullptr, &g.setup, g.context, std::make_unique<Recording>(&runs));
  w->resize(700, 500);
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) w->grab().save(QString(dir) + "/data_view.png");
  for (int id : {372, 373, 374, 377, 386, 385}) w->findChild<QPushButton*>(QString::number(id))->click();
  const std::vector<std::pair<int, int>> want{{kDlgView, 15},   {kDlgScaling, 11}, {kDlgAnimate, 0x4000},
                                              {kDlgAnimationPlayer, 0x4000}, {kDlgColorScheme, 14},
                                              {kDlgPoints, 6},  {kDlgSection, 3}};
  EXPECT_EQ(runs, want);
  EXPECT_EQ(g.setup.LockMask, 0);
  EXPECT_TRUE(w->DataChanged());
  delete w;
}

// Answers the modal dialog that the next command opens.
template <typename D>
void WhenOpen(std::function<void(D*)> act) {
  QTimer::singleShot(0, [act] {
    auto* d = qobject_cast<D*>(ActiveDialog());
    ASSERT_NE(d, nullptr);
    act(d);
  });
}

TEST(DataViewWindow, CancelledSectionAndViewLeaveEverythingAsItWas) {
  DataGraph g;
  auto* w = new TViewData(nullptr, &g.setup, g.context);
  w->resize(700, 500);
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  w->Renderer().StoreOptions();
  const TSetupSnapshot before(g.setup);
  const PointTable statuses = g.table;
  WhenOpen<TSection>([](TSection* d) {
    d->BoundEdit(0)->setText("2");
    d->BoundEdit(1)->setText("5");
    d->Apply(SectionApply::New);
    d->reject();
  });
  GraphOptionResult r = w->RunOptionCommand(kCmSection);
  EXPECT_EQ(r.dialogResult, kDialogCancel);
  for (std::size_t i = 1; i < g.table.size(); ++i) EXPECT_EQ(g.table[i].Status, statuses[i].Status);
  EXPECT_TRUE(before.Matches(g.setup));
  EXPECT_GE(g.fitStops, 2);  // before the dialog's Apply and before the statuses went back

  WhenOpen<T3DView>([](T3DView* d) {
    d->Scroll(405, 40);
    static_cast<QLineEdit*>(d->Control(400))->setText("50");
    static_cast<QLineEdit*>(d->Control(409))->setText("60");
    for (int i = 0; i < 10; ++i) d->Tick();
    d->reject();
  });
  r = w->RunOptionCommand(kCmViewOptions);
  EXPECT_FALSE(r.changed);
  EXPECT_TRUE(before.Matches(g.setup));

  WhenOpen<T3DView>([](T3DView* d) {
    static_cast<QLineEdit*>(d->Control(400))->setText("12");
    d->accept();
  });
  r = w->RunOptionCommand(kCmViewOptions);
  EXPECT_TRUE(r.recomputedGrid);
  EXPECT_EQ(g.view.MeshX, 12);
  EXPECT_EQ(g.view.MeshY, 12);
  EXPECT_EQ(w->Renderer().GridNx(), 12);
  EXPECT_TRUE(w->ViewChanged());
  delete w;
}

}  // namespace

namespace {

TEST(DataViewWindow, DataGraphCommandOpensTheWindowOnTheSessionTable) {
  auto session = std::make_unique<TSession>();
  ASSERT_TRUE(session->Table.AllocPointArray());
  const PointTable points = MakeTable({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 4}});
  std::copy(points.begin(), points.end(), session->Table.XYZData().begin());
  session->Table.SetXYZRows(4);
  session->DataTitles() = TDataTitles{"Plate Test", "Length", "Width", "Height"};
  UnregisterCommand(CmDataGraph);
  RegisterDataViewCommand(*session);
  ASSERT_TRUE(HasCommandHandler(CmDataGraph));
  bool opened = false;
  QTimer::singleShot(0, [&opened] {
    auto* w = qobject_cast<TViewData*>(ActiveDialog());
    ASSERT_NE(w, nullptr);
    opened = true;
    EXPECT_EQ(PointCount(w->Renderer().Setup()->Points()), 4);
    // The titles typed for the data title the graph.
    EXPECT_EQ(w->Renderer().Setup()->TitleSettings->Lines[0], "Plate Test");
    EXPECT_EQ(w->Renderer().Setup()->TitleSettings->AxisTitles,
              (std::array<std::string, 3>{"Length", "Width", "Height"}));
    EXPECT_NE(w->findChild<QPushButton*>("385"), nullptr);
    w->accept();
  });
  EXPECT_TRUE(RunCommandHandler(CmDataGraph));
  EXPECT_TRUE(opened);
  UnregisterCommand(CmDataGraph);
}

}  // namespace

namespace {

// Every figure of the statistics, in one list.
std::vector<long double> StatisticsFigures(const TDataStats& s) {
  std::vector<long double> v{static_cast<long double>(s.ActiveCount), static_cast<long double>(s.DistinctX),
                             static_cast<long double>(s.DistinctY), s.WeightScale, s.SSTotal, s.PlaneA, s.PlaneB,
                             s.PlaneC, s.PureErrorDOF, s.PureErrorSS};
  for (const TAxisStats* a : {&s.X, &s.Y, &s.Z}) {
    v.insert(v.end(), {a->Min, a->Max, a->Range, a->Mean, a->StdDev, a->AtMin1, a->AtMax1, a->AtMin2, a->AtMax2,
                       a->AtMinRXY, a->AtMaxRXY, a->AtMinRXYZ, a->AtMaxRXYZ});
    v.insert(v.end(), std::begin(a->AtPos), std::end(a->AtPos));
  }
  return v;
}

// A session holding a 12 x 12 grid of a curved surface, prepared for fitting as an import
// leaves it.
std::unique_ptr<TSession> GridSession() {
  auto session = std::make_unique<TSession>();
  EXPECT_TRUE(session->Table.AllocPointArray());
  const std::span<TXYZPoint> table = session->Table.XYZData();
  table[0].X = 144;
  for (int i = 0; i < 144; ++i) {
    const long double x = i % 12, y = i / 12;
    table[static_cast<std::size_t>(i) + 1] =
        TXYZPoint{x, y, 1 + 0.5L * x - 0.25L * y + 0.01L * x * y * y + (i % 7) * 0.003L, 1, kPointActive};
  }
  session->Table.SetXYZRows(144);
  (void)PrepareDataForFit(session->Table, session->DataStats);
  return session;
}

// The number of equations a polynomial fit of the session makes.
int PolynomialFitCount(TSession& session) {
  TFitSelection selection = DefaultFitSelection();
  TFitOptions options = DefaultFitOptions();
  SetSelectionForFitKind(kFitKindPolynomial, selection, options);
  const std::span<const TXYZPoint> all = std::as_const(session.Table).XYZData();
  TFitList list;
  TFitRunContext ctx(all.first(static_cast<std::size_t>(session.Table.XYZRows()) + 1), session.DataStats, selection,
                     options, list);
  if (!CountFitRun(ctx)) return -1;
  return RunFitFamilies(ctx);
}

// Section, Apply, then Cancel in the data view: the statuses, the active count, every
// statistic and the next fit's equation count are those of a session the section never
// touched.
TEST(DataViewWindow, CancelledSectionLeavesTheSessionAsAnUntouchedOne) {
  const std::unique_ptr<TSession> untouched = GridSession();
  const std::unique_ptr<TSession> session = GridSession();
  UnregisterCommand(CmDataGraph);
  RegisterDataViewCommand(*session);
  int sectioned = 0;
  QTimer::singleShot(0, [&] {
    auto* w = qobject_cast<TViewData*>(ActiveDialog());
    ASSERT_NE(w, nullptr);
    WhenOpen<TSection>([&](TSection* d) {
      d->BoundEdit(0)->setText("3");
      d->BoundEdit(1)->setText("7");
      d->Apply(SectionApply::New);
      sectioned = session->DataStats.ActiveCount;
      d->reject();
    });
    (void)w->RunOptionCommand(kCmSection);
    w->accept();
  });
  EXPECT_TRUE(RunCommandHandler(CmDataGraph));
  UnregisterCommand(CmDataGraph);
  EXPECT_EQ(sectioned, 60);  // the section did take hold before the Cancel
  const auto a = session->Table.XYZData(), b = untouched->Table.XYZData();
  for (int i = 1; i <= 144; ++i) {
    EXPECT_EQ(a[static_cast<std::size_t>(i)].Status, b[static_cast<std::size_t>(i)].Status) << i;
    EXPECT_EQ(a[static_cast<std::size_t>(i)].X, b[static_cast<std::size_t>(i)].X) << i;
  }
  EXPECT_EQ(session->DataStats.ActiveCount, 144);
  EXPECT_EQ(StatisticsFigures(session->DataStats), StatisticsFigures(untouched->DataStats));
  EXPECT_EQ(PolynomialFitCount(*session), PolynomialFitCount(*untouched));
}

// Runs the polynomial fit of the session and publishes its results, as a fit command does.
void PublishPolynomialFit(TSession& session) {
  TFitSelection selection = DefaultFitSelection();
  TFitOptions options = DefaultFitOptions();
  SetSelectionForFitKind(kFitKindPolynomial, selection, options);
  const std::span<const TXYZPoint> all = std::as_const(session.Table).XYZData();
  TFitRunOutcome outcome;
  TFitRunContext ctx(all.first(static_cast<std::size_t>(session.Table.XYZRows()) + 1), session.DataStats, selection,
                     options, outcome.list);
  ASSERT_TRUE(CountFitRun(ctx));
  ASSERT_GT(RunFitFamilies(ctx), 0);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
}

// The fit results through a section in the data view: Apply then Cancel brings the table
// back and keeps them; OK keeps the section and voids them when the window closes. No
// background fit is chosen: one would refit the sectioned table and publish its results
// whenever its thread got there, before or after the window closed.
TEST(DataViewWindow, ASectionKeepsTheFitResultsUnlessItStays) {
  const int backgroundType = BackgroundFitType();
  const std::uint32_t backgroundFlags = BackgroundFitFlags();
  SetBackgroundFitChoice(0, 0);
  for (bool ok : {false, true}) {
    const std::unique_ptr<TSession> session = GridSession();
    PublishPolynomialFit(*session);
    const int fits = session->FitCount;
    ASSERT_GT(fits, 0);
    InstallBackgroundFit(*session);
    UnregisterCommand(CmDataGraph);
    RegisterDataViewCommand(*session);
    QTimer::singleShot(0, [ok] {
      auto* w = qobject_cast<TViewData*>(ActiveDialog());
      ASSERT_NE(w, nullptr);
      WhenOpen<TSection>([ok](TSection* d) {
        d->BoundEdit(1)->setText("5");
        d->Apply(SectionApply::New);
        ok ? d->accept() : d->reject();
      });
      (void)w->RunOptionCommand(kCmSection);
      w->accept();
    });
    EXPECT_TRUE(RunCommandHandler(CmDataGraph));
    UnregisterCommand(CmDataGraph);
    EXPECT_EQ(session->FitResultsValid, ok ? 0 : 1) << ok;
    EXPECT_EQ(session->FitCount, ok ? 0 : fits) << ok;
    EXPECT_EQ(session->DataStats.ActiveCount, ok ? 72 : 144) << ok;
    StopBackgroundFitThread(*session);
    PrescanHooks() = {};
    SetBackgroundFitStopper({});
    SetBackgroundFitHolder({}, {});
  }
  SetBackgroundFitChoice(backgroundType, backgroundFlags);
}

}  // namespace
