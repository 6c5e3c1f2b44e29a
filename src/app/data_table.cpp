#include "app/data_table.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

struct TableState {
  std::shared_mutex mutex;
  PointTable block;  // records 0 .. capacity
  std::atomic<int> rows{0};
};

TableState& State() {
  static TableState state;
  return state;
}

int CapacityOf(const PointTable& block) {
  return block.empty() ? 0 : static_cast<int>(block.size() - 1);
}

// Grows the block to hold `points` point records by doubling; the caller holds the lock.
bool GrowLocked(PointTable& block, int points) {
  int capacity = CapacityOf(block);
  if (block.empty() || points > kXYZMaxPoints) return false;
  if (points <= capacity) return true;
  // A replaced block need not hold a power of two; the doubling stops at the limit.
  capacity = std::max(capacity, 1);
  while (capacity < points) capacity = std::min(capacity * 2, kXYZMaxPoints);
  try {
    // A fresh zeroed block: records past the old capacity never carry stale bytes.
    PointTable grown(static_cast<std::size_t>(capacity) + 1);
    std::copy(block.begin(), block.end(), grown.begin());
    block.swap(grown);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

std::span<TXYZPoint> XYZData() { return State().block; }

int XYZCapacity() { return CapacityOf(State().block); }

int XYZRows() { return State().rows.load(std::memory_order_relaxed); }

void SetXYZRows(int rows) { State().rows.store(rows, std::memory_order_relaxed); }

std::shared_mutex& DataTableMutex() { return State().mutex; }

bool AllocPointArray() {
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  try {
    PointTable block(kXYZInitialCapacity + 1);
    s.block.swap(block);
  } catch (const std::bad_alloc&) {
    return false;
  }
  s.rows = 0;
  return true;
}

bool GrowPointArray() {
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  const int capacity = CapacityOf(s.block);
  if (capacity >= kXYZMaxPoints) return false;
  return GrowLocked(s.block, capacity + 1);
}

bool EnsurePointCapacity(int points) {
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  return GrowLocked(s.block, points);
}

void FreePointArray() {
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  PointTable().swap(s.block);
  s.rows = 0;
}

bool ReplaceDataTable(PointTable block) {
  if (block.empty() || block.size() - 1 > static_cast<std::size_t>(kXYZMaxPoints)) return false;
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  s.block.swap(block);
  s.rows = PointCount(s.block);
  return true;
}

void ClearPoints(int first, int last) {
  std::span<TXYZPoint> data = XYZData();
  if (data.empty()) return;
  if (first == 1) first = 0;
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(data.size()) - 1);
  for (int i = first; i <= last; ++i) {
    TXYZPoint& p = data[static_cast<std::size_t>(i)];
    p.X = p.Y = p.Z = p.W = 0;
    p.Status = 0;
  }
}

void ClearPointsFrom(int first) { ClearPoints(first, XYZCapacity()); }

void ClearUsedPoints() { ClearPoints(0, XYZRows()); }

PointTable DupDataTable() {
  TableState& s = State();
  DataTableReadLock lock(s.mutex);
  if (s.block.empty()) return {};
  const auto end = s.block.begin() + PointCount(s.block) + 1;
  try {
    return PointTable(s.block.begin(), end);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool RestoreDataTable(const PointTable& copy) {
  if (copy.empty()) return true;
  const int n = PointCount(copy);
  TableState& s = State();
  DataTableWriteLock lock(s.mutex);
  if (!GrowLocked(s.block, n)) return false;
  std::copy(copy.begin(), copy.begin() + n + 1, s.block.begin());
  const int old_rows = std::min(s.rows.load(), CapacityOf(s.block));
  for (int i = n + 1; i <= old_rows; ++i) s.block[static_cast<std::size_t>(i)] = TXYZPoint{};
  s.rows = n;
  return true;
}
