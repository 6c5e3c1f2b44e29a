// TEqnList: the review's ranked equation list. One row per fit of the session's fit list
// that passes the chosen filter, in the order of the fit list; the user reads the ranks,
// figures, costs, equation numbers and formulas, picks a row to make that fit current,
// re-sorts the fit list, filters it by kind and chooses how much a row says.
//
// The list talks to the review window that owns it through TEqnListOwner, whose calls keep
// the review's message numbers (kMsgMakeRankCurrent, kMsgReviewNotify). Re-sorting reorders
// the session's fit list itself, so the owner is told before (it stops its render thread,
// whose pictures are of the ranks as they were); when the list goes, the fit list is sorted
// back by the fit options' criterion.
#pragma once

#include <array>
#include <cstdint>

#include "fit/session.h"
#include "review/ui/list_window.h"

inline constexpr int kMsgMakeRankCurrent = 0x9DF;
inline constexpr int kMsgReviewNotify = 0x9DD;

// kMsgMakeRankCurrent: how the rank becomes current.
enum MakeRankCurrentHow : int {
  kRankListRebuilt = 0,   // make the review's current rank current again and redraw
  kRankRowChosen = 1,     // a row was chosen
  kRankFirstAfterSort = 2,  // the first row after a re-sort or a new filter: clear the image cache too
};
// kMsgReviewNotify codes the list sends.
enum ReviewNotifyCode : int {
  kNotifyListHidden = 2,
  kNotifyKeepList = 3,
  kNotifyFilter = 4,
  kNotifySort = 5,
  kNotifyAllGoodness = 11,
};

class TEqnListOwner {
 public:
  virtual ~TEqnListOwner() = default;
  virtual void MakeRankCurrent(int how, int rank) = 0;
  virtual void ReviewNotify(int code) = 0;
  // The fit list is about to be re-sorted.
  virtual void BeforeFitListResort() = 0;
  // The graph's mouse steps, made over the list: the middle button released (toggles what
  // the wheel turns) or double-clicked (the standard view), and a wheel turn the list did
  // not scroll by (a rotation step of `delta`, 120 a notch).
  virtual void ListMiddleButton(bool /*doubleClick*/) {}
  virtual void ListRotateStep(int /*delta*/, bool /*shift*/, bool /*ctrl*/) {}
};

// Opening modes of the review.
enum EqnListOpening : int { kOpenGraphFirst = 0, kOpenListFirst = 1, kOpenListHidden = 2 };

struct TEqnListSetup {
  int openingMode = kOpenGraphFirst;
  // The list's saved rectangle (left, top, width, height; -1 in left and width: none saved),
  // owned by the review's layout; the list writes its position and size back into it.
  std::array<std::int32_t, 4>* savedRect = nullptr;
  // "All Goodness of Fit in List", owned by the review's settings.
  std::int32_t* allGoodness = nullptr;
};

class TEqnList : public TIListBoxWinMenu {
  Q_OBJECT
 public:
  TEqnList(QWidget* parent, TSession& session, TEqnListOwner* owner, const TEqnListSetup& setup);
  ~TEqnList() override;

  // Builds the rows and selects the current rank's row; false when there is no fit at all
  // (the review then shuts down).
  [[nodiscard]] bool SetupWindow();
  // Rebuilds the rows by the filter; the row count, 0 when no fit passed (the rows stay).
  int BuildList();
  void SetSortCode(int code);
  // A filter index 0..5; -1 rebuilds with the current one.
  void SetSubset(int index);
  void SelectFirstRow();
  void ShowList(bool show);
  void CheckKeepListItem();
  void CheckAllGoodnessItem();
  void CheckSortItems();
  void CheckFilterItems();

  int SortCode() const { return sortCode_; }
  int Filter() const { return filter_; }
  bool KeepList() const { return keepList_; }

  void CmSortByParamCount();
  void CmHideList();
  void CmKeepList();
  void CmAllGoodnessOfFit();

 protected:
  void EvRowCommand(int index, int key, bool doubleClick) override;
  void EvListWindowNotify(int code, int a, int b) override;
  // The middle button over the rows goes to the owner.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A wheel turn reaches the window when the rows have nothing to scroll.
  void wheelEvent(QWheelEvent* event) override;

 private:
  bool AllGoodness() const { return allGoodness_ != nullptr && *allGoodness_ != 0; }
  void Notify(int code);
  void MakeCurrent(int how, int rank);
  void PlaceWindow();
  // A list placed by default takes the width of its rows where the screen has it.
  void WidenToRows();

  TSession& session_;
  TEqnListOwner* owner_;
  bool keepList_ = true;
  int filter_ = 0;
  int sortCode_ = 1;
  int openingMode_ = kOpenGraphFirst;
  std::array<std::int32_t, 4>* savedRect_;
  std::int32_t* allGoodness_;
  bool initialising_ = true;
  bool placedByDefault_ = false;
};
