#include "app/lzw_block.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "app/file_utils.h"

namespace {

constexpr std::uint16_t kClearCode = 256;
constexpr std::uint16_t kFirstFreeCode = 257;
constexpr std::uint16_t kNoCode = 0xFFFF;
constexpr int kTableSize = 4096;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 12;
constexpr char kMagic[] = "QVRKLZW";

// The 19-byte header in front of the data: " QVRKLZW", the size as 8 digits, the 16-bit sum
// of those 16 bytes (high byte, low byte) and a NUL.
std::array<std::uint8_t, kLzwHeaderSize> MakeHeader(std::size_t plainSize) {
  std::array<std::uint8_t, kLzwHeaderSize> h{};
  h[0] = ' ';
  std::memcpy(&h[1], kMagic, 7);
  std::size_t size = plainSize;
  for (int i = 15; i >= 8; --i) {
    h[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('0' + size % 10);
    size /= 10;
  }
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) sum += h[static_cast<std::size_t>(i)];
  h[16] = static_cast<std::uint8_t>(sum >> 8);
  h[17] = static_cast<std::uint8_t>(sum);
  h[18] = 0;
  return h;
}

// Packs codes most significant bit first.
class CodeWriter {
 public:
  explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(unsigned code, int width) {
    acc_ = (acc_ << width) | code;
    bits_ += width;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(acc_ >> bits_));
    }
    acc_ &= (1u << bits_) - 1;
  }
  // Completes a partly filled last byte with zero bits.
  void Flush() {
    if (bits_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - bits_)));
    acc_ = 0;
    bits_ = 0;
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint32_t acc_ = 0;
  int bits_ = 0;
};

// Reads codes most significant bit first; reports running past the end of the stream.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> in) : in_(in) {}
  bool Get(int width, unsigned& code) {
    while (bits_ < width) {
      if (pos_ >= in_.size()) return false;
      acc_ = (acc_ << 8) | in_[pos_++];
      bits_ += 8;
    }
    bits_ -= width;
    code = (acc_ >> bits_) & ((1u << width) - 1);
    acc_ &= (1u << bits_) - 1;
    return true;
  }

 private:
  std::span<const std::uint8_t> in_;
  std::size_t pos_ = 0;
  std::uint32_t acc_ = 0;
  int bits_ = 0;
};

// The compressor's dictionary as a trie: each entry's first child and next sibling.
struct CoderTables {
  std::array<std::uint16_t, kTableSize> child;
  std::array<std::uint16_t, kTableSize> sibling;
  std::array<std::uint8_t, kTableSize> byte;
};

// Expands the plain stream (header and data) until limit bytes have been produced, writing
// byte k of the stream to out[k - skip] for k >= skip (the bytes before skip are dropped).
// Returns the count produced, or -2 for a damaged stream.
//
// Every string of the table has been written once already, where its entry was made: each
// entry keeps that place and its length, so a string is copied from the output instead of
// being unwound byte by byte. Strings that lie in the dropped part or straddle its end, or
// reach past the limit, take the slower way through the prefix chain and a stack.
long ExpandStream(std::span<const std::uint8_t> coded, std::size_t limit, std::uint8_t* out,
                  std::size_t skip) {
  struct Tables {
    std::array<std::uint16_t, kTableSize> prefix;
    std::array<std::uint16_t, kTableSize> length;
    std::array<std::size_t, kTableSize> place;  // stream position of the string's first write
    std::array<std::uint8_t, kTableSize> suffix;
    std::array<std::uint8_t, kTableSize> stack;
  };
  std::unique_ptr<Tables> t(new (std::nothrow) Tables);
  if (!t) return -1;
  for (unsigned c = 0; c < 256; ++c) t->length[c] = 1;
  auto put = [&](std::size_t k, std::uint8_t b) {
    if (k >= skip) out[k - skip] = b;
  };
  CodeReader reader(coded);
  int width = kMinWidth;
  unsigned threshold = 1u << kMinWidth;
  unsigned nextFree = kFirstFreeCode;
  unsigned prev = kNoCode;
  std::size_t prevStart = 0;
  std::uint8_t prevFirst = 0;
  std::size_t produced = 0;
  while (produced < limit) {
    unsigned code;
    if (!reader.Get(width, code)) return -2;
    if (code == kClearCode) {
      width = kMinWidth;
      threshold = 1u << kMinWidth;
      nextFree = kFirstFreeCode;
      if (!reader.Get(width, code) || code > 255) return -2;
      prev = code;
      prevFirst = static_cast<std::uint8_t>(code);
      prevStart = produced;
      put(produced++, prevFirst);
      continue;
    }
    // Any other code needs a string before it and must already be defined, or be the one
    // about to be defined (the string before it plus that string's first byte).
    if (prev == kNoCode || code > nextFree || code >= kTableSize) return -2;
    const bool pending = code == nextFree;
    // The string is `source` followed, for a pending code, by source's first byte.
    const unsigned source = pending ? prev : code;
    const std::size_t sourceLength = t->length[source];
    const std::size_t length = sourceLength + (pending ? 1 : 0);
    const std::size_t start = produced;
    std::uint8_t first;
    if (start >= skip && start + length <= limit) {
      std::uint8_t* dst = out + (start - skip);
      if (source < 256) {
        dst[0] = static_cast<std::uint8_t>(source);
      } else if (t->place[source] >= skip) {
        std::memcpy(dst, out + (t->place[source] - skip), sourceLength);
      } else {
        std::uint8_t* end = dst + sourceLength;
        unsigned walk = source;
        while (walk > 255) {
          *--end = t->suffix[walk];
          walk = t->prefix[walk];
        }
        *--end = static_cast<std::uint8_t>(walk);
      }
      first = dst[0];
      if (pending) dst[length - 1] = first;
      produced += length;
    } else {
      std::size_t depth = 0;
      unsigned walk = code;
      if (pending) {
        t->stack[depth++] = prevFirst;
        walk = prev;
      }
      while (walk > 255) {
        if (depth >= kTableSize) return -2;
        t->stack[depth++] = t->suffix[walk];
        walk = t->prefix[walk];
      }
      if (depth >= kTableSize) return -2;
      t->stack[depth++] = static_cast<std::uint8_t>(walk);
      first = static_cast<std::uint8_t>(walk);
      while (depth > 0 && produced < limit) put(produced++, t->stack[--depth]);
    }
    if (nextFree < kTableSize) {
      // The new entry is the previous string and this string's first byte, written just now
      // where the previous string began.
      t->prefix[nextFree] = static_cast<std::uint16_t>(prev);
      t->suffix[nextFree] = first;
      t->length[nextFree] = static_cast<std::uint16_t>(t->length[prev] + 1);
      t->place[nextFree] = prevStart;
      ++nextFree;
    }
    prev = code;
    prevFirst = first;
    prevStart = start;
    if (nextFree >= threshold && width < kMaxWidth) {
      ++width;
      threshold <<= 1;
    }
  }
  return static_cast<long>(produced);
}

// Reads and checks the header; the plain size, or -1 when the header is refused.
long ReadHeader(std::span<const std::uint8_t> coded) {
  std::array<std::uint8_t, kLzwHeaderSize> h{};
  const long got = ExpandStream(coded, kLzwHeaderSize, h.data(), 0);
  if (got != static_cast<long>(kLzwHeaderSize)) return -1;
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) sum += h[static_cast<std::size_t>(i)];
  if (h[16] != static_cast<std::uint8_t>(sum >> 8) || h[17] != static_cast<std::uint8_t>(sum))
    return -1;
  if (std::memcmp(&h[1], kMagic, 7) != 0) return -1;
  long size = 0;
  for (int i = 8; i < 16; ++i) {
    const std::uint8_t d = h[static_cast<std::size_t>(i)];
    if (d < '0' || d > '9') return -1;
    size = size * 10 + (d - '0');
  }
  return size;
}

}  // namespace

std::vector<std::uint8_t> LzwCode(std::span<const std::uint8_t> plain) {
  if (plain.size() >= kLzwMaxCodedSize) return {};
  const auto header = MakeHeader(plain.size());
  const std::size_t total = kLzwHeaderSize + plain.size();
  auto byteAt = [&](std::size_t i) { return i < kLzwHeaderSize ? header[i] : plain[i - kLzwHeaderSize]; };

  std::unique_ptr<CoderTables> t(new (std::nothrow) CoderTables);
  if (!t) return {};
  auto resetTables = [&] { t->child.fill(kNoCode); };
  resetTables();

  std::vector<std::uint8_t> out;
  out.reserve(total / 2 + 64);
  CodeWriter writer(out);
  int width = kMinWidth;
  unsigned threshold = 1u << kMinWidth;
  unsigned nextFree = kFirstFreeCode;
  writer.Put(kClearCode, width);

  unsigned cur = byteAt(0);
  for (std::size_t i = 1; i < total; ++i) {
    const std::uint8_t c = byteAt(i);
    unsigned found = t->child[cur];
    while (found != kNoCode && t->byte[found] != c) found = t->sibling[found];
    if (found != kNoCode) {
      cur = found;
      continue;
    }
    const unsigned added = nextFree;
    if (added < kTableSize) {
      t->byte[added] = c;
      t->child[added] = kNoCode;
      t->sibling[added] = t->child[cur];
      t->child[cur] = static_cast<std::uint16_t>(added);
      ++nextFree;
    }
    writer.Put(cur, width);
    cur = c;
    if (added >= threshold) {
      if (width == kMaxWidth) {
        writer.Put(kClearCode, width);
        resetTables();
        width = kMinWidth;
        threshold = 1u << kMinWidth;
        nextFree = kFirstFreeCode;
      } else {
        ++width;
        threshold <<= 1;
      }
    }
  }
  writer.Put(cur, width);
  writer.Put(kClearCode, width);
  writer.Flush();
  if (out.size() % 8 != 0) {
    while (out.size() % 8 != 7) out.push_back(0x55);
    out.push_back(0xFF);
  }
  return out;
}

long LzwPlainSize(std::span<const std::uint8_t> coded) {
  const long size = ReadHeader(coded);
  return size < 0 ? 0 : size;
}

long LzwExpand(std::span<std::uint8_t> dest, std::span<const std::uint8_t> coded) {
  const long size = ReadHeader(coded);
  if (size < 0 || static_cast<std::size_t>(size) > dest.size()) return -2;
  const std::size_t limit = kLzwHeaderSize + static_cast<std::size_t>(size);
  const long got = ExpandStream(coded, limit, dest.data(), kLzwHeaderSize);
  if (got == -1) return -1;
  return got == static_cast<long>(limit) ? size : -2;
}

TLZW::TLZW(std::span<const std::uint8_t> source, std::uint32_t tag, bool compress)
    : plainSize_(source.size()), tag_(tag) {
  if (source.data() == nullptr) return;
  try {
    // A block too large for the header's eight digits is kept plain; so is one whose
    // coding ran out of memory. A coded stream longer than the block is kept as it is.
    if (compress) stored_ = LzwCode(source);
    compressed_ = compress && !stored_.empty();
    if (!compressed_) stored_.assign(source.begin(), source.end());
    hasData_ = true;
  } catch (const std::bad_alloc&) {
    stored_.clear();
    compressed_ = false;
    plainSize_ = 0;
  }
}

const std::uint8_t* TLZW::Lock() {
  if (!hasData_) return nullptr;
  if (!compressed_) {
    locked_ = true;
    return stored_.data();
  }
  try {
    expanded_.assign(plainSize_, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (LzwExpand(expanded_, stored_) != static_cast<long>(plainSize_)) {
    expanded_ = {};
    return nullptr;
  }
  locked_ = true;
  return expanded_.data();
}

void TLZW::Unlock() {
  expanded_ = {};
  locked_ = false;
}

std::vector<std::uint8_t> TLZW::Detach() {
  Unlock();
  std::vector<std::uint8_t> out = std::move(stored_);
  stored_ = {};
  hasData_ = false;
  plainSize_ = 0;
  return out;
}

std::vector<std::uint8_t> TLZW::LoadFromFile(const std::filesystem::path& name) {
  const std::vector<std::uint8_t> coded = LoadFileToGlobal(name);
  const long size = LzwPlainSize(coded);
  if (size <= 0) return {};
  try {
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(size), 0);
    if (LzwExpand(plain, coded) != size) return {};
    return plain;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

long TLZW::FileContentsSize(const std::filesystem::path& name) {
  return LzwPlainSize(LoadFileToGlobal(name));
}
