#!/usr/bin/env python3
"""Writes nist_nonlinear_data.h: nonlinear regression problems of NIST's Statistical
Reference Datasets (StRD, Information Technology Laboratory, National Institute of
Standards and Technology, https://www.itl.nist.gov/div898/strd/nls/nls_main.shtml):
each problem's data (x, y), its two start vectors, the certified parameters and the
certified residual sum of squares.

Before writing, every problem is checked with mpmath at 40 digits: Gauss-Newton started
at the certified parameters must stay within 1e-9 of them and reach the certified residual
sum to 1e-9 (Lanczos1, whose residual sum is the rounding noise of its 13-digit data, to
1e-4), so a mistyped data value, start or parameter cannot pass.

    python3 nist_nonlinear_reference.py > nist_nonlinear_data.h
"""
import sys
import mpmath as mp

mp.mp.dps = 40

# name, Z line of the user function (A0.. are b1..), model in mpmath, x, y,
# start 1, start 2, certified parameters, certified residual sum of squares
PROBLEMS = [
    ("Misra1a", "Z=A0*(1-EXP(-A1*X))",
     lambda b, x: b[0] * (1 - mp.exp(-b[1] * x)),
     "77.6 114.9 141.1 190.8 239.9 289.0 332.8 378.4 434.8 477.3 536.8 593.1 689.1 760.0",
     "10.07 14.73 17.94 23.93 29.61 35.18 40.02 44.82 50.76 55.05 61.01 66.40 75.47 81.78",
     "500 1e-4", "250 5e-4", "2.3894212918E+02 5.5015643181E-04", "1.2455138894E-01"),
    ("DanWood", "Z=A0*X^A1",
     lambda b, x: b[0] * x ** b[1],
     "1.309 1.471 1.490 1.565 1.611 1.680",
     "2.138 3.421 3.597 4.340 4.882 5.660",
     "1 5", "0.7 4", "7.6886226176E-01 3.8604055871E+00", "4.3173084083E-03"),
    ("BoxBOD", "Z=A0*(1-EXP(-A1*X))",
     lambda b, x: b[0] * (1 - mp.exp(-b[1] * x)),
     "1 2 3 5 7 10",
     "109 149 149 191 213 224",
     "1 1", "100 0.75", "2.1380940889E+02 5.4723748542E-01", "1.1680088766E+03"),
    ("MGH09", "Z=A0*(X*X+X*A1)/(X*X+X*A2+A3)",
     lambda b, x: b[0] * (x * x + x * b[1]) / (x * x + x * b[2] + b[3]),
     "4 2 1 0.5 0.25 0.167 0.125 0.1 0.0833 0.0714 0.0625",
     "0.1957 0.1947 0.1735 0.1600 0.0844 0.0627 0.0456 0.0342 0.0323 0.0235 0.0246",
     "25 39 41.5 39", "0.25 0.39 0.415 0.39",
     "1.9280693458E-01 1.9128232873E-01 1.2305650693E-01 1.3606233068E-01", "3.0750560385E-04"),
    ("MGH10", "Z=A0*EXP(A1/(X+A2))",
     lambda b, x: b[0] * mp.exp(b[1] / (x + b[2])),
     "50 55 60 65 70 75 80 85 90 95 100 105 110 115 120 125",
     "34780 28610 23650 19630 16370 13720 11540 9744 8261 7030 6005 5147 4427 3820 3307 2872",
     "2 400000 25000", "0.02 4000 250",
     "5.6096364710E-03 6.1813463463E+03 3.4522363462E+02", "8.7945855171E+01"),
    ("MGH17", "Z=A0+A1*EXP(-X*A3)+A2*EXP(-X*A4)",
     lambda b, x: b[0] + b[1] * mp.exp(-x * b[3]) + b[2] * mp.exp(-x * b[4]),
     " ".join(str(10 * i) for i in range(33)),
     "0.844 0.908 0.932 0.936 0.925 0.908 0.881 0.850 0.818 0.784 0.751 0.718 0.685 0.658 "
     "0.628 0.603 0.580 0.558 0.538 0.522 0.506 0.490 0.478 0.467 0.457 0.448 0.438 0.431 "
     "0.424 0.420 0.414 0.411 0.406",
     "50 150 -100 1 2", "0.5 1.5 -1 0.01 0.02",
     "3.7541005211E-01 1.9358469127E+00 -1.4646871366E+00 1.2867534640E-02 2.2122699662E-02",
     "5.4648946975E-05"),
    ("Lanczos1", "Z=A0*EXP(-A1*X)+A2*EXP(-A3*X)+A4*EXP(-A5*X)",
     lambda b, x: b[0] * mp.exp(-b[1] * x) + b[2] * mp.exp(-b[3] * x) + b[4] * mp.exp(-b[5] * x),
     " ".join("%.2f" % (0.05 * i) for i in range(24)),
     "2.513400000000 2.044333373291 1.668404436564 1.366418021208 1.123232487372 "
     "0.9268897180037 0.7679338563728 0.6388775523106 0.5337835317402 0.4479363617347 "
     "0.3775847884350 0.3197393199326 0.2720130773746 0.2324965529032 0.1996589546065 "
     "0.1722704126914 0.1493405660168 0.1300700206922 0.1138119324644 0.1000415587559 "
     "0.08833209084540 0.07833544019350 0.06976693743449 0.06239312536719",
     "1.2 0.3 5.6 5.5 6.5 7.6", "0.5 0.7 3.6 4.2 4 6.3",
     "9.5100000027E-02 1.0000000001E+00 8.6070000013E-01 3.0000000002E+00 1.5575999998E+00 "
     "5.0000000001E+00", "1.4307867721E-25"),
    ("Lanczos2", "Z=A0*EXP(-A1*X)+A2*EXP(-A3*X)+A4*EXP(-A5*X)",
     lambda b, x: b[0] * mp.exp(-b[1] * x) + b[2] * mp.exp(-b[3] * x) + b[4] * mp.exp(-b[5] * x),
     " ".join("%.2f" % (0.05 * i) for i in range(24)),
     "2.51340 2.04433 1.66840 1.36642 1.12323 0.926890 0.767934 0.638878 0.533784 0.447936 "
     "0.377585 0.319739 0.272013 0.232497 0.199659 0.172270 0.149341 0.130070 0.113812 0.100042 "
     "0.0883321 0.0783354 0.0697669 0.0623931",
     "1.2 0.3 5.6 5.5 6.5 7.6", "0.5 0.7 3.6 4.2 4 6.3",
     "9.6251029939E-02 1.0057332849E+00 8.6424689056E-01 3.0078283915E+00 1.5529016879E+00 "
     "5.0028798100E+00", "2.2299428125E-11"),
    ("Eckerle4", "Z=(A0/A1)*EXP(-0.5*((X-A2)/A1)^2)",
     lambda b, x: (b[0] / b[1]) * mp.exp(-mp.mpf("0.5") * ((x - b[2]) / b[1]) ** 2),
     "400 405 410 415 420 425 430 435 436.5 438 439.5 441 442.5 444 445.5 447 448.5 450 "
     "451.5 453 454.5 456 457.5 459 460.5 462 463.5 465 470 475 480 485 490 495 500",
     "0.0001575 0.0001699 0.0002350 0.0003102 0.0004917 0.0008710 0.0017418 0.0046400 "
     "0.0065895 0.0097302 0.0149002 0.0237310 0.0401683 0.0712559 0.1264458 0.2073413 "
     "0.2902366 0.3445623 0.3698049 0.3668534 0.3106727 0.2078154 0.1164354 0.0616764 "
     "0.0337200 0.0194023 0.0117831 0.0074357 0.0022732 0.0008800 0.0004579 0.0002345 "
     "0.0001586 0.0001143 0.0000710",
     "1 10 500", "1.5 5 450", "1.5543827178E+00 4.0888321754E+00 4.5154121844E+02",
     "1.4635887487E-03"),
    ("Thurber",
     "Z=(A0+A1*X+A2*X*X+A3*X*X*X)/(1+A4*X+A5*X*X+A6*X*X*X)",
     lambda b, x: (b[0] + b[1] * x + b[2] * x**2 + b[3] * x**3) / (1 + b[4] * x + b[5] * x**2 + b[6] * x**3),
     "-3.067 -2.981 -2.921 -2.912 -2.840 -2.797 -2.702 -2.699 -2.633 -2.481 -2.363 -2.322 "
     "-1.501 -1.460 -1.274 -1.212 -1.100 -1.046 -0.915 -0.714 -0.566 -0.545 -0.400 -0.309 "
     "-0.109 -0.103 0.010 0.119 0.377 0.790 0.963 1.006 1.115 1.572 1.841 2.047 2.200",
     "80.574 84.248 87.264 87.195 89.076 89.608 89.868 90.101 92.405 95.854 100.696 101.060 "
     "401.672 390.724 567.534 635.316 733.054 759.087 894.206 990.785 1090.109 1080.914 "
     "1122.643 1178.351 1260.531 1273.514 1288.339 1327.543 1353.863 1414.509 1425.208 "
     "1421.384 1442.962 1464.350 1468.705 1447.894 1457.628",
     "1000 1000 400 40 0.7 0.3 0.03", "1300 1500 500 75 1 0.4 0.05",
     "1.2881396800E+03 1.4910792535E+03 5.8323836877E+02 7.5416644291E+01 9.6629502864E-01 "
     "3.9797285797E-01 4.9727297349E-02", "5.6427082397E+03"),
]


def sse(model, b, xs, ys):
    return mp.fsum((mp.mpf(y) - model(b, mp.mpf(x))) ** 2 for x, y in zip(xs, ys))


def refine(model, b, xs, ys):
    """Gauss-Newton from b at 40 digits (central-difference Jacobian): the least-squares
    minimum next to the certified parameters."""
    xs = [mp.mpf(x) for x in xs]
    ys = [mp.mpf(y) for y in ys]
    for _ in range(8):
        r = [y - model(b, x) for x, y in zip(xs, ys)]
        J = []
        for x in xs:
            row = []
            for j in range(len(b)):
                h = abs(b[j]) * mp.mpf("1e-18")
                up = list(b); up[j] += h
                dn = list(b); dn[j] -= h
                row.append((model(up, x) - model(dn, x)) / (2 * h))
            J.append(row)
        J = mp.matrix(J)
        step = mp.lu_solve(J.T * J, J.T * mp.matrix(r))
        b = [b[j] + step[j] for j in range(len(b))]
    return b


def check(name, model, xs, ys, s1, s2, cert, rss):
    """The certified parameters lie within 1e-9 (relative) of the least-squares minimum,
    whose residual sum is the certified one to 1e-9 (Lanczos1, whose residual sum is the
    rounding noise of its 13-digit data, to 1e-4)."""
    assert len(xs) == len(ys), name
    assert len(s1) == len(s2) == len(cert), name
    b = [mp.mpf(c) for c in cert]
    best = refine(model, b, xs, ys)
    s = sse(model, best, xs, ys)
    certified = mp.mpf(rss)
    digits = mp.mpf("1e-4") if name == "Lanczos1" else mp.mpf("1e-9")
    near = max(abs(best[j] / b[j] - 1) for j in range(len(b)))
    ok = abs(s / certified - 1) < digits and near < mp.mpf("1e-9")
    sys.stderr.write("%-9s n=%2d p=%d  minimum SSE = %s  certified %s  parameters within %s  %s\n"
                     % (name, len(xs), len(cert), mp.nstr(s, 12), rss, mp.nstr(near, 2),
                        "ok" if ok else "MISMATCH"))
    return ok


def main():
    ok = True
    out = []
    out.append("// Nonlinear regression problems of the Statistical Reference Datasets (StRD) of the\n"
               "// National Institute of Standards and Technology, Information Technology Laboratory\n"
               "// (https://www.itl.nist.gov/div898/strd/nls/nls_main.shtml): data, NIST's two start\n"
               "// vectors, certified parameters and certified residual sum of squares. Written by\n"
               "// nist_nonlinear_reference.py, which checks that the certified parameters reproduce the\n"
               "// certified residual sum (mpmath, 40 digits) before it writes anything.\n"
               "#pragma once\n\n#include <string_view>\n#include <vector>\n\nnamespace nist_strd {\n\n"
               "struct Problem {\n"
               "  std::string_view name;\n"
               "  std::string_view zLine;  // the model as a user function, b1.. as A0..\n"
               "  std::vector<long double> x, y, start1, start2, certified;\n"
               "  long double certifiedSse;\n"
               "};\n\n"
               "inline const std::vector<Problem>& Problems() {\n"
               "  static const std::vector<Problem> problems = {\n")
    for name, zline, model, xs, ys, s1, s2, cert, rss in PROBLEMS:
        xs, ys, s1, s2, cert = (v.split() for v in (xs, ys, s1, s2, cert))
        ok &= check(name, model, xs, ys, s1, s2, cert, rss)
        lit = lambda v: ", ".join(t + "L" for t in v)
        out.append('      {"%s",\n       "%s",\n' % (name, zline))
        for v in (xs, ys, s1, s2, cert):
            out.append("       {%s},\n" % lit(v))
        out.append("       %sL},\n" % rss)
    out.append("  };\n  return problems;\n}\n\n}  // namespace nist_strd\n")
    if not ok:
        sys.exit("a problem does not reproduce its certified residual sum")
    sys.stdout.write("".join(out))


main()
