#include "app/ui/data_status_window.h"

#include "app/ui/dialog.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/c_format.h"
#include "app/data_files.h"
#include "app/data_session.h"
#include "app/date_time_text.h"
#include "app/number_format.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/system_facts.h"
#include "app/ui/clear_placement.h"
#include "app/ui/coded_caption.h"
#include "app/ui/command_ids.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/main_window.h"
#include "app/ui/path_label.h"
#include "platform/gui_thread.h"
#include "platform/qt/qt_text.h"

int EditorOpen = 0;
std::atomic<int> PendingReview{0};

namespace {

using platform::qt::FromCp1252;

QPointer<TDlgStat>& StatusWindow() {
  static QPointer<TDlgStat> window;
  return window;
}

TStatusGraphMaker& GraphMaker() {
  static TStatusGraphMaker maker;
  return maker;
}

std::function<bool()>& FitResultsQuery() {
  static std::function<bool()> query;
  return query;
}

bool FitResultsAreValid() { return FitResultsQuery() && FitResultsQuery()(); }

// The command that starts the review in the user's chosen mode: list first (2192) or
// graph first (2191).
int ReviewCommand() { return CurrentSettings().reviewStartMode == 1 ? CmReviewList : CmReviewGraph; }

constexpr int kGraphWidth = 440;
constexpr int kGraphHeight = 400;
constexpr int kClockMs = 1000;
constexpr int kMemoryMs = 10000;

// The labels of fields 301-330 (an empty one: the field stands alone).
const char* FieldLabel(int id) {
  switch (id) {
    case 304: return "Mem:";
    case 306: return "FPI:";
    case 307: return "#X-Y:";
    case 308: return "Active:";
    case 310: return "X Variable:";
    case 317: return "Y Variable:";
    case 324: return "Z Variable:";
    default: break;
  }
  if (id >= 311 && id <= 330 && id != 317 && id != 324) {
    static const char* kAxisLabels[] = {"Min:", "Max:", "Range:", "Median:", "Mean:", "Std:"};
    return kAxisLabels[(id - 311) % 7];
  }
  return "";
}

}  // namespace

TDlgStat* DataStatusWin() { return StatusWindow(); }
void SetStatusGraphMaker(TStatusGraphMaker maker) { GraphMaker() = std::move(maker); }
void SetFitResultsQuery(std::function<bool()> query) { FitResultsQuery() = std::move(query); }

TDlgStat::TDlgStat(QWidget* parent, const TDataSession& session, bool withFits)
    : TDlg(parent, 0, 0),
      session_(session),
      withFits_(withFits),
      // One record with fits and without: the record of the fitted surface's status window is
      // also the review window's (opened graph first), which then came back at the status
      // window's place and size, and lost its own.
      placement_(&CurrentSettings().placements[kPlaceDataStatus], MaximisedWord::kRestored) {
  setObjectName("TDlgStat");
  setWindowTitle("XYZ Table Status");
  setAttribute(Qt::WA_DeleteOnClose);
  setAcceptDrops(true);
  setModal(false);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(2);
  grid->setColumnMinimumWidth(1, 90);
  grid->setColumnMinimumWidth(3, 90);
  int row = 0;
  auto field = [&](int id) {
    QLabel* value = id == kFileField ? new TPathLabel(this) : new QLabel(this);
    value->setObjectName(QString("field%1").arg(id));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fields_[id - kFirstField] = value;
    return value;
  };
  auto labelled = [&](int id, int column) {
    auto* label = new QLabel(FieldLabel(id), this);
    grid->addWidget(label, row, column);
    grid->addWidget(field(id), row, column + 1);
    return label;
  };
  // Date and time, processor and memory, the counts, the file.
  grid->addWidget(field(301), row, 0, 1, 2);
  grid->addWidget(field(302), row++, 2, 1, 2);
  grid->addWidget(field(303), row, 0, 1, 2);
  labelled(304, 2);
  ++row;
  grid->addWidget(field(305), row++, 3);
  labelled(306, 0);
  labelled(307, 2);
  ++row;
  labelled(308, 0);
  ++row;
  grid->addWidget(field(309), row++, 0, 1, 4);
  for (int axis = 0; axis < 3; ++axis) {
    const int base = 310 + 7 * axis;
    grid->setRowMinimumHeight(row++, 6);  // a gap before each axis
    auto* name = new QLabel(FieldLabel(base), this);
    grid->addWidget(name, row, 0);
    grid->addWidget(field(base), row++, 1, 1, 3);
    labelled(base + 1, 0);
    labelled(base + 2, 2);
    ++row;
    labelled(base + 3, 0);
    QLabel* median = labelled(base + 4, 2);  // the median is not computed: hidden
    median->hide();
    fields_[base + 4 - kFirstField]->hide();
    ++row;
    labelled(base + 5, 0);
    labelled(base + 6, 2);
    ++row;
  }
  grid->setRowStretch(row, 1);

  // The graph pane: its content comes with the 3D graph windows.
  graphPane_ = new QWidget(this);
  graphPane_->setObjectName(QString("pane%1").arg(kGraphPane));
  // The graph takes what the window is given beyond the fields, so the window can keep the
  // size the user left it at; it opens first at the full size of the pane.
  graphPane_->setMinimumSize(kGraphWidth, kGraphHeight);
  graphPane_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  if (GraphMaker()) GraphMaker()(graphPane_, withFits_);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(graphPane_, 1);

  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, [this] { EvTimer(1); });
  memory_ = new QTimer(this);
  connect(memory_, &QTimer::timeout, this, [this] { EvTimer(2); });
}

TDlgStat::~TDlgStat() {
  if (StatusWindow() == this) StatusWindow() = nullptr;
  if (parentWidget()) parentWidget()->setFocus();
}

QLabel* TDlgStat::Field(int id) const {
  if (id < kFirstField || id >= kFirstField + kFieldCount) return nullptr;
  return fields_[id - kFirstField];
}

void TDlgStat::SetField(int id, const std::string& text) {
  if (QLabel* f = Field(id)) f->setText(FromCp1252(text));
}

void TDlgStat::FillFields() {
  SetField(301, DateString());
  SetField(302, TimeString());
  SetField(303, ProcessorName());
  EvTimer(2);
  SetField(306, FormatIntLeft(static_cast<int>(ProcessorSpeed.load()), 5));
  const TDataStats& stats = session_.DataStats;
  SetField(307, FormatIntLeft(session_.Table.XYZRows(), 5));
  SetField(308, FormatIntLeft(stats.ActiveCount, 5));
  if (auto* file = dynamic_cast<TPathLabel*>(Field(kFileField))) file->SetPath(FromCp1252(session_.DataFileLabel));
  if (stats.ActiveCount <= 2) return;
  const TDataTitles& titles = session_.DataTitles();
  const std::string* names[3] = {&titles.XName, &titles.YName, &titles.ZName};
  const TAxisStats* axes[3] = {&stats.X, &stats.Y, &stats.Z};
  for (int a = 0; a < 3; ++a) {
    const int base = 310 + 7 * a;
    // The names as the graph draws them, not their codes.
    if (QLabel* f = Field(base)) f->setText(CodedTextCaption(*names[a]));
    const TAxisStats& s = *axes[a];
    const long double values[] = {s.Min, s.Max, s.Range, s.Mean, s.StdDev};
    const int ids[] = {1, 2, 3, 5, 6};
    for (int k = 0; k < 5; ++k) SetField(base + ids[k], FormatFigure(values[k], 8));
  }
}

void TDlgStat::SetupWindow() {
  // Filled before the base set-up sizes the window to its contents.
  FillFields();
  TDlg::SetupWindow();
  // From here the user may make the graph smaller: the window's least size follows at once,
  // before a smaller saved size is given back.
  graphPane_->setMinimumSize(kGraphWidth / 2, kGraphHeight / 2);
  layout()->activate();
  clock_->start(kClockMs);
  memory_->start(kMemoryMs);
  // Where the user left it; never placed, beside the main window's right edge, below its
  // menu and tool bars (at 1024 x 768 a fixed offset left half the second bar hidden).
  if (placement_.Apply(*this)) return;
  if (QWidget* main = parentWidget()) {
    const QRect area(main->mapToGlobal(QPoint(0, 0)), main->size());
    PlaceClearOf(this, main, QRect(QPoint(std::max(area.right() - width() - 12, area.left()), area.top() + 80), size()));
  }
}

void TDlgStat::moveEvent(QMoveEvent* event) {
  TDlg::moveEvent(event);
  placement_.Record(*this);
}

void TDlgStat::resizeEvent(QResizeEvent* event) {
  TDlg::resizeEvent(event);
  placement_.Record(*this);
}

void TDlgStat::EvTimer(int timer) {
  if (StatusWindow() != this && StatusWindow() != nullptr) return;
  if (timer == 1) {
    SetField(302, TimeString());
    return;
  }
  const long long physical = AvailablePhysicalMemory();
  const long long page = AvailablePageFile();
  SetField(304, physical >= 0 ? MegabytesText(physical) : std::string());
  SetField(305, page >= 0 ? MegabytesText(page) : std::string());
}

void TDlgStat::closeEvent(QCloseEvent* event) {
  clock_->stop();
  memory_->stop();
  TDlg::closeEvent(event);
}

void TDlgStat::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TDlgStat::dropEvent(QDropEvent* event) {
  const std::vector<std::string> files = DroppedLocalFiles(*event->mimeData());
  // Handed to the main window after this event: the drop closes this window.
  if (!files.empty()) platform::PostToUi([files] {
    if (MainWindow) MainWindow->DropFiles(files);
  });
}

void CloseDataStatus() {
  if (EditorOpen) return;
  if (TDlgStat* window = StatusWindow()) {
    StatusWindow() = nullptr;
    delete window;
  }
}

void ShowDataStatus() {
  if (PendingReview && FitResultsAreValid()) {
    PendingReview = 0;
    platform::PostCommand(ReviewCommand());
    return;
  }
  if (EditorOpen || Exiting) return;
  // Not beside a dialog the main window is open beside (a command without an enabler ran
  // from the main window meanwhile): the dialog's command shows it once the dialog is done.
  if (DialogBesideMainWindow() != nullptr) return;
  CloseDataStatus();
  if (!MainWindow) return;
  const TDataSession& session = MainWindow->Session();
  if (session.Table.XYZRows() < 4) return;
  auto* window = new TDlgStat(MainWindow, session, FitResultsAreValid());
  const std::string& title = session.DataTitles().Title;
  if (!title.empty()) window->setWindowTitle(CodedTextCaption(title));
  StatusWindow() = window;
  // The status window is active after every import: the main window's keys work from it.
  MainWindow->LendShortcuts(window);
  window->show();
  MainWindow->activateWindow();
}

void BackgroundFitDone() {
  // The decision runs on the user-interface thread, which owns the window, the settings and
  // the pending flag; the fit thread only hands it over.
  platform::PostToUi([] {
    PendingReview = 0;
    const Block& block = CurrentSettings().backgroundFitBlock;
    const bool autoReview =
        block.size() >= kBgFitFlagsOffset + 4 && (block[kBgFitFlagsOffset] & 2) != 0;
    const bool open = !StatusWindow().isNull();
    if (!autoReview) {
      if (open) platform::PostCommand(CmShowDataStatus);
      return;
    }
    if (!open)
      PendingReview = 1;
    else
      platform::PostCommand(ReviewCommand());
  });
}
