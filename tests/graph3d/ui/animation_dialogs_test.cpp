// The animation settings dialog and the "Animate View" player.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <utility>
#include <vector>

#include "graph3d/graph_fixture.h"
#include "graph3d/option_files.h"
#include "graph3d/ui/animation_dialogs.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

TEST(AnimateDialog, NormalisesShowsAndStores) {
  T3DAnimRec block;
  block.StartXY = 10;
  block.EndXY = 350;
  block.StepXY = -5;
  auto* d = new TAnimate(nullptr, &block);
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) d->grab().save(QString(dir) + "/animate.png");
  EXPECT_EQ(d->Edit(2)->text(), "5");
  d->SetVaryMode(1);
  EXPECT_FALSE(d->Edit(3)->isEnabled());
  EXPECT_TRUE(d->Edit(0)->isEnabled());
  d->SetScope(2);
  d->Edit(1)->setText("300");
  d->accept();
  EXPECT_EQ(block.StepXY, 5);
  EXPECT_EQ(block.EndXY, 300);
  EXPECT_EQ(block.Scope(), 2);
  EXPECT_EQ(block.Mode(), 1);
  delete d;
}

TEST(AnimateDialog, FilesOfTheWrongSizeAreRefused) {
  T3DAnimRec block;
  auto* d = new TAnimate(nullptr, &block);
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  for (std::size_t n : {13u, 15u}) {
    files.Answer(dir.Write("a" + std::to_string(n) + ".ani", std::vector<std::uint8_t>(n, 1)));
    d->CmReadAnimation();
  }
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[1].text, "Error in Reading Animation File");
  EXPECT_EQ(d->Working(), block);
  d->CmReset();
  files.Answer(dir.File("r.ani"));
  d->CmSaveAnimation();
  T3DAnimRec back;
  EXPECT_EQ(ReadAnimationFile(dir.File("r.ani"), back), OptionFileStatus::Ok);
  EXPECT_EQ(back.EndXY, 360);
  delete d;
}

// Typing 350 over a selected 355 gives 350, in the dialog, in the block and in the saved
// file: the digits once were tested against the selection and left 0 behind.
TEST(AnimateDialog, NumbersTypedOverASelectionAreStoredAndSaved) {
  T3DAnimRec block;
  block.Vary = 1;
  block.StartXY = 0;
  block.EndXY = 355;
  block.StepXY = 5;
  auto* d = new TAnimate(nullptr, &block);
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
  ASSERT_EQ(d->Edit(1)->text(), "355");
  d->Edit(1)->setFocus();
  d->Edit(1)->selectAll();
  QTest::keyClicks(d->Edit(1), "350");
  EXPECT_EQ(d->Edit(1)->text(), "350");
  EXPECT_EQ(d->Working().EndXY, 350);
  // 4 over a selected 6 in the step field.
  d->Edit(2)->setText("6");
  d->Edit(2)->selectAll();
  QTest::keyClicks(d->Edit(2), "4");
  EXPECT_EQ(d->Edit(2)->text(), "4");
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  files.Answer(dir.File("typed.ani"));
  d->CmSaveAnimation();
  T3DAnimRec saved;
  ASSERT_EQ(ReadAnimationFile(dir.File("typed.ani"), saved), OptionFileStatus::Ok);
  EXPECT_EQ(saved.EndXY, 350);
  EXPECT_EQ(saved.StepXY, 4);
  d->accept();
  EXPECT_EQ(block.EndXY, 350);
  EXPECT_EQ(block.StepXY, 4);
  delete d;
}

// Enter on the button the user moved to presses that button: Alt+R reaches "Read" first
// ("&Read" and "&Reset" share their letter), and Enter there once accepted the dialog and
// started the animation. Enter in a field presses OK.
TEST(AnimateDialog, EnterPressesTheButtonThatHasTheFocus) {
  T3DAnimRec block;
  block.EndXY = 300;
  auto* d = new TAnimate(nullptr, &block);
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
  platform::ScriptedFiles files;
  files.Answer(std::nullopt);  // the file dialog cancelled
  auto* read = d->findChild<QPushButton*>("button13");
  auto* reset = d->findChild<QPushButton*>("button18");
  ASSERT_TRUE(read && reset);
  read->setFocus(Qt::ShortcutFocusReason);
  QTest::keyClick(read, Qt::Key_Return);
  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].title, "Read Animation");
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(block.EndXY, 300);
  // Tabbed to from the first field, the same.
  d->Edit(0)->setFocus();
  for (int i = 0; i < 40 && QApplication::focusWidget() != read; ++i)
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), read);
  files.Answer(std::nullopt);
  QTest::keyClick(read, Qt::Key_Return);
  ASSERT_EQ(files.Requests().size(), 2u);
  EXPECT_TRUE(d->isVisible());
  reset->setFocus(Qt::ShortcutFocusReason);
  QTest::keyClick(reset, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->Working().EndXY, 360);
  EXPECT_EQ(block.EndXY, 300);
  d->Edit(0)->setFocus();
  QTest::keyClick(d->Edit(0), Qt::Key_Return);
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(block.EndXY, 360);
  delete d;
}

struct Player : GraphFixture {
  PointTable table;
  TAnimateWin* win;
  Player() {
    SetSurface([](long double x, long double y) { return x * y; }, 0, 2, 0, 2);
    table = MakeTable({{1, 1, 1}, {2, 2, 4}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    view.MeshX = view.MeshY = 6;
    anim.Vary = 3;
    anim.StartXY = 5;
    anim.EndXY = 360;
    anim.StepXY = 5;
    anim.StartZ = 60;
    anim.EndZ = -60;
    anim.StepZ = -5;
    setup.LockMask = kLockEverything;
    win = new TAnimateWin(nullptr, &setup);
    win->SetTimerDriven(false);
    win->resize(240, 200);
    win->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(win));
  }
  ~Player() { delete win; }
  std::pair<int, int> Angles() const {
    const T3DViewRec& v = win->Renderer().View();
    return {static_cast<int>(v.AngleXY), static_cast<int>(v.AngleZ)};
  }
};

TEST(AnimationPlayer, ElevationRunsThroughBeforeTheRotationSteps) {
  Player p;
  p.win->CmStart();
  ASSERT_TRUE(p.win->Step());
  std::vector<std::pair<int, int>> frames{p.Angles()};
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(p.win->Step());
    frames.push_back(p.Angles());
  }
  for (int k = 0; k < 25; ++k) EXPECT_EQ(frames[static_cast<std::size_t>(k)], std::make_pair(5, 60 - 5 * k));
  EXPECT_EQ(frames[25], std::make_pair(10, 60));
  // The frames are drawn below the menu bar, which spans the window: the titles are not under it.
  const QMenuBar* menu = p.win->MenuBar();
  EXPECT_EQ(menu->width(), p.win->width());
  EXPECT_EQ(p.win->Frame().size(), QSize(p.win->width(), p.win->height() - menu->height()));
  EXPECT_EQ(p.win->Renderer().GraphRect().top, 0);
  EXPECT_EQ(p.win->GraphRectOnScreen().top(), menu->mapToGlobal(QPoint(0, menu->height())).y());
  p.win->CmStop();
  EXPECT_FALSE(p.win->Step());
  EXPECT_FALSE(p.win->Playing());
}

// In a window taller than any screen the frames still reach the bottom strip, where the
// angle legend stands: it changes with every frame.
TEST(AnimationPlayer, EveryFrameRepaintsTheBottomStrip) {
  Player p;
  p.win->resize(360, 1300);
  QTRY_COMPARE(p.win->height(), 1300);
  p.win->CmStart();
  std::vector<QImage> strips;
  for (int k = 0; k < 3; ++k) {
    ASSERT_TRUE(p.win->Step());
    const QImage& frame = p.win->Frame();
    ASSERT_EQ(frame.height(), 1300 - p.win->MenuBar()->height());
    strips.push_back(frame.copy(0, frame.height() - 40, frame.width(), 40));
  }
  EXPECT_NE(strips[0], strips[1]);
  EXPECT_NE(strips[1], strips[2]);
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) p.win->Frame().save(QString(dir) + "/player-tall.png");
}

TEST(AnimationPlayer, KeyStopsStartResumesSurfaceScopeHidesPointsWhilePlaying) {
  Player p;
  p.anim.Vary = 0x0201;  // XY, scope "Sur&face"
  const int display = p.win->Renderer().PointsOptions().Display;
  p.win->CmStart();
  ASSERT_TRUE(p.win->Step());
  ASSERT_TRUE(p.win->Step());
  EXPECT_EQ(p.win->Renderer().PointsOptions().Display & 0xFF, 3);
  EXPECT_EQ(p.win->MenuBar()->actions()[0]->text(), "&Stop");
  EXPECT_FALSE(p.win->MenuBar()->actions()[1]->isEnabled());
  const auto stoppedAt = p.Angles();
  QTest::keyClick(p.win, Qt::Key_A);
  EXPECT_FALSE(p.win->Step());
  EXPECT_FALSE(p.win->Playing());
  EXPECT_EQ(p.win->Renderer().PointsOptions().Display, display);
  EXPECT_EQ(p.win->MenuBar()->actions()[0]->text(), "&Start");
  // The close box while playing only stops.
  p.win->CmStart();
  ASSERT_TRUE(p.win->Step());
  EXPECT_EQ(p.Angles(), std::make_pair(stoppedAt.first, stoppedAt.second));  // resumes there
  ASSERT_TRUE(p.win->Step());
  EXPECT_FALSE(p.win->close());
  EXPECT_TRUE(p.win->isVisible());
  EXPECT_FALSE(p.win->Step());
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) p.win->grab().save(QString(dir) + "/player.png");
  EXPECT_TRUE(p.win->close());
}

}  // namespace

// Played by its own timer, a frame is drawn once the one before it has been shown and a screen
// refresh has passed since it was begun (by the player's clock, here the test's): the frames
// drawn as fast as they could be (a thousand a second in a small window) were never seen, and
// kept the event loop from waiting. A key is served at once, whatever the clock.
TEST(AnimationPlayer, TimerDrivenFramesComeAtTheScreensPaceEachShown) {
  struct PaintedAngles : QObject {
    const Player& p;
    std::vector<int> angles;
    explicit PaintedAngles(const Player& player) : p(player) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (watched == p.win && event->type() == QEvent::Paint &&
          p.win->Renderer().AnimationStateValue() == kAnimRunning)
        angles.push_back(p.Angles().first);
      return false;
    }
  };
  Player p;
  p.anim.Vary = 1;  // XY: 5, 10, ... 360, 5, ...
  PaintedAngles painted(p);
  p.win->installEventFilter(&painted);
  long long now = 1000;
  p.win->SetFrameClock([&now] { return now; });
  p.win->SetTimerDriven(true);
  // Patience for a loaded machine; the frames are counted by the test's clock, not timed.
  const auto waitFor = [&](std::size_t frames) {
    for (int i = 0; i < 4000 && painted.angles.size() < frames; ++i) QTest::qWait(5);
  };
  const auto frames = [&] {
    std::vector<int> distinct;
    for (int a : painted.angles)
      if (distinct.empty() || distinct.back() != a) distinct.push_back(a);
    return distinct;
  };
  p.win->CmStart();
  waitFor(1);
  QTest::qWait(100);  // the clock stands: no further frame
  EXPECT_EQ(frames(), std::vector<int>{5});
  for (int k = 1; k <= 30; ++k) {
    // Half a refresh brings none, a whole one the next frame, a long spell only one.
    now += TAnimateWin::kFrameMs / 2;
    QTest::qWait(k == 1 ? 60 : 0);
    now += k % 3 == 0 ? 1000 : TAnimateWin::kFrameMs - TAnimateWin::kFrameMs / 2;
    const std::size_t wanted = static_cast<std::size_t>(k) + 1;
    for (int i = 0; i < 4000 && frames().size() < wanted; ++i) QTest::qWait(5);
  }
  QTest::qWait(60);
  std::vector<int> expected;
  for (int k = 0; k <= 30; ++k) expected.push_back(5 + 5 * k);
  EXPECT_EQ(frames(), expected) << "each frame shown, one a refresh";
  // A key stops it: posted as the window system delivers it, it is served without the clock.
  QCoreApplication::postEvent(p.win, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
  for (int i = 0; i < 4000 && p.win->Playing(); ++i) QTest::qWait(5);
  EXPECT_FALSE(p.win->Playing());
  EXPECT_EQ(frames().size(), expected.size()) << "frames went on after the key";
  EXPECT_EQ(p.win->MenuBar()->actions()[0]->text(), "&Start");
  EXPECT_TRUE(p.win->close());
}
