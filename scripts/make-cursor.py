#!/usr/bin/env python3
"""Draws the drag cursor (resources/drag.cur): an arrow carrying a small stack of pictures."""
import struct, os

W = H = 32
# '.' transparent, 'k' black, 'w' white
rows = [[' '] * W for _ in range(H)]
arrow = [
    "k", "kk", "kwk", "kwwk", "kwwwk", "kwwwwk", "kwwwwwk", "kwwwwwwk", "kwwwwwwwk",
    "kwwwwwwwwk", "kwwwwwkkkkk", "kwwkwwk", "kwk kwwk", "kk  kwwk", "k    kwwk", "     kwwk", "      kk",
]
for y, line in enumerate(arrow):
    for x, c in enumerate(line):
        rows[y][x] = c
def box(x0, y0, x1, y1):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = x in (x0, x1) or y in (y0, y1)
            rows[y][x] = 'k' if edge else 'w'
box(15, 17, 27, 26)
box(12, 20, 24, 29)
for y in range(23, 27):           # a little "picture" inside the front card
    for x in range(15, 22):
        if (x + y) % 3 == 0:
            rows[y][x] = 'k'

def mask(bit):
    out = b""
    for y in range(H - 1, -1, -1):     # bottom-up rows
        v = 0
        for x in range(W):
            v = (v << 1) | bit(rows[y][x])
        out += struct.pack(">I", v)
    return out
xor = mask(lambda c: 1 if c == 'w' else 0)
and_ = mask(lambda c: 1 if c == ' ' else 0)
header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 1, 0, 0, 0, 0, 2, 0)
palette = struct.pack("<II", 0x000000, 0xFFFFFF)
image = header + palette + xor + and_
entry = struct.pack("<BBBBHHII", W, H, 2, 0, 0, 0, len(image), 6 + 16)   # hotspot (0, 0)
data = struct.pack("<HHH", 0, 2, 1) + entry + image
out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "drag.cur")
open(out, "wb").write(data)
print("wrote", os.path.normpath(out), len(data), "bytes")
