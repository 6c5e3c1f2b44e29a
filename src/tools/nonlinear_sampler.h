// Sample surfaces of the built-in non-linear shape families: one shape of x and one of y
// per family, combined by one of six forms on a 0..100 scale, optionally inverted. The
// "Non-Linear Sampler" window draws them so that the user sees what the fitting engine's
// families look like.
//
// The shape shown is one code: bits 0..7 the form (0..5), bits 8..14 the family (0..13),
// bit 15 inverted.
#pragma once

#include <array>

// Family buttons 201..214 and form buttons 301..306 of the sampler, the invert box 401.
struct TNLSampleChoice {
  int id;
  const char* label;
  int index;
};

inline constexpr int kNLSampleFamilyCount = 14;
inline constexpr int kNLSampleFormCount = 6;
inline constexpr int kNLSampleInvertBox = 401;
inline constexpr int kNLSampleInvertBit = 0x8000;
// The power and exponential shapes: "Power" (213) shows the power shape and "Exponential"
// (214) the exponential one.
inline constexpr int kNLSampleExponentialShape = 12;
inline constexpr int kNLSamplePowerShape = 13;

inline constexpr std::array<TNLSampleChoice, kNLSampleFamilyCount> kNLSampleFamilies = {{
    {201, "Gaussian", 0},        {202, "Lorentzian", 1},    {203, "Log Normal", 2},
    {204, "Logistic Pk", 3},     {205, "Extr Value", 4},    {206, "Gauss/LN", 5},
    {207, "Gauss Cum", 6},       {208, "Lorentz Cum", 7},   {209, "Log Norm Cum", 8},
    {210, "Sigmoid", 9},         {211, "ExtVal Cum", 10},   {212, "LgstcDoseRsp", 11},
    {213, "Power", kNLSamplePowerShape}, {214, "Exponential", kNLSampleExponentialShape},
}};
inline constexpr std::array<TNLSampleChoice, kNLSampleFormCount> kNLSampleForms = {{
    {301, "Standard", 0},
    {302, "Equal Widths", 1},
    {303, "Additive", 2},
    {304, "Additive+Synergy", 3},
    {305, "Additive-Synergy", 4},
    {306, "Fn in One Var", 5},
}};

// The code of a family and form index with the invert flag.
int NLSampleCode(int family, int form, bool inverted);

// The sample surface of a code at (x, y). Each family gives fx (its x shape at x), fy (its
// y shape at y) and fe (its x shape at y); the forms are 100 fx fy, 100 fx fe,
// 60 fx + 40 fy, the same plus or minus 30 fx fy, and 20 + 100 fx + 0.5 trunc(y). Inverted,
// z becomes 100 - z, except for the power shape, which takes the reciprocal exponents and
// is not turned over. A family beyond 13 gives 0. Outside a shape's domain (u <= 0 for the
// logarithmic, power and dose-response shapes) the value is whatever the long double
// library gives; the graph leaves such points out.
long double EvalNLSample(int code, long double x, long double y);
