#!/usr/bin/env python3
"""Draws the sample pictures (a PNG logo, a GIF-free 8-bit BMP and a WBMP) used by the sample
project and pages. Plain standard library: zlib for PNG, struct for BMP and WBMP."""
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'samples')


def png(path, width, height, pixel):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(pixel(x, y))

    def chunk(kind, data):
        c = struct.pack('>I', len(data)) + kind + data
        return c + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)

    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(data)


def bmp8(path, width, height, index, palette):
    stride = (width + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytes(index(x, y) for x in range(width))
        rows += row + b'\0' * (stride - width)
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette) + b'\0' * 4 * (256 - len(palette))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    offset = 14 + 40 + len(pal)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset) + header + pal + rows)


def wbmp(path, width, height, white):
    def mb(n):
        out = [n & 0x7f]
        n >>= 7
        while n:
            out.append(0x80 | (n & 0x7f))
            n >>= 7
        return bytes(reversed(out))
    data = bytearray(b'\0\0' + mb(width) + mb(height))
    for y in range(height):
        byte = 0
        for x in range(width):
            byte = (byte << 1) | (1 if white(x, y) else 0)
            if x % 8 == 7:
                data.append(byte)
                byte = 0
        if width % 8:
            data.append(byte << (8 - width % 8))
    with open(path, 'wb') as f:
        f.write(data)


def logo(x, y):
    # A sunset: a gradient sky, a sun, and a dark sea with stripes.
    cx, cy = 48, 34
    if y > 40:
        return (20, 40 + (y - 40) * 3, 90 + (x * 2) % 40)
    if (x - cx) ** 2 + (y - cy) ** 2 < 196:
        return (255, 200, 40)
    return (250 - y * 2, 120 + y, 60 + y * 3)


def main():
    pages = os.path.join(ROOT, 'pages', 'images')
    project = os.path.join(ROOT, 'project', 'images')
    os.makedirs(pages, exist_ok=True)
    os.makedirs(project, exist_ok=True)
    png(os.path.join(pages, 'sunset.png'), 96, 64, logo)
    bmp8(os.path.join(pages, 'tiles.bmp'), 40, 24, lambda x, y: ((x // 8) + (y // 8)) % 4,
         [(200, 30, 30), (30, 160, 60), (30, 60, 200), (240, 240, 240)])
    wbmp(os.path.join(project, 'logo.wbmp'), 60, 30,
         lambda x, y: not (abs(math.hypot(x - 15, y - 15) - 10) < 2 or (30 < x < 56 and 10 < y < 20)))


if __name__ == '__main__':
    main()
