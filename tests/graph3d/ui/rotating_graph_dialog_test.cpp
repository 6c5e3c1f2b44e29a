// The rotating graph dialog: hovering, picking and toggling points, and the wheel.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include <cstdlib>

#include "graph3d/graph_fixture.h"
#include "graph3d/ui/rotating_graph_dialog.h"

namespace {

struct PointsGraph : GraphFixture {
  PointTable table;
  PointsGraph() {
    table = MakeTable({{1, 1, 1}, {3, 1, 2}, {1, 3, 3}, {3, 3, 1.5}, {2, 2, 2.5}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({0, 0, 0}, {4, 4, 4});
  }
};

struct Shown {
  T3DDlgSW* dlg;
  explicit Shown(PointsGraph& g) : dlg(new T3DDlgSW(nullptr, &g.setup, 0)) {
    dlg->resize(520, 440);
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg));
    dlg->Pane()->repaint();
  }
  ~Shown() { delete dlg; }
  // The pane position of a record's symbol.
  QPoint At(int record) const {
    for (const TKeptPoint& p : dlg->Renderer().KeptPoints())
      if (&p != &dlg->Renderer().KeptPoints()[0] && p.index == record) return {p.x, p.y};
    ADD_FAILURE() << "record " << record << " not drawn";
    return {};
  }
};

TEST(RotatingGraphDialog, HoverShowsThePointAndAClickTogglesIt) {
  PointsGraph g;
  Shown s(g);
  std::vector<std::pair<int, char>> toggled;
  s.dlg->SetPointToggler([&](int record, char status) {
    toggled.emplace_back(record, status);
    g.table[static_cast<std::size_t>(record)].Status = status;
  });
  int prescans = 0;
  s.dlg->SetPrescan([&] { ++prescans; });
  const QPoint p = s.At(2);
  QTest::mouseMove(s.dlg->Pane(), p + QPoint(1, 1));
  EXPECT_EQ(s.dlg->FieldText(0), "XYZ Point 2  [Active]");
  EXPECT_EQ(s.dlg->FieldText(1), "3");
  EXPECT_EQ(s.dlg->FieldText(3), "2");
  QTest::mousePress(s.dlg->Pane(), Qt::LeftButton, {}, p);
  EXPECT_EQ(s.dlg->FieldText(0), "Change Status of XYZ Point 2 to Inactive");
  QTest::mouseRelease(s.dlg->Pane(), Qt::LeftButton, {}, p + QPoint(1, 0));
  ASSERT_EQ(toggled.size(), 1u);
  EXPECT_EQ(toggled[0], std::make_pair(2, '*'));
  EXPECT_TRUE(s.dlg->PointEdits());
  // A drag of 2 pixels releases the point without toggling it.
  QTest::mousePress(s.dlg->Pane(), Qt::LeftButton, {}, p);
  QTest::mouseRelease(s.dlg->Pane(), Qt::LeftButton, {}, p + QPoint(2, 0));
  EXPECT_EQ(toggled.size(), 1u);
  // Leaving the dialog pre-scans the data once.
  EXPECT_TRUE(s.dlg->FinishPointEdits());
  EXPECT_EQ(prescans, 1);
  EXPECT_FALSE(s.dlg->PointEdits());
  if (const char* out = std::getenv("ONDRAVIK_SHOT")) s.dlg->grab().save(out);
}

TEST(RotatingGraphDialog, WheelAndMiddleButtonTurnTheView) {
  PointsGraph g;
  Shown s(g);
  T3DViewRec& view = s.dlg->Renderer().MutableView();
  view.AngleXY = 45;
  s.dlg->WheelStep(-120, {});
  EXPECT_EQ(view.AngleXY, 120);
  s.dlg->WheelStep(120, {});
  EXPECT_EQ(view.AngleXY, 210);
  s.dlg->WheelStep(120, Qt::ControlModifier);
  EXPECT_EQ(view.AngleXY, 225);
  QTest::mouseClick(s.dlg->Pane(), Qt::MiddleButton, {}, QPoint(10, 10));
  EXPECT_EQ(s.dlg->WheelMode(), 1);
  view.AngleZ = 0;
  for (int expected : {20, 90, 0}) {
    s.dlg->WheelStep(120, {});
    EXPECT_EQ(view.AngleZ, expected);
  }
  QTest::mouseDClick(s.dlg->Pane(), Qt::MiddleButton, {}, QPoint(10, 10));
  EXPECT_EQ(view.AngleXY, 210);
  EXPECT_EQ(view.AngleZ, 20);
}

// A view record holding an XY angle past one turn (a damaged record handed to the window) is
// reduced by whole turns before anything turns it: 1e10, -3e9 and 1e4000 degrees reached an
// int in the wheel's rotation and the animation caption, which cannot hold them.
TEST(RotatingGraphDialog, AnAngleOfADamagedRecordIsReducedBeforeTheWheelTurnsIt) {
  for (const long double far : {1e10L, -3e9L, 1e4000L}) {
    SCOPED_TRACE(static_cast<double>(far));
    PointsGraph g;
    g.view.AngleXY = far;
    Shown s(g);
    const T3DViewRec& view = s.dlg->Renderer().MutableView();
    EXPECT_TRUE(view.AngleXY >= 0 && view.AngleXY <= 360) << static_cast<double>(view.AngleXY);
    s.dlg->WheelStep(120, Qt::ShiftModifier);
    EXPECT_TRUE(view.AngleXY >= 0 && view.AngleXY <= 360) << static_cast<double>(view.AngleXY);
  }
}

}  // namespace
