#!/usr/bin/env python3
"""Draws the launcher's icon and header bitmap and writes them as files.

setup.ico  - one icon with two images, 32 x 32 and 16 x 16, 16 colours each:
             a computer beside an opened software box.
header.bmp - 56 x 57, 8 bits per pixel, 256-entry palette, uncompressed:
             a white computer with a curved arrow on a dark blue ground.

Everything is drawn here from shapes; run it again after a change and commit
the files it writes beside itself.  Standard library only.
"""
import math
import os
import struct

# The usual 16-colour palette, as (red, green, blue).
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
         (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
         (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
         (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GREY = 0, 4, 6, 7, 8
OLIVE, YELLOW, CYAN, WHITE, RED = 3, 11, 14, 15, 9


class Canvas:
    """A grid of palette indices; None marks a transparent pixel."""

    def __init__(self, width, height, fill=None):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def box(self, x0, y0, x1, y1, colour, edge=None):
        """Fills the inclusive rectangle, with a one-pixel border of edge."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                self.dot(x, y, edge if edge is not None and border else colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps),
                     round(y0 + (y1 - y0) * i / steps), colour)

    def polygon(self, points, colour, edge=None):
        """Fills a polygon (pixel centres inside by the even-odd rule)."""
        for y in range(self.height):
            cy = y + 0.5
            xs = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for left, right in zip(xs[0::2], xs[1::2]):
                for x in range(self.width):
                    if left <= x + 0.5 < right:
                        self.dot(x, y, colour)
        if edge is not None:
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                self.line(round(ax), round(ay), round(bx), round(by), edge)


def draw_icon(size):
    """A computer on the left, an opened box on the right with a disc coming
    out of it; shapes are given on a 32-unit grid and scaled to the size."""
    c = Canvas(size, size)
    k = size / 32.0

    def p(*pts):
        return [(x * k, y * k) for x, y in pts]

    def b(x0, y0, x1, y1, colour, edge=BLACK):
        c.box(round(x0 * k), round(y0 * k), round(x1 * k), round(y1 * k), colour, edge)

    # The computer: monitor, screen with a highlight, stand and keyboard.
    b(0, 4, 18, 20, SILVER)
    b(3, 7, 15, 17, NAVY, None)
    c.line(round(4 * k), round(8 * k), round(8 * k), round(8 * k), CYAN)
    b(6, 21, 12, 23, GREY)
    b(0, 25, 17, 29, SILVER)
    for x in range(2, 16, 3):
        c.dot(round(x * k), round(27 * k), GREY)
    # The box: its dark opening, the back flap standing up, the disc rising
    # from the opening, the left flap folded out, then front and side faces.
    c.polygon(p((18, 17), (27, 17), (31, 13), (22, 13)), GREY, BLACK)
    c.polygon(p((22, 13), (31, 13), (31, 6), (22, 6)), OLIVE, BLACK)
    cx, cy, r = 25.5 * k, 10.5 * k, 4.5 * k
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r and y + 0.5 < 16 * k:
                c.dot(x, y, BLACK if d > r - k else CYAN if d > r * 0.35 else WHITE)
    c.polygon(p((18, 17), (22, 13), (19, 9), (15, 13)), YELLOW, BLACK)
    c.polygon(p((18, 17), (27, 17), (27, 31), (18, 31)), YELLOW, BLACK)
    c.polygon(p((27, 17), (31, 13), (31, 27), (27, 31)), OLIVE, BLACK)
    b(19, 21, 26, 25, RED, None)
    return c


def ico_image(canvas):
    """BITMAPINFOHEADER, palette, colour bits and mask of one icon image."""
    w, h = canvas.width, canvas.height
    xor_stride = (w * 4 + 31) // 32 * 4
    and_stride = (w + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(canvas.px):  # bottom-up rows
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                colour = 0
            line[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', bl, g, r, 0) for r, g, bl in VGA16)
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(path, canvases):
    images = [ico_image(c) for c in canvases]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', canvas.width, canvas.height, 16, 0,
                           1, 4, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


def header_palette():
    """Index 0 black, 1 white, 2 light grey, 3 sky blue, 16-47 a ramp of
    dark blues for the ground; the rest stay black."""
    pal = [(0, 0, 0)] * 256
    pal[1], pal[2], pal[3] = (255, 255, 255), (200, 208, 224), (96, 144, 224)
    for i in range(32):
        pal[16 + i] = (0, 8 + i, 56 + 2 * i)
    return pal


def draw_header():
    w, h = 56, 57
    c = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            c.dot(x, y, 16 + min(31, (x + y) * 32 // (w + h)))
    white, grey, sky = 1, 2, 3
    # The computer: monitor with its screen, stand and keyboard.
    c.box(8, 22, 35, 43, white)
    c.box(11, 25, 32, 40, sky)
    c.box(12, 26, 31, 39, 17)
    c.line(13, 27, 20, 27, sky)
    c.box(18, 44, 25, 46, grey)
    c.polygon([(5, 48), (38, 48), (41, 53), (2, 53)], white)
    for x in range(6, 38, 4):
        c.line(x, 50, x + 1, 50, grey)
    # The curved arrow: a thick arc from upper left over to the right of the
    # monitor, ending in a head that points down at it.
    cx, cy, radius = 34.0, 26.0, 15.0
    for step in range(0, 151):
        a = math.radians(200 + step)
        for dr in (-1.0, -0.5, 0.0, 0.5, 1.0):
            c.dot(round(cx + (radius + dr) * math.cos(a)),
                  round(cy + (radius + dr) * math.sin(a)), white)
    tip = (cx + radius * math.cos(math.radians(350)),
           cy + radius * math.sin(math.radians(350)))
    c.polygon([(tip[0] - 5, tip[1]), (tip[0] + 5, tip[1]),
               (tip[0], tip[1] + 7)], white)
    return c, header_palette()


def write_bmp(path, canvas, palette):
    w, h = canvas.width, canvas.height
    stride = (w + 3) // 4 * 4
    bits = bytearray()
    for row in reversed(canvas.px):
        bits += bytes(row) + bytes(stride - w)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(bits),
                       2835, 2835, 256, 0)
    pal = b''.join(struct.pack('<BBBB', bl, g, r, 0) for r, g, bl in palette)
    offset = 14 + len(info) + len(pal)
    head = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + pal + bytes(bits))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'setup.ico'), [draw_icon(32), draw_icon(16)])
    canvas, palette = draw_header()
    write_bmp(os.path.join(here, 'header.bmp'), canvas, palette)


if __name__ == '__main__':
    main()
