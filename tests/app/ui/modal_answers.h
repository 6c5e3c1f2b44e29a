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
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"

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
      if (auto* d = qobject_cast<Dialog*>(ActiveDialog())) {
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

// Answers boxes through `answers` (which records them) and notes, for each, the windows of
// work under way that stood beside it as it showed: the busy window and a progress window. A
// box tells an outcome or asks, and nothing beside it may say that the work goes on.
class WorkBesideBoxes : public platform::MessageBoxService {
 public:
  explicit WorkBesideBoxes(platform::MessageBoxService& answers)
      : answers_(answers), previous_(platform::SetMessageBoxService(this)) {}
  ~WorkBesideBoxes() override { platform::SetMessageBoxService(previous_); }
  WorkBesideBoxes(const WorkBesideBoxes&) = delete;
  WorkBesideBoxes& operator=(const WorkBesideBoxes&) = delete;

  int ShowBox(const platform::BoxRequest& request) override {
    ++boxes_;
    if (platform::CurrentBusyState().shown)
      beside_.push_back("\"" + request.text + "\" beside the busy window \"" + platform::CurrentBusyState().text + "\"");
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && (w->objectName() == "TBusyWindow" || w->objectName() == "TProgressWindow"))
        beside_.push_back("\"" + request.text + "\" beside " + w->objectName().toStdString() + " \"" +
                          w->windowTitle().toStdString() + "\"");
    return answers_.ShowBox(request);
  }
  int Boxes() const { return boxes_; }
  const std::vector<std::string>& Beside() const { return beside_; }

 private:
  platform::MessageBoxService& answers_;
  platform::MessageBoxService* previous_;
  int boxes_ = 0;
  std::vector<std::string> beside_;
};
