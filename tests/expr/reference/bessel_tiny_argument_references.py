#!/usr/bin/python3
"""Reference values of the regular Bessel functions at x = e^-k, k = 250, 435, ..., 11350, for
the test TinyArgumentsKeepValuesBesideOverflowingPartners in tests/expr/bessel_functions_test.cpp.

Writes tests/data/expr/bessel_tiny_argument_values.txt: mpmath at 40 digits (Debian's
python3-mpmath) at x rounded to the nearest long double (a 64-bit significand). At these
arguments J, I and the spherical j, i lie anywhere from 1 down to far below the smallest
long double, while Y, K and their derivatives, which the workers compute beside them,
overflow.

Run from the repository root.
"""
from mpmath import mp, mpf

mp.dps = 40


def ld(x):
    with mp.workprec(64):
        return +x


def spherical(f, n, x):
    return mp.sqrt(mp.pi / (2 * x)) * f(n + mpf(1) / 2, x)


def sph_j(n, x):
    return spherical(mp.besselj, n, x)


def sph_i(n, x):
    return spherical(mp.besseli, n, x)


def sph_dj(n, x):
    """j'_n = (n/x) j_n - j_(n+1)."""
    return n / x * sph_j(n, x) - sph_j(n + 1, x)


FUNCTIONS = [
    ("SPHJN", [0, 1, 2], sph_j),
    ("SPHIN", [0, 1, 2], sph_i),
    ("DSPHJN", [0, 1, 2], sph_dj),
    ("JNU", ["0.3", "1.5", "2.7"], lambda nu, x: mp.besselj(nu, x)),
    ("INU", ["0.3", "1.5", "2.7"], lambda nu, x: mp.besseli(nu, x)),
    ("DJNU", ["0.3", "1.5", "2.7"], lambda nu, x: mp.besselj(nu, x, derivative=1)),
]

with open("tests/data/expr/bessel_tiny_argument_values.txt", "w") as out:
    out.write("# Regular Bessel functions at x = e^-k: mpmath at 40 digits at the long double x, written by\n"
              "# tests/expr/reference/bessel_tiny_argument_references.py; do not edit.\n"
              "# function<TAB>order<TAB>x<TAB>value\n")
    for name, orders, f in FUNCTIONS:
        for order in orders:
            nu = ld(mpf(order))
            for k in range(250, 11351, 185):
                x = ld(mp.exp(-k))
                out.write(f"{name}\t{order}\t{mp.nstr(x, 25)}\t{mp.nstr(f(nu, x), 25)}\n")
