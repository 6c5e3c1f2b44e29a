// What the smoothing windows' option fields hold is what their surface is made of: a value
// typed on the way to another ("20" of "200") is never made into a surface after the
// keystrokes that go past it, and a radio button that does not recompute itself (a
// derivative, the points shown) makes a value typed just before into the surface first, so
// that the graph, the statistics and what OK hands out follow the fields.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/graph_option_commands.h"
#include "platform/message_box.h"
#include "smooth/engines/smoothing_settings.h"
#include "smooth/ui/gridded_window.h"
#include "smooth/ui/loess_window.h"
#include "smooth/ui/quick_eval_dialog.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/scattered_window.h"
#include "smooth/ui/smoothing_commands.h"
#include "quasi_random_points.h"

namespace {

long double Surface(long double x, long double y) { return std::sin(x) + 0.5L * std::cos(1.5L * y) + 0.1L * x * y; }

// n scattered points over [0, 3] x [0, 2] (a quasi-random sequence, no two alike).
PointTable Scattered(int n) { return smooth_test::QuasiRandomPoints(n, 3, 2, Surface); }

class SmoothingFieldsTest : public ::testing::Test {
 protected:
  void Load(PointTable table, GraphSlot graph, PointsSlot points, PlacementSlot place) {
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    options = std::make_unique<TGraphOptions>(settings, graph, points, place);
    PrepareSmoothingSetup(*options, session);
  }
  TDFSpline* OpenUniform() {
    Load(Scattered(60), kGraphUniformGrid, kPointsUniformGrid, kPlaceUniformGrid);
    settings.UniformGridSize = {16, 16};
    auto* w = new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize,
                            &settings.RegridMethods[0], &grid);
    w->resize(900, 640);
    w->show();
    return w;
  }
  static QString Output(TBaseNP* w) { return w->Control<QLabel>(TRegridWindow::kOutputCount)->text(); }
  // Types `text` over what the field holds, one keystroke at a time, as a user does.
  static void TypeOver(TRangeSpinEdit* edit, const char* text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  ProgramSettings settings = DefaultSettings(1280, 1024);
  TDataSession session;
  std::unique_ptr<TGraphOptions> options;
  PointTable grid;
};

// "200" typed into n X (4..128) passes "20" on the way: the grid stays 16 x 16 until the
// field is left, which puts it right at 128. (The grid was once made 20 x 16, 320 points,
// while the field showed 200.)
TEST_F(SmoothingFieldsTest, AValuePassedOnTheWayToAnotherMakesNoGrid) {
  TDFSpline* w = OpenUniform();
  ASSERT_EQ(Output(w), "256");
  auto* nx = w->Control<TRangeSpinEdit>(TRegridWindow::kNX);
  auto* ny = w->Control<TRangeSpinEdit>(TRegridWindow::kNY);
  const int before = w->RecomputeCount();
  TypeOver(nx, "200");
  EXPECT_FALSE(w->RecomputePending());
  QTest::qWait(TBaseNP::kRecomputeDelayMs + 200);
  EXPECT_EQ(w->RecomputeCount(), before);
  EXPECT_EQ(Output(w), "256");
  EXPECT_EQ(w->Engine().Nx(), 16);
  // Leaving the field settles it at the largest size, which is then made.
  ny->setFocus();
  EXPECT_EQ(nx->text(), "128");
  ASSERT_TRUE(w->RecomputePending());
  w->FlushRecompute();
  EXPECT_EQ(Output(w), "2048");
  // Typed back within the range, the value is made once the typing pauses.
  TypeOver(nx, "50");
  EXPECT_TRUE(w->RecomputePending());
  QTRY_COMPARE_WITH_TIMEOUT(Output(w), QString("800"), 60000);
  delete w;
}

// A size typed and, before the delay ran out, "Output" clicked: the points shown are the new
// grid's, and OK hands out the grid the fields name. (The click once dropped the rebuild: OK
// handed out 16 x 16 points and stored 20 x 16.)
TEST_F(SmoothingFieldsTest, ADisplayClickMakesTheSizeTypedJustBefore) {
  TDFSpline* w = OpenUniform();
  auto* nx = w->Control<TRangeSpinEdit>(TRegridWindow::kNX);
  TypeOver(nx, "20");
  ASSERT_TRUE(w->RecomputePending());
  w->ClickDisplay(1);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_EQ(Output(w), "320");
  ASSERT_TRUE(static_cast<bool>(options->Setup().Points));
  EXPECT_EQ(PointCount(options->Setup().Points()), 320);
  w->accept();
  ASSERT_EQ(w->result(), QDialog::Accepted);
  delete w;
  EXPECT_EQ(settings.UniformGridSize, (std::array<std::int32_t, 2>{20, 16}));
  ASSERT_FALSE(grid.empty());
  EXPECT_EQ(grid[0].X, 320);
}

// An option typed and a derivative clicked before the delay ran out: the derivative shown is
// that of the surface the fields name, and back at the surface its statistics are too.
TEST_F(SmoothingFieldsTest, ADerivativeClickMakesTheOptionTypedJustBefore) {
  Load(Scattered(60), kGraphScattered, kPointsScattered, kPlaceScattered);
  TNPSettings np = DefaultNPSettings(TNPSettingsKind::kScattered);
  np.method = kNPLoess;
  auto* w = new T3DNParm(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  w->resize(900, 640);
  w->show();
  ASSERT_EQ(w->Engine().Option2(), 13);
  TypeOver(w->Edit(1), "25");
  ASSERT_TRUE(w->RecomputePending());
  w->ClickChoice(kNPChoiceDx);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_EQ(w->Engine().Option2(), 25);
  EXPECT_EQ(w->Choice(), kNPChoiceDx);
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), "");
  w->ClickChoice(kNPChoiceValue);
  char sse[64];
  std::snprintf(sse, sizeof sse, "%.6Lg", w->Engine().ShownSse());
  EXPECT_EQ(w->Control<QLabel>(TBaseNP::kSse)->text(), sse);
  w->accept();
  delete w;
  EXPECT_EQ(np.option2[kNPLoess], 25);
}

// A value typed with keys of its own ("+20", "020") is made into a surface as it reads, and
// the field keeps the keys: the recomputation, once the typing pauses, writes back only what
// the engine changed. (It wrote "20" over "+20" under the user's cursor, so that the next key
// of a slow typist landed in a text that was not the one typed.)
TEST_F(SmoothingFieldsTest, ARecomputationLeavesTheKeysTypedInTheField) {
  TDFSpline* w = OpenUniform();
  auto* nx = w->Control<TRangeSpinEdit>(TRegridWindow::kNX);
  for (const char* keys : {"+20", "020", " 20"}) {
    SCOPED_TRACE(keys);
    TypeOver(nx, keys);
    ASSERT_TRUE(w->RecomputePending());
    w->FlushRecompute();
    EXPECT_EQ(Output(w), "320");
    EXPECT_EQ(nx->text().toStdString(), keys);
    // The next key goes where the user left the cursor.
    QTest::keyClick(nx, Qt::Key_Backspace);
    EXPECT_EQ(nx->text().toStdString(), std::string(keys).substr(0, 2));
  }
  delete w;

  // In the gridded-data window, whose recomputation writes back the orders and knot counts
  // the engine clamped.
  Load(Scattered(200), kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  np.method = kGridLeastSquares;
  auto* g = new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  g->resize(900, 640);
  g->show();
  for (const char* keys : {"+4", "04", " 4"}) {
    SCOPED_TRACE(keys);
    TRangeSpinEdit* order = g->Edit(0);
    TypeOver(order, keys);
    ASSERT_TRUE(g->RecomputePending());
    g->FlushRecompute();
    EXPECT_EQ(g->Engine().DegreeX(), 4);
    EXPECT_EQ(order->text().toStdString(), keys);
    EXPECT_EQ(order->cursorPosition(), 2);
    TypeOver(order, "3");
    g->FlushRecompute();
  }
  delete g;
}

// The option dialogs a window runs, recorded and cancelled, with what `look` sees as each opens.
class RecordedDialogs : public GraphOptionDialogs {
 public:
  RecordedDialogs(std::vector<int>& runs, std::function<void(int)>& look) : runs_(runs), look_(look) {}
  int Run(int dialog, QWidget*, T3DGraphSetup&, const GraphOptionContext&) override {
    runs_.push_back(dialog);
    if (look_) look_(dialog);
    return kDialogCancel;
  }

 private:
  std::vector<int>& runs_;
  std::function<void(int)>& look_;
};

// Every push button of a smoothing window works on the surface its fields make: Eval, Eval
// Spline, Quick Eval, Section, the graph tool bar (options, Copy, Print). A value typed past a
// field's range and left by a real click on one of them is settled first, as OK settles it:
// the field says its range, shows the value clamped and has the focus again, and the button
// does nothing. (Order X 99 then Eval, n X 300 then Eval Spline, Tension 99 then Eval were
// clamped without a word, the surface made of the clamped value, and the evaluation table
// opened over the field.) Clicked again, the button acts on the surface of the value shown.
TEST_F(SmoothingFieldsTest, EveryButtonSettlesTheFieldsBeforeItUsesTheSurface) {
  platform::ScriptedAnswers answers;
  const QuickEvalMaker savedMaker = GetQuickEvalMaker();
  SetQuickEvalMaker(&MakeQuickEval);
  std::vector<int> runs;
  std::function<void(int)> look;
  struct Window {
    const char* name;
    std::function<TBaseNP*()> open;
    std::function<TRangeSpinEdit*(TBaseNP*)> field;
    const char* keys;
    const char* message;
    const char* clamped;
    std::function<int(TBaseNP*)> used;  // the option the surface is made of
  };
  TNPGridSettings gridded = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  gridded.method = kGridBSpline;
  TNPSettings scattered = DefaultNPSettings(TNPSettingsKind::kScattered);
  scattered.method = kNPRenka1;
  TNPSettings loess = DefaultNPSettings(TNPSettingsKind::kLoess);
  const Window windows[] = {
      {"gridded, Order X",
       [&]() -> TBaseNP* {
         Load(Scattered(200), kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
         return new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &gridded,
                              std::make_unique<RecordedDialogs>(runs, look));
       },
       [](TBaseNP* w) { return static_cast<T3DSpline*>(w)->Edit(0); }, "99", "Valid Range is 2 to 5", "5",
       [](TBaseNP* w) { return static_cast<T3DSpline*>(w)->Engine().DegreeX(); }},
      {"uniform grid, n X",
       [&]() -> TBaseNP* {
         Load(Scattered(60), kGraphUniformGrid, kPointsUniformGrid, kPlaceUniformGrid);
         settings.UniformGridSize = {16, 16};
         return new TDFSpline(nullptr, &options->Setup(), session, &settings.UniformGridSize,
                              &settings.RegridMethods[0], &grid, std::make_unique<RecordedDialogs>(runs, look));
       },
       [](TBaseNP* w) { return w->Control<TRangeSpinEdit>(TRegridWindow::kNX); }, "300", "Valid Range is 4 to 128",
       "128", [](TBaseNP* w) { return static_cast<TDFSpline*>(w)->Engine().Nx(); }},
      {"scattered, Renka I's Tension",
       [&]() -> TBaseNP* {
         Load(Scattered(60), kGraphScattered, kPointsScattered, kPlaceScattered);
         return new T3DNParm(nullptr, &options->Setup(), session, session.DataTitles(), &scattered,
                             std::make_unique<RecordedDialogs>(runs, look));
       },
       [](TBaseNP* w) { return static_cast<T3DNParm*>(w)->Edit(1); }, "99", "Valid Range is 0 to 1", "1",
       [](TBaseNP* w) { return static_cast<T3DNParm*>(w)->Engine().Option2(); }},
      {"loess, Count",
       [&]() -> TBaseNP* {
         Load(Scattered(60), kGraphLoess, kPointsLoess, kPlaceLoess);
         return new T3DSmooth(nullptr, &options->Setup(), session, &loess, std::make_unique<RecordedDialogs>(runs, look));
       },
       [](TBaseNP* w) { return static_cast<T3DSmooth*>(w)->Edit(1); }, "500", "Valid Range is 7 to 60", "60",
       [](TBaseNP* w) { return static_cast<T3DSmooth*>(w)->Engine().Option2(); }},
  };
  // Windows the buttons open besides the recorded option dialogs (the copy and print
  // dialogs): named and cancelled.
  std::vector<std::string> opened;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* d = qobject_cast<QDialog*>(ActiveDialog()); d != nullptr && !d->inherits("TBaseNP")) {
      opened.push_back(d->metaObject()->className());
      d->reject();
    }
  });
  closer.start(5);
  int clicked = 0;
  for (const Window& c : windows) {
    SCOPED_TRACE(c.name);
    TBaseNP* w = c.open();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 700);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    std::vector<QPushButton*> buttons;
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
      const QString id = b->objectName();
      if (b->isVisible() && b->isEnabled() && id != "1" && id != "2" && id != QString::number(TBaseNP::kHelp))
        buttons.push_back(b);
    }
    EXPECT_GE(buttons.size(), 10u);
    TRangeSpinEdit* field = c.field(w);
    for (QPushButton* b : buttons) {
      const std::string button = b->text().remove('&').toStdString();
      SCOPED_TRACE(button);
      QApplication::setActiveWindow(w);
      TypeOver(field, c.keys);
      EXPECT_EQ(field->text().toStdString(), c.keys);
      const std::size_t boxes = answers.Boxes().size(), ran = runs.size(), seen = opened.size();
      QTest::mouseClick(b, Qt::LeftButton);
      ++clicked;
      const bool told = answers.Boxes().size() == boxes + 1;
      EXPECT_TRUE(told) << "nothing said";
      if (!told) {
        if (w->QuickEvalOpen()) w->ToggleQuickEval();
        continue;
      }
      EXPECT_EQ(answers.Boxes().back().text, c.message);
      EXPECT_EQ(field->text().toStdString(), c.clamped);
      EXPECT_TRUE(field->hasFocus());
      EXPECT_EQ(runs.size(), ran);
      EXPECT_EQ(opened.size(), seen);
      EXPECT_FALSE(w->QuickEvalOpen());
      EXPECT_TRUE(w->isVisible());
      // Clicked again, it acts, on the surface of the value the field shows.
      int usedThen = -1;
      look = [&](int) { usedThen = c.used(w); };
      QTest::mouseClick(b, Qt::LeftButton);
      look = nullptr;
      EXPECT_EQ(answers.Boxes().size(), boxes + 1);
      EXPECT_TRUE(runs.size() > ran || opened.size() > seen || w->QuickEvalOpen() || w->RecomputeCount() > 0)
          << "the second click did nothing";
      if (runs.size() > ran) {
        EXPECT_EQ(std::to_string(usedThen), c.clamped);
      }
      EXPECT_EQ(std::to_string(c.used(w)), c.clamped);
      if (w->QuickEvalOpen()) w->ToggleQuickEval();
    }
    delete w;
  }
  closer.stop();
  SetQuickEvalMaker(savedMaker);
  EXPECT_GE(clicked, 48);
}

// The same in the gridded-data window: a knot count typed just before a derivative click.
TEST_F(SmoothingFieldsTest, TheGriddedWindowMakesTheKnotCountTypedBeforeADerivative) {
  Load(Scattered(200), kGraphGridSpline, kPointsGridSpline, kPlaceGridSpline);
  TNPGridSettings np = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  np.method = kGridLeastSquares;
  np.knotsX[kGridLeastSquares] = np.knotsY[kGridLeastSquares] = 8;
  auto* w = new T3DSpline(nullptr, &options->Setup(), session, session.DataTitles(), &np);
  w->resize(900, 640);
  w->show();
  ASSERT_EQ(w->Engine().LsqCoefX(), 8);
  TRangeSpinEdit* knotsX = w->Edit(2);
  // "12" passes "1", below the range: that keystroke starts nothing, the next one does.
  TypeOver(knotsX, "12");
  ASSERT_TRUE(w->RecomputePending());
  w->ClickChoice(kNPChoiceDy);
  EXPECT_FALSE(w->RecomputePending());
  EXPECT_EQ(w->Engine().LsqCoefX(), 12);
  delete w;
}

}  // namespace
