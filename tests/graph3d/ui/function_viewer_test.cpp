// The function viewer and the accept-or-undo window: command 2152's loop (Undo brings the
// dialog back with the same entry, Cancel there ends the command and the status window comes
// back), the derivative modes drawn node by node under their titles, Quick Eval opened and
// closed from the viewer, the evaluation table's request (a log axis as values), and the
// answers of the accept-or-undo window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/data_statistics.h"
#include "expr/expression.h"
#include "graph3d/color_schemes.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/ui/accept_or_undo.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/function_viewer.h"
#include "graph3d/ui/view_function_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/message_box.h"

namespace {

// Runs `act` on the modal window of type D as soon as it is open (checked every 10 ms).
template <typename D>
void WhenOpen(std::function<void(D*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* d = qobject_cast<D*>(ActiveDialog());
    if (d == nullptr || !d->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(d);
  });
  timer->start();
}

class FunctionViewer : public ::testing::Test {
 protected:
  void SetUp() override { ExprStartUp(); }
  ProgramSettings settings_;
  TViewFnRecord record_ = ClearedViewFnRecord();
  platform::ScriptedAnswers answers_;
};

TEST_F(FunctionViewer, UndoBringsTheDialogBackAndCancelEndsTheCommand) {
  int closed = 0, shown = 0;
  const TFunctionViewerHost host{[&] { ++closed; }, [&] { EXPECT_EQ(closed, 1); ++shown; }, nullptr};
  std::vector<std::string> seen;
  std::array<std::string, 5> titles;
  WhenOpen<TDlgVFXY>([&](TDlgVFXY* d) {
    d->TextEdit()->SetRecordText("F1=SIN(X)\nZ=F1*COS(Y)");
    const char* ranges[] = {"-3", "3", "-3", "3"};
    for (int i = 0; i < 4; ++i) d->RangeEdit(i)->setText(ranges[i]);
    WhenOpen<TVFXY2>([&](TVFXY2* v) {
      titles = v->Renderer().ActiveTitles()->Lines;
      EXPECT_TRUE(v->ModeButton(ViewMode::Value)->isChecked());
      if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) v->grab().save(QString(dir) + "/function_viewer.png");
      WhenOpen<TDlgVFXY>([&](TDlgVFXY* again) {
        seen.push_back(again->TextEdit()->RecordText());
        for (int i = 0; i < 4; ++i) seen.push_back(again->RangeEdit(i)->text().toStdString());
        again->reject();
      });
      v->Button(TVFXY::kUndo)->click();
    });
    d->accept();
  });
  CmViewFunction(nullptr, settings_, record_, host);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"F1=SIN(X)\r\nZ=F1*COS(Y)\r\n", "-3", "3", "-3", "3"}));
  EXPECT_EQ(titles, (std::array<std::string, 5>{"F1=SIN(X)", "Z=F1*COS(Y)", "", "", ""}));
  EXPECT_EQ(record_.text, "F1=SIN(X)\r\nZ=F1*COS(Y)\r\n");
  EXPECT_TRUE(answers_.Boxes().empty());
}

// The viewer over a known function, with the setup as command 2152 fills it.
struct Viewer : GraphFixture {
  ViewMode mode = ViewMode::Value;
  std::string text = "Z=X*X*Y+SIN(Y)\r\n";
  TVFXY2* window = nullptr;
  Viewer() {
    EXPECT_EQ(ExprCompileViewFn(text, 0, 0), 1);
    SetSurface([this](long double x, long double y) { return EvalViewMode(mode, x, y); }, -2, 2, -1, 3);
    SetGraphTitlesFromText(titles, text, mode);
    window = new TVFXY2(nullptr, &setup, text, mode);
    window->resize(760, 560);
  }
  ~Viewer() { delete window; }
};

TEST_F(FunctionViewer, DerivativeModesDrawTheirEntryPointAtEveryNode) {
  Viewer v;
  ShowDialog(v.window, "function_viewer_modes");
  T3DBase& r = v.window->Renderer();
  v.window->ModeButton(ViewMode::DzDx)->click();
  EXPECT_EQ(v.mode, ViewMode::DzDx);
  EXPECT_EQ(v.titles.AxisTitles[2], "~@\xB6~@Z/~@\xB6~@X");
  EXPECT_EQ(v.titles.Lines[0], "Z=X*X*Y+SIN(Y)");
  ASSERT_GT(r.GridNx(), 1);
  // Node (i, j) lies at x = xlow + i * (xhigh - xlow) / (nx - 1), and likewise in y.
  const long double x0 = r.AxisLow(0), x1 = r.AxisHigh(0), y0 = r.AxisLow(1), y1 = r.AxisHigh(1);
  int checked = 0;
  for (int i = 0; i < r.GridNx(); ++i)
    for (int j = 0; j < r.GridNy(); ++j) {
      const long double x = x0 + (x1 - x0) * i / (r.GridNx() - 1);
      const long double y = y0 + (y1 - y0) * j / (r.GridNy() - 1);
      EXPECT_NEAR(static_cast<double>(r.GridValue(i, j)), static_cast<double>(ExprDerivX(x, y)), 1e-12) << i << " " << j;
      EXPECT_NEAR(static_cast<double>(r.GridValue(i, j)), static_cast<double>(2 * x * y), 1e-6) << i << " " << j;
      ++checked;
    }
  EXPECT_EQ(checked, r.GridNx() * r.GridNy());
  if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) v.window->grab().save(QString(dir) + "/function_viewer_dx.png");

  // The mode shown already: nothing is computed again (a value written into the setup's
  // records would be read back by a new grid).
  const long double corner = r.GridValue(0, 0);
  v.titles.AxisTitles[2] = "kept";
  v.window->SetViewMode(ViewMode::DzDx);
  EXPECT_EQ(v.titles.AxisTitles[2], "kept");
  EXPECT_EQ(r.GridValue(0, 0), corner);

  v.window->ModeButton(ViewMode::D2zDx2)->click();
  EXPECT_EQ(v.titles.AxisTitles[2], "~@\xB6~@\xB2Z/~@\xB6~@X\xB2");
  EXPECT_NEAR(static_cast<double>(r.GridValue(0, 0)), static_cast<double>(2 * y0), 1e-4);
  v.window->ModeButton(ViewMode::Value)->click();
  EXPECT_EQ(v.titles.AxisTitles[2], "Z");
}

TEST_F(FunctionViewer, QuickEvalOpensAndClosesFromItsButton) {
  {
    Viewer v;
    ShowDialog(v.window, "function_viewer_plain");
    // Neither Quick Eval nor the evaluation table has been brought by its subsystem.
    EXPECT_FALSE(v.window->findChild<QPushButton*>("382")->isEnabled());
    EXPECT_FALSE(v.window->Button(kCmEvaluate)->isEnabled());
  }
  int evaluations = 0;
  TQuickEvalSource given;
  SetQuickEvalMaker([&](QWidget* owner, TQuickEvalSource source) {
    given = source;
    auto* d = new QDialog(owner);
    d->show();
    return TQuickEvalWindow{d, [&evaluations] { ++evaluations; }};
  });
  Viewer v;
  ShowDialog(v.window, "function_viewer_quick");
  auto* button = v.window->findChild<QPushButton*>("382");
  ASSERT_TRUE(button->isEnabled());
  button->click();
  ASSERT_TRUE(v.window->QuickEvalOpen());
  EXPECT_EQ(given.value(2, 3), EvalViewMode(ViewMode::Value, 2, 3));
  // The search starts at the grid's extreme nodes, inside the grid lines beside them.
  const TSurfaceSearchStart low = given.minimumStart(), high = given.maximumStart();
  EXPECT_LE(low.xLow, low.x);
  EXPECT_LE(low.x, low.xHigh);
  EXPECT_LE(high.yLow, high.y);
  EXPECT_LE(high.y, high.yHigh);
  EXPECT_LT(EvalViewMode(ViewMode::Value, low.x, low.y), EvalViewMode(ViewMode::Value, high.x, high.y));
  v.window->ModeButton(ViewMode::DzDy)->click();
  EXPECT_EQ(evaluations, 1);
  EXPECT_EQ(given.value(2, 3), ExprDerivY(2, 3));
  // Minimised by the user, it is still open, out of sight: the button shows it again.
  QPointer<QDialog> shown = v.window->findChildren<QDialog*>().front();
  shown->showMinimized();
  button->click();
  ASSERT_TRUE(v.window->QuickEvalOpen());
  ASSERT_FALSE(shown.isNull());
  EXPECT_FALSE(shown->isMinimized());
  EXPECT_TRUE(shown->isVisible());
  button->click();
  EXPECT_FALSE(v.window->QuickEvalOpen());
  // Closed by the user, it is forgotten; the button opens a new one.
  button->click();
  ASSERT_TRUE(v.window->QuickEvalOpen());
  v.window->findChildren<QDialog*>().front()->reject();
  QApplication::processEvents();
  EXPECT_FALSE(v.window->QuickEvalOpen());
  SetQuickEvalMaker(nullptr);
}

TEST_F(FunctionViewer, TheEvaluationTableGetsTheSurfaceAndTheAxisRangesAsValues) {
  TEvaluationTableRequest seen;
  int opened = 0;
  SetEvaluationTableDialog([&](QWidget*, const TEvaluationTableRequest& request) {
    seen = request;
    ++opened;
  });
  // A log X axis over 1 .. 100: the graph holds its range in decades.
  GraphFixture g;
  ViewMode mode = ViewMode::Value;
  const std::string text = "Z=X*Y+1\r\n";
  ASSERT_EQ(ExprCompileViewFn(text, 0, 0), 1);
  g.SetSurface([&mode](long double x, long double y) { return EvalViewMode(mode, x, y); }, 1, 100, 1, 3);
  g.setup.Scaling.Log[0] = 1;
  g.setup.Scaling.AxisLow[0] = 0;
  g.setup.Scaling.AxisHigh[0] = 2;
  auto window = std::make_unique<TVFXY2>(nullptr, &g.setup, text, mode);
  window->resize(760, 560);
  ShowDialog(window.get(), "function_viewer_eval");
  ASSERT_TRUE(window->Button(kCmEvaluate)->isEnabled());
  window->Button(kCmEvaluate)->click();
  SetEvaluationTableDialog(nullptr);
  ASSERT_EQ(opened, 1);
  EXPECT_EQ(seen.caption, "View Function Evaluation");
  EXPECT_EQ(seen.surface(2, 3), 7);
  const T3DBase& r = window->Renderer();
  ASSERT_NE(r.Scaling().Log[0], 0);
  EXPECT_EQ(r.AxisHigh(0), 2);  // decades
  EXPECT_EQ(seen.low[0], std::pow(10.0L, r.AxisLow(0)));
  EXPECT_EQ(seen.high[0], std::pow(10.0L, r.AxisHigh(0)));
  EXPECT_EQ(seen.low[0], 1);
  EXPECT_EQ(seen.high[0], 100);
  for (int a = 1; a < 3; ++a) {
    EXPECT_EQ(seen.low[static_cast<std::size_t>(a)], r.AxisLow(a));
    EXPECT_EQ(seen.high[static_cast<std::size_t>(a)], r.AxisHigh(a));
  }
}

TEST_F(FunctionViewer, AcceptOrUndoAnswersHowItWasClosed) {
  TDataSession session;
  ASSERT_TRUE(session.Table.ReplaceDataTable(MakeTable({{5, 1, 1}, {5, 2, 4}, {5, 3, 9}, {5, 4, 16}})));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  struct Case {
    AcceptOrUndoMode mode;
    int button;  // 0: the window is left with Escape
    AcceptOrUndo answer;
    const char* caption;
  } const cases[] = {
      {AcceptOrUndoMode::Calculation, TVFXY::kOk, AcceptOrUndo::Accept, "Accept or Undo Calculation"},
      {AcceptOrUndoMode::Calculation, TVFXY::kUndo, AcceptOrUndo::Undo, "Accept or Undo Calculation"},
      {AcceptOrUndoMode::Smoothing, TVFXY::kOk, AcceptOrUndo::Accept, "Accept or Undo Smoothing"},
      {AcceptOrUndoMode::Smoothing, 0, AcceptOrUndo::Undo, "Accept or Undo Smoothing"},
  };
  for (const Case& c : cases) {
    QString caption;
    int buttons = 0;
    WhenOpen<TUndo>([&](TUndo* w) {
      caption = w->windowTitle();
      buttons = static_cast<int>(w->findChildren<QPushButton*>().size());
      if (const char* dir = std::getenv("ONDRAVIK_SHOTS")) w->grab().save(QString(dir) + "/accept_or_undo.png");
      if (c.button != 0) w->Button(c.button)->click();
      else QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(ShowAcceptOrUndo(nullptr, c.mode, session, settings_), c.answer) << c.caption;
    EXPECT_EQ(caption.toStdString(), c.caption);
    EXPECT_EQ(buttons, 7);
  }
}

// The graph pane paints every pixel: the column and row past the graph's rectangle (inset
// by a pixel) are the graph's background, at every size the window takes, never what the
// pane's image held before (a strip of stale pixels stood at the right edge).
TEST_F(FunctionViewer, AcceptOrUndoGraphLeavesNoStalePixelsAtItsEdges) {
  TDataSession session;
  ASSERT_TRUE(session.Table.ReplaceDataTable(MakeTable({{1, 1, 1}, {2, 1, 4}, {1, 3, 9}, {3, 4, 16}, {2, 2, 5}})));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  std::vector<std::string> faults;
  WhenOpen<TUndo>([&](TUndo* w) {
    for (const QSize size : {QSize(720, 560), QSize(733, 541), QSize(701, 587)}) {
      w->resize(size);
      QApplication::processEvents();
      const QImage shot = w->Pane()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const platform::Color c = Basic16Colors[static_cast<std::size_t>(w->Renderer().ColorIndex(kRoleBackground))];
      const QRgb background = qRgb(c.Red(), c.Green(), c.Blue());
      const int right = shot.width() - 1, bottom = shot.height() - 1;
      for (int y = 0; y <= bottom; ++y)
        if (shot.pixel(right, y) != background) faults.push_back("column at y " + std::to_string(y));
      for (int x = 0; x <= right; ++x)
        if (shot.pixel(x, bottom) != background) faults.push_back("row at x " + std::to_string(x));
    }
    w->Button(TVFXY::kOk)->click();
  });
  EXPECT_EQ(ShowAcceptOrUndo(nullptr, AcceptOrUndoMode::Calculation, session, settings_), AcceptOrUndo::Accept);
  EXPECT_TRUE(faults.empty()) << faults.size() << " pixels, first " << faults.front();
}

}  // namespace
