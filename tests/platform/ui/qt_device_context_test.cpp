#include "platform/qt/qt_device_context.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <vector>

#include "app/coded_text_drawing.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/single_instance.h"

namespace {

using platform::Brush;
using platform::Color;
using platform::Pen;
using platform::qt::QtDeviceContext;

const Color kWhite = Color::White();
const Color kRed = Color::Rgb(255, 0, 0);
const Color kBlue = Color::Rgb(0, 0, 255);

QImage WhiteImage(int w = 40, int h = 30) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

TEST(QtDeviceContext, RectangleCoversLeftTopButNotRightBottom) {
  QImage image = WhiteImage();
  QtDeviceContext dc(image);
  dc.SelectPen(Pen::Solid(kRed));
  dc.SelectBrush(Brush::Solid(kBlue));
  dc.Rectangle(5, 5, 15, 12);
  EXPECT_EQ(dc.GetPixel(5, 5), kRed);     // outline inside the box
  EXPECT_EQ(dc.GetPixel(14, 11), kRed);   // last column and row are the outline
  EXPECT_EQ(dc.GetPixel(15, 11), kWhite); // right edge exclusive
  EXPECT_EQ(dc.GetPixel(14, 12), kWhite); // bottom edge exclusive
  EXPECT_EQ(dc.GetPixel(10, 8), kBlue);
  dc.SelectPen(Pen::Null());
  dc.Rectangle(20, 20, 23, 22);
  EXPECT_EQ(dc.GetPixel(22, 21), kBlue);
  EXPECT_EQ(dc.GetPixel(23, 21), kWhite);
}

TEST(QtDeviceContext, LinesLeaveOutTheirEndAndDotsAlternate) {
  QImage image = WhiteImage();
  QtDeviceContext dc(image);
  dc.SelectPen(Pen::Solid(kRed));
  dc.MoveTo(2, 2);
  dc.LineTo(10, 2);
  EXPECT_EQ(dc.GetPixel(2, 2), kRed);
  EXPECT_EQ(dc.GetPixel(9, 2), kRed);
  EXPECT_EQ(dc.GetPixel(10, 2), kWhite);
  dc.SelectPen(Pen::Dotted(kBlue));
  dc.MoveTo(2, 5);
  dc.LineTo(12, 5);
  for (int x = 2; x < 12; ++x) EXPECT_EQ(dc.GetPixel(x, 5), (x % 2 == 0) ? kBlue : kWhite) << x;
  const platform::Point diagonal[] = {{0, 10}, {5, 15}, {10, 10}};
  dc.SelectPen(Pen::Solid(kRed));
  dc.Polyline(diagonal);
  EXPECT_EQ(dc.GetPixel(4, 14), kRed);
  EXPECT_EQ(dc.GetPixel(5, 15), kRed);   // the joint is drawn by the second segment
  EXPECT_EQ(dc.GetPixel(10, 10), kWhite); // the last point is not
}

TEST(QtDeviceContext, PolygonFillMeetsItsOutline) {
  // Every pixel between the leftmost and rightmost coloured pixel of a row is covered, by
  // the fill or by the outline; a fill that samples pixel centres left (7, 3) white here.
  const std::vector<std::vector<platform::Point>> polygons = {
      {{5, 13}, {8, 1}, {3, 1}, {1, 13}},
      {{2, 2}, {30, 7}, {17, 25}},
      {{20, 1}, {37, 12}, {25, 28}, {3, 19}},
  };
  for (const auto& polygon : polygons) {
    QImage image = WhiteImage();
    QtDeviceContext dc(image);
    dc.SelectPen(Pen::Solid(kRed));
    dc.SelectBrush(Brush::Solid(kBlue));
    dc.Polygon(polygon);
    for (int y = 0; y < image.height(); ++y) {
      int first = -1, last = -1;
      for (int x = 0; x < image.width(); ++x) {
        if (dc.GetPixel(x, y) != kWhite) {
          if (first < 0) first = x;
          last = x;
        }
      }
      for (int x = first; first >= 0 && x <= last; ++x) {
        EXPECT_NE(dc.GetPixel(x, y), kWhite) << "(" << x << ", " << y << ") of polygon at ("
                                             << polygon[0].x << ", " << polygon[0].y << ")";
      }
    }
  }
  QImage image = WhiteImage();
  QtDeviceContext dc(image);
  dc.SelectPen(Pen::Solid(kRed));
  dc.SelectBrush(Brush::Solid(kBlue));
  const platform::Point slanted[] = {{5, 13}, {8, 1}, {3, 1}, {1, 13}};
  dc.Polygon(slanted);
  EXPECT_NE(dc.GetPixel(7, 3), kWhite);
  EXPECT_EQ(dc.GetPixel(4, 6), kBlue);  // the interior is the brush's
  EXPECT_EQ(dc.GetPixel(9, 3), kWhite); // nothing beyond the outline
  EXPECT_EQ(dc.GetPixel(0, 12), kWhite);
  // Without an outline the fill alone covers the pixel positions inside the figure.
  QImage bare = WhiteImage();
  QtDeviceContext fillOnly(bare);
  fillOnly.SelectPen(Pen::Null());
  fillOnly.SelectBrush(Brush::Solid(kBlue));
  const platform::Point square[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  fillOnly.Polygon(square);
  EXPECT_EQ(fillOnly.GetPixel(2, 2), kBlue);
  EXPECT_EQ(fillOnly.GetPixel(5, 5), kBlue);
  EXPECT_EQ(fillOnly.GetPixel(1, 1), kWhite);
}

TEST(QtDeviceContext, PaletteColoursAndClip) {
  QImage image = WhiteImage();
  QtDeviceContext dc(image);
  platform::Palette palette{{Color::Rgb(1, 2, 3), Color::Rgb(0, 128, 0)}};
  dc.SelectPalette(&palette);
  EXPECT_EQ(dc.RealizePalette(), 2);
  dc.SetPixel(3, 3, Color::PaletteIndex(1));
  EXPECT_EQ(dc.GetPixel(3, 3), Color::Rgb(0, 128, 0));
  dc.SetClipRect({0, 0, 10, 10});
  dc.SetPixel(20, 20, kRed);
  EXPECT_EQ(dc.GetPixel(20, 20), Color::Invalid());
  dc.ResetClip();
  EXPECT_EQ(dc.GetPixel(20, 20), kWhite);  // the clipped pixel was not drawn
  EXPECT_EQ(dc.GetPixel(-1, 0), Color::Invalid());
}

TEST(QtDeviceContext, TextExtentAndAlignment) {
  QImage image = WhiteImage(200, 60);
  QtDeviceContext dc(image);
  dc.SelectFont(platform::Font{"Arial", -20});
  const platform::Size one = dc.GetTextExtent("M");
  const platform::Size three = dc.GetTextExtent("MMM");
  EXPECT_GT(one.cx, 0);
  EXPECT_NEAR(three.cx, 3 * one.cx, 2);
  EXPECT_GE(one.cy, 20);
  dc.SetBkMode(platform::BkMode::Transparent);
  dc.SetTextAlign(platform::TextAlign::kRight | platform::TextAlign::kBottom);
  dc.TextOut(100, 40, "MMM");
  // Everything drawn lies left of x = 100 and above y = 40.
  bool inked = false;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (dc.GetPixel(x, y) != kWhite) {
        inked = true;
        EXPECT_LT(x, 101);
        EXPECT_LT(y, 41);
      }
  EXPECT_TRUE(inked);
}

TEST(QtDeviceContext, CompatibleContextCopiesBack) {
  QImage image = WhiteImage();
  QtDeviceContext dc(image);
  auto off = dc.CreateCompatible(8, 8);
  ASSERT_NE(off, nullptr);
  EXPECT_EQ(off->GetPixel(0, 0), kWhite);
  off->SetPixel(2, 3, kRed);
  ASSERT_TRUE(dc.BitBlt(10, 10, 8, 8, *off, 0, 0));
  EXPECT_EQ(dc.GetPixel(12, 13), kRed);
  EXPECT_EQ(dc.CreateCompatible(0, 5), nullptr);
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
    EXPECT_EQ(DrawCodedTextOnDC(*dc, "z = x~^2~^", fonts, 100, 100, 100, 0, 0, 1,
                                Color::Black()),
              4);
  }
  EXPECT_GT(QFile(dir.filePath("page.pdf")).size(), 500);
}

TEST(QtText, Cp1252AndSymbolConversions) {
  using namespace platform::qt;
  EXPECT_EQ(FromCp1252("\x80 \xB2"), QString::fromUtf8("\u20AC \u00B2"));
  EXPECT_EQ(ToCp1252(QString::fromUtf8("\u20AC\u00E9\u4E00")), "\x80\xE9?");
  EXPECT_EQ(FromSymbol("abp"), QString::fromUtf8("\u03B1\u03B2\u03C0"));
  EXPECT_EQ(SymbolToUnicode(0xB1), u'\u00B1');
  EXPECT_EQ(SymbolToUnicode(0xA5), u'\u221E');
}

TEST(SingleInstance, LaterInstanceIsToldToClose) {
  const QString title = "Ondravik test " + QString::number(QCoreApplication::applicationPid());
  platform::qt::SingleInstance first(title);
  EXPECT_FALSE(first.IsSecond());
  platform::qt::SingleInstance second(title);
  EXPECT_TRUE(second.IsSecond());
  QSignalSpy closed(&second, &platform::qt::SingleInstance::CloseRequested);
  QTest::qWait(50);  // the first accepts the connection
  first.CloseLaterInstances();
  EXPECT_TRUE(closed.wait(2000));
}

}  // namespace
