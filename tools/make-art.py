#!/usr/bin/env python3
"""Writes the program's icon and cursors (resources/art) from the pixel
drawings below, so the binary files can be remade and reviewed as text."""
import os
import struct
import sys

# 16-colour palette of the period's displays (index: (r, g, b)).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def globe(size):
    """A blue globe with a white Z: rows of palette indices, None = transparent."""
    rows = []
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - c, y - c
            d2 = dx * dx + dy * dy
            if d2 > r * r:
                row.append(None)
            elif d2 > (r - 1.2) ** 2:
                row.append(4)  # dark blue rim
            else:
                shade = 14 if dx + dy < -r * 0.6 else 12
                row.append(shade)
        rows.append(row)
    # The Z, a third of the globe's size inside it.
    m = size // 4
    t = max(1, size // 10)
    for i in range(m, size - m):
        for k in range(t):
            rows[m + k][i] = 15
            rows[size - m - 1 - k][i] = 15
        x = size - m - 1 - (i - m)
        for k in range(t + 1):
            if m <= x - k < size - m:
                rows[i][x - k] = 15
    return rows


def icon_image(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = b''
    for row in reversed(rows):
        line = bytearray()
        for x in range(0, size, 2):
            a = row[x] or 0
            b = row[x + 1] or 0
            line.append((a << 4) | b)
        while len(line) % 4:
            line.append(0)
        xor += bytes(line)
    return header + pal + xor + mask(rows)


def mask(rows):
    size = len(rows)
    out = b''
    for row in reversed(rows):
        line = bytearray((size + 31) // 32 * 4)
        for x, v in enumerate(row):
            if v is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += bytes(line)
    return out


def write_icon(path, images):
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    data = b''
    for rows in images:
        img = icon_image(rows)
        size = len(rows)
        entries += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(img), offset + len(data))
        data += img
    with open(path, 'wb') as f:
        f.write(head + entries + data)


def write_cursor(path, art, hotspot):
    """art: 32 strings of 32 characters: '#' black, '.' white, ' ' transparent."""
    rows = [line.ljust(32)[:32] for line in art] + [' ' * 32] * (32 - len(art))
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    pal = struct.pack('BBBB', 0, 0, 0, 0) + struct.pack('BBBB', 255, 255, 255, 0)
    xor = b''
    andm = b''
    for row in reversed(rows):
        x_line = bytearray(4)
        a_line = bytearray(4)
        for x, ch in enumerate(row):
            if ch == '.':
                x_line[x // 8] |= 0x80 >> (x % 8)
            elif ch == ' ':
                a_line[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(x_line)
        andm += bytes(a_line)
    img = header + pal + xor + andm
    head = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', 32, 32, 2, 0, hotspot[0], hotspot[1], len(img), 22)
    with open(path, 'wb') as f:
        f.write(head + entry + img)


HELP_CURSOR = [
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#       #####",
    "#........#     #.....#",
    "#.....#####   #..###..#",
    "#..#..#       #..# #..#",
    "#.# #..#       ##  #..#",
    "##  #..#          #..#",
    "#    #..#        #..#",
    "     #..#        #..#",
    "      ##         ####",
    "                 #..#",
    "                 #..#",
    "                 ####",
]

SELECT_CURSOR = [
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    "### #..#..#..#.#",
    "#..##........#..#",
    "#...#...........#",
    " #..............#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........#",
    "    #..........#",
    "    #.........#",
    "     #........#",
    "     #........#",
    "     ##########",
]


# The panning cursors: a circle with the directions it scrolls to.
def pan_cursor(up, down):
    rows = [[' '] * 32 for _ in range(32)]
    c = 15.5
    for y in range(32):
        for x in range(32):
            d2 = (x - c) ** 2 + (y - c) ** 2
            if d2 <= 3.0 ** 2:
                rows[y][x] = '#'
    for flip, on in ((False, up), (True, down)):
        if not on:
            continue
        for i in range(7):
            y = 3 + i if not flip else 28 - i
            for x in range(16 - i - 1, 16 + i + 1):
                edge = x in (16 - i - 1, 16 + i)
                rows[y][x] = '#' if edge or i == 6 else '.'
    return [''.join(r) for r in rows]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'art')
    os.makedirs(out, exist_ok=True)
    write_icon(os.path.join(out, 'zintu.ico'), [globe(32), globe(16)])
    write_cursor(os.path.join(out, 'help.cur'), HELP_CURSOR, (0, 0))
    write_cursor(os.path.join(out, 'select.cur'), SELECT_CURSOR, (6, 0))
    write_cursor(os.path.join(out, 'panup.cur'), pan_cursor(True, False), (16, 16))
    write_cursor(os.path.join(out, 'pansud.cur'), pan_cursor(True, True), (16, 16))
    write_cursor(os.path.join(out, 'pandown.cur'), pan_cursor(False, True), (16, 16))


if __name__ == '__main__':
    main()
