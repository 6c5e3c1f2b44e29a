#include "review/ui/list_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/number_format.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/text_print.h"
#include "app/ui/dialog.h"
#include "app/ui/font_dialog.h"
#include "app/ui/text_window.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"
#include "platform/cp1252.h"
#include "platform/string_table.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::QtDeviceContext;
using platform::qt::ToWindow;

constexpr const char* kSaveCaption = "Save List Contents to File";
constexpr const char* kSaveFilter =
    "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus [wk1]|*.wk1|Lotus [wk3]|*.wk3|"
    "Rich Text Format [rtf]|*.rtf|Wordstar [ws]|*.ws|";
constexpr const char* kSavNotWritten = "A List Is Not Written as a .sav File: Choose Another Extension";
constexpr int kLastExtSave = 4;  // LastExtensions 5: shared with the text windows' saves
constexpr int kMinFontPoints = 6;
constexpr int kMaxFontPoints = 24;
constexpr long kListEditorTextLimit = 200000;  // the list's text handed to the ASCII editor
constexpr int kRowDataRole = Qt::UserRole;

// The rows a list's text holds: whole rows joined by CR LF, until it passed its limit.
int RowsHeld(const std::string& text) {
  return text.empty() ? 0 : static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// What a list's text cut at `limit` bytes left out of its `rows` rows: "... Holds the List's
// First 1,250 of 5,000 Rows (at Most 200,000 Characters)"; empty when it holds them all.
std::string RowsLeftOutText(const std::string& text, int rows, std::size_t limit, const char* holder) {
  const int held = RowsHeld(text);
  if (held >= rows) return {};
  return CFormat("%s the List's First %s of %s Rows (at Most %s Characters)\nIt Stops After Row %s", holder,
                 FormatWithCommas(held).c_str(), FormatWithCommas(rows).c_str(),
                 FormatWithCommas(static_cast<long long>(limit)).c_str(), FormatWithCommas(held).c_str());
}

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter: return true;
    default: return false;
  }
}

int WindowKeyOf(int key) {
  switch (key) {
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_PageUp: return kKeyPageUp;
    case Qt::Key_PageDown: return kKeyPageDown;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Down: return kKeyDown;
    default: return kKeyEnter;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TIListBox

TIListBox::TIListBox(TIListBoxWin* window, int codeMode, const TLineAttr& columns, int fontSlot)
    : QListWidget(window), window_(window), codeMode_(codeMode), columns_(columns), fontSlot_(fontSlot) {
  setObjectName("TIListBox");
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setItemDelegate(new TIListBoxDelegate(this));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  CreateFonts();
}

TLogFont TIListBox::FontRecord() const {
  TLogFont record = SlotFont(fontSlot_);
  if (record.IsDefault()) return DefaultTextFont();
  // A height outside the font dialog's sizes comes from a damaged settings file.
  record.height = std::clamp(record.height, kMinFontPoints, kMaxFontPoints);
  return record;
}

void TIListBox::CreateFonts() {
  fonts_ = MakeCodedFonts(FontRecord(), logicalDpiY());
  const QFontMetrics metrics(QtDeviceContext::ToQFont(*fonts_[0]), this);
  charHeight_ = std::max(metrics.height(), 1);
  charWidth_ = std::max(metrics.horizontalAdvance('9'), 1);
  advances_ = MeasureTextAdvances(fonts_, this);
}

namespace {

// The column's blanks before its first visible character; text codes are passed over.
int LeadingBlanks(std::string_view segment) {
  int blanks = 0;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '~' && !(i + 1 < segment.size() && segment[i + 1] == '~')) {
      ++i;
      continue;
    }
    if (segment[i] != ' ') break;
    ++blanks;
  }
  return blanks;
}

// The column without its first `count` blanks, its text codes kept.
std::string WithoutLeadingBlanks(std::string_view segment, int count) {
  std::string out;
  out.reserve(segment.size());
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '~' && i + 1 < segment.size()) {
      out += segment.substr(i, 2);
      ++i;
      continue;
    }
    if (segment[i] == ' ' && count > 0) {
      --count;
      continue;
    }
    count = 0;
    out += segment[i];
  }
  return out;
}

bool IsCoded(int codeMode, std::string_view text) {
  return codeMode == kListCoded || (codeMode == kListCodedWhenTilde && text.find('~') != std::string_view::npos);
}

}  // namespace

void TIListBox::ResetRowWidth() {
  widestRow_ = 0, widestPixels_ = 0;
  lead_.clear(), visible_.clear();
  widestLast_ = 0;
}

void TIListBox::NoteRowWidth(std::string_view text) {
  widestRow_ = std::max(widestRow_, VisibleWidth(text));
  const bool coded = IsCoded(codeMode_, text);
  widestPixels_ = std::max(widestPixels_, coded ? SegmentedLineExtent(text, columns_.data(), charWidth_, advances_)
                                                : PlainTextExtent(text, advances_));
  if (!compact_ || !coded) return;
  const auto segments = LineSegments(text, columns_.data());
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const std::string_view segment =
        text.substr(static_cast<std::size_t>(segments[i].first), static_cast<std::size_t>(segments[i].second));
    if (i + 1 == segments.size()) {
      widestLast_ = std::max(widestLast_, SegmentedLineExtent(segment, nullptr, charWidth_, advances_));
      break;
    }
    if (lead_.size() <= i) lead_.resize(i + 1, std::numeric_limits<int>::max()), visible_.resize(i + 1, 0);
    lead_[i] = std::min(lead_[i], LeadingBlanks(segment));
    visible_[i] = std::max(visible_[i], VisibleWidth(segment));
  }
  HideColumnsForWidth();
}

int TIListBox::RowWidth() const {
  if (compact_ && !visible_.empty()) return CompactRowWidth(false);
  // A row is drawn a third of a character in; a proportional font's row reaches past its
  // count of characters of "9".
  const int measured = static_cast<int>(std::ceil(widestPixels_)) + charWidth_;
  return std::max(charWidth_ * (widestRow_ + 1), measured);
}

void TIListBox::SetCompactColumns(std::vector<int> droppable) {
  compact_ = true;
  droppable_ = std::move(droppable);
  RemeasureRows();
}

bool TIListBox::ColumnShown(std::size_t i) const { return i >= hidden_.size() || !hidden_[i]; }

int TIListBox::ColumnStart(std::size_t i) const { return ColumnStart(i, false); }

int TIListBox::ColumnStart(std::size_t i, bool allShown) const {
  int start = 0;
  for (std::size_t k = 0; k < i && k < visible_.size(); ++k)
    if (allShown || ColumnShown(k)) start += visible_[k] - std::min(lead_[k], visible_[k]);
  return start;
}

int TIListBox::CompactRowWidth(bool allShown) const {
  // Where the last column starts, and its widest entry.
  const int last = charWidth_ / 3 + ColumnStart(visible_.size(), allShown) * charWidth_;
  return last + static_cast<int>(std::ceil(widestLast_)) + charWidth_;
}

int TIListBox::WholeRowWidth() const {
  return compact_ && !visible_.empty() ? CompactRowWidth(true) : RowWidth();
}

void TIListBox::HideColumnsForWidth() {
  hidden_.assign(visible_.size(), false);
  const double room = viewport()->width();
  for (const int column : droppable_) {
    const double left = charWidth_ / 3 + ColumnStart(visible_.size()) * static_cast<double>(charWidth_);
    if (room - left >= std::min(widestLast_ + charWidth_, room / 2)) break;
    if (column >= 0 && static_cast<std::size_t>(column) < hidden_.size()) hidden_[static_cast<std::size_t>(column)] = true;
  }
}

void TIListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  if (!compact_) return;
  const std::vector<bool> before = hidden_;
  HideColumnsForWidth();
  if (hidden_ != before) {
    // The rows' width follows the columns shown.
    doItemsLayout();
    viewport()->update();
  }
}

void TIListBox::RemeasureRows() {
  ResetRowWidth();
  for (int i = 0; i < count(); ++i) {
    const QByteArray bytes = item(i)->data(kRowDataRole).toByteArray();
    NoteRowWidth(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  if (compact_) HideColumnsForWidth();
}

void TIListBox::SetCodeMode(int mode) {
  codeMode_ = mode;
  RemeasureRows();
}

void TIListBox::RefreshFonts() {
  CreateFonts();
  RemeasureRows();
  // The row height follows the font: the delegate's size hints are asked again.
  doItemsLayout();
  viewport()->update();
}

bool TIListBox::ColourFlag() const {
  return CurrentSettings().fontValue2[static_cast<std::size_t>(fontSlot_)] != 0;
}

void TIListBox::SetColourFlag(bool on) {
  CurrentSettings().fontValue2[static_cast<std::size_t>(fontSlot_)] = on ? 1 : 0;
  viewport()->update();
}

void TIListBox::SetColumns(const TLineAttr& columns) {
  columns_ = columns;
  RemeasureRows();
  viewport()->update();
}

void TIListBox::DrawRow(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text,
                        int x, int y, int charStep, bool colors, platform::Color color) const {
  if (!IsCoded(codeMode_, text)) {
    dc.TextOut(x, y, text);
    return;
  }
  if (compact_) {
    DrawCompactRow(dc, fonts, text, x, y, charStep, colors, color);
    return;
  }
  DrawSegmentedLine(dc, fonts, text, columns_.data(), x, y, charStep, colors, color);
}

void TIListBox::DrawCompactRow(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text, int x,
                               int y, int charStep, bool colors, platform::Color color) const {
  const auto segments = LineSegments(text, columns_.data());
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (!ColumnShown(i)) continue;
    const std::string_view segment =
        text.substr(static_cast<std::size_t>(segments[i].first), static_cast<std::size_t>(segments[i].second));
    const std::string shown = i < lead_.size() ? WithoutLeadingBlanks(segment, lead_[i]) : std::string(segment);
    const int sx = x + ColumnStart(i) * charStep;
    if (shown.find('~') != std::string::npos)
      DrawCodedTextOnDC(dc, shown, fonts, sx, y, static_cast<int>(shown.size()), 0, 0, colors ? 1 : 0, color);
    else
      dc.TextOut(sx, y, shown);
  }
}

int TIListBox::FirstVisible() const {
  if (count() == 0) return -1;
  const QModelIndex top = indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

int TIListBox::LastVisible() const {
  if (count() == 0) return -1;
  const QModelIndex bottom = indexAt(QPoint(1, viewport()->height() - 1));
  return bottom.isValid() ? bottom.row() : count() - 1;
}

void TIListBox::keyPressEvent(QKeyEvent* event) {
  if (IsNavigationKey(event->key())) {
    window_->EvListKey(WindowKeyOf(event->key()));
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before) window_->EvListNotify(false);
    return;
  }
  QListWidget::keyPressEvent(event);
}

void TIListBox::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr)
    window_->EvListNotify(false);
}

void TIListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr)
    window_->EvListNotify(true);
}

// ---------------------------------------------------------------------------------------
// TIListBoxDelegate

QSize TIListBoxDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  // Every row as wide as the widest, so that the list scrolls to the end of any row.
  return QSize(list_->RowWidth(), list_->CharHeight() * 8 / 7);
}

void TIListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  const QByteArray bytes = index.data(kRowDataRole).toByteArray();
  const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  const QColor background = selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
  const QColor foreground = selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
  painter->save();
  painter->fillRect(option.rect, background);
  auto dc = QtDeviceContext::ForWidget(*list_->viewport(), *painter);
  const platform::Color color = platform::Color::Rgb(static_cast<std::uint8_t>(foreground.red()),
                                                     static_cast<std::uint8_t>(foreground.green()),
                                                     static_cast<std::uint8_t>(foreground.blue()));
  dc->SelectFont(*list_->Fonts()[0]);
  dc->SetTextColor(color);
  dc->SetBkMode(platform::BkMode::Transparent);
  const int top = option.rect.top() + (option.rect.height() - list_->CharHeight()) / 2;
  const int left = option.rect.left() + list_->CharWidth() / 3;
  // A selected row shows in the highlight colour alone.
  list_->DrawRow(*dc, list_->Fonts(), text, left, top, list_->CharWidth(), !selected && list_->ColourFlag(),
                 color);
  if (option.state & QStyle::State_HasFocus) {
    painter->setPen(QPen(foreground, 1, Qt::DotLine));
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

// ---------------------------------------------------------------------------------------
// TIListBoxWin

TIListBoxWin::TIListBoxWin(QWidget* parent, const QString& caption, int codeMode,
                           const TLineAttr& columns, int fontSlot)
    : QMainWindow(parent) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setObjectName("TIListBoxWin");
  setWindowTitle(caption);
  setGeometry(30, 30, std::max(ScreenWidth - 60, 200), std::max(ScreenHeight - 60, 120));
  list_ = new TIListBox(this, codeMode, columns, fontSlot);
  setCentralWidget(list_);
  setFocusProxy(list_);
}

TIListBoxWin::~TIListBoxWin() = default;

void TIListBoxWin::ClearList() {
  list_->clear();
  list_->ResetRowWidth();
  rows_.clear();
}

bool TIListBoxWin::InsertString(std::string_view text, int index) {
  if (index < 0 || index > GetCount()) index = GetCount();
  try {
    rows_.insert(rows_.begin() + index, std::string(text));
  } catch (const std::bad_alloc&) {
    return false;  // the row is dropped; the list stays as it was
  }
  auto* item = new QListWidgetItem;
  item->setData(kRowDataRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  list_->NoteRowWidth(text);
  list_->insertItem(index, item);
  return true;
}

bool TIListBoxWin::AddString(std::string_view text) { return InsertString(text, GetCount()); }

void TIListBoxWin::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return;
  delete list_->takeItem(index);
  rows_.erase(rows_.begin() + index);
}

void TIListBoxWin::SetSelIndex(int index) {
  // Selecting by program is no choice of the user's: nothing is reported.
  const QSignalBlocker block(list_);
  list_->setCurrentRow(index);
  if (index >= 0 && index < GetCount()) list_->scrollToItem(list_->item(index));
}

int TIListBoxWin::GetSelIndex() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.front());
}

const std::string* TIListBoxWin::GetSelString() const { return GetString(GetSelIndex()); }

const std::string* TIListBoxWin::GetString(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

void TIListBoxWin::SelectPrefix(std::string_view prefix) {
  for (int i = 0; i < GetCount(); ++i)
    if (std::string_view(rows_[static_cast<std::size_t>(i)]).starts_with(prefix)) {
      SetSelIndex(i);
      return;
    }
}

void TIListBoxWin::EvListKey(int key) {
  lastKey_ = key;
  if (key == kKeyEnter) {
    EvRowCommand(GetSelIndex(), kKeyEnter, false);
    lastKey_ = kKeyNone;
  }
}

void TIListBoxWin::EvListNotify(bool doubleClick) {
  const int key = lastKey_;
  lastKey_ = kKeyNone;
  EvRowCommand(GetSelIndex(), key, doubleClick);
}

void TIListBoxWin::EvRowCommand(int, int, bool) {}
void TIListBoxWin::EvListWindowNotify(int, int, int) {}

void TIListBoxWin::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The client rectangle, as every window keeps its place.
  EvListWindowNotify(0, geometry().x(), geometry().y());
  EvListWindowNotify(1, width(), height());
}

void TIListBoxWin::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  EvListWindowNotify(0, geometry().x(), geometry().y());
}

void TIListBoxWin::closeEvent(QCloseEvent* event) {
  if (mayClose_) {
    QMainWindow::closeEvent(event);
    return;
  }
  // Closing only hides the list; its owner shows it again.
  event->ignore();
  hide();
  EvListWindowNotify(2, 0, 0);
}

void TIListBoxWin::focusInEvent(QFocusEvent* event) {
  QMainWindow::focusInEvent(event);
  list_->setFocus();
}

// ---------------------------------------------------------------------------------------
// TIListBoxWinMenu

TIListBoxWinMenu::TIListBoxWinMenu(QWidget* parent, const QString& caption, int codeMode,
                                   const TLineAttr& columns, int fontSlot, bool disableParent,
                                   bool resizable, bool maximised, bool centre, int menuId)
    : TIListBoxWin(parent, caption, codeMode, columns, fontSlot), centre_(centre) {
  setObjectName("TIListBoxWinMenu");
  if (!resizable) {
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    setFixedSize(size());
  }
  if (maximised) setWindowState(windowState() | Qt::WindowMaximized);
  if (disableParent && parent) {
    parent->setEnabled(false);
    disabledParent_ = true;
  }
  BuildMenus(menuId);
}

TIListBoxWinMenu::~TIListBoxWinMenu() {
  if (QWidget* parent = parentWidget()) {
    if (disabledParent_) parent->setEnabled(true);
    parent->setFocus();
  }
}

void TIListBoxWinMenu::BuildMenus(int menuId) {
  if (menuId == 0) return;
  auto add = [this](QMenu* menu, int id, const char* text) {
    QAction* a = menu->addAction(FromCp1252(text));
    a->setObjectName(QString::number(id));
    a->setStatusTip(FromCp1252(platform::LoadString(id)));
    actions_[id] = a;
    return a;
  };
  fileMenu_ = menuBar()->addMenu("&File");
  connect(add(fileMenu_, CmListSaveAs, "&Save As..."), &QAction::triggered, this, &TIListBoxWinMenu::CmSaveAs);
  fileMenu_->addSeparator();
  connect(add(fileMenu_, CmListPrinterSetup, "Printer Se&tup..."), &QAction::triggered, this,
          &TIListBoxWinMenu::CmPrinterSetup);
  connect(add(fileMenu_, CmListPrint, "&Print..."), &QAction::triggered, this, &TIListBoxWinMenu::CmPrint);
  QMenu* edit = menuBar()->addMenu("&Edit");
  connect(add(edit, CmListCopy, "C&opy"), &QAction::triggered, this, &TIListBoxWinMenu::CmCopy);
  edit->addSeparator();
  QAction* editor = add(edit, CmListAsciiEditor, "&ASCII Editor");
  connect(editor, &QAction::triggered, this, &TIListBoxWinMenu::CmAsciiEditor);
  // The hand-over is there once the ASCII editor is.
  connect(edit, &QMenu::aboutToShow, this, [editor] { editor->setEnabled(AsciiEditorInstalled()); });
  editor->setEnabled(AsciiEditorInstalled());
  listMenu_ = menuBar()->addMenu("&List");
  add(listMenu_, CmListKeepList, "&Keep List after Selection")->setCheckable(true);
  add(listMenu_, CmListAllGoodness, "All &Goodness of Fit in List")->setCheckable(true);
  listMenu_->addSeparator();
  connect(add(listMenu_, CmListFont, "&Font for List..."), &QAction::triggered, this, &TIListBoxWinMenu::CmFont);
  QAction* color = add(listMenu_, CmListColor, "&Color");
  color->setCheckable(true);
  color->setChecked(ListBox()->ColourFlag());
  connect(color, &QAction::triggered, this, &TIListBoxWinMenu::CmColor);
  filterMenu_ = menuBar()->addMenu("F&ilter");
  static constexpr const char* kFilters[6] = {"&All Equations", "&Simple Equations",
                                              "Polynomial/Rational &Equations", "&Polynomial Equations",
                                              "&Rational Equations", "&Non-Linear Equations"};
  for (int i = 0; i < 6; ++i) add(filterMenu_, CmListFilterAll + i, kFilters[i])->setCheckable(true);
  sortMenu_ = menuBar()->addMenu("&Sort");
  static constexpr struct {
    int id;
    const char* text;
  } kSorts[] = {{2373, "By &r\xB2"},
                {2374, "By &DOF Adjusted r\xB2"},
                {2375, "By &Std Error"},
                {2376, "By &F-statistic"},
                {2377, "By F&loating Point Speed"},
                {2379, "By &Equation Number"}};
  for (const auto& sort : kSorts) add(sortMenu_, sort.id, sort.text)->setCheckable(true);
  sortMenu_->addSeparator();
  add(sortMenu_, CmListSortByParamCount, "Arrange &By Parameter Count")->setCheckable(true);
}

QAction* TIListBoxWinMenu::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

bool TIListBoxWinMenu::MenuBarShown() const { return menuBar()->isVisible(); }

void TIListBoxWinMenu::MenuFits() {
  bool fits = false;
  if (isVisible()) {
    QRect frame;
    if (parentWidget())
      frame = parentWidget()->window()->geometry();
    else if (screen())
      frame = screen()->geometry();
    const int w = width(), h = height();
    fits = (w > frame.width() / 2 && h > frame.height() / 4) || (h > frame.height() / 2 && w > frame.width() / 4);
  }
  menuBar()->setVisible(fits);
  if (fits) {
    if (QAction* color = Action(CmListColor)) color->setChecked(ListBox()->ColourFlag());
  }
}

void TIListBoxWinMenu::EvListWindowNotify(int code, int a, int b) {
  if (code == 1) MenuFits();
  TIListBoxWin::EvListWindowNotify(code, a, b);
}

void TIListBoxWinMenu::showEvent(QShowEvent* event) {
  if (!shownOnce_) {
    shownOnce_ = true;
    if (centre_) CenterOnScreen(this);
  }
  TIListBoxWin::showEvent(event);
  MenuFits();
}

TRtfFont TIListBoxWinMenu::RtfFont() const {
  const TLogFont record = ListBox()->FontRecord();
  TRtfFont font;
  font.family = record.Family();
  font.face = record.faceName;
  font.height = record.height;
  font.charWidth = ListBox()->CharWidth();
  font.screenDpi = ListBox()->logicalDpiX();
  return font;
}

void TIListBoxWinMenu::CmSaveAs() {
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtSave];
  std::string path, ext;
  const int index = std::max(FileKindByExt(lastExt), 1);
  if (FileSaveDlg(ToWindow(this), kSaveCaption, path, &ext, "TXT", kSaveFilter, index) != 1) return;
  lastExt = ext;
  (void)SaveTo(path);
}

bool TIListBoxWinMenu::SaveTo(const std::string& path) {
  ShowBusyMsg(ToWindow(this), kSaveCaption, "Saving...", 1);
  ListSaveResult result;
  int replaced = 0;  // by a worksheet's code page 850
  {
    const platform::TReplacedCharacters lost;
    result = SaveListFile(ExportLines(), path, RtfFont(), ListBox()->ColourFlag());
    replaced = lost.Count();
  }
  HideBusyMsg();
  switch (result) {
    case ListSaveResult::kWritten: TellCharactersWritten(this, path, replaced); return true;
    case ListSaveResult::kFormatNotWritten: ErrorBox(ToWindow(this), path, kSavNotWritten); return false;
    case ListSaveResult::kWriteFailed: ErrorBox(ToWindow(this), path, SaveFailureText(path, 3075)); return false;
  }
  return false;
}

void TIListBoxWinMenu::CmCopy() {
  // An empty list leaves the clipboard as it was.
  if (GetCount() == 0) return;
  const TListLines lines = ExportLines();
  auto* data = new QMimeData;
  const std::string text = ListToText(lines, static_cast<long>(kListTextLimit));
  data->setText(FromCp1252(text));
  // The worksheet form's labels are in code page 850: what it cannot hold is told.
  const platform::TReplacedCharacters lost;
  const std::vector<std::uint8_t> wk1 = LinesWorksheet(lines, 1);
  const int replaced = lost.Count();
  data->setData(kMimeWk1, QByteArray(reinterpret_cast<const char*>(wk1.data()), static_cast<qsizetype>(wk1.size())));
  const std::string rtf = LinesRtf(lines, RtfFont(), ListBox()->ColourFlag());
  data->setData(kMimeRtf, QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())));
  QGuiApplication::clipboard()->setMimeData(data);
  // The plain text of a very long list stops short of its last rows; the other forms hold all.
  if (const std::string cut = RowsLeftOutText(text, lines.Count(), kListTextLimit, "The Copy's Plain Text Holds");
      !cut.empty())
    InfoBox(ToWindow(this), platform::qt::ToCp1252(windowTitle()), cut + "; Its Worksheet Form Holds Every Row");
  TellCharactersCopied(this, platform::qt::ToCp1252(windowTitle()), replaced);
}

void TIListBoxWinMenu::CmAsciiEditor() {
  if (GetCount() == 0) return;
  const TListLines lines = ExportLines();
  const std::string text = ListToText(lines, kListEditorTextLimit);
  // The editor is given the first rows of a very long list: told before it opens.
  if (const std::string cut = RowsLeftOutText(text, lines.Count(), static_cast<std::size_t>(kListEditorTextLimit), "The ASCII Editor Is Given");
      !cut.empty())
    InfoBox(ToWindow(this), platform::qt::ToCp1252(windowTitle()), cut);
  OpenAsciiEditor(parentWidget(), std::string(platform::LoadString(3086)), text, this);
}

void TIListBoxWinMenu::CmFont() {
  const TLogFont before = ListBox()->FontRecord();
  TLogFont font = before;
  TFontChoice choice;
  choice.title = "Select Equation List Font";
  choice.minPoints = kMinFontPoints;
  choice.maxPoints = kMaxFontPoints;
  if (!ChooseFontDlg(this, font, choice) || EncodeLogFont(font) == EncodeLogFont(before)) return;
  SetSlotFont(ListBox()->FontSlot(), font);
  RefreshFonts();
}

void TIListBoxWinMenu::CmColor() {
  SetColourFlag(!ListBox()->ColourFlag());
  if (QAction* color = Action(CmListColor)) color->setChecked(ListBox()->ColourFlag());
}

void TIListBoxWinMenu::CmPrinterSetup() { RunPrinterSetup(this); }

void TIListBoxWinMenu::CmPrint() {
  RunTextPrint(this, [this](QPrinter& printer, const std::vector<std::string>& titleBlock,
                            const std::function<bool()>& keepGoing) { return PrintOn(printer, titleBlock, keepGoing); });
}

PrintOutcome TIListBoxWinMenu::PrintOn(QPrinter& printer, const std::vector<std::string>& titleBlock,
                                       const std::function<bool()>& keepGoing) {
  const TTextPrintOptions options = DecodeTextPrint(CurrentSettings().textPrint);
  const TListLines lines = ExportLines();
  TTextPrintRequest request;
  request.lines = &lines;
  request.first = options.allLines ? 0 : std::max(FirstVisible(), 0);
  request.last = options.allLines ? GetCount() : LastVisible() + 1;
  request.font = ListBox()->FontRecord();
  request.colors = ListBox()->ColourFlag();
  request.color = platform::Color::Black();
  request.titleBlock = titleBlock;
  request.overflowQuestion = [this] {
    return AskYesNo(ToWindow(this), "Text May OverFlow Page Width", "Print Anyway?") == platform::kIdYes;
  };
  request.keepGoing = keepGoing;
  return PrintTextLines(printer, request);
}
