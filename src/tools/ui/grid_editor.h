// The grid data editor "Ondravik 3D Editor" (dialog 4040): twenty lines of X, Y, Z and weight
// cells with their exclusion boxes over the XYZ data table, the arrow and row buttons, the
// table commands (calculation, save, graph, titles, sort, reverse, clear) and the automatic
// entry switches; and a live 3D graph of the table beside it that follows every edit. The
// window shows what its model (tools/grid_editor_model.h) holds and hands every key, click
// and button to it.
#pragma once

#include <QLineEdit>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/ui/dialog.h"
#include "app/ui/window_placement.h"
#include "tools/grid_editor_model.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;
class T3DWin;
class TEditor;
class TGraphOptions;
struct TDataSession;

// A cell: hands the moving keys to the editor (Left and Right only at the ends of its text),
// Ctrl+N, Ctrl+U and Ctrl+Y too, and tells the editor of a click; Tab moves on as Right does.
class TEditKey : public QLineEdit {
  Q_OBJECT
 public:
  TEditKey(TEditor* editor, int id);
  int Id() const { return id_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  TEditor* editor_;
  int id_;
};

class TEditor : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 50;
  enum Control : int {
    kCellX = 101,  // + line; Y 201, Z 301, W 401
    kExclude = 501,
    kRowNumber = 551,
    kScroll = 701,
    kTitleX = 802,
    kTitleY = 803,
    kTitleZ = 804,
    kStatus = 805,
    kHome = 901,
    kLeft = 902,
    kUp = 903,
    kDown = 904,
    kRight = 905,
    kEnd = 906,
    kDelete = 907,
    kInsert = 908,
    kNext = 909,
    kCopy = 911,
    kCut = 912,
    kPaste = 913,
    kCalculation = 601,
    kApplyCalc = 602,
    kAutoX = 603,
    kAutoY = 604,
    kReverse = 605,
    kSave = 606,
    kTitles = 607,
    kSort = 608,
    kClearAll = 610,
    kGraph = 611,
    kAutoW = 612,
    kAutoZ = 613,
  };

  // savedSignature: the command's variable that each successful save writes.
  TEditor(QWidget* parent, TDataSession& session, std::uint64_t* savedSignature);
  ~TEditor() override;

  TGridEditor& Model() { return model_; }
  TEditKey* Cell(int line, int column) const;
  QCheckBox* ExcludeBox(int line) const;
  QLabel* RowLabel(int line) const;
  QLabel* Static(int id) const;
  QScrollBar* ScrollBar() const { return scroll_; }
  QPushButton* Button(int id) const;
  QCheckBox* Box(int id) const;
  T3DWin* GraphWin() const;
  // The cell that has the focus as the model sees it.
  TEditKey* CurrentCell() const;

  // A key from a cell (mode 0), or a click in the cell `keyOrId` (mode 1).
  void EvEditKey(int keyOrId, int mode);
  void CmNext();
  void CmInsert();
  void CmDelete();
  void CmCalculation();
  void CmSave();
  void CmGraph();
  void CmTitles();
  void CmSort();
  void CmReverse();
  void CmClearAll();
  // The range rescan of timer 5.
  void EvTimer();

  // OK: the current cell must be valid (an empty new row may stay empty).
  void accept() override;
  void reject() override;

 protected:
  void SetupWindow() override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TCellText CurrentText() const;
  // After every action: the page, the status line, the focus, the live graph.
  void ShowPage();
  void RefreshCell();
  // A failed cell: the message, then the caret where the error is.
  void Report(const TCellError& error);
  // Runs a step of the model that commits the cell being left, under a window with Cancel.
  TCellError Committing(const std::function<TCellError()>& step);
  // Before a command: the cell being typed in committed (a failure told, the caret where it
  // is) and the page shown with it; false when the command must not go ahead.
  bool CommittedFirst();
  void Act(const TCellError& error);
  void ShowTitles();
  void UpdateGraph();
  void CloseGraph();
  void PlaceGraphBeside(QWidget* window);

  TDataSession& session_;
  TGridEditor model_;
  std::array<std::array<TEditKey*, TGridEditor::kLines>, 4> cells_{};
  std::array<QCheckBox*, TGridEditor::kLines> boxes_{};
  std::array<QLabel*, TGridEditor::kLines> rowLabels_{};
  std::array<QLabel*, 3> titles_{};
  QLabel* status_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QTimer* timer_ = nullptr;
  bool showing_ = false;  // the page is being written: the controls' signals are no user's
  QPointer<T3DWin> graph_;
  std::unique_ptr<TGraphOptions> graphOptions_;
  TPlacementKeeper placement_;
};

// Command 2121: the editor over the main window, with the bookkeeping around it.
void RunDataEditor(TDataSession& session);
