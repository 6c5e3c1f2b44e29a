// The "View Function(X,Y)" dialog: only a valid entry reaches the caller, a failure keeps the
// dialog open with its place selected, Enter starts a line, and files of the wrong size are
// refused without touching the entry.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include <fstream>

#include "expr/expression.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/view_function_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "support/scratch_files.h"

namespace {

class ViewFunctionDialog : public ::testing::Test {
 protected:
  void SetUp() override { ExprStartUp(); }
  void TearDown() override { delete dialog_.data(); }

  TDlgVFXY* Open(const TViewFnRecord& start, const char* shot = nullptr) {
    record_ = start;
    dialog_ = new TDlgVFXY(nullptr, &record_, &ranges_);
    if (shot != nullptr) {
      ShowDialog(dialog_, shot);
    } else {
      dialog_->show();
      QApplication::processEvents();
    }
    return dialog_;
  }
  void Type(std::string_view text, const std::array<const char*, 4>& ranges = {"1", "10", "1", "10"}) {
    dialog_->TextEdit()->SetRecordText(text);
    for (int i = 0; i < 4; ++i) dialog_->RangeEdit(i)->setText(ranges[static_cast<std::size_t>(i)]);
  }
  QString Shown() const { return dialog_->TextEdit()->toPlainText(); }

  platform::ScriptedAnswers answers_;
  TViewFnRecord record_;
  TViewFnRanges ranges_;
  QPointer<TDlgVFXY> dialog_;
};

TEST_F(ViewFunctionDialog, ValidEntryReachesTheCallerWithItsRanges) {
  Open(ClearedViewFnRecord(), "view_function_dialog");
  Type("Z=X*Y", {"1", "10", "-2", "2*3"});
  dialog_->accept();
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_TRUE(answers_.Boxes().empty());
  EXPECT_EQ(record_.text, "Z=X*Y\r\n");
  EXPECT_EQ(record_.ranges[kMinY], "-2");
  EXPECT_EQ(ranges_.yMin, -2);
  EXPECT_EQ(ranges_.yMax, 6);
}

TEST_F(ViewFunctionDialog, FailureKeepsTheDialogOpenWithItsPlaceSelected) {
  const TViewFnRecord start = ClearedViewFnRecord();
  Open(start);
  Type("Z=X");
  dialog_->accept();
  ASSERT_EQ(answers_.Boxes().size(), 1u);
  EXPECT_EQ(answers_.Boxes()[0].text, "Parameter Y is Missing from Function");
  EXPECT_EQ(answers_.Boxes()[0].caption, "View Function(X,Y) Validation Error");
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(record_, start);

  // Two F1 lines: the second is where the caret goes.
  Type("F1=X\r\nF1=Y\r\nZ=F1*Y");
  dialog_->accept();
  ASSERT_EQ(answers_.Boxes().size(), 2u);
  EXPECT_EQ(answers_.Boxes()[1].text, "Function Can Contain Only One F1 Expression");
  EXPECT_EQ(dialog_->TextEdit()->textCursor().blockNumber(), 1);

  // A line without "=" is selected whole.
  Type("Z=X*Y\r\nB 2");
  dialog_->accept();
  EXPECT_EQ(dialog_->TextEdit()->textCursor().selectedText(), "B 2");

  // Equal X ends: the maximum X takes the focus.
  Type("Z=X*Y", {"5", "5", "1", "10"});
  dialog_->accept();
  ASSERT_EQ(answers_.Boxes().size(), 4u);
  EXPECT_EQ(answers_.Boxes()[3].text, "Maximum X Must Be Greater Than Minumum X");
  EXPECT_TRUE(dialog_->RangeEdit(1)->hasFocus() || !QApplication::focusWidget());
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(record_, start);
}

// A line that reaches itself through an integral, and an integral of a line holding a sum,
// are told by name with the line selected and the dialog open: both were accepted, and
// drew an empty graph whose every value failed.
TEST_F(ViewFunctionDialog, LinesLoopingOrNestingThroughIntegralsAreNamed) {
  const TViewFnRecord start = ClearedViewFnRecord();
  Open(start);
  const std::pair<const char*, const char*> cases[] = {
      {"Z=X+Y+F1\r\nF1=AI(1,0,1)", "F1 Expression Calls Itself"},
      {"Z=X+Y+F1\r\nF1=AI(2,0,1)\r\nF2=SUM(3,1,3,1)\r\nF3=$", "F1 Expression Nests Calculus Functions"},
      {"F1=AI(2,0,1)\r\nF2=SUM(3,1,3,1)\r\nF3=$\r\nZ=X+Y+F1", "F1 Expression Nests Calculus Functions"},
  };
  const int lines[] = {1, 1, 0};
  std::size_t k = 0;
  for (const auto& [text, message] : cases) {
    Type(text);
    dialog_->accept();
    ASSERT_EQ(answers_.Boxes().size(), k + 1) << text;
    EXPECT_EQ(answers_.Boxes()[k].text, message);
    EXPECT_EQ(answers_.Boxes()[k].caption, "View Function(X,Y) Validation Error");
    EXPECT_EQ(dialog_->TextEdit()->textCursor().blockNumber(), lines[k]) << text;
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(record_, start);
    ++k;
  }
}

TEST_F(ViewFunctionDialog, EnterStartsALineAndNeverClosesTheDialog) {
  Open(ClearedViewFnRecord());
  dialog_->activateWindow();
  Type("Z=X*Y");
  QTextCursor c = dialog_->TextEdit()->textCursor();
  c.movePosition(QTextCursor::Start);
  c.movePosition(QTextCursor::EndOfLine);
  dialog_->TextEdit()->setTextCursor(c);
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(dialog_->TextEdit(), key);
  QTest::keyClicks(dialog_->TextEdit(), "B=2");
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), 0);
  EXPECT_EQ(Shown(), "Z=X*Y\n\nB=2\n");
  EXPECT_EQ(dialog_->TextEdit()->RecordText(), "Z=X*Y\r\n\r\nB=2\r\n");
}

TEST_F(ViewFunctionDialog, TextNeverGrowsBeyondTheRecord) {
  Open(ClearedViewFnRecord());
  Type(std::string(1021, 'A'));
  EXPECT_EQ(dialog_->TextEdit()->RecordText(), std::string(1021, 'A') + "\r\n");
  QTextCursor c = dialog_->TextEdit()->textCursor();
  c.movePosition(QTextCursor::Start);
  dialog_->TextEdit()->setTextCursor(c);
  QTest::keyClick(dialog_->TextEdit(), Qt::Key_B);
  EXPECT_EQ(dialog_->TextEdit()->RecordText(), std::string(1021, 'A') + "\r\n");
}

TEST_F(ViewFunctionDialog, ShortFileIsRefusedAndTheTextStays) {
  ScratchDir dir("ondravik_vfz_dialog");
  platform::ScriptedFiles files;
  TViewFnRecord file = ClearedViewFnRecord();
  file.text = "F1=SIN(X)\r\nZ=F1*Y\r\n";
  file.tail = {7, 9};
  const std::vector<std::uint8_t> bytes = EncodeViewFnRecord(file);
  std::ofstream((dir.Path() / "short.vfz").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), 1185);
  ASSERT_TRUE(WriteViewFnFile(dir.Path() / "good.vfz", file));

  Open(ClearedViewFnRecord());
  Type("Z=X+Y");
  files.Answer((dir.Path() / "short.vfz").string());
  dialog_->CmRead();
  ASSERT_EQ(answers_.Boxes().size(), 1u);
  EXPECT_EQ(answers_.Boxes()[0].text, "Error in Reading View Function(X,Y) File");
  EXPECT_EQ(answers_.Boxes()[0].caption, (dir.Path() / "short.vfz").string());
  EXPECT_EQ(Shown(), "Z=X+Y\n");
  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].title, "Read View Function(X,Y)");
  EXPECT_EQ(files.Requests()[0].filter, "View Fn(x,y) [vfz]|*.vfz|");

  files.Answer((dir.Path() / "good.vfz").string());
  dialog_->CmRead();
  EXPECT_EQ(Shown(), "F1=SIN(X)\nZ=F1*Y\n");
  EXPECT_EQ(dialog_->Buffer().tail, file.tail);

  // Saving: only a valid entry is written, its text normalised, the read file's tail kept.
  Type("Z=X\n\n\n");
  files.Answer((dir.Path() / "bad.vfz").string());
  dialog_->CmSave();
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "bad.vfz"));
  Type("Z=X*Y\n\n\n", {"-1", "1", "-1", "1"});
  files.Answer((dir.Path() / "saved.vfz").string());
  dialog_->CmSave();
  TViewFnRecord saved;
  ASSERT_EQ(ReadViewFnFile(dir.Path() / "saved.vfz", saved), OptionFileStatus::Ok);
  EXPECT_EQ(saved.text, "Z=X*Y\r\n");
  EXPECT_EQ(saved.ranges[kMinX], "-1");
  EXPECT_EQ(saved.tail, file.tail);
}

TEST_F(ViewFunctionDialog, ClearAndTheFunctionLists) {
  Open(ClearedViewFnRecord());
  for (int id = 351; id <= 358; ++id) EXPECT_FALSE(dialog_->Button(id)->isEnabled()) << id;
  delete dialog_.data();

  std::vector<int> lists;
  SetFunctionInsertDialog([&lists](QWidget*, int list) -> std::optional<std::string> {
    lists.push_back(list);
    if (list == 7) return std::nullopt;
    return std::string("SIN(");
  });
  TViewFnRecord start = ClearedViewFnRecord();
  start.text = "Z=X*Y\r\n";
  Open(start);
  for (int id = 351; id <= 358; ++id) EXPECT_TRUE(dialog_->Button(id)->isEnabled()) << id;
  // The selection kept when the text lost the focus ("X") is replaced by the choice.
  dialog_->TextEdit()->setFocus();
  dialog_->TextEdit()->SelectInLine(0, 2, 1);
  dialog_->Button(352)->setFocus();
  dialog_->InsertFunction(1);
  dialog_->InsertFunction(7);
  EXPECT_EQ(lists, (std::vector<int>{1, 7}));
  EXPECT_EQ(Shown(), "Z=SIN(*Y\n");
  EXPECT_EQ(dialog_->TextEdit()->textCursor().position(), 6);
  SetFunctionInsertDialog(nullptr);

  dialog_->RangeEdit(0)->setText("-5");
  dialog_->CmClear();
  EXPECT_EQ(Shown(), "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog_->RangeEdit(i)->text(), i % 2 == 0 ? "1" : "10") << i;
}

}  // namespace
