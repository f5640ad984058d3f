#!/usr/bin/env python3
"""Draws Quarry.ico: three stacked blocks, like a memory map, in the program's row colours.

Run it from anywhere; it rewrites Quarry.ico beside this script. The output is byte-for-byte
reproducible, and the .ico is committed so that building the program needs no Python.
Each image is a 32-bit bitmap with alpha plus the 1-bit mask that older readers expect.
"""
import pathlib
import struct

SIZES = (16, 32, 48)
OUTLINE = (64, 64, 64)
# Top to bottom: the pale green, blue and red of the rows.
BLOCK_COLOURS = ((220, 250, 220), (220, 220, 250), (250, 220, 220))


def block_rows(size):
    """Returns the (top, bottom) pixel rows of each block, bottoms inclusive."""
    margin = max(1, size // 16)
    gap = max(1, size // 16)
    height = (size - 2 * margin - 2 * gap) // 3
    top = margin + (size - 2 * margin - 2 * gap - 3 * height) // 2
    rows = []
    for _ in BLOCK_COLOURS:
        rows.append((top, top + height - 1))
        top += height + gap
    return rows


def draw(size):
    """Returns the image as rows of (r, g, b, a), top row first; outside the blocks is clear."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    left, right = max(1, size // 16), size - 1 - max(1, size // 16)
    for (top, bottom), colour in zip(block_rows(size), BLOCK_COLOURS):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                edge = y in (top, bottom) or x in (left, right)
                pixels[y][x] = (*(OUTLINE if edge else colour), 255)
    return pixels


def icon_image(size):
    """Encodes one icon image: header, colour rows and mask rows, both bottom-up."""
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for r, g, b, a in row)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, alpha) in enumerate(row):
            if alpha == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + entries + b''.join(images)


if __name__ == '__main__':
    target = pathlib.Path(__file__).with_name('Quarry.ico')
    target.write_bytes(icon_file(SIZES))
