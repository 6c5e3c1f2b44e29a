// The pages of a text print (the text windows, the equation lists, the ASCII editor): a
// heading at the top right, the title block, then the lines page by page, laid out and drawn
// on any device context (a printer's, or a recording one in the tests).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/coded_text_drawing.h"
#include "app/log_font.h"
#include "app/text_exports.h"
#include "app/text_print.h"
#include "app/ui/program_printer.h"
#include "platform/device_context.h"

// Lines printed with the saved text-print options: a heading at the top right (date, page
// number), the title block, then the lines [first, last) page by page, centred on the widest
// when the options ask. Colours print only when both the options and `colors` say so.
struct TTextPrintRequest {
  const TExportLines* lines = nullptr;
  int first = 0, last = 0;
  TLogFont font;
  bool colors = false;
  platform::Color color;
  std::vector<std::string> titleBlock;
  // Asked when the widest line is wider than the page allows even in the smallest font;
  // false abandons the print.
  std::function<bool()> overflowQuestion;
  // Asked before each further page; false abandons the print (the user cancelled).
  std::function<bool()> keepGoing;
};

// The fonts of a print at one size, with the steps they give: a line's height and the width
// of a column of the lines' segments.
struct TTextPageFonts {
  CodedFontSet fonts;
  int lineStep = 1;
  int charStep = 1;
};
// Makes the fonts of a font record (height in points) on the device printed on.
using TTextPageFontMaker = std::function<TTextPageFonts(const TLogFont& font)>;

// How far right of x a line reaches when DrawSegmentedLine draws it at x: each segment from
// its column, coded text measured as it is drawn.
int SegmentedLineWidth(platform::DeviceContext& dc, const CodedFontSet& fonts, std::string_view text,
                       const std::uint8_t* attr, int charStep);

// Lines `widest` wide in `font` that are wider than `room` take a smaller font, in whole
// points, until they fit, down to the smallest size the font dialogs offer; `widestAt`
// measures them in each size tried. Answers the last width measured.
int ShrinkFontToFit(TLogFont& font, int room, int widest, const std::function<int(const TLogFont&)>& widestAt);

// Draws the request's pages on `dc`, whose caps are the page, within the options' margins.
// A line wider than the page between the margins would be cut at the right margin (a long
// equation name): the whole print then takes a smaller font, in whole points, until every
// line fits, down to the smallest size the font dialogs offer. `nextPage` is asked between
// pages (false abandons the print). Cancelled when the overflow question or `nextPage` said
// no.
PrintOutcome DrawTextPages(platform::DeviceContext& dc, const TTextPrintRequest& request,
                           const TTextPrintOptions& options, const TTextPageFontMaker& makeFonts,
                           const std::function<bool()>& nextPage);
