// The title lines above the graph: which title set is in use, the font sizes by the
// number of lines, and drawing them (last in every frame), with the angle legend while an
// animation runs.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/c_format.h"
#include "app/coded_text.h"  // StripTextCodes
#include "app/coded_text_drawing.h"
#include "graph3d/renderer.h"

using platform::Color;
using platform::DeviceContext;

void T3DBase::PrepareTitles() {
  T3DTitleSet* custom = setup_ != nullptr ? setup_->Titles : nullptr;
  T3DTitleSet* standard = setup_ != nullptr ? setup_->TitleSettings : nullptr;
  if (custom != nullptr && custom->Enabled != 0) {
    activeTitles_ = custom;
  } else {
    activeTitles_ = standard;
    if (standard != nullptr) standard->Enabled = 0;
  }
  titleCount_ = 0;
  if (activeTitles_ != nullptr) {
    T3DTitleSet& t = *activeTitles_;
    for (std::size_t k = 0; k < t.Lines.size(); ++k) {
      if (!t.Lines[k].empty()) ++titleCount_;
      t.LineCoded[k] = t.Lines[k].find('~') != std::string::npos ? 1 : 0;
    }
    for (std::size_t k = 0; k < t.AxisTitles.size(); ++k) {
      t.AxisCoded[k] = t.AxisTitles[k].find('~') != std::string::npos ? 1 : 0;
    }
  }
  if (standard == nullptr) return;
  // Fewer lines get larger fonts.
  std::array<float, 4> factors{1.0f, 1.0f, 1.0f, 1.0f};
  if (standard->FixedSizes != 1) {
    if (titleCount_ < 3) {
      factors = {1.5f, 1.2f, 1.0f, 1.0f};
    } else if (titleCount_ == 3) {
      factors = {1.2f, 1.0f, 0.875f, 1.0f};
    } else {
      factors = {1.0f, 0.875f, 0.75f, 1.0f};
    }
  }
  const float base = static_cast<float>(font_.height != 0 ? std::abs(font_.height) : 12);
  for (std::size_t k = 0; k < 4; ++k) standard->FontSizes[k] = base * factors[k];
}

namespace {

// A title line wider than the graph would be cut at both edges: its fonts are made smaller
// in proportion, so that the whole line shows (the line keeps its place and spacing). Glyph
// widths do not shrink quite in proportion to the height: the line is measured again until
// it fits.
void FitTitleFonts(CodedFontSet& fonts, DeviceContext& measuring, const std::string& line, int graphWidth) {
  const int room = graphWidth - graphWidth / 50;
  if (room <= 0 || !fonts[0] || fonts[0]->height == 0) return;
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int width = MeasureCodedText(DcCodedTextMetrics(measuring, fonts), line, -1, nullptr);
    if (width <= room) return;
    const int height = std::abs(fonts[0]->height);
    if (height <= 1) return;
    // In proportion, and at least one pixel smaller each time.
    const int target = std::max(1, std::min(height - 1, static_cast<int>(static_cast<long long>(height) * room / width)));
    for (std::optional<platform::Font>& font : fonts)
      if (font && font->height != 0) {
        const long long scaled = static_cast<long long>(font->height) * target / height;
        font->height = static_cast<int>(scaled != 0 ? scaled : (font->height < 0 ? -1 : 1));
      }
  }
}

}  // namespace

void T3DBase::DrawTitles(DeviceContext& dc, DeviceContext* measure) {
  const bool printing = drawMode_ == kDrawPrinter;
  const auto& table = printing ? printFonts_ : screenFonts_;
  if (!table[0]) return;
  const Color background = Basic16Colors[static_cast<std::size_t>(colorIndex_[kRoleBackground])];
  const auto roleColor = [&](int role) {
    const Color c = Basic16Colors[static_cast<std::size_t>(colorIndex_[static_cast<std::size_t>(role)])];
    return Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
  };

  if (animState_.load() == kAnimRunning && table[10]) {
    dc.SetBkColor(background);
    dc.SetBkMode(platform::BkMode::Transparent);
    dc.SelectFont(*table[10]);
    dc.SetTextColor(roleColor(kRoleSubTitles));
    dc.SetTextAlign(platform::TextAlign::kLeft | platform::TextAlign::kBottom);
    dc.TextOut(rect_.left + 10, rect_.bottom - 1,
               CFormat("XY %d", static_cast<int>(view_.AngleXY)));
    dc.SetTextAlign(platform::TextAlign::kRight | platform::TextAlign::kBottom);
    dc.TextOut(rect_.right - 10, rect_.bottom - 1,
               CFormat("Z %d", static_cast<int>(view_.AngleZ)));
  }
  if ((view_.LabelBits & 0x3C0) == 0 || activeTitles_ == nullptr) return;
  const T3DTitleSet& titles = *activeTitles_;
  const int centreX = printing ? (rect_.left + rect_.right) / 2 : (rect_.right - rect_.left) / 2;
  // Metafiles are measured on the screen (the host hands that context in).
  DeviceContext& measuring =
      (drawMode_ == kDrawMetafile || drawMode_ == kDrawMetafilePlain) && measure != nullptr
          ? *measure
          : dc;

  const auto fontBase = [](std::size_t line) -> std::size_t {
    return line == 0 ? 0 : line == 1 ? 5 : 10;
  };
  std::array<int, 5> heights{};
  for (std::size_t k = 0; k < titles.Lines.size(); ++k) {
    if (titles.Lines[k].empty() || !table[fontBase(k)]) continue;
    measuring.SelectFont(*table[fontBase(k)]);
    heights[k] = measuring.GetTextExtent("\xC0\xBF").cy;
  }
  dc.SetBkColor(background);
  dc.SetBkMode(platform::BkMode::Transparent);
  dc.SetTextAlign(platform::TextAlign::kLeft | platform::TextAlign::kTop);
  int y = (titles.Lines[0].empty() ? heights[1] : heights[0]) / 6;
  if (printing) y += rect_.top;

  static constexpr int kLineBits[5] = {0x40, 0x80, 0x100, 0x200, 0x200};
  for (std::size_t k = 0; k < titles.Lines.size(); ++k) {
    if (titles.Lines[k].empty() || !(view_.LabelBits & kLineBits[k])) continue;
    const std::size_t base = fontBase(k);
    if (!table[base]) continue;
    const Color color = roleColor(k == 0 ? kRoleTitle : kRoleSubTitles);
    CodedFontSet fonts;
    std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(base), fonts.size(), fonts.begin());
    FitTitleFonts(fonts, measuring, titles.Lines[k], rect_.right - rect_.left);
    if (drawMode_ == kDrawMetafilePlain) {
      dc.SelectFont(*fonts[0]);
      dc.SetTextColor(color);
      dc.SetTextAlign(platform::TextAlign::kCenter | platform::TextAlign::kTop);
      dc.TextOut(centreX, y, StripTextCodes(titles.Lines[k], 160));
    } else {
      DrawCodedText(dc, measuring, titles.Lines[k], fonts, centreX, y,
                    static_cast<int>(titles.Lines[k].size()), 1, 0, 1, color);
    }
    y += heights[k];
  }
}
