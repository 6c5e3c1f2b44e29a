// Every dialog a command opens over the main window leaves the main window live for the
// commands that wait for no dialog: the equation lists (F2), help (F1), the bars and
// Background Thread Processing act there while the dialog is up, every other command is off
// meanwhile, and Exit asks before it closes the dialog. Taken on every road of the command
// table (the fits included) in the program as its entry point builds it; then Exit answered
// Yes over a dialog with a change in it, and a background fit type chosen over the review.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/shell_state.h"
#include "app/ui/dialog.h"
#include "app/ui/hover_tips.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "every_window_support.h"
#include "fit/background_fit.h"
#include "fit/session.h"
#include "fit/ui/background_fit_dialog.h"
#include "fit/ui/custom_set_dialog.h"
#include "review/ui/review_window.h"

namespace {

using namespace every_window;

// Roads not taken: they end the program, reset its settings, clear or replace the table
// without a dialog, need an extension library or user functions, or are what is tried.
const std::set<int> kNotTaken = {CmExit,          CmResetDefaults,         CmClearData,       CmClearInactive,
                                 CmImportClipboard, CmImportClipboardMatrix, CmAppendClipboard, CmAppendClipboardMatrix,
                                 CmApplyCalculation, CmCancelCalculation,    CmLastSessionUdfs, CmTestScattered,
                                 CmHelpContents,    CmHelpSearch,            CmHelpUsing,       CmToggleToolBar,
                                 CmToggleStatusBar, CmPolynomialList,        CmRationalList,    CmNonLinearList,
                                 CmSubsetList,      CmFitUserFunctions};
// Roads that go on to a dialog over the main window once a file is chosen: the imports (a
// column dialog, a filter, then the titles) and the appends.
const std::set<int> kFileFirst = {CmImport, CmImportFilter, CmAppend, CmAppendFilter};
// Dialogs accepted, once tried, so that the road goes on to the next one.
const std::set<std::string> kGoOn = {"TDlgVisSelXYZ", "TDlgSelXY", "TDlgDigitalFilter"};

bool WaitsForNoDialog(const CommandInfo& c) { return c.enabler == Enabler::Always || c.enabler == Enabler::T; }

// A key typed into the main window as the window system brings it: a window held by a modal
// one never gets it.
void TypeIntoMainWindow(QVRK& window, Qt::Key key) {
  // A dialog just shown may still be taking the activation the window system gave it.
  for (int i = 0; i < 100 && QApplication::activeWindow() != &window; ++i) {
    window.activateWindow();
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  QTest::keyClick(window.windowHandle(), key);
  QApplication::processEvents();
}

std::set<QWidget*> VisibleTopLevels() {
  std::set<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) shown.insert(w);
  return shown;
}

// What one dialog beside the main window lets the user do there; a failure names the dialog.
void TryTheMainWindowBeside(TProgramUnderWalk& program, QWidget* dialog, const std::string& name) {
  QVRK& window = program.Window();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << name << " holds the main window modally";
  EXPECT_EQ(DialogBesideMainWindow(), dialog) << name;
  EXPECT_GT(OpenDialogCount, 0) << name;
  // Every command that looks at the count is off; those that wait for no dialog stay on.
  for (const CommandInfo& c : CommandTable()) {
    if (c.id == CmBackgroundLight || !HasCommandHandler(c.id)) continue;
    EXPECT_EQ(window.Action(c.id)->isEnabled(), WaitsForNoDialog(c)) << name << ": command " << c.id << " " << c.text;
  }

  // F2: the polynomial list opens over the main window, and closes again.
  std::set<QWidget*> before = VisibleTopLevels();
  TypeIntoMainWindow(window, Qt::Key_F2);
  TScrWin* list = nullptr;
  for (QWidget* w : VisibleTopLevels())
    if (auto* text = qobject_cast<TScrWin*>(w); text != nullptr && !before.count(w)) list = text;
  EXPECT_NE(list, nullptr) << name << ": F2 on the main window opened no equation list";
  if (list != nullptr) {
    EXPECT_TRUE(list->windowTitle().contains("Polynomial")) << name;
    list->close();
    QApplication::processEvents();
  }

  // F1: help answers (there is none to show, and it says so).
  const int boxes = program.Answers().Shown();
  TypeIntoMainWindow(window, Qt::Key_F1);
  EXPECT_EQ(program.Answers().Shown(), boxes + 1) << name << ": F1 on the main window showed nothing";
  EXPECT_NE(program.Answers().LastText().find("No help is installed"), std::string::npos) << name;

  // The bars come and go.
  window.Action(CmToggleToolBar)->trigger();
  EXPECT_FALSE(window.FirstBar()->isVisible()) << name;
  window.Action(CmToggleToolBar)->trigger();
  EXPECT_TRUE(window.FirstBar()->isVisible()) << name;

  // Exit asks first; No keeps the program and the dialog as they were.
  const int asked = program.Answers().Shown();
  EXPECT_FALSE(window.close()) << name;
  EXPECT_EQ(program.Answers().Shown(), asked + 1) << name;
  EXPECT_NE(program.Answers().LastText().find("is still open"), std::string::npos) << name << ": "
                                                                                    << program.Answers().LastText();
  EXPECT_TRUE(dialog->isVisible()) << name;
  EXPECT_TRUE(window.isVisible()) << name;
  EXPECT_EQ(Exiting.load(), 0) << name;
}

TEST(EveryDialogBesideTheMainWindow, LeavesItsCommandsThatWaitForNoDialogLiveAndAsksBeforeExit) {
  TProgramUnderWalk program("ondravik_beside_main_window");
  QVRK& window = program.Window();
  std::map<std::string, int> classes;
  int roads = 0, commands = 0;
  // Four columns under a title line: the import asks for the columns, then the titles.
  const std::string data = program.Home().Write("points.txt", "Walk\nX Y Z W\n1 1 6 1\n2 1 8 1\n3 1 10 1\n"
                                                              "1 2 9 1\n2 2 11 1\n3 2 13 1\n1 3 12 1\n3 3 16 1\n");
  for (const CommandInfo& c : CommandTable()) {
    if (c.menu < 0 || kNotTaken.count(c.id)) continue;
    program.LoadTableAndFitsIfChanged();
    if (kFileFirst.count(c.id)) program.Files().Answer(data);
    if (!window.IsCommandEnabled(c.id)) {
      ADD_FAILURE() << "command " << c.id << " \"" << c.text << "\" is not enabled";
      continue;
    }
    ++commands;
    // The first dialog over the main window is tried; every dialog is then closed as its
    // close box closes it (Cancel), boxes answered carefully, file dialogs cancelled.
    std::set<QWidget*> tried;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
      }
      QWidget* dialog = ActiveDialog();
      if (dialog == nullptr || !dialog->isVisible()) return;
      watch.stop();
      if (dialog->parentWidget() == &window && !tried.count(dialog)) {
        tried.insert(dialog);
        const std::string name = std::string(dialog->metaObject()->className()) + " (command " +
                                 std::to_string(c.id) + " " + Plain(c.text) + ")";
        ++roads;
        ++classes[dialog->metaObject()->className()];
        TryTheMainWindowBeside(program, dialog, name);
        if (kGoOn.count(dialog->metaObject()->className())) {
          if (auto* d = qobject_cast<QDialog*>(dialog)) d->accept();
          watch.start();
          return;
        }
      }
      dialog->close();
      watch.start();
    });
    watch.start(5);
    const std::set<QWidget*> before = VisibleTopLevels();
    window.ExecuteCommand(c.id);
    QApplication::processEvents();
    watch.stop();
    // A window the command left open beside the main window (the ASCII editor, a file
    // viewer) waits on it already; it is closed for the next road.
    for (QWidget* w : VisibleTopLevels())
      if (!before.count(w) && w != &window && w->objectName() != "TDlgStat") w->close();
    QApplication::processEvents();
    EXPECT_EQ(DialogBesideMainWindow(), nullptr) << c.id;
    EXPECT_EQ(OpenDialogCount, 0) << c.id;
    EXPECT_TRUE(window.isVisible()) << c.id;
  }
  std::fprintf(stderr, "%d commands, %d roads to a dialog over the main window, %zu classes\n", commands, roads,
               classes.size());
  for (const auto& [name, count] : classes) std::fprintf(stderr, "  %s (%d)\n", name.c_str(), count);
  EXPECT_GE(roads, 37);
  EXPECT_GE(classes.size(), 23u);
}

// Answers Yes to Exit's question about the open dialog, and carefully otherwise.
class ExitYes : public platform::MessageBoxService {
 public:
  explicit ExitYes(CarefulAnswers& careful) : careful_(careful), previous_(platform::SetMessageBoxService(this)) {}
  ~ExitYes() override { platform::SetMessageBoxService(previous_); }
  int ShowBox(const platform::BoxRequest& request) override {
    texts.push_back(request.text);
    if (request.text.find("is still open") != std::string::npos) return platform::kIdYes;
    return careful_.ShowBox(request);
  }
  std::vector<std::string> texts;

 private:
  CarefulAnswers& careful_;
  platform::MessageBoxService* previous_;
};

TEST(EveryDialogBesideTheMainWindow, ExitAnsweredYesClosesTheDialogAsItsCancelAndThenEnds) {
  TProgramUnderWalk program("ondravik_beside_main_exit");
  QVRK& window = program.Window();
  TSession& session = program.Session();
  const TFitSelection selection = session.FitSelection;
  ExitYes answers(program.Answers());
  bool changed = false;
  ModalAnswer<TDlgCF> customSet([&](TDlgCF* d) {
    // A change the user made in the dialog: the exit closes it as Cancel does.
    for (QCheckBox* box : d->findChildren<QCheckBox*>())
      if (box->isEnabled() && box->isVisible()) {
        box->click();
        changed = true;
        break;
      }
    EXPECT_FALSE(window.close());  // the dialog goes first
  });
  window.ExecuteCommand(CmEditCustomSet);
  EXPECT_EQ(customSet.Seen(), 1);
  EXPECT_TRUE(changed);
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return !window.isVisible(); })) << "the program went on after the dialog closed";
  EXPECT_TRUE(session.FitSelection == selection) << "the dialog's change was kept";
  EXPECT_EQ(Exiting.load(), 1);
  EXPECT_EQ(OpenDialogCount, 0);
}

TEST(EveryDialogBesideTheMainWindow, ABackgroundFitTypeChosenOverTheReviewWaitsForIt) {
  TProgramUnderWalk program("ondravik_beside_main_background");
  QVRK& window = program.Window();
  TSession& session = program.Session();
  ASSERT_GT(session.FitCount, 0);
  int reviews = 0;
  ModalAnswer<TRView> review([&](TRView* r) {
    ++reviews;
    ModalAnswer<TBgProc> background([](TBgProc* d) {
      d->Radio(106)->click();  // Polynomial Equations
      d->accept();
    });
    EXPECT_TRUE(window.ExecuteCommand(CmBackgroundFit));
    EXPECT_EQ(background.Seen(), 1);
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    // The review goes on showing the fits it opened on.
    EXPECT_EQ(Fits(session), program.FitsAtStart());
    EXPECT_EQ(session.FitResultsValid, 1);
    EXPECT_EQ(BgFitState.load(), 0);
    r->close();
  });
  window.ExecuteCommand(CmReviewGraph);
  EXPECT_EQ(reviews, 1);
  EXPECT_EQ(BackgroundFitType(), 5);
  // Once the review has closed the new type fits: polynomial equations only.
  EXPECT_TRUE(PumpUntil([&] { return BgFitDone == 1 && BgFitState == 0; }));
  EXPECT_NE(Fits(session), program.FitsAtStart());
  EXPECT_GT(session.FitCount, 0);
  SetBackgroundFitChoice(0, 0);
  StopBackgroundFit();
}

}  // namespace
