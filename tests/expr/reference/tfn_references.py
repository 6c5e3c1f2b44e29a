#!/usr/bin/python3
"""Reference values of TFN(a, b) = integral from 0 to a of e^-(b+t) I0(2 sqrt(bt)) dt for the
table kTfnLargeArguments in tests/expr/bessel_functions_test.cpp.

mpmath (Debian's python3-mpmath) at 40 digits: with t = (sqrt(b) + u)^2 the integrand is
2 (sqrt(b) + u) I0(2 sqrt(b) (sqrt(b) + u)) e^-(b+t), a peak of width 1 at u = 0, integrated
by mpmath's quadrature over |u| <= 14 (beyond it the integrand is below 1e-80) with a break
at every integer, so that no argument size hides the peak from the quadrature.

Run from the repository root; prints the C++ rows.
"""
from mpmath import mp, mpf, sqrt, exp, besseli, quad

mp.dps = 40


def tfn(a, b):
    a, b = mpf(a), mpf(b)
    rb = sqrt(b)
    hi = (a - b) / (sqrt(a) + rb)
    lo, top = max(-rb, mpf(-14)), min(hi, mpf(14))
    if top <= lo:
        return mpf(0)

    def g(u):
        r = rb + u
        return 2 * r * besseli(0, 2 * rb * r) * exp(-(b + r * r))

    return quad(g, [lo] + [mpf(k) for k in range(-13, 14) if lo < k < top] + [top])


CASES = [("31", "31"), ("100", "100"), ("1000", "1000"), ("1E4", "1E4"), ("1E6", "1E6"), ("1E8", "1E8"),
         ("1E10", "1E10"), ("1E12", "1E12"), ("1E20", "1E20"), ("8750.086", "8788.230"),
         ("1000030", "1000000"), ("999970", "1000000"), ("1E12", "1000002000000"), ("5000", "40"),
         ("40", "5000"), ("31", "0.01"), ("0.01", "31")]
for a, b in CASES:
    print(f'    {{"TFN({a},{b})", {mp.nstr(tfn(a, b), 25, min_fixed=-5, max_fixed=5, strip_zeros=False)}L}},')
