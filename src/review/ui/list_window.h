// Pop-up windows of long lists of one-line coded-text rows.
//
//   TIListBox         the owner-drawn list box: each row drawn with its colours, super- and
//                     subscripts, bold, italic and Symbol runs, laid out in fixed character
//                     columns; navigation keys and Enter are reported to the window first
//   TIListBoxWin      the resizable frame around one list box: holds the rows, reports a
//                     chosen row (kMsgRowCommand) and its own moves, sizes and closing
//                     (kMsgListWindowNotify) to itself; closing only hides it
//   TIListBoxWinMenu  adds menu 2009: save (text, WordStar, WK1, WK3, rich text), copy to the
//                     clipboard (text, "Wk1", "Rich Text Format"), font, colour and printing;
//                     the menu bar shows only while the window is large against its parent
//
// Rows are coded text in the program's single-byte code page; the window keeps them as
// they were given and converts only what it shows.
#pragma once

#include <QListWidget>
#include <QMainWindow>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/coded_text_drawing.h"
#include "app/log_font.h"
#include "app/text_exports.h"
#include "app/text_line_buffer.h"
#include "app/ui/program_printer.h"
#include "app/ui/text_extent.h"
#include "review/list_exports.h"

class QAction;
class QPrinter;

// Messages inside the list windows, numbered as the review's messages are.
inline constexpr int kMsgRowCommand = 0x9DC;        // a row was chosen: index, key, double-click
inline constexpr int kMsgListWindowNotify = 0x9DD;  // the window moved (0), was resized (1) or closed (2)

// Window key codes the list reports (those of the keyboard's virtual keys).
enum ListKey : int {
  kKeyNone = 0,
  kKeyEnter = 13,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyUp = 38,
  kKeyDown = 40,
};

// Code modes of the rows: coded text, plain text, or coded when the row holds a tilde.
enum ListCodeMode : int { kListPlain = 0, kListCoded = 1, kListCodedWhenTilde = -1 };

// Commands of menu 2009.
enum ListWindowCommand : int {
  CmListSaveAs = 2303,
  CmListPrinterSetup = 2305,
  CmListPrint = 2306,
  CmListCopy = 2312,
  CmListAsciiEditor = 2313,
  CmListColor = 2322,
  CmListHide = 2360,
  CmListKeepList = 2361,
  CmListFont = 2362,
  CmListFilterAll = 2363,
  CmListFilterNonlinear = 2368,
  CmListSortR2 = 2373,
  CmListSortByParamCount = 2378,
  CmListSortEqnNumber = 2379,
  CmListAllGoodness = 2385,
};
inline constexpr int kListMenuId = 2009;

class TIListBoxWin;

class TIListBox : public QListWidget {
  Q_OBJECT
 public:
  TIListBox(TIListBoxWin* window, int codeMode, const TLineAttr& columns, int fontSlot);

  void CreateFonts();
  void RefreshFonts();
  void SetCodeMode(int mode);
  void SetColourFlag(bool on);
  bool ColourFlag() const;
  void SetColumns(const TLineAttr& columns);
  const TLineAttr& Columns() const { return columns_; }
  // The widest row in visible characters and in pixels as the row is drawn, which set the
  // scrolled width of every row.
  void NoteRowWidth(std::string_view text);
  void ResetRowWidth();
  int WidestRow() const { return widestRow_; }
  // The width a row takes in the list: room for the widest row whole.
  int RowWidth() const;
  // Columns laid out by what the rows hold (a list whose last column is what the user reads:
  // the equation list's formulas): each column but the last as wide as its widest entry, less
  // the blanks every row of it starts with, and, where the list is narrower than its rows,
  // the columns `droppable` names left out, in that order, until the last column has room
  // for its widest entry or half the list's width.
  void SetCompactColumns(std::vector<int> droppable);
  // In the compact layout: whether column i (a segment of the column table) is shown, and
  // where it starts, in characters of "9" from the row's start, as the rows are drawn now.
  bool ColumnShown(std::size_t i) const;
  int ColumnStart(std::size_t i) const;
  // The width of the widest row with every column shown.
  int WholeRowWidth() const;
  int CharWidth() const { return charWidth_; }
  int CharHeight() const { return charHeight_; }
  const CodedFontSet& Fonts() const { return fonts_; }
  TLogFont FontRecord() const;
  int FontSlot() const { return fontSlot_; }
  // Draws one row at (x, y) as the list shows it (also used for printing).
  void DrawRow(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text, int x,
               int y, int charStep, bool colors, platform::Color color) const;
  // First visible row and the last one (first plus the rows below it); -1 when empty.
  int FirstVisible() const;
  int LastVisible() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Which columns are left out at the viewport's width now.
  void HideColumnsForWidth();
  int ColumnStart(std::size_t i, bool allShown) const;
  int CompactRowWidth(bool allShown) const;
  void DrawCompactRow(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text, int x, int y,
                      int charStep, bool colors, platform::Color color) const;

  TIListBoxWin* window_;
  int codeMode_;
  TLineAttr columns_;
  int fontSlot_;
  CodedFontSet fonts_;
  int charHeight_ = 0, charWidth_ = 8;
  // Measures every row again (a new font, code mode or columns).
  void RemeasureRows();

  int widestRow_ = 0;
  double widestPixels_ = 0;
  TTextAdvances advances_{};

  // The compact layout: per column but the last, the blanks every row starts it with and its
  // widest entry in visible characters; the widest entry of the last column in pixels; the
  // columns left out.
  bool compact_ = false;
  std::vector<int> droppable_;
  std::vector<int> lead_, visible_;
  double widestLast_ = 0;
  std::vector<bool> hidden_;
};

// The delegate that draws the rows of a TIListBox.
class TIListBoxDelegate : public QStyledItemDelegate {
 public:
  explicit TIListBoxDelegate(TIListBox* list) : QStyledItemDelegate(list), list_(list) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TIListBox* list_;
};

class TIListBoxWin : public QMainWindow {
  Q_OBJECT
 public:
  TIListBoxWin(QWidget* parent, const QString& caption, int codeMode, const TLineAttr& columns, int fontSlot);
  ~TIListBoxWin() override;

  void ClearList();
  // Appends a row; false when the list refuses it (the row is then dropped).
  bool AddString(std::string_view text);
  bool InsertString(std::string_view text, int index);
  void DeleteString(int index);
  void SetSelIndex(int index);
  int GetSelIndex() const;
  // The selected row, or null when none is selected.
  const std::string* GetSelString() const;
  // The row at index, or null outside 0..count - 1.
  const std::string* GetString(int index) const;
  // Selects the first row that begins with `prefix`; nothing when none does.
  void SelectPrefix(std::string_view prefix);
  int GetCount() const { return static_cast<int>(rows_.size()); }
  const std::vector<std::string>& Rows() const { return rows_; }
  void SetCodeMode(int mode) { list_->SetCodeMode(mode); }
  void SetColourFlag(bool on) { list_->SetColourFlag(on); }
  void RefreshFonts() { list_->RefreshFonts(); }
  void SetColumns(const TLineAttr& columns) { list_->SetColumns(columns); }
  int FirstVisible() const { return list_->FirstVisible(); }
  int LastVisible() const { return list_->LastVisible(); }
  TIListBox* ListBox() const { return list_; }
  // The rows as the exports read them.
  TListLines ExportLines() const { return TListLines(rows_, list_->Columns()); }

  // The program is ending: closing the window closes it instead of hiding it.
  void AllowClose() { mayClose_ = true; }

  // What the list box reports: a navigation key or Enter before it is processed, and a
  // row chosen by the mouse (key 0) or a key.
  void EvListKey(int key);
  void EvListNotify(bool doubleClick);

 protected:
  // kMsgRowCommand: a row was chosen (index, key, double-click).
  virtual void EvRowCommand(int index, int key, bool doubleClick);
  // kMsgListWindowNotify: 0 moved (left, top), 1 resized (width, height), 2 closed.
  virtual void EvListWindowNotify(int code, int a, int b);

  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  TIListBox* list_;
  std::vector<std::string> rows_;
  int lastKey_ = kKeyNone;
  bool mayClose_ = false;
};

class TIListBoxWinMenu : public TIListBoxWin {
  Q_OBJECT
 public:
  // disableParent: the parent is disabled while the window lives; resizable: sizing frame
  // and maximise box; centre: centred on the screen when first shown.
  TIListBoxWinMenu(QWidget* parent, const QString& caption, int codeMode, const TLineAttr& columns,
                   int fontSlot, bool disableParent, bool resizable, bool maximised, bool centre,
                   int menuId);
  ~TIListBoxWinMenu() override;

  // The menu bar rule: shown while the window is visible and wider than half its parent and
  // taller than a quarter of it, or taller than half and wider than a quarter.
  void MenuFits();
  bool MenuBarShown() const;
  QAction* Action(int id) const;

  void CmSaveAs();
  // Saves to a path (the save dialog's answer); false, after telling the user, when nothing
  // was written.
  bool SaveTo(const std::string& path);
  void CmCopy();
  // The list's text (200,000 bytes at most) in the ASCII editor; nothing for an empty list.
  void CmAsciiEditor();
  void CmFont();
  void CmColor();
  void CmPrinterSetup();
  void CmPrint();
  // Prints all rows or the visible ones on the printer, as the print options say.
  PrintOutcome PrintOn(QPrinter& printer, const std::vector<std::string>& titleBlock,
                       const std::function<bool()>& keepGoing = {});
  TRtfFont RtfFont() const;

  QMenu* FileMenu() const { return fileMenu_; }
  QMenu* ListMenu() const { return listMenu_; }
  QMenu* FilterMenu() const { return filterMenu_; }
  QMenu* SortMenu() const { return sortMenu_; }

 protected:
  void EvListWindowNotify(int code, int a, int b) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus(int menuId);

  std::map<int, QAction*> actions_;
  QMenu* fileMenu_ = nullptr;
  QMenu* listMenu_ = nullptr;
  QMenu* filterMenu_ = nullptr;
  QMenu* sortMenu_ = nullptr;
  bool disabledParent_ = false;
  bool centre_ = false;
  bool shownOnce_ = false;
};
