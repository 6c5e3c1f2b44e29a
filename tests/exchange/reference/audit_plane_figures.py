# Reference figures of the audit and covariance files of equation 1 (z = a + bx + cy) on
# the replicated plane of the review tests: the grid x, y in {0, 1, 2} with z = 1 + 2x + 3y + e
# and three replicates. Exact rational arithmetic (fractions) and the printf forms of the files.
from fractions import Fraction as F
import math

e = [F(1, 10), F(-1, 10), 0, F(2, 10), 0, F(-2, 10), 0, F(1, 10), F(-1, 10)]
pts = []
k = 0
for x in range(3):
    for y in range(3):
        pts.append((x, y, 1 + 2 * x + 3 * y + e[k]))
        k += 1
for x, y, d in [(0, 0, F(-1, 10)), (1, 1, F(1, 10)), (2, 2, F(2, 10))]:
    pts.append((x, y, 1 + 2 * x + 3 * y + d))
n = len(pts)
X = [[F(1), F(x), F(y)] for x, y, _ in pts]
z = [p[2] for p in pts]
XtX = [[sum(r[i] * r[j] for r in X) for j in range(3)] for i in range(3)]
Xtz = [sum(r[i] * zz for r, zz in zip(X, z)) for i in range(3)]


def inverse(m):
    a = [row[:] + [F(int(i == j)) for j in range(3)] for i, row in enumerate(m)]
    for c in range(3):
        p = next(r for r in range(c, 3) if a[r][c] != 0)
        a[c], a[p] = a[p], a[c]
        piv = a[c][c]
        a[c] = [v / piv for v in a[c]]
        for r in range(3):
            if r != c:
                f = a[r][c]
                a[r] = [v - f * w for v, w in zip(a[r], a[c])]
    return [row[3:] for row in a]


inv = inverse(XtX)
beta = [sum(inv[i][j] * Xtz[j] for j in range(3)) for i in range(3)]
sse = sum((zz - sum(b * v for b, v in zip(beta, r))) ** 2 for r, zz in zip(X, z))
mean = sum(z) / n
ssm = sum((zz - mean) ** 2 for zz in z)
s2 = sse / (n - 3)
print("beta", beta, "sse", sse, "ssm", ssm, "s2", s2)
for i in range(3):
    print("se", i, "%.5g" % float(math.sqrt(float(s2 * inv[i][i]))))
for i in range(3):
    print("".join("%-12.6g  " % float(s2 * inv[i][j]) for j in range(3)))
print("ssm %.5g sse %.5g" % (float(ssm), float(sse)))
