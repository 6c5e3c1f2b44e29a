// Every number field of every window the command table reaches, left as a user leaves it: a
// text the field does not take is typed (a number past the range, or letters), and a push
// button of the window is clicked with the mouse, which moves the focus to the button, and so
// out of the field, before the button acts. Each field meets every push button of its window
// this way. After each click the window is still open and the field shows a value of its
// range (what the window then uses is in sight). A click on OK, and on every button that uses
// what the fields make (Eval, Eval Spline, Quick Eval, Section, Apply, Save, Copy, Print, the
// graph options over a surface the fields make, Find && Update, Derivatives...), has said
// what the field takes, as OK says it, and the button has not acted (it opened no window): a
// click never acts on, or closes a window on, a value the user did not see. Only Help, Reset
// and Read (which write the fields) and the printer's own Setup leave the fields unread.
// Cancel, met last, abandons what was typed without a word. Whatever a button opens (an
// option dialog, a file dialog, Quick Eval) is closed again at once.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/c_format.h"
#include "app/ui/main_window.h"
#include "app/ui/number_field.h"
#include "every_window_support.h"
#include "number_field_walk.h"
#include "fit/session.h"
#include "platform/qt/qt_text.h"
#include "support/table_bytes.h"
#include "tools/ui/udf_dialog.h"

namespace {

using namespace every_window;

std::string NameOf(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

std::string ButtonName(const QAbstractButton* b) {
  const std::string text = Plain(b->text());
  return text.empty() ? "#" + b->objectName().toStdString() : text;
}

// A button that abandons its window: what the fields take as Cancel.
bool Abandons(QAbstractButton* b) {
  if (b->objectName() == "2" || Plain(b->text()) == "Cancel") return true;
  auto* box = qobject_cast<QDialogButtonBox*>(b->parentWidget());
  return box != nullptr && box->buttonRole(b) == QDialogButtonBox::RejectRole;
}

// The buttons that read none of the fields: Help, and those that write them (Reset, Read);
// the Print Text dialog's Setup sets up the printer alone (its margins stay as typed).
bool ReadsNoField(const QWidget* w, QAbstractButton* b) {
  const std::string text = Plain(b->text());
  if (text == "Help" || text == "Reset" || text == "Read") return true;
  return text == "Setup" && std::string(w->metaObject()->className()) == "TPrnWin";
}

bool IsOk(QAbstractButton* b) {
  if (b->objectName() == "1" || Plain(b->text()) == "OK") return true;
  auto* box = qobject_cast<QDialogButtonBox*>(b->parentWidget());
  return box != nullptr && box->buttonRole(b) == QDialogButtonBox::AcceptRole;
}

// The push buttons of `w` a user can click now: not the boxes and choices, not a tool bar's
// buttons (they take no focus and stand for menu commands), not the buttons that start a fit
// run (the fit road's tests walk those).
std::vector<QPointer<QAbstractButton>> PushButtons(const QPointer<QWidget>& w) {
  std::vector<QPointer<QAbstractButton>> buttons;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
    if (b->window() != w || !b->isVisible() || !b->isEnabled()) continue;
    if (qobject_cast<QCheckBox*>(b) || b->inherits("QRadioButton") || qobject_cast<QToolBar*>(b->parentWidget())) continue;
    if (auto* tool = qobject_cast<QToolButton*>(b); tool && tool->defaultAction()) continue;
    if (StartsAFit(Plain(b->text()))) continue;
    buttons.emplace_back(b);
  }
  return buttons;
}

// Texts a field does not take: a number past its range above and below, letters, nothing,
// a digit past its widest value ("180" in a two-digit field of 3 to 18), and a sign its range
// has not ("-18" there).
std::vector<QString> Untaken(const TNumberField& f) {
  std::vector<QString> texts;
  for (const bool above : {true, false}) {
    const long double bound = above ? f.RangeMaximum() : f.RangeMinimum();
    if (!std::isfinite(bound)) continue;
    const long double step = std::max(1.0L, std::fabs(bound) * 0.5L);
    texts.push_back(QString::fromStdString(CFormat("%.12Lg", above ? bound + step : bound - step)));
  }
  texts.insert(texts.end(), {"abc", ""});
  if (std::isfinite(f.RangeMaximum()) && f.RangeMaximum() > 0) texts.push_back(f.TextOf(f.RangeMaximum()) + "0");
  if (std::isfinite(f.RangeMinimum()) && f.RangeMinimum() >= 0 && std::isfinite(f.RangeMaximum()))
    texts.push_back("-" + f.TextOf(f.RangeMaximum()));
  return texts;
}

// Texts typed key by key, each of which the field must show as typed: those it does not take,
// and a value of its range after a leading zero ("03").
std::vector<QString> TypedKeyByKey(const TNumberField& f) {
  std::vector<QString> texts = Untaken(f);
  if (std::isfinite(f.RangeMinimum()) && f.RangeMinimum() >= 0) texts.push_back("0" + f.TextOf(f.RangeMinimum()));
  return texts;
}

// The windows open at a moment, by name, but the tool tips and popup menus that any click
// closes. One closed and freed since is no longer among them, so that a window made in its
// place is not taken for it.
class OpenWindows {
 public:
  OpenWindows() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
        windows_.emplace_back(w, NameOf(w));
  }
  bool Has(const QWidget* w) const {
    return std::any_of(windows_.begin(), windows_.end(), [w](const auto& open) { return open.first == w; });
  }
  // Those of them no longer open (hidden, or gone) but `kept`.
  std::vector<std::string> ClosedBut(const QWidget* kept) const {
    std::vector<std::string> closed;
    for (const auto& [w, name] : windows_)
      if (w != kept && (!w || !w->isVisible())) closed.push_back(name);
    return closed;
  }

 private:
  std::vector<std::pair<QPointer<QWidget>, std::string>> windows_;
};

// While a click runs: a modal window it opens (an option dialog, a question nobody scripted)
// is cancelled and a popup menu closed, as a user who changed their mind does. The windows
// open before the click are left alone: once a Cancel has closed the window clicked, the one
// it was opened from is the active modal window again, and is not the click's to close.
class CloseWhatOpens {
 public:
  CloseWhatOpens(const OpenWindows& before, std::vector<std::string>& closed) : before_(before) {
    QObject::connect(&timer_, &QTimer::timeout, [this, &closed] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        closed.push_back(NameOf(popup));
        popup->close();
        return;
      }
      QWidget* modal = ActiveDialog();
      if (modal == nullptr || before_.Has(modal)) return;
      closed.push_back(NameOf(modal));
      if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
      else
        modal->close();
    });
    timer_.start(5);
  }

 private:
  const OpenWindows& before_;
  QTimer timer_;
};

// What a click did besides its own window: the windows open before it that it closed (a click
// acts on its own window only), and the windows it opened.
struct ClickOutcome {
  std::vector<std::string> closed;
  std::vector<std::string> opened;
};

// The click of a user on a button of `w`: the press gives the button the focus (leaving the
// field) before the release presses it. Whatever it opens is closed again.
ClickOutcome Click(const QPointer<QWidget>& w, QAbstractButton* b) {
  const OpenWindows before;
  ClickOutcome outcome;
  {
    CloseWhatOpens closer(before, outcome.opened);
    QTest::mouseClick(b, Qt::LeftButton);
    QApplication::processEvents();
  }
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && !before.Has(top) && top != w && top->windowType() != Qt::ToolTip) {
      outcome.opened.push_back(NameOf(top));
      top->close();
    }
  QApplication::processEvents();
  outcome.closed = before.ClosedBut(w);
  return outcome;
}

class ClickLeaveWalk {
 public:
  explicit ClickLeaveWalk(TProgramUnderWalk& program) : program_(program) {}

  void operator()(const QPointer<QWidget>& w) {
    if (auto* udf = qobject_cast<TDlgUDF*>(w.data()); udf != nullptr && !adjusted_) {
      // The adjust graph opens on a function only: one is typed, and the graph walked (the
      // walker gives it to this walk when it opens).
      adjusted_ = true;
      TypeFunctionToAdjust(*udf);
      adjustGraph_(w, [&] { udf->Button(15)->click(); });
    }
    if (!w || !w->isVisible() || !walked_.insert(NameOf(w)).second) return;
    OpenClosedFields(w, [&](QAbstractButton* b) { ClickOn(w, b); });
    OpenMostButtons(w, [&](QAbstractButton* b) { ClickOn(w, b); });
    std::vector<QPointer<QLineEdit>> fields = NumberFields(w);
    if (fields.empty()) return;
    ++windows_;
    fields_ += static_cast<int>(fields.size());
    std::vector<QPointer<QAbstractButton>> buttons = PushButtons(w);
    std::vector<QPointer<QAbstractButton>> cancels;
    std::erase_if(buttons, [&](const QPointer<QAbstractButton>& b) {
      if (!Abandons(b)) return false;
      cancels.push_back(b);
      return true;
    });
    // OK last, so that a window a click wrongly closes has met its other buttons first.
    std::stable_partition(buttons.begin(), buttons.end(), [](const QPointer<QAbstractButton>& b) { return !IsOk(b); });
    buttons_ += static_cast<int>(buttons.size() + cancels.size());
    std::fprintf(stderr, "    %s: %zu fields, %zu buttons\n", NameOf(w).c_str(), fields.size(),
                 buttons.size() + cancels.size());
    for (const QPointer<QLineEdit>& e : fields) {
      if (e && e->isVisible() && e->isEnabled()) KeysStayAsTyped(w, e);
      for (std::size_t turn = 0; turn < buttons.size(); ++turn) {
        const QPointer<QAbstractButton>& b = buttons[turn];
        if (!w || !w->isVisible()) return;
        if (b && b->isVisible() && b->isEnabled() && e && e->isVisible() && e->isEnabled())
          ClickAfterUntakenText(w, e, b, turn);
      }
    }
    for (const QPointer<QAbstractButton>& b : cancels) {
      if (!w || !w->isVisible() || !b || !b->isVisible() || !fields.front() || !fields.front()->isVisible()) break;
      AbandonAfterUntakenText(w, fields.front(), b);
    }
  }

  // How the walk reaches the adjust graph: through the walker, which walks what opens.
  std::function<void(const QPointer<QWidget>&, const std::function<void()>&)> adjustGraph_;

  int Windows() const { return windows_; }
  int FieldCount() const { return fields_; }
  int Buttons() const { return buttons_; }
  int Clicks() const { return clicks_; }
  int UsingClicks() const { return usingClicks_; }
  int Failures() const { return failures_; }
  int TypedTexts() const { return typedTexts_; }

 private:
  // Types `text` over the field key by key, as one who selects its text first.
  static void TypeOver(QLineEdit* e, const QString& text) {
    QApplication::setActiveWindow(e->window());
    e->setFocus(Qt::TabFocusReason);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
  }

  // Every text typed key by key stays as typed, whatever its first keys read to: a key refused
  // on the way ("25" under 18 stood as "2") or cut at the field's width ("100" as "10") left a
  // value the user never typed, which the window then took.
  void KeysStayAsTyped(const QPointer<QWidget>& w, QLineEdit* e) {
    for (const QString& text : TypedKeyByKey(*NumberFieldOf(e))) {
      if (!w || !w->isVisible() || !e->isVisible() || !e->isEnabled()) return;
      TypeOver(e, text);
      ++typedTexts_;
      if (e->text() != text)
        Fail(NameOf(w) + " field " + e->objectName().toStdString() + ": \"" + text.toStdString() +
             "\" typed key by key shows \"" + e->text().toStdString() + "\"");
    }
  }

  // Types over the field a text it does not take, the `turn`-th of them in turn; false when
  // it takes every one.
  static bool TypeUntaken(QLineEdit* e, std::size_t turn) {
    const TNumberField* f = NumberFieldOf(e);
    const std::vector<QString> texts = Untaken(*f);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      TypeOver(e, texts[(turn + i) % texts.size()]);
      if (!f->Holds(e->text())) return true;
    }
    return false;
  }

  // A click on a button of `w`, as Click; a window beneath that it closed is a failure.
  // Answers the windows it opened.
  std::vector<std::string> ClickOn(const QPointer<QWidget>& w, QAbstractButton* b) {
    const std::string where = NameOf(w) + ", a click on " + ButtonName(b);
    ClickOutcome outcome = Click(w, b);
    for (const std::string& closed : outcome.closed) Fail(where + " closed " + closed);
    return outcome.opened;
  }

  void Fail(const std::string& what) {
    ++failures_;
    ADD_FAILURE() << what;
  }

  void ClickAfterUntakenText(const QPointer<QWidget>& w, const QPointer<QLineEdit>& e, const QPointer<QAbstractButton>& b,
                             std::size_t turn) {
    TNumberField* f = NumberFieldOf(e);
    if (!TypeUntaken(e, turn)) return;
    const std::string where = NameOf(w) + " field " + e->objectName().toStdString() + " \"" + e->text().toStdString() +
                              "\", then a click on " + ButtonName(b);
    const std::string message = platform::qt::ToCp1252(f->Message());
    const bool ok = IsOk(b);
    const bool uses = !ok && !ReadsNoField(w, b);
    const int boxes = program_.Answers().Shown();
    ++clicks_;
    if (uses) ++usingClicks_;
    const std::vector<std::string> opened = ClickOn(w, b);
    if (!w || !w->isVisible()) {
      Fail(where + ": the window closed on a value the user did not see");
      return;
    }
    const bool told = program_.Answers().Shown() > boxes;
    if (ok && !(told && program_.Answers().LastText() == message))
      Fail(where + ": OK kept the window open without saying \"" + message + "\"");
    if (uses && !(told && program_.Answers().LastText() == message))
      Fail(where + ": a button that uses the fields did not say \"" + message + "\" first");
    if (uses && !opened.empty()) Fail(where + ": a button that uses the fields acted on it unseen, opening " + opened.front());
    if (!e || !e->isVisible()) return;
    if (!told && !f->Holds(e->text()))
      Fail(where + ": the field shows \"" + e->text().toStdString() + "\", no value of its range, and nothing was said");
    // The user looks at the field again before the next click: what a click put right in
    // sight has been seen.
    if (e->isEnabled()) e->setFocus(Qt::MouseFocusReason);
  }

  void AbandonAfterUntakenText(const QPointer<QWidget>& w, const QPointer<QLineEdit>& e, const QPointer<QAbstractButton>& b) {
    if (!TypeUntaken(e, 0)) return;
    const std::string where = NameOf(w) + " field " + e->objectName().toStdString() + ", then a click on " + ButtonName(b);
    const int boxes = program_.Answers().Shown();
    ++clicks_;
    ClickOn(w, b);
    if (program_.Answers().Shown() != boxes) Fail(where + ": a word was said about a text Cancel abandons");
    if (w && w->isVisible()) Fail(where + ": the window is still open");
  }

  TProgramUnderWalk& program_;
  std::set<std::string> walked_;
  bool adjusted_ = false;
  int windows_ = 0;
  int fields_ = 0;
  int buttons_ = 0;
  int clicks_ = 0;
  int usingClicks_ = 0;  // on buttons that use the fields, OK aside
  int failures_ = 0;
  int typedTexts_ = 0;  // typed key by key and checked as typed
};

TEST(EveryWindow, EveryFieldLeftByAClickOnEachButtonShowsWhatItsWindowUses) {
  TProgramUnderWalk program("ondravik_click_leaves_fields");
  ClickLeaveWalk walk(program);
  Walker walker(Clock::now() + std::chrono::minutes(6), [&](const QPointer<QWidget>& w) { walk(w); });
  walk.adjustGraph_ = [&](const QPointer<QWidget>& w, const std::function<void()>& act) { walker.Act(w, act); };
  const int commands = program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                                               [&](const CommandInfo& c) {
    EXPECT_EQ(ActiveDialog(), nullptr) << c.id;
    // Buttons that change the data on purpose were clicked (a smooth kept, a grid made): the
    // next command starts from the same table and fits again.
    program.LoadTableAndFitsIfChanged();
  });
  EXPECT_FALSE(walker.TimedOut());
  EXPECT_GE(commands, 40);
  std::fprintf(stderr, "%d windows with fields, %d fields, %d buttons, %d clicks (%d on buttons that use the fields), "
               "%d texts typed key by key, %d failures\n", walk.Windows(), walk.FieldCount(), walk.Buttons(),
               walk.Clicks(), walk.UsingClicks(), walk.TypedTexts(), walk.Failures());
  EXPECT_GE(walk.Windows(), 17);
  EXPECT_GE(walk.Clicks(), 300);
  EXPECT_GE(walk.UsingClicks(), 150);
  EXPECT_GE(walk.TypedTexts(), 280);
}

// The walk's own click, on a machine slow enough that the closer looks only after a Cancel has
// closed the dialog clicked: the graph it was opened from is then the active modal window, and
// stays open. What the click opens (a question) is closed, and the dialog clicked stays open.
TEST(EveryWindow, TheWalksClickClosesWhatItOpensAndNeverTheWindowBeneath) {
  QDialog graph;
  graph.setWindowTitle("Graph");
  auto* derivatives = new QPushButton("Derivatives", &graph);
  (new QHBoxLayout(&graph))->addWidget(derivatives);
  bool asked = false;
  bool tableOpenAfterAsk = false;
  bool graphOpenAfterCancel = false;
  std::vector<std::string> closedByAsk;
  std::vector<std::string> closedByCancel;
  QObject::connect(derivatives, &QPushButton::clicked, &graph, [&] {
    QDialog table(&graph);
    table.setWindowTitle("Table");
    auto* ask = new QPushButton("Ask", &table);
    auto* cancel = new QPushButton("Cancel", &table);
    auto* row = new QHBoxLayout(&table);
    row->addWidget(ask);
    row->addWidget(cancel);
    QObject::connect(ask, &QPushButton::clicked, &table, [&] {
      QDialog question(&table);
      question.setWindowTitle("Question");
      question.exec();
      asked = true;
    });
    QObject::connect(cancel, &QPushButton::clicked, &table, [&] {
      table.reject();
      QTest::qSleep(20);  // the rest of a slow Cancel: the closer's tick is due when it ends
    });
    QTimer::singleShot(0, &table, [&] {
      closedByAsk = Click(&table, ask).closed;
      tableOpenAfterAsk = table.isVisible();
      closedByCancel = Click(&table, cancel).closed;
    });
    table.exec();
    graphOpenAfterCancel = graph.isVisible();
  });
  QTimer::singleShot(0, &graph, [&] {
    derivatives->click();
    graph.reject();
  });
  graph.exec();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(tableOpenAfterAsk);
  EXPECT_EQ(closedByAsk, std::vector<std::string>{});
  EXPECT_TRUE(graphOpenAfterCancel);
  EXPECT_EQ(closedByCancel, std::vector<std::string>{});
}

}  // namespace
