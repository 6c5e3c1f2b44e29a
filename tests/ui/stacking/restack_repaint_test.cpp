// Every window the review keeps is drawn whole on the screen once the window manager has
// stacked it: at 1600 x 1200, Data and then Precision left the Data Summary's left third
// showing the Numeric Summary's text until it was clicked, though the windows stood in the
// right order. What the screen shows of each kept window (its part no other window covers) is
// compared with the window's own drawing, after each window opens, after clicks on the window
// at the back and on the review, and after the window manager raises the review.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include <xcb/xcb.h>

#include "app/ui/command_ids.h"
#include "app/ui/main_window.h"
#include "review/ui/review_window.h"
#include "stacking_walk.h"
#include "x_display.h"

namespace stacking {
namespace {

unsigned long XId(const QWidget* w) {
  return w->windowHandle() != nullptr ? static_cast<unsigned long>(w->windowHandle()->winId()) : 0;
}

// The pixels of `w`'s client area that the screen shows otherwise than the window draws
// itself, where no window of the program stands over it; and the pixels compared.
struct TDrawnWhole {
  long compared = 0, differing = 0;
  QRect firstDiffering;
};

TDrawnWhole CompareWithScreen(const QWidget* w, const QImage& screen, const std::vector<unsigned long>& order) {
  TDrawnWhole result;
  const QRect client(w->mapToGlobal(QPoint(0, 0)), w->size());
  QRegion visible(client);
  const auto at = std::find(order.begin(), order.end(), XId(w));
  if (at == order.end()) return result;
  for (auto above = at + 1; above != order.end(); ++above)
    for (QWidget* other : QApplication::topLevelWidgets())
      if (other->isVisible() && XId(other) == *above) visible -= FrameOnScreen(other);
  visible &= screen.rect();
  const QImage own = const_cast<QWidget*>(w)->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (const QRect& r : visible) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QPoint local(x - client.left(), y - client.top());
        if (!own.rect().contains(local)) continue;
        ++result.compared;
        if ((screen.pixel(x, y) & 0xFFFFFF) != (own.pixel(local) & 0xFFFFFF)) {
          if (result.differing++ == 0) result.firstDiffering = QRect(x, y, 1, 1);
          result.firstDiffering |= QRect(x, y, 1, 1);
        }
      }
  }
  return result;
}

// Each kept window of `owner`, as the screen shows it, is the window's own drawing: no more
// than a few pixels in a thousand differ (a text cursor, a highlight being repainted).
int ExpectKeptWindowsDrawnWhole(const QWidget* owner, const std::string& when) {
  // The window manager's restack and the program's answers to it are over.
  std::vector<unsigned long> order;
  (void)WaitUntil([&] {
    const std::vector<unsigned long> now = StackingOrder();
    const bool same = now == order;
    order = now;
    QTest::qWait(300);
    return same;
  });
  QApplication::processEvents();
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
  int windows = 0;
  for (const QPointer<QWidget>& w : KeptWindows(owner)) {
    if (!w) continue;
    const TDrawnWhole d = CompareWithScreen(w, screen, order);
    if (d.compared == 0) continue;
    ++windows;
    EXPECT_LE(d.differing * 1000, d.compared * 3)
        << w->metaObject()->className() << " \"" << w->windowTitle().toStdString() << "\" " << when << ": "
        << d.differing << " of " << d.compared << " pixels in sight differ from its drawing, within "
        << d.firstDiffering.x() << "," << d.firstDiffering.y() << " " << d.firstDiffering.width() << "x"
        << d.firstDiffering.height();
  }
  return windows;
}

// The window system's word that part of a window was uncovered, withheld from the program for
// the windows named: what a raise whose exposure nothing tells the program leaves on the
// screen (the server paints nothing there, and the window is drawn only when told).
class TLostExposures : public QAbstractNativeEventFilter {
 public:
  explicit TLostExposures(const std::vector<QPointer<QWidget>>& windows) {
    for (const QPointer<QWidget>& w : windows)
      if (w) windows_.insert(XId(w));
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~TLostExposures() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
  int Lost() const { return lost_; }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_EXPOSE) return false;
    if (windows_.count(static_cast<const xcb_expose_event_t*>(message)->window) == 0) return false;
    ++lost_;
    return true;
  }

 private:
  std::set<unsigned long> windows_;
  int lost_ = 0;
};

// Closes a kept window by its button (it is open) and opens it again.
void ToggleTwice(QWidget* review, int id) {
  QAbstractButton* b = ButtonOf(review, id);
  ASSERT_NE(b, nullptr) << id;
  const std::size_t open = KeptWindows(review).size();
  Click(b, b->rect().center());
  ASSERT_TRUE(WaitUntil([&] { return KeptWindows(review).size() + 1 == open; })) << "button " << id << " closed nothing";
  Click(b, b->rect().center());
  ASSERT_TRUE(WaitUntil([&] { return KeptWindows(review).size() == open; })) << "button " << id << " opened nothing";
  for (const QPointer<QWidget>& w : KeptWindows(review)) (void)QTest::qWaitForWindowExposed(w, 10000);
}

void CheckRestackedWindowsDrawnWhole(const char* home) {
  every_window::TProgramUnderWalk program(home);
  int looks = 0;
  const bool opened = WithWindow(
      [&] { program.Window().ExecuteCommand(CmReviewGraph); },
      [](QWidget* w) { return qobject_cast<TRView*>(w) != nullptr; },
      [&](QWidget* review) {
        std::vector<QPointer<QWidget>> kept = KeptWindows(review);
        for (const int id : {kReviewNumeric, kReviewData, kReviewPrecision, kReviewResiduals}) {
          QAbstractButton* b = ButtonOf(review, id);
          ASSERT_NE(b, nullptr) << id;
          const std::vector<QPointer<QWidget>> before = KeptWindows(review);
          Click(b, b->rect().center());
          QWidget* opened = nullptr;
          ASSERT_TRUE(WaitUntil([&] {
            for (const QPointer<QWidget>& w : KeptWindows(review))
              if (w && std::find(before.begin(), before.end(), w) == before.end()) opened = w;
            return opened != nullptr;
          })) << "button " << id << " opened no window";
          (void)QTest::qWaitForWindowExposed(opened, 10000);
          kept.emplace_back(opened);
          ExpectInOrder(review, kept, nullptr, "opened");
          looks += ExpectKeptWindowsDrawnWhole(review, "after " + opened->windowTitle().toStdString() + " opened");
        }
        // The window at the back comes to the front, and the review is clicked and raised.
        for (int round = 0; round < 3; ++round) {
          QPointer<QWidget> back = kept.front();
          ClickInert(back);
          std::rotate(kept.begin(), kept.begin() + 1, kept.end());
          ExpectInOrder(review, kept, nullptr, "after a click");
          looks += ExpectKeptWindowsDrawnWhole(review, "after a click on " + back->windowTitle().toStdString());
        }
        ClickInert(review);
        looks += ExpectKeptWindowsDrawnWhole(review, "after a click on the review");
        ASSERT_TRUE(Raise(XId(review)));
        looks += ExpectKeptWindowsDrawnWhole(review, "after the review was raised");
        // The same where the window system tells the kept windows nothing of what a restack
        // uncovered.
        const TLostExposures lost(kept);
        for (int round = 0; round < 2; ++round) {
          QPointer<QWidget> back = kept.front();
          ClickInert(back);
          std::rotate(kept.begin(), kept.begin() + 1, kept.end());
          ExpectInOrder(review, kept, nullptr, "after a click");
          looks += ExpectKeptWindowsDrawnWhole(
              review, "after a click on " + back->windowTitle().toStdString() + ", its exposure untold");
        }
        ClickInert(review);
        looks += ExpectKeptWindowsDrawnWhole(review, "after a click on the review, the exposures untold");
        ASSERT_TRUE(Raise(XId(review)));
        looks += ExpectKeptWindowsDrawnWhole(review, "after the review was raised, the exposures untold");
        EXPECT_GT(lost.Lost(), 0) << "no restack uncovered a kept window";
        std::fprintf(stderr, "%d exposures of the review's windows untold\n", lost.Lost());
      });
  EXPECT_TRUE(opened) << "the review did not open";
  // Opened again, the review reopens its windows; then Data and then Precision are closed and
  // opened again.
  const bool reopened = WithWindow(
      [&] { program.Window().ExecuteCommand(CmReviewGraph); },
      [](QWidget* w) { return qobject_cast<TRView*>(w) != nullptr; },
      [&](QWidget* review) {
        ASSERT_TRUE(WaitUntil([&] { return KeptWindows(review).size() >= 5; })) << "the review's windows did not reopen";
        for (const QPointer<QWidget>& w : KeptWindows(review)) (void)QTest::qWaitForWindowExposed(w, 10000);
        looks += ExpectKeptWindowsDrawnWhole(review, "reopened with the review");
        ToggleTwice(review, kReviewData);
        looks += ExpectKeptWindowsDrawnWhole(review, "after Data closed and opened again");
        ToggleTwice(review, kReviewPrecision);
        looks += ExpectKeptWindowsDrawnWhole(review, "after Data and then Precision closed and opened again");
      });
  EXPECT_TRUE(reopened) << "the review did not open again";
  EXPECT_GE(looks, 30);
  std::fprintf(stderr, "%d looks at the review's windows on the screen\n", looks);
}

TEST_F(StackingAt1600x1200, EveryWindowTheReviewKeepsIsDrawnWholeAfterARestack) {
  CheckRestackedWindowsDrawnWhole("ondravik_restack_large");
}
TEST_F(WindowStacking, EveryWindowTheReviewKeepsIsDrawnWholeAfterARestack) {
  CheckRestackedWindowsDrawnWhole("ondravik_restack");
}
TEST_F(StackingAt1024x768, EveryWindowTheReviewKeepsIsDrawnWholeAfterARestack) {
  CheckRestackedWindowsDrawnWhole("ondravik_restack_small");
}

}  // namespace
}  // namespace stacking
