#!/usr/bin/env python3
"""Converts an X window dump (xwd, ZPixmap, 24 or 32 bits per pixel) to PNG, optionally cropped.

    xwd2png.py DUMP.xwd OUT.png [--crop X,Y,WIDTH,HEIGHT]

Only the standard library, so the screenshot scripts need nothing beyond xwd itself.
"""
import argparse
import struct
import sys
import zlib

ZPIXMAP = 2


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 100:
        raise ValueError(f"{path}: too short for a window dump")
    # The header is 25 CARD32 fields, in the byte order of the server that wrote it; the version
    # field (7) tells which.
    order = ">"
    if struct.unpack_from(">I", data, 4)[0] != 7:
        order = "<"
        if struct.unpack_from("<I", data, 4)[0] != 7:
            raise ValueError(f"{path}: not a version 7 window dump")
    fields = struct.unpack_from(order + "25I", data, 0)
    (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual_class,
     red_mask, green_mask, blue_mask, _bits_per_rgb, _colormap_entries, ncolors,
     *_rest) = fields
    if pixmap_format != ZPIXMAP or bits_per_pixel not in (24, 32):
        raise ValueError(f"{path}: only 24/32-bit ZPixmap dumps are handled "
                         f"(format {pixmap_format}, {bits_per_pixel} bits)")
    start = header_size + 12 * ncolors  # each colour map entry is 12 bytes
    if len(data) < start + bytes_per_line * height:
        raise ValueError(f"{path}: the pixels are cut short")
    step = bits_per_pixel // 8
    pixel_order = "<" if byte_order == 0 else ">"
    pixel_format = pixel_order + ("I" if step == 4 else "")

    def shift_of(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift_of(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        out = bytearray(width * 3)
        for x in range(width):
            chunk = line[x * step:(x + 1) * step]
            if step == 4:
                value = struct.unpack(pixel_format, chunk)[0]
            else:
                value = int.from_bytes(chunk, "little" if byte_order == 0 else "big")
            out[x * 3] = (value & red_mask) >> shifts[0]
            out[x * 3 + 1] = (value & green_mask) >> shifts[1]
            out[x * 3 + 2] = (value & blue_mask) >> shifts[2]
        rows.append(bytes(out))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dump")
    parser.add_argument("png")
    parser.add_argument("--crop", help="X,Y,WIDTH,HEIGHT in pixels")
    args = parser.parse_args()
    try:
        width, height, rows = read_xwd(args.dump)
    except (OSError, ValueError) as error:
        print(f"xwd2png: {error}", file=sys.stderr)
        return 1
    if args.crop:
        x, y, w, h = (int(v) for v in args.crop.split(","))
        x, y = max(0, x), max(0, y)
        w, h = min(w, width - x), min(h, height - y)
        if w <= 0 or h <= 0:
            print(f"xwd2png: crop {args.crop} lies outside the {width}x{height} dump", file=sys.stderr)
            return 1
        rows = [row[x * 3:(x + w) * 3] for row in rows[y:y + h]]
        width, height = w, h
    write_png(args.png, width, height, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
