#include "platform/qt/qt_text.h"

#include <QList>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/cp1252.h"
#include "platform/symbol_charset.h"

namespace platform::qt {

QString FromCp1252(std::string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (char c : text) out += QChar(Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string ToCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  // By characters, not UTF-16 units: a character beyond the first plane is one '?'.
  for (const char32_t u : text.toUcs4()) {
    const int mapped = UnicodeToCp1252(u);
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
    if (mapped < 0) NoteReplacedCharacter();
  }
  return out;
}

std::string CharactersOutsideCp1252(const QString& text) {
  std::vector<char32_t> seen;
  std::string out;
  for (const char32_t u : text.toUcs4()) {
    if (UnicodeToCp1252(u) >= 0 || std::find(seen.begin(), seen.end(), u) != seen.end()) continue;
    seen.push_back(u);
    char code[16];
    std::snprintf(code, sizeof code, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(u));
    out += code;
  }
  return out;
}

QString FromSymbol(std::string_view text) {
  QString out;
  for (char c : text) out += QChar(SymbolToUnicode(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace platform::qt
