#!/usr/bin/python3
"""Prints the SciPy references of GriddedEngine.TheLeastSquaresSplineIsTheTensorLeastSquaresSolution
(tests/smooth/gridded_engine_test.cpp).

Run with Debian's python3 and python3-scipy:
    /usr/bin/python3 tests/smooth/reference/least_squares_spline_references.py

Order 4 with 5 coefficients per axis: the optimal knots for 5 evenly spaced breakpoints over
[0, 1] are 0 (4 times), 0.5 (by symmetry), 1 (4 times). With unit weights the tensor
least-squares coefficients are C = pinv(Bx) Z pinv(By)', Bx and By the collocation matrices of
the B-splines at the grid's abscissas and ordinates.
"""
import numpy as np
from scipy.interpolate import BSpline

xs = np.array([0, .1, .25, .35, .5, .62, .75, .9, 1.0])
ys = np.array([0, .2, .3, .5, .65, .8, 1.0])
f = lambda u, v: np.sin(3 * u) * np.cos(2 * v) + 0.3 * u * v
Z = np.array([[f(x, y) for y in ys] for x in xs])
t = np.r_[[0.] * 4, [0.5], [1.] * 4]
basis = [BSpline(t, np.eye(5)[c], 3) for c in range(5)]
Bx = np.array([[b(x) for b in basis] for x in xs])
By = np.array([[b(y) for b in basis] for y in ys])
C = np.linalg.pinv(Bx) @ Z @ np.linalg.pinv(By).T


def S(u, v, dx=0, dy=0):
    bx = np.array([(b.derivative(dx) if dx else b)(u) for b in basis])
    by = np.array([(b.derivative(dy) if dy else b)(v) for b in basis])
    return bx @ C @ by


print("z    %.17g" % S(0.37, 0.61))
print("dz/dx %.17g" % S(0.37, 0.61, 1, 0))
print("dxdy %.17g" % S(0.37, 0.61, 1, 1))
Ix = np.array([b.integrate(0.1, 0.8) for b in basis])
Iy = np.array([b.integrate(0.2, 0.9) for b in basis])
print("integral %.17g" % (Ix @ C @ Iy))
print("sse %.17g" % ((Bx @ C @ By.T - Z) ** 2).sum())
