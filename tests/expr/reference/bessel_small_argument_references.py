#!/usr/bin/python3
"""Reference values of the Bessel family at small arguments and of negative real orders, for
the tables kSmallArgumentValues, kSphericalDerivatives and kNegativeOrders in
tests/expr/bessel_functions_test.cpp.

mpmath (Debian's python3-mpmath) at 60 digits, at the exact long double nearest to each
decimal argument (as the test sets X). Spherical functions from the half-integer orders;
their derivatives by the recurrences j'_n = j_(n-1) - (n+1) j_n / x (j'_0 = -j_1) and
i'_n = i_(n-1) - (n+1) i_n / x (i'_0 = i_1), which do not cancel at small x.

Run from the repository root; prints the C++ rows.
"""
import sys
from fractions import Fraction

from mpmath import mp, mpf

sys.path.insert(0, "tests/expr/reference")
from extended_real import round64  # noqa: E402

mp.dps = 60
PI = mp.pi


def ld(text):
    q = Fraction(text)
    m, e = round64(abs(q))
    return (-1 if q < 0 else 1) * mpf(m) * mpf(2) ** (e - 63)


def lit(v):
    return mp.nstr(v, 25, min_fixed=-5, max_fixed=5, strip_zeros=False) + "L"


def sph(kind, n, x):
    f = mp.sqrt(PI / (2 * x))
    h = mpf(n) + mpf(1) / 2
    return f * {"J": mp.besselj, "Y": mp.bessely, "I": mp.besseli, "K": mp.besselk}[kind](h, x)


def dsph(kind, n, x):
    if n == 0:
        return -sph("J", 1, x) if kind == "J" else sph("I", 1, x)
    return sph(kind, n - 1, x) - (n + 1) * sph(kind, n, x) / x


SMALL = ["1e-11", "1e-30", "1e-60", "1e-150"]
ROWS = [
    ("JNU(0.5,X)", lambda x: mp.besselj(mpf(1) / 2, x)),
    ("JNU(1.5,X)", lambda x: mp.besselj(mpf(3) / 2, x)),
    ("JNU(0.7,X)", lambda x: mp.besselj(ld("0.7"), x)),
    ("INU(1.5,X)", lambda x: mp.besseli(mpf(3) / 2, x)),
    ("INU(0.7,X)", lambda x: mp.besseli(ld("0.7"), x)),
    ("YNU(1.5,X)", lambda x: mp.bessely(mpf(3) / 2, x)),
    ("KNU(1.5,X)", lambda x: mp.besselk(mpf(3) / 2, x)),
    ("SPHJN(0,X)", lambda x: sph("J", 0, x)),
    ("SPHJN(1,X)", lambda x: sph("J", 1, x)),
    ("SPHJN(2,X)", lambda x: sph("J", 2, x)),
    ("SPHIN(1,X)", lambda x: sph("I", 1, x)),
    ("SPHYN(1,X)", lambda x: sph("Y", 1, x)),
    ("SPHKN(1,X)", lambda x: sph("K", 1, x)),
    ("DSPHJN(0,X)", lambda x: dsph("J", 0, x)),
    ("DSPHJN(1,X)", lambda x: dsph("J", 1, x)),
    ("DSPHIN(1,X)", lambda x: dsph("I", 1, x)),
]

print("// kSmallArgumentValues")
for text, f in ROWS:
    for a in SMALL:
        print(f'    {{"{text}", {a}L, {lit(f(ld(a)))}}},')

print("// kSphericalDerivatives")
for kind in ("J", "I"):
    for n in (0, 1, 2):
        for a in ("1e-8", "1e-4", "1e-2"):
            print(f'    {{"DSPH{kind}N({n},X)", {a}L, {lit(dsph(kind, n, ld(a)))}}},')

print("// kNegativeOrders")
for x in range(30, 71, 5):
    xv = mpf(x)
    print(f'    {{"JNU(-0.5,X)", {x}.0L, {lit(mp.besselj(-mpf(1) / 2, xv))}}},')
    print(f'    {{"KNU(-0.5,X)", {x}.0L, {lit(mp.besselk(-mpf(1) / 2, xv))}}},')
for text, nu, f in (("JNU(-1.3,X)", "-1.3", mp.besselj), ("YNU(-1.3,X)", "-1.3", mp.bessely),
                    ("INU(-1.3,X)", "-1.3", mp.besseli), ("KNU(-1.3,X)", "-1.3", mp.besselk),
                    ("JNU(-7.5,X)", "-7.5", mp.besselj), ("YNU(-7.5,X)", "-7.5", mp.bessely)):
    for a in ("0.5", "3.25", "60.5"):
        print(f'    {{"{text}", {a}L, {lit(f(ld(nu), ld(a)))}}},')
