#include "exchange/ascii_readers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/text_reader.h"
#include "app/text_utils.h"
#include "exchange/ascii_fields.h"
#include "exchange/reader_contract.h"
#include "platform/cp1252.h"

namespace {

// A title line's characters that are read: more than a title holds in any encoding.
constexpr int kTitleLineChars = 1023;
constexpr int kTitleLines = 4;
constexpr int kNameLines = 10;
constexpr int kListTextLines = 20;
constexpr std::size_t kListEntryChars = 50;
// A run of number characters longer than this is cut into several numbers.
constexpr std::size_t kMaxNumberChars = 65536;

// The text after the title lines, translated in large blocks, seen through a window: a
// line's letter check and a number's scan look at the rest of the line, up to
// kMaxNumberChars characters, at once. So the window holds the whole of the current line, or
// more than kMaxNumberChars characters of it, while the text lasts; only a line cut by the
// window's end is moved when it is filled again.
class TCharStream {
 public:
  explicit TCharStream(TTextReader& text)
      : text_(text), buf_(std::make_unique_for_overwrite<char[]>(kBufferChars)) {}

  // The characters from the next one on: at least the rest of the current line, or more
  // than kMaxNumberChars of it, or all that are left.
  std::string_view Ahead() {
    if (pos_ >= lineEnd_ && end_ - pos_ <= kMaxNumberChars && !atEnd_) Fill();
    return std::string_view(buf_.get() + pos_, end_ - pos_);
  }
  void Advance(std::size_t n) { pos_ += n; }
  // Past the next line feed, or to the end of the text.
  void SkipLine() {
    for (std::string_view ahead = Ahead(); !ahead.empty(); ahead = Ahead()) {
      const void* lineFeed = std::memchr(ahead.data(), '\n', ahead.size());
      if (lineFeed != nullptr) {
        Advance(static_cast<std::size_t>(static_cast<const char*>(lineFeed) - ahead.data()) + 1);
        return;
      }
      Advance(ahead.size());
    }
  }
  // Past blanks and tabs.
  void SkipBlanks() {
    for (std::string_view ahead = Ahead(); !ahead.empty(); ahead = Ahead()) {
      const std::size_t n = ahead.find_first_not_of(" \t");
      Advance(n == std::string_view::npos ? ahead.size() : n);
      if (n != std::string_view::npos) return;
    }
  }

 private:
  static constexpr std::size_t kBufferChars = 4 * kMaxNumberChars;
  void Fill() {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    const std::size_t room = kBufferChars - end_;
    const std::size_t got = text_.Read(buf_.get() + end_, room);
    end_ += got;
    atEnd_ = got < room;  // the reader gives less only at the end of the text
    const void* last = memrchr(buf_.get(), '\n', end_);
    lineEnd_ = last != nullptr ? static_cast<std::size_t>(static_cast<const char*>(last) - buf_.get()) + 1 : 0;
  }

  TTextReader& text_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, end_ = 0;  // the next character and the end of those read, in buf_
  std::size_t lineEnd_ = 0;        // just past the last line feed in buf_ (0: none)
  bool atEnd_ = false;
};

bool IsLetterChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The white space of the C locale, whatever the user's locale.
bool IsSpaceChar(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether a text holds a letter of the alphabet, eight characters at a time: a byte is a
// letter when its high bit is clear and, with the case bit set, it lies within 'a' .. 'z'.
bool HoldsLetter(std::string_view text) {
  constexpr std::uint64_t kHigh = 0x8080808080808080, kLow7 = 0x7F7F7F7F7F7F7F7F;
  constexpr std::uint64_t kCase = 0x2020202020202020, kEach = 0x0101010101010101;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    const std::uint64_t low = (word | kCase) & kLow7;
    const std::uint64_t fromA = low + kEach * (0x80 - 'a');      // high bit: at least 'a'
    const std::uint64_t pastZ = low + kEach * (0x80 - 'z' - 1);  // high bit: beyond 'z'
    if ((fromA & ~pastZ & ~word & kHigh) != 0) return true;
  }
  for (; i < text.size(); ++i)
    if (IsLetterChar(text[i])) return true;
  return false;
}

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

// A character a number is written with, besides the digits, or one that joins numbers into
// a date, a time or a fraction.
bool IsNumberPunctuation(char c) { return c == '+' || c == '-' || c == '.' || c == ':' || c == '/'; }

// A field of a data line that holds digits without being a number: letters and digits put
// together ("A4", "12b", "0x1A"), or numbers joined into a date, a time or a fraction
// ("2024-01-04", "12:30", "3/4", "1.2.3"). Read as a stream, the date gave the three numbers
// 2024, -1 and -4. An exponent ("1e5"), a weight mark ("W0.5") and an inactive mark ("3*")
// are numbers.
bool IsMixedField(std::string_view field) {
  while (!field.empty() && field.back() == '*') field.remove_suffix(1);
  const bool digits = std::any_of(field.begin(), field.end(), IsDigitChar);
  if (!digits || IsWholeDecimalNumber(field)) return false;
  if (std::any_of(field.begin(), field.end(), IsLetterChar))
    return !(field.front() == 'W' && IsWholeDecimalNumber(field.substr(1)));
  return std::all_of(field.begin(), field.end(), [](char c) { return IsDigitChar(c) || IsNumberPunctuation(c); });
}

// Whether a line may hold a field that IsMixedField finds without letters: a colon or a
// slash, a sign after a digit, a period or another sign, or a second period in a run of
// digits. A line of numbers has none ("1e-5" has a letter before its sign).
bool MayJoinNumbers(std::string_view line) {
  bool period = false;
  char previous = ' ';
  for (const char c : line) {
    if (c == ':' || c == '/') return true;
    if (c == '+' || c == '-') {
      if (IsDigitChar(previous) || previous == '.' || previous == '+' || previous == '-') return true;
    } else if (c == '.') {
      if (period) return true;
      period = true;
    } else if (!IsDigitChar(c)) {
      period = false;
    }
    previous = c;
  }
  return false;
}

// The blank-, tab- or comma-separated fields of a line.
std::vector<std::string_view> LineWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  const auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; };
  while (i < line.size()) {
    while (i < line.size() && separator(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !separator(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A line that is no point although it holds numbers: one of its fields mixes letters or
// other numbers into digits (IsMixedField). Read as a stream, "A4 4 0" would give the point
// (4, 4, 0) made of the label's digits; such a line is passed over whole and counted
// instead. A quoted line is a title and is passed over anyway.
bool HoldsMalformedNumber(std::string_view line) {
  if (!HoldsLetter(line) && !MayJoinNumbers(line)) return false;  // most data lines
  const std::vector<std::string_view> words = LineWords(line);
  if (words.empty() || words.front().front() == '"') return false;
  return std::any_of(words.begin(), words.end(), IsMixedField);
}

// Among the title lines: a labelled point ("A4 4 0"), a first field mixing letters into
// digits followed by numbers only. It ends the titles, as a numeric line does.
bool IsLabelledPointLine(std::string_view line) {
  const std::vector<std::string_view> words = LineWords(line);
  if (words.size() < 3 || !IsMixedField(words.front())) return false;
  return std::all_of(words.begin() + 1, words.end(),
                     [](std::string_view w) { return IsWholeDecimalNumber(w); });
}

// The text of a title line: from its first quote to its last when it starts with one, else
// from its first non-blank character on. The program writes a title quoted as it stands, so
// that a title holding quotes itself (Plate "A" 5mm) comes back whole; a title line that
// opens a quote and never closes it gives the rest of the line.
std::string TitleLineText(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  line.remove_prefix(i);
  if (!line.empty() && line.front() == '"') {
    line.remove_prefix(1);
    const std::size_t close = line.rfind('"');
    if (close != std::string_view::npos) line = line.substr(0, close);
  }
  std::string text(line);
  TrimRight(text);
  return text;
}

// The column names of a heading line: two or more quoted fields, parted by blanks, tabs,
// commas or semicolons ("Ostwert (m)"<TAB>"Nordwert (m)"<TAB>"Höhe (m)", "x","y","z" or
// "x" "y" "z"). A quote doubled inside a field is one quote. Empty when the line is
// anything else: one quoted title, which may hold quotes of its own (Plate "A" 5mm, written
// back as "Plate "A" 5mm"), or a title of words, commas or tabs ("Survey 3, March", or
// x,y,z: a title with a comma cannot be told from a heading without quotes). Taken as one
// title from its first quote to its last, the heading gave the X name
// 'Ostwert (m)"<TAB>"Nordwert (m)' cut at 40 characters, and no Y or Z name.
std::vector<std::string> HeadingNames(std::string_view line) {
  std::vector<std::string> fields;
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; };
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && separator(line[i])) ++i;
    if (i >= line.size()) break;
    if (line[i] != '"') return {};
    std::string field;
    bool closed = false;
    for (++i; i < line.size() && !closed; ++i) {
      if (line[i] != '"')
        field += line[i];
      else if (i + 1 < line.size() && line[i + 1] == '"')
        field += line[i++];
      else
        closed = true;
    }
    // A quoted field ends the line or meets a separator; anything else makes the line one title.
    if (!closed || (i < line.size() && !separator(line[i]))) return {};
    fields.push_back(std::move(field));
  }
  if (fields.size() < 2) return {};
  return fields;
}

void ReadTitleLines(TTextReader& file, TDataTitles& titles) {
  std::string line;
  int filled = 0;
  while (filled < kTitleLines) {
    const std::int64_t start = file.Tell();
    if (!ReadTextLine(file, line, kTitleLineChars)) break;
    if (IsAllBlanks(line)) continue;
    if (IsNumericLine(line) || IsLabelledPointLine(line)) {
      (void)file.Seek(start);  // the offset of a line read a moment ago
      break;
    }
    // A heading names X, Y and Z by its first three fields and ends the title lines.
    if (const std::vector<std::string> names = HeadingNames(line); !names.empty()) {
      titles.SetXName(TextOfTextFile(names[0]));
      titles.SetYName(TextOfTextFile(names[1]));
      titles.SetZName(names.size() > 2 ? TextOfTextFile(names[2]) : std::string());
      break;
    }
    const std::string text = TextOfTextFile(TitleLineText(line));
    switch (filled++) {
      case 0: titles.SetTitle(text); break;
      case 1: titles.SetXName(text); break;
      case 2: titles.SetYName(text); break;
      default: titles.SetZName(text); break;
    }
  }
}

}  // namespace

TReadResult ReadAsciiXYZ(const TReadArgs& args) {
  TReadResult result;
  TTextReader file(args.path);
  if (!file.IsOpen()) {
    result.error = TReadError::kCannotOpen;
    return result;
  }
  {
    const platform::TReplacedCharacters lost;  // the title lines convert only their titles
    ReadTitleLines(file, result.titles);
    result.unheldCharacters = lost.Count();
  }

  TPointCollector points(args, result);
  // X, Y and Z of the point being read; each number is scanned into its place.
  long double xyz[3] = {0, 0, 0};
  int coordinate = 0;  // the next value is X (0), Y (1) or Z (2)
  int previous = -1;    // the stored point the last completed point became, -1 none
  bool nonNumber = false;
  bool atLineStart = true;
  bool lineBegun = false;  // a value or a mark of the current line was read
  TCharStream in(file);

  // A point is complete on its line: a line that ends before its Z (the review's "x y" of a
  // grid point the fit cannot evaluate) is passed over and counted. Read on across the line
  // end, the point took the next line's first number, and every later point was made of
  // the values of two lines.
  auto passOverUnfinishedPoint = [&] {
    if (coordinate == 0) return;
    coordinate = 0;
    ++result.skippedLines;
  };
  // Blanks and line ends; every line is looked at once before its first value is read.
  auto skipSpace = [&] {
    for (;;) {
      const std::string_view ahead = in.Ahead();
      if (atLineStart) {
        atLineStart = false;
        const std::string_view window = ahead.substr(0, kMaxNumberChars);
        const void* lineFeed = std::memchr(window.data(), '\n', window.size());
        const std::size_t length = lineFeed != nullptr
                                       ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - window.data())
                                       : window.size();
        if (HoldsMalformedNumber(window.substr(0, length))) {
          in.SkipLine();
          ++result.skippedLines;
          atLineStart = true;
          continue;
        }
      }
      std::size_t i = 0;
      while (i < ahead.size() && ahead[i] != '\n' && IsSpaceChar(ahead[i])) ++i;
      if (i < ahead.size() && ahead[i] == '\n') {
        in.Advance(i + 1);
        passOverUnfinishedPoint();
        atLineStart = true;
        lineBegun = false;
        continue;
      }
      in.Advance(i);
      if (i < ahead.size() || ahead.empty()) return;
    }
  };
  // A number at the next character; false, consuming nothing, when none starts there. A run
  // of number characters longer than kMaxNumberChars is cut into several numbers.
  auto scanNumber = [&](long double& value) {
    const std::size_t n = ScanLongDoubleValue(in.Ahead().substr(0, kMaxNumberChars), value);
    in.Advance(n);
    return n > 0;
  };
  auto skipLine = [&] {
    in.SkipLine();
    passOverUnfinishedPoint();
    atLineStart = true;
    lineBegun = false;
  };
  // After a comma: an empty cell, blanks up to another comma or the line's end.
  auto emptyCellFollows = [&] {
    const std::string_view ahead = in.Ahead();
    std::size_t i = 0;
    while (i < ahead.size() && (ahead[i] == ' ' || ahead[i] == '\t')) ++i;
    return i == ahead.size() || ahead[i] == ',' || ahead[i] == '\n' || ahead[i] == '\r';
  };
  auto restOfLineHoldsDigit = [&] {
    const std::string_view ahead = in.Ahead();
    const std::string_view line = ahead.substr(0, std::min(ahead.find('\n'), kMaxNumberChars));
    return std::any_of(line.begin(), line.end(), IsDigitChar);
  };
  // "W" followed by a number gives the previous point its weight.
  auto readWeight = [&]() {
    in.SkipBlanks();
    long double w = 0;
    if (!scanNumber(w)) return false;
    if (previous >= 0) {
      result.points[static_cast<std::size_t>(previous)].W = w;
      result.weighted = true;
    }
    return true;
  };

  for (;;) {
    skipSpace();
    if (scanNumber(xyz[coordinate])) {
      nonNumber = false;
      lineBegun = true;
      if (++coordinate == 3) {
        previous = points.Add(xyz[0], xyz[1], xyz[2], 1);
        coordinate = 0;
        if (points.Done()) break;
      }
      continue;
    }
    const std::string_view ahead = in.Ahead();
    if (ahead.empty()) {
      passOverUnfinishedPoint();  // the last line, without its line feed
      break;
    }
    const char ch = ahead.front();
    in.Advance(1);
    // An empty cell of a comma-separated line (",,", a comma that begins the line, one that
    // ends it within a point): a value of the point is missing. Commas are passed over
    // between numbers, so the point took the next line's numbers, and every later point was
    // made of the values of two rows. The point and the rest of its line are passed over.
    if (ch == ',' && (!lineBegun || (coordinate != 0 && emptyCellFollows()))) {
      const bool lost = coordinate != 0 || restOfLineHoldsDigit();
      coordinate = 0;
      nonNumber = false;
      skipLine();
      if (lost) ++result.skippedLines;
      continue;
    }
    lineBegun = true;
    if (ch == '*') {
      if (previous >= 0) result.points[static_cast<std::size_t>(previous)].Status = kPointInactive;
      continue;
    }
    if (ch == 'W' && readWeight()) {
      nonNumber = false;
      continue;
    }
    if (!nonNumber) {
      if (ch == '"')
        skipLine();
      else
        nonNumber = true;
    } else {
      skipLine();
      nonNumber = false;
    }
  }
  return result;
}

TReadResult ReadAsciiMultiColumn(const TReadArgs& args) {
  TReadResult result;
  TTextReader file(args.path);
  if (!file.IsOpen()) {
    result.error = TReadError::kCannotOpen;
    return result;
  }
  const bool commaMode = DecideCommaMode(file);

  TDataTitles& titles = result.titles;
  std::string line;
  TLineFields fields;
  int unheld[3] = {0, 0, 0};  // of each name as last set
  for (int k = 0; k < kNameLines && ReadTextLine(file, line, kDataLineChars); ++k) {
    ScanLineFields(line, fields, commaMode, kFieldLimit, true);
    auto name = [&](int column, auto set, int& lost) {
      const std::string_view text = fields.Text(line, column - 1);
      if (text.empty()) return;
      const platform::TReplacedCharacters replaced;
      (titles.*set)(TextOfTextFile(text));
      lost = replaced.Count();
    };
    name(args.colX, &TDataTitles::SetXName, unheld[0]);
    name(args.colY, &TDataTitles::SetYName, unheld[1]);
    name(args.colZ, &TDataTitles::SetZName, unheld[2]);
    if (!titles.XName.empty() && !titles.YName.empty() && !titles.ZName.empty()) break;
  }
  result.unheldCharacters = unheld[0] + unheld[1] + unheld[2];
  file.Rewind();

  TPointCollector points(args, result);
  while (ReadTextLine(file, line, kDataLineChars)) {
    ScanLineFields(line, fields, commaMode, kFieldLimit, true);
    TDataRangeNote note;
    const long double x = FieldValue(line, fields, args.colX, &note);
    const long double y = FieldValue(line, fields, args.colY, &note);
    const long double z = FieldValue(line, fields, args.colZ, &note);
    if (IsMissingValue(x) || IsMissingValue(y) || IsMissingValue(z)) {
      // A line with a number in one chosen column and text or nothing in another is told;
      // a heading of names holds none. A number beyond the data's range is told as such.
      if (note.beyond > 0)
        points.SkipBeyondRangeRow();
      else if (IsIncompleteRow(std::array{x, y, z}))
        points.SkipRow();
      continue;
    }
    long double w = 1;
    if (args.colW >= 0) {
      w = FieldValue(line, fields, args.colW, &note);
      if (IsMissingValue(w) || !(w > 0)) w = 1;
    }
    if (points.Add(x, y, z, w) >= 0) points.NoteNearZero(note.nearZero);
    if (points.Done()) break;
  }
  result.weighted = !result.points.empty() && args.colW >= 0;
  return result;
}

int ListAsciiColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  TTextReader file(path);
  if (!file.IsOpen()) return -1;
  const bool commaMode = DecideCommaMode(file);
  std::vector<std::string> lines;
  std::string line;
  int columns = 0;
  // Fields are numbered as the readers number them, words beginning with "*" or "W"
  // included: leaving those out here shifted the later columns of a line such as
  // "Wien 8 9", so the column the user picked from the list was not the column read.
  for (int k = 0; k < kListTextLines && ReadTextLine(file, line, kDataLineChars); ++k) lines.push_back(line);
  // Each line scanned once: a wide file's entries would otherwise scan every line again for
  // each of its columns.
  std::vector<TLineFields> scanned(lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int count = ScanLineFields(lines[k], scanned[k], commaMode, kFieldLimit, true);
    if (k < static_cast<std::size_t>(kNameLines)) columns = std::max(columns, count);
  }
  for (int c = 1; c <= columns; ++c) {
    std::string entry = CFormat("%3d ", c);
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::string& l = lines[k];
      const std::string_view text = scanned[k].Text(l, c - 1);
      if (text.empty()) continue;
      entry.append(TextOfTextFile(text));
      entry.append("  ");
      if (entry.size() >= kListEntryChars) break;
    }
    list.push_back(entry.substr(0, kListEntryChars));
  }
  return columns;
}

TColumnArray ReadAsciiColumn(const std::string& path, int column) {
  TTextReader file(path);
  if (!file.IsOpen()) return {};
  const bool commaMode = DecideCommaMode(file);
  TColumnArray values = NewColumnArray();
  std::string line;
  while (ReadTextLine(file, line, kDataLineChars) &&
         static_cast<int>(values[0]) < kMaxColumnValues) {
    const long double v = ParseLineField(line, column, commaMode);
    if (!IsMissingValue(v)) AppendColumnValue(values, v);
  }
  return values;
}

TPairedColumns ReadAsciiColumnPairs(const std::string& path, std::span<const int> columns) {
  TTextReader file(path);
  if (!file.IsOpen() || columns.empty()) return {};
  const bool commaMode = DecideCommaMode(file);
  TColumnPairs pairs(columns.size());
  std::vector<long double> row(columns.size());
  std::string line;
  TLineFields fields;
  bool room = true;
  while (room && ReadTextLine(file, line, kDataLineChars)) {
    ScanLineFields(line, fields, commaMode, kFieldLimit, true);
    for (std::size_t k = 0; k < columns.size(); ++k) row[k] = FieldValue(line, fields, columns[k]);
    room = pairs.AddRow(row);
  }
  return pairs.Take();
}
