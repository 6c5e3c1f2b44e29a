#include "app/bitmap_files.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "app/byte_codec.h"
#include "app/file_utils.h"

namespace {

using bytes::LoadU16;
using bytes::LoadU32;
using bytes::StoreU16;
using bytes::StoreU32;

constexpr std::uint32_t kOpaque = 0xFF000000u;

int TableSizeOf(int bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// The fixed table for pictures with more colours than an 8-bit table holds: the 216 colours
// of a 6x6x6 cube, then 40 grey steps.
std::vector<std::uint32_t> FixedColorTable() {
  std::vector<std::uint32_t> table;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        table.push_back(static_cast<std::uint32_t>(r * 51) << 16 |
                        static_cast<std::uint32_t>(g * 51) << 8 | static_cast<std::uint32_t>(b * 51));
  for (int k = 0; k < 40; ++k) {
    const auto v = static_cast<std::uint32_t>((k * 255 + 20) / 39);
    table.push_back(v << 16 | v << 8 | v);
  }
  return table;
}

int Nearest(const std::vector<std::uint32_t>& table, std::uint32_t rgb) {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const long dr = static_cast<long>(rgb >> 16 & 0xFF) - static_cast<long>(table[i] >> 16 & 0xFF);
    const long dg = static_cast<long>(rgb >> 8 & 0xFF) - static_cast<long>(table[i] >> 8 & 0xFF);
    const long db = static_cast<long>(rgb & 0xFF) - static_cast<long>(table[i] & 0xFF);
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Colour-table indices of every pixel, and the table they index.
void IndexPixels(std::span<const std::uint32_t> pixels, int tableSize,
                 std::vector<std::uint32_t>& table, std::vector<std::uint8_t>& indices) {
  indices.resize(pixels.size());
  std::unordered_map<std::uint32_t, std::uint8_t> seen;
  bool fits = true;
  for (std::size_t i = 0; i < pixels.size() && fits; ++i) {
    const std::uint32_t rgb = pixels[i] & 0xFFFFFFu;
    auto it = seen.find(rgb);
    if (it == seen.end()) {
      if (static_cast<int>(table.size()) == tableSize) {
        fits = false;
        break;
      }
      it = seen.emplace(rgb, static_cast<std::uint8_t>(table.size())).first;
      table.push_back(rgb);
    }
    indices[i] = it->second;
  }
  if (fits) return;
  table = tableSize == 256 ? FixedColorTable()
                           : tableSize == 16 ? std::vector<std::uint32_t>{
                                 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                 0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF}
                                             : std::vector<std::uint32_t>{0x000000, 0xFFFFFF};
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t rgb = pixels[i] & 0xFFFFFFu;
    auto it = nearest.find(rgb);
    if (it == nearest.end())
      it = nearest.emplace(rgb, static_cast<std::uint8_t>(Nearest(table, rgb))).first;
    indices[i] = it->second;
  }
}

}  // namespace

int DibNumColors(std::span<const std::uint8_t> dib) {
  if (dib.size() < 4) return 0;
  const std::uint32_t headerSize = LoadU32(dib.data());
  if (headerSize == kDibCoreHeaderSize) {
    if (dib.size() < kDibCoreHeaderSize) return 0;
    return TableSizeOf(LoadU16(dib.data() + 10));
  }
  if (dib.size() < kDibInfoHeaderSize) return 0;
  const std::uint32_t used = LoadU32(dib.data() + 32);
  if (used != 0) return used > 256 ? 256 : static_cast<int>(used);
  return TableSizeOf(LoadU16(dib.data() + 14));
}

std::size_t DibPaletteBytes(std::span<const std::uint8_t> dib) {
  const bool core = dib.size() >= 4 && LoadU32(dib.data()) == kDibCoreHeaderSize;
  return static_cast<std::size_t>(DibNumColors(dib)) * (core ? 3 : 4);
}

std::vector<std::uint8_t> MakeDib(std::span<const std::uint32_t> pixels, int width, int height,
                                  int bitCount) {
  if (width <= 0 || height <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return {};
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return {};
  const int tableSize = TableSizeOf(bitCount);
  std::vector<std::uint32_t> table;
  std::vector<std::uint8_t> indices;
  if (tableSize > 0) IndexPixels(pixels.first(static_cast<std::size_t>(width) * height), tableSize,
                                 table, indices);
  const std::size_t rowBytes = DibRowBytes(width, bitCount);
  const std::size_t imageBytes = rowBytes * static_cast<std::size_t>(height);
  const std::size_t tableBytes = static_cast<std::size_t>(tableSize) * 4;
  std::vector<std::uint8_t> dib(kDibInfoHeaderSize + tableBytes + imageBytes, 0);
  std::uint8_t* h = dib.data();
  StoreU32(h, kDibInfoHeaderSize);
  StoreU32(h + 4, static_cast<std::uint32_t>(width));
  StoreU32(h + 8, static_cast<std::uint32_t>(height));
  StoreU16(h + 12, 1);
  StoreU16(h + 14, static_cast<std::uint16_t>(bitCount));
  StoreU32(h + 20, static_cast<std::uint32_t>(imageBytes));
  // The used-colours count stays 0 (a full table), as the system writes it.
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::uint8_t* e = h + kDibInfoHeaderSize + 4 * i;
    e[0] = static_cast<std::uint8_t>(table[i]);
    e[1] = static_cast<std::uint8_t>(table[i] >> 8);
    e[2] = static_cast<std::uint8_t>(table[i] >> 16);
  }
  std::uint8_t* bits = h + kDibInfoHeaderSize + tableBytes;
  for (int y = 0; y < height; ++y) {
    const std::size_t src = static_cast<std::size_t>(y) * width;
    std::uint8_t* row = bits + rowBytes * static_cast<std::size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[src + x];
      switch (bitCount) {
        case 32:
          row[4 * x] = static_cast<std::uint8_t>(p);
          row[4 * x + 1] = static_cast<std::uint8_t>(p >> 8);
          row[4 * x + 2] = static_cast<std::uint8_t>(p >> 16);
          break;
        case 24:
          row[3 * x] = static_cast<std::uint8_t>(p);
          row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
          row[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
          break;
        case 8: row[x] = indices[src + x]; break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>(indices[src + x] << ((x % 2) ? 0 : 4)); break;
        case 1: row[x / 8] |= static_cast<std::uint8_t>(indices[src + x] << (7 - x % 8)); break;
      }
    }
  }
  return dib;
}

bool ReadDib(std::span<const std::uint8_t> dib, DibPicture& out) {
  if (dib.size() < kDibCoreHeaderSize) return false;
  const std::uint32_t headerSize = LoadU32(dib.data());
  long long width, height;
  int bitCount;
  if (headerSize == kDibCoreHeaderSize) {
    width = LoadU16(dib.data() + 4);
    height = LoadU16(dib.data() + 6);
    bitCount = LoadU16(dib.data() + 10);
  } else {
    if (headerSize < kDibInfoHeaderSize || headerSize > dib.size()) return false;
    width = static_cast<std::int32_t>(LoadU32(dib.data() + 4));
    height = static_cast<std::int32_t>(LoadU32(dib.data() + 8));
    bitCount = LoadU16(dib.data() + 14);
    if (LoadU32(dib.data() + 16) != 0) return false;  // compressed forms are not read
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  constexpr long long kMaxSide = 1 << 15;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return false;
  const bool core = headerSize == kDibCoreHeaderSize;
  const int colors = DibNumColors(dib);
  if (bitCount <= 8 && colors == 0) return false;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t tableAt = headerSize;
  const std::size_t bitsAt = tableAt + static_cast<std::size_t>(colors) * entry;
  const int w = static_cast<int>(width), hgt = static_cast<int>(height);
  const std::size_t rowBytes = DibRowBytes(w, bitCount);
  if (bitsAt > dib.size() || (dib.size() - bitsAt) / rowBytes < static_cast<std::size_t>(hgt))
    return false;
  auto colorAt = [&](unsigned index) -> std::uint32_t {
    if (index >= static_cast<unsigned>(colors)) return kOpaque;
    const std::uint8_t* e = dib.data() + tableAt + index * entry;
    return kOpaque | static_cast<std::uint32_t>(e[2]) << 16 | static_cast<std::uint32_t>(e[1]) << 8 | e[0];
  };
  out.width = w;
  out.height = hgt;
  out.pixels.assign(static_cast<std::size_t>(w) * hgt, kOpaque);
  for (int y = 0; y < hgt; ++y) {
    const std::uint8_t* row = dib.data() + bitsAt + rowBytes * static_cast<std::size_t>(topDown ? y : hgt - 1 - y);
    std::uint32_t* dest = out.pixels.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      switch (bitCount) {
        case 32:
        case 24: {
          const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitCount / 8);
          dest[x] = kOpaque | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
          break;
        }
        case 8: dest[x] = colorAt(row[x]); break;
        case 4: dest[x] = colorAt((row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F); break;
        case 1: dest[x] = colorAt((row[x / 8] >> (7 - x % 8)) & 1); break;
      }
    }
  }
  return true;
}

std::vector<std::uint8_t> DibFileBytes(std::span<const std::uint8_t> dib) {
  if (dib.size() < 4) return {};
  std::vector<std::uint8_t> file(kBitmapFileHeaderSize + dib.size());
  std::uint8_t* h = file.data();
  StoreU16(h, 0x4D42);  // "BM"
  StoreU32(h + 2, static_cast<std::uint32_t>(file.size()));
  StoreU32(h + 10, static_cast<std::uint32_t>(kBitmapFileHeaderSize + LoadU32(dib.data()) +
                                              DibPaletteBytes(dib)));
  std::copy(dib.begin(), dib.end(), file.begin() + kBitmapFileHeaderSize);
  return file;
}

bool SaveDIBFile(const std::filesystem::path& name, std::span<const std::uint8_t> dib) {
  const std::vector<std::uint8_t> file = DibFileBytes(dib);
  return !file.empty() && SaveGlobalToFile(file, name);
}

std::vector<std::uint8_t> PlaceableHeader(const PlaceableBox& box, int unitsPerInch) {
  std::vector<std::uint8_t> h(kPlaceableHeaderSize, 0);
  StoreU32(h.data(), kPlaceableKey);
  StoreU16(h.data() + 6, static_cast<std::uint16_t>(box.left));
  StoreU16(h.data() + 8, static_cast<std::uint16_t>(box.top));
  StoreU16(h.data() + 10, static_cast<std::uint16_t>(box.right));
  StoreU16(h.data() + 12, static_cast<std::uint16_t>(box.bottom));
  StoreU16(h.data() + 14, static_cast<std::uint16_t>(unitsPerInch));
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) sum ^= LoadU16(h.data() + i);
  StoreU16(h.data() + 20, sum);
  return h;
}

bool AddPlaceableHeader(const std::filesystem::path& name, const PlaceableBox& box,
                        int unitsPerInch) {
  const std::vector<std::uint8_t> body = LoadFileToGlobal(name);
  if (body.empty()) return false;
  std::vector<std::uint8_t> file = PlaceableHeader(box, unitsPerInch);
  file.insert(file.end(), body.begin(), body.end());
  return SaveGlobalToFile(file, name);
}
