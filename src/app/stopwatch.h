// Elapsed-time slots for timing work, and the processor-speed figure of the status window.
//
// The slots read a monotonic 64-bit clock (std::chrono::steady_clock), so a measurement
// never wraps and never jumps with the wall clock. Each slot is independent and may be
// used from any thread.
#pragma once

#include <chrono>

inline constexpr int kStopwatchSlots = 8;  // the program uses slot 0

// Notes the start time of the slot; a slot outside 0 .. kStopwatchSlots - 1 is ignored.
void StopwatchStart(int slot);
// Notes the stop time and stores the elapsed microseconds since StopwatchStart.
void StopwatchStop(int slot);
// The elapsed microseconds stored by the last StopwatchStop (0 before any, or for a bad
// slot).
double StopwatchValue(int slot);

// A speed figure that grows with the processor's speed: a fixed double-precision workload
// is run in rounds of 25 until `window` has passed, and the result is
// (rounds per second) * 2/11.
long double MeasureSpeed(std::chrono::milliseconds window = std::chrono::milliseconds(500));
