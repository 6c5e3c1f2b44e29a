#include "app/text_file_bytes.h"

#include "platform/cp1252.h"

bool ReadAsUtf8(std::string_view text) { return platform::Utf8ToCp1252(text) != text; }

std::string TextFileBytes(std::string_view text) {
  if (!ReadAsUtf8(text)) return std::string(text);
  return std::string(kUtf8ByteOrderMark) + platform::Cp1252ToUtf8(text);
}

namespace {

// The rule of UserFileEncoding over pieces of a file.
template <typename Pieces>
TFileEncoding EncodingOfPieces(const Pieces& pieces, bool marked) {
  if (marked) return TFileEncoding::kUtf8WithMark;
  bool beyond = false;
  for (const std::string_view piece : pieces) {
    if (!platform::IsUtf8(piece)) return TFileEncoding::kCp1252;
    beyond = beyond || BeyondAscii(piece);
  }
  return beyond ? TFileEncoding::kUtf8 : TFileEncoding::kCp1252;
}

}  // namespace

TFileEncoding UserFileEncoding(std::string_view bytes, bool marked) {
  return EncodingOfPieces(std::span(&bytes, 1), marked);
}

TFileEncoding UserFileEncoding(std::span<const std::string> pieces, bool marked) {
  return EncodingOfPieces(pieces, marked);
}

bool BeyondAscii(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::string TextOfUserFile(std::string_view bytes, TFileEncoding encoding, int* unheld) {
  if (encoding == TFileEncoding::kUtf8 || encoding == TFileEncoding::kUtf8WithMark)
    return platform::Utf8ToCp1252(bytes, unheld);
  return std::string(bytes);
}

std::string TextOfOwnTextFile(std::string_view bytes) {
  if (!bytes.starts_with(kUtf8ByteOrderMark)) return std::string(bytes);
  return platform::Utf8ToCp1252(bytes.substr(kUtf8ByteOrderMark.size()));
}
