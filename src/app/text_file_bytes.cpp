#include "app/text_file_bytes.h"

#include "platform/cp1252.h"

bool ReadAsUtf8(std::string_view text) { return platform::Utf8ToCp1252(text) != text; }

std::string TextFileBytes(std::string_view text) {
  if (!ReadAsUtf8(text)) return std::string(text);
  return std::string(kUtf8ByteOrderMark) + platform::Cp1252ToUtf8(text);
}

std::string TextOfOwnTextFile(std::string_view bytes) {
  if (!bytes.starts_with(kUtf8ByteOrderMark)) return std::string(bytes);
  return platform::Utf8ToCp1252(bytes.substr(kUtf8ByteOrderMark.size()));
}
