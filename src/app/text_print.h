// Printing a text window: the saved options (the settings' text-print record: date and
// page number in the header, landscape, centring, all lines or the visible ones, colour,
// and four margins in centimetres), the page rectangle they give on a printer, and the
// header text of a page.
#pragma once

#include <string>
#include <vector>

#include "app/settings_file.h"

struct TTextPrintOptions {
  bool date = true, pageNumber = true, landscape = false, centre = true, allLines = true;
  bool colour = false;
  float marginLeft = 2.54f, marginTop = 2.54f, marginRight = 2.54f, marginBottom = 2.54f;
};

// Which choices of the options dialog a printing window honours; the radios of the others
// stay clear and disabled.
struct TTextPrintOffers {
  bool justification = true;
  bool extent = true;
  bool colour = true;
};

// The largest margin a print takes, in centimetres: no page is wider than a metre.
inline constexpr float kMaxMarginCm = 100;

// A record shorter than 40 bytes gives the defaults; a margin that is no length on a page
// (NaN, infinite, negative, beyond 100 cm) takes its default.
TTextPrintOptions DecodeTextPrint(const Block& record);
Block EncodeTextPrint(const TTextPrintOptions& options);

struct TPrintRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The printed area of a page of the given size and resolution, whose printable area
// starts at (offsetX, offsetY): each margin is the resolution times the margin in inches,
// less the offset; a page whose margins leave nothing falls back to margins of a tenth.
TPrintRect TextPrintRect(const TTextPrintOptions& options, int pageWidth, int pageHeight,
                         int dpiX, int dpiY, int offsetX, int offsetY);

// The header at the right edge of a page: the date, "Page %d", both ("%s  Page %d"), or
// nothing.
std::string TextPrintHeader(const TTextPrintOptions& options, const std::string& date, int page);
