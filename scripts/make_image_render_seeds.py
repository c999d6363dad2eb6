#!/usr/bin/env python3
"""Writes small image-heavy PDF pages as seeds of the render fuzz target:

  seed_image_masks.pdf       stencil masks (both Decode polarities), explicit
                             mask stream, colour-key ranges, soft masks of
                             another size and depth, soft mask with Matte
  seed_image_spaces.pdf      1, 2, 4, 8 and 16-bit samples, Indexed with a
                             short lookup, Separation, DeviceN, Lab, ICCBased,
                             CMYK with Decode
  seed_image_encoded.pdf     DCT images (gray, RGB, progressive), Flate with
                             PNG predictors, JPEG 2000, a corrupt JPEG
  seed_image_inline.pdf      inline images with abbreviated names and filter
                             chains, ASCII85 data holding the letters EI
  seed_image_placement.pdf   rotated, flipped, skewed, tiny and huge images,
                             fill opacity, images inside forms

The JPEG and JPEG 2000 data come from seeds already in the repository.
Usage: scripts/make_image_render_seeds.py [OUTPUT_FOLDER]
(default tests/fuzz/regressions/render_fuzz)
"""
import base64
import os
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def jpx_data():
    return read("tests/fuzz/regressions/image_fuzz/seed-jpx").split(b"\0", 2)[1]


def dct_rgb4():
    return read("tests/fuzz/regressions/image_fuzz/seed-dct").split(b"\0", 2)[1]


def pdf(content, xobjects, extra_resources=b"", extra_objects=()):
    """One page; `xobjects` maps names to (dict bytes, data bytes) streams."""
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        None,  # the page, written once the XObject numbers are known
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
    ]
    names = b""
    for name, (dict_text, data) in xobjects.items():
        objects.append(b"<< " + dict_text + b" /Length %d >>\nstream\n" % len(data) + data +
                       b"\nendstream")
        names += b"/" + name.encode() + b" %d 0 R " % len(objects)
    for text in extra_objects:
        objects.append(text)
    objects[2] = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                  b"/Resources << /XObject << " + names + b">> " + extra_resources + b">> >>")
    out = b"%PDF-1.5\n"
    offsets = []
    for i, body in enumerate(objects):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer << /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    return out


def draw(names):
    """Content placing each named image in its own cell of a 4 x 4 grid."""
    out = b""
    for i, name in enumerate(names):
        x, y = 50 * (i % 4), 50 * (i // 4)
        out += b"q 45 0 0 45 %d %d cm /%s Do Q\n" % (x, y, name.encode())
    return out


def image(w, h, rest, data):
    return (b"/Type /XObject /Subtype /Image /Width %d /Height %d " % (w, h) + rest, data)


def masks():
    gray = bytes(range(0, 256, 16)) * 4
    x = {
        "Stencil": image(8, 2, b"/ImageMask true", b"\x5a\xa5"),
        "StencilInv": image(8, 2, b"/ImageMask true /Decode [1 0]", b"\x5a\xa5"),
        "Keyed": image(8, 8, b"/ColorSpace /DeviceGray /BitsPerComponent 8 /Mask [32 96]",
                       gray),
        "KeyedRGB": image(2, 2, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                          b"/Mask [0 10 200 255 0 255]", b"\x00\xff\x00\xff\x00\x00" * 2),
        "Explicit": image(4, 4, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask 30 0 R",
                          b"\x20\x40\xc0" * 16),
        "Soft": image(4, 4, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask 31 0 R",
                      b"\xc0\x20\x20" * 16),
        "SoftMatte": image(2, 2, b"/ColorSpace /DeviceGray /BitsPerComponent 8 "
                           b"/SMask 32 0 R", b"\x80\x40\x20\x10"),
    }
    # Objects 30 and up follow the page's own objects; pad to reach them.
    extra = [b"null"] * (30 - 4 - len(x) - 1)
    extra += [
        b"<< /Width 16 /Height 16 /ImageMask true /Length 32 >>\nstream\n" +
        bytes([0xF0, 0x0F] * 16) + b"\nendstream",
        b"<< /Width 2 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 4 /Length 3 >>\n"
        b"stream\n\x0f\xf0\x88\nendstream",
        b"<< /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /Matte [0.5] "
        b"/Length 4 >>\nstream\n\xff\x80\x40\x00\nendstream",
    ]
    return pdf(b"1 0 0 rg 0 0 200 200 re f 0 0 1 rg\n" + draw(list(x)), x, extra_objects=extra)


def spaces():
    x = {
        "G1": image(10, 2, b"/ColorSpace /DeviceGray /BitsPerComponent 1", b"\xaa\xc0\x55\x40"),
        "G2": image(4, 1, b"/ColorSpace /DeviceGray /BitsPerComponent 2", b"\x1b"),
        "G4": image(3, 1, b"/ColorSpace /DeviceGray /BitsPerComponent 4 /Decode [1 0]",
                    b"\x0f\x80"),
        "RGB16": image(2, 1, b"/ColorSpace /DeviceRGB /BitsPerComponent 16",
                       b"\xff\xff\x00\x00\x00\x00\x00\x00\x80\x00\xff\xff"),
        "IdxShort": image(3, 1, b"/ColorSpace [/Indexed /DeviceRGB 3 <FF000000FF>] "
                          b"/BitsPerComponent 8", b"\x00\x01\x03"),
        "IdxHigh": image(2, 1, b"/ColorSpace [/Indexed /DeviceRGB 1 <FF00000000FF>] "
                         b"/BitsPerComponent 2", b"\x7c"),
        "Sep": image(4, 1, b"/ColorSpace [/Separation /Spot /DeviceCMYK << /FunctionType 2 "
                     b"/Domain [0 1] /C0 [0 0 0 0] /C1 [0 0.5 1 0] /N 1 >>] "
                     b"/BitsPerComponent 8", b"\x00\x55\xaa\xff"),
        "DevN": image(1, 1, b"/ColorSpace [/DeviceN [/A /B] /DeviceRGB { pop pop 0 0 0 }] "
                      b"/BitsPerComponent 8", b"\x10\x20"),
        "Lab": image(2, 1, b"/ColorSpace [/Lab << /WhitePoint [0.9505 1 1.089] "
                     b"/Range [-100 100 -100 100] >>] /BitsPerComponent 8",
                     b"\x80\xff\x00\x40\x80\x80"),
        "ICC": image(1, 2, b"/ColorSpace [/ICCBased 40 0 R] /BitsPerComponent 8",
                     b"\xff\x00\x00\x00\x00\xff"),
        "CMYK": image(2, 1, b"/ColorSpace /DeviceCMYK /BitsPerComponent 8 "
                      b"/Decode [1 0 1 0 1 0 1 0]", b"\x00\xff\xff\xff\xff\x00\xff\xff"),
        "BadDecode": image(1, 1, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Decode [0 1]",
                           b"\x10\x20\x30"),
        "Short": image(4, 4, b"/ColorSpace /DeviceRGB /BitsPerComponent 8", b"\xff\x00"),
    }
    extra = [b"null"] * (40 - 4 - len(x) - 1)
    extra.append(b"<< /N 3 /Alternate /DeviceRGB /Length 0 >>\nstream\n\nendstream")
    return pdf(draw(list(x)), x, extra_objects=extra)


def encoded():
    gray_jpeg = read("tests/fuzz/regressions/jpeg_fuzz/gray16x8.jpg")
    progressive = read("tests/fuzz/regressions/jpeg_fuzz/progressive24x16.jpg")
    rows = b"".join(b"\x02" + bytes([(x * 16 + y) & 0xFF for x in range(12)]) for y in range(4))
    x = {
        "DctGray": image(16, 8, b"/ColorSpace /DeviceGray /BitsPerComponent 8 "
                         b"/Filter /DCTDecode", gray_jpeg),
        "DctRGB": image(4, 4, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                        dct_rgb4()),
        "DctProg": image(24, 16, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                         b"/Filter [/AHx /DCTDecode]", progressive.hex().encode() + b">"),
        "DctCut": image(24, 16, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                        b"/Filter /DCTDecode", progressive[:300]),
        "Png": image(4, 4, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode "
                     b"/DecodeParms << /Predictor 15 /Colors 3 /Columns 4 >>",
                     zlib.compress(rows)),
        "JpxCut": image(320, 240, b"/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                     b"/Filter /JPXDecode", jpx_data()),
    }
    return pdf(draw(list(x)), x)


def inline():
    a85 = base64.a85encode(bytes(range(256)) * 3, wrapcol=40) + b"~>"
    content = (
        b"q 40 0 0 40 0 0 cm BI /W 16 /H 16 /BPC 8 /CS /RGB /F /A85 ID\n" + a85 + b"\nEI Q\n"
        b"q 40 0 0 40 50 0 cm BI /W 4 /H 2 /IM true /D [1 0] ID \x5a\xa5 EI Q\n"
        b"q 40 0 0 40 100 0 cm BI /W 2 /H 2 /CS /I /BPC 8 /I true ID \x00\x01\x01\x00 EI Q\n"
        b"q 40 0 0 40 150 0 cm BI /W 2 /H 1 /CS [/I /RGB 1 <FF000000FF00>] /BPC 1 ID \x80 EI Q\n"
        b"q 40 0 0 40 0 50 cm BI /W 3 /H 1 /BPC 8 /CS /G /F [/AHx /Fl] ID " +
        zlib.compress(b"\x00\x80\xff").hex().encode() + b"> EI Q\n"
        b"q 40 0 0 40 50 50 cm BI /W 2 /H 2 /BPC 8 /CS /CMYK /F /RL ID \x07" + b"\x40" * 8 +
        b"\x80 EI Q\n"
        b"q 40 0 0 40 100 50 cm BI /W 99999 /H 99999 /BPC 8 /CS /G ID \x00 EI Q\n"
        b"q 40 0 0 40 150 50 cm BI /W 2 /H 2 /BPC 8 /CS /G /F /DCT ID \xff\xd8\xff EI Q\n"
        b"0 0 1 rg 0 100 50 50 re f\n")
    return pdf(content, {})


def placement():
    quad = image(2, 2, b"/ColorSpace /DeviceRGB /BitsPerComponent 8",
                 b"\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff")
    form = (b"/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /Q 5 0 R "
            b">> >>", b"/Q Do")
    content = (
        b"q 0 45 -45 0 45 0 cm /Q Do Q\n"
        b"q 45 0 0 -45 50 45 cm /Q Do Q\n"
        b"q 45 10 20 45 100 0 cm /Q Do Q\n"
        b"q 0.001 0 0 0.001 150 0 cm /Q Do Q\n"
        b"q 1e9 0 0 1e9 -5e8 -5e8 cm /Q Do Q\n"
        b"q 0 0 0 0 0 0 cm /Q Do Q\n"
        b"q /Half gs 45 0 0 45 0 50 cm /Q Do Q\n"
        b"q 45 0 0 45 50 50 cm /F Do Q\n"
        b"q 45 0 0 45 100 50 cm 50 50 re W n /Q Do Q\n"
        b"q 5000000000 0 0 45 0 100 cm /Q Do Q\n")
    return pdf(content, {"Q": quad, "F": form}, b"/ExtGState << /Half << /ca 0.5 >> >> ")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        ROOT, "tests/fuzz/regressions/render_fuzz")
    seeds = {
        "seed_image_masks.pdf": masks(),
        "seed_image_spaces.pdf": spaces(),
        "seed_image_encoded.pdf": encoded(),
        "seed_image_inline.pdf": inline(),
        "seed_image_placement.pdf": placement(),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print(name, len(data))


if __name__ == "__main__":
    main()
