#include "app/ui/main_window.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "app/background_fit_hold.h"
#include "app/data_session.h"
#include "app/fpu_control.h"
#include "app/program_files.h"
#include "app/settings_file.h"
#include "app/stopwatch.h"
#include "app/shell_state.h"
#include "app/ui/about_box.h"
#include "app/ui/command_table.h"
#include "app/ui/dialog.h"
#include "platform/qt/early_clicks.h"
#include "app/ui/hover_tips.h"
#include "app/ui/toolbar_icons.h"
#include "app/ui/window_placement.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "platform/gui_thread.h"

QVRK* MainWindow = nullptr;

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

QString TextBeforeTab(const char* text) {
  QString s = FromCp1252(text);
  const qsizetype tab = s.indexOf('\t');
  return tab < 0 ? s : s.left(tab);
}

QString TextAfterTab(const char* text) {
  QString s = FromCp1252(text);
  const qsizetype tab = s.indexOf('\t');
  return tab < 0 ? QString() : s.mid(tab + 1);
}

}  // namespace

QVRK::QVRK(TDataSession& session) : session_(session) {
  MainWindow = this;
  // A window that opens by itself tells a click on its way by the times of the input events.
  TEarlyClickGuard::WatchInputTimes();
  setWindowTitle("Ondravik 3D v3");
  setObjectName("QVRK");
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen->geometry();
  ScreenWidth = area.width();
  ScreenHeight = area.height();
  PlaceAtDefault();

  for (const CommandInfo& c : CommandTable()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::number(c.id));
    action->setData(c.id);
    if (c.text[0]) action->setText(TextBeforeTab(c.text));
    const QString keys = TextAfterTab(c.text);
    if (!keys.isEmpty()) action->setShortcut(QKeySequence(keys));
    action->setStatusTip(HintText(c.id));
    action->setIcon(CommandIcon(c.id));
    action->setIconVisibleInMenu(false);
    action->setEnabled(false);
    const int id = c.id;
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    actions_[c.id] = action;
  }
  actions_[::CmToggleToolBar]->setCheckable(true);
  actions_[::CmToggleToolBar]->setChecked(true);
  actions_[::CmToggleStatusBar]->setCheckable(true);
  actions_[::CmToggleStatusBar]->setChecked(true);

  BuildMenus();
  BuildToolBars();
  statusBar()->setSizeGripEnabled(true);
  RegisterOwnCommands();

  // Enablers run when a menu opens and while the program is idle.
  idleTimer_ = new QTimer(this);
  connect(idleTimer_, &QTimer::timeout, this, &QVRK::RefreshBars);
  idleTimer_->start(250);

  platform::SetCommandTarget([this](int id) {
    // A posted command goes to its handler as a sent WM_COMMAND did: the enablers guard
    // the user's choices, not the program's own messages.
    RunCommandHandler(id);
  });
}

QVRK::~QVRK() {
  platform::SetCommandTarget(nullptr);
  if (speedThread_.joinable()) speedThread_.join();
  if (!shutDown_) {
    shutDown_ = true;
    RunCommandHandler(CmCloseDataStatus);
    if (!SecondInstance) {
      // Settings or functions that could not be kept are lost with this run: say so.
      const std::filesystem::path dir = SettingsDirectory();
      const std::string lost =
          SettingsSaveFailureText(SaveSettings(dir, CurrentSettings(), ScreenWidth, ScreenHeight), dir);
      if (!lost.empty()) ErrorBox(nullptr, platform::LoadString(3075), lost);
    }
    RunShutdownSteps();
    session_.Table.FreePointArray();
    // A data file named on the command line is never deleted, even one in the temporary
    // directory: on this system that is also where users keep files of their own.
  }
  if (MainWindow == this) MainWindow = nullptr;
}

void QVRK::BuildMenus() {
  for (int m = 0; m < 9; ++m) {
    QMenu* menu = menuBar()->addMenu(FromCp1252(kMenuTitles[m]));
    menu->setObjectName(QString("menu%1").arg(m));
    connect(menu, &QMenu::aboutToShow, this, &QVRK::RefreshBars);
    menus_.push_back(menu);
  }
  for (const CommandInfo& c : CommandTable()) {
    if (c.menu < 0) continue;
    QMenu* menu = menus_[static_cast<std::size_t>(c.menu)];
    if (c.separatorBefore) menu->addSeparator();
    menu->addAction(actions_[c.id]);
  }
}

void QVRK::LendShortcuts(QWidget* window) {
  for (const auto& [id, action] : actions_)
    if (!action->shortcut().isEmpty()) window->addAction(action);
  for (QMenu* menu : menus_) {
    const QKeySequence key = QKeySequence::mnemonic(menu->title());
    if (key.isEmpty()) continue;
    auto* opener = new QAction(window);
    opener->setShortcut(key);
    connect(opener, &QAction::triggered, this, [this, menu] {
      activateWindow();
      raise();
      menuBar()->setActiveAction(menu->menuAction());
    });
    window->addAction(opener);
  }
}

void QVRK::BuildToolBars() {
  bar1_ = new THControlBar("Main Tool Bar", 1121, this);
  bar2_ = new THControlBar("Fit Tool Bar", 1122, this);
  addToolBar(Qt::TopToolBarArea, bar1_);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, bar2_);
  for (auto [bar, ids] : {std::pair{bar1_, FirstToolBar()}, std::pair{bar2_, SecondToolBar()}}) {
    for (int id : ids) {
      if (id == 0) {
        bar->addSeparator();
      } else {
        bar->AddButton(actions_[id], id);
      }
    }
  }
}

void QVRK::RegisterOwnCommands() {
  RegisterCommand(::CmExit, [this] { CmExit(); });
  RegisterCommand(::CmResetDefaults, [this] { CmResetDefaults(); });
  RegisterCommand(::CmToggleToolBar, [this] { CmToggleToolBar(); });
  RegisterCommand(::CmToggleStatusBar, [this] { CmToggleStatusBar(); });
  RegisterCommand(CmFirstToolBar, [this] { bar1_->setVisible(!bar1_->isVisible()); });
  RegisterCommand(CmHelpContents,
                  [this] { platform::ShowHelp(ToWindow(this), platform::kHelpContents); });
  RegisterCommand(CmHelpSearch,
                  [this] { platform::ShowHelp(ToWindow(this), platform::kHelpKeywordSearch); });
  RegisterCommand(CmHelpUsing,
                  [this] { platform::ShowHelp(ToWindow(this), platform::kHelpUsingHelp); });
  RegisterCommand(CmAbout, [] { ShowAbout(0); });
}

QString QVRK::MenuText(int id) const {
  const CommandInfo* c = FindCommand(id);
  if (!c) return {};
  if (id == CmTestScattered || (id >= CmRecentFile1 && id <= CmRecentFile5)) {
    QAction* a = Action(id);
    return a ? a->text() : QString();
  }
  return FromCp1252(c->text);
}

QString QVRK::HintText(int id) const { return FromCp1252(platform::LoadString(id)); }

QAction* QVRK::Action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

bool QVRK::IsCommandEnabled(int id) const {
  const CommandInfo* c = FindCommand(id);
  if (!c) return false;
  EnablerState state;
  state.openDialogCount = OpenDialogCount;
  state.haveData = HaveData != 0;
  state.haveCalc = HaveCalc != 0;
  state.haveFits = HaveFits != 0;
  state.haveUdfs = HaveUdfs != 0;
  state.lastSessionUdfs = LastSessionUdfs != 0;
  state.noThreads = NoThreadsFlag != 0;
  state.backgroundFitRunning = BackgroundFitRunning();
  if (!EnablerAllows(c->enabler, state)) return false;
  // The light has no handler: it is lit (enabled) while the background fit runs.
  if (id == CmBackgroundLight) return true;
  return HasCommandHandler(id) && CommandConditionAllows(id);
}

void QVRK::RefreshBars() {
  for (auto& [id, action] : actions_) {
    const bool enabled = IsCommandEnabled(id);
    if (action->isEnabled() != enabled) action->setEnabled(enabled);
  }
}

bool QVRK::ExecuteCommand(int id) {
  if (!IsCommandEnabled(id)) return false;
  return RunCommandHandler(id);
}

void QVRK::EvBuildRecentMenu() {
  QMenu* file = menus_[0];
  for (QAction* a : recentActions_) {
    file->removeAction(a);
    actions_.erase(a->data().toInt());
    delete a;
  }
  recentActions_.clear();
  if (recentSeparator_) {
    file->removeAction(recentSeparator_);
    delete recentSeparator_;
    recentSeparator_ = nullptr;
  }
  RecentCount = 0;
  const auto& recent = CurrentSettings().recentFiles;
  if (recent[0].empty()) return;
  recentSeparator_ = file->addSeparator();
  for (std::size_t i = 0; i < recent.size(); ++i) {
    if (recent[i].empty()) continue;
    // The id names the entry the item opens, even where an empty entry stands before it.
    const int id = CmRecentFile1 + static_cast<int>(i);
    // An ampersand of the path is shown as one: taken as a menu key it vanished from the path
    // the item offers ("a&b.prn" showed as "ab.prn").
    const QString path = QString::fromLocal8Bit(recent[i]).replace('&', "&&");
    auto* action = new QAction(QString("&%1 %2").arg(RecentCount + 1).arg(path), this);
    action->setObjectName(QString::number(id));
    action->setData(id);
    action->setStatusTip(HintText(id));
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    file->addAction(action);
    actions_[id] = action;
    recentActions_.push_back(action);
    ++RecentCount;
  }
}

void QVRK::AddTestScatteredItem() {
  QAction* action = actions_[CmTestScattered];
  action->setText(FromCp1252(FindCommand(CmTestScattered)->text));
  if (!menus_[5]->actions().contains(action)) menus_[5]->addAction(action);
}

void QVRK::SetDropFilesHandler(std::function<void(const std::vector<std::string>&)> handler) {
  dropHandler_ = std::move(handler);
  setAcceptDrops(static_cast<bool>(dropHandler_));
}

int QVRK::SetupWindow() {
  ProgramDir = ProgramDirectory().string() + "/";
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QScreen* screen = QGuiApplication::primaryScreen();
  ScreenDpiX = static_cast<int>(screen->logicalDotsPerInchX());
  ScreenDpiY = static_cast<int>(screen->logicalDotsPerInchY());
  ScreenColors = ColorsForBits(screen->depth());
  SettingsDir = SettingsDirectory().string() + "/";
  ShowAbout(1);

  // The program's initialisation.
  SetProgramFpuControl();
  const int firstRun = LoadSettings(SettingsDirectory(), ScreenWidth, ScreenHeight,
                                    CurrentSettings());
  session_.DataUnsaved = 0;
  // The processor-speed figure takes half a second of work: measured beside the start-up.
  speedThread_ = std::thread([] {
    SetProgramFpuControl();
    ProcessorSpeed = static_cast<float>(MeasureSpeed());
  });
  if (!session_.Table.AllocPointArray()) {
    ErrorBox(ToWindow(this), "Unable To Load", "Insufficient Memory Available");
    std::exit(1);
  }
  RunStartupSteps();

  EvBuildRecentMenu();
  if (!NPDllName.empty()) AddTestScatteredItem();
  ShowAbout(-1);
  QApplication::restoreOverrideCursor();
  // The first-run help waits for the message loop, so that it stands over the window
  // instead of holding up the start. Without help installed there is nothing to show: a
  // notice saying so would be the first thing a new user sees (and, with a file on the
  // command line, a second modal window beside the file's).
  if (firstRun && !SecondInstance && platform::HelpInstalled())
    platform::PostToUi([this] { platform::ShowHelp(ToWindow(this), 81); });

  // The saved place when it lies on the screen and is at least half the screen each way; the
  // maximised flag is not applied.
  const WindowPlacement& p = CurrentSettings().placements[kPlaceMainWindow];
  if (p.x > -1 && p.y > -1 && p.width >= ScreenWidth / 2 && p.height >= ScreenHeight / 2 &&
      RestorePlacement(*this, p, MaximisedWord::kIgnored))
    defaultPlacePending_ = false;
  setMinimumSize(ScreenWidth / 2, ScreenHeight / 2);
  show();
  if (CurrentSettings().toolBarVisible[0] == 0) RunCommandHandler(CmFirstToolBar);
  if (CurrentSettings().statusBarVisible[0] == 0) RunCommandHandler(::CmToggleStatusBar);
  if (!StartupDataFile.empty()) platform::PostCommand(CmOpenStartupFile);
  RefreshBars();
  return firstRun;
}

bool QVRK::CloseOtherWindows() {
  // Each as its close box closes it, so that a window holding work asks about it: the ASCII
  // editor offers its text to the table (which then needs saving), or stays open on Cancel.
  // Without this the program's end closed them after the question about the data, and went
  // on whatever they answered.
  std::vector<QPointer<QWidget>> windows;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if (w == this || !w->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
        type == Qt::SplashScreen)
      continue;
    windows.emplace_back(w);
  }
  // A window that waits on another (a list whose ASCII editor is open) after the one it waits
  // on: the editor's question comes first, and its Cancel leaves both open.
  std::stable_partition(windows.begin(), windows.end(), [](const QPointer<QWidget>& w) { return w->isEnabled(); });
  for (const QPointer<QWidget>& w : windows) {
    if (w.isNull() || !w->isVisible()) continue;
    if (!w->close()) {
      if (w) {
        w->raise();
        w->activateWindow();
      }
      return false;
    }
  }
  return true;
}

void QVRK::CloseDialogFirst(TDlg* dialog) {
  // The dialog holds what the user is working on: closing it loses its changes, so the user
  // is asked, and the program ends only once the dialog has gone as its Cancel makes it go
  // (a dialog that asks a question of its own and is kept open keeps the program running).
  dialog->raise();
  dialog->activateWindow();
  const std::string title = platform::qt::ToCp1252(dialog->windowTitle());
  const std::string text = "\"" + title + "\" is still open.\nClose it without keeping its changes, and exit?";
  if (AskYesNo(ToWindow(dialog), platform::LoadString(::CmExit), text) != platform::kIdYes) return;
  QPointer<TDlg> open(dialog);
  dialog->close();
  if (open && open->isVisible()) return;
  // Once the command that ran the dialog has finished with it, as it does after a Cancel.
  QPointer<QVRK> self(this);
  (void)AfterDialogBesideMainWindow([self] {
    if (self) self->close();
  });
}

bool QVRK::CanClose() {
  // The other windows first: what they hand back is data the question below is about.
  RunCommandHandler(CmCloseDataStatus);
  if (!CloseOtherWindows()) {
    RunCommandHandler(CmShowDataStatus);
    return false;
  }
  // A window that handed data back showed the status window on the new data again.
  RunCommandHandler(CmCloseDataStatus);
  // Asked before anything shuts down: the user who wanted the data kept and then cancelled
  // the save, or whose save failed, goes back to the program as it was.
  if (DataNeedsSaving(session_) && AskYesNoIds(ToWindow(this), 3008, 3009) == platform::kIdYes) {
    RunCommandHandler(CmSaveAs);
    if (DataNeedsSaving(session_)) {
      Exiting = 0;
      RunCommandHandler(CmShowDataStatus);
      return false;
    }
  }
  Exiting = 1;
  StopBackgroundFit();
  RunCommandHandler(CmCloseDataStatus);
  RunCanCloseSteps();
  ProgramSettings& s = CurrentSettings();
  s.toolBarVisible[0] = bar1_->isVisible() ? 1 : 0;
  s.statusBarVisible[0] = statusBar()->isVisible() ? 1 : 0;
  return true;
}

bool QVRK::event(QEvent* event) {
  // The window at its default place is framed: the frame goes where the client went, so that
  // the window stands on the screen and comes back there at the next start.
  if (defaultPlacePending_ && OwnFrame(*this) && !isMaximized() && !isMinimized()) PlaceAtDefault();
  return QMainWindow::event(event);
}

void QVRK::closeEvent(QCloseEvent* event) {
  // A second Exit while the first still asks (from a box's or a window's own loop) waits
  // for the first one's answer.
  if (asking_) {
    event->ignore();
    return;
  }
  if (!closing_) {
    if (TDlg* dialog = DialogBesideMainWindow()) {
      event->ignore();
      asking_ = true;
      CloseDialogFirst(dialog);
      asking_ = false;
      return;
    }
    closing_ = true;
    asking_ = true;
    const bool close = CanClose();
    asking_ = false;
    if (!close) {
      closing_ = false;
      event->ignore();
      return;
    }
  }
  idleTimer_->stop();
  event->accept();
}

void QVRK::StorePlacement() {
  if (shutDown_) return;
  RecordPlacement(*this, CurrentSettings().placements[kPlaceMainWindow]);
}

void QVRK::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (isVisible() && !isMaximized()) StorePlacement();
}

void QVRK::resizeEvent(QResizeEvent* event) {
  const bool reopen = OpenDialogCount == 0 && isVisible();
  if (reopen) RunCommandHandler(CmCloseDataStatus);
  QMainWindow::resizeEvent(event);
  if (isVisible()) StorePlacement();
  if (reopen && !isMinimized()) RunCommandHandler(CmShowDataStatus);
}

void QVRK::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isVisible()) StorePlacement();
}

void QVRK::dragEnterEvent(QDragEnterEvent* event) {
  // A drop imports: not while a dialog is open, whose work an import would replace.
  if (dropHandler_ && OpenDialogCount == 0 && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

std::vector<std::string> DroppedLocalFiles(const QMimeData& data) {
  std::vector<std::string> files;
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toLocal8Bit().toStdString());
  return files;
}

void QVRK::dropEvent(QDropEvent* event) {
  if (!dropHandler_) return;
  DropFiles(DroppedLocalFiles(*event->mimeData()));
}

void QVRK::DropFiles(const std::vector<std::string>& files) {
  if (dropHandler_ && OpenDialogCount == 0 && !files.empty()) dropHandler_(files);
}

void QVRK::CmToggleToolBar() {
  const bool show = !bar1_->isVisible();
  bar1_->setVisible(show);
  bar2_->setVisible(show);
  actions_[::CmToggleToolBar]->setChecked(show);
}

void QVRK::CmToggleStatusBar() {
  const bool show = !statusBar()->isVisible();
  statusBar()->setVisible(show);
  actions_[::CmToggleStatusBar]->setChecked(show);
}

void QVRK::CmResetDefaults() {
  RunCommandHandler(CmCloseDataStatus);
  // Held while the user decides: No or Cancel keeps the fit results (a fit the hold cut short
  // starts again); only the reset itself, which changes the fit options, voids them.
  HoldBackgroundFit();
  if (AskYesNoCancelIds(ToWindow(this), 3092, 3093) != platform::kIdYes) {
    ResumeBackgroundFit();
    RunCommandHandler(CmShowDataStatus);
    return;
  }
  StopBackgroundFit();
  showNormal();
  PlaceAtDefault();
  CurrentSettings().recentFiles = {};
  EvBuildRecentMenu();
  const std::filesystem::path dir = SettingsDirectory();
  std::error_code ec;
  std::filesystem::remove(dir / kSettingsFileName, ec);
  std::filesystem::remove(dir / kUdfSessionFileName, ec);
  ResetDefaults(CurrentSettings(), ScreenWidth, ScreenHeight);
  RunResetSteps();
  // Back whether or not the move and resize of the reset opened it anew (a window only moved
  // gets no resize, and the status window stayed closed over loaded data).
  RunCommandHandler(CmShowDataStatus);
}

void QVRK::PlaceAtDefault() {
  // The frame at the screen's top-left corner: a client rectangle put there hid the title
  // bar above the screen. A client as wide as the screen put the frame past its right edge,
  // and the next start then held the window within the room for an unknown frame, away from
  // where it was left.
  const std::optional<QMargins> frame = OwnFrame(*this);
  defaultPlacePending_ = !frame;
  if (!frame) {
    move(0, 0);
    resize(ScreenWidth, ScreenHeight - 70);
    return;
  }
  setGeometry(frame->left(), frame->top(), ScreenWidth - frame->left() - frame->right(),
              ScreenHeight - 70 - frame->top() - frame->bottom());
}

// The close asks about unsaved data first and marks the program as exiting only once it
// goes.
void QVRK::CmExit() { close(); }
