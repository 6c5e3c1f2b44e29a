// The drawing surface of the 3D renderer, its titles and the coded-text drawing: a small
// GDI-shaped interface in plain C++, so that the headless renderer draws the same way on
// a window, an off-screen image, a printer page, a metafile recorder or a test recorder.
//
// The model is that of a classic device context: drawing objects (pen, brush, font,
// palette) are selected into the context and stay selected until the next selection;
// every Select* returns what was selected before, so a caller can put it back. Pens,
// brushes and fonts are small values here, not handles: creating and deleting them costs
// nothing, and "selecting the stock white brush" is SelectBrush(Brush::Solid(white)).
//
// Coordinates are device pixels, x to the right and y downward, origin at the top left of
// the surface. Nothing is antialiased: every figure covers whole pixels, so a picture is
// the same on every implementation up to text rasterisation.
//
// Text is single-byte Windows-1252; a font of the Symbol character set maps its bytes as
// the Symbol font does (0x61 'a' is alpha, ...). Implementations convert at their own
// boundary.
//
// A device context is used by one thread at a time (the review's render thread draws into
// its own off-screen context).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// left/top inclusive, right/bottom exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A colour reference in the 32-bit layout of the classic API (0x00BBGGRR): a plain RGB
// colour, an index into the selected palette (kind byte 1), or an RGB colour matched
// against the selected palette (kind byte 2). Plain and palette-matched RGB colours draw
// as their own RGB on every true-colour surface; a palette index draws as that entry's
// RGB. Keeping the layout lets metafile writers store the value as it stands.
struct Color {
  std::uint32_t ref = 0;

  static constexpr Color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color{static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
                 (static_cast<std::uint32_t>(b) << 16)};
  }
  // 0xRRGGBB as colours are usually written.
  static constexpr Color Hex(std::uint32_t rrggbb) {
    return Rgb(static_cast<std::uint8_t>(rrggbb >> 16), static_cast<std::uint8_t>(rrggbb >> 8),
               static_cast<std::uint8_t>(rrggbb));
  }
  static constexpr Color PaletteIndex(std::uint16_t index) {
    return Color{0x01000000u | index};
  }
  static constexpr Color PaletteRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color{0x02000000u | Rgb(r, g, b).ref};
  }
  // What GetPixel answers for a pixel outside the surface or the clip rectangle.
  static constexpr Color Invalid() { return Color{0xFFFFFFFFu}; }
  static constexpr Color Black() { return Rgb(0, 0, 0); }
  static constexpr Color White() { return Rgb(255, 255, 255); }

  constexpr std::uint8_t Kind() const { return static_cast<std::uint8_t>(ref >> 24); }
  constexpr bool IsPaletteIndex() const { return ref != Invalid().ref && Kind() == 1; }
  constexpr std::uint16_t Index() const { return static_cast<std::uint16_t>(ref); }
  constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(ref); }
  constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(ref >> 8); }
  constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(ref >> 16); }
  // The plain RGB colour with the kind byte cleared.
  constexpr Color PlainRgb() const { return Color{ref & 0x00FFFFFFu}; }

  friend bool operator==(const Color&, const Color&) = default;
};

// A logical palette: plain RGB entries, index 0 first.
struct Palette {
  std::vector<Color> entries;
  friend bool operator==(const Palette&, const Palette&) = default;
};

// The plain RGB colour that `color` draws as with `palette` selected (null: none). An
// index outside the palette (or without one) draws as entry 0 would, black when there is
// no entry 0, as the classic API does.
inline Color ResolveColor(Color color, const Palette* palette) {
  if (color == Color::Invalid()) return color;
  if (color.IsPaletteIndex()) {
    if (palette == nullptr || palette->entries.empty()) return Color::Black();
    const std::size_t i = color.Index();
    return (i < palette->entries.size() ? palette->entries[i] : palette->entries[0]).PlainRgb();
  }
  return color.PlainRgb();
}

enum class PenStyle : std::uint8_t {
  Solid,  // continuous line
  Dot,    // one pixel on, one pixel off (alternate pixels), transparent gaps
  Null,   // draws nothing: figures are filled without an outline
};

// Pens are cosmetic: `width` pixels whatever the transformation; the renderer uses 1.
struct Pen {
  PenStyle style = PenStyle::Solid;
  Color color = Color::Black();
  int width = 1;

  static constexpr Pen Solid(Color c) { return Pen{PenStyle::Solid, c, 1}; }
  static constexpr Pen Dotted(Color c) { return Pen{PenStyle::Dot, c, 1}; }
  static constexpr Pen Null() { return Pen{PenStyle::Null, Color::Black(), 1}; }
  friend bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle : std::uint8_t {
  Solid,
  Null,  // hollow: figures get their outline only
};

struct Brush {
  BrushStyle style = BrushStyle::Solid;
  Color color = Color::White();

  static constexpr Brush Solid(Color c) { return Brush{BrushStyle::Solid, c}; }
  static constexpr Brush Null() { return Brush{BrushStyle::Null, Color::Black()}; }
  friend bool operator==(const Brush&, const Brush&) = default;
};

enum class CharSet : std::uint8_t {
  Ansi = 0,    // Windows-1252
  Symbol = 2,  // the Symbol font's own encoding (Greek letters and mathematical signs)
};

// A logical font in the terms of the classic LOGFONT. A default-constructed Font (empty
// face, height 0) is the device's system font, the stock font selected at creation.
struct Font {
  std::string face;         // "Arial", "Symbol", ...; an implementation substitutes a
                            // metric-compatible face it has
  int height = 0;           // pixels: < 0 the character (em) height, > 0 the cell height
                            // (ascent + descent), 0 a default size
  int weight = 400;         // 400 normal, 700 bold
  bool italic = false;
  int escapement = 0;       // text direction in tenths of a degree counter-clockwise from
                            // the x axis; the glyphs turn with it (orientation = escapement)
  CharSet charset = CharSet::Ansi;
  bool underline = false;
  bool strikeOut = false;
  friend bool operator==(const Font&, const Font&) = default;
};

// Text alignment flags, combined as in the classic API: one horizontal and one vertical.
namespace TextAlign {
inline constexpr unsigned kLeft = 0;
inline constexpr unsigned kRight = 2;
inline constexpr unsigned kCenter = 6;
inline constexpr unsigned kHorizontalMask = 6;
inline constexpr unsigned kTop = 0;
inline constexpr unsigned kBottom = 8;
inline constexpr unsigned kBaseline = 24;
inline constexpr unsigned kVerticalMask = 24;
}  // namespace TextAlign

enum class BkMode : std::uint8_t {
  Transparent = 1,  // text is drawn over what is there
  Opaque = 2,       // the text's extent box is first filled with the background colour
};

// What the surface is, for the callers that size fonts and buffers from it.
struct DeviceCaps {
  int width = 0;       // surface size in pixels (a printer: the printable page)
  int height = 0;
  int dpiX = 96;       // pixels per inch
  int dpiY = 96;
  int colorBits = 24;  // bits per pixel times planes; palette drawing matters at 8 or fewer
};

class DeviceContext {
 public:
  virtual ~DeviceContext() = default;

  virtual DeviceCaps Caps() const = 0;

  // Drawing objects. Each returns the object selected before. A new context has the
  // stock objects selected: Pen::Solid(black), Brush::Solid(white), Font{} (system font),
  // no palette, text colour black, background colour white, BkMode::Opaque, alignment
  // kLeft | kTop, current position (0, 0), no clip rectangle.
  virtual Pen SelectPen(const Pen& pen) = 0;
  virtual Brush SelectBrush(const Brush& brush) = 0;
  virtual Font SelectFont(const Font& font) = 0;
  // The palette by which palette colours resolve (ResolveColor); null selects none. The
  // caller keeps the palette alive while it is selected. Returns the previous one.
  virtual const Palette* SelectPalette(const Palette* palette) = 0;
  // Maps the selected palette into the device; returns the number of entries mapped
  // (true-colour surfaces map all of them and draw exactly).
  virtual int RealizePalette() = 0;

  virtual Color SetTextColor(Color color) = 0;
  virtual Color SetBkColor(Color color) = 0;
  virtual BkMode SetBkMode(BkMode mode) = 0;
  virtual unsigned SetTextAlign(unsigned flags) = 0;

  // Lines with the selected pen. LineTo draws from the current position to (x, y), the
  // end pixel excluded, and makes (x, y) the current position.
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Joined segments through the points, the last pixel excluded; the current position is
  // neither used nor changed. Fewer than two points draw nothing.
  virtual void Polyline(std::span<const Point> points) = 0;

  // Filled figures: the interior with the selected brush, the outline with the selected
  // pen. Rectangle and Ellipse cover the pixels left <= x < right, top <= y < bottom
  // (the outline lies inside that box). Polygon closes itself (last point to the first)
  // and fills by the alternate (even-odd) rule; fewer than three points draw nothing.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void Polygon(std::span<const Point> points) = 0;

  // One pixel (palette colours resolved). GetPixel answers the plain RGB colour of a
  // pixel, or Color::Invalid() outside the surface or the clip rectangle.
  virtual void SetPixel(int x, int y, Color color) = 0;
  virtual Color GetPixel(int x, int y) const = 0;

  // Text in the selected font and text colour at (x, y), placed by the alignment flags:
  // the reference point is the left, centre or right end and the top, baseline or bottom
  // of the text's box, in the text's own direction (a font with an escapement turns the
  // box about the reference point). In BkMode::Opaque the box is first filled with the
  // background colour.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // Width along the text's direction and height across it, in the selected font; the
  // escapement does not change the extent.
  virtual Size GetTextExtent(std::string_view text) const = 0;

  // Drawing is limited to the rectangle until ResetClip (one rectangle, replaced by the
  // next call; it is not intersected with an earlier one).
  virtual void SetClipRect(const Rect& rect) = 0;
  virtual void ResetClip() = 0;

  // An off-screen context of the same kind with a bitmap of width x height pixels,
  // initially white; null when it cannot be made (the caller then does without it).
  virtual std::unique_ptr<DeviceContext> CreateCompatible(int width, int height) = 0;
  // Copies width x height pixels from `source` at (sourceX, sourceY) to (x, y) here.
  // `source` must come from CreateCompatible of this context or of one of the same kind;
  // answers false (and copies nothing) when it cannot be read.
  virtual bool BitBlt(int x, int y, int width, int height, const DeviceContext& source,
                      int sourceX, int sourceY) = 0;
};

}  // namespace platform
