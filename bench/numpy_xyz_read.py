#!/usr/bin/python3
"""Times numpy.loadtxt on the XYZ text file bench_import_readers reads (16384 points, a quoted
title line and three name lines, then "x y z" per line as "%.15g"), beside the benchmark's own
median for BM_ReadAsciiXYZ. On a shared machine the load changes from second to second, so the
two are timed in turns, several rounds: each round prints both medians and their ratio, and the
end the median of the rounds' ratios. Run by hand (needs Debian's python3-numpy), not by CI:

    /usr/bin/python3 bench/numpy_xyz_read.py build/bin/bench_import_readers [rounds] [cpu]

Given a cpu number, both run on that one core (the benchmark inherits the affinity), which
steadies the figures on a busy machine.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

POINTS = 16384


def write_file(path):
    with open(path, "w") as f:
        f.write('"Bench"\nx\ny\nz\n')
        for i in range(1, POINTS + 1):
            x = i * 0.001
            y = (i % 97) * 0.25
            f.write("%.15g %.15g %.15g\n" % (x, y, x * y + 1.0 / i))


def numpy_ms(path, repeats=21):
    times = []
    for _ in range(repeats):
        t0 = time.perf_counter()
        table = np.loadtxt(path, skiprows=4)
        times.append(time.perf_counter() - t0)
    assert table.shape == (POINTS, 3)
    return statistics.median(times) * 1e3


def ours_ms(program):
    out = subprocess.run([program, "--benchmark_filter=BM_ReadAsciiXYZ$", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_min_time=0.2"],
                         check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return statistics.median(b["real_time"] for b in runs), statistics.median(b["cpu_time"] for b in runs)


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else "build/bin/bench_import_readers"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    if len(sys.argv) > 3:
        os.sched_setaffinity(0, {int(sys.argv[3])})
    print(f"{'round':>5} {'ours ms':>8} {'ours cpu':>8} {'numpy ms':>8} {'ours/numpy':>10}")
    ours, theirs, ratios = [], [], []
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "xyz.txt")
        write_file(path)
        for r in range(1, rounds + 1):
            wall, cpu = ours_ms(program)
            numpy = numpy_ms(path)
            ours.append(wall)
            theirs.append(numpy)
            ratios.append(wall / numpy)
            print(f"{r:>5} {wall:>8.2f} {cpu:>8.2f} {numpy:>8.2f} {wall / numpy:>10.2f}", flush=True)
    print(f"{POINTS} points, median of {rounds} rounds: ours {statistics.median(ours):.2f} ms, "
          f"numpy.loadtxt {statistics.median(theirs):.2f} ms, ours/numpy {statistics.median(ratios):.2f}")


if __name__ == "__main__":
    main()
