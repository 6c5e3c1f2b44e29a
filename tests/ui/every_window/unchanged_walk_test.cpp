// Nothing changed, nothing changes: every command and every dialog it reaches, closed three
// ways (Cancel, OK untouched, and OK after each box, radio button, field and list was
// changed and changed back), leaves the settings' bytes, the user-function session file,
// the table's bytes, its titles, the fits and their results, and whether Exit would ask, as
// they were. Allowed: the windows' rectangles, a window's first stored font, and the smoothing
// commands meant to change the data, which must then make Exit ask.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/data_saved_mark.h"
#include "app/settings_file.h"
#include "app/ui/command_table.h"
#include "app/ui/main_window.h"
#include "every_window_support.h"
#include "program_state.h"
#include "fit/fit_test_data.h"
#include "fit/session.h"
#include "support/table_bytes.h"
#include "tools/udf/udf_session.h"
#include "tools/ui/grid_editor.h"

namespace {

using namespace every_window;

// What a walk must leave as it found it.
struct TProgramState {
  ProgramSettings settings;
  std::string udfSession;
  std::vector<unsigned char> table;
  TDataTitles titles;
  std::vector<std::pair<int, long double>> fits;
  int fitResultsValid = 0;
  int fitCount = 0;
  bool exitAsks = false;
};

TProgramState StateOf(TProgramUnderWalk& program) {
  TSession& s = program.Session();
  return {CurrentSettings(), UdfSessionBytes(s, program.Home().Path() / "udf-session"), TableBytes(s.Table),
          s.DataTitles(), Fits(s), s.FitResultsValid, s.FitCount, DataNeedsSaving(s)};
}

// What differs; empty when nothing does. `changesData`: the command is meant to change the
// data when closed with OK, which must then make Exit ask.
std::vector<std::string> Differences(const TProgramState& before, const TProgramState& after, bool changesData) {
  std::vector<std::string> d;
  if (std::string s = SettingsDifference(before.settings, after.settings); !s.empty()) d.push_back(s);
  if (after.udfSession != before.udfSession) d.push_back("the user-function session file");
  const bool dataChanged = after.table != before.table || !(after.titles == before.titles);
  if (changesData) {
    if (dataChanged && !after.exitAsks) d.push_back("data changed without Exit asking");
    return d;
  }
  if (after.table != before.table) d.push_back("the table's bytes");
  if (!(after.titles == before.titles)) d.push_back("the titles");
  if (after.fits != before.fits) d.push_back("the fit list");
  if (after.fitResultsValid != before.fitResultsValid || after.fitCount != before.fitCount)
    d.push_back("the fit results");
  if (after.exitAsks != before.exitAsks) d.push_back("whether Exit asks");
  return d;
}

// How a walk closes each dialog it meets.
// The first, kLearning, clicks every button and closes with Cancel: it learns which buttons
// open windows, and is not judged (a button that acts keeps what it did in a window that
// applies as it goes, as the review's Intervals).
enum class TClosing { kLearning, kCancel, kOkUntouched, kChangedBackOk };

const char* Name(TClosing c) {
  switch (c) {
    case TClosing::kLearning: return "every button clicked, Cancel";
    case TClosing::kCancel: return "Cancel";
    case TClosing::kOkUntouched: return "OK untouched";
    default: return "changed and back, OK";
  }
}

// Walks the dialogs a command opens, closing each the same way. Buttons that open a window
// are found in the learning walk, which clicks every button; the others click only those,
// since any other button acts (Reset, Delete, Sort, Intervals ...) and a window closed with
// OK after it keeps what it did.
class TClosingWalker {
 public:
  TClosingWalker(TClosing closing, std::set<std::string>& openers) : closing_(closing), openers_(openers) {}

  void Run(const std::function<void()>& open) {
    const std::set<QWidget*> before = TopLevels();
    {
      Watch watch(this);
      open();
      QApplication::processEvents();
    }
    CloseNewWindows(before);
  }
  int Dialogs() const { return dialogs_; }
  int Changes() const { return changes_; }
  const std::set<std::string>& Seen() const { return seen_; }

 private:
  static constexpr int kDeepest = 3;
  static constexpr int kTimesEach = 4;  // the same dialog walked in one run

  class Watch {
   public:
    explicit Watch(TClosingWalker* walker) : walker_(walker) {
      QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
          popup->close();
          return;
        }
        QWidget* modal = ActiveDialog();
        if (!modal || walker_->handled_.count(modal)) return;
        timer_.stop();
        walker_->Handle(modal);
        timer_.start();
      });
      timer_.start(5);
    }

   private:
    TClosingWalker* walker_;
    QTimer timer_;
  };

  static std::set<QWidget*> TopLevels() {
    std::set<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && !qobject_cast<QMenu*>(w) && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
        windows.insert(w);
    return windows;
  }

  static void CloseNewWindows(const std::set<QWidget*>& before) {
    for (int round = 0; round < 3; ++round) {
      std::vector<QPointer<QWidget>> fresh;
      for (QWidget* w : TopLevels())
        if (!before.count(w)) fresh.emplace_back(w);
      if (fresh.empty()) return;
      for (const QPointer<QWidget>& w : fresh)
        if (w) w->close();
      QApplication::processEvents();
    }
  }

  static std::string Key(QWidget* window, QAbstractButton* b) {
    return std::string(window->metaObject()->className()) + " / " + Plain(b->text());
  }

  void Handle(QWidget* modal) {
    QPointer<QWidget> w(modal);
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (qobject_cast<QProgressDialog*>(modal)) return;  // it closes itself
    if (qobject_cast<QFileDialog*>(modal) || qobject_cast<QPrintDialog*>(modal) ||
        qobject_cast<QColorDialog*>(modal) || qobject_cast<QInputDialog*>(modal) ||
        qobject_cast<QMessageBox*>(modal) || qobject_cast<QFontDialog*>(modal) || depth_ >= kDeepest ||
        ++times_[modal->metaObject()->className()] > kTimesEach) {
      // A dialog that comes again after OK (an entry refused, as the equation search's empty
      // one) is walked a few times, then cancelled.
      // Qt's own dialogs: a font dialog OK'd untouched is walked by the font dialogs' tests.
      if (dialog) dialog->reject();
      else modal->close();
      return;
    }
    handled_.insert(modal);
    ++depth_;
    ++dialogs_;
    seen_.insert(modal->metaObject()->className() + std::string(" \"") + modal->windowTitle().toStdString() + "\"");
    Watch nested(this);  // for the windows it opens
    QApplication::setActiveWindow(modal);
    QApplication::processEvents();
    if (w) OpenNestedWindows(w);
    if (w && closing_ == TClosing::kChangedBackOk) ChangeAndChangeBack(w);
    if (w) Close(w);
    --depth_;
    // Closed: a later dialog may be made at the same address.
    handled_.erase(modal);
  }

  // Clicks the buttons that open windows (all of them in the Cancel walk, which learns which
  // do); each window opened is walked, or closed when it is no dialog.
  void OpenNestedWindows(const QPointer<QWidget>& w) {
    std::vector<QPointer<QPushButton>> buttons;
    for (QPushButton* b : w->findChildren<QPushButton*>()) buttons.emplace_back(b);
    for (const QPointer<QPushButton>& b : buttons) {
      if (!w || !w->isVisible() || !b || !b->isVisible() || !b->isEnabled() || b->window() != w) continue;
      const std::string text = Plain(b->text());
      if (text.empty() || Closes(text) || StartsAFit(text) || b->menu()) continue;
      if (auto* box = qobject_cast<QDialogButtonBox*>(b->parentWidget())) {
        const QDialogButtonBox::ButtonRole role = box->buttonRole(b);
        if (role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::RejectRole) continue;
      }
      const std::string key = Key(w, b);
      if (closing_ != TClosing::kLearning && !openers_.count(key)) continue;
      const std::set<QWidget*> before = TopLevels();
      const int dialogsBefore = dialogs_;
      b->click();
      QApplication::processEvents();
      const std::set<QWidget*> after = TopLevels();
      const bool opened = dialogs_ != dialogsBefore ||
                          std::any_of(after.begin(), after.end(), [&](QWidget* t) { return !before.count(t); });
      if (opened && closing_ == TClosing::kLearning) openers_.insert(key);
      CloseNewWindows(before);
    }
  }

  // Each box, radio button, field, spin box and list is changed and changed back as a user
  // who thought better of it would.
  void ChangeAndChangeBack(const QPointer<QWidget>& w) {
    for (QCheckBox* c : w->findChildren<QCheckBox*>()) {
      if (!w || !Usable(w, c)) continue;
      c->click();
      if (c) c->click();
      ++changes_;
    }
    for (QRadioButton* r : w->findChildren<QRadioButton*>()) {
      if (!w || !Usable(w, r) || !r->isChecked()) continue;
      // Another button of its group: the radio buttons of its parent exclude one another.
      QRadioButton* other = nullptr;
      for (QRadioButton* o : r->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (o != r && Usable(w, o) && (r->group() == nullptr || o->group() == r->group())) {
          other = o;
          break;
        }
      if (!other) continue;
      QPointer<QRadioButton> back(r);
      other->click();
      QApplication::processEvents();
      if (back && back->isEnabled()) back->click();
      QApplication::processEvents();
      ++changes_;
    }
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) {
      if (!w || !Usable(w, e) || e->isReadOnly() || qobject_cast<TEditKey*>(e) ||
          qobject_cast<QAbstractSpinBox*>(e->parentWidget()) || qobject_cast<QComboBox*>(e->parentWidget()))
        continue;
      const QString original = e->text();
      e->setFocus();
      QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(e, original == "7" ? '8' : '7');
      QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
      if (original.isEmpty())
        QTest::keyClick(e, Qt::Key_Backspace);
      else
        e->insert(original);  // typed back (or pasted: it may hold what no key gives)
      EXPECT_EQ(e->text(), original) << e->objectName().toStdString() << " in " << w->windowTitle().toStdString();
      ++changes_;
    }
    for (QComboBox* c : w->findChildren<QComboBox*>()) {
      if (!w || !Usable(w, c) || c->count() < 2) continue;
      const int original = c->currentIndex();
      c->setCurrentIndex(original + 1 < c->count() ? original + 1 : original - 1);
      c->setCurrentIndex(original);
      ++changes_;
    }
    for (QAbstractSpinBox* s : w->findChildren<QAbstractSpinBox*>()) {
      if (!w || !Usable(w, s)) continue;
      s->stepUp();
      s->stepDown();
      ++changes_;
    }
    QApplication::processEvents();
  }

  static bool Usable(const QPointer<QWidget>& w, QWidget* c) {
    return c != nullptr && c->isVisible() && c->isEnabled() && c->window() == w;
  }

  void Close(const QPointer<QWidget>& w) {
    auto* dialog = qobject_cast<QDialog*>(w.data());
    if (closing_ == TClosing::kCancel || closing_ == TClosing::kLearning) {
      if (dialog) dialog->reject();
      else w->close();
    } else {
      QPushButton* ok = nullptr;
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->window() == w && b->isVisible() && b->isEnabled() && Plain(b->text()) == "OK") ok = b;
      if (auto* box = w->findChild<QDialogButtonBox*>(); !ok && box && box->button(QDialogButtonBox::Ok))
        ok = box->button(QDialogButtonBox::Ok);
      if (ok)
        ok->click();
      else if (dialog)
        dialog->accept();
      else
        w->close();
    }
    QApplication::processEvents();
    // A dialog that stays (a message answered, a value refused) goes with Cancel.
    if (w && w->isVisible()) {
      if (dialog) dialog->reject();
      else w->close();
      QApplication::processEvents();
    }
  }

  TClosing closing_;
  std::set<std::string>& openers_;
  std::set<QWidget*> handled_;
  std::map<std::string, int> times_;
  int depth_ = 0;
  int dialogs_ = 0;
  int changes_ = 0;
  std::set<std::string> seen_;
};

// The commands meant to change the data when their window is closed with OK.
bool ChangesData(int command) {
  return command == CmSmoothLoess || command == CmSmoothNurbs || command == CmFillSparseGrid ||
         command == CmUniformGrid;
}

TEST(EveryWindowUnchanged, CancelOkUntouchedAndChangedBackLeaveEverythingAsItWas) {
  TProgramUnderWalk program("ondravik_every_window_unchanged");
  // A user function, so that its session file has something to keep.
  fit_test::DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
  program.Window().HaveUdfs = 1;

  std::set<std::string> openers;
  std::set<std::string> seen;
  int dialogs = 0, changes = 0, runs = 0;
  // Each command is run four times: the learning walk first (its file, for a filtered import,
  // the one RunEveryCommand queues), then Cancel, OK untouched and OK after changes undone.
  const int commands = program.RunEveryCommand([](const std::function<void()>&) {}, [&](const CommandInfo& c) {
    for (const TClosing closing :
         {TClosing::kLearning, TClosing::kCancel, TClosing::kOkUntouched, TClosing::kChangedBackOk}) {
      TClosingWalker walker(closing, openers);
      const TProgramState before = StateOf(program);
      walker.Run([&] { program.Window().ExecuteCommand(c.id); });
      dialogs += walker.Dialogs();
      changes += walker.Changes();
      seen.insert(walker.Seen().begin(), walker.Seen().end());
      ++runs;
      const TProgramState after = StateOf(program);
      const bool changesData = closing != TClosing::kCancel && ChangesData(c.id);
      if (closing != TClosing::kLearning) {
        for (const std::string& d : Differences(before, after, changesData))
          ADD_FAILURE() << "command " << c.id << " \"" << c.text << "\" closed with " << Name(closing) << " changed " << d;
      }
      // The table and the fits as at the start for the next walk (a learning walk may have
      // toggled a point or refitted).
      if (after.table != program.TableAtStart() || after.fits != program.FitsAtStart() || !after.fitResultsValid)
        program.LoadTableAndFits();
    }
    EXPECT_EQ(ActiveDialog(), nullptr) << c.id;
  });
  EXPECT_GE(commands, 40);
  EXPECT_GT(dialogs, 3 * 40);
  EXPECT_GT(changes, 100);
  std::fprintf(stderr, "%d commands, %d runs, %d dialogs, %d changes undone, %zu buttons that open windows\n",
               commands, runs, dialogs, changes, openers.size());
  for (const std::string& s : seen) std::fprintf(stderr, "  %s\n", s.c_str());
}

}  // namespace
