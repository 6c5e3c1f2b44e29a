#include "app/fpu_control.h"

#include <dlfcn.h>
#include <xmmintrin.h>

namespace {

// Exception masks (0x3F), precision control 64-bit (0x300), rounding to nearest (0);
// the other bits are kept as the system has them.
constexpr std::uint16_t kX87Mask = 0x0F3F;
constexpr std::uint16_t kX87Program = 0x033F;
// All exceptions masked, rounding to nearest, no flush-to-zero or denormals-are-zero.
constexpr std::uint32_t kSseProgram = 0x1F80;

}  // namespace

std::uint32_t SseControlWord() { return _mm_getcsr(); }

void SetProgramFpuControl() {
  std::uint16_t cw = static_cast<std::uint16_t>((X87ControlWord() & ~kX87Mask) | kX87Program);
  __asm__ volatile("fldcw %0" : : "m"(cw));
  _mm_setcsr(kSseProgram);
}

void* LoadLibraryFpuSafe(const std::filesystem::path& file) {
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  SetProgramFpuControl();
  return handle;
}
