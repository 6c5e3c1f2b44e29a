#include "app/ui/progress_window.h"

#include <QApplication>

namespace {

constexpr int kShowAfterMs = 400;
constexpr int kLookEveryMs = 50;

}  // namespace

TProgressWindow::TProgressWindow(QWidget* parent, const QString& caption, const QString& text)
    : dialog_(text, QStringLiteral("Cancel"), 0, 1, parent) {
  dialog_.setObjectName(QStringLiteral("TProgressWindow"));
  dialog_.setWindowTitle(caption);
  // Wide enough for its caption, which a window manager would cut short to the gauge's width.
  dialog_.setMinimumWidth(dialog_.fontMetrics().horizontalAdvance(caption) * 5 / 4 + 160);
  dialog_.setWindowModality(Qt::ApplicationModal);
  dialog_.setMinimumDuration(kShowAfterMs);
  dialog_.setAutoReset(false);
  dialog_.setAutoClose(false);
  clock_.start();
}

TProgressWindow::~TProgressWindow() {
  if (arrow_) QApplication::restoreOverrideCursor();
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

void TProgressWindow::Look() {
  if (!arrow_ && dialog_.isVisible()) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    arrow_ = true;
  }
  // Until the window shows, the user's input waits: a click on the window whose work this
  // is would start other work on it halfway through. Once shown, the window's modality
  // keeps the input from the others.
  QApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}
