#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/emf_recorder.h"
#include "platform/recording_device_context.h"
#include "platform/wmf_recorder.h"
#include "support/metafile_scene.h"

namespace {

using platform::Brush;
using platform::Color;
using platform::Font;
using platform::Pen;
using platform::Point;

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

// Walks the records: sizes chain to the end, the last record is the end mark. Answers the
// functions met, in order.
std::vector<std::uint32_t> WmfFunctions(const std::vector<std::uint8_t>& b) {
  std::vector<std::uint32_t> functions;
  std::size_t at = 18;
  while (at + 6 <= b.size()) {
    const std::uint32_t words = U32(b, at);
    EXPECT_GE(words, 3u);
    if (words < 3) break;
    functions.push_back(U16(b, at + 4));
    at += 2 * static_cast<std::size_t>(words);
  }
  EXPECT_EQ(at, b.size());
  return functions;
}

std::vector<std::uint32_t> EmfTypes(const std::vector<std::uint8_t>& b) {
  std::vector<std::uint32_t> types;
  std::size_t at = 0;
  while (at + 8 <= b.size()) {
    const std::uint32_t size = U32(b, at + 4);
    EXPECT_EQ(size % 4, 0u);
    EXPECT_GE(size, 8u);
    if (size < 8) break;
    types.push_back(U32(b, at));
    at += size;
  }
  EXPECT_EQ(at, b.size());
  return types;
}

TEST(MetafileRecorders, WmfHeaderAndRecordsAreConsistent) {
  platform::WmfRecorder wmf(202, 152, 96, nullptr);
  DrawMetafileScene(wmf);
  const std::vector<std::uint8_t> b = wmf.Finish();
  ASSERT_GE(b.size(), 18u);
  EXPECT_EQ(U16(b, 0), 1);
  EXPECT_EQ(U16(b, 2), 9);
  EXPECT_EQ(U16(b, 4), 0x0300);
  EXPECT_EQ(U32(b, 6) * 2, b.size());
  const std::vector<std::uint32_t> f = WmfFunctions(b);
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f.back(), 0u);
  // The window: origin (0, 0), extent as asked (y first).
  EXPECT_EQ(f[0], 0x020Bu);
  EXPECT_EQ(f[1], 0x020Cu);
  EXPECT_EQ(U16(b, 18 + 10 + 6), 152);
  EXPECT_EQ(U16(b, 18 + 10 + 8), 202);
  // Objects: a pen, a brush and a font at most, plus the one that replaces one of them.
  EXPECT_LE(U16(b, 10), 4);
  std::uint32_t largest = 0;
  for (std::size_t at = 18; at < b.size(); at += 2 * U32(b, at)) largest = std::max(largest, U32(b, at));
  EXPECT_EQ(U32(b, 12), largest);
  // Every object made is deleted again, and a pixel of palette entry 0 is stored as its RGB.
  EXPECT_EQ(std::count(f.begin(), f.end(), 0x02FAu) + std::count(f.begin(), f.end(), 0x02FCu) +
                std::count(f.begin(), f.end(), 0x02FBu),
            std::count(f.begin(), f.end(), 0x01F0u));
  const auto pixel = std::find(f.begin(), f.end(), 0x041Fu);
  ASSERT_NE(pixel, f.end());
}

TEST(MetafileRecorders, EmfHeaderAndRecordsAreConsistent) {
  const std::string description("QVRK\0Graph\0\0", 12);
  platform::EmfRecorder emf(201, 151, 96, nullptr, description);
  DrawMetafileScene(emf);
  const std::vector<std::uint8_t> b = emf.Finish();
  EXPECT_EQ(U32(b, 0), 1u);
  EXPECT_EQ(U32(b, 40), 0x464D4520u);
  EXPECT_EQ(U32(b, 48), b.size());
  const std::vector<std::uint32_t> types = EmfTypes(b);
  EXPECT_EQ(U32(b, 52), types.size());
  EXPECT_EQ(types.back(), 14u);
  EXPECT_EQ(U32(b, 8 + 8), 200u);  // bounds right, inclusive
  EXPECT_EQ(U32(b, 60), 12u);      // description characters, NULs included
  EXPECT_EQ(U16(b, U32(b, 64) + 10), 'G');
  // Handles: 0 for the metafile, then at most four live objects.
  EXPECT_LE(U16(b, 56), 5);
  EXPECT_EQ(std::count(types.begin(), types.end(), 84u), 2);
}

// Text goes in ExtTextOut records that carry each character's advance as the reference
// context measures it, as the enhanced metafile's do: a reader places every character where
// the picture was composed. Without them (TextOut) LibreOffice laid out each run of a coded
// title with its own widths, and a superscript stood apart from its letter.
TEST(MetafileRecorders, WmfTextCarriesTheAdvancesOfItsCharacters) {
  platform::RecordingDeviceContext measure;
  platform::WmfRecorder wmf(202, 152, 96, &measure);
  DrawMetafileScene(wmf);
  const std::vector<std::uint8_t> b = wmf.Finish();
  std::vector<std::size_t> texts;
  for (std::size_t at = 18; at + 6 <= b.size() && U32(b, at) >= 3; at += 2 * static_cast<std::size_t>(U32(b, at))) {
    EXPECT_NE(U16(b, at + 4), 0x0521u);  // no plain TextOut
    if (U16(b, at + 4) == 0x0A32u) texts.push_back(at);
  }
  ASSERT_EQ(texts.size(), 2u);
  const std::string first = "z = a\xB2 + x\x80";
  const std::size_t at = texts[0];
  EXPECT_EQ(U16(b, at + 6), 80);   // y, then x
  EXPECT_EQ(U16(b, at + 8), 100);
  ASSERT_EQ(U16(b, at + 10), first.size());
  EXPECT_EQ(U16(b, at + 12), 0);   // no clipping or opaque rectangle
  EXPECT_EQ(std::string(b.begin() + static_cast<std::ptrdiff_t>(at + 14),
                        b.begin() + static_cast<std::ptrdiff_t>(at + 14 + first.size())),
            first);
  const std::size_t dx = at + 14 + (first.size() + 1) / 2 * 2;
  const int width = platform::RecordingDeviceContext::TextExtentFor(platform::Font{"Arial", -14}, 1).cx;
  int sum = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(U16(b, dx + 2 * i), width) << i;
    sum += U16(b, dx + 2 * i);
  }
  EXPECT_EQ(sum, platform::RecordingDeviceContext::TextExtentFor(platform::Font{"Arial", -14}, first.size()).cx);
  EXPECT_EQ(2 * U32(b, at), dx + 2 * first.size() - at);  // the record ends with the advances
}

// A record of the WMF: its function and where its parameters start.
struct WmfRecord {
  std::uint16_t function;
  std::size_t params;
};
std::vector<WmfRecord> WmfRecords(const std::vector<std::uint8_t>& b) {
  std::vector<WmfRecord> records;
  for (std::size_t at = 18; at + 6 <= b.size() && U32(b, at) >= 3; at += 2 * static_cast<std::size_t>(U32(b, at)))
    records.push_back({U16(b, at + 4), at + 6});
  return records;
}
std::vector<Point> WmfPoints(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
  std::vector<Point> points;
  for (std::size_t i = 0; i < n; ++i)
    points.push_back({static_cast<std::int16_t>(U16(b, at + 4 * i)), static_cast<std::int16_t>(U16(b, at + 4 * i + 2))});
  return points;
}

// Where the edges of the rings cross the horizontal line at height y, sorted: a point of
// the line is inside by the even-odd rule when an odd number of crossings lies to its right.
std::vector<double> Crossings(const std::vector<std::vector<Point>>& rings, double y) {
  std::vector<double> xs;
  for (const std::vector<Point>& ring : rings)
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
      const Point a = ring[j], c = ring[i];
      if ((a.y > y) != (c.y > y)) xs.push_back(a.x + (y - a.y) * (c.x - a.x) / static_cast<double>(c.y - a.y));
    }
  std::sort(xs.begin(), xs.end());
  return xs;
}
bool EvenOddInside(const std::vector<double>& crossings, double x) {
  return (crossings.end() - std::upper_bound(crossings.begin(), crossings.end(), x)) % 2 == 1;
}

// A record holds at most 32,767 points: longer polylines and polygons go in pieces that
// draw what the whole would (the EMF recorder's 32-bit counts need none).
TEST(MetafileRecorders, WmfLongPolylinesAndPolygonsGoInPiecesThatDrawTheSame) {
  std::vector<Point> line;
  for (int i = 0; i < 40000; ++i) line.push_back({i % 2000, i / 20});
  // A star whose 70,000 corners swing in and out, so that the fill is not convex.
  std::vector<Point> star;
  for (int i = 0; i < 70000; ++i) {
    const double angle = 6.283185307179586 * i / 70000, radius = i % 2 ? 3000 : 9000 + 4000 * std::sin(17 * angle);
    star.push_back({static_cast<int>(16000 + radius * std::cos(angle)), static_cast<int>(16000 + radius * std::sin(angle))});
  }
  platform::WmfRecorder wmf(32000, 32000, 96, nullptr);
  wmf.SelectPen(Pen::Solid(Color::Rgb(200, 0, 0)));
  wmf.Polyline(line);
  wmf.SelectBrush(Brush::Solid(Color::Rgb(0, 0, 200)));
  wmf.Polygon(star);
  wmf.SelectPen(Pen::Null());
  wmf.Polygon(star);  // without a pen: the fill alone
  const std::vector<std::uint8_t> b = wmf.Finish();
  const std::vector<WmfRecord> records = WmfRecords(b);

  // The polyline: two records sharing the joint, every point in order.
  std::vector<Point> drawn;
  std::size_t k = 0;
  while (k < records.size() && records[k].function != 0x0325) ++k;
  for (; k < records.size() && records[k].function == 0x0325; ++k) {
    const std::size_t n = U16(b, records[k].params);
    EXPECT_LE(n, 32767u);
    const std::vector<Point> piece = WmfPoints(b, records[k].params + 2, n);
    if (!drawn.empty()) {
      EXPECT_EQ(piece.front(), drawn.back());
    }
    drawn.insert(drawn.end(), piece.begin() + (drawn.empty() ? 0 : 1), piece.end());
  }
  EXPECT_EQ(drawn, line);

  // The polygon: its inside filled by a polypolygon under a null pen, then the pen again and
  // the closed outline in pieces.
  std::vector<std::vector<std::vector<Point>>> fills;
  std::vector<Point> outline;
  std::vector<std::uint16_t> penStyles;
  for (; k < records.size(); ++k) {
    const WmfRecord& r = records[k];
    if (r.function == 0x02FA) penStyles.push_back(U16(b, r.params));
    if (r.function == 0x0324) ADD_FAILURE() << "a polygon record of more than 32,767 points";
    if (r.function == 0x0325) {
      const std::vector<Point> piece = WmfPoints(b, r.params + 2, U16(b, r.params));
      if (!outline.empty()) {
        EXPECT_EQ(piece.front(), outline.back());
      }
      outline.insert(outline.end(), piece.begin() + (outline.empty() ? 0 : 1), piece.end());
    }
    if (r.function == 0x0538) {
      const std::size_t count = U16(b, r.params);
      std::vector<std::vector<Point>> rings;
      std::size_t at = r.params + 2 + 2 * count;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t n = U16(b, r.params + 2 + 2 * i);
        EXPECT_LE(n, 32767u);
        rings.push_back(WmfPoints(b, at, n));
        at += 4 * n;
      }
      fills.push_back(rings);
    }
  }
  // A null pen for the fill, the pen again for the outline, then the null pen selected.
  EXPECT_EQ(penStyles, (std::vector<std::uint16_t>{5, 0, 5}));
  std::vector<Point> closed = star;
  closed.push_back(star.front());
  EXPECT_EQ(outline, closed);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].size(), 3u);
  // Every pixel centre on a grid over the star is inside the pieces exactly when it is
  // inside the star.
  int inside = 0, outside = 0, differ = 0;
  for (int y = 2500; y < 29500; y += 499) {
    const std::vector<double> whole = Crossings({star}, y + 0.5), pieces = Crossings(fills[0], y + 0.5);
    for (int x = 2500; x < 29500; x += 7) {
      const bool in = EvenOddInside(whole, x + 0.5);
      ++(in ? inside : outside);
      differ += EvenOddInside(pieces, x + 0.5) != in;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(inside, 10000);
  EXPECT_GT(outside, 10000);
  EXPECT_EQ(fills[1], fills[0]);
}

}  // namespace
