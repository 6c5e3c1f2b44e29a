// The stand-alone graph windows, the small preview dialogs and the status window's graph.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include "graph3d/graph_fixture.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/graph_frame_window.h"
#include "graph3d/ui/small_graph_dialog.h"
#include "graph3d/ui/status_graph.h"
#include "app/data_statistics.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_statistics.h"
#include "fit/session.h"
#include "graph3d/color_schemes.h"
#include "review/review_fit_fixture.h"
#include "graph3d/preview_surface.h"
#include "smooth/engines/smoothing_services.h"

namespace {

struct ResidualGraph : GraphFixture {
  PointTable table;
  WindowPlacement place;
  ResidualGraph() {
    table = MakeTable({{1, 1, 1}, {3, 1, 2}, {1, 3, 3}, {3, 3, 1.5}, {2, 2, 2.5}});
    table[3].Status = '*';
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    setup.SurfaceFn = [](long double x, long double y) { return 0.5L * (x + y); };
    setup.ResidualMode = 1;
    setup.HostWord1 = &place;
    FixRanges({0, 0, 0}, {4, 4, 4});
  }
};

TEST(GraphFrameWindow, StripNamesThePointAndItsResidual) {
  ResidualGraph g;
  auto* win = new T3DWinSL(nullptr, "Residuals", &g.setup);
  win->resize(600, 450);
  win->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
  win->repaint();
  ASSERT_EQ(win->Renderer().ContentFlags(), kContentResiduals);
  const auto& kept = win->Renderer().KeptPoints();
  ASSERT_GT(kept.size(), 5u);
  for (std::size_t k = 1; k < kept.size(); ++k) {
    win->PointerAt(kept[k].x, kept[k].y);
    const int record = kept[k].index;
    if (record == 3) {
      EXPECT_EQ(win->LeftText(), "XYZ Point 3  [Inactive]");
    } else if (record == 2) {
      // z 2 against the surface 2: a residual of 0.
      EXPECT_EQ(win->LeftText(), "XYZ Point 2  Residual: 0");
      EXPECT_EQ(win->RightText(), "X 3  Y 1  Z 2");
    }
  }
  // Off every point the strip is cleared.
  win->PointerAt(2, 2);
  EXPECT_EQ(win->LeftText(), "");
  // The window's placement is kept as it changes.
  win->resize(610, 460);
  EXPECT_EQ(g.place.width, win->geometry().width());
  QSignalSpy closed(win, &T3DWin::closed);
  win->close();
  EXPECT_EQ(closed.count(), 1);
  delete win;
}

TEST(GraphFrameWindow, LockedPlacementIsLeftAlone) {
  ResidualGraph g;
  g.setup.LockMask = kLockEverything;
  auto* win = new T3DWin(nullptr, "Locked", &g.setup);
  win->resize(400, 300);
  win->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
  win->resize(420, 320);
  EXPECT_EQ(g.place.width, -1);
  delete win;
}

// The lock holds the plain graph window's placement only: the window with the status strip
// records its own on every move and size.
TEST(GraphFrameWindow, StripWindowRecordsItsPlacementThroughTheLock) {
  ResidualGraph g;
  g.setup.LockMask = kLockEverything;
  auto* win = new T3DWinSL(nullptr, "Locked", &g.setup);
  win->resize(400, 300);
  win->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
  win->resize(420, 320);
  EXPECT_EQ(g.place.width, win->geometry().width());
  EXPECT_EQ(g.place.height, win->geometry().height());
  win->move(win->x() + 15, win->y() + 10);
  EXPECT_EQ(g.place.x, win->geometry().x());
  EXPECT_EQ(g.place.y, win->geometry().y());
  // The fifth word is the record owner's (the review keeps whether its residual graph was
  // open there).
  EXPECT_EQ(g.place.maximized, -1);
  EXPECT_EQ(g.setup.LockMask, kLockEverything);
  delete win;
}

TEST(SmallGraphDialog, PreviewDrawsOnceAndAgainAfterEachChange) {
  ResidualGraph g;
  g.setup.ResidualMode = 0;
  auto* dlg = new T3DSFDlg(nullptr, &g.setup, 0);
  dlg->Pane()->setFixedSize(240, 180);
  dlg->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
  dlg->Pane()->repaint();
  const int first = dlg->Paints();
  EXPECT_GE(first, 1);
  const QImage before = dlg->Preview().copy();
  dlg->Renderer().MutableView().AngleXY = 120;
  dlg->InvalidateGraph();
  dlg->Pane()->repaint();
  EXPECT_GT(dlg->Paints(), first);
  EXPECT_NE(dlg->Preview(), before);
  delete dlg;
}

// Without fits the status window's graph shows the data through the smoothing subsystem's
// interpolant, once that subsystem has installed it.
TEST(StatusGraph, WithoutFitsTheDataAreShownThroughASmoothedSurface) {
  TSession session;
  PointTable table = MakeTable({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 2}, {0.5L, 0.4L, 4}, {0.3L, 0.8L, 2.5L}});
  ASSERT_TRUE(session.Table.ReplaceDataTable(table));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  for (const bool installed : {false, true}) {
    SetPreviewSurfaceMaker(installed ? TPreviewSurfaceMaker(&MakeTriangulationPreview) : TPreviewSurfaceMaker());
    QWidget pane;
    pane.resize(320, 240);
    auto* graph = new TStatusGraph(&pane, session, false);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    graph->repaint();
    EXPECT_EQ((graph->Renderer().ContentFlags() & kContentSurface) != 0, installed);
    EXPECT_EQ((graph->Renderer().ContentFlags() & kContentPoints) != 0, true);
  }
  SetPreviewSurfaceMaker({});
}

// The titles typed for the data reach the status window's graph: the data title above it,
// the names on the axes; the Custom Titles dialog starts from them.
TEST(StatusGraph, TitlesAreTheDataTitles) {
  TSession session;
  PointTable table = MakeTable({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 2}});
  ASSERT_TRUE(session.Table.ReplaceDataTable(table));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  session.DataTitles() = TDataTitles{"Plate Test", "Length", "Width", "Height"};
  for (const bool withFits : {false, true}) {
    QWidget pane;
    pane.resize(320, 240);
    auto* graph = new TStatusGraph(&pane, session, withFits);
    const T3DTitleSet* titles = graph->Renderer().Setup()->TitleSettings;
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(titles->Lines, (std::array<std::string, 5>{"Plate Test", "", "", "", ""}));
    EXPECT_EQ(titles->AxisTitles, (std::array<std::string, 3>{"Length", "Width", "Height"}));
  }
}

// With fits the points are coloured by their residual from the current fit in bands of its
// standard error, as the review colours them: the plane through the replicated data leaves
// points beyond one standard error.
TEST(StatusGraph, WithFitsThePointsAreBandedByTheCurrentFit) {
  CurrentSettings() = DefaultSettings(1280, 1024);
  TSession session;
  review_test::FitInto(session, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
  const long double se = session.CurFit.eqn.fitStdError;
  ASSERT_TRUE(FitStdErrorKnown(se));
  QWidget pane;
  pane.resize(320, 240);
  auto* graph = new TStatusGraph(&pane, session, true);
  pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
  graph->repaint();
  EXPECT_EQ(graph->Renderer().ResidualBand(), se);
  int beyond = 0;
  for (const TXYZPoint& p : session.Table.XYZData().subspan(1))
    if (graph->Renderer().ResidualColor(std::fabs(p.Z - EvalFitZ(session.CurFit, p.X, p.Y))) != kRolePoints1SD) ++beyond;
  EXPECT_GT(beyond, 0);
}

TEST(GraphOptions, RecordsComeFromTheSettingsAndGoBack) {
  ProgramSettings settings;
  T3DViewRec view = DefaultViewRec();
  view.AngleXY = 123;
  settings.viewRecords[kGraphDataStatusFits] = EncodeViewRec(view);
  settings.graphOption[kGraphDataStatusFits] = 4;
  settings.pointsRecords[kPointsDataStatusFits] = {1, 2, 3};  // damaged: the default
  {
    TGraphOptions options(settings, kGraphDataStatusFits, kPointsDataStatusFits, kPlaceReviewGraphFirst);
    EXPECT_EQ(options.view.AngleXY, 123);
    EXPECT_EQ(options.scheme, 4);
    EXPECT_EQ(options.points, DefaultPointsRec());
    EXPECT_EQ(options.Setup().View, &options.view);
    options.view.AngleZ = 45;
    options.scheme = 2;
    options.placement = WindowPlacement{10, 20, 300, 200, 0};
    options.StoreBack();
  }
  T3DViewRec back;
  ASSERT_TRUE(DecodeViewRec(settings.viewRecords[kGraphDataStatusFits], back));
  EXPECT_EQ(back.AngleZ, 45);
  EXPECT_EQ(settings.graphOption[kGraphDataStatusFits], 2);
  EXPECT_EQ(settings.placements[kPlaceReviewGraphFirst].width, 300);
  EXPECT_EQ(settings.pointsRecords[kPointsDataStatusFits].size(), T3DPointsRec::kSize);
  // User colour schemes: a damaged block gives the defaults, a good one round-trips.
  EXPECT_EQ(DecodeUserColorSchemes(Block(7, 0)), DefaultUserColorSchemes());
  TUserColorSchemes schemes = DefaultUserColorSchemes();
  schemes[3][5] = 14;
  EXPECT_EQ(DecodeUserColorSchemes(EncodeUserColorSchemes(schemes)), schemes);
}

}  // namespace
