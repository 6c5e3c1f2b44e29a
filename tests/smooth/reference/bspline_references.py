#!/usr/bin/python3
"""Prints the SciPy references of tests/smooth/bspline_surface_test.cpp.

Run with Debian's python3 and python3-scipy (1.10):
    /usr/bin/python3 tests/smooth/reference/bspline_references.py

The surfaces are made one axis at a time, as the program does, with the same knots:
interpolation by make_interp_spline (orders 4 in x, 3 in y; interior knots the averages of
k - 1 consecutive sites), least squares by make_lsq_spline with the square roots of the
program's weights (SciPy squares its weights). Values, partial derivatives and the integral
over a rectangle inside the knots come from the tensor-product tck through bisplev and
dfitpack's dblint.
"""
import numpy as np
from scipy.interpolate import bisplev, make_interp_spline, make_lsq_spline, dfitpack


def f(x, y):
    return np.sin(x) * np.cos(1.3 * y) + 0.1 * x * y


def averaged_knots(sites, k):
    n = len(sites)
    inner = [np.mean(sites[j + 1:j + k]) for j in range(n - k)]
    return np.r_[[sites[0]] * k, inner, [sites[-1]] * k]


def show(name, values):
    print(f"// {name}")
    print("{" + ", ".join(f"{v:.17g}" for v in np.ravel(values)) + "},")


POINTS = [(0.1, 0.2), (0.77, 1.31), (1.9, 0.05), (2.5, 2.2), (3.0, 1.0)]
ORDERS = [(0, 0), (1, 0), (0, 1), (2, 0), (1, 1)]


def report(tx, ty, kx, ky, c, rect):
    tck = (tx, ty, c.ravel(), kx - 1, ky - 1)  # bisplev's c is x-major: c[i * ncy + j]
    for dx, dy in ORDERS:
        vals = [bisplev(px, py, tck, dx=dx, dy=dy) for px, py in POINTS]
        show(f"d{dx}{dy} at the points", vals)
    show("integral", [dfitpack.dblint(tx, ty, c.ravel(), kx - 1, ky - 1, *rect)])


x = np.array([0.0, 0.3, 0.9, 1.2, 2.0, 2.6, 3.1])
y = np.array([0.0, 0.4, 0.7, 1.5, 1.9, 2.4])
F = f(x[:, None], y[None, :])  # F[i, j] = f(x_i, y_j)

print("// interpolation, kx = 4, ky = 3")
kx, ky = 4, 3
tx, ty = averaged_knots(x, kx), averaged_knots(y, ky)
show("tx", tx)
show("ty", ty)
c = make_interp_spline(x, F, k=kx - 1, t=tx, axis=0).c
c = make_interp_spline(y, np.ascontiguousarray(c.T), k=ky - 1, t=ty).c.T  # c[i, j]
report(tx, ty, kx, ky, c, (0.2, 2.7, 0.3, 2.1))

print("// least squares, kx = 4 with 6 coefficients, ky = 3 with 5")
xs = np.linspace(0.0, 3.1, 12) ** 1.1 / 3.1 ** 0.1
ys = np.linspace(0.0, 2.4, 10)
wx = 1.0 + 0.5 * np.cos(np.arange(12))
wy = 1.0 + 0.25 * np.sin(np.arange(10))
Fs = f(xs[:, None], ys[None, :])
show("xs", xs)
show("ys", ys)
show("wx", wx)
show("wy", wy)
tx = np.r_[[xs[0]] * 4, 0.9, 2.2, [xs[-1]] * 4]
ty = np.r_[[ys[0]] * 3, 0.8, 1.6, [ys[-1]] * 3]
show("tx", tx)
show("ty", ty)
c = make_lsq_spline(xs, Fs, tx, k=3, w=np.sqrt(wx), axis=0).c
c = make_lsq_spline(ys, np.ascontiguousarray(c.T), ty, k=2, w=np.sqrt(wy)).c.T
report(tx, ty, 4, 3, c, (0.2, 2.7, 0.3, 2.1))
