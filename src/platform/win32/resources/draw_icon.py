#!/usr/bin/env python3
"""Draws install.exe's icon: a blue arrow going down into an open box.

  draw_icon.py OUT.ico

Writes a Windows icon file with one 32-bit image (alpha channel and AND mask)
of each size in SIZES. The shapes are given in a unit square and sampled
SAMPLES x SAMPLES times per pixel, so that each size is drawn for itself with
smooth edges. Python 3 standard library only; the output is the same bytes on
every run.
"""

import struct
import sys

SIZES = (16, 24, 32, 48)
SAMPLES = 8

# (red, green, blue)
OUTLINE = (0x5A, 0x36, 0x12)
BOX = (0xD9, 0x9A, 0x4E)
INSIDE = (0x6B, 0x42, 0x18)
ARROW = (0x1C, 0x64, 0xD0)
ARROW_EDGE = (0x0B, 0x35, 0x7A)


def inside_rect(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def inside_triangle(x, y, a, b, c):
    """True when (x, y) lies in the triangle a, b, c (either winding)."""
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    has_negative = d1 < 0 or d2 < 0 or d3 < 0
    has_positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_negative and has_positive)


def arrow(x, y, grow):
    """The arrow, its outline `grow` wider on every side."""
    shaft = inside_rect(x, y, 0.39 - grow, 0.05 - grow, 0.61 + grow, 0.45)
    head = inside_triangle(x, y, (0.17 - 1.8 * grow, 0.38 - grow),
                           (0.83 + 1.8 * grow, 0.38 - grow), (0.5, 0.74 + 1.6 * grow))
    return shaft or head


def colour_at(x, y, stroke):
    """The colour of the topmost shape at (x, y), or None where nothing is."""
    if arrow(x, y, 0):
        return ARROW
    if arrow(x, y, stroke):
        return ARROW_EDGE
    if inside_rect(x, y, 0.08 + stroke, 0.52 + stroke, 0.92 - stroke, 0.95 - stroke):
        if y < 0.52 + 3 * stroke:
            return INSIDE  # the open top, seen from the front
        return BOX
    if inside_rect(x, y, 0.08, 0.52, 0.92, 0.95):
        return OUTLINE
    return None


def draw(size):
    """Rows of (blue, green, red, alpha) pixels, top row first."""
    stroke = max(1.0 / size, 0.045)
    rows = []
    for row in range(size):
        pixels = []
        for column in range(size):
            red = green = blue = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = colour_at((column + (sx + 0.5) / SAMPLES) / size,
                                       (row + (sy + 0.5) / SAMPLES) / size, stroke)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered:
                pixels.append((blue // covered, green // covered, red // covered,
                               covered * 255 // (SAMPLES * SAMPLES)))
            else:
                pixels.append((0, 0, 0, 0))
        rows.append(pixels)
    return rows


def image_bytes(size):
    """BITMAPINFOHEADER, the colour bitmap and the AND mask, both bottom row first."""
    rows = draw(size)
    colour = b"".join(bytes(channel for pixel in row for channel in pixel)
                      for row in reversed(rows))
    mask_stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for column, pixel in enumerate(row):
            if pixel[3] == 0:  # transparent where the alpha channel is not read
                bits[column // 8] |= 0x80 >> (column % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def icon_file():
    images = [image_bytes(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        # A width or height of 256 is written as 0.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                                 offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: draw_icon.py OUT.ico\n")
        return 2
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main())
