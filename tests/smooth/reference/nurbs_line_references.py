#!/usr/bin/python3
"""Prints the mpmath references of GriddedEngine.NurbsSmoothingMatchesTheCurvesOfEveryLine
(tests/smooth/gridded_engine_test.cpp).

Run with Debian's python3 and python3-mpmath:
    /usr/bin/python3 tests/smooth/reference/nurbs_line_references.py

Each grid column, then each row, is replaced by the ordinates of its curve: a plane B-spline
curve of the line's degree whose knots are the abscissas and whose control points are the
(abscissa, ordinate) pairs shifted by s places (1 up to degree 4, 2 for 5 and 6, 3 above),
read where its abscissa equals each node's. The curve is evaluated by the recursion below in
40 digits and the abscissa equation solved by 200 bisections.
"""
from mpmath import mp, mpf
mp.dps = 40
def point_at(T, V, p, u):
    n = len(T)
    Tget = lambda i: T[0] if i < 1 else (T[n-1] if i > n else T[i-1])
    Vget = lambda i: V[0] if i < 1 else (V[n-1] if i > n else V[i-1])
    if u < T[0]: return u, V[0]
    if u > T[n-1]: return u, V[n-1]
    lo, hi = 0, n + 1
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if Tget(mid) < u: lo = mid
        else: hi = mid
    k = lo
    if k < 1: k = 0
    s = 1 if p <= 4 else (2 if p <= 6 else 3)
    left = {j: u - Tget(k + 1 - j) for j in range(1, p + 1)}
    right = {j: Tget(k + 1 + j) - u for j in range(0, p)}
    P = {i: [Tget(k - p + i + s), Vget(k - p + i + s)] for i in range(1, p + 2)}
    for r in range(1, p + 1):
        for i in range(1, p + 2 - r):
            j = p + 2 - r - i
            d = right[i - 1] + left[j]
            if d != 0:
                a, b = right[i - 1] / d, left[j] / d
                P[i] = [a * P[i][0] + b * P[i + 1][0], a * P[i][1] + b * P[i + 1][1]]
    return P[1][0], P[1][1]
def value_at(T, V, p, x):
    n = len(T)
    p = max(2, min(p, n - 2, 9))
    f = lambda u: point_at(T, V, p, u)[0] - x
    # bracket near x
    a, b = x - (T[-1]-T[0]), x + (T[-1]-T[0])
    fa, fb = f(a), f(b)
    if fa * fb > 0: return None
    for _ in range(200):
        m = (a + b) / 2
        fm = f(m)
        if fa * fm <= 0: b, fb = m, fm
        else: a, fa = m, fm
    return point_at(T, V, p, (a + b) / 2)[1]
def smooth_line(T, V, p):
    return [value_at(T, V, p, t) for t in T]
import math
xs = [mpf(v) for v in ['0','0.1','0.25','0.35','0.5','0.62','0.75','0.9','1']]
ys = [mpf(v) for v in ['0','0.2','0.3','0.5','0.65','0.8','1']]
f = lambda x, y: mp.sin(3*x)*mp.cos(2*y) + mpf('0.3')*x*y
for (dx, dy) in [(3, 3), (4, 2), (5, 5)]:
    Z = [[f(x, y) for x in xs] for y in ys]  # Z[j][i]
    for i in range(len(xs)):
        col = smooth_line(ys, [Z[j][i] for j in range(len(ys))], dy)
        for j in range(len(ys)): Z[j][i] = col[j]
    for j in range(len(ys)):
        Z[j] = smooth_line(xs, Z[j], dx)
    print(dx, dy, [mp.nstr(Z[j][i], 17) for (i, j) in [(0,0),(3,2),(4,3),(8,6),(6,1)]])
