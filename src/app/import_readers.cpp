#include "app/import_readers.h"

#include "platform/string_table.h"

bool ImportKindRefused(int kind) {
  return kind < 3 || kind == 16 || kind == 17 || kind > kImportKindCount;
}

bool ImportKindNeedsColumns(int kind) {
  return (kind >= 4 && kind <= 15) || (kind >= 18 && kind <= 23);
}

std::string ImportKindName(int kind) {
  constexpr int kFirstKindName = 3022;  // the name of kind 1
  if (kind < 1 || kind > kImportKindCount) return {};
  return std::string(platform::LoadString(kFirstKindName + kind - 1));
}

TImportReaders& ImportReaders() {
  static TImportReaders readers;
  return readers;
}
