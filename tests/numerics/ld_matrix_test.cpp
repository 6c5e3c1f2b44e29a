#include "numerics/ld_matrix.h"

#include <gtest/gtest.h>

#include <utility>


namespace {

TEST(LDMatrix, ZeroFilledRowsIndexedFromZero) {
  std::unique_ptr<LDMatrix> m = AllocLDMatrix(3, 4);
  ASSERT_TRUE(m);
  EXPECT_EQ(LDMatrixRows(*m), 3);
  EXPECT_EQ(LDMatrixCols(*m), 4);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ((*m)[i][j], 0);
  (*m)[2][3] = 7.5L;
  long double** rows = m->Data();
  EXPECT_EQ(rows[2][3], 7.5L);
  // Rows are exchanged by exchanging their pointers; a copy keeps that order.
  std::swap(rows[0], rows[2]);
  EXPECT_EQ((*m)[0][3], 7.5L);
  const LDMatrix copy = *m;
  EXPECT_EQ(copy[0][3], 7.5L);
  EXPECT_NE(copy[0], (*m)[0]);
  LDMatrix moved = std::move(*m);
  EXPECT_EQ(moved[0][3], 7.5L);
}

TEST(LDMatrix, EdgeShapesAndRefusals) {
  std::unique_ptr<LDMatrix> none = AllocLDMatrix(0, 5);
  ASSERT_TRUE(none);  // a matrix with no rows
  EXPECT_EQ(LDMatrixRows(*none), 0);
  EXPECT_EQ(none->Data(), nullptr);
  EXPECT_FALSE(AllocLDMatrix(-1, 3));
  EXPECT_FALSE(AllocLDMatrix(3, -1));
  EXPECT_FALSE(AllocLDMatrix(1 << 30, 1 << 30));  // far beyond memory: null, not a crash
  std::unique_ptr<IntMatrix> k = AllocIntMatrix(2, 2);
  ASSERT_TRUE(k);
  (*k)[1][1] = -3;
  EXPECT_EQ(IntMatrixRows(*k), 2);
  EXPECT_EQ(IntMatrixCols(*k), 2);
  EXPECT_EQ(k->Data()[1][1], -3);
}

}  // namespace
