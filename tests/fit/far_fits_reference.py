#!/usr/bin/python3
# Reference values for tests/fit/far_fits_test.cpp and the far-table case of
# tests/fit/term_subset_test.cpp: least squares of the exact data at 60 to 120 digits (mpmath).
#
# Every table is made from a 64-bit LCG with integer arithmetic, so that the test builds the
# same numbers: every coordinate and z is exact in binary.
import mpmath as mp

mp.mp.dps = 60
M64 = 2**64


class Lcg:
    def __init__(self, seed):
        self.s = seed

    def next(self, modulus):
        self.s = (self.s * 6364136223846793005 + 1442695040888963407) % M64
        return (self.s >> 11) % modulus


def map_table():
    # 120 points in map coordinates: x = 5e5 + U/128, y = 5.4e6 + V/128 over 2000 m x 1500 m,
    # z a plane and a rational hill from integer arithmetic (floor divisions) with noise, in
    # steps of 1/1024.
    g = Lcg(20260201)
    pts = []
    for _ in range(120):
        U, V, e = g.next(256000), g.next(192000), g.next(2049) - 1024
        a, b = U - 128000, V - 96000
        hill = 2**30 // (2**14 + a * a // 2**20 + b * b // 2**19)
        zi = 40960 + a // 50 - b // 80 + hill + e
        pts.append((mp.mpf(500000) + mp.mpf(U) / 128, mp.mpf(5400000) + mp.mpf(V) / 128, mp.mpf(zi) / 1024, mp.mpf(1)))
    return pts


def weight_table():
    # Twelve points, the fifth of weight 1e12.
    xy = [(1, 1), (2, 1.5), (3, 1.25), (4, 2.5), (5, 2), (6, 3.25), (7, 2.75), (8, 3.5), (9, 4), (10, 3), (11, 4.5), (12, 4.25)]
    zs = [9331, 10274, 12966, 14001, 15383, 17282, 19263, 20561, 21982, 23727, 25386, 27006]
    return [(mp.mpf(x), mp.mpf(y), mp.mpf(z) / 4096, mp.mpf(10) ** 12 if i == 4 else mp.mpf(1))
            for i, ((x, y), z) in enumerate(zip(xy, zs))]


def kind(k, v):
    return v if k in (5, 8) else (mp.log(v) if k in (6, 9) else 1 / v)


def polynomial_basis(d):
    if d[1] in (254, 255):
        b = [(0, 0), (1, 0), (0, 1), (2, 0), (0, 2), (1, 1)] + ([(3, 0), (0, 3), (1, 2), (2, 1)] if d[1] == 255 else [])
        return [(p, q, 0) for p, q in b]
    return [(0, 0, 0)] + [(p, 0, 0) for p in range(1, d[1] + 1)] + [(0, q, 0) for q in range(1, d[4] + 1)]


def rational_basis(d):
    if d[1] == 255:  # the full quadratic rational: numerator and denominator interleaved
        return [(0, 0, 0), (1, 0, 1), (1, 0, 0), (0, 1, 1), (0, 1, 0), (2, 0, 1), (2, 0, 0), (0, 2, 1), (0, 2, 0),
                (1, 1, 1), (1, 1, 0)]
    nx, dx, ny, dy = d[1], d[2], d[4], d[5]
    return [(0, 0, 0)] + [(p, 0, 0) for p in range(1, nx + 1)] + [(0, q, 0) for q in range(1, ny + 1)] + \
           [(p, 0, 1) for p in range(1, dx + 1)] + [(0, q, 1) for q in range(1, dy + 1)]


def weighted(pts):
    n = len([p for p in pts if p[3] > 0])
    scale = n / sum(p[3] for p in pts)
    return [p[3] * scale for p in pts]


def least_squares(rows, target, w, dps=120):
    with mp.workdps(dps):
        A = mp.matrix([[mp.sqrt(wi) * v for v in r] for r, wi in zip(rows, w)])
        b = mp.matrix([mp.sqrt(wi) * t for t, wi in zip(target, w)])
        N = A.T * A
        c = mp.lu_solve(N, A.T * b)
        return c, mp.inverse(N)


def polynomial_fit(pts, d):
    basis = polynomial_basis(d)
    rows = [[kind(d[0], x) ** p * kind(d[3], y) ** q for p, q, e in basis] for x, y, z, w in pts]
    w = weighted(pts)
    c, inv = least_squares(rows, [p[2] for p in pts], w)
    sse = sum(wi * (z - sum(ci * ri for ci, ri in zip(c, r))) ** 2 for wi, (x, y, z, ww), r in zip(w, pts, rows))
    return sse, c, inv


def rational_fit(pts, d):
    # The linearisation z = P - z (Q - 1) with Q's constant 1 at X = Y = 0, in raw powers; the
    # SSE is that of the rational P/Q at the points.
    basis = rational_basis(d)
    rows = [[kind(d[0], x) ** p * kind(d[3], y) ** q * (-z if e else 1) for p, q, e in basis] for x, y, z, w in pts]
    w = weighted(pts)
    c, inv = least_squares(rows, [p[2] for p in pts], w)
    sse = 0
    for wi, (x, y, z, ww) in zip(w, pts):
        X, Y = kind(d[0], x), kind(d[3], y)
        num = sum(ci * X ** p * Y ** q for ci, (p, q, e) in zip(c, basis) if not e)
        den = 1 + sum(ci * X ** p * Y ** q for ci, (p, q, e) in zip(c, basis) if e)
        sse += wi * (z - num / den) ** 2
    return sse, c


def sst(pts):
    w = weighted(pts)
    mean = sum(wi * p[2] for wi, p in zip(w, pts)) / sum(w)
    return sum(wi * (p[2] - mean) ** 2 for wi, p in zip(w, pts))


def subset_far_table():
    g = Lcg(0x9E3779B97F4A7C15)
    pts = []
    for _ in range(60):
        u, v, e = g.next(1000), g.next(50), g.next(17) - 8
        pts.append((mp.mpf(1000000 + u), mp.mpf(-5000 + v),
                    100 + mp.mpf(u) / 512 + mp.mpf(v) / 4 + mp.mpf(u * u) / 1048576 + mp.mpf(e) / 256, mp.mpf(1)))
    return pts


def subset_term(code, x, y):
    v = x if code < 21 else y
    L = lambda: mp.log(v)
    return {0: lambda: v, 3: lambda: v * v, 6: lambda: v ** 3, 11: lambda: mp.sqrt(v), 13: lambda: 1 / L(),
            16: lambda: 1 / v, 18: lambda: L() / v ** 2, 19: lambda: 1 / v ** 2}[code % 21]()


if __name__ == '__main__':
    table = map_table()
    print('map table: SST', mp.nstr(sst(table), 25))
    for d in ([6, 5, 0, 10, 5, 0], [7, 5, 0, 10, 4, 0], [5, 255, 0, 8, 255, 0], [7, 255, 0, 10, 255, 0]):
        print('map polynomial', d, mp.nstr(polynomial_fit(table, d)[0], 22))
    for d in ([5, 1, 2, 8, 2, 2], [6, 2, 2, 8, 2, 2], [5, 255, 255, 8, 255, 255]):
        print('map rational', d, mp.nstr(rational_fit(table, d)[0], 22))
    pts = weight_table()
    print('weights: SST', mp.nstr(sst(pts), 25))
    for d in ([5, 1, 0, 8, 1, 0], [5, 2, 0, 8, 2, 0], [5, 3, 0, 8, 3, 0], [5, 255, 0, 8, 255, 0]):
        s, c, inv = polynomial_fit(pts, d)
        dof = len(pts) - len(c)
        errors = [mp.sqrt(s / dof * inv[i, i]) for i in range(len(c))]
        print('weights polynomial', d, mp.nstr(s, 22), 'errors', [mp.nstr(e, 16) for e in errors])
    for d in ([5, 1, 1, 8, 1, 1],):
        print('weights rational', d, mp.nstr(rational_fit(pts, d)[0], 22))
    far = subset_far_table()
    for codes in ([6, 27], [18, 19, 24], [11, 13, 27, 40]):
        rows = [[1] + [subset_term(c, x, y) for c in codes] for x, y, z, w in far]
        c, inv = least_squares(rows, [p[2] for p in far], [1] * len(far))
        print('subsets', codes, mp.nstr(sum((z - sum(ci * ri for ci, ri in zip(c, r))) ** 2 for (x, y, z, w), r in zip(far, rows)), 22))
