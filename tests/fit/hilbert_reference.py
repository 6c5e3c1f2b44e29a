#!/usr/bin/python3
# Reference values for the Hilbert-6 tests of the dense solvers, from mpmath.
# The matrix is the one the test stores: every entry 1/(i+j+1) rounded to the 64-bit
# mantissa of an x87 long double (round to nearest), so the references measure the solvers
# alone. The system is solved at 60 digits and printed to 30.
import mpmath as mp

N = 6
mp.mp.prec = 64
stored = [[mp.mpf(1) / (i + j + 1) for j in range(N)] for i in range(N)]
mp.mp.dps = 60
H = mp.matrix(stored)
b = mp.matrix([1] * N)
x = mp.lu_solve(H, b)
print("solution of H x = (1,...,1):")
for v in x:
    print("  ", mp.nstr(v, 30))
inv = H ** -1
print("determinant:", mp.nstr(mp.det(H), 30))
norm1 = lambda M: max(sum(abs(M[i, j]) for i in range(N)) for j in range(N))
norminf = lambda M: max(sum(abs(M[i, j]) for j in range(N)) for i in range(N))
print("1-norm reciprocal condition:", mp.nstr(1 / (norm1(H) * norm1(inv)), 30))
print("inf-norm condition:", mp.nstr(norminf(H) * norminf(inv), 30))
s = mp.svd_r(H, compute_uv=False)
print("smallest/largest singular value:", mp.nstr(min(s) / max(s), 30))
