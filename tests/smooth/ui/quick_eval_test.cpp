// Quick Eval (dialog 4072): first use with nothing saved, one evaluation after typing pauses
// and only with the last text, formulas accepted and assignments refused, the saved place
// used or the window left centred, and X, Y, the check boxes and the place kept at close;
// the scattered-data window's button opens and closes it on its current surface.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <cmath>

#include "app/long_double.h"
#include "app/settings_file.h"
#include "app/ui/owned_window.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "../../graph3d/ui/dialog_shots.h"

namespace {

// A bowl with its lowest point at (0.25, 0.5) and value 1, over the unit square.
TQuickEvalSource Bowl(WindowPlacement* placement) {
  TQuickEvalSource s;
  s.value = [](long double x, long double y) { return 1 + (x - 0.25L) * (x - 0.25L) + (y - 0.5L) * (y - 0.5L); };
  s.minimumStart = [] { return TSurfaceSearchStart{0.3L, 0.4L, 0, 1, 0, 1}; };
  s.maximumStart = [] { return TSurfaceSearchStart{0.9L, 0.9L, 0, 1, 0, 1}; };
  s.placement = placement;
  return s;
}

struct Shared {
  std::array<long double, 2> xy{ExprErrorValue, ExprErrorValue};
  std::array<std::int32_t, 2> checks{0, 0};
  TQuickEvalShared Refs() { return {&xy, &checks}; }
};

TEST(QuickEval, EntriesAreExpressionsAndNeverAssignments) {
  struct Case {
    const char* text;
    bool valid;
    long double value;
  } const cases[] = {
      {"2*3", true, 6},   {"1e3", true, 1000}, {" 0.5 ", true, 0.5}, {"1<=2", true, 1}, {"2==2", true, 1},
      {"", false, 0},     {"x y", false, 0},     {"A=3", false, 0},     {"B = 2", false, 0}, {"1/0", false, 0},
      {"SQRT(-1)", false, 0}, {"SQRT(0.25)", true, 0.5},
  };
  for (const Case& c : cases) {
    const std::optional<long double> v = QuickEvalEntry(c.text);
    EXPECT_EQ(v.has_value(), c.valid) << c.text << " " << static_cast<double>(v.value_or(0));
    if (v && c.valid) { EXPECT_EQ(*v, c.value) << c.text; }
  }
}

TEST(QuickEval, FirstUseIsEmptyAndTheSearchesFindTheBowlsEnds) {
  Shared shared;
  shared.checks = {1, 1};
  WindowPlacement place;  // none saved: the window stays where it opens
  auto* d = new TQEval(nullptr, Bowl(&place), shared.Refs());
  ShowDialog(d, "quick_eval");
  EXPECT_TRUE(d->Control<QLineEdit>(TQEval::kX)->text().isEmpty());
  EXPECT_TRUE(d->Control<QLineEdit>(TQEval::kY)->text().isEmpty());
  EXPECT_TRUE(d->Control<QLabel>(TQEval::kZ)->text().isEmpty());
  EXPECT_NEAR(d->Control<QLabel>(105)->text().toDouble(), 0.25, 1e-6);
  EXPECT_NEAR(d->Control<QLabel>(106)->text().toDouble(), 0.5, 1e-6);
  EXPECT_NEAR(d->Control<QLabel>(107)->text().toDouble(), 1.0, 1e-9);
  // The highest point of the bowl over the square is a corner: (1, 0) or (1, 1).
  EXPECT_NEAR(d->Control<QLabel>(109)->text().toDouble(), 1.0, 1e-6);
  EXPECT_NEAR(d->Control<QLabel>(111)->text().toDouble(), 1.8125, 1e-6);
  delete d;
  EXPECT_NE(place.x, -1);  // the place it had is kept
}

TEST(QuickEval, TypingEvaluatesOnceWithTheLastTextAndAssignmentsAreRefused) {
  Shared shared;
  auto* d = new TQEval(nullptr, Bowl(nullptr), shared.Refs());
  ShowDialog(d, "quick_eval_typing");
  d->Control<QLineEdit>(TQEval::kY)->setText("0.5");
  const int before = d->Evaluations();
  d->Control<QLineEdit>(TQEval::kX)->setText("1e");
  d->Control<QLineEdit>(TQEval::kX)->setText("1e3");
  EXPECT_TRUE(d->EditsPending());
  EXPECT_EQ(d->Evaluations(), before);
  QTRY_COMPARE_WITH_TIMEOUT(d->Evaluations(), before + 1, 60000);  // a bound, not a time to keep
  EXPECT_EQ(d->X(), 1000);
  EXPECT_EQ(d->Control<QLabel>(TQEval::kZ)->text(), "999501.0625");
  QTest::qWait(TQEval::kDelayMs + 200);
  EXPECT_EQ(d->Evaluations(), before + 1);

  d->Control<QLineEdit>(TQEval::kX)->setText("A=3");
  d->FlushEdits();
  EXPECT_TRUE(IsMissingValue(d->X()));
  EXPECT_TRUE(IsMissingValue(d->Y()));
  EXPECT_TRUE(d->Control<QLabel>(TQEval::kZ)->text().isEmpty());
  d->Control<QLineEdit>(TQEval::kX)->setText("PI/4");
  d->FlushEdits();
  EXPECT_NEAR(d->Control<QLabel>(TQEval::kZ)->text().toDouble(), 1.2866511934, 1e-9);
  d->Control<QCheckBox>(TQEval::kMaximum)->setChecked(true);
  d->close();
  delete d;
  EXPECT_NEAR(static_cast<double>(shared.xy[0]), 0.78539816339744831, 1e-15);
  EXPECT_EQ(shared.xy[1], 0.5L);
  EXPECT_EQ(shared.checks[0], 0);
  EXPECT_EQ(shared.checks[1], 1);

  // The next window starts from what this one kept, and where a saved place says.
  WindowPlacement place{40, 50, 260, 300, 0};
  d = new TQEval(nullptr, Bowl(&place), shared.Refs());
  ShowDialog(d, "quick_eval_again");
  EXPECT_EQ(d->Control<QLineEdit>(TQEval::kX)->text(), "0.7853981634");
  EXPECT_EQ(d->Control<QLineEdit>(TQEval::kY)->text(), "0.5");
  EXPECT_TRUE(d->Control<QCheckBox>(TQEval::kMaximum)->isChecked());
  EXPECT_EQ(d->width(), 260);
  delete d;
  EXPECT_EQ(place.width, 260);
  EXPECT_EQ(place.maximized, 0);
}

// The kept X and Y are shown whole in 12 characters, though longer than a user may type, and a
// window closed untouched keeps them to every digit: cut to the 11 characters a user may
// type, the field showed a number other than the one evaluated and the close stored the cut one.
TEST(QuickEval, KeptCoordinatesAreShownWholeAndAnUntouchedCloseKeepsThem) {
  struct Case {
    long double x, y;
    const char* xText;
    const char* yText;
  } const cases[] = {
      {0.78539816339744830962L, 0.5L, "0.7853981634", "0.5"},
      {-1234.56789012345678L, 2.0L / 3.0L, "-1234.56789", "0.6666666667"},
      {-1.25e-100L, 3.0e300L, "-1.25e-100", "3e+300"},
      {0.25L, 0.5L, "0.25", "0.5"},
  };
  for (const Case& c : cases) {
    Shared shared;
    shared.xy = {c.x, c.y};
    auto* d = new TQEval(nullptr, Bowl(nullptr), shared.Refs());
    ShowDialog(d, "quick_eval_kept");
    EXPECT_EQ(d->Control<QLineEdit>(TQEval::kX)->text(), c.xText);
    EXPECT_EQ(d->Control<QLineEdit>(TQEval::kY)->text(), c.yText);
    EXPECT_FALSE(d->EditsPending());
    d->close();
    delete d;
    EXPECT_EQ(shared.xy[0], c.x) << c.xText;
    EXPECT_EQ(shared.xy[1], c.y) << c.yText;
  }
  // A typed coordinate is the one kept, to the digits typed.
  Shared shared;
  shared.xy = {0.78539816339744830962L, 0.5L};
  auto* d = new TQEval(nullptr, Bowl(nullptr), shared.Refs());
  ShowDialog(d, "quick_eval_retyped");
  d->Control<QLineEdit>(TQEval::kX)->setText("0.125");
  d->FlushEdits();
  EXPECT_EQ(d->Control<QLabel>(TQEval::kZ)->text(), "1.015625");
  delete d;
  EXPECT_EQ(shared.xy[0], 0.125L);
  EXPECT_EQ(shared.xy[1], 0.5L);
}

// Opened beside a graph window, Quick Eval keeps itself above it: a window manager that
// raises the modal graph window over its own transients on a click hid it behind the graph
// as soon as the user chose a derivative, and the graph's button then closed it.
TEST(QuickEval, KeepsAboveTheGraphWindowItWasOpenedFrom) {
  Shared shared;
  QDialog owner;
  owner.show();
  auto* d = new TQEval(&owner, Bowl(nullptr), shared.Refs());
  d->show();
  EXPECT_NE(d->findChild<TOwnedWindowKeeper*>(), nullptr);
  delete d;
  auto* alone = new TQEval(nullptr, Bowl(nullptr), shared.Refs());
  EXPECT_EQ(alone->findChild<TOwnedWindowKeeper*>(), nullptr) << "nothing to keep above";
  delete alone;
}

}  // namespace
