#!/usr/bin/env python3
"""Writes the two lens cursors of the magnifying glass as 32 x 32 monochrome
.cur files beside this script:

  lens_round.cur  (resource 500)  a round lens with its handle toward the
                                   lower right, hot spot (14, 13)
  lens_rect.cur   (resource 501)  a rectangular lens with handle, hot spot
                                   (12, 11)

Each lens carries a 2 x 2 dot whose top-left pixel is the hot spot. The
outline is black with a one-pixel white halo so that it shows on any
background; everything else is transparent.

File layout: ICONDIR (type 2 = cursor, one image), one ICONDIRENTRY whose
planes and bit-count words hold the hot spot, then the image: a
BITMAPINFOHEADER of height 64 (XOR and AND masks stacked), a two-entry
colour table (black, white), the XOR mask, then the AND mask, each 32 rows of
4 bytes, bottom row first.

Run it again after changing a shape; the build embeds the .cur files as they
are checked in."""

import os
import struct

SIZE = 32


def blank():
    return [[0] * SIZE for _ in range(SIZE)]


def plot(ink, x, y):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        ink[y][x] = 1


def thick_line(ink, x0, y0, x1, y1, width):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        for dx in range(width):
            for dy in range(width):
                plot(ink, round(x) + dx, round(y) + dy)


def dot(ink, hot_x, hot_y):
    for dy in range(2):
        for dx in range(2):
            plot(ink, hot_x + dx, hot_y + dy)


def round_lens():
    hot_x, hot_y = 14, 13
    ink = blank()
    # The ring: pixels whose centres lie between radii 8.5 and 10 of the
    # centre of the dot.
    cx, cy = hot_x + 0.5, hot_y + 0.5
    for y in range(SIZE):
        for x in range(SIZE):
            d2 = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
            if 8.5 ** 2 <= d2 < 10.0 ** 2:
                plot(ink, x, y)
    thick_line(ink, 22, 21, 29, 28, 3)
    dot(ink, hot_x, hot_y)
    return ink, (hot_x, hot_y)


def rect_lens():
    hot_x, hot_y = 12, 11
    ink = blank()
    left, top, right, bottom = hot_x - 8, hot_y - 8, hot_x + 9, hot_y + 9
    for x in range(left, right + 1):
        for t in range(2):
            plot(ink, x, top + t)
            plot(ink, x, bottom - t)
    for y in range(top, bottom + 1):
        for t in range(2):
            plot(ink, left + t, y)
            plot(ink, right - t, y)
    thick_line(ink, right, bottom, 29, 28, 3)
    dot(ink, hot_x, hot_y)
    return ink, (hot_x, hot_y)


def masks(ink):
    """XOR bit 1 = white, AND bit 1 = transparent: black ink, a white halo
    around it, transparent elsewhere."""
    xor = blank()
    and_ = [[1] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if ink[y][x]:
                and_[y][x] = 0
                continue
            near_ink = any(
                0 <= x + dx < SIZE and 0 <= y + dy < SIZE and ink[y + dy][x + dx]
                for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            if near_ink:
                and_[y][x] = 0
                xor[y][x] = 1
    return xor, and_


def pack_rows(bits):
    out = bytearray()
    for row in reversed(bits):  # bottom row first
        for byte in range(SIZE // 8):
            value = 0
            for bit in range(8):
                value = (value << 1) | row[byte * 8 + bit]
            out.append(value)
    return bytes(out)


def cursor_file(ink, hot_spot):
    xor, and_ = masks(ink)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    colours = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + colours + pack_rows(xor) + pack_rows(and_)
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, hot_spot[0], hot_spot[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, shape in (('lens_round.cur', round_lens), ('lens_rect.cur', rect_lens)):
        ink, hot_spot = shape()
        with open(os.path.join(here, name), 'wb') as out:
            out.write(cursor_file(ink, hot_spot))


if __name__ == '__main__':
    main()
