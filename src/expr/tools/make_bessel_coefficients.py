#!/usr/bin/python3
"""Writes src/expr/bessel_coefficients.h: the coefficient sets of the integer-order Bessel
approximations (bessel_integer_order.cpp).

Each set is computed from mpmath at 50 digits (Debian's python3-mpmath):
- Chebyshev sets on a full interval by discrete cosine sums at the Chebyshev points;
- Chebyshev sets of a variable that covers only [-1, 0] by interpolation at the Chebyshev
  points of that half;
- polynomial and rational forms by linearised least squares (the denominator of the previous
  pass divides the equations out), refined towards the minimax error by Lawson's reweighting.

Every set is checked with its coefficients rounded to 64-bit significands at 2000 points over
its range; the worst error is printed, and a set missing about 15 significant digits (1e-15,
absolute where the function oscillates) is refused and nothing is written.

Run with /usr/bin/python3 from the repository root.
"""
import sys

import mpmath
from mpmath import mp, mpf

mp.dps = 50
PI = mp.pi
TWO_OVER_PI = 2 / mp.pi
LIMIT = mpf("1e-15")


def ld(x):
    """x rounded to a 64-bit significand."""
    with mp.workprec(64):
        return +x


def poly(c, u):
    s = mpf(0)
    for k in reversed(c):
        s = s * u + k
    return s


def cheb_sum(c, t):
    """sum' c_k T_k(t)."""
    b0 = b1 = b2 = mpf(0)
    for k in range(len(c) - 1, 0, -1):
        b2, b1 = b1, b0
        b0 = 2 * t * b1 - b2 + c[k]
    return t * b0 - b1 + c[0] / 2


def cheb_dct(f, n, nodes=200):
    """The first n coefficients of the Chebyshev series of f on [-1, 1] (sum' form)."""
    ts = [mp.cos(PI * (j + mpf(1) / 2) / nodes) for j in range(nodes)]
    fs = [f(t) for t in ts]
    return [2 * sum(fs[j] * mp.cos(PI * k * (j + mpf(1) / 2) / nodes) for j in range(nodes)) / nodes
            for k in range(n)]


def cheb_half_interp(f, n):
    """sum' c_k T_k(t) interpolating f at the n Chebyshev points of [-1, 0]."""
    ts = [(mp.cos(PI * (j + mpf(1) / 2) / n) - 1) / 2 for j in range(n)]
    a = mp.matrix(n, n)
    for i, t in enumerate(ts):
        for k in range(n):
            a[i, k] = mp.chebyt(k, t) / (2 if k == 0 else 1)
    c = mp.lu_solve(a, mp.matrix([f(t) for t in ts]))
    return [c[k] for k in range(n)]


def rational_fit(f, lo, hi, num, den, relative=False, points=240, passes=40, weight=None):
    """p (num coefficients) and q (den coefficients, the last 1, or none) in the variable u
    on [lo, hi] with f(u) ~ p(u)/q(u); `weight` (u, f(u)) overrides the error measure."""
    us = [lo + (hi - lo) * (1 - mp.cos(PI * (j + mpf(1) / 2) / points)) / 2 for j in range(points)]
    fs = [f(u) for u in us]
    extra = [weight(u, fu) for u, fu in zip(us, fs)] if weight else [mpf(1)] * points
    span = hi
    ss = [u / span for u in us]
    m = den - 1 if den else 0
    unknowns = num + m
    lawson = [mpf(1)] * points
    qprev = [mpf(1)] * points
    best = None
    for _ in range(passes):
        a = mp.matrix(points, unknowns)
        b = mp.matrix(points, 1)
        for i in range(points):
            w = mp.sqrt(lawson[i]) / qprev[i] / (abs(fs[i]) if relative else 1) * extra[i]
            for k in range(num):
                a[i, k] = w * ss[i] ** k
            for k in range(m):
                a[i, num + k] = -w * fs[i] * ss[i] ** k
            b[i] = w * fs[i] * ss[i] ** m if den else w * fs[i]
        x, _ = mp.qr_solve(a, b)
        p = [x[k] for k in range(num)]
        q = [x[num + k] for k in range(m)] + [mpf(1)] if den else [mpf(1)]
        errs = []
        for i in range(points):
            qv = poly(q, ss[i])
            qprev[i] = qv
            e = poly(p, ss[i]) / qv - fs[i]
            errs.append((abs(e / fs[i]) if relative else abs(e)) * extra[i])
        worst = max(errs)
        if best is None or worst < best[0]:
            best = (worst, p, q)
        total = sum(lawson[i] * errs[i] for i in range(points))
        lawson = [lawson[i] * errs[i] / total for i in range(points)]
    _, p, q = best
    # Back to powers of u with the highest coefficient of q equal to 1.
    scale = span ** m
    p = [p[k] / span ** k * scale for k in range(num)]
    q = [q[k] / span ** k * scale for k in range(len(q))]
    return p, q


SETS = []
FAILED = []


def check(name, value, reference, lo, hi, relative, points=2000):
    worst = mpf(0)
    for j in range(points + 1):
        u = lo + (hi - lo) * j / points
        if u == 0 and lo == 0 and not relative:
            u = (hi - lo) * mpf("1e-6")
        r = reference(u)
        e = abs(value(u) - r)
        if relative:
            e /= abs(r)
        worst = max(worst, e)
    kind = "relative" if relative else "absolute"
    print(f"{name:14s} worst {kind} error {mp.nstr(worst, 3)}", file=sys.stderr)
    if worst > LIMIT:
        FAILED.append(name)


def emit(name, coefficients, comment):
    SETS.append((name, [ld(c) for c in coefficients], comment))


# --- J0, Y0, J1, Y1 below 8: rational forms in y = x^2 --------------------------------------

def j0y(y):
    return mp.besselj(0, mp.sqrt(y)) if y > 0 else mpf(1)


def y0rest(y):
    x = mp.sqrt(y)
    return mp.bessely(0, x) - TWO_OVER_PI * mp.besselj(0, x) * mp.log(x)


def j1y(y):
    x = mp.sqrt(y)
    return mp.besselj(1, x) / x if y > 0 else mpf(1) / 2


def y1rest(y):
    x = mp.sqrt(y)
    return (mp.bessely(1, x) - TWO_OVER_PI * (mp.besselj(1, x) * mp.log(x) - 1 / x)) / x


def small_rational(name, f, num, den, full, lo=mpf(0)):
    p, q = rational_fit(f, lo, mpf(64), num, den)
    if name == "J0":
        p[0] = q[0]  # J0(0) = 1 exactly; the fit's value there was off by about 3e-17
    emit(f"k{name}P", p, f"{name}, x below 8: numerator in x^2")
    emit(f"k{name}Q", q, f"{name}, x below 8: denominator in x^2")
    pl = [ld(c) for c in p]
    ql = [ld(c) for c in q]
    check(name, lambda x: full(x, poly(pl, x * x) / poly(ql, x * x)), lambda x: full(x, f(x * x)), mpf(0), mpf(8), False)


small_rational("J0", j0y, 12, 4, lambda x, r: r)
small_rational("Y0", y0rest, 8, 9, lambda x, r: r + TWO_OVER_PI * mp.besselj(0, x) * mp.log(x), lo=mpf("1e-30"))
small_rational("J1", j1y, 8, 8, lambda x, r: x * r)
small_rational("Y1", y1rest, 8, 9,
               lambda x, r: x * r + TWO_OVER_PI * (mp.besselj(1, x) * mp.log(x) - 1 / x), lo=mpf("1e-30"))

# --- Hankel's P and Q of orders 0 and 1 for x of 8 or more, in u = z^2, z = 8/x -------------


def hankel_series(n, x):
    """Hankel's asymptotic sums at large x (to well below 1e-40 beyond x = 100): P, Q, and
    S(+), S(-) of K_n(x) = sqrt(pi/(2x)) e^-x S(+) and I_n(x) ~ e^x S(-) / sqrt(2 pi x)."""
    mu = 4 * n * n
    terms = [mpf(1)]
    k = 1
    while abs(terms[-1]) > mpf(10) ** -55:
        terms.append(terms[-1] * (mu - (2 * k - 1) ** 2) / (k * 8 * x))
        k += 1
        if terms[-1] == 0:
            break
    p = sum(t * (-1) ** (k // 2) for k, t in enumerate(terms) if k % 2 == 0)
    q = sum(t * (-1) ** (k // 2) for k, t in enumerate(terms) if k % 2 == 1)
    return p, q, sum(terms), sum(t * (-1) ** k for k, t in enumerate(terms))


def pq(n, u):
    """P_n and Q_n/z at u = (8/x)^2."""
    x = 8 / mp.sqrt(u)
    if x > 100:
        p, q, _, _ = hankel_series(n, x)
        return p, q / (8 / x)
    t = x - PI / 4 * (2 * n + 1)
    j, y = mp.besselj(n, x), mp.bessely(n, x)
    s = mp.sqrt(PI * x / 2)
    return s * (j * mp.cos(t) + y * mp.sin(t)), s * (y * mp.cos(t) - j * mp.sin(t)) / (8 / x)


LOW_U = mpf("1e-12")
for n, (pn, qn, rn, sn) in ((0, (5, 5, 5, 5)), (1, (5, 6, 5, 5))):
    p, q = rational_fit(lambda u: pq(n, u)[0], LOW_U, mpf(1), pn, qn, relative=True)
    r, s = rational_fit(lambda u: pq(n, u)[1], LOW_U, mpf(1), rn, sn, relative=True)
    emit(f"kP{n}p", p, f"P{n}, x of 8 or more: numerator in z^2")
    emit(f"kP{n}q", q, f"P{n}, x of 8 or more: denominator in z^2")
    emit(f"kQ{n}r", r, f"Q{n}/z, x of 8 or more: numerator in z^2")
    emit(f"kQ{n}s", s, f"Q{n}/z, x of 8 or more: denominator in z^2")
    pl, ql, rl, sl = ([ld(c) for c in v] for v in (p, q, r, s))
    check(f"P{n}", lambda u: poly(pl, u) / poly(ql, u), lambda u: pq(n, u)[0], LOW_U, mpf(1), True)
    # Q enters beside P (about 1) as a correction of at most 1/64: its error counts
    # against P's size.
    check(f"Q{n}", lambda u: mp.sqrt(u) * poly(rl, u) / poly(sl, u), lambda u: mp.sqrt(u) * pq(n, u)[1], LOW_U,
          mpf(1), False)

# --- I0, I1, K0, K1: Chebyshev series ------------------------------------------------------


def x_of_t(t):
    return mp.sqrt(32 * (t + 1))


def i0_small(t):
    return mp.besseli(0, x_of_t(t))


def i1_small(t):
    x = x_of_t(t)
    return 8 * mp.besseli(1, x) / x if x > 0 else mpf(4)


def k0_small(t):
    x = x_of_t(t)
    return mp.besselk(0, x) + mp.log(x / 8) * mp.besseli(0, x)


def k1_small(t):
    x = x_of_t(t)
    return 8 / x * (mp.log(x / 8) * mp.besseli(1, x) + 1 / x - mp.besselk(1, x))


W_LO = mpf("0.00072")
K_MID_TERMS = 24


def w_of_u(u):
    return (u * (1 - W_LO) + 1 + W_LO) / 2


def i_large(n):
    def f(u):
        x = 8 / w_of_u(u)
        if x > 100:
            return hankel_series(n, x)[3] / mp.sqrt(2 * PI)
        return mp.besseli(n, x) * mp.exp(-x) * mp.sqrt(x)
    return f


def k_large(n):
    def f(t):
        x = -8 / t
        if x > 100:
            return hankel_series(n, x)[2] * mp.sqrt(PI / 2) / PI
        return mp.besselk(n, x) * mp.exp(x) * mp.sqrt(x) / PI
    return f


def cheb_set(name, f, n, lo, hi, comment, half=False, relative=True):
    c = cheb_half_interp(f, n) if half else cheb_dct(f, n)
    emit(name, c, comment)
    cl = [ld(v) for v in c]
    check(name, lambda t: cheb_sum(cl, t), f, lo, hi, relative)


mp.dps = 60
cheb_set("kI0Small", i0_small, 19, mpf(-1), mpf(1), "I0, |x| up to 8: in x^2/32 - 1")
cheb_set("kI1Small", i1_small, 18, mpf(-1), mpf(1), "I1 (8/|x|), |x| up to 8: in x^2/32 - 1")
cheb_set("kK0Small", k0_small, 19, mpf("-0.999999"), mpf(1), "K0 + ln(x/8) I0, x below 8: in x^2/32 - 1", relative=False)
cheb_set("kK1Small", k1_small, 18, mpf("-0.999999"), mpf(1), "(8/x)(ln(x/8) I1 + 1/x - K1), x below 8: in x^2/32 - 1",
         relative=False)
cheb_set("kI0Large", i_large(0), 23, mpf(-1), mpf(1), "I0 e^-|x| sqrt|x|, |x| above 8: in w = 8/|x| over [0.00072, 1]")
cheb_set("kI1Large", i_large(1), 21, mpf(-1), mpf(1), "I1 e^-|x| sqrt|x|, |x| above 8: in w = 8/|x| over [0.00072, 1]")
# K0 and K1 from 2 to 8. Below 8 the form with ln(x/8) I(x) subtracts terms near 5 to
# leave K near 2e-4, losing four digits towards 8; from 2 on, K e^x sqrt(x) is smooth and
# needs no cancellation.
def k_mid(n):
    def f(u):
        x = 16 / (5 + 3 * u)
        return mp.besselk(n, x) * mp.exp(x) * mp.sqrt(x)
    return f


cheb_set("kK0Mid", k_mid(0), K_MID_TERMS, mpf(-1), mpf(1), "K0 e^x sqrt(x), x from 2 to 8: in w = 8/x over [1, 4]")
cheb_set("kK1Mid", k_mid(1), K_MID_TERMS, mpf(-1), mpf(1), "K1 e^x sqrt(x), x from 2 to 8: in w = 8/x over [1, 4]")
cheb_set("kK0Large", k_large(0), 26, mpf(-1), mpf("-1e-9"), "K0 e^x sqrt(x) / pi, x of 8 or more: in -8/x", half=True)
cheb_set("kK1Large", k_large(1), 26, mpf(-1), mpf("-1e-9"), "K1 e^x sqrt(x) / pi, x of 8 or more: in -8/x", half=True)
mp.dps = 50

# --- I0EIX, I1EIX: powers of x^2/100 below 10, of 10/x from 10 on ---------------------------


def ix_small(n):
    def f(v):
        x = 10 * mp.sqrt(v)
        if x == 0:
            return mpf(1) if n == 0 else mpf(1) / 2
        return mp.besseli(n, x) / (x if n else 1)
    return f


def ix_large(n):
    def f(s):
        x = 10 / s
        if x > 100:
            return hankel_series(n, x)[3] / mp.sqrt(2 * PI)
        return mp.besseli(n, x) * mp.exp(-x) * mp.sqrt(x)
    return f


S_HIGH = mpf(10) / 11111
for n in (0, 1):
    # The first coefficient is the value at 0 exactly (1 and 1/2): the others are fitted to
    # (f(v) - c0)/v, weighted so that the error measured is f's relative error.
    c0 = mpf(1) if n == 0 else mpf(1) / 2
    rest, _ = rational_fit(lambda v: (ix_small(n)(v) - c0) / v, mpf(0), mpf(1), 15, 0,
                           weight=lambda v, g: v / abs(c0 + v * g))
    c = [c0] + rest
    emit(f"kI{n}eixSmall", c, f"I{n}{' / x' if n else ''}, x below 10: powers of x^2/100")
    cl = [ld(v) for v in c]
    check(f"I{n}EIX small", lambda v: poly(cl, v), ix_small(n), mpf(0), mpf(1), True)
    # Fourteen powers of 10/x reach only about 1e-14 just above 10 (Hankel's series behind
    # them is still far from converged there): from 10 to 11111 the scaled functions use
    # the Chebyshev series of I0 and I1 above 8 instead, and this set serves beyond, where
    # Hankel's series itself, cut after 14 terms, is exact to far below the rounding.
    mu = 4 * n * n
    d = [1 / mp.sqrt(2 * PI)]
    for k in range(1, 14):
        d.append(-d[-1] * (mu - (2 * k - 1) ** 2) / (k * 80))
    emit(f"kI{n}eixLarge", d, f"I{n} e^-x sqrt(x), x above 11111: powers of 10/x")
    dl = [ld(v) for v in d]
    check(f"I{n}EIX large", lambda s: poly(dl, s), ix_large(n), mpf("1e-12"), S_HIGH, True)

# 1/Gamma(1 + z) as its Taylor series, for Temme's Gamma1 and Gamma2 at |z| <= 1/2.
rg = mp.taylor(lambda z: 1 / mp.gamma(1 + z), 0, 27)
emit("kReciprocalGamma", rg, "1/Gamma(1 + z): Taylor coefficients at 0")
rgl = [ld(v) for v in rg]
check("1/Gamma(1+z)", lambda z: poly(rgl, z), lambda z: 1 / mp.gamma(1 + z), mpf(-0.5), mpf(0.5), True)

if FAILED:
    sys.exit("refused, too inaccurate: " + ", ".join(FAILED))

out = ["// Made by src/expr/tools/make_bessel_coefficients.py (mpmath, 50 digits); do not edit.",
       "// Coefficient sets of the Bessel approximations, lowest power first.",
       "#pragma once", "", "#include <array>", "", "namespace bessel_coefficients {", ""]
for name, c, comment in SETS:
    out.append(f"// {comment}")
    out.append(f"inline constexpr std::array<long double, {len(c)}> {name} = {{")
    for v in c:
        out.append(f"    {mp.nstr(v, 21, strip_zeros=False, min_fixed=1, max_fixed=0)}L,")
    out.append("};")
out += ["", "}  // namespace bessel_coefficients", ""]
with open("src/expr/bessel_coefficients.h", "w") as fh:
    fh.write("\n".join(out))
