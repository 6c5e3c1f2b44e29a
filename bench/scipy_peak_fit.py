#!/usr/bin/python3
"""Times SciPy's Levenberg-Marquardt (least_squares, method "lm", double precision, with the
analytic Jacobian) on the Gaussian peak with an offset (equation 2002),

    z = a + b exp(-((x - c)/d)^2 / 2) exp(-((y - e)/f)^2 / 2),

against bench_nonlinear_fit's fit of the same points from the same start values, at N = 1000
and N = 16384, ours with its point loop on one thread and shared among four. The points and start values come from the benchmark program itself
(ONDRAVIK_PEAK_DUMP), so both fit exactly the same data. Prints both times, their ratio
and both sums of squares. Run by hand (needs Debian's python3-scipy), not by CI:

    /usr/bin/python3 bench/scipy_peak_fit.py build/bin/bench_nonlinear_fit [--rounds R]

On a shared, noisy machine a single pair of timings says little: with --rounds R (default 1)
each round times SciPy and then ours once more, and the times and the ratio printed are the
medians over the rounds of each round's own figures, so that every ratio is taken side by
side.

With --fits F [--points N] the script only fits the N points (16384 by default) F times with
SciPy and prints the last fit's sum of squares, to be timed as a whole process beside
bench_nonlinear_fit run with ONDRAVIK_PEAK_FITS=F, ONDRAVIK_PEAK_N=N and
ONDRAVIK_PEAK_THREADS=T, which makes as many fits of the same data (with /usr/bin/time, say;
--fits 0 times the start-up of each, to be taken off):

    /usr/bin/time -f %e /usr/bin/python3 bench/scipy_peak_fit.py build/bin/bench_nonlinear_fit --fits 100
    ONDRAVIK_PEAK_FITS=100 ONDRAVIK_PEAK_N=16384 ONDRAVIK_PEAK_THREADS=4 /usr/bin/time -f %e build/bin/bench_nonlinear_fit
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy.optimize import least_squares


def load(program, n):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "peak.txt")
        env = dict(os.environ, ONDRAVIK_PEAK_DUMP=path, ONDRAVIK_PEAK_EQN="2002", ONDRAVIK_PEAK_N=str(n))
        subprocess.run([program], env=env, check=True)
        with open(path) as f:
            start = np.array([float(v) for v in f.readline().split()[1:]])
            xyz = np.loadtxt(f)
    return start, xyz[:, 0], xyz[:, 1], xyz[:, 2]


def scipy_fit(start, x, y, z):
    def parts(p):
        a, b, c, d, e, f = p
        u, v = (x - c) / d, (y - e) / f
        g = np.exp(-0.5 * u * u) * np.exp(-0.5 * v * v)
        return u, v, g

    def residuals(p):
        return p[0] + p[1] * parts(p)[2] - z

    def jacobian(p):
        _, b, _, d, _, f = p
        u, v, g = parts(p)
        bg = b * g
        return np.column_stack([np.ones_like(x), g, bg * u / d, bg * u * u / d, bg * v / f, bg * v * v / f])

    return least_squares(residuals, start, jac=jacobian, method="lm", xtol=1e-12, ftol=1e-12, gtol=1e-12)


def seconds_of_scipy(start, x, y, z, repeats):
    times = []
    for _ in range(repeats):
        t0 = time.perf_counter()
        fit = scipy_fit(start, x, y, z)
        times.append(time.perf_counter() - t0)
    return statistics.median(times), float(np.sum(fit.fun ** 2)), fit.nfev


def ours(program, n, threads):
    out = subprocess.run([program, f"--benchmark_filter=BM_MarquardtPeak/eqn:2002/n:{n}/threads:{threads}/",
                          "--benchmark_format=json", "--benchmark_repetitions=5"],
                         check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return statistics.median(b["real_time"] for b in runs) / 1e6, runs[0]["sse"]


def option(args, name, default):
    if name not in args:
        return default
    i = args.index(name)
    value = int(args[i + 1])
    del args[i:i + 2]
    return value


def main():
    args = sys.argv[1:]
    rounds = max(1, option(args, "--rounds", 1))
    fits = option(args, "--fits", None)
    points = option(args, "--points", 16384)
    program = args[0] if args else "build/bin/bench_nonlinear_fit"
    if fits is not None:
        start, x, y, z = load(program, points)
        fit = None
        for _ in range(fits):
            fit = scipy_fit(start, x, y, z)
        print(f"fits {fits} sse {float(np.sum(fit.fun ** 2)) if fit else float('nan'):.17g}")
        return
    print(f"{'N':>6} {'threads':>7} {'ours ms':>9} {'SciPy ms':>9} {'ours/SciPy':>10} {'SSE ours':>14} "
          f"{'SSE SciPy':>14} {'rel diff':>9}")
    for n in (1000, 16384):
        start, x, y, z = load(program, n)
        rows = {1: [], 4: []}  # per round: (ours s, SciPy s, ratio)
        for _ in range(rounds):
            scipy_s, scipy_sse, _ = seconds_of_scipy(start, x, y, z, 20 if n <= 1000 else 5)
            for threads in (1, 4):
                ours_s, ours_sse = ours(program, n, threads)
                rows[threads].append((ours_s, scipy_s, ours_s / scipy_s))
        for threads in (1, 4):
            ours_s, scipy_s, ratio = (statistics.median(r[k] for r in rows[threads]) for k in range(3))
            print(f"{n:>6} {threads:>7} {ours_s * 1e3:>9.2f} {scipy_s * 1e3:>9.2f} {ratio:>10.2f} "
                  f"{ours_sse:>14.9g} {scipy_sse:>14.9g} {abs(ours_sse - scipy_sse) / scipy_sse:>9.1e}")


if __name__ == "__main__":
    main()
