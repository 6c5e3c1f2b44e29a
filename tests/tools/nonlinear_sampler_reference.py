# Reference values of the non-linear sampler's surfaces, computed with mpmath at 30 digits
# from the shapes' closed forms. Prints the C++ rows of the table in
# tests/tools/nonlinear_sampler_test.cpp: family, form, inverted, x, y, z.
from mpmath import mp, mpf, exp, log, erf, erfc, atan, pi, sqrt, floor

mp.dps = 30
s2 = sqrt(2)

def gauss(u, c, w): return exp(-mpf('0.5') * ((u - c) / w) ** 2)
def lorentz(u, c, w): return 1 / (1 + ((u - c) / w) ** 2)
def lognorm(u, c, w): return exp(-mpf('0.5') * (log(u / c) / w) ** 2)
def logpk(u, c, w):
    e = exp(-(u - c) / w)
    return 4 * e / (1 + e) ** 2
def extval(u, c, w):
    e = exp(-(u - c) / w)
    return exp(-e - (u - c) / w + 1)
def gcum(u, c, w): return (1 + erf((u - c) / (w * s2))) / 2
def lcum(u, c, w): return (pi / 2 + atan((u - c) / w)) / pi
def lncum(u, c, w, a): return erfc(a - log(u / c) / (w * s2)) / 2
def sigm(u, c, w): return 1 / (1 + exp(-(u - c) / w))
def evcum(u, c, w): return exp(-exp(-(u - c) / w))
def dose(u, c, p): return 1 / (1 + (u / c) ** (-p))
def expo(u, w): return exp(-u / w)
def power(u, c, p): return (u / c) ** p

M = mpf
fam = [
    (lambda u: gauss(u, 55, 20), lambda u: gauss(u, 45, 15)),
    (lambda u: lorentz(u, 55, M('23.4')), lambda u: lorentz(u, 45, M('17.5'))),
    (lambda u: lognorm(u, 55, M('0.39')), lambda u: lognorm(u, 45, M('0.29'))),
    (lambda u: logpk(u, 55, M('13.3')), lambda u: logpk(u, 45, 10)),
    (lambda u: extval(u, 55, M('19.2')), lambda u: extval(u, 45, M('14.4'))),
    (lambda u: gauss(u, 55, 20), lambda u: lognorm(u, 45, M('0.29'))),
    (lambda u: gcum(u, 55, 20), lambda u: gcum(u, 45, 15)),
    (lambda u: lcum(u, 55, M('23.4')), lambda u: lcum(u, 45, M('17.5'))),
    (lambda u: lncum(u, 55, M('0.39'), M('0.2') / s2), lambda u: lncum(u, 45, M('0.29'), M('0.15') / s2)),
    (lambda u: sigm(u, 55, M('12.2')), lambda u: sigm(u, 45, M('9.2'))),
    (lambda u: evcum(u, 55, M('19.2')), lambda u: evcum(u, 45, M('14.4'))),
    (lambda u: dose(u, 55, M('3.6')), lambda u: dose(u, 45, M('5.2'))),
    (lambda u: expo(u, 40), lambda u: expo(u, 30)),
    (lambda u: power(u, 55, M('1.5')), lambda u: power(u, 45, M('2.25'))),
]
inv_power = (lambda u: power(u, 55, 1 / M('1.5')), lambda u: power(u, 45, 1 / M('2.25')))

def z(family, form, inverted, x, y):
    fxs, fys = inv_power if (family == 13 and inverted) else fam[family]
    fx, fy = fxs(x), fys(y)
    fe = fy if family == 5 else fxs(y)
    v = [100 * fx * fy, 100 * fx * fe, 60 * fx + 40 * fy, 60 * fx + 40 * fy + 30 * fx * fy,
         60 * fx + 40 * fy - 30 * fx * fy, 20 + 100 * fx + M('0.5') * floor(y)][form]
    return v if (not inverted or family == 13) else 100 - v

for family in range(14):
    for form in range(6):
        x, y = M(30), M('62.5')
        print('    {%d, %d, false, %s, %s, %sL},' % (family, form, mp.nstr(x, 5), mp.nstr(y, 5), mp.nstr(z(family, form, False, x, y), 25)))
    x, y = M(70), M(20)
    print('    {%d, 0, true, %s, %s, %sL},' % (family, mp.nstr(x, 5), mp.nstr(y, 5), mp.nstr(z(family, 0, True, x, y), 25)))
