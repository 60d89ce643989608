#!/usr/bin/env python3
"""ACE 1.0 archives written by our own small encoder (no Debian tool writes ACE).

Members are stored (type 0) or compressed with the ACE 1.0 LZ77 + Huffman
method (type 1). Format notes, as this encoder writes them:

* The packed data is a sequence of 32-bit little-endian words; bits are taken
  from the most significant bit of each word down.
* A block starts with two code-width tables (main symbols, then lengths)
  and a 15-bit count of the main symbols that follow before the next block.
* Main symbols: 0-255 literals; 256-259 repeat one of the last four
  distances (move to front), with a length symbol; 260 + n a new distance of
  n bits (n < 2: the distance is n, else n - 1 extra bits after an implied
  top bit), with a length symbol. The copy distance is the value + 1.
* Length = length symbol + 2, one more for a new distance above 255 and one
  more again above 8191; one more for a repeated distance of index 2 or 3.
* A width table: the highest symbol index (9 bits), the lowest width less
  one (4 bits), the count of width codes less one (4 bits), the widths of
  the width codes (3 bits each), then for every symbol a width code: a
  difference from the previous symbol's value modulo the count, or the last
  code for a run of 4 + (4 bits) unchanged values. Nonzero values are the
  width less the lowest.
* Codes: the shortest widths take the smallest codes; among equal widths
  the order is the one a particular quicksort leaves (see fill_order).

Usage: make_ace.py OUTDIR
"""
import heapq
import struct
import sys
import zlib

DOS_DATETIME = (((2021 - 1980) << 25) | (3 << 21) | (4 << 16) | (5 << 11) | (6 << 5) | (8 // 2))

MAXWD_MAIN = 11
MAXWD_LEN = 11
MAXWD_WIDTHS = 7
NUM_MAIN = 256 + 4 + 23  # literals, repeated distances, distance bit counts 0..22
NUM_LEN = 256
MAX_LEN = 259
BLOCK_SYMBOLS = 0x7FFF


def ace_crc32(data):
    """ACE keeps the CRC-32 register without the final inversion."""
    return zlib.crc32(data) ^ 0xFFFFFFFF


class BitWriter:
    def __init__(self):
        self.words = []
        self.acc = 0
        self.count = 0

    def put(self, value, bits):
        for i in range(bits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.count += 1
            if self.count == 32:
                self.words.append(self.acc)
                self.acc = 0
                self.count = 0

    def data(self):
        words = list(self.words)
        if self.count:
            words.append(self.acc << (32 - self.count))
        # Decoders read a word ahead: two zero words of slack.
        words += [0, 0]
        return b"".join(struct.pack("<I", w) for w in words)


def limited_widths(freqs, limit):
    """Huffman code widths of at most `limit` bits (0 for unused symbols);
    at least two symbols get a width."""
    freqs = list(freqs)
    used = [i for i, f in enumerate(freqs) if f]
    while len(used) < 2:
        extra = next(i for i in range(len(freqs)) if i not in used)
        freqs[extra] = 1
        used.append(extra)
    scale = 0
    while True:
        heap = [(max(1, freqs[i] >> scale), n, [i]) for n, i in enumerate(used)]
        heapq.heapify(heap)
        widths = [0] * len(freqs)
        counter = len(heap)
        while len(heap) > 1:
            f1, _, s1 = heapq.heappop(heap)
            f2, _, s2 = heapq.heappop(heap)
            for s in s1 + s2:
                widths[s] += 1
            heapq.heappush(heap, (f1 + f2, counter, s1 + s2))
            counter += 1
        if max(widths) <= limit:
            return widths
        scale += 1


def fill_order(widths):
    """The symbols in the order their codes are handed out, shortest first.
    Decoders rank the widths with a particular quicksort (pivot at the right
    end, exchanges from both sides), descending, and hand out codes from the
    end of that ranking; ties fall where that sort leaves them, so it is
    followed step by step here."""
    n = len(widths)
    freq = list(widths) + [0]
    org = list(range(n + 1))

    def swap(a, b):
        freq[a], freq[b] = freq[b], freq[a]
        org[a], org[b] = org[b], org[a]

    def sortrange(left, right):
        zl, zr = left, right
        pivot = freq[right]
        while True:
            while freq[zl] > pivot:
                zl += 1
            while freq[zr] < pivot:
                zr -= 1
            if zl <= zr:
                swap(zl, zr)
                zl += 1
                zr -= 1
            if zl >= zr:
                break
        if left < zr:
            if left < zr - 1:
                sortrange(left, zr)
            elif freq[left] < freq[zr]:
                swap(left, zr)
        if right > zl:
            if zl < right - 1:
                sortrange(zl, right)
            elif freq[zl] < freq[right]:
                swap(zl, right)

    if n > 1:
        sortrange(0, n - 1)
    return [org[i] for i in range(n - 1, -1, -1) if freq[i]]


def canonical_codes(widths, maxwd):
    """(code, width) per symbol of a table of exactly len(widths) entries."""
    codes = {}
    position = 0
    for symbol in fill_order(widths):
        w = widths[symbol]
        codes[symbol] = (position >> (maxwd - w), w)
        position += 1 << (maxwd - w)
    assert position == 1 << maxwd, "incomplete code"
    return codes


def top_index(widths):
    return max(i for i, w in enumerate(widths) if w)


def put_widths(bw, widths):
    top = top_index(widths)
    nonzero = [w for w in widths[: top + 1] if w]
    low = min(nonzero) - 1
    up = max(nonzero) - low + 1
    values = [w - low if w else 0 for w in widths[: top + 1]]
    deltas = [values[0]] + [(values[i] - values[i - 1]) % up for i in range(1, top + 1)]
    # Width codes: a delta 0..up-1, or `up` for a run of 4..19 zero deltas.
    symbols = []
    i = 0
    while i <= top:
        run = 0
        while i + run <= top and deltas[i + run] == 0 and run < 19:
            run += 1
        if run >= 4:
            symbols.append((up, run - 4))
            i += run
        else:
            symbols.append((deltas[i], None))
            i += 1
    freqs = [0] * (up + 1)
    for s, _ in symbols:
        freqs[s] += 1
    wwidths = limited_widths(freqs, MAXWD_WIDTHS)
    wcodes = canonical_codes(wwidths, MAXWD_WIDTHS)
    bw.put(top, 9)
    bw.put(low, 4)
    bw.put(up, 4)
    for s in range(up + 1):
        bw.put(wwidths[s], 3)
    for s, extra in symbols:
        code, w = wcodes[s]
        bw.put(code, w)
        if extra is not None:
            bw.put(extra, 4)


def min_length(dist_value):
    n = 2
    if dist_value > 255:
        n += 1
        if dist_value > 8191:
            n += 1
    return n


def tokenize(data, window_bits, use_matches=True):
    """Greedy LZ77: ('lit', byte) and ('match', kind, value, length) tokens,
    kind 'old' (value = index into the recent distances) or 'new'."""
    tokens = []
    recent = [0, 0, 0, 0]  # distance values (distance - 1), newest first
    heads = {}
    window = 1 << window_bits
    i = 0
    n = len(data)
    while i < n:
        best = None
        if use_matches and i + 2 <= n:
            # Repeated distances first.
            for index, value in enumerate(recent):
                d = value + 1
                if d > i:
                    continue
                length = 0
                while i + length < n and length < MAX_LEN and data[i + length] == data[i + length - d]:
                    length += 1
                need = 3 if index > 1 else 2
                length = min(length, need + NUM_LEN - 1)
                if length >= need and (best is None or length > best[3]):
                    best = ("match", "old", index, length)
            key = data[i : i + 3]
            for start in reversed(heads.get(key, [])[-16:]):
                d = i - start
                if d > window:
                    continue
                length = 0
                while i + length < n and length < MAX_LEN and data[i + length] == data[i + length - d]:
                    length += 1
                length = min(length, min_length(d - 1) + NUM_LEN - 1)
                if length >= min_length(d - 1) and (best is None or length > best[3] + 1):
                    best = ("match", "new", d - 1, length)
        if best:
            tokens.append(best)
            _, kind, value, length = best
            if kind == "old":
                value = recent.pop(value)
            else:
                recent.pop()
            recent.insert(0, value)
            for k in range(i, i + length):
                heads.setdefault(data[k : k + 3], []).append(k)
            i += length
        else:
            tokens.append(("lit", data[i]))
            heads.setdefault(data[i : i + 3], []).append(i)
            i += 1
    return tokens


def token_symbols(token):
    """(main symbol, extra bits value, extra bit count, length symbol or None)."""
    if token[0] == "lit":
        return token[1], 0, 0, None
    _, kind, value, length = token
    if kind == "old":
        return 256 + value, 0, 0, length - (3 if value > 1 else 2)
    bits = value.bit_length()
    if bits < 2:
        return 260 + value, 0, 0, length - 2
    return 260 + bits, value - (1 << (bits - 1)), bits - 1, length - min_length(value)


def lz77_compress(data, window_bits=20, block=BLOCK_SYMBOLS, use_matches=True):
    tokens = [token_symbols(t) for t in tokenize(data, window_bits, use_matches)]
    bw = BitWriter()
    for start in range(0, len(tokens), block):
        part = tokens[start : start + block]
        main_freq = [0] * NUM_MAIN
        len_freq = [0] * NUM_LEN
        for main, _, _, lsym in part:
            main_freq[main] += 1
            if lsym is not None:
                len_freq[lsym] += 1
        main_w = limited_widths(main_freq, MAXWD_MAIN)
        len_w = limited_widths(len_freq, MAXWD_LEN)
        main_c = canonical_codes(main_w[: top_index(main_w) + 1], MAXWD_MAIN)
        len_c = canonical_codes(len_w[: top_index(len_w) + 1], MAXWD_LEN)
        put_widths(bw, main_w)
        put_widths(bw, len_w)
        bw.put(len(part), 15)
        for main, extra, extra_bits, lsym in part:
            bw.put(*main_c[main])
            if extra_bits:
                bw.put(extra, extra_bits)
            if lsym is not None:
                bw.put(*len_c[lsym])
    return bw.data()


# --------------------------------------------------------------------------
# Headers


def ace_block(rest):
    return struct.pack("<HH", ace_crc32(rest) & 0xFFFF, len(rest)) + rest


def main_header(flags=0, volume=0):
    return ace_block(
        struct.pack("<BH", 0, flags)  # HEAD_TYPE main, HEAD_FLAGS (0x0800 multi-volume)
        + b"**ACE**"
        + struct.pack("<BBBB", 10, 10, 0, volume)  # extract 1.0, created 1.0, MS-DOS, volume
        + struct.pack("<I", DOS_DATETIME)
        + b"\0" * 8
        + struct.pack("<B", 0)  # no advertisement
    )


def file_header(name, packed, original, crc, method, attr=0x20, flags=0, quality=2, dic_bits=20):
    rest = (
        struct.pack("<BH", 1, 0x0001 | flags)  # HEAD_TYPE file; ADDSIZE
        + struct.pack("<IIIII", len(packed), original, DOS_DATETIME, attr, crc)
        + struct.pack("<BBH", method, quality if method else 0, (dic_bits - 10) if method else 0)
        + struct.pack("<HH", 0, len(name))
        + name
        + b"\0" * 4
    )
    return ace_block(rest) + packed


def member(name, data, method, attr=0x20, flags=0, **kw):
    packed = lz77_compress(data, **kw) if method == 1 else data
    return file_header(name, packed, len(data), ace_crc32(data), method, attr, flags)


def solid_pair(first, second):
    """Two LZ77 members of a solid archive (main header flag 0x8000): the
    second one copies from the first one's data."""
    tokens = tokenize(first + second, 20)
    parts, position = ([], []), 0
    for token in tokens:
        length = 1 if token[0] == "lit" else token[3]
        assert position >= len(first) or position + length <= len(first), "a match across members"
        parts[position >= len(first)].append(token)
        position += length
    packed = []
    for part in parts:
        symbols = [token_symbols(t) for t in part]
        bw = BitWriter()
        main_freq, len_freq = [0] * NUM_MAIN, [0] * NUM_LEN
        for main, _, _, lsym in symbols:
            main_freq[main] += 1
            if lsym is not None:
                len_freq[lsym] += 1
        main_w, len_w = limited_widths(main_freq, MAXWD_MAIN), limited_widths(len_freq, MAXWD_LEN)
        main_c = canonical_codes(main_w[: top_index(main_w) + 1], MAXWD_MAIN)
        len_c = canonical_codes(len_w[: top_index(len_w) + 1], MAXWD_LEN)
        put_widths(bw, main_w)
        put_widths(bw, len_w)
        bw.put(len(symbols), 15)
        for main, extra, extra_bits, lsym in symbols:
            bw.put(*main_c[main])
            if extra_bits:
                bw.put(extra, extra_bits)
            if lsym is not None:
                bw.put(*len_c[lsym])
        packed.append(bw.data())
    return main_header(0x8000) + b"".join(
        file_header(name, data, len(plain), ace_crc32(plain), 1)
        for name, data, plain in zip((b"first.txt", b"second.txt"), packed, (first, second))
    )


def archive(members, flags=0):
    return main_header(flags) + b"".join(members)


def volumes(name, data, method):
    """One member split in the middle of its packed data into name.ace and
    name.c00 (the bit stream goes on across the cut)."""
    packed = lz77_compress(data) if method == 1 else data
    cut = len(packed) // 2 + 1
    first, second = packed[:cut], packed[cut:]
    v0 = main_header(0x0800, 0) + file_header(
        name, first, len(data), ace_crc32(first), method, flags=0x2000
    )
    v1 = main_header(0x0800, 1) + file_header(
        name, second, len(data), ace_crc32(data), method, flags=0x1000
    )
    return v0, v1


def big_text():
    """About 120 KB of text with near and far repeats: several blocks, every
    kind of distance."""
    lines = []
    for i in range(2400):
        lines.append(b"Line %05d of the long member: %s\n" % (i, b"abcdefghij"[i % 10 :] * (1 + i % 3)))
    head = b"".join(lines)
    return head + head[:9000] + bytes(range(256)) * 4 + head[50000:60000]


def main():
    out = sys.argv[1]
    read = lambda path: open(path, "rb").read()
    alpha, beta = read("alpha.txt"), read("beta.txt")
    top, deep = read("docs/top.txt"), read("docs/sub/deep.txt")

    def write(name, data):
        with open(out + "/" + name, "wb") as f:
            f.write(data)

    write("stored.ace", archive([member(b"alpha.txt", alpha, 0), member(b"beta.txt", beta, 0)]))
    write(
        "lz77.ace",
        archive(
            [
                member(b"alpha.txt", alpha, 1),
                member(b"beta.txt", beta, 1),
                member(b"docs", b"", 0, attr=0x10),
                member(b"docs\\top.txt", top, 1),
                member(b"docs\\sub", b"", 0, attr=0x10),
                member(b"docs\\sub\\deep.txt", deep, 1),
                member(b"empty", b"", 0, attr=0x10),
                member(b"readonly.txt", alpha, 1, attr=0x21),
            ]
        ),
    )
    write("large.ace", archive([member(b"large.txt", big_text(), 1, block=3000, window_bits=22)]))
    v0, v1 = volumes(b"beta.txt", beta * 8, 1)
    v1 += member(b"alpha.txt", alpha, 1)
    write("volumes.ace", v0)
    write("volumes.c00", v1)
    # An ACE 2.0 member (method 2) between two ACE 1.0 ones; its data is
    # never decoded, so any bytes serve.
    write(
        "ace20.ace",
        archive(
            [
                member(b"alpha.txt", alpha, 1),
                file_header(b"blocked.bin", b"\x55" * 64, 1000, 0x12345678, 2),
                member(b"beta.txt", beta, 1),
            ]
        ),
    )
    # Hostile names beside a good one; the leading "\" of "\rooted.txt" is
    # taken off, the others leave the destination.
    write(
        "hostile.ace",
        archive(
            [
                member(b"..\\escape.txt", alpha, 0),
                member(b"..\\outside", b"", 0, attr=0x10),
                member(b"docs\\..\\..\\up.txt", alpha, 1),
                member(b"\\\\server\\abs.txt", alpha, 0),
                member(b"\\rooted.txt", beta, 1),
                member(b"good.txt", alpha, 1),
            ]
        ),
    )
    # An enciphered member (flag 0x4000): reported, never decoded.
    write(
        "encrypted.ace",
        archive(
            [
                file_header(b"secret.txt", b"\xAA" * 80, len(alpha), ace_crc32(alpha), 1, flags=0x4000),
                member(b"alpha.txt", alpha, 0),
            ]
        ),
    )

    write("solid.ace", solid_pair(bytes(range(32, 127)) * 2 + b"\n", beta + bytes(range(32, 127)) + alpha))

    # Raw packed streams for the decoder's own tests.
    # A copy from before the start of the output: "a", then distance 5.
    bw = BitWriter()
    main_w = [0] * NUM_MAIN
    main_w[ord("a")] = 1
    main_w[260 + 3] = 1  # a new distance of 3 bits (value 4..7)
    len_w = [0] * NUM_LEN
    len_w[0] = len_w[1] = 1
    put_widths(bw, main_w)
    put_widths(bw, len_w)
    bw.put(2, 15)
    main_c = canonical_codes(main_w[: top_index(main_w) + 1], MAXWD_MAIN)
    len_c = canonical_codes(len_w[: top_index(len_w) + 1], MAXWD_LEN)
    bw.put(*main_c[ord("a")])
    bw.put(*main_c[263])
    bw.put(0, 2)  # value 4: distance 5
    bw.put(*len_c[1])
    write("codec-distance-before-start.bin", bw.data())
    # A width of 12 bits, longer than the main table's codes can be.
    bw = BitWriter()
    main_w = [0] * NUM_MAIN
    main_w[1] = 12
    main_w[2] = 1
    put_widths(bw, main_w)
    put_widths(bw, len_w)
    bw.put(1, 15)
    write("codec-width-too-long.bin", bw.data())


if __name__ == "__main__":
    main()
