#!/usr/bin/python3
"""Reads an X window dump (xwd -silent, 24/32-bit ZPixmap) and writes a PNG;
also crops and samples it for the desktop tests."""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    header_size = struct.unpack(">I", data[0:4])[0]
    fields = struct.unpack(">25I", data[0:100])
    (header_size, version, pixmap_format, depth, width, height, xoffset, byte_order,
     bitmap_unit, bitmap_bit_order, bitmap_pad, bits_per_pixel, bytes_per_line,
     visual_class, red_mask, green_mask, blue_mask, bits_per_rgb, colormap_entries,
     ncolors, window_width, window_height, window_x, window_y, border) = fields
    # Depth 24 comes with three or four bytes per pixel.
    stride = bits_per_pixel // 8
    if pixmap_format != 2 or stride not in (3, 4):
        raise ValueError("only ZPixmap dumps of three or four bytes per pixel are read")
    offset = header_size + ncolors * 12
    little = byte_order == 0
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * stride]
        row = bytearray(width * 3)
        if little:  # B G R (x)
            row[0::3], row[1::3], row[2::3] = line[2::stride], line[1::stride], line[0::stride]
        else:  # (x) R G B
            first = stride - 3
            row[0::3], row[1::3], row[2::3] = line[first::stride], line[first + 1::stride], line[first + 2::stride]
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def main():
    source, target = sys.argv[1], sys.argv[2]
    width, height, rows = read_xwd(source)
    write_png(target, width, height, rows)


if __name__ == "__main__":
    main()
