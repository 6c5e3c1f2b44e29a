// Writes the Gauss-Legendre table "QVQUAD.OVL": for N = 2, 4, ..., 128 the positive roots
// of the Legendre polynomial P_N in ascending order, then their weights, each the 80-bit
// extended real nearest the true value.
//
// The roots are found by Newton's method on the three-term recurrence
//   k P_k(x) = (2k - 1) x P_(k-1)(x) - (k - 1) P_(k-2)(x),
// started from Tricomi's approximation cos(pi (i - 1/4) / (N + 1/2)), and the weights are
//   w_i = 2 / ((1 - x_i^2) P_N'(x_i)^2),
// all in the 113-bit binary128 arithmetic of __float128, about 49 bits more than the
// table keeps. Every value is then rounded once to a 64-bit significand, and the program
// refuses to write the table when any value lies so near the midpoint between two
// extended reals that the working precision could not decide the rounding.
//
// Usage: make_quadrature_table <output file>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "app/file_utils.h"
#include "expr/quadrature_table.h"

namespace {

using Quad = __float128;

Quad Abs(Quad x) { return x < 0 ? -x : x; }

// P_N(x) and P_N'(x).
void Legendre(int n, Quad x, Quad& p, Quad& dp) {
  Quad p0 = 1;
  Quad p1 = x;
  for (int k = 2; k <= n; ++k) {
    const Quad p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
    p0 = p1;
    p1 = p2;
  }
  p = p1;
  dp = n * (x * p1 - p0) / (x * x - 1);
}

// A bound on the relative error of the computed values: 2^-96, about 32 times the
// rounding errors of the recurrence and of 1 - x^2 near the largest roots.
const Quad kTrustedRelative = static_cast<Quad>(std::ldexp(1.0L, -96));

// q rounded to the nearest long double; false when q is too near a rounding midpoint.
bool RoundChecked(Quad q, long double& out) {
  const long double r = static_cast<long double>(q);
  const Quad up = (static_cast<Quad>(r) + static_cast<Quad>(std::nextafter(r, 2.0L))) / 2;
  const Quad down = (static_cast<Quad>(r) + static_cast<Quad>(std::nextafter(r, -2.0L))) / 2;
  const Quad margin = Abs(q) * kTrustedRelative;
  out = r;
  return q > down + margin && q < up - margin;
}

bool ComputeTable(TQuadTable& table) {
  bool ok = true;
  for (int m = 1; m <= kQuadLargestHalfOrder; ++m) {
    const int n = 2 * m;
    for (int i = 1; i <= m; ++i) {
      // Root i counted from the largest; it goes to position m - i (ascending order).
      Quad x = static_cast<Quad>(std::cos(std::numbers::pi_v<long double> * (i - 0.25L) / (n + 0.5L)));
      Quad p = 0;
      Quad dp = 0;
      for (int iteration = 0; iteration < 100; ++iteration) {
        Legendre(n, x, p, dp);
        const Quad step = p / dp;
        x -= step;
        if (Abs(step) <= Abs(x) * static_cast<Quad>(std::ldexp(1.0L, -112))) break;
      }
      Legendre(n, x, p, dp);
      const Quad w = 2 / ((1 - x) * (1 + x) * dp * dp);
      const std::size_t k = static_cast<std::size_t>(m - i);
      long double* const abscissas = table.value.data() + m * (m - 1);
      long double* const weights = table.value.data() + m * m;
      if (!RoundChecked(x, abscissas[k]) || !RoundChecked(w, weights[k])) {
        std::fprintf(stderr, "N = %d, root %d: too near a rounding midpoint\n", n, i);
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  TQuadTable table;
  if (!ComputeTable(table)) return 1;
  const std::vector<std::uint8_t> bytes = EncodeQuadTable(table);
  if (bytes.size() != kQuadTableBytes || !SaveGlobalToFile(bytes, argv[1])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
