#include "exchange/dif_reader.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/text_reader.h"
#include "exchange/reader_contract.h"
#include "platform/cp1252.h"

namespace {

constexpr int kDifLineChars = 255;
constexpr std::size_t kDifEntryChars = 49;
constexpr std::size_t kDifEntryRoom = 5;
constexpr int kDifListCapacity = 512;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// A decimal integer at the start of a text, as atoi reads it (0 without digits).
long ReadInteger(std::string_view text) {
  text = TrimBlanks(text);
  const std::string s(text.substr(0, 18));
  return std::strtol(s.c_str(), nullptr, 10);
}

// The cells of a DIF file, one by one.
class TDifCells {
 public:
  enum Kind { kCell, kBeginTuple, kEndData, kEndOfFile };
  struct Cell {
    int type = 0;             // the type indicator (0 numeric, 1 string, other)
    long double value = 0;    // numeric cells: the number, missing unless the value line is V
    std::string text;         // string cells: the text without its quotes
    int unheld = 0;           // its characters Windows-1252 lacks (each '?')
    TDataRangeNote range;     // what the range rule made of the number
  };

  explicit TDifCells(const std::string& path) : file_(path) {}
  bool IsOpen() const { return file_.IsOpen(); }

  // Passes over the header up to DATA and the two lines after it; false when the file ends
  // first. vectors receives the count of the VECTORS item (-1 without one).
  bool SkipHeader(int& vectors) {
    vectors = -1;
    std::string line;
    while (ReadTextLine(file_, line, kDifLineChars)) {
      if (line.starts_with("VECTORS")) {
        if (!ReadTextLine(file_, line, kDifLineChars)) return false;
        vectors = line.size() > 2 ? static_cast<int>(ReadInteger(std::string_view(line).substr(2))) : 0;
        continue;
      }
      if (line.starts_with("DATA")) {
        // The two lines of the DATA item; a file that ends here ends at the next read.
        (void)ReadTextLine(file_, line, kDifLineChars);
        (void)ReadTextLine(file_, line, kDifLineChars);
        return true;
      }
    }
    return false;
  }

  Kind Next(Cell& cell) {
    std::string line, value;
    for (;;) {
      if (!ReadTextLine(file_, line, kDifLineChars)) return kEndOfFile;
      const std::size_t comma = line.find(',');
      if (comma == std::string::npos) continue;
      if (!ReadTextLine(file_, value, kDifLineChars)) return kEndOfFile;
      const long type = ReadInteger(std::string_view(line).substr(0, comma));
      const std::string_view number = TrimBlanks(std::string_view(line).substr(comma + 1));
      const std::string_view v = TrimBlanks(value);
      if (type == -1) {
        if (v.starts_with("BOT")) return kBeginTuple;
        if (v.starts_with("EOD")) return kEndData;
        continue;
      }
      cell.type = static_cast<int>(type);
      cell.value = ExprErrorValue;
      cell.text.clear();
      cell.unheld = 0;
      cell.range = TDataRangeNote{};
      if (type == 0 && v.starts_with("V") && IsWholeDecimalNumber(number))
        cell.value = DataValueOf(number, &cell.range);
      if (type == 1) {
        std::string_view t = v;
        if (!t.empty() && t.front() == '"') t.remove_prefix(1);
        const std::size_t close = t.find('"');
        if (close != std::string_view::npos) t = t.substr(0, close);
        const platform::TReplacedCharacters lost;
        cell.text = TextOfTextFile(t);
        cell.unheld = lost.Count();
      }
      return kCell;
    }
  }

 private:
  TTextReader file_;
};

}  // namespace

std::string ColumnLetters(int column) {
  if (column < 26) return std::string(1, static_cast<char>('A' + column));
  return {static_cast<char>('@' + column / 26), static_cast<char>('A' + column % 26)};
}

TReadResult ReadDif(const TReadArgs& args) {
  TReadResult result;
  TDifCells cells(args.path);
  if (!cells.IsOpen()) {
    result.error = TReadError::kCannotOpen;
    return result;
  }
  int vectors = 0;
  if (!cells.SkipHeader(vectors)) {
    result.error = TReadError::kMalformed;
    return result;
  }
  TDataTitles& titles = result.titles;

  const long double wStart = args.colW < 0 ? 1 : ExprErrorValue;
  long double x = ExprErrorValue, y = ExprErrorValue, z = ExprErrorValue, w = wStart;
  bool numberInTuple = false;  // a chosen column gave a number not yet made a point
  TDataRangeNote range;        // what the range rule made of the chosen numbers of the tuple
  auto startOver = [&] {
    x = y = z = ExprErrorValue;
    w = wStart;
    numberInTuple = false;
    range = TDataRangeNote{};
  };
  int column = -1;
  TPointCollector points(args, result);
  // A tuple that made no point: told, as a number beyond the data's range where one was.
  auto skipTuple = [&] {
    if (range.beyond > 0)
      points.SkipBeyondRangeRow();
    else if (numberInTuple)
      points.SkipRow();
  };
  // A complete point counts once: after it (kept or dropped by the filter) the rest of its
  // tuple cannot make it count again.
  auto complete = [&] {
    if (IsMissingValue(x) || IsMissingValue(y) || IsMissingValue(z) || IsMissingValue(w)) return;
    if (!(w > 0)) w = 1;
    if (points.Add(x, y, z, w) >= 0) points.NoteNearZero(range.nearZero);
    startOver();
  };

  TDifCells::Cell cell;
  for (;;) {
    const TDifCells::Kind kind = cells.Next(cell);
    if (kind == TDifCells::kEndOfFile) {
      // A file cut before its EOD item is not read in part.
      result = TReadResult{};
      result.error = TReadError::kMalformed;
      return result;
    }
    if (kind == TDifCells::kEndData) break;
    if (kind == TDifCells::kBeginTuple) {
      skipTuple();
      column = -1;
      startOver();
      continue;
    }
    ++column;
    if (cell.type == 0) {
      const bool chosen = column == args.colX || column == args.colY || column == args.colZ ||
                          column == args.colW;
      if (!chosen) continue;
      if (column == args.colX)
        x = cell.value;
      else if (column == args.colY)
        y = cell.value;
      else if (column == args.colZ)
        z = cell.value;
      else
        w = cell.value;
      numberInTuple = numberInTuple || !IsMissingValue(cell.value);
      range.beyond += cell.range.beyond;
      range.nearZero += cell.range.nearZero;
      complete();
      continue;
    }
    if (cell.type == 1) {
      if (column == args.colX && titles.XName.empty()) titles.SetXName(cell.text), result.unheldCharacters += cell.unheld;
      else if (column == args.colY && titles.YName.empty()) titles.SetYName(cell.text), result.unheldCharacters += cell.unheld;
      else if (column == args.colZ && titles.ZName.empty()) titles.SetZName(cell.text), result.unheldCharacters += cell.unheld;
    }
    complete();
  }
  skipTuple();
  result.weighted = !result.points.empty() && args.colW >= 0;
  return result;
}

int ListDifColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  TDifCells cells(path);
  if (!cells.IsOpen()) return -1;
  int vectors = 0;
  if (!cells.SkipHeader(vectors)) return kListMalformed;
  if (vectors <= 0) return -1;
  vectors = std::min(vectors, kDifListCapacity);
  std::vector<std::string> entries(static_cast<std::size_t>(vectors));
  int column = -1;
  TDifCells::Cell cell;
  for (;;) {
    const TDifCells::Kind kind = cells.Next(cell);
    if (kind == TDifCells::kEndOfFile || kind == TDifCells::kEndData) break;
    if (kind == TDifCells::kBeginTuple) {
      column = -1;
      continue;
    }
    if (++column >= vectors) continue;
    std::string& e = entries[static_cast<std::size_t>(column)];
    if (e.empty()) e = CFormat("%-2s:", ColumnLetters(column).c_str());
    if (cell.type == 1 && kDifEntryChars - std::min(e.size(), kDifEntryChars) >= kDifEntryRoom) {
      e += ' ';
      e += cell.text;
      if (e.size() > kDifEntryChars) e.resize(kDifEntryChars);
    }
  }
  for (std::string& e : entries)
    if (!e.empty()) list.push_back(std::move(e));
  return static_cast<int>(list.size());
}

TColumnArray ReadDifColumn(const std::string& path, int column) {
  TDifCells cells(path);
  if (!cells.IsOpen()) return {};
  int vectors = 0;
  if (!cells.SkipHeader(vectors)) return {};
  TColumnArray values = NewColumnArray();
  int c = -1;
  TDifCells::Cell cell;
  for (;;) {
    const TDifCells::Kind kind = cells.Next(cell);
    if (kind == TDifCells::kEndOfFile || kind == TDifCells::kEndData) break;
    if (kind == TDifCells::kBeginTuple) {
      c = -1;
      continue;
    }
    if (++c == column && cell.type == 0 && !IsMissingValue(cell.value))
      AppendColumnValue(values, cell.value);
  }
  return values;
}

TPairedColumns ReadDifColumnPairs(const std::string& path, std::span<const int> columns) {
  TDifCells cells(path);
  int vectors = 0;
  if (!cells.IsOpen() || columns.empty() || !cells.SkipHeader(vectors)) return {};
  TColumnPairs pairs(columns.size());
  std::vector<long double> row(columns.size(), ExprErrorValue);
  bool inTuple = false, room = true;
  // A tuple is a row: its values go in together when the next tuple begins or the data end.
  const auto endTuple = [&] {
    if (inTuple) room = pairs.AddRow(row);
    std::fill(row.begin(), row.end(), ExprErrorValue);
  };
  int column = -1;
  TDifCells::Cell cell;
  while (room) {
    const TDifCells::Kind kind = cells.Next(cell);
    // A file cut before its EOD item is not read in part, as by the whole-file reader.
    if (kind == TDifCells::kEndOfFile) return {};
    if (kind == TDifCells::kEndData) break;
    if (kind == TDifCells::kBeginTuple) {
      endTuple();
      inTuple = true;
      column = -1;
      continue;
    }
    ++column;
    if (cell.type != 0) continue;
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (columns[k] == column) row[k] = cell.value;
  }
  endTuple();
  return pairs.Take();
}
