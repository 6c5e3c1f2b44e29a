#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"

namespace {

using platform::BoxKind;

TEST(MessageBox, IdsFormsTakeBothTextsFromTheTable) {
  platform::ScriptedAnswers script;
  script.Answer(platform::kIdYes);
  EXPECT_EQ(AskYesNoCancelIds(nullptr, 3092, 3093), platform::kIdYes);
  EXPECT_EQ(ErrorBoxIds(nullptr, 3002, 3001), platform::kIdOk);
  auto boxes = script.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].kind, BoxKind::YesNoCancel);
  EXPECT_EQ(boxes[0].caption, "Reset Defaults");
  EXPECT_EQ(boxes[0].text, "Restore All Program Defaults?");
  EXPECT_EQ(boxes[1].kind, BoxKind::Exclamation);
  EXPECT_EQ(boxes[1].caption, "Invalid Entry");
}

// A missing string used to hide the box and answer Cancel; an error must never vanish.
TEST(MessageBox, MissingStringStillShowsTheBox) {
  platform::ScriptedAnswers script;
  script.Answer(platform::kIdNo);
  EXPECT_EQ(AskYesNoIds(nullptr, 9998, 3009), platform::kIdNo);
  auto boxes = script.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Ondravik 3D message 9998");
  EXPECT_EQ(boxes[0].text, "Save Current Data?");
}

TEST(MessageBox, UnscriptedQuestionIsCancelledAndLongTextsAreKept) {
  platform::ScriptedAnswers script;
  std::string longText(500, 'x');
  EXPECT_EQ(AskYesNoCancel(nullptr, "c", longText), platform::kIdCancel);
  EXPECT_EQ(InfoBox(nullptr, "c", "t"), platform::kIdOk);
  EXPECT_EQ(script.Boxes()[0].text.size(), 500u);  // no fixed 80-character buffer
}

TEST(BusyWindow, ShowReplacesAndIdFormNeedsBothStrings) {
  ShowBusyMsg(nullptr, "One", "first", 1);
  ShowBusyMsg(nullptr, "Two", "second", 0);
  auto state = platform::CurrentBusyState();
  EXPECT_TRUE(state.shown);
  EXPECT_FALSE(state.hourglass);
  EXPECT_EQ(state.caption, "Two");
  UpdateBusyMsg(nullptr, "changed");
  EXPECT_EQ(platform::CurrentBusyState().text, "changed");
  EXPECT_EQ(platform::CurrentBusyState().caption, "Two");
  ShowBusyMsgId(nullptr, 3005, 9997, 1);  // missing text: the old window still closes
  EXPECT_FALSE(platform::CurrentBusyState().shown);
  ShowBusyMsgId(nullptr, 3005, 3069, 1);
  EXPECT_EQ(platform::CurrentBusyState().text, "Reading Data...");
  HideBusyMsg();
  EXPECT_FALSE(platform::CurrentBusyState().shown);
  UpdateBusyMsg("ignored", "ignored");
  EXPECT_FALSE(platform::CurrentBusyState().shown);
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ondravik_fd_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "full.prn") << "1 2 3\n";
    std::ofstream(dir_ / "empty.prn");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string P(const char* name) { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(FileDialogs, SaveAsksBeforeOverwritingAndNoAsksAgain) {
  platform::ScriptedFiles files;
  platform::ScriptedAnswers boxes;
  files.Answer(P("full.prn"));
  boxes.Answer(platform::kIdNo);
  files.Answer(P("empty.prn"));  // an empty file is not asked about
  std::string path, ext;
  EXPECT_EQ(FileSaveDlg(nullptr, "Save", path, &ext, "PRN", "ASCII [prn]|*.prn|", 1), 1);
  EXPECT_EQ(path, P("empty.prn"));
  EXPECT_EQ(ext, "prn");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, P("full.prn"));
  EXPECT_EQ(boxes.Boxes()[0].text, "Overwrite Existing File?");
  EXPECT_EQ(files.Requests().size(), 2u);
  EXPECT_TRUE(files.Requests()[0].save);
}

TEST_F(FileDialogs, SaveAppendAnswers) {
  struct Case {
    const char* file;
    int answer;
    int result;
  } cases[] = {
      {"full.prn", platform::kIdYes, 6},
      {"full.prn", platform::kIdNo, 1},
      {"full.prn", platform::kIdCancel, 2},
      {"new.prn", 0, 1},
  };
  for (const Case& c : cases) {
    platform::ScriptedFiles files;
    platform::ScriptedAnswers boxes;
    files.Answer(P(c.file));
    if (c.answer) boxes.Answer(c.answer);
    std::string path;
    EXPECT_EQ(FileSaveAppendDlg(nullptr, "t", path, nullptr, "PRN", "", 1), c.result) << c.file;
    if (c.answer) {
      EXPECT_EQ(boxes.Boxes().at(0).text, "Append to Existing Data?");
    }
  }
}

TEST_F(FileDialogs, OpenAddsDefaultExtensionAndCancelGivesTwo) {
  platform::ScriptedFiles files;
  files.Answer(P("data"));
  files.Answer(std::nullopt);
  std::string path, ext;
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "DAT", "", 1), 1);
  EXPECT_EQ(path, P("data.DAT"));
  EXPECT_EQ(ext, "DAT");
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "DAT", "", 1), 2);
}

TEST(FileDialogFilter, ParsesPairs) {
  auto filters = platform::ParseFileFilter("ASCII [prn]|*.prn|Text|*.txt; *.dat|Dangling");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, "ASCII [prn]");
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.txt", "*.dat"}));
  EXPECT_EQ(platform::PathExtension("/a.b/c"), "");
  EXPECT_EQ(platform::PathExtension("/a/c.tar.gz"), "gz");
}

TEST(UiThread, PostedCommandReachesTheTargetAndIsDroppedWithout) {
  std::vector<int> seen;
  platform::SetCommandTarget([&](int id) { seen.push_back(id); });
  platform::PostCommand(2191);
  platform::SetCommandTarget(nullptr);
  platform::PostCommand(2192);
  EXPECT_EQ(seen, std::vector<int>{2191});
}

}  // namespace
