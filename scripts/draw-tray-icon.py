#!/usr/bin/env python3
"""Makes the tray icon, src/ui/resources/tray.ico, from the 16-, 24- and 32-pixel images of
ClockSync.ico.

    scripts/draw-tray-icon.py

The notification area shows a 16 x 16 picture at 100% (24 at 150%, 32 at 200%); the program's
design keeps it as a 16-colour icon. Each pixel becomes the nearest of the 16 standard colours; a pixel more than half
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
SIZES = (16, 24, 32)


def read_image(path, size):
    """The size x size 32-bit image of an icon file: rows bottom-up of (b, g, r, a)."""
    data = open(path, 'rb').read()
    _, _, count = struct.unpack('<HHH', data[:6])
    for i in range(count):
        w, h, _, _, _, bits, _, offset = struct.unpack('<BBBBHHII', data[6 + 16 * i:22 + 16 * i])
        if w == size and h == size and bits == 32:
            header_size = struct.unpack('<I', data[offset:offset + 4])[0]
            start = offset + header_size
            pixels = data[start:start + size * size * 4]
            return [tuple(pixels[j:j + 4]) for j in range(0, len(pixels), 4)]
    raise SystemExit('no %d x %d 32-bit image in %s' % (size, size, path))


def nearest(r, g, b):
    return min(range(16), key=lambda i: (PALETTE[i][0] - r) ** 2 + (PALETTE[i][1] - g) ** 2 +
               (PALETTE[i][2] - b) ** 2)


def icon_image(pixels, size):
    """One 16-colour icon image with its AND mask."""
    indices, mask_rows = [], []
    for y in range(size):  # bottom-up, as the file keeps them
        mask = 0
        for x in range(size):
            b, g, r, a = pixels[y * size + x]
            if a < 128:
                indices.append(0)
                mask |= 1 << (31 - x)
            else:
                # The colours are premultiplied by nothing: alpha only decides the mask.
                indices.append(nearest(r, g, b))
        mask_rows.append(mask)

    xor = bytearray()
    for y in range(size):
        row = indices[y * size:(y + 1) * size]
        line = bytearray(row[x] << 4 | row[x + 1] for x in range(0, size, 2))
        xor += line.ljust((len(line) + 3) & ~3, b'\0')  # rows are DWORD-aligned
    andmask = bytearray()
    for mask in mask_rows:
        andmask += struct.pack('>I', mask)  # one DWORD holds a row of up to 32 pixels

    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(andmask),
                         0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(andmask)


def main():
    source = os.path.join(RESOURCES, 'ClockSync.ico')
    images = [icon_image(read_image(source, size), size) for size in SIZES]
    entries, offset = b'', 6 + 16 * len(SIZES)
    for size, image in zip(SIZES, images):
        entries += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(os.path.join(RESOURCES, 'tray.ico'), 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, len(SIZES)) + entries + b''.join(images))


if __name__ == '__main__':
    main()
