// The window of a long computation that the user may cancel: shown only once the work has
// taken a moment, with a gauge and Cancel, modal to the whole program while it stands. The
// computation asks it after each step whether to go on; it looks at the user's events at
// most every 50 ms, so that asking costs the computation nothing, and leaves the user's
// input to other windows waiting until it shows. The window's object name
// is "TProgressWindow". While it shows, the pointer is the arrow, whatever wait cursor the
// caller set: Cancel is there to be clicked. Once it shows it takes the place of the busy
// window its caller may have put up around the same work (ShowBusyMsg): the user sees one
// window, the one with the gauge and Cancel. A message box shown while it stands (an error of
// the work, a question) shows alone: the window steps aside and comes back when the work
// asks it again.
#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>

#include <memory>

#include "platform/message_box.h"

class QWidget;

class TProgressWindow : private platform::BoxWatcher {
 public:
  TProgressWindow(QWidget* parent, const QString& caption, const QString& text);
  ~TProgressWindow();
  TProgressWindow(const TProgressWindow&) = delete;
  TProgressWindow& operator=(const TProgressWindow&) = delete;

  // `done` steps of `total`: false once the user cancelled.
  bool Step(int done, int total);
  // Work whose length is not known (a bar that only moves): false once the user cancelled.
  bool Busy();
  bool Cancelled() const { return dialog_.wasCanceled(); }

 private:
  QProgressDialog dialog_;
  QElapsedTimer clock_;
  // Shows the window once it is due, and lets the user's events through.
  void Look();
  // As the window shows: the busy window goes, the arrow comes.
  void TakeOver();
  void BeforeBox() override;

  bool arrow_ = false;  // the arrow pushed over a caller's wait cursor while the window shows
  bool asideForBox_ = false;  // hidden while a box showed; shown again at the next look
  std::unique_ptr<QObject> showWatch_;  // calls TakeOver when the window shows
};
