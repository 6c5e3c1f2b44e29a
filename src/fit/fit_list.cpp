#include "fit/fit_list.h"

#include <new>

bool TFitList::BeginRun() {
  if (slots_.empty()) {
    try {
      std::vector<std::unique_ptr<TFitResult>> slots(kFitListSlots);
      slots[0] = std::make_unique<TFitResult>();
      slots_ = std::move(slots);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  Truncate(0);
  refused_ = 0;
  return true;
}

int TFitList::Count() const { return slots_.empty() ? 0 : slots_[0]->m; }

bool TFitList::Append(std::unique_ptr<TFitResult> record) {
  if (!record || slots_.empty()) return false;
  const int count = Count();
  if (count >= kFitListCapacity) {
    ++refused_;
    return false;
  }
  slots_[count + 1] = std::move(record);
  slots_[0]->m = count + 1;
  return true;
}

void TFitList::Truncate(int count) {
  if (slots_.empty()) return;
  const int current = Count();
  if (count < 0) count = 0;
  for (int slot = count + 1; slot <= current; ++slot) slots_[slot].reset();
  if (count < current) slots_[0]->m = count;
}

TFitResult* TFitList::At(int slot) const {
  return slot >= 1 && slot <= Count() ? slots_[slot].get() : nullptr;
}

const TFitResult* TFitList::Header() const { return slots_.empty() ? nullptr : slots_[0].get(); }

std::span<std::unique_ptr<TFitResult>> TFitList::Ranked() {
  if (slots_.empty()) return {};
  return std::span<std::unique_ptr<TFitResult>>(slots_).subspan(1, Count());
}

void TFitList::Free() {
  slots_.clear();
  slots_.shrink_to_fit();
  refused_ = 0;
}
