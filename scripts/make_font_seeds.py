#!/usr/bin/env python3
"""Writes tiny font programs, a few hundred bytes each, as seeds of the
font program fuzz target and as fixtures with known outlines:

  seed-tiny.ttf   TrueType: .notdef (empty), A (one contour: line, conic, line),
                  B (a composite of A moved 50 units right); cmap A B; post names
  seed-tiny.cff   bare CFF: .notdef, A (one contour: lines and a cubic)
  seed-tiny.pfa   Type 1 with a hex eexec section: .notdef, A as in the CFF

Usage: scripts/make_font_seeds.py [OUTPUT_FOLDER]
(default tests/fuzz/regressions/font_program_fuzz)
"""
import os
import struct
import sys


def sfnt(tables):
    tags = sorted(tables)
    out = struct.pack(">IHHHH", 0x00010000, len(tags), 16, 0, len(tags) * 16 - 16)
    offset = 12 + 16 * len(tags)
    body = b""
    for tag in tags:
        data = tables[tag]
        out += struct.pack(">4sIII", tag.encode(), 0, offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    return out + body


def tiny_truetype():
    # A: (0,0) on, (250,700) off, (500,0) on  ->  move, conic, line back.
    a_points = [(0, 0, 1), (250, 700, 0), (500, 0, 1)]
    glyph_a = struct.pack(">hhhhh", 1, 0, 0, 500, 700) + struct.pack(">H", 2) + struct.pack(">H", 0)
    glyph_a += bytes(flag for _, _, flag in a_points)
    x = y = 0
    xs = ys = b""
    for px, py, _ in a_points:
        xs += struct.pack(">h", px - x)
        ys += struct.pack(">h", py - y)
        x, y = px, py
    glyph_a += xs + ys
    glyph_a += b"\0" * (-len(glyph_a) % 2)
    # B: A moved by (50, 0); ARG_1_AND_2_ARE_WORDS | ARGS_ARE_XY_VALUES.
    glyph_b = struct.pack(">hhhhh", -1, 50, 0, 550, 700) + struct.pack(">HHhh", 0x0003, 1, 50, 0)
    glyphs = [b"", glyph_a, glyph_b]
    glyf = b"".join(glyphs)
    loca, at = b"", 0
    for g in glyphs:
        loca += struct.pack(">H", at // 2)
        at += len(g)
    loca += struct.pack(">H", at // 2)

    head = struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0, 1000,
                       0, 0, 0, 0, 550, 700, 0, 8, 2, 0, 0)
    hhea = struct.pack(">IhhhHhhhhhhhhhhhH", 0x00010000, 800, -200, 0, 600, 0, 0, 550, 1, 0, 0,
                       0, 0, 0, 0, 0, 3)
    maxp = struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, 3, 3, 1, 3, 1, 2, 0, 0, 0, 0, 0, 0, 1, 1)
    hmtx = struct.pack(">HhHhHh", 500, 0, 600, 0, 600, 50)
    # cmap format 4: A..B -> glyphs 1..2, then the closing 0xFFFF segment.
    segs = [(0x41, 0x42, 1 - 0x41), (0xFFFF, 0xFFFF, 1)]
    n = len(segs)
    # format, length, language, segCountX2, searchRange, entrySelector, rangeShift
    sub = struct.pack(">HHHHHHH", 4, 16 + 8 * n, 0, 2 * n, 4, 1, 0)
    sub += b"".join(struct.pack(">H", e) for _, e, _ in segs) + struct.pack(">H", 0)
    sub += b"".join(struct.pack(">H", s) for s, _, _ in segs)
    sub += b"".join(struct.pack(">h", d) for _, _, d in segs)
    sub += struct.pack(">HH", 0, 0)
    cmap = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + sub
    # post format 2 with the standard Macintosh names .notdef (0), A (36), B (37).
    post = struct.pack(">IIhhIIIII", 0x00020000, 0, -100, 50, 0, 0, 0, 0, 0)
    post += struct.pack(">HHHH", 3, 0, 36, 37)
    return sfnt({"head": head, "hhea": hhea, "maxp": maxp, "hmtx": hmtx, "cmap": cmap,
                 "loca": loca, "glyf": glyf, "post": post})


def t2_number(v):
    if -107 <= v <= 107:
        return bytes([v + 139])
    if 108 <= v <= 1131:
        v -= 108
        return bytes([v // 256 + 247, v % 256])
    if -1131 <= v <= -108:
        v = -v - 108
        return bytes([v // 256 + 251, v % 256])
    return b"\x1c" + struct.pack(">h", v)


# A: (0,0) line to (250,700), line to (500,0), cubic back to (0,0) through (350,-100) (150,-100).
A_PATH = [("rmoveto", [0, 0]), ("rlineto", [250, 700]), ("rlineto", [250, -700]),
          ("rrcurveto", [-150, -100, -200, 0, -150, 100])]


def cff_index(items):
    if not items:
        return b"\0\0"
    offsets, at = [], 1
    for item in items:
        offsets.append(at)
        at += len(item)
    offsets.append(at)
    return struct.pack(">HB", len(items), 4) + b"".join(struct.pack(">I", o) for o in offsets) + \
        b"".join(items)


def tiny_cff():
    ops = {"rmoveto": 21, "rlineto": 5, "rrcurveto": 8}
    notdef = t2_number(500) + bytes([14])  # width, endchar
    a = t2_number(500)  # width
    for op, args in A_PATH:
        a += b"".join(t2_number(v) for v in args) + bytes([ops[op]])
    a += bytes([14])
    charstrings = cff_index([notdef, a])
    charset = bytes([0]) + struct.pack(">H", 34)  # SID 34 = "A"
    private = bytes([139, 21])  # nominalWidthX 0: widths are given per glyph

    def int5(v):
        return b"\x1d" + struct.pack(">i", v)

    header = bytes([1, 0, 4, 4])
    name_index = cff_index([b"Tiny"])
    string_index = cff_index([])
    gsubr_index = cff_index([])
    top_len = len(int5(0)) * 4 + 1 + 1 + 1  # charset, charstrings, private size + offset
    top_index_len = len(cff_index([b"\0" * top_len]))
    base = len(header) + len(name_index) + top_index_len + len(string_index) + len(gsubr_index)
    charset_at = base
    charstrings_at = charset_at + len(charset)
    private_at = charstrings_at + len(charstrings)
    top = int5(charset_at) + bytes([15]) + int5(charstrings_at) + bytes([17]) + \
        int5(len(private)) + int5(private_at) + bytes([18])
    assert len(top) == top_len
    return header + name_index + cff_index([top]) + string_index + gsubr_index + charset + \
        charstrings + private


def encrypt(data, r):
    out = bytearray()
    for p in data:
        c = p ^ (r >> 8)
        r = ((c + r) * 52845 + 22719) & 0xFFFF
        out.append(c)
    return bytes(out)


def t1_number(v):
    if -107 <= v <= 107 or -1131 <= v <= 1131:
        return t2_number(v)
    return b"\xff" + struct.pack(">i", v)


def tiny_type1():
    ops = {"rmoveto": 21, "rlineto": 5, "rrcurveto": 8}

    def charstring(path):
        cs = t1_number(0) + t1_number(500) + bytes([13])  # hsbw
        for op, args in path:
            cs += b"".join(t1_number(v) for v in args) + bytes([ops[op]])
        if path:
            cs += bytes([9])  # closepath
        return encrypt(b"\0\0\0\0" + cs + bytes([14]), 4330)

    glyphs = [(b".notdef", charstring([])), (b"A", charstring(A_PATH))]
    private = (b"dup /Private 8 dict dup begin\n"
               b"/RD {string currentfile exch readstring pop} executeonly def\n"
               b"/ND {noaccess def} executeonly def\n"
               b"/NP {noaccess put} executeonly def\n"
               b"/BlueValues [] ND\n/MinFeature {16 16} ND\n/password 5839 def\n"
               b"2 index /CharStrings 2 dict dup begin\n")
    for name, cs in glyphs:
        private += b"/" + name + b" " + str(len(cs)).encode() + b" RD " + cs + b" ND\n"
    private += (b"end\nend\nreadonly put\nnoaccess put\n"
                b"dup /FontName get exch definefont pop\nmark currentfile closefile\n")
    encrypted = encrypt(b"\0\0\0\0" + private, 55665).hex().encode()
    lines = b"\n".join(encrypted[i:i + 64] for i in range(0, len(encrypted), 64))
    clear = (b"%!PS-AdobeFont-1.0: Tiny 001.000\n11 dict begin\n"
             b"/FontInfo 1 dict dup begin /FullName (Tiny) readonly def end readonly def\n"
             b"/FontName /Tiny def\n/Encoding StandardEncoding def\n/PaintType 0 def\n"
             b"/FontType 1 def\n/FontMatrix [0.001 0 0 0.001 0 0] readonly def\n"
             b"/FontBBox {0 -100 500 700} readonly def\ncurrentdict end\ncurrentfile eexec\n")
    trailer = b"\n" + (b"0" * 64 + b"\n") * 8 + b"cleartomark\n"
    return clear + lines + trailer


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "tests", "fuzz", "regressions", "font_program_fuzz")
    os.makedirs(folder, exist_ok=True)
    for name, data in (("seed-tiny.ttf", tiny_truetype()), ("seed-tiny.cff", tiny_cff()),
                       ("seed-tiny.pfa", tiny_type1())):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print(name, len(data), "bytes")


if __name__ == "__main__":
    main()
