// The message boxes and busy window, the string table their texts come from, the file
// dialogs and posting commands to the user-interface thread.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"
#include "platform/string_table.h"
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

// A box or busy window that names no caption carries the program's: an empty title bar was
// filled by the window system with the executable's name ("ondravik3d" over "Processing
// Aborted.", and over the busy window of the smoothing test suite and of an integral).
TEST(MessageBox, ABoxOrBusyWindowWithoutACaptionCarriesTheProgramsName) {
  ShowBusyMsg(nullptr, "", "", 1);
  EXPECT_EQ(platform::CurrentBusyState().caption, "Ondravik 3D");
  UpdateBusyMsg("Test Suite", nullptr);
  EXPECT_EQ(platform::CurrentBusyState().caption, "Test Suite");
  UpdateBusyMsg(" ", "Computing Integral...");
  EXPECT_EQ(platform::CurrentBusyState().caption, "Ondravik 3D");
  HideBusyMsg();

  platform::ScriptedAnswers script;
  EXPECT_EQ(ErrorBox(nullptr, "", "Processing Aborted."), platform::kIdOk);
  EXPECT_EQ(MsgBox(nullptr, "  ", "m"), platform::kIdOk);
  EXPECT_EQ(AskYesNo(nullptr, "", "q"), platform::kIdCancel);
  EXPECT_EQ(InfoBox(nullptr, " Kept ", "i"), platform::kIdOk);
  EXPECT_EQ(Shown(script), (std::vector<Box>{{BoxKind::Exclamation, "Ondravik 3D", "Processing Aborted."},
                                             {BoxKind::Plain, "Ondravik 3D", "m"},
                                             {BoxKind::YesNo, "Ondravik 3D", "q"},
                                             {BoxKind::Information, " Kept ", "i"}}));
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

// A file without an extension opens under its own name (the default extension went onto
// every bare name, so "noext" was looked for as "noext.PRN"); a bare name that no file has
// still takes the default extension. Each dialog opens in the folder of the last file chosen.
TEST_F(FileDialogs, ANameThatExistsAsTypedOpensAsTypedAndTheNextDialogStartsBesideIt) {
  dir_.Write("noext", "1 2 3\n");
  files_.Answer(dir_.File("noext"));
  files_.Answer(dir_.File("fresh"));
  files_.Answer(std::nullopt);
  std::string path, ext;
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "PRN", "All|*.*|", 1), 1);
  EXPECT_EQ(path, dir_.File("noext"));
  EXPECT_EQ(ext, "");
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "PRN", "All|*.*|", 1), 1);
  EXPECT_EQ(path, dir_.File("fresh.PRN"));
  EXPECT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "PRN", "All|*.*|", 1), 2);
  const auto requests = files_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].folder, std::filesystem::path(dir_.File("noext")).parent_path().string());
  EXPECT_EQ(requests[2].folder, requests[1].folder);
  EXPECT_EQ(platform::LastFileFolder(), requests[1].folder);
}

TEST(FileDialogFilter, ParsesPairs) {
  auto filters = platform::ParseFileFilter("ASCII [prn]|*.prn|Text|*.txt; *.dat|Dangling");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, "ASCII [prn]");
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.txt", "*.dat"}));
  EXPECT_EQ(platform::PathExtension("/a.b/c"), "");
  EXPECT_EQ(platform::PathExtension("/a/c.tar.gz"), "gz");
}

class UiThread : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetCommandTarget(nullptr); }
};

TEST_F(UiThread, PostedCommandReachesTheTargetAndIsDroppedWithout) {
  std::vector<int> seen;
  platform::SetCommandTarget([&](int id) { seen.push_back(id); });
  platform::PostCommand(2191);
  platform::SetCommandTarget(nullptr);
  platform::PostCommand(2192);
  EXPECT_EQ(seen, std::vector<int>{2191});
}

// The message and menu texts are checked where they are shown (message boxes, the main
// window); here the number formats, whose every byte reaches the files written.
TEST(StringTable, FormatTextsAreExact) {
  EXPECT_EQ(platform::LoadString(3001), "Valid Range is %d to %d");
  EXPECT_EQ(platform::LoadString(3369), "%-25.17Lg  %-25.17Lg  %-25.17Lg\r\n");
  EXPECT_EQ(platform::LoadString(3371),
            "%-25.17Lg  %-25.17Lg  %-25.17Lg\t%-25.17Lg  %-25.17Lg\r\n");
  EXPECT_EQ(platform::LoadString(2184), "Enter or Edit Any or All of Ondravik 3D's 15 UDFs");
}

// Ids that the program computes as a base plus a code: every member of each run exists.
TEST(StringTable, ComputedIdRunsAreComplete) {
  for (int kind = 1; kind <= 24; ++kind) EXPECT_TRUE(platform::HasString(3021 + kind)) << kind;
  EXPECT_EQ(platform::LoadString(3021 + 24), "OKAP Windows SAV [QVRK]");
  for (int code = 0; code <= 7; ++code) EXPECT_TRUE(platform::HasString(3128 + code)) << code;
  for (int code = 1; code <= 6; ++code) EXPECT_TRUE(platform::HasString(3210 + code)) << code;
  for (int id = 3736; id <= 3787; ++id) EXPECT_TRUE(platform::HasString(id)) << id;
  for (int id = 3369; id <= 3373; ++id) EXPECT_TRUE(platform::HasString(id)) << id;
}

TEST(StringTable, ParserRefusesMalformedLines) {
  struct Case {
    const char* source;
    bool ok;
  } cases[] = {
      {"# comment\n1\tone\n2\ttwo\n", true},
      {"1\tone\r\n2\ttwo\r\n", true},
      {"2\ttwo\n1\tone\n", false},     // not ascending
      {"1\tone\n1\tagain\n", false},   // duplicate
      {"x\tone\n", false},             // no number
      {"12 one\n", false},             // no tab
      {"1\tbad escape \\q\n", false},  // unknown escape
      {"1\ttrailing \\", false},       // escape at the end
      {"-4\tnegative\n", false},
  };
  for (const Case& c : cases) {
    std::vector<platform::StringTableEntry> entries;
    std::string error;
    EXPECT_EQ(platform::ParseStringTable(c.source, entries, error), c.ok) << c.source;
  }
}

// Every string id written as a number in a call of a string-table helper anywhere in the
// program must exist, so that no message is ever shown as a stand-in.
TEST(StringTable, EveryIdTheProgramUsesExists) {
  // The test data lie in tests/data/ of the source tree (an absolute path, whatever the
  // compiler records as this file's name).
  const std::filesystem::path src =
      std::filesystem::path(ONDRAVIK_TEST_DATA_DIR).parent_path().parent_path() / "src";
  ASSERT_TRUE(std::filesystem::is_directory(src)) << src;
  const std::regex call(
      R"(\b(MsgBoxIds|ErrorBoxIds|InfoBoxIds|AskYesNoIds|AskYesNoCancelIds|ShowBusyMsgId|LoadString|StringOrId|HasString|UiString)\s*\()");
  const std::regex number(R"(\b([0-9]{4,5})\b)");
  int checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
    auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".h") continue;
    std::ifstream in(entry.path());
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string text = buf.str();
    for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
      // The argument list up to the matching parenthesis.
      std::size_t pos = static_cast<std::size_t>(it->position(0) + it->length(0));
      int depth = 1;
      std::size_t start = pos;
      while (pos < text.size() && depth > 0) {
        if (text[pos] == '(') ++depth;
        if (text[pos] == ')') --depth;
        ++pos;
      }
      std::string args = text.substr(start, pos - start);
      for (std::sregex_iterator n(args.begin(), args.end(), number), nend; n != nend; ++n) {
        int id = std::stoi((*n)[1].str());
        EXPECT_TRUE(platform::HasString(id)) << entry.path() << " uses missing string " << id;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0);
}

TEST(StringTable, IdsAscendTextsAreNotEmptyAndAMissingIdIsNamed) {
  std::vector<int> ids = platform::StringIds();
  ASSERT_FALSE(ids.empty());
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
  for (int id : ids) EXPECT_FALSE(platform::LoadString(id).empty()) << id;
  EXPECT_FALSE(platform::HasString(9999));
  EXPECT_TRUE(platform::LoadString(9999).empty());
  EXPECT_EQ(platform::StringOrId(9999), "Ondravik 3D message 9999");
  EXPECT_EQ(platform::StringOrId(3002), "Invalid Entry");
}

}  // namespace
