// TMFile: the line buffer behind every text window (lists, files viewed, result texts, the
// review's panes). Each line keeps its coded text (app/coded_text.h), its length, its
// visible width and up to 15 segment lengths: a segmented line is drawn, printed and
// exported one segment at a time (the rich-text export turns segment starts into tab
// stops). The buffer holds at most the capacity given at construction. Lines are kept whole,
// however long: a line cut at a fixed length showed part of a file and passed the cut line
// on, through Save As, Copy and the ASCII editor, as if it were the file's.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/text_file_bytes.h"

inline constexpr std::size_t kLineAttrSize = 15;

using TLineAttr = std::array<std::uint8_t, kLineAttrSize>;

// How a loaded file's tildes are read: as the codes of coded text (the program's own
// equation lists), or as the characters of a file a user views (each kept as "~~", which is
// drawn, printed, copied and saved as the one tilde the file holds: read as codes, "~/data"
// showed and saved as "data", and "50%~~off" as "50%off"). A file a user views is also read
// in its own encoding (UserFileEncoding), its characters made the program's (TextOfUserFile):
// taken byte for byte, "Temp °C" of a UTF-8 file showed and copied as "Temp Â°C".
enum class FileTildes { kCodes, kLiteral };



struct TMLine {
  std::string text;
  int width = 0;   // visible characters: the length less 2 for every code pair, 1 for "~~"
  TLineAttr attr{};  // segment lengths, 0-terminated; attr[0] == 0: a plain line
};

class TMFile {
 public:
  // Loads the file when a name is given (see Reset), else starts empty.
  TMFile(std::string_view fileName, int capacity);

  // Frees every line and loads the file (or starts empty when the name is empty). A load
  // that fails leaves the buffer without a table (HasTable false); false then.
  [[nodiscard]] bool Reset(std::string_view fileName);
  // Loading a text file: each line up to its line feed, whole, a TAB becoming blanks up to
  // the next even column. Fails when the file
  // cannot be opened or holds more lines than the capacity. Append keeps what it read on
  // failure; a fresh load leaves no table. The file's tildes are read as `tildes` says.
  [[nodiscard]] bool Load(std::string_view fileName, FileTildes tildes = FileTildes::kCodes);
  [[nodiscard]] bool Append(std::string_view fileName, FileTildes tildes = FileTildes::kCodes);
  bool HasTable() const { return hasTable_; }
  // The encoding of the file last loaded (kProgramText for a buffer not loaded from a file),
  // and the characters of the files read that Windows-1252 lacks, shown as '?'.
  TFileEncoding Encoding() const { return encoding_; }
  int UnheldCharacters() const { return unheldCharacters_; }

  // Frees every line; count and max width 0 (top line and left column are kept). 1.
  int Clear();
  // Replaces line `index` (-1: the end) or adds it at index == count. A text holding line
  // feeds is split: the part after the first line feed is set at index + 1 first, then the
  // line gets the part before it; a trailing line feed is dropped. Returns 1, -1 when the
  // text was cut at the line limit, 0 when the index is beyond the count or the capacity.
  int SetLine(int index, std::string_view text, const std::uint8_t* attr = nullptr);
  int AppendLine(std::string_view text, const std::uint8_t* attr = nullptr) {
    return SetLine(LineCount(), text, attr);
  }
  // Inserts the text's lines before line `index` (-1: the end); 0 when they do not fit.
  int InsertLine(int index, std::string_view text, const std::uint8_t* attr = nullptr);
  int DeleteLine(int index);

  // Null outside 0 .. count - 1.
  const char* GetLine(int index) const;
  // The segment lengths; all zero outside the lines.
  const std::uint8_t* GetLineAttr(int index) const;
  int GetLineLength(int index) const;
  int GetLineWidth(int index) const;
  int LineCount() const { return static_cast<int>(lines_.size()); }
  int MaxWidth() const { return maxWidth_; }
  int Capacity() const { return capacity_; }
  // Whether the line holds code pairs (its length exceeds its visible width).
  bool IsCoded(int index) const { return GetLineLength(index) > GetLineWidth(index); }

  int topLine = 0;
  int leftColumn = 0;

 private:
  // `fresh`: the buffer takes the file's encoding (a load, not an append).
  [[nodiscard]] bool Read(std::string_view fileName, FileTildes tildes, bool fresh);
  void RecomputeMaxWidth();

  int capacity_;
  bool hasTable_ = true;
  TFileEncoding encoding_ = TFileEncoding::kProgramText;
  int unheldCharacters_ = 0;
  int maxWidth_ = 0;
  std::vector<TMLine> lines_;
};

// The visible width of a text: its length less 2 for every code pair ('~' and the character
// after it, or a '~' that ends the text), less 1 for every "~~" (a tilde shown).
int VisibleWidth(std::string_view text);

// The segments of a line as (offset, length) pairs; one segment for a plain line. Text
// beyond the listed lengths forms a last segment.
std::vector<std::pair<int, int>> LineSegments(std::string_view text, const std::uint8_t* attr);
