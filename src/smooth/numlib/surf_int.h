// The numerical library's grid surface of scattered data (entry SurfInt): Akima's 1978 quintic
// interpolant (the program's own kernel, akima_interpolation.h) over a grid, from the
// min(N - 1, 5) closest points of every point.
#pragma once

// out[j * ldf + i] := the surface at (xs[i], ys[j]), i < nx, j < ny, from the n points
// (xy[2k], xy[2k + 1]) with values z[k]. Returns 1, or 0 when the kernel fails (fewer than 4
// points, coincident or collinear points, values that are not numbers, ldf < nx, or nx or
// ny < 1), leaving out untouched.
[[nodiscard]] int AkimaSurfaceOnGrid(int n, const double* xy, const double* z, int nx, int ny,
                                     const double* xs, const double* ys, double* out, int ldf);
