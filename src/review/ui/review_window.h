// TRView, the review window: after a fit run the user browses the ranked fits here. The
// window shows the graph of the fit at the current rank over the data (or one of its
// partial derivatives), a status line and a column of buttons, and owns its satellites: the
// ranked equation list and the numeric, data and precision panes. Every change of the
// current rank goes through RefitAndRedraw, which refits the rank, retitles the graph,
// recomputes it and refreshes every open satellite.
//
// The window is modal (OpenReviewWindow runs it); its satellites are top-level windows it
// owns. A render thread (review/render_thread.h) draws the listed ranks ahead into the
// window's image cache, so that a step to a rank already drawn shows its picture at once.
// What later parts of the program add (the evaluation windows and the exports) they install
// through ReviewExtensions(): a command without a handler there stays disabled.
#pragma once

#include <QPointer>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "graph3d/ui/data_view_window.h"
#include "review/review_layout.h"
#include "review/render_thread.h"
#include "review/review_rules.h"
#include "review/ui/equation_list.h"
#include "review/ui/residual_window.h"
#include "review/ui/review_panes.h"

class QAction;
class QMenuBar;
class QPushButton;
class QRadioButton;
class TGraphOptions;
class TRView;

// Commands and buttons of the review window (menu 2008 and the template's controls).
enum ReviewCommand : int {
  kReviewOk = 1,
  kReviewHelp = 9,
  kReviewCopyButton = 362,
  kReviewPrintButton = 380,
  kReviewEvaluate = 378,
  kReviewQuickEval = 382,
  kReviewList = 836,
  kReviewHigher = 837,
  kReviewLower = 838,
  kReviewFirst = 839,
  kReviewNumeric = 840,
  kReviewData = 841,
  kReviewPrecision = 842,
  kReviewSearchButton = 860,
  kReviewResiduals = 872,
  kReviewIntervals = 874,
  kReviewSurfaceNone = 911,  // 911-916: the surface modes 0-5
  kCmReviewTitles = 2141,
  kCmReviewSaveUdf = 2184,
  kCmReviewPrinterSetup = 2305,
  kCmReviewPrint = 2306,
  kCmReviewFontSelect = 2321,
  kCmReviewColors = 2322,
  kCmReviewGraphType = 2342,
  kCmReviewView = 2343,
  kCmReviewScaling = 2344,
  kCmReviewPointFormat = 2345,
  kCmReviewAnimate = 2353,
  kCmReviewKeepList = 2361,
  kCmReviewListFont = 2362,
  kCmReviewSubsetAll = 2363,  // 2363-2368: the list's subsets 0-5
  kCmReviewSortR2 = 2373,     // 2373-2377, 2379: the sort criteria
  kCmReviewSortByCount = 2378,
  kCmReviewSortNumber = 2379,
  kCmReviewAllGoodness = 2385,
  kCmReviewSaveLotus = 2401,
  kCmReviewSaveExcel = 2402,
  kCmReviewSaveQuattro = 2403,
  kCmReviewSaveSibling = 2405,
  kCmReviewSaveAscii = 2406,
  kCmReviewCodeGeneration = 2407,
  kCmReviewSaveParameters = 2408,
  kCmReviewPreferences = 2409,
  kCmReviewSaveAudit = 2410,
  kCmReviewSaveCovariance = 2411,
  kCmReviewCopy = 2415,
  kCmReviewConfidence = 2421,
  kCmReviewPrediction = 2422,
  kCmReviewLevel90 = 2423,  // 2423-2427: the five confidence levels
  kCmReviewSearch = 2431,
  kCmReviewFirst = 2432,
  kCmReviewLast = 2433,
  kCmReviewHigher = 2434,
  kCmReviewLower = 2435,
  kCmReviewGraphWindow = 2436,
  kCmReviewListWindow = 2437,
  kCmReviewResidualsWindow = 2438,
  kCmReviewNumericWindow = 2439,
  kCmReviewDataWindow = 2440,
  kCmReviewPrecisionWindow = 2441,
  kCmReviewEvaluation = 2442,
};

inline constexpr int kReviewMenuId = 2008;
inline constexpr int kReviewHelpContext = 5;

// What later parts of the program add to the window.
struct TReviewExtensions {
  // Satellites of their own (the quick evaluation), refreshed after every change of the
  // current fit and of the surface mode.
  std::function<void(TRView&)> refreshSatellites;
  // Commands and buttons by id, with an optional condition that must also allow them
  // (Save UDF, 2184, is offered only for a fit CanSaveAsUserFunction allows).
  std::map<int, std::function<void(TRView&)>> commands;
  std::map<int, std::function<bool(const TRView&)>> conditions;
};
TReviewExtensions& ReviewExtensions();

class TRView : public TViewData, public TEqnListOwner {
  Q_OBJECT
 public:
  // `setup`: the graph record (OpenReviewWindow fills its options, ranges and titles; the
  // window adds the surface, the points and the limits). `listFirst` picks the layout block.
  TRView(QWidget* parent, TSession& session, T3DGraphSetup* setup, bool listFirst,
         std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);
  ~TRView() override;

  TSession& Session() const { return session_; }
  int Rank() const { return rank_; }
  int SurfaceMode() const { return surfaceMode_; }
  bool ListFirst() const { return listFirst_; }
  const TReviewLimits& Limits() const { return limits_; }
  TEqnList* List() const { return list_; }
  TRVNumWin* NumericPane() const { return numWin_; }
  TRVDataWin* DataPane() const { return dataWin_; }
  TRVPrecWin* PrecisionPane() const { return precWin_; }
  TResid* ResidualWindow() const { return residWin_; }
  QAction* Action(int id) const;
  QPushButton* Button(int id) const;
  // The entry of the window's layout block.
  WindowPlacement& Layout(int entry) const;

  // Runs a command of the menu or a button.
  void Command(int id);
  // Closing: the satellites close and the layout records which were open; the rank under
  // review is kept.
  void done(int result) override;

  // The change of rank: refit, titles, graph, satellites, and the graph's picture drawn.
  // A user function's fit may take minutes to refit and draw: the change shows the progress
  // window with Cancel once it has taken a moment, and a Cancel puts back the rank shown
  // before with everything the windows showed of it (false then).
  bool RefitAndRedraw();
  // The opening's refit and drawing were cancelled: the review is not to be shown.
  bool OpeningCancelled() const { return openingCancelled_; }
  void Redraw(int mode) override;
  // Lays out the title lines (the custom set's lines that follow the rank, the sizes).
  void FormatGraphTitle();
  // Refreshes the open panes and the enabled state of the commands that depend on the fit.
  void UpdateMenus();
  void SetSurfaceMode(int mode);
  // Whether the window's own code runs id, or an extension does (and allows it now).
  bool CommandAvailable(int id) const;

  // The render thread: whether it may run (the cache on and built in the background), and
  // the thread itself (its state and the rows it has done).
  bool BackgroundRenderOn() const;
  const TRenderThread& RenderThread() const { return *render_; }
  // Stops the thread, or starts it on a snapshot of the list as it stands.
  void StopRender();
  void StartRender();

  // TEqnListOwner
  void MakeRankCurrent(int how, int rank) override;
  void ReviewNotify(int code) override;
  void BeforeFitListResort() override;
  void ListMiddleButton(bool doubleClick) override;
  void ListRotateStep(int delta, bool shift, bool ctrl) override;

  // The short summary beside printed and copied graphs.
  bool HasSummary() const override { return true; }
  void DrawSummary(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, bool colors) override;

 protected:
  void SetupWindow() override;
  bool event(QEvent* event) override;
  void AfterPaint() override;
  void PaneMousePress(QMouseEvent* event) override;
  void PaneMouseMove(QMouseEvent* event) override;
  void PaneResized() override;
  QString HoverMessage(const TXYZPoint& point, int record) const override;

 private:
  void BuildMenus(QMenuBar* bar);
  void BuildButtons(QWidget* column);
  QAction* AddAction(QMenu* menu, int id, const char* text, bool checkable = false);
  void AddButton(QWidget* parent, QWidget* button, int id);

  // The list and the panes that were open last time, once the window stands.
  void ShowSatellites();
  // Steps through the list and makes the selected row current.
  void Step(int step);
  void SelectedRowCurrent();
  void CmFindEquation();
  void CmTitles();
  void CmPreferences();
  void ChangeLimits(int command);
  void SetLevel(int index);
  void ToggleList();
  void ShowList(bool show);
  void FocusList();
  // The equation list's frame while it is in sight, for the windows that open beside it.
  std::vector<QRect> ListInSight() const;
  void RunListCommand(int id);
  // Opens (or closes, when open and `toggle`) a pane; `focus` brings it forward.
  void OpenPane(int entry, bool toggle);
  // The same for the residual graph, on the review's record for it.
  void OpenResiduals(bool toggle);
  void CloseResiduals();
  TRVScrWin* TextPane(int entry) const;
  void ClosePanes(bool recordFlags);
  void CheckLimitItems();
  void CheckListItems();
  void EnableModeCommands();
  void Retitle();
  void RebuildFonts();
  void AttachRecord();
  // What a change of the current fit, the limits or the surface mode changes, kept before
  // it and put back after a Cancel.
  struct TShown;
  TShown KeepShown() const;
  void PutBackShown(TShown kept);
  // A change of the limits, the level or the surface mode, made as one step the user may
  // cancel (`kept`: what was shown before the change): the rank refitted with its covariance,
  // the record attached again and the picture drawn, the satellites refreshed.
  struct TGraphChange {
    bool refit = false;
    bool redraw = true;
    std::function<void()> satellites;
  };
  bool ApplyGraphChange(TShown kept, const TGraphChange& change);
  // Whether a change draws the current fit's picture within its own step (where the user
  // may cancel it) rather than at the next paint.
  bool DrawNowIfCostly() const;
  void ShowRenderStats();
  // Starts the thread once the events in hand are done (a list being rebuilt has its new
  // rows then), or after `delayMs` (the pane is being resized).
  void ScheduleRenderStart(int delayMs = 0);
  void RunExtension(int id);

  TSession& session_;
  T3DGraphSetup* setup_;
  bool listFirst_;
  int rank_;
  int surfaceMode_ = 0;
  TReviewLimits limits_;
  bool activateClick_ = false;
  bool closing_ = false;
  TEqnList* list_ = nullptr;
  std::array<std::int32_t, 4> listRect_{};
  QPointer<TRVNumWin> numWin_;
  QPointer<TRVDataWin> dataWin_;
  QPointer<TRVPrecWin> precWin_;
  QPointer<TResid> residWin_;
  // The residual graph's record, made when it first opens and kept while the review lives.
  std::unique_ptr<TGraphOptions> residOptions_;
  std::string searchEntry_;
  std::map<int, QAction*> actions_;
  std::map<int, QPushButton*> buttons_;
  std::array<QRadioButton*, 6> modeButtons_{};
  std::unique_ptr<TRenderThread> render_;
  QTimer renderStart_;
  bool renderWanted_ = false;  // set once the window stands
  bool openingCancelled_ = false;
};

// Opens the modal review of the session's fit list (graph first, or list first) and returns
// when it has closed; the data status window is closed before and shown after.
void OpenReviewWindow(QWidget* mainWindow, TSession& session, bool listFirst);

// The review's commands of the main window (2191 graph first, 2192 list first, 2409 the
// preferences) and the titles of the status window's graph.
void RegisterReviewCommands(TSession& session);
