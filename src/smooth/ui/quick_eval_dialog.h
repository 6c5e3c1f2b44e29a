// TQEval, "Quick Eval": a small modeless window beside a graph window that reads off its
// surface. The user types X and Y (numbers or formulas of the calculation language) and
// sees Z once typing has paused for 900 ms; "Surface Min" and "Surface Max" search the
// surface's lowest and highest point from the extreme nodes of the drawn grid. The owner
// hands in the value function and the searches' starts; the last X and Y, the two check
// boxes and the window's place outlive it in the program's settings.
#pragma once

#include <QDialog>
#include <QTimer>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "graph3d/ui/viewer_dialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class TEditReal;

// What all Quick Eval windows share: the last X and Y (the missing value when none) and the
// two check states.
struct TQuickEvalShared {
  std::array<long double, 2>* xy = nullptr;
  std::array<std::int32_t, 2>* checks = nullptr;
};

// A typed X or Y: its value when the text is an expression that evaluates without error to
// a value; nothing for a blank text, an error, the missing value, or a text that assigns a
// variable (Quick Eval reads values; it never changes the calculation language's state).
std::optional<long double> QuickEvalEntry(const std::string& text);

class TQEval : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDelayMs = 900;
  static constexpr int kX = 101, kY = 102, kZ = 103;
  static constexpr int kMinimum = 104, kMaximum = 108;  // statics follow each: X, Y, Z

  TQEval(QWidget* owner, TQuickEvalSource source, TQuickEvalShared shared);
  ~TQEval() override;

  // Shows Z at (X, Y) and the searches that are checked, for the owner's surface as it is.
  void Evaluate();
  // Runs a pending reading of the edits now (as the timer would).
  void FlushEdits();
  bool EditsPending() const { return timer_.isActive(); }
  int Evaluations() const { return evaluations_; }
  long double X() const { return x_; }
  long double Y() const { return y_; }
  template <class T = QWidget>
  T* Control(int id) const {
    return findChild<T*>(QString::number(id));
  }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void ReadEdits();
  // The lowest (highest) point's X, Y and Z as shown; empty when the search is off or
  // found none.
  std::array<QString, 3> Search(bool maximum) const;
  void SaveState();

  TQuickEvalSource source_;
  TQuickEvalShared shared_;
  long double x_, y_;
  TEditReal* edits_[2] = {};
  QCheckBox* checks_[2] = {};
  QLabel* z_ = nullptr;
  std::array<long double, 2> zAt_{};  // the X and Y of the Z shown
  std::array<QLabel*, 6> found_{};
  QTimer timer_;
  bool setup_ = true;
  bool placed_ = false;
  bool saved_ = false;
  bool typed_ = false;  // an edit changed since the kept X and Y were written into them
  int evaluations_ = 0;
};

// The maker the graph windows open Quick Eval with (installed at start-up), on the
// program's settings.
TQuickEvalWindow MakeQuickEval(QWidget* owner, TQuickEvalSource source);
