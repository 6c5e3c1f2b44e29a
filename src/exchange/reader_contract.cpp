#include "exchange/reader_contract.h"

#include <algorithm>
#include <cmath>

#include "app/long_double.h"
#include "platform/cp1252.h"

bool KeepFilteredPoint(int c, int n, int start) {
  if (c < start) return false;
  if (n <= 1) return true;  // no filter: every point, without a division per point
  return (c + 1 - start) % n == 0;
}

TPointCollector::TPointCollector(const TReadArgs& args, TReadResult& result)
    : args_(args), result_(result) {
  // Room for as many points as a table takes, made once.
  result_.points.reserve(static_cast<std::size_t>(std::clamp(args.capacity, 0, kXYZMaxPoints)));
}

bool TPointCollector::Count() {
  if (Done()) return false;
  if (cases_ >= kPointsCountBound) {
    result_.morePointsInFile = true;  // this case is one more than the count
    return false;
  }
  ++cases_;
  if (cases_ % kReadProgressStep == 0 && args_.progress && !args_.progress(cases_)) {
    result_.cancelled = true;
    return false;
  }
  return true;
}

bool TPointCollector::Case() {
  countsCases_ = true;
  return Count();
}

int TPointCollector::Add(const long double& x, const long double& y, const long double& z,
                         const long double& w, char status) {
  // The bound used to count only once the table was full: a filter that kept fewer points
  // than the table holds made the read decode the whole file, however large.
  if (countsCases_ ? Done() : !Count()) return -1;
  if (!KeepFilteredPoint(++result_.pointsInFile, args_.filterN, args_.filterStart)) return -1;
  const bool full = static_cast<int>(result_.points.size()) >= args_.capacity;
  if (full) {
    ++result_.pointsCut;
    return -1;
  }
  TXYZPoint p;
  p.X = x, p.Y = y, p.Z = z, p.W = w, p.Status = status;
  result_.points.push_back(p);
  return static_cast<int>(result_.points.size()) - 1;
}

int TPointCollector::AddSignedWeight(long double x, long double y, long double z, long double w) {
  if (!IsUsableValue(x) || !IsUsableValue(y) || !IsUsableValue(z) || !IsUsableValue(w)) return -1;
  const char status = args_.filterN == 1 && w < 0 ? kPointInactive : kPointActive;
  return Add(x, y, z, std::fabs(w), status);
}

bool IsIncompleteRow(std::span<const long double> values) {
  const auto usable = std::count_if(values.begin(), values.end(), IsUsableValue);
  return usable > 0 && usable < static_cast<std::ptrdiff_t>(values.size());
}

TReadResult FailedRead(TReadError error) {
  TReadResult result;
  result.error = error;
  return result;
}

int ListerFailure(TReadError error) { return error == TReadError::kCannotOpen ? -2 : kListMalformed; }

TColumnArray NewColumnArray() {
  TColumnArray column;
  column.reserve(129);
  column.push_back(0);
  return column;
}

void AppendColumnValue(TColumnArray& column, long double value) {
  if (column.empty()) column.push_back(0);
  const int n = static_cast<int>(column[0]);
  if (n >= kMaxColumnValues) return;
  column.push_back(value);
  column[0] = n + 1;
}

bool TColumnPairs::AddRow(std::span<const long double> values) {
  if (arrays_.empty() || moreLeftOut_) return false;
  if (rows_ >= kPointsCountBound) {
    moreLeftOut_ = true;  // this row is one more than the count
    return false;
  }
  ++rows_;
  if (!std::all_of(values.begin(), values.end(), IsUsableValue)) return true;
  if (Count() >= kMaxColumnValues) {
    ++leftOut_;
    return true;
  }
  for (std::size_t k = 0; k < arrays_.size(); ++k) AppendColumnValue(arrays_[k], values[k]);
  return true;
}

TPairedColumns TColumnPairs::Take() {
  TPairedColumns pairs(std::move(arrays_));
  pairs.rowsLeftOut = leftOut_;
  pairs.moreLeftOut = moreLeftOut_;
  return pairs;
}

TPairedColumns PairRowArrays(std::span<const std::vector<long double>> arrays, std::size_t first) {
  if (arrays.empty()) return {};
  std::size_t rows = arrays.front().size();
  for (const auto& a : arrays) rows = std::min(rows, a.size());
  TColumnPairs pairs(arrays.size());
  std::vector<long double> row(arrays.size());
  for (std::size_t r = first; r < rows; ++r) {
    for (std::size_t k = 0; k < arrays.size(); ++k) row[k] = arrays[k][r];
    if (!pairs.AddRow(row)) break;
  }
  return pairs.Take();
}

namespace {

template <class NextChar>
bool ReadLinePieceOf(NextChar next, std::string& line, int maxChars) {
  line.clear();
  int ch = 0;
  while (static_cast<int>(line.size()) < maxChars && (ch = next()) != EOF) {
    if (ch == '\n') return true;
    line.push_back(static_cast<char>(ch));
  }
  return !line.empty() || ch == '\n';
}

}  // namespace

bool ReadLinePiece(std::FILE* file, std::string& line, int maxChars) {
  return ReadLinePieceOf([file] { return std::getc(file); }, line, maxChars);
}

bool ReadLinePiece(TTextReader& text, std::string& line, int maxChars) {
  // As ReadLinePieceOf reads it, a run of characters at a time.
  line.clear();
  if (maxChars <= 0) return false;
  const bool lineFeed = text.AppendLine(line, static_cast<std::size_t>(maxChars));
  return lineFeed || !line.empty();
}

bool ReadTextLine(TTextReader& text, std::string& line, int maxChars) {
  if (!ReadLinePiece(text, line, maxChars)) return false;
  if (static_cast<int>(line.size()) >= maxChars)
    for (int ch = text.Get(); ch != EOF && ch != '\n'; ch = text.Get()) {
    }
  return true;
}

std::string TextOfTextFile(std::string_view text) { return platform::Utf8ToCp1252(text); }
