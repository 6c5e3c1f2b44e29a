#include "app/byte_codec.h"

#include <bit>
#include <cstring>

namespace bytes {

static_assert(std::endian::native == std::endian::little,
              "the codec copies native little-endian values");

void EncodeExtended(long double v, std::uint8_t out[kExtendedSize]) {
  // On x86-64 the first 10 of the 16 bytes of a long double are the 80-bit value itself.
  std::uint8_t raw[sizeof(long double)] = {};
  std::memcpy(raw, &v, sizeof v);
  std::memcpy(out, raw, kExtendedSize);
}

long double DecodeExtended(const std::uint8_t in[kExtendedSize]) {
  std::uint8_t raw[sizeof(long double)] = {};
  std::memcpy(raw, in, kExtendedSize);
  long double v;
  std::memcpy(&v, raw, sizeof v);
  return v;
}

void ByteWriter::U16(std::uint16_t v) { Raw(&v, sizeof v); }
void ByteWriter::U32(std::uint32_t v) { Raw(&v, sizeof v); }
void ByteWriter::U64(std::uint64_t v) { Raw(&v, sizeof v); }
void ByteWriter::F32(float v) { Raw(&v, sizeof v); }
void ByteWriter::F64(double v) { Raw(&v, sizeof v); }

void ByteWriter::Extended(long double v) {
  std::uint8_t out[kExtendedSize];
  EncodeExtended(v, out);
  Raw(out, kExtendedSize);
}

void ByteWriter::Raw(std::span<const std::uint8_t> data) {
  buf_.insert(buf_.end(), data.begin(), data.end());
}

void ByteWriter::Raw(const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
}

void ByteWriter::FixedString(std::string_view text, std::size_t n) {
  if (n == 0) return;
  const std::size_t len = text.size() < n - 1 ? text.size() : n - 1;
  Raw(text.data(), len);
  Zeros(n - len);
}

void ByteWriter::PatchU16(std::size_t offset, std::uint16_t v) {
  if (offset + sizeof v <= buf_.size()) std::memcpy(buf_.data() + offset, &v, sizeof v);
}

void ByteWriter::PatchU32(std::size_t offset, std::uint32_t v) {
  if (offset + sizeof v <= buf_.size()) std::memcpy(buf_.data() + offset, &v, sizeof v);
}

const std::uint8_t* ByteReader::Take(std::size_t n) {
  if (!ok_ || n > data_.size() - pos_) {
    ok_ = false;
    return nullptr;
  }
  const std::uint8_t* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

namespace {
template <typename T>
T ReadValue(const std::uint8_t* p) {
  T v{};
  if (p != nullptr) std::memcpy(&v, p, sizeof v);
  return v;
}
}  // namespace

std::uint8_t ByteReader::U8() { return ReadValue<std::uint8_t>(Take(1)); }
std::uint16_t ByteReader::U16() { return ReadValue<std::uint16_t>(Take(2)); }
std::uint32_t ByteReader::U32() { return ReadValue<std::uint32_t>(Take(4)); }
std::uint64_t ByteReader::U64() { return ReadValue<std::uint64_t>(Take(8)); }
float ByteReader::F32() { return ReadValue<float>(Take(4)); }
double ByteReader::F64() { return ReadValue<double>(Take(8)); }

long double ByteReader::Extended() {
  const std::uint8_t* p = Take(kExtendedSize);
  return p != nullptr ? DecodeExtended(p) : 0.0L;
}

bool ByteReader::Raw(void* out, std::size_t n) {
  const std::uint8_t* p = Take(n);
  if (p == nullptr) {
    std::memset(out, 0, n);
    return false;
  }
  std::memcpy(out, p, n);
  return true;
}

std::string ByteReader::FixedString(std::size_t n) {
  const std::uint8_t* p = Take(n);
  if (p == nullptr) return {};
  std::size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

bool ByteReader::Skip(std::size_t n) {
  if (!ok_ || n > data_.size() - pos_) {
    ok_ = false;
    return false;
  }
  pos_ += n;
  return true;
}

bool ByteReader::Seek(std::size_t offset) {
  if (!ok_ || offset > data_.size()) {
    ok_ = false;
    return false;
  }
  pos_ = offset;
  return true;
}

}  // namespace bytes
