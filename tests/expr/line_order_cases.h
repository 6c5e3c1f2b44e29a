// A Z line that runs a calculus built-in on its line F1, with F1 written above it or below
// it. Every road that loads or checks a function text (UdfLoad, the User Functions dialog, a
// library, the session file, the view function) must give both orders the same verdict and
// the same value: F1 below its caller was once empty when the caller was test-run, so an
// IMPLICIT on it was refused ("Function Line Has No Value") and an integral, sum or
// derivative of it counted it as 0 and never met the points where it fails.
//
// Each call has an F1 that works over the whole range, with the call's value at X 2, Y 1.5
// (closed forms), and an F1 that has a value at the trial point of the checks (X = $ = 2,
// Y 3, Z 4) but fails inside the built-in's range.
#pragma once

#include <string>
#include <vector>

struct TLineOrderCase {
  const char* call;
  const char* works;
  long double value;      // the call's value with `works` at X 2, Y 1.5
  long double tolerance;  // of the numerical methods
  const char* fails;
};

// The 17 calculus built-ins that run a line of their function.
inline const std::vector<TLineOrderCase>& LineOrderCases() {
  static const std::vector<TLineOrderCase> cases = {
      // Integrals over 0 .. 1 of $^2 + X: 1/3 + 2. LN($-0.5) fails below 0.5.
      {"AI(1,0,1)", "$*$+X", 7.0L / 3, 1e-12L, "LN($-0.5)"},
      {"AIP(1,0,1,1E-10)", "$*$+X", 7.0L / 3, 1e-12L, "LN($-0.5)"},
      {"QI(1,0,1)", "$*$+X", 7.0L / 3, 1e-12L, "LN($-0.5)"},
      {"QIP(1,0,1,1E-10)", "$*$+X", 7.0L / 3, 1e-12L, "LN($-0.5)"},
      {"QIN(1,0,1,8)", "$*$+X", 7.0L / 3, 1e-15L, "LN($-0.5)"},
      {"RI(1,0,1)", "$*$+X", 7.0L / 3, 1e-12L, "LN($-0.5)"},
      // Over the unit square of $ $$ + X: 1/4 + 2.
      {"DQIP(1,0,1,0,1,1E-10)", "$*$$+X", 2.25L, 1e-9L, "LN($-0.5)"},
      // 0 + 1/16 + 1/4 + 9/16 + 1 and five times X; 1 x 2 x 3 x 4 with X/2 = 1.
      {"SUM(1,0,1,0.25)", "$*$+X", 1.875L + 10, 1e-15L, "LN($-0.5)"},
      {"PROD(1,1,4,1)", "$*X/2", 24, 1e-15L, "LN($-1.5)"},
      // The sum of 1/k^4 over k = 1, 2, ... is pi^4/90; the series stops where a term falls
      // below 1e-10 of the sum, about 1e-8 short of it.
      {"SER(1,0,1,1E-10)", "1/(($+1)^4)", 1.0823232337111381915L, 2e-8L, "LN($-0.5)"},
      // Derivatives of X^2 Y at (2, 1.5): 2XY, 2Y, X^2, 0, 2X. The failing line has a value
      // only at (2, 3) itself.
      {"DX(1)", "X*X*Y", 6, 1e-6L, "SQRT(1E-30-(X-2)^2-(Y-3)^2)"},
      {"DX2(1)", "X*X*Y", 3, 1e-4L, "SQRT(1E-30-(X-2)^2-(Y-3)^2)"},
      {"DY(1)", "X*X*Y", 4, 1e-6L, "SQRT(1E-30-(X-2)^2-(Y-3)^2)"},
      {"DY2(1)", "X*X*Y", 0, 1e-4L, "SQRT(1E-30-(X-2)^2-(Y-3)^2)"},
      {"DXY(1)", "X*X*Y", 4, 1e-4L, "SQRT(1E-30-(X-2)^2-(Y-3)^2)"},
      // The root of Z^2 - 2 - X/100: sqrt(2.02). LN(Z-0.5) fails at the bracket's end 0 and
      // LN(Z-1.5) at 1.
      {"IMPLICIT(1,0,1,1E-12)", "Z*Z-2-X/100", 1.4212670403551895L, 1e-12L, "LN(Z-0.5)"},
      {"IMPLICIT_(1,1,2,1E-12)", "Z*Z-2-X/100", 1.4212670403551895L, 1e-12L, "LN(Z-1.5)"},
  };
  return cases;
}

// The two orders of a Z line `z` and its line F1 `f1`, lines ended by CR LF.
inline std::vector<std::string> BothLineOrders(const std::string& z, const std::string& f1) {
  return {"Z=" + z + "\r\nF1=" + f1 + "\r\n", "F1=" + f1 + "\r\nZ=" + z + "\r\n"};
}
