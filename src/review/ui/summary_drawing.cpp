#include "review/ui/summary_drawing.h"

#include <QApplication>

#include <algorithm>

#include "app/ui/text_pages.h"
#include "app/ui/text_window.h"
#include "app/settings_file.h"
#include "fit/session.h"
#include "graph3d/color_schemes.h"
#include "graph3d/ui/evaluation_progress.h"
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

namespace {

// The summary's fonts at one size, and the steps its cells and lines are drawn at.
struct TSummaryFonts {
  CodedFontSet fonts;
  int charWidth = 1;
  int lineHeight = 1;
  int widest = 0;  // the widest line drawn at charWidth
};

// Selects the fonts' first into `dc` and answers the font it replaced.
platform::Font MeasureSummary(platform::DeviceContext& dc, int dpi, const TMFile& lines, const TLogFont& font,
                              TSummaryFonts& f) {
  f = TSummaryFonts{};
  f.fonts = MakeCodedFonts(font, dpi);
  const platform::Font replaced = dc.SelectFont(*f.fonts[0]);
  // The average character of the face, as the classic metrics give it, widened by a fifth
  // so that the figures' columns never touch.
  static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const platform::Size alphabet = dc.GetTextExtent(kAlphabet);
  const int average = std::max(1, (alphabet.cx + static_cast<int>(kAlphabet.size()) / 2) /
                                      static_cast<int>(kAlphabet.size()));
  f.charWidth = std::max(1, 6 * average / 5);
  f.lineHeight = std::max(1, alphabet.cy);
  for (int i = 0; i < lines.LineCount(); ++i)
    if (lines.GetLineLength(i) > 0)
      f.widest = std::max(f.widest, SegmentedLineWidth(dc, f.fonts, lines.GetLine(i), lines.GetLineAttr(i), f.charWidth));
  return replaced;
}

}  // namespace

void DrawSummaryLines(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, const TMFile& lines,
                      const TLogFont& font, bool colors) {
  // A figure cut at the edge is a wrong figure: the whole summary takes a smaller font, in
  // whole points, until its widest line fits, as the printed text pages do.
  const int room = rect.right - rect.left;
  TLogFont size = font;
  TSummaryFonts f;
  const platform::Font previous = MeasureSummary(dc, dpi, lines, size, f);
  ShrinkFontToFit(size, room, f.widest, [&](const TLogFont& smaller) {
    MeasureSummary(dc, dpi, lines, smaller, f);
    return f.widest;
  });
  const int centre = (rect.left + rect.right) / 2;
  const int left = std::max(rect.left, centre - f.widest / 2);
  const platform::Color color = Basic16Colors[0];
  dc.SetTextColor(color);
  dc.SetBkMode(platform::BkMode::Transparent);
  dc.SetTextAlign(platform::TextAlign::kLeft | platform::TextAlign::kTop);
  // Below the smallest size, lines still wider than the rectangle are cut at its edge
  // rather than drawn over the graph.
  dc.SetClipRect(rect);
  int y = rect.top;
  for (int i = 0; i < lines.LineCount() && y + f.lineHeight <= rect.bottom; ++i, y += f.lineHeight) {
    if (lines.GetLineLength(i) == 0) continue;
    DrawSegmentedLine(dc, f.fonts, lines.GetLine(i), lines.GetLineAttr(i), left, y, f.charWidth, colors, color);
  }
  dc.ResetClip();
  dc.SelectFont(previous);
}

void DrawCurrentFitSummary(const TSession& session, platform::DeviceContext& dc, int dpi, const platform::Rect& rect,
                           bool colors) {
  TNumericPaneSettings settings;
  settings.levelIndex = CurrentSettings().LimitsLevel;
  std::unique_ptr<TMFile> text;
  {
    // The summary's figures are the fit's refitted whole (its errors, volume and extrema): a
    // user function's may take minutes. Cancelled, the picture goes without its summary.
    const TEvaluationTask task(QApplication::activeWindow(), QStringLiteral("Summary"),
                               QStringLiteral("Calculation in Progress"));
    text = BuildSummaryText(session, settings);
    if (task.Cancelled()) text.reset();
  }
  if (text) DrawSummaryLines(dc, dpi, rect, *text, ReviewPrintFont(), colors);
}
