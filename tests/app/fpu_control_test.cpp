#include "app/fpu_control.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cfloat>

namespace {

TEST(FpuControl, RestoresExtendedPrecisionAndSseDefaults) {
  // Double precision, round toward zero, flush-to-zero: what a careless library leaves.
  std::uint16_t spoiled = static_cast<std::uint16_t>((X87ControlWord() & ~0x0F00) | 0x0E00);
  __asm__ volatile("fldcw %0" : : "m"(spoiled));
  _mm_setcsr(_mm_getcsr() | 0x8000 | 0x6000);
  SetProgramFpuControl();
  EXPECT_EQ(X87ControlWord() & 0x0F3F, 0x033F);
  EXPECT_EQ(SseControlWord(), 0x1F80u);
  // 1 + 2^-63 exists only at 64-bit precision.
  volatile long double one = 1;
  volatile long double tiny = LDBL_EPSILON;
  EXPECT_GT(one + tiny, one);
}

TEST(FpuControl, LoadingALibraryLeavesTheProgramsEnvironment) {
  _mm_setcsr(_mm_getcsr() | 0x8000);
  EXPECT_EQ(LoadLibraryFpuSafe("/nonexistent/libnothing.so"), nullptr);
  EXPECT_EQ(SseControlWord(), 0x1F80u);
  void* libm = LoadLibraryFpuSafe("libm.so.6");
  EXPECT_NE(libm, nullptr);
  EXPECT_EQ(X87ControlWord() & 0x0F3F, 0x033F);
}

}  // namespace
