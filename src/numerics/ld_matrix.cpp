#include "numerics/ld_matrix.h"

#include <new>
#include <stdexcept>

namespace {

template <typename T>
std::unique_ptr<RowMatrix<T>> Alloc(int rows, int cols) {
  if (rows < 0 || cols < 0) return nullptr;
  try {
    return std::make_unique<RowMatrix<T>>(rows, cols);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<LDMatrix> AllocLDMatrix(int rows, int cols) { return Alloc<long double>(rows, cols); }

std::unique_ptr<IntMatrix> AllocIntMatrix(int rows, int cols) { return Alloc<int>(rows, cols); }
