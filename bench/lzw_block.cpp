// Coding and expanding a 1920 x 1080 graph frame as the image cache keeps it: 32-bit pixels
// and the 8-bit DIB form. The frame is drawn like a graph: a white page, flat coloured bands
// of a surface, and dark grid lines.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "app/bitmap_files.h"
#include "app/lzw_block.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::vector<std::uint32_t> GraphFrame() {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(kWidth) * kHeight, 0xFFFFFFFFu);
  for (int y = 200; y < 900; ++y)
    for (int x = 300 + (y - 200) / 3; x < 1600 - (y - 200) / 4; ++x) {
      const int band = ((x * 7 + y * 13) / 97 + (x * y) / 40000) % 16;
      p[static_cast<std::size_t>(y) * kWidth + x] = 0xFF000000u | static_cast<std::uint32_t>(band * 0x0F0A05 + 0x203040);
    }
  for (int y = 200; y < 900; y += 35)
    for (int x = 250; x < 1650; ++x) p[static_cast<std::size_t>(y) * kWidth + x] = 0xFF000000u;
  for (int x = 250; x < 1650; x += 70)
    for (int y = 150; y < 950; ++y) p[static_cast<std::size_t>(y) * kWidth + x] = 0xFF000000u;
  return p;
}

std::vector<std::uint8_t> FrameBytes(bool eightBit) {
  const std::vector<std::uint32_t> frame = GraphFrame();
  if (eightBit) return MakeDib(frame, kWidth, kHeight, 8);
  const auto* b = reinterpret_cast<const std::uint8_t*>(frame.data());
  return std::vector<std::uint8_t>(b, b + frame.size() * 4);
}

void BM_LzwCode(benchmark::State& state) {
  const std::vector<std::uint8_t> plain = FrameBytes(state.range(0) == 8);
  std::size_t coded = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> out = LzwCode(plain);
    coded = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["plain_bytes"] = static_cast<double>(plain.size());
  state.counters["coded_bytes"] = static_cast<double>(coded);
}

void BM_LzwExpand(benchmark::State& state) {
  const std::vector<std::uint8_t> plain = FrameBytes(state.range(0) == 8);
  const std::vector<std::uint8_t> coded = LzwCode(plain);
  std::vector<std::uint8_t> dest(plain.size());
  for (auto _ : state) benchmark::DoNotOptimize(LzwExpand(dest, coded));
  if (dest != plain) state.SkipWithError("expansion differs from the frame");
}

BENCHMARK(BM_LzwCode)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwExpand)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
