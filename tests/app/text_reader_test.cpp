// The block-reading text reader gives the characters and the file offsets the program's
// translating text stream (FOpenOem "r") gives, wherever its blocks end: the line ends and
// Ctrl-Z fall on and beside the 64 KB block boundary.
#include "app/text_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
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

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int k = 0; k < times; ++k) text += piece;
  return text;
}

// Read in pieces of any size gives the characters and offsets Get gives, a piece ending
// anywhere: on a CR before its LF, on the block's last byte, on a Ctrl-Z; and once the text
// ended it gives nothing more. Pieces and single characters may be mixed.
TEST(TextReader, PiecesReadTheCharactersGetGives) {
  ScratchDir dir;
  constexpr std::size_t kBlock = 1 << 16;
  const std::string filler(kBlock - 3, 'x');
  std::mt19937_64 random(49);
  std::string noisy;  // CRs, LFs, CR LFs and bytes beyond ASCII, then a Ctrl-Z
  for (int i = 0; i < 300000; ++i) {
    const auto r = random() % 16;
    noisy += r == 0 ? '\r' : r == 1 ? '\n' : r == 2 ? '\xA0' : static_cast<char>('a' + r);
  }
  const std::vector<std::string> files = {
      "", "a\rb\r\nc\r\n", "x\r", "\r\r\n\n\r", "1 2 3\r\n4 5 6\r\n\x1AGARBAGE\r\n",
      filler + "ab\r\ncd", filler + "a\r\ncd", filler + "ab\r", filler + "ab\x1A\r\nz",
      filler + "ab\rcd" + filler + "\r\n\r\n", noisy + "\x1A" + noisy, noisy,
      // Blocks whose last byte is a CR and whose first is its LF (or not), read straight
      // into the caller's pieces; a Ctrl-Z as the first and the last byte of such a read.
      Repeated("\n" + std::string(kBlock - 2, 'c') + "\r", 20), Repeated("a" + std::string(kBlock - 2, 'c') + "\r", 20),
      std::string(2 * kBlock, 'd') + "\x1A" + noisy, std::string(2 * kBlock - 1, 'd') + "\x1A" + noisy,
      std::string((1 << 20) - 1, 'e') + "\r\n" + noisy, std::string(1 << 20, 'e') + "\r",
  };
  const std::size_t sizes[] = {1, 2, 7, 8, 9, 63, 4096, kBlock - 1, kBlock, kBlock + 1, 1 << 20};
  int k = 0;
  for (const std::string& bytes : files) {
    const std::string path = dir.Write("p" + std::to_string(k++) + ".txt", bytes);
    const Read want = ThroughReader(path);
    for (const std::size_t size : sizes) {
      SCOPED_TRACE(testing::Message() << "file " << k << ", pieces of " << size);
      TTextReader text(path);
      std::vector<int> chars;
      std::vector<char> piece(size);
      for (int turn = 0;; ++turn) {
        ASSERT_EQ(text.Tell(), want.offsets[chars.size()]);
        if (turn % 3 == 2) {  // now and then one character by Get
          const int ch = text.Get();
          if (ch == EOF) break;
          chars.push_back(ch);
          continue;
        }
        const std::size_t n = text.Read(piece.data(), size);
        ASSERT_LE(n, size);
        for (std::size_t i = 0; i < n; ++i) chars.push_back(static_cast<unsigned char>(piece[i]));
        if (n < size) break;
      }
      EXPECT_EQ(chars, want.chars);
      EXPECT_EQ(text.Tell(), want.offsets.back());  // on the Ctrl-Z, or at the end
      EXPECT_EQ(text.Read(piece.data(), size), 0u);
      EXPECT_EQ(text.Get(), EOF);
    }
  }
}

}  // namespace

namespace {

// The characters of the whole text, from the start or after a Rewind.
std::string AllText(TTextReader& text) {
  std::string s;
  for (int ch = text.Get(); ch != EOF; ch = text.Get()) s.push_back(static_cast<char>(ch));
  return s;
}

}  // namespace

// A UTF-8 byte order mark is not part of the text: the text starts after it, at offset 3,
// and a Rewind returns there. Files without the whole mark keep every byte, also files
// shorter than the mark and files that begin with its first bytes only.
TEST(TextReader, ByteOrderMarkIsNotPartOfTheText) {
  ScratchDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
    std::int64_t start;
  };
  const Case cases[] = {
      {"mark, then a line", "\xEF\xBB\xBF" "1,2,3\r\n4", "1,2,3\n4", 3},
      {"the mark alone", "\xEF\xBB\xBF", "", 3},
      {"mark, then a Ctrl-Z", "\xEF\xBB\xBF\x1A" "9", "", 3},
      {"no mark", "1,2,3\n", "1,2,3\n", 0},
      {"the mark's first two bytes", "\xEF\xBB" "A", "\xEF\xBB" "A", 0},
      {"a Windows-1252 title", "\xEFt\xE9\n", "\xEFt\xE9\n", 0},
      {"two bytes", "\r\n", "\n", 0},
      {"one byte", "7", "7", 0},
      {"empty", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextReader text(dir.Write("t.txt", c.bytes));
    ASSERT_TRUE(text.IsOpen());
    EXPECT_EQ(text.Tell(), c.start);
    EXPECT_EQ(AllText(text), c.text);
    text.Rewind();
    EXPECT_EQ(text.Tell(), c.start);
    std::string line;
    (void)text.AppendLine(line, 100);
    EXPECT_EQ(line, c.text.substr(0, c.text.find('\n')));
    text.Rewind();
    std::string block(c.text.size() + 4, '\0');
    block.resize(text.Read(block.data(), block.size()));
    EXPECT_EQ(block, c.text);
  }
}
