#!/usr/bin/env python3
"""Draws the four programs' icons and writes them as .ico files.

Each icon holds four RGBA pictures: 256x256, stored as PNG (the form Windows
Vista and later read for large icons), and 16x16, 32x32 and 48x48, stored as
32-bit bitmaps (the form every Windows reads). The small ones are drawn for
their size, not scaled down: each on a grid of 16 units, with simpler shapes,
strokes of two units and straight edges on pixel boundaries, so that they
stay sharp in Explorer's small views. The pictures are drawn from signed
distance functions, so edges are anti-aliased without supersampling.
Nothing depends on the clock or on chance: the same Python and zlib give the
same bytes on every run.

Usage: make_icons.py [--png-dir DIR]
Writes <tool>/<tool>.ico below the repository root; with --png-dir also
<tool>-<size>.png into DIR, for looking at the pictures.
"""

import argparse
import math
import pathlib
import struct
import zlib

SIZE = 256

WHITE = (1.0, 1.0, 1.0, 1.0)
INK = (0.13, 0.14, 0.17, 1.0)


def hex_color(text, alpha=1.0):
    value = int(text.lstrip("#"), 16)
    return ((value >> 16) / 255.0, ((value >> 8) & 255) / 255.0,
            (value & 255) / 255.0, alpha)


# Shapes: each is a pair (distance function, bounding box). The function gives
# the signed distance in pixels from a point to the shape's outline, negative
# inside. The box (x0, y0, x1, y1) limits the pixels that are looked at.


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r,
            (cx - r, cy - r, cx + r, cy + r))


def ring(cx, cy, r, width):
    return (lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2,
            (cx - r - width, cy - r - width, cx + r + width, cy + r + width))


def segment(ax, ay, bx, by, width):
    """A stroke from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    half = width / 2

    def distance(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / length2 if length2 else 0.0
        t = min(1.0, max(0.0, t))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - half

    return distance, (min(ax, bx) - half, min(ay, by) - half,
                      max(ax, bx) + half, max(ay, by) + half)


def polygon(points):
    """A closed polygon, convex or not, given by its corners."""
    pts = list(points)

    def distance(x, y):
        best = float("inf")
        inside = False
        j = len(pts) - 1
        for i in range(len(pts)):
            (xi, yi), (xj, yj) = pts[i], pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = min(1.0, max(0.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            best = min(best, math.hypot(wx - t * ex, wy - t * ey))
            if (yi > y) != (yj > y) and x < xi + (y - yi) * ex / ey:
                inside = not inside
            j = i
        return -best if inside else best

    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return distance, (min(xs), min(ys), max(xs), max(ys))


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return distance, (x0, y0, x1, y1)


def union(*shapes):
    funcs = [s[0] for s in shapes]
    boxes = [s[1] for s in shapes]
    return (lambda x, y: min(f(x, y) for f in funcs),
            (min(b[0] for b in boxes), min(b[1] for b in boxes),
             max(b[2] for b in boxes), max(b[3] for b in boxes)))


def intersection(a, b):
    fa, (ax0, ay0, ax1, ay1) = a
    fb, (bx0, by0, bx1, by1) = b
    return (lambda x, y: max(fa(x, y), fb(x, y)),
            (max(ax0, bx0), max(ay0, by0), min(ax1, bx1), min(ay1, by1)))


def grow(shape, amount):
    """The shape widened by `amount` pixels on every side."""
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x, y) - amount,
            (x0 - amount, y0 - amount, x1 + amount, y1 + amount))


def mirrored(shape, axis_x):
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(2 * axis_x - x, y),
            (2 * axis_x - x1, y0, 2 * axis_x - x0, y1))


def arrow_head(tip, direction, length, width):
    """A triangle whose point is `tip`, pointing along `direction`."""
    dx, dy = direction
    norm = math.hypot(dx, dy)
    dx, dy = dx / norm, dy / norm
    bx, by = tip[0] - dx * length, tip[1] - dy * length
    nx, ny = -dy * width / 2, dx * width / 2
    return polygon([tip, (bx + nx, by + ny), (bx - nx, by - ny)])


class Canvas:
    """Straight-alpha RGBA pixels, transparent at first."""

    def __init__(self, size=SIZE):
        self.size = size
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def fill(self, shape, color):
        """Paints `shape` with `color`, a tuple or a function of (x, y)."""
        f, (x0, y0, x1, y1) = shape
        lo_x, lo_y = max(0, int(x0) - 2), max(0, int(y0) - 2)
        hi_x = min(self.size, int(math.ceil(x1)) + 2)
        hi_y = min(self.size, int(math.ceil(y1)) + 2)
        for py in range(lo_y, hi_y):
            y = py + 0.5
            row = py * self.size
            for px in range(lo_x, hi_x):
                x = px + 0.5
                # A pixel is one unit wide: half a unit either side of the
                # outline blends linearly.
                coverage = min(1.0, max(0.0, 0.5 - f(x, y)))
                if coverage == 0.0:
                    continue
                r, g, b, a = color(x, y) if callable(color) else color
                self._blend(row + px, r, g, b, a * coverage)

    def _blend(self, index, r, g, b, a):
        dst = self.pixels[index]
        out_a = a + dst[3] * (1.0 - a)
        if out_a <= 0.0:
            return
        keep = dst[3] * (1.0 - a)
        dst[0] = (r * a + dst[0] * keep) / out_a
        dst[1] = (g * a + dst[1] * keep) / out_a
        dst[2] = (b * a + dst[2] * keep) / out_a
        dst[3] = out_a

    def rgba_bytes(self):
        out = bytearray()
        for pixel in self.pixels:
            out.extend(min(255, max(0, int(round(c * 255.0)))) for c in pixel)
        return bytes(out)


def tile(canvas, top, bottom):
    """The rounded square behind every pictogram, shaded from top to bottom."""
    outline = rounded_rect(6, 6, 250, 250, 44)
    inner = rounded_rect(10, 10, 246, 246, 40)

    def shade(_x, y):
        t = min(1.0, max(0.0, (y - 10) / 236))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    canvas.fill(outline, tuple(c * 0.6 for c in bottom[:3]) + (1.0,))
    canvas.fill(inner, shade)
    return shade


def draw_gyrel():
    """A curved arrow running round a vertical axis."""
    canvas = Canvas()
    shade = tile(canvas, hex_color("#4f8ff0"), hex_color("#1d4fae"))
    cx, cy, rx, ry = 128.0, 136.0, 94.0, 38.0

    def point(degrees):
        t = math.radians(degrees)
        return (cx + rx * math.cos(t), cy + ry * math.sin(t))

    # The arrow starts at the front left, passes behind the axis and ends at
    # the front right, pointing towards the viewer's side of the axis.
    # The near side is drawn wider than the far side, for depth.
    start, end = 128.0, 400.0
    steps = 72
    angles = [start + (end - start) * i / steps for i in range(steps + 1)]
    arc = union(*(segment(*point(a), *point(b),
                          15 + 7 * math.sin(math.radians((a + b) / 2)))
                  for a, b in zip(angles, angles[1:])))
    t = math.radians(end)
    tip_dir = (-rx * math.sin(t), ry * math.cos(t))
    norm = math.hypot(*tip_dir)
    ex, ey = point(end)
    tip = (ex + tip_dir[0] / norm * 34, ey + tip_dir[1] / norm * 34)
    head = arrow_head(tip, tip_dir, 52, 60)
    axis = segment(cx, 24, cx, 232, 10)
    caps = union(circle(cx, 24, 9), circle(cx, 232, 9))

    canvas.fill(grow(union(arc, head), 4), INK[:3] + (0.35,))
    canvas.fill(union(arc, head), WHITE)
    # The axis stands in front of the far side of the arrow: a gap in the
    # tile's colour around it shows which one is nearer.
    canvas.fill(intersection(grow(axis, 7), grow(arc, 6)), shade)
    canvas.fill(union(axis, caps), hex_color("#ffd84a"))
    return canvas


def draw_shovan():
    """A cross of four arrows: move in any direction."""
    canvas = Canvas()
    tile(canvas, hex_color("#44c07a"), hex_color("#17743f"))
    c = 128.0
    reach, bar, head_len, head_w = 104.0, 22.0, 46.0, 70.0
    shapes = [
        segment(c - reach + head_len - 4, c, c + reach - head_len + 4, c, bar),
        segment(c, c - reach + head_len - 4, c, c + reach - head_len + 4, bar),
        arrow_head((c + reach, c), (1, 0), head_len, head_w),
        arrow_head((c - reach, c), (-1, 0), head_len, head_w),
        arrow_head((c, c - reach), (0, -1), head_len, head_w),
        arrow_head((c, c + reach), (0, 1), head_len, head_w),
    ]
    cross = union(*shapes)
    canvas.fill(grow(cross, 4), INK[:3] + (0.35,))
    canvas.fill(cross, WHITE)
    canvas.fill(circle(c, c, 20), hex_color("#17743f"))
    canvas.fill(circle(c, c, 11), WHITE)
    return canvas


def draw_snipla():
    """Scissors cutting a strip of frames."""
    canvas = Canvas()
    tile(canvas, hex_color("#f08a4b"), hex_color("#b0431a"))

    # The strip of frames, across the lower half.
    top, bottom = 148.0, 218.0
    film = hex_color("#2a2a30")
    canvas.fill(rounded_rect(14, top, 242, bottom, 6), film)
    for i in range(11):
        x = 20 + i * 21
        canvas.fill(rounded_rect(x, top + 6, x + 11, top + 15, 2.5),
                    hex_color("#f4efe6"))
        canvas.fill(rounded_rect(x, bottom - 15, x + 11, bottom - 6, 2.5),
                    hex_color("#f4efe6"))
    for i, left in enumerate((22, 94, 166)):
        shade = "#9fd3ff" if i != 1 else "#ffe08a"
        canvas.fill(rounded_rect(left, top + 21, left + 66, bottom - 21, 4),
                    hex_color(shade))

    # Open scissors, handles up, blades down around the strip.
    pivot = (128.0, 116.0)
    blades = []
    handles = []
    for side in (-1, 1):
        ring_c = (128.0 + side * 44, 50.0)
        tip = (128.0 - side * 52, 226.0)
        dx, dy = tip[0] - pivot[0], tip[1] - pivot[1]
        n = math.hypot(dx, dy)
        nx, ny = -dy / n, dx / n
        root = (pivot[0] - dx / n * 14, pivot[1] - dy / n * 14)
        # The blade is straight on its cutting edge and curves in towards its
        # point on the back.
        blades.append(polygon([
            (root[0] + nx * 11, root[1] + ny * 11),
            (pivot[0] + dx * 0.55 + nx * 10, pivot[1] + dy * 0.55 + ny * 10),
            (tip[0] + nx * 1.5, tip[1] + ny * 1.5),
            (tip[0] - nx * 1.5, tip[1] - ny * 1.5),
            (root[0] - nx * 9, root[1] - ny * 9),
        ]))
        handles.append(ring(ring_c[0], ring_c[1], 24, 12))
        handles.append(segment(ring_c[0] - side * 14, ring_c[1] + 20,
                               pivot[0], pivot[1], 14))
    scissors = union(*blades, *handles)
    canvas.fill(grow(scissors, 5), INK)
    canvas.fill(scissors, hex_color("#eef1f5"))
    canvas.fill(circle(*pivot, 8), INK)
    canvas.fill(circle(*pivot, 3.5), hex_color("#eef1f5"))
    return canvas


def draw_flipta():
    """A figure and its mirror image either side of a mirror line."""
    canvas = Canvas()
    tile(canvas, hex_color("#9a72e6"), hex_color("#5330a0"))
    mirror_x = 128.0

    # A walking figure waving one arm: nothing about it is symmetric, so its
    # reflection is plainly a reflection.
    figure = union(
        circle(74, 58, 19),
        segment(78, 86, 70, 148, 16),
        segment(77, 100, 40, 70, 13),
        segment(40, 70, 34, 42, 13),
        segment(76, 102, 104, 128, 13),
        segment(70, 148, 48, 186, 15),
        segment(48, 186, 36, 222, 15),
        segment(70, 148, 96, 182, 15),
        segment(96, 182, 100, 222, 15),
    )
    canvas.fill(grow(figure, 4), INK[:3] + (0.35,))
    canvas.fill(figure, WHITE)
    image = mirrored(figure, mirror_x)
    canvas.fill(grow(image, 4), INK[:3] + (0.2,))
    canvas.fill(image, (1.0, 1.0, 1.0, 0.55))
    for i in range(9):
        y = 22 + i * 25
        canvas.fill(segment(mirror_x, y, mirror_x, y + 12, 7),
                    hex_color("#ffd84a"))
    return canvas


# The small pictures. Coordinates are in units of a 16-unit grid; `u` is the
# pixels of a unit (1, 2 or 3), so that an edge on a whole unit lies on a
# pixel boundary at every size.

SMALL_SIZES = (16, 32, 48)


def box(x0, y0, x1, y1):
    return rounded_rect(x0, y0, x1, y1, 0.0)


def small_tile(canvas, top, bottom):
    """The rounded square of the large icons, flat but for its shading, with
    a one-pixel rim."""
    s, u = canvas.size, canvas.size / 16

    def shade(_x, y):
        t = min(1.0, max(0.0, y / s))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    canvas.fill(rounded_rect(0, 0, s, s, 2.5 * u),
                tuple(c * 0.6 for c in bottom[:3]) + (1.0,))
    canvas.fill(rounded_rect(1, 1, s - 1, s - 1, 2.5 * u - 1), shade)
    return shade


def outlined(canvas, shape, color):
    """`shape` in `color`, set off from the tile by a dark pixel around it
    where there is room for one (from 32 pixels on)."""
    if canvas.size >= 32:
        canvas.fill(grow(shape, 1), INK[:3] + (0.45,))
    canvas.fill(shape, color)


def draw_small_gyrel(size):
    """A ring arrow round the yellow vertical axis."""
    canvas = Canvas(size)
    u = size / 16
    shade = small_tile(canvas, hex_color("#4f8ff0"), hex_color("#1d4fae"))
    c, r, width = 8 * u, 4.5 * u, 2 * u
    start, end, steps = 160.0, 375.0, 40

    def point(degrees):
        t = math.radians(degrees)
        return (c + r * math.cos(t), c + r * math.sin(t))

    angles = [start + (end - start) * i / steps for i in range(steps + 1)]
    arc = union(*(segment(*point(a), *point(b), width)
                  for a, b in zip(angles, angles[1:])))
    t = math.radians(end)
    ex, ey = point(end)
    head = arrow_head((ex - math.sin(t) * 3 * u, ey + math.cos(t) * 3 * u),
                      (-math.sin(t), math.cos(t)), 4 * u, 5 * u)
    outlined(canvas, union(arc, head), WHITE)
    # The axis passes in front of the ring: a gap of the tile's colour
    # beside it where they cross, where there is room for one.
    axis = box(7 * u, 1 * u, 9 * u, 15 * u)
    if size >= 32:
        canvas.fill(box(6 * u, 1 * u, 10 * u, 6 * u), shade)
    canvas.fill(axis, hex_color("#ffd84a"))
    return canvas


def draw_small_shovan(size):
    """A cross of four arrows."""
    canvas = Canvas(size)
    u = size / 16
    small_tile(canvas, hex_color("#44c07a"), hex_color("#17743f"))
    c = 8 * u
    cross = union(
        box(4 * u, 7 * u, 12 * u, 9 * u),
        box(7 * u, 4 * u, 9 * u, 12 * u),
        polygon([(c, 1 * u), (c + 3 * u, 4 * u), (c - 3 * u, 4 * u)]),
        polygon([(c, 15 * u), (c - 3 * u, 12 * u), (c + 3 * u, 12 * u)]),
        polygon([(1 * u, c), (4 * u, c - 3 * u), (4 * u, c + 3 * u)]),
        polygon([(15 * u, c), (12 * u, c + 3 * u), (12 * u, c - 3 * u)]),
    )
    outlined(canvas, cross, WHITE)
    return canvas


def draw_small_snipla(size):
    """Open scissors above a strip of three frames, the middle one marked."""
    canvas = Canvas(size)
    u = size / 16
    small_tile(canvas, hex_color("#f08a4b"), hex_color("#b0431a"))
    canvas.fill(box(1 * u, 10 * u, 15 * u, 15 * u), hex_color("#2a2a30"))
    for left, right, color in ((2, 5, "#9fd3ff"), (6, 10, "#ffe08a"),
                               (11, 14, "#9fd3ff")):
        canvas.fill(box(left * u, 11 * u, right * u, 14 * u), hex_color(color))
    pivot = (8 * u, 6 * u)
    blades = union(segment(6 * u, 4 * u, 11.5 * u, 9 * u, 2 * u),
                   segment(10 * u, 4 * u, 4.5 * u, 9 * u, 2 * u))
    handles = union(ring(4.5 * u, 3 * u, 1.75 * u, 1.5 * u),
                    ring(11.5 * u, 3 * u, 1.75 * u, 1.5 * u))
    scissors = union(blades, handles)
    outlined(canvas, scissors, hex_color("#eef1f5"))
    canvas.fill(circle(*pivot, 0.75 * u), INK)
    return canvas


def draw_small_flipta(size):
    """A shape and its mirror image either side of a yellow mirror line."""
    canvas = Canvas(size)
    u = size / 16
    small_tile(canvas, hex_color("#9a72e6"), hex_color("#5330a0"))
    shape = polygon([(6 * u, 3 * u), (6 * u, 13 * u), (1 * u, 13 * u)])
    outlined(canvas, shape, WHITE)
    image = mirrored(shape, 8 * u)
    outlined(canvas, image, (1.0, 1.0, 1.0, 0.55))
    for y in (1, 5, 9, 13):
        canvas.fill(box(7 * u, y * u, 9 * u, (y + 2) * u),
                    hex_color("#ffd84a"))
    return canvas


def png_bytes(canvas):
    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body +
                struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    size = canvas.size
    rgba = canvas.rgba_bytes()
    stride = size * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride]
                   for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(canvas):
    """The picture as an icon's bitmap: a BITMAPINFOHEADER of twice the
    height, the BGRA rows from the bottom up, then the AND mask (a bit per
    pixel, set where the pixel is wholly transparent), rows padded to four
    bytes."""
    size = canvas.size
    rgba = canvas.rgba_bytes()
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0,
                         0, 0, 0)
    colors = bytearray()
    mask = bytearray()
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x + 1) * 4]
            colors.extend((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.extend(bits)
    return header + bytes(colors) + bytes(mask)


def ico_bytes(images):
    """An icon file of `images`, pairs of size and image data, in order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in images:
        # Width and height 0 stand for 256; 32 bits per pixel.
        dimension = 0 if size == 256 else size
        entries += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32,
                               len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


# Each tool's large picture and its small one.
TOOLS = {
    "gyrel": (draw_gyrel, draw_small_gyrel),
    "shovan": (draw_shovan, draw_small_shovan),
    "snipla": (draw_snipla, draw_small_snipla),
    "flipta": (draw_flipta, draw_small_flipta),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png-dir", type=pathlib.Path,
                        help="also write each picture as <tool>-<size>.png "
                        "here")
    args = parser.parse_args()
    root = pathlib.Path(__file__).resolve().parent.parent
    for name, (draw, draw_small) in TOOLS.items():
        canvases = [draw_small(size) for size in SMALL_SIZES] + [draw()]
        images = [(c.size, png_bytes(c) if c.size == SIZE else dib_bytes(c))
                  for c in canvases]
        (root / name / f"{name}.ico").write_bytes(ico_bytes(images))
        if args.png_dir:
            args.png_dir.mkdir(parents=True, exist_ok=True)
            for c in canvases:
                (args.png_dir / f"{name}-{c.size}.png").write_bytes(
                    png_bytes(c))


if __name__ == "__main__":
    main()
