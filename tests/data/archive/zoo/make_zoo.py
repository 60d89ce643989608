#!/usr/bin/env python3
"""Writes the ZOO fixtures of the extraction tests. No Debian tool writes ZOO,
so every header is written field by field from the format's layout, and the
packed data comes from our own LZW encoder (method 1) or from the -lh5-
members of an LHA archive that jlha made (method 2, the same bitstream).

Usage: make_zoo.py OUT_DIR LH5_ARCHIVE; the inputs alpha.txt, beta.txt and
long.txt are read from the current folder."""

import struct
import sys

OUT = sys.argv[1]
LH5 = sys.argv[2]

TAG = struct.pack("<I", 0xFDC4A7DC)  # bytes DC A7 C4 FD
HEADER_SIZE = 42
DOS_DATE = (2021 - 1980) << 9 | 3 << 5 | 4  # 2021-03-04
DOS_TIME = 5 << 11 | 6 << 5 | 8 // 2  # 05:06:08


def crc16(data):
    """CRC-16 of ZOO: polynomial 0xA001 (reflected), start 0."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def lzw(data, clear_when_full=True):
    """ZOO LZW: codes least significant bit first, 9 bits growing to 13; 256
    clears, 257 ends, 258 is the first free code. The decoder adds a table
    entry for every code but the first after a clear, and widens its codes
    when its next free code reaches 512, 1024, ... while below 13 bits; the
    encoder keeps the same width."""
    out = bytearray()
    acc = 0
    count = 0
    state = {"bits": 9, "limit": 512, "free": 258, "first": True}

    def put(code):
        nonlocal acc, count
        acc |= code << count
        count += state["bits"]
        while count >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            count -= 8

    def code(c):
        put(c)
        if state["first"]:
            state["first"] = False
        elif state["free"] < 8192:
            state["free"] += 1
            if state["free"] >= state["limit"] and state["bits"] < 13:
                state["bits"] += 1
                state["limit"] <<= 1

    def clear():
        put(256)
        state.update(bits=9, limit=512, free=258, first=True)

    table = {}
    nxt = 258
    clear()
    prefix = data[0]
    for byte in data[1:]:
        key = (prefix, byte)
        if key in table:
            prefix = table[key]
            continue
        code(prefix)
        if nxt < 8192:
            table[key] = nxt
            nxt += 1
        elif clear_when_full:
            clear()
            table = {}
            nxt = 258
        prefix = byte
    code(prefix)
    code(257)
    if count > 0:
        out.append(acc & 0xFF)
    return bytes(out)


def lh5_members(path):
    """The packed data of each -lh5- member of a level-0 LHA archive."""
    raw = open(path, "rb").read()
    members = {}
    pos = 0
    while pos < len(raw) and raw[pos] != 0:
        size = raw[pos]
        method = raw[pos + 2 : pos + 7]
        packed = struct.unpack_from("<I", raw, pos + 7)[0]
        name_len = raw[pos + 21]
        name = raw[pos + 22 : pos + 22 + name_len].decode()
        start = pos + 2 + size
        assert method == b"-lh5-", method
        members[name] = raw[start : start + packed]
        pos = start + packed
    return members


def entry(next_, offset, name, method, packed, plain, deleted=0):
    variable = struct.pack("<BBH", 0, 0, 0) + b"\0\0\0" + struct.pack("<HH", 0, 0)

    def build(dir_crc):
        return b"".join(
            [
                TAG,
                struct.pack("<B", 2),  # type: entry with a variable part
                struct.pack("<B", method),
                struct.pack("<I", next_),
                struct.pack("<I", offset),
                struct.pack("<HH", DOS_DATE, DOS_TIME),
                struct.pack("<H", crc16(plain)),
                struct.pack("<I", len(plain)),
                struct.pack("<I", len(packed)),
                struct.pack("<BBBB", 2 if method == 2 else 1, 0, deleted, 0),
                struct.pack("<IH", 0, 0),  # comment position and size
                name + b"\0" * (13 - len(name)),
                struct.pack("<H", len(variable)),
                struct.pack("<B", 127),  # time zone: unknown
                struct.pack("<H", dir_crc),
                variable,
            ]
        )

    return build(crc16(build(0)))


ENTRY_SIZE = len(entry(0, 0, b"", 0, b"", b""))


def archive(members, cycle=False):
    """members: (name, method, packed, plain, deleted). With cycle, the last
    entry's next offset points back at the first entry."""
    out = bytearray(b"ZOO 2.10 Archive.\x1a\0\0" + TAG)
    out += struct.pack("<Ii", HEADER_SIZE, -HEADER_SIZE)
    out += struct.pack("<BBBIHB", 2, 0, 1, 0, 0, 1)
    assert len(out) == HEADER_SIZE
    for i, (name, method, packed, plain, deleted) in enumerate(members):
        data_at = len(out) + ENTRY_SIZE
        nxt = data_at + len(packed)
        if cycle and i == len(members) - 1:
            nxt = HEADER_SIZE
        out += entry(nxt, data_at, name, method, packed, plain, deleted) + packed
    out += entry(0, 0, b"", 0, b"", b"")
    return bytes(out)


alpha = open("alpha.txt", "rb").read()
beta = open("beta.txt", "rb").read()
long_text = open("long.txt", "rb").read()
lh5 = lh5_members(LH5)


def write(name, data):
    open(OUT + "/" + name, "wb").write(data)


write("lzw.zoo", archive([(b"alpha.txt", 1, lzw(alpha), alpha, 0),
                          (b"beta.txt", 1, lzw(beta), beta, 0),
                          (b"long.txt", 1, lzw(long_text), long_text, 0)]))
write("lh5.zoo", archive([(b"beta.txt", 2, lh5["beta.txt"], beta, 0),
                          (b"long.txt", 2, lh5["long.txt"], long_text, 0)]))
# An older alpha.txt, deleted, before the live one.
old = b"An older alpha, deleted from the archive.\n"
write("deleted.zoo", archive([(b"alpha.txt", 0, old, old, 1),
                              (b"alpha.txt", 0, alpha, alpha, 0),
                              (b"beta.txt", 0, beta, beta, 0)]))
# alpha.txt with a method no reader knows.
write("method3.zoo", archive([(b"alpha.txt", 3, alpha, alpha, 0),
                              (b"beta.txt", 0, beta, beta, 0)]))
# beta.txt's next entry is alpha.txt again.
write("cycle.zoo", archive([(b"alpha.txt", 0, alpha, alpha, 0),
                            (b"beta.txt", 0, beta, beta, 0)], cycle=True))
