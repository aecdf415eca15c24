#!/usr/bin/env python3
"""Draws the Run button's three images and writes them as PNG files.

Run from anywhere with:   python3 res/makeimages.py
It (re)writes start.png, start-disable.png and pause.png next to this script,
and the program's icon trevalo.ico (the Run image, square, at the sizes
Windows shows); the output is byte-for-byte reproducible, and the files are
committed.

Each file is 8-bit RGBA, non-interlaced, with exactly the chunks IHDR, pHYs
(2834 x 2834 pixels per metre, about 72 dpi), IDAT and IEND. The program's
resource bundle expects each file to have a fixed byte size, so the deflate
stream is padded: the tail of the pixel data goes into a final stored block
whose length is tuned, and empty stored blocks fill the rest. Both leave the
decoded pixels untouched.

Only the Python standard library is used.
"""

import os
import struct
import zlib

SUPERSAMPLE = 4  # samples per pixel axis for antialiased edges


def cover(width, height, inside):
    """Fraction of each pixel covered by the shape, as rows of floats."""
    step = 1.0 / SUPERSAMPLE
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            hits = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                        hits += 1
            row.append(hits / (SUPERSAMPLE * SUPERSAMPLE))
        rows.append(row)
    return rows


def paint(coverage, colour):
    """RGBA rows in one colour, with the coverage as alpha."""
    red, green, blue, alpha = colour
    return [[(red, green, blue, round(alpha * c)) if c else (0, 0, 0, 0)
             for c in row] for row in coverage]


def play_triangle(x, y):
    # Right-pointing triangle with vertices (5, 4), (5, 34) and (29, 19).
    if x < 5:
        return False
    half = 15.0 * (1.0 - (x - 5) / 24.0)
    return abs(y - 19.0) <= half


def pause_bars(x, y):
    return 8 <= y <= 69 and (6 <= x <= 17 or 25 <= x <= 36)


def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))


def zlib_stream(raw, stored_tail, empty_blocks):
    """A zlib stream of raw: deflated head, empty stored blocks, stored tail."""
    head, tail = raw[:len(raw) - stored_tail], raw[len(raw) - stored_tail:]
    deflater = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    body = deflater.compress(head) + deflater.flush(zlib.Z_SYNC_FLUSH)
    # After a sync flush the stream is byte aligned: an empty non-final stored
    # block is then 5 bytes, and the final block holds the tail verbatim.
    body += b'\x00\x00\x00\xff\xff' * empty_blocks
    body += b'\x01' + struct.pack('<HH', len(tail), len(tail) ^ 0xffff) + tail
    header = b'\x78\xda'  # deflate, 32 KiB window, best compression
    return header + body + struct.pack('>I', zlib.adler32(raw))


def padded_idat(raw, size):
    """The IDAT payload of exactly size bytes for the scanlines raw."""
    for stored_tail in range(0, min(len(raw), 0xffff) + 1):
        plain = len(zlib_stream(raw, stored_tail, 0))
        if plain > size:
            continue
        if (size - plain) % 5 == 0:
            return zlib_stream(raw, stored_tail, (size - plain) // 5)
    raise ValueError('pixels do not fit into %d bytes' % size)


def png(pixels, file_size):
    height, width = len(pixels), len(pixels[0])
    raw = b''.join(b'\x00' + bytes(v for px in row for v in px) for row in pixels)
    ihdr = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    phys = struct.pack('>IIB', 2834, 2834, 1)
    fixed = 8 + 3 * 12 + len(ihdr) + len(phys) + 12  # all but the IDAT payload
    idat = padded_idat(raw, file_size - fixed)
    data = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'pHYs', phys)
            + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
    assert len(data) == file_size
    assert zlib.decompress(idat) == raw
    return data


ICON_SIZES = (16, 24, 32, 48, 256)


def plain_png(pixels):
    """A PNG of the pixels with no padding, as an icon entry."""
    height, width = len(pixels), len(pixels[0])
    raw = b''.join(b'\x00' + bytes(v for px in row for v in px) for row in pixels)
    ihdr = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr)
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def icon():
    """An .ico file of the Run image, centred in a square, one PNG per size."""
    images = []
    for size in ICON_SIZES:
        scale = 38.0 / size  # the image is 32 x 38; its square is 38 x 38
        square = cover(size, size, lambda x, y: play_triangle(x * scale - 3, y * scale))
        images.append((size, plain_png(paint(square, (24, 170, 60, 255)))))
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory, data = b'', b''
    for size, image in images:
        side = size % 256  # 0 stands for 256
        directory += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(image),
                                 offset + len(data))
        data += image
    return header + directory + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    triangle = cover(32, 38, play_triangle)
    bars = cover(43, 77, pause_bars)
    images = {
        'start.png': (paint(triangle, (24, 170, 60, 255)), 500),
        'start-disable.png': (paint(triangle, (150, 150, 150, 200)), 511),
        'pause.png': (paint(bars, (230, 120, 20, 255)), 212),
    }
    for name, (pixels, size) in images.items():
        with open(os.path.join(here, name), 'wb') as out:
            out.write(png(pixels, size))
    with open(os.path.join(here, 'trevalo.ico'), 'wb') as out:
        out.write(icon())


if __name__ == '__main__':
    main()
