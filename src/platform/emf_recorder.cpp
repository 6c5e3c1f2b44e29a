#include "platform/emf_recorder.h"

#include <algorithm>

#include "platform/cp1252.h"
#include "platform/symbol_charset.h"

namespace platform {
namespace {

// Record types of the format.
constexpr std::uint32_t kHeader = 1;
constexpr std::uint32_t kPolygon = 3;
constexpr std::uint32_t kPolyline = 4;
constexpr std::uint32_t kEof = 14;
constexpr std::uint32_t kSetPixelV = 15;
constexpr std::uint32_t kSetBkMode = 18;
constexpr std::uint32_t kSetPolyFillMode = 19;
constexpr std::uint32_t kSetTextAlign = 22;
constexpr std::uint32_t kSetTextColor = 24;
constexpr std::uint32_t kSetBkColor = 25;
constexpr std::uint32_t kMoveToEx = 27;
constexpr std::uint32_t kIntersectClipRect = 30;
constexpr std::uint32_t kSelectObject = 37;
constexpr std::uint32_t kCreatePen = 38;
constexpr std::uint32_t kCreateBrushIndirect = 39;
constexpr std::uint32_t kDeleteObject = 40;
constexpr std::uint32_t kEllipse = 42;
constexpr std::uint32_t kRectangle = 43;
constexpr std::uint32_t kLineTo = 54;
constexpr std::uint32_t kExtSelectClipRgn = 75;
constexpr std::uint32_t kExtCreateFontIndirectW = 82;
constexpr std::uint32_t kExtTextOutW = 84;

constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kVersion = 0x00010000;
constexpr std::size_t kHeaderSize = 108;  // with both header extensions
constexpr std::uint32_t kRgnCopy = 5;
constexpr std::size_t kFaceNameChars = 32;

std::uint32_t PenStyleCode(PenStyle style) {
  switch (style) {
    case PenStyle::Solid: return 0;
    case PenStyle::Dot: return 2;
    case PenStyle::Null: return 5;
  }
  return 0;
}

}  // namespace

EmfRecorder::EmfRecorder(int width, int height, int dpi, DeviceContext* measure,
                         std::string_view description)
    : MetafileRecorder(width, height, dpi, measure) {
  // The reference device is the picture itself at the given resolution; Finish fills in the
  // size of the file and the counts.
  const auto hundredthsMm = [&](int pixels) { return (pixels * 2540 + dpi_ / 2) / dpi_; };
  Begin(kHeader);
  out_.I32(0);
  out_.I32(0);
  out_.I32(width - 1);  // bounds, inclusive
  out_.I32(height - 1);
  out_.I32(0);
  out_.I32(0);
  out_.I32(hundredthsMm(width) - 1);  // frame in 0.01 mm, inclusive
  out_.I32(hundredthsMm(height) - 1);
  out_.U32(kSignature);
  out_.U32(kVersion);
  out_.U32(0);  // bytes
  out_.U32(0);  // records
  out_.U16(0);  // handles
  out_.U16(0);
  out_.U32(static_cast<std::uint32_t>(description.size()));
  out_.U32(description.empty() ? 0 : static_cast<std::uint32_t>(kHeaderSize));
  out_.U32(0);  // palette entries
  out_.I32(width);
  out_.I32(height);
  out_.I32((hundredthsMm(width) + 50) / 100);
  out_.I32((hundredthsMm(height) + 50) / 100);
  out_.U32(0);  // pixel format size and offset, no OpenGL
  out_.U32(0);
  out_.U32(0);
  out_.I32(hundredthsMm(width) * 10);  // micrometres
  out_.I32(hundredthsMm(height) * 10);
  for (char c : description) out_.U16(Cp1252ToUnicode(static_cast<unsigned char>(c)));
  End();
  U32Record(kSetPolyFillMode, 1);  // ALTERNATE: the even-odd rule of Polygon
}

void EmfRecorder::Begin(std::uint32_t type) {
  recordStart_ = out_.Size();
  out_.U32(type);
  out_.U32(0);
}

void EmfRecorder::End() {
  out_.PadTo(4);
  out_.PatchU32(recordStart_ + 4, static_cast<std::uint32_t>(out_.Size() - recordStart_));
  ++records_;
}

void EmfRecorder::U32Record(std::uint32_t type, std::uint32_t value) {
  Begin(type);
  out_.U32(value);
  End();
}

void EmfRecorder::Box(int left, int top, int right, int bottom) {
  out_.I32(left);
  out_.I32(top);
  out_.I32(right);
  out_.I32(bottom);
}

std::vector<std::uint8_t> EmfRecorder::Finish() {
  if (finished_) return out_.Bytes();
  finished_ = true;
  for (std::uint32_t handle : current_)
    if (handle != 0) U32Record(kDeleteObject, handle);
  Begin(kEof);
  out_.U32(0);   // no palette entries
  out_.U32(16);  // where they would start
  out_.U32(20);  // this record's size, repeated at its end
  End();
  out_.PatchU32(48, static_cast<std::uint32_t>(out_.Size()));
  out_.PatchU32(52, records_);
  out_.PatchU16(56, static_cast<std::uint16_t>(handleUsed_.size()));
  return out_.Bytes();
}

std::uint32_t EmfRecorder::NewHandle() {
  const auto free = std::find(handleUsed_.begin(), handleUsed_.end(), false);
  const auto handle = static_cast<std::uint32_t>(free - handleUsed_.begin());
  if (free == handleUsed_.end()) handleUsed_.push_back(true);
  else *free = true;
  return handle;
}

void EmfRecorder::SelectNew(Slot slot, std::uint32_t handle) {
  U32Record(kSelectObject, handle);
  const std::uint32_t old = current_[slot];
  current_[slot] = handle;
  if (old != 0) {
    U32Record(kDeleteObject, old);
    handleUsed_[old] = false;
  }
}

void EmfRecorder::RecordPen(const Pen& pen, Color rgb) {
  const std::uint32_t handle = NewHandle();
  Begin(kCreatePen);
  out_.U32(handle);
  out_.U32(PenStyleCode(pen.style));
  out_.I32(pen.width);
  out_.I32(0);
  out_.U32(rgb.ref);
  End();
  SelectNew(kPenSlot, handle);
}

void EmfRecorder::RecordBrush(const Brush& brush, Color rgb) {
  const std::uint32_t handle = NewHandle();
  Begin(kCreateBrushIndirect);
  out_.U32(handle);
  out_.U32(brush.style == BrushStyle::Null ? 1 : 0);  // BS_NULL, BS_SOLID
  out_.U32(rgb.ref);
  out_.U32(0);
  End();
  SelectNew(kBrushSlot, handle);
}

void EmfRecorder::RecordFont(const Font& font) {
  const std::uint32_t handle = NewHandle();
  Begin(kExtCreateFontIndirectW);
  out_.U32(handle);
  out_.I32(font.height);
  out_.I32(0);
  out_.I32(font.escapement);
  out_.I32(font.escapement);
  out_.I32(font.weight);
  out_.U8(font.italic ? 1 : 0);
  out_.U8(font.underline ? 1 : 0);
  out_.U8(font.strikeOut ? 1 : 0);
  out_.U8(static_cast<std::uint8_t>(font.charset));
  out_.U8(0);  // output precision
  out_.U8(0);  // clip precision
  out_.U8(0);  // quality
  out_.U8(0);  // pitch and family
  for (std::size_t i = 0; i < kFaceNameChars; ++i)
    out_.U16(i + 1 < kFaceNameChars && i < font.face.size()
                 ? Cp1252ToUnicode(static_cast<unsigned char>(font.face[i]))
                 : 0);
  End();
  SelectNew(kFontSlot, handle);
}

void EmfRecorder::RecordTextColor(Color rgb) { U32Record(kSetTextColor, rgb.ref); }
void EmfRecorder::RecordBkColor(Color rgb) { U32Record(kSetBkColor, rgb.ref); }
void EmfRecorder::RecordBkMode(BkMode mode) { U32Record(kSetBkMode, static_cast<std::uint32_t>(mode)); }
void EmfRecorder::RecordTextAlign(unsigned flags) { U32Record(kSetTextAlign, flags); }

void EmfRecorder::RecordMoveTo(int x, int y) {
  Begin(kMoveToEx);
  out_.I32(x);
  out_.I32(y);
  End();
}

void EmfRecorder::LineTo(int x, int y) {
  Begin(kLineTo);
  out_.I32(x);
  out_.I32(y);
  End();
  position_ = {x, y};
}

void EmfRecorder::Poly(std::uint32_t type, std::span<const Point> points) {
  int left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
  for (const Point& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  Begin(type);
  Box(left, top, right, bottom);
  out_.U32(static_cast<std::uint32_t>(points.size()));
  for (const Point& p : points) {
    out_.I32(p.x);
    out_.I32(p.y);
  }
  End();
}

void EmfRecorder::Polyline(std::span<const Point> points) {
  if (points.size() >= 2) Poly(kPolyline, points);
}

void EmfRecorder::Polygon(std::span<const Point> points) {
  if (points.size() >= 3) Poly(kPolygon, points);
}

void EmfRecorder::Rectangle(int left, int top, int right, int bottom) {
  Begin(kRectangle);
  Box(left, top, right, bottom);
  End();
}

void EmfRecorder::Ellipse(int left, int top, int right, int bottom) {
  Begin(kEllipse);
  Box(left, top, right, bottom);
  End();
}

void EmfRecorder::SetPixel(int x, int y, Color color) {
  Begin(kSetPixelV);
  out_.I32(x);
  out_.I32(y);
  out_.U32(Resolve(color).ref);
  End();
}

void EmfRecorder::TextOut(int x, int y, std::string_view text) {
  if (text.empty()) return;
  const bool symbol = font_.charset == CharSet::Symbol;
  const std::vector<int> advances = TextAdvances(text);
  const std::size_t fixedPart = 76;
  const std::size_t stringBytes = (text.size() * 2 + 3) / 4 * 4;
  Begin(kExtTextOutW);
  Box(0, 0, -1, -1);  // bounds not computed
  out_.U32(1);        // GM_COMPATIBLE
  out_.U32(0);        // x and y scales (unused in that mode)
  out_.U32(0);
  out_.I32(x);
  out_.I32(y);
  out_.U32(static_cast<std::uint32_t>(text.size()));
  out_.U32(static_cast<std::uint32_t>(fixedPart));
  out_.U32(0);  // options: no clipping or opaque rectangle of its own
  Box(0, 0, 0, 0);
  out_.U32(static_cast<std::uint32_t>(fixedPart + stringBytes));
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out_.U16(symbol ? SymbolToUnicode(b) : Cp1252ToUnicode(b));
  }
  out_.PadTo(4);
  for (int a : advances) out_.U32(static_cast<std::uint32_t>(a));
  End();
}

void EmfRecorder::SetClipRect(const Rect& rect) {
  ResetClip();
  Begin(kIntersectClipRect);
  Box(rect.left, rect.top, rect.right, rect.bottom);
  End();
}

void EmfRecorder::ResetClip() {
  // No region data with RGN_COPY sets the clip region back to the whole picture.
  Begin(kExtSelectClipRgn);
  out_.U32(0);
  out_.U32(kRgnCopy);
  End();
}

}  // namespace platform
