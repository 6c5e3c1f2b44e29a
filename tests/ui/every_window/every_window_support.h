// What the walks of every window share: the program as its entry point builds it, on a
// 30-point table with fits; a careful user's answers to message boxes; and the walker that
// opens, clicks, types over and closes every window a command reaches. Each walk of its own
// kind (its own TEST, in its own file) hooks into the walker to do its part in each window.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/xyz_point.h"
#include "app/ui/command_table.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

class QVRK;
struct TSession;
struct TFitSession;
class QAbstractButton;
class QLineEdit;
class QWidget;

namespace every_window {

using Clock = std::chrono::steady_clock;

// Commands left out, each for what it is for: they replace, clear or refit the data (the
// clipboard imports, clearing, the calculations applied, every fit), reset the settings,
// end the program, or need an extension library.
extern const std::set<int> kNotWalked;

// A button or menu text without its mnemonic marks and trailing dots.
std::string Plain(const QString& text);
// Controls that end the window they stand on: clicked by no one but the closing step.
bool Closes(const std::string& text);
// Controls that start a fit run, which replaces the fits (as they say), and whose progress
// dialog would only be cancelled: the fit commands are walked by the fit road's tests.
bool StartsAFit(const std::string& text);

// Waits until `w` stands in sight as a user sees it: on the screen, and the program caught up
// with its appearing (a window that opens after work takes no press made before that).
void WaitUntilInSight(QWidget* w);

// Boxes answered as a careful user answers them: a change made by the walk is abandoned, a
// question that would write, clear or apply something is answered No (or Cancel).
class CarefulAnswers : public platform::MessageBoxService {
 public:
  CarefulAnswers();
  ~CarefulAnswers() override;
  int ShowBox(const platform::BoxRequest& request) override;
  int Shown() const { return shown_; }
  // The next box is answered so, whatever it asks (a road that must go past it).
  void AnswerNext(int answer) { next_ = answer; }
  // The text of the last box answered.
  const std::string& LastText() const { return lastText_; }

 private:
  platform::MessageBoxService* previous_;
  int shown_ = 0;
  std::string lastText_;
  int next_ = 0;
};

// The fits as a sorted list of their numbers and r²: with the table's bytes, what a walk must
// leave as it found it.
std::vector<std::pair<int, long double>> Fits(const TFitSession& session);

// The program as its entry point builds it, in a scratch home of its own, with a 30-point
// table (z = 1 + 2x + 3y + small errors on a 6 by 5 grid) and a few fits, no background fit,
// every file dialog cancelled unless a walk answers it, every box answered carefully.
class TProgramUnderWalk {
 public:
  // The table of the walk, its header row 0 first.
  using TableMaker = std::function<PointTable()>;
  explicit TProgramUnderWalk(const char* scratchPrefix, TableMaker table = {});
  ~TProgramUnderWalk();
  TProgramUnderWalk(const TProgramUnderWalk&) = delete;
  TProgramUnderWalk& operator=(const TProgramUnderWalk&) = delete;

  TSession& Session() { return session_; }
  QVRK& Window() { return *window_; }
  const ScratchDir& Home() const { return home_; }
  platform::ScriptedFiles& Files() { return *files_; }
  CarefulAnswers& Answers() { return *answers_; }
  // The table's bytes and the fits as they were when the walk began.
  const std::vector<unsigned char>& TableAtStart() const { return table_; }
  const std::vector<std::pair<int, long double>>& FitsAtStart() const { return fits_; }
  // Loads the table (the 30 points unless the walk gave its own) and fits it again, as at
  // the start.
  void LoadTableAndFits();
  // The same when the table or the fits are no longer those of the start (a command meant to
  // change the data was carried out), so that the next command starts from them.
  void LoadTableAndFitsIfChanged();

  // Runs every command of the command table that a walk takes (not in kNotWalked) through
  // `run`, then `after` for it; a command that is not enabled is a failure. Answers the
  // number of commands run.
  int RunEveryCommand(const std::function<void(const std::function<void()>& open)>& run,
                      const std::function<void(const CommandInfo&)>& after);

 private:
  ScratchDir home_;
  std::filesystem::path workingDir_;
  TSession& session_;
  TableMaker tableMaker_;
  // Installed over the program's own services, and taken away before them.
  std::unique_ptr<CarefulAnswers> answers_;
  std::unique_ptr<platform::ScriptedFiles> files_;
  std::unique_ptr<QVRK> window_;
  std::string filterFile_;
  std::vector<unsigned char> table_;
  std::vector<std::pair<int, long double>> fits_;
};

// Walks windows: clicks, types and closes, and walks each window that opens on the way.
class Walker {
 public:
  // What a walk of its own does in each window it meets, after the clicks and before the
  // window is closed (the hook may close it itself).
  using WindowHook = std::function<void(const QPointer<QWidget>&)>;

  explicit Walker(Clock::time_point deadline, WindowHook hook = {});
  // What a walk of its own looks at in each window as it opens, before anything is clicked.
  void SetOpenedHook(WindowHook opened) { opened_ = std::move(opened); }
  // What a walk of its own looks at in a window after each action on it (a click, a menu
  // command, a pick), before the windows the action opened are walked.
  void SetActedHook(WindowHook acted) { acted_ = std::move(acted); }
  // Buttons a walk of its own leaves alone (those that would end the window it judges).
  void SetSkippedButtons(std::function<bool(const QAbstractButton*)> skipped) { skipped_ = std::move(skipped); }

  // Runs `open` (which may run a modal dialog) with a watch for the modal windows it opens,
  // then walks the modeless windows it left open.
  void Run(const std::function<void()>& open);
  // One user action on a window that is still open: the windows it opens are walked before
  // the next action.
  void Act(const QPointer<QWidget>& w, const std::function<void()>& act);

  bool TimedOut() const { return Clock::now() > deadline_; }
  // The window whose action (a click, a key, a menu command, a pick) is running now, the
  // innermost where a window opened by an action is acted on in turn; null between actions
  // (a command of the main window, the walk's own closing).
  QWidget* Acting() const { return acting_.empty() ? nullptr : acting_.back().data(); }
  int Windows() const { return windows_; }
  int Clicks() const { return clicks_; }
  int Cells() const { return cells_; }
  int Edits() const { return edits_; }
  const std::set<std::string>& Seen() const { return seen_; }
  // Integer fields typed over, by the class of their window.
  int IntegerEdits(const std::string& window) const;

  // The edits a user can type into now (not the grid editor's cells, nor the edits inside
  // spin boxes and combo boxes).
  static std::set<QLineEdit*> OpenEdits(const QPointer<QWidget>& w);
  static bool QtOwnDialog(QWidget* w);

 private:
  static constexpr int kDeepest = 4;  // windows opened from windows opened from ...
  class Watch;

  bool Walking(QWidget* w) const;
  static std::set<QWidget*> TopLevels();
  void WalkNewWindows(const std::set<QWidget*>& before);
  void Walk(QWidget* window);
  void ClickMenus(const QPointer<QWidget>& w);
  void ClickButtons(const QPointer<QWidget>& w);
  void ClickCells(const QPointer<QWidget>& w);
  void ClickLists(const QPointer<QWidget>& w);
  void PickCombos(const QPointer<QWidget>& w);
  void TypeOverEdits(const QPointer<QWidget>& w, const std::set<QLineEdit*>& skip = {});
  static void Close(const QPointer<QWidget>& w);

  Clock::time_point deadline_;
  WindowHook hook_;
  WindowHook opened_;
  WindowHook acted_;
  std::function<bool(const QAbstractButton*)> skipped_;
  std::vector<QPointer<QWidget>> stack_;
  std::vector<QPointer<QWidget>> acting_;
  int windows_ = 0;
  int clicks_ = 0;
  int cells_ = 0;
  int edits_ = 0;
  std::set<std::string> seen_;
  std::map<std::string, int> integerEdits_;
};

}  // namespace every_window
