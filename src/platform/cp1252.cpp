#include "platform/cp1252.h"

namespace platform {
namespace {

// Windows-1252 bytes 0x80-0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the UTF-8 sequence at text[i] and its code point; 0 when the bytes there
// are not a well-formed, shortest-form sequence of a scalar value.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& u) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char b0 = byte(0);
  std::size_t n = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) n = 2, u = b0 & 0x1F;
  else if (b0 >= 0xE0 && b0 <= 0xEF) n = 3, u = b0 & 0x0F;
  else if (b0 >= 0xF0 && b0 <= 0xF4) n = 4, u = b0 & 0x07;
  else return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    u = (u << 6) | (byte(k) & 0x3F);
  }
  const bool overlong = (n == 3 && u < 0x800) || (n == 4 && u < 0x10000);
  if (overlong || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte};
}

int UnicodeToCp1252(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return 0x80 + i;
  return -1;
}

namespace {
thread_local long long replacedCharacters = 0;
}  // namespace

long long ReplacedCharacters() { return replacedCharacters; }
void NoteReplacedCharacter() { ++replacedCharacters; }

std::string Utf8ToCp1252(std::string_view text, int* unheld) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t u = 0;
    const std::size_t n = b < 0x80 ? 0 : DecodeUtf8(text, i, u);
    if (n == 0) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const int mapped = UnicodeToCp1252(u);
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
    if (mapped < 0) {
      NoteReplacedCharacter();
      if (unheld) ++*unheld;
    }
    i += n;
  }
  return out;
}

bool HoldsUtf8Sequence(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t u = 0;
    if (static_cast<unsigned char>(text[i]) >= 0x80 && DecodeUtf8(text, i, u) != 0) return true;
  }
  return false;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t u = 0;
    const std::size_t n = DecodeUtf8(text, i, u);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view text, std::size_t maxBytes) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const char32_t u = Cp1252ToUnicode(static_cast<unsigned char>(c));
    char bytes[3];
    std::size_t n = 0;
    if (u < 0x80) {
      bytes[n++] = static_cast<char>(u);
    } else if (u < 0x800) {
      bytes[n++] = static_cast<char>(0xC0 | (u >> 6));
      bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
    } else {
      bytes[n++] = static_cast<char>(0xE0 | (u >> 12));
      bytes[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
    }
    if (out.size() + n > maxBytes) break;
    out.append(bytes, n);
  }
  return out;
}

}  // namespace platform
