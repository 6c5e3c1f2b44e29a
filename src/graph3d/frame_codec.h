// A drawn graph as the image cache keeps it (image_cache.h): the picture's own 32-bit pixels
// behind their byte count, or a device-independent bitmap of it, either kept plain or
// LZW-coded. The review preferences choose the kind; the window and the review's render
// thread both code their frames here, so that a frame drawn ahead is byte for byte the
// frame the window would keep.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "app/lzw_block.h"

// How cached frames are kept. Kind 2 (a run-length coded bitmap, for 256-colour displays,
// which never occur here) is kept as kind 3.
enum ImageKind : int {
  kImageBits = 0,
  kImageDib = 1,
  kImageRleDib = 2,
  kImageLzwBits = 3,
  kImageLzwDib = 4,
};

// The kind a stored preference stands for: 2 becomes 3, anything outside 0..4 becomes 3.
int EffectiveImageKind(int kind);

// The frame of a picture of width x height pixels (0xFFRRGGBB, rows top-down) under `key`:
// the pixels behind a 32-bit byte count (kinds 0 and 3) or a 32-bit DIB (kinds 1 and 4),
// coded for kinds 3 and 4. Null for an empty picture, a pixel count that does not match,
// or when memory runs out.
std::unique_ptr<TLZW> EncodeFramePixels(std::span<const std::uint32_t> pixels, int width, int height,
                                        int kind, int key);
