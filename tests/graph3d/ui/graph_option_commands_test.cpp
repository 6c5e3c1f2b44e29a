// The option commands of the graph windows: locks, what a confirmed change recomputes and
// redraws, and that a cancelled dialog leaves the record (and the point statuses) as they were.
#include <gtest/gtest.h>

#include <QTest>

#include <cmath>
#include <map>

#include "graph3d/graph_fixture.h"
#include "graph3d/setup_snapshot.h"
#include "graph3d/ui/graph_dialog.h"
#include "graph3d/ui/graph_option_commands.h"

namespace {

struct DataGraph : GraphFixture {
  PointTable table;
  std::shared_mutex mutex;
  GraphOptionContext context;
  DataGraph() {
    SetSurface([](long double x, long double y) { return x * y / 4; }, 0, 4, 0, 4);
    table = MakeTable({{1, 1, 1}, {3, 1, 2}, {1, 3, 3}, {3, 3, 1.5}, {2, 2, 2.5}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    context.mutablePoints = [this] { return std::span<TXYZPoint>(table); };
    context.tableMutex = &mutex;
    view.MeshX = view.MeshY = 20;
  }
};

// Stands in for the dialogs: records the lock each ran under and applies `edit`.
struct FakeDialogs : GraphOptionDialogs {
  std::map<int, int> locks;
  std::function<int(int, T3DGraphSetup&)> edit = [](int, T3DGraphSetup&) { return kDialogOk; };
  int Run(int dialog, QWidget*, T3DGraphSetup& setup, const GraphOptionContext&) override {
    locks[dialog] = setup.LockMask;
    return edit(dialog, setup);
  }
};

struct Window {
  T3DDlg* dlg;
  explicit Window(DataGraph& g) : dlg(new T3DDlg(nullptr, &g.setup, 0)) {
    dlg->resize(420, 330);
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg));
  }
  ~Window() { delete dlg; }
};

TEST(GraphOptionCommands, EachCommandRunsUnderItsLockAndRestoresIt) {
  DataGraph g;
  Window w(g);
  g.setup.LockMask = 0x20;
  struct Case {
    int command, dialog, lock;
  } cases[] = {{kCmGraphType, kDlgGraphType, 14}, {kCmViewOptions, kDlgView, 15},
               {kCmScaling, kDlgScaling, 11},     {kCmAnimate, kDlgAnimate, 0x4000},
               {kCmAnimate, kDlgAnimationPlayer, 0x4000}, {kCmColors, kDlgColorScheme, 14},
               {kCmPointsOptions, kDlgPoints, 6}, {kCmSection, kDlgSection, 3}};
  FakeDialogs dialogs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialog);
    const GraphOptionResult r = RunGraphOptionCommand(*w.dlg, c.command, dialogs, g.context);
    EXPECT_TRUE(r.handled);
    ASSERT_TRUE(dialogs.locks.count(c.dialog));
    EXPECT_EQ(dialogs.locks[c.dialog], c.lock);
    EXPECT_EQ(g.setup.LockMask, 0x20);
  }
  EXPECT_FALSE(RunGraphOptionCommand(*w.dlg, 999, dialogs, g.context).handled);
}

TEST(GraphOptionCommands, ViewChangesRecomputeOnlyWhatTheyNeed) {
  DataGraph g;
  Window w(g);
  FakeDialogs dialogs;
  GraphOptionResult r = RunGraphOptionCommand(*w.dlg, kCmViewOptions, dialogs, g.context);
  EXPECT_FALSE(r.changed);
  EXPECT_EQ(r.redraw, 0);
  EXPECT_FALSE(r.recomputedGrid);

  dialogs.edit = [](int, T3DGraphSetup& s) {
    s.View->AngleXY = 100;
    return kDialogOk;
  };
  r = RunGraphOptionCommand(*w.dlg, kCmViewOptions, dialogs, g.context);
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(r.viewChanged);
  EXPECT_EQ(r.redraw, 2);
  EXPECT_FALSE(r.recomputedGrid);
  EXPECT_EQ(w.dlg->Renderer().View().AngleXY, 100);

  dialogs.edit = [](int, T3DGraphSetup& s) {
    s.View->MeshX = s.View->MeshY = 12;
    return kDialogOk;
  };
  r = RunGraphOptionCommand(*w.dlg, kCmViewOptions, dialogs, g.context);
  EXPECT_TRUE(r.recomputedGrid);
  EXPECT_EQ(w.dlg->Renderer().GridNx(), 12);

  dialogs.edit = [](int, T3DGraphSetup& s) {
    s.Scaling.Divs[0] = 7;
    return kDialogOk;
  };
  r = RunGraphOptionCommand(*w.dlg, kCmScaling, dialogs, g.context);
  EXPECT_TRUE(r.recomputedScales);
  EXPECT_EQ(w.dlg->Renderer().Divisions(kAxisX), 7);
}

TEST(GraphOptionCommands, CancelLeavesTheRecordAndStatusesAsTheyWere) {
  DataGraph g;
  Window w(g);
  FakeDialogs dialogs;
  // Every kind of change a preview renderer or a dialog makes before the user cancels.
  dialogs.edit = [&g](int, T3DGraphSetup& s) {
    s.View->MeshX = 9;
    s.View->GraphType = 17;
    s.Scaling.Zoom[2] = 3;
    s.PointsOpt->Display = 3;
    *s.Scheme = 4;
    (*s.UserSchemes)[0][5] = 9;
    s.Titles->Lines[0] = "changed";
    s.Font->height = 20;
    g.table[2].Status = kPointInactive;
    g.table[3].Status = kPointInactive;
    return kDialogCancel;
  };
  const PointTable statuses = g.table;
  for (int command : {kCmGraphType, kCmViewOptions, kCmScaling, kCmPointsOptions, kCmColors,
                      kCmTitles, kCmSection, kCmAnimate}) {
    SCOPED_TRACE(command);
    w.dlg->Renderer().StoreOptions();
    const TSetupSnapshot before(g.setup);
    const GraphOptionResult r = RunGraphOptionCommand(*w.dlg, command, dialogs, g.context);
    EXPECT_FALSE(r.changed);
    EXPECT_TRUE(before.Matches(g.setup));
    if (command == kCmSection) {
      for (std::size_t i = 1; i < g.table.size(); ++i) EXPECT_EQ(g.table[i].Status, statuses[i].Status);
    }
    for (auto& p : g.table) p.Status = statuses[static_cast<std::size_t>(&p - g.table.data())].Status;
  }
}

TEST(GraphOptionCommands, CustomColoursCancelPutsTheUserSchemeBack) {
  DataGraph g;
  Window w(g);
  FakeDialogs dialogs;
  const TUserColorSchemes schemes = g.userSchemes;
  dialogs.edit = [](int dialog, T3DGraphSetup& s) {
    if (dialog == kDlgColorScheme) {
      *s.Scheme = kUserScheme;
      (*s.UserSchemes)[0][11] = 1;
      return kCustomizeColors;
    }
    (*s.UserSchemes)[0][11] = 2;
    return kDialogCancel;
  };
  RunGraphOptionCommand(*w.dlg, kCmColors, dialogs, g.context);
  EXPECT_EQ(g.userSchemes, schemes);
  EXPECT_EQ(g.scheme, 1);
}

TEST(GraphOptionCommands, SameBuiltInSchemeKeepsTheCacheUserSchemeClearsIt) {
  DataGraph g;
  Window w(g);
  FakeDialogs dialogs;
  dialogs.edit = [](int, T3DGraphSetup&) { return kDialogOk; };
  EXPECT_EQ(RunGraphOptionCommand(*w.dlg, kCmColors, dialogs, g.context).redraw, 0);
  dialogs.edit = [](int, T3DGraphSetup& s) {
    *s.Scheme = 3;
    return kDialogOk;
  };
  EXPECT_EQ(RunGraphOptionCommand(*w.dlg, kCmColors, dialogs, g.context).redraw, 2);
  EXPECT_EQ(w.dlg->Renderer().SchemeNumber(), 3);
  dialogs.edit = [](int, T3DGraphSetup& s) {
    *s.Scheme = kUserScheme;
    return kDialogOk;
  };
  EXPECT_EQ(RunGraphOptionCommand(*w.dlg, kCmColors, dialogs, g.context).redraw, 2);
  // The user scheme again: its colours may have changed, so the cache goes every time.
  EXPECT_EQ(RunGraphOptionCommand(*w.dlg, kCmColors, dialogs, g.context).redraw, 2);
}

TEST(GraphOptionCommands, FontHeightInPixelsAndBack) {
  EXPECT_EQ(FontHeightFromPoints(12, 96), -16);
  EXPECT_EQ(FontPointsFromHeight(-16, 96), 12);
  EXPECT_EQ(FontHeightFromPoints(10, 120), -17);
  DataGraph g;
  Window w(g);
  FakeDialogs dialogs;
  GraphDisplayFacts facts = GetGraphDisplayFacts();
  facts.screenDpiY = 96;
  SetGraphDisplayFacts(facts);
  int asked = 0;
  g.context.chooseFont = [&](QWidget*, platform::Font& f) {
    asked = f.height;
    f.height = -20;
    return true;
  };
  const GraphOptionResult r = RunGraphOptionCommand(*w.dlg, kCmGraphFont, dialogs, g.context);
  EXPECT_EQ(asked, -16);
  EXPECT_EQ(g.font.height, 15);
  EXPECT_EQ(r.redraw, 2);
  g.context.chooseFont = [](QWidget*, platform::Font& f) {
    f.height = -40;
    return false;
  };
  EXPECT_EQ(RunGraphOptionCommand(*w.dlg, kCmGraphFont, dialogs, g.context).redraw, 0);
  EXPECT_EQ(g.font.height, 15);
}

}  // namespace
