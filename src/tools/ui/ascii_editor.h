// The ASCII data editor "Ondravik 3D ASCII File Editor": a plain-text editor window in which
// the XYZ data table (command 2122) or the text of another window is edited as text, with
// European decimal commas converted, blanks compressed to one delimiter, selections copied
// also as a worksheet, text files opened and saved (and the text saved as a WK1 or WK3
// worksheet), printing, and, for the table, the text handed back to the table when the
// editor closes.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>

#include <functional>
#include <string>

#include "app/log_font.h"
#include "app/text_file_bytes.h"
#include "app/ui/dialog.h"
#include "tools/ascii_text_tools.h"

class QAction;
struct TDataSession;

// The edit: the text with the editor's font (the settings' ASCII-editor font record,
// "Courier New" 11 points when it has none), the file it was loaded from or saved to.
class TEditFont : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TEditFont(QWidget* parent);

  // The text in the program's single-byte form, lines ended by LF.
  std::string Text() const;
  std::string SelectedText() const;
  // The text as UTF-8, every character kept, lines ended by LF; and its replacement by such
  // a text (the editor's conversions, which touch only ASCII characters, run on it).
  std::string Utf8Text() const;
  void ReplaceUtf8Text(const std::string& text);
  // Replaces the whole text (LF, CR LF or CR line ends), as one step the user can undo.
  void ReplaceText(const std::string& text);
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& name) { fileName_ = name; }
  // The editor's font record made into the edit's font.
  void ApplyFontRecord(const TLogFont& record);
  TLogFont FontRecord() const { return record_; }

 signals:
  // A copy's worksheet form could not hold `count` characters of the selection (copied there
  // as '?'; its plain text keeps them): sent after the copy, never during a drag.
  void WorksheetCopyLost(int count);

 protected:
  // What a copy or cut of the selection puts on the clipboard: the text, and a worksheet
  // ("Wk1") when the selection spans more than one line; the edit's own copies (its context
  // menu, Ctrl+Insert, a drag) carried plain text only.
  QMimeData* createMimeDataFromSelection() const override;
  // A key that a menu item of the editor's window shows runs that item, not the edit's own
  // command: the edit took Ctrl+C for a plain-text copy.
  bool event(QEvent* e) override;

 private:
  std::string fileName_;
  TLogFont record_;
};

// The editor's default font record.
TLogFont DefaultEditorFont();

class TAsciiEd : public QMainWindow {
  Q_OBJECT
 public:
  enum Command : int {
    kNew = 24331,
    kOpen = 24332,
    kSave = 24333,
    kSaveAs = 24334,
    kCopy = 24323,
    kSelectAll = 2311,
    kEuropean = 2314,
    kSpaceDelimiter = 2316,
    kCommaDelimiter = 2317,
    kTabDelimiter = 2318,
    kFont = 2321,
    kPrinterSetup = 2305,
    kPrint = 2306,
    kClose = 2118,
  };
  // What the editor does with its text when it closes: nothing, or offer it to the table.
  // The hand-back receives the final text and answers the points read; fewer than 4 keep
  // the editor open with its text (the reader has told the user why).
  using HandBack = std::function<int(const std::string& text, const std::string& fileName)>;

  // owner: the window that waits while the editor is open (the main window counts a dialog
  // open, any other is disabled), or null. handBack empty: no hand-back.
  TAsciiEd(QWidget* parent, const QString& title, const std::string& text, QWidget* owner, HandBack handBack);
  ~TAsciiEd() override;

  TEditFont* Edit() const { return edit_; }
  QAction* Action(int command) const;

  void CmNew();
  void CmOpen();
  bool CmSave();
  bool CmSaveAs();
  void CmCopy();
  void CmEuropean();
  void CmMinimize(Delimiter delimiter);
  void CmFont();
  void CmPrint();
  // Opens a file into the edit (the editor's own Open without the dialog); false when it is
  // no text or too large, told to the user.
  bool LoadFile(const std::string& path);
  bool SaveFile(const std::string& path);

 signals:
  // The editor has closed (after any hand-back).
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The text handed to the table (the hand-back's answer), what it lacks told first.
  int HandBackText();
  void BuildMenus();
  void EnableCommands();
  void Transform(const std::function<void(std::string&)>& change);
  // The edit's own question before its text is dropped: false when the user cancelled.
  bool CanClear();
  void ReleaseOwner();

  TEditFont* edit_;
  // The encoding of the file last opened, written back by a save of it.
  TFileEncoding fileEncoding_ = TFileEncoding::kProgramText;
  TOwnerWait ownerWait_;
  HandBack handBack_;
};

// Command 2122 on the session's table, and the opener the text windows hand their text to.
void RunAsciiEditor(TDataSession& session);
void RegisterAsciiEditor(TDataSession& session);
