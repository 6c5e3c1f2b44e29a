#include "app/ui/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <memory>

#include "app/ui/dialog.h"

namespace {

// A top-level window with a frame (the offscreen platform gives it a narrow one).
std::unique_ptr<QWidget> Window() {
  auto w = std::make_unique<QWidget>(nullptr, Qt::Window);
  w->setWindowTitle("Placed");
  return w;
}

QRect Area(const QWidget& w) { return w.screen()->availableGeometry(); }

// Opened from its record, moved by nobody and closed, a window records what it was opened
// from: three openings in a row stand at one place with one size. A record of one rectangle
// restored as another (the client's as the frame's, or the frame's as the client's) moved the
// window by its title bar and border at each opening.
TEST(WindowPlacement, ReopenedThreeTimesAWindowStandsWhereItWasLeft) {
  WindowPlacement place;
  {
    auto w = Window();
    w->show();
    QApplication::processEvents();
    w->setGeometry(130, 90, 300, 200);
    QApplication::processEvents();
    RecordPlacement(*w, place);
  }
  const WindowPlacement left = place;
  EXPECT_EQ(left, (WindowPlacement{130, 90, 300, 200, 0}));
  for (int opening = 0; opening < 3; ++opening) {
    auto w = Window();
    ASSERT_TRUE(RestorePlacement(*w, place, MaximisedWord::kIgnored));
    w->show();
    QApplication::processEvents();
    EXPECT_EQ(w->geometry(), QRect(130, 90, 300, 200)) << opening;
    RecordPlacement(*w, place);
    EXPECT_EQ(place, left) << opening;
  }
}

// Only a left of -1 means "never placed": a window left partly off the screen's left edge
// keeps its size and comes back within the screen; a record without a place or a size
// leaves the window where its own default put it.
TEST(WindowPlacement, RecordsWithoutAPlaceLeaveTheWindowAndOthersComeBackWithinTheScreen) {
  auto w = Window();
  w->setGeometry(50, 60, 200, 100);
  for (const WindowPlacement& none : {WindowPlacement{}, WindowPlacement{-1, 40, 300, 200, 0},
                                      WindowPlacement{40, 40, 0, 200, 0}, WindowPlacement{40, 40, 300, -1, 0}}) {
    EXPECT_FALSE(HoldsPlacement(none));
    EXPECT_FALSE(RestorePlacement(*w, none, MaximisedWord::kRestored));
    EXPECT_EQ(w->geometry(), QRect(50, 60, 200, 100));
  }
  const WindowPlacement offLeft{-59, 40, 300, 200, 0};
  EXPECT_TRUE(HoldsPlacement(offLeft));
  ASSERT_TRUE(RestorePlacement(*w, offLeft, MaximisedWord::kIgnored));
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(w->size(), QSize(300, 200));
  EXPECT_EQ(w->geometry().y(), 40);
  EXPECT_GE(w->frameGeometry().left(), Area(*w).left());
  // Larger than the screen: as large as the screen with its frame.
  ASSERT_TRUE(RestorePlacement(*w, WindowPlacement{-3000, -3000, 9000, 9000, 0}, MaximisedWord::kIgnored));
  QApplication::processEvents();
  EXPECT_TRUE(Area(*w).contains(w->frameGeometry()));
  EXPECT_EQ(w->size(), WindowRoom(w.get()).size());
}

// A window left with its frame against the screen's edge comes back there exactly, once the
// window manager's frame is known from a window shown: the room held for an unknown frame
// (a title bar and a border) moved it inward at every opening.
TEST(WindowPlacement, AWindowLeftAgainstTheScreensEdgeComesBackThere) {
  auto shown = Window();
  shown->show();
  QApplication::processEvents();
  const QMargins frame = shown->windowHandle()->frameMargins();
  ASSERT_FALSE(frame.isNull());  // the offscreen platform draws a narrow frame
  const QRect area = Area(*shown);
  const QRect client(area.left() + frame.left(), area.top() + frame.top(), 300, 200);
  WindowPlacement place{client.x(), client.y(), client.width(), client.height(), 0};
  for (int opening = 0; opening < 3; ++opening) {
    auto w = Window();
    ASSERT_TRUE(RestorePlacement(*w, place, MaximisedWord::kIgnored));
    w->show();
    QApplication::processEvents();
    EXPECT_EQ(w->geometry(), client) << opening;
    RecordPlacement(*w, place);
  }
}

// A frame one pixel off the left edge is recorded as two: -1 would read as "never placed".
TEST(WindowPlacement, AFrameAtMinusOneIsNotRecordedAsNoPlace) {
  auto w = Window();
  w->setGeometry(-1, 30, 200, 100);
  WindowPlacement place;
  RecordPlacement(*w, place);
  EXPECT_EQ(place.x, -2);
  EXPECT_TRUE(HoldsPlacement(place));
}

// The fifth word: a window that keeps its maximised state there opens maximised and records
// the flag; one whose record's owner keeps something else there leaves it alone.
TEST(WindowPlacement, TheFifthWordIsTheMaximisedFlagOnlyWhereTheWindowKeepsIt) {
  WindowPlacement place{60, 50, 320, 240, 1};
  {
    auto w = Window();
    TPlacementKeeper keeper(&place, MaximisedWord::kRestored);
    ASSERT_TRUE(keeper.Apply(*w));
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
  }
  {
    auto w = Window();
    TPlacementKeeper keeper(&place, MaximisedWord::kIgnored);
    ASSERT_TRUE(keeper.Apply(*w));
    EXPECT_FALSE(w->windowState() & Qt::WindowMaximized);
    w->show();
    QApplication::processEvents();
    w->setGeometry(70, 55, 320, 240);
    keeper.Record(*w);
    EXPECT_EQ(place, (WindowPlacement{70, 55, 320, 240, 1}));  // the owner's word kept
  }
  place.maximized = 0;
  auto w = Window();
  TPlacementKeeper keeper(&place, MaximisedWord::kRestored);
  keeper.Apply(*w);
  w->show();
  QApplication::processEvents();
  w->showMaximized();
  QApplication::processEvents();
  keeper.Record(*w);
  // Maximised: the flag set, the place it goes back to kept.
  EXPECT_EQ(place, (WindowPlacement{70, 55, 320, 240, 1}));
}

// The moves of setting a window up (centring, sizing to its contents) come before the saved
// place is applied and are not recorded over it; a window paused records nothing.
TEST(WindowPlacement, TheKeeperRecordsOnlyOnceTheSavedPlaceIsApplied) {
  WindowPlacement place{200, 150, 260, 180, 0};
  QDialog dialog;
  TPlacementKeeper keeper(&place, MaximisedWord::kIgnored);
  dialog.show();
  QApplication::processEvents();
  dialog.setGeometry(10, 10, 260, 180);  // a centring before the place is applied
  keeper.Record(dialog);
  EXPECT_EQ(place, (WindowPlacement{200, 150, 260, 180, 0}));
  ASSERT_TRUE(keeper.Apply(dialog));
  QApplication::processEvents();
  EXPECT_EQ(dialog.geometry(), QRect(200, 150, 260, 180));
  EXPECT_FALSE(keeper.Apply(dialog));  // once
  dialog.setGeometry(220, 160, 260, 180);
  keeper.Record(dialog);
  EXPECT_EQ(place.x, 220);
  keeper.Pause(true);
  dialog.setGeometry(240, 170, 260, 180);
  keeper.Record(dialog);
  EXPECT_EQ(place.x, 220);
  // Hidden, nothing is recorded either.
  keeper.Pause(false);
  dialog.hide();
  dialog.move(5, 5);
  keeper.Record(dialog);
  EXPECT_EQ(place, (WindowPlacement{220, 160, 260, 180, 0}));
}

}  // namespace
