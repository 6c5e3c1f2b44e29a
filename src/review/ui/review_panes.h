// The review window's three text panes: the numeric summary of the fit under review, the
// precision summary (how many digits its parameters need) and the data summary (every point
// with its fitted value, residuals and limits). Each is a text window of the shell with the
// review's own font slot, remembers where the user put it, and rebuilds its whole text when
// the review window asks (a new rank, a new confidence level, its own options).
//
// A pane tells the review window what happened to it through `notify` with the review's
// codes: 7 its data type changed, 12 its numeric options changed, and 8, 9 or 10 (numeric,
// data, precision) when it goes.
#pragma once

#include <QRect>

#include <functional>
#include <vector>

#include "app/settings_file.h"
#include "app/ui/text_window.h"
#include "app/ui/window_placement.h"

struct TSession;
class QAction;

// Codes a pane sends to the review window.
enum ReviewPaneNotify : int {
  kNotifyDataType = 7,
  kNotifyNumericClosed = 8,
  kNotifyDataClosed = 9,
  kNotifyPrecisionClosed = 10,
  kNotifyNumericOptions = 12,
};

// The panes' font slots (font, colour and colour flag of the settings).
inline constexpr int kFontSlotNumericPane = 12;
inline constexpr int kFontSlotPrecisionPane = 13;
inline constexpr int kFontSlotDataPane = 14;

using TReviewNotifier = std::function<void(int code)>;

class TRVScrWin : public TScrWin {
  Q_OBJECT
 public:
  // `place`: the pane's entry of the review's layout, whose frame position and client size it
  // keeps (a width of -1: never placed, the text window's default place unless OpenBeside
  // names another). `closedCode` is sent when the pane goes.
  TRVScrWin(QWidget* parent, const QString& title, int capacity, int fontSlot, WindowPlacement* place,
            int closedCode, TReviewNotifier notify);
  ~TRVScrWin() override;

  virtual void SetRank(int rank) { rank_ = rank; }
  int Rank() const { return rank_; }
  // Builds the text afresh and repaints. The figures of a user function's fit may take
  // minutes to compute: the build shows the progress window with Cancel once it has taken a
  // moment (or answers to the one of the change it is part of), and a cancelled build
  // leaves the text as it was: false then.
  bool Rebuild();
  bool LastRebuildCancelled() const { return lastCancelled_; }
  // The rank and text shown, kept before a change the user may cancel and put back after it.
  struct TShownText {
    int rank;
    TMFile lines;
  };
  TShownText KeepText() const { return {rank_, lines_}; }
  void PutBackText(TShownText kept);
  // The review window goes first: the pane tells nobody when it is closed.
  void ForgetOwner() { notify_ = nullptr; }
  // A pane never placed opens beside `ownerFrame` (the owner's frame on the screen), in
  // place `slot` (0, 1, 2) down its side, rather than at the text windows' default place,
  // as wide as its text within the screen (over the owner's edge where no side holds it),
  // leaving `alsoFree` (the equation list's frame) free where a place at that width does.
  void OpenBeside(const QRect& ownerFrame, int slot, std::vector<QRect> alsoFree = {});

 protected:
  void SetupWindow() override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void Notify(int code) const;
  // An item of a menu of the pane's own, with its command id.
  QAction* AddCheckItem(QMenu* menu, int id, const char* text);

  int rank_ = 1;

 private:
  bool NeverPlaced() const;

  TPlacementKeeper placement_;
  QRect beside_;
  int besideSlot_ = 0;
  std::vector<QRect> alsoFree_;
  bool lastCancelled_ = false;
  int closedCode_;
  TReviewNotifier notify_;
};

// "Numeric Summary", menu 2012: its Options items switch the probabilities (2331), volume
// and extrema (2332), analysis of variance (2333) and data statistics (2334).
class TRVNumWin : public TRVScrWin {
  Q_OBJECT
 public:
  TRVNumWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank, TReviewNotifier notify);
  void FormatText() override;
  // Flips an option bit of the settings and tells the review window.
  void ToggleOption(unsigned bit);
  void UpdateOptionChecks();
  QAction* OptionItem(int id) const;

 private:
  const TSession& session_;
  QMenu* options_;
};

// "Precision Summary", menu 2004. It works on the current fit as the review window left it
// and leaves its parameters exactly as they were.
class TRVPrecWin : public TRVScrWin {
  Q_OBJECT
 public:
  TRVPrecWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank, TReviewNotifier notify);
  void FormatText() override;

 private:
  const TSession& session_;
};

// "Data Summary", menu 2006: its Type items choose residuals (2331), confidence limits
// (2332), prediction limits (2333) or all of it (2334).
class TRVDataWin : public TRVScrWin {
  Q_OBJECT
 public:
  TRVDataWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank, TReviewNotifier notify);
  void FormatText() override;
  // A new type: stored in the settings, the review window told (it rebuilds the text).
  // Choosing the type in force does nothing.
  void SetType(int type);
  void UpdateTypeChecks();
  QAction* TypeItem(int id) const;

 private:
  const TSession& session_;
  QMenu* types_;
};
