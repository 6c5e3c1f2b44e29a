#!/usr/bin/python3
"""Reference values of the Bessel family for tests/expr/bessel_functions_test.cpp.

Writes tests/data/expr/bessel_reference_values.txt: mpmath at 40 digits (Debian's python3-mpmath) at
the exact long double arguments (decimal arguments rounded to 64-bit significands as the
lexer reads them; sweep arguments are binary fractions, exact as they stand). SciPy's
scipy.special (python3-scipy) is a second opinion: where it computes a value the two are
compared to 1e-12 and a disagreement stops the script.

Run from the repository root.
"""
import sys
from fractions import Fraction

import mpmath
from mpmath import mp, mpf
from scipy import special as sp

sys.path.insert(0, "tests/expr/reference")
from extended_real import ld  # noqa: E402

mp.dps = 40
PI = mp.pi


def lit(v):
    if v == 0:
        return "0.0L"
    return mp.nstr(v, 25, min_fixed=-5, max_fixed=5, strip_zeros=False) + "L"


def exact_lit(q):
    """A binary fraction as a literal that reads back exactly (25 digits suffice)."""
    return lit(mpf(q.numerator) / q.denominator)


# --- the functions as the language defines them ---------------------------------------------

def hankel(nu, x):
    """J, Y, I e^-x, K e^x at large x by Hankel's series (errors below 1e-40 beyond 1000)."""
    mu = 4 * nu * nu
    terms, k = [mpf(1)], 1
    while abs(terms[-1]) > mpf(10) ** -45 and k < 200:
        terms.append(terms[-1] * (mu - (2 * k - 1) ** 2) / (k * 8 * x))
        k += 1
    p = sum(t * (-1) ** (i // 2) for i, t in enumerate(terms) if i % 2 == 0)
    q = sum(t * (-1) ** (i // 2) for i, t in enumerate(terms) if i % 2 == 1)
    chi = x - PI * (nu / 2 + mpf(1) / 4)
    f = mp.sqrt(2 / (PI * x))
    return f * (p * mp.cos(chi) - q * mp.sin(chi)), f * (p * mp.sin(chi) + q * mp.cos(chi))


def J(n, x):
    return hankel(n, x)[0] if x > 1000 else mp.besselj(n, x)


def Y(n, x):
    return hankel(n, x)[1] if x > 1000 else mp.bessely(n, x)


FUNCS = {
    "J0": lambda x: J(0, x), "J1": lambda x: J(1, x), "Y0": lambda x: Y(0, x), "Y1": lambda x: Y(1, x),
    "I0": lambda x: mp.besseli(0, x), "I1": lambda x: mp.besseli(1, x),
    "K0": lambda x: mp.besselk(0, x), "K1": lambda x: mp.besselk(1, x),
    "I0EIX": lambda x: mp.besseli(0, x) * mp.exp(-x), "I1EIX": lambda x: mp.besseli(1, x) * mp.exp(-x),
}
SCIPY = {"J0": sp.j0, "J1": sp.j1, "Y0": sp.y0, "Y1": sp.y1, "I0": sp.i0, "I1": sp.i1, "K0": sp.k0, "K1": sp.k1,
         "I0EIX": sp.i0e, "I1EIX": sp.i1e}


def second_opinion(what, ours, theirs, scale=None):
    theirs = mpf(float(theirs))
    if not mp.isfinite(theirs) or theirs == 0:
        return
    err = abs(ours - theirs) / max(scale if scale else 0, abs(ours))
    if err > mpf("1e-12"):
        sys.exit(f"{what}: mpmath {ours} and SciPy {theirs} disagree")


def two_arg(name, n, x):
    nu = n
    if name == "JN" or name == "JNU":
        return J(nu, x) if x > 0 or nu == int(nu) else None
    if name in ("YN", "YNU"):
        return Y(nu, x)
    if name in ("IN", "INU"):
        return mp.besseli(nu, x)
    if name in ("KN", "KNU"):
        return mp.besselk(nu, x)
    # Derivatives from the neighbouring orders (mpmath's derivative option of besselk
    # is wrong for small x).
    if name == "DJNU":
        return (J(nu - 1, x) - J(nu + 1, x)) / 2
    if name == "DYNU":
        return (Y(nu - 1, x) - Y(nu + 1, x)) / 2
    if name == "DINU":
        return (mp.besseli(nu - 1, x) + mp.besseli(nu + 1, x)) / 2
    if name == "DKNU":
        return -(mp.besselk(nu - 1, x) + mp.besselk(nu + 1, x)) / 2
    half = nu + mpf(1) / 2
    f = mp.sqrt(PI / (2 * x))
    if name == "SPHJN":
        return f * mp.besselj(half, x)
    if name == "SPHYN":
        return f * mp.bessely(half, x)
    if name == "SPHIN":
        return f * mp.besseli(half, x)
    if name == "SPHKN":
        return f * mp.besselk(half, x)
    # (sqrt(pi/(2x)) C(x))' = sqrt(pi/(2x)) (C'(x) - C(x)/(2x)).
    plain = two_arg(name[1:], nu, x)
    return f * two_arg("D" + name[4] + "NU", half, x) - plain / (2 * x)


SCIPY2 = {"JN": sp.jv, "YN": sp.yv, "IN": sp.iv, "KN": sp.kv, "JNU": sp.jv, "YNU": sp.yv, "INU": sp.iv, "KNU": sp.kv,
          "DJNU": sp.jvp, "DYNU": sp.yvp, "DINU": sp.ivp, "DKNU": sp.kvp,
          "SPHJN": sp.spherical_jn, "SPHYN": sp.spherical_yn, "SPHIN": sp.spherical_in, "SPHKN": sp.spherical_kn,
          "DSPHJN": lambda n, x: sp.spherical_jn(int(n), x, derivative=True),
          "DSPHYN": lambda n, x: sp.spherical_yn(int(n), x, derivative=True),
          "DSPHIN": lambda n, x: sp.spherical_in(int(n), x, derivative=True),
          "DSPHKN": lambda n, x: sp.spherical_kn(int(n), x, derivative=True)}

AIRY = {"AIRYA": lambda x: mp.airyai(x), "AIRYB": lambda x: mp.airybi(x),
        "DAIRYA": lambda x: mp.airyai(x, derivative=1), "DAIRYB": lambda x: mp.airybi(x, derivative=1)}


def tfn(a, b):
    return mp.quad(lambda t: mp.exp(-(b + t)) * mp.besseli(0, 2 * mp.sqrt(b * t)), [0, a])


out = ["# Bessel, Airy and TFN reference values: mpmath at 40 digits at the exact 80-bit arguments,",
       "# written by tests/expr/reference/bessel_references.py; do not edit.",
       "# table<TAB>argument (a statement of the language, or x)<TAB>value<TAB>envelope"]


def row_fields(row):
    # A row as the tables hold it: "    {"TEXT", VALUEL, ENVL}," or "    {XL, VALUEL, ENVL},".
    inner = row.strip().rstrip(",").strip("{}")
    return [f.strip().strip('"').rstrip("L") for f in inner.split(", ")]


def table(name, rows):
    for r in rows:
        out.append("\t".join([name] + row_fields(r)))


# --- values at decimal arguments, as statements of the language -----------------------------

rows = []


def add(text, value, envelope=None):
    env = lit(envelope) if envelope is not None else lit(abs(value))
    rows.append(f'    {{"{text}", {lit(value)}, {env}}},')


def oscillating_envelope(x):
    return min(mpf(1), mp.sqrt(2 / (PI * abs(x)))) if x != 0 else mpf(1)


for name in ["J0", "J1", "Y0", "Y1", "I0", "I1", "K0", "K1", "I0EIX", "I1EIX"]:
    args = ["1", "0.001", "2.5", "7.9", "8.1", "30", "500"]
    if name[0] in "JI" and "EIX" not in name:
        args += ["-1", "-8.1", "-30"]
    if "EIX" in name:
        args += ["9.99", "10", "10.01", "1000"]
    for a in args:
        x = ld(a)
        v = FUNCS[name](x)
        second_opinion(f"{name}({a})", v, SCIPY[name](float(x)),
                       oscillating_envelope(x) if name[0] in "JY" else None)
        add(f"{name}({a})", v, oscillating_envelope(x) if name[0] in "JY" else None)

for name, n, a in [("JN", 2, "1"), ("JN", 5, "10"), ("JN", 10, "9.99"), ("JN", 10, "10.01"), ("JN", 3, "-2.5"),
                   ("JN", -3, "2.5"), ("JN", 50, "10"), ("JN", 20, "100"), ("JN", 7, "1E-5"),
                   ("YN", 2, "1"), ("YN", 5, "10"), ("YN", -3, "2.5"), ("YN", 30, "100"),
                   ("IN", 3, "2"), ("IN", 2, "100"), ("IN", 5, "-3"), ("IN", 40, "10"), ("IN", 10, "1000"),
                   ("KN", 2, "1"), ("KN", 5, "10"), ("KN", -2, "0.5"), ("KN", 30, "100")]:
    x = ld(a)
    nu = mpf(n)
    v = two_arg(name, nu, x)
    env = oscillating_envelope(x) if name[0] in "JY" else None
    second_opinion(f"{name}({n},{a})", v, SCIPY2[name](n, float(x)), env)
    add(f"{name}({n},{a})", v, env)

nus = ["0.3", "0.5", "1.7", "4.9", "7.25", "20.6"]
xs = ["0.01", "0.5", "1.99", "2", "2.01", "5", "10", "30", "49.9", "50", "50.5", "60", "200", "2000"]
for name in ["JNU", "YNU", "INU", "KNU", "DJNU", "DYNU", "DINU", "DKNU"]:
    for nt in nus:
        for xt in xs:
            nu, x = ld(nt), ld(xt)
            if name == "INU" and x > 1000:
                continue
            v = two_arg(name, nu, x)
            env = oscillating_envelope(x) * (1 if name[0] != "D" else 1) if name[0] in "JYD" and name not in (
                "DINU", "DKNU") else None
            second_opinion(f"{name}({nt},{xt})", v, SCIPY2[name](float(nu), float(x)), env)
            add(f"{name}({nt},{xt})", v, env)
for name, nt, xt in [("JNU", "-0.5", "60"), ("JNU", "-1.3", "70"), ("YNU", "-2.7", "55"), ("KNU", "-0.3", "60"),
                     ("INU", "-4.5", "80"), ("JNU", "2", "60"), ("YNU", "3", "75"), ("JNU", "2", "-1"),
                     ("KNU", "3", "1.5"), ("JNU", "0.3", "10000")]:
    nu, x = ld(nt), ld(xt)
    v = two_arg(name, nu, x) if x > 0 else mp.besselj(nu, x)
    env = oscillating_envelope(x) if name[0] in "JY" else None
    add(f"{name}({nt},{xt})", v, env)

for name in ["SPHJN", "SPHYN", "SPHIN", "SPHKN", "DSPHJN", "DSPHYN", "DSPHIN", "DSPHKN"]:
    for n in [0, 1, 2, 5, 10]:
        for xt in ["0.1", "1", "5", "20"]:
            x = ld(xt)
            v = two_arg(name, mpf(n), x)
            env = min(mpf(1), 1 / x) if name in ("SPHJN", "SPHYN", "DSPHJN", "DSPHYN") else None
            second_opinion(f"{name}({n},{xt})", v, SCIPY2[name](n, float(x)), env)
            add(f"{name}({n},{xt})", v, env)

for name in ["AIRYA", "AIRYB", "DAIRYA", "DAIRYB"]:
    for xt in ["-20", "-5", "-1", "-0.001", "0", "0.001", "1", "5", "20"]:
        x = ld(xt)
        v = AIRY[name](x)
        env = mp.power(abs(x), mpf(-1) / 4 if name[0] == "A" else mpf(1) / 4) if x <= -1 else None
        ai, aip, bi, bip = sp.airy(float(x))
        second_opinion(f"{name}({xt})", v, {"AIRYA": ai, "AIRYB": bi, "DAIRYA": aip, "DAIRYB": bip}[name], env)
        add(f"{name}({xt})", v, env)

for xt in ["1E-10", "0.5", "-3", "20", "-700"]:
    x = ld(xt)
    add(f"SINH({xt})", mp.sinh(x))
    add(f"COSH({xt})", mp.cosh(x))

table("kBesselValues", rows)

# TFN against the integral itself, and SciPy's noncentral chi-square as a second opinion.
rows = []
for at, bt in [("1", "1"), ("2", "1"), ("3", "1"), ("0.5", "4"), ("10", "3"), ("0.01", "0.02"), ("30", "25"),
               ("0.0001", "1"), ("1", "0.0001")]:
    a, b = ld(at), ld(bt)
    v = tfn(a, b)
    from scipy import stats
    second_opinion(f"TFN({at},{bt})", v, stats.ncx2.cdf(float(2 * a), 2, float(2 * b)), mpf(1))
    add(f"TFN({at},{bt})", v, mpf(1))
table("kTfnValues", rows)

# --- sweeps of each approximation over its range --------------------------------------------


def sweep(name, points, oscillating):
    rows = []
    for q in points:
        x = mpf(q.numerator) / q.denominator
        v = FUNCS[name](x)
        env = oscillating_envelope(x) if oscillating else abs(v)
        rows.append(f"    {{{exact_lit(q)}, {lit(v)}, {lit(env)}}},")
    table(f"k{name.capitalize()}Sweep", rows)


def geometric(lo, hi, n, denominator=1024):
    r = (Fraction(hi) / Fraction(lo))
    pts = []
    for k in range(n + 1):
        v = float(lo) * float(r) ** (k / n)
        pts.append(Fraction(round(v * denominator), denominator))
    return pts


BELOW8 = Fraction(8) - Fraction(1, 2 ** 61)
ABOVE8 = Fraction(8) + Fraction(1, 2 ** 60)
BELOW10 = Fraction(10) - Fraction(1, 2 ** 60)
small = [Fraction(k, 32) for k in range(0, 256)] + [BELOW8]
for name, lo_small, hi_large in [("J0", 0, 5000), ("J1", 0, 5000), ("Y0", 1, 5000), ("Y1", 1, 5000),
                                 ("I0", 0, 11000), ("I1", 0, 11000), ("K0", 1, 11000), ("K1", 1, 11000)]:
    pts = [p for p in small if p >= lo_small] + [Fraction(8), ABOVE8] + geometric(8, hi_large, 200)[1:]
    if name[0] in "JI":
        pts += [-Fraction(3, 2), -Fraction(25, 2)]
    if name in ("Y0", "Y1", "K0", "K1"):
        pts = [Fraction(1, 2 ** 40), Fraction(1, 1024), Fraction(1, 32)] + pts
    sweep(name, sorted(set(pts), key=lambda q: (q < 0, abs(q))), name[0] in "JY")
for name in ("I0EIX", "I1EIX"):
    pts = [Fraction(k, 32) for k in range(0, 320)] + [BELOW10, Fraction(10)] + geometric(10, 10 ** 6, 200)[1:]
    sweep(name, pts, False)

with open("tests/data/expr/bessel_reference_values.txt", "w") as fh:
    fh.write("\n".join(out) + "\n")
