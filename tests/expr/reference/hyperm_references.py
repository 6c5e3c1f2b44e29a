#!/usr/bin/python3
"""Reference values of M(a, b, x) for the hunt of special_functions_test.cpp over its range.

Prints the C++ table rows: mpmath.hyp1f1 at 40 digits (Debian's python3-mpmath) at the long
double nearest each decimal argument, each checked against Kummer's series summed at a
precision doubled until two sums agree to 30 digits (x of 500 and more only against
hyp1f1, whose series there would need thousands of digits). The arguments are drawn with
fixed seeds from boxes where the series' terms alternate for k below -a and cancel (a
below 0 with x above 0, or a above b with x below 0): a -40 .. 0, b 0.5 .. 20, x 0 .. 60;
a -100 .. 100, b -20 .. 20, x -100 .. 100; whole a -100 .. 0 (M a polynomial),
b 0.05 .. 20, x 0 .. 100; and a 0 .. 100, b 0.1 .. 100, x 500 .. 5000, where the series
needs more terms than its limit. Whole b of 0 or less, poles of M, are skipped.
Run with /usr/bin/python3.
"""
import random

import mpmath
from mpmath import mp, mpf

from extended_real import ld

mp.dps = 40


def series(a, b, x, digits):
    with mp.workdps(digits):
        s = t = mpf(1)
        k = 0
        while True:
            t = t * (a + k) * x / ((b + k) * (k + 1))
            k += 1
            s += t
            if t == 0 or (abs(t) < abs(s) * mpf(10) ** -60 and b + k > 0 and k > abs(a) + abs(x)):
                return +s


def checked(a, b, x):
    value = mpmath.hyp1f1(a, b, x)
    if abs(x) < 500:
        digits = 60
        while True:
            first, second = series(a, b, x, digits), series(a, b, x, 2 * digits)
            if abs(first - second) <= abs(second) * mpf(10) ** -30:
                break
            digits *= 2
        assert abs(second - value) <= abs(second) * mpf(10) ** -30, (a, b, x)
    return value


def cases(seed, count, draw, name, value):
    """count rows of name(arguments) drawn with the seed, the arguments as 4-digit decimal
    texts; value(arguments as the long doubles nearest them) gives each reference, or None
    to skip arguments where the function has a pole."""
    rng = random.Random(seed)
    rows = []
    while len(rows) < count:
        texts = [f"{v:.4g}" for v in draw(rng)]
        reference = value(*(ld(t) for t in texts))
        if reference is not None:
            rows.append((f"{name}({','.join(texts)})", reference))
    return rows


def m_value(a, b, x):
    return None if b <= 0 and b == mpmath.floor(b) else checked(a, b, x)


def row(text, value):
    return f'{{"{text}", {mp.nstr(value, 25, min_fixed=-5, max_fixed=5)}L}},'


def print_rows(title, rows, per_line=2):
    print(f"    // {title}")
    texts = [row(text, value) for text, value in rows]
    for i in range(0, len(texts), per_line):
        print("    " + " ".join(texts[i:i + per_line]))


if __name__ == "__main__":
    boxes = [
        ("a -40 .. 0, b 0.5 .. 20, x 0 .. 60", 106, 40,
         lambda r: (r.uniform(-40, 0), r.uniform(0.5, 20), r.uniform(0, 60))),
        ("a -100 .. 100, b -20 .. 20, x -100 .. 100", 107, 40,
         lambda r: (r.uniform(-100, 100), r.uniform(-20, 20), r.uniform(-100, 100))),
        ("whole a -100 .. 0, b 0.05 .. 20, x 0 .. 100", 108, 20,
         lambda r: (r.randint(-100, 0), r.uniform(0.05, 20), r.uniform(0, 100))),
        ("a 0 .. 100, b 0.1 .. 100, x 500 .. 5000", 109, 10,
         lambda r: (r.uniform(0, 100), r.uniform(0.1, 100), r.uniform(500, 5000))),
    ]
    print_rows("refused as a convergence failure, though the series converge",
               [(f"HYPM({a},{b},{x})", checked(ld(a), ld(b), ld(x)))
                for a, b, x in [("-27.5", "14.5", "18.5"), ("-50", "1", "100"), ("1", "1", "2000"), ("-20.3", "2.1", "45")]],
               1)
    for title, seed, count, draw in boxes:
        print_rows(title, cases(seed, count, draw, "HYPM", m_value))
