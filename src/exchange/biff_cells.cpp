#include "exchange/biff_cells.h"

#include <bit>
#include <cstring>

#include "app/byte_codec.h"
#include "platform/cp1252.h"

namespace {

constexpr std::uint16_t kBof8 = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kRkOld = 0x007E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kFormula3 = 0x0206;
constexpr std::uint16_t kFormula4 = 0x0406;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint16_t kBiff8Version = 0x0600;
constexpr std::size_t kRecordHeader = 4;
// Substreams nest (a chart inside a sheet); deeper nesting than this is not a workbook.
constexpr std::size_t kMaxDepth = 16;

bool IsBof(unsigned type) { return (type & 0xFF) == 0x09 && (type >> 8) >= 2 && (type >> 8) <= 8; }

// The Windows-1252 text of UTF-16 code units (a surrogate pair is one character).
void AppendUnicode(std::string& out, char32_t unit, bool& pendingHigh) {
  if (unit >= 0xDC00 && unit <= 0xDFFF && pendingHigh) {
    pendingHigh = false;  // the second half of a pair already written as '?'
    return;
  }
  pendingHigh = unit >= 0xD800 && unit <= 0xDBFF;
  const int byte = pendingHigh ? -1 : platform::UnicodeToCp1252(unit);
  out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  if (byte < 0) platform::NoteReplacedCharacter();
}

// Reads across an SST record and its CONTINUE records. Inside a string's characters a
// CONTINUE begins with a new option byte (its bit 0: two-byte characters); everywhere else
// the bytes simply run on.
class TSegmentReader {
 public:
  explicit TSegmentReader(const std::vector<std::span<const std::uint8_t>>& segments) : segments_(segments) {}

  bool Bytes(std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!NextSegmentIfDone()) return false;
      out[i] = segments_[segment_][offset_++];
    }
    return true;
  }
  bool U8(unsigned& v) {
    std::uint8_t b = 0;
    if (!Bytes(&b, 1)) return false;
    v = b;
    return true;
  }
  bool U16(unsigned& v) {
    std::uint8_t b[2];
    if (!Bytes(b, 2)) return false;
    v = bytes::LoadU16(b);
    return true;
  }
  bool U32(std::uint32_t& v) {
    std::uint8_t b[4];
    if (!Bytes(b, 4)) return false;
    v = bytes::LoadU32(b);
    return true;
  }
  bool Skip(std::uint64_t n) {
    while (n > 0) {
      if (!NextSegmentIfDone()) return false;
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, Left()));
      offset_ += take;
      n -= take;
    }
    return true;
  }
  // cch characters, two bytes each when `wide`; a character run continued in the next
  // record takes its width from that record's option byte.
  bool Characters(std::size_t cch, bool wide, std::string& out) {
    bool pendingHigh = false;
    for (std::size_t k = 0; k < cch; ++k) {
      if (Left() == 0) {
        if (segment_ + 1 >= segments_.size()) return false;
        ++segment_, offset_ = 0;
        unsigned option = 0;
        if (!U8(option)) return false;
        wide = option & 1;
      }
      std::uint8_t b[2] = {0, 0};
      if (!Bytes(b, wide ? 2 : 1)) return false;
      AppendUnicode(out, bytes::LoadU16(b), pendingHigh);
    }
    return true;
  }

 private:
  std::size_t Left() const { return segment_ < segments_.size() ? segments_[segment_].size() - offset_ : 0; }
  bool NextSegmentIfDone() {
    while (segment_ < segments_.size() && offset_ >= segments_[segment_].size()) ++segment_, offset_ = 0;
    return segment_ < segments_.size();
  }
  const std::vector<std::span<const std::uint8_t>>& segments_;
  std::size_t segment_ = 0, offset_ = 0;
};

// A BIFF8 unicode string of a cell (u16 count, option byte, characters) within one record.
std::string UnicodeString(std::span<const std::uint8_t> body) {
  std::string text;
  if (body.size() < 3) return text;
  const std::size_t cch = bytes::LoadU16(&body[0]);
  const bool wide = body[2] & 1;
  bool pendingHigh = false;
  for (std::size_t k = 0, at = 3; k < cch && at + (wide ? 2 : 1) <= body.size(); ++k, at += wide ? 2 : 1)
    AppendUnicode(text, wide ? bytes::LoadU16(&body[at]) : body[at], pendingHigh);
  return text;
}

// A label of BIFF3-5: u16 length and 8-bit characters, cut at the record's end.
std::string ByteString(std::span<const std::uint8_t> body) {
  if (body.size() < 2) return {};
  const std::size_t n = std::min<std::size_t>(bytes::LoadU16(&body[0]), body.size() - 2);
  return std::string(reinterpret_cast<const char*>(&body[2]), n);
}

class TBiffDecoder {
 public:
  explicit TBiffDecoder(std::span<const std::uint8_t> stream) : s_(stream) {}

  TSheetCells Run() {
    std::size_t offset = 0;
    while (offset + kRecordHeader <= s_.size()) {
      const unsigned type = bytes::LoadU16(&s_[offset]);
      const std::size_t length = bytes::LoadU16(&s_[offset + 2]);
      const std::size_t next = offset + kRecordHeader + length;
      if (next > s_.size() || !Record(type, s_.subspan(offset + kRecordHeader, length), next)) {
        out_.cut = true;
        break;
      }
      offset = next;
    }
    // A stream that ends inside a substream (a sheet without its EOF record) was cut.
    if (!substreams_.empty()) out_.cut = true;
    return std::move(out_);
  }

 private:
  bool InWorksheet() const { return !substreams_.empty() && substreams_.back() == kWorksheetSubstream; }

  // False when the record is shorter than its fixed part: the decoding ends there.
  bool Record(unsigned type, std::span<const std::uint8_t> b, std::size_t next) {
    if (IsBof(type)) {
      if (b.size() < 4 || substreams_.size() >= kMaxDepth) return false;
      if (type == kBof8 && versionSet_ == false) biff8_ = bytes::LoadU16(&b[0]) == kBiff8Version;
      versionSet_ = true;
      const unsigned substream = bytes::LoadU16(&b[2]);
      substreams_.push_back(substream);
      if (substream == kWorksheetSubstream) ++sheet_;
      return true;
    }
    if (type == kEof) {
      if (!substreams_.empty()) substreams_.pop_back();
      return true;
    }
    if (type == kSst) {
      sharedReplaced_.clear();
      sharedStrings_ = DecodeSharedStrings(SstSegments(b, next), &sharedReplaced_);
      return true;
    }
    if (!InWorksheet()) return true;
    switch (type) {
      case kNumber:
        if (b.size() < 14) return false;
        out_.Number(sheet_, Row(b), Column(b), bytes::ByteReader(b.subspan(6)).F64());
        return true;
      case kRk:
      case kRkOld:
        if (b.size() < 10) return false;
        out_.Number(sheet_, Row(b), Column(b), DecodeRk(bytes::LoadU32(&b[6])));
        return true;
      case kMulRk: {
        if (b.size() < 6) return false;
        const std::size_t entries = b.size() / 6 - 1;
        for (std::size_t k = 0; k < entries; ++k)
          out_.Number(sheet_, Row(b), Column(b) + static_cast<int>(k), DecodeRk(bytes::LoadU32(&b[4 + 6 * k + 2])));
        return true;
      }
      case kBoolErr:
        if (b.size() < 8) return false;
        if (b[7] != 0)
          out_.NoNumber(sheet_, Row(b), Column(b));
        else
          out_.Number(sheet_, Row(b), Column(b), static_cast<std::int8_t>(b[6]));
        return true;
      case kFormula:
      case kFormula3:
      case kFormula4: {
        if (b.size() < 14) return false;
        const auto result = b.subspan(6, 8);
        if (bytes::LoadU16(&result[6]) != 0xFFFF)
          out_.Number(sheet_, Row(b), Column(b), bytes::ByteReader(result).F64());
        else if (result[0] == 1)
          out_.Number(sheet_, Row(b), Column(b), static_cast<std::int8_t>(result[2]));
        else
          out_.NoNumber(sheet_, Row(b), Column(b));
        return true;
      }
      case kLabel:
        if (b.size() < (biff8_ ? 9u : 8u)) return false;
      {
        const platform::TReplacedCharacters lost;
        std::string text = biff8_ ? UnicodeString(b.subspan(6)) : ByteString(b.subspan(6));
        out_.Label(sheet_, Row(b), Column(b), std::move(text), lost.Count());
      }
        return true;
      case kLabelSst: {
        if (b.size() < 10) return false;
        const std::uint32_t index = bytes::LoadU32(&b[6]);
        out_.Label(sheet_, Row(b), Column(b), index < sharedStrings_.size() ? sharedStrings_[index] : std::string(),
                   index < sharedReplaced_.size() ? sharedReplaced_[index] : 0);
        return true;
      }
      default:
        return true;
    }
  }

  // The SST body and the bodies of the CONTINUE records that follow it.
  std::vector<std::span<const std::uint8_t>> SstSegments(std::span<const std::uint8_t> body, std::size_t next) const {
    std::vector<std::span<const std::uint8_t>> segments{body};
    while (next + kRecordHeader <= s_.size() && bytes::LoadU16(&s_[next]) == kContinue) {
      const std::size_t length = bytes::LoadU16(&s_[next + 2]);
      if (length > s_.size() - next - kRecordHeader) break;
      segments.push_back(s_.subspan(next + kRecordHeader, length));
      next += kRecordHeader + length;
    }
    return segments;
  }

  static int Row(std::span<const std::uint8_t> b) { return bytes::LoadU16(&b[0]); }
  static int Column(std::span<const std::uint8_t> b) { return bytes::LoadU16(&b[2]); }

  std::span<const std::uint8_t> s_;
  TSheetCells out_;
  std::vector<unsigned> substreams_;
  std::vector<std::string> sharedStrings_;
  std::vector<int> sharedReplaced_;
  int sheet_ = -1;
  bool biff8_ = false;
  bool versionSet_ = false;
};

}  // namespace

long double DecodeRk(std::uint32_t rk) {
  long double v = 0;
  if (rk & 2) {
    v = static_cast<std::int32_t>(rk) >> 2;
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    v = std::bit_cast<double>(bits);
  }
  return rk & 1 ? v / 100 : v;
}

std::vector<std::string> DecodeSharedStrings(const std::vector<std::span<const std::uint8_t>>& segments,
                                             std::vector<int>* replaced) {
  std::vector<std::string> strings;
  const auto take = [&](std::string& text, const platform::TReplacedCharacters& lost) {
    strings.push_back(std::move(text));
    if (replaced) replaced->push_back(lost.Count());
  };
  TSegmentReader r(segments);
  std::uint32_t total = 0, unique = 0;
  if (!r.U32(total) || !r.U32(unique)) return strings;
  for (std::uint32_t i = 0; i < unique; ++i) {
    unsigned cch = 0, option = 0, runs = 0;
    std::uint32_t phonetic = 0;
    if (!r.U16(cch) || !r.U8(option)) break;
    if ((option & 0x08) && !r.U16(runs)) break;
    if ((option & 0x04) && !r.U32(phonetic)) break;
    std::string text;
    const platform::TReplacedCharacters lost;
    if (!r.Characters(cch, option & 1, text)) break;
    if (!r.Skip(4ull * runs + phonetic)) {
      take(text, lost);
      break;
    }
    take(text, lost);
  }
  return strings;
}

TSheetCells DecodeBiffCells(std::span<const std::uint8_t> stream) { return TBiffDecoder(stream).Run(); }
