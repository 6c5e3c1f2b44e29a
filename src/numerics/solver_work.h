// Work storage of the dense solvers: checked, zero-filled heap blocks. Every allocation
// goes through `new (std::nothrow)`, so a request that cannot be met is seen as a null block
// and reported as "no work memory" (-1) instead of being used.
#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <new>

namespace solver_work {

// A solution or inverse holding a value that is not a finite number (from overflowing or
// undefined entries) is no solution: the solvers report it as singular, never as solved.
inline bool AllFinite(const long double* v, int n) {
  if (!v) return true;
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

inline bool AllFinite(long double* const* a, int n) {
  for (int i = 0; i < n; ++i)
    if (!AllFinite(a[i], n)) return false;
  return true;
}

template <typename T>
std::unique_ptr<T[]> Allocate(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

// A work array that lives on the stack for the sizes the fitters use and on the heap beyond;
// Data() is null when a heap block could not be had.
template <typename T, std::size_t kInline = 128>
class SmallArray {
 public:
  explicit SmallArray(std::size_t count) {
    if (count <= kInline) {
      data_ = inline_;
    } else {
      heap_ = Allocate<T>(count);
      data_ = heap_.get();
    }
  }
  SmallArray(const SmallArray&) = delete;
  SmallArray& operator=(const SmallArray&) = delete;
  T* Data() { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }

 private:
  T inline_[kInline];
  std::unique_ptr<T[]> heap_;
  T* data_ = nullptr;
};

}  // namespace solver_work
