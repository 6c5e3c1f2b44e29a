#include "app/ui/clear_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A screen of 1024 x 768 as WindowRoom leaves it for client areas (a title bar of 20 and a
// border of 4), and a frame of that size.
const QRect kRoom(4, 24, 1016, 716);
const QMargins kFrame(4, 24, 4, 4);

// A review as it opens there: its menu bar across the top, its column of buttons at the
// right (each row of two buttons 3 pixels below the last).
std::vector<QRect> ReviewControls() {
  std::vector<QRect> controls = {QRect(20, 30, 760, 18)};
  for (int row = 0; row < 14; ++row)
    for (int column = 0; column < 2; ++column)
      controls.emplace_back(612 + column * 83, 55 + row * 28, 80, 25);
  return controls;
}

bool Clear(const QRect& client, const std::vector<QRect>& controls) {
  const QRect frame = client.marginsAdded(kFrame);
  return std::none_of(controls.begin(), controls.end(), [&](const QRect& c) { return c.intersects(frame); });
}

// A place that leaves the controls free is kept as it is.
TEST(ClearPlacement, AClearPlaceIsKept) {
  const QRect wanted(300, 500, 400, 200);
  EXPECT_EQ(ClearPlace(kRoom, wanted, QSize(240, 160), ReviewControls(), kFrame), wanted);
}

// Over the button column, a pane that fits beside it moves the least that frees the column:
// here just left of it, at its own size.
TEST(ClearPlacement, APaneOverTheButtonsMovesBesideThem) {
  const std::vector<QRect> controls = ReviewControls();
  const QRect placed = ClearPlace(kRoom, QRect(560, 100, 300, 200), QSize(240, 160), controls, kFrame);
  EXPECT_EQ(placed, QRect(612 - 4 - 300, 100, 300, 200));
  EXPECT_TRUE(Clear(placed, controls));
}

// A pane as wide as its text (800) has no clear place at 1024 x 768 beside a review 760
// wide: it takes the largest clear room, over the review's graph left of the buttons and
// under the menu bar, and is narrowed to the largest step of its width that fits there.
TEST(ClearPlacement, APaneWithNoClearPlaceIsNarrowedToTheLargestThatHasOne) {
  const std::vector<QRect> controls = ReviewControls();
  const QRect placed = ClearPlace(kRoom, QRect(781, 40, 800, 650), QSize(240, 160), controls, kFrame);
  // Widths step by 70 from 800 toward 240: 590 is the widest left of x 612 - 4.
  EXPECT_EQ(placed, QRect(612 - 4 - 590, 30 + 18 + 24, 590, 650));
  EXPECT_TRUE(Clear(placed, controls));
  EXPECT_TRUE(kRoom.contains(placed));
}

// A table of text keeps its width: at 1024 x 768 the numeric summary, narrowed to the room
// left of the review's buttons, lost its upper limits and P>|t| behind its scroll bar. It keeps
// the 800 pixels of its text and gives up height instead, under the button column, nearest to
// where it was wanted.
TEST(ClearPlacement, ATableOfTextKeepsItsWidthAndGivesUpHeight) {
  const std::vector<QRect> controls = ReviewControls();
  const QRect placed =
      ClearPlace(kRoom, QRect(781, 40, 800, 650), QSize(240, 160), controls, kFrame, TClearFit::kFullWidth);
  // Under the last row of buttons (from 419, 25 high) and its title bar; heights step by about
  // 61 from 650: 222 is the tallest that fits above the room's foot (740).
  EXPECT_EQ(placed, QRect(1020 - 800, 419 + 25 + 24, 800, 222));
  EXPECT_TRUE(Clear(placed, controls));
  EXPECT_TRUE(kRoom.contains(placed));
  // A table that fits beside the buttons keeps its whole size.
  EXPECT_EQ(ClearPlace(kRoom, QRect(560, 100, 300, 200), QSize(240, 160), controls, kFrame, TClearFit::kFullWidth),
            QRect(612 - 4 - 300, 100, 300, 200));
}

// Where even the least size has no clear place, the pane stands where it was wanted, held
// within the room: it is not made smaller than it can be used.
TEST(ClearPlacement, NoClearPlaceLeavesThePaneWhereItWasWantedWithinTheRoom) {
  const std::vector<QRect> everywhere = {QRect(0, 0, 1024, 768)};
  EXPECT_EQ(ClearPlace(kRoom, QRect(900, 600, 300, 300), QSize(240, 160), everywhere, kFrame),
            QRect(1020 - 300, 740 - 300, 300, 300));
  EXPECT_EQ(ClearPlace(kRoom, QRect(-50, 10, 2000, 200), QSize(240, 160), everywhere, kFrame),
            QRect(4, 24, 1016, 200));
}

// What a user reaches in a window: its enabled buttons, boxes, fields, scroll bars and menu
// bar in sight, by their place on the screen; labels, disabled and hidden controls are not.
// (The grid editor's graph, reopened at 1024 x 768, covered the lower half of the editor's
// scroll bar, its down arrow included.)
TEST(ClearPlacement, ReachableControlsAreTheEnabledOnesInSight) {
  QDialog owner;
  auto* layout = new QVBoxLayout(&owner);
  auto* bar = new QMenuBar(&owner);
  bar->addMenu("&File");
  layout->setMenuBar(bar);
  auto* ok = new QPushButton("OK", &owner);
  auto* off = new QPushButton("Off", &owner);
  off->setEnabled(false);
  auto* hidden = new QPushButton("Hidden", &owner);
  auto* box = new QCheckBox("Square", &owner);
  auto* spin = new QSpinBox(&owner);
  auto* edit = new QLineEdit(&owner);
  auto* label = new QLabel("Mesh", &owner);
  auto* scroll = new QScrollBar(Qt::Vertical, &owner);
  for (QWidget* w : std::initializer_list<QWidget*>{ok, off, hidden, box, spin, edit, label, scroll})
    layout->addWidget(w);
  hidden->hide();
  EXPECT_TRUE(ReachableControls(&owner).empty()) << "a window not in sight offers nothing";
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  const std::vector<QRect> controls = ReachableControls(&owner);
  auto at = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
  const std::vector<QRect> expected = {at(bar), at(ok), at(box), at(spin), at(edit), at(scroll)};
  EXPECT_EQ(controls.size(), expected.size()) << "the spin box's own line edit is the spin box's";
  for (const QRect& r : expected) EXPECT_NE(std::find(controls.begin(), controls.end(), r), controls.end());
}

}  // namespace
