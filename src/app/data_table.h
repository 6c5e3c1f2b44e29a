// The XYZ data table: the table of measured points a session holds (TDataSession owns
// one). Importers fill it, the statistics scan it, the sorts reorder it, the fitters fit
// it, the graphs draw it and the editors change it.
//
// The block holds records 0 .. XYZCapacity() (record 0 is the header, see xyz_point.h).
// It starts with room for 1024 points and doubles on demand up to 16384. The block moves
// when it grows and the grid commands replace it: read XYZData() at the point of use and
// keep no span across anything that may load data.
//
// Threads: the table belongs to the user-interface thread, which alone changes it. A
// worker that needs the data takes a consistent copy with DupDataTable(), which holds the
// table's lock in shared mode while it copies. Everything here that moves or replaces the
// block takes the lock exclusively; code on the user-interface thread that changes
// records in place while a worker may be copying holds a DataTableWriteLock around the
// change.
#pragma once

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <span>

#include "app/xyz_point.h"

inline constexpr int kXYZInitialCapacity = 1024;
inline constexpr int kXYZMaxPoints = 16384;

using DataTableWriteLock = std::unique_lock<std::shared_mutex>;
using DataTableReadLock = std::shared_lock<std::shared_mutex>;

class TDataTable {
 public:
  TDataTable() = default;
  TDataTable(const TDataTable&) = delete;
  TDataTable& operator=(const TDataTable&) = delete;

  // Records 0 .. XYZCapacity(); empty before AllocPointArray and after FreePointArray.
  std::span<TXYZPoint> XYZData() { return block_; }
  std::span<const TXYZPoint> XYZData() const { return block_; }
  int XYZCapacity() const;

  // N as the statistics and the import driver last set it (kept equal to the header count).
  int XYZRows() const { return rows_.load(std::memory_order_relaxed); }
  void SetXYZRows(int rows) { rows_.store(rows, std::memory_order_relaxed); }

  std::shared_mutex& Mutex() const { return mutex_; }

  // Allocates room for 1024 points, all records zero. False when memory runs out: the
  // caller tells the user ("Insufficient Memory Available", caption "Unable To Load") and
  // ends the program.
  [[nodiscard]] bool AllocPointArray();

  // Doubles the capacity, keeping records 0 .. capacity; the new half is zero. False (table
  // unchanged) at 16384 points or when memory runs out; the reader stops there.
  [[nodiscard]] bool GrowPointArray();

  // Grows until the table holds at least `points` point records; false when it cannot.
  [[nodiscard]] bool EnsurePointCapacity(int points);

  // Frees the block (shutdown).
  void FreePointArray();

  // Replaces the whole block (the grid commands hand over a new table). The capacity
  // becomes the number of point records of the block. Refused (false, table unchanged)
  // when the block has no header or more than 16384 point records.
  [[nodiscard]] bool ReplaceDataTable(PointTable block);

  // For each record first .. last: X, Y, Z, W := 0 and status := 0 (a NUL, not a space).
  // A first index of 1 is taken as 0, so the header is cleared with the points. Indices
  // are clamped to the block.
  void ClearPoints(int first, int last);
  void ClearPointsFrom(int first);  // first .. XYZCapacity()
  void ClearUsedPoints();           // 0 .. XYZRows()

  // A copy of records 0 .. N of the table (N from its header); empty when out of memory or
  // when there is no table. Safe to call from any thread.
  PointTable DupDataTable() const;

  // Copies records 0 .. N of such a copy back over the table (N from the copy's header),
  // growing the table when the copy holds more points than it has room for. Records
  // between the copy's N and the old row count are cleared, so nothing of the undone edit
  // remains, and XYZRows becomes N. An empty copy does nothing; false when the table
  // cannot hold it.
  [[nodiscard]] bool RestoreDataTable(const PointTable& copy);

 private:
  mutable std::shared_mutex mutex_;
  PointTable block_;  // records 0 .. capacity
  std::atomic<int> rows_{0};
};
