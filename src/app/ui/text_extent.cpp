#include "app/ui/text_extent.h"

#include <QFontMetricsF>

#include <algorithm>
#include <string>

#include "app/text_line_buffer.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"

using platform::qt::FromCp1252;
using platform::qt::QtDeviceContext;

TTextAdvances MeasureTextAdvances(const CodedFontSet& fonts, const QPaintDevice* device) {
  TTextAdvances advances;
  bool first = true;
  for (const int slot : {0, 2, 3, 4}) {
    if (!fonts[static_cast<std::size_t>(slot)]) continue;
    const QFontMetricsF metrics(QtDeviceContext::ToQFont(*fonts[static_cast<std::size_t>(slot)]), device);
    for (int b = 0; b < 256; ++b) {
      const double advance = metrics.horizontalAdvance(FromCp1252(std::string(1, static_cast<char>(b))));
      auto& coded = advances.coded[static_cast<std::size_t>(b)];
      coded = first ? advance : std::max(coded, advance);
      if (slot == 0) advances.plain[static_cast<std::size_t>(b)] = advance;
    }
    first = false;
  }
  return advances;
}

double PlainTextExtent(std::string_view text, const TTextAdvances& advances) {
  double width = 0;
  for (const char c : text) width += advances.plain[static_cast<unsigned char>(c)];
  return width;
}

double SegmentedLineExtent(std::string_view text, const std::uint8_t* attr, int charStep, const TTextAdvances& advances) {
  double reach = 0;
  int column = 0;
  for (auto [offset, length] : LineSegments(text, attr)) {
    const std::string_view segment = text.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    double width = 0;
    if (segment.find('~') == std::string_view::npos) {
      width = PlainTextExtent(segment, advances);
    } else {
      for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] != '~') {
          width += advances.coded[static_cast<unsigned char>(segment[i])];
          continue;
        }
        // "~~" shows one tilde; any other code pair shows nothing.
        if (i + 1 < segment.size() && segment[i + 1] == '~') width += advances.coded['~'];
        ++i;
      }
    }
    reach = std::max(reach, column * static_cast<double>(charStep) + width);
    column += VisibleWidth(segment);
  }
  return reach;
}
