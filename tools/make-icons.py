#!/usr/bin/env python3
"""Draws the catalogue icons as 16 x 16, 24-bit uncompressed device-independent bitmaps: a
40-byte header and 768 bytes of pixel rows, bottom-up, as bitmap resources are stored (no file
header). Writes resources/icons/NAME.dib; the build embeds them. With --preview DIR it also
writes NAME.bmp files there (with a file header) to look at. Run it again after changing a
drawing."""
import os
import struct
import sys

PALETTE = {
    '.': (255, 0, 255),   # background: magenta, the usual transparent colour of toolbar bitmaps
    'k': (0, 0, 0),
    'w': (255, 255, 255),
    'g': (128, 128, 128),
    'l': (192, 192, 192),
    'b': (0, 64, 192),
    'c': (64, 160, 255),
    'r': (200, 32, 32),
    'y': (255, 208, 64),
    'o': (224, 128, 0),
    'n': (0, 128, 64),
    's': (96, 192, 96),
}

ICONS = {
    # A page with a blue arrow pointing into it.
    'import': [
        '................',
        '......kkkkkkk...',
        '......kwwwwwkk..',
        '......kwwwwwkwk.',
        '......kwwwwwkkkk',
        'b.....kwgggwwwwk',
        'bb....kwwwwwwwwk',
        'bbbbbbbbgggggwwk',
        'bbbbbbbbbwwwwwwk',
        'bbbbbbbbgggggwwk',
        'bb....kwwwwwwwwk',
        'b.....kwgggggwwk',
        '......kwwwwwwwwk',
        '......kwwwwwwwwk',
        '......kkkkkkkkkk',
        '................',
    ],
    # A page with a green arrow leaving it.
    'export': [
        '................',
        'kkkkkkk.........',
        'kwwwwwkk........',
        'kwwwwwkwk.......',
        'kwwwwwkkkk......',
        'kwgggwwwwk...n..',
        'kwwwwwwwwk...nn.',
        'kwgggggnnnnnnnnn',
        'kwwwwwwnnnnnnnnn',
        'kwgggggnnnnnnnnn',
        'kwwwwwwwwk...nn.',
        'kwgggggwwk...n..',
        'kwwwwwwwwk......',
        'kwwwwwwwwk......',
        'kkkkkkkkkk......',
        '................',
    ],
    # A globe with an upward arrow: file transfer.
    'ftp': [
        '................',
        '.....kkkkk......',
        '...kkcbbbckk....',
        '..kcbbssbbbck...',
        '..kbbsssbbbbk...',
        '.kcbssssbbbbck..',
        '.kbbbsssbbsbbk..',
        '.kbbbbsbbsssbk..',
        '.kbbbbbbbsssbk..',
        '.kcbbbbbbbssck..',
        '..kbbbbbbbbbk.r.',
        '..kcbbbbbbbck.r.',
        '...kkcbbbckk.rrr',
        '.....kkkkk..rrrr',
        '............r.r.',
        '................',
    ],
    # A picture frame with a sun and hills, half of it in black and white.
    'image': [
        '................',
        'kkkkkkkkkkkkkkkk',
        'kccccccccwwwwwwk',
        'kccyyccccwwkkwwk',
        'kcyyyycccwkkkkwk',
        'kccyyccccwwkkwwk',
        'kccccccccwwwwwwk',
        'kccccccsswwwwkwk',
        'kcccccssskwwkkkk',
        'kccsssssskkkkkkk',
        'kcssssssskkkkkkk',
        'ksssssssskkkkkkk',
        'ksssssssskkkkkkk',
        'kkkkkkkkkkkkkkkk',
        '................',
        '................',
    ],
    # A check box with a tick: options.
    'options': [
        '................',
        '................',
        '..kkkkkkkkkkk...',
        '..kwwwwwwwwwk...',
        '..kwwwwwwwwnk...',
        '..kwwwwwwwnnk...',
        '..kwnwwwwnnwk...',
        '..kwnnwwnnwwk...',
        '..kwwnnnnwwwk...',
        '..kwwwnnwwwwk...',
        '..kwwwwwwwwwk...',
        '..kwwwwwwwwwk...',
        '..kkkkkkkkkkk...',
        '................',
        '................',
        '................',
    ],
}


def bmp(rows):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), rows
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for ch in row:
            r, g, b = PALETTE[ch]
            pixels += bytes((b, g, r))
    assert len(pixels) == 768
    header = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return header + pixels


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'icons')
    preview = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == '--preview' else None
    os.makedirs(out, exist_ok=True)
    for name, rows in ICONS.items():
        dib = bmp(rows)
        with open(os.path.join(out, name + '.dib'), 'wb') as f:
            f.write(dib)
        if preview:
            os.makedirs(preview, exist_ok=True)
            with open(os.path.join(preview, name + '.bmp'), 'wb') as f:
                f.write(b'BM' + struct.pack('<IHHI', 14 + len(dib), 0, 0, 54) + dib)


if __name__ == '__main__':
    main()
