// The ranked list of the fits of the last run, with its companion state.
//
// 6000 slots: slot 0 is a header record whose m is the number of fits, slots 1..count hold
// the fits in the order of the last ranking. Only the thread of the running fit writes the
// list (every fit command stops the background fit first); readers use slots 1..`FitCount`
// once the run has ended.
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
  bool BeginRun();

  // Number of fits in the list (the header's m); 0 before the first run.
  int Count() const;
  bool Full() const { return Count() >= kFitListCapacity; }

  // Appends at count + 1 and raises the count. A full list refuses the record, frees it and
  // counts the refusal: the list is never written beyond its last slot, and the run reports
  // how many fits it could not keep. Also false for a null record or before BeginRun.
  bool Append(std::unique_ptr<TFitResult> record);
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

extern TFitList FitList;

// Number of fits of the last finished run: copied from the list at the end of a run, 0 after
// a failed, aborted or stopped run and after any change of data or options. Atomic because
// the user interface reads it while a background fit runs.
extern std::atomic<std::int32_t> FitCount;
// 1 when the list holds a finished run.
extern std::atomic<std::int32_t> FitResultsValid;
// Rank (1-based) of the fit under review; 1 after each run; saved with the settings.
extern std::int32_t ReviewCurrentRank;

// Frees the fit list with every record in it; called once at exit.
void FreeFitStorage();

// 1 when the fit at that rank of the list is a user-defined function (2501-2515), else 0
// (also for a rank outside 1..`FitCount`).
int IsUdfRank(int rank);
