// The graph option dialogs over a record with a known surface and points.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include "app/ui/dialog.h"
#include "app/ui/modal_answers.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/ui/eight_point_graph.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/color_scheme_dialogs.h"
#include "graph3d/ui/graph_type_dialog.h"
#include "graph3d/ui/points_dialog.h"
#include "graph3d/ui/section_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

using DataGraph = EightPointGraph;

TEST(GraphTypeDialog, OpensOnTheCurrentTypeAndRepaintsOnlyOnAChange) {
  DataGraph g;
  g.view.GraphType = 17;
  auto* d = new T3DType(nullptr, &g.setup);
  ShowDialog(d, "graph_type");
  EXPECT_TRUE(d->TypeButton(17)->isChecked());
  EXPECT_EQ(d->TypeButton(17)->text(), "32 Re&d");
  EXPECT_FALSE(d->TypeButton(0)->isChecked());
  const int paints = d->Paints();
  d->TypeButton(17)->click();
  QApplication::processEvents();
  EXPECT_EQ(d->Paints(), paints);
  d->TypeButton(5)->click();
  QApplication::processEvents();
  EXPECT_EQ(d->Renderer().View().GraphType, 5);
  const int after = d->Paints();
  EXPECT_GT(after, paints);
  d->CmReset();  // already type 5
  QApplication::processEvents();
  EXPECT_EQ(d->Paints(), after);
  delete d;
  EXPECT_EQ(g.view.GraphType, 5);  // the renderer stored its state (no lock here)
}

TEST(PointsDialog, ControlsFollowTheDisplayModeAndTheContent) {
  DataGraph g;
  auto* d = new TPoints(nullptr, &g.setup);
  ShowDialog(d, "points");
  auto* hide = static_cast<QRadioButton*>(d->Control(604));
  hide->click();
  EXPECT_FALSE(d->Control(605)->isEnabled());
  EXPECT_FALSE(d->Control(523)->isEnabled());
  EXPECT_FALSE(d->Control(611)->isEnabled());
  static_cast<QRadioButton*>(d->Control(596))->click();
  EXPECT_TRUE(d->Control(605)->isEnabled());
  EXPECT_EQ(d->Renderer().View().GraphType, 1);  // quick preview
  for (int i = 0; i < 19; ++i) d->Tick();
  EXPECT_EQ(d->Renderer().View().GraphType, 1);
  d->Tick();  // two seconds after the last change the full graph is back
  EXPECT_EQ(d->Renderer().View().GraphType, g.view.GraphType);
  static_cast<QRadioButton*>(d->Control(607))->click();
  d->SetSize(7, true);
  d->CmReset();
  const T3DPointsRec& p = d->Renderer().PointsOptions();
  EXPECT_EQ(p.Size, 3);
  EXPECT_EQ(p.Shape, 2);
  EXPECT_EQ(p.Fill, 1);
  EXPECT_EQ(p.Display, 1);
  delete d;

  DataGraph pointsAlone(false);
  auto* e = new TPoints(nullptr, &pointsAlone.setup);
  ShowDialog(e, "points_alone");
  EXPECT_FALSE(e->Control(596)->isEnabled());
  EXPECT_FALSE(static_cast<QRadioButton*>(e->Control(596))->isChecked());
  EXPECT_TRUE(e->Control(611)->isEnabled());
  delete e;
}

TEST(SectionDialog, IncludeExcludeAndEmptyBounds) {
  DataGraph g;
  auto* d = new TSection(nullptr, &g.setup, g.context);
  ShowDialog(d, "section");
  d->BoundEdit(0)->setText("2");
  d->BoundEdit(1)->setText("5");
  d->findChild<QPushButton*>("button630")->click();  // Apply New
  EXPECT_EQ(g.Statuses(), "**    **");
  EXPECT_EQ(d->Renderer().DataLow(kAxisX), 2);
  EXPECT_EQ(d->Renderer().DataHigh(kAxisX), 5);
  g.table[1].Status = ' ';
  d->SetMode(SectionMode::Exclude);
  d->findChild<QPushButton*>("button629")->click();  // Apply Existing
  EXPECT_EQ(g.Statuses(), " *****" "**");
  for (int i = 0; i < 6; ++i) d->BoundEdit(i)->clear();
  d->findChild<QPushButton*>("button629")->click();
  EXPECT_EQ(g.Statuses(), "        ");
  delete d;
}

// A bound whose statement runs for long (a million terms of a costly line of user
// function 3) can be stopped with Cancel: nothing is applied.
TEST(SectionDialog, ALongBoundCanBeCancelledAndAppliesNothing) {
  DataGraph g;
  ExprStartUp();
  ExprContext& ctx = ExprThreadContext();
  const TCurrentUdfScope udf(ctx, 3);
  ctx.ExprVars.Dollar() = 0.5;
  ASSERT_EQ(ExprCompileSlot("INU(100.5,$/1E6)*0+1", 37), 1);
  auto* d = new TSection(nullptr, &g.setup, g.context);
  ShowDialog(d, "section_cancel");
  const std::string before = g.Statuses();
  d->BoundEdit(0)->setText("SUM(7,1,1E6,1)");
  d->BoundEdit(1)->setText("5");
  EXPECT_TRUE(CancelProgressWhenShown([&] { d->findChild<QPushButton*>("button630")->click(); }));
  EXPECT_EQ(g.Statuses(), before);
  EXPECT_FALSE(ctx.goOn);
  delete d;
}

TEST(GraphFontDialog, IsCaptionedSelectGraphFontAndACancelKeepsTheFont) {
  platform::Font font{"Arial", FontHeightFromPoints(12, 96)};
  QString caption;
  QTimer::singleShot(0, [&caption] {
    if (QWidget* d = ActiveDialog()) {
      caption = d->windowTitle();
      d->close();  // the close box: cancelled
    }
  });
  EXPECT_FALSE(ChooseGraphFont(nullptr, font));
  EXPECT_EQ(caption, "Select Graph Font");
  EXPECT_EQ(font.face, "Arial");
  EXPECT_EQ(font.height, FontHeightFromPoints(12, 96));
}

TEST(ColorDialogs, CustomizeCopiesTheBuiltInSchemeAndReadRefusesBadFiles) {
  DataGraph g;
  g.scheme = 2;  // "&Blue"
  auto* d = new TColor_(nullptr, &g.setup);
  ShowDialog(d, "color_scheme");
  EXPECT_TRUE(d->SchemeButton(2)->isChecked());
  d->Customize();
  EXPECT_EQ(d->result(), TColor_::kCustomize);
  delete d;
  EXPECT_EQ(g.userSchemes[0], BuiltinColorScheme(ColorSchemeTable, 2));
  EXPECT_EQ(g.scheme, kUserScheme);

  auto* u = new TUserColor(nullptr, &g.setup);
  ShowDialog(u, "custom_colors");
  u->SelectRole(kRoleBackground);
  u->ChooseColor(4);
  EXPECT_EQ(g.userSchemes[0][kRoleBackground], 4);
  EXPECT_EQ(u->Renderer().ColorIndex(kRoleBackground), 4);
  const QWidget* frame = u->PaletteFrame();
  EXPECT_EQ(u->PaletteCellAt({3, 3}), 0);
  EXPECT_EQ(u->PaletteCellAt({frame->width() - 3, frame->height() - 3}), 15);
  u->CmReset();
  EXPECT_EQ(g.userSchemes[0], BuiltinColorScheme(ColorSchemeTable, 2));

  // A file that is refused takes nothing from the colours being edited: neither a wrong
  // size nor a colour index beyond the 16.
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  u->ChooseColor(4);
  const TColorScheme edited = g.userSchemes[0];
  std::vector<std::uint8_t> beyond(27, 3);
  beyond[kRoleBackground] = 16;
  for (const std::string& bad : {dir.Write("wide.clr", std::vector<std::uint8_t>(28, 3)), dir.Write("beyond.clr", beyond)}) {
    files.Answer(bad);
    u->CmReadColors();
    EXPECT_EQ(g.userSchemes[0], edited) << bad;
    EXPECT_EQ(u->Renderer().ColorIndex(kRoleBackground), 4) << bad;
  }
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[0].text, "Error in Reading Custom Colors File");
  EXPECT_EQ(answers.Boxes()[1].text, "Error in Reading Custom Colors File");
  u->CmReset();
  EXPECT_EQ(g.userSchemes[0], BuiltinColorScheme(ColorSchemeTable, 2));
  const std::string saved = dir.File("mine.clr");
  files.Answer(saved);
  u->CmSaveColors();
  EXPECT_EQ(ReadBytes(saved).size(), 27u);
  delete u;
}

}  // namespace
