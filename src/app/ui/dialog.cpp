#include "app/ui/dialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QChildEvent>
#include <QEventLoop>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/shell_state.h"
#include "app/text_file_bytes.h"
#include "app/ui/main_window.h"
#include "app/ui/number_field.h"
#include "platform/gui_thread.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/timer.h"

namespace {

std::vector<std::function<void()>>& WaitingForNoDialog() {
  static std::vector<std::function<void()>> work;
  return work;
}

QPointer<TDlg>& BesideMain() {
  static QPointer<TDlg> dialog;
  return dialog;
}

std::vector<std::function<void()>>& AfterBesideMain() {
  static std::vector<std::function<void()>> work;
  return work;
}

// Runs work once the event loops opened since `level` have ended: the command that ran the
// dialog beside the main window, and every box or dialog it went on to open, are done.
class TBackAtLevel : public QObject {
 public:
  TBackAtLevel(int level, std::vector<std::function<void()>> work)
      : QObject(qApp), level_(level), work_(std::move(work)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (QThread::currentThread()->loopLevel() > level_) {
        timer_.start(20);
        return;
      }
      timer_.stop();
      const std::vector<std::function<void()>> work = std::move(work_);
      deleteLater();
      for (const auto& w : work) w();
    });
    timer_.setSingleShot(true);
    timer_.start(0);
  }

 private:
  int level_;
  std::vector<std::function<void()>> work_;
  QTimer timer_;
};

void RunWaitingWork() {
  if (OpenDialogCount != 0) return;
  std::vector<std::function<void()>> work = std::move(WaitingForNoDialog());
  WaitingForNoDialog().clear();
  for (auto& w : work) WhenNoCountedDialogOpen(std::move(w));
}

}  // namespace

void CountedDialogOpened() {
  ++OpenDialogCount;
  if (MainWindow) MainWindow->RefreshBars();
}

void CountedDialogClosed() {
  if (OpenDialogCount > 0) --OpenDialogCount;
  if (MainWindow) MainWindow->RefreshBars();
  // After the events at hand: the command that ran the dialog finishes first.
  if (OpenDialogCount == 0 && !WaitingForNoDialog().empty()) platform::PostToUi(RunWaitingWork);
}

void WhenNoCountedDialogOpen(std::function<void()> work) {
  if (OpenDialogCount == 0) {
    work();
    return;
  }
  WaitingForNoDialog().push_back(std::move(work));
}

TDlg* DialogBesideMainWindow() { return BesideMain().data(); }

QWidget* ActiveDialog() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  TDlg* beside = BesideMain().data();
  return beside != nullptr && beside->isVisible() ? beside : nullptr;
}

bool RunsModally(const QWidget* window) {
  return window != nullptr && (window->windowModality() != Qt::NonModal || window == BesideMain().data());
}

bool AfterDialogBesideMainWindow(std::function<void()> work) {
  if (BesideMain().isNull()) return false;
  AfterBesideMain().push_back(std::move(work));
  return true;
}

void CenterOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  QRect area = screen->geometry();
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

QRect WindowRoom(const QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  constexpr int kBorder = 4;  // the frame's side and bottom edges
  const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + kBorder;
  return area.adjusted(kBorder, titleBar, -kBorder, -(titleBar + kBorder));
}

namespace {

QRect HeldWithin(QRect wanted, const QRect& room) {
  wanted.setWidth(std::clamp(wanted.width(), 1, room.width()));
  wanted.setHeight(std::clamp(wanted.height(), 1, room.height()));
  wanted.moveLeft(std::clamp(wanted.left(), room.left(), room.right() + 1 - wanted.width()));
  wanted.moveTop(std::clamp(wanted.top(), room.top(), room.bottom() + 1 - wanted.height()));
  return wanted;
}

}  // namespace

void PlaceWithinScreen(QWidget* window, QRect wanted) { window->setGeometry(HeldWithin(wanted, WindowRoom(window))); }

void PlaceFrameWithinScreen(QWidget* window, QPoint frameTopLeft, QSize clientSize) {
  const QRect room = WindowRoom(window);
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  // The allowance WindowRoom makes for the frame's top-left edges.
  const QPoint frame = room.topLeft() - screen->availableGeometry().topLeft();
  const QRect client = HeldWithin(QRect(frameTopLeft + frame, clientSize), room);
  window->resize(client.size());
  // A position given by move() is the frame's: Qt asks the window manager to put the frame
  // there, whatever decorations it adds.
  window->move(client.topLeft() - frame);
}

void CenterWindow(QWidget* parent, QWidget* window) {
  if (!parent) {
    CenterOnScreen(window);
    return;
  }
  QRect client(parent->mapToGlobal(QPoint(0, 0)), parent->size());
  QRect frame = window->frameGeometry();
  frame.moveCenter(client.center());
  QScreen* screen = parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->geometry();
  if (frame.left() < area.left() || frame.top() < area.top() || frame.right() > area.right() ||
      frame.bottom() > area.bottom()) {
    CenterOnScreen(window);
    return;
  }
  window->move(frame.topLeft());
}

// Watches a dialog's controls for the push button the keyboard moves the focus to: Tab or
// Shift+Tab typed in the dialog, or an Alt+letter that several controls share (which moves the
// focus without pressing). Qt also gives the first control the focus "by Tab" when a window is
// shown or comes back; that is no choice of the user's, so a Tab reason counts only after a
// Tab key press.
class TDlg::TKeyboardFocus : public QObject {
 public:
  explicit TKeyboardFocus(QObject* parent) : QObject(parent) {}
  QPushButton* Button() const { return button_; }
  void Watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded) {
      // Controls a dialog makes later (a page of buttons rebuilt) are watched as well.
      if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) Watch(child);
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      tabTyped_ = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    } else if (event->type() == QEvent::FocusIn) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      const bool tabbed = tabTyped_ && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
      button_ = tabbed || reason == Qt::ShortcutFocusReason ? qobject_cast<QPushButton*>(watched) : nullptr;
      tabTyped_ = false;
    }
    return false;
  }

 private:
  QPointer<QPushButton> button_;
  bool tabTyped_ = false;  // the last key pressed in the dialog was Tab or Shift+Tab
};

TDlg::TDlg(QWidget* parent, int centreMode, int counted, int /*full3D*/)
    : QDialog(parent),
      centreMode_(centreMode),
      counted_(counted != 0 && parent != nullptr && parent == MainWindow),
      keyboardFocus_(new TKeyboardFocus(this)) {}

TDlg::~TDlg() {
  if (isOpen_) CountedDialogClosed();
}

void TDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous() && !setUp_) {
    setUp_ = true;
    SetupWindow();
  }
}

void TDlg::SetupWindow() {
  keyboardFocus_->Watch(this);
  if (counted_) {
    isOpen_ = true;
    CountedDialogOpened();
  }
  adjustSize();
  PlaceOnOpening();
}

void TDlg::PlaceOnOpening() {
  if (centreMode_ == 1) {
    CenterWindow(parentWidget(), this);
  } else if (centreMode_ != 0) {
    CenterOnScreen(this);
  }
  // Within the screen with the frame the window manager will add (centring measures the
  // window before it has one): at 1024 x 768 the View dialog's foot and the smoothing
  // windows' lower edge lay below the screen.
  PlaceFrameWithinScreen(this, pos(), size());
}

void TDlg::accept() {
  if (!FieldsSettled()) return;
  QDialog::accept();
}

bool TDlg::FieldsSettled() { return SettleFields(this); }

std::function<void()> TDlg::SettlingFirst(std::function<void()> action) {
  return [this, action = std::move(action)] {
    if (SettleForUse()) action();
  };
}

QPushButton* TDlg::FocusedButton() const {
  QPushButton* button = keyboardFocus_->Button();
  if (button == nullptr || button != focusWidget() || button->window() != this || !button->isVisible() ||
      !button->isEnabled())
    return nullptr;
  return button;
}

void TDlg::keyPressEvent(QKeyEvent* event) {
  // The dialogs' buttons are not auto-default, so a button that has the focus lets Enter
  // through to the dialog, which pressed OK instead: Alt+R to the Animate dialog's "Read",
  // then Enter, started the animation. Enter presses the button the user moved to; a side
  // button that kept the focus after its click (Setup, Read) leaves Enter to OK.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (QPushButton* button = FocusedButton()) {
      event->accept();
      button->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void TDlg::setVisible(bool visible) {
  QDialog::setVisible(visible);
  if (!visible && besideLoop_ != nullptr) besideLoop_->exit();
}

int TDlg::RunBesideMainWindow() {
  QEventLoop loop;
  QPointer<TDlg> self(this);
  // A dialog deleted while it runs (its owner went) ends the run as well.
  connect(this, &QObject::destroyed, &loop, [&loop] { loop.exit(); });
  const int level = QThread::currentThread()->loopLevel();
  BesideMain() = this;
  besideLoop_ = &loop;
  setResult(0);
  show();
  // A dialog that ended in its own set-up has nothing left to run.
  if (self && isVisible()) loop.exec(QEventLoop::DialogExec);
  if (self) besideLoop_ = nullptr;
  BesideMain() = nullptr;
  std::vector<std::function<void()>> after = std::move(AfterBesideMain());
  AfterBesideMain().clear();
  if (!after.empty()) new TBackAtLevel(level, std::move(after));
  return self ? result() : static_cast<int>(QDialog::Rejected);
}

int TDlg::Execute() {
  // The main window stays live beside a counted dialog opened over it when nothing else
  // holds it: no other counted dialog or window (whose work the new dialog could reach),
  // nothing modal, no other dialog beside it.
  const bool beside = counted_ && MainWindow != nullptr && MainWindow->isVisible() && OpenDialogCount == 0 &&
                      BesideMain().isNull() && QApplication::activeModalWidget() == nullptr;
  if (!beside) {
    const int result = exec();
    delete this;
    return result;
  }
  QPointer<TDlg> self(this);
  const int result = RunBesideMainWindow();
  delete self.data();
  return result;
}

int ExecuteAndDelete(TDlg* dialog) { return dialog ? dialog->Execute() : 0; }

TDlgMsg::TDlgMsg(QWidget* parent, const QString& text, int* answer, const QString& yesText,
                 const QString& noText)
    : TDlg(parent, 1, 1, 1), answer_(answer) {
  auto* layout = new QVBoxLayout(this);
  text_ = new QLabel(text, this);
  text_->setObjectName("334");
  text_->setWordWrap(true);
  layout->addWidget(text_);
  auto* buttons = new QHBoxLayout;
  auto* yes = new QPushButton(yesText, this);
  yes->setObjectName("6");
  auto* no = new QPushButton(noText, this);
  no->setObjectName("7");
  buttons->addStretch();
  buttons->addWidget(yes);
  buttons->addWidget(no);
  layout->addLayout(buttons);
  connect(yes, &QPushButton::clicked, this, [this] { Answer(6); });
  connect(no, &QPushButton::clicked, this, [this] { Answer(7); });
}

void TDlgMsg::Answer(int button) {
  if (answer_) *answer_ = button;
  done(2);
}

TDlgTimedMsg::TDlgTimedMsg(QWidget* parent, const QString& text, int delayMs, int* timedOut)
    : TDlgMsg(parent, text, nullptr), delayMs_(delayMs), timedOut_(timedOut) {}

TDlgTimedMsg::~TDlgTimedMsg() {
  if (timerId_) platform::StopTimer(timerId_);
}

void TDlgTimedMsg::SetupWindow() {
  TDlgMsg::SetupWindow();
  QPointer<TDlgTimedMsg> self(this);
  timerId_ = platform::StartTimer(delayMs_, false, [self] {
    if (!self) return;
    self->timerId_ = 0;
    if (self->timedOut_) *self->timedOut_ = 18;
    self->done(2);
  });
}

bool EditsHoldProgramText(QWidget* dialog, std::span<QLineEdit* const> edits) {
  for (QLineEdit* edit : edits) {
    const std::string outside = platform::qt::CharactersOutsideCp1252(edit->text());
    if (outside.empty()) continue;
    ErrorBox(platform::qt::ToWindow(dialog), platform::qt::ToCp1252(dialog->windowTitle()),
             "Only Western European characters can be kept here.\nThese characters cannot: " + outside);
    edit->setFocus();
    return false;
  }
  return true;
}

void TellCharactersWritten(QWidget* owner, const std::string& path, int count, std::string_view of,
                           std::string_view code) {
  if (count > 0)
    InfoBox(platform::qt::ToWindow(owner), path, UnheldCharactersText(count, TUnheldFate::kWritten, of, code));
}

void TellCharactersCopied(QWidget* owner, std::string_view caption, int count) {
  if (count > 0)
    InfoBox(platform::qt::ToWindow(owner), caption,
            UnheldCharactersText(count, TUnheldFate::kCopied, "the Copy", "the Code Page 850 of Its Worksheet Form") +
                "\nThe Copy's Plain Text Keeps Every Character");
}

void KeepCaptionInSight(QWidget* window) {
  // Room for a title bar's icon and buttons beside its caption, in pixels.
  constexpr int kTitleBarButtons = 110;
  QFont titleFont = window->font();
  titleFont.setBold(true);
  const int wanted = QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) + kTitleBarButtons;
  window->setMinimumWidth(std::max(window->minimumWidth(), wanted));
}

Qt::WindowFlags OwnedWindowFlags(const QWidget* parent, Qt::WindowFlags hints) {
  return (parent != nullptr ? Qt::Dialog : Qt::Window) | hints;
}

TOwnerWait::TOwnerWait(QWidget* owner) : owner_(owner) {
  if (owner == nullptr) return;
  // The main window is not disabled: it counts a dialog open, which turns its commands off.
  if (owner == MainWindow) {
    counted_ = true;
    CountedDialogOpened();
  } else {
    disabled_ = true;
    owner->setEnabled(false);
  }
}

void TOwnerWait::Release() {
  if (counted_) CountedDialogClosed();
  if (disabled_ && owner_) owner_->setEnabled(true);
  if ((counted_ || disabled_) && owner_) owner_->activateWindow();
  counted_ = disabled_ = false;
}

QDialogButtonBox* OkCancelHelpButtons(QDialog* dialog, int helpContext) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog,
                   [dialog, helpContext] { platform::ShowHelp(platform::qt::ToWindow(dialog), helpContext); });
  return buttons;
}

QHBoxLayout* OkCancelResetHelpRow(QDialog* dialog, int helpContext, std::function<void()> reset) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  const auto add = [&](int id, const char* text, std::function<void()> action) {
    auto* b = new QPushButton(QObject::tr(text), dialog);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, dialog, std::move(action));
    row->addWidget(b);
    return b;
  };
  add(1, "OK", [dialog] { dialog->accept(); })->setDefault(true);
  add(2, "Cancel", [dialog] { dialog->reject(); });
  add(18, "&Reset", std::move(reset));
  add(9, "Help", [dialog, helpContext] { platform::ShowHelp(platform::qt::ToWindow(dialog), helpContext); });
  return row;
}
