#!/usr/bin/env python3
"""Seed corpus of the ARJ method-4 target, cut from the ARJ fixtures of
tests/data/archive/arj: each method-4 member's declared size (three bytes,
least significant first) then its packed data."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "data", "archive", "arj")


def members(path):
    data = open(path, "rb").read()
    pos = 0
    first = True
    while data[pos:pos + 2] == b"\x60\xea":
        (size,) = struct.unpack("<H", data[pos + 2:pos + 4])
        if size == 0:
            return
        header = data[pos + 4:pos + 4 + size]
        pos += 4 + size + 4
        while True:  # extended headers
            (ext,) = struct.unpack("<H", data[pos:pos + 2])
            pos += 2
            if ext == 0:
                break
            pos += ext + 4
        if first:  # the main header
            first = False
            continue
        method, packed, unpacked = header[5], *struct.unpack("<II", header[12:20])
        name = header[header[0]:].split(b"\0")[0].decode("latin-1")
        yield name, method, data[pos:pos + packed], unpacked
        pos += packed


def main():
    folder = os.path.join(HERE, "corpus", "arj_method4")
    os.makedirs(folder, exist_ok=True)
    for archive in ("method4.arj", "garbled4.arj", "long4.arj"):
        for name, method, packed, unpacked in members(os.path.join(FIXTURES, archive)):
            if method != 4:
                continue
            seed = os.path.splitext(archive)[0] + "-" + os.path.basename(name)
            with open(os.path.join(folder, seed), "wb") as f:
                f.write(struct.pack("<I", min(unpacked, 0xFFFFFF))[:3] + packed)


if __name__ == "__main__":
    main()
