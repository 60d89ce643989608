#!/bin/sh
# Recreates the LHA extraction fixtures of this folder and expected.tsv, the
# files `lhasa x` extracts from each (also from the listing fixtures that
# make.sh writes here, level*.lzh). Needs: jlha (jlha-utils), lhasa, javac/java with the jlha library
# (libjlha-java, default-jdk-headless), python3.
. "$(dirname "$0")/../common.sh"

# text.txt: 131,072 bytes of words (two windows of -lh6-/-lh7-);
# bin.dat: 20,000 bytes with long codes and far matches; spaces.txt: leading
# blanks (matches into the window's initial spaces); empty.txt.
python3 - <<'PY'
import random
rng = random.Random(19)
words = [w for w in "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua archive window block table tree".split()]
text = []
size = 0
while size < 131072:
    line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 12))) + "\n"
    text.append(line)
    size += len(line)
open("text.txt", "w").write("".join(text)[:131072])
data = bytearray()
while len(data) < 20000:
    if data and rng.random() < 0.3:
        start = rng.randrange(len(data))
        data += data[start:start + rng.randint(3, 200)]
    else:
        data += bytes(rng.randrange(256) for _ in range(rng.randint(1, 40)))
open("bin.dat", "wb").write(bytes(data[:20000]))
open("spaces.txt", "w").write(" " * 90 + "indented\n" + " " * 300 + "x\n")
open("empty.txt", "w").write("")
PY
write_docs
stamp_all
files="text.txt bin.dat spaces.txt empty.txt"

rm -f "$out"/jlha-*.lzh "$out"/lib-*.lzh "$out"/edge-streams.lzh "$out"/links-*.lzh \
    "$out"/zeros-*.lzh "$out"/expected.tsv
# jlha: a0/a1/a2 header level 0/1/2 (method lh5), o5/o6/o7 method, z stored.
for options in 0 1 2 o5 o6 o7; do
    jlha "a$options" "$out/jlha-$options.lzh" $files docs > /dev/null
done
jlha az "$out/jlha-z.lzh" bin.dat spaces.txt empty.txt docs > /dev/null
# -lh1- and -lh4- through the jlha library, levels 0 to 2; members of
# methods the reader refuses (-lh2-, -lz5-) between supported ones.
javac -d "$work" -cp /usr/share/java/jlha.jar "$out/MakeLha.java"
makelha() { java -cp "$work:/usr/share/java/jlha.jar" MakeLha "$@"; }
makelha "$out/lib-lh1.lzh" -lh1- 1 $files
makelha "$out/lib-lh4.lzh" -lh4- 2 $files
makelha "$out/lib-lh1-level0.lzh" -lh1- 0 spaces.txt
makelha "$work/a.lzh" -lh5- 1 text.txt
makelha "$work/b.lzh" -lz5- 1 spaces.txt
makelha "$work/c.lzh" -lh2- 1 bin.dat
makelha "$work/d.lzh" -lh1- 1 empty.txt
# One archive of the four: each ends in its end mark (a zero byte).
python3 - "$out/lib-refused.lzh" a.lzh b.lzh c.lzh d.lzh <<'PY'
import sys
out = b""
for name in sys.argv[2:]:
    data = open(name, "rb").read()
    out += data[:-1]
open(sys.argv[1], "wb").write(out + b"\0")
PY

# Symbolic links as Unix LHA stores them ("name|target", see MakeLhaLink.java),
# levels 1 and 2, between two plain members.
javac -d "$work" -cp /usr/share/java/jlha.jar "$out/MakeLhaLink.java"
for level in 1 2; do
    java -cp "$work:/usr/share/java/jlha.jar" MakeLhaLink "$out/links-$level.lzh" $level \
        docs/top.txt 'dir2/symlink1|../top.txt' docs/sub/deep.txt
done
# An all-zero file (its CRC-16 is 0) packed by -lh5- and -lh7-: damaged, no
# decoder result may pass for it on its checksum alone.
python3 -c 'open("zeros.bin", "wb").write(bytes(65536))'
touch -d "$stamp" zeros.bin
jlha ao5 "$out/zeros-lh5.lzh" zeros.bin > /dev/null
jlha ao7 "$out/zeros-lh7.lzh" zeros.bin > /dev/null

# Edge streams of the static decoder, written bit by bit: single-symbol
# tables (no bits per symbol), a distance-0 match, a match reaching before
# the first byte (lhasa gives spaces), and an -lh7- member whose matches
# wrap the 65,536-byte window; level-0 headers.
python3 - "$out" <<'PY'
import struct, sys
def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc
class Bits:
    def __init__(self):
        self.bits = []
    def put(self, n, v):
        self.bits += [(v >> (n - 1 - i)) & 1 for i in range(n)]
    def block(self, size, c, pbit, p=0):
        # block size, pre-tree (single 0), literal/length (single c), position (single p)
        self.put(16, size); self.put(5, 0); self.put(5, 0)
        self.put(9, 0); self.put(9, c); self.put(pbit, 0); self.put(pbit, p)
    def data(self):
        b = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(int("".join(map(str, b[i:i + 8])), 2) for i in range(0, len(b), 8))
def member(name, method, packed, plain):
    body = method + struct.pack("<IIIBBB", len(packed), len(plain), 0x52642083, 0x20, 0, len(name)) + name + struct.pack("<H", crc16(plain))
    return bytes([len(body), sum(body) & 0xFF]) + body + packed
out = b""
b = Bits(); b.block(5, 65, 4); b.block(2, 256 + 7, 4)
out += member(b"single.txt", b"-lh5-", b.data(), b"A" * 25)
b = Bits(); b.block(1, 256 + 5, 4, 5); b.put(4, 3); b.block(3, 66, 4)
out += member(b"before.txt", b"-lh5-", b.data(), b" " * 8 + b"BBB")
b = Bits(); b.block(65530, 67, 5); b.block(20, 256 + 253, 5)
out += member(b"wrap.txt", b"-lh7-", b.data(), b"C" * (65530 + 20 * 256))
open(sys.argv[1] + "/edge-streams.lzh", "wb").write(out + b"\0")
PY

# The reference extraction of every fixture.
expect() {
    fixture=$1
    archive=$2
    ref=$work/ref/$fixture
    mkdir -p "$ref"
    (cd "$ref" && lhasa xq "$archive" > /dev/null 2>&1 || true)
    (cd "$ref" && find . -type f | sort | while read -r f; do
        size=$(stat -c %s "$f")
        sum=$(sha256sum < "$f" | cut -d' ' -f1)
        when=$(date -d "@$(stat -c %Y "$f")" '+%Y-%m-%d %H:%M:%S')
        printf '%s\t%s\t%s\t%s\t%s\t0\n' "$fixture" "${f#./}" "$size" "$sum" "$when"
    done) >> "$out/expected.tsv"
}
: > "$out/expected.tsv"
for f in "$out"/edge-streams.lzh "$out"/jlha-*.lzh "$out"/lib-*.lzh "$out"/level*.lzh; do
    expect "$(basename "$f")" "$f"
done
