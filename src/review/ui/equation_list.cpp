#include "review/ui/equation_list.h"

#include <QAction>
#include <QStyle>
#include <QMouseEvent>
#include <QWheelEvent>

#include "app/c_format.h"
#include "app/shell_state.h"
#include "app/ui/dialog.h"
#include "app/ui/window_placement.h"
#include "fit/fit_ranking.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "review/equation_list_rows.h"
#include "review/equation_text.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

constexpr const char* kListCaption = "Equation List";
constexpr const char* kNoEquations = "No Equations Found in Filtered Subset";
constexpr int kFilterCount = 6;

// The sort commands 2373-2377 and 2379 and their criteria.
constexpr struct {
  int id;
  int code;
} kSortCommands[] = {{2373, 1}, {2374, 2}, {2375, 4}, {2376, 8}, {2377, 16}, {2379, 64}};

}  // namespace

TEqnList::TEqnList(QWidget* parent, TSession& session, TEqnListOwner* owner, const TEqnListSetup& setup)
    : TIListBoxWinMenu(parent, QString(), kListCoded,
                       EquationListColumns(setup.allGoodness != nullptr && *setup.allGoodness != 0),
                       kFontSlotEquationList, false, true, false, false, kListMenuId),
      session_(session),
      owner_(owner),
      openingMode_(setup.openingMode),
      savedRect_(setup.savedRect),
      allGoodness_(setup.allGoodness) {
  setObjectName("TEqnList");
  ListBox()->SetCompactColumns(EquationListDroppableColumns(AllGoodness()));
  sortCode_ = static_cast<int>(session_.FitOptions.sortCriterion);
  if (!IsFitSortCode(sortCode_)) sortCode_ = 1;
  PlaceWindow();
  hide();

  for (const auto& sort : kSortCommands)
    connect(Action(sort.id), &QAction::triggered, this,
            [this, code = sort.code] {
              SetSortCode(code | (sortCode_ & kSortByParameterCount));
              // The menu toggled the item itself: the checks follow the code, changed or not.
              CheckSortItems();
            });
  connect(Action(CmListSortByParamCount), &QAction::triggered, this, [this] {
    CmSortByParamCount();
    CheckSortItems();
  });
  for (int i = 0; i < kFilterCount; ++i)
    connect(Action(CmListFilterAll + i), &QAction::triggered, this, [this, i] {
      SetSubset(i);
      CheckFilterItems();
    });
  connect(Action(CmListKeepList), &QAction::triggered, this, &TEqnList::CmKeepList);
  connect(Action(CmListAllGoodness), &QAction::triggered, this, &TEqnList::CmAllGoodnessOfFit);
  auto* hideList = new QAction(this);
  hideList->setObjectName(QString::number(CmListHide));
  connect(hideList, &QAction::triggered, this, &TEqnList::CmHideList);
  addAction(hideList);
  ListBox()->viewport()->installEventFilter(this);
}

TEqnList::~TEqnList() {
  // Ranks outside the review mean what the fit options say; the fit last reviewed keeps
  // its place as the current one under its rank in that order (the status window showed
  // "Rank 3 Eqn 422" and the review opened again on the fit ranked 3 by the options).
  const int criterion = static_cast<int>(session_.FitOptions.sortCriterion);
  if (sortCode_ != criterion && Exiting.load() == 0) ResortFitList(session_, criterion);
}

void TEqnList::PlaceWindow() {
  // Every rectangle, a saved one included (the screen may have shrunk since), is held within
  // the screen with its frame: the list-first rectangle alone reached 15 pixels past the
  // lower edge of a 1200-pixel screen.
  // The list records its client rectangle as every window does.
  if (savedRect_ != nullptr) {
    const std::array<std::int32_t, 4>& r = *savedRect_;
    if (RestorePlacement(*this, WindowPlacement{r[0], r[1], r[2], r[3], 0}, MaximisedWord::kIgnored)) return;
  }
  placedByDefault_ = true;
  const int sw = ScreenWidth, sh = ScreenHeight;
  if (openingMode_ == kOpenGraphFirst) {
    // In the lower right corner, clear of the screen's edges with its frame.
    const int w = sw * 4 / 10, h = sh / 5;
    PlaceWithinScreen(this, QRect(sw - w, sh - h, w, h));
  } else {
    PlaceWithinScreen(this, QRect(70, 40, sw - 75, sh - 50));
  }
}

void TEqnList::WidenToRows() {
  // The default width, four tenths of the screen, left the formulas of a 1024-pixel screen
  // four characters ("Cosi", "z=a"): the list is as wide as its rows where the screen holds
  // them, and keeps its corner.
  const QRect room = WindowRoom(this);
  const TIListBox& box = *ListBox();
  // The rows, the list's frame and its scroll bar: the list fills the window's width.
  const int frame = 2 * box.frameWidth() + box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
  const int wanted = std::min(box.WholeRowWidth() + frame, room.width());
  if (wanted <= width()) return;
  QRect r = geometry();
  if (openingMode_ == kOpenGraphFirst) r.setLeft(r.right() + 1 - wanted);
  else r.setWidth(wanted);
  PlaceWithinScreen(this, r);
}

void TEqnList::Notify(int code) {
  if (owner_) owner_->ReviewNotify(code);
}

void TEqnList::MakeCurrent(int how, int rank) {
  if (owner_) owner_->MakeRankCurrent(how, rank);
}

bool TEqnList::SetupWindow() {
  if (BuildList() == 0) return false;
  if (placedByDefault_) WidenToRows();
  SelectPrefix(CFormat("%4d", session_.ReviewCurrentRank));
  keepList_ = openingMode_ != kOpenListFirst;
  ShowList(openingMode_ != kOpenListHidden);
  CheckKeepListItem();
  CheckAllGoodnessItem();
  CheckSortItems();
  CheckFilterItems();
  initialising_ = false;
  return true;
}

int TEqnList::BuildList() {
  ShowBusyMsg(ToWindow(this), kListCaption, "Building List...", 1);
  TEquationRowsRequest request;
  request.filter = filter_;
  request.sortCode = sortCode_;
  request.allGoodness = AllGoodness();
  const std::vector<std::string> rows = BuildEquationRows(session_, request);
  if (rows.empty()) {
    if (!initialising_) MakeCurrent(kRankListRebuilt, 0);
    HideBusyMsg();
    // The old rows stay: the list still shows the last filter that had fits.
    ErrorBox(ToWindow(this), kListCaption, kNoEquations);
    return 0;
  }
  if (!initialising_) MakeCurrent(kRankListRebuilt, 0);
  ClearList();
  for (const std::string& row : rows) (void)AddString(row);
  setWindowTitle(FromCp1252(EquationListCaption(GetCount(), sortCode_, AllGoodness())));
  HideBusyMsg();
  return GetCount();
}

void TEqnList::SetSortCode(int code) {
  if (code == sortCode_) return;
  // Every rank is about to mean another fit: the owner stops its render thread first.
  if (owner_) owner_->BeforeFitListResort();
  sortCode_ = code;
  SortFitList(session_.FitList, code);
  if (BuildList() > 0) {
    SelectFirstRow();
    CheckSortItems();
  }
  Notify(kNotifySort);
}

void TEqnList::SetSubset(int index) {
  if (index == filter_ && index != -1) return;
  const int old = filter_;
  if (index != -1) filter_ = index;
  if (BuildList() > 0) {
    SelectFirstRow();
    CheckFilterItems();
    Notify(kNotifyFilter);
  } else {
    filter_ = old;
  }
}

void TEqnList::SelectFirstRow() {
  SetSelIndex(0);
  if (const std::string* row = GetString(0)) MakeCurrent(kRankFirstAfterSort, RankOfRow(*row));
}

void TEqnList::ShowList(bool show) {
  if (show) {
    this->show();
    raise();
  } else {
    hide();
  }
}

void TEqnList::CheckKeepListItem() {
  if (QAction* a = Action(CmListKeepList)) a->setChecked(keepList_);
}

void TEqnList::CheckAllGoodnessItem() {
  if (QAction* a = Action(CmListAllGoodness)) a->setChecked(AllGoodness());
}

void TEqnList::CheckSortItems() {
  for (int i = 0; i <= CmListSortEqnNumber - CmListSortR2; ++i) {
    QAction* a = Action(CmListSortR2 + i);
    if (!a) continue;
    const int bit = CmListSortR2 + i == CmListSortByParamCount ? kSortByParameterCount : 1 << i;
    a->setChecked((sortCode_ & bit) != 0);
  }
}

void TEqnList::CheckFilterItems() {
  for (int i = 0; i < kFilterCount; ++i)
    if (QAction* a = Action(CmListFilterAll + i)) a->setChecked(i == filter_);
}

void TEqnList::CmSortByParamCount() {
  SetSortCode(sortCode_ & kSortByParameterCount ? sortCode_ - kSortByParameterCount
                                                : sortCode_ + kSortByParameterCount);
}

void TEqnList::CmHideList() {
  hide();
  Notify(kNotifyListHidden);
}

void TEqnList::CmKeepList() {
  keepList_ = !keepList_;
  CheckKeepListItem();
  Notify(kNotifyKeepList);
}

void TEqnList::CmAllGoodnessOfFit() {
  if (allGoodness_ != nullptr) *allGoodness_ = *allGoodness_ ? 0 : 1;
  CheckAllGoodnessItem();
  SetColumns(EquationListColumns(AllGoodness()));
  ListBox()->SetCompactColumns(EquationListDroppableColumns(AllGoodness()));
  // The rows are built afresh in the same order: the rank under review stays the selected
  // row, so that the review's arrows step on from it (with no row selected they did nothing).
  if (BuildList() > 0) SelectPrefix(CFormat("%4d", session_.ReviewCurrentRank));
  Notify(kNotifyAllGoodness);
}

void TEqnList::EvRowCommand(int index, int key, bool doubleClick) {
  // A report without a selected row (an emptied list) chooses nothing.
  const std::string* row = GetString(index);
  if (row == nullptr) return;
  const bool pick = key == kKeyNone || key == kKeyEnter;
  MakeCurrent(kRankRowChosen, RankOfRow(*row));
  if (doubleClick || (pick && (!keepList_ || isMaximized()))) {
    hide();
    Notify(kNotifyListHidden);
  }
}

void TEqnList::EvListWindowNotify(int code, int a, int b) {
  TIListBoxWinMenu::EvListWindowNotify(code, a, b);
  const bool maximised = isMaximized();
  switch (code) {
    case 0:
      if (!maximised && savedRect_ != nullptr) {
        (*savedRect_)[0] = a;
        (*savedRect_)[1] = b;
      }
      break;
    case 1:
      if (!maximised && savedRect_ != nullptr) {
        (*savedRect_)[2] = a;
        (*savedRect_)[3] = b;
      }
      break;
    case 2:
      hide();
      Notify(kNotifyListHidden);
      break;
    default: break;
  }
  CheckKeepListItem();
  CheckAllGoodnessItem();
  CheckSortItems();
  CheckFilterItems();
}

bool TEqnList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox()->viewport() && owner_ != nullptr &&
      (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonDblClick) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
    owner_->ListMiddleButton(event->type() == QEvent::MouseButtonDblClick);
    return true;
  }
  return TIListBoxWinMenu::eventFilter(watched, event);
}

void TEqnList::wheelEvent(QWheelEvent* event) {
  if (owner_ == nullptr) {
    TIListBoxWinMenu::wheelEvent(event);
    return;
  }
  const Qt::KeyboardModifiers keys = event->modifiers();
  owner_->ListRotateStep(event->angleDelta().y(), (keys & Qt::ShiftModifier) != 0,
                         (keys & Qt::ControlModifier) != 0);
  event->accept();
}
