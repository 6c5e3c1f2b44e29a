// The files of the user-defined functions: one function in a .udf file (a text form, or
// the raw 3945-byte record), and the library form of a .udl file and of the session file,
// which holds every defined function.
//
// Each reader and writer works on the table it is handed (a session's UdfTable). Every
// reader parses and checks the whole file before it touches the table, so a file it refuses
// leaves every function as it was. Writers go through a temporary file and a
// rename, so a failed write leaves an older file intact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "expr/udf_record.h"

// The library form: this magic (no terminator), a u32 mask with bit k set when function
// k+1 is stored, then one raw record per set bit in ascending order.
inline constexpr char kUdfLibraryMagic[8] = {'Q', 'K', 'U', 'D', 'F', 'L', 'I', 'B'};
inline constexpr std::size_t kUdfLibraryMaskOffset = 8;
inline constexpr std::size_t kUdfLibraryHeaderBytes = 12;
// Bits 15..31 of the mask name no function and are ignored.
inline constexpr std::uint32_t kUdfLibraryFunctionBits = (1u << kUdfCount) - 1;

// Results of the readers and writers beyond their counts.
inline constexpr int kUdfFileNotOpened = 0;  // missing, empty or unreadable (also: wrong magic)
inline constexpr int kUdfFileMalformed = -1;  // refused: not a well-formed file of its kind
inline constexpr int kUdfFileNotWritten = -1;  // the file could not be created or written
inline constexpr int kUdfNothingToWrite = -2;  // the function is not defined or not storable

// Replaces function k (0..14) of `table` by the function of a .udf file and evaluates its
// limit expressions (ParseUdfParams). A file of exactly 3945 bytes that is a sound raw record is
// read as one; any other file is read as the text form (below). Returns 1, or
// kUdfFileNotOpened / kUdfFileMalformed with function k left as it was.
// What reading a text form cut to the record's room, for the user to hear: the lengths the
// file gives the name and the joined function text when longer than the record holds (0
// when they fit), and the line of the text the cut falls in, of its lines.
struct TUdfTextCuts {
  std::size_t nameChars = 0;
  std::size_t textChars = 0;
  int textLine = 0, textLines = 0;
  bool Any() const { return nameChars > 0 || textChars > 0; }
};
// "The File's Function Name Was Cut to 10 Characters", "The File's Function Text Was Cut to
// 1,023 Characters: 412 of Its 1,435 Were Left Out\nIt Stops in Line 14 of 20"; empty for none.
std::string UdfTextCutsText(const TUdfTextCuts& cuts);
[[nodiscard]] int ReadUdfFile(TUdfTable& table, int k, const std::filesystem::path& path,
                              TUdfTextCuts* cuts = nullptr);

// Writes function k as a .udf file: raw when its limits depend on the data (non-zero
// mask) or when the text form would not read back as the same function (a blank inside
// a limit expression, an empty expression, a function text in lower case, a text that
// does not end with a line end...); otherwise the text form. Returns 1 written,
// kUdfFileNotWritten when the file could not be written, kUdfNothingToWrite when function k
// is undefined or holds a value no reader would accept.
[[nodiscard]] int WriteUdfFile(const TUdfTable& table, int k, const std::filesystem::path& path);

// Reads a library (.udl or session file) into `table`. On success every function is
// replaced: exactly the functions stored are defined afterwards, as stored (values, texts and mask; not
// compiled). Returns the number of functions read, or:
// - kUdfFileNotOpened when the file cannot be read or does not start with the magic;
// - kUdfFileMalformed when a stored record fails its checks, or the file names no
//   function or holds no whole record.
// Both leave every function as it was. A file cut short inside a record keeps the whole
// records before the cut and drops the rest; `dropped`, when given, receives the number
// of functions the mask promised that the file did not hold.
[[nodiscard]] int ReadUdfLibrary(TUdfTable& table, const std::filesystem::path& path,
                                 int* dropped = nullptr);

// Writes every defined function whose record is storable into a library. Returns the
// number written; 0 when there is none (no file is created, an older one stays);
// kUdfFileNotWritten when the file could not be written.
[[nodiscard]] int WriteUdfLibrary(const TUdfTable& table, const std::filesystem::path& path);

// The text form, exposed for the tests and for whoever shows a function's file:
// name, parameter count, line count, the lines of the text, then per parameter its
// minimum, start and maximum expressions separated by blanks; lines end with CR LF.
// Empty when the record cannot be written in this form.
std::optional<std::string> UdfTextForm(const TUdfRecord& r);
// Parses the text form (LF or CR LF lines; reading ends at a Ctrl-Z). The function text
// is taken in upper case, cut to 1023 characters; parameters at or beyond the count get
// empty expressions. Null when the file is not a well-formed text form.
std::unique_ptr<TUdfRecord> ParseUdfTextForm(std::span<const std::uint8_t> file, TUdfTextCuts* cuts = nullptr);
// The library image of the storable defined functions (empty when there is none).
std::vector<std::uint8_t> UdfLibraryImage(const TUdfTable& table, int* written = nullptr);
