#include "exchange/ascii_readers.h"

#include <algorithm>
#include <cctype>
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

namespace {

constexpr int kTitleLineChars = 119;
constexpr int kDataLineChars = 1023;
constexpr int kTitleLines = 4;
constexpr int kNameLines = 10;
constexpr int kListTextLines = 20;
constexpr std::size_t kListEntryChars = 50;
// A run of number characters longer than this is cut into several numbers.
constexpr std::size_t kMaxNumberChars = 65536;

// Characters of a text stream with as much look-ahead as a number needs, so that "1e" or
// "1.5-" can be taken apart without losing characters (the C library's scanners give back
// one character only).
class TCharStream {
 public:
  explicit TCharStream(TTextReader& text) : text_(text) {}

  int Peek(std::size_t k = 0) {
    while (look_.size() <= pos_ + k) {
      const int ch = text_.Get();
      if (ch == EOF) return EOF;
      look_.push_back(static_cast<char>(ch));
    }
    return static_cast<unsigned char>(look_[pos_ + k]);
  }
  int Get() {
    const int ch = Peek();
    if (ch != EOF) Advance(1);
    return ch;
  }
  void SkipWhitespace() {
    for (int ch = Peek(); ch != EOF && std::isspace(ch); ch = Peek()) Advance(1);
  }
  void SkipBlanks() {
    for (int ch = Peek(); ch == ' ' || ch == '\t'; ch = Peek()) Advance(1);
  }
  void SkipLine() {
    for (int ch = Get(); ch != EOF && ch != '\n'; ch = Get()) {
    }
  }
  // The rest of the current line (without its line feed), at most maxChars of it.
  std::string_view PeekLine(std::size_t maxChars) {
    std::size_t k = 0;
    for (int ch = Peek(); ch != EOF && ch != '\n' && k < maxChars; ch = Peek(++k)) {
    }
    return std::string_view(look_.data() + pos_, k);
  }
  // Takes a number at the current position (see number_scanner.h); false, consuming
  // nothing, when none starts here.
  bool ScanNumber(std::string& number) {
    std::size_t k = 0;
    for (int ch = Peek(); ch != EOF && k < kMaxNumberChars && IsNumberChar(ch); ch = Peek(++k)) {
    }
    const std::string_view candidate(look_.data() + pos_, k);
    const std::size_t n = ScanDecimalNumber(candidate);
    if (n == 0) return false;
    number.assign(candidate.substr(0, n));
    Advance(n);
    return true;
  }

 private:
  static bool IsNumberChar(int ch) {
    return (ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-' || ch == 'e' ||
           ch == 'E';
  }
  void Advance(std::size_t n) {
    pos_ += n;
    if (pos_ > 4096) {
      look_.erase(0, pos_);
      pos_ = 0;
    }
  }

  TTextReader& text_;
  std::string look_;
  std::size_t pos_ = 0;
};

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

// A line whose first non-blank character is a digit, a period before a digit, or a minus
// sign before a digit or before a period and a digit.
bool IsNumericLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
  const char c = at(i);
  if (IsDigitChar(c)) return true;
  if (c == '.') return IsDigitChar(at(i + 1));
  if (c == '-')
    return IsDigitChar(at(i + 1)) || (at(i + 1) == '.' && IsDigitChar(at(i + 2)));
  return false;
}

bool IsLetterChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A field of a data line that puts letters and digits together without being a number
// ("A4", "12b", "0x1A"); an exponent ("1e5") and a weight mark ("W0.5") are numbers.
bool IsMixedField(std::string_view field) {
  while (!field.empty() && field.back() == '*') field.remove_suffix(1);
  const bool letters = std::any_of(field.begin(), field.end(), IsLetterChar);
  const bool digits = std::any_of(field.begin(), field.end(), IsDigitChar);
  if (!letters || !digits || IsWholeDecimalNumber(field)) return false;
  return !(field.front() == 'W' && IsWholeDecimalNumber(field.substr(1)));
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

// A line that is no point although it holds numbers: one of its fields mixes letters into
// digits. Read as a stream, "A4 4 0" would give the point (4, 4, 0) made of the label's
// digits; such a line is passed over whole and counted instead. A quoted line is a title
// and is passed over anyway.
bool MixesLettersIntoNumbers(std::string_view line) {
  if (std::none_of(line.begin(), line.end(), IsLetterChar)) return false;  // most data lines
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

// The text of a title line: inside its quotes when it starts with one, else from its first
// non-blank character on.
std::string TitleLineText(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  line.remove_prefix(i);
  if (!line.empty() && line.front() == '"') {
    line.remove_prefix(1);
    const std::size_t close = line.find('"');
    if (close != std::string_view::npos) line = line.substr(0, close);
  }
  std::string text(line);
  TrimRight(text);
  return text;
}

void ReadTitleLines(TTextReader& file, TDataTitles& titles) {
  std::string line;
  int filled = 0;
  while (filled < kTitleLines) {
    const std::int64_t start = file.Tell();
    if (!ReadLinePiece(file, line, kTitleLineChars)) break;
    if (IsAllBlanks(line)) continue;
    if (IsNumericLine(line) || IsLabelledPointLine(line)) {
      (void)file.Seek(start);  // the offset of a line read a moment ago
      break;
    }
    const std::string text = TitleLineText(line);
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
  ReadTitleLines(file, result.titles);

  TPointCollector points(args, result);
  int coordinate = 0;   // the next value is X (0), Y (1) or Z (2)
  long double x = 0, y = 0;
  int previous = -1;    // the stored point the last completed point became, -1 none
  bool nonNumber = false;
  bool atLineStart = true;
  TCharStream in(file);
  std::string number;

  // Blanks and line ends; every line is looked at once before its first value is read.
  auto skipSpace = [&] {
    for (;;) {
      if (atLineStart) {
        atLineStart = false;
        if (MixesLettersIntoNumbers(in.PeekLine(kMaxNumberChars))) {
          in.SkipLine();
          ++result.skippedLines;
          atLineStart = true;
          continue;
        }
      }
      const int ch = in.Peek();
      if (ch == EOF || !std::isspace(ch)) return;
      in.Get();
      if (ch == '\n') atLineStart = true;
    }
  };
  auto skipLine = [&] {
    in.SkipLine();
    atLineStart = true;
  };
  // "W" followed by a number gives the previous point its weight.
  auto readWeight = [&]() {
    in.SkipBlanks();
    if (!in.ScanNumber(number)) return false;
    if (previous >= 0) {
      result.points[static_cast<std::size_t>(previous)].W = DataValueOf(number);
      result.weighted = true;
    }
    return true;
  };

  for (;;) {
    skipSpace();
    if (in.Peek() == EOF) break;
    if (in.ScanNumber(number)) {
      nonNumber = false;
      const long double v = DataValueOf(number);
      if (coordinate == 0) {
        x = v;
        coordinate = 1;
      } else if (coordinate == 1) {
        y = v;
        coordinate = 2;
      } else {
        // An unfinished point at the end of the file is no data.
        previous = points.Add(x, y, v, 1);
        coordinate = 0;
      }
      continue;
    }
    const int ch = in.Get();
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
  for (int k = 0; k < kNameLines && ReadLinePiece(file, line, kDataLineChars); ++k) {
    ScanLineFields(line, fields, commaMode, kFieldLimit, true);
    auto name = [&](int column, auto set) {
      const std::string_view text = fields.Text(line, column - 1);
      if (!text.empty()) (titles.*set)(text);
    };
    name(args.colX, &TDataTitles::SetXName);
    name(args.colY, &TDataTitles::SetYName);
    name(args.colZ, &TDataTitles::SetZName);
    if (!titles.XName.empty() && !titles.YName.empty() && !titles.ZName.empty()) break;
  }
  file.Rewind();

  TPointCollector points(args, result);
  while (ReadLinePiece(file, line, kDataLineChars)) {
    long double x, y, z;
    if (ParseLineFields(line, args.colX, args.colY, args.colZ, x, y, z, commaMode) != 3) continue;
    long double w = 1;
    if (args.colW >= 0) {
      w = ParseLineField(line, args.colW, commaMode);
      if (IsMissingValue(w) || !(w > 0)) w = 1;
    }
    points.Add(x, y, z, w);
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
  TLineFields fields;
  int columns = 0;
  // Fields are numbered as the readers number them, words beginning with "*" or "W"
  // included: leaving those out here shifted the later columns of a line such as
  // "Wien 8 9", so the column the user picked from the list was not the column read.
  for (int k = 0; k < kListTextLines && ReadLinePiece(file, line, kDataLineChars); ++k) {
    if (k < kNameLines)
      columns = std::max(columns, ScanLineFields(line, fields, commaMode, kFieldLimit, true));
    lines.push_back(line);
  }
  columns = std::min(columns, kFieldLimit);
  for (int c = 1; c <= columns; ++c) {
    std::string entry = CFormat("%3d ", c);
    for (const std::string& l : lines) {
      ScanLineFields(l, fields, commaMode, kFieldLimit, true);
      const std::string_view text = fields.Text(l, c - 1);
      if (text.empty()) continue;
      entry.append(text);
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
  while (ReadLinePiece(file, line, kDataLineChars) &&
         static_cast<int>(values[0]) < kMaxColumnValues) {
    const long double v = ParseLineField(line, column, commaMode);
    if (!IsMissingValue(v)) AppendColumnValue(values, v);
  }
  return values;
}
