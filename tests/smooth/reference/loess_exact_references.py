#!/usr/bin/python3
"""Reference values of LoessExactness.SingleAttemptEqualsFiftyDigitFit
(tests/smooth/loess_test.cpp): the tricube-weighted Chebyshev fit of one attempt over all 20
points, solved in 50-digit arithmetic with mpmath, its value and gradient at three of the
points. The points are exact in binary, so the program and this script fit the same data.
Debian's python3 with python3-mpmath:
    /usr/bin/python3 tests/smooth/reference/loess_exact_references.py
"""
import mpmath as mp
mp.mp.prec = 64
ONE_POINT_ONE = mp.mpf('1.1')  # the long double 1.1L
mp.mp.dps = 50
# The 20 points: coordinates in 64ths, z in 128ths.
PTS = []
for i in range(20):
    x = mp.mpf((i * 37) % 64) / 64
    y = mp.mpf((i * 23 + 5) % 64) / 64
    z = mp.mpf((i * 41) % 97 - 40) / 128
    PTS.append((x, y, z))
def cheb(k, t):
    return mp.chebyt(k, t)
def terms(d):
    return [(i, e - i) for e in range(d + 1) for i in range(e, -1, -1)]
def fit(qi, degree):
    qx, qy, _ = PTS[qi]
    xs = [p[0] for p in PTS]; ys = [p[1] for p in PTS]
    dx = max(abs(qx - x) for x in xs); dy = max(abs(qy - y) for y in ys)
    hx = ONE_POINT_ONE * dx; hy = ONE_POINT_ONE * dy
    w = [(1 - (abs(qx - x) / hx) ** 3) ** 3 * (1 - (abs(qy - y) / hy) ** 3) ** 3 for x, y, _ in PTS]
    s = sum(w); n = len(w); w = [v * n / s for v in w]
    xo, xu = (min(xs) + max(xs)) / 2, (max(xs) - min(xs)) / 2
    yo, yu = (min(ys) + max(ys)) / 2, (max(ys) - min(ys)) / 2
    T = terms(degree)
    rows = [[cheb(i, (x - xo) / xu) * cheb(j, (y - yo) / yu) for i, j in T] for x, y, _ in PTS]
    A = mp.matrix(len(T), len(T)); b = mp.matrix(len(T), 1)
    for r in range(len(T)):
        for c in range(len(T)):
            A[r, c] = sum(w[k] * rows[k][r] * rows[k][c] for k in range(n))
        b[r] = sum(w[k] * rows[k][r] * PTS[k][2] for k in range(n))
    coef = mp.lu_solve(A, b)
    u, v = (qx - xo) / xu, (qy - yo) / yu
    val = sum(coef[k] * cheb(i, u) * cheb(j, v) for k, (i, j) in enumerate(T))
    dcheb = lambda k, t: mp.diff(lambda s: mp.chebyt(k, s), t)
    gx = sum(coef[k] * dcheb(i, u) * cheb(j, v) for k, (i, j) in enumerate(T)) / xu
    gy = sum(coef[k] * cheb(i, u) * dcheb(j, v) for k, (i, j) in enumerate(T)) / yu
    return val, gx, gy
for degree in (2, 3):
    for qi in (0, 7, 13):
        v = fit(qi, degree)
        print(degree, qi, ", ".join(mp.nstr(t, 22) + "L" for t in v))
