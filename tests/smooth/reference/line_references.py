#!/usr/bin/python3
"""Prints the SciPy references of tests/smooth/points_on_lines_test.cpp.

Run with Debian's python3 and python3-scipy (1.10):
    /usr/bin/python3 tests/smooth/reference/line_references.py

The tables are made as tests/smooth/line_tables.h makes them (the 64-bit linear
congruential generator for the jitter, one number per point, line by line): lines
u = spacing k, points v = 10 i / along, u moved by jitter (2 r - 1) and by bow sin(v), the
whole turned by 30 degrees for the third table; z = 1 + 5 exp(-((v - 6.37) / 0.05)^2) + 0.1 u.
The places are those of the test: u = 2 j / 40 (j = 0 .. 40; 1.5 j / 30 for the four lines),
v = 0 .. 10 by 0.1 and 6.25 .. 6.5 by 0.005, turned as the table is. For each table: the
least and greatest value of SciPy's CloughTocher2DInterpolator at the places inside the
points' hull (it gives none beyond).
"""
import math

import numpy as np
from scipy.interpolate import CloughTocher2DInterpolator

COS30, SIN30 = 0.866025403784438646764, 0.5
TABLES = [
    ("11 lines of 401 points, jittered", 11, 0.2, 400, 2e-5, 0.0, 1.0, 0.0, 7),
    ("11 straight lines of 401 points", 11, 0.2, 400, 0.0, 0.0, 1.0, 0.0, 7),
    ("11 lines at 30 degrees", 11, 0.2, 400, 2e-5, 0.0, COS30, SIN30, 8),
    ("11 lines slightly off straight", 11, 0.2, 400, 2e-5, 0.002, 1.0, 0.0, 9),
    ("4 lines of 2001 points", 4, 0.5, 2000, 2e-5, 0.0, 1.0, 0.0, 10),
]


def ridge(u, v):
    return 1 + 5 * np.exp(-((v - 6.37) / 0.05) ** 2) + 0.1 * u


for name, lines, spacing, along, jitter, bow, c, s, seed in TABLES:
    mask = (1 << 64) - 1
    us, vs = [], []
    for k in range(lines):
        for i in range(along + 1):
            seed = (seed * 6364136223846793005 + 1442695040888963407) & mask
            r = (seed >> 11) * 2.0 ** -53
            v = 10.0 * i / along
            us.append(spacing * k + jitter * (2 * r - 1) + bow * math.sin(v))
            vs.append(v)
    u, v = np.array(us), np.array(vs)
    ct = CloughTocher2DInterpolator(np.column_stack([c * u - s * v, s * u + c * v]), ridge(u, v))
    width = spacing * (lines - 1)
    pu = width * np.arange(41) / 40
    pv = np.concatenate([np.arange(101) * 0.1, 6.25 + np.arange(51) * 0.005])
    gu, gv = np.meshgrid(pu, pv)
    values = ct(c * gu - s * gv, s * gu + c * gv)
    print(f"// {name}: data {ridge(u, v).min():.6f} .. {ridge(u, v).max():.6f}")
    print(f"{{{np.nanmin(values):.6f}L, {np.nanmax(values):.6f}L}},")
