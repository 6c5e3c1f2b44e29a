// Device-independent bitmaps (DIBs) and the placeable metafile header: how pictures of graphs
// move between memory, the clipboard and .dib/.bmp/.wmf files.
//
// A DIB block is a BITMAPINFOHEADER (40 bytes; the 12-byte BITMAPCOREHEADER is understood when
// reading), its colour table and the image bits, rows bottom-up, each padded to 32 bits. The
// picture itself is passed around as 0xAARRGGBB pixels, rows top-down, as the off-screen
// device contexts hold it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

inline constexpr std::size_t kDibInfoHeaderSize = 40;
inline constexpr std::size_t kDibCoreHeaderSize = 12;
inline constexpr std::size_t kBitmapFileHeaderSize = 14;
inline constexpr std::size_t kPlaceableHeaderSize = 22;
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;

// Colour-table entries of a DIB header: by the bit count for a core header; otherwise the
// used-colours count when it is not 0, else 2, 16 or 256 for 1, 4 and 8 bits, 0 for any other
// count. 0 for a block too short to hold its header.
[[nodiscard]] int DibNumColors(std::span<const std::uint8_t> dib);
// The colour table's bytes: 3 per colour after a core header, 4 otherwise.
[[nodiscard]] std::size_t DibPaletteBytes(std::span<const std::uint8_t> dib);

// Bytes of one row of bits, padded to 32 bits.
constexpr std::size_t DibRowBytes(int width, int bitCount) {
  return (static_cast<std::size_t>(bitCount) * static_cast<std::size_t>(width) + 31) / 32 * 4;
}

// A DIB of the picture with 1, 4, 8, 24 or 32 bits per pixel; empty for another count or an
// empty picture. For 8 bits or fewer the colour table holds the picture's own colours when
// they fit (first seen first); a picture with more colours than the table holds is mapped to
// the nearest colour of a fixed table (a 6x6x6 colour cube and grey steps).
[[nodiscard]] std::vector<std::uint8_t> MakeDib(std::span<const std::uint32_t> pixels, int width,
                                                int height, int bitCount);

struct DibPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, rows top-down
};
// Reads an uncompressed DIB of 1, 4, 8, 24 or 32 bits per pixel (info or core header; a
// negative height means top-down rows). False for any other form, or when the block is too
// short for what its header says.
[[nodiscard]] bool ReadDib(std::span<const std::uint8_t> dib, DibPicture& out);

// The 14-byte bitmap file header followed by the DIB block, as a .dib or .bmp file holds it.
[[nodiscard]] std::vector<std::uint8_t> DibFileBytes(std::span<const std::uint8_t> dib);
// Writes DibFileBytes through a temporary file and a rename; false when the block is empty or
// the file cannot be written (an existing file is then left as it was).
[[nodiscard]] bool SaveDIBFile(const std::filesystem::path& name, std::span<const std::uint8_t> dib);

struct PlaceableBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// The 22-byte placeable header: key, handle 0, the box's low 16 bits, units per inch,
// reserved 0 and the XOR of the ten 16-bit words before the checksum.
[[nodiscard]] std::vector<std::uint8_t> PlaceableHeader(const PlaceableBox& box, int unitsPerInch);
// Rewrites a metafile file with the placeable header in front, through a temporary file and
// a rename; false (and the file as it was) when it cannot be read or written.
[[nodiscard]] bool AddPlaceableHeader(const std::filesystem::path& name, const PlaceableBox& box,
                                      int unitsPerInch);
