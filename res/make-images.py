#!/usr/bin/env python3
"""Draws Velmora's icon and bitmaps: res/velmora.ico, res/drives.bmp, res/logo.bmp.

All three are 16-colour (4 bits per pixel) images on the standard 16-colour palette. The output
is deterministic, and the files are committed; run this again after changing a picture.

  make-images.py                 write the three files beside this script
  make-images.py --check         exit 1 if a committed file differs from what would be written
  make-images.py --preview DIR   also write enlarged PNG views of them into DIR

Python 3 standard library only.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# The standard 16-colour palette, in its usual order.
PALETTE = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1 dark red
    (0, 128, 0),      # 2 dark green
    (128, 128, 0),    # 3 olive
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5 purple
    (0, 128, 128),    # 6 teal
    (192, 192, 192),  # 7 light grey
    (128, 128, 128),  # 8 dark grey
    (255, 0, 0),      # 9 red
    (0, 255, 0),      # 10 green
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 magenta
    (0, 255, 255),    # 14 cyan
    (255, 255, 255),  # 15 white
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, LIGHT_GREY = range(8)
DARK_GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)

# Letters of the pixel art below. '.' is the picture's ground (transparent, magenta or grey).
ART_COLOURS = {
    'k': BLACK, 'r': DARK_RED, 'g': DARK_GREEN, 'o': OLIVE, 'n': NAVY, 'p': PURPLE, 't': TEAL,
    's': LIGHT_GREY, 'd': DARK_GREY, 'R': RED, 'G': GREEN, 'Y': YELLOW, 'B': BLUE, 'M': MAGENTA,
    'C': CYAN, 'W': WHITE,
}


class Canvas:
    """A picture of palette indices; None marks a transparent pixel (icons only)."""

    def __init__(self, width, height, ground):
        self.width = width
        self.height = height
        self.pixels = [[ground] * width for _ in range(height)]

    def get(self, x, y):
        return self.pixels[y][x]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def art(self, left, top, rows, colours=ART_COLOURS):
        """Paints pixel art: one string per row, '.' leaves the ground as it is."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(left + dx, top + dy, colours[ch])

    def mask(self, left, top, rows, colour, shadow=None, dx=1, dy=1):
        """Paints the '#' cells of `rows` in `colour`, first a copy offset by (dx, dy) in `shadow`."""
        cells = [(x, y) for y, row in enumerate(rows) for x, ch in enumerate(row) if ch == '#']
        if shadow is not None:
            for x, y in cells:
                self.set(left + x + dx, top + y + dy, shadow)
        for x, y in cells:
            self.set(left + x, top + y, colour)


def check_art(name, rows, width, height):
    if len(rows) != height or any(len(r) != width for r in rows):
        sizes = [len(r) for r in rows]
        raise SystemExit(f"{name}: art must be {width}x{height}, has rows {sizes}")


# ---------------------------------------------------------------------------------------------
# Files

def row_stride(width, bits):
    return ((width * bits + 31) // 32) * 4


def dib_bits(canvas, transparent_as=BLACK):
    """4-bit pixel rows, bottom row first, each padded to 4 bytes."""
    out = bytearray()
    stride = row_stride(canvas.width, 4)
    for y in reversed(range(canvas.height)):
        row = bytearray(stride)
        for x in range(canvas.width):
            c = canvas.get(x, y)
            if c is None:
                c = transparent_as
            if x % 2 == 0:
                row[x // 2] |= c << 4
            else:
                row[x // 2] |= c
        out += row
    return bytes(out)


def and_mask(canvas):
    """1-bit rows, bottom row first, padded to 4 bytes: 1 where the picture is transparent."""
    out = bytearray()
    stride = row_stride(canvas.width, 1)
    for y in reversed(range(canvas.height)):
        row = bytearray(stride)
        for x in range(canvas.width):
            if canvas.get(x, y) is None:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER: 40 bytes, one plane, 4 bits, uncompressed, 16 palette entries.
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 0)


def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)


def bmp_file(canvas):
    bits = dib_bits(canvas)
    header = info_header(canvas.width, canvas.height, len(bits)) + palette_bytes()
    offset = 14 + len(header)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    return file_header + header + bits


def ico_file(canvases):
    images = []
    for c in canvases:
        xor = dib_bits(c)
        andm = and_mask(c)
        # An icon image's header counts the colour bits and the mask: twice the height.
        images.append(info_header(c.width, c.height * 2, len(xor) + len(andm)) + palette_bytes()
                      + xor + andm)
    out = bytearray(struct.pack('<HHH', 0, 1, len(canvases)))
    offset = 6 + 16 * len(canvases)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 16, 0, 1, 4, len(data),
                           offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def png_file(canvas, scale, transparent=None):
    """An enlarged RGB view for looking at the pictures; transparent pixels as a checkerboard."""
    raw = bytearray()
    for y in range(canvas.height * scale):
        raw.append(0)
        for x in range(canvas.width * scale):
            c = canvas.get(x // scale, y // scale)
            if c is None:
                rgb = (204, 204, 204) if ((x // 4 + y // 4) % 2) else (255, 255, 255)
                if transparent is not None:
                    rgb = transparent
            else:
                rgb = PALETTE[c]
            raw += bytes(rgb)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    ihdr = struct.pack('>IIBBBBB', canvas.width * scale, canvas.height * scale, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


# ---------------------------------------------------------------------------------------------
# The icon: ADS in red, with a dark red shadow so that the letters hold on light and dark grounds.

ICON_LETTERS_32 = {
    'A': [
        "...###...",
        "..#####..",
        "..##.##..",
        ".###.###.",
        ".##...##.",
        ".##...##.",
        "##.....##",
        "##.....##",
        "##.....##",
        "#########",
        "#########",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
    ],
    'D': [
        "######...",
        "#######..",
        "##...###.",
        "##....##.",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##.....##",
        "##....##.",
        "##...###.",
        "#######..",
        "######...",
    ],
    'S': [
        "..#####..",
        ".#######.",
        "###...###",
        "##.....##",
        "##.......",
        "###......",
        ".######..",
        "..######.",
        "......###",
        ".......##",
        ".......##",
        ".......##",
        "##.....##",
        "###...###",
        ".#######.",
        "..#####..",
    ],
}

ICON_LETTERS_16 = {
    'A': [
        ".##.",
        "#..#",
        "#..#",
        "#..#",
        "####",
        "#..#",
        "#..#",
        "#..#",
        "#..#",
    ],
    'D': [
        "###.",
        "#..#",
        "#..#",
        "#..#",
        "#..#",
        "#..#",
        "#..#",
        "#..#",
        "###.",
    ],
    'S': [
        ".###",
        "#...",
        "#...",
        "#...",
        ".##.",
        "...#",
        "...#",
        "...#",
        "###.",
    ],
}


def draw_icon(size, letters, left, top, gap):
    canvas = Canvas(size, size, None)
    x = left
    for ch in "ADS":
        rows = letters[ch]
        canvas.mask(x, top, rows, RED, shadow=DARK_RED)
        x += len(rows[0]) + gap
    return canvas


def make_icon():
    # 3 letters of 9 with gaps of 1: 29 columns, one more for the shadow; 16 rows + 1.
    big = draw_icon(32, ICON_LETTERS_32, 1, 7, 1)
    # 3 letters of 4 with gaps of 1: 14 columns + shadow; 9 rows + 1.
    small = draw_icon(16, ICON_LETTERS_16, 1, 3, 1)
    return [big, small]


# ---------------------------------------------------------------------------------------------
# The drive pictures: six 16x15 images on magenta, which the image list makes transparent.

FIXED_DISK = [
    "................",
    "................",
    "................",
    "....kkkkkkkkkkk.",
    "...kWWWWWWWWWsk.",
    "..kWssssssssdkk.",
    ".kkkkkkkkkkkkdk.",
    ".kWWWWWWWWWWWkdk",
    ".kWssssssssssdkk",
    ".kWsddddddsGsdk.",
    ".kWssssssssssdk.",
    ".kdddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
]

FLOPPY = [
    "................",
    "..kkkkkkkkkkkk..",
    "..knnsssssssnnk.",
    "..knnssskkssnnnk",
    "..knnssskkssnnnk",
    "..knnsssssssnnnk",
    "..knnnnnnnnnnnnk",
    "..knnWWWWWWWWnnk",
    "..knnWRRRRRRWnnk",
    "..knnWWWWWWWWnnk",
    "..knnWddddddWnnk",
    "..knnWWWWWWWWnnk",
    "..knnWddddddWnnk",
    "..kkkkkkkkkkkkkk",
    "................",
]

NETWORK_DRIVE = [
    "....kkkkkkkkkkk.",
    "...kWWWWWWWWWsk.",
    "..kWssssssssdkk.",
    ".kkkkkkkkkkkkdk.",
    ".kWWWWWWWWWWWkdk",
    ".kWssssssssssdkk",
    ".kWsddddddsGsdk.",
    ".kdddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    ".......kk.......",
    ".......kk.......",
    "kkkkkkkkkkkkkkkk",
    "tttttttttttttttt",
    "kkkkkkkkkkkkkkkk",
    "................",
]

CLOSED_FOLDER = [
    "................",
    "................",
    "..kkkkk.........",
    ".kWYYYYkkkkkkkk.",
    ".kWWWWWWWWWWWWok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".kWYYYYYYYYYYYok",
    ".koooooooooooook",
    ".kkkkkkkkkkkkkkk",
    "................",
]

OPEN_FOLDER = [
    "................",
    "................",
    "..kkkkk.........",
    ".kWYYYYkkkkkkk..",
    ".kWYYYYYYYYYYok.",
    ".kWYYYYYYYYYYok.",
    ".kWYYkkkkkkkkkkk",
    ".kWYkWWWWWWWWWWk",
    ".kWkWYYYYYYYYYok",
    ".kWkWYYYYYYYYok.",
    ".kkWYYYYYYYYYok.",
    ".kkWYYYYYYYYYok.",
    ".kWYYYYYYYYYok..",
    ".kkkkkkkkkkkkk..",
    "................",
]


def draw_cd(canvas, left):
    # A disc seen from the front: grey outline, silver face with a rainbow glint, a clear hub.
    cx, cy = left + 7.5, 7.0
    for y in range(15):
        for x in range(left, left + 16):
            r = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if r > 7.3:
                continue
            angle = math.degrees(math.atan2(y + 0.5 - cy, x + 0.5 - cx)) % 360
            if r > 6.3:
                colour = DARK_GREY
            elif r < 1.3:
                continue  # the hole
            elif r < 2.3:
                colour = DARK_GREY
            elif r < 3.0:
                colour = WHITE
            elif 200 <= angle < 225:
                colour = CYAN
            elif 225 <= angle < 250:
                colour = WHITE
            elif 250 <= angle < 270:
                colour = YELLOW
            elif 20 <= angle < 45:
                colour = YELLOW
            elif 45 <= angle < 70:
                colour = WHITE
            elif 70 <= angle < 90:
                colour = CYAN
            else:
                colour = LIGHT_GREY
            canvas.set(x, y, colour)


def make_drives():
    canvas = Canvas(96, 15, MAGENTA)
    arts = [FIXED_DISK, FLOPPY, None, NETWORK_DRIVE, CLOSED_FOLDER, OPEN_FOLDER]
    for i, rows in enumerate(arts):
        if rows is None:
            draw_cd(canvas, 16 * i)
        else:
            check_art(f"drive image {i}", rows, 16, 15)
            canvas.art(16 * i, 0, rows)
    return canvas


# ---------------------------------------------------------------------------------------------
# The logo: the name in a rounded pixel face over a red wave (streams), on button grey.

LOGO_FONT = {
    'V': [
        "#...#",
        "#...#",
        "#...#",
        "#...#",
        "#...#",
        ".#.#.",
        "..#..",
    ],
    'e': [
        ".....",
        ".....",
        ".###.",
        "#...#",
        "#####",
        "#....",
        ".###.",
    ],
    'l': [
        ".##..",
        "..#..",
        "..#..",
        "..#..",
        "..#..",
        "..#..",
        ".###.",
    ],
    'm': [
        ".....",
        ".....",
        "##.#.",
        "#.#.#",
        "#.#.#",
        "#.#.#",
        "#.#.#",
    ],
    'o': [
        ".....",
        ".....",
        ".###.",
        "#...#",
        "#...#",
        "#...#",
        ".###.",
    ],
    'r': [
        ".....",
        ".....",
        "#.##.",
        "##..#",
        "#....",
        "#....",
        "#....",
    ],
    'a': [
        ".....",
        ".....",
        ".###.",
        "....#",
        ".####",
        "#...#",
        ".####",
    ],
}


def scale2x(rows):
    """Doubles a '#'/'.' picture, rounding its diagonal edges (the Scale2x rule)."""
    h, w = len(rows), len(rows[0])

    def at(x, y):
        x = min(max(x, 0), w - 1)
        y = min(max(y, 0), h - 1)
        return rows[y][x]

    out = [[''] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p = at(x, y)
            a, b, c, d = at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            e0 = e1 = e2 = e3 = p
            if c == a and c != d and a != b:
                e0 = a
            if a == b and a != c and b != d:
                e1 = b
            if d == c and d != b and c != a:
                e2 = c
            if b == d and b != a and d != c:
                e3 = d
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = e0, e1
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = e2, e3
    return [''.join(r) for r in out]


def pad(rows, n):
    w = len(rows[0])
    empty = '.' * (w + 2 * n)
    return [empty] * n + ['.' * n + r + '.' * n for r in rows] + [empty] * n


def unpad(rows, n):
    return [r[n:-n] for r in rows[n:-n]]


def make_logo():
    canvas = Canvas(188, 60, LIGHT_GREY)
    word = "Velmora"
    glyphs = [unpad(scale2x(scale2x(pad(LOGO_FONT[ch], 1))), 4) for ch in word]
    advance = 24  # 20 columns of letter, 4 of space
    width = advance * (len(word) - 1) + 20
    left = (188 - width) // 2
    top = 6
    for i, g in enumerate(glyphs):
        # A grey drop shadow and a white edge at the top left give the face some depth; both
        # take the button colours when the bitmap is colour-mapped.
        canvas.mask(left + i * advance, top, g, WHITE)
        canvas.mask(left + i * advance + 2, top + 2, g, DARK_GREY)
        canvas.mask(left + i * advance + 1, top + 1, g, NAVY)
    # The wave: two strands under the name, the red one in front.
    for x in range(left, left + width):
        t = (x - left) / width
        back = 47 + 3.0 * math.sin(t * 4 * math.pi + math.pi)
        front = 47 + 3.0 * math.sin(t * 4 * math.pi)
        for dy in (0, 1):
            canvas.set(x, int(round(back)) + dy, DARK_RED)
        for dy in (0, 1):
            canvas.set(x, int(round(front)) + dy, RED)
    return canvas


# ---------------------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--check', action='store_true',
                        help='compare with the files on disk instead of writing them')
    parser.add_argument('--preview', metavar='DIR', help='write enlarged PNG views into DIR')
    args = parser.parse_args()

    here = os.path.dirname(os.path.abspath(__file__))
    icon = make_icon()
    drives = make_drives()
    logo = make_logo()
    outputs = {
        'velmora.ico': ico_file(icon),
        'drives.bmp': bmp_file(drives),
        'logo.bmp': bmp_file(logo),
    }

    status = 0
    for name, data in outputs.items():
        path = os.path.join(here, name)
        if args.check:
            try:
                with open(path, 'rb') as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                print(f"{name} is not what make-images.py draws; run it again", file=sys.stderr)
                status = 1
        else:
            with open(path, 'wb') as f:
                f.write(data)

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        views = {
            'icon32.png': (icon[0], 8, None),
            'icon16.png': (icon[1], 8, None),
            'icon32-on-white.png': (icon[0], 2, (255, 255, 255)),
            'icon32-on-navy.png': (icon[0], 2, (0, 0, 128)),
            'icon16-on-white.png': (icon[1], 2, (255, 255, 255)),
            'drives.png': (drives, 8, None),
            'logo.png': (logo, 4, None),
        }
        for name, (canvas, scale, ground) in views.items():
            with open(os.path.join(args.preview, name), 'wb') as f:
                f.write(png_file(canvas, scale, ground))
    return status


if __name__ == '__main__':
    sys.exit(main())
