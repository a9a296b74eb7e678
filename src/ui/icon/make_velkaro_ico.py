#!/usr/bin/env python3
"""Draws the program icon, a yellow telephone directory with a telephone on its cover, and writes it as
velkaro.ico with three images: 32x32 in 2 colours, 32x32 in 16 colours and 16x16 in 16 colours."""

import struct
import sys

# The 16-colour palette of the icon format's 4-bit images.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
BLACK, OLIVE, SILVER, GREY, YELLOW, WHITE = 0, 3, 7, 8, 11, 15
CLEAR = None


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def disc(img, cx, cy, r, colour):
    for y in range(len(img)):
        for x in range(len(img)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = colour


def trapezoid(img, y0, y1, top, bottom, colour):
    """Rows y0..y1 widening from the span `top` to the span `bottom` (inclusive x pairs)."""
    for y in range(y0, y1 + 1):
        t = (y - y0) / max(1, y1 - y0)
        x0 = round(top[0] + (bottom[0] - top[0]) * t)
        x1 = round(top[1] + (bottom[1] - top[1]) * t)
        rect(img, x0, y, x1, y, colour)


def directory32(cover, pages, edge, ink, dial):
    img = canvas(32)
    rect(img, 4, 1, 27, 30, ink)            # outline
    rect(img, 5, 2, 26, 29, pages)          # page block seen at the right and bottom
    for y in range(4, 29, 2):
        rect(img, 24, y, 26, y, edge)
    rect(img, 6, 27, 23, 27, edge)
    rect(img, 5, 2, 23, 26, ink)            # cover outline
    rect(img, 6, 3, 22, 25, cover)
    rect(img, 6, 3, 7, 25, edge)            # spine
    # handset
    rect(img, 10, 7, 20, 9, ink)
    rect(img, 9, 8, 11, 12, ink)
    rect(img, 19, 8, 21, 12, ink)
    # body with the dial
    rect(img, 14, 10, 16, 12, ink)
    trapezoid(img, 14, 22, (11, 19), (9, 21), ink)
    disc(img, 15, 17, 3.2, dial)
    disc(img, 15, 17, 1.0, ink)
    return img


def directory16(cover, pages, edge, ink, dial):
    img = canvas(16)
    rect(img, 2, 0, 14, 15, ink)
    rect(img, 3, 1, 13, 14, pages)
    for y in range(2, 14, 2):
        rect(img, 13, y, 13, y, edge)
    rect(img, 3, 1, 12, 13, ink)
    rect(img, 4, 2, 11, 12, cover)
    rect(img, 4, 2, 4, 12, edge)
    rect(img, 5, 3, 10, 3, ink)             # handset
    rect(img, 5, 4, 6, 5, ink)
    rect(img, 9, 4, 10, 5, ink)
    trapezoid(img, 7, 11, (6, 9), (5, 10), ink)
    rect(img, 7, 8, 8, 9, dial)
    return img


def mono(img):
    """The two-colour image: every colour but black turns white."""
    return [[c if c in (CLEAR, BLACK) else WHITE for c in row] for row in img]


def row_bytes(bits_per_pixel, width):
    return ((width * bits_per_pixel + 31) // 32) * 4


def pack(values, bits_per_pixel, width):
    out = bytearray(row_bytes(bits_per_pixel, width))
    per_byte = 8 // bits_per_pixel
    for x, v in enumerate(values):
        shift = 8 - bits_per_pixel * (x % per_byte + 1)
        out[x // per_byte] |= v << shift
    return bytes(out)


def entry_image(img, palette):
    """BITMAPINFOHEADER, palette, colour bitmap and transparency mask, rows bottom up."""
    size = len(img)
    bpp = 1 if len(palette) == 2 else 4
    index = {colour: i for i, colour in enumerate(palette)}
    colour_rows = b''.join(pack([0 if c is CLEAR else index[c] for c in row], bpp, size) for row in reversed(img))
    mask_rows = b''.join(pack([1 if c is CLEAR else 0 for c in row], 1, size) for row in reversed(img))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, len(colour_rows) + len(mask_rows), 0, 0, 0, 0)
    rgbquads = b''.join(struct.pack('<BBBB', VGA[c][2], VGA[c][1], VGA[c][0], 0) for c in palette)
    return header + rgbquads + colour_rows + mask_rows, bpp, len(palette)


def write_ico(path, images):
    blobs = [entry_image(img, palette) for img, palette in images]
    offset = 6 + 16 * len(blobs)
    out = bytearray(struct.pack('<HHH', 0, 1, len(blobs)))
    for (img, _), (blob, bpp, colours) in zip(images, blobs):
        out += struct.pack('<BBBBHHII', len(img), len(img), colours % 256, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    for blob, _, _ in blobs:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else 'velkaro.ico'
    colour32 = directory32(YELLOW, WHITE, OLIVE, BLACK, WHITE)
    two32 = mono(directory32(WHITE, WHITE, BLACK, BLACK, WHITE))
    colour16 = directory16(YELLOW, WHITE, OLIVE, BLACK, WHITE)
    write_ico(path, [(two32, [BLACK, WHITE]), (colour32, list(range(16))), (colour16, list(range(16)))])


if __name__ == '__main__':
    main()
