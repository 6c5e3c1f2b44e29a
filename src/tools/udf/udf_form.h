// What the user-defined functions dialog shows of one function: the texts of its controls
// (name, parameter count, the function's lines, and the minimum, start and maximum
// expression of each parameter), and the three ways between those texts and a record:
// fill the texts from a record, clear them, and rebuild a record from them.
//
// The dialog writes a record only by rebuilding it from the texts; every validation starts
// from such a fresh record, so a function is always checked exactly as the user sees it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "expr/udf_record.h"

// Lengths the dialog's edits allow (the record's fields less their terminators). The
// function text counts each line end as the two characters CR LF it takes in the record.
inline constexpr int kUdfNameMaxChars = static_cast<int>(kUdfNameSize) - 1;
inline constexpr int kUdfCountMaxChars = 2;
inline constexpr int kUdfTextMaxChars = static_cast<int>(kUdfTextSize) - 1;
inline constexpr int kUdfExprMaxChars = static_cast<int>(kUdfExprTextSize) - 1;

// The three expressions of a parameter row beyond the count, as the dialog shows them
// after "Clear" and after filling, and after lowering the count.
inline constexpr const char* kUdfClearedMin = "-1e+25";
inline constexpr const char* kUdfClearedStart = "1";
inline constexpr const char* kUdfClearedMax = "1e+25";
inline constexpr const char* kUdfResetMin = "-1E25";
inline constexpr const char* kUdfResetStart = "1";
inline constexpr const char* kUdfResetMax = "1E25";

struct TUdfForm {
  std::string name;   // edit 701
  std::string count;  // edit 702: the parameter count as text
  std::string text;   // edit 703: lines ended by LF or CR LF
  std::array<std::string, kUdfMaxParams> minText;    // edits 714..723
  std::array<std::string, kUdfMaxParams> startText;  // edits 704..713
  std::array<std::string, kUdfMaxParams> maxText;    // edits 724..733
};

// Empty name and text, count "1", every row "-1e+25", "1", "1e+25".
TUdfForm ClearedUdfForm();
// The texts of a record: name, count, text (its line ends as stored), the three
// expressions of each parameter below the count, and the cleared row texts beyond it.
TUdfForm UdfFormFromRecord(const TUdfRecord& r);

// The parameter count a count text names: its leading decimal digits (after blanks and a
// sign), as the dialog has always read it; 0 when there are none.
int UdfCountFromText(std::string_view text);

// The count edit losing the focus: a count of 1..10 is taken (rows from the new count up
// to the old one are reset to "-1E25", "1", "1E25" when it went down) and written back as
// a plain number; any other text gives the old count back. True when taken; the error box
// ("Invalid Parameter Count", "Count Must Be Between 1 and 10") is the dialog's.
inline constexpr const char* kUdfCountErrorCaption = "Invalid Parameter Count";
inline constexpr const char* kUdfCountErrorText = "Count Must Be Between 1 and 10";
[[nodiscard]] bool ApplyUdfCount(TUdfForm& form, int& count);

// A text is blank when every character is a control character (below 32, or 127) or has a
// code of 128 or more; a space is content. A function with a blank text is no function.
bool UdfTextIsBlank(std::string_view text);

// A fresh record built from the texts: the name (10 characters), the count as
// UdfCountFromText reads it, and the text with its trailing line ends removed, every line
// ended by CR LF (a lone LF gains its CR) and turned to upper case, as the language and the
// function files hold it; the line count is the number of its lines. Only the expressions
// of the parameters below the count are taken. Texts longer than their fields are cut
// there (the dialog's edits never hold more).
std::unique_ptr<TUdfRecord> UdfRecordFromForm(const TUdfForm& form);

// The function text of the dialog as the record will hold it: line ends as CR LF, trailing
// line ends removed and one CR LF appended. Its length is what the text edit may hold.
std::string UdfStoredText(std::string_view text);
