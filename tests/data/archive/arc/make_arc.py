#!/usr/bin/env python3
"""Writes the ARC and PAK fixtures no Debian tool makes: members of methods
1 (stored, old 25-byte header), 3 (packed), 4 (squeezed), 5, 6 and 7
(crunched with fixed 12-bit codes), folder entries (30 and 31), a PAK
archive, and a self-extractor stub in front of an archive arc made.

Usage: make_arc.py OUTDIR SQUASHED_ARC. Inputs are read from the current
folder (alpha.txt, beta.txt, words.txt, skew.txt). The encoders follow the
published ARC formats; make.sh has each fixture read by arc, nomarch and
unar."""
import heapq
import struct
import sys

DOS_DATE = ((2021 - 1980) << 9) | (3 << 5) | 4
DOS_TIME = (5 << 11) | (6 << 5) | (8 // 2)


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def header(method, name, packed, original, crc):
    out = struct.pack("<BB", 0x1A, method)
    out += name + b"\0" * (13 - len(name))  # name, NUL-padded to 13
    out += struct.pack("<I", packed)  # compressed size
    out += struct.pack("<HH", DOS_DATE, DOS_TIME)  # date word first, then time
    out += struct.pack("<H", crc)  # CRC-16 of the original data
    if method != 1:  # method 1 has no original-size field: 25 bytes
        out += struct.pack("<I", original)
    return out


def member(method, name, data, packed):
    return header(method, name, len(packed), len(data), crc16(data)) + packed


END = b"\x1a\x00"
FOLDER_END = b"\x1a\x1f"


def rle(data):
    """ARC run-length coding: 0x90 is written as 90 00; a run of 3 to 255
    equal bytes (not 0x90) as the byte, 90, the count."""
    out = bytearray()
    i = 0
    while i < len(data):
        c = data[i]
        if c == 0x90:
            out += b"\x90\x00"
            i += 1
            continue
        n = 1
        while i + n < len(data) and data[i + n] == c and n < 255:
            n += 1
        if n >= 3:
            out += bytes([c, 0x90, n])
        else:
            out += bytes([c]) * n
        i += n
    return bytes(out)


def squeeze(data):
    """Huffman coding of the run-length coded data with an end code (256).
    Node 0 is the root; a leaf for value v is stored as -(v + 1)."""
    body = rle(data)
    counts = {}
    for b in body:
        counts[b] = counts.get(b, 0) + 1
    counts[256] = 1
    heap = [(n, i, ("leaf", v)) for i, (v, n) in enumerate(sorted(counts.items()))]
    heapq.heapify(heap)
    serial = len(heap)
    while len(heap) > 1:
        n1, _, a = heapq.heappop(heap)
        n2, _, b = heapq.heappop(heap)
        heapq.heappush(heap, (n1 + n2, serial, ("node", a, b)))
        serial += 1
    root = heap[0][2]
    nodes = []
    codes = {}

    def place(tree, path):
        if tree[0] == "leaf":
            codes[tree[1]] = path
            return -(tree[1] + 1)
        index = len(nodes)
        nodes.append(None)
        left = place(tree[1], path + [0])
        right = place(tree[2], path + [1])
        nodes[index] = (left, right)
        return index

    if root[0] == "leaf":  # only the end code: the root is a node with it on both sides
        nodes.append((-257, -257))
        codes[256] = [0]
    else:
        place(root, [])
    out = bytearray(struct.pack("<H", len(nodes)))
    for left, right in nodes:
        out += struct.pack("<hh", left, right)
    bits, count = 0, 0
    for symbol in list(body) + [256]:
        for bit in codes[symbol]:
            bits |= bit << count
            count += 1
            if count == 8:
                out.append(bits)
                bits, count = 0, 0
    if count:
        out.append(bits)
    return bytes(out)


NO_PRED = 0xFFFF


def crunch_hash(pred, foll, new):
    total = (pred + foll) & 0xFFFF
    if new:
        return (total * 15073) & 0xFFF
    key = total | 0x0800
    return ((key * key) >> 6) & 0xFFF


def crunch(data, method):
    """LZW with fixed 12-bit codes over a hashed 4,096-entry table (methods 5
    to 7); 6 and 7 code run lengths first, 7 uses the new hash."""
    new = method == 7
    if method != 5:
        data = rle(data)
    used = [False] * 4096
    nxt = [0] * 4096
    pred = [0] * 4096
    foll = [0] * 4096
    additions = [0]

    def add(p, f):
        slot = crunch_hash(p, f, new)
        if used[slot]:
            end = slot
            while nxt[end]:
                end = nxt[end]
            slot = (end + 101) & 0xFFF
            while used[slot]:
                slot = (slot + 1) & 0xFFF
            nxt[end] = slot
        used[slot] = True
        nxt[slot] = 0
        pred[slot] = p
        foll[slot] = f
        additions[0] += 1

    def find(p, f):
        slot = crunch_hash(p, f, new)
        if not used[slot]:
            return -1
        while True:
            if pred[slot] == p and foll[slot] == f:
                return slot
            if not nxt[slot]:
                return -1
            slot = nxt[slot]

    for c in range(256):
        add(NO_PRED, c)
    additions[0] = 0
    codes = []
    if data:
        current = find(NO_PRED, data[0])
        for c in data[1:]:
            found = find(current, c)
            if found >= 0:
                current = found
                continue
            codes.append(current)
            if additions[0] < 4096 - 256:
                add(current, c)
            current = find(NO_PRED, c)
        codes.append(current)
    out = bytearray()
    for i in range(0, len(codes), 2):
        a = codes[i]
        if i + 1 < len(codes):
            b = codes[i + 1]
            out += bytes([a >> 4, ((a & 0xF) << 4) | (b >> 8), b & 0xFF])
        else:
            out += bytes([a >> 4, (a & 0xF) << 4])
    return bytes(out)


def arc_members(path):
    """The (header, data) of each member of an archive: 29-byte headers."""
    blob = open(path, "rb").read()
    pos, out = 0, []
    while blob[pos] == 0x1A and blob[pos + 1] != 0:
        size = struct.unpack_from("<I", blob, pos + 15)[0]
        out.append(blob[pos : pos + 29 + size])
        pos += 29 + size
    return out


def write(path, blob):
    with open(path, "wb") as f:
        f.write(blob)


def main():
    outdir, squashed = sys.argv[1], sys.argv[2]
    alpha = open("alpha.txt", "rb").read()
    beta = open("beta.txt", "rb").read()
    words = open("words.txt", "rb").read()
    skew = open("skew.txt", "rb").read()

    # A stored member first (1A 02 is what detection knows), then the method
    # under test, then one more member the walk must find after it.
    stored_alpha = member(2, b"ALPHA.TXT", alpha, alpha)
    write(outdir + "/old-stored.arc",
          stored_alpha + member(1, b"BETA.TXT", beta, beta) + member(1, b"TINY.TXT", b"x", b"x") +
          member(2, b"LAST.TXT", alpha, alpha) + END)
    write(outdir + "/hand-packed.arc", stored_alpha + member(3, b"SKEW.TXT", skew, rle(skew)) + END)
    write(outdir + "/hand-squeezed.arc",
          stored_alpha + member(4, b"SKEW.TXT", skew, squeeze(skew)) +
          member(4, b"EMPTY.TXT", b"", squeeze(b"")) + END)
    for method in (5, 6, 7):
        write(outdir + "/crunch%d.arc" % method,
              stored_alpha + member(method, b"WORDS.TXT", words, crunch(words, method)) +
              member(method, b"BETA.TXT", beta, crunch(beta, method)) + END)

    # Folders: SUB holds X.TXT and the folder DEEP (with Y.TXT); after SUB's
    # end, TOP.TXT is at the top again.
    deep = member(2, b"Y.TXT", beta, beta) + FOLDER_END
    sub = member(2, b"X.TXT", alpha, alpha) + header(30, b"DEEP", len(deep), len(deep), 0) + deep
    sub += FOLDER_END
    write(outdir + "/folders.arc",
          header(30, b"SUB", len(sub), len(sub), 0) + sub + member(2, b"TOP.TXT", alpha, alpha) + END)

    # PAK: a "distilled" (11) member first, which no reader here decodes and
    # which makes the archive start with 1A 0B, then members arc squashed
    # (9) and crunched (8), and a stored one.
    squashed_members = arc_members(squashed)
    write(outdir + "/mixed.pak",
          header(11, b"DIST.TXT", 0, 0, 0) + b"".join(squashed_members) + stored_alpha + END)

    # A self-extractor: a 6,674-byte MZ stub, then an archive arc made.
    stub = bytearray(b"MZ" + b"\0" * 6672)
    write(outdir + "/sfx-6674.exe", bytes(stub) + open(squashed, "rb").read())


if __name__ == "__main__":
    main()
