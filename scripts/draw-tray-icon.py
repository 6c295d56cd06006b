#!/usr/bin/env python3
"""Makes the tray icon, src/ui/resources/tray.ico, from the 16-pixel image of ClockSync.ico.

    scripts/draw-tray-icon.py

The notification area shows a 16 x 16 picture; the program's design keeps it as a 16-colour
icon. Each pixel becomes the nearest of the 16 standard colours; a pixel more than half
transparent becomes transparent (the icon's AND mask). Standard library only.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.join(HERE, '..', 'src', 'ui', 'resources')

# The 16 colours of the standard palette, in their usual order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
SIZE = 16


def read_16_pixel_image(path):
    """The 16 x 16 32-bit image of an icon file: rows bottom-up of (b, g, r, a)."""
    data = open(path, 'rb').read()
    _, _, count = struct.unpack('<HHH', data[:6])
    for i in range(count):
        w, h, _, _, _, bits, size, offset = struct.unpack('<BBBBHHII', data[6 + 16 * i:22 + 16 * i])
        if w == SIZE and h == SIZE and bits == 32:
            header_size = struct.unpack('<I', data[offset:offset + 4])[0]
            start = offset + header_size
            pixels = data[start:start + SIZE * SIZE * 4]
            return [tuple(pixels[j:j + 4]) for j in range(0, len(pixels), 4)]
    raise SystemExit('no 16 x 16 32-bit image in ' + path)


def nearest(r, g, b):
    return min(range(16), key=lambda i: (PALETTE[i][0] - r) ** 2 + (PALETTE[i][1] - g) ** 2 +
               (PALETTE[i][2] - b) ** 2)


def main():
    pixels = read_16_pixel_image(os.path.join(RESOURCES, 'ClockSync.ico'))
    indices, mask_rows = [], []
    for y in range(SIZE):  # bottom-up, as the file keeps them
        mask = 0
        for x in range(SIZE):
            b, g, r, a = pixels[y * SIZE + x]
            if a < 128:
                indices.append(0)
                mask |= 0x8000 >> x
            else:
                # The colours are premultiplied by nothing: alpha only decides the mask.
                indices.append(nearest(r, g, b))
        mask_rows.append(mask)

    xor = bytearray()
    for y in range(SIZE):
        row = indices[y * SIZE:(y + 1) * SIZE]
        for x in range(0, SIZE, 2):
            xor.append(row[x] << 4 | row[x + 1])
    andmask = bytearray()
    for mask in mask_rows:
        andmask += struct.pack('>H', mask) + b'\0\0'  # rows are DWORD-aligned

    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(andmask),
                         0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(andmask)
    icon = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4,
                                                      len(image), 22) + image
    with open(os.path.join(RESOURCES, 'tray.ico'), 'wb') as out:
        out.write(icon)


if __name__ == '__main__':
    main()
