#include "platform/string_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

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
  // This file lies in tests/platform/ of the source tree.
  std::filesystem::path src =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src";
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
