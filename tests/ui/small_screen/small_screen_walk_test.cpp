// Every window and dialog the command table reaches, on a screen of 1024 x 768 (walked as
// the walks of every window walk them): each opens within the screen, framed as a window
// manager frames it, and a window that stays open beside its owner (a pane of the review, the
// status window beside the main window) leaves the owner's buttons, menus, tool bars and
// fields free, for the owner is still used while it stands there. The review's summaries
// covered its whole button column there, the status window half of the second tool bar, and
// the column-selection dialog's Help lay past the screen's edge. A table or text opens wide
// enough for its columns where the screen has room (the numeric summary opened 560 pixels
// wide with its upper limits and P>|t| cut off), and a scroll bar counts among the controls
// kept free (the grid editor's graph covered the lower half of the editor's).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/text_window.h"
#include "every_window_support.h"
#include "small_screen.h"

namespace {

using namespace every_window;
using small_screen::Framed;

std::string Name(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

std::string Text(const QRect& r) {
  return std::to_string(r.left()) + "," + std::to_string(r.top()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

// What the user reaches in a window: its push buttons (a tool bar's among them), check boxes
// and radio buttons, menu bar and fields, enabled and in sight, by their place on the screen.
std::vector<std::pair<std::string, QRect>> Controls(const QWidget* window) {
  std::vector<std::pair<std::string, QRect>> controls;
  for (QWidget* c : window->findChildren<QWidget*>()) {
    if (c->window() != window || !c->isVisibleTo(window) || !c->isEnabled()) continue;
    std::string what;
    if (auto* b = qobject_cast<QAbstractButton*>(c)) {
      what = "the button \"" + Plain(b->text()) + "\"";
    } else if (qobject_cast<QMenuBar*>(c)) {
      what = "the menu bar";
    } else if (qobject_cast<QAbstractSlider*>(c)) {
      if (qobject_cast<QAbstractSpinBox*>(c->parentWidget())) continue;
      what = "a scroll bar";
    } else if (qobject_cast<QLineEdit*>(c) || qobject_cast<QAbstractSpinBox*>(c) || qobject_cast<QComboBox*>(c)) {
      if (qobject_cast<QAbstractSpinBox*>(c->parentWidget()) || qobject_cast<QComboBox*>(c->parentWidget())) continue;
      what = "a field";
    } else {
      continue;
    }
    controls.emplace_back(what, QRect(c->mapToGlobal(QPoint(0, 0)), c->size()));
  }
  return controls;
}

class SmallScreenWalk {
 public:
  void Opened(const QPointer<QWidget>& w) {
    if (!w || !w->isWindow() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) return;
    ++looks_;
    kinds_.insert(Name(w));
    const QRect screen = w->screen()->availableGeometry();
    const QRect frame = Framed(w);
    if (!screen.contains(frame))
      findings_[Name(w) + " reaches past the screen (" + Text(frame) + " on " + Text(screen) + "; its least size " +
                std::to_string(w->minimumSizeHint().expandedTo(w->minimumSize()).width()) + "x" +
                std::to_string(w->minimumSizeHint().expandedTo(w->minimumSize()).height()) + ")"]++;
    // A table or text shown whole where the screen has room for it: the numeric summary
    // opened 560 pixels wide with its upper limits and P>|t| cut off, on a screen of 1024.
    const int spare = screen.width() - frame.width();
    for (const QAbstractScrollArea* area : w->findChildren<QAbstractScrollArea*>()) {
      if (area->window() != w || !area->isVisibleTo(w) || !area->isEnabled()) continue;
      if (qobject_cast<const QAbstractScrollArea*>(area->parentWidget()) != nullptr) continue;
      int cut = 0;
      const auto* text = qobject_cast<const TMFileWin*>(w);
      if (text != nullptr && area == text->View()) {
        // The text windows scroll 20 columns past their widest line: the line is what counts.
        cut = text->TextWidth() - area->viewport()->width();
      } else if (const auto* list = qobject_cast<const QListView*>(area)) {
        cut = list->sizeHintForColumn(0) - list->viewport()->width();
      } else if (area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff &&
                 qobject_cast<const QPlainTextEdit*>(area) == nullptr && qobject_cast<const QTextEdit*>(area) == nullptr) {
        cut = area->horizontalScrollBar()->maximum() > 0 ? 1 : 0;
      }
      if (cut > 0 && spare > 16)
        findings_[Name(w) + " shows its " + area->metaObject()->className() + " cut short (" + std::to_string(frame.width()) +
                  " pixels wide, " + std::to_string(spare) + " to spare on the screen)"]++;
    }
    // A window left open beside its owner: the owner stays in use meanwhile. (A dialog that
    // runs beside the main window holds it as a modal one does: only the commands that wait
    // for no dialog are live there.)
    const QWidget* parent = w->parentWidget();
    if (RunsModally(w) || parent == nullptr) return;
    const QWidget* owner = parent->window();
    if (!owner->isVisible()) return;
    for (const auto& [what, place] : Controls(owner))
      if (frame.intersects(place)) findings_[Name(w) + " covers " + what + " of " + Name(owner) + " " + Text(frame) + " over " + Text(place)]++;
  }
  int Looks() const { return looks_; }
  const std::set<std::string>& Kinds() const { return kinds_; }
  const std::map<std::string, int>& Findings() const { return findings_; }

 private:
  int looks_ = 0;
  std::set<std::string> kinds_;
  std::map<std::string, int> findings_;
};

TEST(EveryWindowAt1024x768, OpensWithinTheScreenAndLeavesItsOwnersControlsFree) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
  TProgramUnderWalk program("ondravik_small_screen");
  SmallScreenWalk walk;
  Walker walker(Clock::now() + std::chrono::minutes(4));
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) { walk.Opened(w); });
  // The main window and the status window beside it, then every command's windows.
  walk.Opened(&program.Window());
  walker.Run([&] { program.Window().ExecuteCommand(CmShowDataStatus); });
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); }, [](const CommandInfo&) {});
  EXPECT_FALSE(walker.TimedOut());
  for (const auto& [finding, count] : walk.Findings()) ADD_FAILURE() << finding << " (" << count << " times)";
  EXPECT_GT(walk.Kinds().size(), 70u);
  std::fprintf(stderr, "%d windows looked at, %zu kinds\n", walk.Looks(), walk.Kinds().size());
  for (const std::string& kind : walk.Kinds()) std::fprintf(stderr, "  %s\n", kind.c_str());
}

}  // namespace
