"""Reference figures of the review panes' test data: the plane z = 1 + 2x + 3y + e on the
3x3 grid with three replicates, fitted by least squares (SciPy)."""
import numpy as np
from scipy import stats
pts = []
e = [0.1, -0.1, 0, 0.2, 0, -0.2, 0, 0.1, -0.1]
k = 0
for x in range(3):
    for y in range(3):
        pts.append((x, y, 1 + 2*x + 3*y + e[k])); k += 1
for (x, y), d in zip([(0, 0), (1, 1), (2, 2)], [-0.1, 0.1, 0.2]):
    pts.append((x, y, 1 + 2*x + 3*y + d))
P = np.array(pts, dtype=float)
A = np.c_[np.ones(len(P)), P[:, 0], P[:, 1]]
z = P[:, 2]
a, *_ = np.linalg.lstsq(A, z, rcond=None)
r = z - A @ a
sse = r @ r; sst = ((z - z.mean())**2).sum(); n, p = A.shape
dfe = n - p; s2 = sse / dfe
C = np.linalg.inv(A.T @ A); se = np.sqrt(s2 * np.diag(C))
t95 = stats.t.ppf(0.975, dfe)
F = ((sst - sse) / 2) / s2
print("a", a, "sse", sse, "sst", sst, "r2", 1 - sse/sst, "F", F)
print("limits b", a[1] - t95*se[1], a[1] + t95*se[1], "P c", 2*stats.t.sf(abs(a[2]/se[2]), dfe))
pe = sum(((z[(P[:,0]==x)&(P[:,1]==y)] - z[(P[:,0]==x)&(P[:,1]==y)].mean())**2).sum() for x in range(3) for y in range(3))
lf = sse - pe; flf = (lf/6)/(pe/3)
print("pure", pe, "lack", lf, "F", flf, "P", stats.f.sf(flf, 6, 3), "attainable", (sst-pe)/sst)
print("volume", a[0]*4 + a[1]*4 + a[2]*4, "zmin", a[0], "zmax", a[0] + 2*a[1] + 2*a[2])
print("P regr", stats.f.sf(F, 2, dfe))
