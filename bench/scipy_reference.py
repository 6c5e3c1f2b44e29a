#!/usr/bin/python3
"""Times Qhull (scipy.spatial.Delaunay) and SciPy's CloughTocher2DInterpolator on the points
of bench_triangulation (SplitMix64 seed 16384, uniform in the unit square, z = sin 3x cos 2y),
best of five, in the form that program prints. Debian's python3 with python3-scipy:
    /usr/bin/python3 bench/scipy_reference.py
"""
import math
import time

import numpy as np
from scipy.interpolate import CloughTocher2DInterpolator
from scipy.spatial import Delaunay

MASK = (1 << 64) - 1
GRID = 120


def points(n):
    seed = 16384
    out = []
    for _ in range(2 * n):
        seed = (seed + 0x9E3779B97F4A7C15) & MASK
        v = seed
        v = ((v ^ (v >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        v = ((v ^ (v >> 27)) * 0x94D049BB133111EB) & MASK
        v ^= v >> 31
        out.append((v >> 11) * 2.0 ** -53)
    p = np.array(out).reshape(n, 2)
    return p, np.sin(3 * p[:, 0]) * np.cos(2 * p[:, 1])


def best_ms(run):
    best = float("inf")
    for _ in range(5):
        start = time.perf_counter()
        run()
        best = min(best, (time.perf_counter() - start) * 1000.0)
    return best


def main():
    for n in (1024, 4096, 16384):
        p, _ = points(n)
        print(f"qhull n={n} ms={best_ms(lambda: Delaunay(p)):.2f}")
    p, z = points(16384)
    g = (np.arange(GRID) + 0.5) / GRID
    gx, gy = np.meshgrid(g, g)
    q = np.column_stack([gx.ravel(), gy.ravel()])
    ms = best_ms(lambda: CloughTocher2DInterpolator(p, z)(q))
    print(f"clough_tocher n=16384 grid={GRID}x{GRID} ms={ms:.2f}")


if __name__ == "__main__":
    main()
