#!/usr/bin/env python3

"""Writes the ZIP fixtures of the older methods: shrink (1), reduce (2-5),
implode (6) and hand-made Deflate64 (9) members, with encoders of our own.
Every member carries the CRC-32 and size of its known plaintext, so a decoder
is checked by the header alone. Run from this folder; make.sh runs it and
checks the results with unzip, 7-Zip and unar."""
import random
import struct
import zlib


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def write(self, value, count):
        self.acc |= (value & ((1 << count) - 1)) << self.n
        self.n += count
        while self.n >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.n -= 8

    def align(self):
        if self.n:
            self.write(0, 8 - self.n)

    def data(self):
        out = bytearray(self.out)
        if self.n:
            out.append(self.acc & 0xFF)
        return bytes(out)


def text(size, seed):
    words = [b"the ", b"catalogue ", b"of ", b"disk ", b"archive ", b"member ", b"folder ", b"and ",
             b"a ", b"name ", b"size ", b"\n", b"zip ", b"file ", b"to ", b"every ", b"byte "]
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words)
    return bytes(out[:size])


def noise(size, seed):
    rng = random.Random(seed)
    return bytes(rng.getrandbits(8) for _ in range(size))


# ---- shrink -------------------------------------------------------------
def shrink(data, literal_only=False, clear_every=0):
    parent = [-1] * 8192
    char = list(range(256)) + [0] * (8192 - 256)
    children = [0] * 8192
    table = {}
    free = list(range(257, 8192))
    nxt = 0
    bw = BitWriter()
    size = 9

    def string(code):
        s = []
        while code >= 257:
            s.append(char[code])
            code = parent[code]
        s.append(code)
        return bytes(reversed(s))

    def emit(code):
        nonlocal size
        while code >= (1 << size):
            bw.write(256, size)
            bw.write(1, size)
            size += 1
        bw.write(code, size)

    def add(prefix, c):
        nonlocal nxt
        if nxt >= len(free):
            return
        code = free[nxt]
        nxt += 1
        parent[code] = prefix
        char[code] = c
        if prefix >= 257:
            children[prefix] += 1
        table[(prefix, c)] = code

    def partial_clear():
        nonlocal free, nxt
        leaves = [c for c in range(257, 8192) if parent[c] >= 0 and children[c] == 0]
        for c in leaves:
            p = parent[c]
            if p >= 257:
                children[p] -= 1
            if table.get((p, char[c])) == c:
                del table[(p, char[c])]
            parent[c] = -1
        free = [c for c in range(257, 8192) if parent[c] < 0]
        nxt = 0

    pos, prev, emitted = 0, None, 0
    while pos < len(data):
        code, length = data[pos], 1
        if not literal_only:
            while pos + length < len(data) and (code, data[pos + length]) in table:
                code = table[(code, data[pos + length])]
                length += 1
            if prev is not None and nxt < len(free):
                s = string(prev)
                cand = s + s[:1]
                if len(cand) > length and data[pos:pos + len(cand)] == cand:
                    code, length = free[nxt], len(cand)
        emit(code)
        if prev is not None:
            add(prev, data[pos])
        prev = code
        pos += length
        emitted += 1
        if clear_every and emitted % clear_every == 0 and prev < 256:
            bw.write(256, size)
            bw.write(2, size)
            partial_clear()
    return bw.data()


# ---- reduce -------------------------------------------------------------
def reduce(data, factor, seed):
    rng = random.Random(seed)
    mask = 0xFF >> factor
    maxdist = 256 << factor
    maxlen = mask + 255 + 3
    chars = []
    i = 0
    recent = {}
    while i < len(data):
        best = (0, 0)
        key = data[i:i + 3]
        for j in reversed(recent.get(key, [])[-16:]):
            d = i - j
            if d > maxdist:
                break
            n = 0
            while i + n < len(data) and n < maxlen and data[j + n] == data[i + n]:
                n += 1
            if n > best[0]:
                best = (n, d)
        n, d = best
        if n >= 3 and not (n == 3 and d <= 256):
            low = min(n - 3, mask)
            v = (((d - 1) >> 8) << (8 - factor)) | low
            chars += [144, v]
            if low == mask:
                chars.append(n - 3 - mask)
            chars.append((d - 1) & 0xFF)
            step = n
        else:
            chars += [144, 0] if data[i] == 144 else [data[i]]
            step = 1
        for k in range(i, i + step):
            recent.setdefault(data[k:k + 3], []).append(k)
        i += step
    # Follower sets: the most frequent followers of each character, of varied sizes.
    freq = [dict() for _ in range(256)]
    last = 0
    for c in chars:
        freq[last][c] = freq[last].get(c, 0) + 1
        last = c
    sizes = [0, 1, 2, 3, 5, 9, 17, 32]
    sets = []
    for c in range(256):
        ranked = sorted(freq[c], key=lambda x: (-freq[c][x], x))
        sets.append(ranked[:rng.choice(sizes)])
    bw = BitWriter()
    for c in range(255, -1, -1):
        bw.write(len(sets[c]), 6)
        for f in sets[c]:
            bw.write(f, 8)

    def index_bits(n):
        return 1 if n <= 2 else 2 if n <= 4 else 3 if n <= 8 else 4 if n <= 16 else 5 if n <= 32 else 6

    last = 0
    for c in chars:
        s = sets[last]
        if not s:
            bw.write(c, 8)
        elif c in s:
            bw.write(0, 1)
            bw.write(s.index(c), index_bits(len(s)))
        else:
            bw.write(1, 1)
            bw.write(c, 8)
        last = c
    return bw.data()


# ---- implode ------------------------------------------------------------
def huffman_lengths(freq, limit=16):
    import heapq
    freq = [f + 1 for f in freq]
    while True:
        heap = [(f, i, [i]) for i, f in enumerate(freq)]
        heapq.heapify(heap)
        lengths = [0] * len(freq)
        uid = len(freq)
        while len(heap) > 1:
            f1, _, a = heapq.heappop(heap)
            f2, _, b = heapq.heappop(heap)
            for s in a + b:
                lengths[s] += 1
            heapq.heappush(heap, (f1 + f2, uid, a + b))
            uid += 1
        if max(lengths) <= limit:
            return lengths
        freq = [f // 2 + 1 for f in freq]


def sf_codes(lengths):
    """The published Shannon-Fano assignment; returns (stream bits, length)
    per symbol, the bits ready for an LSB-first writer."""
    order = sorted(range(len(lengths)), key=lambda s: lengths[s])
    codes = [None] * len(lengths)
    code, inc, last = 0, 0, 0
    for i in range(len(order) - 1, -1, -1):
        s = order[i]
        code += inc
        if lengths[s] != last:
            last = lengths[s]
            inc = 1 << (16 - last)
        n = lengths[s]
        top = (code >> (16 - n)) & ((1 << n) - 1)
        rev = 0
        for b in range(n):
            rev |= ((top >> b) & 1) << (n - 1 - b)
        codes[s] = (rev, n)
    return codes


def store_tree(lengths):
    runs = []
    for n in lengths:
        if runs and runs[-1][0] == n and runs[-1][1] < 16:
            runs[-1][1] += 1
        else:
            runs.append([n, 1])
    return bytes([len(runs) - 1] + [((c - 1) << 4) | (n - 1) for n, c in runs])


def implode(data, big, three, literal_only=False):
    low_bits = 7 if big else 6
    window = 8192 if big else 4096
    minimum = 3 if three else 2
    maxlen = minimum + 63 + 255
    tokens = []
    recent = {}
    i = 0
    while i < len(data):
        best = (0, 0)
        if not literal_only:
            for j in reversed(recent.get(data[i:i + 3], [])[-24:]):
                d = i - j
                if d > window:
                    break
                n = 0
                while i + n < len(data) and n < maxlen and data[j + n] == data[i + n]:
                    n += 1
                if n > best[0]:
                    best = (n, d)
        if best[0] >= max(minimum, 3):
            tokens.append(("m",) + best)
            step = best[0]
        else:
            tokens.append(("l", data[i]))
            step = 1
        for k in range(i, i + step):
            recent.setdefault(data[k:k + 3], []).append(k)
        i += step
    lit_f, len_f, dist_f = [0] * 256, [0] * 64, [0] * 64
    for t in tokens:
        if t[0] == "l":
            lit_f[t[1]] += 1
        else:
            len_f[min(t[1] - minimum, 63)] += 1
            dist_f[(t[2] - 1) >> low_bits] += 1
    lit_l, len_l, dist_l = huffman_lengths(lit_f), huffman_lengths(len_f), huffman_lengths(dist_f)
    out = bytearray()
    if three:
        out += store_tree(lit_l)
    out += store_tree(len_l) + store_tree(dist_l)
    lit_c, len_c, dist_c = sf_codes(lit_l), sf_codes(len_l), sf_codes(dist_l)
    bw = BitWriter()
    for t in tokens:
        if t[0] == "l":
            bw.write(1, 1)
            if three:
                bw.write(*lit_c[t[1]])
            else:
                bw.write(t[1], 8)
        else:
            _, n, d = t
            bw.write(0, 1)
            bw.write((d - 1) & ((1 << low_bits) - 1), low_bits)
            bw.write(*dist_c[(d - 1) >> low_bits])
            code = n - minimum
            if code >= 63:
                bw.write(*len_c[63])
                bw.write(code - 63, 8)
            else:
                bw.write(*len_c[code])
    return bytes(out) + bw.data()


# ---- hand-made Deflate64 --------------------------------------------------
def rev(code, n):
    return int(format(code, "0%db" % n)[::-1], 2)


def fixed_litlen(bw, sym):
    if sym < 144:
        bw.write(rev(0x30 + sym, 8), 8)
    elif sym < 256:
        bw.write(rev(0x190 + sym - 144, 9), 9)
    elif sym < 280:
        bw.write(rev(sym - 256, 7), 7)
    else:
        bw.write(rev(0xC0 + sym - 280, 8), 8)


def periodic_history(bw, size, period, seed):
    """A fixed-block prefix of `size` bytes: `period` random literals, then one
    Deflate64 match (code 285) repeating them; returns the bytes it codes."""
    head = noise(period, seed)
    for c in head:
        fixed_litlen(bw, c)
    fixed_litlen(bw, 285)
    bw.write(size - period - 3, 16)
    # Distance `period` with code 16 (base 257, 7 extra bits) or below.
    code = next(i for i in range(29, -1, -1) if DIST_BASE[i] <= period)
    bw.write(rev(code, 5), 5)
    bw.write(period - DIST_BASE[code], DIST_EXTRA[code])
    return (head * (size // period + 1))[:size]


DIST_BASE = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537,
             2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153]
DIST_EXTRA = [0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12,
              13, 13, 14, 14]


def deflate64_longest():
    """One fixed block: 49,153 bytes of history, then a match of length
    65,538 (code 285, 16 extra bits 65,535) at distance 49,153 (code 31)."""
    bw = BitWriter()
    bw.write(1, 1)
    bw.write(1, 2)
    plain = bytearray(periodic_history(bw, 49153, 300, 64))
    fixed_litlen(bw, 285)
    bw.write(65535, 16)
    bw.write(rev(31, 5), 5)
    bw.write(0, 14)
    for _ in range(65538):
        plain.append(plain[-49153])
    fixed_litlen(bw, 256)
    return bw.data(), bytes(plain)


def deflate64_code30():
    """A fixed block of 50,000 bytes of history, an empty stored block, then
    a fixed block with literals and matches at distance codes 30, 31 and 29."""
    bw = BitWriter()
    bw.write(0, 1)
    bw.write(1, 2)
    plain = bytearray(periodic_history(bw, 50000, 411, 30))
    fixed_litlen(bw, 256)
    bw.write(0, 1)
    bw.write(0, 2)
    bw.align()
    bw.write(0, 16)
    bw.write(0xFFFF, 16)
    bw.write(1, 1)
    bw.write(1, 2)
    for c in b"Deflate64 ":
        fixed_litlen(bw, c)
        plain.append(c)
    for length_sym, length, dist_sym, extra in ((257, 3, 30, 100), (265, 11, 31, 500), (266, 13, 29, 1000),
                                                (257, 3, 31, 0)):
        fixed_litlen(bw, length_sym)
        if length_sym >= 265:
            bw.write(0, 1)
        bw.write(rev(dist_sym, 5), 5)
        bw.write(extra, DIST_EXTRA[dist_sym])
        dist = DIST_BASE[dist_sym] + extra
        for _ in range(length):
            plain.append(plain[-dist])
    fixed_litlen(bw, 256)
    return bw.data(), bytes(plain)


# ---- ZIP writing ----------------------------------------------------------
def write_zip(path, members):
    """members: (name, method, flags, packed, plain)."""
    out = bytearray()
    central = bytearray()
    for name, method, flags, packed, plain in members:
        crc = zlib.crc32(plain) & 0xFFFFFFFF
        offset = len(out)
        fields = (20, flags, method, 0x6000, 0x5A21, crc, len(packed), len(plain), len(name), 0)
        out += b"PK\x03\x04" + struct.pack("<HHHHHIIIHH", *fields) + name + packed
        central += b"PK\x01\x02" + struct.pack("<HHHHHHIIIHHHHHII", 20, *fields, 0, 0, 0, 0, offset) + name
    start = len(out)
    out += central
    out += b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(members), len(members), len(central), start, 0)
    with open(path, "wb") as f:
        f.write(out)


def main():
    sample = text(30000, 1)
    mixed = text(6000, 2) + noise(1500, 3) + text(6000, 2)
    write_zip("shrink.zip", [
        (b"literals.txt", 1, 0, shrink(text(700, 4), literal_only=True), text(700, 4)),
        (b"text.txt", 1, 0, shrink(sample), sample),
        (b"clears.txt", 1, 0, shrink(mixed, clear_every=300), mixed),
        (b"runs.bin", 1, 0, shrink(b"a" * 5000 + b"ab" * 700), b"a" * 5000 + b"ab" * 700),
    ])
    imploded = []
    for big in (False, True):
        for three in (False, True):
            flags = (2 if big else 0) | (4 if three else 0)
            name = "implode-%dk-%s.txt" % (8 if big else 4, "3trees" if three else "2trees")
            plain = text(9000, 5) + noise(300, 6) + text(9000, 5)[::-1] + b"x" * 700
            imploded.append((name.encode(), 6, flags, implode(plain, big, three), plain))
    imploded.append((b"implode-literals.txt", 6, 0, implode(text(500, 7), False, False, True), text(500, 7)))
    write_zip("implode.zip", imploded)
    reduced = []
    for factor in (1, 2, 3, 4):
        plain = text(8000, 10 + factor) + bytes([144, 144, 0, 144]) * 20 + noise(700, factor) + \
            text(8000, 10 + factor)[:5000] + b"z" * 600
        reduced.append((("reduce-%d.txt" % factor).encode(), 1 + factor, 0, reduce(plain, factor, factor), plain))
    write_zip("reduce.zip", reduced)
    longest, longest_plain = deflate64_longest()
    code30, code30_plain = deflate64_code30()
    write_zip("deflate64-hand.zip", [
        (b"longest.bin", 9, 0, longest, longest_plain),
        (b"code30.txt", 9, 0, code30, code30_plain),
    ])


if __name__ == "__main__":
    main()
