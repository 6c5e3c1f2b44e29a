#!/usr/bin/python3
# Reference values for the polynomial families on x far from the origin
# (tests/fit/linear_families_test.cpp, FarFromOrigin): exact least squares at 120 digits of
# the test's own points, and the smallest scaled coefficient of each additive polynomial
# against the mean (the coefficient test: a ratio below 1e-5 drops the fit).
#
# Points: x_k for k = 0..14 in three codings of one axis (2^20 + 2^14 (k - 7), 1 + (k - 7)/64,
# (k - 7)/64), y = -3..3, z = (G[k] + H[y + 3]) / 1024; every value exact in binary. The
# transformed kinds ln x and 1/x are taken exactly here; the program rounds them once.
import mpmath as mp

mp.mp.dps = 120  # the raw quintic at x about 1e6 needs them: its normal matrix has a condition near 1e60
G = [-839, -847, -783, -649, -451, -199, 93, 410, 734, 1051, 1344, 1600, 1812, 1973, 2084]
H = [0, 426, 675, 852, 989, 1101, 1196]
CODINGS = {
    "x about 1e6": lambda k: mp.mpf(2**20 + 2**14 * (k - 7)),
    "x about 1": lambda k: 1 + mp.mpf(k - 7) / 64,
    "x about 0": lambda k: mp.mpf(k - 7) / 64,
}


def points(xk):
    return [(xk(k), mp.mpf(y), mp.mpf(G[k] + H[y + 3]) / 1024) for k in range(15) for y in range(-3, 4)]


def least_squares(pts, basis):
    X = mp.matrix([[f(x, y) for f in basis] for x, y, z in pts])
    z = mp.matrix([p[2] for p in pts])
    c = mp.lu_solve(X.T * X, X.T * z)
    sse = sum(r**2 for r in (z - X * c))
    mean = sum(z) / len(pts)
    sst = sum((v - mean) ** 2 for v in z)
    return c, sse, 1 - sse / sst, sst


def additive(kx, i, j):
    return [lambda x, y: 1] + [lambda x, y, p=p: kx(x) ** p for p in range(1, i + 1)] + \
           [lambda x, y, q=q: y**q for q in range(1, j + 1)]


def full(kx, cubic):
    b = [lambda x, y: 1, lambda x, y: kx(x), lambda x, y: y, lambda x, y: kx(x) ** 2, lambda x, y: y**2,
         lambda x, y: kx(x) * y]
    if cubic:
        b += [lambda x, y: kx(x) ** 3, lambda x, y: y**3, lambda x, y: kx(x) * y**2, lambda x, y: kx(x) ** 2 * y]
    return b


def rms(v):
    n = len(v)
    mean = sum(v) / n
    sd2 = sum((t - mean) ** 2 for t in v) / (n - 1)
    return mp.sqrt(mean**2 + sd2)


plain = lambda x: x
for name, xk in CODINGS.items():
    pts = points(xk)
    sx = min(rms([p[0] for p in pts]), 1000)
    sy = min(rms([p[1] for p in pts]), 1000)
    print(name)
    for number, (i, j) in {31: (3, 1), 33: (3, 3), 61: (5, 1), 63: (5, 3), 65: (5, 5)}.items():
        c, sse, r2, sst = least_squares(pts, additive(plain, i, j))
        scaled = [abs(c[p]) * sx**p for p in range(1, i + 1)] + [abs(c[i + q]) * sy**q for q in range(1, j + 1)]
        ratio = min(scaled) / (sum(scaled) / len(scaled))
        print("  %d  SSE %s  r2 %s  smallest/mean %s" % (number, mp.nstr(sse, 22), mp.nstr(r2, 22), mp.nstr(ratio, 3)))
    for number, cubic in {301: False, 310: True}.items():
        c, sse, r2, sst = least_squares(pts, full(plain, cubic))
        print("  %d  SSE %s  r2 %s" % (number, mp.nstr(sse, 22), mp.nstr(r2, 22)))
    print("  SST %s" % mp.nstr(sst, 22))

pts = points(CODINGS["x about 1e6"])
print("x about 1e6, the kinds ln x and 1/x")
for number, kx, cubic in [(302, mp.log, False), (311, mp.log, True), (303, lambda x: 1 / x, False),
                          (312, lambda x: 1 / x, True)]:
    c, sse, r2, sst = least_squares(pts, full(kx, cubic))
    print("  %d  SSE %s  r2 %s" % (number, mp.nstr(sse, 22), mp.nstr(r2, 22)))
