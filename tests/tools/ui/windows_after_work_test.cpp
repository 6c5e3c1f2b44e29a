// A box or window that comes up at the end of work the user waited on takes no click that
// began before it appeared: a click on its way to the window that stood there before (queued
// while the program was putting the new one up) landed on the new window's default button.
// The message boxes (the one road every box of the program takes: a fit's, an export's, an
// import's end), the titles dialog after an import, a text window opened on a file just
// written, a smoothing window that comes up once its surface is made, the accept-or-undo
// graph after a calculation and the evaluation table its opener prepared. A click made once
// the box stands in sight answers it as ever.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <functional>
#include <string>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/point_table.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "exchange/import_registration.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/accept_or_undo.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_services.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/smoothing_commands.h"
#include "support/scratch_files.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/evaluation_dialog.h"
#include "tools/ui/titles_dialog.h"

namespace {

QPushButton* ButtonText(QWidget* window, const QString& text) {
  for (QPushButton* b : window->findChildren<QPushButton*>())
    if (b->text().remove('&') == text && b->isVisibleTo(window)) return b;
  return nullptr;
}

// A click the window system queued at `at` (the window's coordinates) while the program put
// the window up: handled with the events at hand, before the program caught up with it.
void QueueClick(QWidget* window, QPoint at) {
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    auto* event = new QMouseEvent(type, QPointF(at), QPointF(window->mapToGlobal(at)), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::postEvent(window->windowHandle(), event);
  }
}

// As a window of the class shows, queues a click on the widget `target` finds in it (its
// centre): a click meant for the window before it, on its way.
class ClickOnItsWay : public QObject {
 public:
  ClickOnItsWay(const char* className, std::function<QWidget*(QWidget* window)> target)
      : className_(className), target_(std::move(target)) {
    qApp->installEventFilter(this);
  }
  ~ClickOnItsWay() override { qApp->removeEventFilter(this); }
  int Queued() const { return queued_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Show || window == nullptr || !window->isWindow() || !window->inherits(className_))
      return false;
    if (QWidget* target = target_(window)) {
      QueueClick(window, target->mapTo(window, target->rect().center()));
      ++queued_;
    }
    return false;
  }

 private:
  const char* className_;
  std::function<QWidget*(QWidget* window)> target_;
  int queued_ = 0;
};

QWidget* OkOf(QWidget* window) { return ButtonText(window, "OK"); }

// The guard a window carries, if any.
const TEarlyClickGuard* GuardOf(QWidget* window) {
  for (QObject* child : window->children())
    if (auto* guard = dynamic_cast<const TEarlyClickGuard*>(child)) return guard;
  return nullptr;
}

PointTable Plane(int n) {
  PointTable table = NewPointTable(n * n);
  for (int i = 0; i < n * n; ++i)
    table[static_cast<std::size_t>(i) + 1] =
        TXYZPoint{1.0L * (i % n), 1.0L * (i / n) + 0.01L * (i % 3), 1.0L * i + 0.5L * (i % n), 1, kPointActive};
  return table;
}

TEST(WindowsAtTheEndOfWork, TakeNoClickThatBeganBeforeTheyAppeared) {
  const ProgramSettings saved = CurrentSettings();
  CurrentSettings() = DefaultSettings(1280, 1024);
  // The guard's clock is the test's: the click a user makes once the window stands in sight
  // comes a second after the one passed over, no second click of a double-click.
  std::int64_t now = 1'000'000;
  TEarlyClickGuard::SetClock([&now] { return now; });
  ScratchDir dir;
  {
    SCOPED_TRACE("a message box");
    platform::qt::InstallQtServices();
    ClickOnItsWay early("QMessageBox", [](QWidget* w) { return qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok); });
    bool deliberate = false;
    ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      deliberate = true;
      now += 1000;
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    EXPECT_EQ(ErrorBox(nullptr, "Fit", "Processing Aborted."), platform::kIdOk);
    EXPECT_EQ(early.Queued(), 1);
    EXPECT_TRUE(deliberate) << "a click on its way as the box came up answered it";
    platform::qt::UninstallQtServices();
  }
  platform::ScriptedAnswers answers;
  {
    SCOPED_TRACE("the titles dialog after an import");
    TDataSession session;
    ASSERT_TRUE(session.Table.AllocPointArray());
    RegisterImportReaders();
    RegisterDataToolCommands(session);
    RunStartupSteps();
    session.DataFileName = dir.Write("plane.txt", "\"Plane\"\nx\ny\nz\n1 1 1\n2 1 2\n1 2 3\n2 2 5\n3 3 7\n");
    ClickOnItsWay early("TTitlesDlg", OkOf);
    bool stood = false;
    ModalAnswer<TTitlesDlg> titles([&](TTitlesDlg* d) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      stood = d->isVisible();
      d->accept();
    });
    EXPECT_EQ(ImportDataFile(session, 0), 5);
    EXPECT_EQ(early.Queued(), 1);
    EXPECT_TRUE(stood) << "a click on its way as the titles came up took OK";
    for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
    ForgetShellSteps();
    DataFileHooks() = {};
  }
  {
    SCOPED_TRACE("a text window on a file just written");
    const std::string file = dir.Write("generated.dat", "1 2 3\r\n4 5 6\r\n");
    ClickOnItsWay early("TScrWin", [](QWidget* w) { return w; });
    TScrWin* window = OpenTextFileWindow(nullptr, file, "generated.dat", 20, kMenuTextFull, kFontSlotFileViewer, file,
                                         "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(early.Queued(), 1);
    const TEarlyClickGuard* guard = GuardOf(window);
    ASSERT_NE(guard, nullptr) << "the window is not guarded";
    EXPECT_EQ(guard->PassedOver(), 1);
    delete window;
  }
  TDataSession session;
  ASSERT_TRUE(session.Table.ReplaceDataTable(Plane(8)));
  ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
  {
    SCOPED_TRACE("a smoothing window that comes up once its grid is made");
    ClickOnItsWay early("TDFSpline", OkOf);
    bool stood = false;
    ModalAnswer<TDFSpline> grid([&](TDFSpline* w) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      stood = w->isVisible();
      w->reject();
    });
    RunUniformGridWindow(nullptr, session, CurrentSettings());
    EXPECT_EQ(early.Queued(), 1);
    EXPECT_TRUE(stood) << "a click on its way as the window came up took OK";
    EXPECT_EQ(session.Table.XYZRows(), 64) << "the data were replaced by the grid";
  }
  {
    SCOPED_TRACE("the accept-or-undo graph after a calculation");
    ClickOnItsWay early("TUndo", OkOf);
    ModalAnswer<TUndo> undo([&](TUndo* w) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      w->reject();
    });
    EXPECT_EQ(ShowAcceptOrUndo(nullptr, AcceptOrUndoMode::Calculation, session, CurrentSettings()), AcceptOrUndo::Undo)
        << "a click on its way as the graph came up accepted the calculation";
    EXPECT_EQ(early.Queued(), 1);
  }
  {
    SCOPED_TRACE("the evaluation table its opener prepared");
    TEvalSurface surface;
    surface.z = [](long double x, long double y) { return x + y; };
    surface.xMin = 0, surface.xMax = 1, surface.yMin = 0, surface.yMax = 1, surface.zMin = 0, surface.zMax = 2;
    ClickOnItsWay early("TDlgEval", OkOf);
    bool stood = false;
    ModalAnswer<TDlgEval> table([&](TDlgEval* d) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      stood = d->isVisible();
      d->accept();
    });
    RunEvaluationTable(nullptr, "Plane", surface, session);
    EXPECT_EQ(early.Queued(), 1);
    EXPECT_TRUE(stood) << "a click on its way as the table came up took OK";
  }
  TEarlyClickGuard::SetClock({});
  CurrentSettings() = saved;
}

}  // namespace
