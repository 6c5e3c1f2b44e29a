// The bytes of the text files the program writes from its own text (Windows-1252) and reads
// back. A reader of text takes bytes that form UTF-8 as UTF-8 and the others as Windows-1252
// (a file made today is UTF-8; one made by this program, or on the old system, Windows-1252):
// text whose Windows-1252 bytes happen to form UTF-8 ("Ã©", bytes C3 A9) would come back
// changed ("é"). Such a text is written as UTF-8 after a byte order mark, which readers of
// UTF-8 take and pass over, and which gives the text back as it was; any other text is
// written byte for byte as it always was.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view kUtf8ByteOrderMark{"\xEF\xBB\xBF"};

// Whether a reader of text would take some of the Windows-1252 bytes of `text` for UTF-8.
bool ReadAsUtf8(std::string_view text);

// The file's bytes for the program's text.
std::string TextFileBytes(std::string_view text);

// The program's text of a file TextFileBytes wrote (or of any Windows-1252 file): one that
// begins with a byte order mark is UTF-8, any other is taken as it stands.
std::string TextOfOwnTextFile(std::string_view bytes);
