// The main window: menu, two tool bars and the status bar; routes every command through the
// command table to the handler its subsystem registered, runs the enablers, keeps the window
// geometry in the settings and shuts the program down in order.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QMimeData;
class QMenu;
class QToolBar;
class QTimer;
class THControlBar;
struct TDataSession;

class QVRK : public QMainWindow {
  Q_OBJECT
 public:
  // The window shows and edits `session`, which outlives it.
  explicit QVRK(TDataSession& session);
  ~QVRK() override;

  TDataSession& Session() const { return session_; }

  // Initialises the program and shows the window (splash, settings, data table, menus,
  // saved geometry and bars, posted start-up file); returns the first-run flag.
  int SetupWindow();

  // Runs a command as a menu choice does (enabler first); false when it is disabled or has
  // no handler.
  bool ExecuteCommand(int id);
  // Whether the command is available now (handler registered, enabler and condition allow).
  bool IsCommandEnabled(int id) const;
  // Runs every enabler at once and shows the result on menus and both bars.
  void RefreshBars();

  QAction* Action(int id) const;
  // The menu text with the accelerator after a tab, as the command table gives it.
  QString MenuText(int id) const;
  QString HintText(int id) const;
  QMenu* Menu(int index) const { return menus_.at(static_cast<std::size_t>(index)); }
  THControlBar* FirstBar() const { return bar1_; }
  THControlBar* SecondBar() const { return bar2_; }

  // Makes the menu keys (Alt and the menu's letter) and the accelerators work while
  // `window`, a window of the program without a menu of its own, is the active one: they
  // act on this window's menus and commands.
  void LendShortcuts(QWidget* window);

  // Appends the recent-file items (2112-2116) of the settings to the File menu.
  void EvBuildRecentMenu();
  // Adds "&Test Scattered Algorithms" (2166) to the Non-Parametric menu.
  void AddTestScatteredItem();

  // Accepting files dropped on the window (the import subsystem installs the handler).
  void SetDropFilesHandler(std::function<void(const std::vector<std::string>&)> handler);
  // Files dropped elsewhere (the status window) go the same road; nothing without a handler.
  void DropFiles(const std::vector<std::string>& files);

  // What the enablers read, set by the subsystems.
  int HaveData = 0;
  int HaveCalc = 0;
  int HaveFits = 0;
  int HaveUdfs = 0;
  int RecentCount = 0;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBars();
  void RegisterOwnCommands();
  bool CanClose();
  // Closes every other window of the program that is open, each as its close box does;
  // false when one stays open (it is brought forward).
  bool CloseOtherWindows();
  // Exit while a dialog runs beside the window: asks, closes the dialog and exits after it.
  void CloseDialogFirst(class TDlg* dialog);
  void StorePlacement();
  // The frame at the screen's top-left corner, as wide as the screen and 70 pixels less high
  // (once the window manager has framed the window: until then the client is given that
  // rectangle, and the frame is put right as soon as it is known).
  void PlaceAtDefault();
  void CmToggleToolBar();
  void CmToggleStatusBar();
  void CmResetDefaults();
  void CmExit();

  TDataSession& session_;
  std::vector<QMenu*> menus_;
  std::map<int, QAction*> actions_;
  std::vector<QAction*> recentActions_;
  QAction* recentSeparator_ = nullptr;
  THControlBar* bar1_ = nullptr;
  THControlBar* bar2_ = nullptr;
  QTimer* idleTimer_ = nullptr;
  std::thread speedThread_;
  bool closing_ = false;
  bool asking_ = false;  // the close asks its questions
  bool shutDown_ = false;
  bool defaultPlacePending_ = false;
  std::function<void(const std::vector<std::string>&)> dropHandler_;
};

// The main window while it exists.
extern QVRK* MainWindow;

// The local files of a drop, as paths in the system's encoding.
std::vector<std::string> DroppedLocalFiles(const QMimeData& data);
