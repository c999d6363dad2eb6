#!/usr/bin/env python3
"""Writes a one-page PDF of dense text (US Letter, 8-point type, 90 lines).

Usage: make_text_page.py OUT.pdf [FONT.ttf]
Without a font file the text is in non-embedded Helvetica; with one, the
TrueType program is embedded (FontFile2) and named as a subset.
"""
import sys

WORDS = ("approach runway heading altitude minimum descent visibility missed "
         "procedure climb course radial holding fix intercept glide slope "
         "localizer frequency tower ground clearance delivery").split()


def text_lines():
    lines = []
    k = 0
    for _ in range(90):
        words = []
        while sum(len(w) + 1 for w in words) < 120:
            words.append(WORDS[k % len(WORDS)] + ("," if k % 7 == 3 else ""))
            k += 1
        lines.append(" ".join(words))
    return lines


def main():
    out = sys.argv[1]
    font_file = sys.argv[2] if len(sys.argv) > 2 else None
    content = ["BT /F1 8 Tf 9.6 TL 36 756 Td"]
    for line in text_lines():
        content.append("(%s) '" % line)
    content.append("ET")
    content = "\n".join(content).encode("latin-1")

    objects = []
    objects.append(b"<< /Type /Catalog /Pages 2 0 R >>")
    objects.append(b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
    objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                   b"/Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>")
    objects.append(b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
    if font_file is None:
        objects.append(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                       b"/Encoding /WinAnsiEncoding >>")
    else:
        program = open(font_file, "rb").read()
        # Helvetica's widths, which the metric-compatible font shares.
        widths = [278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,
                  278, 278] + [556] * 10 + [278, 278, 584, 584, 584, 556, 1015, 667, 667,
                  722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667,
                  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469,
                  556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222,
                  833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,
                  334, 260, 334, 584]
        objects.append(b"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+LiberationSans "
                       b"/Encoding /WinAnsiEncoding /FirstChar 32 /LastChar 126 /Widths [" +
                       " ".join(map(str, widths)).encode() + b"] /FontDescriptor 6 0 R >>")
        objects.append(b"<< /Type /FontDescriptor /FontName /ABCDEF+LiberationSans /Flags 32 "
                       b"/FontBBox [-203 -303 1050 910] /ItalicAngle 0 /Ascent 905 "
                       b"/Descent -212 /CapHeight 716 /StemV 80 /FontFile2 7 0 R >>")
        objects.append(b"<< /Length %d >>\nstream\n" % len(program) + program + b"\nendstream")

    pdf = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(pdf))
        pdf += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(pdf)
    pdf += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        pdf += b"%010d 00000 n \n" % offset
    pdf += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    open(out, "wb").write(pdf)


if __name__ == "__main__":
    main()
