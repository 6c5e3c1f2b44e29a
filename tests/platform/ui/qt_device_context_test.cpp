#include "platform/qt/qt_device_context.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QWidget>

#include <vector>

#include "app/coded_text_drawing.h"
#include "platform/symbol_charset.h"
#include "platform/qt/qt_text.h"

namespace {

using platform::Brush;
using platform::Color;
using platform::Pen;
using platform::Point;
using platform::qt::QtDeviceContext;

const Color kWhite = Color::White();
const Color kRed = Color::Rgb(255, 0, 0);
const Color kBlue = Color::Rgb(0, 0, 255);

// A white image with a context drawing on it, red pen and blue brush selected.
struct Canvas {
  explicit Canvas(int w = 40, int h = 30)
      : image(w, h, QImage::Format_RGB32), dc((image.fill(Qt::white), image)) {
    dc.SelectPen(Pen::Solid(kRed));
    dc.SelectBrush(Brush::Solid(kBlue));
  }
  void Expect(std::initializer_list<std::pair<Point, Color>> pixels) {
    for (const auto& [p, c] : pixels) EXPECT_EQ(dc.GetPixel(p.x, p.y), c) << p.x << ", " << p.y;
  }
  QImage image;
  QtDeviceContext dc;
};

TEST(QtDeviceContext, RectanglesAndLinesLeaveOutTheirRightBottomAndEnd) {
  Canvas c;
  c.dc.Rectangle(5, 5, 15, 12);
  // The outline inside the box, its last column and row included; the right and bottom
  // edges exclusive.
  c.Expect({{{5, 5}, kRed}, {{14, 11}, kRed}, {{15, 11}, kWhite}, {{14, 12}, kWhite}, {{10, 8}, kBlue}});
  c.dc.SelectPen(Pen::Null());
  c.dc.Rectangle(20, 20, 23, 22);
  c.Expect({{{22, 21}, kBlue}, {{23, 21}, kWhite}});

  Canvas l;
  l.dc.MoveTo(2, 2);
  l.dc.LineTo(10, 2);
  l.Expect({{{2, 2}, kRed}, {{9, 2}, kRed}, {{10, 2}, kWhite}});
  l.dc.SelectPen(Pen::Dotted(kBlue));
  l.dc.MoveTo(2, 5);
  l.dc.LineTo(12, 5);
  for (int x = 2; x < 12; ++x) EXPECT_EQ(l.dc.GetPixel(x, 5), (x % 2 == 0) ? kBlue : kWhite) << x;
  const Point diagonal[] = {{0, 10}, {5, 15}, {10, 10}};
  l.dc.SelectPen(Pen::Solid(kRed));
  l.dc.Polyline(diagonal);
  // The joint is drawn by the second segment; the last point is not.
  l.Expect({{{4, 14}, kRed}, {{5, 15}, kRed}, {{10, 10}, kWhite}});
}

// Bresenham's pixels of a line from a to b, b left out: what every solid line must cover.
std::vector<QPoint> BresenhamPixels(Point a, Point b) {
  std::vector<QPoint> out;
  int x = a.x, y = a.y;
  const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  while (x != b.x || y != b.y) {
    out.emplace_back(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  return out;
}

// Solid lines are drawn as runs, written straight into an image or handed to a painter of
// another surface; on both they cover exactly Bresenham's pixels, also where they leave the
// surface or the clip rectangle.
TEST(QtDeviceContext, SolidLinesCoverBresenhamsPixelsOnEverySurface) {
  std::uint32_t state = 11;
  const auto next = [&state](int n) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
  };
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<Point> points;
    for (int i = 0; i < 2 + next(4); ++i) points.push_back({next(70) - 10, next(60) - 10});
    const bool clipped = trial % 3 == 0;
    QImage expected(48, 40, QImage::Format_RGB32);
    expected.fill(Qt::white);
    for (std::size_t i = 1; i < points.size(); ++i)
      for (const QPoint& p : BresenhamPixels(points[i - 1], points[i]))
        if (expected.rect().contains(p) && (!clipped || QRect(4, 3, 30, 25).contains(p)))
          expected.setPixel(p, qRgb(255, 0, 0));
    // An image the context draws on itself, and one it reaches through the caller's painter.
    QImage direct(48, 40, QImage::Format_RGB32), painted(48, 40, QImage::Format_RGB32);
    direct.fill(Qt::white);
    painted.fill(Qt::white);
    {
      QtDeviceContext own(direct);
      QPainter painter(&painted);
      QtDeviceContext borrowed(painter, {48, 40, 96, 96, 24});
      for (platform::DeviceContext* dc : {static_cast<platform::DeviceContext*>(&own),
                                          static_cast<platform::DeviceContext*>(&borrowed)}) {
        dc->SelectPen(Pen::Solid(kRed));
        if (clipped) dc->SetClipRect({4, 3, 34, 28});
        if (points.size() == 2) {
          dc->MoveTo(points[0].x, points[0].y);
          dc->LineTo(points[1].x, points[1].y);
        } else {
          dc->Polyline(points);
        }
      }
    }
    ASSERT_EQ(direct, expected) << "trial " << trial;
    ASSERT_EQ(painted, expected) << "trial " << trial;
  }
}

TEST(QtDeviceContext, PolygonFillMeetsItsOutline) {
  // Every pixel between the leftmost and rightmost coloured pixel of a row is covered, by
  // the fill or by the outline; a fill that samples pixel centres left (7, 3) white here.
  const std::vector<std::vector<Point>> polygons = {
      {{5, 13}, {8, 1}, {3, 1}, {1, 13}},
      {{2, 2}, {30, 7}, {17, 25}},
      {{20, 1}, {37, 12}, {25, 28}, {3, 19}},
  };
  for (const auto& polygon : polygons) {
    Canvas c;
    c.dc.Polygon(polygon);
    for (int y = 0; y < c.image.height(); ++y) {
      int first = -1, last = -1;
      for (int x = 0; x < c.image.width(); ++x) {
        if (c.dc.GetPixel(x, y) != kWhite) {
          if (first < 0) first = x;
          last = x;
        }
      }
      for (int x = first; first >= 0 && x <= last; ++x) {
        EXPECT_NE(c.dc.GetPixel(x, y), kWhite) << "(" << x << ", " << y << ") of polygon at ("
                                               << polygon[0].x << ", " << polygon[0].y << ")";
      }
    }
    // The interior is the brush's, nothing lies beyond the outline.
    if (polygon[0] == Point{5, 13}) {
      EXPECT_NE(c.dc.GetPixel(7, 3), kWhite);
      c.Expect({{{4, 6}, kBlue}, {{9, 3}, kWhite}, {{0, 12}, kWhite}});
    }
  }
  // Without an outline the fill alone covers the pixel positions inside the figure.
  Canvas bare;
  bare.dc.SelectPen(Pen::Null());
  const Point square[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  bare.dc.Polygon(square);
  bare.Expect({{{2, 2}, kBlue}, {{5, 5}, kBlue}, {{1, 1}, kWhite}});
}

TEST(QtDeviceContext, PaletteColoursClipAndCompatibleContexts) {
  Canvas c;
  platform::Palette palette{{Color::Rgb(1, 2, 3), Color::Rgb(0, 128, 0)}};
  c.dc.SelectPalette(&palette);
  EXPECT_EQ(c.dc.RealizePalette(), 2);
  c.dc.SetPixel(3, 3, Color::PaletteIndex(1));
  EXPECT_EQ(c.dc.GetPixel(3, 3), Color::Rgb(0, 128, 0));
  c.dc.SetClipRect({0, 0, 10, 10});
  c.dc.SetPixel(20, 20, kRed);
  EXPECT_EQ(c.dc.GetPixel(20, 20), Color::Invalid());
  c.dc.ResetClip();
  c.Expect({{{20, 20}, kWhite}, {{-1, 0}, Color::Invalid()}});  // the clipped pixel was not drawn

  auto off = c.dc.CreateCompatible(8, 8);
  ASSERT_NE(off, nullptr);
  EXPECT_EQ(off->GetPixel(0, 0), kWhite);
  off->SetPixel(2, 3, kRed);
  ASSERT_TRUE(c.dc.BitBlt(10, 10, 8, 8, *off, 0, 0));
  EXPECT_EQ(c.dc.GetPixel(12, 13), kRed);
  EXPECT_EQ(c.dc.CreateCompatible(0, 5), nullptr);
}

TEST(QtDeviceContext, TextExtentAndAlignment) {
  Canvas c(200, 60);
  c.dc.SelectFont(platform::Font{"Arial", -20});
  const platform::Size one = c.dc.GetTextExtent("M");
  const platform::Size three = c.dc.GetTextExtent("MMM");
  EXPECT_GT(one.cx, 0);
  EXPECT_NEAR(three.cx, 3 * one.cx, 2);
  EXPECT_GE(one.cy, 20);
  c.dc.SetBkMode(platform::BkMode::Transparent);
  c.dc.SetTextAlign(platform::TextAlign::kRight | platform::TextAlign::kBottom);
  c.dc.TextOut(100, 40, "MMM");
  // Everything drawn lies left of x = 100 and above y = 40.
  bool inked = false;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (c.dc.GetPixel(x, y) != kWhite) {
        inked = true;
        EXPECT_LT(x, 101);
        EXPECT_LT(y, 41);
      }
  EXPECT_TRUE(inked);
}

TEST(QtDeviceContext, WidgetAndPrinterSurfaces) {
  bool painted = false;
  struct Painter : QWidget {
    bool* done;
    void paintEvent(QPaintEvent*) override {
      QPainter p(this);
      auto dc = QtDeviceContext::ForWidget(*this, p);
      dc->SelectBrush(Brush::Solid(kRed));
      dc->SelectPen(Pen::Null());
      dc->Rectangle(0, 0, 10, 10);
      EXPECT_EQ(dc->Caps().width, 50);
      EXPECT_EQ(dc->GetPixel(1, 1), Color::Invalid());  // a widget cannot be read back
      *done = true;
    }
  } w;
  w.done = &painted;
  w.resize(50, 40);
  const QImage grabbed = w.grab().toImage();
  EXPECT_TRUE(painted);
  EXPECT_EQ(QColor(grabbed.pixel(5, 5)), QColor(255, 0, 0));

  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("page.pdf"));
  {
    QPainter p(&printer);
    auto dc = QtDeviceContext::ForPrinter(printer, p);
    EXPECT_GT(dc->Caps().dpiX, 96);
    CodedFontSet fonts;
    fonts[0] = platform::Font{"Arial", -60};
    fonts[1] = platform::Font{"Arial", -48};
    EXPECT_EQ(DrawCodedTextOnDC(*dc, "z = x~^2~^", fonts, 100, 100, 100, 0, 0, 1, Color::Black()), 4);
  }
  EXPECT_GT(QFile(dir.filePath("page.pdf")).size(), 500);
}

TEST(QtText, Cp1252AndSymbolConversions) {
  using namespace platform::qt;
  EXPECT_EQ(FromCp1252("\x80 \xB2"), QString::fromUtf8("\u20AC \u00B2"));
  EXPECT_EQ(ToCp1252(QString::fromUtf8("\u20AC\u00E9\u4E00")), "\x80\xE9?");
  EXPECT_EQ(FromSymbol("abp"), QString::fromUtf8("\u03B1\u03B2\u03C0"));
  EXPECT_EQ(platform::SymbolToUnicode(0xB1), u'\u00B1');
  EXPECT_EQ(platform::SymbolToUnicode(0xA5), u'\u221E');
}

}  // namespace
