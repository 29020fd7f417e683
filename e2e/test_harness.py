"""The suite's own parts that need no display: reading window dumps,
predicting which pixels a GL point lights, writing PNG files, the frame
oracle's command line. A fault here would make frame comparisons pass or
fail for the wrong reason."""

import os
import struct
import subprocess
import unittest
import zlib

from . import harness
from .harness import SIZE

ORACLE = os.environ.get("BEZIER_ORACLE")


def xwd_dump(width, height, pixels, pad=0, ncolors=2, name=b"Bezier\0", bpp=32, **fields):
    """An xwd file as the suite's server writes one, but for the header
    `fields` given: `pixels` maps (col, row) to (r, g, b), the rest is
    black; `pad` extra bytes end each row."""
    step = bpp // 8
    stride = step * width + pad
    header = dict(zip(harness.XWD_FIELDS, [100 + len(name), 7, 2, 24, width, height, 0, 0, 32, 0, 32, bpp, stride,
                                           4, 0xFF0000, 0xFF00, 0xFF, 8, 256, ncolors, width, height, 0, 0, 0]))
    header.update(fields)
    image = bytearray(stride * height)
    for (col, row), (r, g, b) in pixels.items():
        image[row * stride + step * col:row * stride + step * (col + 1)] = bytes((b, g, r, 0xFF))[:step]  # top byte set
    return struct.pack(">25I", *header.values()) + name + b"\x07" * (12 * ncolors) + bytes(image)


class XwdParsing(unittest.TestCase):

    PIXELS = {(0, 0): (128, 64, 255), (3, 1): (1, 2, 3), (4, 2): (255, 0, 0)}

    def test_pixels_land_at_their_column_and_row(self):
        for layout in (dict(), dict(bpp=24), dict(pad=3, ncolors=0, name=b"x\0"), dict(ncolors=256),
                       dict(visual_class=5)):
            with self.subTest(**{k: str(v) for k, v in layout.items()}):
                frame = harness.parse_xwd(xwd_dump(5, 3, self.PIXELS, **layout))
                self.assertEqual((frame.width, frame.height), (5, 3))
                for (col, row), rgb in self.PIXELS.items():
                    self.assertEqual(frame.pixel(col, row), rgb)
                self.assertEqual(frame.pixel(1, 0), (0, 0, 0))
                self.assertEqual(frame.lit(), set(self.PIXELS))

    def test_unreadable_dumps_are_refused(self):
        good = xwd_dump(5, 3, self.PIXELS)
        cases = {"short header": good[:60], "truncated image": good[:-1]}
        cases.update({name: xwd_dump(5, 3, {}, **fields) for name, fields in {
            "version 6": dict(file_version=6), "XY pixmap": dict(pixmap_format=1),
            "pseudo colour": dict(visual_class=3), "16 bits": dict(bpp=16),
            "most significant byte first": dict(byte_order=1), "BGR": dict(red_mask=0xFF, blue_mask=0xFF0000),
            "odd mask": dict(blue_mask=0x7F)}.items()})
        for name, data in cases.items():
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    harness.parse_xwd(data)


class Frames(unittest.TestCase):

    def test_expected_frame_holds_its_pixels_alone_and_its_png_the_same_row_by_row(self):
        lit = {(0, 0), (5, 1), (499, 499)}
        frame = harness.Frame.expected(lit)
        self.assertEqual((frame.lit(), frame.pixel(5, 1)), (lit, harness.LIT))
        self.assertNotEqual(frame, harness.Frame.expected(lit - {(0, 0)}))
        path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "harness-test-%d.png" % os.getpid())
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        frame.png(path)
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        chunks, pos = {}, 8
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            chunks[kind], crc = data[pos + 8:pos + 8 + length], data[pos + 8 + length:pos + 12 + length]
            self.assertEqual(crc, struct.pack(">I", zlib.crc32(kind + chunks[kind])))
            pos += 12 + length
        self.assertEqual(struct.unpack(">IIBBBBB", chunks[b"IHDR"]), (SIZE, SIZE, 8, 2, 0, 0, 0))
        raw, stride = zlib.decompress(chunks[b"IDAT"]), 1 + 3 * SIZE
        self.assertEqual(len(raw), stride * SIZE)
        self.assertEqual({(i // 3, row) for row in range(SIZE) for i in range(0, 3 * SIZE, 3)
                          if raw[row * stride + 1 + i:row * stride + 4 + i] != b"\0\0\0"}, lit)
        self.assertEqual(raw[stride + 16:stride + 19], bytes(harness.LIT))


class Oracle(unittest.TestCase):

    def setUp(self):
        if not ORACLE or not os.access(ORACLE, os.X_OK):
            self.fail("set BEZIER_ORACLE to the built frame_oracle (ctest does this)")

    def test_malformed_scenes_and_point_sizes_are_refused(self):
        cases = [(), ("bezier", 5), ("circle", 5, 25), ("bezier", 0, 25), ("bezier", 500, 25), ("bspline", 5, 0),
                 ("bezier", "5x", 25), ("bezier", 5, 25, 10), ("bezier", 5, 25, 10, "y")]  # half a point, a bad one
        for args in cases:
            with self.subTest(args=args):
                done = subprocess.run([ORACLE] + [str(a) for a in args], capture_output=True, text=True, timeout=30)
                self.assertEqual((done.returncode, done.stdout), (2, ""))
                self.assertIn("usage", done.stderr)
        for size in (0, 1.5, 3):  # none the editor uses, none measured
            with self.assertRaises(ValueError):
                harness.marker_pixels(size, 10, 10)

    def test_scenes_the_suite_tells_apart_have_different_frames(self):
        # Checks that a setting was or was not taken compare two frames; they
        # could not fail if these pairs drew the same pixels.
        pts = [(70, 80), (130, 330), (230, 70), (310, 370), (390, 110)]
        pairs = [
            (("bezier", 5, 25), ("bspline", 5, 25)),
            (("bezier", 5, 25), ("bezier", 20, 25)),
            (("bezier", 5, 25), ("bezier", 499, 25)),
            (("bspline", 5, 25), ("bspline", 5, 10)),
            (("bspline", 5, 25), ("bspline", 5, 1)),
        ]
        for a, b in pairs:
            with self.subTest(a=a, b=b):
                self.assertNotEqual(harness.oracle_lit(ORACLE, a[0], pts, a[1], a[2]),
                                    harness.oracle_lit(ORACLE, b[0], pts, b[1], b[2]))


if __name__ == "__main__":
    unittest.main()
