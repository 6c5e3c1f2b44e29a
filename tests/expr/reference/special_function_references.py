#!/usr/bin/python3
"""Reference values of the language's special functions for tests/expr.

Prints the C++ table rows that special_functions_test.cpp, peak_builtins_test.cpp and
bernoulli_table_test.cpp hold. mpmath at 30 significant digits (Debian's python3-mpmath);
the Student-t quantiles come from SciPy (python3-scipy), whose t.ppf is exact to double
precision. Run with /usr/bin/python3.
"""
from fractions import Fraction

import mpmath
from mpmath import mp, mpf
from scipy import stats

from extended_real import ld, round64

mp.dps = 40


def row(text, value):
    print(f'    {{"{text}", {mp.nstr(value, 25, min_fixed=-5, max_fixed=5)}L}},')


def unary(name, fn, args):
    for x in args:
        row(f"{name}({x})", fn(ld(x)))


def section(title):
    print(f"  // {title}")


section("error functions")
unary("ERF", mpmath.erf, ["0.0001", "0.004", "0.004999999", "0.005", "0.006", "0.1", "0.5", "1", "2", "3.5", "5.9", "-0.5", "-2"])
unary("ERFC", mpmath.erfc, ["0.006", "0.5", "1", "3", "10", "26", "50", "100", "-1", "-3"])
unary("ERFP1", lambda x: mpmath.erfc(-x), ["0.5", "-0.5", "-5", "-20"])
unary("ERFM1", lambda x: -mpmath.erfc(x), ["0.5", "-0.5", "5", "20"])

section("gamma family")
unary("LNGAM", lambda x: mpmath.loggamma(x) if x > 0 else mpmath.log(mpmath.gamma(x)), ["0.5", "1.5", "3", "10", "17.5", "100", "1000", "1000000", "-1.5", "0.0000000001"])
unary("GAM", mpmath.gamma, ["0.5", "1.5", "5", "10.3", "30.5", "170.5", "-0.5", "-1.5", "-2.5", "-3.0000001", "0.001"])
unary("PSI", mpmath.digamma, ["1", "0.5", "2", "10.5", "100", "-0.5", "-1.5", "0.00001", "-2.9999999"])
unary("LNFAC", lambda x: mpmath.loggamma(x + 1), ["0", "5", "170", "1000"])
for a, b in [("2", "3"), ("0.5", "0.5"), ("10", "20"), ("0.1", "7.5")]:
    row(f"BET({a},{b})", mpmath.beta(ld(a), ld(b)))
for n in ["12", "25", "170", "200", "1000", "1750"]:
    row(f"{n}!", mpmath.factorial(int(n)))

section("incomplete gamma and beta, distribution functions")
for a, x in [("2.5", "1.5"), ("1", "1"), ("0.5", "2"), ("10", "5"), ("10", "15"), ("100", "90"), ("3", "0.01"), ("0.1", "10")]:
    row(f"IGAM({a},{x})", mpmath.gammainc(ld(a), 0, ld(x), regularized=True))
    row(f"IGAMC({a},{x})", mpmath.gammainc(ld(a), ld(x), mpmath.inf, regularized=True))
for a, b, x in [("2", "3", "0.4"), ("0.5", "0.5", "0.3"), ("10", "20", "0.3"), ("5", "2", "0.9"), ("1", "1", "0.7"), ("50", "40", "0.6")]:
    row(f"IBETA({a},{b},{x})", mpmath.betainc(ld(a), ld(b), 0, ld(x), regularized=True))
for n, c in [("4", "3"), ("10", "15"), ("1", "0.5")]:
    p = mpmath.gammainc(ld(n) / 2, 0, ld(c) / 2, regularized=True)
    row(f"PFX2({n},{c})", p)
    row(f"PFX2C({n},{c})", 1 - p)
for n, t in [("10", "2.228"), ("1", "12.706"), ("30", "-1.5")]:
    n_, t_ = ld(n), ld(t)
    row(f"PFST({n},{t})", 1 - mpmath.betainc(n_ / 2, mpf(1) / 2, 0, n_ / (n_ + t_ * t_), regularized=True))
for d1, d2, f in [("3", "10", "2.5"), ("5", "7", "0.5")]:
    d1_, d2_, f_ = ld(d1), ld(d2), ld(f)
    row(f"PFF({d1},{d2},{f})", mpmath.betainc(d2_ / 2, d1_ / 2, 0, d2_ / (d2_ + d1_ * f_), regularized=True))
for k, n, p in [("3", "10", "0.2"), ("7", "20", "0.5")]:
    k_, n_, p_ = ld(k), ld(n), ld(p)
    row(f"PFBI({k},{n},{p})", mpmath.betainc(k_, n_ - k_ + 1, 0, p_, regularized=True))

section("Legendre and hypergeometric functions")
for l, m, x in [("3", "1", "0.5"), ("2", "0", "0.5"), ("5", "3", "0.3"), ("10", "0", "0.9"), ("20", "5", "-0.4"), ("4", "4", "0.25")]:
    # legenp includes the Condon-Shortley phase (-1)^m, as the recurrence does.
    row(f"LGNDR({l},{m},{x})", mpmath.legenp(int(l), int(m), ld(x)))
for a, b, x in [("1", "2", "0.5"), ("0.5", "1.5", "-2"), ("2", "3", "10"), ("-2.5", "1.5", "3")]:
    row(f"HYPM({a},{b},{x})", mpmath.hyp1f1(ld(a), ld(b), ld(x)))
for a, b, x in [("1", "2.5", "1.5"), ("0.5", "0.3", "2"), ("2", "-0.5", "4")]:
    row(f"HYPU({a},{b},{x})", mpmath.hyperu(ld(a), ld(b), ld(x)))
for a, b, c, x in [("1", "1", "2", "0.5"), ("0.5", "0.5", "1.5", "0.25"), ("2", "3", "4", "-0.5"), ("-3", "2", "5", "0.7")]:
    row(f"HYPF({a},{b},{c},{x})", mpmath.hyp2f1(ld(a), ld(b), ld(c), ld(x)))

section("log-gamma near its zeros at 1 and 2")
unary("LNGAM", mpmath.loggamma, ["1.0000000001", "0.9999999999", "2.0000000001", "1.9999999999", "1.2", "0.8", "2.24",
                                 "1.76", "1.000000000000001"])

section("hypergeometric sums whose terms cancel")


def gauss_series(a, b, c, x):
    """F(a, b; c; x) summed term by term at 200 digits until c + k is above 0 and the terms,
    shrinking from there on, are negligible: mpmath.hyp2f1 stops a series with c below 0 at
    its first small term, as the plain sum does, and misses the terms that grow again after
    c + k has passed 0."""
    with mp.workdps(200):
        s, t, k = mpf(1), mpf(1), 0
        while True:
            ratio = (a + k) * (b + k) / ((c + k) * (k + 1)) * x
            t = t * ratio
            s += t
            k += 1
            if c + k > 0 and abs(ratio) < 1 and abs(t) < abs(s) * mpf(10) ** -45:
                return s


for a, b, x in [("6", "0.01", "-30"), ("15", "5", "-20"), ("3", "21", "-45"), ("1", "1", "-2000"), ("-10", "0.5", "20")]:
    row(f"HYPM({a},{b},{x})", mpmath.hyp1f1(ld(a), ld(b), ld(x)))
for a, b, x in [("1", "2.5", "100"), ("0.7", "-1.3", "35")]:
    row(f"HYPU({a},{b},{x})", mpmath.hyperu(ld(a), ld(b), ld(x)))
for a, b, c, x in [("11.5", "4.8", "-0.025", "-0.75"), ("1", "1", "2", "-0.999"), ("1.3", "0.02", "-131.5", "0.47")]:
    row(f"HYPF({a},{b},{c},{x})", gauss_series(ld(a), ld(b), ld(c), ld(x)))
print("  // and the sums no longer given")
for text, value in [("HYPM(-50,1,100)", mpmath.hyp1f1(-50, 1, 100)), ("HYPM(-27.5,14.5,18.5)", mpmath.hyp1f1(ld("-27.5"), ld("14.5"), ld("18.5"))),
                    ("HYPF(-60,20,5,0.9)", gauss_series(-60, 20, 5, ld("0.9"))),
                    ("HYPF(-11.5,-0.04,-190.8,0.76)", gauss_series(ld("-11.5"), ld("-0.04"), ld("-190.8"), ld("0.76")))]:
    print(f"  // {text} = {mp.nstr(value, 12)}")

section("Bernoulli numbers beyond the table")
for n in ["202", "500", "1000", "1750"]:
    row(f"B0({n})", mpmath.bernoulli(int(n)))

section("Student t two-sided critical values (SciPy)")
for name, level in [("T90", 0.90), ("T95", 0.95), ("T99", 0.99), ("T999", 0.999), ("T9999", 0.9999)]:
    for n in [1, 2, 5, 10, 30, 100, 10000]:
        v = stats.t.ppf(1 - (1 - level) / 2, n)
        print(f'    {{"{name}({n})", {v!r}L}},')


def extended_bytes(q):
    """The 10 little-endian bytes of the long double nearest the rational q (q != 0)."""
    m, e = round64(abs(q))
    sign = 0x8000 if q < 0 else 0
    return m.to_bytes(8, "little") + (sign | (e + 16383)).to_bytes(2, "little")


section("QVBERN.OVL: B_0, B_2, ..., B_200 as exact fractions rounded to 80 bits (mpmath.bernfrac)")
data = b"".join(extended_bytes(Fraction(1) if i == 0 else Fraction(*map(int, mpmath.bernfrac(2 * i))))
                for i in range(101))
hexed = data.hex()
for i in range(0, len(hexed), 80):
    print(f'    "{hexed[i:i + 80]}"')


section("elementary built-ins")
for name, fn, args in [
    ("CSC", lambda x: 1 / mpmath.sin(x), ["0.5", "-2"]),
    ("SEC", lambda x: 1 / mpmath.cos(x), ["0.5", "3"]),
    ("COT", lambda x: 1 / mpmath.tan(x), ["0.5", "-1.2"]),
    ("CSCH", lambda x: 1 / mpmath.sinh(x), ["0.0000000001", "0.5", "-3", "100", "-200"]),
    ("SECH", lambda x: 1 / mpmath.cosh(x), ["0.5", "-3", "100"]),
    ("COTH", lambda x: 1 / mpmath.tanh(x), ["0.0000000001", "0.5", "-3", "30"]),
    ("ASINH", mpmath.asinh, ["0.0000000001", "0.5", "-10000000000", "1E300"]),
    ("ACOSH", mpmath.acosh, ["1", "1.5", "1E300"]),
    ("ATANH", mpmath.atanh, ["0.0000000001", "0.5", "-0.999"]),
]:
    unary(name, fn, args)

section("peak and transition shapes at X (a, b, c) = (2, 1, 0.5); EXP and POW (3, 2) and (1.5, 2.5)")
A, B, C = mpf(2), mpf(1), mpf("0.5")
sqrt2 = mpmath.sqrt(2)
shapes = {
    "GAUSS": lambda v, u: A * mpmath.exp(-u * u / 2),
    "LOR": lambda v, u: A / (u * u + 1),
    "LOGNORM": lambda v, u: A * mpmath.exp(-(mpmath.log(v / B) / C) ** 2 / 2),
    "LOGISTIC": lambda v, u: 4 * A * mpmath.exp(-u) / (mpmath.exp(-u) + 1) ** 2,
    "EXTRVAL": lambda v, u: A * mpmath.exp(-mpmath.exp(-u) - u + 1),
    "GCUM": lambda v, u: A / 2 * (mpmath.erf(u / sqrt2) + 1),
    "LORCUM": lambda v, u: A * (mpmath.atan(u) / mpmath.pi + mpf(1) / 2),
    "LNCUM": lambda v, u: A / 2 * mpmath.erfc(C / sqrt2 - mpmath.log(v / B) / (sqrt2 * C)),
    "SIG": lambda v, u: A / (mpmath.exp(-u) + 1),
    "EXVCUM": lambda v, u: A * mpmath.exp(-mpmath.exp(-u)),
    "LDR": lambda v, u: A / ((v / B) ** (-C) + 1),
}
for v in ["0.3", "1.7"]:
    x = ld(v)
    u = (x - B) / C
    for name, fn in shapes.items():
        row(f"{name}X(2,1,0.5)@{v}", fn(x, u))
    row(f"EXPX(3,2)@{v}", 3 * mpmath.exp(-x / 2))
    row(f"POWX(1.5,2.5)@{v}", mpf("1.5") * x ** mpf("2.5"))


def lcg(state):
    state = (state * 0x015A4E35 + 1) % 2**64
    return state, (state >> 32) & 0x7FFFFFFF


section("the generator: first values from the start state 1, and RANDOM and RANDGAUSS from 12345")
s, values = 1, []
for _ in range(5):
    s, r = lcg(s)
    values.append(r)
print("    // ExprRandomNext from state 1:", ", ".join(map(str, values)))
s = 12345


def random_fraction():
    global s
    digits = ""
    for _ in range(5):
        s, r = lcg(s)
        digits += f"{r % 10000:04d}"
    return Fraction(int(digits), 10**20)


first = random_fraction()
print(f"    // RANDOM from state 12345: .{first.numerator * 10**20 // first.denominator:020d}")
s = 12345
while True:
    u = 2 * ld(random_fraction()) - 1
    v = 2 * ld(random_fraction()) - 1
    q = u * u + v * v
    if 0 < q < 1:
        break
f = mpmath.sqrt(-2 * mpmath.log(q) / q)
row("RANDGAUSS first (v f)", v * f)
row("RANDGAUSS second (u f)", u * f)
