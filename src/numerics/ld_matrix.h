// Dense matrices of long doubles and of ints for the fitting code: a table of row pointers
// into one zero-filled block, indexed m[i][j] (row i, column j, both from 0). Callers that
// index from 1 ask for one row and one column more.
//
// The row-pointer table is kept because the solvers exchange rows by exchanging pointers
// and take the table itself (Rows()); the storage behind it is owned by the matrix, so a
// matrix is either wholly there or not at all, and it is freed with its owner.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

template <typename T>
class RowMatrix {
 public:
  RowMatrix(int rows, int cols)
      : rows_(rows), cols_(cols),
        cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)),
        row_(static_cast<std::size_t>(rows)) {
    for (int i = 0; i < rows; ++i) row_[i] = cells_.data() + static_cast<std::size_t>(i) * cols;
  }
  // A copy keeps the row order of the original, exchanged rows included.
  RowMatrix(const RowMatrix& other)
      : rows_(other.rows_), cols_(other.cols_), cells_(other.cells_), row_(other.row_.size()) {
    for (std::size_t i = 0; i < row_.size(); ++i)
      row_[i] = cells_.data() + (other.row_[i] - other.cells_.data());
  }
  RowMatrix& operator=(const RowMatrix&) = delete;
  // Moving keeps the row pointers valid: the block itself does not move.
  RowMatrix(RowMatrix&&) noexcept = default;
  RowMatrix& operator=(RowMatrix&&) noexcept = default;

  int Rows() const { return rows_; }
  int Cols() const { return cols_; }
  T* operator[](int i) { return row_[static_cast<std::size_t>(i)]; }
  const T* operator[](int i) const { return row_[static_cast<std::size_t>(i)]; }
  // The row-pointer table (null for a matrix without rows).
  T** Data() { return row_.empty() ? nullptr : row_.data(); }
  T* const* Data() const { return row_.empty() ? nullptr : row_.data(); }
  // Sets every cell to v.
  void Fill(T v) {
    for (T& c : cells_) c = v;
  }

 private:
  int rows_, cols_;
  std::vector<T> cells_;
  std::vector<T*> row_;
};

using LDMatrix = RowMatrix<long double>;
using IntMatrix = RowMatrix<int>;

// A zero-filled rows x cols matrix; null when a count is negative or memory runs out (all
// or nothing). A matrix of 0 rows is a valid matrix without rows.
std::unique_ptr<LDMatrix> AllocLDMatrix(int rows, int cols);
std::unique_ptr<IntMatrix> AllocIntMatrix(int rows, int cols);

inline int LDMatrixRows(const LDMatrix& m) { return m.Rows(); }
inline int LDMatrixCols(const LDMatrix& m) { return m.Cols(); }
inline int IntMatrixRows(const IntMatrix& m) { return m.Rows(); }
inline int IntMatrixCols(const IntMatrix& m) { return m.Cols(); }
