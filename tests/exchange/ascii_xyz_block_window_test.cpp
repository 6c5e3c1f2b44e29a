// The ASCII XYZ reader scans its text through a block window: every point, value bit,
// title, mark, weight and count must be what the reader that took one character at a time
// gave. That reader is kept below, as it stood, as the reference; generated files of many
// number shapes, separators, marks, titles, words, line ends and line lengths go through
// both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/text_reader.h"
#include "app/text_utils.h"
#include "exchange/ascii_readers.h"
#include "exchange/reader_contract.h"
#include "support/scratch_files.h"

namespace {

constexpr int kTitleLineChars = 1023;
constexpr int kTitleLines = 4;
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

// A field of a data line that holds digits without being a number: letters and digits put
// together ("A4", "12b", "0x1A"), or numbers joined into a date, a time or a fraction
// ("2024-01-04", "12:30", "3/4"); an exponent ("1e5") and a weight mark ("W0.5") are numbers.
bool IsMixedField(std::string_view field) {
  while (!field.empty() && field.back() == '*') field.remove_suffix(1);
  const bool letters = std::any_of(field.begin(), field.end(), IsLetterChar);
  const bool digits = std::any_of(field.begin(), field.end(), IsDigitChar);
  if (!digits || IsWholeDecimalNumber(field)) return false;
  if (letters) return !(field.front() == 'W' && IsWholeDecimalNumber(field.substr(1)));
  return std::all_of(field.begin(), field.end(), [](char c) {
    return IsDigitChar(c) || c == '+' || c == '-' || c == '.' || c == ':' || c == '/';
  });
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
// from its first non-blank character on.
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
    const std::string text = TextOfTextFile(TitleLineText(line));
    switch (filled++) {
      case 0: titles.SetTitle(text); break;
      case 1: titles.SetXName(text); break;
      case 2: titles.SetYName(text); break;
      default: titles.SetZName(text); break;
    }
  }
}

// A value as the reader takes it: as far as long double holds it, else missing.
long double TextValueOf(std::string_view number) {
  long double v = 0;
  return ConvertDecimalNumber(number, v) ? v : ExprErrorValue;
}

// The reader itself, as it was (with the title, value and line rules of today's reader).
TReadResult ReadOneCharAtATime(const TReadArgs& args) {
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
  bool lineBegun = false;
  TCharStream in(file);
  std::string number;

  // A line that ends before its point is complete: the point is passed over and counted.
  auto passOverUnfinishedPoint = [&] {
    if (coordinate != 0) ++result.skippedLines;
    coordinate = 0;
  };
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
      if (ch == '\n') passOverUnfinishedPoint(), atLineStart = true, lineBegun = false;
    }
  };
  auto skipLine = [&] {
    in.SkipLine();
    passOverUnfinishedPoint();
    atLineStart = true;
    lineBegun = false;
  };
  // "W" followed by a number gives the previous point its weight.
  auto readWeight = [&]() {
    in.SkipBlanks();
    if (!in.ScanNumber(number)) return false;
    if (previous >= 0) {
      result.points[static_cast<std::size_t>(previous)].W = TextValueOf(number);
      result.weighted = true;
    }
    return true;
  };

  for (;;) {
    skipSpace();
    if (in.Peek() == EOF) {
      passOverUnfinishedPoint();
      break;
    }
    if (in.ScanNumber(number)) {
      nonNumber = false;
      lineBegun = true;
      const long double v = TextValueOf(number);
      if (coordinate == 0) {
        x = v;
        coordinate = 1;
      } else if (coordinate == 1) {
        y = v;
        coordinate = 2;
      } else {
        previous = points.Add(x, y, v, 1);
        coordinate = 0;
      }
      continue;
    }
    const int ch = in.Get();
    if (ch == ',') {
      std::string_view rest = in.PeekLine(kMaxNumberChars);
      const std::size_t next = rest.find_first_not_of(" \t");
      const bool empty = next == std::string_view::npos || rest[next] == ',' || rest[next] == '\r';
      if (!lineBegun || (coordinate != 0 && empty)) {
        const bool lost = coordinate != 0 || std::any_of(rest.begin(), rest.end(), IsDigitChar);
        coordinate = 0;
        nonNumber = false;
        skipLine();
        if (lost) ++result.skippedLines;
        continue;
      }
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


// Every field of two reads, the values bit for bit (10 bytes of each long double).
void ExpectSameRead(const TReadResult& got, const TReadResult& want) {
  EXPECT_EQ(got.error, want.error);
  EXPECT_EQ(got.titles.Title, want.titles.Title);
  EXPECT_EQ(got.titles.XName, want.titles.XName);
  EXPECT_EQ(got.titles.YName, want.titles.YName);
  EXPECT_EQ(got.titles.ZName, want.titles.ZName);
  EXPECT_EQ(got.weighted, want.weighted);
  EXPECT_EQ(got.pointsInFile, want.pointsInFile);
  EXPECT_EQ(got.pointsCut, want.pointsCut);
  EXPECT_EQ(got.skippedLines, want.skippedLines);
  ASSERT_EQ(got.points.size(), want.points.size());
  for (std::size_t i = 0; i < got.points.size(); ++i) {
    const TXYZPoint& g = got.points[i];
    const TXYZPoint& w = want.points[i];
    const bool same = std::memcmp(&g.X, &w.X, 10) == 0 && std::memcmp(&g.Y, &w.Y, 10) == 0 &&
                      std::memcmp(&g.Z, &w.Z, 10) == 0 && std::memcmp(&g.W, &w.W, 10) == 0 &&
                      g.Status == w.Status;
    ASSERT_TRUE(same) << "point " << i << ": (" << g.X << ", " << g.Y << ", " << g.Z << ", " << g.W
                      << ", '" << g.Status << "') but (" << w.X << ", " << w.Y << ", " << w.Z
                      << ", " << w.W << ", '" << w.Status << "')";
  }
}

// Text of a data file made of random pieces: numbers of every shape the scanner knows (and
// near misses), separators, marks and weights, titles, words, letters in the middle of
// lines, blank lines, CR LF and lone CR, a Ctrl-Z now and then, bytes beyond ASCII.
class TextMaker {
 public:
  explicit TextMaker(std::uint64_t seed) : random_(seed) {}

  std::string File() {
    std::string text;
    const int titles = Below(6);
    for (int k = 0; k < titles; ++k) text += Title() + End();
    const int lines = 1 + Below(60);
    for (int k = 0; k < lines; ++k) text += Line() + End();
    if (Below(3) == 0 && !text.empty()) text.pop_back();  // the last line without its end
    return text;
  }

  std::string Number() {
    std::string n;
    switch (Below(8)) {
      case 0: n = "-"; break;
      case 1: n = "+"; break;
      default: break;
    }
    if (Below(6) == 0) n += std::string(static_cast<std::size_t>(Below(4)), '0');
    std::string digits = Digits(Below(5) == 0 ? 1 + Below(25) : 1 + Below(16));
    if (Below(2) == 0) digits.insert(static_cast<std::size_t>(Below(static_cast<int>(digits.size()) + 1)), ".");
    if (Below(40) == 0) digits = ".";  // no digit: no number
    n += digits;
    switch (Below(6)) {
      case 0: n += Pick({"e", "E"}) + std::to_string(Below(61) - 30); break;
      case 1: n += Pick({"e+", "E-", "e-0", "e00"}) + std::to_string(Below(400)); break;
      case 2:
        n += Pick({"e", "E+", "e-", "e5000", "e-5000", "e301", "e-301", "e300", "e99999999999", "e1001",
                   "e-1e2", "e+-3", ".5", "-", "+1", "..", "e.5"});
        break;
      default: break;
    }
    return n;
  }

 private:
  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  std::string Pick(std::initializer_list<const char*> options) {
    return *(options.begin() + Below(static_cast<int>(options.size())));
  }
  std::string Digits(int count) {
    std::string d;
    for (int k = 0; k < count; ++k) d += static_cast<char>('0' + Below(10));
    return d;
  }
  std::string End() {
    switch (Below(12)) {
      case 0: return "\r\n";
      case 1: return "\r";
      case 2: return "\n\n";
      case 3: return " \t\n";
      default: return "\n";
    }
  }
  std::string Separator() {
    return Pick({" ", " ", " ", "  ", "\t", ",", ", ", ";", " ; ", "\t\t", "\v", "\f", " ,\t"});
  }
  std::string Title() {
    return Pick({"\"Bench\"", "x", "Temperature [K]", "  \"Pressure\" unit", "Run 2 at 25C", "A4 4 0",
                 "# comment 1 2 3", "", "   ", "z", "\xC3\xA9t\xC3\xA9 \xA0", "1 2 3", "-.5 1 2", "W0.5"});
  }
  std::string Line() {
    switch (Below(20)) {
      case 0: return "";
      case 1: return Pick({"  \t ", "\"quoted\" 1 2 3", "# note", "information 99 98 97", "nan 10 11 12",
                           "inf 1 1 1", "-inf", "0x1A 5 6", "A4 4 0", "B7 8 9", "1 2 3 x4", "12b 1 2",
                           "W", "*", "W x", "\x1A", "1 2\x1A 3", "\xA0 1 2 3", std::string("1 2\0 3", 6).c_str()});
      case 3: {
        // A label of a letter (or one of the characters beside the letters' ranges) and digits.
        const std::string letters = "AZaz@[`{bMyQ\xC1\xE1\xDA\xFA";
        std::string label(1, letters[static_cast<std::size_t>(Below(static_cast<int>(letters.size())))]);
        label += Digits(1 + Below(2));
        const std::string numbers = Number() + Separator() + Number();
        return Below(2) == 0 ? label + Separator() + numbers : numbers + Separator() + label;
      }
      case 2: return Number() + Separator() + Pick({"abc", "e", "E5x", "--", "1.5-", "W", "W 2", "\""}) +
                     Separator() + Number() + Separator() + Number();
      default: break;
    }
    std::string line = Below(5) == 0 ? Pick({" ", "\t", "  "}) : "";
    const int numbers = 1 + Below(5);
    for (int k = 0; k < numbers; ++k) {
      if (k > 0) line += Separator();
      line += Number();
    }
    switch (Below(10)) {
      case 0: line += Pick({"*", " *", "**", " * "}); break;
      case 1: line += Pick({" W0.5", "W2", " W 3e1", " W", " W-1", "*W.25", " Wx"}); break;
      default: break;
    }
    return line;
  }

  std::mt19937_64 random_;
};

TEST(AsciiXYZBlockWindow, GeneratedFilesReadAsOneCharacterAtATime) {
  ScratchDir dir;
  int files = 0;
  for (std::uint64_t seed = 1; seed <= 600; ++seed) {
    TextMaker maker(seed);
    const std::string path = dir.Write("g.txt", maker.File());
    TReadArgs args;
    args.path = path;
    if (seed % 5 == 0) args.capacity = 7;
    if (seed % 7 == 0) args.filterN = 2, args.filterStart = 3;
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    ASSERT_NO_FATAL_FAILURE(ExpectSameRead(ReadAsciiXYZ(args), ReadOneCharAtATime(args)));
    ++files;
  }
  EXPECT_EQ(files, 600);
}

// Lines and runs around the window's reach: a number run and a line longer than the
// 65,536 characters a number or a line's letter check looks at, letters beyond that reach,
// white space as long, a window end inside CR LF, and 16384 points of the benchmark's shape.
TEST(AsciiXYZBlockWindow, LongLinesAndRunsReadAsOneCharacterAtATime) {
  ScratchDir dir;
  const std::string reach(kMaxNumberChars, '7');
  std::string benchmarkShape = "\"Bench\"\nx\ny\nz\n";
  for (int i = 1; i <= 16384; ++i) {
    char line[96];
    const double x = i * 0.001, y = (i % 97) * 0.25;
    std::snprintf(line, sizeof line, "%.15g %.15g %.15g%s", x, y, x * y + 1.0 / i, i % 3 ? "\n" : "\r\n");
    benchmarkShape += line;
  }
  std::string manyLines;
  for (int i = 0; i < 40000; ++i) manyLines += std::to_string(i) + (i % 2 ? "\r\n" : " ");
  const std::vector<std::string> texts = {
      "1 2 3\n" + reach + "1 2 3\n4 5 6\n",
      "1 2 3\n" + reach + "\n4 5 6\n",
      "1 2 3\n" + reach.substr(1) + ".5 6 7\n",
      "1 2 " + reach + "e5 9\n8 9 10\n",
      "1 2 3 " + std::string(kMaxNumberChars, ' ') + "x4\n5 6 7\n",
      "1 2 3 " + std::string(kMaxNumberChars - 8, ' ') + "A4\n5 6 7\n",
      "1 2 3 " + std::string(kMaxNumberChars - 7, ' ') + "4x\n5 6 7\n",  // the letter just beyond
      std::string(kMaxNumberChars + 3, ' ') + "1 2 3\n" + std::string(3 * kMaxNumberChars, '\n') + "4 5 6",
      std::string(200000, '1') + " 2 3\n",
      "1 2 3\n" + std::string(kMaxNumberChars * 2, 'q') + " 4 5 6\n7 8 9\n",
      "\"" + std::string(300000, 'T') + "\"\n1 2 3\n",
      std::string(4 * kMaxNumberChars - 20, ' ') + "1.25\r\n2.5\r\n3.75\r\n",
      benchmarkShape,
      manyLines,
  };
  int k = 0;
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::Message() << "text " << k++);
    TReadArgs args;
    args.path = dir.Write("long.txt", text);
    ASSERT_NO_FATAL_FAILURE(ExpectSameRead(ReadAsciiXYZ(args), ReadOneCharAtATime(args)));
  }
}

// The window is filled again where a line is cut by its end: with the first line's length
// shifted by one character at a time, that end falls on every character of the lines after
// it, in a number, before a label and on the line feed.
TEST(AsciiXYZBlockWindow, WindowEndsFallOnEveryCharacterOfALine) {
  ScratchDir dir;
  std::string lines;
  while (lines.size() < 300000) lines += "1234567.25 2 3\n4 5 6 b7\n";  // 24 characters
  for (int shift = 0; shift < 24; ++shift) {
    SCOPED_TRACE(testing::Message() << "shift " << shift);
    TReadArgs args;
    args.path = dir.Write("shifted.txt", "1" + std::string(static_cast<std::size_t>(shift), '0') + " 0 0\n" + lines);
    ASSERT_NO_FATAL_FAILURE(ExpectSameRead(ReadAsciiXYZ(args), ReadOneCharAtATime(args)));
  }
}

}  // namespace
