// Writes the Gauss-Legendre table "QVQUAD.OVL" as ComputeQuadTable computes it (the
// program computes the same table where the file is missing).
//
// Usage: make_quadrature_table <output file>
#include <cstdio>
#include <vector>

#include "app/file_utils.h"
#include "expr/quadrature_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  TQuadTable table;
  if (!ComputeQuadTable(table)) {
    std::fprintf(stderr, "%s: a value lies too near a rounding midpoint\n", argv[0]);
    return 1;
  }
  const std::vector<std::uint8_t> bytes = EncodeQuadTable(table);
  if (bytes.size() != kQuadTableBytes || !SaveGlobalToFile(bytes, argv[1])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
