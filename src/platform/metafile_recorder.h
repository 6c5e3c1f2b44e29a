// Device contexts that record a picture as a Windows metafile (WMF) or an enhanced metafile
// (EMF) instead of drawing it, so that a graph can be copied or saved in the vector formats
// other programs paste and open. Both are written by our own code from the published
// layouts of the two formats; colours are stored as plain RGB (palette colours are resolved
// through the selected palette when a pen, brush or pixel is recorded).
//
// A metafile cannot be read back while it is recorded: GetPixel answers Color::Invalid(),
// CreateCompatible gives null and BitBlt copies nothing. Text is measured on a reference
// context (the screen's) when one is given, else with the recording context's simple
// metrics, so that layouts match what the user sees.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/device_context.h"

namespace platform {

// What both recorders keep of the drawing state; each writes its own records.
class MetafileRecorder : public DeviceContext {
 public:
  // The picture is width x height device units at dpi units per inch. `measure`, when not
  // null, must outlive the recorder.
  MetafileRecorder(int width, int height, int dpi, DeviceContext* measure);

  // The finished file's bytes; the recorder takes no more drawing afterwards.
  virtual std::vector<std::uint8_t> Finish() = 0;

  DeviceCaps Caps() const override;
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
  Color GetPixel(int x, int y) const override;
  Size GetTextExtent(std::string_view text) const override;
  std::unique_ptr<DeviceContext> CreateCompatible(int width, int height) override;
  bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sourceX,
              int sourceY) override;

 protected:
  // Each records the change of one piece of state; called only when it changes.
  virtual void RecordPen(const Pen& pen, Color rgb) = 0;
  virtual void RecordBrush(const Brush& brush, Color rgb) = 0;
  virtual void RecordFont(const Font& font) = 0;
  virtual void RecordTextColor(Color rgb) = 0;
  virtual void RecordBkColor(Color rgb) = 0;
  virtual void RecordBkMode(BkMode mode) = 0;
  virtual void RecordTextAlign(unsigned flags) = 0;
  virtual void RecordMoveTo(int x, int y) = 0;

  Color Resolve(Color c) const { return ResolveColor(c, palette_); }
  // Each character's advance, from the widths of the text's growing beginnings as the
  // reference context measures them: a reader that lays the text out with these places every
  // run where the picture was composed, whatever widths its own font of that name has.
  std::vector<int> TextAdvances(std::string_view text) const;

  int width_;
  int height_;
  int dpi_;
  DeviceContext* measure_;
  Pen pen_;
  Brush brush_;
  Font font_;
  const Palette* palette_ = nullptr;
  Color textColor_ = Color::Black();
  Color bkColor_ = Color::White();
  BkMode bkMode_ = BkMode::Opaque;
  unsigned align_ = TextAlign::kLeft | TextAlign::kTop;
  Point position_;
  bool finished_ = false;
};

}  // namespace platform
