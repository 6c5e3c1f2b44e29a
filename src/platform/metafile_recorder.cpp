#include "platform/metafile_recorder.h"

#include <algorithm>

#include "platform/recording_device_context.h"

namespace platform {

MetafileRecorder::MetafileRecorder(int width, int height, int dpi, DeviceContext* measure)
    : width_(width), height_(height), dpi_(dpi > 0 ? dpi : 96), measure_(measure) {}

DeviceCaps MetafileRecorder::Caps() const {
  DeviceCaps caps;
  caps.width = width_;
  caps.height = height_;
  caps.dpiX = caps.dpiY = dpi_;
  caps.colorBits = 24;
  return caps;
}

Pen MetafileRecorder::SelectPen(const Pen& pen) {
  const Pen previous = pen_;
  if (!(pen == pen_)) {
    pen_ = pen;
    RecordPen(pen_, Resolve(pen_.color));
  }
  return previous;
}

Brush MetafileRecorder::SelectBrush(const Brush& brush) {
  const Brush previous = brush_;
  if (!(brush == brush_)) {
    brush_ = brush;
    RecordBrush(brush_, Resolve(brush_.color));
  }
  return previous;
}

Font MetafileRecorder::SelectFont(const Font& font) {
  const Font previous = font_;
  if (!(font == font_)) {
    font_ = font;
    RecordFont(font_);
  }
  return previous;
}

const Palette* MetafileRecorder::SelectPalette(const Palette* palette) {
  const Palette* previous = palette_;
  const Color pen = Resolve(pen_.color), brush = Resolve(brush_.color);
  const Color text = Resolve(textColor_), bk = Resolve(bkColor_);
  palette_ = palette;
  // Colours are stored as RGB: selected palette colours that now resolve differently are
  // recorded again.
  if (!(Resolve(pen_.color) == pen)) RecordPen(pen_, Resolve(pen_.color));
  if (!(Resolve(brush_.color) == brush)) RecordBrush(brush_, Resolve(brush_.color));
  if (!(Resolve(textColor_) == text)) RecordTextColor(Resolve(textColor_));
  if (!(Resolve(bkColor_) == bk)) RecordBkColor(Resolve(bkColor_));
  return previous;
}

int MetafileRecorder::RealizePalette() {
  return palette_ ? static_cast<int>(palette_->entries.size()) : 0;
}

Color MetafileRecorder::SetTextColor(Color color) {
  const Color previous = textColor_;
  if (!(color == textColor_)) {
    textColor_ = color;
    RecordTextColor(Resolve(color));
  }
  return previous;
}

Color MetafileRecorder::SetBkColor(Color color) {
  const Color previous = bkColor_;
  if (!(color == bkColor_)) {
    bkColor_ = color;
    RecordBkColor(Resolve(color));
  }
  return previous;
}

BkMode MetafileRecorder::SetBkMode(BkMode mode) {
  const BkMode previous = bkMode_;
  if (mode != bkMode_) {
    bkMode_ = mode;
    RecordBkMode(mode);
  }
  return previous;
}

unsigned MetafileRecorder::SetTextAlign(unsigned flags) {
  const unsigned previous = align_;
  if (flags != align_) {
    align_ = flags;
    RecordTextAlign(flags);
  }
  return previous;
}

void MetafileRecorder::MoveTo(int x, int y) {
  position_ = {x, y};
  RecordMoveTo(x, y);
}

Color MetafileRecorder::GetPixel(int, int) const { return Color::Invalid(); }

Size MetafileRecorder::GetTextExtent(std::string_view text) const {
  if (measure_ == nullptr) return RecordingDeviceContext::TextExtentFor(font_, text.size());
  const Font previous = measure_->SelectFont(font_);
  const Size size = measure_->GetTextExtent(text);
  measure_->SelectFont(previous);
  return size;
}

std::vector<int> MetafileRecorder::TextAdvances(std::string_view text) const {
  std::vector<int> advances(text.size());
  int before = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int upTo = GetTextExtent(text.substr(0, i + 1)).cx;
    advances[i] = std::max(0, upTo - before);
    before = upTo;
  }
  return advances;
}

std::unique_ptr<DeviceContext> MetafileRecorder::CreateCompatible(int, int) { return nullptr; }

bool MetafileRecorder::BitBlt(int, int, int, int, const DeviceContext&, int, int) { return false; }

}  // namespace platform
