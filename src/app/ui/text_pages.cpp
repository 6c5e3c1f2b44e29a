#include "app/ui/text_pages.h"

#include <algorithm>

#include "app/coded_text.h"
#include "app/date_time_text.h"
#include "app/page_breaks.h"
#include "app/text_line_buffer.h"
#include "app/ui/text_window.h"

namespace {

constexpr int kSmallestPrintPoints = 6;  // the smallest size the font dialogs offer

int WidestLine(platform::DeviceContext& dc, const TTextPageFonts& f, const TExportLines& lines, int first,
               int last) {
  dc.SelectFont(*f.fonts[0]);
  int widest = 0;
  for (int i = first; i < last; ++i)
    widest = std::max(widest, SegmentedLineWidth(dc, f.fonts, lines.Line(i), lines.Attr(i), f.charStep));
  return widest;
}

}  // namespace

int ShrinkFontToFit(TLogFont& font, int room, int widest, const std::function<int(const TLogFont&)>& widestAt) {
  while (widest > room && font.height > kSmallestPrintPoints) {
    const int fitting = static_cast<int>(static_cast<long long>(font.height) * room / widest);
    font.height = std::clamp(fitting, kSmallestPrintPoints, font.height - 1);
    widest = widestAt(font);
  }
  return widest;
}

int SegmentedLineWidth(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text,
                       const std::uint8_t* attr, int charStep) {
  int column = 0;
  int right = 0;
  for (auto [offset, length] : LineSegments(text, attr)) {
    const std::string_view segment = text.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    const int width = segment.find('~') != std::string_view::npos
                          ? MeasureCodedText(DcCodedTextMetrics(dc, fonts), segment, length, nullptr)
                          : dc.GetTextExtent(segment).cx;
    right = std::max(right, column * charStep + width);
    column += VisibleWidth(segment);
  }
  return right;
}

PrintOutcome DrawTextPages(platform::DeviceContext& dc, const TTextPrintRequest& request,
                           const TTextPrintOptions& options, const TTextPageFontMaker& makeFonts,
                           const std::function<bool()>& nextPage) {
  const platform::DeviceCaps caps = dc.Caps();
  const TPrintRect r = TextPrintRect(options, caps.width, caps.height, caps.dpiX, caps.dpiY, 0, 0);
  const TExportLines& lines = *request.lines;
  const int first = std::max(request.first, 0);
  const int last = std::min(request.last, lines.Count());
  const int room = r.right - r.left;

  TLogFont font = request.font;
  TTextPageFonts f = makeFonts(font);
  const int widest = ShrinkFontToFit(font, room, WidestLine(dc, f, lines, first, last), [&](const TLogFont& size) {
    f = makeFonts(size);
    return WidestLine(dc, f, lines, first, last);
  });
  if (widest > room && request.overflowQuestion && !request.overflowQuestion()) return PrintOutcome::Cancelled;

  dc.SetClipRect({r.left, r.top, r.right, r.bottom});
  const int indent = options.centre && room > widest ? (room - widest) / 2 : 0;
  const bool colors = options.colour && request.colors;
  const platform::Color color = colors ? request.color : platform::Color::Black();
  dc.SelectFont(*f.fonts[0]);
  dc.SetTextColor(color);
  dc.SetBkMode(platform::BkMode::Transparent);
  const std::string date = DateString();
  int index = first;
  for (int page = 1;; ++page) {
    int y = r.top;
    const std::string header = TextPrintHeader(options, date, page);
    if (!header.empty()) {
      dc.SetTextAlign(platform::TextAlign::kRight | platform::TextAlign::kTop);
      dc.TextOut(r.right, y, header);
      dc.SetTextAlign(platform::TextAlign::kLeft | platform::TextAlign::kTop);
    }
    for (const std::string& t : request.titleBlock) {
      dc.TextOut(r.left, y, t);
      y += f.lineStep;
    }
    if (!request.titleBlock.empty() || !header.empty()) y += f.lineStep;
    int fits = index;
    for (int at = y; fits < last && at < r.bottom - f.lineStep; at += f.lineStep) ++fits;
    // A heading ends no page: it goes over with the lines it heads.
    const int end = PageEnd(lines, index, fits, first, last);
    int printed = 0;
    for (; index < end; ++index, ++printed) {
      DrawSegmentedLine(dc, f.fonts, lines.Line(index), lines.Attr(index), r.left + indent, y, f.charStep, colors,
                        color);
      y += f.lineStep;
    }
    // A page without room for a single line would never end.
    if (index >= last || printed == 0) return PrintOutcome::Printed;
    if (!nextPage()) return PrintOutcome::Cancelled;
  }
}
