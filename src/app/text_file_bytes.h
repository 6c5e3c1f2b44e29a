// The bytes of the text files the program writes from its own text (Windows-1252) and reads
// back. A reader of text takes bytes that form UTF-8 as UTF-8 and the others as Windows-1252
// (a file made today is UTF-8; one made by this program, or on the old system, Windows-1252):
// text whose Windows-1252 bytes happen to form UTF-8 ("Ã©", bytes C3 A9) would come back
// changed ("é"). Such a text is written as UTF-8 after a byte order mark, which readers of
// UTF-8 take and pass over, and which gives the text back as it was; any other text is
// written byte for byte as it always was.
#pragma once

#include <span>
#include <string>
#include <string_view>

inline constexpr std::string_view kUtf8ByteOrderMark{"\xEF\xBB\xBF"};

// The encoding a file a user chose was read in, for a save to write it back the same way;
// the program's own text (not read from such a file) is written as TextFileBytes writes it.
enum class TFileEncoding { kProgramText, kCp1252, kUtf8, kUtf8WithMark };

// A file a user chooses is read in its own encoding: one that begins with a UTF-8 byte order
// mark (`marked`), or whose bytes all form UTF-8 with some beyond ASCII, is UTF-8; any other
// is Windows-1252 as it stands. `bytes` is the file after its mark (or as much of it as the
// reader looked at).
TFileEncoding UserFileEncoding(std::string_view bytes, bool marked);
// The same for a file read in pieces (its lines: no UTF-8 sequence spans a line feed).
TFileEncoding UserFileEncoding(std::span<const std::string> pieces, bool marked);
// Whether the bytes hold any beyond ASCII.
bool BeyondAscii(std::string_view bytes);
// The program's text of bytes of such a file: UTF-8 characters become their Windows-1252
// bytes ('?' for those it lacks, counted in `unheld`); Windows-1252 stays as it stands.
std::string TextOfUserFile(std::string_view bytes, TFileEncoding encoding, int* unheld = nullptr);

// What the user hears of characters a single-byte code could not keep, each replaced by '?':
// "1 Character of the File Lies Beyond Windows-1252\nIt Is Shown as ?", "3 Characters of the
// Text Lie Beyond Windows-1252, the File's Encoding\nThey Were Written as ?". `of` names whose
// characters they are, `code` the code they lie beyond; empty for a count of 0.
enum class TUnheldFate { kShown, kWritten, kWillBeWritten, kCopied, kWillBePrinted };
// `where`, when not empty, follows the code ("First on Line 3").
std::string UnheldCharactersText(int count, TUnheldFate fate = TUnheldFate::kShown, std::string_view of = "the File",
                                 std::string_view code = "Windows-1252", std::string_view where = {});

// Whether a reader of text would take some of the Windows-1252 bytes of `text` for UTF-8.
bool ReadAsUtf8(std::string_view text);

// The file's bytes for the program's text.
std::string TextFileBytes(std::string_view text);

// The program's text of a file TextFileBytes wrote (or of any Windows-1252 file): one that
// begins with a byte order mark is UTF-8, any other is taken as it stands.
std::string TextOfOwnTextFile(std::string_view bytes);
