// The Symbol font's own single-byte encoding, in which the program keeps Greek letters and
// mathematical signs of coded text, against Unicode.
#pragma once

namespace platform {

// The published Symbol-to-Unicode mapping; bytes outside it show as themselves.
char16_t SymbolToUnicode(unsigned char byte);

}  // namespace platform
