// Answering modal dialogs in widget tests: a timer watches for the next modal widget of
// a type and acts on it once (fills fields, presses a button), while the code under test
// runs its modal loop.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

// Runs the event loop until `until` holds (a minute at most); false when it never did.
inline bool PumpUntil(const std::function<bool()>& until) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!until()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

template <typename Dialog>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(Dialog*)> act) : act_(std::move(act)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        ++seen_;
        timer_.stop();
        act_(d);
        timer_.start();
      }
    });
    timer_.start();
  }
  int Seen() const { return seen_; }

 private:
  std::function<void(Dialog*)> act_;
  QTimer timer_;
  int seen_ = 0;
};

// Runs `run` and clicks Cancel of the progress window (TProgressWindow) once it shows;
// true when it did. `look`, when given, sees the window first, as it shows (its gauge
// moved at least once after it appeared).
inline bool CancelProgressWhenShown(const std::function<void()>& run,
                                    const std::function<void(QWidget* window)>& look = {}) {
  bool cancelled = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "TProgressWindow" || !w->isVisible() || cancelled) continue;
      auto* cancel = w->findChild<QPushButton*>();
      if (!cancel || cancel->text() != "Cancel") continue;
      if (look) look(w);
      cancel->click();
      cancelled = true;
    }
  });
  watch.start(20);
  run();
  watch.stop();
  return cancelled;
}
