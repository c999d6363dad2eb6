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
out = subprocess.run([timing, args.corpus, "--rounds", str(args.rounds)], check=True,
                     capture_output=True, text=True).stdout
ours = {}
for line in out.splitlines():
    name, *values = line.split("\t")
    ours[name] = [float(v) for v in values]


def child_cpu_ms():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (r.ru_utime + r.ru_stime) * 1000


def best_cpu_ms(command):
    """Least CPU time of the command over the rounds, and its output."""
    best, text = float("inf"), ""
    for _ in range(args.rounds):
        before = child_cpu_ms()
        run = subprocess.run(command, capture_output=True, text=True)
        best = min(best, child_cpu_ms() - before)
        text += run.stdout + run.stderr
    return best, text


mutool = {}
for name in sorted(ours):
    path = os.path.join(args.corpus, name)
    cpu, text = best_cpu_ms(["mutool", "draw", "-s", "t", "-w", "1024", path, "1"])
    pages = [float(t) for t in re.findall(r"fastest page 1: (\d+)ms", text)]
    # Start-up and load alone: the page's size without drawing it.
    startup, _ = best_cpu_ms(["mutool", "pages", path, "1"])
    mutool[name] = (cpu, min(pages) if pages else float("nan"), startup)

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
