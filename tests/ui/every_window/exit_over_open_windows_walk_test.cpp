// Exit over the windows that hold the user's edits: each is asked first, as its close box
// asks. The ASCII editor on the table: Cancel (or Escape) to "Update XYZ Data Table with
// Current Contents of Editor?" keeps the program running with the editor and its text; Yes
// puts the text in the table, which Exit then offers to save. An editor on another window's
// text with a change: its own question, and its Cancel keeps the program too.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "every_window_support.h"
#include "fit/session.h"
#include "support/table_bytes.h"
#include "tools/ui/ascii_editor.h"

namespace {

using namespace every_window;

// Answers the boxes whose text it was given, each answer once; every other box carefully.
class AnswersByText : public platform::MessageBoxService {
 public:
  explicit AnswersByText(CarefulAnswers& careful)
      : careful_(careful), previous_(platform::SetMessageBoxService(this)) {}
  ~AnswersByText() override { platform::SetMessageBoxService(previous_); }
  void Answer(const std::string& text, int button) { answers_[text].push_back(button); }
  int ShowBox(const platform::BoxRequest& request) override {
    texts.push_back(request.text);
    auto it = answers_.find(request.text);
    if (it == answers_.end() || it->second.empty()) return careful_.ShowBox(request);
    const int button = it->second.front();
    it->second.erase(it->second.begin());
    return button;
  }
  bool Asked(const std::string& text) const { return std::find(texts.begin(), texts.end(), text) != texts.end(); }
  std::vector<std::string> texts;

 private:
  CarefulAnswers& careful_;
  platform::MessageBoxService* previous_;
  std::map<std::string, std::vector<int>> answers_;
};

TAsciiEd* OpenEditor() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* e = qobject_cast<TAsciiEd*>(w); e && e->isVisible()) return e;
  return nullptr;
}

constexpr const char* kUpdate = "Update XYZ Data Table with Current Contents of Editor?";
constexpr const char* kSave = "Save Current Data?";

TEST(ExitOverOpenWindows, AWindowHoldingEditsIsAskedFirstAndItsCancelKeepsTheProgram) {
  TProgramUnderWalk program("ondravik_exit_over_windows");
  QVRK& window = program.Window();
  TSession& session = program.Session();
  AnswersByText answers(program.Answers());

  // The table in the ASCII editor, a row added.
  ASSERT_TRUE(window.ExecuteCommand(CmAsciiEditor));
  TAsciiEd* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->Edit()->moveCursor(QTextCursor::End);
  QTest::keyClick(editor->Edit(), Qt::Key_Return);
  QTest::keyClicks(editor->Edit(), "7 7 40");
  const std::string edited = editor->Edit()->Text();

  // Cancel (Escape answers the box so too): the program goes on, the editor and its text stay.
  for (int round = 0; round < 2; ++round) {
    answers.texts.clear();
    answers.Answer(kUpdate, platform::kIdCancel);
    EXPECT_FALSE(window.close()) << "the program ended over the editor's Cancel";
    EXPECT_TRUE(answers.Asked(kUpdate));
    EXPECT_FALSE(answers.Asked(kSave));
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Exiting.load(), 0);
    ASSERT_EQ(OpenEditor(), editor) << "the editor closed on Cancel";
    EXPECT_EQ(editor->Edit()->Text(), edited);
    EXPECT_EQ(TableBytes(session.Table), program.TableAtStart());
  }

  // Yes: the text goes to the table, which then needs saving: Exit asks, and the save the user
  // then cancels keeps the program running with the new row.
  answers.texts.clear();
  answers.Answer(kUpdate, platform::kIdYes);
  answers.Answer(kSave, platform::kIdYes);
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(answers.Asked(kUpdate));
  EXPECT_TRUE(answers.Asked(kSave)) << "the program took the editor's text without offering to save it";
  QApplication::processEvents();
  EXPECT_EQ(OpenEditor(), nullptr);
  EXPECT_EQ(session.Table.XYZRows(), 31);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(OpenDialogCount, 0);

  // An editor on another window's text (an equation list's), a change typed: its own question
  // about the change, and its Cancel keeps the program and the editor.
  program.LoadTableAndFits();
  ASSERT_TRUE(window.ExecuteCommand(CmPolynomialList));
  TScrWin* list = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<TScrWin*>(w); t && t->isVisible()) list = t;
  ASSERT_NE(list, nullptr);
  list->CmAsciiEditor();
  TAsciiEd* listEditor = OpenEditor();
  ASSERT_NE(listEditor, nullptr);
  QTest::keyClicks(listEditor->Edit(), "my note ");
  answers.texts.clear();
  answers.Answer("The Text Has Changed. Save Changes?", platform::kIdCancel);
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(answers.Asked("The Text Has Changed. Save Changes?"));
  QApplication::processEvents();
  EXPECT_EQ(OpenEditor(), listEditor);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Exiting.load(), 0);
  // No to it: the editor goes without its change, the list with it, and the program ends.
  answers.texts.clear();
  answers.Answer("The Text Has Changed. Save Changes?", platform::kIdNo);
  EXPECT_TRUE(window.close());
  EXPECT_EQ(Exiting.load(), 1);
}

}  // namespace
