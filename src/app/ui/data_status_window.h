// The modeless "XYZ Table Status" window: facts about the machine and the data (date,
// time, processor, free memory, speed figure, point counts, file name, and minimum,
// maximum, range, mean and standard deviation of X, Y and Z) beside a pane for the 3D
// graph of the data. Nearly every command closes it before it changes the data and shows
// it again afterwards, so that it always shows the current table; it is also where a
// finished background fit turns into a review.
#pragma once

#include <QPointer>

#include <atomic>
#include <functional>

#include "app/ui/dialog.h"
#include "app/ui/window_placement.h"

class QLabel;
class QTimer;

// Set while the grid data editor is open: the status window is then neither opened nor
// closed by other commands.
extern int EditorOpen;
// A background fit finished while no status window was open: the review starts the next
// time the window would open.
extern std::atomic<int> PendingReview;

struct TDataSession;

class TDlgStat : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kFirstField = 301;
  static constexpr int kFileField = 309;  // the data file's path
  static constexpr int kFieldCount = 30;
  static constexpr int kGraphPane = 381;

  // withFits: the graph shows the current fit's surface rather than a smoothed one.
  TDlgStat(QWidget* parent, const TDataSession& session, bool withFits);
  ~TDlgStat() override;

  QLabel* Field(int id) const;
  QWidget* GraphPane() const { return graphPane_; }
  // Whether the graph shows the current fit (opened with valid fit results).
  bool WithFits() const { return withFits_; }
  // Rewrites the time (timer 1) and the memory figures (timer 2).
  void EvTimer(int timer);

 protected:
  void SetupWindow() override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FillFields();
  void SetField(int id, const std::string& text);

  QLabel* fields_[kFieldCount] = {};
  QWidget* graphPane_ = nullptr;
  QTimer* clock_ = nullptr;
  QTimer* memory_ = nullptr;
  const TDataSession& session_;
  bool withFits_;
  // Where the window stands, with fits and without.
  TPlacementKeeper placement_;
};

// The open status window, or null.
TDlgStat* DataStatusWin();

// Command 2148: opens the window anew for the current table (at least 4 rows); with a
// pending automatic review and valid fit results it starts the review instead.
void ShowDataStatus();
// Command 2147: closes the window (not while the grid editor is open).
void CloseDataStatus();
// Called on the background fit's thread when it ends: redraws the window with the new
// results, or starts (or schedules) the review when the background options ask for one.
void BackgroundFitDone();

// The graph of the status window comes with the 3D graph windows: they install a maker of
// the pane's content (the pane's widget is the parent; withFits as above).
using TStatusGraphMaker = std::function<void(QWidget* pane, bool withFits)>;
void SetStatusGraphMaker(TStatusGraphMaker maker);
// Whether fit results are valid (installed by the fitting subsystem; false without it).
void SetFitResultsQuery(std::function<bool()> query);
