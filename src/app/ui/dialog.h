// The base of the program's dialogs and the message dialogs. A TDlg centres itself, may be
// counted (while a counted dialog is open the main window's commands whose enablers look at
// the count are disabled), and, run through Execute, deletes itself after its modal run.
#pragma once

#include <functional>

#include <QDialog>
#include <QPointer>
#include <QString>

#include <span>

class QLabel;
class QLineEdit;

// Called by counted dialogs and modeless tool windows when they open and close.
void CountedDialogOpened();
void CountedDialogClosed();

// Runs `work` once no counted dialog or window is open: at once when none is, otherwise
// after the last one has closed and the events at hand have been handled. A choice made
// from the main window while a dialog is open (the background fit's type) waits so for
// what the dialog works on.
void WhenNoCountedDialogOpen(std::function<void()> work);

class QPushButton;
class TDlg;

// The counted dialog that runs through Execute beside the main window, or null. A counted
// dialog opened while no other counted dialog or window is open and nothing runs modally
// runs so: the main window stays live for the commands that wait for no dialog (help, the
// equation lists, About, the bars, Background Thread Processing and Exit), while every other
// command is off until it closes. Every other dialog runs modally.
TDlg* DialogBesideMainWindow();
// The dialog the user answers now: the active modal window, else the dialog that runs
// beside the main window.
QWidget* ActiveDialog();
// Whether `window` holds its owner while it is open: modal, or the dialog beside the main
// window (whose owner, the main window, it holds through the count).
bool RunsModally(const QWidget* window);
// Runs `work` once the dialog beside the main window has ended and the command that ran it
// has finished with everything it opened after it; false (and `work` dropped) when no dialog
// runs beside the main window.
bool AfterDialogBesideMainWindow(std::function<void()> work);

class TDlg : public QDialog {
  Q_OBJECT
 public:
  // centreMode: 0 none, 1 on the parent (the screen without one), other: on the screen.
  // A counted request counts only when the parent is the main window.
  TDlg(QWidget* parent, int centreMode = 1, int counted = 1, int full3D = 1);
  ~TDlg() override;

  // Runs the dialog, deletes it and returns its result: callers must not touch the object
  // afterwards, only the values it wrote into their variables. A counted dialog may run
  // beside the main window (DialogBesideMainWindow); any other runs modally.
  int Execute();

  int CentreMode() const { return centreMode_; }
  bool Counted() const { return counted_; }

  // OK: the number fields are settled first (number_field.h); one that had to be put right
  // keeps the dialog open. Dialogs that store their controls in their own accept settle
  // first with FieldsSettled, before they store anything.
  void accept() override;

  // The action of a push button that uses what the fields make (Eval, Copy, Find && Update,
  // Setup...): it runs once the fields are settled as OK settles them (SettleForUse); a field
  // put right is told, takes the focus, and the action does not run.
  std::function<void()> SettlingFirst(std::function<void()> action);

 protected:
  [[nodiscard]] bool FieldsSettled();
  // What OK and every button that uses the fields do first: the fields settled (false when
  // one had to be put right). A window whose fields make something after a delay (a
  // smoothing window's surface) makes it here too.
  [[nodiscard]] virtual bool SettleForUse() { return FieldsSettled(); }
  // The set-up that runs when the dialog is first shown: a counted dialog counts itself,
  // then the dialog is centred. Derived dialogs override and call the base first.
  virtual void SetupWindow();
  // Centres the dialog as its centring mode says, within the screen with its frame; the
  // set-up does it at the size the contents ask, a window given its own size again.
  void PlaceOnOpening();
  void showEvent(QShowEvent* event) override;
  // Hidden, the dialog's run beside the main window ends, as a modal run ends.
  void setVisible(bool visible) override;
  // Enter on a push button the keyboard moved to (Tab, an Alt+letter) presses that button;
  // elsewhere, and on a button that only kept the focus after a click, it presses the
  // default one (OK).
  void keyPressEvent(QKeyEvent* event) override;
  // The dialog's own push button that the keyboard moved to and that has the focus, or null.
  QPushButton* FocusedButton() const;

 private:
  int centreMode_;
  bool counted_;
  bool setUp_ = false;   // SetupWindow has run: it runs once, at the first show
  bool isOpen_ = false;  // counted from the set-up to the destruction
  class QEventLoop* besideLoop_ = nullptr;  // the run beside the main window, while it runs
  int RunBesideMainWindow();
  class TKeyboardFocus;
  TKeyboardFocus* keyboardFocus_;  // which push button the keyboard moved to
};

class QDialogButtonBox;
class QHBoxLayout;

// OK, Cancel and Help under a dialog: OK accepts, Cancel rejects, Help opens `helpContext`.
QDialogButtonBox* OkCancelHelpButtons(QDialog* dialog, int helpContext);
// A row of OK, Cancel, "&Reset" and Help pushed to the right (object names 1, 2, 18 and 9):
// OK accepts, Cancel rejects, Reset runs `reset`, Help opens `helpContext`.
QHBoxLayout* OkCancelResetHelpRow(QDialog* dialog, int helpContext, std::function<void()> reset);

// Runs a dialog's modal execution and deletes the object; returns the dialog's result.
int ExecuteAndDelete(TDlg* dialog);

// Centring helpers: the window's centre goes to the centre of the parent (or of the
// screen); a window that would then leave the screen is centred on the screen.
void CenterOnScreen(QWidget* window);
void CenterWindow(QWidget* parent, QWidget* window);

// The client rectangle a top-level window may take on its screen: the screen's available
// area (without panels) less the window manager's frame, which Qt learns only once the
// window is shown, so an allowance of a title bar and a border stands in for it. Until then
// an X11 window manager puts the frame where the client area was asked for, which moves a
// new window down by its title bar: the room leaves that much free at the bottom too.
QRect WindowRoom(const QWidget* window);
// Gives the window the client rectangle `wanted`, shrunk to fit WindowRoom and moved inside
// it: a window never opens past the screen's edge, whatever size it asks for.
void PlaceWithinScreen(QWidget* window, QRect wanted);
// Puts the window's frame at `frameTopLeft` with a client area of `clientSize`, held within
// the screen as PlaceWithinScreen holds a client rectangle: a window that stored its frame's
// place (pos()) and its size reopens exactly there, with or without a window manager's frame.
void PlaceFrameWithinScreen(QWidget* window, QPoint frameTopLeft, QSize clientSize);

// The window type of a top-level window opened over `parent`: a dialog, which window
// managers keep above its owner, as a window owned by another always stands above it. An X11
// window manager is told the owner of dialogs only: a plain window with a parent sank under
// it at the first click there, and a file viewer or graph that holds the main window's
// commands then left a main window whose commands were all off, with nothing in sight to
// say why. Without a parent: a plain window. The title bar's buttons are the caller's hints.
Qt::WindowFlags OwnedWindowFlags(const QWidget* parent, Qt::WindowFlags hints);

// What a window opened for an owner does to it while the window is open: the main window
// counts a dialog open (its commands are disabled meanwhile), any other owner is disabled.
// Released once, at the latest when destroyed; the owner then takes the focus again.
class TOwnerWait {
 public:
  TOwnerWait() = default;
  explicit TOwnerWait(QWidget* owner);
  ~TOwnerWait() { Release(); }
  TOwnerWait(const TOwnerWait&) = delete;
  TOwnerWait& operator=(const TOwnerWait&) = delete;
  void Release();

 private:
  QPointer<QWidget> owner_;
  bool counted_ = false;
  bool disabled_ = false;
};

// A small window under a long caption: at least as wide as the caption with the title bar's
// icon and buttons beside it, so that the window manager does not cut the caption.
void KeepCaptionInSight(QWidget* window);

// Text typed into `edits` must fit the program's single-byte text (Windows-1252), or it
// would be kept as '?' without a word. Otherwise a box over `dialog` names the characters
// that cannot be kept, the first edit holding one takes the focus, and the answer is false.
[[nodiscard]] bool EditsHoldProgramText(QWidget* dialog, std::span<QLineEdit* const> edits);

// Tells over `owner` how many characters of a file just written at `path` its code lacked,
// each written as '?' (UnheldCharactersText: `of` whose characters, `code` the code); nothing
// for a count of 0.
void TellCharactersWritten(QWidget* owner, const std::string& path, int count, std::string_view of = "the Text",
                           std::string_view code = "the Worksheet's Code Page 850");

// Tells over `owner` (the box captioned `caption`) how many characters of a copy its
// worksheet versions on the clipboard (the "Wk1" and "Wk3" forms, whose labels are in code
// page 850) could not hold, each copied there as '?', while its plain text keeps every one;
// nothing for a count of 0.
void TellCharactersCopied(QWidget* owner, std::string_view caption, int count);

// A message with two answer buttons (ids 6 and 7) and an optional picture.
class TDlgMsg : public TDlg {
  Q_OBJECT
 public:
  TDlgMsg(QWidget* parent, const QString& text, int* answer = nullptr,
          const QString& yesText = "&Yes", const QString& noText = "&No");

 protected:
  void Answer(int button);
  QLabel* text_;

 private:
  int* answer_;
};

// A message that closes itself after a delay, writing 18 into *timedOut.
class TDlgTimedMsg : public TDlgMsg {
  Q_OBJECT
 public:
  TDlgTimedMsg(QWidget* parent, const QString& text, int delayMs, int* timedOut);
  ~TDlgTimedMsg() override;

 protected:
  void SetupWindow() override;

 private:
  int delayMs_;
  int* timedOut_;
  int timerId_ = 0;
};
