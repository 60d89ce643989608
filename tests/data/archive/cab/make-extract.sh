#!/bin/sh
# Recreates the cabinet extraction fixtures of this folder and expected.tsv,
# the reference the extraction tests compare with: for each fixture (these,
# the listing cabinets make.sh writes here and the cabinets of ../synth,
# named by their path from here) the files 7zz extracted, one line each:
# fixture, path, size, SHA-256. Sets are extracted by 7zz from their first
# cabinet with the others beside it. Fixtures 7zz does not take (a set that
# loops, names that leave the destination, damaged data) have the lines the
# script states below them instead.
# Needs: gcab, 7zz (package 7zip), python3.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
printf 'A name in UTF-8.\n' > 'héllo wörld.txt'
printf 'Ünïcödé folder member.\n' > 'ñame.txt'
stamp_all

for f in utf8-names.cab utf8-mszip.cab span1.cab span2.cab loop-a.cab loop-b.cab self.cab hostile.cab \
    damaged.cab truncated.cab sfx-mszip.exe expected.tsv; do
    rm -f "$out/$f"
done

# gcab marks a name that is not ASCII with attribute 0x80 (UTF-8).
gcab -c -n "$out/utf8-names.cab" 'héllo wörld.txt' 'ñame.txt' alpha.txt
gcab -c -n -z "$out/utf8-mszip.cab" 'héllo wörld.txt' beta.txt

cd "$out"
python3 - <<'PY'
import random, struct, sys, zlib

sys.path.insert(0, "../synth")
from make_synthetic import mz_stub

DOS_DATE = (2021 - 1980) << 9 | 3 << 5 | 4
DOS_TIME = 5 << 11 | 6 << 5 | 8 // 2


def checksum(data, seed=0):
    """CFDATA checksum: XOR of little-endian 32-bit words, the tail odd."""
    c = seed
    n = len(data) // 4
    for i in range(n):
        c ^= struct.unpack_from("<I", data, 4 * i)[0]
    tail = data[4 * n:]
    t = 0
    for b in tail:
        t = (t << 8) | b
    return c ^ t


def mszip_blocks(data):
    """MSZIP: 32 KiB per block, "CK" + raw deflate, each block's dictionary
    the 32 KiB before it."""
    blocks = []
    for at in range(0, len(data), 32768):
        chunk = data[at:at + 32768]
        zdict = data[max(0, at - 32768):at]
        c = zlib.compressobj(9, zlib.DEFLATED, -15, zdict=zdict) if zdict else zlib.compressobj(9, zlib.DEFLATED, -15)
        blocks.append((b"CK" + c.compress(chunk) + c.flush(), len(chunk)))
    return blocks


def cabinet(files, folders, flags=0, index=0, prev=None, next_=None, set_id=0x1234):
    """files: (name, size, offset in folder, folder index, attributes);
    folders: (compression, blocks), each block (bytes, uncompressed size)."""
    names = b""
    if flags & 1:
        names += prev[0] + b"\0" + prev[1] + b"\0"
    if flags & 2:
        names += next_[0] + b"\0" + next_[1] + b"\0"
    folders_at = 36 + len(names)
    files_at = folders_at + 8 * len(folders)
    entries = b"".join(struct.pack("<IIHHHH", size, offset, folder, DOS_DATE, DOS_TIME, attr) + name + b"\0"
                       for name, size, offset, folder, attr in files)
    data_at = files_at + len(entries)
    folder_records, data = b"", b""
    for compression, blocks in folders:
        folder_records += struct.pack("<IHH", data_at + len(data), len(blocks), compression)
        for block, uncompressed in blocks:
            sizes = struct.pack("<HH", len(block), uncompressed)
            data += struct.pack("<I", checksum(sizes, checksum(block))) + sizes + block
    total = data_at + len(data)
    header = b"MSCF" + struct.pack("<IIIIIBBHHHHH", 0, total, 0, files_at, 0, 3, 1, len(folders), len(files),
                                   flags, set_id, index)
    return header + names + folder_records + entries + data


def write(name, data):
    open(name, "wb").write(data)


random.seed(21)
words = [bytes("".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(2, 9))), "ascii")
         for _ in range(3000)]
text = b" ".join(random.choice(words) for _ in range(40000))
one, two, three = text[:60000], text[60000:150000], text[150000:]

# An MSZIP set: first.txt in a stored folder of its own; then an MSZIP folder
# that goes on in the second cabinet: one.txt, span.txt (begins in span1.cab,
# ends in span2.cab) and tail.txt (in span2.cab only); own.txt in a folder of
# its own in span2.cab. As cabinet writers do, the block at the cut is split
# between the two cabinets: its first part records an uncompressed size of 0.
lead = b"In a folder of its own, before the folder that goes on.\n"
blocks = mszip_blocks(one + two + three)
cut = 2  # whole blocks in the first cabinet
packed, size = blocks[cut]
half = len(packed) // 2
first = cabinet([(b"first.txt", len(lead), 0, 0, 0x20),
                 (b"one.txt", len(one), 0, 1, 0x20),
                 (b"span.txt", len(two), len(one), 0xFFFE, 0x20)],
                [(0, [(lead, len(lead))]), (1, blocks[:cut] + [(packed[:half], 0)])],
                flags=2, next_=(b"span2.cab", b"disk 2"))
own = b"A folder of its own in the second cabinet.\n"
second = cabinet([(b"span.txt", len(two), len(one), 0xFFFD, 0x20),
                  (b"tail.txt", len(three), len(one) + len(two), 0, 0x20),
                  (b"own.txt", len(own), 0, 1, 0x21)],
                 [(1, [(packed[half:], size)] + blocks[cut + 1:]), (0, [(own, len(own))])], flags=1, index=1,
                 prev=(b"span1.cab", b"disk 1"))
write("span1.cab", first)
write("span2.cab", second)

# A set that loops: loop-a.cab names loop-b.cab, which names loop-a.cab.
a, b = b"In the first cabinet of the loop.\n", b"In the second cabinet of the loop.\n"
write("loop-a.cab", cabinet([(b"a.txt", len(a), 0, 0, 0x20)], [(0, [(a, len(a))])], flags=2,
                            next_=(b"loop-b.cab", b"")))
write("loop-b.cab", cabinet([(b"b.txt", len(b), 0, 0, 0x20)], [(0, [(b, len(b))])], flags=3, index=1,
                            prev=(b"loop-a.cab", b""), next_=(b"loop-a.cab", b"")))
# A cabinet that names itself as the next one.
s = b"The only member.\n"
write("self.cab", cabinet([(b"self.txt", len(s), 0, 0, 0x20)], [(0, [(s, len(s))])], flags=2,
                          next_=(b"self.cab", b"")))
# Names that lead out of the destination, beside harmless ones.
members = [(b"..\\evil.txt", b"up one\n"), (b"docs\\..\\..\\up-two.txt", b"up two\n"),
           (b"\\rooted.txt", b"rooted\n"), (b"safe.txt", b"stays inside\n")]
payload, entries = b"", []
for name, body in members:
    entries.append((name, len(body), len(payload), 0, 0x20))
    payload += body
write("hostile.cab", cabinet(entries, [(0, [(payload, len(payload))])]))
# MSZIP data with a byte changed (the block checksum no longer holds).
whole = cabinet([(b"text.txt", len(one), 0, 0, 0x20)], [(1, mszip_blocks(one))])
damaged = bytearray(whole)
damaged[-40] ^= 0xFF
write("damaged.cab", bytes(damaged))
# The same cabinet cut short in its data.
write("truncated.cab", whole[:len(whole) // 2])
# A self-extracting cabinet: the MSZIP cabinet at 17,000, behind an
# executable stub whose image ends at 1,000.
write("sfx-mszip.exe", mz_stub(17000, 1000) + cabinet([(b"one.txt", len(one), 0, 0, 0x20)], [(1, mszip_blocks(one))]))
PY

# The reference: what 7zz extracts, per fixture.
for f in utf8-names.cab utf8-mszip.cab span1.cab self.cab sfx-mszip.exe stored.cab mszip.cab \
         folders.cab ../synth/set1.cab ../synth/scan-cab.exe; do
    dir=$(mktemp -d)
    7zz x -y -o"$dir" "$f" >/dev/null
    (cd "$dir" && find . -type f | sort | while read -r p; do
        p=${p#./}
        printf '%s\t%s\t%s\t%s\n' "$f" "$p" "$(stat -c %s "$p")" "$(sha256sum "$p" | cut -d' ' -f1)"
    done) >> expected.tsv
    rm -rf "$dir"
done
