// The floating-point environment the program computes in: x87 with every exception masked,
// 64-bit (extended) precision and rounding to nearest; SSE with every exception masked,
// rounding to nearest and no flushing of subnormals to zero. The user-interface thread
// sets it at start-up and every worker thread first thing.
#pragma once

#include <cstdint>
#include <filesystem>

void SetProgramFpuControl();

// Inline: the number scanner reads it for every short number it converts.
inline std::uint16_t X87ControlWord() {
  std::uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
std::uint32_t SseControlWord();

// Loads a shared library (dlopen, symbols resolved now) and sets the program's
// floating-point environment again afterwards, because a library's start-up code may
// change it (a library built for speed may switch on flush-to-zero, for one). Null when
// the library cannot be loaded. Every library the program loads by name goes through it.
void* LoadLibraryFpuSafe(const std::filesystem::path& file);
