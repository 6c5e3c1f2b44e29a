// The review's equation list shows its formulas: opened with fresh settings it is as wide as
// its rows (rank, figure, cost, equation number and formula) where the screen has the room,
// and from a saved place too narrow for them the formula keeps its room, not the fixed
// columns. At 1024 x 768 the list opened 410 pixels wide and showed "Cosi" and "z=a" for
// every equation.
#include <QApplication>
#include <QImage>

#include <cctype>
#include <cstdio>
#include <string>

#include "app/coded_text.h"
#include "app/settings_file.h"
#include "app/text_line_buffer.h"
#include "app/ui/command_ids.h"
#include "fit/fit_test_data.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"
#include "platform/recording_device_context.h"
#include "review/equation_list_rows.h"
#include "app/ui/main_window.h"
#include "review/review_fit_fixture.h"
#include "review/review_layout.h"
#include "review/ui/equation_list.h"
#include "review/ui/review_window.h"
#include "stacking_walk.h"

namespace stacking {
namespace {

using platform::DcOp;
using platform::DcOpKind;

// What a row of the list shows in its window: where its formula starts and where the row's
// drawing ends (pixels from the row's left edge, as the list box draws it), and whether its
// rank and figure are drawn before the formula.
struct RowInSight {
  std::string formula;
  int formulaLeft = -1;
  int right = 0;
  bool rankShown = false, figureShown = false;
};

RowInSight LookAt(const TEqnList& list, const std::string& row) {
  RowInSight sight;
  const TIListBox& box = *list.ListBox();
  // The formula is the row's last column: what follows the column table's fixed widths.
  const auto segments = LineSegments(row, box.Columns().data());
  sight.formula = StripTextCodes(row.substr(static_cast<std::size_t>(segments.back().first)));
  // The row as the list draws it, recorded: the formula's first run of text is the first text
  // that begins it (the columns before it hold figures and blanks only); the rank and the
  // figure are the first two numbers.
  platform::RecordingDeviceContext dc(4000, 100);
  box.DrawRow(dc, box.Fonts(), row, 0, 0, box.CharWidth(), false, platform::Color::Black());
  int numbers = 0;
  for (const DcOp& op : dc.OpsOf(DcOpKind::TextOut)) {
    std::string text = StripTextCodes(op.text);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.empty() || sight.formulaLeft >= 0) continue;
    if (!std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != '-' && sight.formula.rfind(text, 0) == 0) {
      sight.formulaLeft = op.points[0].x;
      continue;
    }
    ++numbers;
    if (numbers == 1) sight.rankShown = text == std::to_string(RankOfRow(row));
    if (numbers == 2) sight.figureShown = true;
  }
  // And drawn in the list's fonts: where its ink ends.
  QImage image(4000, 2 * box.CharHeight() + 8, QImage::Format_RGB32);
  image.setDotsPerMeterX(box.logicalDpiX() * 10000 / 254);
  image.setDotsPerMeterY(box.logicalDpiY() * 10000 / 254);
  image.fill(Qt::white);
  {
    platform::qt::QtDeviceContext qdc(image);
    qdc.SelectFont(*box.Fonts()[0]);
    qdc.SetBkMode(platform::BkMode::Transparent);
    box.DrawRow(qdc, box.Fonts(), row, 0, 2, box.CharWidth(), false, platform::Color::Black());
  }
  for (int x = image.width() - 1; x >= 0 && sight.right == 0; --x)
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) {
        sight.right = x + 1;
        break;
      }
  return sight;
}

// The review of fits with long formulas (every polynomial and rational family over the walk's
// 30 points), opened graph first: `look` at its list once the list is on the screen.
void WithReviewList(every_window::TProgramUnderWalk& program, const std::function<void(TEqnList&)>& look) {
  const bool opened = WithWindow(
      [&] { program.Window().ExecuteCommand(CmReviewGraph); },
      [](QWidget* w) { return qobject_cast<TRView*>(w) != nullptr; },
      [&](QWidget* review) {
        TEqnList* list = review->findChild<TEqnList*>();
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return list->isVisible() && list->ListBox()->viewport()->width() > 0; }));
        QApplication::processEvents();
        look(*list);
      });
  EXPECT_TRUE(opened) << "the review did not open";
}

void FitLongFormulas(every_window::TProgramUnderWalk& program) {
  using namespace fit_test;
  // A curved surface on a 6 x 5 grid, with small errors.
  int k = 0;
  const PointTable table = GridTable(Axis(1, 1, 6), Axis(1, 1, 5), [&](long double x, long double y) {
    return 1 + 2 * x + 3 * y + 0.5L * x * y - 0.2L * x * x + 0.01L * ((k++ * 7) % 5 - 2);
  });
  review_test::FitInto(program.Session(), table, LinearSelection(kPolyMaskAll, kRatMaskAll, 0));
  ASSERT_GT(program.Session().FitList.Count(), 50);
}

void CheckTheListShowsItsFormulas(const char* home) {
  every_window::TProgramUnderWalk program(home);
  FitLongFormulas(program);
  if (::testing::Test::HasFatalFailure()) return;
  int rows = 0, narrowRows = 0;
  // Fresh settings: every row whole in the list's window, where the screen holds the widest.
  WithReviewList(program, [&](TEqnList& list) {
    const int room = list.ListBox()->viewport()->width();
    const QRect screen = WindowRoom(&list);
    for (const std::string& row : list.Rows()) {
      const RowInSight sight = LookAt(list, row);
      ++rows;
      ASSERT_GE(sight.formulaLeft, 0) << row;
      EXPECT_TRUE(sight.rankShown && sight.figureShown) << row;
      if (sight.right + 4 * list.ListBox()->CharWidth() > screen.width()) continue;
      EXPECT_LE(sight.right + list.ListBox()->CharWidth() / 3, room)
          << "\"" << sight.formula << "\" from " << sight.formulaLeft << " to " << sight.right << " in a list " << room
          << " pixels wide";
    }
    std::fprintf(stderr, "fresh: list %d x %d, %d rows\n", list.width(), list.height(), list.GetCount());
  });
  // A place saved where the list was 410 pixels wide: the formula keeps half the list's width
  // at least (or its own), the rank and the figure stay.
  WindowPlacement& saved = ReviewLayoutBlock(CurrentSettings(), false)[kLayoutList];
  saved = WindowPlacement{60, 60, 409, 153, 0};
  WithReviewList(program, [&](TEqnList& list) {
    const int room = list.ListBox()->viewport()->width();
    EXPECT_LT(list.width(), 420);
    for (const std::string& row : list.Rows()) {
      const RowInSight sight = LookAt(list, row);
      ++narrowRows;
      ASSERT_GE(sight.formulaLeft, 0) << row;
      EXPECT_TRUE(sight.rankShown && sight.figureShown) << row;
      EXPECT_GE(room - sight.formulaLeft, std::min(sight.right - sight.formulaLeft, room / 2))
          << "\"" << sight.formula << "\" from " << sight.formulaLeft << " to " << sight.right << " in a list " << room
          << " pixels wide";
    }
  });
  EXPECT_GT(rows, 50);
  EXPECT_EQ(narrowRows, rows);
}

TEST_F(StackingAt1024x768, TheEquationListShowsItsFormulas) { CheckTheListShowsItsFormulas("ondravik_list_room_small"); }
TEST_F(WindowStacking, TheEquationListShowsItsFormulas) { CheckTheListShowsItsFormulas("ondravik_list_room"); }
TEST_F(StackingAt1600x1200, TheEquationListShowsItsFormulas) { CheckTheListShowsItsFormulas("ondravik_list_room_large"); }

}  // namespace
}  // namespace stacking
