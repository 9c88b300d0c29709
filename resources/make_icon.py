#!/usr/bin/env python3
"""Packs an icon file from one SVG: every size rendered with rsvg-convert, the
256-pixel image kept as PNG and the smaller ones stored as 32-bit bitmaps,
which every version of the icon loader reads."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)
PNG_FROM = 256


def render(rsvg, svg, size, folder):
    path = os.path.join(folder, "%d.png" % size)
    subprocess.run([rsvg, "-w", str(size), "-h", str(size), "-o", path, svg], check=True)
    with open(path, "rb") as data:
        return data.read()


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_png(data):
    """Rows of RGBA bytes, top row first, of an 8-bit RGB or RGBA PNG."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, idat = 8, b""
    width = height = channels = None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError("unsupported PNG layout")
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, offset = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[offset], bytearray(raw[offset + 1:offset + 1 + stride])
        offset += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + paeth(left, up, corner)) & 0xFF
        previous = line
        if channels == 3:
            line = bytearray(b"".join(bytes(line[i:i + 3]) + b"\xff" for i in range(0, stride, 3)))
        rows.append(bytes(line))
    return width, height, rows


def bitmap_entry(png):
    """A 32-bit bottom-up DIB with its (all clear) AND mask, as icons store them."""
    width, height, rows = decode_png(png)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i], row[i + 3]))
        for row in reversed(rows))
    mask_stride = ((width + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * height)


def main(svg, output):
    rsvg = shutil.which("rsvg-convert")
    if not rsvg:
        sys.exit("make_icon.py: rsvg-convert is missing: run scripts/install-packages.sh")
    with tempfile.TemporaryDirectory() as folder:
        images = []
        for size in SIZES:
            png = render(rsvg, svg, size, folder)
            images.append((size, png if size >= PNG_FROM else bitmap_entry(png)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    bodies = b""
    for size, body in images:
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(body), offset + len(bodies))
        bodies += body
    temporary = output + ".tmp"
    with open(temporary, "wb") as icon:
        icon.write(directory + bodies)
    os.replace(temporary, output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_icon.py <svg> <output .ico>")
    main(sys.argv[1], sys.argv[2])
