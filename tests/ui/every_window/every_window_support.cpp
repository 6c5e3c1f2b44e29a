#include "app/ui/dialog.h"
#include "every_window_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/data_saved_mark.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_line.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "app/ui/small_controls.h"
#include "fit/background_fit.h"
#include "fit/session.h"
#include "platform/qt/qt_services.h"
#include "program_registrations.h"
#include "review/review_fit_fixture.h"
#include "support/table_bytes.h"
#include "tools/ui/grid_editor.h"

namespace every_window {

namespace fs = std::filesystem;

const std::set<int> kNotWalked = {
    CmImportClipboard,    CmImportClipboardMatrix, CmAppendClipboard,   CmAppendClipboardMatrix,
    CmResetDefaults,      CmExit,                  CmClearInactive,     CmClearData,
    CmApplyCalculation,   CmCancelCalculation,     CmFitAll,            CmFitLinear,
    CmFitSimple,          CmFitRobustPlane,        CmFitPolynomial,     CmFitRational,
    CmFitPolyRational,    CmFitPeak,               CmFitTransition,     CmFitCustomSet,
    CmFitUserFunctions,   CmLastSessionUdfs,       CmTestScattered,
};

std::string Plain(const QString& text) {
  QString t = text;
  t.remove('&');
  t = t.section('\t', 0, 0).trimmed();
  while (t.endsWith('.')) t.chop(1);
  return t.toStdString();
}

void WaitUntilInSight(QWidget* w) {
  if (!w->isVisible()) return;
  (void)QTest::qWaitForWindowExposed(w, 10000);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool Closes(const std::string& text) {
  static const std::set<std::string> closing = {"OK", "Cancel", "Close", "Done", "Exit", "Quit", "Accept",
                                                "Close Window", "Return"};
  return closing.count(text) > 0;
}

bool StartsAFit(const std::string& text) { return text == "Fit" || text == "Fit UDFs"; }

CarefulAnswers::CarefulAnswers() : previous_(platform::SetMessageBoxService(this)) {}
CarefulAnswers::~CarefulAnswers() { platform::SetMessageBoxService(previous_); }

int CarefulAnswers::ShowBox(const platform::BoxRequest& request) {
  ++shown_;
  lastText_ = request.text;
  if (next_ != 0) return std::exchange(next_, 0);
  if (request.text == "Abandon Changes?") return platform::kIdYes;
  switch (request.kind) {
    case platform::BoxKind::YesNo: return platform::kIdNo;
    case platform::BoxKind::YesNoCancel: return platform::kIdCancel;
    default: return platform::kIdOk;
  }
}

std::vector<std::pair<int, long double>> Fits(const TFitSession& session) {
  std::vector<std::pair<int, long double>> fits;
  for (int i = 1; i <= session.FitList.Count(); ++i)
    if (const TFitResult* f = session.FitList.At(i)) fits.emplace_back(f->equationNumber, f->r2);
  std::sort(fits.begin(), fits.end());
  return fits;
}

namespace {

// z = 1 + 2x + 3y + small errors on a 6 by 5 grid.
PointTable ThirtyPoints() {
  using namespace fit_test;
  int k = 0;
  return GridTable(Axis(1, 1, 6), Axis(1, 1, 5), [&](long double x, long double y) {
    return 1 + 2 * x + 3 * y + 0.05L * ((k++ * 7) % 5 - 2);
  });
}

// The session lives to the end of the process: the hooks registered for it hold it.
TSession& ProgramSession() {
  static TSession& session = *new TSession;
  return session;
}

}  // namespace

TProgramUnderWalk::TProgramUnderWalk(const char* scratchPrefix, TableMaker table)
    : home_(scratchPrefix), workingDir_(fs::current_path()), session_(ProgramSession()), tableMaker_(std::move(table)) {
  fs::current_path(home_.Path());  // whatever a window writes beside itself lands here
  setenv("ONDRAVIK_HOME", home_.Path().c_str(), 1);
  CurrentSettings() = DefaultSettings(1280, 1024);
  ScreenWidth = 1280;
  ScreenHeight = 1024;

  // The program's registrations, as its entry point makes them.
  RegisterProgram(session_);
  platform::qt::InstallQtServices();
  answers_ = std::make_unique<CarefulAnswers>();
  files_ = std::make_unique<platform::ScriptedFiles>();  // every file dialog is cancelled
  SecondInstance = 1;  // never writes the settings
  OpenDialogCount = 0;
  Exiting = 0;
  ApplyCommandLine({});
  window_ = std::make_unique<QVRK>(session_);
  window_->SetupWindow();
  QApplication::processEvents();
  // No background fit: its results would replace the fits under the walk.
  SetBackgroundFitChoice(0, 0);

  LoadTableAndFits();
  filterFile_ = home_.Write("filtered.txt", "1 1 1\n2 1 2\n1 2 3\n2 2 5\n3 3 7\n");
  table_ = TableBytes(session_.Table);
  fits_ = Fits(session_);
}

TProgramUnderWalk::~TProgramUnderWalk() {
  window_.reset();
  for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
  ForgetShellSteps();
  files_.reset();
  answers_.reset();
  platform::qt::UninstallQtServices();
  fs::current_path(workingDir_);
}

void TProgramUnderWalk::LoadTableAndFits() {
  const PointTable table = tableMaker_ ? tableMaker_() : ThirtyPoints();
  review_test::FitInto(session_, table, fit_test::LinearSelection(9, 1, 0));
  ASSERT_EQ(session_.Table.XYZRows(), static_cast<int>(table.size()) - 1);
  ASSERT_GE(session_.FitList.Count(), 3);
  window_->HaveData = 1;
  window_->HaveFits = 1;
  MarkDataSaved(session_);  // the table stands for a file read
}

void TProgramUnderWalk::LoadTableAndFitsIfChanged() {
  if (TableBytes(session_.Table) != table_ || Fits(session_) != fits_ || session_.FitResultsValid != 1 ||
      window_->HaveFits != 1)
    LoadTableAndFits();
}

int TProgramUnderWalk::RunEveryCommand(const std::function<void(const std::function<void()>& open)>& run,
                                       const std::function<void(const CommandInfo&)>& after) {
  int commands = 0;
  for (const CommandInfo& c : CommandTable()) {
    if (c.menu < 0 || kNotWalked.count(c.id)) continue;
    if (!window_->IsCommandEnabled(c.id)) {
      ADD_FAILURE() << "command " << c.id << " \"" << c.text << "\" is not enabled";
      continue;
    }
    // The filtered imports ask for their filter once a file is chosen: a file of the scratch
    // folder, left unread when the filter dialog is cancelled.
    if (c.id == CmImportFilter || c.id == CmAppendFilter) files_->Answer(filterFile_);
    const auto start = Clock::now();
    run([&] { window_->ExecuteCommand(c.id); });
    ++commands;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::fprintf(stderr, "command %d %s: %lld ms\n", c.id, Plain(c.text).c_str(), static_cast<long long>(ms));
    after(c);
  }
  return commands;
}

// Watches for a modal window that nobody walks yet; one watch per level, since a timer is
// not fired again while its own slot runs.
class Walker::Watch {
 public:
  explicit Watch(Walker* walker) : walker_(walker) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      // A popup menu is closed as a user who changed their mind closes it.
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
      }
      QWidget* modal = ActiveDialog();
      if (!modal || walker_->Walking(modal)) return;
      timer_.stop();
      walker_->Walk(modal);
      timer_.start();
    });
    timer_.start(5);
  }

 private:
  Walker* walker_;
  QTimer timer_;
};

Walker::Walker(Clock::time_point deadline, WindowHook hook) : deadline_(deadline), hook_(std::move(hook)) {}

void Walker::Run(const std::function<void()>& open) {
  const std::set<QWidget*> before = TopLevels();
  {
    Watch watch(this);
    open();
    QApplication::processEvents();
  }
  WalkNewWindows(before);
}

int Walker::IntegerEdits(const std::string& window) const {
  const auto it = integerEdits_.find(window);
  return it == integerEdits_.end() ? 0 : it->second;
}

bool Walker::Walking(QWidget* w) const {
  return std::any_of(stack_.begin(), stack_.end(), [w](const QPointer<QWidget>& p) { return p == w; });
}

std::set<QWidget*> Walker::TopLevels() {
  std::set<QWidget*> windows;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) windows.insert(w);
  return windows;
}

// Walks (and closes) each visible window that was not there before.
void Walker::WalkNewWindows(const std::set<QWidget*>& before) {
  for (int round = 0; round < 4; ++round) {
    std::vector<QPointer<QWidget>> fresh;
    for (QWidget* w : TopLevels())
      if (!before.count(w) && !Walking(w) && !qobject_cast<QMenu*>(w) && w->windowType() != Qt::ToolTip &&
          w->windowType() != Qt::Popup)
        fresh.emplace_back(w);
    if (fresh.empty()) return;
    for (const QPointer<QWidget>& w : fresh)
      if (w && w->isVisible()) Walk(w);
  }
}

bool Walker::QtOwnDialog(QWidget* w) {
  return qobject_cast<QFileDialog*>(w) || qobject_cast<QPrintDialog*>(w) || qobject_cast<QFontDialog*>(w) ||
         qobject_cast<QColorDialog*>(w) || qobject_cast<QMessageBox*>(w) || qobject_cast<QInputDialog*>(w) ||
         qobject_cast<QProgressDialog*>(w);
}

void Walker::Walk(QWidget* window) {
  QPointer<QWidget> w(window);
  if (QtOwnDialog(window) || stack_.size() >= kDeepest || TimedOut()) {
    Close(w);
    return;
  }
  stack_.emplace_back(window);
  ++windows_;
  std::fprintf(stderr, "%*swalk %s \"%s\"\n", static_cast<int>(2 * stack_.size()), "",
               window->metaObject()->className(), window->windowTitle().toUtf8().constData());
  seen_.insert(window->metaObject()->className() + std::string(" \"") + window->windowTitle().toStdString() + "\"");
  Watch watch(this);
  QApplication::setActiveWindow(window);
  QApplication::processEvents();
  // Walked once it stands in sight, as a user walks it: a window that comes up after work
  // takes no press that began before it appeared.
  if (w) WaitUntilInSight(w);
  if (w && opened_) opened_(w);
  if (w) ClickCells(w);
  if (w) ClickMenus(w);
  if (w) ClickButtons(w);
  if (w) ClickLists(w);
  if (w) PickCombos(w);
  if (w) TypeOverEdits(w);
  if (w && w->isVisible() && hook_ && !TimedOut()) hook_(w);
  Close(w);
  stack_.pop_back();
}

void Walker::Act(const QPointer<QWidget>& w, const std::function<void()>& act) {
  if (!w || !w->isVisible() || TimedOut()) return;
  const std::set<QWidget*> before = TopLevels();
  acting_.emplace_back(w);
  act();
  QApplication::processEvents();
  acting_.pop_back();
  if (w && w->isVisible() && acted_) acted_(w);
  WalkNewWindows(before);
}

void Walker::ClickMenus(const QPointer<QWidget>& w) {
  std::vector<QPointer<QAction>> actions;
  std::function<void(QMenu*)> collect = [&](QMenu* menu) {
    for (QAction* a : menu->actions()) {
      if (a->menu())
        collect(a->menu());
      else if (!a->isSeparator())
        actions.emplace_back(a);
    }
  };
  for (QMenuBar* bar : w->findChildren<QMenuBar*>())
    for (QAction* a : bar->actions())
      if (a->menu()) collect(a->menu());
  // Tool bars and buttons with a menu: their actions, each once.
  for (QToolBar* bar : w->findChildren<QToolBar*>())
    for (QAction* a : bar->actions())
      if (!a->isSeparator() && !a->menu()) actions.emplace_back(a);
  for (QPushButton* b : w->findChildren<QPushButton*>())
    if (b->menu()) collect(b->menu());
  std::set<QAction*> triggered;
  for (const QPointer<QAction>& a : actions) {
    if (!a || !a->isEnabled() || Closes(Plain(a->text())) || !triggered.insert(a.data()).second) continue;
    if (qobject_cast<QWidgetAction*>(a.data())) continue;
    ++clicks_;
    Act(w, [&] { a->trigger(); });
  }
}

void Walker::ClickButtons(const QPointer<QWidget>& w) {
  std::vector<QPointer<QAbstractButton>> buttons;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) buttons.emplace_back(b);
  for (const QPointer<QAbstractButton>& b : buttons) {
    if (!b || !b->isEnabled() || b->window() != w) continue;
    if (Closes(Plain(b->text())) || StartsAFit(Plain(b->text())) || (skipped_ && skipped_(b))) continue;
    // A tool bar's buttons stand for its actions, walked with the menus; a button with a
    // menu is walked through its menu's actions.
    if (auto* tool = qobject_cast<QToolButton*>(b.data()); tool && (tool->defaultAction() || tool->menu())) continue;
    if (qobject_cast<QToolBar*>(b->parentWidget())) continue;
    if (auto* push = qobject_cast<QPushButton*>(b.data()); push && push->menu()) continue;
    if (auto* box = qobject_cast<QDialogButtonBox*>(b->parentWidget())) {
      const QDialogButtonBox::ButtonRole role = box->buttonRole(b);
      if (role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::RejectRole) continue;
    }
    ++clicks_;
    const std::set<QLineEdit*> open = OpenEdits(w);
    Act(w, [&] {
      auto* push = qobject_cast<QPushButton*>(b.data());
      if (push && push->isVisible() && qobject_cast<QDialog*>(w.data()) && (push->focusPolicy() & Qt::TabFocus)) {
        // A dialog's push button is pressed from the keyboard: moved to (as an Alt+letter
        // several controls share moves there), then Enter. It is this button that must act,
        // not the default one.
        const std::string name = std::string(w->metaObject()->className()) + " / " + Plain(push->text());
        QSignalSpy pressed(push, &QAbstractButton::clicked);
        // The focus moves within the active window only.
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w);
        push->clearFocus();  // a button that had the focus since the window opened is moved to as well
        push->setFocus(Qt::ShortcutFocusReason);
        QTest::keyClick(push, Qt::Key_Return);
        if (pressed.count() != 1) ADD_FAILURE() << name << ": Enter on the button that has the focus did not press it";
      } else if (b->isVisible()) {
        QTest::mouseClick(b, Qt::LeftButton);
      } else {
        b->click();
      }
    });
    // Fields the click opened (a switch from automatic to typed values) are typed over now.
    if (w && w->isVisible()) TypeOverEdits(w, open);
  }
}

// Every visible cell of the grid editor: the clicked cell becomes the current one, and a
// digit typed over it replaces its text.
void Walker::ClickCells(const QPointer<QWidget>& w) {
  auto* editor = qobject_cast<TEditor*>(w.data());
  if (!editor) return;
  for (int line = 0; line < TGridEditor::kLines; ++line)
    for (int column = 0; column < 4; ++column) {
      if (!w || !w->isVisible()) return;
      TEditKey* cell = editor->Cell(line, column);
      if (!cell->isVisible() || !cell->isEnabled()) continue;
      ++cells_;
      Act(w, [&] { QTest::mouseClick(cell, Qt::LeftButton); });
      if (!w) return;
      EXPECT_EQ(editor->CurrentCell(), cell) << "line " << line << " column " << column;
      if (editor->CurrentCell() != cell) continue;
      EXPECT_EQ(editor->Model().PageRow(), line);
      QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(cell, '4');
      EXPECT_EQ(cell->text(), "4") << "line " << line << " column " << column;
    }
}

void Walker::ClickLists(const QPointer<QWidget>& w) {
  for (QListWidget* list : w->findChildren<QListWidget*>()) {
    QPointer<QListWidget> l(list);
    for (int row = 0; row < 25; ++row) {
      if (!l || !l->isVisible() || !l->isEnabled() || row >= l->count()) break;
      const QRect r = l->visualItemRect(l->item(row));
      if (!l->viewport()->rect().contains(r.center())) break;
      ++clicks_;
      Act(w, [&] { QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center()); });
    }
  }
}

void Walker::PickCombos(const QPointer<QWidget>& w) {
  for (QComboBox* combo : w->findChildren<QComboBox*>()) {
    QPointer<QComboBox> c(combo);
    for (int i = 0; i < 12; ++i) {
      if (!c || !c->isVisible() || !c->isEnabled() || i + 1 >= c->count()) break;
      ++clicks_;
      Act(w, [&] { QTest::keyClick(c, Qt::Key_Down); });
    }
  }
}

std::set<QLineEdit*> Walker::OpenEdits(const QPointer<QWidget>& w) {
  std::set<QLineEdit*> edits;
  if (!w) return edits;
  for (QLineEdit* e : w->findChildren<QLineEdit*>())
    if (!qobject_cast<TEditKey*>(e) && !qobject_cast<QAbstractSpinBox*>(e->parentWidget()) &&
        !qobject_cast<QComboBox*>(e->parentWidget()) && e->isVisible() && e->isEnabled() && !e->isReadOnly())
      edits.insert(e);
  return edits;
}

// A digit over each selected edit but those in `skip` (the ones already open before a
// click): the text then reads that digit. An integer field takes a digit inside its range.
void Walker::TypeOverEdits(const QPointer<QWidget>& w, const std::set<QLineEdit*>& skip) {
  std::vector<QPointer<QLineEdit>> edits;
  for (QLineEdit* e : OpenEdits(w))
    if (!skip.count(e)) edits.emplace_back(e);
  for (const QPointer<QLineEdit>& e : edits) {
    if (!w || !w->isVisible() || !e || !e->isVisible() || !e->isEnabled() || e->isReadOnly()) {
      continue;
    }
    char digit = '4';
    if (auto* range = qobject_cast<TEditInt*>(e.data())) {
      digit = 0;
      for (char d : {'4', '5', '6', '3', '7', '8', '9', '2', '1', '0'})
        if (d - '0' >= range->Minimum() && d - '0' <= range->Maximum()) {
          digit = d;
          break;
        }
      if (!digit) continue;
    }
    ++edits_;
    if (qobject_cast<TEditInt*>(e.data())) ++integerEdits_[w->metaObject()->className()];
    Act(w, [&] {
      e->setFocus();
      QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(e, digit);
    });
    if (e && qobject_cast<TEditInt*>(e.data())) {
      EXPECT_EQ(e->text(), QString(QChar(digit))) << e->objectName().toStdString() << " in "
                                                   << (w ? w->windowTitle().toStdString() : "");
    }
  }
}

void Walker::Close(const QPointer<QWidget>& w) {
  if (!w) return;
  if (auto* dialog = qobject_cast<QDialog*>(w.data())) {
    if (dialog->isVisible()) dialog->reject();
  }
  if (w && w->isVisible()) w->close();
  QApplication::processEvents();
}

}  // namespace every_window
