// The list window for the data cuts' test, apart from the grid editor's header.
#include <string>

#include "review/ui/list_window.h"

void CopyALongListAndHandItToTheEditor(int rows) {
  TLineAttr columns{};
  TIListBoxWinMenu list(nullptr, "Long List", kListPlain, columns, kFontSlotEquationList, false, true, false, false,
                        kListMenuId);
  for (int row = 1; row <= rows; ++row) {
    const std::string number = std::to_string(row);
    (void)list.AddString(number + std::string(99 - number.size(), ' '));
  }
  list.CmCopy();
  list.CmAsciiEditor();
}
