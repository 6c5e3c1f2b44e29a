#include "app/ui/text_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/c_format.h"
#include "app/date_time_text.h"
#include "app/file_utils.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/text_file_bytes.h"
#include "app/text_print.h"
#include "app/worksheet_records.h"
#include "app/ui/clear_placement.h"
#include "app/ui/command_table.h"
#include "app/ui/font_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/program_printer.h"
#include "platform/busy_window.h"
#include "platform/cp1252.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::QtDeviceContext;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

// Commands of the text windows' menus.
enum TextCommand : int {
  CmTextOpen = 2301,
  CmTextAppend = 2302,
  CmTextSaveAs = 2303,
  CmTextPrinterSetup = 2305,
  CmTextPrint = 2306,
  CmTextClose = 2118,
  CmTextCopy = 2445,
  CmTextAsciiEditor = 2313,
  CmTextFontSelect = 2321,
  CmTextColor = 2322,
};

constexpr const char* kTextFilter = "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|";
// The statistics-package format is left out until its writer exists: choosing it would
// write nothing.
constexpr const char* kTextSaveFilter =
    "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus [wk1]|*.wk1|Lotus [wk3]|*.wk3|"
    "Rich Text Format [rtf]|*.rtf|Wordstar [ws]|*.ws|";
constexpr const char* kSaveCaption = "Save Window Contents to File";
constexpr const char* kViewCaption = "View ASCII File";
constexpr const char* kNonAscii = "File is Non-ASCII";
constexpr int kViewerCapacity = 16384;
constexpr int kLastExtText = 3;   // LastExtensions 4: the ASCII list and text windows
constexpr int kLastExtSave = 4;   // LastExtensions 5: the text windows' saves
constexpr int kMinFontPoints = 6;  // the sizes the font dialog offers
constexpr int kMaxFontPoints = 48;

TTextPrintDialog& PrintDialog() {
  static TTextPrintDialog dialog;
  return dialog;
}

TAsciiEditorOpener& EditorOpener() {
  static TAsciiEditorOpener opener;
  return opener;
}

}  // namespace

CodedFontSet MakeCodedFonts(const TLogFont& record, int dpi) {
  platform::Font normal;
  normal.face = record.faceName;
  normal.height = -(std::abs(record.height) * dpi + 36) / 72;
  normal.weight = record.weight > 0 ? record.weight : 400;
  normal.italic = record.italic != 0;
  normal.underline = record.underline != 0;
  normal.strikeOut = record.strikeOut != 0;
  CodedFontSet fonts;
  fonts[0] = normal;
  platform::Font small = normal;
  small.height = normal.height * 8 / 10;
  fonts[1] = small;
  platform::Font symbol = normal;
  symbol.face = "Symbol";
  symbol.charset = platform::CharSet::Symbol;
  fonts[2] = symbol;
  platform::Font bold = normal;
  bold.weight = 700;
  fonts[3] = bold;
  platform::Font italic = normal;
  italic.italic = true;
  fonts[4] = italic;
  return fonts;
}

void DrawSegmentedLine(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text,
                       const std::uint8_t* attr, int x, int y, int charStep, bool colors,
                       platform::Color color) {
  int column = 0;
  for (auto [offset, length] : LineSegments(text, attr)) {
    const std::string_view segment = text.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    const int sx = x + column * charStep;
    if (segment.find('~') != std::string_view::npos)
      DrawCodedTextOnDC(dc, segment, fonts, sx, y, length, 0, 0, colors ? 1 : 0, color);
    else
      dc.TextOut(sx, y, segment);
    column += VisibleWidth(segment);
  }
}

namespace {

// A plain line longer than this is drawn from the part the window can show: laid out whole,
// a line of a million characters took a quarter of a second at every repaint.
constexpr std::size_t kLongLineChars = 4096;

// Where the characters of a long line fall: the text from `from` on, whose first character
// starts `startX` pixels into the line, is walked to the first character that ends past
// `limitX`. A "~~" pair shows one tilde and is never split; as the coded-text drawer places
// them, the runs between tildes and each tilde take whole pixels. The offset reached and
// where it starts.
std::pair<std::size_t, double> WalkToPixel(std::string_view text, const TGlyphAdvances& advances, std::size_t from,
                                           double startX, double limitX) {
  std::size_t i = from;
  double runStart = startX, run = 0;  // the run being walked: where it starts, its width so far
  while (i < text.size()) {
    if (text[i] == '~') {
      const double tilde = i + 1 < text.size() && text[i + 1] == '~' ? std::round(advances['~']) : 0;
      const double end = runStart + std::round(run);
      if (end + tilde > limitX) return {i, end};
      runStart = end + tilde, run = 0;
      i += 2;
      continue;
    }
    const double step = advances[static_cast<unsigned char>(text[i])];
    if (runStart + run + step > limitX) break;
    run += step;
    ++i;
  }
  return {std::min(i, text.size()), runStart + run};
}

// `left` and `width`: the pixels of the line the window shows, from the line's start. A long
// plain line is cut to the characters around them, placed as the whole line would place them.
void DrawLine(platform::DeviceContext& dc, const CodedFontSet& fonts, const TMFile& lines, int index,
              int x, int y, int charStep, bool colors, platform::Color color, const TGlyphAdvances& advances,
              int left, int width) {
  const std::string_view text = lines.GetLine(index);
  const std::uint8_t* attr = lines.GetLineAttr(index);
  if (attr[0] != 0 || text.size() <= kLongLineChars) {
    DrawSegmentedLine(dc, fonts, text, attr, x, y, charStep, colors, color);
    return;
  }
  const auto [from, fromX] = WalkToPixel(text, advances, 0, 0, std::max(left - charStep, 0));
  const std::size_t to = WalkToPixel(text, advances, from, fromX, fromX + width + 2 * charStep).first + 1;
  DrawSegmentedLine(dc, fonts, text.substr(from, std::min(to, text.size()) - from), nullptr,
                    x + static_cast<int>(std::lround(fromX)), y, charStep, colors, color);
}

}  // namespace

void SetTextPrintDialog(TTextPrintDialog dialog) { PrintDialog() = std::move(dialog); }
TTextPrintJob RunTextPrintDialog(QWidget* parent, const TTextPrintOffers& offers) {
  return PrintDialog() ? PrintDialog()(parent, offers) : TTextPrintJob{};
}
void SetAsciiEditorOpener(TAsciiEditorOpener opener) { EditorOpener() = std::move(opener); }
bool AsciiEditorInstalled() { return static_cast<bool>(EditorOpener()); }
void OpenAsciiEditor(QWidget* parent, const std::string& title, const std::string& text, QWidget* owner) {
  if (EditorOpener()) EditorOpener()(parent, title, text, owner);
}

// ---------------------------------------------------------------------------------------
// TTextView

TTextView::TTextView(TMFileWin* owner) : QAbstractScrollArea(owner), owner_(owner) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setAutoFillBackground(true);
  QPalette p = viewport()->palette();
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::Window, Qt::white);
  viewport()->setPalette(p);
  setFocusPolicy(Qt::StrongFocus);
}

void TTextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  auto dc = QtDeviceContext::ForWidget(*viewport(), painter);
  owner_->Paint(*dc);
}

void TTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  owner_->ViewResized();
}

void TTextView::scrollContentsBy(int, int) {
  owner_->Lines().topLine = verticalScrollBar()->value();
  owner_->Lines().leftColumn = horizontalScrollBar()->value();
  viewport()->update();
}

void TTextView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      owner_->close();
      return;
    case Qt::Key_Home:
      verticalScrollBar()->setValue(0);
      return;
    case Qt::Key_End:
      verticalScrollBar()->setValue(verticalScrollBar()->maximum());
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

// ---------------------------------------------------------------------------------------
// TMFileWin

TMFileWin::TMFileWin(QWidget* parent, const QString& title, const std::string& fileName,
                     int frameKind, bool maximised, int capacity, bool centre, int fontSlot,
                     bool liveTracking)
    : QMainWindow(parent), lines_(fileName, capacity), fontSlot_(fontSlot), centre_(centre),
      maximised_(maximised) {
  Qt::WindowFlags hints = Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint;
  if (frameKind == 1) hints |= Qt::WindowSystemMenuHint;
  setWindowFlags(OwnedWindowFlags(parent, hints));
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("TMFileWin");
  if (!title.isEmpty()) setWindowTitle(title);
  setGeometry(100, 60, std::max(ScreenWidth - 200, 320), std::max(ScreenHeight - 120, 200));
  defaultRect_ = geometry();
  view_ = new TTextView(this);
  view_->verticalScrollBar()->setTracking(liveTracking);
  view_->horizontalScrollBar()->setTracking(liveTracking);
  setCentralWidget(view_);
}

TMFileWin::~TMFileWin() = default;

TLogFont TMFileWin::FontRecord() const {
  TLogFont record = SlotFont(fontSlot_);
  if (record.IsDefault()) return DefaultTextFont();
  // The font dialog gives 6 to 48 points; any other height comes from a damaged settings
  // file, and one far outside would overflow the conversion to pixels.
  record.height = std::clamp(record.height, kMinFontPoints, kMaxFontPoints);
  return record;
}

bool TMFileWin::ColorsOn() const {
  return CurrentSettings().fontValue2[static_cast<std::size_t>(fontSlot_)] != 0;
}

void TMFileWin::SetColorsOn(bool on) {
  CurrentSettings().fontValue2[static_cast<std::size_t>(fontSlot_)] = on ? 1 : 0;
  view_->viewport()->update();
}

platform::Color TMFileWin::TextColor() const {
  return platform::Color{static_cast<std::uint32_t>(
      CurrentSettings().fontValue1[static_cast<std::size_t>(fontSlot_)])};
}

void TMFileWin::CreateFonts() {
  if (SlotFont(fontSlot_).IsDefault()) SetSlotFont(fontSlot_, DefaultTextFont());
  fonts_ = MakeCodedFonts(FontRecord(), view_->logicalDpiY());
  const QFont font = QtDeviceContext::ToQFont(*fonts_[0]);
  const QFontMetrics metrics(font, view_);
  charWidth_ = std::max(metrics.horizontalAdvance('9'), 1);
  lineHeight_ = std::max(metrics.lineSpacing(), 1);
  advances_ = MeasureTextAdvances(fonts_, view_);
}

int TMFileWin::WidestColumns() const {
  // The column of "9" is the unit the window scrolls by; a proportional font's wider
  // characters take more than one, so the widest line is measured. A line whose every
  // character took the widest advance of any of them reaches no further than the widest
  // line found so far: it need not be walked.
  const double widestAdvance = *std::max_element(advances_.coded.begin(), advances_.coded.end());
  double widest = 0;
  for (int i = 0; i < lines_.LineCount(); ++i) {
    const int length = lines_.GetLineLength(i);
    if (length * widestAdvance <= widest) continue;
    widest = std::max(widest, SegmentedLineExtent(lines_.GetLine(i), lines_.GetLineAttr(i), charWidth_, advances_));
  }
  return std::max(lines_.MaxWidth(), static_cast<int>(std::ceil(widest / charWidth_)));
}

TRtfFont TMFileWin::RtfFont() const {
  const TLogFont record = FontRecord();
  TRtfFont f;
  f.family = record.Family();
  f.face = record.faceName;
  f.height = record.height;
  f.charWidth = charWidth_;
  f.screenDpi = view_->logicalDpiX();
  return f;
}

void TMFileWin::ApplyFont(const TLogFont& font) {
  SetSlotFont(fontSlot_, font);
  CreateFonts();
  ViewResized();
}

void TMFileWin::SetupWindow() {
  CreateFonts();
  if (lines_.HasTable() && lines_.LineCount() == 0) FormatText();
  // A window its opener did not place opens as large as its text, not as large as the
  // screen: a dozen lines took 1400 x 1080 pixels.
  if (isWindow() && !maximised_ && geometry() == defaultRect_) FitToText();
  if (centre_) CenterOnScreen(this);
  ViewResized();
  // A window whose file could not be loaded has nothing to show.
  if (!lines_.HasTable()) QTimer::singleShot(0, this, &QWidget::close);
}

void TMFileWin::FitToText() {
  constexpr int kMinColumns = 40, kMinLines = 6;
  constexpr int kSpareColumns = 2, kSpareLines = 1;
  // What the window holds besides the text: its menu bar, the view's frame and scroll bars.
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int frame = 2 * view_->frameWidth();
  const int menu = menuWidget() ? menuWidget()->sizeHint().height() : 0;
  const int columns = std::max(WidestColumns() + kSpareColumns, kMinColumns);
  const int rows = std::max(lines_.LineCount() + kSpareLines, kMinLines);
  int width = columns * charWidth_ + frame + scrollBar;
  if (menuWidget()) width = std::max(width, menuWidget()->sizeHint().width());
  const int height = rows * lineHeight_ + frame + scrollBar + menu;
  // Beside a parent that stays in use (the statistics beside the main window), the window
  // leaves the parent's tool bars and buttons free.
  const QWidget* parent = parentWidget();
  PlaceClearOf(this, parent != nullptr && !HoldsOwner() ? parent->window() : nullptr,
               QRect(defaultRect_.topLeft(), QSize(width, height)), TClearFit::kFullWidth);
}

void TMFileWin::showEvent(QShowEvent* event) {
  if (!setUp_) {
    setUp_ = true;
    SetupWindow();
    if (maximised_) setWindowState(windowState() | Qt::WindowMaximized);
  }
  QMainWindow::showEvent(event);
}

void TMFileWin::closeEvent(QCloseEvent* event) {
  if (!closeAllowed_) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TMFileWin::ViewResized() {
  const QSize size = view_->viewport()->size();
  visibleColumns_ = size.width() / charWidth_;
  visibleLines_ = size.height() / lineHeight_;
  UpdateScrollRanges();
  view_->viewport()->update();
}

void TMFileWin::UpdateScrollRanges() {
  maxLeft_ = std::max(0, WidestColumns() - visibleColumns_ + 20);
  maxTop_ = std::max(0, lines_.LineCount() - visibleLines_);
  lines_.topLine = std::clamp(lines_.topLine, 0, maxTop_);
  lines_.leftColumn = std::clamp(lines_.leftColumn, 0, maxLeft_);
  QScrollBar* v = view_->verticalScrollBar();
  QScrollBar* h = view_->horizontalScrollBar();
  v->setRange(0, maxTop_);
  v->setPageStep(std::max(visibleLines_, 1));
  v->setValue(lines_.topLine);
  h->setRange(0, maxLeft_);
  h->setPageStep(8);
  h->setValue(lines_.leftColumn);
}

void TMFileWin::SetTopLine(int n) {
  if (n < 0) return;
  lines_.topLine = std::min(n, maxTop_);
  view_->verticalScrollBar()->setValue(lines_.topLine);
  view_->viewport()->update();
}

void TMFileWin::ScrollToLine(int n) {
  UpdateScrollRanges();
  SetTopLine(n);
}

void TMFileWin::ScrollBy(int lines, int columns) {
  view_->verticalScrollBar()->setValue(lines_.topLine + lines);
  view_->horizontalScrollBar()->setValue(lines_.leftColumn + columns);
}

void TMFileWin::Paint(platform::DeviceContext& dc) {
  if (!fonts_[0]) return;
  const bool colors = ColorsOn();
  const platform::Color color = colors ? TextColor() : platform::Color::Black();
  dc.SelectFont(*fonts_[0]);
  dc.SetTextColor(color);
  dc.SetBkColor(platform::Color::White());
  dc.SetBkMode(platform::BkMode::Opaque);
  const int x = (1 - lines_.leftColumn) * charWidth_;
  for (int r = 0; r <= visibleLines_; ++r) {
    const int index = lines_.topLine + r;
    if (index >= lines_.LineCount()) break;
    DrawLine(dc, fonts_, lines_, index, x, r * lineHeight_, charWidth_, colors, color, advances_.plain,
             (lines_.leftColumn - 1) * charWidth_, visibleColumns_ * charWidth_);
  }
}

// ---------------------------------------------------------------------------------------
// TScrWin

TScrWin::TScrWin(QWidget* parent, const QString& title, const std::string& fileName,
                 int frameKind, bool maximised, int capacity, bool centre, int fontSlot,
                 bool liveTracking, int menuId, QWidget* owner)
    : TMFileWin(parent, title, fileName, frameKind, maximised, capacity, centre, fontSlot,
                liveTracking),
      ownerWait_(owner),
      holdsOwner_(owner != nullptr) {
  setObjectName("TScrWin");
  if (menuId) BuildMenus(menuId);
  if (owner) setWindowFlag(Qt::WindowMinimizeButtonHint, false);
}

TScrWin::~TScrWin() { ReleaseOwner(); }

void TScrWin::ReleaseOwner() { ownerWait_.Release(); }

void TScrWin::closeEvent(QCloseEvent* event) {
  TMFileWin::closeEvent(event);
  if (event->isAccepted()) ReleaseOwner();
}

void TScrWin::BuildMenus(int menuId) {
  auto add = [this](QMenu* menu, int id, const char* text, auto slot) {
    QAction* a = menu->addAction(FromCp1252(text));
    a->setObjectName(QString::number(id));
    a->setStatusTip(FromCp1252(platform::LoadString(id)));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  // Each item of a menu has a letter of its own ("Printer &Setup..." shared S with "&Save
  // As...", so that Alt+F, S only moved between the two), as in every menu of the program.
  fileMenu_ = menuBar()->addMenu("&File");
  if (menuId == kMenuTextSavePrint) {
    // A text that lives in its dialog: it is saved and printed, never closed on its own.
    add(fileMenu_, CmTextSaveAs, "&Save As...", &TScrWin::CmSaveAs);
    fileMenu_->addSeparator();
    add(fileMenu_, CmTextPrinterSetup, "Printer Se&tup...", &TScrWin::CmPrinterSetup);
    add(fileMenu_, CmTextPrint, "&Print...", &TScrWin::CmPrint);
    return;
  }
  if (menuId != kMenuTextResults && menuId != kMenuTextList) {
    add(fileMenu_, CmTextOpen, "&Open...", [this] { LoadTextFile(false); });
    add(fileMenu_, CmTextAppend, "&Append...", [this] { LoadTextFile(true); });
    fileMenu_->addSeparator();
  }
  add(fileMenu_, CmTextSaveAs, "&Save As...", &TScrWin::CmSaveAs);
  fileMenu_->addSeparator();
  add(fileMenu_, CmTextPrinterSetup, "Printer Se&tup...", &TScrWin::CmPrinterSetup);
  add(fileMenu_, CmTextPrint, "&Print...", &TScrWin::CmPrint);
  fileMenu_->addSeparator();
  add(fileMenu_, CmTextClose, "&Close", [this] { close(); });
  if (menuId != kMenuTextList) {
    QMenu* edit = menuBar()->addMenu("&Edit");
    add(edit, CmTextCopy, "C&opy", &TScrWin::CmCopy);
    QAction* editor = add(edit, CmTextAsciiEditor, "&ASCII Editor", &TScrWin::CmAsciiEditor);
    // The hand-over is there once the ASCII editor is.
    connect(edit, &QMenu::aboutToShow, this, [editor] { editor->setEnabled(static_cast<bool>(EditorOpener())); });
  }
  QMenu* style = menuBar()->addMenu("&Style");
  add(style, CmTextFontSelect, "&Font Select...", &TScrWin::CmFontSelect);
  colorAction_ = add(style, CmTextColor, "&Color", &TScrWin::CmColor);
  colorAction_->setCheckable(true);
  colorAction_->setChecked(ColorsOn());
}

void TScrWin::LoadTextFile(bool append) {
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtText];
  std::string path, ext;
  const int index = std::max(IsTextExt(lastExt), 1);
  if (FileOpenDlg(ToWindow(this), kViewCaption, path, &ext, "PRN", kTextFilter, index) != 1) return;
  lastExt = ext;
  LoadFile(path, append);
}

// A UTF-8 file's characters that Windows-1252, the program's text, lacks are shown as '?':
// the user hears how many, once the window shows the file.
void TellUnheldCharacters(QWidget* owner, const std::string& path, int unheld) {
  if (unheld > 0) InfoBox(ToWindow(owner), path, UnheldCharactersText(unheld));
}

bool CheckTextFileToLoad(QWidget* owner, const std::string& path) {
  const int sniffed = SniffTextFile(path);
  if (sniffed == -1) {
    ErrorBox(ToWindow(owner), platform::LoadString(3003), path);
    return false;
  }
  if (sniffed != 2) {
    ErrorBox(ToWindow(owner), path, kNonAscii);
    return false;
  }
  return true;
}

bool TScrWin::LoadFile(const std::string& path, bool append) {
  if (!CheckTextFileToLoad(this, path)) return false;
  ShowBusyMsg(ToWindow(this), path, platform::LoadString(3069), 1);
  bool ok;
  int scrollTo = 0;
  const int unheldBefore = append ? lines_.UnheldCharacters() : 0;
  if (append) {
    scrollTo = lines_.LineCount();
    ok = lines_.Append(path, FileTildes::kLiteral);  // what was read stays
  } else {
    // Loaded aside first, so that a file too long for the window leaves its text as it was.
    TMFile fresh("", lines_.Capacity());
    ok = fresh.Load(path, FileTildes::kLiteral);
    if (ok) {
      lines_ = std::move(fresh);
      setWindowTitle(FromCp1252(path));
    }
  }
  HideBusyMsg();
  if (!ok)
    ErrorBox(ToWindow(this), path,
             CFormat(std::string(platform::LoadString(3074)).c_str(), lines_.Capacity()));
  else
    TellUnheldCharacters(this, path, lines_.UnheldCharacters() - unheldBefore);
  ScrollToLine(scrollTo);
  return ok;
}

void TScrWin::CmSaveAs() {
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtSave];
  std::string path, ext;
  const int index = std::max(FileKindByExt(lastExt), 1);
  if (FileSaveDlg(ToWindow(this), kSaveCaption, path, &ext, "PRN", kTextSaveFilter, index) != 1)
    return;
  lastExt = ext;
  SaveTo(path);
}

bool TScrWin::SaveTo(const std::string& path) {
  // A WK3 worksheet has 256 columns: the cells of a wider line would be left out of it.
  const int format = SaveFormatByExt(path);
  if (format == kSaveFormatSav) {  // no text format: say so rather than that writing failed
    ErrorBox(ToWindow(this), path, "A Text Is Not Written as a .sav File: Choose Another Extension");
    return false;
  }
  if (format == kSaveFormatWk3) {
    const int columns = TextWindowWorksheetColumns(lines_);
    if (columns > kWK3MaxColumn + 1) {
      ErrorBox(ToWindow(this), path,
               CFormat("A Line Holds %d Cells, More Than the %d Columns of a WK3 Worksheet\nNothing Was Written",
                       columns, kWK3MaxColumn + 1));
      return false;
    }
  }
  ShowBusyMsg(ToWindow(this), kSaveCaption, "Saving...", 1);
  bool ok = false;
  int replaced = 0;  // by the worksheet's code page 850
  {
    const platform::TReplacedCharacters lost;
    ok = WriteTextWindowFile(lines_, path, format, RtfFont(), ColorsOn());
    replaced = lost.Count();
  }
  HideBusyMsg();
  if (!ok) {
    ErrorBox(ToWindow(this), path, SaveFailureText(path, 3075));
    return false;
  }
  // What the file holds as '?': the characters of the files read that Windows-1252 lacks
  // (shown as '?' since they were loaded), and those the worksheet's labels cannot hold.
  TellCharactersWritten(this, path, lines_.UnheldCharacters(), "the File", "Windows-1252");
  TellCharactersWritten(this, path, replaced);
  return ok;
}

void TScrWin::CmCopy() {
  auto* data = new QMimeData;
  data->setText(FromCp1252(TextWindowPlainText(lines_)));
  // The worksheet form's labels are in code page 850: what it cannot hold is told.
  const platform::TReplacedCharacters lost;
  const std::vector<std::uint8_t> wk1 = TextWindowWorksheet(lines_, 1);
  const int replaced = lost.Count();
  data->setData(kMimeWk1, QByteArray(reinterpret_cast<const char*>(wk1.data()), static_cast<qsizetype>(wk1.size())));
  const std::string rtf = TextWindowRtf(lines_, RtfFont(), ColorsOn());
  data->setData(kMimeRtf, QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())));
  QGuiApplication::clipboard()->setMimeData(data);
  TellCharactersCopied(this, ToCp1252(windowTitle()), replaced);
}

void TScrWin::CmPrint() {
  RunTextPrint(this, [this](QPrinter& printer, const std::vector<std::string>& titleBlock,
                            const std::function<bool()>& keepGoing) { return PrintOn(printer, titleBlock, keepGoing); });
}

PrintOutcome PrintUnderJob(QWidget* window, const TTextPrintJob& job,
                           const std::function<PrintOutcome(const std::function<bool()>& keepGoing)>& print) {
  if (job.beginPrinting) job.beginPrinting(window);
  const PrintOutcome outcome = print(job.keepPrinting);
  if (job.endPrinting) job.endPrinting(window);
  return outcome;
}

void RunTextPrint(QWidget* window, const TTextPrinting& print, const TTextPrintOffers& offers) {
  const TTextPrintJob job = RunTextPrintDialog(window, offers);
  if (job.cancelled) return;
  QPrinter& printer = ProgramPrinter();
  if (!ChoosePrintFile(window, printer)) return;
  const PrintOutcome outcome = PrintUnderJob(
      window, job, [&](const std::function<bool()>& keepGoing) { return print(printer, job.titleBlock, keepGoing); });
  if (outcome == PrintOutcome::Failed) ErrorBox(ToWindow(window), "Print Text", PrinterOpenFailureText(printer));
}

PrintOutcome TScrWin::PrintOn(QPrinter& printer, const std::vector<std::string>& titleBlock,
                              const std::function<bool()>& keepGoing) {
  const TTextPrintOptions options = DecodeTextPrint(CurrentSettings().textPrint);
  const TMFileLines lines(lines_);
  TTextPrintRequest request;
  request.lines = &lines;
  request.first = options.allLines ? 0 : lines_.topLine;
  request.last = options.allLines ? lines_.LineCount()
                                  : std::min(lines_.LineCount(), lines_.topLine + VisibleLines());
  request.font = FontRecord();
  request.colors = ColorsOn();
  request.color = TextColor();
  request.titleBlock = titleBlock;
  request.keepGoing = keepGoing;
  return PrintTextLines(printer, request);
}

PrintOutcome PrintTextLines(QPrinter& printer, const TTextPrintRequest& request) {
  const TTextPrintOptions options = DecodeTextPrint(CurrentSettings().textPrint);
  printer.setPageOrientation(options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.setDocName("Ondravik 3D");
  printer.setFullPage(true);
  QPainter painter;
  if (!BeginPrinting(painter, printer)) return PrintOutcome::Failed;
  auto dc = QtDeviceContext::ForPrinter(printer, painter);
  const int dpi = dc->Caps().dpiY;
  const TTextPageFontMaker makeFonts = [&printer, dpi](const TLogFont& font) {
    TTextPageFonts f;
    f.fonts = MakeCodedFonts(font, dpi);
    const QFontMetrics metrics(QtDeviceContext::ToQFont(*f.fonts[0]), &printer);
    f.lineStep = std::max(metrics.lineSpacing(), 1);
    f.charStep = std::max(metrics.averageCharWidth() * 6 / 5, 1);
    return f;
  };
  bool abandoned = false;
  const PrintOutcome outcome = DrawTextPages(*dc, request, options, makeFonts, [&] {
    if (request.keepGoing && !request.keepGoing()) {
      abandoned = true;
      return false;
    }
    printer.newPage();
    return true;
  });
  if (abandoned) printer.abort();
  return FinishPrinting(painter, printer, outcome);
}

void TScrWin::CmPrinterSetup() { RunPrinterSetup(this); }

void TScrWin::CmFontSelect() {
  const TLogFont before = FontRecord();
  TLogFont font = before;
  std::int32_t& colorSlot = CurrentSettings().fontValue1[static_cast<std::size_t>(FontSlot())];
  auto color = static_cast<std::uint32_t>(colorSlot);
  TFontChoice choice;
  choice.title = "Select Text Font";
  choice.minPoints = kMinFontPoints;
  choice.maxPoints = kMaxFontPoints;
  choice.color = &color;
  if (!ChooseFontDlg(this, font, choice)) return;
  // Only what the user changed is written: an untouched dialog leaves the settings as they were.
  colorSlot = static_cast<std::int32_t>(color);
  if (EncodeLogFont(font) != EncodeLogFont(before)) ApplyFont(font);
  View()->viewport()->update();
}

void TScrWin::CmColor() {
  SetColorsOn(!ColorsOn());
  if (colorAction_) colorAction_->setChecked(ColorsOn());
}

void TScrWin::CmAsciiEditor() {
  if (!EditorOpener()) return;
  EditorOpener()(parentWidget(), std::string(platform::LoadString(3086)), TextWindowPlainText(lines_) + "\r\n", this);
}

// ---------------------------------------------------------------------------------------
// TDlgScrWin

TDlgScrWin::TDlgScrWin(QWidget* parent, const QString& title, int capacity, int menuId)
    : TDlg(parent) {
  // The text is a part of the dialog, beside its controls: a window of its own would sink
  // under the modal dialog's owners at the first click in the dialog, since window managers
  // keep a modal window above every modeless one of its program.
  text_ = new TScrWin(this, title, "", 1, false, capacity, false, kFontSlotDialogText, true,
                      menuId, nullptr);
  text_->ForbidClose();
  text_->setWindowFlags(Qt::Widget);
  text_->setObjectName("TDlgScrWinText");
}

TDlgScrWin::~TDlgScrWin() {
  if (text_) text_->AllowClose();
}

void TDlgScrWin::SetupWindow() {
  if (text_) {
    // The derived dialog's own layout moves into a form on the left; the text, under its
    // title, fills the right, as tall as the form.
    auto* form = new QWidget(this);
    if (QLayout* own = layout()) form->setLayout(own);
    auto* title = new QLabel(text_->windowTitle(), this);
    title->setObjectName("TDlgScrWinTitle");
    title->setTextFormat(Qt::PlainText);
    auto* side = new QVBoxLayout;
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(title);
    side->addWidget(text_, 1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 6, 6);
    row->addWidget(form, 0, Qt::AlignTop);
    row->addLayout(side, 1);
    const int screenWidth = screen() ? screen()->availableGeometry().width() : ScreenWidth;
    const int formWidth = form->sizeHint().width();
    text_->setMinimumSize(std::clamp(screenWidth - formWidth - 120, 320, 900),
                          std::max(form->sizeHint().height() - title->sizeHint().height(), 160));
    // Made while the dialog is being shown, the new parts would show only later, and the size
    // below would leave them out.
    form->show();
    title->show();
    row->activate();
  }
  TDlg::SetupWindow();
  // Centred on a narrow owner the wide dialog could reach past the screen's edge.
  if (QScreen* s = screen()) {
    constexpr int kFrameAllowance = 16;  // the window manager's frame, not yet known here
    const QRect room = s->availableGeometry();
    const int x = std::clamp(pos().x(), room.left(), std::max(room.left(), room.right() - width() - kFrameAllowance));
    const int y = std::clamp(pos().y(), room.top(), std::max(room.top(), room.bottom() - height() - kFrameAllowance));
    move(x, y);
  }
}

void TDlgScrWin::done(int result) {
  if (text_) text_->AllowClose();
  TDlg::done(result);
}

int TDlgScrWin::AppendLine(std::string_view text, const std::uint8_t* attr) {
  if (!text_) return 0;
  const int r = text_->Lines().AppendLine(text, attr);
  text_->UpdateScrollRanges();
  text_->View()->viewport()->update();
  return r;
}

void TDlgScrWin::ClearLines() {
  if (!text_) return;
  text_->Lines().Clear();
  text_->ScrollToLine(0);
}

int TDlgScrWin::LineCount() const { return text_ ? text_->Lines().LineCount() : 0; }

void TDlgScrWin::ScrollToLine(int n) {
  if (text_) text_->ScrollToLine(n);
}

// ---------------------------------------------------------------------------------------
// The main window's commands

TScrWin* OpenTextFileWindow(QWidget* parent, const std::string& path, const QString& title, int capacity,
                            int menuId, int fontSlot, const std::string& busyCaption,
                            const std::string& busyText, TextWindowHold hold, FileTildes tildes) {
  QWidget* main = MainWindow;
  ShowBusyMsg(ToWindow(parent), busyCaption, busyText, 1);
  QWidget* owner = hold == TextWindowHold::MainWindowCommands ? main : nullptr;
  auto* window = new TScrWin(parent, title, "", 1, false, capacity, true, fontSlot, true, menuId, owner);
  // A file that cannot be loaded leaves the window without a table.
  (void)window->Lines().Load(path, tildes);
  HideBusyMsg();
  if (!window->Lines().HasTable()) {
    delete window;
    if (FileSize(path) <= 0)
      ErrorBox(ToWindow(parent), platform::LoadString(3003), path);
    else
      ErrorBox(ToWindow(parent), path, CFormat(std::string(platform::LoadString(3074)).c_str(), capacity));
    return nullptr;
  }
  KeepAboveModalParent(window, parent);
  // It comes up when the file has been read (after an export or a generation, often), under
  // a pointer that may be on its way to the window before it.
  GuardAgainstEarlyClicks(window);
  window->show();
  TellUnheldCharacters(window, path, window->Lines().UnheldCharacters());
  return window;
}

void KeepAboveModalParent(TScrWin* window, QWidget* parent) {
  if (auto* dialog = qobject_cast<QDialog*>(parent); dialog && (dialog->isModal() || RunsModally(dialog))) {
    window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    window->setWindowModality(Qt::WindowModal);
  }
}

void RegisterTextWindowCommands() {
  RegisterCommand(CmAsciiList, [] {
    std::string& lastExt = CurrentSettings().LastExtensions[kLastExtText];
    std::string path, ext;
    QWidget* main = MainWindow;
    if (FileOpenDlg(ToWindow(main), kViewCaption, path, &ext, "PRN", kTextFilter,
                    std::max(IsTextExt(lastExt), 1)) != 1)
      return;
    lastExt = ext;
    if (SniffTextFile(path) == 0) {
      ErrorBox(ToWindow(main), path, kNonAscii);
      return;
    }
    OpenTextFileWindow(MainWindow, path, kViewCaption, kViewerCapacity, kMenuTextFull, kFontSlotFileViewer,
                       path, std::string(platform::LoadString(3069)), TextWindowHold::MainWindowCommands,
                       FileTildes::kLiteral);
  });
  struct EquationList {
    int command;
    const char* file;
    int capacity;
    const char* title;
  };
  static constexpr EquationList kLists[] = {
      {CmPolynomialList, "QKPOLY.LST", 800, "X-Y Polynomial Equation List"},
      {CmRationalList, "QKRATL.LST", 600, "X-Y Rational Equation List"},
      {CmNonLinearList, "QKNLIN.LST", 450, "Non-Linear Equation List"},
      {CmSubsetList, "QKSSET.LST", 550, "Selective Subset Equation Overview"},
  };
  for (const EquationList& list : kLists) {
    const std::string file = list.file;
    RegisterCommand(
        list.command,
        [list] {
          OpenTextFileWindow(MainWindow, ProgramDir + list.file, list.title, list.capacity, kMenuTextList,
                             kFontSlotEquationList, list.title, "Loading...", TextWindowHold::Nothing,
                             FileTildes::kCodes);
        },
        // The lists are delivered beside the program; without one the command is off.
        [file] { return FileSize(ProgramDir + file) > 0; });
  }
}
