// The device context over QPainter: a widget being painted, an off-screen QImage or a
// printer page. Antialiasing is off, so figures cover whole pixels; lines follow Bresenham's
// pixels so that the end pixel is left out and the dotted pen alternates pixels exactly, as
// the renderer's pictures expect on every surface. A solid one-pixel line is cut into its
// horizontal and vertical runs of pixels; a figure's runs are written into an image's rows
// directly, or go to QPainter as one batch of one-pixel-wide rectangles on other surfaces
// (Qt fills those span by span, where single points and its own line stroker go pixel by
// pixel through its blending code).
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>

#include <memory>

#include "platform/device_context.h"
#include "platform/image_surface.h"

class QPrinter;
class QWidget;

namespace platform::qt {

class QtDeviceContext final : public DeviceContext {
 public:
  // Draws through a painter the caller owns and keeps active (a widget's paintEvent, a
  // printer run); caps describe the surface.
  QtDeviceContext(QPainter& painter, const DeviceCaps& caps);
  // Draws on an image (its own painter); the image must outlive the context.
  explicit QtDeviceContext(QImage& image);
  ~QtDeviceContext() override;

  // The surfaces: a widget inside its paintEvent, a printer page.
  static std::unique_ptr<QtDeviceContext> ForWidget(QWidget& widget, QPainter& painter);
  static std::unique_ptr<QtDeviceContext> ForPrinter(QPrinter& printer, QPainter& painter);

  // The image drawn on, or null for a widget or printer.
  const QImage* Image() const { return image_; }
  // The Qt font a platform font stands for (face substituted, size in pixels).
  static QFont ToQFont(const Font& font);

  DeviceCaps Caps() const override { return caps_; }
  Pen SelectPen(const Pen& pen) override;
  Brush SelectBrush(const Brush& brush) override;
  Font SelectFont(const Font& font) override;
  const Palette* SelectPalette(const Palette* palette) override;
  int RealizePalette() override;
  Color SetTextColor(Color color) override;
  Color SetBkColor(Color color) override;
  BkMode SetBkMode(BkMode mode) override;
  unsigned SetTextAlign(unsigned flags) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const Point> points) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Polygon(std::span<const Point> points) override;
  void SetPixel(int x, int y, Color color) override;
  Color GetPixel(int x, int y) const override;
  void TextOut(int x, int y, std::string_view text) override;
  Size GetTextExtent(std::string_view text) const override;
  void SetClipRect(const Rect& rect) override;
  void ResetClip() override;
  std::unique_ptr<DeviceContext> CreateCompatible(int width, int height) override;
  bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sourceX,
              int sourceY) override;

 private:
  QColor Q(Color c) const;
  QString ToText(std::string_view text) const;
  // The pixels of a line from a to b without b with the selected pen: as runs for a solid
  // one-pixel pen, else as pixels (dotted pens skip every second; `phase` carries the
  // alternation from one line of a figure to the next).
  void TraceLine(Point a, Point b, int& phase);
  // Draws what TraceLine gathered and empties the buffers.
  void Stroke();
  bool SolidThinPen() const { return pen_.style == PenStyle::Solid && pen_.width <= 1; }
  void LinePixels(Point a, Point b, int& phase);
  void LineRuns(Point a, Point b);
  void StrokePixels();
  void StrokeRuns();
  // An image the painter draws on unshared, untransformed and opaque-over: there the runs
  // are stored straight into its rows, pixel for pixel what QPainter would fill, without
  // its per-figure cost.
  bool WritesImageDirectly() const;
  void FillRunsInImage();
  // A one-pixel pen and a solid brush of a colour, made anew only when the colour changes.
  const QPen& CosmeticPen(const QColor& color);
  const QBrush& SolidBrush(const QColor& color);

  std::unique_ptr<QImage> ownedImage_;  // the bitmap of a context made by CreateCompatible
  QImage* image_ = nullptr;
  std::unique_ptr<QPainter> ownedPainter_;
  QPainter* painter_;
  DeviceCaps caps_;
  Pen pen_ = Pen::Solid(Color::Black());
  Brush brush_ = Brush::Solid(Color::White());
  Font font_;
  QFont qfont_;
  const Palette* palette_ = nullptr;
  Color textColor_ = Color::Black();
  Color bkColor_ = Color::White();
  BkMode bkMode_ = BkMode::Opaque;
  unsigned align_ = TextAlign::kLeft | TextAlign::kTop;
  Point position_;
  bool clipped_ = false;
  Rect clip_;
  // A surface is drawn as thousands of small figures: their pixel and corner buffers, pen
  // and brush are kept from one figure to the next instead of being allocated for each.
  QPolygon pixels_;
  QList<QRect> runs_;
  QPolygonF corners_;
  QPen pen_cache_{Qt::NoPen};  // NoPen: none made yet
  QBrush brush_cache_;         // NoBrush: none made yet
};

// An off-screen RGB32 image with its device context, for a worker that draws a picture and
// reads it back (platform/image_surface.h); safe to make and use on any thread.
class QtImageSurface final : public ImageSurface {
 public:
  QtImageSurface(int width, int height);
  // Null when the image cannot be made.
  static std::unique_ptr<ImageSurface> Make(int width, int height);

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  DeviceContext& Context() override { return *context_; }
  std::span<const std::uint32_t> Pixels() override;

 private:
  QImage image_;
  std::unique_ptr<QtDeviceContext> context_;
};

}  // namespace platform::qt
