#include "app/page_breaks.h"

namespace {

// What a line shows: nothing but blanks, a heading, or other text.
enum class LineKind { kBlank, kHeading, kText };

LineKind KindOf(std::string_view text) {
  bool inRed = false, inBold = false, shown = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '~' && i + 1 < text.size() && text[i + 1] != '~') {
      if (text[i + 1] == '#') inRed = !inRed;
      if (text[i + 1] == '*') inBold = !inBold;
      ++i;
      continue;
    }
    if (c == '~' && i + 1 < text.size()) ++i;  // "~~" shows one tilde
    if (c == ' ') continue;
    if (!inRed && !inBold) return LineKind::kText;
    shown = true;
  }
  return shown ? LineKind::kHeading : LineKind::kBlank;
}

LineKind KindAt(const TExportLines& lines, int index) { return KindOf(lines.Line(index)); }

// Whether a line with text follows `index` before `last`.
bool TextFollows(const TExportLines& lines, int index, int last) {
  for (int k = index + 1; k < last; ++k)
    if (KindAt(lines, k) != LineKind::kBlank) return true;
  return false;
}

}  // namespace

bool KeepsWithNext(const TExportLines& lines, int index, int first, int last) {
  if (index + 1 >= last) return false;
  switch (KindAt(lines, index)) {
    case LineKind::kHeading: return TextFollows(lines, index, last);
    case LineKind::kText:
      return (index == first || KindAt(lines, index - 1) == LineKind::kBlank) &&
             KindAt(lines, index + 1) != LineKind::kBlank;
    case LineKind::kBlank:
      // Between a heading and what it heads.
      for (int k = index - 1; k >= first; --k) {
        const LineKind before = KindAt(lines, k);
        if (before == LineKind::kBlank) continue;
        return before == LineKind::kHeading && TextFollows(lines, index, last);
      }
      return false;
  }
  return false;
}

int PageEnd(const TExportLines& lines, int start, int fits, int first, int last) {
  if (fits >= last) return fits;
  int end = fits;
  while (end > start && KeepsWithNext(lines, end - 1, first, last)) --end;
  return end > start ? end : fits;
}
