// The number fields of the graph option and print dialogs: what a field shows when it is
// left, when OK or Save is pressed, and after Reset, is what the dialog stores and writes.
// Each case is a fault once seen: a perspective of "abc" shown while 2 was stored, "1,5"
// stored as 1, a margin of "abc" saved as the old one, a scaling range of "abc" closing the
// dialog without a word, "2,5" taken as no bound, an animation Reset its own field refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ui/number_field.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/ui/eight_point_graph.h"
#include "graph3d/option_files.h"
#include "graph3d/ui/animation_dialogs.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "graph3d/ui/scaling_dialog.h"
#include "graph3d/ui/section_dialog.h"
#include "graph3d/ui/view_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

using DataGraph = EightPointGraph;

// Types over a field as a user does (the field focused, its text selected and replaced).
void Type(QLineEdit* e, const QString& text) {
  QApplication::setActiveWindow(e->window());
  e->setFocus(Qt::TabFocusReason);
  e->selectAll();
  e->del();
  QTest::keyClicks(e, text);
}

// The focus leaves `e` for another control of its window.
void Leave(QLineEdit* e, QWidget* next) {
  ASSERT_TRUE(e->hasFocus());
  next->setFocus(Qt::TabFocusReason);
}

TEST(EntryFields, ViewOptionsStoreWhatTheFieldsShow) {
  DataGraph g;
  g.setup.LockMask = 15;
  g.view.Perspective = 2;
  g.view.LightXY = 30;
  auto* d = new T3DView(nullptr, &g.setup);
  ShowDialog(d, "view_fields");
  auto* level = static_cast<QLineEdit*>(d->Control(412));
  auto* lightXY = static_cast<QLineEdit*>(d->Control(409));
  Type(level, "abc");
  Leave(level, lightXY);
  EXPECT_EQ(level->text(), "2");
  Type(lightXY, "1,5");
  Leave(lightXY, level);
  EXPECT_EQ(lightXY->text(), "30");
  Type(level, "9");
  Leave(level, lightXY);
  EXPECT_EQ(level->text(), "5");
  Type(lightXY, "-45");
  d->accept();  // from the keyboard: the field is not left first
  EXPECT_EQ(d->result(), QDialog::Accepted);
  delete d;
  EXPECT_EQ(g.view.Perspective, 5);
  EXPECT_EQ(g.view.LightXY, -45);
}

TEST(EntryFields, PrintGraphMarginsAreRefusedOnSaveAndOkUntilTheyAreMargins) {
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  TPrintGraphRec rec;
  rec.Layout = kLayoutCustomPortrait;
  rec.PortraitMargins = {1.5f, 2.5f, 1.5f, 14.0f};
  auto* d = new TPrintGraph(nullptr, &rec, QRect(), false, nullptr);
  ShowDialog(d, "print_graph_fields");
  auto* left = d->findChild<QLineEdit*>("540");
  auto* save = d->findChild<QPushButton*>(QString::number(TPrintGraph::kSaveButton));
  const std::string file = dir.File("margins.cpg");
  struct Case {
    const char* typed;
    const char* shown;
  };
  for (const Case& c : {Case{"abc", "1.50"}, Case{"150", "100"}, Case{"", "1.50"}, Case{"1,5", "1.50"}}) {
    SCOPED_TRACE(c.typed);
    for (int road = 0; road < 2; ++road) {  // Save, then OK
      Type(left, c.typed);
      const std::size_t boxes = answers.Boxes().size();
      if (road == 0) {
        save->click();
      } else {
        static_cast<QDialog*>(d)->accept();
      }
      EXPECT_TRUE(d->isVisible());
      ASSERT_EQ(answers.Boxes().size(), boxes + 1);
      EXPECT_EQ(answers.Boxes().back().caption, "Print Graph");
      EXPECT_EQ(answers.Boxes().back().text, "The left margin must be a number of centimetres from 0 to 100.");
      EXPECT_EQ(left->text().trimmed().toStdString(), c.shown);
      if (road == 1) left->setText("1.50  ");
    }
  }
  EXPECT_TRUE(files.Requests().empty());
  EXPECT_FALSE(std::filesystem::exists(file));
  // A margin saves and is kept as shown.
  Type(left, "1.75");
  files.Answer(file);
  save->click();
  TPrintGraphRec saved;
  ASSERT_EQ(ReadCustomPrintFile(file, saved), OptionFileStatus::Ok);
  EXPECT_FLOAT_EQ(saved.PortraitMargins[0], 1.75f);
  static_cast<QDialog*>(d)->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  delete d;
  EXPECT_FLOAT_EQ(rec.PortraitMargins[0], 1.75f);
}

TEST(EntryFields, ScalingRangesThatAreNoNumbersKeepTheDialogOpen) {
  DataGraph g;
  g.setup.LockMask = 11;
  platform::ScriptedAnswers answers;
  auto* d = new T3DScale(nullptr, &g.setup);
  ShowDialog(d, "scaling_fields");
  ASSERT_TRUE(d->MinEdit(0)->isEnabled());  // the surface's X range is typed, not automatic
  QLineEdit* min = d->MinEdit(0);
  QLineEdit* max = d->MaxEdit(0);
  const QString minShown = min->text();
  for (const char* typed : {"abc", "1,5", "", "-"}) {
    SCOPED_TRACE(typed);
    Type(min, typed);

    const std::size_t boxes = answers.Boxes().size();
    d->accept();  // Enter: the field is not left first
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(answers.Boxes().size(), boxes + 1);
    EXPECT_EQ(answers.Boxes().back().caption, "3D Scaling");
    EXPECT_EQ(min->text(), minShown);
  }
  // Divisions out of range: the divisions' own words, and the bound shown.
  Type(d->DivsEdit(0), "0");
  d->accept();
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(answers.Boxes().back().text, "Valid Range is 1 to 20");
  EXPECT_EQ(d->DivsEdit(0)->text(), "1");
  // A formula is a value; a Max below the Min is swapped when the dialog closes, and the
  // fields show what is stored.
  Type(min, "2*4");
  Type(max, "3");
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(min->text(), "3");
  EXPECT_EQ(max->text(), "8");
  delete d;
  EXPECT_EQ(g.setup.Scaling.AxisLow[0], 3);
  EXPECT_EQ(g.setup.Scaling.AxisHigh[0], 8);
}

// Min = Max = 1E20 (and other magnitudes) saved from the dialog reads back in another: adding
// 1 to the top once did nothing past 2^64, and the reader refused the file it had written.
TEST(EntryFields, ScalingRangeAtEveryMagnitudeSavedReadsBack) {
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  for (const char* at : {"1E20", "-1E20", "1E-30", "-1E-30", "1E300", "-1E300"}) {
    SCOPED_TRACE(at);
    DataGraph g;
    g.setup.LockMask = 11;
    auto* d = new T3DScale(nullptr, &g.setup);
    ShowDialog(d, "scaling_1e20");
    Type(d->MinEdit(0), at);
    Type(d->MaxEdit(0), at);
    const std::string file = dir.File(std::string("range") + at + ".scl");
    files.Answer(file);
    d->CmSaveScale();
    const T3DScalingBlock shown = d->Renderer().Scaling();
    EXPECT_LT(shown.AxisLow[0], shown.AxisHigh[0]);
    delete d;
    T3DScalingBlock back;
    ASSERT_EQ(ReadScalingFile(file, back), OptionFileStatus::Ok);
    EXPECT_EQ(back.AxisLow[0], shown.AxisLow[0]);
    EXPECT_EQ(back.AxisHigh[0], shown.AxisHigh[0]);
    DataGraph other;
    other.setup.LockMask = 11;
    auto* reader = new T3DScale(nullptr, &other.setup);
    files.Answer(file);
    reader->CmReadScale();
    EXPECT_EQ(reader->Renderer().Scaling().AxisLow[0], shown.AxisLow[0]);
    EXPECT_EQ(reader->Renderer().Scaling().AxisHigh[0], shown.AxisHigh[0]);
    reader->accept();
    EXPECT_EQ(reader->result(), QDialog::Accepted);
    delete reader;
    EXPECT_EQ(other.setup.Scaling.AxisLow[0], shown.AxisLow[0]);
    EXPECT_EQ(other.setup.Scaling.AxisHigh[0], shown.AxisHigh[0]);
  }
  EXPECT_TRUE(answers.Boxes().empty()) << answers.Boxes().front().text;
}

TEST(EntryFields, ASectionBoundThatIsNoNumberIsNeverNoBound) {
  DataGraph g;
  platform::ScriptedAnswers answers;
  auto* d = new TSection(nullptr, &g.setup, g.context);
  ShowDialog(d, "section_fields");
  Type(d->BoundEdit(0), "1");
  Type(d->BoundEdit(1), "2,5");
  d->SetMode(SectionMode::Exclude);
  const std::string before = g.Statuses();
  d->findChild<QPushButton*>("button630")->click();  // Apply New, from the keyboard
  EXPECT_EQ(g.Statuses(), before);  // not every point with x >= 1 made inactive
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Section Data");
  EXPECT_EQ(d->BoundEdit(1)->text(), "");  // back to no bound, and seen so
  EXPECT_TRUE(d->BoundEdit(1)->hasFocus());
  Type(d->BoundEdit(1), "2.5");
  d->findChild<QPushButton*>("button630")->click();
  EXPECT_EQ(g.Statuses(), " **     ");  // 1 <= x <= 2.5 excluded
  delete d;
}

TEST(EntryFields, AnimationResetAndItsFileAreTakenByTheirOwnFields) {
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  T3DAnimRec block;
  block.Vary = 3;  // every field open
  auto* d = new TAnimate(nullptr, &block);
  ShowDialog(d, "animate_fields");
  d->CmReset();
  for (int i = 0; i < 6; ++i) {
    const TNumberField* f = NumberFieldOf(d->Edit(i));
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Holds(d->Edit(i)->text())) << i << " shows " << d->Edit(i)->text().toStdString();
  }
  EXPECT_EQ(d->Edit(1)->text(), "360");
  files.Answer(dir.File("reset.ani"));
  d->CmSaveAnimation();
  // An emptied Z start, or a lone sign, goes back to the start held when the field is left.
  d->SetVaryMode(3);
  for (const char* typed : {"", "-"}) {
    Type(d->Edit(3), typed);
    Leave(d->Edit(3), d->Edit(4));
    EXPECT_EQ(d->Edit(3)->text(), "60") << typed;
    EXPECT_EQ(d->Working().StartZ, 60) << typed;
  }
  delete d;
  // The saved Reset reads back into a dialog whose OK takes it.
  T3DAnimRec read;
  auto* e = new TAnimate(nullptr, &read);
  ShowDialog(e, "animate_read");
  const std::size_t boxes = answers.Boxes().size();
  files.Answer(dir.File("reset.ani"));
  e->CmReadAnimation();
  e->accept();
  EXPECT_EQ(e->result(), QDialog::Accepted);
  delete e;
  EXPECT_EQ(answers.Boxes().size(), boxes);
  EXPECT_EQ(read.EndXY, 360);
  EXPECT_EQ(read.StartXY, 5);
}

}  // namespace
