#include "graph3d/view_function.h"

#include <algorithm>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "expr/expression.h"

namespace {

// A field's text as the record holds it: to the first NUL, and never into the field's last
// byte, which the record keeps for the NUL. A file whose text fills its field to the end
// would otherwise run on into the range texts behind it.
std::string FieldText(bytes::ByteReader& in, std::size_t field) {
  std::string text = in.FixedString(field);
  if (text.size() > field - 1) text.resize(field - 1);
  return text;
}

}  // namespace

TViewFnRecord ClearedViewFnRecord() {
  TViewFnRecord record;
  record.ranges = {"1", "10", "1", "10"};
  return record;
}

std::vector<std::uint8_t> EncodeViewFnRecord(const TViewFnRecord& record) {
  bytes::ByteWriter out;
  out.FixedString(record.text, TViewFnRecord::kTextField);
  for (const std::string& range : record.ranges) out.FixedString(range, TViewFnRecord::kRangeField);
  out.Raw(record.tail.data(), record.tail.size());
  return out.Take();
}

bool DecodeViewFnRecord(std::span<const std::uint8_t> data, TViewFnRecord& out) {
  if (data.size() != TViewFnRecord::kSize) return false;
  bytes::ByteReader in(data);
  TViewFnRecord record;
  record.text = FieldText(in, TViewFnRecord::kTextField);
  for (std::string& range : record.ranges) range = FieldText(in, TViewFnRecord::kRangeField);
  if (!in.Raw(record.tail.data(), record.tail.size()) || !in.Ok()) return false;
  out = std::move(record);
  return true;
}

OptionFileStatus ReadViewFnFile(const std::filesystem::path& path, TViewFnRecord& out) {
  OptionFileStatus status;
  const auto data = ReadOptionFileBytes(path, {TViewFnRecord::kSize}, status);
  if (!data) return status;
  return DecodeViewFnRecord(*data, out) ? OptionFileStatus::Ok : OptionFileStatus::Refused;
}

bool WriteViewFnFile(const std::filesystem::path& path, const TViewFnRecord& record) {
  return SaveGlobalToFile(EncodeViewFnRecord(record), path);
}

std::vector<TTextLine> TextLines(std::string_view text) {
  std::vector<TTextLine> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({start, i - start});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({start, text.size() - start});
  return lines;
}

long double EvalViewMode(ViewMode mode, long double x, long double y) {
  return EvalViewMode(mode, x, y, finite_differences::TSurfaceScales{});
}

long double EvalViewMode(ViewMode mode, long double x, long double y, const finite_differences::TSurfaceScales& scales) {
  using finite_differences::Partial;
  switch (mode) {
    case ViewMode::Value: return ExprEvalViewFn(x, y);
    case ViewMode::DzDx: return ExprViewFnPartial(Partial::kDzDx, x, y, scales);
    case ViewMode::DzDy: return ExprViewFnPartial(Partial::kDzDy, x, y, scales);
    case ViewMode::D2zDxDy: return ExprViewFnPartial(Partial::kD2zDxDy, x, y, scales);
    case ViewMode::D2zDx2: return ExprViewFnPartial(Partial::kD2zDx2, x, y, scales);
    case ViewMode::D2zDy2: return ExprViewFnPartial(Partial::kD2zDy2, x, y, scales);
  }
  return 0;
}

std::string ViewModeZTitle(ViewMode mode) {
  switch (mode) {
    case ViewMode::Value: break;
    case ViewMode::DzDx: return "~@\xB6~@Z/~@\xB6~@X";
    case ViewMode::DzDy: return "~@\xB6~@Z/~@\xB6~@Y";
    case ViewMode::D2zDxDy: return "~@\xB6~@\xB2Z/~@\xB6~@X~@\xB6~@Y";
    case ViewMode::D2zDx2: return "~@\xB6~@\xB2Z/~@\xB6~@X\xB2";
    case ViewMode::D2zDy2: return "~@\xB6~@\xB2Z/~@\xB6~@Y\xB2";
  }
  return "Z";
}

void SetGraphTitlesFromText(T3DTitleSet& set, std::string_view text, ViewMode mode) {
  const std::vector<TTextLine> lines = TextLines(text);
  for (std::size_t k = 0; k < set.Lines.size(); ++k) {
    set.Lines[k].clear();
    if (k >= lines.size()) continue;
    const std::size_t length = std::min(lines[k].length, T3DTitleSet::kLineLength);
    set.Lines[k].assign(text.substr(lines[k].start, length));
  }
  set.AxisTitles = {"X", "Y", ViewModeZTitle(mode)};
  set.FixedSizes = 1;
}
