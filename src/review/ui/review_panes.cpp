#include "review/ui/review_panes.h"

#include <QAction>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <utility>

#include "app/ui/clear_placement.h"
#include "app/ui/dialog.h"
#include "fit/session.h"
#include "graph3d/ui/evaluation_progress.h"
#include "review/pane_text.h"

namespace {

constexpr int kPaneCapacity = 200;
// The items of the panes' own menus share their ids (each pane has one such menu).
constexpr int kFirstPaneItem = 2331;
constexpr int kPaneItemCount = 4;

TNumericPaneSettings NumericSettings() {
  const ProgramSettings& s = CurrentSettings();
  TNumericPaneSettings settings;
  settings.options = static_cast<std::uint32_t>(s.NumericPaneOptions) & kPaneAllOptions;
  settings.levelIndex = s.LimitsLevel;
  settings.volumeInSummary = s.VolumeOption != 0;
  return settings;
}

}  // namespace

TRVScrWin::TRVScrWin(QWidget* parent, const QString& title, int capacity, int fontSlot,
                     WindowPlacement* place, int closedCode, TReviewNotifier notify)
    : TScrWin(parent, title, "", 1, false, capacity, false, fontSlot,
              CurrentSettings().UpdateTextWhileScrolling != 0, kMenuTextResults, nullptr),
      placement_(place, MaximisedWord::kIgnored),  // the fifth word: whether the pane was open
      closedCode_(closedCode),
      notify_(std::move(notify)) {
  setWindowFlag(Qt::WindowMinimizeButtonHint, false);
  placement_.Apply(*this);
}

TRVScrWin::~TRVScrWin() { Notify(closedCode_); }

void TRVScrWin::Notify(int code) const {
  if (notify_) notify_(code);
}

bool TRVScrWin::Rebuild() {
  const TEvaluationTask task(this, windowTitle(), QStringLiteral("Calculation in Progress"));
  TShownText kept = KeepText();
  const int top = View()->verticalScrollBar()->value();
  FormatText();
  lastCancelled_ = task.Cancelled();
  if (lastCancelled_) {
    PutBackText(std::move(kept));
    return false;
  }
  UpdateScrollRanges();
  ScrollToLine(top);
  View()->viewport()->update();
  return true;
}

void TRVScrWin::PutBackText(TShownText kept) {
  rank_ = kept.rank;
  lines_ = std::move(kept.lines);
  UpdateScrollRanges();
  View()->viewport()->update();
}

void TRVScrWin::OpenBeside(const QRect& ownerFrame, int slot, std::vector<QRect> alsoFree) {
  beside_ = ownerFrame;
  besideSlot_ = slot;
  alsoFree_ = std::move(alsoFree);
}

bool TRVScrWin::NeverPlaced() const { return placement_.Place() == nullptr || !HoldsPlacement(*placement_.Place()); }

void TRVScrWin::SetupWindow() {
  // Asked first: sizing the pane to its text already records a place.
  const bool firstOpen = NeverPlaced();
  TScrWin::SetupWindow();  // sized to its text
  if (!firstOpen || beside_.isEmpty()) return;
  // First opened: beside the owner, on the side with room for it, or the more room; the
  // panes stack down that side in the order of their slots. A pane keeps the width of its
  // text (within the screen): a table cut short behind a scroll bar hides the very columns
  // it is opened for, unless the owner's buttons leave no room for that width. Where neither
  // side holds it, it stands against the screen's edge on the side with the more room, over
  // the owner's edge, and then off what it covers of the owner's controls.
  const QRect room = WindowRoom(this);
  const QRect area = screen() ? screen()->availableGeometry() : room;
  const int frame = room.left() - area.left() + area.right() - room.right();  // both side edges
  const int rightRoom = area.right() - beside_.right() - frame;
  const int leftRoom = beside_.left() - area.left() - frame;
  const bool right = rightRoom >= width() || (leftRoom < width() && rightRoom >= leftRoom);
  const int x = right ? beside_.right() + 1 : beside_.left() - width() - frame;
  const int y = beside_.top() + besideSlot_ * std::max(beside_.height(), 3) / 3;
  PlaceFrameWithinScreen(this, QPoint(x, y), size());
  // The review is used meanwhile, and keeps its panes above it: a pane over its buttons (at
  // 1024 x 768 the summaries covered every one) moves off them, to the room it finds over the
  // graph, as wide as its text where the screen holds it (narrowed to the room left of the
  // buttons, the numeric summary lost its upper limits and P>|t|) and lower instead. The panes
  // that find the same room there stand a title bar apart, in the order of their slots, each
  // title in sight; a cascade that took width as well cut the data summary's last columns.
  const QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  // The equation list, where the user picks the fit the pane tells of, stays in sight too
  // where the screen has room for the pane at its width (at 1600 x 1200 the precision and
  // data summaries covered it whole).
  PlaceClearOf(this, parent->window(), geometry(), TClearFit::kFullWidth, alsoFree_);
  if (geometry().intersects(parent->window()->frameGeometry())) {
    const int step = besideSlot_ * (room.top() - area.top());
    const QRect cascaded = geometry().adjusted(0, step, 0, 0);
    if (cascaded.width() >= minimumSizeHint().width() && cascaded.height() >= minimumSizeHint().height())
      setGeometry(cascaded);
  }
}

void TRVScrWin::moveEvent(QMoveEvent* event) {
  TScrWin::moveEvent(event);
  placement_.Record(*this);
}

void TRVScrWin::resizeEvent(QResizeEvent* event) {
  TScrWin::resizeEvent(event);
  placement_.Record(*this);
}

QAction* TRVScrWin::AddCheckItem(QMenu* menu, int id, const char* text) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::number(id));
  a->setCheckable(true);
  return a;
}

// ---------------------------------------------------------------------------------------

TRVNumWin::TRVNumWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank,
                     TReviewNotifier notify)
    : TRVScrWin(parent, "Numeric Summary", kPaneCapacity, kFontSlotNumericPane, place,
                kNotifyNumericClosed, std::move(notify)),
      session_(session),
      options_(menuBar()->addMenu("&Options")) {
  setObjectName("TRVNumWin");
  rank_ = rank;
  const char* texts[kPaneItemCount] = {"&Probabilities", "Volume and &Extrema", "Analysis of &Variance",
                                       "&Data Table Statistics"};
  for (int i = 0; i < kPaneItemCount; ++i) {
    QAction* a = AddCheckItem(options_, kFirstPaneItem + i, texts[i]);
    connect(a, &QAction::triggered, this, [this, i] { ToggleOption(1u << i); });
  }
  UpdateOptionChecks();
}

QAction* TRVNumWin::OptionItem(int id) const { return options_->findChild<QAction*>(QString::number(id)); }

void TRVNumWin::FormatText() {
  // A rank the list does not hold leaves the pane empty.
  (void)FormatNumericSummary(lines_, session_, rank_, NumericSettings());
}

void TRVNumWin::ToggleOption(unsigned bit) {
  CurrentSettings().NumericPaneOptions ^= static_cast<std::int32_t>(bit);
  Notify(kNotifyNumericOptions);
  // A build the user cancelled shows the text of the options as they were.
  if (LastRebuildCancelled()) CurrentSettings().NumericPaneOptions ^= static_cast<std::int32_t>(bit);
  UpdateOptionChecks();
}

void TRVNumWin::UpdateOptionChecks() {
  const auto options = static_cast<unsigned>(CurrentSettings().NumericPaneOptions);
  for (int i = 0; i < kPaneItemCount; ++i)
    if (QAction* a = OptionItem(kFirstPaneItem + i)) a->setChecked((options & (1u << i)) != 0);
}

// ---------------------------------------------------------------------------------------

TRVPrecWin::TRVPrecWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank,
                       TReviewNotifier notify)
    : TRVScrWin(parent, "Precision Summary", kPaneCapacity, kFontSlotPrecisionPane, place,
                kNotifyPrecisionClosed, std::move(notify)),
      session_(session) {
  setObjectName("TRVPrecWin");
  rank_ = rank;
}

void TRVPrecWin::FormatText() { FormatPrecisionSummary(lines_, session_, rank_); }

// ---------------------------------------------------------------------------------------

TRVDataWin::TRVDataWin(QWidget* parent, const TSession& session, WindowPlacement* place, int rank,
                       TReviewNotifier notify)
    : TRVScrWin(parent, "Data Summary", session.Table.XYZRows() + 2, kFontSlotDataPane, place,
                kNotifyDataClosed, std::move(notify)),
      session_(session),
      types_(menuBar()->addMenu("&Type")) {
  setObjectName("TRVDataWin");
  rank_ = rank;
  const char* texts[kPaneItemCount] = {"&Residuals", "&Confidence Limits", "&Prediction Limits",
                                       "&All Information"};
  for (int i = 0; i < kPaneItemCount; ++i) {
    QAction* a = AddCheckItem(types_, kFirstPaneItem + i, texts[i]);
    connect(a, &QAction::triggered, this, [this, i] {
      SetType(i);
      // The menu flips the item it runs: the checks follow the type, changed or not.
      UpdateTypeChecks();
    });
  }
  UpdateTypeChecks();
}

QAction* TRVDataWin::TypeItem(int id) const { return types_->findChild<QAction*>(QString::number(id)); }

void TRVDataWin::FormatText() {
  const ProgramSettings& s = CurrentSettings();
  // A rank the list does not hold leaves the pane empty.
  (void)FormatDataSummary(lines_, session_, rank_, s.DataPaneType, s.LimitsLevel);
}

void TRVDataWin::SetType(int type) {
  const int was = CurrentSettings().DataPaneType;
  if (type == was) return;
  CurrentSettings().DataPaneType = type;
  Notify(kNotifyDataType);
  // A build the user cancelled shows the text of the type as it was.
  if (LastRebuildCancelled()) CurrentSettings().DataPaneType = was;
  UpdateTypeChecks();
}

void TRVDataWin::UpdateTypeChecks() {
  const int type = CurrentSettings().DataPaneType;
  for (int i = 0; i < kPaneItemCount; ++i)
    if (QAction* a = TypeItem(kFirstPaneItem + i)) a->setChecked(i == type);
}
