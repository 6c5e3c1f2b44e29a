// Every window the command table reaches, on a table of map data far from the origin whose
// figures carry many digits (eastings of 5403001.26 and up in steps of 444.2422222223,
// northings of 431001.97 and up, elevations to seven decimals), with a user function whose
// starts need 18 digits to lie inside their limits: wherever the program writes a number into
// an entry field (as a window opens, and after each click, menu command or pick), the field
// shows the number whole and from its first digit. Qt leaves the cursor after the last
// character, and a number wider than its field showed only its tail ("0253838146009044" for
// 2.000253838146009044); a typing limit cut it ("2.000253838146", below its lower limit).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/ui/dialog.h"
#include "app/field_text.h"
#include "app/ui/main_window.h"
#include "every_window_support.h"
#include "fit/fit_test_data.h"
#include "tools/ui/udf_dialog.h"

namespace {

using namespace every_window;

// 30 points of map data: eastings and northings as read from a file of doubles, elevations of
// a tilted plane with a small wave.
PointTable FarMapPoints() {
  using namespace fit_test;
  int k = 0;
  return GridTable(Axis(5403001.26L, 444.2422222223L, 6), Axis(431001.97L, 249.3412L, 5), [&](long double x, long double y) {
    return 96.3986L + 0.00021775489L * (x - 5403001.26L) - 0.0001234567L * (y - 431001.97L) +
           0.0123457L * ((k++ * 7) % 5 - 2);
  });
}

// The width of the text area of `e`: its contents less the frame and Qt's margin of 2 on
// either side.
int TextRoom(const QLineEdit* e) {
  const int frame = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e) : 0;
  const QMargins margins = e->textMargins();
  return e->contentsRect().width() - 2 * frame - 4 - margins.left() - margins.right();
}

class LongNumberWatch {
 public:
  // The entry fields of `w` the program wrote a number into that is wider than the field: each
  // must show its first character (the cursor at 0), unless the user is in it.
  void Look(const QPointer<QWidget>& w, const char* when) {
    if (!w) return;
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) {
      if (e->window() != w || !e->isVisible() || e->hasFocus() || e->text().isEmpty()) continue;
      const QString text = e->text();
      const std::string where = std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() +
                                "\" field " + e->objectName().toStdString() + " \"" + text.toStdString() + "\"";
      // Numbers only: a title or a pasted text is the user's own.
      if (!ReadRealText(text.toStdString())) continue;
      if (e->fontMetrics().horizontalAdvance(text) <= TextRoom(e)) continue;
      ++wide_;
      wideFields_.insert(where.substr(0, where.find(" field ")) + " field " + e->objectName().toStdString());
      if (e->cursorPosition() != 0 && failed_.insert(where).second)
        ADD_FAILURE() << where << " " << when << ": wider than its field, it shows its last characters (cursor at "
                      << e->cursorPosition() << "; " << e->fontMetrics().horizontalAdvance(text) << " pixels in "
                      << TextRoom(e) << ")";
    }
  }
  int Wide() const { return wide_; }
  const std::set<std::string>& WideFields() const { return wideFields_; }

 private:
  int wide_ = 0;
  std::set<std::string> wideFields_;
  std::set<std::string> failed_;
};

TEST(EveryWindowLongNumbers, EveryFieldShowsALongNumberWholeFromItsFirstDigit) {
  TProgramUnderWalk program("ondravik_long_numbers", FarMapPoints);
  LongNumberWatch watch;
  bool adjusted = false;
  Walker walker(Clock::now() + std::chrono::minutes(5));
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) {
    if (auto* udf = qobject_cast<TDlgUDF*>(w.data()); udf != nullptr && !adjusted) {
      // A start between limits 1e-15 apart needs 18 digits; Adjust opens the graph on it.
      adjusted = true;
      udf->TextEdit()->setPlainText("Z=A0+A1*X+A2*Y");
      udf->Edit(702)->setText("3");
      for (int i = 0; i < 3; ++i) {
        udf->Edit(704 + i)->setText(i == 1 ? "2.000253838146009044" : "1");
        udf->Edit(714 + i)->setText(i == 1 ? "2.000253838146009" : "-1E30");
        udf->Edit(724 + i)->setText(i == 1 ? "2.00025383814601" : "1E30");
      }
      walker.Act(w, [&] { udf->Button(15)->click(); });
    }
    watch.Look(w, "as it opened");
  });
  walker.SetActedHook([&](const QPointer<QWidget>& w) { watch.Look(w, "after a click"); });
  const int commands =
      program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); }, [&](const CommandInfo&) {
        EXPECT_EQ(ActiveDialog(), nullptr);
        program.LoadTableAndFitsIfChanged();
      });
  EXPECT_FALSE(walker.TimedOut());
  EXPECT_GE(commands, 40);
  EXPECT_TRUE(adjusted);
  std::fprintf(stderr, "%d commands, %d windows, %d looks at a number wider than its field, in %zu fields:\n", commands,
               walker.Windows(), watch.Wide(), watch.WideFields().size());
  for (const std::string& f : watch.WideFields()) std::fprintf(stderr, "  %s\n", f.c_str());
  EXPECT_GE(watch.WideFields().size(), 2u);  // the adjust graph's and the derivative table's start
}

}  // namespace
