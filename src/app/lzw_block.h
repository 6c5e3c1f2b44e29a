// Compressed memory blocks: a picture (or any block of bytes) kept in LZW-coded form and
// expanded again on demand, as the graph windows and the review's image cache keep their
// frames.
//
// The coded stream is a storage format of the program's own. The plain stream is a 19-byte
// header (" QVRKLZW", the plain size as 8 decimal digits, the 16-bit sum of those 16 bytes
// high byte first, a NUL) followed by the data; it is LZW-coded with 9- to 12-bit codes
// (256 the clear code, first code written and end mark), packed most significant bit first,
// and padded to a multiple of 8 bytes with 0x55 ... 0x55 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

// Blocks this large or larger are kept plain: the header holds the size in 8 digits.
inline constexpr std::size_t kLzwMaxCodedSize = 100'000'000;
inline constexpr std::size_t kLzwHeaderSize = 19;

// The coded stream of a block; empty when the block is too large to code.
[[nodiscard]] std::vector<std::uint8_t> LzwCode(std::span<const std::uint8_t> plain);

// The plain size a coded stream's header records; 0 when the stream is too short, its magic
// is not "QVRKLZW" or its header sum does not match.
[[nodiscard]] long LzwPlainSize(std::span<const std::uint8_t> coded);

// Expands a coded stream into dest (which must hold the header's plain size) and answers the
// number of data bytes written: the plain size. -2 when the header is refused or the stream
// is damaged (a code not yet defined, a chain longer than the table, a stream that ends
// before the data does, or data longer than dest); nothing past dest is ever written.
[[nodiscard]] long LzwExpand(std::span<std::uint8_t> dest, std::span<const std::uint8_t> coded);

class TLZW {
 public:
  TLZW() = default;
  // Keeps a copy of the block, coded when compress is set (and the block is small enough).
  TLZW(std::span<const std::uint8_t> source, std::uint32_t tag, bool compress);
  ~TLZW() { Unlock(); }
  TLZW(const TLZW&) = delete;
  TLZW& operator=(const TLZW&) = delete;

  // The plain data, valid until Unlock; null when empty, when a coded block cannot be
  // expanded to its full size, or when memory runs out.
  [[nodiscard]] const std::uint8_t* Lock();
  void Unlock();

  bool Empty() const { return !hasData_; }
  bool Compressed() const { return compressed_; }
  bool Locked() const { return locked_; }
  std::uint32_t Tag() const { return tag_; }
  std::size_t PlainSize() const { return plainSize_; }
  std::size_t StoredSize() const { return stored_.size(); }

  // A copy of the stored bytes (the coded stream for a coded object).
  std::vector<std::uint8_t> CopyStored() const { return stored_; }
  // Hands over the stored bytes; the object is empty afterwards.
  std::vector<std::uint8_t> Detach();

  // Reads a file holding a coded stream and returns its plain data (empty on any failure).
  static std::vector<std::uint8_t> LoadFromFile(const std::filesystem::path& name);
  // The plain size recorded in a coded file's header; 0 when it is missing or refused.
  static long FileContentsSize(const std::filesystem::path& name);

 private:
  std::vector<std::uint8_t> stored_;
  std::vector<std::uint8_t> expanded_;
  std::size_t plainSize_ = 0;
  std::uint32_t tag_ = 0;
  bool hasData_ = false;
  bool compressed_ = false;
  bool locked_ = false;
};
