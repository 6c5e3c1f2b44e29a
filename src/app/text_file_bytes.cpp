#include "app/text_file_bytes.h"

#include "app/c_format.h"
#include "platform/cp1252.h"

std::string UnheldCharactersText(int count, TUnheldFate fate, std::string_view of, std::string_view code,
                                 std::string_view where) {
  if (count <= 0) return {};
  const bool one = count == 1;
  const char* became = "";
  switch (fate) {
    case TUnheldFate::kShown: became = one ? "It Is Shown" : "They Are Shown"; break;
    case TUnheldFate::kWritten: became = one ? "It Was Written" : "They Were Written"; break;
    case TUnheldFate::kWillBeWritten: became = one ? "It Will Be Written" : "They Will Be Written"; break;
    case TUnheldFate::kCopied: became = one ? "It Was Copied There" : "They Were Copied There"; break;
    case TUnheldFate::kWillBePrinted: became = one ? "It Will Be Printed" : "They Will Be Printed"; break;
  }
  return CFormat("%d Character%s of %s %s Beyond %s%s%s\n%s as ?", count, one ? "" : "s", std::string(of).c_str(),
                 one ? "Lies" : "Lie", std::string(code).c_str(), where.empty() ? "" : " ", std::string(where).c_str(),
                 became);
}

bool ReadAsUtf8(std::string_view text) { return platform::HoldsUtf8Sequence(text); }

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
