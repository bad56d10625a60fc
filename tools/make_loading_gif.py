#!/usr/bin/env python3
"""Writes resources/loading.gif: the 15 x 15 busy animation of the program.

Four grey dots around the centre; one dot is dark in each frame, the one before it mid grey,
so the dark dot walks round. Four frames of 0.2 s, looping without end, background transparent.
Run from the repository root: python3 tools/make_loading_gif.py
"""

import struct
import sys

SIZE = 15
PALETTE = [(0xF0, 0xF0, 0xF0), (0xD4, 0xD4, 0xD4), (0x9C, 0x9C, 0x9C), (0x50, 0x50, 0x50)]
BACKGROUND, LIGHT, MID, DARK = range(4)
DOT_CENTRES = [(7, 2), (12, 7), (7, 12), (2, 7)]  # top, right, bottom, left (x, y)
DOT_RADIUS_SQUARED = 4  # a filled disc of radius 2: 13 pixels
FRAME_DELAY_CS = 20
MIN_CODE_SIZE = 2


def frame_pixels(lit):
    shade = {lit: DARK, (lit - 1) % 4: MID}
    pixels = []
    for y in range(SIZE):
        for x in range(SIZE):
            value = BACKGROUND
            for index, (cx, cy) in enumerate(DOT_CENTRES):
                if (x - cx) ** 2 + (y - cy) ** 2 <= DOT_RADIUS_SQUARED:
                    value = shade.get(index, LIGHT)
            pixels.append(value)
    return pixels


def lzw_encode(pixels):
    """Variable-width LZW as GIF wants it, with the code stream packed LSB first."""
    clear = 1 << MIN_CODE_SIZE
    end = clear + 1
    codes = []

    def reset():
        return {(i,): i for i in range(clear)}, clear + 2, MIN_CODE_SIZE + 1

    table, next_code, width = reset()
    codes.append((clear, width))
    current = (pixels[0],)
    for pixel in pixels[1:]:
        candidate = current + (pixel,)
        if candidate in table:
            current = candidate
            continue
        codes.append((table[current], width))
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            codes.append((clear, width))
            table, next_code, width = reset()
        current = (pixel,)
    codes.append((table[current], width))
    codes.append((end, width))

    out, buffer, bits = bytearray(), 0, 0
    for code, size in codes:
        buffer |= code << bits
        bits += size
        while bits >= 8:
            out.append(buffer & 0xFF)
            buffer >>= 8
            bits -= 8
    if bits:
        out.append(buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def build_gif():
    gif = bytearray(b"GIF89a")
    # Logical screen: global colour table of 4 entries (size field 1), background index 0.
    gif += struct.pack("<HHBBB", SIZE, SIZE, 0x80 | 0x10 | 0x01, BACKGROUND, 0)
    for rgb in PALETTE:
        gif += bytes(rgb)
    # Loop for ever.
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"
    for lit in range(4):
        # Graphic control: restore to background before the next frame, index 0 transparent.
        gif += b"\x21\xF9\x04" + struct.pack("<BHB", (2 << 2) | 0x01, FRAME_DELAY_CS, BACKGROUND)
        gif += b"\x00"
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, SIZE, SIZE, 0)
        gif += bytes([MIN_CODE_SIZE]) + sub_blocks(lzw_encode(frame_pixels(lit)))
    gif += b"\x3B"
    return bytes(gif)


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "resources/loading.gif"
    with open(target, "wb") as handle:
        handle.write(build_gif())
