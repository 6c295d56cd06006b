#!/usr/bin/env python3
"""Draws the program's pictures into src/ui/resources/.

    scripts/draw-pictures.py [--preview DIR]

ClockSync.ico  the program icon: 16, 20, 24, 32, 40, 48, 64 and 256 pixels, 32-bit with alpha and
               AND mask (the 256-pixel one as PNG)
ping.bmp       the ping button's 16 x 16 glyph, 16 colours; the bottom-left pixel (magenta) is the
               colour the button leaves out
ok.bmp, cancel.bmp
               the proxy dialog's button glyphs (a tick, a cross), drawn the same way
datetime.bmp, readme.bmp, website.bmp, about.bmp
               menu item pictures, the same way: a calendar with a clock, a page of text, a globe,
               an "i" in a circle
banner.bmp     the maker's 150 x 27 banner, 24-bit, on the window's dark grey

Every picture but the icon also comes for 150% and 200% displays, as NAME-150.bmp and
NAME-200.bmp: the glyphs 24 and 32 pixels square, the banner 225 x 41 and 300 x 54 (256 colours
of its own, a third of the size).

Standard library only, so it runs on any machine that builds the program. Shapes are sampled
several times per pixel (a mask per shape) and composited with their coverage, which gives
anti-aliased edges without a drawing library. With --preview, each picture is also written as an
enlarged PNG on dark and light grounds, for looking at.
"""

import argparse
import math
import os
import struct
import zlib

# ---- Colours ------------------------------------------------------------------------------


def rgb(value, alpha=1.0):
    """0xRRGGBB to a straight (r, g, b, a) tuple of floats."""
    return ((value >> 16 & 255) / 255.0, (value >> 8 & 255) / 255.0, (value & 255) / 255.0,
            alpha)


def mix(c0, c1, t):
    t = min(1.0, max(0.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(colour):
    return lambda x, y: colour


def vertical(top, bottom, y0, y1):
    """A paint that runs from top at y0 to bottom at y1."""
    return lambda x, y: mix(top, bottom, (y - y0) / (y1 - y0))


# ---- Coverage masks -------------------------------------------------------------------------


class Mask:
    """One shape sampled ss x ss times per pixel; coverage() gives the fraction per pixel."""

    def __init__(self, width, height, ss):
        self.width, self.height, self.ss = width, height, ss
        self.bits = bytearray(width * ss * height * ss)

    def _paint(self, inside, box, value):
        ss = self.ss
        cols, rows = self.width * ss, self.height * ss
        x0, y0, x1, y1 = box
        i0, i1 = max(0, int(math.floor(x0 * ss))), min(cols, int(math.ceil(x1 * ss)) + 1)
        j0, j1 = max(0, int(math.floor(y0 * ss))), min(rows, int(math.ceil(y1 * ss)) + 1)
        bits = self.bits
        for j in range(j0, j1):
            y = (j + 0.5) / ss
            base = j * cols
            for i in range(i0, i1):
                if inside((i + 0.5) / ss, y):
                    bits[base + i] = value

    def add(self, shape):
        self._paint(shape[0], shape[1], 1)
        return self

    def cut(self, shape):
        self._paint(shape[0], shape[1], 0)
        return self

    def coverage(self):
        ss, cols = self.ss, self.width * self.ss
        full = float(ss * ss)
        out = []
        for y in range(self.height):
            for x in range(self.width):
                total = 0
                for j in range(y * ss, y * ss + ss):
                    start = j * cols + x * ss
                    total += sum(self.bits[start:start + ss])
                out.append(total / full)
        return out


# Shapes: (inside(x, y), bounding box). Coordinates are in pixels, y downwards; pixel (i, j)
# covers [i, i + 1) x [j, j + 1).


def circle(cx, cy, r):
    r2 = r * r
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r2, (cx - r, cy - r, cx + r, cy + r))


def ring(cx, cy, r_in, r_out):
    a, b = r_in * r_in, r_out * r_out
    return (lambda x, y: a <= (x - cx) ** 2 + (y - cy) ** 2 <= b,
            (cx - r_out, cy - r_out, cx + r_out, cy + r_out))


def capsule(x0, y0, x1, y1, width, round_ends=True):
    """A stroke from (x0, y0) to (x1, y1): round ends, or butt ends when round_ends is false."""
    h = width / 2.0
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-12

    def inside(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / length2
        if not round_ends and (t < 0 or t > 1):
            return False
        t = min(1.0, max(0.0, t))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= h * h

    return inside, (min(x0, x1) - h, min(y0, y1) - h, max(x0, x1) + h, max(y0, y1) + h)


def polygon(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    edges = list(zip(points, points[1:] + points[:1]))

    def inside(x, y):
        odd = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                odd = not odd
        return odd

    return inside, (min(xs), min(ys), max(xs), max(ys))


def arc(cx, cy, r, width, start, end):
    """A stroke along a circle from angle start to end (degrees clockwise from 12 o'clock)."""
    h = width / 2.0
    lo, hi = (start, end) if start <= end else (end, start)

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > h:
            return False
        angle = math.degrees(math.atan2(x - cx, cy - y)) % 360.0
        return any(lo <= a <= hi for a in (angle, angle + 360.0, angle - 360.0))

    return inside, (cx - r - h, cy - r - h, cx + r + h, cy + r + h)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        qx = max(x0 + radius - x, 0.0, x - (x1 - radius))
        qy = max(y0 + radius - y, 0.0, y - (y1 - radius))
        return qx * qx + qy * qy <= radius * radius

    return inside, (x0, y0, x1, y1)


def box(x0, y0, x1, y1):
    return (lambda x, y: x0 <= x < x1 and y0 <= y < y1), (x0, y0, x1, y1)


def polar(cx, cy, r, degrees):
    """The point at r from the centre, degrees clockwise from 12 o'clock."""
    a = math.radians(degrees)
    return cx + r * math.sin(a), cy - r * math.cos(a)


# ---- Canvas --------------------------------------------------------------------------------


class Canvas:
    """Premultiplied RGBA floats; layers go on with the source-over rule."""

    def __init__(self, width, height, ss=8, ground=(0.0, 0.0, 0.0, 0.0)):
        self.width, self.height, self.ss = width, height, ss
        r, g, b, a = ground
        self.pixels = [[r * a, g * a, b * a, a] for _ in range(width * height)]

    def mask(self, *shapes):
        m = Mask(self.width, self.height, self.ss)
        for shape in shapes:
            m.add(shape)
        return m

    def layer(self, mask, paint, opacity=1.0):
        cover = mask.coverage() if isinstance(mask, Mask) else mask
        for index, c in enumerate(cover):
            if c <= 0.0:
                continue
            x, y = index % self.width + 0.5, index // self.width + 0.5
            r, g, b, a = paint(x, y)
            a *= c * opacity
            px = self.pixels[index]
            keep = 1.0 - a
            px[0] = r * a + px[0] * keep
            px[1] = g * a + px[1] * keep
            px[2] = b * a + px[2] * keep
            px[3] = a + px[3] * keep

    def fill(self, paint, *shapes, opacity=1.0):
        self.layer(self.mask(*shapes), paint, opacity)

    def rgba8(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top row first."""
        rows = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                r, g, b, a = self.pixels[y * self.width + x]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(int(round(min(1.0, v / a) * 255)) for v in (r, g, b)) +
                           (int(round(min(1.0, a) * 255)),))
            rows.append(row)
        return rows


# ---- File formats ---------------------------------------------------------------------------


def png_bytes(rows):
    """RGBA rows to a PNG file."""
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw.extend(px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def bitmap_info(width, height, bits, image_size, colours=0):
    # BITMAPINFOHEADER; 2835 pixels per metre is 72 dots per inch, as most tools write.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, colours)


def bmp_file(info_and_pixels, pixel_offset):
    return (b"BM" + struct.pack("<IHHI", 14 + len(info_and_pixels), 0, 0, pixel_offset) +
            info_and_pixels)


def bmp24_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b, _ in row:
            line.extend((b, g, r))
        data.extend(line.ljust(stride, b"\0"))
    return bmp_file(bitmap_info(width, height, 24, len(data)) + bytes(data), 14 + 40)


# The standard 16-colour (VGA) palette in the order Windows uses for 4-bit pictures.
VGA16 = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
         0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]


def median_cut(colours, count):
    """count palette colours for the (r, g, b) colours: boxes split at the median of their
    widest channel, each box's mean its colour."""
    boxes = [list(colours)]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(set(b)) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: max(max(c[k] for c in b) - min(c[k] for c in b)
                                                for k in range(3)))
        channel = max(range(3), key=lambda k: max(c[k] for c in box) - min(c[k] for c in box))
        box.sort(key=lambda c: c[channel])
        boxes.remove(box)
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(int(round(sum(c[k] for c in b) / len(b))) for k in range(3)) for b in boxes]


def bmp8_bytes(rows):
    """Opaque RGBA rows into an 8-bit BMP with a palette of their own: a third of the 24-bit
    picture, for the large banners that the program carries beside the 100% one."""
    height, width = len(rows), len(rows[0])
    pixels = [px[:3] for row in rows for px in row]
    palette = median_cut(pixels, 256)
    nearest = {}
    for c in set(pixels):
        nearest[c] = min(range(len(palette)),
                         key=lambda i: sum((a - b) ** 2 for a, b in zip(c, palette[i])))
    stride = (width + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        data.extend(bytes(nearest[px[:3]] for px in row).ljust(stride, b"\0"))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = bitmap_info(width, height, 8, len(data), len(palette))
    return bmp_file(info + table + bytes(data), 14 + 40 + len(table))


def rgb8(value):
    return (value >> 16 & 255, value >> 8 & 255, value & 255, 255)


def bmp4_bytes(indices):
    """Rows of palette indices into a 4-bit BMP with the VGA palette."""
    height, width = len(indices), len(indices[0])
    stride = ((width + 1) // 2 + 3) & ~3
    data = bytearray()
    for row in reversed(indices):
        line = bytearray()
        for x in range(0, width, 2):
            high = row[x]
            low = row[x + 1] if x + 1 < width else 0
            line.append(high << 4 | low)
        data.extend(line.ljust(stride, b"\0"))
    palette = b"".join(struct.pack("<BBBB", c & 255, c >> 8 & 255, c >> 16, 0) for c in VGA16)
    info = bitmap_info(width, height, 4, len(data), 16)
    return bmp_file(info + palette + bytes(data), 14 + 40 + len(palette))


def ico_image(rows):
    """One 32-bit icon image: header, BGRA pixels and the AND mask, both bottom-up."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels.extend((b, g, r, a))
    # Systems that ignore alpha fall back on the mask: a set bit lets the screen through, and
    # only fully transparent pixels (whose colour is black, so XOR changes nothing) get one.
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask.extend(line)
    # The height in an icon's header counts the colour image and the mask together.
    return bitmap_info(size, size * 2, 32, len(pixels) + len(mask)) + bytes(pixels) + bytes(mask)


def ico_bytes(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, bodies = b"", b""
    for rows in images:
        size = len(rows)
        # The largest image is kept as PNG, as Explorer reads it: a bitmap would be a quarter
        # of a megabyte of the program's size.
        body = png_bytes(rows) if size >= 256 else ico_image(rows)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        bodies += body
        offset += len(body)
    return header + entries + bodies


# ---- The program icon -------------------------------------------------------------------------

BEZEL_TOP, BEZEL_BOTTOM = rgb(0x4F8FE0), rgb(0x1B4A8F)
BEZEL_EDGE = rgb(0x0E2A55)
FACE_TOP, FACE_BOTTOM = rgb(0xFFFFFF), rgb(0xDCE4EE)
INK = rgb(0x1C2633)
TICK = rgb(0x3A4656)
ACCENT = rgb(0xE0452B)
BADGE_TOP, BADGE_BOTTOM = rgb(0x4CC463), rgb(0x1E8A3A)
BADGE_EDGE = rgb(0x0F5223)
WHITE = rgb(0xFFFFFF)


def draw_icon(size):
    """A round blue-rimmed dial; from 32 pixels on at ten past ten with a second hand and a
    green sync badge, at 16 pixels at three o'clock, drawn on the pixel grid."""
    c = Canvas(size, size, ss=16 if size <= 16 else 8 if size <= 48 else 4 if size <= 64 else 2)
    s = size / 32.0  # the design is drawn for 32 pixels and scaled
    cx = cy = size / 2.0
    big = size >= 20

    r_out = size / 2.0 - 0.25 * s if big else 7.9
    rim = 3.0 * s if big else 1.9
    r_face = r_out - rim

    c.fill(solid(BEZEL_EDGE), circle(cx, cy, r_out))
    c.fill(vertical(BEZEL_TOP, BEZEL_BOTTOM, cy - r_out, cy + r_out),
           circle(cx, cy, r_out - (0.9 * s if big else 0.75)))
    c.fill(vertical(FACE_TOP, FACE_BOTTOM, cy - r_face, cy + r_face), circle(cx, cy, r_face))
    if big:
        # A thin shade inside the rim on the lower side gives the face some depth.
        c.fill(solid(rgb(0x9FB3CC)), arc(cx, cy, r_face - 0.35 * s, 0.7 * s, 100, 260),
               opacity=0.6)
        for hour in range(12):
            quarter = hour % 3 == 0
            inner = r_face - (3.4 if quarter else 2.2) * s
            x0, y0 = polar(cx, cy, inner, hour * 30)
            x1, y1 = polar(cx, cy, r_face - 0.9 * s, hour * 30)
            c.fill(solid(TICK), capsule(x0, y0, x1, y1, (1.5 if quarter else 1.0) * s, False))
    else:
        # Four small marks on whole pixels, so that they stay sharp.
        for x, y in ((7, 2), (13, 7), (7, 13), (2, 7)):
            c.fill(solid(TICK), box(x, y, x + 2, y + 2), opacity=0.55)

    if big:
        # Hands at ten past ten: the hour hand short and broad, the minute hand long.
        hx, hy = polar(cx, cy, r_face * 0.52, -55)
        mx, my = polar(cx, cy, r_face * 0.80, 60)
        c.fill(solid(INK), capsule(cx, cy, hx, hy, 2.6 * s), capsule(cx, cy, mx, my, 2.1 * s))
        sx, sy = polar(cx, cy, r_face * 0.78, 195)
        tx, ty = polar(cx, cy, r_face * 0.22, 15)
        c.fill(solid(ACCENT), capsule(tx, ty, sx, sy, 0.9 * s))
        c.fill(solid(ACCENT), circle(cx, cy, 1.9 * s))
        c.fill(solid(INK), circle(cx, cy, 0.8 * s))
    else:
        # Three o'clock: both hands run along pixel rows and columns and stay sharp.
        c.fill(solid(INK), box(7, 3.5, 9, 9), box(7, 7, 12, 9))

    if big:
        # The sync badge: a green disc in the lower right with a round white arrow.
        bx, by, br = size - 7.2 * s, size - 7.2 * s, 7.0 * s
        c.fill(solid(rgb(0x000000)), circle(bx, by + 0.5 * s, br + 0.9 * s), opacity=0.25)
        c.fill(solid(BADGE_EDGE), circle(bx, by, br))
        c.fill(vertical(BADGE_TOP, BADGE_BOTTOM, by - br, by + br), circle(bx, by, br - 0.9 * s))
        ar, aw = 3.5 * s, 1.5 * s
        c.fill(solid(WHITE), arc(bx, by, ar, aw, 70, 300))
        # The arrow head sits at the open end near 12 o'clock, pointing clockwise.
        tip = polar(bx, by, ar, 300 + 62)
        base_out = polar(bx, by, ar + 2.7 * s, 296)
        base_in = polar(bx, by, ar - 2.7 * s, 296)
        c.fill(solid(WHITE), polygon([tip, base_out, base_in]))
    return c.rgba8()


# ---- The ping button's glyph -------------------------------------------------------------------

# A small clock with a yellow flash: the command fetches the time now. Letters are VGA palette
# entries; "." is magenta, the colour the button leaves out (it is also the bottom-left pixel).
PING_GLYPH = [
    "....nnnnn.......",
    "..nnBBBBBnn.....",
    ".nnBWWKWWBnn....",
    ".nBWWWKWWWBn....",
    "nBWWWWKWWWWBn...",
    "nBWWWWKWWWWBn...",
    "nBGWWWRKKKWBn...",
    "nBWWWWWWWWWBKKKK",
    "nBWWWWWWWWWKYYK.",
    ".nBWWWWWWWKYYK..",
    ".nnBWWGWWKYYYKKK",
    "..nnBBBBBKKKYYYK",
    "....nnnnn..KYYK.",
    "..........KYYK..",
    "..........KYK...",
    ".........KK.....",
]

GLYPH_COLOURS = {".": 13, "K": 0, "r": 1, "g": 2, "o": 3, "n": 4, "p": 5, "t": 6, "S": 7,
                 "G": 8, "R": 9, "L": 10, "Y": 11, "B": 12, "A": 14, "W": 15}


def glyph_indices(rows):
    """A 16 x 16 glyph's letters to palette indices; its bottom-left pixel must be the key."""
    assert len(rows) == 16 and all(len(row) == 16 for row in rows), rows
    assert rows[15][0] == "."
    return [[GLYPH_COLOURS[ch] for ch in row] for row in rows]


def draw_ping():
    return glyph_indices(PING_GLYPH)


# The glyphs are drawn on a 16-pixel grid; for 150% and 200% displays they are enlarged with the
# pixel-art rules that keep their edges and diagonals sharp (each output pixel is one of the
# glyph's own palette entries, so the key colour stays exact).


def _at(rows, x, y):
    h, w = len(rows), len(rows[0])
    return rows[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]


def scale2x(rows):
    out = []
    for y in range(len(rows)):
        top, bottom = [], []
        for x in range(len(rows[0])):
            e = rows[y][x]
            b, d, f, h = _at(rows, x, y - 1), _at(rows, x - 1, y), _at(rows, x + 1, y), \
                _at(rows, x, y + 1)
            if b != h and d != f:
                top += [d if d == b else e, f if b == f else e]
                bottom += [d if d == h else e, f if h == f else e]
            else:
                top += [e, e]
                bottom += [e, e]
        out += [top, bottom]
    return out


def scale3x(rows):
    out = []
    for y in range(len(rows)):
        lines = [[], [], []]
        for x in range(len(rows[0])):
            a, b, c = _at(rows, x - 1, y - 1), _at(rows, x, y - 1), _at(rows, x + 1, y - 1)
            d, e, f = _at(rows, x - 1, y), rows[y][x], _at(rows, x + 1, y)
            g, h, i = _at(rows, x - 1, y + 1), _at(rows, x, y + 1), _at(rows, x + 1, y + 1)
            if b != h and d != f:
                block = [d if d == b else e,
                         d if (d == b and e != c) or (b == f and e != a) else e,
                         f if b == f else e,
                         d if (d == b and e != g) or (d == h and e != a) else e,
                         e,
                         f if (b == f and e != i) or (h == f and e != c) else e,
                         d if d == h else e,
                         h if (d == h and e != i) or (h == f and e != g) else e,
                         f if h == f else e]
            else:
                block = [e] * 9
            for k in range(3):
                lines[k] += block[3 * k:3 * k + 3]
        out += lines
    return out


def halve(rows):
    """Every 2 x 2 block to its most frequent entry (the top-left one on a tie)."""
    out = []
    for y in range(0, len(rows) - 1, 2):
        line = []
        for x in range(0, len(rows[0]) - 1, 2):
            block = [rows[y][x], rows[y][x + 1], rows[y + 1][x], rows[y + 1][x + 1]]
            line.append(max(block, key=lambda v: (block.count(v), v == block[0])))
        out.append(line)
    return out


def scale_glyph(indices, percent):
    if percent == 100:
        return indices
    rows = scale2x(indices) if percent == 200 else halve(scale3x(indices))
    rows[-1][0] = indices[-1][0]  # the key colour stays the bottom-left pixel
    return rows


# ---- The proxy dialog's buttons and the menu pictures -----------------------------------------

# OK: a lime tick with a dark green outline.
OK_GLYPH = [
    "................",
    "................",
    ".............gg.",
    "............gLLg",
    "...........gLLLg",
    "..........gLLLg.",
    ".gg......gLLLg..",
    "gLLg....gLLLg...",
    "gLLLg..gLLLg....",
    ".gLLLggLLLg.....",
    "..gLLLLLLg......",
    "...gLLLLg.......",
    "....gLLg........",
    ".....gg.........",
    "................",
    "................",
]

# Cancel: a red cross with a dark red outline.
CANCEL_GLYPH = [
    "................",
    "................",
    "..rr.......rr...",
    ".rRRr.....rRRr..",
    ".rRRRr...rRRRr..",
    "..rRRRr.rRRRr...",
    "...rRRRrRRRr....",
    "....rRRRRRr.....",
    "....rRRRRRr.....",
    "...rRRRrRRRr....",
    "..rRRRr.rRRRr...",
    ".rRRRr...rRRRr..",
    ".rRRr.....rRRr..",
    "..rr.......rr...",
    "................",
    "................",
]

# System date and time: a calendar leaf with a red header, a clock in front of its corner.
DATETIME_GLYPH = [
    "................",
    "KKKKKKKKKKKK....",
    "KRRRRRRRRRRK....",
    "KRWRRRRRRWRK....",
    "KRRRRRRRRRRK....",
    "KWWWWWWWWWWK....",
    "KWGWGWGWGWWK....",
    "KWWWWWWnnnnn....",
    "KWGWGWnWWSWWn...",
    "KWWWWnWWWKWWWn..",
    "KWGWGnWWWKWWWn..",
    "KWWWWnSWWKKKSn..",
    "KKKKKnWWWWWWWnG.",
    ".....nWWWWWWWnG.",
    "......nWWSWWnG..",
    ".......nnnnnG...",
]

# Read me: a page of text with a turned-down corner and a shadow.
README_GLYPH = [
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKSK....",
    "..KWWWWWWKKKK...",
    "..KWWWWWWWWWKG..",
    "..KWnnnnnnWWKG..",
    "..KWWWWWWWWWKG..",
    "..KWGGGGGGGWKG..",
    "..KWWWWWWWWWKG..",
    "..KWGGGGGGGWKG..",
    "..KWWWWWWWWWKG..",
    "..KWGGGGGGGWKG..",
    "..KWWWWWWWWWKG..",
    "..KWGGGGWWWWKG..",
    "..KKKKKKKKKKKG..",
    "...GGGGGGGGGGG..",
]

# The maker's website: a globe, blue seas and green land, lit from the upper left.
WEBSITE_GLYPH = [
    "................",
    ".....nnnnnn.....",
    "...nnAABLLBnn...",
    "..nAALLLLBBBBn..",
    "..nALLLLLBBLgn..",
    ".nBBLLLLBBLLLgn.",
    ".nBBBLLgBBLLLgn.",
    ".nBBBBLBBBBLgBn.",
    ".nBBBBLLLBBBgBn.",
    ".nBBBBLLLLgBBBn.",
    ".nBBBBBLLLgBBBn.",
    "..nBBBBLLgBBBn..",
    "..nBBBBLgBBBBn..",
    "...nnBBBBBBnn...",
    ".....nnnnnn.....",
    "................",
]

# About: a white "i" on a blue disc.
ABOUT_GLYPH = [
    "................",
    ".....nnnnnn.....",
    "...nnAABBBBnn...",
    "..nAABBWWBBBBn..",
    "..nABBBWWBBBBn..",
    ".nBBBBBBBBBBBBn.",
    ".nBBBBWWWBBBBBn.",
    ".nBBBBBWWBBBBBn.",
    ".nBBBBBWWBBBBBn.",
    ".nBBBBBWWBBBBBn.",
    ".nBBBBBWWBBBBBn.",
    "..nBBBWWWWBBBn..",
    "..nBBBBBBBBBBn..",
    "...nnBBBBBBnn...",
    ".....nnnnnn.....",
    "................",
]

# File names and glyphs of the pictures drawn as letter grids, ping's included.
GLYPHS = [
    ("ping", PING_GLYPH),
    ("ok", OK_GLYPH),
    ("cancel", CANCEL_GLYPH),
    ("datetime", DATETIME_GLYPH),
    ("readme", README_GLYPH),
    ("website", WEBSITE_GLYPH),
    ("about", ABOUT_GLYPH),
]


# ---- The maker's banner --------------------------------------------------------------------------


# The wordmark's letters as strokes of a round pen, in a box whose x-height is 10 and whose cap
# height is 14; y runs upwards from the baseline. Each letter is (advance, strokes), a stroke being
# ("line", points...) or ("arc", cx, cy, r, from, to) with angles clockwise from 12 o'clock, or
# ("dot", x, y, r).
PEN = 2.0
O = PEN / 2  # strokes run along centre lines, half a pen inside the letter's box
XH, CAP = 10.0, 14.0
BOWL = XH / 2 - O

LETTERS = {
    "M": (12.0, [("line", (O, O), (O, CAP - O), (6.0, 4.0), (12.0 - O, CAP - O), (12.0 - O, O))]),
    "e": (2 * BOWL + 2 * O, [("line", (O, XH / 2), (O + 2 * BOWL, XH / 2)),
                             ("arc", O + BOWL, XH / 2, BOWL, 128, 450)]),
    "r": (7.0, [("line", (O, O), (O, XH - O)),
                ("arc", O + 3.6, XH - O - 3.6, 3.6, 270, 400)]),
    "i": (2 * O, [("line", (O, O), (O, XH - O)), ("dot", O, XH + 2.4, 1.3)]),
    "d": (2 * BOWL + 2 * O, [("arc", O + BOWL, XH / 2, BOWL, 0, 360),
                             ("line", (O + 2 * BOWL, O), (O + 2 * BOWL, CAP - O))]),
    "a": (2 * BOWL + 2 * O, [("arc", O + BOWL, XH / 2, BOWL, 0, 360),
                             ("line", (O + 2 * BOWL, O), (O + 2 * BOWL, XH - O))]),
    "n": (2 * 3.6 + 2 * O, [("line", (O, O), (O, XH - O)),
                            ("arc", O + 3.6, XH - O - 3.6, 3.6, 270, 450),
                            ("line", (O + 7.2, XH - O - 3.6), (O + 7.2, O))]),
}


def word_shapes(text, x, baseline, tracking):
    """The strokes of text with its first letter's box at x, as shapes in pixel coordinates."""
    shapes = []
    for ch in text:
        advance, strokes = LETTERS[ch]
        for stroke in strokes:
            kind = stroke[0]
            if kind == "line":
                points = [(x + px, baseline - py) for px, py in stroke[1:]]
                for (x0, y0), (x1, y1) in zip(points, points[1:]):
                    shapes.append(capsule(x0, y0, x1, y1, PEN))
            elif kind == "arc":
                _, cx, cy, r, start, end = stroke
                shapes.append(arc(x + cx, baseline - cy, r, PEN, start, end))
                for angle in (start, end):  # round ends, like the pen's
                    ex, ey = polar(x + cx, baseline - cy, r, angle)
                    shapes.append(circle(ex, ey, O))
            else:
                _, cx, cy, r = stroke
                shapes.append(circle(x + cx, baseline - cy, r))
        x += advance + tracking
    return shapes


def word_width(text, tracking):
    return sum(LETTERS[ch][0] for ch in text) + tracking * (len(text) - 1)


def ellipse_outline(cx, cy, rx, ry, width, steps=48):
    points = [(cx + rx * math.sin(2 * math.pi * k / steps),
               cy - ry * math.cos(2 * math.pi * k / steps)) for k in range(steps + 1)]
    return [capsule(x0, y0, x1, y1, width) for (x0, y0), (x1, y1) in zip(points, points[1:])]


PLATE_TOP, PLATE_BOTTOM = rgb(0x5A6069), rgb(0x2A2D33)
PLATE_EDGE = rgb(0x1C1E22)
GOLD_TOP, GOLD_BOTTOM = rgb(0xFFD978), rgb(0xD08A1C)
TEXT_TOP, TEXT_BOTTOM = rgb(0xFFFFFF), rgb(0xBAC6D4)


class ScaledCanvas:
    """A canvas percent / 100 times the size of the design that is drawn on it."""

    def __init__(self, width, height, percent, ss, ground):
        self.k = percent / 100.0
        self.canvas = Canvas(int(round(width * self.k)), int(round(height * self.k)), ss, ground)

    def fill(self, paint, *shapes, opacity=1.0):
        k = self.k

        def scaled(shape):
            inside, (x0, y0, x1, y1) = shape
            return (lambda x, y: inside(x / k, y / k)), (x0 * k, y0 * k, x1 * k, y1 * k)

        self.canvas.fill(lambda x, y: paint(x / k, y / k), *[scaled(s) for s in shapes],
                         opacity=opacity)

    def rgba8(self):
        return self.canvas.rgba8()


def draw_banner(percent=100):
    """A dark plate with a gold meridian globe and the maker's name in light strokes."""
    width, height = 150, 27
    # The ground is the window's colour, so the rounded corners blend into it.
    c = ScaledCanvas(width, height, percent, ss=6 if percent == 100 else 4,
                     ground=rgb(0x404040))
    c.fill(solid(PLATE_EDGE), rounded_rect(0, 0, width, height, 6))
    c.fill(vertical(PLATE_TOP, PLATE_BOTTOM, 1, height - 1),
           rounded_rect(1, 1, width - 1, height - 1, 5))
    # A light line under the top edge, as if lit from above.
    c.fill(solid(rgb(0xFFFFFF)), box(5, 1, width - 5, 2), opacity=0.18)

    gx, gy, gr = 16.0, 13.5, 9.0
    gold = vertical(GOLD_TOP, GOLD_BOTTOM, gy - gr, gy + gr)
    c.fill(gold, ring(gx, gy, gr - 1.7, gr))
    c.fill(gold, *ellipse_outline(gx, gy, 3.6, gr - 0.85, 1.3))
    c.fill(gold, capsule(gx - gr + 1.5, gy, gx + gr - 1.5, gy, 1.2))

    text, tracking = "Meridane", 2.6
    baseline = 20.0
    x = 33.0 + (width - 33.0 - 6.0 - word_width(text, tracking)) / 2
    x = math.floor(x)  # stems on whole pixels stay sharp
    shadow = word_shapes(text, x + 0.8, baseline + 0.8, tracking)
    c.fill(solid(rgb(0x000000)), *shadow, opacity=0.45)
    c.fill(vertical(TEXT_TOP, TEXT_BOTTOM, baseline - CAP, baseline), *word_shapes(
        text, x, baseline, tracking))
    return c.rgba8()


# ---- Previews and main ---------------------------------------------------------------------------


def enlarge(rows, factor):
    out = []
    for row in rows:
        line = [px for px in row for _ in range(factor)]
        out.extend([list(line) for _ in range(factor)])
    return out


def on_ground(rows, ground):
    """Straight RGBA rows over an opaque ground colour."""
    gr, gg, gb = ground >> 16 & 255, ground >> 8 & 255, ground & 255
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            k = a / 255.0
            line.append((int(round(r * k + gr * (1 - k))), int(round(g * k + gg * (1 - k))),
                         int(round(b * k + gb * (1 - k))), 255))
        out.append(line)
    return out


def side_by_side(pictures, gap=8, ground=(0x30, 0x30, 0x30, 255)):
    height = max(len(p) for p in pictures)
    rows = [[] for _ in range(height)]
    for n, picture in enumerate(pictures):
        width = len(picture[0])
        for y in range(height):
            rows[y].extend(picture[y] if y < len(picture) else [ground] * width)
            if n + 1 < len(pictures):
                rows[y].extend([ground] * gap)
    return rows


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# The display scales that the pictures come in, and their file names' endings.
SCALES = (100, 150, 200)
SUFFIX = {100: "", 150: "-150", 200: "-200"}
# The program icon's images: the title bar, tray, task bar and Explorer's views at 100% to 200%.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--preview", metavar="DIR", help="also write enlarged PNG previews here")
    args = parser.parse_args()
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui", "resources")
    os.makedirs(out, exist_ok=True)

    icons = [draw_icon(size) for size in ICON_SIZES]
    write(os.path.join(out, "ClockSync.ico"), ico_bytes(icons))
    glyphs = [(name, glyph_indices(rows)) for name, rows in GLYPHS]
    for name, indices in glyphs:
        for percent in SCALES:
            write(os.path.join(out, name + SUFFIX[percent] + ".bmp"),
                  bmp4_bytes(scale_glyph(indices, percent)))
    ping = draw_ping()
    banner = draw_banner()
    for percent in SCALES:
        write(os.path.join(out, "banner" + SUFFIX[percent] + ".bmp"),
              bmp24_bytes(banner) if percent == 100 else bmp8_bytes(draw_banner(percent)))
    icons = [icon for icon in icons if len(icon) <= 48]

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        dark, light = 0x404040, 0xF0F0F0
        sheet = []
        for ground in (dark, light):
            sheet.append(side_by_side([enlarge(on_ground(icon, ground), 8) for icon in icons]))
        actual = side_by_side([on_ground(icon, g) for g in (dark, light) for icon in icons])
        write(os.path.join(args.preview, "icon.png"), png_bytes(side_by_side(sheet, 16)))
        write(os.path.join(args.preview, "icon-actual.png"), png_bytes(enlarge(actual, 2)))
        ping_rows = [[rgb8(VGA16[i]) for i in row] for row in ping]
        keyed = [[(0x40, 0x40, 0x40, 255) if i == 13 else rgb8(VGA16[i]) for i in row]
                 for row in ping]
        write(os.path.join(args.preview, "ping.png"),
              png_bytes(side_by_side([enlarge(ping_rows, 8), enlarge(keyed, 8)], 16)))
        # Every glyph enlarged on the dialogs' grey, the key colour left out, and at its size.
        grey = (0x57, 0x57, 0x57, 255)
        on_grey = [[[grey if i == 13 else rgb8(VGA16[i]) for i in row] for row in indices]
                   for _, indices in glyphs]
        write(os.path.join(args.preview, "glyphs.png"),
              png_bytes(side_by_side([enlarge(g, 8) for g in on_grey], 16)))
        write(os.path.join(args.preview, "glyphs-actual.png"),
              png_bytes(enlarge(side_by_side(on_grey, 8, grey), 2)))
        banner_on_button = [[(0x40, 0x40, 0x40, 255)] * 169 for _ in range(35)]
        for y, row in enumerate(banner):
            banner_on_button[4 + y][9:9 + 150] = row
        write(os.path.join(args.preview, "banner.png"),
              png_bytes(enlarge(banner_on_button, 4)))
        write(os.path.join(args.preview, "banner-actual.png"), png_bytes(banner_on_button))


if __name__ == "__main__":
    main()
