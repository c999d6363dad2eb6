#!/usr/bin/env python3
"""Writes the small example plates in examples/plates/.

Standard library only. BMP files are written here byte by byte; the JPEG is
written from a PPM by cjpeg (Debian package libjpeg-turbo-progs) when it is
installed. The output is deterministic, so the committed files can be
regenerated and compared.
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "plates")
NIGHT_CHART = "lfqv-visual-approach-chart-runway-09-and-27-night-procedures.bmp"

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREY = (128, 128, 128)
TERRAIN = (247, 231, 160)
WATER = (160, 208, 240)
MAGENTA = (128, 0, 128)
BLUE = (32, 32, 192)


class Canvas:
    def __init__(self, width, height, background=WHITE):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if 0 <= x < self.width and 0 <= y < self.height and coverage > 0:
            c = min(coverage, 1.0)
            old = self.pixels[y][x]
            self.pixels[y][x] = tuple(round(o + (n - o) * c) for o, n in zip(old, colour))

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def hline(self, x0, x1, y, colour):
        self.fill(x0, y, x1, y + 1, colour)

    def vline(self, x, y0, y1, colour):
        self.fill(x, y0, x + 1, y1, colour)

    def line(self, x0, y0, x1, y1, colour):
        """An anti-aliased line: coverage shared between two pixels."""
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            if abs(x1 - x0) >= abs(y1 - y0):
                yi = math.floor(y)
                self.blend(round(x), yi, colour, 1 - (y - yi))
                self.blend(round(x), yi + 1, colour, y - yi)
            else:
                xi = math.floor(x)
                self.blend(xi, round(y), colour, 1 - (x - xi))
                self.blend(xi + 1, round(y), colour, x - xi)

    def ring(self, cx, cy, r, colour):
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                self.blend(x, y, colour, 1.2 - abs(math.hypot(x - cx, y - cy) - r))

    def text_block(self, x0, y0, lines, width):
        for row in range(lines):
            y = y0 + row * 9
            for x in range(x0, x0 + width, 5):
                if (x * 7 + row * 13) % 11 < 4:
                    continue
                self.fill(x, y, x + 3, y + 6, BLACK)


def approach_chart(width, height):
    c = Canvas(width, height)
    c.fill(20, 30, width // 2, height // 4, TERRAIN)
    c.fill(width // 2, height // 2, width - 20, height * 3 // 5, WATER)
    for x0, y0, x1, y1 in ((8, 8, width - 8, 8), (8, height - 9, width - 8, height - 9)):
        c.hline(x0, x1, y0, BLACK)
    c.vline(8, 8, height - 8, BLACK)
    c.vline(width - 9, 8, height - 8, BLACK)
    for y in range(40, height - 10, 45):
        c.hline(9, width - 9, y, GREY)
    c.line(20, height * 0.7, width - 20, height * 0.2, BLACK)
    c.line(30, height * 0.3, width - 40, height * 0.6, BLUE)
    for i in range(4):
        c.ring(40 + i * (width - 80) / 3, height * 0.45, 6 + 2 * i, MAGENTA if i % 2 else BLACK)
    c.text_block(16, height - 60, 5, width - 32)
    return c


def write_bmp(path, canvas, bits, compression=0, top_down=False):
    """Writes a 24-bit, or an 8-bit or 4-bit indexed (RLE8/RLE4 optional) BMP."""
    width, height = canvas.width, canvas.height
    rows = list(range(height)) if top_down else list(range(height - 1, -1, -1))
    palette = []
    if bits <= 8:
        seen = {}
        for row in canvas.pixels:
            for p in row:
                if p not in seen:
                    seen[p] = len(seen)
        if len(seen) > (1 << bits):
            raise SystemExit("%s: %d colours do not fit %d bits" % (path, len(seen), bits))
        palette = sorted(seen, key=seen.get)
    index = {p: i for i, p in enumerate(palette)}
    data = bytearray()
    if compression == 0:
        for y in rows:
            if bits == 24:
                row = b"".join(bytes((b, g, r)) for r, g, b in canvas.pixels[y])
            elif bits == 8:
                row = bytes(index[p] for p in canvas.pixels[y])
            else:
                idx = [index[p] for p in canvas.pixels[y]] + [0]
                row = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, width, 2))
            data += row + bytes(-len(row) % 4)
    else:
        for y in rows:
            idx = [index[p] for p in canvas.pixels[y]]
            x = 0
            while x < width:
                run = 1
                limit = 255 if compression == 1 else 254
                while x + run < width and run < limit and idx[x + run] == idx[x]:
                    run += 1
                v = idx[x] if compression == 1 else (idx[x] << 4) | idx[x]
                data += bytes((run, v))
                x += run
            data += b"\x00\x00"  # end of line
        data += b"\x00\x01"  # end of bitmap
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(data), 3780, 3780, len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + len(info) + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + table + data)


def landscape_ppm(path, width, height):
    """A smooth picture with shapes, for the JPEG example."""
    c = Canvas(width, height)
    for y in range(height):
        for x in range(width):
            c.pixels[y][x] = (120 + x * 100 // width, 160 + y * 60 // height, 220 - y * 80 // height)
    c.fill(width // 5, height // 2, width // 2, height - 20, (200, 150, 50))
    c.ring(width * 0.7, height * 0.35, height * 0.15, BLACK)
    c.line(0, height - 1, width - 1, height // 3, WHITE)
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(b"".join(bytes(p) for row in c.pixels for p in row))


def main():
    os.makedirs(OUT, exist_ok=True)
    write_bmp(os.path.join(OUT, "lfqv-ils-rwy-27.bmp"), approach_chart(200, 260), 24)
    chart = approach_chart(480, 620)
    # Fewer colours for the indexed files: keep the pixels whole, not blended.
    simple = Canvas(chart.width, chart.height)
    for y in range(chart.height):
        for x in range(chart.width):
            r, g, b = chart.pixels[y][x]
            simple.pixels[y][x] = (r // 64 * 85, g // 64 * 85, b // 64 * 85)
    write_bmp(os.path.join(OUT, "lfqv-aerodrome.bmp"), simple, 8, compression=1)
    four = Canvas(300, 200)
    four.fill(0, 0, 300, 30, (0, 0, 128))
    four.text_block(10, 40, 15, 280)
    four.fill(200, 150, 290, 190, (255, 0, 0))
    write_bmp(os.path.join(OUT, "frequencies.bmp"), four, 4, top_down=True)
    night = approach_chart(320, 400)
    for y in range(night.height):
        for x in range(night.width):
            r, g, b = night.pixels[y][x]
            night.pixels[y][x] = (r // 32 * 36, g // 32 * 36, b // 32 * 36)
    write_bmp(os.path.join(OUT, NIGHT_CHART), night, 8)

    cjpeg = shutil.which("cjpeg")
    if cjpeg is None:
        print("cjpeg not found (package libjpeg-turbo-progs): JPEG example not written",
              file=sys.stderr)
        return
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "photo.ppm")
        landscape_ppm(ppm, 320, 240)
        with open(os.path.join(OUT, "airfield-view.jpg"), "wb") as out:
            subprocess.run([cjpeg, "-quality", "85", ppm], stdout=out, check=True)
        landscape_ppm(ppm, 400, 300)
        with open(os.path.join(OUT, "lfqv-parking.jpg"), "wb") as out:
            subprocess.run([cjpeg, "-quality", "80", "-grayscale", ppm], stdout=out, check=True)


if __name__ == "__main__":
    main()
