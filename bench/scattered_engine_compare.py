#!/usr/bin/python3
"""Runs bench_scattered_engine and times SciPy's CloughTocher2DInterpolator (build plus a
120 x 120 grid, best of five) on the same 16384 points in the same run, then compares the
engine's code 16 (set-up plus grid) with it, and checks code 17 against its 1 s budget.
Debian's python3 with python3-scipy:
    /usr/bin/python3 bench/scattered_engine_compare.py build/bin/bench_scattered_engine
"""
import re
import subprocess
import sys
import time

import numpy as np
from scipy.interpolate import CloughTocher2DInterpolator

from scipy_reference import points

GRID = 120


def clough_tocher_ms():
    p, z = points(16384)
    g = (np.arange(GRID) + 0.5) / GRID
    gx, gy = np.meshgrid(g, g)
    q = np.column_stack([gx.ravel(), gy.ravel()])
    best = float("inf")
    for _ in range(5):
        start = time.perf_counter()
        CloughTocher2DInterpolator(p, z)(q)
        best = min(best, (time.perf_counter() - start) * 1000.0)
    return best


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else "build/bin/bench_scattered_engine"
    lines = subprocess.run([program], check=True, capture_output=True, text=True).stdout
    print(lines, end="")
    reference = clough_tocher_ms()
    print(f"clough_tocher n=16384 grid={GRID}x{GRID} ms={reference:.2f}")
    figures = {}
    for line in lines.splitlines():
        m = re.match(r"code=(\d+) n=(\d+) setup_ms=([\d.]+) grid_ms=([\d.]+) stats_ms=([\d.]+)", line)
        if m:
            figures[(int(m[1]), int(m[2]))] = [float(v) for v in m.groups()[2:]]
    own = sum(figures[(16, 16384)][:2])
    loess = sum(figures[(17, 16384)])
    ok_own = own <= reference
    ok_loess = loess < 1000.0
    print(f"code 16 set-up + grid {own:.2f} ms vs Clough-Tocher {reference:.2f} ms: "
          f"{'met' if ok_own else 'MISSED'}")
    print(f"code 17 set-up + grid + statistics {loess:.2f} ms vs 1000 ms: "
          f"{'met' if ok_loess else 'MISSED'}")
    return 0 if ok_own and ok_loess else 1


if __name__ == "__main__":
    sys.exit(main())
