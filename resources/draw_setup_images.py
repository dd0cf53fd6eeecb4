#!/usr/bin/env python3
"""Draws the setup program's pictures: format_list.bmp (bitmap 103, 117 x 146,
24 bits per pixel), the phone program's Video Format list as the user sees it,
and setup.ico (icon 101, 32 x 32 and 16 x 16), a camera. Run from anywhere;
writes beside this script."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# 5 x 7 glyphs, one string of five '#'/'.' columns per row.
GLYPHS = {
    ' ': ['.....'] * 7,
    'O': ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'S': ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'V': ['#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'],
    'F': ['#####', '#....', '#....', '####.', '#....', '#....', '#....'],
    'Y': ['#...#', '#...#', '.#.#.', '..#..', '..#..', '..#..', '..#..'],
    'U': ['#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'K': ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'C': ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'r': ['.....', '.....', '#.##.', '##..#', '#....', '#....', '#....'],
    'l': ['.##..', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'i': ['..#..', '.....', '.##..', '..#..', '..#..', '..#..', '.###.'],
    'n': ['.....', '.....', '#.##.', '##..#', '#...#', '#...#', '#...#'],
    'e': ['.....', '.....', '.###.', '#...#', '#####', '#....', '.###.'],
    'c': ['.....', '.....', '.###.', '#....', '#....', '#...#', '.###.'],
    't': ['.#...', '.#...', '###..', '.#...', '.#...', '.#..#', '..##.'],
    'd': ['....#', '....#', '.##.#', '#..##', '#...#', '#...#', '.####'],
    'o': ['.....', '.....', '.###.', '#...#', '#...#', '#...#', '.###.'],
    'm': ['.....', '.....', '##.#.', '#.#.#', '#.#.#', '#...#', '#...#'],
    'a': ['.....', '.....', '.###.', '....#', '.####', '#...#', '.####'],
    'x': ['.....', '.....', '#...#', '.#.#.', '..#..', '.#.#.', '#...#'],
    ':': ['.....', '.##..', '.##..', '.....', '.##..', '.##..', '.....'],
    '0': ['.###.', '#...#', '#..##', '#.#.#', '##..#', '#...#', '.###.'],
    '1': ['..#..', '.##..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    '2': ['.###.', '#...#', '....#', '...#.', '..#..', '.#...', '#####'],
    '3': ['#####', '...#.', '..#..', '...#.', '....#', '#...#', '.###.'],
    '4': ['...#.', '..##.', '.#.#.', '#..#.', '#####', '...#.', '...#.'],
    '6': ['..##.', '.#...', '#....', '####.', '#...#', '#...#', '.###.'],
    '8': ['.###.', '#...#', '#...#', '.###.', '#...#', '#...#', '.###.'],
    '7': ['#####', '....#', '...#.', '..#..', '.#...', '.#...', '.#...'],
}

WIDTH, HEIGHT = 117, 146
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
BAR, BAR_TEXT = (40, 72, 140), (255, 255, 255)
SELECTED, SELECTED_TEXT = (49, 106, 197), (255, 255, 255)
GREY = (128, 128, 128)


def new_picture(width, height, colour):
    return [[colour] * width for _ in range(height)]


def fill(picture, x, y, w, h, colour):
    for row in range(y, y + h):
        for column in range(x, x + w):
            picture[row][column] = colour


def text(picture, x, y, string, colour):
    for i, char in enumerate(string):
        glyph = GLYPHS[char]
        for row, bits in enumerate(glyph):
            for column, bit in enumerate(bits):
                if bit == '#':
                    picture[y + row][x + 6 * i + column] = colour


def format_list():
    p = new_picture(WIDTH, HEIGHT, WHITE)
    fill(p, 0, 0, WIDTH, 13, BAR)
    text(p, 3, 3, 'Orlin', BAR_TEXT)
    text(p, 3, 17, 'Select Video', BLACK)
    text(p, 3, 26, 'Format:', BLACK)
    lines = ['YV12  176 x 144', 'YV12  320 x 240', 'YV12  640 x 480',
             'YUY2  176 x 144', 'YUY2  320 x 240', 'YUY2  640 x 480']
    for i, line in enumerate(lines):
        y = 39 + 12 * i
        if i == 0:  # the smallest format, selected
            fill(p, 1, y - 2, WIDTH - 2, 11, SELECTED)
        text(p, 4, y, line, SELECTED_TEXT if i == 0 else BLACK)
    fill(p, 1, 113, WIDTH - 2, 1, GREY)  # the list's end
    fill(p, 0, HEIGHT - 13, WIDTH, 13, BAR)
    text(p, 3, HEIGHT - 10, 'OK', BAR_TEXT)
    text(p, WIDTH - 3 - 6 * 6 + 1, HEIGHT - 10, 'Cancel', BAR_TEXT)
    return p


def bmp_rows(picture, bytes_per_pixel):
    """Bottom-up rows padded to four bytes; BGR(A)."""
    rows = []
    for line in reversed(picture):
        row = bytearray()
        for pixel in line:
            row += bytes([pixel[2], pixel[1], pixel[0]])
            if bytes_per_pixel == 4:
                row.append(pixel[3])
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    return b''.join(rows)


def write_bmp(path, picture):
    pixels = bmp_rows(picture, 3)
    header = struct.pack('<IiiHHIIiiII', 40, len(picture[0]), len(picture), 1, 24, 0, len(pixels),
                         3780, 3780, 0, 0)
    with open(path, 'wb') as out:
        out.write(b'BM' + struct.pack('<IHHI', 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        out.write(header + pixels)


def camera(size):
    """A camera: a dark body with a raised viewfinder and a blue lens, on transparency."""
    s = size / 32.0
    p = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            cx, cy = (x + 0.5) / s, (y + 0.5) / s
            body = 3 <= cx <= 29 and 10 <= cy <= 27
            finder = 9 <= cx <= 17 and 6 <= cy <= 10
            distance = math.hypot(cx - 16, cy - 18.5)
            if distance <= 4:
                p[y][x] = (90, 170, 255, 255)
            elif distance <= 6.5:
                p[y][x] = (230, 230, 230, 255)
            elif body or finder:
                p[y][x] = (50, 55, 70, 255)
            if 23 <= cx <= 26 and 12 <= cy <= 14:
                p[y][x] = (255, 90, 60, 255)  # the light that shows it streams
    return p


def write_ico(path, sizes):
    images = []
    for size in sizes:
        picture = camera(size)
        pixels = bmp_rows(picture, 4)
        mask_row = ((size + 31) // 32) * 4
        mask = bytes(mask_row * size)  # alpha decides; the mask lets everything show
        header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, len(pixels) + len(mask),
                             0, 0, 0, 0)
        images.append((size, header + pixels + mask))
    offset = 6 + 16 * len(images)
    with open(path, 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, len(images)))
        for size, data in images:
            out.write(struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset))
            offset += len(data)
        for _, data in images:
            out.write(data)


if __name__ == '__main__':
    write_bmp(os.path.join(HERE, 'format_list.bmp'), format_list())
    write_ico(os.path.join(HERE, 'setup.ico'), [32, 16])
