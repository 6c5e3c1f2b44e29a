// What the smoothing windows' tests share: picking a data point in a window's graph as a
// user does (the pointer moved onto the drawn symbol of a record, the left button pressed
// and released on it without a drag), catching the evaluation table's request, opening Quick
// Eval with both searches, and cancelling the progress window of a long set-up.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#include "app/ui/dialog.h"
#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/xyz_point.h"
#include "graph3d/ui/rotating_graph_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "tools/evaluation_computations.h"
#include "tools/ui/graph_evaluation.h"

namespace smooth_test {

struct TDrawnPoint {
  int record = 0;  // 0: none found
  QPoint at;       // in the graph pane
};

// An active record of `table` drawn in the window's last paint with no other symbol within
// the pick tolerance, so that a click there can mean only it.
inline TDrawnPoint LoneActivePoint(const T3DDlgSW& w, std::span<const TXYZPoint> table) {
  const auto& kept = w.Renderer().KeptPoints();
  for (std::size_t i = 1; i < kept.size(); ++i) {
    const TKeptPoint& p = kept[i];
    if (p.x < 0 || p.index < 1 || static_cast<std::size_t>(p.index) >= table.size()) continue;
    if (!IsActive(table[static_cast<std::size_t>(p.index)])) continue;
    bool alone = true;
    for (std::size_t j = 1; j < kept.size() && alone; ++j)
      alone = j == i || kept[j].x < 0 || std::abs(kept[j].x - p.x) > 4 || std::abs(kept[j].y - p.y) > 4;
    if (alone) return {p.index, QPoint(p.x, p.y)};
  }
  return {};
}

// Hovers over the point and clicks it; the window's rebuild, queued by the click, has run
// when this returns. Answers what the status strip said while the pointer hovered.
inline QString HoverAndClick(T3DDlgSW& w, const TDrawnPoint& p) {
  // Qt drops a move to where the pointer already is; an earlier test may have left it there.
  QTest::mouseMove(w.Pane(), p.at + QPoint(9, 9));
  QTest::mouseMove(w.Pane(), p.at);
  const QString hover = w.FieldText(0);
  QTest::mousePress(w.Pane(), Qt::LeftButton, {}, p.at);
  QTest::mouseRelease(w.Pane(), Qt::LeftButton, {}, p.at);
  QApplication::processEvents();
  return hover;
}

inline QString HoverText(int record) { return QStringLiteral("XYZ Point %1  [Active]").arg(record); }

// Finds a lone active point, hovers over it (the strip names it) and clicks it (its status
// becomes inactive). Answers its record, or 0 after a failure when none is drawn.
inline int ClickALonePoint(T3DDlgSW& w, std::span<const TXYZPoint> table) {
  const TDrawnPoint p = LoneActivePoint(w, table);
  if (p.record == 0) {
    ADD_FAILURE() << "no lone active point is drawn";
    return 0;
  }
  EXPECT_EQ(HoverAndClick(w, p), HoverText(p.record));
  EXPECT_FALSE(IsActive(table[static_cast<std::size_t>(p.record)]));
  return p.record;
}

// The evaluation table a window opens, caught instead of shown: the request it was handed
// and the table's computations over it.
class TCaughtEvaluation {
 public:
  TCaughtEvaluation() : saved_(GetEvaluationTableDialog()) {
    SetEvaluationTableDialog([this](QWidget*, const TEvaluationTableRequest& r) {
      request = r;
      ++opened;
    });
  }
  ~TCaughtEvaluation() { SetEvaluationTableDialog(saved_); }
  TCaughtEvaluation(const TCaughtEvaluation&) = delete;
  TCaughtEvaluation& operator=(const TCaughtEvaluation&) = delete;

  TEvalComputer Table() const { return TEvalComputer(GraphSurface(request)); }
  // The table's result of a derivative mode (kEvalDzDx ..) at (x, y).
  long double At(int mode, long double x, long double y) const {
    long double z = 0;
    Table().Compute(x, y, z, mode);
    return z;
  }

  // The table's five derivatives at (x, y) are the engine's own.
  template <class Engine>
  void ExpectDerivativesOf(Engine& e, long double x, long double y) const {
    EXPECT_EQ(At(kEvalDzDx, x, y), e.EvalDx(x, y));
    EXPECT_EQ(At(kEvalDzDy, x, y), e.EvalDy(x, y));
    EXPECT_EQ(At(kEvalD2zDx2, x, y), e.EvalDxx(x, y));
    EXPECT_EQ(At(kEvalD2zDy2, x, y), e.EvalDyy(x, y));
    EXPECT_EQ(At(kEvalD2zDxDy, x, y), e.EvalDxy(x, y));
  }

  TEvaluationTableRequest request;
  int opened = 0;

 private:
  EvaluationTableDialog saved_;
};

// While it stands, a window's Quick Eval opens at once with both searches checked, on shared
// state of its own.
class TQuickEvalBothSearches {
 public:
  TQuickEvalBothSearches() : saved_(GetQuickEvalMaker()) {
    SetQuickEvalMaker([this](QWidget* owner, TQuickEvalSource source) {
      auto* d = new TQEval(owner, std::move(source), TQuickEvalShared{&xy_, &checks_});
      d->show();
      return TQuickEvalWindow{d, [d] { d->Evaluate(); }};
    });
  }
  ~TQuickEvalBothSearches() { SetQuickEvalMaker(saved_); }
  TQuickEvalBothSearches(const TQuickEvalBothSearches&) = delete;
  TQuickEvalBothSearches& operator=(const TQuickEvalBothSearches&) = delete;

 private:
  std::array<long double, 2> xy_{ExprErrorValue, ExprErrorValue};
  std::array<std::int32_t, 2> checks_{1, 1};
  QuickEvalMaker saved_;
};

// The smoothing windows' progress window (TProgressWindow) while one exists, else none.
inline QProgressDialog* ProgressWindow() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<QProgressDialog*>(top); p && p->objectName() == "TProgressWindow") return p;
  return nullptr;
}

// Cancels the smoothing windows' progress window at its first look at the user's events,
// which it takes at the first step of the work, however fast the machine.
inline void CancelTheProgressWhenItAsks() {
  QTimer::singleShot(0, [] {
    if (QProgressDialog* p = ProgressWindow()) p->cancel();
  });
}

// While it stands, cancels the first progress window that looks at the user's events, at
// that first look, whatever events run before the work starts (a click's queued rebuild).
class TCancelNextProgress {
 public:
  TCancelNextProgress() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (QProgressDialog* p = ProgressWindow()) {
        p->cancel();
        cancelled_ = true;
        timer_.stop();
      }
    });
    timer_.start(0);
  }
  bool Cancelled() const { return cancelled_; }

 private:
  QTimer timer_;
  bool cancelled_ = false;
};

// While it stands, closes (Escape) every dialog that runs modally other than a progress
// window, counting them: a window that should not have opened does not hold a test.
class TModalWindowCloser {
 public:
  TModalWindowCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* d = qobject_cast<QDialog*>(ActiveDialog());
      if (d == nullptr || qobject_cast<QProgressDialog*>(d) != nullptr) return;
      ++closed_;
      d->reject();
    });
    timer_.start(0);
  }
  int Closed() const { return closed_; }

 private:
  QTimer timer_;
  int closed_ = 0;
};

// Runs a window's opening command with its first set-up cancelled from the progress
// window: no window opens, and the settings and every record's Z and status stay as they
// were. Run again and let through, the window opens (and is left with Escape).
inline void ExpectACancelledOpeningToOpenNothing(const std::function<void()>& open, const ProgramSettings& settings,
                                                 TDataSession& session) {
  const std::vector<std::uint8_t> saved = EncodeSettings(settings, 1280, 1024);
  const auto records = [&session] {
    return std::vector<TXYZPoint>(session.Table.XYZData().begin(),
                                  session.Table.XYZData().begin() + session.Table.XYZRows() + 1);
  };
  const std::vector<TXYZPoint> before = records();
  {
    TModalWindowCloser closer;
    TCancelNextProgress cancel;
    open();
    EXPECT_TRUE(cancel.Cancelled());
    EXPECT_EQ(closer.Closed(), 0) << "the window opened";
  }
  EXPECT_EQ(EncodeSettings(settings, 1280, 1024), saved);
  const std::vector<TXYZPoint> after = records();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 1; k < after.size(); ++k) {
    EXPECT_EQ(after[k].Z, before[k].Z) << k;
    EXPECT_EQ(after[k].Status, before[k].Status) << k;
  }
  EXPECT_EQ(session.DataUnsaved, 0);
  TModalWindowCloser closer;
  open();
  EXPECT_EQ(closer.Closed(), 1);
}

}  // namespace smooth_test
