#include "app/stopwatch.h"

#include <atomic>
#include <cmath>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;

struct Slot {
  std::atomic<std::int64_t> start_ns{0};
  std::atomic<double> elapsed_us{0};
};

Slot* SlotAt(int slot) {
  static Slot slots[kStopwatchSlots];
  return slot >= 0 && slot < kStopwatchSlots ? &slots[slot] : nullptr;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

// The inputs are read through volatile so that the work is done at run time on every round,
// and the result goes to a volatile sink so that it is not thrown away.
volatile double g_base = 2.2222222;
volatile double g_sink = 0;

void SpeedWorkload() {
  const double b = g_base;
  double x = b * b;
  x = x * b;
  x = x * b;
  x = x * b;
  x = x * b;  // b^6
  double s = x + 1.11111111 + 2.22222222 + 3.33333333 + 4.44444444 + 5.55555555;
  s = s * s * s;
  s = s / x;
  s = s * 1.2323132;
  s = s * (1.0 / 3.0);
  s = s + std::log(2.30303030303 + b * 1e-12) + std::exp(1.023456 + b * 1e-12);
  g_sink = s;
}

}  // namespace

void StopwatchStart(int slot) {
  if (Slot* s = SlotAt(slot)) s->start_ns = NowNs();
}

void StopwatchStop(int slot) {
  if (Slot* s = SlotAt(slot)) s->elapsed_us = static_cast<double>(NowNs() - s->start_ns) / 1000.0;
}

double StopwatchValue(int slot) {
  const Slot* s = SlotAt(slot);
  return s ? s->elapsed_us.load() : 0.0;
}

long double MeasureSpeed(std::chrono::milliseconds window) {
  const Clock::time_point start = Clock::now();
  const std::chrono::duration<long double> limit = window;
  long long rounds = 0;
  std::chrono::duration<long double> elapsed{0};
  do {
    for (int i = 0; i < 25; ++i) SpeedWorkload();
    rounds += 25;
    elapsed = Clock::now() - start;
  } while (elapsed < limit || elapsed.count() <= 0);
  return static_cast<long double>(rounds) / elapsed.count() * (2.0L / 11.0L);
}
