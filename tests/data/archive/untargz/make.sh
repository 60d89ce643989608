#!/bin/sh
# Recreates the tar, gzip and .Z extraction fixtures of this folder and
# expected.tsv, the reference the extraction tests compare with: for each
# fixture the files that `tar -x`, `gzip -dc` or `compress -dc` gave, one
# line each: fixture, path, size, SHA-256. Links, devices and FIFOs are not
# files there (the reader refuses them). Needs: GNU tar, gzip, compress
# (package ncompress), python3.
. "$(dirname "$0")/../common.sh"

umask 022
write_alpha
write_beta
write_docs
python3 - <<'PY'
import random
random.seed(20)
vocabulary = ["".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(2, 8)))
              for _ in range(500)]
def words(n):
    return " ".join(random.choice(vocabulary) for _ in range(n)) + "\n"
open("words.txt", "w").write(words(1200))   # about 6 KB
open("widths.txt", "w").write(words(4500))  # about 24 KB
open("big.txt", "w").write(words(9000))     # about 48 KB
open("noise.bin", "wb").write(bytes(random.getrandbits(8) for _ in range(8000)))
PY
long=docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long
mkdir -p "$long"
printf 'A file behind a long path.\n' > "$long/long-file-name.txt"
# A name of exactly 100 bytes.
name100=n123456789n123456789n123456789n123456789n123456789n123456789n123456789n123456789n123456789n1234.txt
printf 'Its name fills the name field.\n' > "$name100"
python3 -c 'open("five13.bin", "wb").write(bytes(i % 251 for i in range(513)))'
printf 'Accents in the name.\n' > 'café-ñandú.txt'
ln -s alpha.txt link-to-alpha
ln alpha.txt hard-alpha.txt
mkfifo pipe
mkdir -p a b
printf 'Readme of folder a.\n' > a/readme
printf 'Readme of folder b.\n' > b/readme
cp big.txt a/big.txt
stamp_all
touch -h -d "$stamp" link-to-alpha
members="alpha.txt hard-alpha.txt link-to-alpha pipe docs $name100 five13.bin café-ñandú.txt"

rm -f "$out"/*.tar "$out"/*.gz "$out"/*.tgz "$out"/*.Z "$out"/expected.tsv
tarf() { tar -b 1 --owner=0 --group=0 --numeric-owner --sort=name "$@"; }
tarf --format=gnu -cf "$out/gnu.tar" $members
tarf --format=ustar -cf "$out/ustar.tar" $members
# pax: a path of more than 255 bytes goes into an extended header.
deep="$long/$long"
mkdir -p "$deep"
printf 'Deeper than ustar can name.\n' > "$deep/file.txt"
stamp_all
touch -h -d "$stamp" link-to-alpha
tarf --format=pax --pax-option='exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime' \
    -cf "$out/pax.tar" $members "$deep/file.txt"
# Devices need root to exist on disk: python's tarfile writes their headers
# (GNU format), around a plain file.
python3 - "$out/devices.tar" <<'PY'
import io, sys, tarfile
with tarfile.open(sys.argv[1], "w", format=tarfile.GNU_FORMAT) as t:
    for name, kind in (("tty0", tarfile.CHRTYPE), ("sda", tarfile.BLKTYPE)):
        info = tarfile.TarInfo(name)
        info.type, info.devmajor, info.devminor, info.mtime = kind, 8, 1, 1614834368
        t.addfile(info)
    data = open("alpha.txt", "rb").read()
    info = tarfile.TarInfo("alpha.txt")
    info.size, info.mtime = len(data), 1614834368
    t.addfile(info, io.BytesIO(data))
PY
# Sparse members: 9 GB with one block of data at 1 MB.
truncate -s 9000000000 sparse.bin
printf 'data inside the sparse file\n' | dd of=sparse.bin bs=1 seek=1048576 conv=notrunc 2>/dev/null
touch -d "$stamp" sparse.bin
tarf --format=gnu -S -cf "$out/sparse-gnu.tar" sparse.bin alpha.txt
tarf --format=pax -S --pax-option='exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime' \
    -cf "$out/sparse-pax.tar" sparse.bin alpha.txt
rm -f sparse.bin
# GNU tar names the sparse member after its process id: zeros keep it fixed.
python3 - "$out/sparse-pax.tar" <<'PY'
import re, sys
data = bytearray(open(sys.argv[1], "rb").read())
for pos in range(0, len(data), 512):
    m = re.match(rb"(\./)?GNUSparseFile\.(\d+)/", bytes(data[pos:pos + 100]))
    if m:
        start, end = pos + m.start(2), pos + m.end(2)
        data[start:end] = b"0" * (end - start)
        data[pos + 148:pos + 156] = b" " * 8
        data[pos + 148:pos + 155] = b"%06o\0" % sum(data[pos:pos + 512])
open(sys.argv[1], "wb").write(bytes(data))
PY

# gzip at every level, without and with a stored name.
for level in 1 2 3 4 5 6 7 8 9; do
    gzip -$level -c words.txt > "$out/level$level.gz"
done
gzip -6 -n -c words.txt > "$out/no-name.gz"
# Two members in one file, and one member followed by zero padding.
gzip -9 -c alpha.txt > m1.gz
gzip -9 -c beta.txt > m2.gz
cat m1.gz m2.gz > "$out/multi.gz"
{ cat m2.gz; head -c 1024 /dev/zero; } > "$out/padded.gz"
# A tar of two folders holding files of the same name, over 32 KB.
tarf --format=ustar -cf folders.tar a b
gzip -9 -n -c folders.tar > "$out/folders.tgz"
compress -c folders.tar > "$out/folders.tar.Z"
# Header fields gzip does not write: extra field, comment, text flag, long name.
python3 - "$out" <<'PY'
import struct, sys, zlib
out = sys.argv[1]
def member(data, flags, name=b"", comment=b"", extra=b"", mtime=1614834368):
    z = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = z.compress(data) + z.flush()
    head = struct.pack("<BBBBIBB", 0x1F, 0x8B, 8, flags, mtime, 2, 3)
    if flags & 4:
        head += struct.pack("<H", len(extra)) + extra
    if flags & 8:
        head += name + b"\0"
    if flags & 16:
        head += comment + b"\0"
    return head + body + struct.pack("<II", zlib.crc32(data), len(data) & 0xFFFFFFFF)
beta = open("beta.txt", "rb").read()
open(out + "/name-comment.gz", "wb").write(
    member(beta, 4 | 8 | 16, b"notes.txt", b"A comment of " + b"x" * 600, b"AB\x04\0test"))
open(out + "/text-flag.gz", "wb").write(member(beta, 1 | 8, b"readme"))
open(out + "/long-name.gz", "wb").write(member(beta, 8, b"n" * 296 + b".txt"))
PY

# .Z at every maximum width that ncompress writes correctly (its -b 9 output
# is refused by both decoders), a CLEAR (text, then noise, at 10 bits), and the
# non-block form (no CLEAR code; 256 is the first free code) from our own
# encoder, checked with both decoders.
for bits in 10 11 12 13 14 15 16; do
    compress -b $bits -c widths.txt > "$out/b$bits.Z"
done
cat words.txt noise.bin words.txt > clear.in
compress -b 10 -c clear.in > "$out/clear.Z"
python3 - "$out/nonblock.Z" <<'PY'
import sys
data = open("widths.txt", "rb").read()
maxbits = 12
table = {bytes([i]): i for i in range(256)}
free, bits = 256, 9
out, acc, nacc, group = bytearray(b"\x1f\x9d" + bytes([maxbits])), 0, 0, []
def emit(code):
    global acc, nacc
    acc |= code << nacc
    nacc += bits
    while nacc >= 8:
        out.append(acc & 0xFF)
        acc >>= 8
        nacc -= 8
codes = 0
def put(code):
    global codes, free, bits
    emit(code)
    codes += 1
w = b""
pending = []
for c in data:
    wc = w + bytes([c])
    if wc in table:
        w = wc
        continue
    pending.append(table[w])
    if free < (1 << maxbits):
        table[wc] = free
        free += 1
    w = bytes([c])
pending.append(table[w])
# Widths follow the decoder: the code after the one that made free pass
# 2^bits - 1 is wider, and the codes before it are padded to a group of 8.
free, bits, count = 256, 9, 0
first = True
for code in pending:
    if free > (1 << bits) - 1 and bits < maxbits:
        while count % 8:
            emit(0)
            count += 1
        bits += 1
        count = 0
    emit(code)
    count += 1
    if first:
        first = False
    elif free < (1 << maxbits):
        free += 1
if nacc:
    out.append(acc & 0xFF)
open(sys.argv[1], "wb").write(out)
PY
compress -dc < "$out/nonblock.Z" | cmp - widths.txt
gzip -dc < "$out/nonblock.Z" | cmp - widths.txt

cd "$out"
# The reference: files as `tar -x` gives them (regular members only), and
# the output of `gzip -dc` and `compress -dc` under the name the reader
# gives it, or as extracted by `tar -x` for the tars inside.
python3 - "$work" <<'PY'
import hashlib, os, subprocess, sys, tarfile
work = sys.argv[1]
rows = []
def add(fixture, path, data):
    rows.append((fixture, path, str(len(data)), hashlib.sha256(data).hexdigest()))
def tar_rows(fixture, tarpath):
    dest = os.path.join(work, "x-" + fixture)
    os.makedirs(dest)
    subprocess.run(["tar", "-xf", tarpath, "-C", dest], check=True)
    with tarfile.open(tarpath) as t:
        for m in t.getmembers():
            if m.isreg() and not m.issparse():
                add(fixture, m.name, open(os.path.join(dest, m.name), "rb").read())
for f in ("gnu.tar", "ustar.tar", "pax.tar", "devices.tar", "sparse-gnu.tar", "sparse-pax.tar"):
    tar_rows(f, f)
def dc(tool, f):
    return subprocess.run([tool, "-dc", f], check=True, stdout=subprocess.PIPE).stdout
for n in range(1, 10):
    add("level%d.gz" % n, "words.txt", dc("gzip", "level%d.gz" % n))
add("no-name.gz", "no-name", dc("gzip", "no-name.gz"))
add("multi.gz", "alpha.txt", dc("gzip", "multi.gz"))
add("padded.gz", "beta.txt", subprocess.run(["gzip", "-dc", "padded.gz"], stdout=subprocess.PIPE).stdout)
add("name-comment.gz", "notes.txt", dc("gzip", "name-comment.gz"))
add("text-flag.gz", "readme.txt", dc("gzip", "text-flag.gz"))
add("long-name.gz", "n" * 255, dc("gzip", "long-name.gz"))
for n in range(10, 17):
    add("b%d.Z" % n, "b%d" % n, dc("compress", "b%d.Z" % n))
add("clear.Z", "clear", dc("compress", "clear.Z"))
add("nonblock.Z", "nonblock", dc("compress", "nonblock.Z"))
for f in ("folders.tgz", "folders.tar.Z"):
    tarpath = os.path.join(work, f + ".tar")
    open(tarpath, "wb").write(dc("gzip" if f.endswith("tgz") else "compress", f))
    tar_rows(f, tarpath)
with open("expected.tsv", "w") as out:
    for r in rows:
        out.write("\t".join(r) + "\n")
PY

# A gzipped tar cut short inside its last member (big.txt), as a download
# that stopped: cut.tsv lists the files `tar -xzf` recovered whole from it,
# the members before the damage, in the format of expected.tsv.
mkdir cut
cp words.txt noise.bin big.txt cut/
(cd cut && stamp_all && tarf --format=ustar -cf "$work/cut.tar" words.txt noise.bin big.txt)
gzip -9n < "$work/cut.tar" > "$work/cut-whole.tgz"
head -c $(($(wc -c < "$work/cut-whole.tgz") * 2 / 3)) "$work/cut-whole.tgz" > "$out/cut.tgz"
mkdir cut-x
tar -xzf "$out/cut.tgz" -C cut-x 2> /dev/null || true
for f in words.txt noise.bin big.txt; do
    if cmp -s "cut/$f" "cut-x/$f"; then
        printf 'cut.tgz\t%s\t%s\t%s\n' "$f" "$(stat -c %s "cut/$f")" \
            "$(sha256sum < "cut/$f" | cut -d' ' -f1)"
    fi
done > "$out/cut.tsv"
