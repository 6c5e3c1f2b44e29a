#include "exchange/dbase_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/number_scanner.h"
#include "exchange/reader_contract.h"

namespace {

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kDescriptorBytes = 32;
constexpr std::size_t kNameBytes = 11;
constexpr std::size_t kTitleChars = 15;
constexpr std::size_t kListEntryChars = 19;
constexpr std::uint8_t kDescriptorEnd = 0x0D;

constexpr std::size_t kTypeOffset = 11;
constexpr std::size_t kLengthOffset = 16;
constexpr std::size_t kDecimalsOffset = 17;

struct TDbaseField {
  std::string name;
  char type = 0;
  std::size_t start = 0;   // within the record; byte 0 is the deletion flag
  std::size_t length = 0;
};

// A field's length in bytes. Numeric fields keep their decimal count in the byte after the
// length; character fields have none, and FoxPro and Clipper tables hold the high byte of
// lengths above 255 there (dBASE writes 0 in it).
std::size_t FieldLength(const std::uint8_t* descriptor) {
  const std::size_t low = descriptor[kLengthOffset];
  return descriptor[kTypeOffset] == 'C' ? low | std::size_t{descriptor[kDecimalsOffset]} << 8 : low;
}

// The structure of an open table, checked against the file's size.
struct TDbaseTable {
  FilePtr file;
  std::int64_t records = 0;  // the records read: those counted that the file holds whole
  std::int64_t counted = 0;  // the records the header counts
  std::int64_t inFile = 0;   // the whole records after the header
  std::size_t headerLength = 0;
  std::size_t recordLength = 0;
  std::vector<TDbaseField> fields;

  bool IsNumeric(const TDbaseField& f) const { return f.type == 'N' || f.type == 'F'; }
  // The 1-based field, or null.
  const TDbaseField* Field(int number) const {
    if (number < 1 || number > static_cast<int>(fields.size())) return nullptr;
    return &fields[static_cast<std::size_t>(number - 1)];
  }
};

enum class TOpen { kOk, kCannotOpen, kMalformed };

[[nodiscard]] TOpen OpenTable(const std::string& path, TDbaseTable& table) {
  table.file = FOpenOem(path, "rb");
  if (!table.file) return TOpen::kCannotOpen;
  const std::int64_t size = FileSize(path);
  std::uint8_t header[kHeaderBytes];
  if (size < 0 || std::fread(header, 1, kHeaderBytes, table.file.get()) != kHeaderBytes)
    return TOpen::kMalformed;
  const std::uint32_t count = bytes::LoadU32(header + 4);
  table.headerLength = bytes::LoadU16(header + 8);
  table.recordLength = bytes::LoadU16(header + 10);
  if (table.headerLength < kHeaderBytes + 1 || static_cast<std::int64_t>(table.headerLength) > size ||
      table.recordLength < 1)
    return TOpen::kMalformed;

  const std::size_t descriptors = (table.headerLength - kHeaderBytes - 1) / kDescriptorBytes;
  std::size_t start = 1;
  for (std::size_t k = 0; k < descriptors; ++k) {
    std::uint8_t d[kDescriptorBytes];
    if (std::fread(d, 1, kDescriptorBytes, table.file.get()) != kDescriptorBytes) return TOpen::kMalformed;
    // Tables with a longer header (a backlink after the descriptors) end the list early.
    if (d[0] == kDescriptorEnd) break;
    TDbaseField f;
    const auto* name = reinterpret_cast<const char*>(d);
    f.name.assign(name, std::find(name, name + kNameBytes - 1, '\0'));
    f.type = static_cast<char>(d[kTypeOffset]);
    f.start = start;
    f.length = FieldLength(d);
    start += f.length;
    if (start > table.recordLength) return TOpen::kMalformed;
    table.fields.push_back(std::move(f));
  }
  // Fields that do not fill the record exactly were measured wrongly (a length this reader
  // does not know how to read): every later field would be read from the wrong bytes.
  if (start != table.recordLength) return TOpen::kMalformed;
  // Every record is read, so that the points cut for want of room are counted and told;
  // the counts of a read are ints.
  const std::int64_t inFile =
      (size - static_cast<std::int64_t>(table.headerLength)) / static_cast<std::int64_t>(table.recordLength);
  table.counted = count;
  table.inFile = inFile;
  table.records = std::min<std::int64_t>({count, inFile, std::numeric_limits<int>::max()});
  return TOpen::kOk;
}

// Reads the records in order; false when a record could not be read whole.
class TRecordReader {
 public:
  explicit TRecordReader(TDbaseTable& table) : table_(table), record_(table.recordLength) {
    ok_ = std::fseek(table.file.get(), static_cast<long>(table.headerLength), SEEK_SET) == 0;
  }
  [[nodiscard]] bool Next() {
    return ok_ && std::fread(record_.data(), 1, record_.size(), table_.file.get()) == record_.size();
  }
  bool Deleted() const { return record_[0] == '*'; }
  // The field's text as a number; 0 for text that is not one (blank, a word, the overflow
  // stars), and then `isNumber` false.
  long double Value(const TDbaseField& f, bool* isNumber = nullptr) const {
    std::string_view text(record_.data() + f.start, f.length);
    const auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const bool number = IsWholeDecimalNumber(text);
    if (isNumber) *isNumber = number;
    return number ? DataValueOf(text) : 0;
  }

 private:
  TDbaseTable& table_;
  std::vector<char> record_;
  bool ok_ = false;
};

}  // namespace

TReadResult ReadDbase(const TReadArgs& args) {
  TReadResult result;
  TDbaseTable table;
  const TOpen open = OpenTable(args.path, table);
  if (open != TOpen::kOk) {
    result.error = open == TOpen::kCannotOpen ? TReadError::kCannotOpen : TReadError::kMalformed;
    return result;
  }
  const TDbaseField* x = table.Field(args.colX);
  const TDbaseField* y = table.Field(args.colY);
  const TDbaseField* z = table.Field(args.colZ);
  const TDbaseField* w = args.colW < 0 ? nullptr : table.Field(args.colW);
  if (!x || !y || !z || (args.colW >= 0 && !w)) {
    result.error = TReadError::kMalformed;
    return result;
  }
  result.titles.SetXName(std::string_view(x->name).substr(0, kTitleChars));
  result.titles.SetYName(std::string_view(y->name).substr(0, kTitleChars));
  result.titles.SetZName(std::string_view(z->name).substr(0, kTitleChars));

  TPointCollector points(args, result);
  TRecordReader records(table);
  for (std::int64_t r = 0; r < table.records && !points.Done() && records.Next(); ++r) {
    bool numbers[3];
    const long double vx = records.Value(*x, &numbers[0]), vy = records.Value(*y, &numbers[1]),
                      vz = records.Value(*z, &numbers[2]);
    long double vw = w ? records.Value(*w) : 1;
    if (!(vw > 0)) vw = 1;
    // A coordinate field that holds no number reads as 0, a value the record never had: the
    // record is kept in its place, but inactive, and told (a blank record was always so).
    const bool noNumber = !(numbers[0] && numbers[1] && numbers[2]);
    const bool inactive = records.Deleted() || noNumber || (vx == 0 && vy == 0 && vz == 0);
    const int stored = points.Add(vx, vy, vz, vw, inactive ? kPointInactive : kPointActive);
    if (stored >= 0 && noNumber && !records.Deleted()) ++result.inactiveRows;
  }
  // Records the header counts beyond the file's end were lost, not deleted: the user is
  // told, and keeps those the file holds.
  if (table.counted > table.inFile) {
    // The counts as the file gives them: a header of 4294967295 records was told as 2147483647.
    result.recordsInFile = table.inFile;
    result.recordsInHeader = table.counted;
  }
  result.weighted = w != nullptr && !result.points.empty();
  return result;
}

int ListDbaseFields(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  TDbaseTable table;
  const TOpen open = OpenTable(path, table);
  if (open == TOpen::kCannotOpen) return -2;
  if (open == TOpen::kMalformed) return kListMalformed;
  if (table.fields.size() < 2) return -1;
  for (std::size_t k = 0; k < table.fields.size(); ++k) {
    const TDbaseField& f = table.fields[k];
    if (!table.IsNumeric(f)) continue;
    std::string entry = CFormat("%3d %s", static_cast<int>(k + 1), f.name.c_str());
    entry.resize(std::min(entry.size(), kListEntryChars));
    list.push_back(std::move(entry));
  }
  if (list.size() < 2) {
    list.clear();
    return -1;
  }
  return static_cast<int>(list.size());
}

namespace {

// The values of a field over the records not deleted, at most `limit` of them.
TColumnArray ReadFieldValues(const std::string& path, int field, std::int64_t limit) {
  TDbaseTable table;
  if (OpenTable(path, table) != TOpen::kOk) return {};
  const TDbaseField* f = table.Field(field);
  if (!f) return {};
  TColumnArray column = NewColumnArray();
  TRecordReader records(table);
  std::int64_t kept = 0;
  for (std::int64_t r = 0; r < table.records && kept < limit && records.Next(); ++r)
    if (!records.Deleted()) column.push_back(records.Value(*f)), ++kept;
  column[0] = static_cast<long double>(kept);
  return column;
}

}  // namespace

TColumnArray ReadDbaseColumn(const std::string& path, int field) { return ReadFieldValues(path, field, kMaxColumnValues); }

TPairedColumns ReadDbaseColumnPairs(const std::string& path, int, std::span<const int> fields) {
  // Every field's column holds one value per record not deleted, so the columns line up.
  // The pairing counts the records past its room: the columns are read to the bound.
  std::vector<TColumnArray> records;
  for (const int field : fields) {
    records.push_back(ReadFieldValues(path, field, kPointsCountBound + 1));
    if (records.back().empty()) return {};
  }
  return PairRowArrays(records, 1);
}
