// Animation of a graph: TAnimate, the "Animate" settings dialog (what varies, the angles and
// steps, what is drawn while playing; .ani files), and TAnimateWin, the "Animate View" player,
// a graph frame window whose renderer steps the view frame after frame on a Qt timer until a
// key, "&Stop" or the close box stops it.
#pragma once

#include <QTimer>

#include <array>
#include <functional>

#include "app/ui/dialog.h"
#include "graph3d/option_records.h"
#include "graph3d/ui/graph_frame_window.h"

class QAction;
class QLineEdit;
class QMenuBar;
class QRadioButton;
class TEditInt;

class TAnimate : public TDlg {
  Q_OBJECT
 public:
  TAnimate(QWidget* parent, T3DAnimRec* block);

  // Edits 482-487: XY start, end, increment, Z start, end, increment.
  QLineEdit* Edit(int i) const;
  void SetVaryMode(int mode);  // 1-4
  void SetScope(int scope);    // 0-2
  void CmReset();
  void CmReadAnimation();
  void CmSaveAnimation();
  const T3DAnimRec& Working() const { return working_; }
  // Normalises the settings and copies them into the caller's block (the dialog's OK).
  void accept() override;

 private:
  void UpdateControls();
  void ReadEdit(int i);

  T3DAnimRec* block_;
  T3DAnimRec working_;
  std::array<TEditInt*, 6> edits_{};
  std::array<QRadioButton*, 4> modes_{};
  std::array<QRadioButton*, 3> scopes_{};
  bool writing_ = false;
};

class TAnimateWin : public T3DWin {
  Q_OBJECT
 public:
  static constexpr int kCmStart = 2351;
  static constexpr int kCmStop = 2352;
  static constexpr int kCmAdjust = 2353;
  static constexpr int kCmEnd = 2304;

  // `title`: the caption the opener gives it, "Animate View" when it names none.
  TAnimateWin(QWidget* parent, T3DGraphSetup* setup, const QString& title = {});

  bool Playing() const { return Renderer().AnimationStateValue() != kAnimIdle; }
  void CmStart();
  void CmStop();
  void CmAdjust();
  // One frame: starts a requested animation or draws the next frame; false when it ended.
  bool Step();
  QMenuBar* MenuBar() const { return menu_; }
  // The timer drives the frames; tests step them themselves.
  void SetTimerDriven(bool on) { timerDriven_ = on; }
  // A frame is drawn once the one before it has been shown and a screen refresh has passed
  // since that one was begun: faster frames would never be seen, and the time between them
  // leaves the window system's events served. Tests pace the frames by a clock of their own
  // (milliseconds).
  static constexpr int kFrameMs = 16;
  void SetFrameClock(std::function<long long()> clock) { clock_ = std::move(clock); }

 protected:
  int TopInset() const override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // The player records its place whatever the lock mask of the record it shares says.
  bool RecordsPlacement() const override { return true; }
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateMenu();
  void NextFrame();
  void ScheduleFrame();

  QMenuBar* menu_;
  QAction* startStop_;
  QAction* adjust_;
  QAction* end_;
  QTimer frames_;
  bool timerDriven_ = true;
  std::function<long long()> clock_;
  long long frameBegun_ = 0;
  bool frameShown_ = true;
};
