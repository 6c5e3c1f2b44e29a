// Lines read in pieces through the block reader (a run of characters at a time) are the
// lines, answers and file offsets of the same reader taken a character at a time, and the
// lines and answers of the translating text stream: CR LF, lone CRs and a Ctrl-Z on and
// beside the block ends, lines longer than the piece, empty lines and a last line without
// its line feed. (Once a Ctrl-Z ended the text, the stream's offset lies past it, the
// reader's on it, as it always did.)
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/file_utils.h"
#include "app/text_reader.h"
#include "exchange/reader_contract.h"
#include "support/scratch_files.h"

namespace {

struct Piece {
  bool read;
  std::string line;
  std::int64_t offset;  // after the piece
  bool operator==(const Piece&) const = default;
};

std::vector<Piece> ThroughStream(const std::string& path, int maxChars) {
  std::vector<Piece> pieces;
  FilePtr f = FOpenOem(path, "r");
  std::string line;
  for (int extra = 0; extra < 2;) {  // two more reads once the text ended
    const bool read = ReadLinePiece(f.get(), line, maxChars);
    pieces.push_back({read, line, -1});
    if (!read) ++extra;
  }
  return pieces;
}

// The reader a character at a time, as pieces were read before.
std::vector<Piece> ThroughGet(const std::string& path, int maxChars) {
  std::vector<Piece> pieces;
  TTextReader text(path);
  for (int extra = 0; extra < 2;) {
    std::string line;
    int ch = 0;
    bool read = false;
    while (static_cast<int>(line.size()) < maxChars && (ch = text.Get()) != EOF && ch != '\n')
      line.push_back(static_cast<char>(ch));
    read = !line.empty() || ch == '\n';
    pieces.push_back({read, line, text.Tell()});
    if (!read) ++extra;
  }
  return pieces;
}

std::vector<Piece> WithoutOffsets(std::vector<Piece> pieces) {
  for (Piece& p : pieces) p.offset = -1;
  return pieces;
}

std::vector<Piece> ThroughReader(const std::string& path, int maxChars) {
  std::vector<Piece> pieces;
  TTextReader text(path);
  std::string line = "stale";
  for (int extra = 0; extra < 2;) {
    const bool read = ReadLinePiece(text, line, maxChars);
    pieces.push_back({read, line, text.Tell()});
    if (!read) ++extra;
  }
  return pieces;
}

TEST(LinePieces, RunsGiveThePiecesAndOffsetsOfOneCharacterAtATime) {
  ScratchDir dir;
  constexpr std::size_t kBlock = 1 << 16;
  const std::string filler(kBlock - 3, 'x');
  std::mt19937_64 random(1023);
  std::string noisy;
  for (int i = 0; i < 200000; ++i) {
    const auto r = random() % 24;
    noisy += r == 0 ? '\r' : r < 3 ? '\n' : r == 3 ? '\xA0' : static_cast<char>('a' + r);
  }
  const std::vector<std::string> files = {
      "", "\n", "\n\n\r\n", "one", "one\ntwo\r\nthree\rfour\n", "a\r", "\r\r\n\n\r",
      "1 2 3\r\n4 5 6\r\n\x1AGARBAGE\r\n", std::string(3000, 'L') + "\n" + std::string(1023, 'M') + "\nend",
      filler + "ab\r\ncd", filler + "a\r\ncd", filler + "abc\r\nd", filler + "ab\r", filler + "ab\n",
      filler + "ab\x1A\r\nz", filler + "ab\rcd" + filler + "\r\n\r\n", noisy + "\x1A" + noisy, noisy,
  };
  int k = 0;
  for (const std::string& bytes : files) {
    const std::string path = dir.Write("l" + std::to_string(k++) + ".txt", bytes);
    for (const int maxChars : {0, 1, 2, 7, 119, 1023, 70000}) {
      SCOPED_TRACE(testing::Message() << "file " << k << ", pieces of " << maxChars);
      const std::vector<Piece> pieces = ThroughReader(path, maxChars);
      EXPECT_EQ(pieces, ThroughGet(path, maxChars));
      EXPECT_EQ(WithoutOffsets(pieces), ThroughStream(path, maxChars));
    }
  }
}

}  // namespace
