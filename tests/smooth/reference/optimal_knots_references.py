#!/usr/bin/python3
"""Prints the mpmath references of BSOpk.SitesFarFromTheOriginGiveTheOptimalKnots
(tests/smooth/bspline_surface_test.cpp).

Run with Debian's python3 and python3-mpmath:
    /usr/bin/python3 tests/smooth/reference/optimal_knots_references.py

The interior knots xi of order k on the sites tau are the sign changes of the function
h = +-1 (+1 up to the first knot) that is orthogonal to every B-spline of order k on the
sites. The integrals are taken piece by piece between all sites and knots by Gauss-Legendre
rules exact for the pieces, and the conditions are solved by Newton's method (mpmath's
findroot) from the averages of k - 1 consecutive sites, in 40-digit arithmetic. The
1990 .. 2020 case takes several minutes.
"""
import mpmath as mp
mp.mp.dps = 40

def bspline(t, i, k, x):
    # Cox-de Boor, right-continuous; order k on knots t[i..i+k]
    if k == 1:
        return mp.mpf(1) if t[i] <= x < t[i+1] else mp.mpf(0)
    s = mp.mpf(0)
    if t[i+k-1] > t[i]:
        s += (x - t[i]) / (t[i+k-1] - t[i]) * bspline(t, i, k-1, x)
    if t[i+k] > t[i+1]:
        s += (t[i+k] - x) / (t[i+k] - t[i+1]) * bspline(t, i+1, k-1, x)
    return s

def residual(tau, k, xi):
    n = len(tau)
    cuts = sorted(list(tau) + list(xi))
    nodes, weights = zip(*[(mp.mpf(a), mp.mpf(b)) for a, b in gl(k+2)])
    F = []
    for i in range(n - k):
        s = mp.mpf(0)
        for p in range(len(cuts) - 1):
            a, b = cuts[p], cuts[p+1]
            if not b > a: continue
            mid, half = (a+b)/2, (b-a)/2
            passed = sum(1 for v in xi if v <= mid)
            h = 1 if passed % 2 == 0 else -1
            for nd, w in zip(nodes, weights):
                s += h * half * w * bspline(tau, i, k, mid + half*nd)
        F.append(s)
    return F

def gl(m):
    # Gauss-Legendre nodes/weights on [-1,1]
    out = []
    for j in range(1, m+1):
        x = mp.cos(mp.pi * (j - mp.mpf(1)/4) / (m + mp.mpf(1)/2))
        for _ in range(100):
            p0, p1 = mp.mpf(1), x
            for q in range(2, m+1):
                p0, p1 = p1, ((2*q-1)*x*p1 - (q-1)*p0)/q
            dp = m*(x*p1 - p0)/(x*x-1)
            dx = p1/dp
            x -= dx
            if abs(dx) < mp.mpf(10)**(-mp.mp.dps+3): break
        out.append((x, 2/((1-x*x)*dp*dp)))
    return out

def optimal(tau, k):
    tau = [mp.mpf(t) for t in tau]
    n = len(tau)
    xi0 = [sum(tau[j+1:j+k])/(k-1) for j in range(n-k)]
    f = lambda *xi: residual(tau, k, xi)
    sol = mp.findroot(f, xi0, tol=mp.mpf(10)**-30)
    return [sol[j] for j in range(n-k)]

import sys
cases = [
  ("100 .. 101, k 4", [100 + v/8 for v in (0, 1, 2, 4, 5, 6, 7, 8)], 4),
  ("16 .. 17, k 5", [16 + v/16 for v in (0, 1, 3, 4, 8, 9, 12, 14, 15, 16)], 5),
  ("1990 .. 2020, k 4", list(range(1990, 2021)), 4),
]
for name, tau, k in cases:
    xi = optimal(tau, k)
    print("//", name)
    print("{" + ", ".join(mp.nstr(v, 20) for v in xi) + "}")
