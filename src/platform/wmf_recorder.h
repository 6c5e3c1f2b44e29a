// Records a picture as a Windows metafile (16-bit records, the format of clipboard metafile
// pictures and, behind a placeable header, of .wmf files).
#pragma once

#include <vector>

#include "platform/le_bytes.h"
#include "platform/metafile_recorder.h"

namespace platform {

class WmfRecorder final : public MetafileRecorder {
 public:
  // The metafile's window: origin (0, 0) and extent (extentX, extentY); coordinates are
  // stored as 16-bit values and limited to that range.
  WmfRecorder(int extentX, int extentY, int dpi, DeviceContext* measure);

  std::vector<std::uint8_t> Finish() override;

  void LineTo(int x, int y) override;
  void Polyline(std::span<const Point> points) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Polygon(std::span<const Point> points) override;
  void SetPixel(int x, int y, Color color) override;
  void TextOut(int x, int y, std::string_view text) override;
  void SetClipRect(const Rect& rect) override;
  void ResetClip() override;

 private:
  enum Slot { kPenSlot, kBrushSlot, kFontSlot };

  void RecordPen(const Pen& pen, Color rgb) override;
  void RecordBrush(const Brush& brush, Color rgb) override;
  void RecordFont(const Font& font) override;
  void RecordTextColor(Color rgb) override;
  void RecordBkColor(Color rgb) override;
  void RecordBkMode(BkMode mode) override;
  void RecordTextAlign(unsigned flags) override;
  void RecordMoveTo(int x, int y) override;

  // Starts a record; End patches its size and keeps the largest.
  void Begin(std::uint16_t function);
  void End();
  void Coord(int v);
  void Points(std::span<const Point> points);
  // Records of at most the format's 32,767 points that draw what the whole figure would.
  void PolylinePieces(std::span<const Point> points);
  void FillPolygonInPieces(std::span<const Point> points);
  // Puts a new object in the lowest free slot of the object table, selects it and deletes
  // the one it replaces (later, when a saved state may still refer to it).
  void ReplaceObject(Slot slot);
  void DeleteObject(int index);

  LeBytes out_;
  std::size_t recordStart_ = 0;
  std::uint32_t maxRecordWords_ = 0;
  std::vector<bool> objectUsed_;
  int current_[3] = {-1, -1, -1};
  std::vector<int> deferredDeletes_;
  bool clipSaved_ = false;
};

}  // namespace platform
