#!/usr/bin/python3
"""Reference values of F(a, b; c; x) for the hunt of special_functions_test.cpp.

Prints the C++ table rows: Gauss's series summed term by term until c + k is above 0 and
the terms, shrinking from there on, are negligible, at a precision doubled until two sums
agree to 30 digits (mpmath.hyp2f1 stops a series with c below 0 at its first small term and
misses the terms that grow again after c + k has passed 0), each at the long double nearest
its decimal arguments. The arguments are drawn with fixed seeds from boxes where the series
cancels (a or b below 0) or converges too slowly for its term limit (x near 1):
a, b -20 .. 20, c 0.1 .. 20, x -1 .. 1; a, b -50 .. 50, c -20 .. 20, x -1 .. 1; and
a, b 0 .. 5, c 0.1 .. 10, x 0.9 .. 1. Whole c of 0 or less, poles of F, are skipped.
F(1/2, 1/2; 1; x) near x = 1 is 2 K(x) / pi, K the complete elliptic integral (mpmath.ellipk).
Run with /usr/bin/python3.
"""
import mpmath
from mpmath import mp, mpf

from extended_real import ld
from hyperm_references import cases, print_rows

mp.dps = 40


def series(a, b, c, x, digits):
    with mp.workdps(digits):
        s = t = mpf(1)
        k = 0
        while True:
            ratio = (a + k) * (b + k) / ((c + k) * (k + 1)) * x
            t *= ratio
            s += t
            k += 1
            if t == 0 or (c + k > 0 and abs(ratio) < 1 and abs(t) < abs(s) * mpf(10) ** -60):
                return +s


def f_value(a, b, c, x):
    if c <= 0 and c == mpmath.floor(c):
        return None
    digits = 60
    while True:
        first, second = series(a, b, c, x, digits), series(a, b, c, x, 2 * digits)
        if abs(first - second) <= abs(second) * mpf(10) ** -30:
            return second
        digits *= 2


boxes = [
    ("a, b -20 .. 20, c 0.1 .. 20, x -1 .. 1", 116, 30,
     lambda r: (r.uniform(-20, 20), r.uniform(-20, 20), r.uniform(0.1, 20), r.uniform(-1, 1))),
    ("a, b -50 .. 50, c -20 .. 20, x -1 .. 1", 117, 30,
     lambda r: (r.uniform(-50, 50), r.uniform(-50, 50), r.uniform(-20, 20), r.uniform(-1, 1))),
    ("a, b 0 .. 5, c 0.1 .. 10, x 0.9 .. 1", 118, 20,
     lambda r: (r.uniform(0, 5), r.uniform(0, 5), r.uniform(0.1, 10), r.uniform(0.9, 1))),
]
named = [(f"HYPF({a},{b},{c},{x})", f_value(ld(a), ld(b), ld(c), ld(x)))
         for a, b, c, x in [("1", "1", "2", "0.99"), ("0.5", "0.5", "1.5", "0.999"), ("-49.3", "20.32", "5.582", "0.1847")]]
# 2 K(m) / pi, the complete elliptic integral of the first kind, where the series would need
# some 1e8 terms.
named.append(("HYPF(0.5,0.5,1,0.9999999)", 2 * mpmath.ellipk(ld("0.9999999")) / mpmath.pi))
print_rows("refused as a convergence failure, though the series converge", named, 1)
for title, seed, count, draw in boxes:
    print_rows(title, cases(seed, count, draw, "HYPF", f_value))
