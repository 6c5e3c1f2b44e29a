// The image cache of a graph window: compressed frames kept under an integer key (the fit
// rank in the review), so that stepping back to a frame already drawn costs one expansion
// instead of a render. The review's render thread stores frames drawn ahead while the user
// interface thread reads and clears the cache, so every operation takes the cache's lock.
//
// The cache never evicts: once the bytes held exceed the limit, further frames are refused
// until the owner clears it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "app/lzw_block.h"

class TImageCache {
 public:
  // Results of CacheImage besides the stored size (> 0).
  static constexpr int kNoCache = -1;    // no cache, no image, or no free slot
  static constexpr int kOverLimit = -2;  // the bytes held already exceed the limit
  static constexpr int kNoMemory = -3;   // the slot array was full and could not grow

  static constexpr int kInitialSlots = 8;

  // A cache of `kilobytes` × 1000 bytes with 8 empty slots, enabled; any frames held before
  // are freed.
  void Init(int kilobytes);
  // Deletes every frame; slot count, limit and enabling stay.
  void Clear();
  // Deletes the frames and the slots: no cache.
  void Free();
  // Enables or disables the cache (only when it has slots).
  void SetEnabled(bool enabled);
  // The key that FindFrame looks up and CanCacheFrame asks about (-1 for none).
  void SetKey(int key);
  int Key() const;

  // Stores a frame under its tag (TLZW::Tag is the key). A frame whose key is held already
  // replaces it whatever the limit. Returns the stored size or a negative result above; a
  // refused frame is deleted.
  int CacheImage(std::unique_ptr<TLZW> image);

  // Sum of the stored sizes of the frames held, and their number.
  std::int64_t CachedBytes(int* count = nullptr) const;
  // Whether the enabled cache holds the current key.
  bool FindFrame() const;
  // False without an enabled cache; true when the current key is held; otherwise whether
  // the bytes held are below the limit.
  bool CanCacheFrame() const;
  // The plain bytes of the current key's frame and its stored size; false when the frame is
  // not held or cannot be expanded.
  bool ExpandFrame(std::vector<std::uint8_t>& plain, std::int64_t* storedSize = nullptr) const;

  int SlotCount() const;
  std::int64_t Limit() const;
  bool Enabled() const;

 private:
  int FindSlot(int key) const;  // the caller holds the lock
  std::int64_t HeldBytes() const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<TLZW>> slots_;
  std::int64_t limit_ = 0;
  bool enabled_ = false;
  int key_ = -1;
};
