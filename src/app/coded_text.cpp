#include "app/coded_text.h"

#include <algorithm>

namespace {

constexpr char kTilde = '~';

// The colour codes in the order in which a colour still on takes over when one goes off.
constexpr char kColorCodes[6] = {kCodeNavy, kCodeMaroon, kCodeGreen,
                                 kCodeGrey, kCodePurple, kCodeTeal};
constexpr CodedColor kColors[6] = {CodedRgb(0, 0, 128),   CodedRgb(128, 0, 0),
                                   CodedRgb(0, 128, 0),   CodedRgb(128, 128, 128),
                                   CodedRgb(128, 0, 128), CodedRgb(0, 128, 128)};

int ColorIndex(char code) {
  const char* end = kColorCodes + 6;
  const char* at = std::find(kColorCodes, end, code);
  return at == end ? -1 : static_cast<int>(at - kColorCodes);
}

// The text up to its first NUL, as the program's fixed-size text fields end there.
std::string_view Terminated(std::string_view text) { return text.substr(0, text.find('\0')); }

// The reference string whose extent gives the height h of a coded text: four times the
// capital A with grave accent and the inverted question mark, the tallest and deepest
// glyphs of the Western code page.
constexpr std::string_view kReferenceText = "\xC0\xBF\xC0\xBF\xC0\xBF\xC0\xBF";

int MinExtent(const CodedTextExtent& e) { return std::min(e.cx, e.cy); }

}  // namespace

std::vector<CodedTextPiece> ParseCodedText(std::string_view text, int limit) {
  text = Terminated(text);
  const std::size_t end =
      limit < 0 ? text.size() : std::min(text.size(), static_cast<std::size_t>(limit));
  std::vector<CodedTextPiece> pieces;
  std::size_t i = 0;
  while (i < end) {
    if (text[i] == kTilde) {
      // A tilde with nothing after it within the text and the limit ends the walk.
      if (i + 1 >= end) break;
      const char code = text[i + 1];
      if (code == kTilde)
        pieces.push_back({CodedTextPiece::kTilde, text.substr(i, 1)});
      else
        pieces.push_back({CodedTextPiece::kCode, {}, code});
      i += 2;
      continue;
    }
    std::size_t j = text.find(kTilde, i);
    if (j == std::string_view::npos || j > end) j = end;
    pieces.push_back({CodedTextPiece::kRun, text.substr(i, j - i)});
    i = j;
  }
  return pieces;
}

CodedColor CodeColor(char code, CodedColor fallback) {
  const int k = ColorIndex(code);
  return k < 0 ? fallback : kColors[k];
}

CodedTextState::CodedTextState(const CodedTextMetrics& metrics, bool useColors,
                               CodedColor defaultColor)
    : metrics_(metrics), use_colors_(useColors), default_color_(defaultColor),
      color_(defaultColor) {}

void CodedTextState::ToggleFont(bool& state, int font) {
  state = !state;
  if (!state)
    font_ = 0;
  else if (metrics_.HasFont(font))
    font_ = font;
}

bool CodedTextState::Apply(char code) {
  switch (code) {
    case kCodeSuperscript: ToggleFont(super_, 1); return true;
    case kCodeSubscript: ToggleFont(sub_, 1); return true;
    case kCodeSymbol: ToggleFont(symbol_, 2); return true;
    case kCodeBold: ToggleFont(bold_, 3); return true;
    case kCodeItalic: ToggleFont(italic_, 4); return true;
    default: break;
  }
  const int k = ColorIndex(code);
  if (k < 0) return false;
  if (!use_colors_) return true;
  colors_on_[k] = !colors_on_[k];
  if (colors_on_[k]) {
    color_ = kColors[k];
  } else {
    color_ = default_color_;
    for (int c = 0; c < 6; ++c)
      if (colors_on_[c]) {
        color_ = kColors[c];
        break;
      }
  }
  return true;
}

int MeasureCodedText(const CodedTextMetrics& metrics, std::string_view text, int limit,
                     int* visible) {
  CodedTextState state(metrics, false, 0);
  int width = 0, count = 0;
  for (const CodedTextPiece& piece : ParseCodedText(text, limit)) {
    if (piece.kind == CodedTextPiece::kCode) {
      state.Apply(piece.code);
      continue;
    }
    for (std::size_t i = 0; i < piece.text.size(); ++i) {
      width += MinExtent(metrics.Extent(state.Font(), piece.text.substr(i, 1)));
      ++count;
    }
  }
  if (visible) *visible = count;
  return width;
}

CodedTextLayout LayoutCodedText(const CodedTextMetrics& metrics, std::string_view text, int x,
                                int y, int limit, int alignment, bool bottom, bool useColors,
                                CodedColor defaultColor) {
  text = Terminated(text);
  CodedTextLayout layout;
  const bool vertical = limit == -1;
  const bool coded = text.find(kTilde) != std::string_view::npos;
  const unsigned vertical_align = bottom ? kTextAlignBottom : kTextAlignTop;

  if (!coded) {
    if (vertical) {
      const CodedTextExtent e = metrics.Extent(0, text);
      layout.align = vertical_align;
      layout.runs.push_back({std::string(text), 0, defaultColor, x, y + std::max(e.cx, e.cy) / 2});
    } else {
      unsigned horizontal = kTextAlignLeft;
      if (alignment == 1) horizontal = kTextAlignCenter;
      else if (alignment != 0) horizontal = kTextAlignRight;
      layout.align = horizontal | (bottom ? kTextAlignBottom : kTextAlignTop);
      const std::size_t n = limit < 0 ? text.size() : std::min(text.size(), std::size_t(limit));
      if (n > 0) layout.runs.push_back({std::string(text.substr(0, n)), 0, defaultColor, x, y});
    }
    return layout;
  }

  // Coded text is always drawn left-aligned run after run; centring and right alignment are
  // done by moving the start. (Setting TA_RIGHT on the context would right-align every run
  // at its own start, so that the runs would pile up leftwards.)
  layout.align = vertical ? vertical_align : (bottom ? kTextAlignBottom : kTextAlignTop);
  const int used = vertical ? 255 : limit;
  const CodedTextExtent ref = metrics.Extent(0, kReferenceText);
  const int h = std::min(ref.cx, ref.cy);
  const bool turned = ref.cx <= ref.cy;

  int advance = vertical ? y : x;
  const int base = vertical ? x : y;
  if (alignment != 0 && (alignment == 1 || !vertical)) {
    int shown = 0;
    const int w = MeasureCodedText(metrics, text, used, &shown);
    if (shown > 0) {
      const int back = alignment == 1 ? w / 2 : w;
      advance += vertical ? back : -back;
    }
  }
  const int step_sign = vertical ? -1 : 1;

  CodedTextState state(metrics, useColors, defaultColor);
  int cross = base;
  auto draw = [&](std::string_view chars) {
    const CodedTextExtent e = metrics.Extent(state.Font(), chars);
    CodedTextRun run{std::string(chars), state.Font(), state.Color(), 0, 0};
    run.x = vertical ? cross : advance;
    run.y = vertical ? advance : cross;
    layout.runs.push_back(std::move(run));
    const int step = chars.size() == 1 ? MinExtent(e) : (turned ? e.cy : e.cx);
    advance += step_sign * step;
  };

  for (const CodedTextPiece& piece : ParseCodedText(text, used)) {
    switch (piece.kind) {
      case CodedTextPiece::kRun:
      case CodedTextPiece::kTilde:
        draw(piece.text);
        break;
      case CodedTextPiece::kCode:
        layout.result += 2;
        state.Apply(piece.code);
        if (piece.code == kCodeSuperscript) cross = state.Superscript() ? base - h / 8 : base;
        if (piece.code == kCodeSubscript) cross = state.Subscript() ? base + h / 3 : base;
        break;
    }
  }
  return layout;
}

void GreyOutTextCodes(std::string& text) {
  const std::size_t end = Terminated(text).size();
  for (std::size_t i = 0; i + 1 < end; ++i) {
    if (text[i] != kTilde) continue;
    char& code = text[i + 1];
    if (code == kCodeNavy || code == kCodeMaroon || code == kCodeGreen) code = kCodeGrey;
    ++i;  // the code character is never the start of another code
  }
}

std::string StripTextCodes(std::string_view coded, std::size_t limit) {
  coded = Terminated(coded);
  const std::size_t n = coded.size();
  std::string out;
  auto put = [&](char c) {
    if (out.size() < limit) out += c;
  };
  std::size_t i = 0;
  while (i < n && out.size() < limit) {
    if (coded[i] != kTilde) {
      put(coded[i++]);
      continue;
    }
    if (i + 1 >= n) break;  // a lone tilde at the end
    const char code = coded[i + 1];
    i += 2;
    // "~~" is drawn as one tilde, and it stays one in the plain text.
    if (code == kTilde) put(kTilde);
    if (code != kCodeSuperscript) continue;
    std::size_t j = coded.find(kTilde, i);
    if (j == std::string_view::npos) j = n;
    const std::string_view run = coded.substr(i, j - i);
    const bool single = run.size() == 1 && j < n;
    const bool parens = !run.empty() && run[0] != '(' && !single;
    put('^');
    if (parens) put('(');
    for (char c : run) put(c);
    if (parens) put(')');
    // The code that closes the run is skipped with it.
    i = j < n ? std::min(j + 2, n) : n;
  }
  return out;
}

std::string CodedTextToCtrlChars(std::string_view coded, std::size_t limit) {
  coded = Terminated(coded);
  std::string out;
  for (const CodedTextPiece& piece : ParseCodedText(coded)) {
    if (out.size() >= limit) break;
    switch (piece.kind) {
      case CodedTextPiece::kRun:
        out.append(piece.text.substr(0, limit - out.size()));
        break;
      case CodedTextPiece::kTilde:
        out += kTilde;  // the literal tilde it is drawn as
        break;
      case CodedTextPiece::kCode:
        switch (piece.code) {
          case kCodeSuperscript: out += '\x14'; break;
          case kCodeSubscript: out += '\x16'; break;
          case kCodeBold: out += '\x02'; break;
          case kCodeItalic: out += '\x19'; break;
          default: break;
        }
        break;
    }
  }
  return out;
}
