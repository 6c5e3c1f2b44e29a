// What every whole-file reader of the import kinds does the same way: the digital filter
// and the table's room applied to the points found, column arrays and text lines read in
// pieces of a fixed size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"
#include "app/text_reader.h"
#include "app/xyz_point.h"

// Whether point c (1-based, in file order) of a file is kept by the digital filter (n,
// start): c >= start and n divides c + 1 - start. n below 1 keeps every point from start.
bool KeepFilteredPoint(int c, int n, int start);

// The points of a read as the reader finds them: every complete point of the file is
// counted, the digital filter decides which are kept, and kept points beyond the table's
// room are counted as cut instead of stored. The read stops after kPointsCountBound cases
// (TReadResult::morePointsInFile), however few of them the filter keeps: the cases a reader
// announces (Case), else the complete points. Every kReadProgressStep of them the read's
// progress is asked whether to go on (TReadResult::cancelled). Once Done, the reader stops.
class TPointCollector {
 public:
  TPointCollector(const TReadArgs& args, TReadResult& result);
  // A case of the file read, whether or not its values make a point: for a reader whose
  // cases may cost almost nothing in the file (a compressed case of missing values). Then
  // the bound and the progress count cases instead of points. False once the read is Done.
  bool Case();
  // A complete point of the file; the index of the stored point in result.points, or -1
  // when the filter dropped it, the table has no room for it, or the read is Done.
  int Add(const long double& x, const long double& y, const long double& z, const long double& w,
          char status = kPointActive);
  // A row of a format whose weight column marks inactive rows by its sign: no point when a
  // value is not a usable number; else W = |w|, and a negative w makes the point inactive
  // while the digital filter keeps every point (a filtered read renumbers the rows, and the
  // mark is not kept).
  int AddSignedWeight(long double x, long double y, long double z, long double w);
  // A row of the chosen columns that gives no point although one of them held a number: a
  // chosen column held text, an error or nothing there (TReadResult::skippedRows). Not
  // counted once the read is Done.
  void SkipRow() {
    if (!Done()) ++result_.skippedRows;
  }
  // The same row when a chosen column held an infinity or NaN (TReadResult::nonFiniteRows).
  void SkipNonFiniteRow() {
    if (!Done()) ++result_.nonFiniteRows;
  }
  // The same row when a chosen column held a number beyond +-1e300 (beyondRangeRows).
  void SkipBeyondRangeRow() {
    if (!Done()) ++result_.beyondRangeRows;
  }
  // The same row when a chosen cell held the missing value (missingValueRows).
  void SkipMissingValueRow() {
    if (!Done()) ++result_.missingValueRows;
  }
  // Numbers of a point just stored that the range rule took as 0 (nearZeroValues).
  void NoteNearZero(int numbers) { result_.nearZeroValues += numbers; }
  // True once the read has stopped (the bound reached, or cancelled): nothing further in
  // the file can change it.
  bool Done() const { return result_.morePointsInFile || result_.cancelled; }

 private:
  // One more case toward the bound and the progress; false once the read is Done.
  bool Count();

  const TReadArgs& args_;
  TReadResult& result_;
  int cases_ = 0;
  bool countsCases_ = false;  // the reader announces its cases (Case)
};

// Whether the chosen values of a row make no point although one of them is a number: some,
// not all, are usable values (IsUsableValue).
bool IsIncompleteRow(std::span<const long double> values);

// A read that failed before it found anything.
TReadResult FailedRead(TReadError error);
// What a column lister answers for a file that gave it nothing: -2 when the file cannot
// be opened, kListMalformed when its structure is broken.
int ListerFailure(TReadError error);

// Column arrays: element 0 the count. Append stops quietly at kMaxColumnValues values.
TColumnArray NewColumnArray();
void AppendColumnValue(TColumnArray& column, long double value);

// The rows of chosen columns in which every column holds a usable number, gathered into
// one column array per chosen column (the rows in file order, at most kMaxColumnValues):
// columns paired by row as the whole-file readers pair them. The rows past the arrays' room
// that hold a number in every column are counted as left out, up to kPointsCountBound rows
// seen in all: the arrays stopped quietly there, and the evaluation table read 16,383 pairs
// of a longer file without a word.
class TColumnPairs {
 public:
  explicit TColumnPairs(std::size_t columns) : arrays_(columns, NewColumnArray()) {}
  // One row's values, one per chosen column; false once the file need not be read further
  // (the bound of rows reached).
  bool AddRow(std::span<const long double> values);
  int Count() const { return arrays_.empty() ? 0 : static_cast<int>(arrays_.front()[0]); }
  TPairedColumns Take();

 private:
  std::vector<TColumnArray> arrays_;
  int rows_ = 0;  // rows seen
  int leftOut_ = 0;
  bool moreLeftOut_ = false;
};

// Pairs arrays that hold one element per row of a file, from element `first` on (0 for a
// row-indexed array, 1 for a column array that keeps its empty cells as missing values),
// through the shortest of them.
TPairedColumns PairRowArrays(std::span<const std::vector<long double>> arrays, std::size_t first);

// Reads a line of a text stream in pieces of at most maxChars characters, as a fixed
// buffer does: a longer line gives several pieces, each taken as a line. The line feed is
// not kept. False at the end of the stream (or on a read error) when nothing was read.
[[nodiscard]] bool ReadLinePiece(std::FILE* file, std::string& line, int maxChars);
[[nodiscard]] bool ReadLinePiece(TTextReader& text, std::string& line, int maxChars);

// The text of a text file (a title, a name, a heading) as the program keeps text: a file
// made here is UTF-8, a file made by the program itself (or on the old system) Windows-1252.
// UTF-8 characters become their Windows-1252 bytes ('?' for those it lacks); bytes that are
// not UTF-8 are kept as they stand. Taken byte for byte, "Temp °C" from a UTF-8 file showed
// as "Temp Â°C".
std::string TextOfTextFile(std::string_view text);

// Reads a line of a text stream, keeping its first maxChars characters: the rest of a longer
// line is passed over. Taken as further lines, the tail of a long title line became the X
// name (and every name moved down one), and the tails of a wide table's rows or of a long
// text cell in a DIF file were read as rows or cells of their own. False at the end of the
// stream (or on a read error) when nothing was read.
[[nodiscard]] bool ReadTextLine(TTextReader& text, std::string& line, int maxChars);
