#include "smooth/numlib/surf_int.h"

#include <algorithm>
#include <span>
#include <vector>

#include "smooth/kernels/akima_interpolation.h"

int AkimaSurfaceOnGrid(int n, const double* xy, const double* z, int nx, int ny,
                       const double* xs, const double* ys, double* out, int ldf) {
  if (n < 4 || nx < 1 || ny < 1 || ldf < nx || !xy || !z || !xs || !ys || !out) return 0;
  const auto count = static_cast<std::size_t>(n);
  std::vector<double> x(count), y(count);
  for (std::size_t k = 0; k < count; ++k) {
    x[k] = xy[2 * k];
    y[k] = xy[2 * k + 1];
  }
  const int ncp = std::min(n - 1, 5);
  std::vector<int> iwk(AkimaIntWorkSize(ncp, n, nx, ny));
  std::vector<double> wk(AkimaRealWorkSize(n));
  std::vector<double> grid(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  const auto unx = static_cast<std::size_t>(nx), uny = static_cast<std::size_t>(ny);
  if (AkimaGridInterpolate(kAkimaNewPoints, ncp, n, x, y, std::span<const double>(z, count), nx, ny,
                           std::span<const double>(xs, unx), std::span<const double>(ys, uny), grid,
                           iwk, wk, 0) == 0)
    return 0;
  for (std::size_t j = 0; j < uny; ++j)
    std::copy_n(grid.begin() + static_cast<std::ptrdiff_t>(j * unx), unx,
                out + j * static_cast<std::size_t>(ldf));
  return 1;
}
