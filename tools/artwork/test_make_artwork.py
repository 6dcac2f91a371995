"""Checks of make_artwork.py: the files decode, with independent readers,
to the pictures the drawing code means, and the committed files are current.

Run from the repository root:  python3 -m unittest tools/artwork/test_make_artwork.py
"""

import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import make_artwork as art  # noqa: E402

RES = os.path.join(ROOT, "app", "resources")


def imagemagick(tool):
    """The path of ImageMagick's `tool`, or None. A program of the same name that is not
    ImageMagick (some machines carry stand-ins called convert) does not count."""
    path = shutil.which(tool)
    if path is None:
        return None
    try:
        version = subprocess.run([path, "-version"], capture_output=True, text=True,
                                 timeout=60).stdout
    except (OSError, subprocess.SubprocessError):
        return None
    return path if version.startswith("Version: ImageMagick") else None


CONVERT, IDENTIFY = imagemagick("convert"), imagemagick("identify")
NO_IMAGEMAGICK = "ImageMagick is not installed (scripts/install-deps.sh test installs it)"


def read(*parts):
    with open(os.path.join(RES, *parts), "rb") as f:
        return f.read()


def lzw_decode(data, min_code_size):
    """A plain GIF LZW decoder, written apart from the encoder."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    bits = int.from_bytes(data, "little")
    pos, out = 0, []
    width, table, prev = min_code_size + 1, None, None

    def fresh():
        return [[i] for i in range(clear)] + [None, None]

    table = fresh()
    while True:
        if pos + width > len(data) * 8:
            raise ValueError("data ends before the end code")
        code = bits & ((1 << width) - 1)
        bits >>= width
        pos += width
        if code == clear:
            table, width, prev = fresh(), min_code_size + 1, None
            continue
        if code == end:
            break
        if prev is None:
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            if len(table) < 4096:
                table.append(prev + entry[:1])
        elif code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise ValueError("code %d beyond the table" % code)
        out.extend(entry)
        prev = entry
        if len(table) == 1 << width and width < 12:
            width += 1
    if len(data) - (pos + 7) // 8 > 0:
        raise ValueError("bytes after the end code")
    return out


def parse_gif(data):
    """(width, height, palette, transparent index, pixel indices)."""
    assert data[:6] == b"GIF89a", data[:6]
    width, height, packed, _bg, _aspect = struct.unpack("<HHBBB", data[6:13])
    assert packed & 0x80, "no global colour table"
    entries = 2 << (packed & 7)
    palette = [tuple(data[13 + 3 * i:16 + 3 * i]) for i in range(entries)]
    pos, transparent = 13 + 3 * entries, None
    while data[pos] == 0x21:                       # extensions
        label = data[pos + 1]
        block = data[pos + 3:pos + 3 + data[pos + 2]]
        if label == 0xF9:
            assert block[0] & 1, "transparency flag not set"
            transparent = block[3]
        pos += 3 + data[pos + 2]
        while data[pos]:
            pos += 1 + data[pos]
        pos += 1
    assert data[pos] == 0x2C
    x, y, w, h, flags = struct.unpack("<HHHHB", data[pos + 1:pos + 10])
    assert (x, y, w, h, flags) == (0, 0, width, height, 0)
    min_code_size, pos = data[pos + 10], pos + 11
    stream = b""
    while data[pos]:
        stream += data[pos + 1:pos + 1 + data[pos]]
        pos += 1 + data[pos]
    assert data[pos + 1:] == b"\x3B", "no trailer right after the image"
    return width, height, palette, transparent, lzw_decode(stream, min_code_size)


def parse_png(data):
    """Rows of (r, g, b, a) of an 8-bit RGBA PNG without filters."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, chunks = 8, b"", []
    while pos < len(data):
        n, = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        crc, = struct.unpack(">I", data[pos + 8 + n:pos + 12 + n])
        assert crc == zlib.crc32(kind + body), kind
        chunks.append(kind)
        if kind == b"IHDR":
            width, height, depth, ctype = struct.unpack(">IIBB", body[:10])
            assert (depth, ctype) == (8, 6)
        idat += body if kind == b"IDAT" else b""
        pos += 12 + n
    assert chunks[0] == b"IHDR" and chunks[-1] == b"IEND"
    raw = zlib.decompress(idat)
    stride = 1 + 4 * width
    assert len(raw) == stride * height
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        assert line[0] == 0
        rows.append([tuple(line[1 + 4 * x:5 + 4 * x]) for x in range(width)])
    return rows


def parse_ico(data):
    """List of pictures as rows of palette indices, None where masked."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    assert (reserved, kind) == (0, 1)
    pictures = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        assert (colours, planes, bpp, w) == (16, 1, 4, h)
        blob = data[offset:offset + size]
        assert len(blob) == size
        hsize, bw, bh, bplanes, bbpp, compression = struct.unpack("<IiiHHI", blob[:20])
        assert (hsize, bw, bh, bplanes, bbpp, compression) == (40, w, 2 * h, 1, 4, 0)
        palette = [tuple(blob[40 + 4 * k:43 + 4 * k][::-1]) for k in range(16)]
        assert palette == art.VGA
        xor_stride, and_stride = (w * 4 + 31) // 32 * 4, (w + 31) // 32 * 4
        xor_at = 40 + 64
        and_at = xor_at + xor_stride * h
        assert and_at + and_stride * h == size
        rows = []
        for y in range(h):
            src = h - 1 - y                         # rows are stored bottom-up
            row = []
            for x in range(w):
                byte = blob[xor_at + src * xor_stride + x // 2]
                index = byte >> 4 if x % 2 == 0 else byte & 15
                masked = blob[and_at + src * and_stride + x // 8] >> (7 - x % 8) & 1
                if masked:
                    assert index == 0, "masked pixel should be black in the colour part"
                row.append(None if masked else index)
            rows.append(row)
        pictures.append(rows)
    return pictures


class LzwTest(unittest.TestCase):
    def round_trip(self, pixels, code_size):
        self.assertEqual(lzw_decode(art.lzw_encode(pixels, code_size), code_size), pixels)

    def test_runs_and_single_pixels(self):
        self.round_trip([7], 5)
        self.round_trip([0] * 5000, 5)              # long runs: code == next entry
        self.round_trip([1, 2] * 3000, 2)

    def test_table_fills_and_restarts(self):
        rng = random.Random(1)
        pixels = [rng.randrange(32) for _ in range(60000)]
        data = art.lzw_encode(pixels, 5)
        self.assertEqual(lzw_decode(data, 5), pixels)
        self.assertLess(len(data), len(pixels))

    @unittest.skipUnless(CONVERT, NO_IMAGEMAGICK)
    def test_imagemagick_reads_a_large_gif(self):
        rng = random.Random(2)
        w, h = 300, 200
        pixels = [rng.randrange(32) if rng.random() < 0.5 else 5 for _ in range(w * h)]
        palette = [(8 * i,) * 3 for i in range(32)]
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "noise.gif")
            with open(path, "wb") as f:
                f.write(art.gif_bytes(w, h, palette, pixels, 31))
            grey = subprocess.run([CONVERT, path, "-alpha", "off", "-depth", "8", "gray:-"],
                                  check=True, capture_output=True).stdout
        self.assertEqual(list(grey), [8 * p for p in pixels])


class FilesTest(unittest.TestCase):
    def test_button_gif(self):
        w, h, palette, transparent, pixels = parse_gif(read("donate.gif"))
        self.assertEqual((w, h, len(palette), transparent), (110, 23, 32, 31))
        self.assertEqual(palette[:31], [(round(255 * i / 30),) * 3 for i in range(31)])
        button = art.draw_button()
        self.assertEqual(pixels, [c for row in button for c in row])
        # Rounded: the corners are see-through, the middle of each side is not.
        for x, y in ((0, 0), (109, 0), (0, 22), (109, 22)):
            self.assertEqual(button[y][x], 31)
        for x, y in ((0, 11), (109, 11), (55, 0), (55, 22)):
            self.assertNotEqual(button[y][x], 31)
        # The words are there, in dark ink, on a light face.
        ink, _ = art.text_pixels("Make a Donation")
        self.assertEqual(sum(c <= 5 for c in pixels), len(ink))
        self.assertGreater(button[11][2], 15)

    def test_icon(self):
        icon32, icon16 = parse_ico(read("vokruzeru.ico"))
        self.assertEqual(icon32, art.draw_pixel_icon(32))
        self.assertEqual(icon16, art.draw_icon16())
        for pic in (icon32, icon16):
            used = {c for row in pic for c in row}
            for colour in (None, art.BLACK, art.RED, art.DARK_RED, art.YELLOW,
                           art.BLUE, art.WHITE):
                self.assertIn(colour, used)
            # The stick runs from corner to corner, broken in the middle.
            n = len(pic)
            self.assertIn(pic[n // 4][n // 4], (art.RED, art.DARK_RED))
            self.assertIn(pic[n - 1 - n // 4][n - 1 - n // 4], (art.RED, art.DARK_RED))
            self.assertNotIn(pic[n // 2][n // 2], (art.RED, art.DARK_RED, art.BLACK))

    def test_theme_pngs(self):
        self.assertEqual(parse_png(read("icons", "16", "vokruzeru.png")),
                         art.to_rgba(art.draw_icon16()))
        self.assertEqual(parse_png(read("icons", "32", "vokruzeru.png")),
                         art.to_rgba(art.draw_pixel_icon(32)))
        for size in (48, 128, 256):
            rows = parse_png(read("icons", str(size), "vokruzeru.png"))
            self.assertEqual((len(rows), len(rows[0])), (size, size))
            # Transparent around the stick's ends, opaque on the stick, and
            # smooth: partly covered pixels along the edges.
            self.assertEqual(rows[0][size - 1][3], 0)
            self.assertEqual(rows[size // 5][size // 5][3], 255)
            self.assertGreater(sum(0 < px[3] < 255 for row in rows for px in row), size)

    def test_archive_type_icons(self):
        bands = set()
        for kind, (_name, band) in art.ARCHIVE_KINDS.items():
            icon32, icon16 = parse_ico(read(kind + "-archive.ico"))
            self.assertEqual(icon32, art.draw_type_icon(kind, 32))
            self.assertEqual(icon16, art.draw_type_icon(kind, 16))
            for size in art.TYPE_ICON_SIZES:
                rows = parse_png(read("icons", str(size), "application-x-%s.png" % kind))
                self.assertEqual((len(rows), len(rows[0])), (size, size))
                u = size // 16
                # A sheet with room on both sides and its top-right corner folded
                # away; white below the stick, the format's colour in the band.
                self.assertEqual(rows[size // 2][0][3], 0, (kind, size))
                self.assertEqual(rows[size // 2][size - 1][3], 0, (kind, size))
                self.assertEqual(rows[0][14 * u - 1][3], 0, (kind, size))
                self.assertEqual(rows[9 * u][3 * u], (255, 255, 255, 255), (kind, size))
                self.assertEqual(rows[13 * u][3 * u], art.VGA[band] + (255,), (kind, size))
                # The stick is on it, in red.
                self.assertTrue(any(px[:3] == art.VGA[art.RED] for row in rows for px in row))
            bands.add(band)
        self.assertEqual(len(bands), len(art.ARCHIVE_KINDS))

    @unittest.skipUnless(IDENTIFY, NO_IMAGEMAGICK)
    def test_imagemagick_identify(self):
        out = subprocess.run([IDENTIFY, os.path.join(RES, "vokruzeru.ico")],
                             check=True, capture_output=True, text=True).stdout.splitlines()
        self.assertEqual(len(out), 2)
        self.assertIn("32x32", out[0])
        self.assertIn("16x16", out[1])
        self.assertTrue(all("4-bit" in line for line in out))
        out = subprocess.run([IDENTIFY, os.path.join(RES, "donate.gif")],
                             check=True, capture_output=True, text=True).stdout
        self.assertIn("GIF 110x23", out)

    def test_committed_files_are_current(self):
        with tempfile.TemporaryDirectory() as tmp:
            art.main(tmp)
            made = sorted(os.path.relpath(os.path.join(d, f), tmp)
                          for d, _, files in os.walk(tmp) for f in files)
            self.assertEqual(len(made), 17)
            for rel in made:
                with open(os.path.join(tmp, rel), "rb") as f:
                    self.assertEqual(f.read(), read(os.path.relpath(rel, "app/resources")),
                                     rel)


if __name__ == "__main__":
    unittest.main()
