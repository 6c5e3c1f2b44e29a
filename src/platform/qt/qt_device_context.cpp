#include "platform/qt/qt_device_context.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/qt/qt_text.h"

namespace platform::qt {
namespace {

DeviceCaps CapsOf(const QPaintDevice& device) {
  DeviceCaps caps;
  caps.width = device.width();
  caps.height = device.height();
  caps.dpiX = device.logicalDpiX();
  caps.dpiY = device.logicalDpiY();
  caps.colorBits = device.depth() >= 24 ? 24 : device.depth();
  return caps;
}

// Calls visit(x, y) for the pixels of the line from a to b by Bresenham's algorithm, the
// last pixel left out.
template <typename Visit>
void ForEachLinePixel(Point a, Point b, Visit visit) {
  int x = a.x, y = a.y;
  const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  while (x != b.x || y != b.y) {
    visit(x, y);
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
}

void Prepare(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

}  // namespace

QtDeviceContext::QtDeviceContext(QPainter& painter, const DeviceCaps& caps)
    : painter_(&painter), caps_(caps) {
  Prepare(*painter_);
  qfont_ = ToQFont(font_);
}

QtDeviceContext::QtDeviceContext(QImage& image)
    : image_(&image),
      ownedPainter_(std::make_unique<QPainter>(&image)),
      painter_(ownedPainter_.get()),
      caps_(CapsOf(image)) {
  Prepare(*painter_);
  qfont_ = ToQFont(font_);
}

QtDeviceContext::~QtDeviceContext() {
  if (ownedPainter_) ownedPainter_->end();
}

std::unique_ptr<QtDeviceContext> QtDeviceContext::ForWidget(QWidget& widget, QPainter& painter) {
  return std::make_unique<QtDeviceContext>(painter, CapsOf(widget));
}

std::unique_ptr<QtDeviceContext> QtDeviceContext::ForPrinter(QPrinter& printer,
                                                             QPainter& painter) {
  DeviceCaps caps = CapsOf(printer);
  caps.colorBits = 24;
  return std::make_unique<QtDeviceContext>(painter, caps);
}

QFont QtDeviceContext::ToQFont(const Font& font) {
  QFont q;
  if (!font.face.empty() && font.charset != CharSet::Symbol) q.setFamily(FromCp1252(font.face));
  // Symbol text is shown as Unicode characters in an ordinary face that holds them.
  q.setStyleHint(font.face == "Courier New" ? QFont::Monospace : QFont::SansSerif);
  const int h = font.height == 0 ? 16 : std::abs(font.height);
  q.setPixelSize(std::max(1, h));
  if (font.height > 0) {
    // A positive height is the cell (ascent + descent): shrink the em to fit it.
    QFontMetrics fm(q);
    if (fm.height() > h) q.setPixelSize(std::max(1, h * h / fm.height()));
  }
  q.setWeight(font.weight >= 600 ? QFont::Bold : QFont::Normal);
  q.setItalic(font.italic);
  q.setUnderline(font.underline);
  q.setStrikeOut(font.strikeOut);
  return q;
}

QColor QtDeviceContext::Q(Color c) const {
  const Color rgb = ResolveColor(c, palette_);
  return QColor(rgb.Red(), rgb.Green(), rgb.Blue());
}

QString QtDeviceContext::ToText(std::string_view text) const {
  return font_.charset == CharSet::Symbol ? FromSymbol(text) : FromCp1252(text);
}

Pen QtDeviceContext::SelectPen(const Pen& pen) { return std::exchange(pen_, pen); }
Brush QtDeviceContext::SelectBrush(const Brush& brush) { return std::exchange(brush_, brush); }

Font QtDeviceContext::SelectFont(const Font& font) {
  if (font == font_) return font_;
  qfont_ = ToQFont(font);
  return std::exchange(font_, font);
}

const Palette* QtDeviceContext::SelectPalette(const Palette* palette) {
  return std::exchange(palette_, palette);
}

int QtDeviceContext::RealizePalette() {
  return palette_ ? static_cast<int>(palette_->entries.size()) : 0;
}

Color QtDeviceContext::SetTextColor(Color color) { return std::exchange(textColor_, color); }
Color QtDeviceContext::SetBkColor(Color color) { return std::exchange(bkColor_, color); }
BkMode QtDeviceContext::SetBkMode(BkMode mode) { return std::exchange(bkMode_, mode); }
unsigned QtDeviceContext::SetTextAlign(unsigned flags) { return std::exchange(align_, flags); }

void QtDeviceContext::MoveTo(int x, int y) { position_ = {x, y}; }

void QtDeviceContext::LinePixels(Point a, Point b, int& phase) {
  ForEachLinePixel(a, b, [&](int x, int y) {
    if (pen_.style != PenStyle::Dot || (phase & 1) == 0) pixels_ << QPoint(x, y);
    ++phase;
  });
}

// The same pixels merged into runs: consecutive pixels in one row (or column) become one
// rectangle one pixel high (or wide).
void QtDeviceContext::LineRuns(Point a, Point b) {
  int firstX = 0, firstY = 0, lastX = 0, lastY = 0, length = 0;
  bool across = true;  // the open run lies along a row
  const auto close = [&] {
    if (length == 0) return;
    if (across)
      runs_ << QRect(std::min(firstX, lastX), firstY, length, 1);
    else
      runs_ << QRect(firstX, std::min(firstY, lastY), 1, length);
  };
  ForEachLinePixel(a, b, [&](int x, int y) {
    // A pixel that follows the last one in its row (column) extends a run of one pixel, or
    // of several along that row (column); any other starts a new run.
    const bool extendsRow = length >= 1 && y == firstY && (length == 1 || across);
    const bool extendsColumn = length >= 1 && x == firstX && (length == 1 || !across);
    if (extendsRow || extendsColumn) {
      across = extendsRow;
      ++length;
    } else {
      close();
      firstX = x;
      firstY = y;
      length = 1;
    }
    lastX = x;
    lastY = y;
  });
  close();
}

void QtDeviceContext::TraceLine(Point a, Point b, int& phase) {
  if (SolidThinPen())
    LineRuns(a, b);
  else
    LinePixels(a, b, phase);
}

bool QtDeviceContext::WritesImageDirectly() const {
  if (!image_ || !image_->isDetached()) return false;
  const QImage::Format f = image_->format();
  return (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
          f == QImage::Format_ARGB32_Premultiplied) &&
         painter_->transform().isIdentity() &&
         painter_->compositionMode() == QPainter::CompositionMode_SourceOver;
}

void QtDeviceContext::FillRunsInImage() {
  QRect bounds = image_->rect();
  if (clipped_) bounds &= QRect(clip_.left, clip_.top, clip_.Width(), clip_.Height());
  const Color rgb = ResolveColor(pen_.color, palette_);
  const QRgb value = qRgb(rgb.Red(), rgb.Green(), rgb.Blue());  // opaque: a plain store
  uchar* const bits = image_->bits();
  const qsizetype stride = image_->bytesPerLine();
  for (const QRect& run : std::as_const(runs_)) {
    const QRect r = run & bounds;
    if (r.isEmpty()) continue;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
      std::fill(row + r.left(), row + r.right() + 1, value);
    }
  }
}

void QtDeviceContext::StrokeRuns() {
  if (runs_.isEmpty()) return;
  if (WritesImageDirectly()) {
    FillRunsInImage();
    runs_.clear();
    return;
  }
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(SolidBrush(Q(pen_.color)));
  painter_->drawRects(runs_);
  runs_.clear();  // keeps its capacity for the next figure
}

void QtDeviceContext::Stroke() {
  StrokeRuns();
  StrokePixels();
}

const QPen& QtDeviceContext::CosmeticPen(const QColor& color) {
  if (pen_cache_.style() == Qt::NoPen || pen_cache_.color() != color) {
    pen_cache_ = QPen(color);
    pen_cache_.setWidth(0);  // cosmetic: one device pixel
  }
  return pen_cache_;
}

const QBrush& QtDeviceContext::SolidBrush(const QColor& color) {
  if (brush_cache_.style() != Qt::SolidPattern || brush_cache_.color() != color)
    brush_cache_ = QBrush(color);
  return brush_cache_;
}

void QtDeviceContext::StrokePixels() {
  if (pixels_.isEmpty()) return;
  const QColor color = Q(pen_.color);
  if (pen_.width <= 1) {
    painter_->setPen(CosmeticPen(color));
    painter_->drawPoints(pixels_);
  } else {
    // Wider pens: a square of the width centred on each pixel.
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(SolidBrush(color));
    const int w = pen_.width;
    for (const QPoint& p : pixels_) painter_->drawRect(p.x() - w / 2, p.y() - w / 2, w, w);
  }
  pixels_.clear();  // keeps its capacity for the next figure
}

void QtDeviceContext::LineTo(int x, int y) {
  if (pen_.style != PenStyle::Null) {
    int phase = 0;
    TraceLine(position_, {x, y}, phase);
    Stroke();
  }
  position_ = {x, y};
}

void QtDeviceContext::Polyline(std::span<const Point> points) {
  if (points.size() < 2 || pen_.style == PenStyle::Null) return;
  int phase = 0;
  for (std::size_t i = 1; i < points.size(); ++i) TraceLine(points[i - 1], points[i], phase);
  Stroke();
}

void QtDeviceContext::Rectangle(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  if (brush_.style == BrushStyle::Solid)
    painter_->fillRect(QRect(left, top, right - left, bottom - top), Q(brush_.color));
  if (pen_.style == PenStyle::Null) return;
  // The outline runs round the border pixels of the box, clockwise from the top left.
  const Point corners[5] = {{left, top},
                            {right - 1, top},
                            {right - 1, bottom - 1},
                            {left, bottom - 1},
                            {left, top}};
  int phase = 0;
  for (int i = 1; i < 5; ++i) TraceLine(corners[i - 1], corners[i], phase);
  if (right - left == 1 || bottom - top == 1) {
    if (SolidThinPen())
      runs_ << QRect(right - 1, bottom - 1, 1, 1);
    else
      pixels_ << QPoint(right - 1, bottom - 1);
  }
  Stroke();
}

void QtDeviceContext::Ellipse(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  const QRect box(left, top, right - left - 1, bottom - top - 1);
  if (pen_.style == PenStyle::Null) {
    painter_->setPen(Qt::NoPen);
  } else if (pen_.style == PenStyle::Dot) {
    QPen pen(Q(pen_.color));
    pen.setWidth(0);
    pen.setDashPattern({1.0, 1.0});
    painter_->setPen(pen);
  } else {
    painter_->setPen(CosmeticPen(Q(pen_.color)));
  }
  if (brush_.style == BrushStyle::Solid)
    painter_->setBrush(SolidBrush(Q(brush_.color)));
  else
    painter_->setBrush(Qt::NoBrush);
  painter_->drawEllipse(box);
}

void QtDeviceContext::Polygon(std::span<const Point> points) {
  if (points.size() < 3) return;
  // Qt fills the pixels whose centres (x + 0.5, y + 0.5) lie inside, while the outline is
  // traced through the pixels themselves: a pixel beside a slanted edge could get neither.
  // Moving the fill by half a pixel makes it sample the pixel positions the outline uses.
  // The move is one 64th short of a half (Qt's raster works in 64ths), because a centre
  // that falls exactly on an edge is left out at the top and left and taken at the bottom
  // and right; this way a figure covers its top and left edges and not its bottom and right
  // ones, as the classic fill does.
  constexpr double kFillShift = 0.5 - 1.0 / 64;
  if (brush_.style == BrushStyle::Solid) {
    corners_.clear();
    for (const Point& p : points) corners_ << QPointF(p.x + kFillShift, p.y + kFillShift);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(SolidBrush(Q(brush_.color)));
    painter_->drawPolygon(corners_, Qt::OddEvenFill);
  }
  if (pen_.style == PenStyle::Null) return;
  int phase = 0;
  for (std::size_t i = 0; i < points.size(); ++i)
    TraceLine(points[i], points[(i + 1) % points.size()], phase);
  Stroke();
}

void QtDeviceContext::SetPixel(int x, int y, Color color) {
  painter_->fillRect(QRect(x, y, 1, 1), Q(color));
}

Color QtDeviceContext::GetPixel(int x, int y) const {
  if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height())
    return Color::Invalid();
  if (clipped_ && (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom))
    return Color::Invalid();
  const QRgb rgb = image_->pixel(x, y);
  return Color::Rgb(static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                    static_cast<std::uint8_t>(qBlue(rgb)));
}

void QtDeviceContext::TextOut(int x, int y, std::string_view text) {
  const QString s = ToText(text);
  const QFontMetrics fm(qfont_);
  const int w = fm.horizontalAdvance(s);
  const int ascent = fm.ascent();
  const int descent = fm.descent();
  int dx = 0;
  switch (align_ & TextAlign::kHorizontalMask) {
    case TextAlign::kCenter: dx = -w / 2; break;
    case TextAlign::kRight: dx = -w; break;
    default: break;
  }
  int baseline = ascent;  // top
  switch (align_ & TextAlign::kVerticalMask) {
    case TextAlign::kBaseline: baseline = 0; break;
    case TextAlign::kBottom: baseline = -descent; break;
    default: break;
  }
  painter_->save();
  painter_->translate(x, y);
  // The escapement turns the text counter-clockwise about its reference point.
  if (font_.escapement != 0) painter_->rotate(-font_.escapement / 10.0);
  if (bkMode_ == BkMode::Opaque)
    painter_->fillRect(QRect(dx, baseline - ascent, w, ascent + descent), Q(bkColor_));
  painter_->setFont(qfont_);
  painter_->setPen(Q(textColor_));
  painter_->drawText(dx, baseline, s);
  painter_->restore();
}

Size QtDeviceContext::GetTextExtent(std::string_view text) const {
  const QFontMetrics fm(qfont_);
  return {fm.horizontalAdvance(ToText(text)), fm.height()};
}

void QtDeviceContext::SetClipRect(const Rect& rect) {
  clipped_ = true;
  clip_ = rect;
  painter_->setClipRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()));
}

void QtDeviceContext::ResetClip() {
  clipped_ = false;
  painter_->setClipping(false);
}

std::unique_ptr<DeviceContext> QtDeviceContext::CreateCompatible(int width, int height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  auto image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
  if (image->isNull()) return nullptr;
  image->fill(Qt::white);
  auto dc = std::make_unique<QtDeviceContext>(*image);
  dc->caps_.dpiX = caps_.dpiX;
  dc->caps_.dpiY = caps_.dpiY;
  dc->ownedImage_ = std::move(image);
  return dc;
}

bool QtDeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& source,
                             int sourceX, int sourceY) {
  const auto* q = dynamic_cast<const QtDeviceContext*>(&source);
  if (!q || !q->image_) return false;
  painter_->drawImage(QRect(x, y, width, height), *q->image_,
                      QRect(sourceX, sourceY, width, height));
  return true;
}

QtImageSurface::QtImageSurface(int width, int height) : image_(width, height, QImage::Format_RGB32) {
  if (image_.isNull()) return;
  image_.fill(Qt::white);
  context_ = std::make_unique<QtDeviceContext>(image_);
}

std::unique_ptr<ImageSurface> QtImageSurface::Make(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto surface = std::make_unique<QtImageSurface>(width, height);
  if (surface->context_ == nullptr) return nullptr;
  return surface;
}

std::span<const std::uint32_t> QtImageSurface::Pixels() {
  // Ending the painter finishes every figure drawn; an RGB32 image's rows are whole words
  // one after the other.
  context_.reset();
  const auto* words = reinterpret_cast<const std::uint32_t*>(std::as_const(image_).constBits());
  return {words, static_cast<std::size_t>(image_.width()) * static_cast<std::size_t>(image_.height())};
}

}  // namespace platform::qt

