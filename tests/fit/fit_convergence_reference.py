#!/usr/bin/python3
"""References of tests/fit/fit_convergence_test.cpp (python3-scipy, python3-numpy).

For every built-in non-linear equation 2001-2168 on the badly scaled tables of
tests/fit/badly_scaled_tables.h, the r² that SciPy's Levenberg-Marquardt
(scipy.optimize.least_squares, method 'lm', MINPACK, x_scale 'jac', ftol = xtol = gtol
= 1e-15, at most 1000 (p + 1) evaluations) reaches from the program's own start values.
The points and the start values are read from what bench_fit_convergence_hunt writes:

    bench_fit_convergence_hunt --random 0 --dump DIR
    python3 tests/fit/fit_convergence_reference.py DIR > tests/fit/fit_convergence_data.h

Every value of the tables is exact in binary, so the points read here are the program's to
the bit. The equations are those of src/fit/nonlinear_forms.h and the shape files,
written here in numpy (the shapes' repairs of a zero width or centre included). NaN where
SciPy fails or its r² is not finite.
"""
import sys
import warnings

import numpy as np
from scipy.optimize import least_squares
from scipy.special import erfc

warnings.filterwarnings('ignore')
R = 1e-12  # the repaired abscissa, width and centre


def pos(t): return np.where(t > 0, t, R)
def wid(w): return R if w == 0 else w
def cpos(c): return c if c > 0 else R


def gauss(t, s): u = (t - s[0]) / wid(s[1]); return np.exp(-u * u / 2)
def lor(t, s): u = (t - s[0]) / wid(s[1]); return 1 / (1 + u * u)
def lognorm(t, s): u = np.log(pos(t) / cpos(s[0])) / wid(s[1]); return np.exp(-u * u / 2)


def lognorm_mixed(t, s):
    c = R if s[0] == 0 else s[0]
    u = np.log(t / c) / wid(s[1])
    return np.exp(-u * u / 2)


def logistic(t, s): u = (t - s[0]) / wid(s[1]); e = np.exp(-np.abs(u)); return 4 * e / (1 + e) ** 2
def extrval(t, s): u = (t - s[0]) / wid(s[1]); return np.exp(1 - u - np.exp(-u))
def gcum(t, s): u = (t - s[0]) / (np.sqrt(2) * wid(s[1])); return erfc(-u) / 2
def lorcum(t, s): u = (t - s[0]) / wid(s[1]); return np.arctan(u) / np.pi + 0.5


def lncum(t, s):
    w = wid(s[1])
    return erfc(w / np.sqrt(2) - np.log(pos(t) / cpos(s[0])) / (np.sqrt(2) * w)) / 2


def sig(t, s): u = (t - s[0]) / wid(s[1]); return 1 / (1 + np.exp(-u))
def exvcum(t, s): u = (t - s[0]) / wid(s[1]); return np.exp(-np.exp(-u))
def ldr(t, s): return 1 / (1 + np.exp(-s[1] * np.log(pos(t) / cpos(s[0]))))
def expo(t, s): return np.exp(-t / wid(s[0]))
def power(t, s): return np.exp(s[0] * np.log(pos(t)))


BLOCKS = [gauss, lor, lognorm, logistic, extrval, None, gcum, lorcum, lncum, sig, exvcum, ldr, expo, power]
MIXED_FORMS = [0, 0, 1, 1, 4, 4, 5, 5, 10, 10, 11, 11]


def form_value(form, k, fx, fy, a, x, y):
    """Form 0..11 with the shapes fx, fy of k parameters each; a is 1-based (a[0] unused)."""
    if form in (1, 3, 5, 11):
        return a[1] + form_value(form - 1, k, fx, fy, [None] + list(a[2:]), x, y)
    if form == 0:
        return a[1] * fx(x, a[2:2 + k]) * fy(y, a[2 + k:2 + 2 * k])
    if form == 2:
        width = a[k + 1]
        return a[1] * fx(x, list(a[2:k + 1]) + [width]) * fy(y, list(a[k + 2:2 * k + 1]) + [width])
    if form == 4:
        return a[1] * fx(x, a[2:2 + k]) + a[2 + k] * fy(y, a[3 + k:3 + 2 * k])
    if form == 10:
        X, Y = fx(x, a[2:2 + k]), fy(y, a[3 + k:3 + 2 * k])
        return a[1] * X + a[2 + k] * Y + a[3 + 2 * k] * X * Y
    quad = form >= 8
    amp = 4 if quad else 3
    s = a[amp + 1:amp + 1 + k]
    if form % 2 == 0:  # the line in y, the shape in x
        v = a[1] + a[2] * y + a[amp] * fx(x, s)
        return v + a[3] * y * y if quad else v
    v = a[1] + a[2] * x + a[amp] * fy(y, s)
    return v + a[3] * x * x if quad else v


def value(number, params, x, y):
    index = number - 2001
    a = [None] + list(params)
    if index >= 168:
        return a[1] + a[2] * x + a[3] * y
    block, position = divmod(index, 12)
    if block == 5:
        fx, fy = (gauss, lognorm_mixed) if position % 2 == 0 else (lognorm_mixed, gauss)
        return form_value(MIXED_FORMS[position], 2, fx, fy, a, x, y)
    return form_value(position, 1 if block >= 12 else 2, BLOCKS[block], BLOCKS[block], a, x, y)


def references(directory, table):
    x, y, z, w = np.loadtxt(f'{directory}/table_{table}.csv', delimiter=',', ndmin=2).T
    sw = np.sqrt(w * len(w) / w.sum())
    mean = np.sum(sw ** 2 * z) / np.sum(sw ** 2)
    sst = np.sum(sw ** 2 * (z - mean) ** 2)
    out = {}
    for line in open(f'{directory}/starts_{table}.txt'):
        v = line.split()
        number, start = int(v[0]), np.array([float(s) for s in v[2:]])
        if number > 2168:
            continue
        def residuals(p): return sw * (value(number, p, x, y) - z)
        r2 = float('nan')
        try:
            with np.errstate(all='ignore'):
                fit = least_squares(residuals, start, method='lm', x_scale='jac', ftol=1e-15, xtol=1e-15,
                                    gtol=1e-15, max_nfev=1000 * (len(start) + 1))
                r2 = 1 - np.sum(fit.fun ** 2) / sst
        except (ValueError, np.linalg.LinAlgError):
            pass
        out[number] = r2 if np.isfinite(r2) else float('nan')
        print(table, number, out[number], file=sys.stderr, flush=True)
    return out


def power_minima(directory):
    """The minima of z = a x^b y^c (2157) and z = a x^b y^b (2159) on table 0, found by
    SciPy in the centred logarithm of the amplitude (a = exp(l - b ln x0 - c ln y0)), where
    the valley that the amplitude itself bends is straight: r² and the parameters."""
    x, y, z, w = np.loadtxt(f'{directory}/table_0.csv', delimiter=',', ndmin=2).T
    sst = np.sum((z - z.mean()) ** 2)
    lx0, ly0 = np.log(513000.0), np.log(5405000.0)
    u, v = np.log(x) - lx0, np.log(y) - ly0
    out = []
    for shared in (False, True):
        def residuals(q): return np.exp(q[0] + q[1] * u + (q[1] if shared else q[2]) * v) - z
        q = least_squares(residuals, [np.log(826.0), 1.0] + ([] if shared else [1.0]), method='lm', ftol=1e-15,
                          xtol=1e-15, gtol=1e-15).x
        c = q[1] if shared else q[2]
        out.append((1 - np.sum(residuals(q) ** 2) / sst, q[0] - q[1] * lx0 - c * ly0, q[1], c))
    return out


def main():
    directory = sys.argv[1]
    tables = [int(t) for t in sys.argv[2:]] or [0, 1, 2, 3, 4]
    print('// Written by tests/fit/fit_convergence_reference.py (SciPy least_squares, method lm, from the')
    print("// program's start values); see there. r² of equations 2001..2168, NaN where SciPy failed.")
    print('#pragma once')
    print()
    print('#include <array>')
    print()
    print('namespace fit_convergence_data {')
    print()
    print('inline constexpr long double kNaN = __builtin_nanl("");')
    print(f'inline constexpr std::array<std::array<long double, 168>, {len(tables)}> kScipyR2 = {{{{')
    for t in tables:
        r = references(directory, t)
        cells = [('kNaN' if np.isnan(r.get(n, float('nan'))) else f'{r[n]:.12g}L') for n in range(2001, 2169)]
        print(f'    // table {t}: equations 2001.., six a line')
        print('    {{')
        for i in range(0, len(cells), 6):
            print('        ' + ', '.join(cells[i:i + 6]) + ',')
        print('    }},')
    print('}};')
    print()
    (r2, la, b, c), (r2s, las, bs, _) = power_minima(directory)
    print(f'// The minimum of z=POWX(a,b)*POWY(1,c) on table 0: a = exp({la:.6f}), b = {b:.6f}, c = {c:.6f}.')
    print(f'inline constexpr long double kPowerProductMinimumR2 = {r2:.12g}L;')
    print(f'// The minimum of z=POWX(a,b)*POWY(1,b) on table 0: a = exp({las:.6f}), b = {bs:.6f}.')
    print(f'inline constexpr long double kSharedPowerMinimumR2 = {r2s:.12g}L;')
    print()
    print('}  // namespace fit_convergence_data')


if __name__ == '__main__':
    main()
