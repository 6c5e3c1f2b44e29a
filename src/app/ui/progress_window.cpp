#include "app/ui/progress_window.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <functional>
#include <utility>

#include "platform/qt/early_clicks.h"
#include "platform/busy_window.h"

namespace {

constexpr int kShowAfterMs = 400;
constexpr int kLookEveryMs = 50;

// Calls `shown` as the watched widget shows, before anything is painted: the dialog shows
// itself (from a value set, or from its own timer while events pass).
class ShowWatch : public QObject {
 public:
  explicit ShowWatch(std::function<void()> shown) : shown_(std::move(shown)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) shown_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> shown_;
};

}  // namespace

TProgressWindow::TProgressWindow(QWidget* parent, const QString& caption, const QString& text)
    : dialog_(text, QStringLiteral("Cancel"), 0, 1, parent) {
  dialog_.setObjectName(QStringLiteral("TProgressWindow"));
  dialog_.setWindowTitle(caption);
  // Wide enough for its caption, which a window manager would cut short to the gauge's width,
  // but within the screen: a caption naming a file deep in its folders pushed the window and
  // its Cancel past the screen's edge.
  const int wanted = dialog_.fontMetrics().horizontalAdvance(caption) * 5 / 4 + 160;
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  const int room = screen != nullptr ? screen->availableGeometry().width() * 3 / 4 : wanted;
  dialog_.setMinimumWidth(std::min(wanted, room));
  dialog_.setWindowModality(Qt::ApplicationModal);
  dialog_.setMinimumDuration(kShowAfterMs);
  dialog_.setAutoReset(false);
  dialog_.setAutoClose(false);
  showWatch_ = std::make_unique<ShowWatch>([this] { TakeOver(); });
  dialog_.installEventFilter(showWatch_.get());
  // It shows by itself once the work has taken a while, its Cancel under a pointer that
  // was on its way elsewhere.
  GuardAgainstEarlyClicks(&dialog_);
  clock_.start();
  platform::WatchBoxes(this);
}

TProgressWindow::~TProgressWindow() {
  platform::UnwatchBoxes(this);
  if (arrow_) QApplication::restoreOverrideCursor();
}

void TProgressWindow::BeforeBox() {
  if (!dialog_.isVisible()) return;
  dialog_.hide();
  asideForBox_ = true;
}

bool TProgressWindow::Step(int done, int total) {
  if (done == 0 || clock_.elapsed() >= kLookEveryMs) {
    clock_.restart();
    dialog_.setMaximum(total);
    dialog_.setValue(done);  // shows the window once the minimum duration has passed
    Look();
  }
  return !dialog_.wasCanceled();
}

bool TProgressWindow::Busy() {
  if (dialog_.maximum() != 0 || clock_.elapsed() >= kLookEveryMs) {
    clock_.restart();
    dialog_.setRange(0, 0);
    dialog_.setValue(0);  // the first call starts the clock of the minimum duration
    Look();
  }
  return !dialog_.wasCanceled();
}

void TProgressWindow::TakeOver() {
  if (arrow_) return;
  // The busy window goes first: it takes its wait cursor with it, from under the arrow.
  HideBusyMsg();
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  arrow_ = true;
}

void TProgressWindow::Look() {
  if (asideForBox_) {
    asideForBox_ = false;
    if (!dialog_.wasCanceled()) dialog_.show();
  }
  // Until the window shows, the user's input waits: a click on the window whose work this
  // is would start other work on it halfway through. Once shown, the window's modality
  // keeps the input from the others.
  QApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}
