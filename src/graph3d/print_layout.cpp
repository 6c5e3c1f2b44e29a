#include "graph3d/print_layout.h"

#include <cmath>
#include <optional>

#include "app/c_format.h"
#include "app/field_text.h"

namespace {

// Whether a shown text reads back to the margin as the field reads it (then kept as a float).
bool ReadsBackAs(const std::string& text, float cm) {
  const std::optional<long double> read = ReadRealText(text);
  return read && static_cast<float>(*read) == cm;
}

}  // namespace

std::array<float, 4> PrintMarginsInches(const TPrintGraphRec& rec) {
  switch (rec.Layout) {
    case kLayoutHalfPagePortrait: return {0.5f, 0.5f, 0.5f, 6.0f};
    case kLayoutFullPageLandscape: return {1.0f, 1.0f, 1.0f, 1.0f};
    default: break;
  }
  const std::array<float, 4>& cm =
      rec.Layout == kLayoutCustomPortrait ? rec.PortraitMargins : rec.LandscapeMargins;
  std::array<float, 4> inches{};
  for (std::size_t i = 0; i < 4; ++i) inches[i] = static_cast<float>(cm[i] * kInchesPerCm);
  return inches;
}

std::array<float, 4> FixedLayoutMarginsCm(int layout) {
  TPrintGraphRec rec;
  rec.Layout = static_cast<std::int16_t>(layout);
  const std::array<float, 4> inches = PrintMarginsInches(rec);
  std::array<float, 4> cm{};
  for (std::size_t i = 0; i < 4; ++i) cm[i] = static_cast<float>(std::round(inches[i] / kInchesPerCm * 100) / 100);
  return cm;
}

std::string MarginText(float cm, const std::string& usual, std::size_t room) {
  if (ReadsBackAs(usual, cm)) return usual;
  for (int digits = 1; digits <= 9; ++digits) {
    std::string text = CFormat("%.*g", digits, static_cast<double>(cm));
    // ".1234567" fits a field that "0.1234567" does not, and is how such a margin was typed.
    if (text.size() > room && text.starts_with("0.")) text.erase(0, 1);
    if (text.size() <= room && ReadsBackAs(text, cm)) return text;
  }
  return usual;
}

platform::Rect GraphPrintRect(const std::array<float, 4>& margins, const TPrinterPage& page) {
  // Products truncate to whole pixels; each margin is measured from the sheet's edge.
  const auto pixels = [](int dpi, float inches) { return static_cast<int>(static_cast<long double>(dpi) * inches); };
  platform::Rect r;
  r.left = pixels(page.dpiX, margins[0]) - page.offsetX;
  r.top = pixels(page.dpiY, margins[1]) - page.offsetY;
  r.right = page.horzRes - (pixels(page.dpiX, margins[2]) - page.offsetX);
  r.bottom = page.vertRes - (pixels(page.dpiY, margins[3]) - page.offsetY);
  if (r.right <= r.left || r.bottom <= r.top)
    r = {page.horzRes / 10, page.vertRes / 10, page.horzRes / 10 * 9, page.vertRes / 10 * 9};
  return r;
}

platform::Rect SummaryPrintRect(const platform::Rect& graph, const TPrinterPage& page) {
  // The right edge stands an inch from the sheet's right edge, as the left and bottom edges
  // stand an inch from theirs.
  const int sheetWidth = page.physicalWidth > 0 ? page.physicalWidth : page.horzRes + 2 * page.offsetX;
  platform::Rect r;
  r.left = page.dpiX - page.offsetX;
  r.top = graph.bottom + page.dpiY / 2;
  r.right = sheetWidth - page.dpiX - page.offsetX;
  r.bottom = page.vertRes - (page.dpiY - page.offsetY);
  return r;
}

TPrintView PrintViewFor(const platform::Rect& graph) {
  TPrintView view;
  view.centerX = (graph.left + graph.right) / 2;
  view.centerY = (graph.top + graph.bottom) / 2 + (graph.top + graph.bottom) / 25;
  view.scaleX = (graph.right - graph.left) * 0.85L * 0.005L;
  view.scaleY = (graph.bottom - graph.top) * 0.85L * 0.005L;
  view.aspect = graph.right > graph.left
                    ? static_cast<long double>(graph.bottom - graph.top) / (graph.right - graph.left)
                    : 1.0L;
  return view;
}
