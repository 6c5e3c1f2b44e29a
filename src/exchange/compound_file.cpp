#include "exchange/compound_file.h"

#include <algorithm>
#include <cctype>

#include "app/byte_codec.h"
#include "app/file_utils.h"

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirEntrySize = 128;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
// Sector numbers at and above this are markers, never sectors.
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;

std::uint32_t U32(const std::vector<std::uint8_t>& d, std::size_t i) { return bytes::LoadU32(&d[i]); }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

bool TCompoundFile::Open(const std::string& path) { return Load(LoadFileToGlobal(path)); }

bool TCompoundFile::Load(std::vector<std::uint8_t> bytes) {
  data_ = std::move(bytes);
  fat_.clear();
  miniFat_.clear();
  entries_.clear();
  miniStream_.clear();
  if (data_.size() < kHeaderSize || !std::equal(kSignature, kSignature + 8, data_.begin()))
    return false;
  bytes::ByteReader h(data_);
  h.Seek(0x1E);
  const unsigned sectorShift = h.U16();
  const unsigned miniShift = h.U16();
  if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) return false;
  sectorSize_ = std::size_t{1} << sectorShift;
  miniSectorSize_ = std::size_t{1} << miniShift;
  h.Seek(0x2C);
  const std::uint32_t fatSectors = h.U32();
  const std::uint32_t firstDirSector = h.U32();
  h.Skip(4);
  miniCutoff_ = h.U32();
  const std::uint32_t firstMiniFat = h.U32();
  h.Skip(4);
  std::uint32_t difatSector = h.U32();
  const std::uint32_t difatSectors = h.U32();
  const std::size_t sectorCount = data_.size() / sectorSize_;  // the header counts as one
  if (fatSectors > sectorCount) return false;

  // The sectors of the sector-allocation table: 109 in the header, the rest in the chain
  // of DIFAT sectors.
  std::vector<std::uint32_t> fatSectorIds;
  for (std::size_t i = 0; i < kHeaderDifatEntries && fatSectorIds.size() < fatSectors; ++i)
    fatSectorIds.push_back(U32(data_, 0x4C + 4 * i));
  const std::size_t perDifat = sectorSize_ / 4 - 1;
  for (std::uint32_t k = 0; k < difatSectors && fatSectorIds.size() < fatSectors; ++k) {
    if (difatSector >= kMaxRegularSector || difatSector + 1 >= sectorCount) return false;
    const std::size_t base = (difatSector + 1) * sectorSize_;
    for (std::size_t i = 0; i < perDifat && fatSectorIds.size() < fatSectors; ++i)
      fatSectorIds.push_back(U32(data_, base + 4 * i));
    difatSector = U32(data_, base + 4 * perDifat);
  }
  if (fatSectorIds.size() < fatSectors) return false;
  for (std::uint32_t id : fatSectorIds) {
    if (id >= kMaxRegularSector || id + 1 >= sectorCount) return false;
    const std::size_t base = (id + 1) * sectorSize_;
    for (std::size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(U32(data_, base + 4 * i));
  }

  std::vector<std::uint32_t> dirSectors;
  if (!Chain(firstDirSector, fat_, dirSectors) || dirSectors.empty()) return false;
  for (std::uint32_t id : dirSectors) {
    const std::size_t base = (id + 1) * sectorSize_;
    if (base + sectorSize_ > data_.size()) return false;
    for (std::size_t off = 0; off + kDirEntrySize <= sectorSize_; off += kDirEntrySize) {
      bytes::ByteReader r(std::span<const std::uint8_t>(data_).subspan(base + off, kDirEntrySize));
      Entry e;
      std::uint8_t nameBytes[64];
      r.Raw(nameBytes, 64);
      const std::size_t nameLength = std::min<std::size_t>(r.U16(), 64);
      for (std::size_t i = 0; i + 1 < nameLength; i += 2) {
        const unsigned ch = bytes::LoadU16(&nameBytes[i]);
        if (ch == 0) break;
        e.name.push_back(ch < 128 ? static_cast<char>(ch) : '?');
      }
      e.type = r.U8();
      r.Skip(1);  // colour of the red-black tree
      e.left = r.U32();
      e.right = r.U32();
      e.child = r.U32();
      r.Skip(16 + 4 + 16);  // class id, state bits, times
      e.start = r.U32();
      e.size = r.U64();
      if (sectorShift == 9) e.size &= 0xFFFFFFFFu;  // version 3: the high half is not used
      entries_.push_back(std::move(e));
    }
  }
  if (entries_.empty() || entries_[0].type != kRoot) return false;

  if (firstMiniFat < kMaxRegularSector) {
    std::vector<std::uint32_t> miniFatSectors;
    if (!Chain(firstMiniFat, fat_, miniFatSectors)) return false;
    for (std::uint32_t id : miniFatSectors) {
      const std::size_t base = (id + 1) * sectorSize_;
      if (base + sectorSize_ > data_.size()) return false;
      for (std::size_t i = 0; i < sectorSize_ / 4; ++i)
        miniFat_.push_back(U32(data_, base + 4 * i));
    }
  }
  if (entries_[0].start < kMaxRegularSector && entries_[0].size > 0) {
    auto mini = ReadChain(entries_[0].start, entries_[0].size, false);
    if (!mini) return false;
    miniStream_ = std::move(*mini);
  }
  return true;
}

bool TCompoundFile::Chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                          std::vector<std::uint32_t>& out) const {
  out.clear();
  std::uint32_t id = start;
  while (id != kEndOfChain) {
    // A chain longer than its table loops.
    if (id >= table.size() || out.size() >= table.size()) return false;
    out.push_back(id);
    id = table[id];
  }
  if (&table == &fat_)
    for (std::uint32_t s : out)
      if ((static_cast<std::size_t>(s) + 1) * sectorSize_ >= data_.size()) return false;
  return true;
}

std::optional<std::vector<std::uint8_t>> TCompoundFile::ReadChain(std::uint32_t start,
                                                                  std::uint64_t size,
                                                                  bool mini) const {
  std::vector<std::uint32_t> sectors;
  if (!Chain(start, mini ? miniFat_ : fat_, sectors)) return std::nullopt;
  const std::size_t unit = mini ? miniSectorSize_ : sectorSize_;
  if (size > static_cast<std::uint64_t>(sectors.size()) * unit) return std::nullopt;
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(size));
  for (std::uint32_t id : sectors) {
    if (out.size() >= size) break;
    const std::size_t take = std::min<std::size_t>(unit, static_cast<std::size_t>(size) - out.size());
    const std::vector<std::uint8_t>& src = mini ? miniStream_ : data_;
    const std::size_t base = mini ? id * unit : (id + 1) * unit;
    if (base + take > src.size()) return std::nullopt;
    out.insert(out.end(), src.begin() + static_cast<std::ptrdiff_t>(base),
               src.begin() + static_cast<std::ptrdiff_t>(base + take));
  }
  return out;
}

std::vector<int> TCompoundFile::Children(int storage) const {
  std::vector<int> out;
  if (storage < 0 || static_cast<std::size_t>(storage) >= entries_.size()) return out;
  std::vector<bool> seen(entries_.size(), false);
  std::vector<std::uint32_t> stack{entries_[static_cast<std::size_t>(storage)].child};
  while (!stack.empty()) {
    const std::uint32_t id = stack.back();
    stack.pop_back();
    if (id == kNoEntry || id >= entries_.size() || seen[id]) continue;
    seen[id] = true;
    out.push_back(static_cast<int>(id));
    stack.push_back(entries_[id].left);
    stack.push_back(entries_[id].right);
  }
  return out;
}

int TCompoundFile::FindChild(int storage, std::string_view name) const {
  for (int id : Children(storage))
    if (SameName(entries_[static_cast<std::size_t>(id)].name, name)) return id;
  return -1;
}

std::vector<std::string> TCompoundFile::ChildNames(int storage) const {
  std::vector<std::string> names;
  for (int id : Children(storage)) names.push_back(entries_[static_cast<std::size_t>(id)].name);
  return names;
}

int TCompoundFile::EntryType(int entry) const {
  if (entry < 0 || static_cast<std::size_t>(entry) >= entries_.size()) return 0;
  return entries_[static_cast<std::size_t>(entry)].type;
}

std::uint64_t TCompoundFile::StreamSize(int entry) const {
  if (EntryType(entry) != kStream) return 0;
  return entries_[static_cast<std::size_t>(entry)].size;
}

std::optional<std::vector<std::uint8_t>> TCompoundFile::ReadStream(int entry) const {
  if (EntryType(entry) != kStream) return std::nullopt;
  const Entry& e = entries_[static_cast<std::size_t>(entry)];
  if (e.size == 0) return std::vector<std::uint8_t>{};
  return ReadChain(e.start, e.size, e.size < miniCutoff_);
}

bool IsOleWorkbook(const std::string& path) {
  TCompoundFile file;
  if (!file.Open(path)) return false;
  for (const char* name : {"Book", "Workbook"})
    if (file.EntryType(file.FindChild(file.Root(), name)) == TCompoundFile::kStream) return true;
  return false;
}

std::optional<int> FindNotebookSection(const std::string& path, std::vector<std::uint8_t>* stream) {
  struct Pattern {
    const char* storage;
    std::size_t digitAt;
    const char* stream;
    int kind;
  };
  static constexpr Pattern kPatterns[] = {
      {"ExcelxRNB", 5, "Book", 1},        {"Data xRNB", 5, "RNBContents", 0},
      {"PasteRNBx", 8, "Book", 1},        {"PasteRNBx", 8, "RNBContents", 0},
      {"Excel x", 6, "Book", 1},          {"Data x", 5, "RNBContents", 0},
      {"Excel xRNB", 6, "Book", 1},
  };
  TCompoundFile file;
  if (!file.Open(path)) return std::nullopt;
  for (const Pattern& p : kPatterns) {
    for (char digit = '1'; digit <= '9'; ++digit) {
      std::string name = p.storage;
      name[p.digitAt] = digit;
      const int storage = file.FindChild(file.Root(), name);
      if (file.EntryType(storage) != TCompoundFile::kStorage) continue;
      const int s = file.FindChild(storage, p.stream);
      if (file.EntryType(s) != TCompoundFile::kStream) continue;
      if (stream) {
        auto content = file.ReadStream(s);
        if (!content) return std::nullopt;
        *stream = std::move(*content);
      }
      return p.kind;
    }
  }
  return std::nullopt;
}
