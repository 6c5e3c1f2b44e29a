#include "graph3d/option_records.h"

#include <algorithm>
#include <cmath>

#include "app/byte_codec.h"
#include "graph3d/color_schemes.h"

namespace {

// Byte offsets of the view record.
constexpr std::size_t kViewPerspectiveOffset = 66;

template <typename T>
T Clamp(T v, T lo, T hi) {
  return std::clamp(v, lo, hi);
}

long double ClampReal(long double v, long double lo, long double hi) {
  return std::clamp(v, lo, hi);
}

bool AllFinite(std::initializer_list<long double> values) {
  return std::all_of(values.begin(), values.end(), [](long double v) { return std::isfinite(v); });
}

}  // namespace

T3DViewRec DefaultViewRec(ViewRecKind kind) {
  T3DViewRec rec;
  switch (kind) {
    case ViewRecKind::Standard:
      break;
    case ViewRecKind::UserFunctionGraph:
      rec.MeshX = rec.MeshY = 15;
      rec.GridBits = 0;
      rec.LabelBits = 55;
      break;
    case ViewRecKind::ReviewPane:
      rec.GridBits = 48;
      rec.BackPlanes = 1;
      break;
    case ViewRecKind::Sampler:
      rec.LabelBits = 0;
      break;
  }
  return rec;
}

T3DPointsRec DefaultPointsRec(bool userFunctionGraph) {
  T3DPointsRec rec;
  if (userFunctionGraph) rec.Fill = 0;
  return rec;
}

std::vector<std::uint8_t> EncodeViewRec(const T3DViewRec& rec) {
  bytes::ByteWriter w;
  w.I16(rec.GraphType);
  w.I16(rec.MeshX);
  w.I16(rec.MeshY);
  w.I16(rec.HideMesh);
  w.Extended(rec.AngleXY);
  w.Extended(rec.AngleZ);
  w.Extended(rec.LightXY);
  w.Extended(rec.LightZ);
  w.I16(rec.GridBits);
  w.I16(rec.BackPlanes);
  w.I16(rec.ContourBits);
  w.I16(rec.LabelBits);
  w.Extended(rec.FrameSize);
  w.I32(rec.Perspective);
  return w.Take();
}

bool DecodeViewRec(std::span<const std::uint8_t> bytes, T3DViewRec& out) {
  if (bytes.size() != T3DViewRec::kSize && bytes.size() != T3DViewRec::kShortSize) return false;
  bytes::ByteReader r(bytes);
  T3DViewRec rec;
  rec.GraphType = r.I16();
  rec.MeshX = r.I16();
  rec.MeshY = r.I16();
  rec.HideMesh = r.I16();
  rec.AngleXY = r.Extended();
  rec.AngleZ = r.Extended();
  rec.LightXY = r.Extended();
  rec.LightZ = r.Extended();
  rec.GridBits = r.I16();
  rec.BackPlanes = r.I16();
  rec.ContourBits = r.I16();
  rec.LabelBits = r.I16();
  rec.FrameSize = r.Extended();
  rec.Perspective = bytes.size() > kViewPerspectiveOffset ? r.I32() : 0;
  if (!r.Ok()) return false;
  out = rec;
  return true;
}

std::vector<std::uint8_t> EncodePointsRec(const T3DPointsRec& rec) {
  bytes::ByteWriter w;
  w.U16(rec.Size);
  w.U16(rec.Shape);
  w.U16(rec.Fill);
  w.U16(rec.Display);
  w.U32(rec.FitRecordWord);
  return w.Take();
}

bool DecodePointsRec(std::span<const std::uint8_t> bytes, T3DPointsRec& out) {
  if (bytes.size() != T3DPointsRec::kSize) return false;
  bytes::ByteReader r(bytes);
  T3DPointsRec rec;
  rec.Size = r.U16();
  rec.Shape = r.U16();
  rec.Fill = r.U16();
  rec.Display = r.U16();
  rec.FitRecordWord = r.U32();
  rec.FitRecord = out.FitRecord;  // the live link is not part of the stored bytes
  out = rec;
  return r.Ok();
}

std::vector<std::uint8_t> EncodeAnimRec(const T3DAnimRec& rec) {
  bytes::ByteWriter w;
  for (std::int16_t v : {rec.Vary, rec.StartXY, rec.EndXY, rec.StepXY, rec.StartZ, rec.EndZ,
                         rec.StepZ}) {
    w.I16(v);
  }
  return w.Take();
}

bool DecodeAnimRec(std::span<const std::uint8_t> bytes, T3DAnimRec& out) {
  if (bytes.size() != T3DAnimRec::kSize) return false;
  bytes::ByteReader r(bytes);
  for (std::int16_t* v : {&out.Vary, &out.StartXY, &out.EndXY, &out.StepXY, &out.StartZ,
                          &out.EndZ, &out.StepZ}) {
    *v = r.I16();
  }
  return r.Ok();
}

std::vector<std::uint8_t> EncodeScalingBlock(const T3DScalingBlock& b) {
  bytes::ByteWriter w;
  for (auto v : b.Auto) w.I16(v);
  for (auto v : b.Log) w.I16(v);
  for (auto v : b.Zoom) w.Extended(v);
  for (auto v : b.AxisLow) w.Extended(v);
  for (auto v : b.AxisHigh) w.Extended(v);
  for (auto v : b.Divs) w.I16(v);
  for (auto v : b.DataLow) w.Extended(v);
  for (auto v : b.DataHigh) w.Extended(v);
  for (auto v : b.DataDivs) w.I16(v);
  return w.Take();
}

bool DecodeScalingBlock(std::span<const std::uint8_t> bytes, T3DScalingBlock& out) {
  if (bytes.size() != T3DScalingBlock::kSize) return false;
  bytes::ByteReader r(bytes);
  T3DScalingBlock b;
  for (auto& v : b.Auto) v = r.I16();
  for (auto& v : b.Log) v = r.I16();
  for (auto& v : b.Zoom) v = r.Extended();
  for (auto& v : b.AxisLow) v = r.Extended();
  for (auto& v : b.AxisHigh) v = r.Extended();
  for (auto& v : b.Divs) v = r.I16();
  for (auto& v : b.DataLow) v = r.Extended();
  for (auto& v : b.DataHigh) v = r.Extended();
  for (auto& v : b.DataDivs) v = r.I16();
  if (!r.Ok()) return false;
  out = b;
  return true;
}

std::vector<std::uint8_t> EncodePrintGraphRec(const TPrintGraphRec& rec) {
  bytes::ByteWriter w;
  w.I16(rec.Layout);
  w.I16(rec.FrameGraph);
  w.I16(rec.UseColor);
  w.I16(rec.AddSummary);
  w.I16(rec.Orientation);
  for (float m : rec.PortraitMargins) w.F32(m);
  for (float m : rec.LandscapeMargins) w.F32(m);
  w.Raw(rec.Reserved);
  return w.Take();
}

bool DecodePrintGraphRec(std::span<const std::uint8_t> bytes, TPrintGraphRec& out) {
  if (bytes.size() != TPrintGraphRec::kSize) return false;
  bytes::ByteReader r(bytes);
  TPrintGraphRec rec;
  rec.Layout = r.I16();
  rec.FrameGraph = r.I16();
  rec.UseColor = r.I16();
  rec.AddSummary = r.I16();
  rec.Orientation = r.I16();
  for (float& m : rec.PortraitMargins) m = r.F32();
  for (float& m : rec.LandscapeMargins) m = r.F32();
  r.Raw(rec.Reserved.data(), rec.Reserved.size());
  if (!r.Ok()) return false;
  out = rec;
  return true;
}

long double ReducedViewAngle(long double angle) {
  if (!std::isfinite(angle)) return T3DViewRec{}.AngleXY;
  if (angle >= 0 && angle <= 360) return angle;
  long double turned = std::fmod(angle, 360.0L);  // exact for every finite angle
  if (turned < 0) turned += 360;
  return turned >= 360 ? 0 : turned;
}

bool SanitizeViewRec(T3DViewRec& rec) {
  if (!AllFinite({rec.AngleXY, rec.AngleZ, rec.LightXY, rec.LightZ, rec.FrameSize})) {
    return false;
  }
  // A graph type none of the 20 is no view the program made: the type dialog would show
  // one type while the graph kept another.
  if (rec.GraphType < 0 || rec.GraphType >= kGraphTypeCount) return false;
  rec.HideMesh = rec.HideMesh != 0 ? 1 : 0;
  rec.ContourBits = static_cast<std::int16_t>(rec.ContourBits & 3);
  rec.LabelBits = static_cast<std::int16_t>(rec.LabelBits & 1023);
  rec.MeshX = Clamp<std::int16_t>(rec.MeshX, 5, 120);
  rec.MeshY = Clamp<std::int16_t>(rec.MeshY, 5, 120);
  rec.AngleXY = ReducedViewAngle(rec.AngleXY);
  rec.AngleZ = ClampReal(rec.AngleZ, -90, 90);
  rec.LightXY = ClampReal(rec.LightXY, -180, 180);
  rec.LightZ = ClampReal(rec.LightZ, -90, 90);
  // Grid level (high byte) 0-10; the low byte carries the six grid families.
  const int level = std::min((static_cast<std::uint16_t>(rec.GridBits) >> 8) & 0xFF, 10);
  rec.GridBits = static_cast<std::int16_t>((level << 8) | (rec.GridBits & 63));
  rec.BackPlanes = Clamp<std::int16_t>(rec.BackPlanes, 0, 3);
  rec.FrameSize = ClampReal(rec.FrameSize, 0.75L, 1.25L);
  rec.Perspective = Clamp<std::int32_t>(rec.Perspective, 0, 5);
  return true;
}

bool SanitizePrintGraphRec(TPrintGraphRec& rec) {
  if (rec.Layout < 0 || rec.Layout > 3) return false;
  for (const auto* margins : {&rec.PortraitMargins, &rec.LandscapeMargins})
    for (float cm : *margins)
      if (!(cm >= 0.0f && cm <= 100.0f)) return false;
  rec.Orientation = static_cast<std::int16_t>(rec.Layout % 2);
  for (std::int16_t* flag : {&rec.FrameGraph, &rec.UseColor, &rec.AddSummary})
    *flag = *flag != 0;
  return true;
}

void WidenEmptyRange(long double& lo, long double& hi) {
  if (lo != hi || !std::isfinite(lo)) return;
  // A step of 2^-40 of the magnitude is still many units of the last place apart, so the
  // renderer's scales see a real width.
  constexpr long double kRelativeStep = 0x1p-40L;
  long double top = lo + 1;
  if (top == lo) top = lo + std::fabs(lo) * kRelativeStep;
  if (std::isfinite(top)) {
    hi = top;
  } else {
    lo = hi - std::fabs(hi) * kRelativeStep;
  }
}

bool SanitizeScalingBlock(T3DScalingBlock& b) {
  for (int a = 0; a < 3; ++a) {
    if (!AllFinite({b.Zoom[a], b.AxisLow[a], b.AxisHigh[a], b.DataLow[a], b.DataHigh[a]})) {
      return false;
    }
  }
  // The widest log axis the dialog's range fields make: 1E-4900 to 1E4900, in decades.
  constexpr long double kWidestDecade = 4900;
  for (int a = 0; a < 3; ++a) {
    b.Auto[a] = b.Auto[a] != 0 ? 1 : 0;
    b.Log[a] = b.Log[a] != 0 ? 1 : 0;
    // Beyond it the ends shown (10 to the power of the decades) are 0 or infinite.
    if (b.Log[a] != 0 && (std::fabs(b.AxisLow[a]) > kWidestDecade || std::fabs(b.AxisHigh[a]) > kWidestDecade))
      return false;
    if (b.Zoom[a] == 0) b.Zoom[a] = 1;
    b.Zoom[a] = ClampReal(b.Zoom[a], 1, 10);
    // As the scaling dialog leaves a range: ascending and never empty. A range wider than
    // the 80-bit range has no width to draw on: the file is damaged.
    if (b.AxisLow[a] > b.AxisHigh[a]) std::swap(b.AxisLow[a], b.AxisHigh[a]);
    WidenEmptyRange(b.AxisLow[a], b.AxisHigh[a]);
    const long double width = b.AxisHigh[a] - b.AxisLow[a];
    if (!(width > 0) || !std::isfinite(width)) return false;
    b.Divs[a] = Clamp<std::int16_t>(b.Divs[a], 1, 20);
    b.DataDivs[a] = Clamp<std::int16_t>(b.DataDivs[a], 1, 20);
  }
  return true;
}

bool SanitizeAnimRec(T3DAnimRec& rec) {
  // A vary mode or scope no button sets turns nothing (the player drew one frame forever).
  if (rec.Mode() < 1 || rec.Mode() > 4 || rec.Scope() > 2) return false;
  // The XY end may be 360: the dialog's own reset sets it so.
  rec.StartXY = Clamp<std::int16_t>(rec.StartXY, 0, 360);
  rec.EndXY = Clamp<std::int16_t>(rec.EndXY, 0, 360);
  rec.StepXY = Clamp<std::int16_t>(rec.StepXY, -180, 180);
  rec.StartZ = Clamp<std::int16_t>(rec.StartZ, -90, 90);
  rec.EndZ = Clamp<std::int16_t>(rec.EndZ, -90, 90);
  rec.StepZ = Clamp<std::int16_t>(rec.StepZ, -90, 90);
  return true;
}
