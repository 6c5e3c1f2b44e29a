#!/usr/bin/env python3
# Writes tests/data/expr/bessel_kn_large_order_values.txt: KN(n, x) on a grid of large
# orders n and arguments x = n (0.3 + 0.0875 j), all whole numbers (exact in long double),
# many of them where K0(x) and K1(x) are subnormal or 0 in long double. mpmath at 40
# digits, by the upward recurrence (stable for K) from mpmath's K0 and K1.
import os
from mpmath import mp, mpf, besselk, nstr

mp.dps = 40
here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "..", "data", "expr", "bessel_kn_large_order_values.txt")
with open(out, "w") as f:
    f.write("# KN(n, x) on a grid n = 12000 + 4160 i, x = n (0.3 + 0.0875 j), i = 0..9, j = 0..8: mpmath at\n")
    f.write("# 40 digits, written by tests/expr/reference/bessel_kn_large_order_references.py; do not edit.\n")
    f.write("# name<TAB>order<TAB>x<TAB>value\n")
    for i in range(10):
        n = 12000 + 4160 * i
        for j in range(9):
            assert (24 * n + 7 * j * n) % 80 == 0
            x = mpf((24 * n + 7 * j * n) // 80)
            a, b = besselk(0, x), besselk(1, x)
            for k in range(1, n):
                a, b = b, a + 2 * k / x * b
            f.write("KN\t%d\t%d\t%s\n" % (n, int(x), nstr(b, 22)))
