#!/usr/bin/env python3
"""Writes the fuzz targets' seed files into fuzz/corpus (tiny, well-formed examples of each kind
of input). The seeds are committed; run this again only to change them. The precheck seeds are
drawn with ImageMagick's convert."""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    with open(os.path.join(HERE, "corpus", target, name), "wb") as f:
        f.write(data)


def packed_dib(w, h, bits, palette=b"", compression=0, masks=b"", fill=lambda i: i * 37 & 255):
    stride = (w * bits + 31) // 32 * 4
    rows = bytes(fill(i) for i in range(stride * h))
    entries = len(palette) // 4
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(rows), 2835, 2835, entries, 0)
    return header + masks + palette + rows


def ramp(n):
    return b"".join(bytes((i * 255 // max(n - 1, 1),) * 3 + (0,)) for i in range(n))


# dib: two bytes choosing the box size and the level, then the image block.
put("dib", "rgb24", b"\x05\x03" + packed_dib(3, 2, 24))
put("dib", "gray8", b"\x10\x02" + packed_dib(4, 3, 8, ramp(256)))
put("dib", "pal8", b"\x02\x09" + packed_dib(3, 3, 8, ramp(5), fill=lambda i: i % 7))
put("dib", "pal4", b"\x07\x01" + packed_dib(5, 2, 4, ramp(16)))
put("dib", "mono", b"\x03\x03" + packed_dib(9, 2, 1, ramp(2)))
put("dib", "rgb16", b"\x01\x01" + packed_dib(2, 2, 16, compression=3, masks=struct.pack("<III", 0xF800, 0x7E0, 0x1F)))
put("dib", "rgb32", b"\x30\x30" + packed_dib(2, 2, 32))


def tga(kind, w, h, depth, descriptor, data, cmap=b"", map_bits=0):
    header = struct.pack("<BBBHHBHHHHBB", 2, 1 if map_bits else 0, kind, 0, len(cmap) * 8 // max(map_bits, 1) if map_bits else 0,
                         map_bits, 0, 0, w, h, depth, descriptor)
    return header + b"id" + cmap + data


put("tga", "rgb24", tga(2, 3, 2, 24, 0, bytes(range(18))))
put("tga", "rgba32-top", tga(2, 2, 2, 32, 0x28, bytes(range(16))))
put("tga", "rle24", tga(10, 4, 2, 24, 0, b"\x83\x10\x20\x30\x03" + bytes(12)))
put("tga", "gray-rle", tga(11, 3, 3, 8, 0x10, b"\x88\x7f"))
put("tga", "mapped", tga(1, 2, 2, 8, 0, b"\x00\x01\x01\x00", cmap=b"\x00\x00\xff\x00\xff\x00", map_bits=24))
put("tga", "rgb16-footer", tga(2, 2, 1, 16, 0, b"\x1f\x00\xe0\x03") + struct.pack("<II", 0, 0) + b"TRUEVISION-XFILE.\0")


def pcx(w, h, bpp, planes, rle, data, palette=b""):
    line = ((w * bpp + 7) // 8 + 1) & ~1
    header = struct.pack("<BBBBHHHHHH", 0x0A, 5, rle, bpp, 0, 0, w - 1, h - 1, 72, 72) + bytes(48) + b"\0"
    header += struct.pack("<BHH", planes, line, 1)
    header += bytes(128 - len(header))
    return header + data + palette


put("pcx", "mono", pcx(8, 2, 1, 1, 0, b"\xaa\x00\x55\x00"))
put("pcx", "ega4", pcx(4, 1, 1, 4, 1, b"\xc8\xf0"))
put("pcx", "pal8", pcx(2, 2, 8, 1, 1, b"\x01\x02\xc2\x03", b"\x0c" + bytes(range(256)) * 3))
put("pcx", "rgb24", pcx(2, 1, 8, 3, 1, b"\xc6\x80"))

# precheck: one small file of every container the platform decodes.
with tempfile.TemporaryDirectory() as tmp:
    for name, args in [("small.bmp", ["-size", "5x3", "gradient:red-blue"]),
                       ("rle8.bmp", ["-size", "6x2", "xc:gray", "-colors", "4", "-compress", "RLE"]),
                       ("small.png", ["-size", "4x4", "gradient:", "-depth", "16"]),
                       ("interlaced.png", ["-size", "5x5", "xc:red", "-alpha", "on", "-interlace", "PNG"]),
                       ("small.jpg", ["-size", "8x8", "gradient:"]),
                       ("progressive.jpg", ["-seed", "7", "-size", "16x8", "plasma:", "-interlace", "JPEG"]),
                       ("small.gif", ["-size", "3x3", "xc:blue"]),
                       ("small.tif", ["-size", "3x2", "xc:green"]),
                       ("small.ico", ["-size", "16x16", "xc:yellow"])]:
        out = os.path.join(tmp, name)
        subprocess.run(["convert"] + args + ["-strip", out], check=True)
        with open(out, "rb") as f:
            put("precheck", name.replace(".", "-"), f.read())


# album_file: a small album (header, records, images), then the byte that picks a failing read.
def album(images, count=None, fail=0):
    records, area = b"", b""
    for i, image in enumerate(images):
        name = ("pics\\%d.bmp" % i).encode().ljust(128, b"\0")
        records += struct.pack("<II", 1000 + i, 0x60000000) + name + b" ".ljust(128, b"\0")
        records += struct.pack("<HHHHIHHIHH", 1, 24, 64, 48, len(area), 8, 6, len(image), 0, 0)
        area += image
    n = len(images) if count is None else count
    header = struct.pack("<4sIII", b"PALM", 144 + 288 * len(images) + len(area), n, 144 + 288 * n)
    return header + b"album".ljust(128, b"\0") + records + area + bytes((fail,))


put("album_file", "two", album([packed_dib(4, 3, 24), packed_dib(2, 2, 24)]))
put("album_file", "cut", album([packed_dib(4, 3, 24), packed_dib(8, 8, 24)])[:-100])
put("album_file", "more_announced", album([packed_dib(2, 2, 24)], count=3))
put("album_file", "read_fails", album([packed_dib(2, 2, 24), packed_dib(3, 3, 24)], fail=4))



# exif: JPEG files whose EXIF block carries an orientation and an embedded thumbnail (itself a
# JPEG), in both byte orders, built around the small JPEG of the precheck seeds.
def exif_app1(orientation, thumb, big):
    e = ">" if big else "<"
    tiff = (b"MM" if big else b"II") + struct.pack(e + "HI", 42, 8)
    ifd0 = struct.pack(e + "H", 1) + struct.pack(e + "HHIHH", 0x112, 3, 1, orientation, 0) + struct.pack(e + "I", 26)
    ifd1 = struct.pack(e + "H", 2) + struct.pack(e + "HHII", 0x201, 4, 1, 56) + struct.pack(e + "HHII", 0x202, 4, 1, len(thumb))
    block = tiff + ifd0 + ifd1 + struct.pack(e + "I", 0) + thumb
    return b"\xff\xe1" + struct.pack(">H", 2 + 6 + len(block)) + b"Exif\0\0" + block


with open(os.path.join(HERE, "corpus", "precheck", "small-jpg"), "rb") as f:
    small_jpeg = f.read()
os.makedirs(os.path.join(HERE, "corpus", "exif"), exist_ok=True)
put("exif", "turned-le", small_jpeg[:2] + exif_app1(6, small_jpeg, False) + small_jpeg[2:])
put("exif", "mirrored-be", small_jpeg[:2] + exif_app1(2, small_jpeg, True) + small_jpeg[2:])
put("exif", "plain", small_jpeg)


# jpeg_read: the JPEG files above (an odd size may give the embedded thumbnail), a progressive
# one, and scans the header check holds to its bounds: many over a small image, and a baseline
# scan short of the frame's components.
def jpeg_scans(marker, w, h, frame_components, scan_components, scans, scan_bytes):
    table = bytes([1] + [0] * 15) + b"\0"  # one code of one bit, for symbol 0
    v = b"\xff\xd8\xff\xdb\x00\x43\x00" + bytes([1] * 64)
    v += b"\xff\xc4" + struct.pack(">H", 2 + 2 * 18) + b"\x00" + table + b"\x10" + table
    v += bytes([0xFF, marker]) + struct.pack(">HBHHB", 8 + 3 * frame_components, 8, h, w, frame_components)
    v += b"".join(bytes([i, 0x11, 0]) for i in range(1, frame_components + 1))
    ac = marker == 0xC2 and scan_components == 1
    for _ in range(scans):
        v += b"\xff\xda" + struct.pack(">HB", 6 + 2 * scan_components, scan_components)
        v += b"".join(bytes([i, 0]) for i in range(1, scan_components + 1))
        v += bytes([1 if ac else 0, 63 if ac or marker != 0xC2 else 0, 0]) + bytes(scan_bytes)
    return v + b"\xff\xd9"


os.makedirs(os.path.join(HERE, "corpus", "jpeg_read"), exist_ok=True)
for name in ("turned-le", "mirrored-be", "plain"):
    with open(os.path.join(HERE, "corpus", "exif", name), "rb") as f:
        jpeg = f.read()
    put("jpeg_read", name, jpeg + (b"" if len(jpeg) % 2 else b"\0"))  # odd: the thumbnail may stand in
with open(os.path.join(HERE, "corpus", "precheck", "progressive-jpg"), "rb") as f:
    put("jpeg_read", "progressive", f.read())
put("jpeg_read", "many-scans", jpeg_scans(0xC2, 64, 48, 1, 1, 40, 2))
put("jpeg_read", "short-scan", jpeg_scans(0xC0, 300, 200, 3, 1, 1, 4))


# directory_records: one batch of FileBothDirectoryInformation records, 8-byte aligned: ".", "..",
# a plain name, a long name with its short name, a name no ANSI code page spells.
def dir_record(name, short="", size=0, last=False):
    wide, short_wide = name.encode("utf-16-le"), short.encode("utf-16-le")
    body = struct.pack("<II6qIIIbx", 0, 0, 1, 2, 3, 4, size, 4096, 0x20, len(wide), 0, len(short_wide))
    body += short_wide.ljust(24, b"\0") + wide
    body = body.ljust((len(body) + 7) // 8 * 8, b"\0")
    return struct.pack("<I", 0 if last else len(body)) + body[4:]


os.makedirs(os.path.join(HERE, "corpus", "directory_records"), exist_ok=True)
put("directory_records", "folder", dir_record(".") + dir_record("..") + dir_record("a.bmp", size=5000) +
    dir_record("Quite a long name.jpeg", "QUITEA~1.JPE", 123) + dir_record("\uff21\uff22.bmp", "__~~~CSY.BMP", 7, True))
# A tall frame whose coefficients, kept for a scan short of components, fill whole MCUs.
put("jpeg_read", "tall-short-scan", jpeg_scans(0xC0, 300, 47104, 3, 1, 1, 4))
