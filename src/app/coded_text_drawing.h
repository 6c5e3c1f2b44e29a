// Drawing coded text on a device context: titles, axis names and result lines with their
// superscripts, subscripts, Symbol, bold, italic and colour codes, on screen, printer page or
// off-screen image alike. The walk and the layout are those of app/coded_text.h; this file
// measures on one context and draws on another.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "app/coded_text.h"
#include "platform/device_context.h"

// The five fonts of a coded text: 0 normal, 1 small (80 % of the height), 2 Symbol, 3 bold,
// 4 italic, all of one face, size and escapement. Slot 0 must hold a font; an empty slot
// 1 to 4 leaves the current font selected.
using CodedFontSet = std::array<std::optional<platform::Font>, kCodedFontCount>;

// Measures coded text with a device context and a font set.
class DcCodedTextMetrics final : public CodedTextMetrics {
 public:
  DcCodedTextMetrics(platform::DeviceContext& dc, const CodedFontSet& fonts)
      : dc_(dc), fonts_(fonts) {}
  bool HasFont(int font) const override;
  CodedTextExtent Extent(int font, std::string_view text) const override;

 private:
  platform::DeviceContext& dc_;
  const CodedFontSet& fonts_;
};

// Draws a coded text on `dc`, measuring on `measure` (a printer page is measured on its own
// context, a screen picture may be measured on the screen). limit: -1 vertical text,
// otherwise at most that many characters; alignment 0 left, 1 centred, other right; bottom:
// the reference point is the text's bottom, else its top; colorFlag 0: colour codes are
// consumed but ignored. Returns twice the number of codes met, 0 for a text without a
// tilde. Font 0 is selected into both contexts afterwards and the default colour set.
int DrawCodedText(platform::DeviceContext& dc, platform::DeviceContext& measure,
                  std::string_view text, const CodedFontSet& fonts, int x, int y, int limit,
                  int alignment, int bottom, int colorFlag, platform::Color defaultColor);
// The same, drawing and measuring on one context.
int DrawCodedTextOnDC(platform::DeviceContext& dc, std::string_view text,
                      const CodedFontSet& fonts, int x, int y, int limit, int alignment,
                      int bottom, int colorFlag, platform::Color defaultColor);
