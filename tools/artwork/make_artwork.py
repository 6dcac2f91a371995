#!/usr/bin/env python3
"""Makes the artwork of VOKRuzeru.

Writes, from the drawing code below:
  app/resources/vokruzeru.ico         program icon, 32x32 and 16x16, 16 colours
  app/resources/icons/N/vokruzeru.png the same icon as RGBA PNG, N = 16 32 48 128 256
  app/resources/donate.gif            the "Make a Donation" button, 110x23
  app/resources/KIND-archive.ico      file-type icons of VOK and TEMO archives, 32x32 and
                                      16x16, 16 colours (KIND = vok, temo)
  app/resources/icons/N/application-x-KIND.png  the same as RGBA PNG, N = 16 32 64 128

Run from the repository root:  python3 tools/artwork/make_artwork.py
Python 3 standard library only; every run writes the same bytes.
"""

import functools
import math
import os
import struct
import zlib

# The standard 16-colour Windows/VGA palette, in its usual order.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, DARK_BLUE, LIGHT_GREY, DARK_GREY = 0, 1, 2, 4, 7, 8
RED, YELLOW, BLUE, WHITE = 9, 11, 12, 15

# ---------------------------------------------------------------------------
# Geometry of the icon, in a 32 x 32 design space (x right, y down).

def point_in_polygon(x, y, poly):
    inside = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    span = dx * dx + dy * dy
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / span)) if span else 0.0
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def bounds(points, margin=0.0):
    """The box around `points`, grown by `margin`: nothing outside it can be inside them."""
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin)


def outside(x, y, box):
    return x < box[0] or y < box[1] or x > box[2] or y > box[3]


def polygon_depth(x, y, poly):
    """How far (x, y) lies inside poly; negative outside."""
    d = min(segment_distance(x, y, poly[i], poly[(i + 1) % len(poly)])
            for i in range(len(poly)))
    return d if point_in_polygon(x, y, poly) else -d


class Piece:
    """One half of the broken stick: a polygon in stick coordinates
    (u along the stick from its top-left end, v across it towards the
    bottom left), red with dark-red shading on the v > shade side."""

    def __init__(self, uv_points, start, end, shade):
        ax, ay = start
        length = math.hypot(end[0] - ax, end[1] - ay)
        self.d = ((end[0] - ax) / length, (end[1] - ay) / length)
        self.n = (-self.d[1], self.d[0])
        self.origin = start
        self.shade = shade
        self.poly = [self.xy(u, v) for u, v in uv_points]
        self.box = bounds(self.poly)

    def xy(self, u, v):
        return (self.origin[0] + u * self.d[0] + v * self.n[0],
                self.origin[1] + u * self.d[1] + v * self.n[1])

    def across(self, x, y):
        return (x - self.origin[0]) * self.n[0] + (y - self.origin[1]) * self.n[1]

    def inside(self, x, y):
        return point_in_polygon(x, y, self.poly)

    def fill_colour(self, x, y):
        return DARK_RED if self.across(x, y) > self.shade else RED

    def colour_at(self, x, y, outline):
        if outside(x, y, self.box):
            return None
        depth = polygon_depth(x, y, self.poly)
        if depth < 0:
            return None
        return BLACK if depth < outline else self.fill_colour(x, y)


class Star:
    """A star-shaped spark or flash: points at the given radii, evenly spaced,
    with the notches between them at radius `waist`."""

    def __init__(self, cx, cy, points, waist, colour, turn=0.0):
        self.colour = colour
        self.poly = []
        for k, r in enumerate(points):
            for j, radius in enumerate((r, waist)):
                a = turn + (2 * k + j) * math.pi / len(points)
                self.poly.append((cx + radius * math.cos(a), cy + radius * math.sin(a)))
        self.box = bounds(self.poly)

    def colour_at(self, x, y, outline=0.0):
        if outside(x, y, self.box):
            return None
        return self.colour if point_in_polygon(x, y, self.poly) else None


def spark(cx, cy, radius, colour):
    """A small four-pointed spark, arms along x and y."""
    return Star(cx, cy, [radius] * 4, 0.3 * radius, colour)


class Dot:
    """A round spark or, from a to b, a streak with round ends."""

    def __init__(self, a, b, radius, colour):
        self.a, self.b, self.radius, self.colour = a, b, radius, colour
        self.box = bounds((a, b), radius)

    def colour_at(self, x, y, outline=0.0):
        if outside(x, y, self.box):
            return None
        if segment_distance(x, y, self.a, self.b) < self.radius:
            return self.colour
        return None


def design():
    """The icon as a list of layers, bottom first: the flash of the break,
    the two halves of the stick, then the sparks flying out."""
    start, end = (3.0, 3.0), (29.0, 29.0)
    length = math.hypot(end[0] - start[0], end[1] - start[1])
    h = 2.6                              # half the stick's thickness
    gap = 6.5                            # how far the two halves flew apart
    tooth = 1.6                          # depth of the jagged break
    at = (length - gap) / 2
    edge = [(at + tooth, -h), (at - tooth, -0.2 * h), (at + 0.3 * tooth, 0.45 * h),
            (at - 0.7 * tooth, h)]
    upper = [(0.0, h), (0.0, -h)] + edge
    lower = [(u + gap, v) for u, v in edge][::-1] + [(length, -h), (length, h)]
    pieces = [Piece(upper, start, end, 0.6), Piece(lower, start, end, 0.6)]
    # The flash: its longest rays point across the stick, into the free corners.
    rays = [4.0, 8.5, 5.0, 4.0, 5.0, 9.0, 4.5, 5.5]
    flash = [Star(16.0, 16.0, [r * f for r in rays], 2.2 * f, c, -math.pi / 2 + 0.12)
             for f, c in ((1.0, RED), (0.72, YELLOW), (0.38, WHITE))]
    sparks = [
        spark(24.5, 7.5, 3.6, YELLOW), Dot((24.5, 7.5), (24.5, 7.5), 0.6, WHITE),
        Dot((20.5, 11.5), (21.5, 10.5), 0.5, YELLOW),
        spark(7.5, 24.5, 3.6, BLUE), Dot((7.5, 24.5), (7.5, 24.5), 0.6, WHITE),
        Dot((10.5, 21.5), (11.5, 20.5), 0.5, BLUE),
        spark(28.5, 15.5, 2.4, LIGHT_GREY), Dot((24.5, 15.5), (24.5, 15.5), 0.6, WHITE),
        spark(15.5, 28.5, 2.4, YELLOW), Dot((15.5, 24.5), (15.5, 24.5), 0.6, RED),
        spark(16.5, 3.5, 2.4, WHITE),
        spark(3.5, 16.5, 2.4, LIGHT_GREY),
        Dot((20.5, 3.5), (20.5, 3.5), 0.6, RED),
        Dot((29.5, 9.5), (29.5, 9.5), 0.6, RED),
        Dot((28.5, 3.5), (28.5, 3.5), 0.6, DARK_GREY),
        Dot((9.5, 29.5), (9.5, 29.5), 0.6, DARK_GREY),
        Dot((2.5, 21.5), (2.5, 21.5), 0.6, RED),
        Dot((3.5, 28.5), (3.5, 28.5), 0.6, WHITE),
    ]
    return flash + pieces + sparks


# The 16 x 16 picture, placed by hand after the same layout: the two halves
# with a small flash between them and a few sparks.
ICON16 = """
.KKK............
KRRRK.......Y...
KrRRRK......Y...
.KrRRRK...YYWYY.
..KrRRRK....Y...
...KrRKK.Y..Y...
....KK.YY.......
......YWWY....W.
....R.YWWY.KK...
.......YY.KRK...
......Y..KRRRK..
..B......KrRRRK.
..B.......KrRRRK
BBWBB......KrRRK
..B.........KrRK
..B....g.....KK.
"""
PIXEL_COLOURS = {".": None, "K": BLACK, "R": RED, "r": DARK_RED, "Y": YELLOW,
                 "B": BLUE, "W": WHITE, "g": LIGHT_GREY, "G": DARK_GREY}


def draw_icon16():
    return [[PIXEL_COLOURS[c] for c in line] for line in ICON16.split()]

# ---------------------------------------------------------------------------
# Drawing the icon.  A picture is a list of rows of palette indices, with
# None for transparent pixels.

def draw_pixel_icon(size):
    """Crisp pixel art: one sample per pixel centre, one-pixel black outline
    on the inner edge of each stick half."""
    scale = 32.0 / size
    centre = lambda i: (i + 0.5) * scale
    img = [[None] * size for _ in range(size)]
    for layer in design():
        if not isinstance(layer, Piece):
            for y in range(size):
                for x in range(size):
                    c = layer.colour_at(centre(x), centre(y))
                    if c is not None:
                        img[y][x] = c
            continue
        mask = [[layer.inside(centre(x), centre(y)) for x in range(size)]
                for y in range(size)]
        for y in range(size):
            for x in range(size):
                if not mask[y][x]:
                    continue
                edge = any(not (0 <= x + dx < size and 0 <= y + dy < size
                                and mask[y + dy][x + dx])
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                img[y][x] = BLACK if edge else layer.fill_colour(centre(x), centre(y))
    return img


def smooth_colour(x, y, layers, outline):
    """The palette colour at design point (x, y), or None."""
    for layer in reversed(layers):
        c = layer.colour_at(x, y, outline)
        if c is not None:
            return c
    return None


@functools.lru_cache(maxsize=None)
def draw_smooth_icon(size):
    """The 32-pixel design drawn anew at a larger size, with smooth edges.
    Returns rows of (r, g, b, a)."""
    layers = design()
    scale = 32.0 / size
    outline = (0.45 + 0.55 * size / 32.0) * scale   # outline width, design units
    look = lambda px, py: smooth_colour(px * scale, py * scale, layers, outline)
    # Colours on a half-pixel grid: a pixel whose corners and centre agree is flat.
    grid = [[look(i / 2.0, j / 2.0) for i in range(2 * size + 1)]
            for j in range(2 * size + 1)]
    n = 6
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            probes = {grid[2 * y + j][2 * x + i] for i in range(3) for j in range(3)}
            if len(probes) == 1:
                samples = [probes.pop()]
            else:
                samples = [look(x + (i + 0.5) / n, y + (j + 0.5) / n)
                           for i in range(n) for j in range(n)]
            row.append(average(samples))
        rows.append(row)
    return rows


def average(samples):
    """Mean of palette samples (None = transparent) as straight-alpha RGBA."""
    opaque = [VGA[c] for c in samples if c is not None]
    if not opaque:
        return (0, 0, 0, 0)
    alpha = len(opaque) / len(samples)
    r, g, b = (round(sum(c[k] for c in opaque) / len(opaque)) for k in range(3))
    return (r, g, b, round(255 * alpha))


def to_rgba(img):
    return [[(0, 0, 0, 0) if c is None else VGA[c] + (255,) for c in row] for row in img]

# ---------------------------------------------------------------------------
# File writers.

def png_bytes(rows):
    """An 8-bit RGBA PNG of rows of (r, g, b, a)."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def ico_bytes(images):
    """An .ico of square 16-colour pictures (rows of VGA indices or None)."""
    blobs = []
    for img in images:
        size = len(img)
        xor_stride = (size * 4 + 31) // 32 * 4
        and_stride = (size + 31) // 32 * 4
        pixels, mask = b"", b""
        for row in reversed(img):                        # bottom-up rows
            nibbles = [0 if c is None else c for c in row]
            line = bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, size, 2))
            pixels += line.ljust(xor_stride, b"\0")
            bits = 0
            for c in row:
                bits = bits << 1 | (c is None)
            mask += bits.to_bytes(size // 8, "big").ljust(and_stride, b"\0")
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0,
                             len(pixels) + len(mask), 0, 0, 16, 0)
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
        blobs.append(header + palette + pixels + mask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", len(img), len(img), 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def lzw_encode(indices, min_code_size):
    """GIF LZW: variable-width codes, packed least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    prefix = indices[0]
    for pixel in indices[1:]:
        if (prefix, pixel) in table:
            prefix = table[prefix, pixel]
            continue
        emit(prefix, width)
        # The decoder learns each new code one step later, so the width
        # grows once the codes already handed out fill the current width.
        if next_code >= 4095:          # table full: start afresh
            emit(clear, width)
            table, next_code, width = reset()
        else:
            if next_code == 1 << width and width < 12:
                width += 1
            table[prefix, pixel] = next_code
            next_code += 1
        prefix = pixel
    emit(prefix, width)
    if next_code == 1 << width and width < 12:
        width += 1
    emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(width, height, palette, indices, transparent):
    """A GIF89a with one image, a global palette of 2**k entries and one
    transparent palette index."""
    bits = max(1, (len(palette) - 1).bit_length())
    header = b"GIF89a" + struct.pack("<HHBBB", width, height,
                                     0xF0 | (bits - 1), transparent, 0)
    table = b"".join(bytes(c) for c in palette)
    control = b"\x21\xF9\x04\x01\x00\x00" + bytes((transparent, 0))
    descriptor = b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    code_size = max(2, bits)
    data = lzw_encode(indices, code_size)
    blocks = b"".join(bytes((len(data[i:i + 255]),)) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return (header + table + control + descriptor + bytes((code_size,))
            + blocks + b"\0" + b"\x3B")

# ---------------------------------------------------------------------------
# The donation button.

FONT = {  # 7 rows high, proportional; '#' is ink
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "a": ["....", "....", ".##.", "...#", ".###", "#..#", ".###"],
    "e": ["....", "....", ".##.", "#..#", "####", "#...", ".###"],
    "i": ["#", ".", "#", "#", "#", "#", "#"],
    "k": ["#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"],
    "n": ["....", "....", "###.", "#..#", "#..#", "#..#", "#..#"],
    "o": ["....", "....", ".##.", "#..#", "#..#", "#..#", ".##."],
    "t": [".#.", ".#.", "###", ".#.", ".#.", ".#.", "..#"],
    " ": ["...", "...", "...", "...", "...", "...", "..."],
}
BUTTON_W, BUTTON_H, BUTTON_TEXT = 110, 23, "Make a Donation"
GREYS = [(round(255 * i / 30),) * 3 for i in range(31)] + [(255, 255, 255)]
CLEAR = 31           # the transparent palette entry


def text_pixels(text):
    """The set of (x, y) ink pixels of text, and its width."""
    ink, x = set(), 0
    for ch in text:
        glyph = FONT[ch]
        for y, row in enumerate(glyph):
            ink.update((x + i, y) for i, c in enumerate(row) if c == "#")
        x += len(glyph[0]) + 1
    return ink, x - 1


def in_rounded_rect(x, y, w, h, r):
    """Whether pixel (x, y) lies in a w x h rectangle with corners of radius r."""
    px, py = x + 0.5, y + 0.5
    cx = min(max(px, r), w - r)
    cy = min(max(py, r), h - r)
    return math.hypot(px - cx, py - cy) <= r


def draw_button():
    """Rows of grey palette indices: a rounded, bevelled grey button."""
    w, h = BUTTON_W, BUTTON_H
    inside = [[in_rounded_rect(x, y, w, h, 8.0) for x in range(w)] for y in range(h)]

    def depth(x, y):  # 0 on the border, 1 just inside it, 2 beyond
        for d in (0, 1):
            if any(not (0 <= x + dx < w and 0 <= y + dy < h and inside[y + dy][x + dx])
                   for dx in range(-d - 1, d + 2) for dy in range(-d - 1, d + 2)
                   if abs(dx) + abs(dy) <= d + 1):
                return d
        return 2

    img = [[CLEAR] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if not inside[y][x]:
                continue
            d = depth(x, y)
            if d == 0:
                img[y][x] = 11                                 # dark rim
            elif d == 1:
                img[y][x] = 30 if y < h / 2 else 18            # bevel: light top, dark bottom
            else:
                img[y][x] = round(29 - 9 * y / (h - 1))        # light-to-darker gradient
    ink, tw = text_pixels(BUTTON_TEXT)
    left, top = (w - tw) // 2, (h - 7) // 2
    for x, y in ink:
        if (x, y + 1) not in ink:
            img[top + y + 1][left + x] = 30                    # engraved highlight
    for x, y in ink:
        img[top + y][left + x] = 3                             # the letters
    return img

# ---------------------------------------------------------------------------
# The file-type icons: a sheet of paper with a folded corner, the program's
# broken stick on it and a band in the format's colour with its name.

ARCHIVE_KINDS = {"vok": ("VOK", DARK_BLUE), "temo": ("TEMO", DARK_GREEN)}
TYPE_ICON_SIZES = (16, 32, 64, 128)

LETTERS = {  # 3 or 5 wide, 5 rows high; '#' is ink
    "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "O": [".#.", "#.#", "#.#", "#.#", ".#."],
    "K": ["#.#", "#.#", "##.", "#.#", "#.#"],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "E": ["###", "#..", "##.", "#..", "###"],
    "M": ["#...#", "##.##", "#.#.#", "#...#", "#...#"],
}

# The stick at 16 pixels has room for a few pixels only, placed by hand.
STICK8 = """
.K......
KRK.....
.KrK....
..KK..Y.
.....YWY
....KK..
....KRK.
.....KrK
"""


def draw_sheet(unit, band):
    """A sheet 16 * unit pixels square, as rows of palette indices: white with
    a dark-grey edge, its top-right corner folded down, and a band at the foot."""
    size = 16 * unit
    left, right, top, bottom = 2 * unit, 14 * unit - 1, 0, size - 1
    fold = 4 * unit
    band_top, band_bottom = 10 * unit, 14 * unit - 1
    img = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(left, right + 1):
            cut = x - (right - fold)                   # columns into the folded corner
            if cut > y:
                continue                                # cut away by the fold
            if x in (left, right) or y in (top, bottom) or cut == y:
                img[y][x] = DARK_GREY                   # the edge, and the crease
            elif cut > 0 and y < fold:
                img[y][x] = LIGHT_GREY                  # the back of the folded corner
            elif band_top <= y <= band_bottom:
                img[y][x] = band
            else:
                img[y][x] = WHITE
    for i in range(fold):                               # the folded corner's own edges
        img[fold - 1][right - fold + 1 + i] = DARK_GREY
        img[i][right - fold + 1] = DARK_GREY
    return img


def draw_letters(img, text, unit, top, centre):
    """Writes text in white, each font pixel unit x unit, centred on column centre."""
    width = sum(len(LETTERS[c][0]) + 1 for c in text) - 1
    x0 = centre - width * unit // 2
    for c in text:
        glyph = LETTERS[c]
        for gy, row in enumerate(glyph):
            for gx, ink in enumerate(row):
                if ink == "#":
                    for dy in range(unit):
                        for dx in range(unit):
                            img[top + gy * unit + dy][x0 + gx * unit + dx] = WHITE
        x0 += (len(glyph[0]) + 1) * unit


def draw_type_icon(kind, size):
    """The pixel-art file-type icon of 16 or 32 pixels, as palette indices."""
    name, band = ARCHIVE_KINDS[kind]
    unit = size // 16
    img = draw_sheet(unit, band)
    if size == 16:
        stick = [[PIXEL_COLOURS[c] for c in line] for line in STICK8.split()]
        at = (4, 1)
    else:
        stick, at = draw_icon16(), (7, 2)
        draw_letters(img, name, 1, 21, 16)
    for y, row in enumerate(stick):
        for x, c in enumerate(row):
            if c is not None:
                img[at[1] + y][at[0] + x] = c
    return img


def shrink(rows, factor):
    """RGBA rows made factor times smaller, each pixel the mean of a square."""
    out = []
    for y in range(0, len(rows), factor):
        line = []
        for x in range(0, len(rows[0]), factor):
            block = [rows[y + j][x + i] for j in range(factor) for i in range(factor)]
            alpha = sum(p[3] for p in block)
            if alpha == 0:
                line.append((0, 0, 0, 0))
                continue
            rgb = tuple(round(sum(p[k] * p[3] for p in block) / alpha) for k in range(3))
            line.append(rgb + (round(alpha / len(block)),))
        out.append(line)
    return out


def draw_large_type_icon(kind, size):
    """The file-type icon at 64 or 128 pixels: the sheet and the name drawn
    crisp at that size, the smooth program icon shrunk onto it. RGBA rows."""
    name, band = ARCHIVE_KINDS[kind]
    unit = size // 16
    img = draw_sheet(unit, band)
    draw_letters(img, name, unit // 2, 21 * unit // 2, 8 * unit)
    rows = to_rgba(img)
    stick = shrink(draw_smooth_icon(256), 512 // size)  # half the icon's width
    ox, oy = 7 * unit // 2, unit
    for y, line in enumerate(stick):
        for x, (r, g, b, a) in enumerate(line):
            if a:
                under = rows[oy + y][ox + x]
                mix = lambda top, low: round((top * a + low * (255 - a)) / 255)
                rows[oy + y][ox + x] = (mix(r, under[0]), mix(g, under[1]), mix(b, under[2]), 255)
    return rows


def type_icon_rgba(kind, size):
    if size in (16, 32):
        return to_rgba(draw_type_icon(kind, size))
    return draw_large_type_icon(kind, size)

# ---------------------------------------------------------------------------

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(root="."):
    res = os.path.join(root, "app", "resources")
    icon32, icon16 = draw_pixel_icon(32), draw_icon16()
    write(os.path.join(res, "vokruzeru.ico"), ico_bytes([icon32, icon16]))
    for size in (16, 32, 48, 128, 256):
        if size == 16:
            rows = to_rgba(icon16)
        elif size == 32:
            rows = to_rgba(icon32)
        else:
            rows = draw_smooth_icon(size)
        write(os.path.join(res, "icons", str(size), "vokruzeru.png"), png_bytes(rows))
    for kind in ARCHIVE_KINDS:
        write(os.path.join(res, kind + "-archive.ico"),
              ico_bytes([draw_type_icon(kind, 32), draw_type_icon(kind, 16)]))
        for size in TYPE_ICON_SIZES:
            write(os.path.join(res, "icons", str(size), "application-x-%s.png" % kind),
                  png_bytes(type_icon_rgba(kind, size)))
    button = draw_button()
    write(os.path.join(res, "donate.gif"),
          gif_bytes(BUTTON_W, BUTTON_H, GREYS, [c for row in button for c in row], CLEAR))


if __name__ == "__main__":
    main()
