// Whatever a window asks opens in front of that window: a dialog, a message box, a file
// dialog, a busy or progress window opened by a click, a key or a menu command in a window
// other than the main window is owned by that window (or by one opened over it), never by the
// main window or by nobody. A window manager keeps a window above its owner only: the column
// dialog the review's Evaluate window asked for, owned by the main window, opened under
// Evaluate, could not be brought in front, and the review's panes sank meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "every_window_support.h"
#include "exchange/ui/column_dialogs.h"
#include "review/ui/review_window.h"
#include "tools/ui/ascii_editor.h"
#include "tools/ui/evaluation_dialog.h"
#include "tools/ui/generation_dialogs.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

using namespace every_window;
using platform::qt::FromWindow;

std::string Name(const QWidget* w) {
  if (w == nullptr) return "nobody";
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

// Whether `owner` is `asker`, or a window opened over it (its owners lead to it).
bool OwnedBy(const QWidget* owner, const QWidget* asker) {
  for (const QWidget* w = owner; w != nullptr; w = w->window()->parentWidget())
    if (w->window() == asker) return true;
  return false;
}

// Who asked for what, and whose the window was. Files asked for by a window other than the
// main window are answered, so that the roads past them are taken: an empty file to open (its
// refusal told), a file to save under a name that is no folder (its failure told).
class TAskedWindows : public QObject, public platform::MessageBoxService, public platform::FileDialogService {
 public:
  TAskedWindows(std::function<QWidget*()> asker, const QWidget* main, const ScratchDir& scratch)
      : asker_(std::move(asker)),
        main_(main),
        scratch_(scratch),
        boxes_(platform::SetMessageBoxService(this)),
        files_(platform::SetFileDialogService(this)) {
    qApp->installEventFilter(this);
  }
  ~TAskedWindows() override {
    qApp->removeEventFilter(this);
    platform::SetFileDialogService(files_);
    platform::SetMessageBoxService(boxes_);
  }
  TAskedWindows(const TAskedWindows&) = delete;
  TAskedWindows& operator=(const TAskedWindows&) = delete;

  // The next open dialog asked for by a window other than the main window takes this file.
  void OpenNext(std::string path) { next_ = std::move(path); }

  int ShowBox(const platform::BoxRequest& request) override {
    Judge("the box \"" + request.caption + ": " + request.text.substr(0, 60) + "\"", FromWindow(request.owner));
    return boxes_->ShowBox(request);
  }
  std::optional<platform::FileChoice> ChooseFile(const platform::FileDialogRequest& request) override {
    if (!Judge(std::string(request.save ? "the save dialog \"" : "the open dialog \"") + request.title + "\"",
               FromWindow(request.owner)))
      return files_->ChooseFile(request);
    const std::string ext = request.defaultExt.empty() ? "txt" : request.defaultExt;
    // A save that failed asks again: the second time the user gives up.
    const std::string asked = request.title + (request.save ? " save" : " open");
    if (std::exchange(lastAsked_, asked) == asked) return std::nullopt;
    if (request.save) return platform::FileChoice{scratch_.Write("a-file", "") + "/file." + ext, 0};
    if (!next_.empty()) return platform::FileChoice{std::exchange(next_, {}), 0};
    return platform::FileChoice{scratch_.Write("empty." + ext, ""), 0};
  }

  int Judged() const { return judged_; }
  const std::map<std::string, int>& Wrong() const { return wrong_; }
  const std::map<std::string, int>& Right() const { return right_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (!w->isWindow() || qobject_cast<QMenu*>(w) || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
      return false;
    // What asks: a modal window, or the busy window that tells of work the asker waits for.
    // A modeless window opened beside (a text window, an editor) is kept in front of its
    // owner's windows by itself: the stacking tests watch those.
    if (w->windowModality() == Qt::NonModal && w->objectName() != "TBusyWindow")
      return false;
    const QWidget* parent = w->parentWidget();
    (void)Judge(Name(w), parent != nullptr ? parent->window() : nullptr, w);
    return false;
  }

 private:
  // True when a window other than the main window asked.
  bool Judge(const std::string& what, const QWidget* owner, const QWidget* shown = nullptr) {
    const QWidget* asker = asker_();
    // Asked by the main window's commands, or the asker itself shown again.
    if (asker == nullptr || asker == main_ || !asker->isVisible()) return false;
    if (shown == asker) return true;
    ++judged_;
    const std::string key = what + " asked by " + Name(asker);
    if (OwnedBy(owner, asker))
      ++right_[key];
    else
      ++wrong_[key + ", owned by " + Name(owner)];
    return true;
  }

  std::function<QWidget*()> asker_;
  const QWidget* main_;
  const ScratchDir& scratch_;
  platform::MessageBoxService* boxes_;
  platform::FileDialogService* files_;
  std::string next_;
  std::string lastAsked_;
  int judged_ = 0;
  std::map<std::string, int> wrong_, right_;
};

// Roads the walk does not take (it closes every window with Cancel), each driven to what the
// window asks for past an OK. `asker` is set to the window acted on.
void TakeRoadsPastOk(TProgramUnderWalk& program, TAskedWindows& asked, QWidget*& asker) {
  // The review's Eval, Generate Table read from a two-column file: the column dialog.
  const std::string columns = program.Home().Write("two-columns.prn", "1 2\n3 4\n5 6\n");
  int chosen = 0;
  ModalAnswer<TRView> review([&](TRView* w) {
    asker = w;
    w->Button(kReviewEvaluate)->click();
    asker = nullptr;
    w->reject();
  });
  ModalAnswer<TDlgEval> evaluate([&](TDlgEval* w) {
    asker = w;
    asked.OpenNext(columns);
    w->findChild<QPushButton*>("button569")->click();
    asker = nullptr;
    w->reject();
  });
  ModalAnswer<TGenASCII> generate([](TGenASCII* w) {
    w->Button(572)->click();
    w->Button(573)->click();
    w->accept();
  });
  ModalAnswer<TDlgSelXY> select([&](TDlgSelXY* w) {
    ++chosen;
    for (int which = 0; which < 2; ++which) {
      w->List()->setCurrentRow(which);
      w->findChild<QPushButton*>(QString::number(TDlgSelCol::kXButton + which))->click();
    }
    static_cast<QDialog*>(w)->accept();
    if (w->isVisible()) w->reject();
  });
  program.Window().ExecuteCommand(CmReviewGraph);
  EXPECT_EQ(evaluate.Seen(), 1);
  EXPECT_EQ(generate.Seen(), 1);
  EXPECT_EQ(chosen, 1) << "the column dialog did not come";

  // The ASCII editor handed text the table cannot take: it stays open, and says why.
  program.Window().ExecuteCommand(CmAsciiEditor);
  TAsciiEd* editor = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* e = qobject_cast<TAsciiEd*>(w); e && e->isVisible()) editor = e;
  ASSERT_NE(editor, nullptr);
  auto* text = editor->findChild<QPlainTextEdit*>();
  // The text typed over, then closed with Yes to "Update XYZ Data Table ...?".
  const auto handOver = [&](const char* typed) {
    text->selectAll();
    text->insertPlainText(typed);
    program.Answers().AnswerNext(platform::kIdYes);
    asker = editor;
    editor->close();
    asker = nullptr;
  };
  handOver("1 2 3\n");
  EXPECT_TRUE(editor->isVisible()) << "text of one point was taken";
  // Text it takes: the table is pre-scanned while the editor closes.
  handOver("1 1 1\n2 1 2\n1 2 3\n2 2 5\n3 3 7\n");
  QApplication::processEvents();
  EXPECT_EQ(program.Session().Table.XYZRows(), 5);
  program.LoadTableAndFits();
}

TEST(EveryWindowAsking, WhatAWindowAsksForOpensInFrontOfIt) {
  TProgramUnderWalk program("ondravik_asking_windows");
  Walker walker(Clock::now() + std::chrono::minutes(5));
  QWidget* roadAsker = nullptr;
  TAskedWindows asked([&] { return roadAsker != nullptr ? roadAsker : walker.Acting(); }, &program.Window(),
                      program.Home());
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                          [&](const CommandInfo&) { program.LoadTableAndFitsIfChanged(); });
  EXPECT_FALSE(walker.TimedOut());
  TakeRoadsPastOk(program, asked, roadAsker);
  for (const auto& [what, count] : asked.Wrong()) ADD_FAILURE() << what << " (" << count << " times)";
  EXPECT_GT(asked.Judged(), 100);
  std::fprintf(stderr, "%d windows, boxes and file dialogs asked for by a window other than the main window\n",
               asked.Judged());
  for (const auto& [what, count] : asked.Right()) std::fprintf(stderr, "  in front: %s (%d)\n", what.c_str(), count);
}

}  // namespace
