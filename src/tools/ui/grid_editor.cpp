#include "tools/ui/grid_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/file_utils.h"
#include "app/settings_file.h"
#include "app/ui/clear_placement.h"
#include "app/ui/coded_caption.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/number_field.h"
#include "app/ui/small_controls.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/graph_frame_window.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/data_calculation.h"
#include "tools/grid_edit_session.h"
#include "tools/ui/calculation_commands.h"
#include "tools/ui/calculation_dialog.h"
#include "tools/ui/grid_editor_dialogs.h"
#include "tools/ui/titles_dialog.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

constexpr int kLines = TGridEditor::kLines;
constexpr int kCellBase[4] = {TEditor::kCellX, 201, 301, 401};
constexpr int kTimerMs = 10;
constexpr const char* kSaveFilter =
    "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus wk1|*.wk1|Lotus wk3|*.wk3|";
constexpr int kLastExtSave = 4;  // LastExtensions 5: shared with Save As
// Whether the live graph was open when the editor last closed: it opens again with it.
bool EditorGraphOpen = false;

// The editor's and its graph's caption: the data's title as the graph draws it.
QString Caption(const TDataSession& session) {
  const std::string& title = session.DataTitles().Title;
  return title.empty() ? FromCp1252(platform::LoadString(3421)) : CodedTextCaption(title);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TEditKey

TEditKey::TEditKey(TEditor* editor, int id) : QLineEdit(editor), editor_(editor), id_(id) {
  setObjectName(QString("edit%1").arg(id));
  setMaxLength(80);
}

void TEditKey::keyPressEvent(QKeyEvent* event) {
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  int key = 0;
  switch (event->key()) {
    case Qt::Key_PageUp: key = kKeyPageUp; break;
    case Qt::Key_PageDown: key = kKeyPageDown; break;
    case Qt::Key_End: key = control ? 0 : kKeyEnd; break;
    case Qt::Key_Home: key = control ? 0 : kKeyHome; break;
    case Qt::Key_Up: key = kKeyUp; break;
    case Qt::Key_Down: key = kKeyDown; break;
    case Qt::Key_Insert: key = kKeyInsert; break;
    case Qt::Key_Left:
      if (cursorPosition() == 0 && !hasSelectedText()) key = kKeyLeft;
      break;
    case Qt::Key_Right:
      if (cursorPosition() == static_cast<int>(text().size()) &&
          (!hasSelectedText() || selectionEnd() == static_cast<int>(text().size())))
        key = kKeyRight;
      break;
    case Qt::Key_N: key = control ? kKeyCtrlN : 0; break;
    case Qt::Key_U: key = control ? kKeyCtrlU : 0; break;
    case Qt::Key_Y: key = control ? kKeyCtrlY : 0; break;
    default: break;
  }
  if (key == 0) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  editor_->EvEditKey(key, 0);
}

void TEditKey::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  editor_->EvEditKey(id_, 1);
}

bool TEditKey::focusNextPrevChild(bool next) {
  // Tab leaves a cell as the arrows do, committing it first.
  editor_->EvEditKey(next ? kKeyRight : kKeyLeft, 0);
  return true;
}

// ---------------------------------------------------------------------------------------
// TEditor

TEditor::TEditor(QWidget* parent, TDataSession& session, std::uint64_t* savedSignature)
    : TDlg(parent), session_(session), model_(session, savedSignature) {
  EditorOpen = 1;
  setObjectName("TEditor");
  setWindowTitle(FromCp1252(platform::LoadString(3421)));
  auto button = [this](int id, const char* text) {
    auto* b = new QPushButton(tr(text), this);
    b->setObjectName(QString("button%1").arg(id));
    b->setAutoDefault(false);
    // The cells keep the focus: the buttons work by click and by their letters.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  auto box = [this](int id, const char* text) {
    auto* b = new QCheckBox(tr(text), this);
    b->setObjectName(QString("box%1").arg(id));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };

  // The cell area: the column titles, then twenty lines, the scroll bar beside them.
  auto* frame = new QFrame(this);
  frame->setObjectName("frame801");
  frame->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(frame);
  grid->setHorizontalSpacing(1);
  grid->setVerticalSpacing(0);
  grid->setContentsMargins(3, 3, 3, 3);
  const int digitWidth = QFontMetrics(font()).horizontalAdvance('0');
  for (int c = 0; c < 3; ++c) {
    titles_[static_cast<std::size_t>(c)] = new QLabel(this);
    titles_[static_cast<std::size_t>(c)]->setObjectName(QString("static%1").arg(kTitleX + c));
    titles_[static_cast<std::size_t>(c)]->setAlignment(Qt::AlignCenter);
    grid->addWidget(titles_[static_cast<std::size_t>(c)], 0, c + 1);
  }
  auto* weights = new QLabel(tr("Weights"), this);
  weights->setAlignment(Qt::AlignCenter);
  grid->addWidget(weights, 0, 4);
  grid->addWidget(new QLabel(tr("Ex"), this), 0, 5);
  for (int i = 0; i < kLines; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QString("static%1").arg(kRowNumber + i));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(digitWidth * 6);
    rowLabels_[static_cast<std::size_t>(i)] = label;
    grid->addWidget(label, i + 1, 0);
    for (int c = 0; c < 4; ++c) {
      auto* cell = new TEditKey(this, kCellBase[c] + i);
      cell->setMinimumWidth(digitWidth * (c == kColW ? 11 : 22));
      cells_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = cell;
      grid->addWidget(cell, i + 1, c + 1);
    }
    QCheckBox* exclude = box(kExclude + i, "");
    boxes_[static_cast<std::size_t>(i)] = exclude;
    grid->addWidget(exclude, i + 1, 5);
    connect(exclude, &QCheckBox::clicked, this, [this, i](bool checked) {
      if (showing_) return;
      // The cell being typed in is committed first, then that line is the current one.
      const TCellError error = Committing([&] { return model_.Click(i, model_.Column(), CurrentText()); });
      if (error.Any()) {
        ShowPage();
        Report(error);
        return;
      }
      model_.SetExcluded(i, checked);
      ShowPage();
      RefreshCell();
    });
  }
  for (int c = 1; c <= 3; ++c) grid->setColumnStretch(c, 2);
  grid->setColumnStretch(4, 1);
  scroll_ = new QScrollBar(Qt::Vertical, this);
  scroll_->setObjectName(QString("scroll%1").arg(kScroll));
  scroll_->setTracking(false);  // the thumb's journey is not followed, only where it stops
  scroll_->setPageStep(kLines);
  scroll_->setFocusPolicy(Qt::NoFocus);
  grid->addWidget(scroll_, 1, 6, kLines, 1);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    if (showing_) return;
    const TCellError error = Committing([&] { return model_.ScrollTo(value, CurrentText()); });
    ShowPage();
    if (error.Any())
      Report(error);
    else
      RefreshCell();
  });

  status_ = new QLabel(this);
  status_->setObjectName(QString("static%1").arg(kStatus));
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setMinimumHeight(QFontMetrics(font()).height() + 6);

  // Arrows and row buttons.
  auto* moves = new QHBoxLayout;
  struct Arrow {
    int id, arrows, direction, key;
    bool repeats;
  };
  const Arrow arrows[] = {{kHome, 2, 0, kKeyHome, false}, {kLeft, 1, 2, kKeyLeft, true},
                          {kUp, 1, 0, kKeyUp, true},       {kDown, 1, 1, kKeyDown, true},
                          {kRight, 1, 3, kKeyRight, true}, {kEnd, 2, 1, kKeyEnd, false}};
  for (const Arrow& a : arrows) {
    TButtonTri* b = a.repeats ? new TButtonTriRpt(this, a.arrows, a.direction) : new TButtonTri(this, a.arrows, a.direction);
    b->setObjectName(QString("button%1").arg(a.id));
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(28, 24);
    const int key = a.key;
    if (a.repeats)
      connect(static_cast<TButtonTriRpt*>(b), &TButtonTriRpt::Fired, this, [this, key] { EvEditKey(key, 0); });
    else
      connect(b, &QPushButton::clicked, this, [this, key] { EvEditKey(key, 0); });
    moves->addWidget(b);
  }
  moves->addSpacing(12);
  const std::pair<int, const char*> rowButtons[] = {{kDelete, "&Delete"}, {kInsert, "&Insert"}, {kNext, "&Next"},
                                                    {kCopy, "C&opy"},     {kCut, "C&ut"},       {kPaste, "Past&e"}};
  for (const auto& [id, text] : rowButtons) {
    QPushButton* b = button(id, text);
    if (id == kNext) {
      b->setDefault(true);  // Enter in a cell presses it
      b->setAutoDefault(true);
    }
    if (id == kCopy) moves->addSpacing(12);
    moves->addWidget(b);
  }
  connect(Button(kDelete), &QPushButton::clicked, this, &TEditor::CmDelete);
  connect(Button(kInsert), &QPushButton::clicked, this, &TEditor::CmInsert);
  connect(Button(kNext), &QPushButton::clicked, this, &TEditor::CmNext);
  connect(Button(kCopy), &QPushButton::clicked, this, [this] { CurrentCell()->copy(); CurrentCell()->setFocus(); });
  connect(Button(kCut), &QPushButton::clicked, this, [this] { CurrentCell()->cut(); CurrentCell()->setFocus(); });
  connect(Button(kPaste), &QPushButton::clicked, this, [this] {
    CurrentCell()->paste();
    if (model_.OnNewRow())
      CmNext();
    else
      CurrentCell()->setFocus();
  });
  moves->addStretch(1);

  auto* switches = new QHBoxLayout;
  const std::pair<int, const char*> boxes[] = {{kApplyCalc, "&Apply Calc"}, {kAutoX, "AutoEntry &X"},
                                               {kAutoY, "AutoEntry &Y"},    {kAutoZ, "AutoEntry &Z"},
                                               {kAutoW, "AutoEntry &W"}};
  for (const auto& [id, text] : boxes) switches->addWidget(box(id, text));
  switches->addStretch(1);
  connect(Box(kApplyCalc), &QCheckBox::clicked, this, [this](bool on) {
    // The value being typed is committed as it was typed for, then the switch changes.
    if (!CommittedFirst()) {
      Box(kApplyCalc)->setChecked(!on);
      return;
    }
    model_.SetApplyCalc(on);
    RefreshCell();
  });
  const std::pair<int, GridColumn> autos[] = {{kAutoX, kColX}, {kAutoY, kColY}, {kAutoZ, kColZ}, {kAutoW, kColW}};
  for (const auto& [id, column] : autos) {
    connect(Box(id), &QCheckBox::clicked, this, [this, id = id, column = column](bool on) {
      if (!CommittedFirst()) {
        Box(id)->setChecked(!on);
        return;
      }
      if (!model_.SetAutoEntry(column, on)) Box(id)->setChecked(false);  // a third of X, Y, Z
      ShowPage();
      RefreshCell();
    });
  }

  auto* left = new QVBoxLayout;
  left->addWidget(frame, 1);
  left->addWidget(status_);
  left->addLayout(moves);
  left->addLayout(switches);

  auto* right = new QVBoxLayout;
  QPushButton* ok = button(1, "OK");
  connect(ok, &QPushButton::clicked, this, &TEditor::accept);
  right->addWidget(ok);
  QPushButton* cancel = button(2, "Cancel");
  connect(cancel, &QPushButton::clicked, this, &TEditor::reject);
  right->addWidget(cancel);
  right->addSpacing(10);
  const std::pair<int, const char*> commands[] = {{kCalculation, "&Calculation"}, {kSave, "&Save"},
                                                  {kGraph, "&Graph"},             {kTitles, "&Titles"},
                                                  {kSort, "Sort Ta&ble"},         {kReverse, "&Reverse"},
                                                  {kClearAll, "C&lear All"}};
  for (const auto& [id, text] : commands) right->addWidget(button(id, text));
  connect(Button(kCalculation), &QPushButton::clicked, this, &TEditor::CmCalculation);
  connect(Button(kSave), &QPushButton::clicked, this, &TEditor::CmSave);
  connect(Button(kGraph), &QPushButton::clicked, this, &TEditor::CmGraph);
  connect(Button(kTitles), &QPushButton::clicked, this, &TEditor::CmTitles);
  connect(Button(kSort), &QPushButton::clicked, this, &TEditor::CmSort);
  connect(Button(kReverse), &QPushButton::clicked, this, &TEditor::CmReverse);
  connect(Button(kClearAll), &QPushButton::clicked, this, &TEditor::CmClearAll);
  right->addSpacing(10);
  QPushButton* help = button(9, "Help");
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpContext); });
  right->addWidget(help);
  right->addStretch(1);

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(right);

  timer_ = new QTimer(this);
  timer_->setInterval(kTimerMs);
  connect(timer_, &QTimer::timeout, this, &TEditor::EvTimer);
}

TEditor::~TEditor() {
  CloseGraph();
  EditorOpen = 0;
}

TEditKey* TEditor::Cell(int line, int column) const {
  if (line < 0 || line >= kLines || column < 0 || column > 3) return nullptr;
  return cells_[static_cast<std::size_t>(column)][static_cast<std::size_t>(line)];
}
QCheckBox* TEditor::ExcludeBox(int line) const { return boxes_.at(static_cast<std::size_t>(line)); }
QLabel* TEditor::RowLabel(int line) const { return rowLabels_.at(static_cast<std::size_t>(line)); }
QLabel* TEditor::Static(int id) const {
  if (id >= kTitleX && id <= kTitleZ) return titles_[static_cast<std::size_t>(id - kTitleX)];
  return id == kStatus ? status_ : nullptr;
}
QPushButton* TEditor::Button(int id) const { return findChild<QPushButton*>(QString("button%1").arg(id)); }
QCheckBox* TEditor::Box(int id) const { return findChild<QCheckBox*>(QString("box%1").arg(id)); }
T3DWin* TEditor::GraphWin() const { return graph_; }
TEditKey* TEditor::CurrentCell() const { return Cell(model_.PageRow(), model_.Column()); }

TCellText TEditor::CurrentText() const {
  const TEditKey* cell = CurrentCell();
  return {platform::qt::ToCp1252(cell->text()), cell->isModified()};
}

void TEditor::SetupWindow() {
  TDlg::SetupWindow();
  // Where the user left it, once the centring of the set-up is done (the centring was
  // recorded over the place, and the editor opened centred every time).
  placement_ = TPlacementKeeper(&CurrentSettings().placements[kPlaceGridEditor], MaximisedWord::kIgnored);
  placement_.Apply(*this);
  ShowTitles();
  Box(kApplyCalc)->setEnabled(CalcMask() != 0);
  Box(kAutoW)->setChecked(true);
  ShowPage();
  model_.FinishSetup();
  RefreshCell();
  timer_->start();
  if (EditorGraphOpen) CmGraph();
}

void TEditor::moveEvent(QMoveEvent* event) {
  TDlg::moveEvent(event);
  placement_.Record(*this);
}

void TEditor::resizeEvent(QResizeEvent* event) {
  TDlg::resizeEvent(event);
  placement_.Record(*this);
}

void TEditor::ShowTitles() {
  const TDataTitles& t = session_.DataTitles();
  const std::string* names[3] = {&t.XName, &t.YName, &t.ZName};
  const char* defaults[3] = {"X", "Y", "Z"};
  for (int c = 0; c < 3; ++c)
    titles_[static_cast<std::size_t>(c)]->setText(names[c]->empty() ? QString(defaults[c]) : CodedTextCaption(*names[c]));
  setWindowTitle(Caption(session_));
}

void TEditor::ShowPage() {
  showing_ = true;
  for (int i = 0; i < kLines; ++i) {
    const TGridLine line = model_.Line(i);
    rowLabels_[static_cast<std::size_t>(i)]->setText(QString::fromStdString(line.label));
    for (int c = 0; c < 4; ++c) {
      TEditKey* cell = cells_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
      ShowFromFirstDigit(*cell, FromCp1252(line.text[static_cast<std::size_t>(c)]));
      cell->setEnabled(line.enabled[static_cast<std::size_t>(c)]);
    }
    QCheckBox* exclude = boxes_[static_cast<std::size_t>(i)];
    exclude->setEnabled(line.excludeEnabled);
    exclude->setChecked(line.excluded);
  }
  scroll_->setRange(1, model_.ScrollMaximum());
  scroll_->setValue(model_.TopRow());
  Box(kApplyCalc)->setChecked(model_.ApplyCalc());
  showing_ = false;
}

void TEditor::RefreshCell() {
  status_->setText(FromCp1252(model_.StatusText()));
  model_.Refresh(graph_ != nullptr);
  TEditKey* cell = CurrentCell();
  cell->setFocus();
  cell->selectAll();
  UpdateGraph();
}

void TEditor::Report(const TCellError& error) {
  if (error.notice) {
    // The step was taken: the page shows it before the word on it.
    ShowPage();
    RefreshCell();
    InfoBox(ToWindow(this), error.caption, error.text);
    return;
  }
  ErrorBox(ToWindow(this), error.caption, error.text);
  TEditKey* cell = CurrentCell();
  cell->setFocus();
  cell->setCursorPosition(error.column);
}

TCellError TEditor::Committing(const std::function<TCellError()>& step) {
  // The cell being left may hold a statement that runs for long: Cancel refuses it with
  // "Calculation Cancelled", the cell kept open. The range rescan works on the rows the
  // commit changes, so it waits meanwhile.
  const bool rescanning = timer_->isActive();
  timer_->stop();
  TCellError error;
  {
    const TEvaluationProgress progress(this, windowTitle(), QStringLiteral("Calculation in Progress"));
    error = step();
  }
  if (!error.Any()) error = model_.TakeTableFull();
  if (rescanning) timer_->start();
  return error;
}

bool TEditor::CommittedFirst() {
  bool ready = false;
  const TCellError error = Committing([&] { return model_.CommitForCommand(CurrentText(), ready); });
  if (error.Any()) {
    Report(error);
    return false;
  }
  if (!ready) return false;
  ShowPage();  // the value committed, as the model now holds it
  return true;
}

void TEditor::Act(const TCellError& error) {
  if (error.Any()) {
    Report(error);
    return;
  }
  ShowPage();
  RefreshCell();
}

void TEditor::EvEditKey(int keyOrId, int mode) {
  if (mode == 0) {
    Act(Committing([&] { return model_.Key(keyOrId, CurrentText()); }));
    return;
  }
  TEditKey* clicked = findChild<TEditKey*>(QString("edit%1").arg(keyOrId));
  if (!clicked || clicked == CurrentCell()) return;
  // Each column numbers its cells from its base (101 is the first line's X), so the line is
  // the id less the base: taking id % 100 chose the line below, and past the last line none.
  const int column = keyOrId / 100 - 1;
  const int line = keyOrId - kCellBase[column];
  const TCellError error = Committing([&] { return model_.Click(line, static_cast<GridColumn>(column), CurrentText()); });
  if (error.Any()) {
    Report(error);
    return;
  }
  ShowPage();
  RefreshCell();
}

void TEditor::CmNext() { Act(Committing([&] { return model_.Next(CurrentText()); })); }
void TEditor::CmInsert() { Act(Committing([&] { return model_.Insert(CurrentText()); })); }

void TEditor::CmDelete() {
  model_.Delete();
  ShowPage();
  RefreshCell();
}

void TEditor::CmCalculation() {
  if (!CommittedFirst()) return;
  TCalcLines buffer = CalcTexts();
  if (ExecuteAndDelete(new TCalc(this, &buffer, session_.Table.XYZData())) != QDialog::Accepted) {
    RefreshCell();
    return;
  }
  CalcTexts() = buffer;
  const bool present = CalcMask() != 0;
  if (MainWindow) MainWindow->HaveCalc = present ? 1 : 0;
  Box(kApplyCalc)->setEnabled(present);
  model_.SetApplyCalc(present);
  if (model_.Rows() > 3 && present && AskYesNoIds(ToWindow(this), 3124, 3125) == platform::kIdYes)
    calculation_commands::CmApplyCalcAgain(this, session_);
  ShowPage();
  RefreshCell();
}

void TEditor::CmSave() {
  bool ready = false, tooFew = false;
  const TCellError error = Committing([&] { return model_.PrepareSave(CurrentText(), ready, tooFew); });
  if (error.Any()) {
    Report(error);
    return;
  }
  ShowPage();
  if (tooFew) ErrorBoxIds(ToWindow(this), 3082, 3083);
  if (!ready) {
    RefreshCell();
    return;
  }
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtSave];
  for (;;) {
    std::string path, ext;
    if (FileSaveDlg(ToWindow(this), "File Save", path, &ext, "PRN", kSaveFilter, std::max(ExtensionKind(lastExt), 1)) != 1)
      break;
    lastExt = ext;
    ShowBusyMsg(ToWindow(this), path, platform::LoadString(3085), 1);
    const int saved = SaveDataAs(session_, path, ToWindow(this));
    HideBusyMsg();
    // Only a file that was written counts: a failure (told by the save) brings the dialog back.
    if (saved) {
      model_.Saved();
      break;
    }
  }
  ShowPage();
  RefreshCell();
}

void TEditor::CmGraph() {
  if (!CommittedFirst()) return;
  if (graph_ && graph_->isVisible()) {
    CloseGraph();
    RefreshCell();
    return;
  }
  if (model_.Rows() <= 3) return;
  model_.Refresh(true);
  graphOptions_ = std::make_unique<TGraphOptions>(CurrentSettings(), kGraphDataStatus, kPointsDataStatus,
                                                  kPlaceGridEditorGraph);
  SetDataPointsGraph(*graphOptions_, session_);
  const bool placed = HoldsPlacement(CurrentSettings().placements[kPlaceGridEditorGraph]);
  auto* window = new T3DWin(this, Caption(session_), &graphOptions_->Setup());
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName("EditorGraph");
  connect(window, &T3DWin::closed, this, [this] {
    if (graphOptions_) graphOptions_->StoreBack();
  });
  graph_ = window;
  if (!placed) PlaceGraphBeside(window);
  // The graph names the editor as its owner, so that the window manager keeps it above the
  // editor's own owner (the main window) while the user types in the editor.
  window->winId();
  if (QWindow* own = window->windowHandle()) own->setTransientParent(windowHandle());
  window->show();
  UpdateGraph();
  activateWindow();
  QTimer::singleShot(0, window, [window] { window->raise(); });
  RefreshCell();
}

void TEditor::PlaceGraphBeside(QWidget* window) {
  // A graph never placed opens to the right of the editor, the editor moved to the screen's
  // left edge when the room there is too narrow.
  const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  constexpr int kMinGraphWidth = 420;
  QRect editor = frameGeometry();
  if (screen.right() - editor.right() < kMinGraphWidth) {
    move(screen.left(), pos().y());
    editor = frameGeometry();
  }
  const int width = std::max(screen.right() - editor.right(), kMinGraphWidth);
  // The frames side by side, the client areas at one height.
  // Where the screen is too narrow for both, the graph goes where it leaves the editor's cells
  // and buttons free (the user types in the editor while the graph follows).
  PlaceClearOf(window, this,
               QRect(editor.right() + 1 + (geometry().left() - editor.left()), geometry().top(),
                     width - 2 * (geometry().left() - editor.left()), std::max(geometry().height(), 300)));
}

void TEditor::CloseGraph() {
  if (graph_) {
    if (graphOptions_) graphOptions_->StoreBack();
    graph_->close();
    delete graph_;  // deletes itself on close; a window never shown is deleted here
  }
  graph_ = nullptr;
}

void TEditor::UpdateGraph() {
  if (!graph_) return;
  if (model_.Rows() < 4) {
    CloseGraph();
    return;
  }
  if (!graph_->isVisible()) return;
  const TGraphRanges r = model_.GraphRanges();
  graph_->Renderer().SetAxisRanges(r.low[0], r.high[0], r.low[1], r.high[1], r.low[2], r.high[2]);
  graph_->setWindowTitle(Caption(session_));
  graph_->Redraw();
}

void TEditor::EvTimer() {
  if (!graph_ || model_.Rows() < 4) return;
  if (model_.RescanStep()) {
    model_.Refresh(true);
    UpdateGraph();
  }
}

void TEditor::CmTitles() {
  if (!CommittedFirst()) return;
  if (RunTitlesDialog(this, session_, nullptr) == 1) {
    ShowTitles();
    if (graphOptions_) SetDataPointsGraph(*graphOptions_, session_);
  }
  RefreshCell();
}

void TEditor::CmSort() {
  bool ready = false;
  const TCellError error = Committing([&] { return model_.PrepareTableCommand(CurrentText(), ready); });
  if (error.Any()) {
    Report(error);
    return;
  }
  int key = 0;
  if (ready && ExecuteAndDelete(new TSortDlg(this, &key)) == QDialog::Accepted) model_.Sort(key);
  ShowPage();
  RefreshCell();
}

void TEditor::CmReverse() {
  bool ready = false;
  const TCellError error = Committing([&] { return model_.PrepareTableCommand(CurrentText(), ready); });
  if (error.Any()) {
    Report(error);
    return;
  }
  std::pair<GridColumn, GridColumn> columns{kColX, kColZ};
  if (ready && ExecuteAndDelete(new TReverseDlg(this, &columns)) == QDialog::Accepted) {
    model_.Reverse(columns.first, columns.second);
    ShowTitles();
    if (graphOptions_) SetDataPointsGraph(*graphOptions_, session_);
  }
  ShowPage();
  RefreshCell();
}

void TEditor::CmClearAll() {
  // Answered No, the page shows the table again: the value typed is in it.
  if (!CommittedFirst()) return;
  if (model_.Rows() > 0 && AskYesNoIds(ToWindow(this), 3087, 3088) == platform::kIdYes) {
    model_.ClearAll();
    setWindowTitle(tr("Ondravik Editor"));
    ShowTitles();
  }
  ShowPage();
  RefreshCell();
}

void TEditor::accept() {
  bool mayClose = false;
  const TCellError error = Committing([&] { return model_.CanClose(CurrentText(), mayClose); });
  if (error.Any()) {
    Report(error);
    return;
  }
  if (!mayClose) {
    ShowPage();
    RefreshCell();
    return;
  }
  EditorGraphOpen = graph_ != nullptr;
  timer_->stop();
  TDlg::accept();
}

void TEditor::reject() {
  EditorGraphOpen = graph_ != nullptr;
  timer_->stop();
  TDlg::reject();
}

// ---------------------------------------------------------------------------------------

void RunDataEditor(TDataSession& session) {
  CloseDataStatus();
  TGridEditStart start = BeginGridEdit(session);
  const int result = ExecuteAndDelete(new TEditor(MainWindow, session, &start.savedSignature));
  if (MainWindow) MainWindow->HaveCalc = CalcMask() != 0 ? 1 : 0;
  const AfterGridEdit after = FinishGridEdit(session, start, result != QDialog::Accepted, ToWindow(MainWindow));
  if (after == AfterGridEdit::kShowStatus) ShowDataStatus();
  if (MainWindow) MainWindow->RefreshBars();
}
