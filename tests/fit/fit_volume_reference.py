#!/usr/bin/python3
# Reference values of tests/fit/fit_volume_test.cpp (python3-numpy, python3-mpmath):
#   python3 tests/fit/fit_volume_reference.py issue   the narrow peak's table (z by numpy)
#   python3 tests/fit/fit_volume_reference.py shapes  the volumes of the shape grid (mpmath)
# The volume of a built-in non-linear equation is a combination of one-dimensional integrals
# of its shapes (the forms of src/fit/nonlinear_forms.h), each taken by mpmath at 30 digits
# over pieces split at the shape's centre and at 1/8, 1/2, 2, 8, ... widths from it.
import sys
import mpmath as mp

mp.mp.dps = 30
R = mp.mpf('1e-12')  # the repaired abscissa and width


def pos(t): return t if t > 0 else R
def wid(w): return R if w == 0 else w
def gauss(t, s): u = (t - s[0]) / wid(s[1]); return mp.exp(-u * u / 2)
def lor(t, s): u = (t - s[0]) / wid(s[1]); return 1 / (1 + u * u)


def lognorm(t, s):
    c = s[0] if s[0] > 0 else R
    u = mp.log(pos(t) / c) / wid(s[1])
    return mp.exp(-u * u / 2)


def lognorm_mixed(t, s):
    c = R if s[0] == 0 else s[0]
    if t == 0: return mp.mpf(0)
    u = mp.log(t / c) / wid(s[1])
    return mp.exp(-u * u / 2)


def logistic(t, s): u = (t - s[0]) / wid(s[1]); e = mp.exp(-abs(u)); return 4 * e / (1 + e) ** 2
def extrval(t, s): u = (t - s[0]) / wid(s[1]); return mp.exp(1 - u - mp.exp(-u))
def gcum(t, s): u = (t - s[0]) / (mp.sqrt(2) * wid(s[1])); return mp.erfc(-u) / 2
def lorcum(t, s): u = (t - s[0]) / wid(s[1]); return mp.atan(u) / mp.pi + mp.mpf(1) / 2


def lncum(t, s):
    c = s[0] if s[0] > 0 else R
    w = wid(s[1])
    v = w / mp.sqrt(2) - mp.log(pos(t) / c) / (mp.sqrt(2) * w)
    return mp.erfc(v) / 2


def sig(t, s): u = (t - s[0]) / wid(s[1]); return 1 / (1 + mp.exp(-u))
def exvcum(t, s): u = (t - s[0]) / wid(s[1]); return mp.exp(-mp.exp(-u))


def ldr(t, s):
    c = s[0] if s[0] > 0 else R
    return 1 / (1 + mp.exp(-s[1] * mp.log(pos(t) / c)))


def expo(t, s): return mp.exp(-t / wid(s[0]))
def power(t, s): return mp.exp(s[0] * mp.log(pos(t)))


BLOCKS = [gauss, lor, lognorm, logistic, extrval, None, gcum, lorcum, lncum, sig, exvcum, ldr, expo, power]
MIXED_FORMS = [0, 0, 1, 1, 4, 4, 5, 5, 10, 10, 11, 11]
LOG_SHAPES = (lognorm, lognorm_mixed, lncum, ldr, power)


def points(f, s, lo, hi):
    pts = [lo, hi] + [lo + (hi - lo) * k / 64 for k in range(1, 64)]
    if f in LOG_SHAPES:
        # every factor of 2 down to the repaired abscissa, and around the centre in ln t
        t = hi
        while t > R:
            pts.append(t)
            t /= 2
        pts.append(R)
        if len(s) == 2 and s[0] > 0:
            scale = abs(s[1]) if f is not ldr else (1 / abs(s[1]) if s[1] != 0 else 1)
            for k in range(40):
                for sg in (1, -1):
                    pts.append(s[0] * mp.exp(sg * scale * 2 ** k / 8))
            pts.append(s[0])
    elif len(s) == 2:
        for k in range(60):
            for sg in (1, -1):
                pts.append(s[0] + sg * abs(s[1]) * 2 ** k / 8)
        pts.append(s[0])
    else:
        for k in range(60):
            pts.append(lo + abs(s[0]) * 2 ** k / 8)
            pts.append(hi - abs(s[0]) * 2 ** k / 8)
    return sorted(set(p for p in pts if lo <= p <= hi))


def integral(f, s, lo, hi):
    s = [mp.mpf(v) for v in s]
    return mp.quad(lambda t: f(t, s), points(f, s, lo, hi))


def volume(index, a, x0, x1, y0, y1):
    a = [None] + [mp.mpf(v) for v in a]
    x0, x1, y0, y1 = map(mp.mpf, (x0, x1, y0, y1))
    if index >= 168:
        return a[1] * (x1 - x0) * (y1 - y0) + a[2] * (y1 - y0) * (x1 ** 2 - x0 ** 2) / 2 + \
            a[3] * (x1 - x0) * (y1 ** 2 - y0 ** 2) / 2
    block, position = divmod(index, 12)
    if block == 5:
        form = MIXED_FORMS[position]
        fx, fy = (gauss, lognorm_mixed) if position % 2 == 0 else (lognorm_mixed, gauss)
        k = 2
    else:
        form, fx, fy, k = position, BLOCKS[block], BLOCKS[block], 1 if block >= 12 else 2
    return form_volume(form, k, fx, fy, a, x0, x1, y0, y1)


def form_volume(form, k, fx, fy, a, x0, x1, y0, y1):
    w, h = x1 - x0, y1 - y0
    ix = lambda s: integral(fx, s, x0, x1)
    iy = lambda s: integral(fy, s, y0, y1)
    if form in (1, 3, 5, 11):
        return a[1] * w * h + form_volume(form - 1, k, fx, fy, [None] + a[2:], x0, x1, y0, y1)
    if form == 0:
        return a[1] * ix(a[2:2 + k]) * iy(a[2 + k:2 + 2 * k])
    if form == 2:
        width = a[k + 1]
        return a[1] * ix(a[2:k + 1] + [width]) * iy(a[k + 2:2 * k + 1] + [width])
    if form == 4:
        return a[1] * ix(a[2:2 + k]) * h + a[2 + k] * iy(a[3 + k:3 + 2 * k]) * w
    if form == 10:
        jx, jy = ix(a[2:2 + k]), iy(a[3 + k:3 + 2 * k])
        return a[1] * jx * h + a[2 + k] * jy * w + a[3 + 2 * k] * jx * jy
    quad = form >= 8
    amp = 4 if quad else 3
    s = a[amp + 1:amp + 1 + k]
    if form % 2 == 0:
        v = a[1] * w * h + a[2] * w * (y1 ** 2 - y0 ** 2) / 2 + a[amp] * ix(s) * h
        if quad: v += a[3] * w * (y1 ** 3 - y0 ** 3) / 3
    else:
        v = a[1] * w * h + a[2] * h * (x1 ** 2 - x0 ** 2) / 2 + a[amp] * iy(s) * w
        if quad: v += a[3] * h * (x1 ** 3 - x0 ** 3) / 3
    return v


# The shape grid: every block of the catalogue in four of its forms, each shape 10, 100 and
# 1000 times narrower than its side of [0, 10] x [0, 2] (a shape in ln t 0.1, 0.01 and 0.001
# wide in ln t, the dose response as steep as 10, 100 and 1000), centred at x = 6.37 and
# y = 1.13.
X0, X1, Y0, Y1 = 0, 10, 0, 2
CX, CY = '6.37', '1.13'


def shape_cases():
    cases = []
    for block in range(14):
        for narrow in (10, 100, 1000):
            wx, wy = str(mp.mpf(X1 - X0) / narrow), str(mp.mpf(Y1 - Y0) / narrow)
            lw = str(mp.mpf(1) / narrow)
            if block in (2, 8):
                sx, sy = [CX, lw], [CY, lw]
            elif block == 11:
                sx, sy = [CX, str(narrow)], [CY, str(narrow)]
            elif block == 12:
                sx, sy = [wx], ['-' + wy if narrow == 10 else wy]
            elif block == 13:
                sx, sy = [{10: '0.5', 100: '-0.5', 1000: '40'}[narrow]], [{10: '3', 100: '0.25', 1000: '0.05'}[narrow]]
            else:
                sx, sy = [CX, wx], [CY, wy]
            if block == 5:
                # the mixes: a Gaussian in x and a log-normal in y, and the reverse
                gx, gy, lx, ly = [CX, wx], [CY, wy], [CX, lw], [CY, lw]
                forms = {0: (gx, ly), 1: (lx, gy), 4: (gx, ly), 9: (lx, gy)}
                for position, (px, py) in forms.items():
                    form = MIXED_FORMS[position]
                    cases.append((60 + position, form_parameters(form, px, py)))
                continue
            for form in ((0, 5, 7, 10) if block < 12 else (0, 4, 6)):
                cases.append((12 * block + form, form_parameters(form, sx, sy)))
    cases.append((168, ['1.5', '-0.25', '0.75']))
    return cases


def form_parameters(form, sx, sy):
    if form == 0: return ['5'] + sx + sy
    if form == 1: return ['1', '5'] + sx + sy
    if form == 4: return ['5'] + sx + ['3'] + sy
    if form == 5: return ['1', '5'] + sx + ['3'] + sy
    if form == 6: return ['1', '0.1', '5'] + sx
    if form == 7: return ['1', '0.1', '5'] + sy
    if form == 10: return ['5'] + sx + ['3'] + sy + ['-2']
    raise ValueError(form)


if __name__ == '__main__':
    what = sys.argv[1] if len(sys.argv) > 1 else 'shapes'
    if what == 'issue':
        import numpy as np
        rng = np.random.default_rng(21)
        xs = np.r_[np.linspace(0, 10, 41), np.linspace(6.17, 6.57, 41)]
        X = np.repeat(xs, 3)
        Y = np.tile([0.0, 1.0, 2.0], len(xs))
        Z = 1 + 5 * np.exp(-((X - 6.37) / 0.05) ** 2) + 0.1 * Y + rng.normal(0, 0.01, X.size)
        # x, then z at y = 0, 1, 2, as the numbers of a text file read them
        for i in range(0, len(Z), 3):
            print('    {' + ', '.join(f'{v!r}L' for v in [X[i]] + list(Z[i:i + 3])) + '},')
    else:
        for index, a in shape_cases():
            v = volume(index, a, X0, X1, Y0, Y1)
            print(f'    {{{index}, {{{", ".join(x + "L" for x in a)}}}, {mp.nstr(v, 25)}L}},')
