#include "platform/wmf_recorder.h"

#include <algorithm>

namespace platform {
namespace {

// Record functions of the format.
constexpr std::uint16_t kEof = 0x0000;
constexpr std::uint16_t kSaveDc = 0x001E;
constexpr std::uint16_t kSetBkMode = 0x0102;
constexpr std::uint16_t kSetPolyFillMode = 0x0106;
constexpr std::uint16_t kRestoreDc = 0x0127;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kSetTextAlign = 0x012E;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kSetBkColor = 0x0201;
constexpr std::uint16_t kSetTextColor = 0x0209;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr std::uint16_t kLineTo = 0x0213;
constexpr std::uint16_t kMoveTo = 0x0214;
constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kCreateFontIndirect = 0x02FB;
constexpr std::uint16_t kCreateBrushIndirect = 0x02FC;
constexpr std::uint16_t kPolygon = 0x0324;
constexpr std::uint16_t kPolyline = 0x0325;
constexpr std::uint16_t kPolyPolygon = 0x0538;
constexpr std::uint16_t kIntersectClipRect = 0x0416;
constexpr std::uint16_t kEllipse = 0x0418;
constexpr std::uint16_t kRectangle = 0x041B;
constexpr std::uint16_t kSetPixel = 0x041F;
constexpr std::uint16_t kExtTextOut = 0x0A32;

constexpr std::size_t kHeaderBytes = 18;
// A point count is a 16-bit field; readers take it as signed.
constexpr std::size_t kMaxPolyPoints = 0x7FFF;
constexpr std::size_t kFaceNameBytes = 32;

std::uint16_t PenStyleCode(PenStyle style) {
  switch (style) {
    case PenStyle::Solid: return 0;  // PS_SOLID
    case PenStyle::Dot: return 2;    // PS_DOT
    case PenStyle::Null: return 5;   // PS_NULL
  }
  return 0;
}

}  // namespace

WmfRecorder::WmfRecorder(int extentX, int extentY, int dpi, DeviceContext* measure)
    : MetafileRecorder(extentX, extentY, dpi, measure) {
  // The header is completed by Finish: type 1, 9 words, version 3.0, size, objects, largest
  // record, no parameters.
  out_.U16(1);
  out_.U16(9);
  out_.U16(0x0300);
  out_.U32(0);
  out_.U16(0);
  out_.U32(0);
  out_.U16(0);
  Begin(kSetWindowOrg);
  Coord(0);
  Coord(0);
  End();
  Begin(kSetWindowExt);
  Coord(extentY);
  Coord(extentX);
  End();
  Begin(kSetPolyFillMode);
  out_.U16(1);  // ALTERNATE: the even-odd rule of Polygon
  End();
}

void WmfRecorder::Begin(std::uint16_t function) {
  recordStart_ = out_.Size();
  out_.U32(0);
  out_.U16(function);
}

void WmfRecorder::End() {
  out_.PadTo(2);
  const auto words = static_cast<std::uint32_t>((out_.Size() - recordStart_) / 2);
  out_.PatchU32(recordStart_, words);
  maxRecordWords_ = std::max(maxRecordWords_, words);
}

void WmfRecorder::Coord(int v) { out_.I16(std::clamp(v, -32768, 32767)); }

void WmfRecorder::Points(std::span<const Point> points) {
  const std::size_t n = std::min(points.size(), kMaxPolyPoints);
  out_.U16(static_cast<std::uint16_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    Coord(points[i].x);
    Coord(points[i].y);
  }
}

void WmfRecorder::PolylinePieces(std::span<const Point> points) {
  // Pieces share their joints: a pen leaves out a line's last pixel, which the next piece
  // then draws first, so the pieces draw what the whole line would.
  for (std::size_t start = 0; start + 1 < points.size(); start += kMaxPolyPoints - 1) {
    Begin(kPolyline);
    Points(points.subspan(start, std::min(kMaxPolyPoints, points.size() - start)));
    End();
  }
}

void WmfRecorder::FillPolygonInPieces(std::span<const Point> points) {
  // A fan of pieces from the first point: piece k is the first point and a run of the
  // outline, each run starting where the one before ended. The chords between the first
  // point and the joints are edges of two pieces, once in each direction, so they change
  // neither the even-odd count nor the winding number of any point: drawn as one
  // polypolygon, the pieces fill exactly the polygon's inside.
  std::vector<std::size_t> starts;  // index of each run's first point in `points`
  for (std::size_t start = 1; start + 1 < points.size(); start += kMaxPolyPoints - 2) starts.push_back(start);
  const auto runEnd = [&](std::size_t k) {  // one past the run's last point
    return std::min(points.size(), starts[k] + kMaxPolyPoints - 1);
  };
  Begin(kPolyPolygon);
  out_.U16(static_cast<std::uint16_t>(starts.size()));
  for (std::size_t k = 0; k < starts.size(); ++k) out_.U16(static_cast<std::uint16_t>(1 + runEnd(k) - starts[k]));
  for (std::size_t k = 0; k < starts.size(); ++k) {
    Coord(points[0].x);
    Coord(points[0].y);
    for (std::size_t i = starts[k]; i < runEnd(k); ++i) {
      Coord(points[i].x);
      Coord(points[i].y);
    }
  }
  End();
}

std::vector<std::uint8_t> WmfRecorder::Finish() {
  if (finished_) return out_.Bytes();
  finished_ = true;
  if (clipSaved_) ResetClip();
  for (int index : {current_[kPenSlot], current_[kBrushSlot], current_[kFontSlot]})
    if (index >= 0) DeleteObject(index);
  Begin(kEof);
  End();
  out_.PatchU32(6, static_cast<std::uint32_t>(out_.Size() / 2));
  out_.PatchU16(10, static_cast<std::uint16_t>(objectUsed_.size()));
  out_.PatchU32(12, maxRecordWords_);
  return out_.Bytes();
}

void WmfRecorder::ReplaceObject(Slot slot) {
  // The player puts each new object in the lowest free slot of its table; keep the same
  // table here so that selections name the right object.
  const auto free = std::find(objectUsed_.begin(), objectUsed_.end(), false);
  const int index = static_cast<int>(free - objectUsed_.begin());
  if (free == objectUsed_.end()) objectUsed_.push_back(true);
  else *free = true;
  Begin(kSelectObject);
  out_.U16(static_cast<std::uint16_t>(index));
  End();
  const int old = current_[slot];
  current_[slot] = index;
  if (old < 0) return;
  if (clipSaved_) deferredDeletes_.push_back(old);  // the saved state may still select it
  else DeleteObject(old);
}

void WmfRecorder::DeleteObject(int index) {
  Begin(kDeleteObject);
  out_.U16(static_cast<std::uint16_t>(index));
  End();
  objectUsed_[static_cast<std::size_t>(index)] = false;
}

void WmfRecorder::RecordPen(const Pen& pen, Color rgb) {
  Begin(kCreatePenIndirect);
  out_.U16(PenStyleCode(pen.style));
  out_.I16(pen.width);
  out_.I16(0);
  out_.U32(rgb.ref);
  End();
  ReplaceObject(kPenSlot);
}

void WmfRecorder::RecordBrush(const Brush& brush, Color rgb) {
  Begin(kCreateBrushIndirect);
  out_.U16(brush.style == BrushStyle::Null ? 1 : 0);  // BS_NULL, BS_SOLID
  out_.U32(rgb.ref);
  out_.U16(0);
  End();
  ReplaceObject(kBrushSlot);
}

void WmfRecorder::RecordFont(const Font& font) {
  Begin(kCreateFontIndirect);
  out_.I16(font.height);
  out_.I16(0);
  out_.I16(font.escapement);
  out_.I16(font.escapement);
  out_.I16(font.weight);
  out_.U8(font.italic ? 1 : 0);
  out_.U8(font.underline ? 1 : 0);
  out_.U8(font.strikeOut ? 1 : 0);
  out_.U8(static_cast<std::uint8_t>(font.charset));
  out_.U8(0);  // output precision
  out_.U8(0);  // clip precision
  out_.U8(0);  // quality
  out_.U8(0);  // pitch and family
  for (std::size_t i = 0; i < kFaceNameBytes; ++i)
    out_.U8(i + 1 < kFaceNameBytes && i < font.face.size() ? static_cast<std::uint8_t>(font.face[i]) : 0);
  End();
  ReplaceObject(kFontSlot);
}

void WmfRecorder::RecordTextColor(Color rgb) {
  Begin(kSetTextColor);
  out_.U32(rgb.ref);
  End();
}

void WmfRecorder::RecordBkColor(Color rgb) {
  Begin(kSetBkColor);
  out_.U32(rgb.ref);
  End();
}

void WmfRecorder::RecordBkMode(BkMode mode) {
  Begin(kSetBkMode);
  out_.U16(static_cast<std::uint16_t>(mode));
  End();
}

void WmfRecorder::RecordTextAlign(unsigned flags) {
  Begin(kSetTextAlign);
  out_.U16(static_cast<std::uint16_t>(flags));
  End();
}

void WmfRecorder::RecordMoveTo(int x, int y) {
  Begin(kMoveTo);
  Coord(y);
  Coord(x);
  End();
}

void WmfRecorder::LineTo(int x, int y) {
  Begin(kLineTo);
  Coord(y);
  Coord(x);
  End();
  position_ = {x, y};
}

void WmfRecorder::Polyline(std::span<const Point> points) {
  if (points.size() >= 2) PolylinePieces(points);
}

void WmfRecorder::Polygon(std::span<const Point> points) {
  if (points.size() < 3) return;
  if (points.size() <= kMaxPolyPoints) {
    Begin(kPolygon);
    Points(points);
    End();
    return;
  }
  // Too many points for one record: the inside is filled without a pen, in pieces, and the
  // outline is drawn over it as a closed line in pieces, as a polygon's pen draws it.
  if (brush_.style != BrushStyle::Null) {
    const bool penShown = pen_.style != PenStyle::Null;
    if (penShown) RecordPen(Pen::Null(), Resolve(Pen::Null().color));
    FillPolygonInPieces(points);
    if (penShown) RecordPen(pen_, Resolve(pen_.color));
  }
  if (pen_.style == PenStyle::Null) return;
  std::vector<Point> outline(points.begin(), points.end());
  outline.push_back(points.front());
  PolylinePieces(outline);
}

void WmfRecorder::Rectangle(int left, int top, int right, int bottom) {
  Begin(kRectangle);
  Coord(bottom);
  Coord(right);
  Coord(top);
  Coord(left);
  End();
}

void WmfRecorder::Ellipse(int left, int top, int right, int bottom) {
  Begin(kEllipse);
  Coord(bottom);
  Coord(right);
  Coord(top);
  Coord(left);
  End();
}

void WmfRecorder::SetPixel(int x, int y, Color color) {
  Begin(kSetPixel);
  out_.U32(Resolve(color).ref);
  Coord(y);
  Coord(x);
  End();
}

void WmfRecorder::TextOut(int x, int y, std::string_view text) {
  if (text.empty()) return;
  text = text.substr(0, 0x7FFF);
  // With the advances of every character, as the enhanced metafile has them: without them a
  // reader placed each run of coded text (a superscript after a line of plain text) by its
  // own font's widths, and a title read "r   2" where it was composed "r2".
  const std::vector<int> advances = TextAdvances(text);
  Begin(kExtTextOut);
  Coord(y);
  Coord(x);
  out_.U16(static_cast<std::uint16_t>(text.size()));
  out_.U16(0);  // options: no clipping or opaque rectangle of its own
  for (char c : text) out_.U8(static_cast<std::uint8_t>(c));
  out_.PadTo(2);
  for (int a : advances) Coord(a);
  End();
}

void WmfRecorder::SetClipRect(const Rect& rect) {
  // A clip region can only shrink within one saved state: go back to the unclipped state
  // saved before the first clip, and save it again for the next one.
  if (clipSaved_) ResetClip();
  Begin(kSaveDc);
  End();
  clipSaved_ = true;
  Begin(kIntersectClipRect);
  Coord(rect.bottom);
  Coord(rect.right);
  Coord(rect.top);
  Coord(rect.left);
  End();
}

void WmfRecorder::ResetClip() {
  if (!clipSaved_) return;
  Begin(kRestoreDc);
  out_.I16(-1);
  End();
  clipSaved_ = false;
  // The restored state has the objects and settings of the moment it was saved: select
  // what is current now, then free what was waiting for the saved state to go.
  for (int index : {current_[kPenSlot], current_[kBrushSlot], current_[kFontSlot]}) {
    if (index < 0) continue;
    Begin(kSelectObject);
    out_.U16(static_cast<std::uint16_t>(index));
    End();
  }
  for (int index : deferredDeletes_) DeleteObject(index);
  deferredDeletes_.clear();
  RecordTextColor(Resolve(textColor_));
  RecordBkColor(Resolve(bkColor_));
  RecordBkMode(bkMode_);
  RecordTextAlign(align_);
  RecordMoveTo(position_.x, position_.y);
}

}  // namespace platform
