// Little-endian field-by-field encoding of every binary file the program reads and
// writes. Structs are never written raw: each record's reader and writer name their
// fields in order, so layouts do not depend on the compiler's padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/long_double.h"

namespace bytes {

inline constexpr std::size_t kExtendedSize = 10;

// The 10 bytes of an 80-bit extended real, little-endian (mantissa, then sign/exponent).
void EncodeExtended(long double v, std::uint8_t out[kExtendedSize]);
long double DecodeExtended(const std::uint8_t in[kExtendedSize]);

// Random access to little-endian fields of a buffer the caller has checked is long enough.
inline std::uint16_t LoadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(LoadU16(p)) | static_cast<std::uint32_t>(LoadU16(p + 2)) << 16;
}
inline void StoreU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
  StoreU16(p, static_cast<std::uint16_t>(v));
  StoreU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

class ByteWriter {
 public:
  void U8(std::uint8_t v) { buf_.push_back(v); }
  void I8(std::int8_t v) { U8(static_cast<std::uint8_t>(v)); }
  void U16(std::uint16_t v);
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void U32(std::uint32_t v);
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void U64(std::uint64_t v);
  void F32(float v);
  void F64(double v);
  void Extended(long double v);
  void Raw(std::span<const std::uint8_t> data);
  void Raw(const void* data, std::size_t n);
  // Exactly n bytes: the text, cut to n - 1 bytes when longer, then NULs to fill.
  void FixedString(std::string_view text, std::size_t n);
  void Zeros(std::size_t n) { buf_.insert(buf_.end(), n, 0); }

  // Overwrites bytes already written (for counts and lengths known only at the end).
  void PatchU16(std::size_t offset, std::uint16_t v);
  void PatchU32(std::size_t offset, std::uint32_t v);

  std::size_t Size() const { return buf_.size(); }
  // Room for n bytes in all, so that writing up to them moves nothing.
  void Reserve(std::size_t n) { buf_.reserve(n); }
  const std::vector<std::uint8_t>& Bytes() const { return buf_; }
  std::vector<std::uint8_t> Take() { return std::move(buf_); }

 private:
  std::vector<std::uint8_t> buf_;
};

// Reads fields from a byte range with bounds checks. A read past the end fails the
// reader for good (Ok() turns false) and yields zeros, so a record parsed from a short
// or hostile file can be checked once at the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::uint8_t U8();
  std::int8_t I8() { return static_cast<std::int8_t>(U8()); }
  std::uint16_t U16();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::uint32_t U32();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t U64();
  float F32();
  double F64();
  long double Extended();
  bool Raw(void* out, std::size_t n);
  // Reads n bytes and returns the text up to the first NUL; unterminated fields are cut
  // at n bytes, never read past.
  std::string FixedString(std::size_t n);
  bool Skip(std::size_t n);
  bool Seek(std::size_t offset);

  bool Ok() const { return ok_; }
  std::size_t Offset() const { return pos_; }
  std::size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
  std::size_t Size() const { return data_.size(); }

 private:
  const std::uint8_t* Take(std::size_t n);

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace bytes
