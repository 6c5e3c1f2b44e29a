#include "graph3d/frame_codec.h"

#include <cstring>
#include <new>
#include <vector>

#include "app/bitmap_files.h"
#include "app/byte_codec.h"

int EffectiveImageKind(int kind) {
  return kind == kImageBits || kind == kImageDib || kind == kImageLzwDib ? kind : kImageLzwBits;
}

std::unique_ptr<TLZW> EncodeFramePixels(std::span<const std::uint32_t> pixels, int width, int height,
                                        int kind, int key) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return nullptr;
  kind = EffectiveImageKind(kind);
  std::vector<std::uint8_t> block;
  try {
    if (kind == kImageDib || kind == kImageLzwDib) {
      block = MakeDib(pixels, width, height, 32);
    } else {
      // The picture's own bits (little-endian 0xFFRRGGBB words) behind their byte count.
      const std::size_t count = pixels.size() * 4;
      block.resize(4 + count);
      bytes::StoreU32(block.data(), static_cast<std::uint32_t>(count));
      std::uint8_t* out = block.data() + 4;
      for (const std::uint32_t p : pixels) {
        bytes::StoreU32(out, p);
        out += 4;
      }
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (block.empty()) return nullptr;
  auto frame = std::make_unique<TLZW>(block, static_cast<std::uint32_t>(key), kind > kImageRleDib);
  return frame->Empty() ? nullptr : std::move(frame);
}
