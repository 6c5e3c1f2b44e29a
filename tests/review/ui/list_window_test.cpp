// The list windows scroll to the end of every row whatever the font: a row's width came from
// its count of characters times the width of "9", and a row of capitals in the default
// proportional font ran on past it. Widths are the font's own, whatever they are.
#include "review/ui/list_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QScrollBar>

#include <string>

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "platform/qt/qt_device_context.h"

namespace {

class ListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    ScreenWidth = 1280, ScreenHeight = 1024;
  }
};

// How far the list scrolls: the scroll bar's end and the view's width.
int ScrolledReach(const TIListBox& list) {
  return list.horizontalScrollBar()->maximum() + list.viewport()->width();
}

TEST_F(ListWindow, EveryRowCanBeScrolledToItsEnd) {
  const std::string capitals(150, 'W');
  // A plain row, and a coded one of bold capitals in the second of two columns.
  TLineAttr columns{};
  columns[0] = 10;
  const struct {
    int mode;
    std::string row;
    int column;  // the column of "9" the capitals are drawn from
    bool bold;
  } cases[] = {
      {kListPlain, capitals, 0, false},
      {kListCoded, "first     ~*" + capitals + "~*", 10, true},
  };
  const QString shown = QString::fromStdString(capitals);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TIListBoxWin window(nullptr, "List", c.mode, columns, kFontSlotEquationList);
    window.resize(500, 300);
    window.show();
    ASSERT_TRUE(window.AddString("short"));
    ASSERT_TRUE(window.AddString(c.row));
    QApplication::processEvents();
    const TIListBox& list = *window.ListBox();
    QFont font = platform::qt::QtDeviceContext::ToQFont(*list.Fonts()[0]);
    if (c.bold) font.setBold(true);
    const double reach =
        (c.column + 1.0 / 3) * list.CharWidth() + QFontMetricsF(font, &list).horizontalAdvance(shown);
    EXPECT_GE(list.visualItemRect(list.item(1)).width(), reach);
    EXPECT_GE(ScrolledReach(list), reach);
    // A larger font is measured again.
    TLogFont big = list.FontRecord();
    big.height = 20;
    SetSlotFont(kFontSlotEquationList, big);
    window.RefreshFonts();
    QApplication::processEvents();
    QFont bigFont = platform::qt::QtDeviceContext::ToQFont(*list.Fonts()[0]);
    if (c.bold) bigFont.setBold(true);
    EXPECT_GE(ScrolledReach(list),
              (c.column + 1.0 / 3) * list.CharWidth() + QFontMetricsF(bigFont, &list).horizontalAdvance(shown));
  }
}

}  // namespace
