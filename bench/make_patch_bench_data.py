#!/usr/bin/env python3
"""Writes the patch benchmark's data: a seeded old file, and one realistic
patch for it in both forms, the launcher's container (zlib around a
"BSDIFN40" payload) and the "BSDIFF40" file bspatch reads (bzip2 blocks).

  make_patch_bench_data.py OLD CONTAINER BSDIFF SIZE

The new file is the old one in 2048 stretches of a few changed bytes, each
followed by 2 KiB of new bytes, with 1 KiB of old bytes skipped or read
twice in turn: what a game update's archive looks like. Prints the new
file's MD5.
"""

import bz2
import hashlib
import random
import struct
import sys
import zlib

STEPS = 2048
EXTRA = 2048
SEEK = 1024


def number(value):
    magnitude = abs(value)
    encoded = bytearray(struct.pack("<Q", magnitude))
    if value < 0:
        encoded[7] |= 0x80
    return bytes(encoded)


def main():
    old_path, container_path, bsdiff_path, size = sys.argv[1:5]
    size = int(size)
    generator = random.Random(20261211)
    with open(old_path, "wb") as old_file:
        left = size
        while left > 0:
            piece = min(left, 64 << 20)
            old_file.write(generator.randbytes(piece))
            left -= piece
    with open(old_path, "rb") as old_file:
        old = old_file.read()

    add = size // STEPS
    control = bytearray()
    diff = bytearray()
    extra = bytearray()
    new_md5 = hashlib.md5()
    new_size = 0
    q = 0
    for step in range(STEPS):
        seek = SEEK if step % 2 == 0 else -SEEK
        control += number(add) + number(EXTRA) + number(seek)
        step_diff = bytearray(add)
        new_bytes = bytearray(old[q:q + add].ljust(add, b"\0"))
        for _ in range(16):
            at = generator.randrange(add)
            delta = generator.randrange(1, 256)
            step_diff[at] = delta
            old_byte = old[q + at] if q + at < len(old) else 0
            new_bytes[at] = (old_byte + delta) & 0xFF
        step_extra = generator.randbytes(EXTRA)
        diff += step_diff
        extra += step_extra
        new_md5.update(new_bytes)
        new_md5.update(step_extra)
        new_size += add + EXTRA
        q += add + seek

    payload = (b"BSDIFN40" + number(len(control)) + number(len(diff)) + number(new_size) +
               bytes(control) + bytes(diff) + bytes(extra))
    compressed = zlib.compress(payload, 1)
    with open(container_path, "wb") as container:
        container.write(struct.pack("<II", len(payload), len(compressed)))
        container.write(compressed)
    del payload, compressed

    control_bz = bz2.compress(bytes(control), 9)
    diff_bz = bz2.compress(bytes(diff), 9)
    extra_bz = bz2.compress(bytes(extra), 9)
    with open(bsdiff_path, "wb") as patch:
        patch.write(b"BSDIFF40" + number(len(control_bz)) + number(len(diff_bz)) + number(new_size))
        patch.write(control_bz)
        patch.write(diff_bz)
        patch.write(extra_bz)
    print(new_md5.hexdigest())


if __name__ == "__main__":
    main()
