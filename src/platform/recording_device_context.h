// A device context that draws nothing and records every call, for tests of the code that
// draws: which figures, in which order, with which pen, brush, font and colours. Text
// metrics are simple and deterministic (below), so layouts can be checked to the pixel
// without a font system.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_context.h"

namespace platform {

enum class DcOpKind : std::uint8_t {
  SelectPen,
  SelectBrush,
  SelectFont,
  SelectPalette,
  RealizePalette,
  SetTextColor,
  SetBkColor,
  SetBkMode,
  SetTextAlign,
  MoveTo,
  LineTo,
  Polyline,
  Rectangle,
  Ellipse,
  Polygon,
  SetPixel,
  GetPixel,
  TextOut,
  GetTextExtent,
  SetClipRect,
  ResetClip,
  CreateCompatible,
  BitBlt,
};

const char* DcOpName(DcOpKind kind);

// One recorded call with the state it was made in. Fields that a call does not use keep
// their defaults.
struct DcOp {
  DcOpKind kind = DcOpKind::MoveTo;
  // MoveTo: the point. LineTo: the start (current position) and the end. Polyline,
  // Polygon: the vertices. SetPixel, GetPixel, TextOut, BitBlt: the point (BitBlt: the
  // destination, then the source position).
  std::vector<Point> points;
  // Rectangle, Ellipse, SetClipRect: the box. BitBlt: the destination box.
  // CreateCompatible: (0, 0, width, height).
  Rect rect;
  Pen pen;        // selected pen (SelectPen: the new one)
  Brush brush;    // selected brush (SelectBrush: the new one)
  Font font;      // selected font (SelectFont: the new one)
  Color color;    // SetTextColor/SetBkColor/SetPixel: the argument; TextOut: text colour
  Color penRgb;   // the pen's and brush's colours resolved through the selected palette
  Color brushRgb;
  unsigned align = 0;              // SetTextAlign: the flags; TextOut: the alignment in force
  BkMode bkMode = BkMode::Opaque;  // SetBkMode: the mode; TextOut: the mode in force
  std::string text;                // TextOut, GetTextExtent
  int value = 0;  // SelectPalette: the entry count (-1 for none); RealizePalette: its result;
                  // CreateCompatible: the index of the made context among Children()
};

class RecordingDeviceContext final : public DeviceContext {
 public:
  explicit RecordingDeviceContext(int width = 640, int height = 480, int dpi = 96,
                                  int colorBits = 24);

  // Text metrics: a character is ceil(h / 2) wide and a line h high, h = |font height|,
  // or 16 for the system font (height 0).
  static Size TextExtentFor(const Font& font, std::size_t characters);

  const std::vector<DcOp>& Ops() const { return ops_; }
  void Clear() { ops_.clear(); }
  std::size_t Count(DcOpKind kind) const;
  std::vector<DcOp> OpsOf(DcOpKind kind) const;
  // The contexts made by CreateCompatible, in order (they record their own calls).
  const std::vector<RecordingDeviceContext*>& Children() const { return childViews_; }
  // Call names one per line with their main arguments, for failure messages.
  std::string Describe() const;

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
  // Pixels keep what SetPixel wrote (figures are not rasterised); others read white.
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
  DcOp& Record(DcOpKind kind);
  bool InsideSurface(int x, int y) const;

  DeviceCaps caps_;
  Pen pen_;
  Brush brush_;
  Font font_;
  const Palette* palette_ = nullptr;
  Color textColor_ = Color::Black();
  Color bkColor_ = Color::White();
  BkMode bkMode_ = BkMode::Opaque;
  unsigned align_ = TextAlign::kLeft | TextAlign::kTop;
  Point position_;
  bool clipped_ = false;
  Rect clip_;
  std::map<std::pair<int, int>, Color> pixels_;
  // GetPixel and GetTextExtent are const but still recorded.
  mutable std::vector<DcOp> ops_;
  // Children made by CreateCompatible stay observable after the caller releases them:
  // the caller owns a forwarding shell, the recorder here.
  std::vector<std::shared_ptr<RecordingDeviceContext>> children_;
  std::vector<RecordingDeviceContext*> childViews_;
};

}  // namespace platform
