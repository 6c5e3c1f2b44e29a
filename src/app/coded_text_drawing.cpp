#include "app/coded_text_drawing.h"

bool DcCodedTextMetrics::HasFont(int font) const {
  return font >= 0 && font < kCodedFontCount && fonts_[static_cast<std::size_t>(font)];
}

CodedTextExtent DcCodedTextMetrics::Extent(int font, std::string_view text) const {
  if (HasFont(font)) dc_.SelectFont(*fonts_[static_cast<std::size_t>(font)]);
  const platform::Size s = dc_.GetTextExtent(text);
  return {s.cx, s.cy};
}

int DrawCodedText(platform::DeviceContext& dc, platform::DeviceContext& measure,
                  std::string_view text, const CodedFontSet& fonts, int x, int y, int limit,
                  int alignment, int bottom, int colorFlag, platform::Color defaultColor) {
  if (!fonts[0]) return 0;  // no normal font: nothing can be drawn or measured
  dc.SelectFont(*fonts[0]);
  measure.SelectFont(*fonts[0]);
  dc.SetTextColor(defaultColor);
  const DcCodedTextMetrics metrics(measure, fonts);
  const CodedTextLayout layout = LayoutCodedText(metrics, text, x, y, limit, alignment,
                                                 bottom != 0, colorFlag != 0, defaultColor.ref);
  dc.SetTextAlign(layout.align);
  for (const CodedTextRun& run : layout.runs) {
    if (metrics.HasFont(run.font)) dc.SelectFont(*fonts[static_cast<std::size_t>(run.font)]);
    dc.SetTextColor(platform::Color{run.color});
    dc.TextOut(run.x, run.y, run.text);
  }
  dc.SelectFont(*fonts[0]);
  measure.SelectFont(*fonts[0]);
  dc.SetTextColor(defaultColor);
  return layout.result;
}

int DrawCodedTextOnDC(platform::DeviceContext& dc, std::string_view text,
                      const CodedFontSet& fonts, int x, int y, int limit, int alignment,
                      int bottom, int colorFlag, platform::Color defaultColor) {
  return DrawCodedText(dc, dc, text, fonts, x, y, limit, alignment, bottom, colorFlag,
                       defaultColor);
}
