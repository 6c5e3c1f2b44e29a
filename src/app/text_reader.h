// Reading a text file a character at a time, quickly: the file is read in large blocks and
// translated as the program's text streams translate it (FOpenOem's "r": CR LF becomes LF, a
// lone CR stays, a Ctrl-Z ends the text), and the reader keeps the byte offset in the file
// of the next character itself, so that Tell and Seek need no unbuffered stream below them.
// A UTF-8 byte order mark at the start of the file is not part of the text: the text begins
// after it (Excel's "CSV UTF-8" and many editors write one).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/file_utils.h"

class TTextReader {
 public:
  explicit TTextReader(const std::filesystem::path& name);
  TTextReader(const TTextReader&) = delete;
  TTextReader& operator=(const TTextReader&) = delete;

  // False when the file could not be opened.
  bool IsOpen() const { return raw_ != nullptr; }
  // The next character (as unsigned char), or EOF at the end of the text or on a read error.
  int Get() {
    if (pos_ + 1 < end_) {
      const unsigned char ch = static_cast<unsigned char>(buf_[pos_]);
      if (ch != '\r' && ch != kCtrlZ) {
        ++pos_;
        return ch;
      }
    }
    return GetSlow();
  }
  // Up to `count` characters into `out`, as as many calls of Get would give them; fewer only
  // at the end of the text (or on a read error). The number given.
  std::size_t Read(char* out, std::size_t count);
  // Appends to `line` the characters Get gives before the next line feed while `line` holds
  // fewer than maxChars; true when a line feed ended it (taken, not appended), false when
  // `line` is full or the text ended.
  bool AppendLine(std::string& line, std::size_t maxChars);
  // The byte offset in the file of the next character.
  std::int64_t Tell() const { return start_ + static_cast<std::int64_t>(pos_); }
  // Goes to a byte offset in the file (the text ended by a Ctrl-Z goes on from there); false
  // when the file cannot be positioned there.
  [[nodiscard]] bool Seek(std::int64_t offset);
  // Goes to the start of the text.
  void Rewind() { (void)Seek(textStart_); }
  // A read of the file failed.
  bool Error() const { return error_; }
  // The file began with a UTF-8 byte order mark.
  bool MarkedUtf8() const { return textStart_ != 0; }

 private:
  static constexpr unsigned char kCtrlZ = 26;
  static constexpr std::size_t kBlockBytes = 1 << 16;
  int GetSlow();
  // Reads up to `count` bytes of the file straight into `out` and translates them there;
  // only while no byte is held. The characters given.
  std::size_t ReadInPlace(char* out, std::size_t count);
  // Keeps the bytes not yet taken and reads more behind them; false when none came.
  bool Refill();

  FilePtr raw_;
  std::int64_t textStart_ = 0;  // 3 after a UTF-8 byte order mark, else 0
  std::vector<char> buf_;
  std::size_t pos_ = 0, end_ = 0;  // the next byte and the end of the bytes read, in buf_
  std::int64_t start_ = 0;         // the file offset of buf_[0]
  bool atCtrlZ_ = false;
  bool rawEnd_ = false;  // the file has no more bytes
  bool error_ = false;
};
