#include "review/ui/summary_drawing.h"

#include <algorithm>

#include "app/ui/text_window.h"
#include "app/settings_file.h"
#include "fit/session.h"
#include "graph3d/color_schemes.h"
#include "review/pane_text.h"

namespace {

// The settings' font slot of the review's printed summary.
constexpr int kFontSlotReviewPrint = 15;
constexpr int kDefaultPrintPoints = 10;

}  // namespace

TLogFont ReviewPrintFont() {
  TLogFont font = SlotFont(kFontSlotReviewPrint);
  if (font.IsDefault()) {
    font = DefaultTextFont();
    font.height = kDefaultPrintPoints;
  }
  return font;
}

void DrawSummaryLines(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, const TMFile& lines,
                      const TLogFont& font) {
  const CodedFontSet fonts = MakeCodedFonts(font, dpi);
  const platform::Font previous = dc.SelectFont(*fonts[0]);
  // The average character of the face, as the classic metrics give it, widened by a fifth
  // so that the figures' columns never touch.
  static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const platform::Size alphabet = dc.GetTextExtent(kAlphabet);
  const int average = std::max(1, (alphabet.cx + static_cast<int>(kAlphabet.size()) / 2) /
                                      static_cast<int>(kAlphabet.size()));
  const int charWidth = std::max(1, 6 * average / 5);
  const int lineHeight = std::max(1, alphabet.cy);
  const int centre = (rect.left + rect.right) / 2;
  const int left = std::max(rect.left, centre - (lines.MaxWidth() / 2) * charWidth);
  const platform::Color color = Basic16Colors[0];
  dc.SetTextColor(color);
  dc.SetBkMode(platform::BkMode::Transparent);
  dc.SetTextAlign(platform::TextAlign::kLeft | platform::TextAlign::kTop);
  // Lines wider than the rectangle are cut at its edge rather than drawn over the graph.
  dc.SetClipRect(rect);
  int y = rect.top;
  for (int i = 0; i < lines.LineCount() && y + lineHeight <= rect.bottom; ++i, y += lineHeight) {
    if (lines.GetLineLength(i) == 0) continue;
    DrawSegmentedLine(dc, fonts, lines.GetLine(i), lines.GetLineAttr(i), left, y, charWidth, true, color);
  }
  dc.ResetClip();
  dc.SelectFont(previous);
}

void DrawCurrentFitSummary(const TSession& session, platform::DeviceContext& dc, int dpi, const platform::Rect& rect) {
  TNumericPaneSettings settings;
  settings.levelIndex = CurrentSettings().LimitsLevel;
  const std::unique_ptr<TMFile> text = BuildSummaryText(session, settings);
  if (text) DrawSummaryLines(dc, dpi, rect, *text, ReviewPrintFont());
}
