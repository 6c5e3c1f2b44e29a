#include "platform/recording_device_context.h"

#include <cstdlib>
#include <sstream>

namespace platform {

namespace {

// What CreateCompatible hands out: forwards to a recorder that the parent keeps, so that a
// test can read an off-screen context's calls after the drawing code has released it.
class ForwardingContext final : public DeviceContext {
 public:
  explicit ForwardingContext(std::shared_ptr<RecordingDeviceContext> target)
      : target_(std::move(target)) {}

  const RecordingDeviceContext& Target() const { return *target_; }

  DeviceCaps Caps() const override { return target_->Caps(); }
  Pen SelectPen(const Pen& pen) override { return target_->SelectPen(pen); }
  Brush SelectBrush(const Brush& brush) override { return target_->SelectBrush(brush); }
  Font SelectFont(const Font& font) override { return target_->SelectFont(font); }
  const Palette* SelectPalette(const Palette* palette) override {
    return target_->SelectPalette(palette);
  }
  int RealizePalette() override { return target_->RealizePalette(); }
  Color SetTextColor(Color color) override { return target_->SetTextColor(color); }
  Color SetBkColor(Color color) override { return target_->SetBkColor(color); }
  BkMode SetBkMode(BkMode mode) override { return target_->SetBkMode(mode); }
  unsigned SetTextAlign(unsigned flags) override { return target_->SetTextAlign(flags); }
  void MoveTo(int x, int y) override { target_->MoveTo(x, y); }
  void LineTo(int x, int y) override { target_->LineTo(x, y); }
  void Polyline(std::span<const Point> points) override { target_->Polyline(points); }
  void Rectangle(int l, int t, int r, int b) override { target_->Rectangle(l, t, r, b); }
  void Ellipse(int l, int t, int r, int b) override { target_->Ellipse(l, t, r, b); }
  void Polygon(std::span<const Point> points) override { target_->Polygon(points); }
  void SetPixel(int x, int y, Color color) override { target_->SetPixel(x, y, color); }
  Color GetPixel(int x, int y) const override { return target_->GetPixel(x, y); }
  void TextOut(int x, int y, std::string_view text) override { target_->TextOut(x, y, text); }
  Size GetTextExtent(std::string_view text) const override {
    return target_->GetTextExtent(text);
  }
  void SetClipRect(const Rect& rect) override { target_->SetClipRect(rect); }
  void ResetClip() override { target_->ResetClip(); }
  std::unique_ptr<DeviceContext> CreateCompatible(int width, int height) override {
    return target_->CreateCompatible(width, height);
  }
  bool BitBlt(int x, int y, int w, int h, const DeviceContext& source, int sx,
              int sy) override {
    return target_->BitBlt(x, y, w, h, source, sx, sy);
  }

 private:
  std::shared_ptr<RecordingDeviceContext> target_;
};

}  // namespace

const char* DcOpName(DcOpKind kind) {
  switch (kind) {
    case DcOpKind::SelectPen: return "SelectPen";
    case DcOpKind::SelectBrush: return "SelectBrush";
    case DcOpKind::SelectFont: return "SelectFont";
    case DcOpKind::SelectPalette: return "SelectPalette";
    case DcOpKind::RealizePalette: return "RealizePalette";
    case DcOpKind::SetTextColor: return "SetTextColor";
    case DcOpKind::SetBkColor: return "SetBkColor";
    case DcOpKind::SetBkMode: return "SetBkMode";
    case DcOpKind::SetTextAlign: return "SetTextAlign";
    case DcOpKind::MoveTo: return "MoveTo";
    case DcOpKind::LineTo: return "LineTo";
    case DcOpKind::Polyline: return "Polyline";
    case DcOpKind::Rectangle: return "Rectangle";
    case DcOpKind::Ellipse: return "Ellipse";
    case DcOpKind::Polygon: return "Polygon";
    case DcOpKind::SetPixel: return "SetPixel";
    case DcOpKind::GetPixel: return "GetPixel";
    case DcOpKind::TextOut: return "TextOut";
    case DcOpKind::GetTextExtent: return "GetTextExtent";
    case DcOpKind::SetClipRect: return "SetClipRect";
    case DcOpKind::ResetClip: return "ResetClip";
    case DcOpKind::CreateCompatible: return "CreateCompatible";
    case DcOpKind::BitBlt: return "BitBlt";
  }
  return "?";
}

RecordingDeviceContext::RecordingDeviceContext(int width, int height, int dpi, int colorBits) {
  caps_.width = width;
  caps_.height = height;
  caps_.dpiX = dpi;
  caps_.dpiY = dpi;
  caps_.colorBits = colorBits;
}

Size RecordingDeviceContext::TextExtentFor(const Font& font, std::size_t characters) {
  const int h = font.height == 0 ? 16 : std::abs(font.height);
  return Size{static_cast<int>(characters) * ((h + 1) / 2), h};
}

std::size_t RecordingDeviceContext::Count(DcOpKind kind) const {
  std::size_t n = 0;
  for (const DcOp& op : ops_) n += op.kind == kind ? 1 : 0;
  return n;
}

std::vector<DcOp> RecordingDeviceContext::OpsOf(DcOpKind kind) const {
  std::vector<DcOp> out;
  for (const DcOp& op : ops_) {
    if (op.kind == kind) out.push_back(op);
  }
  return out;
}

std::string RecordingDeviceContext::Describe() const {
  std::ostringstream s;
  for (const DcOp& op : ops_) {
    s << DcOpName(op.kind);
    for (const Point& p : op.points) s << " (" << p.x << "," << p.y << ")";
    if (op.kind == DcOpKind::Rectangle || op.kind == DcOpKind::Ellipse ||
        op.kind == DcOpKind::SetClipRect || op.kind == DcOpKind::BitBlt) {
      s << " [" << op.rect.left << "," << op.rect.top << "," << op.rect.right << ","
        << op.rect.bottom << "]";
    }
    if (!op.text.empty()) s << " \"" << op.text << "\"";
    s << '\n';
  }
  return s.str();
}

DcOp& RecordingDeviceContext::Record(DcOpKind kind) {
  DcOp& op = ops_.emplace_back();
  op.kind = kind;
  op.pen = pen_;
  op.brush = brush_;
  op.font = font_;
  op.color = textColor_;
  op.penRgb = ResolveColor(pen_.color, palette_);
  op.brushRgb = ResolveColor(brush_.color, palette_);
  op.align = align_;
  op.bkMode = bkMode_;
  return op;
}

bool RecordingDeviceContext::InsideSurface(int x, int y) const {
  if (x < 0 || y < 0 || x >= caps_.width || y >= caps_.height) return false;
  if (clipped_ && (x < clip_.left || y < clip_.top || x >= clip_.right || y >= clip_.bottom)) {
    return false;
  }
  return true;
}

Pen RecordingDeviceContext::SelectPen(const Pen& pen) {
  const Pen old = pen_;
  pen_ = pen;
  Record(DcOpKind::SelectPen);
  return old;
}

Brush RecordingDeviceContext::SelectBrush(const Brush& brush) {
  const Brush old = brush_;
  brush_ = brush;
  Record(DcOpKind::SelectBrush);
  return old;
}

Font RecordingDeviceContext::SelectFont(const Font& font) {
  Font old = font_;
  font_ = font;
  Record(DcOpKind::SelectFont);
  return old;
}

const Palette* RecordingDeviceContext::SelectPalette(const Palette* palette) {
  const Palette* old = palette_;
  palette_ = palette;
  Record(DcOpKind::SelectPalette).value =
      palette == nullptr ? -1 : static_cast<int>(palette->entries.size());
  return old;
}

int RecordingDeviceContext::RealizePalette() {
  const int n = palette_ == nullptr ? 0 : static_cast<int>(palette_->entries.size());
  Record(DcOpKind::RealizePalette).value = n;
  return n;
}

Color RecordingDeviceContext::SetTextColor(Color color) {
  const Color old = textColor_;
  textColor_ = color;
  Record(DcOpKind::SetTextColor);
  return old;
}

Color RecordingDeviceContext::SetBkColor(Color color) {
  const Color old = bkColor_;
  bkColor_ = color;
  Record(DcOpKind::SetBkColor).color = color;
  return old;
}

BkMode RecordingDeviceContext::SetBkMode(BkMode mode) {
  const BkMode old = bkMode_;
  bkMode_ = mode;
  Record(DcOpKind::SetBkMode);
  return old;
}

unsigned RecordingDeviceContext::SetTextAlign(unsigned flags) {
  const unsigned old = align_;
  align_ = flags;
  Record(DcOpKind::SetTextAlign);
  return old;
}

void RecordingDeviceContext::MoveTo(int x, int y) {
  position_ = Point{x, y};
  Record(DcOpKind::MoveTo).points = {position_};
}

void RecordingDeviceContext::LineTo(int x, int y) {
  Record(DcOpKind::LineTo).points = {position_, Point{x, y}};
  position_ = Point{x, y};
}

void RecordingDeviceContext::Polyline(std::span<const Point> points) {
  Record(DcOpKind::Polyline).points.assign(points.begin(), points.end());
}

void RecordingDeviceContext::Rectangle(int left, int top, int right, int bottom) {
  Record(DcOpKind::Rectangle).rect = Rect{left, top, right, bottom};
}

void RecordingDeviceContext::Ellipse(int left, int top, int right, int bottom) {
  Record(DcOpKind::Ellipse).rect = Rect{left, top, right, bottom};
}

void RecordingDeviceContext::Polygon(std::span<const Point> points) {
  Record(DcOpKind::Polygon).points.assign(points.begin(), points.end());
}

void RecordingDeviceContext::SetPixel(int x, int y, Color color) {
  DcOp& op = Record(DcOpKind::SetPixel);
  op.points = {Point{x, y}};
  op.color = color;
  if (InsideSurface(x, y)) pixels_[{x, y}] = ResolveColor(color, palette_);
}

Color RecordingDeviceContext::GetPixel(int x, int y) const {
  const_cast<RecordingDeviceContext*>(this)->Record(DcOpKind::GetPixel).points = {Point{x, y}};
  if (!InsideSurface(x, y)) return Color::Invalid();
  const auto it = pixels_.find({x, y});
  return it == pixels_.end() ? Color::White() : it->second;
}

void RecordingDeviceContext::TextOut(int x, int y, std::string_view text) {
  DcOp& op = Record(DcOpKind::TextOut);
  op.points = {Point{x, y}};
  op.text = std::string(text);
}

Size RecordingDeviceContext::GetTextExtent(std::string_view text) const {
  const_cast<RecordingDeviceContext*>(this)->Record(DcOpKind::GetTextExtent).text =
      std::string(text);
  return TextExtentFor(font_, text.size());
}

void RecordingDeviceContext::SetClipRect(const Rect& rect) {
  clipped_ = true;
  clip_ = rect;
  Record(DcOpKind::SetClipRect).rect = rect;
}

void RecordingDeviceContext::ResetClip() {
  clipped_ = false;
  Record(DcOpKind::ResetClip);
}

std::unique_ptr<DeviceContext> RecordingDeviceContext::CreateCompatible(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto child = std::make_shared<RecordingDeviceContext>(width, height, caps_.dpiY, caps_.colorBits);
  children_.push_back(child);
  childViews_.push_back(child.get());
  DcOp& op = Record(DcOpKind::CreateCompatible);
  op.rect = Rect{0, 0, width, height};
  op.value = static_cast<int>(children_.size()) - 1;
  return std::make_unique<ForwardingContext>(std::move(child));
}

bool RecordingDeviceContext::BitBlt(int x, int y, int width, int height,
                                    const DeviceContext& source, int sourceX, int sourceY) {
  DcOp& op = Record(DcOpKind::BitBlt);
  op.points = {Point{x, y}, Point{sourceX, sourceY}};
  op.rect = Rect{x, y, x + width, y + height};
  const RecordingDeviceContext* from = dynamic_cast<const RecordingDeviceContext*>(&source);
  if (from == nullptr) {
    const auto* shell = dynamic_cast<const ForwardingContext*>(&source);
    if (shell != nullptr) from = &shell->Target();
  }
  if (from == nullptr) return false;
  // Only SetPixel's pixels exist in a recorder, so only those travel.
  for (const auto& [at, color] : from->pixels_) {
    const int dx = at.first - sourceX;
    const int dy = at.second - sourceY;
    if (dx >= 0 && dy >= 0 && dx < width && dy < height && InsideSurface(x + dx, y + dy)) {
      pixels_[{x + dx, y + dy}] = color;
    }
  }
  return true;
}

}  // namespace platform
