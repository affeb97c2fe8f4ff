#!/usr/bin/env python3
"""Draws the album manager's command-bar strips (resources/cmdbar-*.bmp).

Each strip is 298 x 20 pixels and holds the nine buttons side by side, in the bar's order: Add,
Find, Acquire, Sort, Delete, Save, Print, Batch, Help. Button i covers the columns from
i * 298 // 9 up to (i + 1) * 298 // 9 (33 pixels each, the last one 34), which is how the control
kit's bar cuts a strip of any width into its buttons.

  cmdbar-normal.bmp    (bitmap 104, 24-bit)  the icons in colour on the dialog's grey face
  cmdbar-hot.bmp       (bitmap 106, 24-bit)  the same icons on a lighter face: the button under the
                                             mouse, and (shifted down-right) the pressed button
  cmdbar-disabled.bmp  (bitmap 105, 8-bit)   the icons embossed in grey: a disabled button

Only the standard library is used; run it again after changing a drawing and commit the strips.
"""
import os
import struct

WIDTH, HEIGHT, COUNT = 298, 20, 9
FACE = (192, 192, 192)          # the manager dialog paints its background 0xC0C0C0
HOT_FACE = (232, 232, 232)

K = (0, 0, 0)
W = (255, 255, 255)
DG = (96, 96, 96)
G = (160, 160, 160)
BLUE = (0, 64, 192)
SKY = (128, 192, 255)
GREEN = (0, 144, 0)
RED = (208, 0, 0)
YELLOW = (255, 208, 0)
BROWN = (128, 64, 0)
NAVY = (0, 0, 128)


class Icon:
    """A 16 x 16 drawing; None marks the background."""

    def __init__(self):
        self.px = [[None] * 16 for _ in range(16)]

    def dot(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, edge, inside=None):
        if inside is not None:
            self.fill(x0, y0, x1, y1, inside)
        for x in range(x0, x1 + 1):
            self.dot(x, y0, edge)
            self.dot(x, y1, edge)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, edge)
            self.dot(x1, y, edge)

    def line(self, x0, y0, x1, y1, c, thick=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dy in range(thick):
                for dx in range(thick):
                    self.dot(x + dx, y + dy, c)

    def disc(self, cx, cy, r, c, ring=None, ring_width=1.0):
        for y in range(16):
            for x in range(16):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if d <= r:
                    self.dot(x, y, ring if ring is not None and d > r - ring_width else c)

    def text(self, x0, y0, rows, c):
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch != ' ':
                    self.dot(x0 + x, y0 + y, c)


def add():
    i = Icon()
    i.frame(0, 1, 11, 11, K, SKY)             # a picture (sky, hill, sun) and a plus
    i.fill(1, 8, 10, 10, GREEN)
    i.line(1, 8, 5, 5, GREEN)
    i.fill(7, 3, 8, 4, YELLOW)
    i.fill(8, 9, 15, 12, W)
    i.fill(10, 7, 13, 15, W)
    i.fill(9, 10, 14, 11, GREEN)
    i.fill(11, 8, 12, 14, GREEN)
    return i


def find():
    i = Icon()
    i.disc(6, 6, 5.5, SKY, K, 1.6)            # a magnifying glass
    i.dot(4, 4, W)
    i.dot(5, 3, W)
    i.line(10, 10, 14, 14, BROWN, 2)
    return i


def acquire():
    i = Icon()
    i.frame(0, 4, 15, 14, K, G)               # a camera
    i.fill(3, 2, 7, 3, K)
    i.fill(12, 6, 13, 7, YELLOW)
    i.disc(7.5, 9.0, 3.6, BLUE, K, 1.2)
    i.dot(6, 8, W)
    return i


def sort():
    i = Icon()
    for n, y in enumerate((2, 6, 10, 13)):    # bars growing downwards, and an arrow
        i.fill(0, y, 2 + 2 * n, y + 1, BLUE)
    i.fill(12, 1, 13, 12, K)
    i.line(9, 10, 12, 14, K)
    i.line(16, 10, 13, 14, K)
    i.fill(11, 11, 14, 12, K)
    i.fill(12, 13, 13, 13, K)
    return i


def delete():
    i = Icon()
    i.line(2, 2, 12, 12, RED, 3)              # a red cross
    i.line(12, 2, 2, 12, RED, 3)
    return i


def save():
    i = Icon()
    i.frame(1, 1, 14, 14, K, NAVY)            # a diskette
    i.fill(4, 2, 11, 6, W)
    i.fill(5, 3, 10, 3, G)
    i.fill(5, 5, 10, 5, G)
    i.fill(4, 10, 11, 14, G)
    i.fill(8, 11, 9, 13, NAVY)
    return i


def print_():
    i = Icon()
    i.frame(4, 0, 11, 6, K, W)                # paper in, the printer, paper out
    i.frame(0, 5, 15, 11, K, G)
    i.fill(12, 7, 13, 7, GREEN)
    i.frame(3, 10, 12, 15, K, W)
    i.fill(5, 12, 10, 12, DG)
    i.fill(5, 14, 9, 14, DG)
    return i


def batch():
    i = Icon()
    i.frame(6, 0, 15, 8, K, W)                # a stack of pictures
    i.frame(3, 3, 12, 11, K, W)
    i.frame(0, 6, 10, 14, K, SKY)
    i.fill(1, 11, 9, 13, GREEN)
    i.line(1, 11, 4, 8, GREEN)
    i.fill(7, 8, 8, 9, YELLOW)
    return i


def help_():
    i = Icon()
    i.disc(7.5, 7.5, 7.6, BLUE)               # a question mark in a blue disc
    i.text(5, 3, ["  ### ", " ## ##", "    ##", "   ## ", "  ##  ", "      ", "  ##  ", "  ##  "], W)
    i.fill(6, 3, 8, 3, W)
    return i


ICONS = [add, find, acquire, sort, delete, save, print_, batch, help_]


def cell(n):
    return n * WIDTH // COUNT, (n + 1) * WIDTH // COUNT


def strip(face, paint):
    rows = [[face] * WIDTH for _ in range(HEIGHT)]
    for n, draw in enumerate(ICONS):
        x0, x1 = cell(n)
        left, top = x0 + (x1 - x0 - 16) // 2, (HEIGHT - 16) // 2
        paint(rows, draw(), left, top)
    return rows


def paint_colour(rows, icon, left, top):
    for y in range(16):
        for x in range(16):
            if icon.px[y][x] is not None:
                rows[top + y][left + x] = icon.px[y][x]


def paint_embossed(rows, icon, left, top):
    # The classic disabled look: the icon's dark pixels in white one pixel down-right, then in
    # dark grey; light fills vanish into the face, so outlines and solid shapes remain.
    def dark(c):
        return c is not None and (c[0] * 30 + c[1] * 59 + c[2] * 11) // 100 < 150
    for shade, shift in ((W, 1), ((128, 128, 128), 0)):
        for y in range(16):
            for x in range(16):
                if dark(icon.px[y][x]):
                    rows[top + y + shift][left + x + shift] = shade


def bmp(rows, bits):
    stride = (WIDTH * bits // 8 + 3) & ~3
    palette = b""
    if bits == 8:
        palette = b"".join(struct.pack("<BBBB", v, v, v, 0) for v in range(256))
    body = b""
    for row in reversed(rows):                # bottom-up
        if bits == 24:
            line = b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in row)
        else:
            line = bytes((r * 30 + g * 59 + b * 11) // 100 for (r, g, b) in row)
        body += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, bits, 0, len(body), 2835, 2835,
                       256 if bits == 8 else 0, 0)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return head + info + palette + body


def main():
    out = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources"))
    for name, data in (("cmdbar-normal.bmp", bmp(strip(FACE, paint_colour), 24)),
                       ("cmdbar-hot.bmp", bmp(strip(HOT_FACE, paint_colour), 24)),
                       ("cmdbar-disabled.bmp", bmp(strip(FACE, paint_embossed), 8))):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("wrote", os.path.join(out, name), len(data), "bytes")


if __name__ == "__main__":
    main()
