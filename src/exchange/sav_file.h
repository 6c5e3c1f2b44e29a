// The statistics package's system files (.sav, and the zlib-compressed form), read through
// ReadStat: the one parser of the format in the program. Two passes over a file:
//
//   ReadSavDictionary   the metadata pass: the file label (the id string), the case count
//                       of the header, the variables with their names, labels and types,
//                       and the case-weight variable; no case is read.
//   ReadSavCases        the data pass: the values of chosen variables, case by case, each
//                       with the system-missing and user-missing marks of its variable.
//
// ReadStat reads both byte orders, plain and compressed cases, long strings, and the
// encodings the files declare; texts arrive here as UTF-8 (or as the file's own bytes when
// it declares no encoding) and leave as the program's coded text (Windows-1252). A header
// whose case count is -1 is read to its last case.
//
// Nothing here keeps state between calls: every call opens, reads and closes the file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// "$FL2" (or "$FL3" for the zlib-compressed form) followed by the "@(#) " mark that every
// writer puts before its product text.
inline constexpr std::size_t kSavMagicSize = 9;
bool HasSavMagic(std::span<const std::uint8_t> head);

struct TSavVariable {
  std::string name;   // coded text
  std::string label;  // coded text; empty without a label
  bool numeric = true;
  // Characters of the name and of the label that Windows-1252 lacks (each '?').
  int nameUnheld = 0, labelUnheld = 0;
};

struct TSavDictionary {
  std::string fileLabel;     // the id string, coded text, as it stands (blanks kept)
  int fileLabelUnheld = 0;   // its characters Windows-1252 lacks
  std::int64_t caseCount = -1;  // as the header states it; -1 when it does not
  int weightVariable = -1;   // 0-based index of the case-weight variable, -1 without one
  std::vector<TSavVariable> variables;  // in file order; a long string is one variable
};

enum class TSavStatus {
  kOk,
  kCannotOpen,  // the file cannot be opened
  kMalformed,   // not a system file, or its dictionary is damaged
};

[[nodiscard]] TSavStatus ReadSavDictionary(const std::string& path, TSavDictionary& out);

// One value of a case: a numeric variable's value with its marks (a string variable's
// values arrive as system-missing).
struct TSavValue {
  double value = 0;
  bool systemMissing = false;  // the system-missing value, or no number at all
  bool userMissing = false;    // one of the variable's discrete missing values or ranges
  bool notFinite = false;      // an infinity or NaN that is not the system-missing value
                               // (systemMissing is set with it)
};

// How a data pass ended, besides its status.
struct TSavCasesEnd {
  // The file broke off inside its cases: the cases before the break were handed over.
  bool cut = false;
  // The header counts more cases than the file holds: the count it gives (else -1).
  std::int64_t casesInHeader = -1;
};

// The values of the chosen variables (0-based, in the order given, repeats allowed) for
// every case in file order; `onCase` returns false to stop. A case the file breaks off in
// ends the read: the cases before it have been handed over, the status is kOk, and `end`
// (when given) says so. Fails (nothing handed over) when the dictionary cannot be read or a
// variable is out of range.
[[nodiscard]] TSavStatus ReadSavCases(const std::string& path, std::span<const int> variables,
                                      const std::function<bool(std::span<const TSavValue>)>& onCase,
                                      TSavCasesEnd* end = nullptr);
