# Reference values of the weighted plane fit in fit_use_test.cpp (PlaneReference): parameter
# standard errors, t values and the confidence and prediction half-widths, computed
# independently with numpy and scipy. Run with /usr/bin/python3.
import numpy as np
from scipy import stats

noise = [0.03, -0.02, 0.05, -0.04, 0.01, 0.02, -0.03, 0.04, -0.01, 0.00,
         0.06, -0.05, 0.02, -0.02, 0.03, -0.06, 0.01, 0.04, -0.03, 0.02]
xs, ys, zs, ws = [], [], [], []
i = 0
for x in range(1, 6):
    for y in range(1, 5):
        xs.append(x); ys.append(y)
        zs.append(2 + 0.5 * x - 0.3 * y + noise[i])
        ws.append(1 + i % 3)
        i += 1
X = np.column_stack([np.ones(20), xs, ys])
z = np.array(zs)
w = np.array(ws, dtype=float)
w = w * len(w) / w.sum()  # the program's weights add up to n
W = np.diag(w)
A = X.T @ W @ X
C = np.linalg.inv(A)
p = C @ X.T @ W @ z
r = z - X @ p
sse = r @ W @ r
n, k = 20, 3
s = np.sqrt(sse / (n - k))
print("params", repr(p.tolist()))
print("sse", repr(sse), "s", repr(s))
print("stderr", repr((s * np.sqrt(np.diag(C))).tolist()))
for level in (0.90, 0.95, 0.99, 0.999, 0.9999):
    print("t", level, repr(stats.t.ppf(1 - (1 - level) / 2, n - k)))
t95 = stats.t.ppf(0.975, n - k)
for (x0, y0) in ((2.5, 1.5), (7.0, -1.0)):
    g = np.array([1, x0, y0])
    q = g @ C @ g
    # The program's t values come from its own rational approximations: the test compares
    # the half-widths divided by t.
    print("at", x0, y0, "s*sqrt(q)", repr(s * np.sqrt(q)), "s*sqrt(1+q)", repr(s * np.sqrt(1 + q)))
