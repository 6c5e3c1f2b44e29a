#include "tools/nonlinear_sampler.h"

#include <cmath>
#include <numbers>

namespace {

enum class Shape {
  kGaussian,
  kLorentzian,
  kLogNormal,
  kLogisticPeak,
  kExtremeValue,
  kGaussCum,
  kLorentzCum,
  kLogNormalCum,
  kSigmoid,
  kExtremeValueCum,
  kDoseResponse,
  kExponential,
  kPower,
};

// One shape with its centre (or reference) c, width w and third figure (the log-normal
// cumulative's offset a, or an exponent p).
struct ShapeParams {
  Shape shape;
  long double c, w, a;
};

struct FamilyShapes {
  ShapeParams x, y;
};

constexpr long double kSqrt2 = std::numbers::sqrt2_v<long double>;
constexpr long double kPi = std::numbers::pi_v<long double>;

// The x and y shapes of families 0..13.
constexpr FamilyShapes kFamilies[kNLSampleFamilyCount] = {
    {{Shape::kGaussian, 55, 20, 0}, {Shape::kGaussian, 45, 15, 0}},
    {{Shape::kLorentzian, 55, 23.4L, 0}, {Shape::kLorentzian, 45, 17.5L, 0}},
    {{Shape::kLogNormal, 55, 0.39L, 0}, {Shape::kLogNormal, 45, 0.29L, 0}},
    {{Shape::kLogisticPeak, 55, 13.3L, 0}, {Shape::kLogisticPeak, 45, 10, 0}},
    {{Shape::kExtremeValue, 55, 19.2L, 0}, {Shape::kExtremeValue, 45, 14.4L, 0}},
    {{Shape::kGaussian, 55, 20, 0}, {Shape::kLogNormal, 45, 0.29L, 0}},
    {{Shape::kGaussCum, 55, 20, 0}, {Shape::kGaussCum, 45, 15, 0}},
    {{Shape::kLorentzCum, 55, 23.4L, 0}, {Shape::kLorentzCum, 45, 17.5L, 0}},
    {{Shape::kLogNormalCum, 55, 0.39L, 0.2L / kSqrt2}, {Shape::kLogNormalCum, 45, 0.29L, 0.15L / kSqrt2}},
    {{Shape::kSigmoid, 55, 12.2L, 0}, {Shape::kSigmoid, 45, 9.2L, 0}},
    {{Shape::kExtremeValueCum, 55, 19.2L, 0}, {Shape::kExtremeValueCum, 45, 14.4L, 0}},
    {{Shape::kDoseResponse, 55, 1, 3.6L}, {Shape::kDoseResponse, 45, 1, 5.2L}},
    {{Shape::kExponential, 0, 40, 0}, {Shape::kExponential, 0, 30, 0}},
    {{Shape::kPower, 55, 1, 1.5L}, {Shape::kPower, 45, 1, 2.25L}},
};

constexpr int kFamilyGaussLogNormal = 5;

long double ShapeAt(const ShapeParams& s, long double u) {
  const long double t = (u - s.c) / s.w;
  switch (s.shape) {
    case Shape::kGaussian: return std::exp(-0.5L * t * t);
    case Shape::kLorentzian: return 1 / (1 + t * t);
    case Shape::kLogNormal: {
      const long double l = std::log(u / s.c) / s.w;
      return std::exp(-0.5L * l * l);
    }
    case Shape::kLogisticPeak: {
      const long double e = std::exp(-t);
      return 4 * e / ((1 + e) * (1 + e));
    }
    case Shape::kExtremeValue: return std::exp(-std::exp(-t) - t + 1);
    case Shape::kGaussCum: return (1 + std::erf(t / kSqrt2)) / 2;
    case Shape::kLorentzCum: return (kPi / 2 + std::atan(t)) / kPi;
    case Shape::kLogNormalCum: return std::erfc(s.a - std::log(u / s.c) / (s.w * kSqrt2)) / 2;
    case Shape::kSigmoid: return 1 / (1 + std::exp(-t));
    case Shape::kExtremeValueCum: return std::exp(-std::exp(-t));
    case Shape::kDoseResponse: return 1 / (1 + std::pow(u / s.c, -s.a));
    case Shape::kExponential: return std::exp(-u / s.w);
    case Shape::kPower: return std::pow(u / s.c, s.a);
  }
  return 0;
}

}  // namespace

int NLSampleCode(int family, int form, bool inverted) {
  return (family << 8) + form + (inverted ? kNLSampleInvertBit : 0);
}

long double EvalNLSample(int code, long double x, long double y) {
  const int form = code & 0xFF;
  const int family = (code >> 8) & 0x7F;
  const bool inverted = (code & kNLSampleInvertBit) != 0;
  if (family >= kNLSampleFamilyCount) return 0;
  FamilyShapes shapes = kFamilies[family];
  // The inverted power shape takes the reciprocal exponents instead of being turned over.
  const bool power = family == kNLSamplePowerShape;
  if (power && inverted) {
    shapes.x.a = 1 / shapes.x.a;
    shapes.y.a = 1 / shapes.y.a;
  }
  const long double fx = ShapeAt(shapes.x, x);
  const long double fy = ShapeAt(shapes.y, y);
  const long double fe = family == kFamilyGaussLogNormal ? fy : ShapeAt(shapes.x, y);
  long double z = 0;
  switch (form) {
    case 0: z = 100 * fx * fy; break;
    case 1: z = 100 * fx * fe; break;
    case 2: z = 60 * fx + 40 * fy; break;
    case 3: z = 60 * fx + 40 * fy + 30 * fx * fy; break;
    case 4: z = 60 * fx + 40 * fy - 30 * fx * fy; break;
    case 5: z = 20 + 100 * fx + 0.5L * std::trunc(y); break;
    default: return 0;
  }
  return inverted && !power ? 100 - z : z;
}
