#include "platform/qt/qt_text.h"

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
  for (QChar qc : text) {
    const int mapped = UnicodeToCp1252(qc.unicode());
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
  }
  return out;
}

QString FromSymbol(std::string_view text) {
  QString out;
  for (char c : text) out += QChar(SymbolToUnicode(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace platform::qt
