// An off-screen picture that a worker draws on and then reads back pixel by pixel: the
// review's render thread draws each graph it keeps for later onto one. The user interface
// hands the worker a factory (a QImage underneath in the program, a recorder in tests), so
// the worker itself never touches a window system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "platform/device_context.h"

namespace platform {

class ImageSurface {
 public:
  virtual ~ImageSurface() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The context that draws on the picture (white when the surface is made).
  virtual DeviceContext& Context() = 0;
  // The picture as drawn: Width() x Height() pixels 0xFFRRGGBB, rows top-down. Drawing is
  // finished by this call: the context must not be used afterwards.
  virtual std::span<const std::uint32_t> Pixels() = 0;
};

// Makes a surface of width x height pixels; null when it cannot be made. Called on the
// worker's own thread, so it must be safe to call from any thread.
using ImageSurfaceFactory = std::function<std::unique_ptr<ImageSurface>(int width, int height)>;

}  // namespace platform
