#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <clocale>
#include <map>
#include <memory>

#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/file_icons.h"
#include "platform/qt/qt_text.h"
#include "platform/timer.h"
#include "platform/gui_thread.h"

namespace platform::qt {
namespace {

// Room for a title bar's icon and buttons beside its caption, in pixels.
constexpr int kTitleBarButtons = 110;

bool OnGuiThread() { return QThread::currentThread() == qApp->thread(); }

// Runs a function on the user-interface thread and waits for it (at once when already
// there).
template <typename F>
void RunOnGui(F&& f) {
  if (OnGuiThread()) {
    f();
  } else {
    QMetaObject::invokeMethod(qApp, std::forward<F>(f), Qt::BlockingQueuedConnection);
  }
}

// A short message under a long caption: the window manager would cut the caption to the box's
// width. The box is made wide enough for the caption and the title bar's buttons, up to three
// quarters of the screen.
void WidenForCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  QFont titleFont = box.font();
  titleFont.setBold(true);
  const int wanted = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
  const QScreen* screen = box.screen();
  const int limit = screen != nullptr ? screen->availableGeometry().width() * 3 / 4 : wanted;
  grid->addItem(new QSpacerItem(std::min(wanted, limit), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                1, grid->columnCount());
}

class QtMessageBoxes : public MessageBoxService {
 public:
  int ShowBox(const BoxRequest& request) override {
    int result = kIdCancel;
    RunOnGui([&] { result = Show(request); });
    return result;
  }

 private:
  static int Show(const BoxRequest& request) {
    QMessageBox box(FromWindow(request.owner));
    box.setWindowTitle(FromCp1252(request.caption));
    box.setText(FromCp1252(request.text));
    switch (request.kind) {
      case BoxKind::Plain: box.setStandardButtons(QMessageBox::Ok); break;
      case BoxKind::Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case BoxKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case BoxKind::YesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
      case BoxKind::YesNoCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    WidenForCaption(box);
    // A box often tells the end of work the user waited on (a fit, an export, an import): it
    // comes up under a pointer that may be on its way elsewhere, and a click that began
    // before it stood in sight must not answer it.
    GuardAgainstEarlyClicks(&box);
    switch (box.exec()) {
      case QMessageBox::Yes: return kIdYes;
      case QMessageBox::No: return kIdNo;
      case QMessageBox::Ok: return kIdOk;
      default:
        // Closing a question box counts as Cancel; closing an OK box as OK.
        return request.kind == BoxKind::YesNo || request.kind == BoxKind::YesNoCancel
                   ? (request.kind == BoxKind::YesNo ? kIdNo : kIdCancel)
                   : kIdOk;
    }
  }
};

// "ASCII [prn]|*.prn|" becomes "ASCII [prn] (*.prn *.PRN)": file names here are
// case-sensitive, while the program's patterns were written for either case.
QStringList QtFilters(const std::string& filter) {
  QStringList parts;
  for (const FileFilter& f : ParseFileFilter(filter)) {
    QStringList patterns;
    for (const std::string& p : f.patterns) {
      // "*.*" meant every file where every name had an extension; here many have none.
      QString q = p == "*.*" ? QStringLiteral("*") : FromCp1252(p);
      patterns << q;
      if (q.toUpper() != q) patterns << q.toUpper();
    }
    parts << FromCp1252(f.description) + " (" + patterns.join(' ') + ")";
  }
  return parts;
}

class QtFileDialogs : public FileDialogService {
 public:
  std::optional<FileChoice> ChooseFile(const FileDialogRequest& request) override {
    std::optional<FileChoice> result;
    RunOnGui([&] {
      const QStringList filters = QtFilters(request.filter);
      QString selected = filters.value(request.filterIndex - 1);
      QString filter = filters.join(";;");
      QString title = FromCp1252(request.title);
      QFileDialog dialog(FromWindow(request.owner), title, QString::fromLocal8Bit(request.folder.c_str()), filter);
      dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
      dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
      // Qt's own dialog asks about overwriting; the program asks its own question.
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
      if (!request.native) dialog.setOption(QFileDialog::DontUseNativeDialog);
      dialog.setIconProvider(NameOnlyFileIcons());
      if (!selected.isEmpty()) dialog.selectNameFilter(selected);
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
      const QString path = dialog.selectedFiles().first();
      if (!path.isEmpty())
        result = FileChoice{path.toLocal8Bit().toStdString(),
                            static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
    });
    return result;
  }
};

// The busy window: a small frameless-looking dialog with the message centred.
class BusyDialog : public QDialog {
 public:
  explicit BusyDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TBusyWindow");
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* inner = new QVBoxLayout(frame);
    label_ = new QLabel(frame);
    label_->setObjectName("334");
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumWidth(300);
    inner->addWidget(label_);
    layout->addWidget(frame);
  }
  void SetText(const QString& text) { label_->setText(text); }

 private:
  QLabel* label_;
};

class QtBusyWindow : public BusyWindowService {
 public:
  void Show(Window parent, const std::string& caption, const std::string& text,
            bool hourglass) override {
    RunOnGui([&] {
      HideNow();
      QWidget* owner = FromWindow(parent);
      dialog_ = new BusyDialog(owner);
      dialog_->setWindowTitle(FromCp1252(caption));
      dialog_->SetText(FromCp1252(text));
      dialog_->adjustSize();
      const QRect area = owner ? owner->geometry()
                               : QGuiApplication::primaryScreen()->availableGeometry();
      dialog_->move(area.center() - dialog_->rect().center());
      dialog_->show();
      // The caller works on this thread without returning to the event loop: paint now.
      dialog_->repaint();
      if (hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        hourglass_ = true;
      }
    });
  }
  void Update(const std::string* caption, const std::string* text) override {
    RunOnGui([&] {
      if (!dialog_) return;
      if (caption) dialog_->setWindowTitle(FromCp1252(*caption));
      if (text) dialog_->SetText(FromCp1252(*text));
      dialog_->repaint();
    });
  }
  void Hide() override { RunOnGui([this] { HideNow(); }); }
  QWidget* Widget() const { return dialog_; }

 private:
  void HideNow() {
    delete dialog_.data();
    if (hourglass_) {
      QApplication::restoreOverrideCursor();
      hourglass_ = false;
    }
  }
  QPointer<BusyDialog> dialog_;
  bool hourglass_ = false;
};

class QtTimers : public TimerService {
 public:
  int Start(int ms, bool repeat, std::function<void()> callback) override {
    const int id = ++lastId_;
    auto* timer = new QTimer(qApp);
    timer->setSingleShot(!repeat);
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, repeat, cb = std::move(callback)] {
      if (!repeat) Stop(id);
      cb();
    });
    timers_[id] = timer;
    timer->start(ms);
    return id;
  }
  void Stop(int id) override {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
  }

 private:
  int lastId_ = 0;
  std::map<int, QTimer*> timers_;
};

class QtDispatcher : public UiDispatcher {
 public:
  bool OnUiThread() const override { return OnGuiThread(); }
  void Post(std::function<void()> task) override {
    QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
  }
  void Send(std::function<void()> task) override { RunOnGui(std::move(task)); }
};

struct Services {
  QtMessageBoxes boxes;
  QtFileDialogs files;
  QtBusyWindow busy;
  QtTimers timers;
  QtDispatcher dispatcher;
};
std::unique_ptr<Services> g_services;

}  // namespace

bool NativeFileDialogsOffered() {
  if (QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) return false;
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void InstallQtServices() {
  if (g_services) return;
  g_services = std::make_unique<Services>();
  SetMessageBoxService(&g_services->boxes);
  SetFileDialogService(&g_services->files);
  SetBusyWindowService(&g_services->busy);
  SetTimerService(&g_services->timers);
  SetUiDispatcher(&g_services->dispatcher);
}

void KeepNumbersInTheCLocale() { std::setlocale(LC_NUMERIC, "C"); }

void UninstallQtServices() {
  if (!g_services) return;
  HideBusyMsg();
  SetMessageBoxService(nullptr);
  SetFileDialogService(nullptr);
  SetBusyWindowService(nullptr);
  SetTimerService(nullptr);
  SetUiDispatcher(nullptr);
  g_services.reset();
}

UiDispatcher& QtUiDispatcher() {
  static QtDispatcher dispatcher;
  return dispatcher;
}

QWidget* BusyWindowWidget() { return g_services ? g_services->busy.Widget() : nullptr; }

}  // namespace platform::qt
