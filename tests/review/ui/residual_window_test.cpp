// The residual graph of the review: its modes and their records, the surface through the
// residuals, how it follows the rank, its saves, its click zones, and how the review opens,
// closes and reopens it.
#include "review/ui/residual_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "app/file_utils.h"
#include "app/import_readers.h"
#include "exchange/import_registration.h"
#include "exchange/sav_readers.h"
#include "app/ui/modal_answers.h"
#include "fit/fit_evaluation.h"
#include "graph3d/preview_surface.h"
#include "review/equation_text.h"
#include "review/ui/review_dialogs.h"
#include "review/ui/review_window_fixture.h"
#include "smooth/engines/smoothing_services.h"
#include "support/scratch_files.h"

namespace {

class ResidualWindowTest : public review_test::ReviewWindowFixture {
 protected:
  void SetUp() override {
    ReviewWindowFixture::SetUp();
    RegisterSmoothingServices();
    ResidualTitleSets() = TReviewTitleSets{};
  }
  void TearDown() override {
    ReviewWindowFixture::TearDown();
    SetPreviewSurfaceMaker(nullptr);
  }
  // The review with its residual graph open.
  TResid& OpenResiduals() {
    TRView& w = Open(false);
    w.Command(kReviewResiduals);
    EXPECT_NE(w.ResidualWindow(), nullptr);
    QApplication::processEvents();
    return *w.ResidualWindow();
  }
  static bool Checked(const TResid& r, int id) { return r.Action(id)->isChecked(); }
};

TEST_F(ResidualWindowTest, EachModeDrawsItsResiduals) {
  session.DataTitles().SetZName("Z");
  TResid& r = OpenResiduals();
  EXPECT_EQ(r.windowTitle(), "Residuals");
  const T3DGraphSetup& record = *r.Renderer().Setup();
  const struct {
    int command;
    int mode;
    int recordMode;
    const char* zTitle;
  } modes[] = {{TResid::kCmResidualsPercent, 1, 2, "Residuals % Z"},
               {TResid::kCmResidualsStandard, 2, 3, "Residuals Std Z"},
               {TResid::kCmResiduals, 0, 1, "Residuals Z"}};
  for (const auto& m : modes) {
    r.Command(m.command);
    EXPECT_EQ(CurrentSettings().ResidualMode, m.mode);
    EXPECT_EQ(record.ResidualMode, m.recordMode);
    EXPECT_EQ(r.Renderer().ContentFlags() & kContentResiduals, kContentResiduals);
    EXPECT_TRUE(Checked(r, m.command));
    EXPECT_FALSE(r.Action(TResid::kCmGraphType)->isEnabled());  // no surface to type
    EXPECT_EQ(ResidualTitleSets().automatic.AxisTitles[2], m.zTitle);
    EXPECT_FALSE(r.HasResidualSurface());
  }
  // The surface mode: a smoothed surface through the residual points, drawn over them.
  r.Command(TResid::kCmResidualSurface);
  EXPECT_EQ(CurrentSettings().ResidualMode, 3);
  EXPECT_TRUE(Checked(r, TResid::kCmResidualSurface));
  EXPECT_FALSE(Checked(r, TResid::kCmResiduals));
  ASSERT_TRUE(r.HasResidualSurface());
  EXPECT_EQ(record.ResidualMode, 0);
  EXPECT_EQ(r.Renderer().ContentFlags() & (kContentSurface | kContentPoints), kContentSurface | kContentPoints);
  EXPECT_TRUE(r.Action(TResid::kCmGraphType)->isEnabled());
  // The surface passes through each residual point: Z - f at the data.
  const std::span<const TXYZPoint> points = record.Points();
  const TXYZPoint& p = points[3];
  EXPECT_NEAR(static_cast<double>(record.SurfaceFn(p.X, p.Y)),
              static_cast<double>(session.Table.XYZData()[3].Z - EvalFitZ(session.CurFit, p.X, p.Y)), 1e-12);
  r.grab();  // it draws
}

TEST_F(ResidualWindowTest, TheGraphFollowsTheRank) {
  TResid& r = OpenResiduals();
  r.Command(TResid::kCmResidualSurface);
  const long double before = r.Renderer().Setup()->SurfaceFn(0.5L, 1.5L);
  window->Command(kReviewLower);
  EXPECT_EQ(window->Rank(), 2);
  EXPECT_EQ(ResidualTitleSets().automatic.Lines[1].rfind("Rank 2  Eqn", 0), 0u) << ResidualTitleSets().automatic.Lines[1];
  // A new fit: new residuals, a new surface through them.
  ASSERT_TRUE(r.HasResidualSurface());
  EXPECT_NE(r.Renderer().Setup()->SurfaceFn(0.5L, 1.5L), before);
  r.Command(TResid::kCmResiduals);
  window->Command(kReviewFirst);
  EXPECT_EQ(ResidualTitleSets().automatic.Lines[1].rfind("Rank 1  Eqn", 0), 0u);
  EXPECT_EQ(r.Renderer().ResidualStats().count, 12);
}

TEST_F(ResidualWindowTest, SavesWriteTheRowsOfTheModeAndAFailureIsTold) {
  TResid& r = OpenResiduals();
  ScratchDir dir;
  r.Command(TResid::kCmResidualsStandard);
  ASSERT_TRUE(r.SaveTo(dir.File("r.dat")));
  const std::string text = ReadText(dir.File("r.dat"));
  EXPECT_EQ(text.size(), 79u * 12);
  EXPECT_EQ(text, ResidualText(ResidualRows(session.Table.XYZData(),
                                            [&](long double x, long double y) { return EvalFitZ(session.CurFit, x, y); },
                                            kResidualStandard, &session.CurFit.eqn.fitStdError)));
  ASSERT_TRUE(r.SaveTo(dir.File("r.wk3")));
  EXPECT_EQ(FileSize(dir.File("r.wk3")), static_cast<std::int64_t>(ResidualWorksheet(r.Rows(), 3).size()));
  EXPECT_TRUE(answers.Boxes().empty());
  // A statistics-package file of X, Y and the residual, read back by the program's reader.
  const TImportReaders readers = ImportReaders();
  RegisterImportReaders();
  ASSERT_TRUE(r.SaveTo(dir.File("r.sav")));
  std::vector<TColumnArray> columns;
  ASSERT_EQ(ReadOkapVariables(dir.File("r.sav"), {1, 2, 3}, columns), 12);
  const std::vector<TResidualRow> rows = r.Rows();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(columns[0][k + 1], static_cast<long double>(static_cast<double>(rows[k].x)));
    EXPECT_EQ(columns[1][k + 1], static_cast<long double>(static_cast<double>(rows[k].y)));
    EXPECT_EQ(columns[2][k + 1], static_cast<long double>(static_cast<double>(rows[k].r)));
  }
  ImportReaders() = readers;
  EXPECT_FALSE(r.SaveTo(dir.File("r.dat") + "/x.prn"));
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, dir.File("r.dat") + "/x.prn");
}

TEST_F(ResidualWindowTest, ClickZonesRunTheReviewsDialogs) {
  TResid& r = OpenResiduals();
  r.resize(600, 500);
  QApplication::processEvents();
  const platform::Rect g = r.Renderer().GraphRect();
  // The menu bar spans the window, and the graph with its titles starts below it.
  QMenuBar* menu = r.MenuBar();
  EXPECT_EQ(menu->width(), r.width());
  const QRect onScreen = r.GraphRectOnScreen();
  EXPECT_EQ(onScreen.top(), menu->mapToGlobal(QPoint(0, menu->height())).y());
  EXPECT_EQ(onScreen.bottom() - onScreen.top(), g.bottom - g.top);
  EXPECT_EQ(r.Frame().height(), r.height() - menu->height());
  auto click = [&](double fx, double fy) {
    const QPoint graph(g.left + static_cast<int>((g.right - g.left) * fx),
                       g.top + static_cast<int>((g.bottom - g.top) * fy));
    QTest::mouseClick(&r, Qt::LeftButton, {}, r.mapFromGlobal(onScreen.topLeft() + graph));
  };
  // The click that brought the window forward opens nothing.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&r, &activate);
  click(0.5, 0.5);
  EXPECT_TRUE(dialogs.empty());
  click(0.5, 0.5);
  click(0.02, 0.5);
  EXPECT_EQ(dialogs, (std::vector<int>{kDlgView, kDlgScaling}));
  ModalAnswer<TTitleFmt> cancel([](TTitleFmt* d) { d->reject(); });
  click(0.5, 0.03);
  EXPECT_EQ(cancel.Seen(), 1);
  // The player it opens is captioned for it.
  dialogs.clear();
  r.Command(TResid::kCmAnimate);
  EXPECT_EQ(dialogs, (std::vector<int>{kDlgAnimate, kDlgAnimationPlayer}));
  EXPECT_EQ(animationCaption, "Animate View Function");
}

TEST_F(ResidualWindowTest, TheReviewClosesAndReopensIt) {
  TResid* first = &OpenResiduals();
  const T3DGraphSetup* record = first->Renderer().Setup();
  // Closed by the user: the review forgets it; the button opens a new one on the record.
  first->close();
  QApplication::processEvents();
  EXPECT_EQ(window->ResidualWindow(), nullptr);
  window->Command(kReviewResiduals);
  ASSERT_NE(window->ResidualWindow(), nullptr);
  EXPECT_EQ(window->ResidualWindow()->Renderer().Setup(), record);
  // A derivative surface has no residuals: the graph closes and its commands grey.
  window->SetSurfaceMode(kSurfaceDzDx);
  EXPECT_EQ(window->ResidualWindow(), nullptr);
  EXPECT_FALSE(window->Button(kReviewResiduals)->isEnabled());
  window->SetSurfaceMode(kSurfaceZ);
  window->Command(kCmReviewResidualsWindow);
  ASSERT_NE(window->ResidualWindow(), nullptr);
  // Open when the review closes: open again with the next review of the same kind.
  Close();
  EXPECT_TRUE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), false)[kLayoutResiduals]));
  Open(false);
  EXPECT_NE(window->ResidualWindow(), nullptr);
  window->Command(kReviewResiduals);
  EXPECT_EQ(window->ResidualWindow(), nullptr);
  Close();
  EXPECT_FALSE(LayoutOpen(ReviewLayoutBlock(CurrentSettings(), false)[kLayoutResiduals]));
}

}  // namespace
