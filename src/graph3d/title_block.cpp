#include "graph3d/title_block.h"

#include <algorithm>
#include <cmath>

#include "app/byte_codec.h"
#include "app/file_utils.h"

namespace {

constexpr std::size_t kLineLimit = TTitleBlock::kLineField - 1;
constexpr std::size_t kAxisLimit = TTitleBlock::kAxisField - 1;

std::string CutText(std::string text, std::size_t limit) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  if (text.size() > limit) text.resize(limit);
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

TTitleSize TitleSizeFromPoints(float points) {
  TTitleSize size;
  const float twice = std::isfinite(points) ? std::round(points * 2.0f) : 20.0f;
  size.position = static_cast<std::int32_t>(
      std::clamp(twice, static_cast<float>(TTitleSize::kLowest), static_cast<float>(TTitleSize::kHighest)));
  return size;
}

std::vector<std::uint8_t> EncodeTitleBlock(const TTitleBlock& block) {
  bytes::ByteWriter w;
  for (const std::string& line : block.lines) w.FixedString(CutText(line, kLineLimit), TTitleBlock::kLineField);
  for (const std::string& axis : block.axisTitles)
    w.FixedString(CutText(axis, kAxisLimit), TTitleBlock::kAxisField);
  for (const TTitleSize& size : block.sizes) {
    w.I32(size.low);
    w.I32(size.high);
    w.I32(size.position);
  }
  return w.Take();
}

bool DecodeTitleBlock(std::span<const std::uint8_t> data, TTitleBlock& out) {
  if (data.size() != TTitleBlock::kSize) return false;
  bytes::ByteReader r(data);
  TTitleBlock block;
  for (std::string& line : block.lines) line = CutText(r.FixedString(TTitleBlock::kLineField), kLineLimit);
  for (std::string& axis : block.axisTitles)
    axis = CutText(r.FixedString(TTitleBlock::kAxisField), kAxisLimit);
  for (TTitleSize& size : block.sizes) {
    r.I32();  // the stored range is not trusted: the scroll bars always run 12 .. 48
    r.I32();
    size.position = std::clamp(r.I32(), TTitleSize::kLowest, TTitleSize::kHighest);
  }
  if (!r.Ok()) return false;
  out = std::move(block);
  return true;
}

OptionFileStatus ReadTitleFile(const std::filesystem::path& path, TTitleBlock& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {TTitleBlock::kSize}, status);
  if (!data) return status;
  if (!DecodeTitleBlock(*data, out)) return OptionFileStatus::Refused;
  return OptionFileStatus::Ok;
}

bool WriteTitleFile(const std::filesystem::path& path, const TTitleBlock& block) {
  return SaveGlobalToFile(EncodeTitleBlock(block), path);
}

void RefreshAutomaticFitLines(TTitleBlock& block, const TTitleBlock& automatic) {
  if (StartsWith(block.lines[1], "Rank")) block.lines[1] = automatic.lines[1];
  if (StartsWith(block.lines[2], "r~^2~^=")) block.lines[2] = automatic.lines[2];
  if (StartsWith(block.lines[3], "a=")) {
    block.lines[3] = automatic.lines[3];
    block.lines[4] = automatic.lines[4];
  }
}

TTitleBlock WorkingTitleBlock(const T3DTitleSet& custom, const TTitleBlock& automatic) {
  if (custom.Enabled == 0) return automatic;
  TTitleBlock block;
  for (std::size_t i = 0; i < 5; ++i) block.lines[i] = CutText(custom.Lines[i], kLineLimit);
  for (std::size_t i = 0; i < 3; ++i) block.axisTitles[i] = CutText(custom.AxisTitles[i], kAxisLimit);
  for (std::size_t i = 0; i < 4; ++i) block.sizes[i] = TitleSizeFromPoints(custom.FontSizes[i]);
  RefreshAutomaticFitLines(block, automatic);
  return block;
}

void StoreTitleBlock(const TTitleBlock& block, const TTitleBlock& automatic, T3DTitleSet& custom) {
  for (std::size_t i = 0; i < 5; ++i) {
    custom.Lines[i] = CutText(block.lines[i], kLineLimit);
    custom.LineCoded[i] = custom.Lines[i].find('~') != std::string::npos;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    custom.AxisTitles[i] = CutText(block.axisTitles[i], kAxisLimit);
    custom.AxisCoded[i] = custom.AxisTitles[i].find('~') != std::string::npos;
  }
  for (std::size_t i = 0; i < 4; ++i) custom.FontSizes[i] = block.sizes[i].Points();
  custom.Enabled = EncodeTitleBlock(block) != EncodeTitleBlock(automatic) ? 1 : 0;
}

std::optional<TMarkupEdit> InsertMarkupPair(const std::string& text, int selStart, int selEnd,
                                            const char* code, std::size_t limit) {
  const int length = static_cast<int>(text.size());
  int s = std::clamp(std::min(selStart, selEnd), 0, length);
  int e = std::clamp(std::max(selStart, selEnd), 0, length);
  if (e == s) e = std::min(s + 1, length);
  const std::string mark(code);
  // An insert that would push the text past its field is refused rather than cut.
  if (text.size() + 2 * mark.size() > limit) return std::nullopt;
  TMarkupEdit edit;
  edit.text = text;
  edit.text.insert(static_cast<std::size_t>(s), mark);
  edit.text.insert(static_cast<std::size_t>(e) + mark.size(), mark);
  edit.selStart = s;
  edit.selEnd = e + 2 * static_cast<int>(mark.size());
  return edit;
}

std::optional<TMarkupEdit> InsertSpecialCharacter(const std::string& text, int caret, int code,
                                                  std::size_t limit) {
  std::string insert;
  if (code >= kSymbolCodeBase) {
    insert = std::string(kSymbolCode) + static_cast<char>(code - kSymbolCodeBase) + kSymbolCode;
  } else {
    insert = std::string(1, static_cast<char>(code));
  }
  if (text.size() + insert.size() > limit) return std::nullopt;
  const int at = std::clamp(caret, 0, static_cast<int>(text.size()));
  TMarkupEdit edit;
  edit.text = text;
  edit.text.insert(static_cast<std::size_t>(at), insert);
  edit.selStart = edit.selEnd = at + static_cast<int>(insert.size());
  return edit;
}
