#!/usr/bin/python3
"""Reference values of the thin-plate method of the sample extension library
(tests/smooth/extension_library_test.cpp): SciPy's RBFInterpolator with the thin-plate
spline kernel (r^2 ln r plus a linear polynomial, no smoothing) on 30 points of the unit
square whose extremes are 0 and 1, so that the engine's unit coordinates are the points'
own. Debian's python3 with python3-scipy:
    /usr/bin/python3 tests/smooth/reference/thin_plate_references.py
prints the C++ tables that the test holds.
"""
import math

import numpy as np
from scipy.interpolate import RBFInterpolator


def radical_inverse(i, base):
    result, f = 0.0, 1.0 / base
    while i > 0:
        result += f * (i % base)
        i //= base
        f /= base
    return result


def main():
    pts = [(0.0, 0.0), (1.0, 0.0), (0.0, 1.0), (1.0, 1.0)]
    pts += [(radical_inverse(i, 2), radical_inverse(i, 3)) for i in range(1, 27)]
    z = [math.exp(x) * math.sin(3 * y) + x * y for x, y in pts]
    queries = [(0.13, 0.71), (0.5, 0.5), (0.87, 0.22), (0.31, 0.05), (0.99, 0.93), (0.62, 0.38)]
    rbf = RBFInterpolator(np.array(pts), np.array(z), kernel="thin_plate_spline")
    values = rbf(np.array(queries))
    print("// x, y, z")
    for (x, y), v in zip(pts, z):
        print(f"{{{x:.17g}, {y:.17g}, {v:.17g}}},")
    print("// query x, y, value")
    for (x, y), v in zip(queries, values):
        print(f"{{{x:.17g}, {y:.17g}, {v:.17g}}},")


if __name__ == "__main__":
    main()
