#!/usr/bin/python3
# Reference values of the integral sweep (tests/expr/integral_sweep_test.cpp): closed forms,
# or mpmath's quadrature where none is at hand, at 50 digits. None marks an integral that
# diverges (or whose value lies beyond the range of long double). Prints the C++ rows.
from mpmath import mp, mpf, quad, sqrt, pi, exp, log, atan, euler, e, cos, si, inf

mp.dps = 50
G = mpf(10) ** 300

rows = [
    # powers
    ("$^-0.5", "0", "1", 2),
    ("$^-0.5", "1", "INF", None),
    ("$^-0.5", "0", "1E300", 2 * sqrt(G)),
    ("1/$", "0", "1", None),
    ("1/$", "1", "INF", None),
    ("1/$", "1", "1E300", log(G)),
    ("1/$", "-1", "1", None),
    ("$^-1.5", "1", "INF", 2),
    ("$^-1.5", "0", "1", None),
    ("$^-1.5", "1", "1E300", 2 * (1 - 1 / sqrt(G))),
    ("1/($*$)", "1", "INF", 1),
    ("1/($*$)", "-INF", "-1", 1),
    ("1/($*$)", "0", "1", None),
    ("1/($*$)", "-1", "1", None),
    ("$^-3", "1", "INF", mpf(1) / 2),
    ("$^-1.9", "1", "INF", 1 / mpf("0.9")),
    ("$^-0.9", "0", "1", 10),
    ("SQRT($)", "0", "1E250", mpf(2) / 3 * mpf(10) ** 375),
    ("SQRT($)", "0", "INF", None),
    ("$*$", "0", "1E300", G ** 3 / 3),
    ("$*$", "0", "INF", None),
    ("$*$", "-INF", "INF", None),
    ("$*$*$", "-INF", "INF", None),
    ("$*$*$", "-1", "1", 0),
    ("1", "-INF", "2", None),
    ("1", "0", "1E300", G),
    ("1/(1+$*$)", "-INF", "INF", pi),
    ("1/(1+$*$)", "0", "1E300", atan(G)),
    ("1/(SQRT($)*(1+$))", "0", "INF", pi),
    ("1/(SQRT($)*(1+$))", "0", "1E300", 2 * atan(sqrt(G))),
    ("1/(1+$*$*$*$)", "-1E300", "1E300", pi / sqrt(2)),
    ("$/(1+$*$)", "-INF", "INF", None),
    ("$/((1+$*$)*(1+$*$))", "-INF", "INF", 0),
    # exponentials
    ("EXP($)", "0", "INF", None),
    ("EXP($)", "-INF", "0", 1),
    ("EXP($)", "0", "10", exp(10) - 1),
    ("EXP($)", "0", "1E4", exp(10000) - 1),
    ("EXP($)", "0", "2E4", None),
    ("EXP(-$)", "-INF", "0", None),
    ("EXP(-$)", "0", "INF", 1),
    ("EXP(-$)", "0", "1E6", 1 - exp(-10 ** 6)),
    ("EXP(-$)", "0", "1E10", 1),
    ("EXP(-$)", "0", "1E300", 1),
    ("EXP(-$)", "1", "INF", exp(-1)),
    ("EXP(-$)", "1E3", "1E300", exp(-1000)),
    ("EXP(-$*$)", "-INF", "INF", sqrt(pi)),
    ("EXP(-$*$)", "0", "1E300", sqrt(pi) / 2),
    ("$*EXP(-$)", "0", "INF", 1),
    ("EXP(-1E6*$)", "0", "1", mpf(10) ** -6 * (1 - exp(-10 ** 6))),
    ("EXP(-$)/SQRT($)", "0", "INF", sqrt(pi)),
    ("EXP(-$)/SQRT($)", "0", "1E300", sqrt(pi)),
    ("EXP($*$)", "0", "INF", None),
    ("COS($)*EXP(-$)", "0", "INF", mpf(1) / 2),
    # logarithms
    ("LN($)", "0", "1", -1),
    ("LN($)", "0", "2", 2 * log(2) - 2),
    ("LN($)", "1", "INF", None),
    ("LN($)", "0", "INF", None),
    ("LN($)/($*$)", "1", "INF", 1),
    ("LN($)*LN($)", "0", "1", 2),
    ("EXP(-$)*LN($)", "0", "INF", -euler),
    ("LN($)/SQRT($)", "0", "1", -4),
    ("1/($*LN($))", "2", "INF", None),
    ("LN(1-$)", "0", "1", -1),
    ("LN(ABS($))", "-1", "2", 2 * log(2) - 3),
    # end and inner singularities
    ("SQRT(1-$*$)", "-1", "1", pi / 2),
    ("1/SQRT(1-$*$)", "-1", "1", pi),
    ("1/SQRT(1-$)", "0", "1", 2),
    ("1/SQRT(ABS($-0.3))", "0", "1", 2 * (sqrt(mpf("0.3")) + sqrt(mpf("0.7")))),
    ("1/(1-$)", "0", "1", None),
    ("TAN($)", "-2", "2", None),
    ("TAN($)", "0", "1.5", -log(cos(mpf("1.5")))),
    # oscillating
    ("SIN($)/$", "0", "50", si(50)),
    ("SIN($)", "-INF", "INF", None),
    ("SIN($)", "0", "INF", None),
    ("SIN(1/$)", "-1", "1", 0),
]


def cxx(v):
    return "kDiverges" if v is None else mp.nstr(mpf(v), 30, min_fixed=-5, max_fixed=5) + "L"


for line, a, b, v in rows:
    print('    {"%s", "%s", "%s", %s},' % (line, a, b, cxx(v)))
