// The graph dialog: painting through the held image and the image cache, and the click zones.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "graph3d/graph_fixture.h"
#include "graph3d/ui/graph_dialog.h"

namespace {

struct SurfaceGraph : GraphFixture {
  SurfaceGraph() {
    SetSurface([](long double x, long double y) { return std::sin(x) * std::cos(y); });
    view.GraphType = 5;
  }
};

int NonBackgroundPixels(const QImage& image) {
  const QRgb corner = image.pixel(image.width() / 2, 2);
  int n = 0;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) n += image.pixel(x, y) != corner;
  return n;
}

TEST(GraphDialog, PaintsTheGraphIntoTheHeldImage) {
  SurfaceGraph g;
  auto* dlg = new T3DDlg(nullptr, &g.setup, 0);
  dlg->resize(500, 400);
  dlg->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
  dlg->Pane()->repaint();
  ASSERT_TRUE(dlg->HeldImageValid());
  EXPECT_EQ(dlg->HeldImage().size(), dlg->Pane()->size());
  EXPECT_GT(NonBackgroundPixels(dlg->HeldImage()), 300);
  if (const char* out = std::getenv("ONDRAVIK_SHOT")) dlg->grab().save(out);
  // What the pane shows is the held image.
  const QImage shown = dlg->Pane()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, dlg->HeldImage());
  delete dlg;
}

TEST(GraphDialog, CachedFrameIsShownWithoutRendering) {
  SurfaceGraph g;
  for (int kind : {kImageBits, kImageDib, kImageLzwBits, kImageLzwDib}) {
    SCOPED_TRACE(kind);
    auto* dlg = new T3DDlg(nullptr, &g.setup, 0);
    dlg->resize(420, 330);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    dlg->SetImageKind(kind);
    dlg->InitImageCache(100000);
    dlg->SetFrameKey(1);
    dlg->Redraw(1);
    dlg->Pane()->repaint();
    const QImage first = dlg->HeldImage().copy();
    EXPECT_GT(dlg->LastImageSize(), 0);
    int count = 0;
    EXPECT_GT(dlg->Cache().CachedBytes(&count), 0);
    EXPECT_EQ(count, 1);
    // Draw something else under key 2, then come back to key 1: the frame comes from the
    // cache (no rendering) and equals the first pixel for pixel.
    g.view.AngleXY = 100;
    dlg->Renderer().LoadOptions();
    dlg->SetFrameKey(2);
    dlg->Redraw(1);
    dlg->Pane()->repaint();
    EXPECT_NE(dlg->HeldImage(), first);
    dlg->SetFrameKey(1);
    dlg->Redraw(1);
    dlg->Pane()->repaint();
    EXPECT_EQ(dlg->RenderTime(), 0.0f);
    EXPECT_EQ(dlg->HeldImage(), first);
    delete dlg;
  }
}

TEST(GraphDialog, ClickZonesRunTheOptionCommands) {
  SurfaceGraph g;
  auto* dlg = new T3DDlg(nullptr, &g.setup, 0);
  dlg->resize(400, 300);
  dlg->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
  std::vector<int> commands;
  dlg->SetMenuCommandHandler([&](int id) { commands.push_back(id); });
  const platform::Rect r = dlg->GraphRectInPane();
  const int w = r.right - r.left, h = r.bottom - r.top;
  QTest::mouseClick(dlg->Pane(), Qt::LeftButton, {}, QPoint(r.left + w / 2, r.top + 2));
  QTest::mouseClick(dlg->Pane(), Qt::LeftButton, {}, QPoint(r.left + w / 2, r.top + h / 2));
  QTest::mouseClick(dlg->Pane(), Qt::LeftButton, {}, QPoint(r.left + 2, r.top + h / 2));
  QTest::mouseClick(dlg->Pane(), Qt::LeftButton, {}, QPoint(r.left + w / 2, r.bottom - 1));
  EXPECT_EQ(commands, (std::vector<int>{2141, 2343, 2344, 2344}));
  delete dlg;
}

TEST(GraphDialog, FramesRoundTripThroughEveryImageKind) {
  QImage image(37, 23, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 7, y * 11, (x + y) * 3));
  for (int kind : {kImageBits, kImageDib, kImageLzwBits, kImageLzwDib}) {
    SCOPED_TRACE(kind);
    std::unique_ptr<TLZW> frame = EncodeFrame(image, kind, 5);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Tag(), 5u);
    EXPECT_EQ(frame->Compressed(), kind > kImageRleDib);
    const std::uint8_t* p = frame->Lock();
    ASSERT_NE(p, nullptr);
    const std::vector<std::uint8_t> plain(p, p + frame->PlainSize());
    frame->Unlock();
    QImage back(image.size(), QImage::Format_RGB32);
    ASSERT_TRUE(DecodeFrame(plain, kind, back));
    EXPECT_EQ(back, image);
  }
  // Bits of another size are not taken.
  std::unique_ptr<TLZW> frame = EncodeFrame(image, kImageBits, 1);
  const std::uint8_t* p = frame->Lock();
  const std::vector<std::uint8_t> plain(p, p + frame->PlainSize());
  QImage other(10, 10, QImage::Format_RGB32);
  EXPECT_FALSE(DecodeFrame(plain, kImageBits, other));
}

}  // namespace
