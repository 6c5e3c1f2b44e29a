#!/usr/bin/python3
"""Reference values of the loess tests (tests/smooth/loess_test.cpp), computed with numpy's
least squares on the weighted design matrix, independently of the program's normal
equations. Debian's python3 with python3-numpy:
    /usr/bin/python3 tests/smooth/reference/loess_references.py
prints the C++ tables that the test holds.
"""
import math

import numpy as np
from numpy.polynomial import chebyshev as C

# Twelve scattered points and their z (the test's kPoints).
POINTS = [
    (0.05, 0.10, 1.20), (0.31, 0.07, 0.85), (0.62, 0.15, 1.40), (0.93, 0.04, 2.10),
    (0.12, 0.44, 0.60), (0.47, 0.39, 1.05), (0.71, 0.52, 1.75), (0.98, 0.47, 2.40),
    (0.08, 0.83, 0.30), (0.36, 0.91, 0.95), (0.66, 0.78, 1.30), (0.89, 0.97, 2.05),
]
QUERY = (0.41, 0.55)
KERNEL_C = 0.27433100246963574
KERNEL_E = 2.772588722239781


def product_terms(degree):
    return [(i, d - i) for d in range(degree + 1) for i in range(d, -1, -1)]


def weights(kernel):
    x0, y0 = QUERY
    hx = 1.1 * max(abs(x0 - p[0]) for p in POINTS)
    hy = 1.1 * max(abs(y0 - p[1]) for p in POINTS)
    out = []
    for x, y, _ in POINTS:
        if kernel == "tricube":
            out.append((1 - (abs(x0 - x) / hx) ** 3) ** 3 * (1 - (abs(y0 - y) / hy) ** 3) ** 3)
        else:
            a = KERNEL_C * (x - x0) / (2 * hx)
            b = KERNEL_C * (y - y0) / (2 * hy)
            out.append((math.exp(-KERNEL_E * a * a) - 1e-4) * (math.exp(-KERNEL_E * b * b) - 1e-4))
    n = len(out)
    s = sum(out)
    return [w * n / s for w in out]


def scale(basis):
    xs = [p[0] for p in POINTS]
    ys = [p[1] for p in POINTS]
    if basis == "chebyshev":
        return ((min(xs) + max(xs)) / 2, (max(xs) - min(xs)) / 2,
                (min(ys) + max(ys)) / 2, (max(ys) - min(ys)) / 2)
    return (min(xs), (max(xs) - min(xs)) / math.pi, min(ys), (max(ys) - min(ys)) / math.pi)


def axis(basis, k, t, order):
    """d^order/dt^order of the k-th axis function at t."""
    if basis == "chebyshev":
        c = np.zeros(k + 1)
        c[k] = 1.0
        return C.chebval(t, C.chebder(c, order)) if order <= k else 0.0
    if k == 0:
        return 1.0 if order == 0 else 0.0
    return k ** order * math.cos(k * t + order * math.pi / 2)


def fit(basis, degree, kernel):
    w = np.array(weights(kernel))
    x0, xu, y0, yu = scale(basis)
    terms = product_terms(degree)
    a = np.array([[axis(basis, i, (x - x0) / xu, 0) * axis(basis, j, (y - y0) / yu, 0)
                   for i, j in terms] for x, y, _ in POINTS])
    z = np.array([p[2] for p in POINTS])
    sw = np.sqrt(w)
    coef, *_ = np.linalg.lstsq(a * sw[:, None], z * sw, rcond=None)
    u, v = (QUERY[0] - x0) / xu, (QUERY[1] - y0) / yu
    derivs = []
    for order in range(3):
        for ox in range(order, -1, -1):
            oy = order - ox
            s = sum(c * axis(basis, i, u, ox) * axis(basis, j, v, oy) for c, (i, j) in zip(coef, terms))
            derivs.append(s / (xu ** ox * yu ** oy))
    return coef, derivs


def main():
    for basis, degree, kernel in (("chebyshev", 2, "tricube"), ("chebyshev", 3, "gaussian"),
                                  ("cosine", 2, "tricube")):
        coef, derivs = fit(basis, degree, kernel)
        print(f"// {basis} degree {degree} {kernel}: coefficients, then z, dz/dx, dz/dy,"
              " d2z/dx2, d2z/dxdy, d2z/dy2 at the query")
        print("{" + ", ".join(f"{c:.17g}L" for c in coef) + "},")
        print("{" + ", ".join(f"{d:.17g}L" for d in derivs) + "},")


if __name__ == "__main__":
    main()
