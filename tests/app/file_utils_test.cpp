#include "app/file_utils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

class FileUtils : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ondravik_file_utils_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

TEST_F(FileUtils, TextModeWritesCrLfOnceAndReadsItBack) {
  const std::filesystem::path p = dir_ / "out.prn";
  {
    FilePtr f = FOpenOem(p, "w");
    ASSERT_TRUE(f);
    std::fputs("1 2 3\n4 5 6\r\n", f.get());  // a CR LF the caller wrote is not doubled
    std::fprintf(f.get(), "%d\n", 7);
  }
  EXPECT_EQ(Read(p), "1 2 3\r\n4 5 6\r\n7\r\n");
  {
    FilePtr f = FOpenOem(p, "a");
    std::fputs("8\n", f.get());
  }
  EXPECT_EQ(Read(p), "1 2 3\r\n4 5 6\r\n7\r\n8\r\n");

  FilePtr f = FOpenOem(p, "r");
  ASSERT_TRUE(f);
  char line[64];
  ASSERT_TRUE(std::fgets(line, sizeof line, f.get()));
  EXPECT_STREQ(line, "1 2 3\n");
  const long after_first = std::ftell(f.get());
  EXPECT_EQ(after_first, 7);  // a byte offset in the file
  ASSERT_TRUE(std::fgets(line, sizeof line, f.get()));
  EXPECT_STREQ(line, "4 5 6\n");
  ASSERT_EQ(std::fseek(f.get(), after_first, SEEK_SET), 0);
  ASSERT_TRUE(std::fgets(line, sizeof line, f.get()));
  EXPECT_STREQ(line, "4 5 6\n");
  std::rewind(f.get());
  ASSERT_TRUE(std::fgets(line, sizeof line, f.get()));
  EXPECT_STREQ(line, "1 2 3\n");
}

TEST_F(FileUtils, TextModeReadingKeepsLoneCrsAndStopsAtCtrlZ) {
  const std::filesystem::path p = Write("dos.dat", "a\rb\r\nc\r\n\x1AGARBAGE");
  FilePtr f = FOpenOem(p, "rt");
  ASSERT_TRUE(f);
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
  EXPECT_EQ(std::string(buf, n), "a\rb\nc\n");
  EXPECT_TRUE(std::feof(f.get()));
  // A CR at the very end of the file stays.
  FilePtr g = FOpenOem(Write("cr.dat", "x\r"), "r");
  EXPECT_EQ(std::fgetc(g.get()), 'x');
  EXPECT_EQ(std::fgetc(g.get()), '\r');
  EXPECT_EQ(std::fgetc(g.get()), EOF);
}

TEST_F(FileUtils, BinaryModesAreUntouched) {
  const std::filesystem::path p = dir_ / "raw.bin";
  {
    FilePtr f = FOpenOem(p, "wb");
    std::fputs("a\nb\r\n", f.get());
  }
  EXPECT_EQ(Read(p), "a\nb\r\n");
  EXPECT_FALSE(FOpenOem(dir_ / "missing.txt", "r"));
  EXPECT_FALSE(FOpenOem(dir_ / "no" / "such" / "dir.txt", "w"));
}

TEST_F(FileUtils, SizesTimesAndDeletion) {
  const std::filesystem::path p = Write("five.txt", "12345");
  EXPECT_EQ(FileSize(p), 5);
  EXPECT_EQ(FileSize(dir_ / "missing"), 0);
  EXPECT_EQ(FileSize(dir_), 0);  // a directory is not a file
  EXPECT_GT(FileTime(p), 0);
  EXPECT_EQ(FileTime(dir_ / "missing"), 0);
  EXPECT_TRUE(DeleteFileOem(p));
  EXPECT_FALSE(DeleteFileOem(p));
  EXPECT_EQ(FileSize(p), 0);
}

TEST_F(FileUtils, WholeFileLoadAndAtomicSave) {
  const std::vector<std::uint8_t> block = {0, 1, 2, 0xFF, '\n', '\r'};
  const std::filesystem::path p = dir_ / "block.wk1";
  ASSERT_TRUE(SaveGlobalToFile(block, p));
  EXPECT_EQ(LoadFileToGlobal(p), block);
  EXPECT_TRUE(LoadFileToGlobal(dir_ / "missing").empty());
  EXPECT_TRUE(LoadFileToGlobal(Write("empty", "")).empty());
  // A save into a directory that cannot be made fails and leaves nothing behind.
  Write("plain", "x");
  EXPECT_FALSE(SaveGlobalToFile(block, dir_ / "plain" / "inside.wk1"));
}

TEST_F(FileUtils, SniffTellsTextFromBinary) {
  EXPECT_EQ(SniffTextFile(dir_ / "missing"), -1);
  EXPECT_EQ(SniffTextFile(Write("empty", "")), -1);
  EXPECT_EQ(SniffTextFile(Write("text", "1\t2\f3\r\n\xE9\x1A")), 2);
  EXPECT_EQ(SniffTextFile(Write("binary", std::string("ab\0cd", 5))), 0);
  // Only the first 200 bytes count.
  EXPECT_EQ(SniffTextFile(Write("late", std::string(200, 'a') + std::string(1, '\0'))), 2);
  EXPECT_EQ(SniffTextFile(Write("early", std::string(199, 'a') + std::string(1, '\x01'))), 0);
}

TEST(FileKinds, ExtensionTables) {
  struct Case {
    const char* ext;
    int import, text, list, data;
  };
  const Case cases[] = {
      {"prn", 1, 1, 1, 1}, {"DAT", 1, 2, 2, 2}, {"Txt", 1, 3, 3, 3},  {"WK3", 2, 0, 5, 5},
      {"wk1", 2, 0, 4, 4}, {"wks", 2, 0, 0, 0}, {"xls", 3, 0, 0, 0},  {"wq1", 4, 0, 0, 0},
      {"wb1", 4, 0, 0, 0}, {"mvg", 5, 0, 0, 0}, {"rnb", 5, 0, 0, 0},  {"sav", 6, 0, 0, 6},
      {"dbf", 7, 0, 0, 0}, {"dif", 8, 0, 0, 0}, {"rtf", 0, 0, 6, 0},  {"ws", 0, 0, 7, 0},
      {"", 0, 0, 0, 0},    {"xlsx", 0, 0, 0, 0}, {"w", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImportKindByExt(c.ext), c.import) << c.ext;
    EXPECT_EQ(IsTextExt(c.ext), c.text) << c.ext;
    EXPECT_EQ(FileKindByExt(c.ext), c.list) << c.ext;
    EXPECT_EQ(ExtensionKind(c.ext), c.data) << c.ext;
  }
  EXPECT_EQ(SaveFormatByExt("/a/b/out.WK1"), kSaveFormatWk1);
  EXPECT_EQ(SaveFormatByExt("out.wk3"), kSaveFormatWk3);
  EXPECT_EQ(SaveFormatByExt("out.sav"), kSaveFormatSav);
  EXPECT_EQ(SaveFormatByExt("out.ws"), kSaveFormatWordStar);
  EXPECT_EQ(SaveFormatByExt("out.rtf"), kSaveFormatRtf);
  EXPECT_EQ(SaveFormatByExt("out.txt"), kSaveFormatText);
  EXPECT_EQ(SaveFormatByExt("noext"), kSaveFormatText);
  EXPECT_EQ(SaveFormatByExt("dir.wk1/noext"), kSaveFormatText);
}

}  // namespace
