#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"
#include "support/scratch_files.h"

namespace {

using platform::BoxKind;
using Box = std::tuple<BoxKind, std::string, std::string>;

std::vector<Box> Shown(const platform::ScriptedAnswers& script) {
  std::vector<Box> out;
  for (const auto& b : script.Boxes()) out.emplace_back(b.kind, b.caption, b.text);
  return out;
}

// A missing string used to hide the box and answer Cancel; an error must never vanish, nor
// be cut to a fixed 80-character buffer.
TEST(MessageBox, TextsComeFromTheTableAndNoBoxIsEverHidden) {
  platform::ScriptedAnswers script;
  for (int answer : {platform::kIdYes, platform::kIdOk, platform::kIdNo}) script.Answer(answer);
  EXPECT_EQ(AskYesNoCancelIds(nullptr, 3092, 3093), platform::kIdYes);
  EXPECT_EQ(ErrorBoxIds(nullptr, 3002, 3001), platform::kIdOk);
  EXPECT_EQ(AskYesNoIds(nullptr, 9998, 3009), platform::kIdNo);
  const std::string longText(500, 'x');
  EXPECT_EQ(AskYesNoCancel(nullptr, "c", longText), platform::kIdCancel);  // unscripted
  EXPECT_EQ(InfoBox(nullptr, "c", "t"), platform::kIdOk);
  EXPECT_EQ(Shown(script),
            (std::vector<Box>{{BoxKind::YesNoCancel, "Reset Defaults", "Restore All Program Defaults?"},
                              {BoxKind::Exclamation, "Invalid Entry", "Valid Range is %d to %d"},
                              {BoxKind::YesNo, "Ondravik 3D message 9998", "Save Current Data?"},
                              {BoxKind::YesNoCancel, "c", longText},
                              {BoxKind::Information, "c", "t"}}));
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
    dir_.Write("full.prn", "1 2 3\n");
    dir_.Write("empty.prn", "");
  }
  ScratchDir dir_;
  platform::ScriptedFiles files_;
  platform::ScriptedAnswers boxes_;
};

TEST_F(FileDialogs, SaveAsksBeforeOverwritingAndNoAsksAgain) {
  files_.Answer(dir_.File("full.prn"));
  boxes_.Answer(platform::kIdNo);
  files_.Answer(dir_.File("empty.prn"));  // an empty file is not asked about
  std::string path, ext;
  EXPECT_EQ(FileSaveDlg(nullptr, "Save", path, &ext, "PRN", "ASCII [prn]|*.prn|", 1), 1);
  EXPECT_EQ(path, dir_.File("empty.prn"));
  EXPECT_EQ(ext, "prn");
  EXPECT_EQ(Shown(boxes_), (std::vector<Box>{{BoxKind::YesNoCancel, dir_.File("full.prn"),
                                              "Overwrite Existing File?"}}));
  EXPECT_EQ(files_.Requests().size(), 2u);
  EXPECT_TRUE(files_.Requests()[0].save);
}

TEST_F(FileDialogs, SaveAppendAnswersAndOpenAddsTheDefaultExtension) {
  struct Case {
    const char* file;
    int answer, result;
  };
  const Case cases[] = {{"full.prn", platform::kIdYes, 6}, {"full.prn", platform::kIdNo, 1},
                        {"full.prn", platform::kIdCancel, 2}, {"new.prn", 0, 1}};
  for (const Case& c : cases) {
    files_.Answer(dir_.File(c.file));
    if (c.answer) boxes_.Answer(c.answer);
    std::string path;
    EXPECT_EQ(FileSaveAppendDlg(nullptr, "t", path, nullptr, "PRN", "", 1), c.result) << c.file;
  }
  ASSERT_EQ(boxes_.Boxes().size(), 3u);
  for (const auto& box : boxes_.Boxes()) EXPECT_EQ(box.text, "Append to Existing Data?");

  files_.Answer(dir_.File("data"));
  files_.Answer(std::nullopt);
  std::string path, ext;
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "DAT", "", 1), 1);
  EXPECT_EQ(path, dir_.File("data.DAT"));
  EXPECT_EQ(ext, "DAT");
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "DAT", "", 1), 2);  // cancelled
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
