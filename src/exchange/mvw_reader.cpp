#include "exchange/mvw_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "exchange/reader_contract.h"

namespace {

constexpr std::uint16_t kHeadedStart = 0x8100;
constexpr std::size_t kHeadedHeader = 8;
constexpr std::size_t kWalkStart = 24;
constexpr std::size_t kBlockHead = 8;
constexpr std::string_view kItemName = "RKDataWorksheet";
constexpr std::size_t kItemExtra = 16;
constexpr std::size_t kCellBytes = 16;
constexpr std::uint8_t kNumericCell = 17;
constexpr std::size_t kDataDescriptor = 24;
constexpr std::size_t kTitleRecord = 48;
constexpr std::size_t kListSkip = 56;
constexpr std::size_t kListItem = 16;
constexpr std::size_t kListTitleRecord = 56;
constexpr std::uint16_t kColumnItem = 0x2080, kColumnItemMark = 0x2081;
constexpr std::uint16_t kItemsEnd = 0x2002, kTitleMark1 = 0x2082, kTitleMark2 = 0x2083;
constexpr int kMaxBlocks = 16384;
constexpr std::size_t kListCapacity = 512;
// A column the dialog can name: its number is read back from four digits.
constexpr std::uint32_t kMaxListedColumn = 9998;

enum TBlockKind : std::uint8_t { kDataBlock = 1, kTitleBlock = 2 };

bool Headed(std::span<const std::uint8_t> b) { return b.size() >= 2 && bytes::LoadU16(&b[0]) == kHeadedStart; }

// A NUL-terminated text between two offsets of a block.
std::string TextAt(std::span<const std::uint8_t> b, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to && i < b.size() && b[i] != 0; ++i) text.push_back(static_cast<char>(b[i]));
  return text;
}

// The worksheet's blocks after its item, in order, while they are column data or title
// blocks that lie whole within the file.
struct TBlock {
  std::uint8_t kind;
  std::span<const std::uint8_t> bytes;  // head and body
};
template <class Visit>
void WalkWorksheetBlocks(std::span<const std::uint8_t> b, std::size_t from, Visit visit) {
  for (std::size_t off = from; off + kBlockHead <= b.size();) {
    const std::uint8_t kind = b[off];
    const std::uint64_t length = bytes::LoadU32(&b[off + 4]);
    if ((kind != kDataBlock && kind != kTitleBlock) || b[off + 1] != ' ' ||
        length > b.size() - off - kBlockHead)
      return;
    const std::size_t size = kBlockHead + static_cast<std::size_t>(length);
    if (!visit(TBlock{kind, b.subspan(off, size)})) return;
    off += size;
  }
}

// The offset of the block tagged 0x8100 that opens the column list; 0 when none.
std::size_t FindListBlock(std::span<const std::uint8_t> b) {
  if (Headed(b)) {
    const bool found = b.size() >= kHeadedHeader + 2 && bytes::LoadU16(&b[kHeadedHeader]) == kHeadedStart;
    return found ? kHeadedHeader : 0;
  }
  std::size_t off = kWalkStart;
  for (int k = 0; k < kMaxBlocks && off + kBlockHead <= b.size(); ++k) {
    if (bytes::LoadU16(&b[off]) == kHeadedStart) return off;
    const std::uint64_t length = bytes::LoadU32(&b[off + 4]);
    if (length > b.size() - off - kBlockHead) return 0;
    off += kBlockHead + static_cast<std::size_t>(length);
  }
  return 0;
}

}  // namespace

long FindDataWorksheet(std::span<const std::uint8_t> bytes, int* rows, int* columns) {
  const int wanted = Headed(bytes) ? 1 : 2;
  auto at = bytes.begin();
  for (int found = 0;; ++at) {
    at = std::search(at, bytes.end(), kItemName.begin(), kItemName.end());
    if (at == bytes.end()) return -1;
    if (++found == wanted) break;
  }
  const auto name = static_cast<std::size_t>(at - bytes.begin());
  const std::size_t extra = name + kItemName.size() + 1;
  if (extra + kItemExtra > bytes.size()) return -1;
  if (rows) *rows = bytes::LoadU16(&bytes[extra + 12]) + 1;
  if (columns) *columns = bytes::LoadU16(&bytes[extra + 14]) + 1;
  return static_cast<long>(extra + kItemExtra);
}

TColumnArray ReadMvwColumnArray(std::span<const std::uint8_t> bytes, int column, long itemOffset, TMvwColumnFlags* flags,
                                std::size_t limit) {
  if (itemOffset <= 0) itemOffset = FindDataWorksheet(bytes);
  if (itemOffset < 0 || column < 0) return {};
  TColumnArray values;
  TMvwColumnFlags seen;
  WalkWorksheetBlocks(bytes, static_cast<std::size_t>(itemOffset), [&](const TBlock& block) {
    const auto& b = block.bytes;
    if (block.kind != kDataBlock || b.size() < kDataDescriptor ||
        bytes::LoadU32(&b[12]) != static_cast<std::uint32_t>(column))
      return true;
    // The data length is bounded by the block that holds the cells: a longer one was cut.
    const std::size_t counted = bytes::LoadU32(&b[20]);
    const std::size_t length = std::min<std::size_t>(counted, b.size() - kDataDescriptor);
    seen.cut = counted > length;
    values = NewColumnArray();
    seen.notFinite.assign(1, false);
    for (std::size_t at = kDataDescriptor; at + kCellBytes <= kDataDescriptor + length; at += kCellBytes) {
      const std::uint8_t* cell = &b[at];
      long double v = ExprErrorValue;
      bool notFinite = false;
      if (cell[14] == 0 && cell[15] == kNumericCell) {
        v = bytes::DecodeExtended(cell);
        notFinite = !std::isfinite(v);
        if (notFinite) v = ExprErrorValue;
      }
      if (values.size() > limit) break;
      values.push_back(v);
      values[0] = static_cast<long double>(values.size() - 1);
      seen.notFinite.push_back(notFinite);
    }
    return false;
  });
  if (flags) *flags = std::move(seen);
  return values;
}

int ListMvwColumns(std::span<const std::uint8_t> b, std::vector<std::string>& list) {
  list.clear();
  struct Entry {
    std::uint32_t column;
    std::string text;
    bool titled = false;
  };
  std::vector<Entry> entries;
  const std::size_t block = FindListBlock(b);
  std::size_t off = block + kListSkip;
  bool ended = false;
  while (block > 0 && off + kListItem <= b.size()) {
    const unsigned tag = bytes::LoadU16(&b[off]);
    if (tag == kItemsEnd) {
      ended = true;
      break;
    }
    const std::uint32_t column = bytes::LoadU32(&b[off + 4]);
    if (tag == kColumnItem && bytes::LoadU16(&b[off + 8]) == kColumnItemMark && column <= kMaxListedColumn &&
        entries.size() < kListCapacity)
      entries.push_back({column, CFormat("%4d: ", static_cast<int>(column) + 1)});
    const std::uint64_t length = bytes::LoadU32(&b[off + 12]);
    if (length > b.size() - off - kListItem) break;
    off += kListItem + static_cast<std::size_t>(length);
  }
  for (; ended && off + kListTitleRecord <= b.size(); off += kListTitleRecord) {
    if (bytes::LoadU16(&b[off]) != kItemsEnd || bytes::LoadU16(&b[off + 16]) != kTitleMark1 ||
        bytes::LoadU16(&b[off + 40]) != kTitleMark2)
      break;
    const std::uint32_t column = bytes::LoadU32(&b[off + 48]);
    for (Entry& e : entries)
      if (e.column == column && !e.titled) {
        e.text += TextAt(b, off + 24, off + 40);
        e.text.resize(std::min(e.text.size(), kMvwEntryChars));
        e.titled = true;
      }
  }
  if (entries.size() < 2) return -2;
  for (Entry& e : entries) list.push_back(std::move(e.text));
  return static_cast<int>(list.size());
}

TReadResult ReadMvwBytes(std::span<const std::uint8_t> bytes, const TReadArgs& args) {
  TReadResult result;
  const long item = FindDataWorksheet(bytes);
  const bool weighted = args.colW >= 0;
  const std::array<int, 4> columns = {args.colX - 1, args.colY - 1, args.colZ - 1, weighted ? args.colW - 1 : -1};
  std::array<TColumnArray, 4> arrays;
  std::array<TMvwColumnFlags, 4> flags;
  for (std::size_t k = 0; k < (weighted ? 4u : 3u); ++k) {
    arrays[k] = item < 0 ? TColumnArray{} : ReadMvwColumnArray(bytes, columns[k], item, &flags[k], kPointsCountBound + 1);
    if (arrays[k].empty()) {
      result.error = TReadError::kMalformed;  // a chosen column has no data
      return result;
    }
  }
  std::array<std::string, 3> names;
  WalkWorksheetBlocks(bytes, static_cast<std::size_t>(item), [&](const TBlock& block) {
    if (block.kind != kTitleBlock || block.bytes.size() < kTitleRecord) return true;
    const std::uint32_t column = bytes::LoadU32(&block.bytes[40]);
    for (std::size_t k = 0; k < 3; ++k)
      if (names[k].empty() && column == static_cast<std::uint32_t>(columns[k])) names[k] = TextAt(block.bytes, 16, 40);
    return true;
  });
  result.titles.SetXName(names[0]), result.titles.SetYName(names[1]), result.titles.SetZName(names[2]);

  const std::size_t chosen = weighted ? 4 : 3;
  std::size_t rows = 0;
  for (std::size_t k = 0; k < chosen; ++k) rows = std::max(rows, arrays[k].size());
  TPointCollector points(args, result);
  for (std::size_t i = 1; i < rows && !points.Done(); ++i) {
    // A column shorter than the others holds no cell in the rows past its end.
    std::array<long double, 4> v{};
    for (std::size_t k = 0; k < chosen; ++k) v[k] = i < arrays[k].size() ? arrays[k][i] : ExprErrorValue;
    const long double w = weighted ? v[3] : 1;
    const bool notFinite = std::any_of(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(chosen),
                                       [i](const TMvwColumnFlags& f) { return i < f.notFinite.size() && f.notFinite[i]; });
    if (notFinite) {
      points.SkipNonFiniteRow();
      continue;
    }
    if (IsIncompleteRow(std::span(v.data(), chosen))) {
      points.SkipRow();
      continue;
    }
    if (!IsUsableValue(v[0]) || !IsUsableValue(v[1]) || !IsUsableValue(v[2]) || !IsUsableValue(w)) continue;
    (void)points.Add(v[0], v[1], v[2], w > 0 ? w : 1);
  }
  // A column block that ends before the cells it counts was cut: the rows its cells reach
  // were read, and the user is told after which.
  for (std::size_t k = 0; k < chosen && !points.Done(); ++k)
    if (flags[k].cut) {
      const std::int64_t after = static_cast<std::int64_t>(arrays[k].size()) - 1;
      result.damagedAfterRow = result.damagedAfterRow ? std::min(*result.damagedAfterRow, after) : after;
    }
  result.weighted = weighted && !result.points.empty();
  return result;
}

TReadResult ReadMvw(const TReadArgs& args) {
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(args.path);
  if (bytes.empty()) {
    TReadResult result;
    result.error = TReadError::kCannotOpen;
    return result;
  }
  return ReadMvwBytes(bytes, args);
}

int ListMvwColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(path);
  if (bytes.empty()) return -1;
  return ListMvwColumns(bytes, list);
}

TColumnArray ReadMvwColumn(const std::string& path, int column) {
  return ReadMvwColumnArray(LoadFileToGlobal(path), column - 1);
}

TPairedColumns ReadMvwColumnPairs(std::span<const std::uint8_t> bytes, std::span<const int> columns) {
  const long item = FindDataWorksheet(bytes);
  // Read to the bound, so that the pairing counts the rows past its room.
  std::vector<TColumnArray> cellRows;
  for (const int column : columns) {
    cellRows.push_back(ReadMvwColumnArray(bytes, column - 1, item, nullptr, kPointsCountBound + 1));
    if (cellRows.back().empty()) return {};
  }
  return PairRowArrays(cellRows, 1);
}

TPairedColumns ReadMvwColumnPairs(const std::string& path, std::span<const int> columns) {
  return ReadMvwColumnPairs(LoadFileToGlobal(path), columns);
}
