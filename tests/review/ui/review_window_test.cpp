// The review window on a real fit of the replicated plane: search, limits, surface modes,
// the mouse and wheel, the satellites and their layout, titles and the commands that open it.
#include "review/ui/review_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <QGuiApplication>
#include <QScreen>

#include <memory>

#include "app/shell_state.h"
#include "app/ui/dialog.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/log_font.h"
#include "app/ui/modal_answers.h"
#include "app/ui/owned_window.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/status_graph.h"
#include "platform/message_box.h"
#include "platform/qt/qt_device_context.h"
#include "review/equation_list_rows.h"
#include "review/equation_text.h"
#include "review/fit_list_fixture.h"
#include "review/review_fit_fixture.h"
#include "review/review_titles.h"
#include "review/ui/review_window_fixture.h"
#include "review/ui/review_dialogs.h"

namespace {

using review_test::RankOf;

class ReviewWindowTest : public review_test::ReviewWindowFixture {};

TEST_F(ReviewWindowTest, SearchRefusesOtherNumbersAndFindsTheEquation) {
  TRView& w = Open(false);
  {
    // The dialog stays open on each refused number, saying why, until a number is found.
    ModalAnswer<TEqnSearchDlg> typist([&](TEqnSearchDlg* d) {
      for (const char* entry : {"2501", "2170", "1,5", "1"}) {
        d->Edit()->setText(entry);
        d->accept();
      }
    });
    w.Command(kCmReviewSearch);
    EXPECT_EQ(typist.Seen(), 1);
  }
  const std::vector<platform::BoxRequest> boxes = answers.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].caption, "Equation Search Error");
  EXPECT_EQ(boxes[0].text, "Not a Ondravik 3D Equation");  // a user function's number
  EXPECT_EQ(boxes[1].text, "Equation Not in List");       // a robust plane, not in this run
  // "1,5" is no number: never equation 1; it goes back to the last number and is told.
  EXPECT_EQ(boxes[2].caption, "Equation Search Error");
  EXPECT_EQ(boxes[2].text, "Not a Ondravik 3D Equation");
  const int rank = RankOf(session, 1);
  EXPECT_EQ(w.Rank(), rank);
  EXPECT_EQ(session.ReviewCurrentRank, rank);
  EXPECT_EQ(session.CurFitEqn().equationNumber, 1);
  ASSERT_NE(w.List()->GetSelString(), nullptr);
  EXPECT_EQ(RankOfRow(*w.List()->GetSelString()), rank);
  // Cancel leaves everything as it was.
  ModalAnswer<TEqnSearchDlg> cancel([](TEqnSearchDlg* d) { d->reject(); });
  w.Command(kReviewSearchButton);
  EXPECT_EQ(cancel.Seen(), 1);
  EXPECT_EQ(w.Rank(), rank);
}

// A second search types a new number over the last one, which the dialog offers selected.
TEST_F(ReviewWindowTest, ASecondSearchTypesOverTheLastNumber) {
  TRView& w = Open(false);
  ASSERT_GE(session.FitList.Count(), 2);
  const int numbers[2] = {session.FitList.At(2)->equationNumber, session.FitList.At(1)->equationNumber};
  for (const int number : numbers) {
    const QString typed = QString::number(number);
    ModalAnswer<TEqnSearchDlg> typist([&](TEqnSearchDlg* d) {
      if (typist.Seen() > 1) {  // the search failed and asks again: give up
        d->reject();
        return;
      }
      QTest::keyClicks(d->Edit(), typed);
      EXPECT_EQ(d->Edit()->text(), typed);
      d->accept();
    });
    w.Command(kCmReviewSearch);
    EXPECT_EQ(typist.Seen(), 1);
    EXPECT_EQ(session.CurFitEqn().equationNumber, number);
  }
  EXPECT_TRUE(answers.Boxes().empty());
  EXPECT_EQ(w.Rank(), 1);
}

TEST_F(ReviewWindowTest, WheelAndMiddleButtonOverTheGraphAndTheList) {
  TRView& w = Open(false);
  T3DViewRec& view = w.Renderer().MutableView();
  view.AngleXY = 330;
  auto wheel = [&](int delta, Qt::KeyboardModifiers keys) {
    QWheelEvent e(QPointF(50, 50), w.Pane()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, keys, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.Pane(), &e);
  };
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(view.AngleXY, 330);
  wheel(120, Qt::ShiftModifier);
  EXPECT_EQ(view.AngleXY, 360);
  // A touch pad's small steps add up to the notch.
  wheel(60, Qt::ShiftModifier);
  EXPECT_EQ(view.AngleXY, 360);
  wheel(60, Qt::ShiftModifier);
  EXPECT_EQ(view.AngleXY, 30);
  // The middle button over the list switches the wheel to the elevation; the list hands on
  // the turns it does not scroll by.
  QTest::mouseClick(w.List()->ListBox()->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
  EXPECT_EQ(w.WheelMode(), 1);
  view.AngleZ = 10;
  std::vector<long double> seen;
  for (int i = 0; i < 3; ++i) {
    w.ListRotateStep(120, false, false);
    seen.push_back(view.AngleZ);
  }
  EXPECT_EQ(seen, (std::vector<long double>{20, 90, 0}));
  QTest::mouseDClick(w.List()->ListBox()->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
  EXPECT_EQ(view.AngleXY, 210);
  EXPECT_EQ(view.AngleZ, 20);
}

// The list is kept above the review, which runs modally; minimised by the user it is still
// open, out of sight: the List button shows it again instead of closing it.
TEST_F(ReviewWindowTest, TheListStaysInSightOfItsButton) {
  TRView& w = Open(false);
  w.List()->ShowList(true);
  ASSERT_TRUE(w.List()->isVisible());
  EXPECT_NE(w.List()->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly), nullptr);
  w.List()->showMinimized();
  ASSERT_TRUE(w.List()->isMinimized());
  w.Command(kReviewList);
  EXPECT_TRUE(w.List()->isVisible());
  EXPECT_FALSE(w.List()->isMinimized());
  w.Command(kReviewList);
  EXPECT_FALSE(w.List()->isVisible()) << "in sight, the button closes it";
  w.Command(kReviewList);
  EXPECT_TRUE(w.List()->isVisible());
}

TEST_F(ReviewWindowTest, LimitsCommandsAndTheIntervalsButton) {
  CurrentSettings().LimitsMode = kLimitsPrediction;
  TRView& w = Open(false);
  EXPECT_TRUE(w.Action(kCmReviewPrediction)->isChecked());
  EXPECT_EQ(session.CurFit.covarianceValid, 1);  // the limits need the covariance of the fit
  w.Action(kCmReviewConfidence)->trigger();
  EXPECT_EQ(w.Limits().mode, kLimitsConfidence);
  EXPECT_EQ(CurrentSettings().LimitsMode, kLimitsConfidence);
  EXPECT_TRUE(w.Action(kCmReviewConfidence)->isChecked());
  EXPECT_FALSE(w.Action(kCmReviewPrediction)->isChecked());
  EXPECT_TRUE(static_cast<bool>(options->Setup().LimitFn));
  EXPECT_EQ(options->Setup().LimitKind, 1);
  EXPECT_NE(w.Renderer().ContentFlags() & kContentLimit, 0);
  w.Button(kReviewIntervals)->click();
  EXPECT_EQ(w.Limits().mode, kLimitsNone);
  EXPECT_FALSE(static_cast<bool>(options->Setup().LimitFn));
  EXPECT_FALSE(w.Action(kCmReviewConfidence)->isChecked());
  w.Button(kReviewIntervals)->click();
  EXPECT_EQ(w.Limits().mode, kLimitsConfidence);
  // Levels: checked one at a time, into the settings.
  w.Action(kCmReviewLevel90 + 3)->trigger();
  EXPECT_EQ(CurrentSettings().LimitsLevel, 3);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w.Action(kCmReviewLevel90 + i)->isChecked(), i == 3);
}

TEST_F(ReviewWindowTest, DerivativeSurfacesHaveNoDataCommands) {
  // The extensions' commands are there, so that what the mode greys shows.
  for (int id : {kReviewResiduals, kReviewEvaluate, kCmReviewResidualsWindow, kCmReviewEvaluation})
    ReviewExtensions().commands[id] = [](TRView&) {};
  TRView& w = Open(false);
  w.Button(kReviewData)->click();
  ASSERT_NE(w.DataPane(), nullptr);
  const int dataButtons[] = {kReviewData, kReviewResiduals, kReviewIntervals, kReviewEvaluate};
  const int dataItems[] = {kCmReviewDataWindow, kCmReviewResidualsWindow, kCmReviewEvaluation,
                           kCmReviewConfidence, kCmReviewPrediction};
  auto expectEnabled = [&](bool on) {
    for (int id : dataButtons) EXPECT_EQ(w.Button(id)->isEnabled(), on) << id;
    for (int id : dataItems) EXPECT_EQ(w.Action(id)->isEnabled(), on) << id;
    EXPECT_EQ((w.Renderer().ContentFlags() & kContentPoints) != 0, on);
    EXPECT_EQ(static_cast<bool>(options->Setup().Points), on);
  };
  expectEnabled(true);
  w.findChild<QRadioButton*>("912")->click();
  QApplication::processEvents();
  EXPECT_EQ(w.SurfaceMode(), kSurfaceDzDx);
  EXPECT_EQ(w.DataPane(), nullptr);
  expectEnabled(false);
  // The graph is the derivative of the plane in x, titled so.
  EXPECT_EQ(options->Setup().SurfaceFn(1, 1), FitDzDx(session.CurFit, 1, 1));
  EXPECT_EQ(ReviewTitleSets().automatic.AxisTitles[2], "~@\xB6~@Z/~@\xB6~@X");
  w.findChild<QRadioButton*>("911")->click();
  QApplication::processEvents();
  EXPECT_EQ(w.SurfaceMode(), kSurfaceZ);
  expectEnabled(true);
}

TEST_F(ReviewWindowTest, ClickZonesAndTheActivatingClick) {
  TRView& w = Open(false);
  ModalAnswer<TTitleFmt> titles([](TTitleFmt* d) { d->reject(); });
  // The click that brings the window forward opens nothing.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&w, &activate);
  QTest::mouseClick(w.Pane(), Qt::LeftButton, {}, InGraph(0.5, 0.5));
  EXPECT_TRUE(dialogs.empty());
  // The top tenth: the titles; the side and bottom margins: the scaling; the centre: the view.
  QTest::mouseClick(w.Pane(), Qt::LeftButton, {}, InGraph(0.5, 0.05));
  EXPECT_EQ(titles.Seen(), 1);
  QTest::mouseClick(w.Pane(), Qt::LeftButton, {}, InGraph(0.03, 0.5));
  QTest::mouseClick(w.Pane(), Qt::LeftButton, {}, InGraph(0.5, 0.97));
  QTest::mouseClick(w.Pane(), Qt::LeftButton, {}, InGraph(0.5, 0.5));
  EXPECT_EQ(dialogs, (std::vector<int>{kDlgScaling, kDlgScaling, kDlgView}));
}

TEST_F(ReviewWindowTest, PanesReopenInTheModeTheyWereOpenIn) {
  TRView& w = Open(false);
  w.Button(kReviewNumeric)->click();
  ASSERT_NE(w.NumericPane(), nullptr);
  EXPECT_GT(w.NumericPane()->Lines().LineCount(), 10);
  Close();
  EXPECT_TRUE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), false)[kLayoutNumeric]));
  EXPECT_FALSE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), false)[kLayoutData]));
  EXPECT_FALSE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), true)[kLayoutNumeric]));
  EXPECT_NE(Open(false).NumericPane(), nullptr);
  Close();
  EXPECT_EQ(Open(true).NumericPane(), nullptr);
  Close();
  EXPECT_TRUE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), false)[kLayoutNumeric]));
}

TEST_F(ReviewWindowTest, WindowReopensWhereItWasLeft) {
  ReviewLayoutBlock(CurrentSettings(), true)[kLayoutReview] = WindowPlacement{40, 50, 700, 500, 0};
  TRView& w = Open(true);
  EXPECT_EQ(w.geometry(), QRect(40, 50, 700, 500));
  w.move(60, 70);
  const QRect moved = w.geometry();
  Close();
  EXPECT_EQ(CurrentSettings().placements[static_cast<std::size_t>(ReviewLayoutSlot(true, kLayoutReview))],
            (WindowPlacement{moved.x(), moved.y(), 700, 500, 0}));
}

TEST_F(ReviewWindowTest, PanesFollowTheRankAndTheirOptions) {
  TRView& w = Open(false);
  for (int id : {kReviewNumeric, kReviewData, kReviewPrecision}) w.Button(id)->click();
  auto text = [](const TRVScrWin* pane) {
    std::string all;
    for (int i = 0; i < pane->Lines().LineCount(); ++i) all += std::string(pane->Lines().GetLine(i)) + "\n";
    return all;
  };
  w.Command(kCmReviewLower);
  ASSERT_EQ(w.Rank(), 2);
  for (const TRVScrWin* pane : {static_cast<TRVScrWin*>(w.NumericPane()), static_cast<TRVScrWin*>(w.DataPane()),
                                static_cast<TRVScrWin*>(w.PrecisionPane())})
    EXPECT_EQ(text(pane).rfind("~#Rank~# ~!2~!", 0), 0u) << text(pane);
  // Probabilities off: the numeric pane loses its P columns at once.
  EXPECT_NE(text(w.NumericPane()).find("P>|t|"), std::string::npos);
  w.NumericPane()->OptionItem(2331)->trigger();
  EXPECT_EQ(CurrentSettings().NumericPaneOptions, 14);
  EXPECT_EQ(text(w.NumericPane()).find("P>|t|"), std::string::npos);
  // The data pane's type in force does nothing; another rebuilds it.
  const std::string before = text(w.DataPane());
  w.DataPane()->TypeItem(2334)->trigger();
  EXPECT_EQ(text(w.DataPane()), before);
  w.DataPane()->TypeItem(2331)->trigger();
  EXPECT_EQ(CurrentSettings().DataPaneType, 0);
  EXPECT_NE(text(w.DataPane()), before);
  EXPECT_TRUE(w.DataPane()->TypeItem(2331)->isChecked());
  // A pane remembers where it was put, unless maximised.
  w.PrecisionPane()->setGeometry(40, 50, 400, 300);
  QApplication::processEvents();
  const WindowPlacement& place = w.Layout(kLayoutPrecision);
  EXPECT_EQ((std::array<int, 4>{place.x, place.y, place.width, place.height}), (std::array<int, 4>{40, 50, 400, 300}));
  // Closed by the user, the window forgets it.
  w.PrecisionPane()->close();
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.PrecisionPane(), nullptr);
}

TEST_F(ReviewWindowTest, StepsThroughTheListAndTitlesFollowTheRank) {
  TRView& w = Open(false);
  EXPECT_EQ(w.Rank(), 1);
  w.Command(kReviewFirst);
  w.Command(kReviewHigher);  // at the top: nothing
  EXPECT_EQ(w.Rank(), 1);
  // A custom title line that still reads as the rank line follows the rank.
  T3DTitleSet& custom = ReviewTitleSets().custom;
  custom = ReviewTitleSets().automatic;
  custom.Lines[0] = "My data";
  custom.Enabled = 1;
  w.Command(kReviewLower);
  EXPECT_EQ(w.Rank(), 2);
  EXPECT_EQ(custom.Lines[0], "My data");
  EXPECT_EQ(custom.Lines[1].rfind("Rank 2  Eqn", 0), 0u) << custom.Lines[1];
  w.Command(kCmReviewLast);
  EXPECT_EQ(w.Rank(), w.List()->GetCount());
  w.Command(kReviewLower);  // at the bottom: nothing
  EXPECT_EQ(w.Rank(), w.List()->GetCount());
  EXPECT_EQ(session.ReviewCurrentRank, w.Rank());
}

TEST_F(ReviewWindowTest, TitleLineCountsSizeTheTitles) {
  CurrentSettings().ReviewTitleLines = 5;
  TRView& w = Open(false);
  ModalAnswer<TTitleFmt> two([](TTitleFmt* d) {
    d->LinesButton(2)->click();
    d->accept();
  });
  w.Command(kCmReviewTitles);
  ASSERT_EQ(two.Seen(), 1);
  EXPECT_EQ(CurrentSettings().ReviewTitleLines, 2);
  T3DTitleSet& automatic = ReviewTitleSets().automatic;
  EXPECT_EQ(automatic.Lines[2], "");
  const float base = static_cast<float>(std::abs(options->Setup().Font->height));
  EXPECT_EQ(automatic.FontSizes, (std::array<float, 4>{1.5f * base, 1.2f * base, base, base}));
  automatic.FixedSizes = 1;
  w.FormatGraphTitle();
  EXPECT_EQ(automatic.FontSizes, (std::array<float, 4>{base, base, base, base}));
}

TEST_F(ReviewWindowTest, OneFitOpensWithTheListHidden) {
  TSession single;
  FillFitList(single, {{1, 0.9L}});
  single.DataStats = session.DataStats;
  ASSERT_TRUE(single.Table.ReplaceDataTable(review_test::ReplicatedPlane()));
  std::swap(single.DataStats, session.DataStats);
  options = std::make_unique<TGraphOptions>(CurrentSettings(), kGraphDataStatusFits, kPointsDataStatusFits, 5);
  options->Setup().Titles = &ReviewTitleSets().custom;
  options->Setup().TitleSettings = &ReviewTitleSets().automatic;
  window = std::make_unique<TRView>(nullptr, single, &options->Setup(), false);
  window->show();
  QApplication::processEvents();
  ASSERT_NE(window->List(), nullptr);
  EXPECT_FALSE(window->List()->isVisible());
  window->Command(kReviewLower);
  window->Command(kReviewHigher);
  EXPECT_EQ(window->Rank(), 1);
  window.reset();
}

// The graph is drawn whatever the satellites' rectangles cover: the window system may stack
// the review over them, and a graph left undrawn would then show a rank the panes do not.
TEST_F(ReviewWindowTest, TheGraphIsDrawnUnderASatelliteAndTheStatusShowsItsFigures) {
  CurrentSettings().ShowCacheStats = 1;
  CurrentSettings().GraphCacheOn = 1;
  // The window's own frame alone: no thread draws ahead.
  CurrentSettings().BackgroundCacheOn = 0;
  TRView& w = Open(false);
  w.grab();  // a paint
  EXPECT_TRUE(w.FieldText(1).endsWith(" sec")) << w.FieldText(1).toStdString();
  EXPECT_TRUE(w.FieldText(3).endsWith("[1]")) << w.FieldText(3).toStdString();
  const QRect pane(w.Pane()->mapToGlobal(QPoint(0, 0)), w.Pane()->size());
  w.List()->ShowList(true);
  w.List()->setGeometry(pane.adjusted(-20, -20, 20, 20));
  QApplication::processEvents();
  const QImage first = w.HeldImage().copy();
  w.Command(kReviewLower);
  QApplication::processEvents();
  ASSERT_EQ(w.Rank(), 2);
  EXPECT_NE(w.HeldImage(), first);
  EXPECT_TRUE(w.FieldText(3).endsWith("[2]")) << w.FieldText(3).toStdString();
}

// Lets the window's events run until its render thread has finished.
bool WaitForRenderThread(TRView& w) {
  // A start the window scheduled runs first.
  QApplication::processEvents();
  for (int i = 0; i < 30000 && w.RenderThread().State() != TRenderThread::kIdle; ++i) {
    QApplication::processEvents();
    QTest::qSleep(2);
  }
  QApplication::processEvents();
  return w.RenderThread().State() == TRenderThread::kIdle;
}

int CachedImages(TRView& w) {
  int count = 0;
  (void)w.Cache().CachedBytes(&count);
  return count;
}

// The picture the window shows for its rank: taken from the cache, then drawn anew.
std::pair<QImage, QImage> CachedAndDrawn(TRView& w) {
  w.Redraw(1);
  w.Pane()->repaint();
  EXPECT_TRUE(w.LastFromCache());
  const QImage cached = w.HeldImage().copy();
  w.StopRender();
  w.ClearImageCache();
  w.Redraw(1);
  w.Pane()->repaint();
  EXPECT_FALSE(w.LastFromCache());
  return {cached, w.HeldImage().copy()};
}

TEST_F(ReviewWindowTest, TheThreadFillsTheCacheWithTheWindowsOwnPictures) {
  CurrentSettings().ShowCacheStats = 1;
  CurrentSettings().GraphCacheKb = 100000;
  TRView& w = Open(false);
  const int rows = w.List()->GetCount();
  ASSERT_GE(rows, 3);
  ASSERT_TRUE(WaitForRenderThread(w));
  EXPECT_EQ(CachedImages(w), rows);
  // The thread's reports keep the cache's figures current.
  EXPECT_TRUE(w.FieldText(3).endsWith(QString("[%1]").arg(rows))) << w.FieldText(3).toStdString();
  // A step shows the picture kept for the rank, with its size on the status line; it is
  // the picture the window draws itself.
  w.Command(kReviewLower);
  w.Pane()->repaint();
  EXPECT_TRUE(w.LastFromCache());
  EXPECT_TRUE(w.FieldText(1).endsWith("K")) << w.FieldText(1).toStdString();
  const auto [cached, drawn] = CachedAndDrawn(w);
  EXPECT_TRUE(cached == drawn);
}

TEST_F(ReviewWindowTest, AResortDrawsTheNewOrderAhead) {
  CurrentSettings().GraphCacheKb = 100000;
  TRView& w = Open(false);
  ASSERT_TRUE(WaitForRenderThread(w));
  const int rows = w.List()->GetCount();
  ASSERT_EQ(CachedImages(w), rows);
  // Sorted by equation number, every rank means another fit: the pictures kept go, and
  // the thread draws the list again in its new order.
  w.Command(kCmReviewSortNumber);
  EXPECT_EQ(w.RenderThread().State(), TRenderThread::kIdle);
  EXPECT_EQ(CachedImages(w), 0);
  ASSERT_TRUE(WaitForRenderThread(w));
  EXPECT_EQ(CachedImages(w), rows);
  EXPECT_EQ(w.Rank(), RankOfRow(*w.List()->GetString(0)));
  const auto [cached, drawn] = CachedAndDrawn(w);
  EXPECT_TRUE(cached == drawn);
}

// Sorted inside the review, stepped to a fit and closed: the list goes back to the fit
// options' order, and the rank kept for the status window and the next review is the new
// rank of the fit last reviewed (the status window said "Rank 3 Eqn 422" and the review
// opened again on another fit).
TEST_F(ReviewWindowTest, AfterTheSortBackTheRememberedRankNamesTheReviewedFit) {
  // Every polynomial family: fits of many parameter counts.
  review_test::FitInto(session, review_test::ReplicatedPlane(), fit_test::LinearSelection(kPolyMaskAll, 0, 0));
  std::vector<int> byR2;
  for (int r = 1; r <= session.FitList.Count(); ++r) byR2.push_back(session.FitList.At(r)->equationNumber);
  TRView& w = Open(false);
  // Fewest parameters first: the first rank that holds another fit than by r².
  w.Command(kCmReviewSortByCount);
  int moved = 1;
  while (moved <= session.FitList.Count() &&
         session.FitList.At(moved)->equationNumber == byR2[static_cast<std::size_t>(moved - 1)])
    ++moved;
  ASSERT_LE(moved, session.FitList.Count());
  for (int r = 1; r < moved; ++r) w.Command(kReviewLower);
  ASSERT_EQ(w.Rank(), moved);
  const int reviewed = session.CurFitEqn().equationNumber;
  ASSERT_NE(byR2[static_cast<std::size_t>(moved - 1)], reviewed);
  Close();
  const int rank = session.ReviewCurrentRank;
  ASSERT_GE(rank, 1);
  EXPECT_EQ(session.FitList.At(rank)->equationNumber, reviewed);
  EXPECT_EQ(session.CurFitEqn().equationNumber, reviewed);
  EXPECT_EQ(session.CurFitEqn().rank, rank);
  // The status window's graph titles the current fit by its rank; the review opens on it.
  EXPECT_EQ(Open(false).Rank(), rank);
  EXPECT_EQ(session.CurFitEqn().equationNumber, reviewed);
}

TEST_F(ReviewWindowTest, WithoutTheBackgroundCacheNoThreadRuns) {
  CurrentSettings().BackgroundCacheOn = 0;
  TRView& w = Open(false);
  w.Pane()->repaint();
  EXPECT_EQ(w.RenderThread().State(), TRenderThread::kIdle);
  EXPECT_EQ(CachedImages(w), 1);  // the window's own frame
  w.Command(kReviewLower);
  w.Pane()->repaint();
  EXPECT_FALSE(w.LastFromCache());
  EXPECT_EQ(CachedImages(w), 2);
}

TEST_F(ReviewWindowTest, SummaryBesideThePrintedGraph) {
  TRView& w = Open(false);
  QImage page(700, 500, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    platform::qt::QtDeviceContext dc(page);
    w.DrawSummary(dc, 96, {100, 50, 600, 450}, true);
  }
  int inside = 0, outside = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      if (page.pixel(x, y) == qRgb(255, 255, 255)) continue;
      (x >= 100 && x < 600 && y >= 50 && y < 450 ? inside : outside)++;
    }
  EXPECT_GT(inside, 500);
  EXPECT_EQ(outside, 0);
}

// On paper the summary's figures are whole: a rectangle narrower than its widest line at
// the print font takes a smaller font instead of cutting the upper limits mid-number and
// the last column away; and without "Use Color" nothing is coloured.
TEST_F(ReviewWindowTest, PrintedSummaryShrinksToFitAndKeepsToBlackWithoutColor) {
  TRView& w = Open(false);
  // 6.27 inches at 96 dots an inch: the room under the graph on a half page of A4.
  const platform::Rect rect{20, 20, 622, 460};
  struct TInk {
    int right = -1;
    int coloured = 0;
    int outside = 0;
  };
  auto draw = [&](bool colors) {
    QImage page(700, 500, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
      platform::qt::QtDeviceContext dc(page);
      w.DrawSummary(dc, 96, rect, colors);
    }
    TInk ink;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) {
        const QRgb p = page.pixel(x, y);
        if (p == qRgb(255, 255, 255)) continue;
        if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) ++ink.outside;
        ink.right = std::max(ink.right, x);
        if (std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)}) > 40) ++ink.coloured;
      }
    return ink;
  };
  const TInk black = draw(false);
  EXPECT_EQ(black.outside, 0);
  EXPECT_GT(black.right, rect.left);
  // A line cut by the clip would ink the last column of the rectangle.
  EXPECT_LT(black.right, rect.right - 2);
  EXPECT_EQ(black.coloured, 0);
  const TInk coloured = draw(true);
  EXPECT_LT(coloured.right, rect.right - 2);
  EXPECT_GT(coloured.coloured, 0);
}

TEST_F(ReviewWindowTest, CommandsOfTheMainWindowAndTheStatusGraphTitles) {
  RegisterReviewCommands(session);
  EXPECT_TRUE(HasCommandHandler(CmReviewGraph));
  EXPECT_TRUE(HasCommandHandler(CmReviewList));
  // 2192 opens the list-first review modally; it closes with OK and the mode is kept.
  ModalAnswer<TRView> closer([](TRView* w) {
    EXPECT_TRUE(w->ListFirst());
    EXPECT_TRUE(w->List()->isVisible());
    w->Command(kReviewOk);
  });
  ASSERT_TRUE(RunCommandHandler(CmReviewList));
  EXPECT_EQ(closer.Seen(), 1);
  EXPECT_EQ(CurrentSettings().reviewStartMode, 1);
  // The status window's graph carries the two first lines of the fit it draws.
  ASSERT_TRUE(MakeRankCurrent(session, 2, kRefitRecord));
  QWidget pane;
  auto* graph = new TStatusGraph(&pane, session, true);
  const T3DTitleSet& titles = *graph->Renderer().Setup()->TitleSettings;
  EXPECT_EQ(titles.Lines[1].rfind("Rank 2  Eqn", 0), 0u) << titles.Lines[1];
  EXPECT_EQ(titles.Lines[2], "");
  UnregisterCommand(CmReviewGraph);
  UnregisterCommand(CmReviewList);
  UnregisterCommand(CmReviewPreferences);
  SetStatusGraphTitler(nullptr);
}

}  // namespace
namespace {

TRVScrWin* TextPaneOf(const TRView& w, int entry) {
  if (entry == kLayoutNumeric) return w.NumericPane();
  if (entry == kLayoutPrecision) return w.PrecisionPane();
  return w.DataPane();
}

struct PaneButton {
  int button, entry;
};
constexpr PaneButton kPaneButtons[] = {
    {kReviewNumeric, kLayoutNumeric}, {kReviewPrecision, kLayoutPrecision}, {kReviewData, kLayoutData}};

// The text panes reopen where they were left, window after window: the record keeps the
// client rectangle (a frame's place restored as the client's brought a pane back lower by
// its title bar every time).
TEST_F(ReviewWindowTest, TextPanesReopenWhereTheyWereLeft) {
  const auto left = [](int k) { return QPoint(60 + 100 * k, 90 + 20 * k); };
  const auto size = [](int k) { return QSize(380 + 10 * k, 240); };
  TRView& w = Open(false);
  for (int k = 0; k < 3; ++k) {
    w.Button(kPaneButtons[k].button)->click();
    TRVScrWin* pane = TextPaneOf(w, kPaneButtons[k].entry);
    ASSERT_NE(pane, nullptr);
    pane->setGeometry(QRect(left(k), size(k)));
  }
  QApplication::processEvents();
  Close();
  for (int session = 0; session < 3; ++session) {
    TRView& again = Open(false);
    QApplication::processEvents();
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(std::to_string(session) + " pane " + std::to_string(k));
      const TRVScrWin* pane = TextPaneOf(again, kPaneButtons[k].entry);
      ASSERT_NE(pane, nullptr);
      EXPECT_EQ(pane->geometry(), QRect(left(k), size(k)));
      const WindowPlacement& place = again.Layout(kPaneButtons[k].entry);
      EXPECT_EQ(QRect(place.x, place.y, place.width, place.height), QRect(left(k), size(k)));
    }
    Close();
  }
}

// The residual graph reopens where it was left, three times in a row and in the next
// review: it came back one border right and a title bar lower at every opening (its type
// changed to the review's own window after it was placed, which made its place the frame's).
TEST_F(ReviewWindowTest, ResidualGraphReopensWhereItWasLeft) {
  const QRect left(70, 80, 420, 300);
  TRView& w = Open(false);
  w.Button(kReviewResiduals)->click();
  ASSERT_NE(w.ResidualWindow(), nullptr);
  w.ResidualWindow()->setGeometry(left);
  QApplication::processEvents();
  for (int opening = 0; opening < 3; ++opening) {
    w.Button(kReviewResiduals)->click();  // closes it
    QApplication::processEvents();
    ASSERT_EQ(w.ResidualWindow(), nullptr);
    w.Button(kReviewResiduals)->click();
    QApplication::processEvents();
    ASSERT_NE(w.ResidualWindow(), nullptr);
    EXPECT_EQ(w.ResidualWindow()->geometry(), left) << opening;
  }
  Close();
  TRView& again = Open(false);  // left open: it opens with the review
  QApplication::processEvents();
  ASSERT_NE(again.ResidualWindow(), nullptr);
  EXPECT_EQ(again.ResidualWindow()->geometry(), left);
  Close();
}

// Opened for the first time, each pane stands within the screen, clear of the review's
// buttons and menu bar (the review is used meanwhile and keeps its panes above it): where a
// side holds it, beside the review window, never over it, on that side and as wide as its
// text (its table is never cut behind a scroll bar where the screen holds it); where neither
// side holds it, over the review, off its buttons (over them, at 1024 x 768, the summaries
// covered every one).
TEST_F(ReviewWindowTest, TextPanesFirstOpenBesideTheWindow) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const bool atLeft : {true, false}) {
    CurrentSettings() = DefaultSettings(ScreenWidth, ScreenHeight);
    TRView& w = Open(false);
    w.resize(w.minimumSizeHint());
    w.move(atLeft ? screen.left() : screen.right() + 1 - w.frameGeometry().width(), screen.top());
    QApplication::processEvents();
    const QRect review = w.frameGeometry();
    const int rightRoom = screen.right() - review.right();
    const int leftRoom = review.left() - screen.left();
    for (const PaneButton& p : kPaneButtons) {
      w.Button(p.button)->click();
      QApplication::processEvents();
      const TRVScrWin* pane = TextPaneOf(w, p.entry);
      ASSERT_NE(pane, nullptr);
      const QRect frame = pane->frameGeometry();
      SCOPED_TRACE(std::string(atLeft ? "left " : "right ") + std::to_string(p.entry));
      EXPECT_TRUE(screen.contains(frame));
      for (const QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        if (b->window() != &w || !b->isVisible() || !b->isEnabled()) continue;
        EXPECT_FALSE(frame.intersects(QRect(b->mapToGlobal(QPoint(0, 0)), b->size()))) << "covers " << b->text().toStdString();
      }
      const QMenuBar* bar = w.findChild<QMenuBar*>();
      ASSERT_NE(bar, nullptr);
      EXPECT_FALSE(frame.intersects(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size()))) << "covers the menu bar";
      const int columns = pane->VisibleColumns(), text = pane->Lines().MaxWidth();
      if (columns >= text || pane->width() == WindowRoom(pane).width()) {
        // Its whole text, or as much as the screen holds: beside the review where a side
        // holds it.
        if (frame.width() <= std::max(rightRoom, leftRoom)) {
          EXPECT_FALSE(frame.intersects(review));
          EXPECT_EQ(frame.left() >= review.right(), atLeft);
        }
      } else {
        // Narrowed only where no side holds its whole text (its width as a share of the
        // columns it shows, within a column's rounding).
        ASSERT_GT(columns, 0);
        EXPECT_GT(frame.width() * (text + 1) / columns, std::max(rightRoom, leftRoom))
            << columns << " of " << text << " columns though a side had room for them";
      }
    }
    Close();
  }
}

}  // namespace
