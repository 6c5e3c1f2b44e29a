#!/usr/bin/python3
"""Writes the SciPy references of the triangulation tests into tests/data/smooth/.

Run with Debian's python3 and python3-scipy (Qhull 2020.2 behind scipy.spatial.Delaunay):
    /usr/bin/python3 tests/smooth/reference/scipy_triangulation_references.py

delaunay_<n>.txt   seeded uniform points in the unit square and Qhull's Delaunay triangles
                   (1-based node numbers, each triangle sorted, the list sorted).
clough_tocher.txt  points, values z = sin(3x) cos(2y) + x y, the global node gradients of
                   estimate_gradients_2d_global (tol 1e-12, 400 iterations); then a grid inside
                   the hull with the values of CloughTocher2DInterpolator (same settings) and
                   of the classical Clough-Tocher element over the same triangles and
                   gradients (clough_tocher_normal below).

SciPy's element takes the derivative across each side towards the neighbour triangle's
centroid (affine invariant); the classical element, which the program uses, takes it along the
side's normal. Both make that derivative linear along the side, so they agree on quadratics
and differ slightly elsewhere. clough_tocher_normal is SciPy's Bernstein-Bezier construction
with the normal direction, written out here as an independent check of the program's element.
"""
import os

import numpy as np
from scipy.interpolate import CloughTocher2DInterpolator
from scipy.interpolate.interpnd import estimate_gradients_2d_global
from scipy.spatial import Delaunay

OUT = os.path.join(os.path.dirname(__file__), "..", "..", "data", "smooth")


def points(n, seed):
    rng = np.random.default_rng(seed)
    return rng.random((n, 2))


def write_delaunay(n, seed):
    p = points(n, seed)
    tri = Delaunay(p)
    triangles = sorted(tuple(sorted(int(v) + 1 for v in s)) for s in tri.simplices)
    with open(os.path.join(OUT, f"delaunay_{n}.txt"), "w") as f:
        f.write(f"points {n}\n")
        for x, y in p:
            f.write(f"{x!r} {y!r}\n")
        f.write(f"triangles {len(triangles)}\n")
        for t in triangles:
            f.write(f"{t[0]} {t[1]} {t[2]}\n")


def clough_tocher_normal(v, f, df, p):
    """Classical Clough-Tocher value at p in triangle v (3x2) from values f and gradients df."""
    v = np.asarray(v, dtype=float)
    cen = v.mean(axis=0)
    det = (v[1, 0] - v[0, 0]) * (v[2, 1] - v[0, 1]) - (v[2, 0] - v[0, 0]) * (v[1, 1] - v[0, 1])
    def bary(q):
        b1 = ((v[1, 0] - q[0]) * (v[2, 1] - q[1]) - (v[2, 0] - q[0]) * (v[1, 1] - q[1])) / det
        b2 = ((v[2, 0] - q[0]) * (v[0, 1] - q[1]) - (v[0, 0] - q[0]) * (v[2, 1] - q[1])) / det
        return [b1, b2, 1 - b1 - b2]
    e = lambda i, j: v[j] - v[i]
    d = lambda i, j: float(np.dot(df[i], e(i, j)))
    c3000, c0300, c0030 = f
    c2100 = (d(0, 1) + 3 * c3000) / 3
    c2010 = (d(0, 2) + 3 * c3000) / 3
    c1200 = (d(1, 0) + 3 * c0300) / 3
    c0210 = (d(1, 2) + 3 * c0300) / 3
    c1020 = (d(2, 0) + 3 * c0030) / 3
    c0120 = (d(2, 1) + 3 * c0030) / 3
    c2001 = (c2100 + c2010 + c3000) / 3
    c0201 = (c1200 + c0300 + c0210) / 3
    c0021 = (c1020 + c0120 + c0030) / 3
    # Direction across side (a, b): from a towards the centroid plus g times the side, normal
    # to the side.
    def g(a, b):
        side = e(a, b)
        return -float(np.dot(cen - v[a], side)) / float(np.dot(side, side))
    g0, g1, g2 = g(1, 2), g(2, 0), g(0, 1)
    c0111 = (g0 * (-c0300 + 3 * c0210 - 3 * c0120 + c0030)
             + (-c0300 + 2 * c0210 - c0120 + c0021 + c0201)) / 2
    c1011 = (g1 * (-c0030 + 3 * c1020 - 3 * c2010 + c3000)
             + (-c0030 + 2 * c1020 - c2010 + c2001 + c0021)) / 2
    c1101 = (g2 * (-c3000 + 3 * c2100 - 3 * c1200 + c0300)
             + (-c3000 + 2 * c2100 - c1200 + c2001 + c0201)) / 2
    c1002 = (c1101 + c1011 + c2001) / 3
    c0102 = (c1101 + c0111 + c0201) / 3
    c0012 = (c1011 + c0111 + c0021) / 3
    c0003 = (c1002 + c0102 + c0012) / 3
    b = bary(p)
    m = min(b)
    b1, b2, b3, b4 = b[0] - m, b[1] - m, b[2] - m, 3 * m
    return (b1**3*c3000 + 3*b1**2*b2*c2100 + 3*b1**2*b3*c2010 + 3*b1**2*b4*c2001
            + 3*b1*b2**2*c1200 + 6*b1*b2*b4*c1101 + 3*b1*b3**2*c1020 + 6*b1*b3*b4*c1011
            + 3*b1*b4**2*c1002 + b2**3*c0300 + 3*b2**2*b3*c0210 + 3*b2**2*b4*c0201
            + 3*b2*b3**2*c0120 + 6*b2*b3*b4*c0111 + 3*b2*b4**2*c0102 + b3**3*c0030
            + 3*b3**2*b4*c0021 + 3*b3*b4**2*c0012 + b4**3*c0003)


def write_clough_tocher():
    p = points(200, 7)
    z = np.sin(3 * p[:, 0]) * np.cos(2 * p[:, 1]) + p[:, 0] * p[:, 1]
    tri = Delaunay(p)
    g = estimate_gradients_2d_global(tri, z, maxiter=400, tol=1e-12)
    ct = CloughTocher2DInterpolator(tri, z, maxiter=400, tol=1e-12)
    grid = [(0.1 + 0.8 * i / 9, 0.1 + 0.8 * j / 9) for j in range(10) for i in range(10)]
    grid = [q for q in grid if tri.find_simplex(np.array([q]))[0] >= 0]
    values = ct(np.array(grid))
    simplices = tri.find_simplex(np.array(grid))
    classical = []
    for q, s in zip(grid, simplices):
        idx = tri.simplices[s]
        classical.append(clough_tocher_normal(p[idx], z[idx], g[idx], q))
    with open(os.path.join(OUT, "clough_tocher.txt"), "w") as f:
        f.write(f"points {len(p)}\n")
        for (x, y), zz, (gx, gy) in zip(p, z, g):
            f.write(f"{x!r} {y!r} {zz!r} {gx!r} {gy!r}\n")
        f.write(f"grid {len(grid)}\n")
        for (x, y), v, c in zip(grid, values, classical):
            f.write(f"{x!r} {y!r} {float(v)!r} {float(c)!r}\n")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_delaunay(100, 100)
    write_delaunay(2000, 2000)
    write_clough_tocher()
