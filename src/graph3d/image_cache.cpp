#include "graph3d/image_cache.h"

#include <new>

void TImageCache::Init(int kilobytes) {
  std::lock_guard lock(mutex_);
  slots_.clear();
  limit_ = static_cast<std::int64_t>(kilobytes < 0 ? 0 : kilobytes) * 1000;
  try {
    slots_.resize(kInitialSlots);
    enabled_ = true;
  } catch (const std::bad_alloc&) {
    slots_.clear();
    enabled_ = false;
  }
}

void TImageCache::Clear() {
  std::lock_guard lock(mutex_);
  for (auto& slot : slots_) slot.reset();
}

void TImageCache::Free() {
  std::lock_guard lock(mutex_);
  slots_.clear();
  slots_.shrink_to_fit();
  enabled_ = false;
  limit_ = 0;
}

void TImageCache::SetEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  if (!slots_.empty()) enabled_ = enabled;
}

void TImageCache::SetKey(int key) {
  std::lock_guard lock(mutex_);
  key_ = key;
}

int TImageCache::Key() const {
  std::lock_guard lock(mutex_);
  return key_;
}

int TImageCache::FindSlot(int key) const {
  for (std::size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i] && static_cast<int>(slots_[i]->Tag()) == key) return static_cast<int>(i);
  return -1;
}

std::int64_t TImageCache::HeldBytes() const {
  std::int64_t bytes = 0;
  for (const auto& slot : slots_)
    if (slot) bytes += static_cast<std::int64_t>(slot->StoredSize());
  return bytes;
}

int TImageCache::CacheImage(std::unique_ptr<TLZW> image) {
  std::lock_guard lock(mutex_);
  if (slots_.empty() || !image || image->Empty()) return kNoCache;
  const int size = static_cast<int>(image->StoredSize());
  const int held = FindSlot(static_cast<int>(image->Tag()));
  if (held >= 0) {
    slots_[static_cast<std::size_t>(held)] = std::move(image);
    return size;
  }
  if (HeldBytes() > limit_) return kOverLimit;
  for (auto& slot : slots_) {
    if (!slot) {
      slot = std::move(image);
      return size;
    }
  }
  const std::size_t first = slots_.size();
  try {
    slots_.resize(first * 2);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  slots_[first] = std::move(image);
  return size;
}

std::int64_t TImageCache::CachedBytes(int* count) const {
  std::lock_guard lock(mutex_);
  if (count) {
    *count = 0;
    for (const auto& slot : slots_) *count += slot ? 1 : 0;
  }
  return HeldBytes();
}

bool TImageCache::FindFrame() const {
  std::lock_guard lock(mutex_);
  return enabled_ && !slots_.empty() && FindSlot(key_) >= 0;
}

bool TImageCache::CanCacheFrame() const {
  std::lock_guard lock(mutex_);
  if (slots_.empty() || !enabled_) return false;
  return FindSlot(key_) >= 0 || HeldBytes() < limit_;
}

bool TImageCache::ExpandFrame(std::vector<std::uint8_t>& plain, std::int64_t* storedSize) const {
  std::lock_guard lock(mutex_);
  if (!enabled_) return false;
  const int slot = FindSlot(key_);
  if (slot < 0) return false;
  TLZW& frame = *slots_[static_cast<std::size_t>(slot)];
  const std::uint8_t* data = frame.Lock();
  if (data == nullptr) return false;
  try {
    plain.assign(data, data + frame.PlainSize());
  } catch (const std::bad_alloc&) {
    frame.Unlock();
    return false;
  }
  frame.Unlock();
  if (storedSize) *storedSize = static_cast<std::int64_t>(frame.StoredSize());
  return true;
}

int TImageCache::SlotCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(slots_.size());
}

std::int64_t TImageCache::Limit() const {
  std::lock_guard lock(mutex_);
  return limit_;
}

bool TImageCache::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}
