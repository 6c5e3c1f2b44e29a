#include "exchange/sav_dictionary.h"

#include <bit>
#include <cstring>

#include "app/byte_codec.h"
#include "app/file_utils.h"

namespace {

constexpr std::size_t kHeaderSize = 176;
constexpr std::int32_t kVariableRecord = 2;
constexpr std::int32_t kValueLabelRecord = 3;
constexpr std::int32_t kValueLabelVarsRecord = 4;
constexpr std::int32_t kDocumentRecord = 6;
constexpr std::int32_t kExtensionRecord = 7;
constexpr std::int32_t kDictionaryEnd = 999;

// The shared byte reader (bounds checked, failing for good at the first short read) with
// the fields turned big-endian when the header's layout code says so.
class TSavReader {
 public:
  TSavReader(std::span<const std::uint8_t> bytes, bool swap) : in_(bytes), swap_(swap) {}
  std::int32_t I32() {
    const std::uint32_t v = in_.U32();
    return static_cast<std::int32_t>(swap_ ? __builtin_bswap32(v) : v);
  }
  double F64() {
    const std::uint64_t v = in_.U64();
    return std::bit_cast<double>(swap_ ? __builtin_bswap64(v) : v);
  }
  // n bytes as they stand; a length beyond the file fails the reader before anything is
  // allocated for it.
  std::string Text(std::size_t n) {
    if (n > in_.Remaining()) {
      in_.Skip(n);
      return {};
    }
    std::string s(n, '\0');
    in_.Raw(s.data(), n);
    return s;
  }
  void Skip(std::uint64_t n) { in_.Skip(static_cast<std::size_t>(n)); }
  bool Ok() const { return in_.Ok(); }

 private:
  bytes::ByteReader in_;
  bool swap_;
};

std::string TrimBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

bool HasSavMagic(const std::uint8_t* head, std::size_t size) {
  return size >= 9 && std::memcmp(head, "$FL2@(#) ", 9) == 0;
}

bool ParseSavDictionary(const std::vector<std::uint8_t>& bytes, TSavDictionary& out) {
  out = TSavDictionary{};
  if (bytes.size() < kHeaderSize || !HasSavMagic(bytes.data(), bytes.size())) return false;
  // The layout code (2 or 3) at offset 64 tells the byte order.
  const std::int32_t code = static_cast<std::int32_t>(bytes::LoadU32(&bytes[64]));
  const bool swap = code != 2 && code != 3;
  TSavReader r(bytes, swap);
  r.Skip(4);
  out.product = TrimBlanks(r.Text(60));
  const std::int32_t layout = r.I32();
  if (layout != 2 && layout != 3) return false;
  r.I32();  // nominal case size
  out.compression = r.I32();
  out.weightIndex = r.I32();
  out.caseCount = r.I32();
  r.F64();    // compression bias
  r.Skip(17);  // creation date and time
  out.fileLabel = TrimBlanks(r.Text(64));
  r.Skip(3);
  if (!r.Ok()) return false;

  for (;;) {
    const std::int32_t record = r.I32();
    if (!r.Ok()) return false;
    if (record == kDictionaryEnd) {
      r.I32();
      return r.Ok();
    }
    switch (record) {
      case kVariableRecord: {
        TSavVariable v;
        v.type = r.I32();
        const std::int32_t hasLabel = r.I32();
        const std::int32_t missingCount = r.I32();
        r.I32();  // print format
        r.I32();  // write format
        v.name = TrimBlanks(r.Text(8));
        if (hasLabel == 1) {
          const std::int32_t length = r.I32();
          if (length < 0 || !r.Ok()) return false;
          v.label = r.Text(static_cast<std::size_t>(length));
          r.Skip((4 - static_cast<std::uint32_t>(length) % 4) % 4);
        } else if (hasLabel != 0) {
          return false;
        }
        if (missingCount < -3 || missingCount > 3 || missingCount == -1) return false;
        v.missingKind = missingCount;
        const int values = missingCount < 0 ? -missingCount : missingCount;
        for (int i = 0; i < values; ++i) v.missing[i] = r.F64();
        if (!r.Ok()) return false;
        if (v.type >= 0) out.variables.push_back(std::move(v));
        break;
      }
      case kValueLabelRecord: {
        const std::int32_t count = r.I32();
        if (count < 0 || !r.Ok()) return false;
        for (std::int32_t i = 0; i < count && r.Ok(); ++i) {
          r.Skip(8);
          const std::string len = r.Text(1);
          if (!r.Ok()) return false;
          const std::size_t n = static_cast<unsigned char>(len[0]);
          r.Skip(n + (8 - (n + 1) % 8) % 8);
        }
        if (!r.Ok() || r.I32() != kValueLabelVarsRecord) return false;
        const std::int32_t vars = r.I32();
        if (vars < 0 || !r.Ok()) return false;
        r.Skip(4ull * static_cast<std::uint32_t>(vars));
        break;
      }
      case kDocumentRecord: {
        const std::int32_t lines = r.I32();
        if (lines < 0 || !r.Ok()) return false;
        r.Skip(80ull * static_cast<std::uint32_t>(lines));
        break;
      }
      case kExtensionRecord: {
        r.I32();  // subtype
        const std::int32_t size = r.I32();
        const std::int32_t count = r.I32();
        if (size < 0 || count < 0 || !r.Ok()) return false;
        r.Skip(static_cast<std::uint64_t>(size) * static_cast<std::uint64_t>(count));
        break;
      }
      default:
        return false;
    }
    if (!r.Ok()) return false;
  }
}

bool ReadSavDictionary(const std::string& path, TSavDictionary& out) {
  // The dictionary stands at the start of the file, before the case data.
  constexpr std::size_t kMaxDictionaryBytes = 16u << 20;
  return ParseSavDictionary(ReadFileHead(path, kMaxDictionaryBytes), out);
}
