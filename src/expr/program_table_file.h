// A read-only table that the program reads from a data file beside its executable (the
// Bernoulli table, the quadrature table): read once, on first use, by whichever thread
// first needs it, then read by any number of threads without a lock. A missing or short
// file leaves it absent, so the next use tries again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <vector>

#include "app/file_utils.h"
#include "app/program_files.h"

template <typename Table>
class TProgramTableFile {
 public:
  // Decodes a table from exactly `bytes` bytes.
  using Decoder = bool (*)(std::span<const std::uint8_t>, Table&);

  TProgramTableFile(const char* name, std::size_t bytes, Decoder decode)
      : name_(name), bytes_(bytes), decode_(decode) {}

  // 1 when the table was already present, 0 when it was read now, -1 when the file
  // cannot be opened or holds fewer bytes than the table, -2 when memory cannot be had.
  int Load() {
    if (table_.load(std::memory_order_acquire)) return 1;
    std::lock_guard lock(mutex_);
    if (table_.load(std::memory_order_relaxed)) return 1;
    const std::filesystem::path file = override_.empty() ? ProgramFile(name_) : override_;
    const std::vector<std::uint8_t> data = ReadFileHead(file, bytes_);
    // A short file would leave entries undefined: it is refused like a missing one.
    if (data.size() < bytes_) return -1;
    std::unique_ptr<Table> table;
    try {
      table = std::make_unique<Table>();
    } catch (const std::bad_alloc&) {
      return -2;
    }
    decode_(data, *table);
    owner_ = std::move(table);
    table_.store(owner_.get(), std::memory_order_release);
    return 0;
  }

  // The table once loaded, else null (no attempt to load).
  const Table* Get() const { return table_.load(std::memory_order_acquire); }

  // Releases the table (at exit, when no other thread reads it any more).
  void Free() {
    std::lock_guard lock(mutex_);
    table_.store(nullptr, std::memory_order_release);
    owner_.reset();
  }

  // Reads from `file` instead of the file beside the executable (empty: that file again);
  // a table already read is dropped.
  void UseFile(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    override_ = file;
    table_.store(nullptr, std::memory_order_release);
    owner_.reset();
  }

 private:
  const char* name_;
  std::size_t bytes_;
  Decoder decode_;
  std::atomic<const Table*> table_{nullptr};
  std::mutex mutex_;  // guards loading, freeing and the file name
  std::unique_ptr<Table> owner_;
  std::filesystem::path override_;
};
