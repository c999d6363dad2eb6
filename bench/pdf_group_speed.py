#!/usr/bin/env python3
"""A group of every FAA chart built at Scaling 1 (width 1024), plate by plate,
next to mutool rendering the same pages in the same run.

Ours: bench/tools/pdf_group_timing (CPU time, best of --rounds builds): the
whole plate through the build driver (load, render, palettise, encode,
append) and its stages measured apart. mutool: `mutool draw -w 1024 FILE 1`
without output (the page rendered, nothing written), CPU time of the whole
process (start-up and load included), best of --rounds; `mutool pages
FILE 1` for start-up and load alone ("mu load"); and the page time that
mutool reports itself (`-s t`, wall clock, so it suffers on a busy machine).
Our builds and mutool's passes alternate, round by round.

Usage: bench/pdf_group_speed.py [--build DIR] [--corpus DIR] [--rounds N]
"""
import argparse
import os
import re
import resource
import statistics
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
parser = argparse.ArgumentParser()
parser.add_argument("--build", default=os.path.join(here, "..", "build"))
parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus", "faa"))
parser.add_argument("--rounds", type=int, default=3)
args = parser.parse_args()

timing = os.path.join(args.build, "bench", "pdf_group_timing")


def child_cpu_ms():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (r.ru_utime + r.ru_stime) * 1000


def cpu_ms(command):
    """CPU time of the command, and its output."""
    before = child_cpu_ms()
    run = subprocess.run(command, capture_output=True, text=True)
    return child_cpu_ms() - before, run.stdout + run.stderr


# Rounds alternate between our build and mutool's pass over the charts, so
# that a machine whose speed drifts over the minutes weighs on both alike;
# each figure is the best of its rounds.
ours = {}
mutool = {}
for _ in range(args.rounds):
    out = subprocess.run([timing, args.corpus, "--rounds", "1"], check=True,
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        name, *values = line.split("\t")
        values = [float(v) for v in values]
        ours[name] = [min(a, b) for a, b in zip(ours[name], values)] if name in ours else values
    for name in sorted(ours):
        path = os.path.join(args.corpus, name)
        cpu, text = cpu_ms(["mutool", "draw", "-s", "t", "-w", "1024", path, "1"])
        pages = [float(t) for t in re.findall(r"fastest page 1: (\d+)ms", text)]
        page = min(pages) if pages else float("nan")
        # Start-up and load alone: the page's size without drawing it.
        startup, _ = cpu_ms(["mutool", "pages", path, "1"])
        best = mutool.get(name, (float("inf"), float("inf"), float("inf")))
        mutool[name] = (min(best[0], cpu), min(best[1], page), min(best[2], startup))

columns = ["whole", "load", "interp", "raster", "palett", "encode", "append"]
print("%-36s %6s %6s %6s %6s %6s %6s %6s | %7s %7s %7s %6s" %
      ("chart (ms, CPU)", *columns, "mutool", "mu load", "mu page", "ratio"))
ratios = []
for name in sorted(ours):
    v = ours[name]
    cpu, page, startup = mutool[name]
    ratio = v[0] / cpu if cpu > 0 else float("nan")
    ratios.append(ratio)
    print("%-36s %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f | %7.1f %7.1f %7.0f %6.2f" %
          (name[:36], *v, cpu, startup, page, ratio))
medians = [statistics.median(ours[n][i] for n in ours) for i in range(len(columns))]
mu = [statistics.median(m[i] for m in mutool.values()) for i in range(3)]
print("%-36s %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f %6.1f | %7.1f %7.1f %7.0f %6.2f" %
      ("median of %d charts" % len(ours), *medians, mu[0], mu[2], mu[1],
       statistics.median(ratios)))
print("whole plate / mutool (CPU, start-up and load included), median of ratios: %.2f" %
      statistics.median(ratios))
print("whole plate / (mutool - mutool start-up and load), medians: %.2f" %
      (medians[0] / (mu[0] - mu[2])))
