// The test suite's dialog (4077) and command (2166): the dialog's starting state and what
// it hands back, and the road from the dialog through the file dialog to the report, new,
// appended, cancelled or refused by the file system.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/ui/dialog.h"
#include "app/shell_state.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "smooth/ui/smoothing_commands.h"
#include "smooth/ui/test_suite_dialog.h"
#include "../../graph3d/ui/dialog_shots.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int CountLines(const std::string& text) {
  int lines = 0;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  return lines;
}

TEST(TestSuiteDialog, StartsAtNoneAndDefaultsAndHandsBackTheChoice) {
  TNPTestSelection selection;
  auto* d = new TNPTestDlg(nullptr, &selection);
  EXPECT_EQ(d->windowTitle(), "Select Algorithms for Test Suite");
  for (int id = 111; id <= 126; ++id) {
    ASSERT_NE(d->Box(id), nullptr) << id;
    EXPECT_FALSE(d->Box(id)->isChecked()) << id;
  }
  EXPECT_EQ(d->Box(111)->text(), "Aki&ma I");
  EXPECT_EQ(d->Box(118)->text(), "Loess");
  EXPECT_EQ(d->Box(126)->text(), "H");
  EXPECT_TRUE(d->Radio(141)->isChecked());
  EXPECT_TRUE(d->Radio(151)->isChecked());
  EXPECT_FALSE(d->Box(161)->isChecked());
  ShowDialog(d, "test_suite_dialog");
  d->Box(112)->setChecked(true);
  d->Box(120)->setChecked(true);
  d->Radio(143)->setChecked(true);
  d->Radio(152)->setChecked(true);
  d->Box(161)->setChecked(true);
  d->accept();
  delete d;
  EXPECT_TRUE(selection.methods[1]);
  EXPECT_FALSE(selection.methods[0]);
  EXPECT_TRUE(selection.extensions[1]);
  EXPECT_EQ(selection.derivative, 2);
  EXPECT_TRUE(selection.vary);
  EXPECT_TRUE(selection.addErrors);
}

class TestSuiteCommand : public ::testing::Test {
 protected:
  TestSuiteCommand() {
    NPDllName = "npsample.DLL";
    dir_ = std::filesystem::temp_directory_path() /
           ("ondravik_suite_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  ~TestSuiteCommand() override {
    NPDllName.clear();
    std::filesystem::remove_all(dir_);
  }
  // Answers the dialog: checks the boxes and presses OK (or Cancel).
  static void Choose(std::initializer_list<int> ids, bool ok = true) {
    // A copy: the list's array ends with the call, before the dialog is answered.
    QTimer::singleShot(0, [boxes = std::vector<int>(ids), ok] {
      auto* d = qobject_cast<TNPTestDlg*>(ActiveDialog());
      ASSERT_NE(d, nullptr);
      for (int id : boxes) d->Box(id)->setChecked(true);
      ok ? d->accept() : d->reject();
    });
  }
  std::filesystem::path dir_;
  platform::ScriptedFiles files_;
  platform::ScriptedAnswers boxes_;
};

TEST_F(TestSuiteCommand, NewReportHoldsTheHeaderAndFiftyRows) {
  const std::filesystem::path report = dir_ / "suite.txt";
  files_.Answer(report.string());
  Choose({111, 115});
  CmNPTest(nullptr);
  const std::string text = ReadAll(report);
  EXPECT_EQ(text.substr(0, text.find("\r\n") + 2),
            "Surface,   Data,Akima I 5     ,Renka II C1 13,Renka II C2 17,\r\n");
  EXPECT_EQ(CountLines(text), 51);
  EXPECT_EQ(text.find("NA"), std::string::npos) << "every method gives a figure for every problem";
  ASSERT_EQ(files_.Requests().size(), 1u);
  EXPECT_EQ(files_.Requests()[0].title, "Test File");
  EXPECT_EQ(files_.Requests()[0].filter, "Text Files [txt]|*.txt|");
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(TestSuiteCommand, AnsweringYesAppendsAHeaderAndRowsAfterTheOldContent) {
  const std::filesystem::path report = dir_ / "suite.txt";
  std::ofstream(report, std::ios::binary) << "earlier run\r\n";
  files_.Answer(report.string());
  boxes_.Answer(platform::kIdYes);  // "Append to Existing Data?"
  Choose({118});                    // "Loess" selects no variant
  CmNPTest(nullptr);
  const std::string text = ReadAll(report);
  EXPECT_EQ(text.substr(0, 31), "earlier run\r\nSurface,   Data,\r\n");
  EXPECT_EQ(CountLines(text), 52);
  EXPECT_NE(text.find("     10,      5,\r\n"), std::string::npos);
  // Answering no starts the file afresh.
  files_.Answer(report.string());
  boxes_.Answer(platform::kIdNo);
  Choose({118});
  CmNPTest(nullptr);
  EXPECT_EQ(CountLines(ReadAll(report)), 51);
}

TEST_F(TestSuiteCommand, CancelledDialogsWriteNothing) {
  const std::filesystem::path report = dir_ / "suite.txt";
  Choose({111}, false);
  CmNPTest(nullptr);
  EXPECT_TRUE(files_.Requests().empty());
  files_.Answer(std::nullopt);
  Choose({111});
  CmNPTest(nullptr);
  EXPECT_FALSE(std::filesystem::exists(report));
}

TEST_F(TestSuiteCommand, AFileThatCannotBeOpenedIsTold) {
  const std::filesystem::path report = dir_ / "no such folder" / "suite.txt";
  files_.Answer(report.string());
  Choose({111});
  CmNPTest(nullptr);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, report.string());
  EXPECT_EQ(boxes_.Boxes()[0].text, "Unable to Write File");
}

}  // namespace
