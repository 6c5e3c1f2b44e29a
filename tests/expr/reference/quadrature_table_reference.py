#!/usr/bin/python3
"""Reference of the Gauss-Legendre table QVQUAD.OVL for quadrature_table_test.cpp.

For N = 2, 4, ..., 128 the positive roots of P_N (ascending) and their weights
2 / ((1 - x^2) P_N'(x)^2), computed with mpmath at 60 significant digits (roots by Newton's
method from mpmath's own legendre(), polished until they no longer move), each rounded to
the nearest 80-bit extended real (64-bit significand, ties to even), laid out as the file
is. Prints the file's length, its FNV-1a 64-bit hash and the bytes of a few entries, which
the test compares with the table the build computed. Run with /usr/bin/python3.
"""
from fractions import Fraction

import mpmath
from mpmath import mp, mpf

from extended_real import round64

mp.dps = 60


def legendre_and_derivative(n, x):
    p0, p1 = mpf(1), x
    for k in range(2, n + 1):
        p0, p1 = p1, ((2 * k - 1) * x * p1 - (k - 1) * p0) / k
    return p1, n * (x * p1 - p0) / (x * x - 1)


def rule(n):
    """The positive roots of P_n, ascending, with their weights."""
    nodes = []
    for i in range(1, n // 2 + 1):
        x = mpmath.cos(mp.pi * (i - mpf(1) / 4) / (n + mpf(1) / 2))
        for _ in range(200):
            p, dp = legendre_and_derivative(n, x)
            step = p / dp
            x -= step
            if abs(step) < mpf(10) ** (-55):
                break
        assert abs(mpmath.legendre(n, x)) < mpf(10) ** (-45)
        _, dp = legendre_and_derivative(n, x)
        nodes.append((x, 2 / ((1 - x * x) * dp * dp)))
    nodes.reverse()
    return nodes


def extended_bytes(v):
    """The 10 little-endian bytes of the extended real nearest v > 0 (ties to even)."""
    q = Fraction(mpmath.nstr(v, 60, strip_zeros=False, min_fixed=-mpmath.inf, max_fixed=mpmath.inf))
    # 60 digits decide the rounding unless v lies within 2^-100 of a midpoint.
    m, e = round64(q, margin=Fraction(1, 2**100))
    return m.to_bytes(8, "little") + (e + 16383).to_bytes(2, "little")


def table_bytes():
    out = bytearray()
    for m in range(1, 65):
        nodes = rule(2 * m)
        for x, _ in nodes:
            out += extended_bytes(x)
        for _, w in nodes:
            out += extended_bytes(w)
    return bytes(out)


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) % 2**64
    return h


data = table_bytes()
print(f"length {len(data)}")
print(f"FNV-1a 64: 0x{fnv1a64(data):016X}")
for index in (0, 1, 2, 3, 4, 5, 4032, 4095, 4096, 4159):
    print(f"entry {index}: {data[10 * index:10 * index + 10].hex()}")
