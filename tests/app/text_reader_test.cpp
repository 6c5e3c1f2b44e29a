// The block-reading text reader gives the characters and the file offsets the program's
// translating text stream (FOpenOem "r") gives, wherever its blocks end: the line ends and
// Ctrl-Z fall on and beside the 64 KB block boundary.
#include "app/text_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/file_utils.h"
#include "support/scratch_files.h"

namespace {

struct Read {
  std::vector<int> chars;
  std::vector<std::int64_t> offsets;  // before each character, and at the end
};

Read ThroughStream(const std::string& path) {
  Read r;
  FilePtr f = FOpenOem(path, "r");
  for (;;) {
    r.offsets.push_back(std::ftell(f.get()));
    const int ch = std::getc(f.get());
    if (ch == EOF) break;
    r.chars.push_back(ch);
  }
  return r;
}

Read ThroughReader(const std::string& path) {
  Read r;
  TTextReader text(path);
  EXPECT_TRUE(text.IsOpen());
  for (;;) {
    r.offsets.push_back(text.Tell());
    const int ch = text.Get();
    if (ch == EOF) break;
    r.chars.push_back(ch);
  }
  EXPECT_FALSE(text.Error());
  return r;
}

TEST(TextReader, CharactersAndOffsetsAreTheTextStreamsAcrossBlockEnds) {
  ScratchDir dir;
  constexpr std::size_t kBlock = 1 << 16;
  // Ordinary text, then the interesting bytes placed so that they straddle a block end.
  const std::string filler(kBlock - 3, 'x');
  const std::vector<std::string> files = {
      "",
      "a\rb\r\nc\r\n",
      "x\r",
      "\r\r\n\n\r",
      "1 2 3\r\n4 5 6\r\n\x1AGARBAGE\r\n",
      filler + "ab\r\ncd",      // CR the last byte of the first block
      filler + "a\r\ncd",       // CR LF the last two bytes
      filler + "abc\r\nd",      // CR the first byte of the second block
      filler + "ab\r",          // CR at the end of the file, at the block end
      filler + "ab\x1A\r\nz",   // Ctrl-Z at the block end
      filler + "ab\rcd" + filler + "\r\n\r\n",
  };
  int k = 0;
  for (const std::string& bytes : files) {
    const std::string path = dir.Write("t" + std::to_string(k++) + ".txt", bytes);
    const Read want = ThroughStream(path);
    const Read got = ThroughReader(path);
    ASSERT_EQ(got.chars, want.chars) << k;
    ASSERT_EQ(got.offsets, want.offsets) << k;
  }
}

// Seek goes back to an offset Tell gave, also after a Ctrl-Z ended the text, and Rewind to
// the start; a missing file is not open.
TEST(TextReader, SeekReturnsToAnOffsetTellGave) {
  ScratchDir dir;
  const std::string path = dir.Write("s.txt", std::string(70000, 'y') + "\r\nline\r\n\x1A" "after");
  TTextReader text(path);
  for (int i = 0; i < 70000; ++i) ASSERT_EQ(text.Get(), 'y');
  ASSERT_EQ(text.Get(), '\n');
  const std::int64_t line = text.Tell();
  EXPECT_EQ(line, 70002);
  std::string read;
  for (int ch = text.Get(); ch != EOF; ch = text.Get()) read.push_back(static_cast<char>(ch));
  EXPECT_EQ(read, "line\n");
  ASSERT_TRUE(text.Seek(line));
  EXPECT_EQ(text.Get(), 'l');
  ASSERT_TRUE(text.Seek(70009));  // just past the Ctrl-Z
  EXPECT_EQ(text.Get(), 'a');
  text.Rewind();
  EXPECT_EQ(text.Tell(), 0);
  EXPECT_EQ(text.Get(), 'y');
  EXPECT_FALSE(text.Seek(-1));
  EXPECT_FALSE(TTextReader(dir.File("missing.txt")).IsOpen());
}

// Written in pieces through the translating stream, every LF gets one CR before it (a CR that
// ended the previous piece counts), and the reader gives the text back.
TEST(TextReader, TextWrittenInPiecesReadsBack) {
  ScratchDir dir;
  const std::string path = dir.File("w.txt");
  {
    FilePtr f = FOpenOem(path, "w");
    ASSERT_TRUE(f);
    for (const char* piece : {"a\r", "\nb\n\n", "c\r\r\n", "", "\n", "long run without a line feed"})
      std::fputs(piece, f.get());
  }
  const std::string want = "a\r\nb\r\n\r\nc\r\r\n\r\nlong run without a line feed";
  std::string bytes;
  {
    FilePtr f = FOpenOem(path, "rb");
    for (int ch = std::getc(f.get()); ch != EOF; ch = std::getc(f.get())) bytes.push_back(static_cast<char>(ch));
  }
  EXPECT_EQ(bytes, want);
  TTextReader text(path);
  std::string read;
  for (int ch = text.Get(); ch != EOF; ch = text.Get()) read.push_back(static_cast<char>(ch));
  EXPECT_EQ(read, "a\nb\n\nc\r\n\nlong run without a line feed");
}

}  // namespace
