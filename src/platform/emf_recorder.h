// Records a picture as an enhanced metafile (32-bit records, text in UTF-16), the form of
// .emf files and of the clipboard's enhanced metafiles.
#pragma once

#include <string_view>
#include <vector>

#include "platform/le_bytes.h"
#include "platform/metafile_recorder.h"

namespace platform {

class EmfRecorder final : public MetafileRecorder {
 public:
  // A picture of width x height device units at dpi units per inch; the description is
  // stored in the header as given (NULs included).
  EmfRecorder(int width, int height, int dpi, DeviceContext* measure,
              std::string_view description);

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

  void Begin(std::uint32_t type);
  void End();
  void Box(int left, int top, int right, int bottom);
  void Poly(std::uint32_t type, std::span<const Point> points);
  void U32Record(std::uint32_t type, std::uint32_t value);
  // The handle a new object of the slot gets; the object it replaces is deleted once the
  // new one is selected.
  std::uint32_t NewHandle();
  void SelectNew(Slot slot, std::uint32_t handle);

  LeBytes out_;
  std::size_t recordStart_ = 0;
  std::uint32_t records_ = 0;
  std::vector<bool> handleUsed_ = {true};  // handle 0 stands for the metafile itself
  std::uint32_t current_[3] = {0, 0, 0};
};

}  // namespace platform
