// Factorials and binomial coefficients of the small orders of the surfaces' polynomials,
// exact in a double up to 18!.
#pragma once

inline double Factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

inline double Binomial(int n, int k) { return Factorial(n) / (Factorial(k) * Factorial(n - k)); }
