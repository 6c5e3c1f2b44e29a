#!/usr/bin/python3
"""Reference values of TFN(a, b) = integral from 0 to a of e^-(b+t) I0(2 sqrt(bt)) dt for the
tables of TfnKeepsItsAccuracyAtLargeArguments and TfnLowerTailKeepsItsValue in
tests/expr/bessel_functions_test.cpp.

mpmath (Debian's python3-mpmath) at 40 digits: with t = (sqrt(b) + u)^2 the integrand is
2 (sqrt(b) + u) I0(2 sqrt(b) (sqrt(b) + u)) e^-(b+t), a peak of width 1 at u = 0, integrated
by mpmath's quadrature over |u| <= 14 (beyond it the integrand is below 1e-80) with a break
at every integer, so that no argument size hides the peak from the quadrature.

The lower tail (a limit far below the peak, TAIL_CASES) comes from the series
1 - Q1(alpha, beta) = e^-(alpha^2 + beta^2)/2 sum_(k >= 1) (beta/alpha)^k I_k(alpha beta), alpha = sqrt(2b),
beta = sqrt(2a) < alpha, whose terms are all positive; the quadrature in u, with breaks every
1/(4 |sqrt(a) - sqrt(b)|) below the limit, must agree with it to 1e-10.

Run from the repository root; prints the C++ rows.
"""
from mpmath import mp, mpf, sqrt, exp, besseli, quad, log

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


def tfn_series(a, b):
    a, b = mpf(a), mpf(b)
    z, ratio = 2 * sqrt(a * b), sqrt(a / b)
    total, k = mpf(0), 1
    while True:
        term = ratio**k * besseli(k, z)
        total += term
        if term < total * mpf(10) ** -45:
            return exp(-(a + b)) * total
        k += 1


def tfn_tail_quadrature(a, b):
    a, b = mpf(a), mpf(b)
    rb = sqrt(b)
    hi, step = sqrt(a) - rb, 1 / (4 * abs(sqrt(a) - rb))
    breaks = [hi]
    while breaks[-1] - step > -rb and breaks[-1] - hi > -30 * step - 14:
        breaks.append(breaks[-1] - step)
    breaks.append(max(-rb, breaks[-1] - 1))

    def g(u):
        r = rb + u
        return 2 * r * besseli(0, 2 * rb * r) * exp(-(b + r * r))

    return quad(g, breaks[::-1])


TAIL_CASES = [("1", "100"), ("1", "200"), ("10", "200"), ("1E4", "11990.25"), ("40", "5000"), ("0.5", "31"),
              ("1E-3", "100"), ("5", "60"), ("20", "300"), ("100", "400"), ("1000", "1400"), ("3000", "3600"),
              ("1", "11000"), ("0.5", "11500"), ("1", "12000"), ("1E-20", "1000"), ("0.01", "40")]
print()
for a, b in TAIL_CASES:
    v = tfn_series(a, b)
    assert abs(tfn_tail_quadrature(a, b) / v - 1) < mpf(10) ** -10, (a, b)
    # Values below the smallest subnormal long double (about e^-11399) are listed as 0.
    text = mp.nstr(v, 25, strip_zeros=False) if log(v) > -11399 else "0.0"
    print(f'    {{"TFN({a},{b})", {text}L}},')
