#!/usr/bin/python3
"""Prints the SciPy references of tests/smooth/noise_free_peaks_test.cpp.

Run with Debian's python3 and python3-scipy (1.10):
    /usr/bin/python3 tests/smooth/reference/peak_references.py

The tables are made as the test makes them (smooth_test::Scattered: the 64-bit linear
congruential generator, x then y per point): z = exp(-((x - 0.5)^2 + (y - 0.5)^2) / w) at n
points of the unit square. For each: the highest sample, the largest value of SciPy's
CloughTocher2DInterpolator (a C1 interpolant with its own global gradient estimate) on a
1201 x 1201 grid over [0.35, 0.65]^2, and the largest value of it and of the piecewise
linear interpolant (LinearNDInterpolator) at the nodes of the uniform 64 x 64 grid over the
points' extents that the grid makers lay. The tables of kBumps come first, then those of
kSparseBumps.
"""
import numpy as np
from scipy.interpolate import CloughTocher2DInterpolator, LinearNDInterpolator

TABLES = [(0.02, 300, 140), (0.02, 1000, 391), (0.005, 2000, 48), (0.005, 3000, 246)]
# The narrow bump sampled sparsely (kSparseBumps).
SPARSE_TABLES = [(0.005, 300, 140), (0.005, 300, 391), (0.005, 300, 48), (0.005, 600, 391)]
NODES = 64


def scattered(n, seed):
    mask = (1 << 64) - 1
    out = []
    for _ in range(2 * n):
        seed = (seed * 6364136223846793005 + 1442695040888963407) & mask
        out.append((seed >> 11) * 2.0 ** -53)
    return np.array(out[0::2]), np.array(out[1::2])


for w, n, seed in TABLES + SPARSE_TABLES:
    x, y = scattered(n, seed)
    z = np.exp(-((x - 0.5) ** 2 + (y - 0.5) ** 2) / w)
    points = np.column_stack([x, y])
    ct = CloughTocher2DInterpolator(points, z)
    g = np.linspace(0.35, 0.65, 1201)
    gx, gy = np.meshgrid(g, g)
    top = np.nanmax(ct(gx, gy))
    nx = x.min() + (x.max() - x.min()) * np.arange(NODES) / (NODES - 1)
    ny = y.min() + (y.max() - y.min()) * np.arange(NODES) / (NODES - 1)
    mx, my = np.meshgrid(nx, ny)
    ct_nodes = np.nanmax(ct(mx, my))
    linear_nodes = np.nanmax(LinearNDInterpolator(points, z)(mx, my))
    print(f"{{{w}L, {n}, {seed}, {z.max():.6f}L, {top:.6f}L, {ct_nodes:.6f}L, {linear_nodes:.6f}L}},")
