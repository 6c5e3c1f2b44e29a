#include "app/text_print.h"

#include "app/byte_codec.h"
#include "app/c_format.h"

namespace {
// Centimetres to inches, as the printing code has always converted them.
constexpr double kInchPerCm = 0.3937007933;

int MarginPixels(int dpi, float cm, int offset) {
  return static_cast<int>(dpi * static_cast<double>(cm) * kInchPerCm) - offset;
}

// A margin read from the settings file: one that is no length on a page (NaN, infinite,
// negative, beyond a metre) takes the default, since converting it to pixels would give
// no rectangle at all (a NaN or a huge float has no int value).
float MarginOrDefault(float cm, float fallback) {
  return cm >= 0 && cm <= kMaxMarginCm ? cm : fallback;
}
}  // namespace

TTextPrintOptions DecodeTextPrint(const Block& record) {
  TTextPrintOptions o;
  if (record.size() < kTextPrintRecSize) return o;
  bytes::ByteReader r(record);
  o.date = r.I32() != 0;
  o.pageNumber = r.I32() != 0;
  o.landscape = r.I32() != 0;
  o.centre = r.I32() != 0;
  o.allLines = r.I32() != 0;
  o.colour = r.I32() != 0;
  for (float* m : {&o.marginLeft, &o.marginTop, &o.marginRight, &o.marginBottom})
    *m = MarginOrDefault(r.F32(), *m);
  return o;
}

Block EncodeTextPrint(const TTextPrintOptions& o) {
  bytes::ByteWriter w;
  for (bool flag : {o.date, o.pageNumber, o.landscape, o.centre, o.allLines, o.colour})
    w.I32(flag ? 1 : 0);
  for (float m : {o.marginLeft, o.marginTop, o.marginRight, o.marginBottom}) w.F32(m);
  return w.Take();
}

TPrintRect TextPrintRect(const TTextPrintOptions& o, int pageWidth, int pageHeight, int dpiX,
                         int dpiY, int offsetX, int offsetY) {
  TPrintRect r;
  r.left = MarginPixels(dpiX, o.marginLeft, offsetX);
  r.top = MarginPixels(dpiY, o.marginTop, offsetY);
  r.right = pageWidth - MarginPixels(dpiX, o.marginRight, offsetX);
  r.bottom = pageHeight - MarginPixels(dpiY, o.marginBottom, offsetY);
  if (r.right <= r.left || r.bottom <= r.top)
    r = {pageWidth / 10, pageHeight / 10, 9 * (pageWidth / 10), 9 * (pageHeight / 10)};
  return r;
}

std::string TextPrintHeader(const TTextPrintOptions& o, const std::string& date, int page) {
  if (o.date && o.pageNumber) return CFormat("%s  Page %d", date.c_str(), page);
  if (o.date) return date;
  if (o.pageNumber) return CFormat("Page %d", page);
  return {};
}
