// DOS Latin-1 (code page 850), the code page Lotus 1-2-3 worksheets keep their labels in
// (group 1 of the Lotus multi-byte character set, whose bytes below 0x20 announce other
// groups). Labels of the program's .wk1 and .wk3 files and clipboard images are written in
// it, so that the spreadsheet programs that open them show the characters the user wrote.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The code page 850 byte of a Unicode character; -1 when the code page has none.
int UnicodeToCp850(char32_t u);

// A Windows-1252 text (the program's own) in code page 850: characters the code page
// cannot hold, and control characters (which the worksheet readers take as announcements of
// other character sets), become '?'. NUL ends nothing here: the caller cuts the text.
std::string Cp1252ToCp850(std::string_view text);
// A code page 850 text (a worksheet label) in Windows-1252: characters Windows-1252 cannot
// hold, and control bytes (other character sets announced), become '?'.
std::string Cp850ToCp1252(std::string_view text);

}  // namespace platform
