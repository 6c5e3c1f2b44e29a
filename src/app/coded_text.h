// Coded text: the light mark-up of titles, axis names, equation texts and result lines.
//
// A coded text is an 8-bit string (Windows-1252, with the Symbol font's codes inside a
// Symbol run) that ends at its end or at the first NUL. A tilde and the character after it
// form a code; "~~" stands for one literal tilde. Codes are toggles: each occurrence
// switches its state on when off and off when on.
//
//   ~^  superscript   font 1 (small), baseline up by h/8
//   ~`  subscript     font 1 (small), baseline down by h/3
//   ~@  Symbol font   font 2
//   ~*  bold          font 3
//   ~&  italic        font 4
//   ~!  navy   ~#  maroon   ~$  green   ~+  grey   ~=  purple   ~-  teal   (text colours)
//
// Any other character after a tilde is a code without effect. Switching any font state
// off selects font 0 again (states are not stacked). A tilde that is the last character of
// the text, or the last one a character limit allows, ends the text: it never reads past
// the end.
//
// The fonts are the caller's `CodedFontSet` (0 normal, 1 small at 80 % height, 2 Symbol,
// 3 bold, 4 italic, all of one face, size and escapement); a missing font in slots 1 to 4
// leaves the current font selected. This file holds everything but the drawing itself:
// the walk, the layout of the runs a device context draws, measuring, and the conversions
// to plain text and to word-processor control bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kCodeSuperscript = '^';
inline constexpr char kCodeSubscript = '`';
inline constexpr char kCodeSymbol = '@';
inline constexpr char kCodeBold = '*';
inline constexpr char kCodeItalic = '&';
inline constexpr char kCodeNavy = '!';
inline constexpr char kCodeMaroon = '#';
inline constexpr char kCodeGreen = '$';
inline constexpr char kCodeGrey = '+';
inline constexpr char kCodePurple = '=';
inline constexpr char kCodeTeal = '-';

inline constexpr int kCodedFontCount = 5;

// A colour as the device context takes it: red in the low byte, then green, then blue.
using CodedColor = std::uint32_t;
constexpr CodedColor CodedRgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

// Text-alignment flags for the drawing context, with the values of the GDI flags.
inline constexpr unsigned kTextAlignLeft = 0;
inline constexpr unsigned kTextAlignRight = 2;
inline constexpr unsigned kTextAlignCenter = 6;
inline constexpr unsigned kTextAlignTop = 0;
inline constexpr unsigned kTextAlignBottom = 8;

// One piece of a coded text: a run of plain characters, a literal tilde ("~~"), or a code.
struct CodedTextPiece {
  enum Kind { kRun, kTilde, kCode };
  Kind kind;
  std::string_view text;  // the run's characters; "~" for a literal tilde; empty for a code
  char code = 0;          // the character after the tilde of a code
};

// Splits a coded text into pieces, using at most `limit` characters of it (a negative limit
// uses the whole text): a run takes 1 per character, a code or "~~" 2. A run ends at the
// next tilde or at the limit.
std::vector<CodedTextPiece> ParseCodedText(std::string_view text, int limit = -1);

// What measuring and laying out need of a device context.
struct CodedTextExtent {
  int cx = 0, cy = 0;
};
class CodedTextMetrics {
 public:
  virtual ~CodedTextMetrics() = default;
  // Whether slot `font` (1..4) of the caller's font set holds a font.
  virtual bool HasFont(int font) const = 0;
  // The extent of `text` drawn in font slot `font` (0..4) on the measuring context.
  virtual CodedTextExtent Extent(int font, std::string_view text) const = 0;
};

// The font and colour states of a walk, and what they select.
class CodedTextState {
 public:
  CodedTextState(const CodedTextMetrics& metrics, bool useColors, CodedColor defaultColor);
  // Applies one code; returns false for a code that is not one of the table above.
  bool Apply(char code);
  int Font() const { return font_; }
  CodedColor Color() const { return color_; }
  bool Superscript() const { return super_; }
  bool Subscript() const { return sub_; }

 private:
  void ToggleFont(bool& state, int font);

  const CodedTextMetrics& metrics_;
  bool use_colors_;
  CodedColor default_color_;
  int font_ = 0;
  CodedColor color_;
  bool super_ = false, sub_ = false, symbol_ = false, bold_ = false, italic_ = false;
  bool colors_on_[6] = {};
};

// The colour a colour code switches on, or the default colour for any other character.
CodedColor CodeColor(char code, CodedColor fallback);

// One TextOut of a drawing: the characters, the font slot and colour selected for it, and
// the reference point.
struct CodedTextRun {
  std::string text;
  int font = 0;
  CodedColor color = 0;
  int x = 0, y = 0;
};

struct CodedTextLayout {
  // Twice the number of codes met ("~~" not counted), or 0 when the text has no tilde.
  int result = 0;
  unsigned align = 0;  // the text-alignment flags to set on the drawing context
  std::vector<CodedTextRun> runs;
};

// Lays out a coded text drawn from (x, y): the runs a device context draws with one TextOut
// each, after which it selects font 0 again.
// limit: -1 for vertical text (the advance runs along y, upwards on the page, and at most
// 255 characters are used), otherwise at most that many characters (any other negative
// value: the whole text). alignment: 0 left, 1 centred, any other value right. bottom:
// the reference point is the bottom of the text, else its top. useColors false: colour
// codes are consumed but ignored; defaultColor is the colour while no colour is on.
//
// A text without a tilde is one run at (x, y), aligned by the context itself; vertical text
// without codes is centred on y. Coded text is aligned by hand: the start moves back by
// half its measured width (centred) or its whole width (right), and every run is drawn
// left-aligned after the previous one. The reference height h is min(cx, cy) of the
// 8 characters C0 BF C0 BF C0 BF C0 BF in font 0; the text counts as turned when cx is not
// greater than cy.
CodedTextLayout LayoutCodedText(const CodedTextMetrics& metrics, std::string_view text, int x,
                                int y, int limit, int alignment, bool bottom, bool useColors,
                                CodedColor defaultColor);

// The width of a coded text when drawn: every visible character (the tilde of "~~"
// included) adds min(cx, cy) of its own extent in the font selected at that point; font
// codes switch fonts as in drawing. `visible` (may be null) receives the number of visible
// characters. limit as in ParseCodedText.
int MeasureCodedText(const CodedTextMetrics& metrics, std::string_view text, int limit,
                     int* visible);

// Every navy, maroon and green code becomes the grey one, so that coloured text shows grey.
void GreyOutTextCodes(std::string& text);

// Plain text for files and the clipboard, at most `limit` characters. A superscript run
// becomes "^" followed by the run, in parentheses unless the run starts with "(" or is a
// single character: x~^2~^ gives x^2, r~^abc~^ gives r^(abc). "~~" gives the one tilde it
// is drawn as; every other code is dropped.
std::string StripTextCodes(std::string_view coded, std::size_t limit = std::string::npos);

// Text with WordStar-style control bytes, at most `limit` characters: superscript 0x14,
// subscript 0x16, bold 0x02, italic 0x19; "~~" gives a tilde; every other code is dropped.
std::string CodedTextToCtrlChars(std::string_view coded, std::size_t limit = std::string::npos);
