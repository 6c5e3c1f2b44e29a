// Appending little-endian fields to a byte buffer, for the metafile recorders (the platform
// layer sits below the program's own byte codec).
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

class LeBytes {
 public:
  void U8(std::uint8_t v) { buf_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void I16(int v) { U16(static_cast<std::uint16_t>(v)); }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void PatchU16(std::size_t at, std::uint16_t v) {
    buf_[at] = static_cast<std::uint8_t>(v);
    buf_[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void PatchU32(std::size_t at, std::uint32_t v) {
    PatchU16(at, static_cast<std::uint16_t>(v));
    PatchU16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }
  void PadTo(std::size_t multiple) {
    while (buf_.size() % multiple != 0) U8(0);
  }
  std::size_t Size() const { return buf_.size(); }
  std::vector<std::uint8_t>& Bytes() { return buf_; }

 private:
  std::vector<std::uint8_t> buf_;
};

}  // namespace platform
