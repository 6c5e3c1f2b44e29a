// The ranked list of the fits of the last run, with its companion state.
//
// 6000 slots: slot 0 is a header record whose m is the number of fits, slots 1..count hold
// the fits in the order of the last ranking. A run fills a list of its own on its thread;
// the session's list (fit_session.h) is the one last published, read on the user-interface
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "fit/fit_records.h"

inline constexpr int kFitListSlots = 6000;
inline constexpr int kFitListCapacity = kFitListSlots - 1;  // fits behind the header

class TFitList {
 public:
  // Empties the list for a new run: frees the records of slots 1..count and sets the count
  // to 0. The first call makes the slots and the header. False when memory is short (the
  // run then ends as out of memory).
  [[nodiscard]] bool BeginRun();

  // Number of fits in the list (the header's m); 0 before the first run.
  int Count() const;
  bool Full() const { return Count() >= kFitListCapacity; }

  // Appends at count + 1 and raises the count. A full list refuses the record, frees it and
  // counts the refusal: the list is never written beyond its last slot, and the run reports
  // how many fits it could not keep. Also false for a null record or before BeginRun.
  [[nodiscard]] bool Append(std::unique_ptr<TFitResult> record);
  // Records refused since the last BeginRun because the list was full.
  int Refused() const { return refused_; }

  // Frees the records appended after the first `count` (a family that stops part-way takes
  // back what it added).
  void Truncate(int count);

  // The fit at a slot 1..Count(); null outside.
  TFitResult* At(int slot) const;
  const TFitResult* Header() const;

  // Slots 1..Count(), for the ranking sort, which exchanges them in place.
  std::span<std::unique_ptr<TFitResult>> Ranked();

  // Frees the records, the header and the slots (at exit).
  void Free();

 private:
  std::vector<std::unique_ptr<TFitResult>> slots_;  // empty until the first run
  int refused_ = 0;
};


