// Where a graph goes on a printed page: the margins of the four page layouts, the graph's
// rectangle in the printable area, the view that fills it, and the rectangle of the numeric
// summary under it.
#pragma once

#include <array>
#include <string>

#include "graph3d/option_records.h"
#include "platform/device_context.h"

inline constexpr long double kInchesPerCm = 0.39370079331436747L;

// Page layouts of the print record.
enum PrintLayout : int {
  kLayoutHalfPagePortrait = 0,
  kLayoutFullPageLandscape = 1,
  kLayoutCustomPortrait = 2,
  kLayoutCustomLandscape = 3,
};

// Margins in inches: left, top, right, bottom. Half page 0.5 with 6 below; full page 1 on
// every side; the custom layouts the record's centimetres (each product kept as a float).
std::array<float, 4> PrintMarginsInches(const TPrintGraphRec& rec);

// The margins a fixed layout prints with, in centimetres to the hundredth: what its dialog
// shows in its margin fields (half page 1.27, 1.27, 1.27 and 15.24; full page 2.54 each).
// A custom layout's are the record's own.
std::array<float, 4> FixedLayoutMarginsCm(int layout);

// Characters a Print Graph margin field holds.
inline constexpr std::size_t kMarginTextSize = 8;

// The text a margin field shows a margin with: its usual form (the hundredths of Print Graph,
// five digits in Print Text) when that reads back to the margin itself, else the fewest
// significant digits that do within the field's room, so that an untouched OK or Save keeps
// the margin the dialog was opened with. A margin no text of that room holds keeps the usual.
std::string MarginText(float cm, const std::string& usual, std::size_t room);

// The printer's page as the graph print reads it.
struct TPrinterPage {
  int horzRes = 0;     // printable width and height in pixels
  int vertRes = 0;
  int dpiX = 0;        // pixels per inch
  int dpiY = 0;
  int offsetX = 0;     // printable area's offset from the physical page's corner
  int offsetY = 0;
  int physicalWidth = 0;  // the whole sheet in pixels
  int physicalHeight = 0;
};

// The graph's rectangle in printable-area coordinates; margins that leave nothing give the
// central 80 % of the printable area.
platform::Rect GraphPrintRect(const std::array<float, 4>& marginsInches, const TPrinterPage& page);

// The summary's rectangle under a graph: an inch in from the sheet's left, right and bottom
// edges, starting half an inch below the graph.
platform::Rect SummaryPrintRect(const platform::Rect& graph, const TPrinterPage& page);

// The view that fills a print rectangle: its centre (a little below the middle), the scales
// and the aspect.
struct TPrintView {
  int centerX = 0;
  int centerY = 0;
  long double scaleX = 0.0L;
  long double scaleY = 0.0L;
  long double aspect = 0.0L;
};
TPrintView PrintViewFor(const platform::Rect& graph);

// Whether the layout may carry the numeric summary: the portrait layouts only.
inline bool LayoutAllowsSummary(int layout) {
  return layout == kLayoutHalfPagePortrait || layout == kLayoutCustomPortrait;
}
