// What a window other than the main window asks for stands in front of that window under a
// real window manager: the review's Evaluate window, its Generate Table read from a file of
// two columns, asks for the columns. The column dialog (owned by the main window) opened under
// Evaluate, could not be brought in front by a click, and the review's Numeric Summary sank
// under the review meanwhile.
#include <QAbstractButton>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ui/command_ids.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/owned_window.h"
#include "exchange/ui/column_dialogs.h"
#include "review/ui/review_window.h"
#include "stacking_walk.h"
#include "tools/ui/generation_dialogs.h"

namespace stacking {
namespace {

bool IsA(const QWidget* w, const char* className) { return std::string(w->metaObject()->className()) == className; }

// The windows the review keeps, in the order they stand (the one the user used last in front).
std::vector<QPointer<QWidget>> KeptInOrder(const QWidget* review) {
  std::vector<QPointer<QWidget>> kept;
  for (QWidget* w : KeptWindowsInOrder(review))
    if (w->isVisible()) kept.emplace_back(w);
  return kept;
}

TEST_F(WindowStacking, TheColumnDialogEvaluateAsksForStandsInFrontOfEvaluate) {
  every_window::TProgramUnderWalk program("ondravik_stacking_asking");
  const std::string columns = program.Home().Write("two-columns.prn", "1 2\n3 4\n5 6\n7 8\n");
  int columnDialogs = 0;
  const bool reviewed = WithWindow(
      [&] { program.Window().ExecuteCommand(CmReviewGraph); }, [](QWidget* w) { return IsA(w, "TRView"); },
      [&](QWidget* review) {
        QAbstractButton* numeric = ButtonOf(review, kReviewNumeric);
        ASSERT_NE(numeric, nullptr);
        Click(numeric, numeric->rect().center());
        ASSERT_TRUE(WaitUntil([&] { return static_cast<TRView*>(review)->NumericPane() != nullptr; }))
            << "the Numeric Summary did not open";
        QWidget* pane = static_cast<TRView*>(review)->NumericPane();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane, 30000));
        const bool evaluated = WithWindow(
            [&] {
              QAbstractButton* eval = ButtonOf(review, kReviewEvaluate);
              ASSERT_NE(eval, nullptr);
              Click(eval, eval->rect().center());
            },
            [](QWidget* w) { return IsA(w, "TDlgEval"); },
            [&](QWidget* evaluate) {
              std::vector<QPointer<QWidget>> kept = KeptInOrder(review);
              ExpectInOrder(review, kept, evaluate, "Evaluate opened by the review's Eval");
              // The road to the columns: a file to read, and its two columns chosen from it.
              ModalAnswer<TGenASCII> generate([](TGenASCII* g) {
                g->Button(572)->click();  // Read From File
                g->Button(573)->click();  // To Evaluation Table
                g->accept();
              });
              program.Files().Answer(columns);
              const bool asked = WithWindow(
                  [&] {
                    auto* table = evaluate->findChild<QPushButton*>("button569");  // Generate Table
                    ASSERT_NE(table, nullptr);
                    Click(table, table->rect().center());
                  },
                  [](QWidget* w) { return IsA(w, "TDlgSelXY"); },
                  [&](QWidget* select) {
                    ++columnDialogs;
                    std::vector<QPointer<QWidget>> chain = kept;
                    chain.emplace_back(evaluate);
                    ExpectInOrder(review, chain, select, "the column dialog asked for by Evaluate");
                    Click(select, QPoint(2, 2));
                    ExpectInOrder(review, chain, select, "after a click in the column dialog");
                    // Evaluate waits for its columns: a click there leaves the dialog in front.
                    ClickInert(evaluate);
                    ExpectInOrder(review, chain, select, "after a click on Evaluate with the column dialog up");
                    ClickInert(review);
                    ExpectInOrder(review, chain, select, "after a click on the review with the column dialog up");
                  });
              EXPECT_TRUE(asked) << "the column dialog did not come";
              EXPECT_EQ(generate.Seen(), 1);
              ExpectInOrder(review, kept, evaluate, "the column dialog closed");
            });
        EXPECT_TRUE(evaluated) << "Evaluate did not open";
        ExpectInOrder(review, KeptInOrder(review), nullptr, "Evaluate closed");
      });
  EXPECT_TRUE(reviewed) << "the review did not open";
  EXPECT_EQ(columnDialogs, 1);
  std::fprintf(stderr, "column dialogs over Evaluate: %d\n", columnDialogs);
}

}  // namespace
}  // namespace stacking
