#include "app/data_table.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

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

int TDataTable::XYZCapacity() const { return CapacityOf(block_); }

bool TDataTable::AllocPointArray() {
  DataTableWriteLock lock(mutex_);
  try {
    PointTable block(kXYZInitialCapacity + 1);
    block_.swap(block);
  } catch (const std::bad_alloc&) {
    return false;
  }
  rows_ = 0;
  return true;
}

bool TDataTable::GrowPointArray() {
  DataTableWriteLock lock(mutex_);
  const int capacity = CapacityOf(block_);
  if (capacity >= kXYZMaxPoints) return false;
  return GrowLocked(block_, capacity + 1);
}

bool TDataTable::EnsurePointCapacity(int points) {
  DataTableWriteLock lock(mutex_);
  return GrowLocked(block_, points);
}

void TDataTable::FreePointArray() {
  DataTableWriteLock lock(mutex_);
  PointTable().swap(block_);
  rows_ = 0;
}

bool TDataTable::ReplaceDataTable(PointTable block) {
  if (block.empty() || block.size() - 1 > static_cast<std::size_t>(kXYZMaxPoints)) return false;
  DataTableWriteLock lock(mutex_);
  block_.swap(block);
  rows_ = PointCount(block_);
  return true;
}

void TDataTable::ClearPoints(int first, int last) {
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

void TDataTable::ClearPointsFrom(int first) { ClearPoints(first, XYZCapacity()); }

void TDataTable::ClearUsedPoints() { ClearPoints(0, XYZRows()); }

PointTable TDataTable::DupDataTable() const {
  DataTableReadLock lock(mutex_);
  if (block_.empty()) return {};
  const auto end = block_.begin() + PointCount(block_) + 1;
  try {
    return PointTable(block_.begin(), end);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool TDataTable::RestoreDataTable(const PointTable& copy) {
  if (copy.empty()) return true;
  const int n = PointCount(copy);
  DataTableWriteLock lock(mutex_);
  if (!GrowLocked(block_, n)) return false;
  std::copy(copy.begin(), copy.begin() + n + 1, block_.begin());
  const int old_rows = std::min(rows_.load(), CapacityOf(block_));
  for (int i = n + 1; i <= old_rows; ++i) block_[static_cast<std::size_t>(i)] = TXYZPoint{};
  rows_ = n;
  return true;
}
