// The progress dialog of a fit run ("Ondravik 3D Automated Fitting"): eight segmented gauges
// (sums, polynomial, rational, the three term-subset variants, non-linear, current r²), the
// counts of equations fitted and added, the current equation with its iteration and r², the
// elapsed time, and the buttons to skip an equation, fit in the background, cancel, and,
// once the run has completed, to choose the review.
//
// The dialog starts the worker when it opens and receives the worker's messages
// (fit_progress.h) on the user-interface thread. It ends with a FitDialogResult
// (fit_command.h). The review buttons are enabled where the main window has a handler for
// the review command (2191 graph first, 2192 list first). When the run left fits and the
// last review mode's command is served, the dialog ends with kFitDlgTimedOut after 10
// seconds without a choice; otherwise it waits for OK.
#pragma once

#include <QColor>
#include <QWidget>

#include <chrono>
#include <optional>

#include "app/ui/dialog.h"
#include "fit/fit_threads.h"

class QCheckBox;
class QLabel;
class QPushButton;

// A horizontal gauge of segments: `range / spacing` segments, each filled to `fill` percent
// of its width, lit up to the value.
class TGauge : public QWidget {
  Q_OBJECT
 public:
  TGauge(QWidget* parent, int range, int spacing, int fillPercent, QColor color);
  void SetValue(int value);
  int Value() const { return value_; }
  QSize sizeHint() const override { return {200, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int range_, spacing_, fill_;
  QColor color_;
  int value_ = 0;
};

struct TSession;

class TFit : public TDlg, public TFitProgressSink {
  Q_OBJECT
 public:
  static constexpr int kGaugeCount = 8;
  static constexpr int kDoneTimeoutMs = 10000;
  // The Time field is brought up to date this often while a run goes: the worker reports
  // the time only at the start of the non-linear phase and at the end.
  static constexpr int kClockTickMs = 100;

  // The run publishes its results into `session`.
  TFit(QWidget* parent, TSession& session, TFitJob job);
  ~TFit() override;

  // The worker's messages (and the dialog's own start and Cancel).
  void EvFitProgress(const TFitMessage& message) override;

  TGauge* Gauge(int id) const;        // 948..955
  QLabel* Text(int id) const;         // 934, 935, 944-947 values; 101-108 labels
  QPushButton* Button(int id) const;  // 931, 932, 1, 2, 867, 868
  QCheckBox* IterationBox() const { return iterationBox_; }

  void reject() override;

 protected:
  void SetupWindow() override;

 private:
  class TEarlyClickGuard* clickGuard_ = nullptr;  // the buttons the end of the run brings
  void Start();
  void Complete();
  void ShowNonLinearLabels(bool on);
  void StopClock();

  TSession& session_;
  std::optional<TFitJob> job_;
  std::chrono::steady_clock::time_point started_;
  bool completed_ = false;
  int timer_ = 0;
  int clock_ = 0;  // the timer of the Time field while the run goes
  TGauge* gauges_[kGaugeCount] = {};
  QLabel* fitted_ = nullptr;
  QLabel* added_ = nullptr;
  QLabel* equation_ = nullptr;
  QLabel* iteration_ = nullptr;
  QLabel* r2_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* nonLinearLabels_[8] = {};  // 101..108
  QPushButton* skip_ = nullptr;
  QPushButton* background_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* listStart_ = nullptr;
  QPushButton* graphStart_ = nullptr;
  QCheckBox* iterationBox_ = nullptr;
};
