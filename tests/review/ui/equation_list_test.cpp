#include "review/ui/equation_list.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/ui/dialog.h"
#include "app/shell_state.h"
#include "fit/fit_ranking.h"
#include "platform/message_box.h"
#include "app/ui/text_window.h"
#include "review/equation_list_rows.h"
#include "review/fit_list_fixture.h"
#include "support/scratch_files.h"

namespace {

// The review window's side of the protocol, recorded.
struct RecordingOwner : TEqnListOwner {
  void MakeRankCurrent(int how, int rank) override { current.push_back({how, rank}); }
  void ReviewNotify(int code) override { notes.push_back(code); }
  void BeforeFitListResort() override {
    // What the fit list looked like when the owner was told: still the old order.
    firstBeforeResort.push_back(session->FitList.At(1)->equationNumber);
  }
  std::vector<std::pair<int, int>> current;
  std::vector<int> notes;
  std::vector<int> firstBeforeResort;
  TSession* session = nullptr;
};

class EqnListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    owner.session = &session;
    session.FitOptions.sortCriterion = 1;
    // Ranked by r²; equation numbers out of order, so that sorting by number moves them.
    FillFitList(session, {{5, 0.99L, 3}, {2001, 0.98L, 9}, {1, 0.97L, 2}, {3021, 0.96L, 4}, {2, 0.95L, 5}});
  }
  std::unique_ptr<TEqnList> MakeList(int mode) {
    TEqnListSetup setup;
    setup.openingMode = mode;
    setup.savedRect = &rect;
    setup.allGoodness = &allGoodness;
    auto list = std::make_unique<TEqnList>(nullptr, session, &owner, setup);
    EXPECT_TRUE(list->SetupWindow());
    QApplication::processEvents();
    return list;
  }
  QPoint RowCentre(TEqnList& list, int row) {
    return list.ListBox()->visualItemRect(list.ListBox()->item(row)).center();
  }

  TSession session;
  RecordingOwner owner;
  std::array<std::int32_t, 4> rect{-1, -1, -1, -1};
  std::int32_t allGoodness = 0;
  platform::ScriptedAnswers answers;
};

TEST_F(EqnListTest, ParameterCountTwiceRestoresTheCodeAndItsCheck) {
  auto list = MakeList(kOpenGraphFirst);
  QAction* byCount = list->Action(CmListSortByParamCount);
  byCount->trigger();
  EXPECT_EQ(list->SortCode(), 1 + kSortByParameterCount);
  EXPECT_TRUE(byCount->isChecked());
  EXPECT_TRUE(list->Action(CmListSortR2)->isChecked());
  byCount->trigger();
  EXPECT_EQ(list->SortCode(), 1);
  EXPECT_FALSE(byCount->isChecked());
  EXPECT_EQ(owner.firstBeforeResort.size(), 2u);
  EXPECT_EQ(std::count(owner.notes.begin(), owner.notes.end(), kNotifySort), 2);
}

TEST_F(EqnListTest, ResortSelectsRowOneTellsTheOwnerFirstAndTheFitOptionsOrderComesBack) {
  {
    auto list = MakeList(kOpenGraphFirst);
    list->Action(CmListSortEqnNumber)->trigger();
    // The owner heard of the re-sort while the list still had its old order.
    ASSERT_EQ(owner.firstBeforeResort, std::vector<int>{5});
    EXPECT_EQ(session.FitList.At(1)->equationNumber, 1);
    EXPECT_EQ(list->windowTitle().toStdString(), "5 Equations  [Rank, r\u00B2, FP, Eq#, Eqn]");
    EXPECT_EQ(list->GetSelIndex(), 0);
    EXPECT_EQ(owner.current.back(), std::make_pair(int{kRankFirstAfterSort}, 1));
    EXPECT_TRUE(list->Action(CmListSortEqnNumber)->isChecked());
    EXPECT_FALSE(list->Action(CmListSortR2)->isChecked());
  }
  EXPECT_EQ(session.FitList.At(1)->equationNumber, 5);  // r² order again
}

// The sort-back at the list's end takes the remembered rank and the current fit's rank
// along to the reviewed fit's place in the fit options' order; fits of equal r² are told
// apart by the record, not by the key.
TEST_F(EqnListTest, TheSortBackKeepsTheReviewedFitUnderItsNewRank) {
  FillFitList(session, {{5, 0.99L, 3}, {2001, 0.98L, 9}, {1, 0.97L, 2}, {3021, 0.97L, 4}, {2, 0.95L, 5}});
  {
    auto list = MakeList(kOpenGraphFirst);
    list->Action(CmListSortEqnNumber)->trigger();
    // By number: 1, 2, 5, 2001, 3021; the review steps to rank 5 (3021) and closes there.
    ASSERT_EQ(session.FitList.At(5)->equationNumber, 3021);
    session.ReviewCurrentRank = 5;
    session.CurFit.eqn.rank = 5;
    session.CurFit.eqn.equationNumber = 3021;
  }
  ASSERT_EQ(session.FitList.At(1)->equationNumber, 5);  // r² order again
  const int rank = session.ReviewCurrentRank;
  EXPECT_TRUE(rank == 3 || rank == 4) << rank;  // tied with equation 1 on r²
  EXPECT_EQ(session.FitList.At(rank)->equationNumber, 3021);
  EXPECT_EQ(session.CurFitEqn().rank, rank);
  // A list closed in the options' own order leaves both as they were.
  {
    auto list = MakeList(kOpenGraphFirst);
    session.ReviewCurrentRank = 2;
  }
  EXPECT_EQ(session.ReviewCurrentRank, 2);
}

TEST_F(EqnListTest, EmptyFilterShowsTheMessageAndKeepsRowsFilterAndChecks) {
  auto list = MakeList(kOpenGraphFirst);
  const std::vector<std::string> rows = list->Rows();
  list->Action(CmListFilterAll + 4)->trigger();  // rational: there is none
  const std::vector<platform::BoxRequest> boxes = answers.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Equation List");
  EXPECT_EQ(boxes[0].text, "No Equations Found in Filtered Subset");
  EXPECT_EQ(boxes[0].kind, platform::BoxKind::Exclamation);
  EXPECT_EQ(list->Rows(), rows);
  EXPECT_EQ(list->Filter(), 0);
  EXPECT_TRUE(list->Action(CmListFilterAll)->isChecked());
  EXPECT_FALSE(list->Action(CmListFilterAll + 4)->isChecked());
  EXPECT_EQ(std::count(owner.notes.begin(), owner.notes.end(), kNotifyFilter), 0);
  // A filter that has fits: the non-linear one shows rank 2 alone.
  list->Action(CmListFilterAll + 5)->trigger();
  ASSERT_EQ(list->GetCount(), 1);
  EXPECT_EQ(RankOfRow(list->Rows()[0]), 2);
  EXPECT_EQ(owner.current.back(), std::make_pair(int{kRankFirstAfterSort}, 2));
  EXPECT_EQ(owner.notes.back(), kNotifyFilter);
  // Choosing it again does nothing.
  const std::size_t notes = owner.notes.size();
  list->Action(CmListFilterAll + 5)->trigger();
  EXPECT_EQ(owner.notes.size(), notes);
}

TEST_F(EqnListTest, ListFirstAClickMakesTheRankCurrentAndHidesArrowKeysOnlyMove) {
  auto list = MakeList(kOpenListFirst);
  ASSERT_TRUE(list->isVisible());
  EXPECT_FALSE(list->KeepList());
  owner.current.clear();
  QTest::mouseClick(list->ListBox()->viewport(), Qt::LeftButton, {}, RowCentre(*list, 2));
  EXPECT_EQ(owner.current, (std::vector<std::pair<int, int>>{{kRankRowChosen, 3}}));
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(owner.notes.back(), kNotifyListHidden);
  list->ShowList(true);
  list->ListBox()->setFocus();
  owner.current.clear();
  QTest::keyClick(list->ListBox(), Qt::Key_Down);
  EXPECT_EQ(owner.current, (std::vector<std::pair<int, int>>{{kRankRowChosen, 4}}));
  EXPECT_TRUE(list->isVisible());
  QTest::keyClick(list->ListBox(), Qt::Key_Return);
  EXPECT_EQ(owner.current.back(), std::make_pair(int{kRankRowChosen}, 4));
  EXPECT_FALSE(list->isVisible());
}

TEST_F(EqnListTest, DoubleClickAlwaysHides) {
  auto list = MakeList(kOpenGraphFirst);
  ASSERT_TRUE(list->KeepList());
  QTest::mouseClick(list->ListBox()->viewport(), Qt::LeftButton, {}, RowCentre(*list, 1));
  EXPECT_TRUE(list->isVisible());  // kept after a single pick
  QTest::mouseDClick(list->ListBox()->viewport(), Qt::LeftButton, {}, RowCentre(*list, 1));
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(owner.current.back(), std::make_pair(int{kRankRowChosen}, 2));
}

TEST_F(EqnListTest, AReportWithoutASelectedRowIsIgnored) {
  auto list = MakeList(kOpenGraphFirst);
  list->ListBox()->clearSelection();
  owner.current.clear();
  list->EvListNotify(false);
  EXPECT_TRUE(owner.current.empty());
  EXPECT_TRUE(list->isVisible());
}

TEST_F(EqnListTest, CurrentRankSelectsExactlyOneRowByItsFourDigitPrefix) {
  std::vector<TTestFit> fits;
  ASSERT_TRUE(session.FitList.BeginRun());
  for (int i = 1; i <= 1000; ++i) ASSERT_TRUE(session.FitList.Append(MakeTestFit({i % 225 + 1, 1.0L - i * 1e-4L, 2})));
  session.FitCount.store(1000);
  for (int rank : {1, 10, 100, 1000}) {
    SCOPED_TRACE(rank);
    session.ReviewCurrentRank = rank;
    auto list = MakeList(kOpenListHidden);
    EXPECT_FALSE(list->isVisible());
    ASSERT_GE(list->GetSelIndex(), 0);
    EXPECT_EQ(RankOfRow(*list->GetSelString()), rank);
    EXPECT_EQ(list->ListBox()->selectedItems().size(), 1);
  }
}

TEST_F(EqnListTest, AllGoodnessChangesTheRowFormAndTheCaption) {
  auto list = MakeList(kOpenGraphFirst);
  list->Action(CmListAllGoodness)->trigger();
  EXPECT_EQ(allGoodness, 1);
  EXPECT_TRUE(list->Action(CmListAllGoodness)->isChecked());
  EXPECT_EQ(list->ListBox()->Columns(), kAllGoodnessColumns);
  EXPECT_TRUE(list->windowTitle().startsWith("5 Equations  [Rank, r\u00B2, DOF Adj r\u00B2"));
  EXPECT_EQ(owner.notes.back(), kNotifyAllGoodness);
}

// The rows of the other form come in the same order, and the rank under review stays the
// selected row: with none selected, the review's Next Higher and Next Lower did nothing.
TEST_F(EqnListTest, AllGoodnessKeepsTheRankUnderReviewSelected) {
  session.ReviewCurrentRank = 3;
  auto list = MakeList(kOpenGraphFirst);
  ASSERT_EQ(list->GetSelIndex(), 2);
  owner.current.clear();
  list->Action(CmListAllGoodness)->trigger();
  EXPECT_EQ(list->GetSelIndex(), 2);
  list->Action(CmListAllGoodness)->trigger();
  EXPECT_EQ(list->GetSelIndex(), 2);
  // Selecting by program chooses nothing: the owner was only told of the rebuilt rows.
  for (const auto& [how, rank] : owner.current) EXPECT_EQ(how, kRankListRebuilt);
}

TEST_F(EqnListTest, TheMenuBarGoesAndComesBackWithTheSizeRule) {
  QWidget parent;
  parent.setGeometry(0, 0, 1000, 800);
  parent.show();
  TEqnListSetup setup;
  setup.savedRect = &rect;
  setup.allGoodness = &allGoodness;
  TEqnList list(&parent, session, &owner, setup);
  ASSERT_TRUE(list.SetupWindow());
  list.resize(600, 500);
  QApplication::processEvents();
  EXPECT_TRUE(list.MenuBarShown());
  list.resize(300, 150);
  QApplication::processEvents();
  EXPECT_FALSE(list.MenuBarShown());
  EXPECT_EQ(rect[2], 300);  // the saved rectangle follows the size
  list.resize(300, 500);  // taller than half, wider than a quarter
  QApplication::processEvents();
  EXPECT_TRUE(list.MenuBarShown());
}

// The list opens within the screen with its frame, in each opening and from a saved rectangle
// larger than the screen: the list-first rectangle ran 15 pixels past a 1200-pixel screen.
TEST_F(EqnListTest, OpensWithinTheScreen) {
  for (int mode : {kOpenListFirst, kOpenGraphFirst}) {
    auto list = MakeList(mode);
    const QRect room = WindowRoom(list.get());
    EXPECT_TRUE(room.contains(list->geometry())) << mode << ": " << list->x() << "," << list->y() << " "
                                                 << list->width() << "x" << list->height();
    if (mode == kOpenListFirst) {  // as tall as it may be
      EXPECT_EQ(list->geometry().bottom(), room.bottom());
    }
  }
  rect = {0, 0, 3000, 3000};
  auto saved = MakeList(kOpenListFirst);
  EXPECT_EQ(saved->geometry(), WindowRoom(saved.get()));
}

TEST_F(EqnListTest, PrintsToPdf) {
  auto list = MakeList(kOpenGraphFirst);
  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.File("list.pdf")));
  // Neither the locale's paper nor the installed fonts decide the outcome: an A4 page, and
  // "Print Anyway?" answered yes should a font make the lines wider than the page.
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  answers.Answer(platform::kIdYes);
  ASSERT_EQ(list->PrintOn(printer, {"Equation List"}), PrintOutcome::Printed);
  for (const platform::BoxRequest& box : answers.Boxes()) EXPECT_EQ(box.caption, "Text May OverFlow Page Width");
  const std::string pdf = ReadText(dir.File("list.pdf"));
  EXPECT_TRUE(pdf.starts_with("%PDF"));
  EXPECT_GT(pdf.size(), 1000u);
}

TEST_F(EqnListTest, CopyPutsThreeFormatsAndAnEmptyListLeavesTheClipboard) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("kept");
  TIListBoxWinMenu empty(nullptr, "Empty", kListCoded, kOneFigureColumns, kFontSlotEquationList, false, true,
                         false, false, kListMenuId);
  empty.CmCopy();
  EXPECT_EQ(clipboard->text(), "kept");
  auto list = MakeList(kOpenGraphFirst);
  list->CmCopy();
  const QMimeData* data = clipboard->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->text().startsWith("   1          0.99    3          5  z=a+bx+cy+dy^2+ey^3+fy^4+gy^5\r\n   2")) << data->text().toStdString();
  EXPECT_FALSE(data->text().contains('~'));
  EXPECT_FALSE(data->data(kMimeWk1).isEmpty());
  EXPECT_TRUE(data->data(kMimeRtf).startsWith("{\\rtf1"));
}

TEST_F(EqnListTest, SavingAsSavSaysSoAndWritesNothing) {
  auto list = MakeList(kOpenGraphFirst);
  ScratchDir dir;
  EXPECT_FALSE(list->SaveTo(dir.File("list.sav")));
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("list.sav")));
  EXPECT_TRUE(list->SaveTo(dir.File("list.wk1")));
  EXPECT_GT(std::filesystem::file_size(dir.File("list.wk1")), 1380u);
}

TEST_F(EqnListTest, ClosingOnlyHidesTheList) {
  auto list = MakeList(kOpenGraphFirst);
  list->close();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(owner.notes.back(), kNotifyListHidden);
  EXPECT_EQ(list->GetCount(), 5);
}

}  // namespace
