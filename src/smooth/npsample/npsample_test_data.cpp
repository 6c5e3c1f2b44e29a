#include "smooth/npsample/npsample_test_data.h"

#include <cmath>
#include <cstdint>

namespace npsample {
namespace {

// Function 9 is a product g(x) g(y) (20/3)^6 with, for t = x or y, e = exp((10 - 20t) / 3),
// s = 1 / (1 + e): g = e^2 s^5 (e - 2s), and g' = (20/3) e^2 s^5 ((12s - 3)s + 2e - 5).
struct TCloverleafFactor {
  double g, dg;
};

TCloverleafFactor Cloverleaf(double t) {
  const double e = std::exp((10.0 - 20.0 * t) / 3.0);
  const double s = 1.0 / (1.0 + e);
  const double s5 = s * s * s * s * s;
  return {e * e * s5 * (e - 2.0 * s), (20.0 / 3.0) * e * e * s5 * ((12.0 * s - 3.0) * s + 2.0 * e - 5.0)};
}

double RadicalInverse(int i, int base) {
  double result = 0.0, f = 1.0 / base;
  while (i > 0) {
    result += f * (i % base);
    i /= base;
    f /= base;
  }
  return result;
}

int Halton(int count, int baseX, int baseY, double* x, double* y) {
  for (int i = 0; i < count; ++i) {
    x[i] = RadicalInverse(i + 1, baseX);
    y[i] = RadicalInverse(i + 1, baseY);
  }
  return count;
}

int Grid(int side, double* x, double* y) {
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      x[j * side + i] = static_cast<double>(i) / (side - 1);
      y[j * side + i] = static_cast<double>(j) / (side - 1);
    }
  return side * side;
}

// The minimal standard generator of Park and Miller, x := 16807 x mod (2^31 - 1).
int Scattered(int count, double* x, double* y) {
  std::uint64_t state = 20240611;
  auto next = [&state] {
    state = state * 16807 % 2147483647;
    return static_cast<double>(state) / 2147483647.0;
  };
  for (int i = 0; i < count; ++i) {
    x[i] = next();
    y[i] = next();
  }
  return count;
}

}  // namespace

TFunctionValue TestFunction(int function, double x, double y) {
  switch (function) {
    case 1: {  // Franke's exponential
      const double t1 = std::exp(-((9 * x - 2) * (9 * x - 2) + (9 * y - 2) * (9 * y - 2)) / 4);
      const double t2 = std::exp(-((9 * x + 1) * (9 * x + 1)) / 49 - (9 * y + 1) / 10);
      const double t3 = std::exp(-((9 * x - 7) * (9 * x - 7) + (9 * y - 3) * (9 * y - 3)) / 4);
      const double t4 = std::exp(-(9 * x - 4) * (9 * x - 4) - (9 * y - 7) * (9 * y - 7));
      return {0.75 * t1 + 0.75 * t2 + 0.5 * t3 - 0.2 * t4,
              -3.375 * (9 * x - 2) * t1 - 27.0 / 98.0 * (9 * x + 1) * t2 -
                  2.25 * (9 * x - 7) * t3 + 3.6 * (9 * x - 4) * t4,
              -3.375 * (9 * y - 2) * t1 - 0.675 * t2 - 2.25 * (9 * y - 3) * t3 +
                  3.6 * (9 * y - 7) * t4};
    }
    case 2: {  // cliff
      const double t = std::tanh(9 * (y - x));
      const double sech2 = 1 - t * t;
      return {(t + 1) / 9, -sech2, sech2};
    }
    case 3: {  // saddle
      const double c = 1.25 + std::cos(5.4 * y);
      const double d = 1 + (3 * x - 1) * (3 * x - 1);
      return {c / (6 * d), -(3 * x - 1) * c / (d * d), -0.9 * std::sin(5.4 * y) / d};
    }
    case 4:    // gentle
    case 5: {  // steep
      const double a = function == 4 ? 81.0 / 16.0 : 81.0 / 4.0;
      const double e = std::exp(-a * ((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5))) / 3;
      return {e, -2 * a * (x - 0.5) * e, -2 * a * (y - 0.5) * e};
    }
    case 6: {  // sphere
      const double t = 64 - 81 * ((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5));
      if (t <= 0) return {};
      const double r = std::sqrt(t);
      return {r / 9 - 0.5, -9 * (x - 0.5) / r, -9 * (y - 0.5) / r};
    }
    case 7: {  // trigonometric
      const double c = std::cos(10 * x * y);
      return {2 * std::cos(10 * x) * std::sin(10 * y) + std::sin(10 * x * y),
              -20 * std::sin(10 * x) * std::sin(10 * y) + 10 * y * c,
              20 * std::cos(10 * x) * std::cos(10 * y) + 10 * x * c};
    }
    case 8: {  // synergistic Gaussian
      const double a = 5 - 10 * x, b = 5 - 10 * y;
      const double ea = std::exp(-0.5 * a * a), eb = std::exp(-0.5 * b * b);
      return {ea + 0.75 * eb * (1 + ea), a * ea * (10 + 7.5 * eb), b * eb * (7.5 + 7.5 * ea)};
    }
    case 9: {  // cloverleaf asymmetric hill and valley
      const double k = std::pow(20.0 / 3.0, 6);
      const TCloverleafFactor gx = Cloverleaf(x), gy = Cloverleaf(y);
      return {k * gx.g * gy.g, k * gx.dg * gy.g, k * gx.g * gy.dg};
    }
    case 10: {  // cosine peak
      const double px = 80 * x - 40, py = 90 * y - 45;
      const double r = std::sqrt(px * px + py * py);
      const double e = std::exp(-0.04 * r), c = std::cos(0.15 * r), s = std::sin(0.15 * r);
      if (r == 0) return {e * c, 0, 0};
      return {e * c, -e * (3.2 * c + 12 * s) * px / r, -e * (3.6 * c + 13.5 * s) * py / r};
    }
    default:
      return {};
  }
}

int NodeSet(int set, double* x, double* y) {
  switch (set) {
    case 1:
      return Halton(100, 2, 3, x, y);
    case 2:
      return Halton(33, 5, 7, x, y);
    case 3:
      return Grid(5, x, y);
    case 4:
      return Scattered(100, x, y);
    case 5:
      return Grid(9, x, y);
    default:
      return 0;
  }
}

}  // namespace npsample
