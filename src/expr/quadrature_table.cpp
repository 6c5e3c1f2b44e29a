#include "expr/quadrature_table.h"

#include <cmath>
#include <numbers>

#include "app/byte_codec.h"
#include "expr/program_table_file.h"

namespace {

TProgramTableFile<TQuadTable>& TableFile() {
  static TProgramTableFile<TQuadTable> file(kQuadTableName, kQuadTableBytes, DecodeQuadTable);
  return file;
}

// The arithmetic the table is computed in (ComputeQuadTable).
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

}  // namespace

std::vector<std::uint8_t> EncodeQuadTable(const TQuadTable& table) {
  bytes::ByteWriter w;
  for (const long double v : table.value) w.Extended(v);
  return w.Take();
}

bool DecodeQuadTable(std::span<const std::uint8_t> data, TQuadTable& table) {
  if (data.size() < kQuadTableBytes) return false;
  bytes::ByteReader r(data.first(kQuadTableBytes));
  for (long double& v : table.value) v = r.Extended();
  return r.Ok();
}

// The roots are found by Newton's method on the three-term recurrence
//   k P_k(x) = (2k - 1) x P_(k-1)(x) - (k - 1) P_(k-2)(x),
// started from Tricomi's approximation cos(pi (i - 1/4) / (N + 1/2)), and the weights are
//   w_i = 2 / ((1 - x_i^2) P_N'(x_i)^2),
// all in the 113-bit binary128 arithmetic of __float128, about 49 bits more than the
// table keeps. Every value is then rounded once to a 64-bit significand, and a value so
// near the midpoint between two extended reals that the working precision could not
// decide the rounding is reported.
bool ComputeQuadTable(TQuadTable& table) {
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
      if (!RoundChecked(x, abscissas[k]) || !RoundChecked(w, weights[k])) ok = false;
    }
  }
  return ok;
}

const TQuadTable& ComputedQuadTable() {
  static const TQuadTable table = [] {
    TQuadTable computed;
    // Every value is within half an ulp (or at a midpoint, within one) either way.
    (void)ComputeQuadTable(computed);
    return computed;
  }();
  return table;
}

int LoadQuadOverlay() { return TableFile().Load(); }

const TQuadTable* QuadTable() { return TableFile().Get(); }

void FreeQuadOverlay() { TableFile().Free(); }

void QuadOverlayUseFile(const std::filesystem::path& file) { TableFile().UseFile(file); }
