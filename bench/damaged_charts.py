#!/usr/bin/env python3
"""Damages every chart in five ways and renders page 1 of each variant at
width 1024 with platec, mutool and pdftoppm; a render is usable when its ink
agreement with mutool's render of the undamaged chart is at least 90 %.
Prints one line per variant and the usable counts per renderer.

Usage: bench/damaged_charts.py [BUILD_DIR] [CORPUS_DIR]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
CORPUS = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "..", "shared", "corpus", "faa")
TIMEOUT = 30


def startxref_nowhere(data):
    at = data.rfind(b"startxref")
    match = re.match(rb"startxref\s+\d+", data[at:])
    if at < 0 or not match:
        return data
    return data[:at] + b"startxref\n" + str(len(data) * 3).encode() + data[at + match.end():]


def line_on_top(data):
    return b"% a line added by a download tool\n" + data


def cut_at_90(data):
    return data[: len(data) * 9 // 10]


def wrong_lengths(data):
    return re.sub(rb"/Length (\d+)", lambda m: b"/Length " + str(int(m.group(1)) + 7).encode(), data)


def random_bytes(data, seed=17):
    rng = random.Random(seed + len(data))
    out = bytearray(data)
    for _ in range(20):
        out[rng.randrange(len(out))] = rng.randrange(256)
    return bytes(out)


KINDS = [("startxref", startxref_nowhere), ("top-line", line_on_top), ("cut-90", cut_at_90),
         ("length", wrong_lengths), ("random", random_bytes)]


def run(command):
    try:
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=TIMEOUT).returncode
    except subprocess.TimeoutExpired:
        return "hang"


def main():
    work = tempfile.mkdtemp()
    agreement = os.path.join(work, "png_agreement")
    cflags = subprocess.run(["pkg-config", "--cflags", "--libs", "cairo"], capture_output=True,
                            text=True, check=True).stdout.split()
    subprocess.run(["cc", "-O2", "-o", agreement, os.path.join(HERE, "tools", "png_agreement.c")] +
                   cflags, check=True)
    platec = os.path.join(BUILD, "cli", "platec")

    def score(png, reference):
        if not os.path.exists(png):
            return 0.0
        out = subprocess.run([agreement, png, reference], capture_output=True, text=True)
        try:
            return float(out.stdout.strip())
        except ValueError:
            return 0.0

    usable = {"ours": 0, "mutool": 0, "poppler": 0}
    total = 0
    for name in sorted(os.listdir(CORPUS)):
        if not name.endswith(".pdf"):
            continue
        original = open(os.path.join(CORPUS, name), "rb").read()
        reference = os.path.join(work, "reference.png")
        if run(["mutool", "draw", "-q", "-w", "1024", "-o", reference,
                os.path.join(CORPUS, name), "1"]) != 0:
            continue
        for kind, damage in KINDS:
            variant = os.path.join(work, "variant.pdf")
            with open(variant, "wb") as f:
                f.write(damage(original))
            pngs = {k: os.path.join(work, k + ".png") for k in usable}
            for png in pngs.values():
                if os.path.exists(png):
                    os.remove(png)
            run([platec, "render", variant, "--width", "1024", "-o", pngs["ours"]])
            run(["mutool", "draw", "-q", "-w", "1024", "-o", pngs["mutool"], variant, "1"])
            run(["pdftoppm", "-q", "-png", "-singlefile", "-f", "1", "-l", "1", "-scale-to-x",
                 "1024", "-scale-to-y", "-1", variant, pngs["poppler"][:-4]])
            scores = {k: score(png, reference) for k, png in pngs.items()}
            total += 1
            for k, value in scores.items():
                usable[k] += value >= 90
            print("%-10s %6.2f %6.2f %6.2f  %s" % (kind, scores["ours"], scores["mutool"],
                                                   scores["poppler"], name), flush=True)
    print("variants %d  usable: ours %d  mutool %d  poppler %d" %
          (total, usable["ours"], usable["mutool"], usable["poppler"]))


if __name__ == "__main__":
    main()
