#!/usr/bin/env python3
"""Seed corpora of the ARC targets, cut from the fixtures of
tests/data/archive/arc: for squeeze and squash two leading
bytes (the declared size), for crunch three (the method, then the size),
then the member's packed data; for arc_extract the small archives whole."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data", "archive")
ARCHIVES = ["arc/hand-squeezed.arc", "arc/squeezed.arc", "arc/crunch5.arc",
            "arc/crunch6.arc", "arc/crunch7.arc", "arc/old-stored.arc",
            "arc/hand-packed.arc", "arc/folders.arc", "arc/mixed.pak",
            "arc/crunched.arc", "arc/squashed.arc", "arc/packed.arc", "arc/stored.arc"]


def members(path):
    blob = open(path, "rb").read()
    pos = 0
    while pos + 2 <= len(blob) and blob[pos] == 0x1A and blob[pos + 1] not in (0, 30, 31):
        method = blob[pos + 1]
        size = 25 if method == 1 else 29
        packed = struct.unpack_from("<I", blob, pos + 15)[0]
        unpacked = packed if method == 1 else struct.unpack_from("<I", blob, pos + 25)[0]
        name = blob[pos + 2:pos + 15].split(b"\0")[0].decode()
        yield name, method, blob[pos + size:pos + size + packed], unpacked
        pos += size + packed


def write(target, name, blob):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(blob)


def main():
    for archive in ARCHIVES:
        path = os.path.join(DATA, archive)
        stem = os.path.basename(archive).replace(".", "-")
        if os.path.getsize(path) < 8192:
            write("arc_extract", stem, open(path, "rb").read())
        for name, method, packed, unpacked in members(path):
            size = min(unpacked, (255 << 12) | 255)
            head = bytes([size >> 12, size & 255])
            seed = "%s-%s" % (stem, name.lower())
            if method == 4:
                write("squeeze", seed, head + packed)
            elif method in (5, 6, 7, 8):
                write("crunch", seed, bytes([method - 5]) + head + packed)
            elif method == 9:
                write("squash", seed, head + packed)


if __name__ == "__main__":
    main()
