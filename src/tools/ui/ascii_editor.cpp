#include "tools/ui/ascii_editor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTextCursor>
#include <QToolBar>

#include <memory>

#include "app/c_format.h"
#include "app/data_files.h"
#include "app/data_file_writers.h"
#include "app/data_session.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/shell_state.h"
#include "app/text_file_bytes.h"
#include "app/ui/clear_placement.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/dialog.h"
#include "app/ui/font_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/program_printer.h"
#include "app/ui/text_window.h"
#include "platform/cp1252.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr const char* kOpenFilter = "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|";
constexpr const char* kSaveFilter =
    "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus [wk1]|*.wk1|Lotus [wk3]|*.wk3|";
constexpr const char* kTextChanged = "The Text Has Changed. Save Changes?";
constexpr int kMinFontPoints = 6;
constexpr int kMaxFontPoints = 24;
constexpr int kTabWidth = 8;
constexpr int kMinPointsRead = 4;

// The editor's lines as a text window's printing reads them: plain text, so a tilde is no
// code, and tabs laid out as blanks.
class TEditorLines final : public TExportLines {
 public:
  explicit TEditorLines(const std::string& text) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
      const std::size_t end = std::min(text.find('\n', pos), text.size());
      std::string line;
      for (std::size_t i = pos; i < end; ++i) {
        if (text[i] == '\t') {
          line.append(static_cast<std::size_t>(kTabWidth - static_cast<int>(line.size()) % kTabWidth), ' ');
        } else {
          if (text[i] == '~') line += '~';  // a doubled tilde prints as one
          line += text[i];
        }
      }
      lines_.push_back(std::move(line));
      if (end == text.size()) break;
      pos = end + 1;
    }
  }
  int Count() const override { return static_cast<int>(lines_.size()); }
  std::string_view Line(int index) const override { return lines_[static_cast<std::size_t>(index)]; }
  const std::uint8_t* Attr(int) const override { return kPlain; }

 private:
  static constexpr std::uint8_t kPlain[1] = {0};
  std::vector<std::string> lines_;
};

}  // namespace

TLogFont DefaultEditorFont() {
  TLogFont font;
  font.faceName = "Courier New";
  font.height = 11;
  font.weight = 400;
  font.pitchAndFamily = 1;  // fixed pitch
  return font;
}

// ---------------------------------------------------------------------------------------
// TEditFont

TEditFont::TEditFont(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("TEditFont");
  setLineWrapMode(QPlainTextEdit::NoWrap);
  TLogFont record = SlotFont(kFontSlotAsciiEditor);
  ApplyFontRecord(record.IsDefault() ? DefaultEditorFont() : record);
}

void TEditFont::ApplyFontRecord(const TLogFont& record) {
  record_ = record;
  QFont font(FromCp1252(record.faceName), record.height > 0 ? record.height : 11,
             record.weight >= 700 ? QFont::Bold : QFont::Normal, record.italic != 0);
  font.setUnderline(record.underline != 0);
  font.setStrikeOut(record.strikeOut != 0);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  setFont(font);
  setTabStopDistance(QFontMetricsF(font).horizontalAdvance(' ') * kTabWidth);
}

namespace {

// The line (from 1) of the first character of `text` that Windows-1252 lacks; 0 for none.
int FirstLineBeyondCp1252(const QString& text) {
  int line = 1;
  for (const char32_t u : text.toUcs4()) {
    if (u == '\n') ++line;
    else if (platform::UnicodeToCp1252(u) < 0) return line;
  }
  return 0;
}

}  // namespace

std::string TEditFont::Text() const { return ToEditorText(ToCp1252(toPlainText())); }

std::string TEditFont::Utf8Text() const {
  const QByteArray utf8 = toPlainText().toUtf8();
  return ToEditorText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void TEditFont::ReplaceUtf8Text(const std::string& text) {
  const std::string lf = ToEditorText(text);
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size())));
  moveCursor(QTextCursor::Start);
}

std::string TEditFont::SelectedText() const {
  // The edit marks the line ends of a selection with the paragraph separator.
  QString selected = textCursor().selectedText();
  selected.replace(QChar::ParagraphSeparator, '\n');
  selected.replace(QChar::LineSeparator, '\n');
  return ToCp1252(selected);
}

QMimeData* TEditFont::createMimeDataFromSelection() const {
  QString selected = textCursor().selectedText();
  selected.replace(QChar::ParagraphSeparator, '\n');
  selected.replace(QChar::LineSeparator, '\n');
  const std::string text = ToCp1252(selected);
  auto* data = new QMimeData;
  // The text keeps every character the edit holds; the worksheet holds what its code does.
  const QByteArray utf8 = selected.toUtf8();
  const std::string lines = ToCrLfText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  data->setText(QString::fromUtf8(lines.data(), static_cast<qsizetype>(lines.size())));
  if (SpansLines(text)) {
    // The worksheet's labels: the program's single-byte text in code page 850. What either
    // code lacks is copied there as '?', which the user hears once the copy is made (not
    // while a drag carries it: a box would stand in its way).
    const platform::TReplacedCharacters lost;
    const std::vector<std::uint8_t> wk1 = SelectionWorksheet(ToCp1252(selected), 1);
    const int count = lost.Count();
    if (!wk1.empty())
      data->setData(kMimeWk1, QByteArray(reinterpret_cast<const char*>(wk1.data()), static_cast<qsizetype>(wk1.size())));
    if (!wk1.empty() && count > 0 && QGuiApplication::mouseButtons() == Qt::NoButton) {
      auto* edit = const_cast<TEditFont*>(this);
      QMetaObject::invokeMethod(edit, [edit, count] { emit edit->WorksheetCopyLost(count); }, Qt::QueuedConnection);
    }
  }
  return data;
}

bool TEditFont::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    const QKeySequence key(static_cast<QKeyEvent*>(e)->keyCombination());
    for (const QAction* a : window()->findChildren<QAction*>())
      if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == key) {
        e->ignore();
        return true;
      }
  }
  return QPlainTextEdit::event(e);
}

void TEditFont::ReplaceText(const std::string& text) {
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(FromCp1252(ToEditorText(text)));
  moveCursor(QTextCursor::Start);
}

// ---------------------------------------------------------------------------------------
// TAsciiEd

TAsciiEd::TAsciiEd(QWidget* parent, const QString& title, const std::string& text, QWidget* owner, HandBack handBack)
    : QMainWindow(parent, OwnedWindowFlags(parent, Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)),
      edit_(new TEditFont(this)), ownerWait_(owner), handBack_(std::move(handBack)) {
  setObjectName("TAsciiEd");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setCentralWidget(edit_);
  connect(edit_, &TEditFont::WorksheetCopyLost, this,
          [this](int count) { TellCharactersCopied(this, ToCp1252(windowTitle()), count); });
  edit_->setPlainText(FromCp1252(ToEditorText(text)));
  edit_->document()->setModified(false);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  // Beside a window that stays in use (the review, whose pane it was opened from, keeps it
  // above itself) it leaves that window's controls free.
  PlaceClearOf(this, parent != nullptr ? parent->window() : nullptr,
               QRect(screen.x() + 50, screen.y() + 50, std::max(screen.width() - 100, 400),
                     std::max(screen.height() - 100, 300)),
               TClearFit::kFullWidth);
  BuildMenus();
  statusBar();
  connect(edit_, &QPlainTextEdit::textChanged, this, &TAsciiEd::EnableCommands);
  EnableCommands();
}

TAsciiEd::~TAsciiEd() { ReleaseOwner(); }

void TAsciiEd::ReleaseOwner() { ownerWait_.Release(); }

QAction* TAsciiEd::Action(int command) const { return findChild<QAction*>(QString::number(command)); }

void TAsciiEd::BuildMenus() {
  auto add = [this](QMenu* menu, int id, const char* text, auto slot) {
    QAction* a = menu->addAction(tr(text));
    a->setObjectName(QString::number(id));
    const std::string_view hint = platform::LoadString(id);
    if (!hint.empty() && std::to_string(id) != hint) a->setStatusTip(FromCp1252(hint));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar()->addMenu(tr("&File"));
  add(file, kNew, "&New", &TAsciiEd::CmNew);
  add(file, kOpen, "&Open...", &TAsciiEd::CmOpen);
  add(file, kSave, "&Save", [this] { (void)CmSave(); });  // a failure is told by the save
  add(file, kSaveAs, "Save &As...", [this] { (void)CmSaveAs(); });
  file->addSeparator();
  add(file, kPrinterSetup, "Printer Se&tup...", [this] { RunPrinterSetup(this); });
  add(file, kPrint, "&Print...", &TAsciiEd::CmPrint);
  file->addSeparator();
  add(file, kClose, "&Close", [this] { close(); });

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  QAction* copy = add(edit, kCopy, "&Copy", &TAsciiEd::CmCopy);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  add(edit, kSelectAll, "Select &All", [this] { edit_->selectAll(); });
  QMenu* format = menuBar()->addMenu(tr("F&ormat"));
  add(format, kEuropean, "Convert &European Numeric Format", &TAsciiEd::CmEuropean);
  format->addSeparator();
  add(format, kSpaceDelimiter, "Minimize Space, &Space Delimiter", [this] { CmMinimize(Delimiter::kSpace); });
  add(format, kCommaDelimiter, "Minimize Space, &Comma Delimiter", [this] { CmMinimize(Delimiter::kComma); });
  add(format, kTabDelimiter, "Minimize Space, &Tab Delimiter", [this] { CmMinimize(Delimiter::kTab); });
  format->addSeparator();
  add(format, kFont, "&Font...", &TAsciiEd::CmFont);

  QToolBar* bar = addToolBar(tr("Editor"));
  bar->setObjectName("EditorToolBar");
  bar->setMovable(false);
  const std::pair<int, const char*> buttons[] = {{kCopy, "Copy"},        {kSelectAll, "Select All"},
                                                 {kEuropean, "1,5 \xBB 1.5"}, {kSpaceDelimiter, "Space"},
                                                 {kCommaDelimiter, "Comma"}, {kTabDelimiter, "Tab"},
                                                 {kFont, "Font"},        {kPrint, "Print"}};
  for (const auto& [id, text] : buttons) {
    QAction* a = Action(id);
    QAction* b = bar->addAction(FromCp1252(text));
    b->setObjectName(QString("bar%1").arg(id));
    b->setStatusTip(a->statusTip());
    b->setToolTip(a->statusTip());
    connect(b, &QAction::triggered, a, &QAction::trigger);
    connect(a, &QAction::enabledChanged, b, &QAction::setEnabled);
  }
}

void TAsciiEd::EnableCommands() {
  const bool any = !edit_->document()->isEmpty();
  for (int id : {kSelectAll, kEuropean, kSpaceDelimiter, kCommaDelimiter, kTabDelimiter, kPrint})
    if (QAction* a = Action(id)) a->setEnabled(any);
}

void TAsciiEd::Transform(const std::function<void(std::string&)>& change) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // On the UTF-8 text: the conversions change ASCII characters only, and a character the
  // program's own text lacks (a typed Omega) stays as it is, where it became '?'.
  std::string text = edit_->Utf8Text();
  change(text);
  edit_->ReplaceUtf8Text(text);
  QApplication::restoreOverrideCursor();
}

void TAsciiEd::CmEuropean() {
  Transform([](std::string& text) { ReplaceOutsideQuotes(text, ',', '.'); });
}

void TAsciiEd::CmMinimize(Delimiter delimiter) {
  Transform([delimiter](std::string& text) { MinimizeSpace(text, delimiter); });
}

void TAsciiEd::CmCopy() { edit_->copy(); }

bool TAsciiEd::CanClear() {
  if (!edit_->document()->isModified()) return true;
  const std::string caption = edit_->FileName().empty() ? ToCp1252(windowTitle()) : edit_->FileName();
  const int answer = AskYesNoCancel(ToWindow(this), caption, kTextChanged);
  if (answer == platform::kIdCancel) return false;
  return answer == platform::kIdNo || CmSave();
}

void TAsciiEd::CmNew() {
  if (!CanClear()) return;
  edit_->clear();
  edit_->SetFileName({});
  fileEncoding_ = TFileEncoding::kProgramText;
  edit_->document()->setModified(false);
}

void TAsciiEd::CmOpen() {
  if (!CanClear()) return;
  std::string path, ext;
  if (FileOpenDlg(ToWindow(this), "Open File", path, &ext, "PRN", kOpenFilter, std::max(IsTextExt(ext), 1)) != 1) return;
  (void)LoadFile(path);  // a file that cannot be loaded is told, and the text stays
}

bool TAsciiEd::LoadFile(const std::string& path) {
  if (!CheckTextFileToLoad(this, path)) return false;
  if (static_cast<std::uint64_t>(FileSize(path)) > kAsciiEditorTextLimit) {
    ErrorBoxIds(ToWindow(this), 3096, 3097);
    return false;
  }
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(path);
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // The file in its own encoding (UserFileEncoding): the edit holds every character of a
  // UTF-8 file, whose bytes showed as Windows-1252 ("Temp Â°C").
  const bool marked = text.starts_with(kUtf8ByteOrderMark);
  if (marked) text.remove_prefix(kUtf8ByteOrderMark.size());
  fileEncoding_ = UserFileEncoding(text, marked);
  const std::string lines = ToEditorText(text);
  edit_->setPlainText(fileEncoding_ == TFileEncoding::kCp1252
                          ? FromCp1252(lines)
                          : QString::fromUtf8(lines.data(), static_cast<qsizetype>(lines.size())));
  edit_->SetFileName(path);
  edit_->document()->setModified(false);
  return true;
}

bool TAsciiEd::SaveFile(const std::string& path) {
  // A file is written back in its own encoding, a UTF-8 one with every character kept; the
  // program's own text as TextFileBytes writes it, unless it holds a character that
  // Windows-1252 lacks: then as UTF-8 after a byte order mark, which every reader of the
  // program's text takes, rather than with '?' for the character.
  const std::string outside = platform::qt::CharactersOutsideCp1252(edit_->toPlainText());
  TFileEncoding encoding = fileEncoding_;
  if (encoding == TFileEncoding::kProgramText && !outside.empty()) encoding = TFileEncoding::kUtf8WithMark;
  std::string bytes;
  if (encoding == TFileEncoding::kCp1252) {
    // A Windows-1252 file keeps its encoding; the characters it cannot hold are asked about.
    const platform::TReplacedCharacters lost;
    bytes = ToCrLfText(edit_->Text());
    if (lost.Count() > 0 &&
        AskYesNo(ToWindow(this), path,
                 UnheldCharactersText(lost.Count(), TUnheldFate::kWillBeWritten, "the Text",
                                      "Windows-1252, the File's Encoding",
                                      CFormat("(First on Line %d)", FirstLineBeyondCp1252(edit_->toPlainText()))) +
                     "\nSave Anyway?") != platform::kIdYes)
      return false;
  } else if (encoding == TFileEncoding::kUtf8 || encoding == TFileEncoding::kUtf8WithMark) {
    const QByteArray utf8 = edit_->toPlainText().toUtf8();
    bytes = (encoding == TFileEncoding::kUtf8WithMark ? std::string(kUtf8ByteOrderMark) : std::string()) +
            ToCrLfText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  } else {
    bytes = TextFileBytes(ToCrLfText(edit_->Text()));
  }
  if (!SaveGlobalToFile(bytes, path)) {
    ErrorBox(ToWindow(this), path, SaveFailureText(path, 3075));
    return false;
  }
  fileEncoding_ = encoding;
  edit_->SetFileName(path);
  edit_->document()->setModified(false);
  return true;
}

bool TAsciiEd::CmSave() { return edit_->FileName().empty() ? CmSaveAs() : SaveFile(edit_->FileName()); }

bool TAsciiEd::CmSaveAs() {
  std::string path, ext;
  const int index = std::max(FileKindByExt(platform::PathExtension(edit_->FileName())), 1);
  if (FileSaveDlg(ToWindow(this), "Save As", path, &ext, "PRN", kSaveFilter, std::min(index, 5)) != 1) return false;
  const int format = SaveFormatByExt(path);
  if (format != kSaveFormatWk1 && format != kSaveFormatWk3) return SaveFile(path);
  // A worksheet of the whole text; the edit keeps its own file name. Its labels are in code
  // page 850: the characters they cannot hold are told.
  const platform::TReplacedCharacters lost;
  const std::vector<std::uint8_t> sheet = SelectionWorksheet(edit_->Text(), format == kSaveFormatWk1 ? 1 : 3);
  const int replaced = lost.Count();
  if (sheet.empty() || !SaveGlobalToFile(sheet, path)) {
    ErrorBox(ToWindow(this), path, SaveFailureText(path, 3075));
    return false;
  }
  if (replaced > 0)
    InfoBox(ToWindow(this), path,
            UnheldCharactersText(replaced, TUnheldFate::kWritten, "the Text", "the Worksheet's Code Page 850"));
  return true;
}

void TAsciiEd::CmFont() {
  const TLogFont before = edit_->FontRecord();
  TLogFont record = before;
  TFontChoice choice;
  choice.title = "Select Editor Font";
  choice.minPoints = kMinFontPoints;
  choice.maxPoints = kMaxFontPoints;
  choice.pitch = FontPitch::Fixed;
  if (!ChooseFontDlg(this, record, choice) || EncodeLogFont(record) == EncodeLogFont(before)) return;
  SetSlotFont(kFontSlotAsciiEditor, record);
  edit_->ApplyFontRecord(record);
}

void TAsciiEd::CmPrint() {
  // The printed text is the program's single-byte text: a character it lacks would print as
  // '?' without a word (the saves ask the same before writing one).
  int beyond = 0;
  {
    const platform::TReplacedCharacters lost;
    (void)edit_->Text();
    beyond = lost.Count();
  }
  if (beyond > 0 &&
      AskYesNo(ToWindow(this), ToCp1252(windowTitle()),
               UnheldCharactersText(beyond, TUnheldFate::kWillBePrinted, "the Text", "Windows-1252",
                                    CFormat("(First on Line %d)", FirstLineBeyondCp1252(edit_->toPlainText()))) +
                   "\nPrint Anyway?") != platform::kIdYes)
    return;
  RunTextPrint(this, [this](QPrinter& printer, const std::vector<std::string>& titleBlock,
                            const std::function<bool()>& keepGoing) {
    const TEditorLines lines(edit_->Text());
    TTextPrintRequest request;
    request.lines = &lines;
    request.first = 0;
    request.last = lines.Count();
    request.font = edit_->FontRecord();
    request.titleBlock = titleBlock;
    request.keepGoing = keepGoing;
    return PrintTextLines(printer, request);
  // The whole text in the editor's one colour: extent and colour are not the editor's to offer.
  }, TTextPrintOffers{true, false, false});
}

int TAsciiEd::HandBackText() {
  // The table's titles are the program's text: a character it lacks is told before it
  // becomes '?'.
  const platform::TReplacedCharacters lost;
  const std::string text = edit_->Text();
  if (lost.Count() > 0)
    InfoBox(ToWindow(this), ToCp1252(windowTitle()),
            UnheldCharactersText(lost.Count(), TUnheldFate::kShown, "the Text", "Windows-1252",
                                 CFormat("(First on Line %d)", FirstLineBeyondCp1252(edit_->toPlainText()))));
  return handBack_(text, edit_->FileName());
}

void TAsciiEd::closeEvent(QCloseEvent* event) {
  // The edit's own question about its file; a table's text without a file is the table's.
  if ((!handBack_ || !edit_->FileName().empty()) && !CanClear()) {
    event->ignore();
    return;
  }
  if (handBack_ && (edit_->document()->isModified() || !edit_->FileName().empty())) {
    const int answer = AskYesNoCancelIds(ToWindow(this), 3094, 3095);
    if (answer == platform::kIdCancel) {
      event->ignore();
      return;
    }
    // Text the table cannot take stays here, for the user to mend.
    if (answer == platform::kIdYes && HandBackText() < kMinPointsRead) {
      event->ignore();
      return;
    }
  }
  event->accept();
  ReleaseOwner();
  emit closed();
}

// ---------------------------------------------------------------------------------------

namespace {

TAsciiEd* OpenEditor(QWidget* parent, const QString& title, const std::string& text, QWidget* owner,
                     TAsciiEd::HandBack handBack) {
  if (text.size() > kAsciiEditorTextLimit) {
    ErrorBoxIds(ToWindow(parent), 3096, 3097);
    return nullptr;
  }
  auto* editor = new TAsciiEd(parent, title, text, owner, std::move(handBack));
  editor->show();
  return editor;
}

}  // namespace

void RunAsciiEditor(TDataSession& session) {
  CloseDataStatus();
  const std::string text = DataTableToText(session);
  TDataSession* const s = &session;
  // What the table says of the text (refused, being pre-scanned) opens over the editor that
  // handed it, which stays in front until it has closed.
  auto handing = std::make_shared<QPointer<QWidget>>();
  TAsciiEd* editor = OpenEditor(MainWindow, FromCp1252(platform::LoadString(3086)), text, MainWindow,
                                [s, handing](const std::string& edited, const std::string& fileName) {
                                  const std::string before = s->DataFileName;
                                  s->DataFileName = fileName;
                                  const int read = EvEditorData(*s, edited, ToWindow(handing->data()));
                                  if (read < kMinPointsRead) s->DataFileName = before;
                                  return read;
                                });
  *handing = editor;
  if (!editor) {
    ShowDataStatus();
    return;
  }
  QObject::connect(editor, &TAsciiEd::closed, editor, [] {
    ShowDataStatus();
    if (MainWindow) MainWindow->RefreshBars();
  });
}

void RegisterAsciiEditor(TDataSession& session) {
  TDataSession* const s = &session;
  RegisterCommand(CmAsciiEditor, [s] { RunAsciiEditor(*s); });
  AddStartupStep("ascii editor", [] {
    SetAsciiEditorOpener([](QWidget* parent, const std::string& title, const std::string& text, QWidget* owner) {
      (void)OpenEditor(parent, FromCp1252(title), text, owner, {});  // too large a text is told
    });
  });
}
