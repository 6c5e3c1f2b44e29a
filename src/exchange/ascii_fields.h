// Fields of a line of a text data file: the scan that finds them, the comma-mode decision
// of a file, and the reading of three numeric fields of a line.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

#include "app/number_scanner.h"
#include "app/text_reader.h"

inline constexpr int kProbeFieldLimit = 64;
// Room for the 1,023 columns of the widest tables met (loggers and array sensors write
// hundreds): a field limit of 128 listed and read only the first 127 columns of a wider
// file, and the user could not choose the others, nor was told of them.
inline constexpr int kFieldLimit = 1024;
inline constexpr int kEmptyField = -1;
inline constexpr int kFieldListEnd = -2;
// The characters of a data line that are read (the rest of a longer line is passed over):
// room for the fields of any table a program writes.
inline constexpr int kDataLineChars = 65535;

// A line whose first non-blank character is a digit, a period before a digit, or a minus
// sign before a digit or before a period and a digit: a line of data, not of titles.
bool IsNumericLine(std::string_view line);

// Filled by ScanLineFields, which finds at most kFieldLimit - 1 fields and puts the end
// marker after them, so that a scan per line of a file allocates nothing.
struct TLineFields {
  std::array<int, kFieldLimit> starts;  // start offset of each field; kEmptyField for an
                                        // empty one, kFieldListEnd after the last
  std::array<int, kFieldLimit> ends;    // end offset (one past the last character)
  int count = 0;
  int commas = 0;
  std::string_view Text(std::string_view line, int field) const;  // empty for an empty field
};

// Scans a line left to right up to NUL, CR or LF, or until fieldLimit - 1 fields were found
// (a fieldLimit above kFieldLimit counts as kFieldLimit):
// - blanks and tabs are skipped;
// - a character of "+-0123456789." starts a numeric field, which runs to the next blank,
//   tab, comma, NUL, CR or LF;
// - a double or single quote starts a quoted field holding the text up to the matching
//   quote (or CR, LF, NUL); an empty pair is an empty field;
// - a comma is counted; a comma before any field makes the first field an empty one; the
//   blanks after it are skipped, and a second comma right after adds an empty field;
// - any other character starts a word, which runs to the next blank, tab, comma or NUL (in
//   comma mode to the next comma or NUL, so that it may hold blanks). A word beginning with
//   "*" or "W" (the status and weight marks of the program's own data text) is not counted
//   unless countMarks is set.
// Returns the field count.
int ScanLineFields(std::string_view line, TLineFields& fields, bool commaMode, int fieldLimit,
                   bool countMarks = false);

// The comma mode of a text file from its first ten lines scanned in blank mode: a line of
// more than two fields whose comma count exceeds half its field count is a comma line; the
// file is in comma mode when its comma lines outnumber half the lines read. Rewinds the
// stream to its start afterwards.
bool DecideCommaMode(TTextReader& text);

// Reads fields f1, f2 and f3 (numbered from 1 as the scan numbers them, words beginning
// with "*" or "W" counted) of a line as numbers: a numeric field is wholly an optional
// sign, digits with at most one period, and an optional exponent of at most three digits;
// anything else in a wanted field (or an empty field) gives the missing value. A field
// that is a single period ends the line. Values beyond +-1e300 are missing, non-zero ones
// below 1e-300 in magnitude are 0; a number with a longer exponent is no text but a number
// far beyond or below those, and goes by the same rule (1e-4000 is 0, 1e4000 missing).
// Returns 3 when all three were read as numbers, else 0.
int ParseLineFields(std::string_view line, int f1, int f2, int f3, long double& v1,
                    long double& v2, long double& v3, bool commaMode);

// The value of field f (1-based) of a line as ParseLineFields reads it; the missing value
// when the field is absent, empty or not a number.
long double ParseLineField(std::string_view line, int f, bool commaMode);

// The value of field f (1-based) of a line that ScanLineFields (all fields, marks counted)
// scanned into `fields`, as ParseLineField reads it: a line read for several fields is
// scanned once. What the range rule changed is counted in `note` when one is given.
long double FieldValue(std::string_view line, const TLineFields& fields, int f, TDataRangeNote* note = nullptr);
