// Windows-1252, the single-byte code of every text inside the program, against Unicode.
// The Qt boundary converts with it, and so do names that come from the file system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The Unicode character of a Windows-1252 byte (the five unassigned bytes of 0x80-0x9F
// keep their C1 code points).
char16_t Cp1252ToUnicode(unsigned char byte);
// The Windows-1252 byte of a Unicode character; -1 when the code has none.
int UnicodeToCp1252(char32_t u);

// A UTF-8 text (the file system's encoding here) as Windows-1252: characters the code
// cannot hold become '?' (counted in `unheld` when given), and bytes that are not UTF-8 are
// taken as Windows-1252 already, so a name that never was UTF-8 is shown as it stands
// rather than lost.
std::string Utf8ToCp1252(std::string_view text, int* unheld = nullptr);

// The characters this thread's conversions into a single-byte code (Windows-1252, code page
// 850) have replaced by '?' so far. A caller takes the difference across the conversions it
// makes (TReplacedCharacters) to tell the user what they lost; the converters count each
// character they replace with NoteReplacedCharacter.
long long ReplacedCharacters();
void NoteReplacedCharacter();
// The characters replaced by the conversions of this thread since it was made.
class TReplacedCharacters {
 public:
  TReplacedCharacters() : start_(ReplacedCharacters()) {}
  int Count() const { return static_cast<int>(ReplacedCharacters() - start_); }

 private:
  long long start_;
};

// Whether the text holds a well-formed UTF-8 sequence of two or more bytes (what
// Utf8ToCp1252 would change), counting nothing.
bool HoldsUtf8Sequence(std::string_view text);
// Whether every byte of the text above 0x7F belongs to a well-formed UTF-8 sequence (a text
// of ASCII alone is UTF-8 too).
bool IsUtf8(std::string_view text);

// A Windows-1252 text as UTF-8, for files whose text is UTF-8 (every byte has a character,
// so nothing is lost). `maxBytes` holds the result to that many bytes without cutting a
// character.
std::string Cp1252ToUtf8(std::string_view text, std::size_t maxBytes = std::string::npos);

}  // namespace platform
