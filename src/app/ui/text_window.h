// The scrolling text windows that show lists and results: TMFileWin paints a TMFile in
// coded text with its own scrolling; TScrWin adds the File, Edit and Style menus (open,
// append, save as text, WordStar, worksheet or rich text, print, copy, hand-over to the
// ASCII editor, font, colour); TDlgScrWin is a dialog with a TScrWin beside its controls.
// Subclasses in other subsystems override FormatText to fill the buffer.
#pragma once

#include <QAbstractScrollArea>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/coded_text_drawing.h"
#include "app/log_font.h"
#include "app/text_exports.h"
#include "app/text_line_buffer.h"
#include "app/ui/dialog.h"
#include "app/ui/program_printer.h"
#include "app/ui/text_extent.h"
#include "app/ui/text_pages.h"
#include "platform/device_context.h"

class QPrinter;
class QMenu;
class TMFileWin;

// Clipboard formats beside plain text: the worksheet images under the registered format
// names "Wk1" and "Wk3" (the same MIME names Qt gives them on Windows) and rich text.
inline constexpr const char* kMimeWk1 = "application/x-qt-windows-mime;value=\"Wk1\"";
inline constexpr const char* kMimeWk3 = "application/x-qt-windows-mime;value=\"Wk3\"";
inline constexpr const char* kMimeRtf = "text/rtf";

// The menus of a text window.
inline constexpr int kMenuTextFull = 2003;     // File, Edit, Style
inline constexpr int kMenuTextList = 2005;     // File, Style
inline constexpr int kMenuTextResults = 2011;  // as 2003 without Open and Append
inline constexpr int kMenuTextSavePrint = 2004;  // File: Save As, Printer Setup, Print

// The five fonts of coded text for a font record (height in points) at `dpi` pixels per inch.
CodedFontSet MakeCodedFonts(const TLogFont& record, int dpi);
// Draws one line at (x, y) segment by segment (attr: the segment lengths, 0-terminated),
// each segment at its visible column of `charStep` pixels.
void DrawSegmentedLine(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text,
                       const std::uint8_t* attr, int x, int y, int charStep, bool colors,
                       platform::Color color);

// The text view: a scroll area whose viewport the window paints.
class TTextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TTextView(TMFileWin* owner);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TMFileWin* owner_;
};

class TMFileWin : public QMainWindow {
  Q_OBJECT
 public:
  // frameKind 1: sizable with system menu and maximise box; 2: sizable with maximise box.
  // fontSlot: the settings' font slot whose font record, colour and colour flag the window
  // uses. A file that cannot be loaded (missing, beyond the capacity) leaves the window
  // without a table, and it closes itself when shown.
  TMFileWin(QWidget* parent, const QString& title, const std::string& fileName, int frameKind,
            bool maximised, int capacity, bool centre, int fontSlot, bool liveTracking);
  ~TMFileWin() override;

  TMFile& Lines() { return lines_; }
  const TMFile& Lines() const { return lines_; }

  // Fills the buffer; the base does nothing (subclasses build their text here).
  virtual void FormatText() {}
  virtual void CreateFonts();
  void AllowClose() { closeAllowed_ = true; }
  void ForbidClose() { closeAllowed_ = false; }
  bool IsCloseAllowed() const { return closeAllowed_; }
  // Scroll bar ranges from the line count, the widest line and the visible size.
  virtual void UpdateScrollRanges();
  // Makes line n the top line as far as the text allows (negative n is ignored).
  virtual void ScrollToLine(int n);
  virtual void SetTopLine(int n);
  // Draws the visible lines on a device context.
  virtual void Paint(platform::DeviceContext& dc);

  int CharWidth() const { return charWidth_; }
  // The pixels the widest line takes.
  int TextWidth() const { return WidestColumns() * charWidth_; }
  int LineHeight() const { return lineHeight_; }
  int VisibleColumns() const { return visibleColumns_; }
  int VisibleLines() const { return visibleLines_; }
  int MaxTopLine() const { return maxTop_; }
  int MaxLeftColumn() const { return maxLeft_; }
  const CodedFontSet& Fonts() const { return fonts_; }
  TLogFont FontRecord() const;
  // The colour flag and the colour of the window's font slot.
  bool ColorsOn() const;
  void SetColorsOn(bool on);
  platform::Color TextColor() const;
  // Replaces the font record (height in points) and redraws.
  void ApplyFont(const TLogFont& font);
  // The font as the rich text names it.
  TRtfFont RtfFont() const;
  TTextView* View() const { return view_; }
  int FontSlot() const { return fontSlot_; }

  // The view tells the window about size changes and scrolling.
  void ViewResized();
  void ScrollBy(int lines, int columns);

 protected:
  virtual void SetupWindow();
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Sizes the window to its text (within the screen, at least a few lines wide and high),
  // clear of its parent's controls when the parent stays in use meanwhile.
  void FitToText();
  // Whether the window holds its owner (disabled, or the main window's commands off) while
  // it is open.
  virtual bool HoldsOwner() const { return false; }

  TMFile lines_;

 private:
  TTextView* view_;
  CodedFontSet fonts_;
  TTextAdvances advances_{};
  // The pixels of the widest line, in columns of charWidth_ (at least its characters).
  int WidestColumns() const;
  int fontSlot_;
  bool centre_;
  bool maximised_;
  bool closeAllowed_ = true;
  bool setUp_ = false;
  // The rectangle the window starts with: still the same at the first show, no one placed
  // the window, and it opens sized to its text.
  QRect defaultRect_;
  int charWidth_ = 8, lineHeight_ = 16;
  int visibleColumns_ = 0, visibleLines_ = 0;
  int maxTop_ = 0, maxLeft_ = 0;
};

// What a text window prints with: the options and the title block (the "Print Text"
// options dialog fills both; without one the saved options stand and there is no title).
struct TTextPrintJob {
  std::vector<std::string> titleBlock;
  bool cancelled = false;
  // The "Printing" dialog that offers Cancel while the pages are made (none when unset):
  // shown over the window, asked before each further page, closed at the end.
  std::function<void(QWidget* window)> beginPrinting;
  std::function<bool()> keepPrinting;
  std::function<void(QWidget* window)> endPrinting;
};
// Prints through `print` (given the job's keep-printing question) under the job's
// "Printing" dialog; answers what `print` answered.
PrintOutcome PrintUnderJob(QWidget* window, const TTextPrintJob& job,
                           const std::function<PrintOutcome(const std::function<bool()>& keepGoing)>& print);
// A text window's Print command: the options dialog, the file of a PDF printer, then
// `print` on the program's printer under the "Printing" dialog; a printer that could not be
// opened is told.
using TTextPrinting = std::function<PrintOutcome(QPrinter& printer, const std::vector<std::string>& titleBlock,
                                                 const std::function<bool()>& keepGoing)>;
// `offers` are the choices `print` honours: the dialog offers only those.
void RunTextPrint(QWidget* window, const TTextPrinting& print, const TTextPrintOffers& offers = {});
// The options dialog of text printing, installed by the graph subsystem that owns it.
using TTextPrintDialog = std::function<TTextPrintJob(QWidget* parent, const TTextPrintOffers& offers)>;
void SetTextPrintDialog(TTextPrintDialog dialog);
// Runs the installed options dialog; without one the saved options stand (not cancelled).
TTextPrintJob RunTextPrintDialog(QWidget* parent, const TTextPrintOffers& offers = {});

// Prints the request's pages (DrawTextPages) on `printer`. Failed when the printer could not
// be opened (BeginPrinting), Cancelled when the print was abandoned.
PrintOutcome PrintTextLines(QPrinter& printer, const TTextPrintRequest& request);

// The ASCII editor that a text window hands its text to (installed by the data tools):
// (parent, title, text of CR LF lines, owner window).
using TAsciiEditorOpener = std::function<void(QWidget* parent, const std::string& title,
                                              const std::string& text, QWidget* owner)>;
void SetAsciiEditorOpener(TAsciiEditorOpener opener);
// Whether the editor is installed, and the hand-over itself (nothing without the editor).
bool AsciiEditorInstalled();
void OpenAsciiEditor(QWidget* parent, const std::string& title, const std::string& text, QWidget* owner);

// Whether the file at `path` can be loaded as text: a missing or empty file ("File Not
// Found") and a file that is not text ("File is Non-ASCII") are told in a box over `owner`,
// and the answer is false.
[[nodiscard]] bool CheckTextFileToLoad(QWidget* owner, const std::string& path);

class TScrWin : public TMFileWin {
  Q_OBJECT
 public:
  // menuId: 0 none, else one of the kMenuText menus. owner: the
  // window disabled while this one is open (the main window instead counts as having a
  // counted dialog open), or null.
  TScrWin(QWidget* parent, const QString& title, const std::string& fileName, int frameKind,
          bool maximised, int capacity, bool centre, int fontSlot, bool liveTracking, int menuId,
          QWidget* owner);
  ~TScrWin() override;

  // Open (append false) or append a text file chosen in the open dialog.
  void LoadTextFile(bool append);
  // Loads a file, telling the user when it is not text or holds more lines than the window.
  // A file the user chooses is text as it stands: its tildes are characters, not codes.
  bool LoadFile(const std::string& path, bool append);
  void CmSaveAs();
  bool SaveTo(const std::string& path);
  void CmCopy();
  void CmPrint();
  // Prints all lines or the visible ones on the printer.
  PrintOutcome PrintOn(QPrinter& printer, const std::vector<std::string>& titleBlock,
                       const std::function<bool()>& keepGoing = {});
  void CmPrinterSetup();
  void CmFontSelect();
  void CmColor();
  void CmAsciiEditor();
  QMenu* FileMenu() const { return fileMenu_; }

  void ReleaseOwner();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool HoldsOwner() const override { return holdsOwner_; }

 private:
  void BuildMenus(int menuId);

  TOwnerWait ownerWait_;
  bool holdsOwner_;
  QMenu* fileMenu_ = nullptr;
  QAction* colorAction_ = nullptr;
};

// A dialog with a text window beside its controls, under the text's title, as tall as the
// controls. Its text operations forward to the hosted window.
class TDlgScrWin : public TDlg {
  Q_OBJECT
 public:
  TDlgScrWin(QWidget* parent, const QString& title, int capacity, int menuId);
  ~TDlgScrWin() override;

  TScrWin* Hosted() const { return text_; }
  int AppendLine(std::string_view text, const std::uint8_t* attr = nullptr);
  void ClearLines();
  int LineCount() const;
  void ScrollToLine(int n);

 protected:
  void SetupWindow() override;
  void done(int result) override;

 private:
  QPointer<TScrWin> text_;
};

// Whether a text window on a file holds the main window's commands while it is open: the
// file viewer does (its text may go to the ASCII editor and from there into the table); an
// equation list is a page to read beside the work and holds nothing.
enum class TextWindowHold { MainWindowCommands, Nothing };

// Over a modal dialog a text window is made modal to it: a modeless one would sink under the
// dialog's owners at the next click in the dialog.
void KeepAboveModalParent(TScrWin* window, QWidget* parent);

// Shows a file in a text window (the file viewer, the equation lists, a generated file) over
// `parent` (the main window, or a modal dialog, to which it is then modal): the busy window while
// it loads, a message instead of a window when the file holds more lines than the capacity.
// The file's tildes are read as `tildes` says: codes only in the program's own lists.
// Returns the window, or null.
TScrWin* OpenTextFileWindow(QWidget* parent, const std::string& path, const QString& title, int capacity,
                            int menuId, int fontSlot, const std::string& busyCaption,
                            const std::string& busyText, TextWindowHold hold, FileTildes tildes);

// The main window's text-window commands: 2110 (view an ASCII file) and the equation lists
// 2202-2205 (enabled when their list file lies beside the program).
void RegisterTextWindowCommands();
