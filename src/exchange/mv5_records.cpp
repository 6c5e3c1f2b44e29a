#include "exchange/mv5_records.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/byte_codec.h"

namespace {

constexpr std::size_t kOpenReadSize = 256;  // MvOpen reads this much and looks for the header's end in it
constexpr int kRowCacheCells = 64;
constexpr int kMaxRowSlots = 1024;
constexpr std::uint8_t kEndOfText = 0x1A;

// ---- bytes ----

void PutU16(std::uint8_t* p, int v) { bytes::StoreU16(p, static_cast<std::uint16_t>(v)); }
int GetU16(const std::uint8_t* p) { return bytes::LoadU16(p); }

void PutText(std::span<std::uint8_t> at, std::string_view text) {
  std::memcpy(at.data(), text.data(), std::min(text.size(), at.size()));
}

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }
void Append(std::vector<std::uint8_t>& out, std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }

void AppendBlockHeader(std::vector<std::uint8_t>& out, std::uint32_t length, int column) {
  std::uint8_t h[kMvBlockHeaderSize];
  bytes::StoreU32(h, length);
  PutU16(h + 4, column);
  Append(out, h);
}

// An item's header text: at most 128 bytes, its first 0x1A its last byte.
bool SoundItemText(std::string_view text) {
  return !text.empty() && text.size() <= kMvMaxHeaderText &&
         text.find(static_cast<char>(kEndOfText)) == text.size() - 1;
}

void InitItem(TMvDescriptor& d, const char* name, const char* tag, int columns, int rows) {
  d.fill(0);
  PutText(std::span(d).subspan(mv5::kItemName, 64), name);
  PutText(std::span(d).subspan(mv5::kItemTag, 10), tag);
  PutU16(&d[mv5::kItemWord74], 20);
  PutU16(&d[mv5::kItemWord76], 0xFFFF);
  PutU16(&d[mv5::kItemColumns], columns);
  PutU16(&d[mv5::kItemRows], rows);
  PutU16(&d[mv5::kItemCellSize], static_cast<int>(kMvCellSize));
}

// ---- file reads, each bounded by the file ----

bool ReadAt(TMvReadHandle& h, std::int64_t at, void* out, std::size_t n) {
  if (at < 0 || at > h.fileSize || static_cast<std::int64_t>(n) > h.fileSize - at) return false;
  if (::fseeko(h.file.get(), at, SEEK_SET) != 0) return false;
  return std::fread(out, 1, n, h.file.get()) == n;
}

}  // namespace

bool IsMv5File(std::span<const std::uint8_t> b) {
  return b.size() >= kMvHeaderPrefix.size() && std::equal(kMvHeaderPrefix.begin(), kMvHeaderPrefix.end(), b.begin());
}

// ---- records and cells ---------------------------------------------------------------------

void MvInitFileDescriptor(TMvDescriptor& d) {
  d.fill(0);
  PutU16(&d[mv5::kFileVersion], 1);
  for (int k = 0; k < 3; ++k) PutU16(&d[mv5::kFileWords + 2 * static_cast<std::size_t>(k)], 0xFFFF);
  PutText(std::span(d).subspan(mv5::kFileTag, 10), "MV500");
  PutText(std::span(d).subspan(mv5::kFileTagAgain, 10), "MV500");
}

void MvInitDataItem(TMvDescriptor& d, int columns, int rows) {
  InitItem(d, "Data Worksheet", "rk_dw", columns, rows);
}

void MvInitStatsItem(TMvDescriptor& d, int columns, int rows) {
  InitItem(d, "Statistics Worksheet", "rk_sw", columns, rows);
}

void MvInitColumnRecord(TMvColumnRecord& r, int column, int cells, int kind) {
  const int fields[7] = {kind, column, 0, 1, 0xFFFF, 64, cells};
  for (std::size_t k = 0; k < 7; ++k) PutU16(&r[2 * k], fields[k]);
}

int MvDescriptorColumns(const TMvDescriptor& d) { return GetU16(&d[mv5::kItemColumns]); }
int MvDescriptorRows(const TMvDescriptor& d) { return GetU16(&d[mv5::kItemRows]); }
int MvRecordColumn(const TMvColumnRecord& r) { return GetU16(&r[mv5::kRecordColumn]); }
int MvRecordCells(const TMvColumnRecord& r) { return GetU16(&r[mv5::kRecordCells]); }

TMvCell MvNumberCell(double value) {
  TMvCell cell;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (std::size_t k = 0; k < kMvCellSize; ++k) cell[k] = static_cast<std::uint8_t>(bits >> (8 * k));
  return cell;
}

TMvCell MvEmptyCell() {
  TMvCell cell;
  cell.fill(0xFF);
  return cell;
}

void MvPackText(TMvCell& cell, std::string_view text) {
  int k[8];
  for (std::size_t i = 0; i < 8; ++i) {
    const int c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    k[i] = c >= 32 && c < 96 ? c - 32 : 0;
  }
  for (std::size_t half = 0; half < 2; ++half) {
    const int* q = k + 4 * half;
    cell[3 * half] = static_cast<std::uint8_t>(q[0] * 4 + q[1] / 16);
    cell[3 * half + 1] = static_cast<std::uint8_t>((q[1] % 16) * 16 + q[2] / 4);
    cell[3 * half + 2] = static_cast<std::uint8_t>((q[2] % 4) * 64 + q[3]);
  }
  cell[6] = 0xF1;
  cell[7] = 0xFF;
}

bool MvIsEmptyCell(const TMvCell& cell) { return cell[6] == 0xFF && cell[7] == 0xFF; }
bool MvIsTextCell(const TMvCell& cell) { return cell[6] == 0xF1 && cell[7] == 0xFF; }

std::optional<double> MvCellNumber(const TMvCell& cell) {
  if (MvIsEmptyCell(cell) || MvIsTextCell(cell)) return std::nullopt;
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < kMvCellSize; ++k) bits |= static_cast<std::uint64_t>(cell[k]) << (8 * k);
  const double v = std::bit_cast<double>(bits);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

int MvInitStatsColumn(std::span<TMvCell, kMvStatsCells> cells, std::optional<std::string_view> title) {
  for (TMvCell& c : cells) c = MvEmptyCell();
  cells[30] = MvNumberCell(1.0);
  if (!title) return kMvStatsCellsUntitled;
  std::uint8_t text[2 * kMvCellSize] = {};
  PutText(std::span(text, kMvTitleChars), *title);
  std::memcpy(cells[kMvTitleCell].data(), text, kMvCellSize);
  std::memcpy(cells[kMvTitleCell + 1].data(), text + kMvCellSize, kMvCellSize);
  return kMvStatsCells;
}

// ---- writing -----------------------------------------------------------------------------

MvCode MvCreate(TMvWriteHandle& h, const std::filesystem::path& path, std::string_view headerText,
                const TMvDescriptor* descriptor, unsigned flags) {
  h = TMvWriteHandle{};
  if (!SoundItemText(headerText) || !headerText.starts_with(kMvHeaderPrefix)) return MvCode::kBadHeader;
  TMvDescriptor d;
  if (descriptor) d = *descriptor;
  else MvInitFileDescriptor(d);
  h.path = path;
  h.flags = flags;
  h.headerLength = headerText.size();
  Append(h.bytes, headerText);
  Append(h.bytes, d);
  h.open = true;
  return MvCode::kOk;
}

MvCode MvBeginItem(TMvWriteHandle& h, int item, std::string_view headerText, const TMvDescriptor& d) {
  if (!h.open) return MvCode::kWriteFailed;
  if (item < 0 || item >= kMvItems || h.items[static_cast<std::size_t>(item)].begun) return MvCode::kBeyondItem;
  if (h.owed > 0) return MvCode::kColumnOwes;
  if (h.currentItem >= 0) return MvCode::kWriteFailed;  // the item before is not ended
  if (!SoundItemText(headerText)) return MvCode::kBadHeader;
  if (GetU16(&d[mv5::kItemCellSize]) != static_cast<int>(kMvCellSize)) return MvCode::kBeyondItem;
  TMvWriteHandle::Item& it = h.items[static_cast<std::size_t>(item)];
  it.begun = true;
  it.textLength = headerText.size();
  Append(h.bytes, headerText);
  it.descriptorAt = h.bytes.size();
  Append(h.bytes, d);
  it.columns = MvDescriptorColumns(d);
  it.rows = MvDescriptorRows(d);
  it.cellSize = static_cast<int>(kMvCellSize);
  h.currentItem = item;
  return MvCode::kOk;
}

MvCode MvBeginDataItem(TMvWriteHandle& h, std::string_view headerText, const TMvDescriptor& d) {
  return MvBeginItem(h, kMvDataItem, headerText, d);
}

MvCode MvBeginStatsItem(TMvWriteHandle& h, std::string_view headerText, const TMvDescriptor& d) {
  return MvBeginItem(h, kMvStatsItem, headerText, d);
}

MvCode MvBeginColumn(TMvWriteHandle& h, const TMvColumnRecord& record) {
  if (!h.open || h.currentItem < 0) return MvCode::kWriteFailed;
  if (h.owed > 0) return MvCode::kColumnOwes;
  const TMvWriteHandle::Item& it = h.items[static_cast<std::size_t>(h.currentItem)];
  const int column = MvRecordColumn(record), cells = MvRecordCells(record);
  if (column >= it.columns || cells > it.rows) return MvCode::kBeyondItem;
  AppendBlockHeader(h.bytes, static_cast<std::uint32_t>(cells * it.cellSize + static_cast<int>(kMvColumnRecordSize)),
                    column);
  Append(h.bytes, record);
  h.owed = cells;
  return MvCode::kOk;
}

MvCode MvWriteCells(TMvWriteHandle& h, std::span<const TMvCell> cells) {
  if (!h.open || h.currentItem < 0) return MvCode::kWriteFailed;
  if (static_cast<long>(cells.size()) > h.owed) return MvCode::kBeyondItem;
  for (const TMvCell& c : cells) Append(h.bytes, c);
  h.owed -= static_cast<long>(cells.size());
  return MvCode::kOk;
}

MvCode MvEndItem(TMvWriteHandle& h) {
  if (!h.open || h.currentItem < 0) return MvCode::kWriteFailed;
  if (h.owed > 0) return MvCode::kColumnOwes;
  AppendBlockHeader(h.bytes, 0, kMvEndMark);
  h.items[static_cast<std::size_t>(h.currentItem)].ended = true;
  h.currentItem = -1;
  return MvCode::kOk;
}

MvCode MvCloseWrite(TMvWriteHandle& h) {
  if (!h.open) return MvCode::kWriteFailed;
  MvCode code = MvCode::kOk;
  // A file with a column short of its cells or an item without its end mark would read
  // as damaged: it is not saved.
  if (h.owed > 0) code = MvCode::kColumnOwes;
  else if (h.currentItem >= 0 || h.bytes.size() > UINT32_MAX) code = MvCode::kWriteFailed;
  if (code == MvCode::kOk) {
    std::uint8_t* descriptor = &h.bytes[h.headerLength];
    for (std::size_t k = 0; k < kMvItems; ++k) {
      const TMvWriteHandle::Item& it = h.items[k];
      bytes::StoreU32(descriptor + mv5::kItemOffsets + 4 * k,
                      it.begun ? static_cast<std::uint32_t>(it.descriptorAt - it.textLength) : 0);
    }
    if (!SaveGlobalToFile(h.bytes, h.path)) code = MvCode::kCannotOpen;
  }
  h = TMvWriteHandle{};
  return code;
}

// ---- reading -----------------------------------------------------------------------------

MvCode MvOpen(TMvReadHandle& h, const std::filesystem::path& path, TMvDescriptor* descriptor, unsigned flags) {
  h = TMvReadHandle{};
  // Read-only: a worksheet the user may not change still imports, and an installed template
  // still serves.
  h.file = FOpenOem(path, "rb");
  if (!h.file) return MvCode::kCannotOpen;
  if (::fseeko(h.file.get(), 0, SEEK_END) != 0) return MvCode::kCannotOpen;
  h.fileSize = ::ftello(h.file.get());
  h.flags = flags;
  std::uint8_t head[kOpenReadSize];
  if (!ReadAt(h, 0, head, sizeof head) || !IsMv5File(head)) return MvCode::kBadHeader;
  const std::uint8_t* end = std::find(head, head + kMvMaxHeaderText, kEndOfText);
  if (end == head + kMvMaxHeaderText) return MvCode::kBadHeader;
  h.headerLength = static_cast<std::size_t>(end - head) + 1;
  if (flags & kMvKeepHeaderTexts) h.headerText.assign(reinterpret_cast<const char*>(head), h.headerLength);
  const std::uint8_t* d = head + h.headerLength;
  for (std::size_t k = 0; k < kMvItems; ++k) h.items[k].offset = bytes::LoadU32(d + mv5::kItemOffsets + 4 * k);
  if (descriptor) std::memcpy(descriptor->data(), d, kMvDescriptorSize);
  return MvCode::kOk;
}

MvCode MvOpenItem(TMvReadHandle& h, int item, TMvDescriptor* descriptor) {
  if (!h.file || item < 0 || item >= kMvItems) return MvCode::kWriteFailed;
  TMvReadHandle::Item& it = h.items[static_cast<std::size_t>(item)];
  if (it.offset == 0) return MvCode::kWriteFailed;
  if (!it.opened) {
    // The item's header text ends at its first 0x1A, within 128 bytes and within the file.
    std::uint8_t text[kMvMaxHeaderText];
    const std::size_t room = static_cast<std::size_t>(std::clamp<std::int64_t>(h.fileSize - it.offset, 0, sizeof text));
    if (!ReadAt(h, it.offset, text, room)) return MvCode::kBadHeader;
    const std::uint8_t* end = std::find(text, text + room, kEndOfText);
    if (end == text + room) return MvCode::kBadHeader;
    const std::size_t length = static_cast<std::size_t>(end - text) + 1;
    const std::int64_t at = it.offset + static_cast<std::int64_t>(length);
    if (!ReadAt(h, at, it.descriptor.data(), kMvDescriptorSize)) return MvCode::kBadHeader;
    if (GetU16(&it.descriptor[mv5::kItemCellSize]) != static_cast<int>(kMvCellSize)) return MvCode::kBadHeader;
    it.columns = MvDescriptorColumns(it.descriptor);
    it.rows = MvDescriptorRows(it.descriptor);
    it.firstBlock = at + static_cast<std::int64_t>(kMvDescriptorSize);
    if (h.flags & kMvKeepHeaderTexts) it.headerText.assign(reinterpret_cast<const char*>(text), length);
    if (h.flags & kMvKeepBlockTable) it.blockOf.assign(static_cast<std::size_t>(it.columns), -1);
    it.passedUpTo = it.firstBlock;
    it.opened = true;
  }
  h.currentItem = item;
  h.nextBlock = it.firstBlock;
  h.cellsRead = h.cellsLeft = 0;
  if (descriptor) *descriptor = it.descriptor;
  return MvCode::kOk;
}

MvCode MvOpenDataItem(TMvReadHandle& h, TMvDescriptor* descriptor) { return MvOpenItem(h, kMvDataItem, descriptor); }
MvCode MvOpenStatsItem(TMvReadHandle& h, TMvDescriptor* descriptor) { return MvOpenItem(h, kMvStatsItem, descriptor); }

MvCode MvNextBlock(TMvReadHandle& h, TMvColumnRecord* record) {
  if (h.currentItem < 0) return MvCode::kWriteFailed;
  TMvReadHandle::Item& it = h.items[static_cast<std::size_t>(h.currentItem)];
  const std::int64_t at = h.nextBlock;
  std::uint8_t head[kMvBlockHeaderSize];
  if (!ReadAt(h, at, head, sizeof head)) return MvCode::kBadHeader;
  const std::uint32_t length = bytes::LoadU32(head);
  if (GetU16(head + 4) == kMvEndMark) {
    if (at == it.passedUpTo) it.fullyPassed = true;
    return MvCode::kNoMore;
  }
  const std::int64_t body = at + static_cast<std::int64_t>(kMvBlockHeaderSize);
  if (length < kMvColumnRecordSize || length > h.fileSize - body) return MvCode::kBadHeader;
  TMvColumnRecord r;
  if (!ReadAt(h, body, r.data(), r.size())) return MvCode::kBadHeader;
  const int column = MvRecordColumn(r), cells = MvRecordCells(r);
  if (length - kMvColumnRecordSize != static_cast<std::uint32_t>(cells) * kMvCellSize) return MvCode::kBadHeader;
  if (column >= it.columns || cells > it.rows) return MvCode::kBeyondItem;
  h.nextBlock = body + static_cast<std::int64_t>(length);
  if (at == it.passedUpTo) it.passedUpTo = h.nextBlock;
  if (!it.blockOf.empty()) it.blockOf[static_cast<std::size_t>(column)] = at;
  h.cellsAt = body + static_cast<std::int64_t>(kMvColumnRecordSize);
  h.cellsRead = 0;
  h.cellsLeft = cells;
  if (record) *record = r;
  return MvCode::kOk;
}

MvCode MvSeekColumn(TMvReadHandle& h, int column, TMvColumnRecord* record) {
  if (h.currentItem < 0) return MvCode::kWriteFailed;
  TMvReadHandle::Item& it = h.items[static_cast<std::size_t>(h.currentItem)];
  if (column < 0 || column >= it.columns) return MvCode::kBeyondItem;
  const bool table = !it.blockOf.empty();
  if (table) {
    const std::int64_t known = it.blockOf[static_cast<std::size_t>(column)];
    if (known >= 0) {
      h.nextBlock = known;
      return MvNextBlock(h, record);
    }
    if (it.fullyPassed) return MvCode::kNoMore;
  }
  // Every block before passedUpTo is in the table; without one, the walk starts over.
  h.nextBlock = table ? it.passedUpTo : it.firstBlock;
  for (;;) {
    TMvColumnRecord r;
    const MvCode code = MvNextBlock(h, &r);
    if (code != MvCode::kOk) return code;
    if (MvRecordColumn(r) == column) {
      if (record) *record = r;
      return MvCode::kOk;
    }
  }
}

MvCode MvReadCells(TMvReadHandle& h, std::span<TMvCell> cells) {
  if (h.currentItem < 0) return MvCode::kWriteFailed;
  if (static_cast<long>(cells.size()) > h.cellsLeft) return MvCode::kNoMore;
  const std::int64_t at = h.cellsAt + static_cast<std::int64_t>(h.cellsRead) * static_cast<std::int64_t>(kMvCellSize);
  if (!ReadAt(h, at, cells.data(), cells.size() * kMvCellSize)) return MvCode::kBadHeader;
  h.cellsRead += static_cast<int>(cells.size());
  h.cellsLeft -= static_cast<int>(cells.size());
  return MvCode::kOk;
}

MvCode MvSkipCells(TMvReadHandle& h, int index) {
  if (h.currentItem < 0) return MvCode::kWriteFailed;
  const int total = h.cellsRead + h.cellsLeft;
  if (index < 0 || index > total) return MvCode::kNoMore;
  h.cellsRead = index;
  h.cellsLeft = total - index;
  return MvCode::kOk;
}

int MvColumnLength(TMvReadHandle& h, int column) {
  TMvColumnRecord r;
  return MvSeekColumn(h, column, &r) == MvCode::kOk ? MvRecordCells(r) : 0;
}

std::string MvColumnTitle(TMvReadHandle& h, int column) {
  TMvCell cells[2];
  if (MvOpenStatsItem(h, nullptr) != MvCode::kOk || MvSeekColumn(h, column, nullptr) != MvCode::kOk ||
      MvSkipCells(h, kMvTitleCell) != MvCode::kOk || MvReadCells(h, cells) != MvCode::kOk)
    return {};
  const auto* text = reinterpret_cast<const char*>(cells[0].data());
  return std::string(text, ::strnlen(text, kMvTitleChars));
}

MvCode MvRowsBegin(TMvReadHandle& h, int n) {
  if (!h.file) return MvCode::kWriteFailed;
  if (n < 1 || n > kMaxRowSlots) return MvCode::kBeyondItem;
  h.columnSlots.assign(static_cast<std::size_t>(n), TMvReadHandle::Slot{});
  h.rowsBegun = true;
  h.rowsSkipped = 0;
  return MvCode::kOk;
}

MvCode MvRowsAttach(TMvReadHandle& h, int slot, int column) {
  if (!h.rowsBegun || slot < 0 || slot >= static_cast<int>(h.columnSlots.size())) return MvCode::kBeyondItem;
  TMvColumnRecord r;
  const MvCode code = MvSeekColumn(h, column, &r);
  if (code != MvCode::kOk) return code;
  TMvReadHandle::Slot& s = h.columnSlots[static_cast<std::size_t>(slot)];
  s = TMvReadHandle::Slot{};
  s.attached = true;
  s.column = column;
  s.cells = MvRecordCells(r);
  s.cellsAt = h.cellsAt;
  return MvCode::kOk;
}

MvCode MvRowsNext(TMvReadHandle& h, std::span<double> row, unsigned flags) {
  if (!h.rowsBegun || row.size() != h.columnSlots.size()) return MvCode::kBeyondItem;
  const double empty = std::bit_cast<double>(~std::uint64_t{0});
  for (;;) {
    bool missing = false, anyNumber = false;
    std::size_t ended = 0;
    for (std::size_t k = 0; k < h.columnSlots.size(); ++k) {
      TMvReadHandle::Slot& s = h.columnSlots[k];
      if (!s.attached || s.taken >= s.cells) {
        row[k] = empty;
        missing = true;
        ++ended;
        continue;
      }
      if (s.next == s.cached) {  // refill the slot's cache from the file
        const int n = std::min(kRowCacheCells, s.cells - s.taken);
        const std::int64_t at = s.cellsAt + static_cast<std::int64_t>(s.taken) * static_cast<std::int64_t>(kMvCellSize);
        if (!ReadAt(h, at, s.cache.data(), static_cast<std::size_t>(n) * kMvCellSize)) return MvCode::kBadHeader;
        s.cached = n;
        s.next = 0;
      }
      const TMvCell& cell = s.cache[static_cast<std::size_t>(s.next++)];
      ++s.taken;
      const std::optional<double> v = MvCellNumber(cell);
      if (!v) missing = true;
      anyNumber = anyNumber || v.has_value();
      std::uint64_t bits = 0;
      for (std::size_t b = 0; b < kMvCellSize; ++b) bits |= static_cast<std::uint64_t>(cell[b]) << (8 * b);
      row[k] = v ? *v : std::bit_cast<double>(bits);
    }
    if (ended == h.columnSlots.size()) return MvCode::kNoMore;
    if (!(missing && (flags & kMvSkipIncompleteRows))) return MvCode::kOk;
    if (anyNumber) ++h.rowsSkipped;
  }
}

void MvRowsEnd(TMvReadHandle& h) {
  h.columnSlots.clear();
  h.rowsBegun = false;
}

MvCode MvClose(TMvReadHandle& h) {
  if (h.rowsBegun) return MvCode::kWriteFailed;
  h = TMvReadHandle{};
  return MvCode::kOk;
}

MvCode MvCopyItem(TMvWriteHandle& out, TMvReadHandle& in, int item) {
  if (!out.open || item < 0 || item >= kMvItems) return MvCode::kWriteFailed;
  const std::size_t mark = out.bytes.size();
  const TMvWriteHandle::Item before = out.items[static_cast<std::size_t>(item)];
  bool began = false;
  const auto copy = [&]() -> MvCode {
    TMvDescriptor d;
    if (const MvCode c = MvOpenItem(in, item, &d); c != MvCode::kOk) return c;
    const std::string& text = in.items[static_cast<std::size_t>(item)].headerText;
    if (text.empty()) return MvCode::kWriteFailed;  // the input was opened without its texts
    if (const MvCode c = MvBeginItem(out, item, text, d); c != MvCode::kOk) return c;
    began = true;
    for (;;) {
      TMvColumnRecord r;
      const MvCode next = MvNextBlock(in, &r);
      if (next == MvCode::kNoMore) break;
      if (next != MvCode::kOk) return next;
      if (const MvCode c = MvBeginColumn(out, r); c != MvCode::kOk) return c;
      TMvCell cells[kRowCacheCells];
      while (in.cellsLeft > 0) {
        const std::span<TMvCell> part(cells, static_cast<std::size_t>(std::min(in.cellsLeft, kRowCacheCells)));
        if (const MvCode c = MvReadCells(in, part); c != MvCode::kOk) return c;
        if (const MvCode c = MvWriteCells(out, part); c != MvCode::kOk) return c;
      }
    }
    return MvEndItem(out);
  };
  const MvCode code = copy();
  if (code != MvCode::kOk && began) {
    out.bytes.resize(mark);
    out.items[static_cast<std::size_t>(item)] = before;
    out.currentItem = -1;
    out.owed = 0;
  }
  return code;
}
