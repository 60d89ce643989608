#!/usr/bin/env python3
"""Seed corpora of the ZIP member targets, cut from the fixtures of
tests/data/archive/codecs: two leading bytes (declared size, and for reduce
and implode the factor or flags) then the member's packed data."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "data", "archive", "codecs")


def members(path):
    data = open(path, "rb").read()
    pos = 0
    while data[pos:pos + 4] == b"PK\x03\x04":
        _, flags, method, _, _, _, packed, unpacked, nlen, xlen = struct.unpack("<HHHHHIIIHH", data[pos + 4:pos + 30])
        start = pos + 30 + nlen + xlen
        yield data[pos + 30:pos + 30 + nlen].decode(), flags, method, data[start:start + packed], unpacked
        pos = start + packed


def main():
    for zip_name in ("shrink.zip", "reduce.zip", "implode.zip", "deflate64-hand.zip", "deflate64-7z.zip"):
        for name, flags, method, packed, unpacked in members(os.path.join(FIXTURES, zip_name)):
            size = min(unpacked, (255 << 12) | 255)
            hi, lo = size >> 12, size & 255
            if method == 1:
                target, head = "shrink", bytes([hi, lo])
            elif method in (2, 3, 4, 5):
                target, head = "reduce", bytes([((hi & 63) << 2) | (method - 2), lo])
            elif method == 6:
                target, head = "implode", bytes([((hi & 63) << 2) | ((flags >> 1) & 3), lo])
            else:
                target, head = "deflate64", bytes([hi, lo])
            folder = os.path.join(HERE, "corpus", target)
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(head + packed)


if __name__ == "__main__":
    main()
