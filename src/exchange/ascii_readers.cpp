#include "exchange/ascii_readers.h"

#include <algorithm>
#include <cctype>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
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
  explicit TCharStream(std::FILE* file) : file_(file) {}

  int Peek(std::size_t k = 0) {
    while (look_.size() <= pos_ + k) {
      const int ch = std::getc(file_);
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

  std::FILE* file_;
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

void ReadTitleLines(std::FILE* file, TDataTitles& titles) {
  std::string line;
  int filled = 0;
  while (filled < kTitleLines) {
    const long start = std::ftell(file);
    if (!ReadLinePiece(file, line, kTitleLineChars)) break;
    if (IsAllBlanks(line)) continue;
    if (IsNumericLine(line)) {
      std::fseek(file, start, SEEK_SET);
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

int ReadAsciiXYZ(const TReadArgs& args, TDataTitles& titles) {
  FilePtr file = FOpenOem(args.path, "r");
  if (!file) return -1;
  TTableFiller table(args.firstRow, args.cleared);
  titles = TDataTitles{};
  ReadTitleLines(file.get(), titles);

  const long double oldWeightsFlag = table.Record(0).W;
  int row = args.firstRow;
  int completed = 0;
  int stored = 0;
  int coordinate = 0;   // the next value is X (0), Y (1) or Z (2)
  int previous = 0;     // the record of the last completed point, 0 before the first
  bool nonNumber = false;
  bool anyWeight = false;
  bool full = !table.Room(row);
  TCharStream in(file.get());
  std::string number;

  // "W" followed by a number gives the previous point its weight.
  auto readWeight = [&]() {
    in.SkipBlanks();
    if (!in.ScanNumber(number)) return false;
    if (previous > 0) {
      table.Record(previous).W = DataValueOf(number);
      anyWeight = true;
    }
    return true;
  };

  while (!full) {
    in.SkipWhitespace();
    if (in.Peek() == EOF) break;
    if (in.ScanNumber(number)) {
      nonNumber = false;
      const long double v = DataValueOf(number);
      TXYZPoint& p = table.Record(row);
      if (coordinate == 0) {
        p.X = v;
        p.Y = p.Z = ExprErrorValue;
        p.W = 0;
        p.Status = kPointInactive;
        coordinate = 1;
      } else if (coordinate == 1) {
        p.Y = v;
        coordinate = 2;
      } else {
        p.Z = v;
        p.W = 1;
        p.Status = kPointActive;
        coordinate = 0;
        previous = row;
        if (KeepFilteredPoint(++completed, args.filterN, args.filterStart)) {
          ++row;
          ++stored;
          if (!table.Room(row)) {
            // The table is full: a mark right after the last point still belongs to it.
            in.SkipWhitespace();
            const int ch = in.Get();
            if (ch == '*') table.Record(previous).Status = kPointInactive;
            if (ch == 'W') readWeight();
            full = true;
          }
        }
      }
      continue;
    }
    const int ch = in.Get();
    if (ch == '*') {
      if (previous > 0) table.Record(previous).Status = kPointInactive;
      continue;
    }
    if (ch == 'W' && readWeight()) {
      nonNumber = false;
      continue;
    }
    if (!nonNumber) {
      if (ch == '"')
        in.SkipLine();
      else
        nonNumber = true;
    } else {
      in.SkipLine();
      nonNumber = false;
    }
  }
  if (!full) {
    // The record after the last stored point holds at most an unfinished point or one the
    // filter dropped: neither is data.
    TXYZPoint& p = table.Record(row);
    p.X = p.Y = p.Z = p.W = 0;
    p.Status = 0;
  }
  table.Finish(stored, false);
  // Weighted when this file gave weights; an append keeps the weights of the rows before.
  const bool appending = args.firstRow > 1;
  table.Record(0).W = anyWeight ? 1 : (appending ? oldWeightsFlag : 0);
  return stored;
}

int ReadAsciiMultiColumn(const TReadArgs& args, TDataTitles& titles) {
  FilePtr file = FOpenOem(args.path, "r");
  if (!file) return -1;
  TTableFiller table(args.firstRow, args.cleared);
  const bool commaMode = DecideCommaMode(file.get());

  titles = TDataTitles{};
  std::string line;
  TLineFields fields;
  for (int k = 0; k < kNameLines && ReadLinePiece(file.get(), line, kDataLineChars); ++k) {
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
  std::rewind(file.get());

  int row = args.firstRow;
  int completed = 0;
  int stored = 0;
  while (table.Room(row) && ReadLinePiece(file.get(), line, kDataLineChars)) {
    long double x, y, z;
    if (ParseLineFields(line, args.colX, args.colY, args.colZ, x, y, z, commaMode) != 3) continue;
    long double w = 1;
    if (args.colW >= 0) {
      w = ParseLineField(line, args.colW, commaMode);
      if (IsMissingValue(w) || !(w > 0)) w = 1;
    }
    if (!KeepFilteredPoint(++completed, args.filterN, args.filterStart)) continue;
    table.Store(row++, x, y, z, w);
    ++stored;
  }
  table.Finish(stored, stored > 0 && args.colW >= 0);
  return stored;
}

int ListAsciiColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  FilePtr file = FOpenOem(path, "r");
  if (!file) return -1;
  const bool commaMode = DecideCommaMode(file.get());
  std::vector<std::string> lines;
  std::string line;
  TLineFields fields;
  int columns = 0;
  // Fields are numbered as the readers number them, words beginning with "*" or "W"
  // included: leaving those out here shifted the later columns of a line such as
  // "Wien 8 9", so the column the user picked from the list was not the column read.
  for (int k = 0; k < kListTextLines && ReadLinePiece(file.get(), line, kDataLineChars); ++k) {
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
  FilePtr file = FOpenOem(path, "r");
  if (!file) return {};
  const bool commaMode = DecideCommaMode(file.get());
  TColumnArray values = NewColumnArray();
  std::string line;
  while (ReadLinePiece(file.get(), line, kDataLineChars) &&
         static_cast<int>(values[0]) < kMaxColumnValues) {
    const long double v = ParseLineField(line, column, commaMode);
    if (!IsMissingValue(v)) AppendColumnValue(values, v);
  }
  return values;
}
