#include "app/log_font.h"

#include "app/byte_codec.h"
#include "app/settings_file.h"

namespace {
constexpr std::size_t kFaceSize = 32;
}

TLogFont DecodeLogFont(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kLogFontSize) return {};
  bytes::ByteReader r(bytes);
  TLogFont f;
  f.height = r.I32();
  f.width = r.I32();
  f.escapement = r.I32();
  f.orientation = r.I32();
  f.weight = r.I32();
  f.italic = r.U8(), f.underline = r.U8(), f.strikeOut = r.U8(), f.charSet = r.U8();
  f.outPrecision = r.U8(), f.clipPrecision = r.U8(), f.quality = r.U8(), f.pitchAndFamily = r.U8();
  f.faceName = r.FixedString(kFaceSize);
  return f;
}

std::vector<std::uint8_t> EncodeLogFont(const TLogFont& f) {
  bytes::ByteWriter w;
  w.I32(f.height), w.I32(f.width), w.I32(f.escapement), w.I32(f.orientation), w.I32(f.weight);
  w.U8(f.italic), w.U8(f.underline), w.U8(f.strikeOut), w.U8(f.charSet);
  w.U8(f.outPrecision), w.U8(f.clipPrecision), w.U8(f.quality), w.U8(f.pitchAndFamily);
  w.FixedString(f.faceName, kFaceSize);
  return w.Take();
}

TLogFont DefaultTextFont() {
  TLogFont f;
  f.height = 11;
  f.weight = 400;
  f.pitchAndFamily = 0x22;  // variable pitch, swiss
  f.faceName = "Arial";
  return f;
}

TLogFont SlotFont(int slot) {
  const auto& fonts = CurrentSettings().fontLogFont;
  if (slot < 0 || static_cast<std::size_t>(slot) >= fonts.size()) return {};
  return DecodeLogFont(fonts[static_cast<std::size_t>(slot)]);
}

void SetSlotFont(int slot, const TLogFont& font) {
  auto& fonts = CurrentSettings().fontLogFont;
  if (slot < 0 || static_cast<std::size_t>(slot) >= fonts.size()) return;
  fonts[static_cast<std::size_t>(slot)] = EncodeLogFont(font);
}
