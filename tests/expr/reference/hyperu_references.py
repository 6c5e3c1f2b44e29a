#!/usr/bin/python3
"""Reference values of U(a, b, x) for the hunt of special_functions_test.cpp over its range.

Prints the C++ table rows: mpmath.hyperu at 40 digits (Debian's python3-mpmath) at the long
double nearest each decimal argument, for arguments drawn with fixed seeds from two boxes:
a 0.1 .. 8, b 0.05 .. 1.95, x 0.1 .. 50 (where the difference of two M terms loses its
digits beyond x of about 3), and a -6 .. 12, b -3 .. 3, x 0.01 .. 100 on a log scale. Whole b
and the poles of gamma(a) and gamma(1 + a - b), which the function refuses, are skipped.
Run with /usr/bin/python3.
"""
import random

import mpmath
from mpmath import mp, mpf

from extended_real import ld

mp.dps = 40


def whole(v):
    return v == mpmath.floor(v)


def cases(seed, count, draw):
    rng = random.Random(seed)
    rows = []
    while len(rows) < count:
        a, b, x = (f"{v:.4g}" for v in draw(rng))
        A, B, X = ld(a), ld(b), ld(x)
        if whole(B) or (A <= 0 and whole(A)) or (1 + A - B <= 0 and whole(1 + A - B)):
            continue
        rows.append((f"HYPU({a},{b},{x})", mpmath.hyperu(A, B, X)))
    return rows


boxes = [
    ("a 0.1 .. 8, b 0.05 .. 1.95, x 0.1 .. 50", 85, lambda r: (r.uniform(0.1, 8), r.uniform(0.05, 1.95), r.uniform(0.1, 50))),
    ("a -6 .. 12, b -3 .. 3, x 0.01 .. 100", 86, lambda r: (r.uniform(-6, 12), r.uniform(-3, 3), 10 ** r.uniform(-2, 2))),
]
print("    // refused as a convergence failure of M, though both M series converge")
for a, b, x in [("0.5", "0.5", "20"), ("4.804", "0.8", "5.936"), ("1.29", "1.256", "22.0659"), ("12", "-0.5", "22")]:
    print(f'    {{"HYPU({a},{b},{x})", {mp.nstr(mpmath.hyperu(ld(a), ld(b), ld(x)), 25, min_fixed=-5, max_fixed=5)}L}},')
for title, seed, draw in boxes:
    print(f"    // {title}")
    rows = [f'{{"{text}", {mp.nstr(value, 25, min_fixed=-5, max_fixed=5)}L}},' for text, value in cases(seed, 60, draw)]
    for i in range(0, len(rows), 2):
        print("    " + " ".join(rows[i:i + 2]))
