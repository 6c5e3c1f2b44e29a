// The view, scaling and titles dialogs over a record with a known surface and points.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <array>
#include <cmath>
#include <cstdlib>

#include "graph3d/graph_fixture.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/scaling_dialog.h"
#include "graph3d/ui/titles_dialog.h"
#include "graph3d/ui/view_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

struct DataGraph : GraphFixture {
  PointTable table;
  DataGraph() {
    SetSurface([](long double x, long double y) { return x * y / 4; }, 1, 7, 1, 7);
    table = MakeTable({{1, 1, 1}, {3, 2, 2}, {5, 6, 3}, {7, 4, 1.5}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({1, 1, 0}, {7, 7, 12});
    view.MeshX = view.MeshY = 20;
    view.GraphType = 5;
  }
};

TEST(ViewDialog, FilesOfBothSizesAndTheRefusedOne) {
  DataGraph g;
  g.setup.LockMask = 15;
  auto* d = new T3DView(nullptr, &g.setup);
  ShowDialog(d, "view");
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  T3DViewRec rec = DefaultViewRec();
  rec.Perspective = 4;
  rec.MeshX = rec.MeshY = 25;
  rec.LabelBits = 7;
  std::vector<std::uint8_t> bytes = EncodeViewRec(rec);
  files.Answer(dir.Write("long.v3d", bytes));
  d->CmReadView();
  EXPECT_EQ(d->Renderer().View().Perspective, 4);
  EXPECT_EQ(g.view.MeshX, 25);
  EXPECT_TRUE(d->Square());
  EXPECT_FALSE(d->Control(402)->isEnabled());
  EXPECT_EQ(d->LabelBits(), 7);
  bytes.resize(66);
  files.Answer(dir.Write("short.v3d", bytes));
  d->CmReadView();
  EXPECT_EQ(d->Renderer().View().Perspective, 0);
  bytes.resize(69);
  files.Answer(dir.Write("odd.v3d", bytes));
  d->CmReadView();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Error in Reading 3D View File");
  EXPECT_EQ(answers.Boxes()[0].caption, dir.File("odd.v3d"));
  delete d;
}

TEST(ViewDialog, PreviewsFollowTheClock) {
  DataGraph g;
  g.setup.LockMask = 15;
  auto* d = new T3DView(nullptr, &g.setup);
  ShowDialog(d, "view_preview");
  d->Scroll(405, 100);  // dragging the XY angle
  EXPECT_EQ(d->Renderer().GridNx(), 10);
  EXPECT_EQ(d->Renderer().View().AngleXY, 100);
  for (int i = 0; i < 19; ++i) d->Tick();
  EXPECT_EQ(d->Renderer().GridNx(), 10);
  d->Tick();
  EXPECT_EQ(d->Renderer().GridNx(), 20);
  static_cast<QLineEdit*>(d->Control(409))->setText("45");
  for (int i = 0; i < 8; ++i) d->Tick();
  EXPECT_EQ(d->Renderer().View().GraphType, 5);
  d->Tick();  // about a second after the keystroke: the shaded preview
  EXPECT_EQ(d->Renderer().View().GraphType, 19);
  for (int i = 0; i < 20; ++i) d->Tick();
  EXPECT_EQ(d->Renderer().View().GraphType, 5);
  delete d;
  EXPECT_EQ(g.view.GraphType, 5);
}

TEST(ViewDialog, LabelsAllAndReset) {
  DataGraph g;
  g.view.LabelBits = 1023 & ~64;
  g.view.MeshX = 20;
  g.view.MeshY = 30;
  auto* d = new T3DView(nullptr, &g.setup);
  ShowDialog(d, "view_reset");
  EXPECT_FALSE(d->Square());
  d->Click(428);
  EXPECT_EQ(d->LabelBits(), 1023);
  d->Click(428);
  EXPECT_EQ(d->LabelBits(), 0);
  d->CmReset();
  const T3DViewRec& v = d->Renderer().View();
  EXPECT_EQ(v.AngleXY, 210);
  EXPECT_EQ(v.AngleZ, 20);
  EXPECT_EQ(v.LightXY, 30);
  EXPECT_EQ(v.LightZ, 15);
  EXPECT_EQ(g.view.MeshX, 35);
  EXPECT_EQ(g.view.MeshY, 35);
  EXPECT_EQ(v.FrameSize, 1);
  EXPECT_EQ(v.Perspective, 2);
  EXPECT_EQ(d->LabelBits(), 1023);
  EXPECT_EQ(v.BackPlanes, 3);
  EXPECT_EQ(d->GridBits(), 63);
  delete d;

  DataGraph residual;
  residual.setup.ResidualMode = 1;
  residual.setup.SurfaceFn = nullptr;
  residual.setup.Points = nullptr;
  auto* r = new T3DView(nullptr, &residual.setup);
  r->CmReset();
  EXPECT_EQ(r->Renderer().View().BackPlanes, 1);
  EXPECT_EQ(r->GridBits(), 48);
  delete r;
}

TEST(ScalingDialog, FormulasLogAxesZoomAndClosing) {
  DataGraph g;
  g.setup.LockMask = 11;
  auto* d = new T3DScale(nullptr, &g.setup);
  ShowDialog(d, "scaling");
  d->MaxEdit(0)->setText("2*4");
  EXPECT_EQ(d->Renderer().AxisHigh(kAxisX), 8);
  d->ToggleLog(0);  // range 1 .. 8 in decades
  d->MaxEdit(0)->setText("2*4");
  EXPECT_NEAR(static_cast<double>(d->Renderer().AxisHigh(kAxisX)), std::log10(8.0), 1e-15);
  d->ToggleLog(0);
  EXPECT_NEAR(static_cast<double>(d->Renderer().AxisHigh(kAxisX)), 8.0, 1e-12);
  d->MinEdit(1)->setText("-5");
  d->ToggleLog(1);
  EXPECT_EQ(d->Renderer().AxisLow(kAxisY), 0.01L);
  d->ToggleLog(1);

  d->ToggleAuto(2);
  d->Zoom(0, 6, false);  // zoom 3.0 on X
  d->Renderer().MutableScaling().Zoom[2] = 2;
  EXPECT_EQ(d->ZoomText(0)->text(), "3.0");
  d->MinEdit(0)->setText("1.5");  // typing an X range resets the X and Z zooms
  EXPECT_EQ(d->Renderer().Scaling().Zoom[0], 1);
  EXPECT_EQ(d->Renderer().Scaling().Zoom[2], 1);
  EXPECT_EQ(d->ZoomText(0)->text(), "1.0");

  d->MinEdit(2)->setText("9");
  d->MaxEdit(2)->setText("4");
  d->MinEdit(1)->setText("3");
  d->MaxEdit(1)->setText("3");
  d->accept();
  EXPECT_EQ(d->Renderer().AxisLow(kAxisZ), 4);
  EXPECT_EQ(d->Renderer().AxisHigh(kAxisZ), 9);
  EXPECT_EQ(d->Renderer().AxisHigh(kAxisY), 4);
  delete d;
  EXPECT_EQ(g.setup.Scaling.AxisHigh[2], 9);  // the renderer stored the block
}

// Typing an axis's division count resets the zooms that axis's range edits reset: X and Z
// for X, Y and Z for Y, Z alone for Z.
TEST(ScalingDialog, TypedDivisionsResetTheZoomsOfTheirAxisMask) {
  struct Case {
    int axis;
    std::array<bool, 3> reset;
  };
  for (const Case c : {Case{0, {true, false, true}}, Case{1, {false, true, true}}, Case{2, {false, false, true}}}) {
    DataGraph g;
    auto* d = new T3DScale(nullptr, &g.setup);
    ShowDialog(d, "scaling");
    for (int k = 0; k < 3; ++k) d->Zoom(k, 6, false);  // zoom 3.0 everywhere
    d->DivsEdit(c.axis)->setText("7");
    EXPECT_EQ(d->Renderer().Scaling().Divs[static_cast<std::size_t>(c.axis)], 7) << c.axis;
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(d->Renderer().Scaling().Zoom[k], c.reset[k] ? 1.0L : 3.0L) << "divisions of " << c.axis << ", zoom " << k;
      EXPECT_EQ(d->ZoomText(static_cast<int>(k))->text(), c.reset[k] ? "1.0" : "3.0") << c.axis << " " << k;
    }
    delete d;
  }
}

TEST(ScalingDialog, SaveThenReadAndWrongSizes) {
  DataGraph g;
  auto* d = new T3DScale(nullptr, &g.setup);
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  d->ToggleLog(2);
  d->DivsEdit(2)->setText("7");
  const T3DScalingBlock saved = d->Renderer().Scaling();
  files.Answer(dir.File("s.scl"));
  d->CmSaveScale();
  d->CmReset();
  EXPECT_NE(d->Renderer().Scaling().Log, saved.Log);
  files.Answer(dir.File("s.scl"));
  d->CmReadScale();
  EXPECT_EQ(d->Renderer().Scaling().Log, saved.Log);
  EXPECT_EQ(d->Renderer().Scaling().Divs, saved.Divs);
  EXPECT_EQ(d->Renderer().Scaling().AxisLow, saved.AxisLow);
  for (std::size_t n : {173u, 175u}) {
    files.Answer(dir.Write("bad.scl", std::vector<std::uint8_t>(n, 0)));
    d->CmReadScale();
  }
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[0].text, "Error in Reading Scaling File");
  delete d;
}

struct TitleSets {
  T3DTitleSet automatic;
  T3DTitleSet custom;
  platform::Font font{"Arial", 12};
  explicit TitleSets(int rank) {
    automatic.Lines = {"Data", "Rank " + std::to_string(rank) + " Eqn 7", "r~^2~^=0.9" + std::to_string(rank),
                       "a=" + std::to_string(rank), ""};
    automatic.AxisTitles = {"X", "Y", "Z"};
    automatic.FontSizes = {12, 10, 9, 10};
  }
};

TEST(TitlesDialog, MarkupButtonsAndSizes) {
  TitleSets t(1);
  auto* d = new TTitles(nullptr, &t.custom, t.automatic, t.font);
  ShowDialog(d, "titles");
  QLineEdit* e = d->TextEdit(5);
  e->setText("x2");
  e->setCursorPosition(1);
  d->SetLastEdit(5);
  d->Superscript();
  EXPECT_EQ(e->text(), "x~^2~^");
  EXPECT_EQ(e->selectedText(), "~^2~^");
  d->TextEdit(0)->setText("ab");
  d->TextEdit(0)->setCursorPosition(1);
  d->SetLastEdit(0);
  d->InsertSpecial(TSpcChar::CodeAt(true, {20, 2}, {640, 140}));  // Symbol row 0, column 1
  EXPECT_EQ(d->TextEdit(0)->text(), QString("a~@!~@b"));
  const QString full(78, 'a');
  e->setText(full);
  d->SetLastEdit(5);
  d->Subscript();
  EXPECT_EQ(e->text(), full);  // would not fit in 80 characters
  d->SetConstant(true);
  d->SizeBar(0)->setValue(30);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(d->SizeBar(k)->value(), 30);
  EXPECT_EQ(d->SizeText(7)->text(), "15.0");
  delete d;
}

// The markup and clipboard buttons act on the line the user entered last, however it was
// entered: by a click that left the caret where it stood, by Tab, or by its letter. A line
// entered into an empty field, or at the caret it already had, used to leave the buttons on
// the line before.
TEST(TitlesDialog, ButtonsActOnTheLineTheUserEntered) {
  TitleSets t(1);
  t.automatic.AxisTitles = {"X", "", ""};
  auto* d = new TTitles(nullptr, &t.custom, t.automatic, t.font);
  ShowDialog(d, "titles_entered");
  d->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(d));
  const auto button = [d](int id) { return d->findChild<QPushButton*>(QString("button%1").arg(id)); };
  const auto click = [](QWidget* w, QPoint at) { QTest::mouseClick(w, Qt::LeftButton, {}, at); };
  const auto middle = [](QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); };
  QLineEdit* line1 = d->TextEdit(0);
  QLineEdit* line3 = d->TextEdit(2);
  QLineEdit* line4 = d->TextEdit(3);
  QLineEdit* line5 = d->TextEdit(4);
  QLineEdit* yTitle = d->TextEdit(6);
  QLineEdit* zTitle = d->TextEdit(7);

  // A click into the empty Z title, then Superscript.
  click(line3, QPoint(4, line3->height() / 2));
  click(zTitle, middle(zTitle));
  ASSERT_TRUE(zTitle->hasFocus());
  click(button(499), middle(button(499)));
  EXPECT_EQ(zTitle->text(), "~^~^");
  EXPECT_EQ(line3->text(), "r~^2~^=0.91");

  // Tab from line 4 into the empty line 5, then Paste.
  QGuiApplication::clipboard()->setText("q");
  click(line4, QPoint(2, line4->height() / 2));
  QTest::keyClick(line4, Qt::Key_Tab);
  ASSERT_TRUE(line5->hasFocus());
  click(button(363), middle(button(363)));
  EXPECT_EQ(line5->text(), "q");
  EXPECT_EQ(line4->text(), "a=1");

  // The Y title's letter, then Subscript.
  click(line3, QPoint(4, line3->height() / 2));
  QTest::keyClick(d, Qt::Key_Y, Qt::AltModifier);
  ASSERT_TRUE(yTitle->hasFocus());
  click(button(500), middle(button(500)));
  EXPECT_EQ(yTitle->text(), "~`~`");
  EXPECT_EQ(line3->text(), "r~^2~^=0.91");

  // A click at the end of line 1, where its caret already stood, then Superscript.
  ASSERT_EQ(line1->cursorPosition(), 4);
  click(line1, QPoint(line1->width() - 4, line1->height() / 2));
  ASSERT_EQ(line1->cursorPosition(), 4);
  click(button(499), middle(button(499)));
  EXPECT_EQ(line1->text(), "Data~^~^");
  EXPECT_EQ(yTitle->text(), "~`~`");

  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) d->grab().save(QString(dir) + "/titles_entered_after.png");
  delete d;
}

// Custom titles keep only what the program's text can hold: a character outside it is
// named in a message and the set is left as it was; an emoji counts once, not per half.
TEST(TitlesDialog, CharactersOutsideWesternEuropeanTextAreRefused) {
  TitleSets t(1);
  platform::ScriptedAnswers answers;
  auto* d = new TTitles(nullptr, &t.custom, t.automatic, t.font);
  d->TextEdit(7)->setText(QString::fromUtf8("Z \U0001F600\U0001F600"));
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Rejected);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text,
            "Only Western European characters can be kept here.\nThese characters cannot: U+1F600");
  EXPECT_TRUE(t.custom.AxisTitles[2].empty());
  d->TextEdit(7)->setText("Z [\u00b0C]");
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(t.custom.AxisTitles[2], "Z [\xb0" "C]");
  delete d;
}

TEST(TitlesDialog, EnabledWordAndFitLinesAcrossRanks) {
  TitleSets t(3);
  auto* d = new TTitles(nullptr, &t.custom, t.automatic, t.font);
  d->accept();
  EXPECT_EQ(t.custom.Enabled, 0);
  delete d;
  d = new TTitles(nullptr, &t.custom, t.automatic, t.font);
  d->TextEdit(0)->setText("Dat");
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  files.Answer(dir.File("t.ttl"));
  d->CmSaveTitles();
  d->accept();
  EXPECT_EQ(t.custom.Enabled, 1);
  delete d;

  TitleSets now(1);
  auto* r = new TTitles(nullptr, &now.custom, now.automatic, now.font);
  files.Answer(dir.File("t.ttl"));
  r->CmReadTitles();
  EXPECT_EQ(r->TextEdit(0)->text(), "Dat");
  EXPECT_EQ(r->TextEdit(1)->text(), "Rank 1 Eqn 7");
  EXPECT_EQ(r->TextEdit(2)->text(), "r~^2~^=0.91");
  files.Answer(dir.Write("short.ttl", std::vector<std::uint8_t>(1095, 0)));
  r->CmReadTitles();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Error in Reading Custom Titles File");
  delete r;
}

}  // namespace
