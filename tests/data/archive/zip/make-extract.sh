#!/bin/sh
# Recreates the ZIP extraction fixtures of this folder and expected.tsv, the
# reference every extraction test compares with: for each fixture (these and
# the ZIP and JAR listing fixtures that make.sh writes here) the files that unzip (7zz for split
# sets) extracted, one line each: fixture, path, size, SHA-256, modification
# time (local time of the DOS stamp) and whether the file came out read-only.
# Needs: zip, unzip, 7zz (package 7zip), python3.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
write_docs
# About 200 KB of text that compresses badly: random words, fixed seed.
python3 - <<'PY'
import random
random.seed(18)
words = ["".join(random.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(random.randint(2, 9)))
         for _ in range(5000)]
lines = [" ".join(random.choice(words) for _ in range(12)) for _ in range(3000)]
open("words.txt", "w").write("\n".join(lines) + "\n")
PY
cp alpha.txt locked.txt
stamp_all
chmod 444 locked.txt

for f in bomb.zip descriptor.zip descriptor-noend.zip encrypted-descriptor.zip hostile.zip links.zip \
    method99.zip readonly.zip split-deflate.zip split-deflate.z01 aes.zip expected.tsv; do
    rm -f "$out/$f"
done

# Streamed to a pipe: every member has a data descriptor (flag bit 3).
zip -q -X - alpha.txt beta.txt | cat > "$out/descriptor.zip"
zip -q -X -P secret - alpha.txt beta.txt | cat > "$out/encrypted-descriptor.zip"
# A Deflate member that goes on from one split part to the next.
zip -q -X -9 -s 64k "$out/split-deflate.zip" words.txt
# One read-only file beside a writable one.
zip -q -X "$out/readonly.zip" locked.txt beta.txt
# A plain member, then one enciphered with AES-256 by 7-Zip (method 99);
# it differs byte for byte on every run (random salt).
7zz a -bso0 -bsp0 -tzip -mtc=off "$out/aes.zip" alpha.txt
7zz a -bso0 -bsp0 -tzip -mtc=off -psecret -mem=AES256 "$out/aes.zip" beta.txt

cd "$out"
python3 - <<'PY'
import struct, zipfile, zlib

# The descriptor fixture without its central directory: local headers only.
data = open("descriptor.zip", "rb").read()
open("descriptor-noend.zip", "wb").write(data[:data.find(b"PK\x01\x02")])

def stored_zip(path, members, unix=False):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for name, text, mode in members:
            info = zipfile.ZipInfo(name, (2021, 3, 4, 5, 6, 8))
            if mode:
                info.create_system = 3
                info.external_attr = mode << 16
            z.writestr(info, text)

# Names that lead out of the destination, beside a harmless one.
stored_zip("hostile.zip", [("../evil.txt", "up one\n", 0),
                           ("/tmp/sorvane-absolute.txt", "absolute\n", 0),
                           ("docs/../../up-two.txt", "up two\n", 0),
                           ("C:\\windows.txt", "drive\n", 0),
                           ("safe.txt", "stays inside\n", 0)])
# A symbolic link member, then a member that would go through it.
stored_zip("links.zip", [("lnk", "/tmp", 0o120777), ("lnk/escape.txt", "through the link\n", 0)])

# A bomb: 20 MB of zeros deflated, each member declaring 1,000 bytes.
with zipfile.ZipFile("bomb.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("bomb1.bin", "bomb2.bin"):
        z.writestr(zipfile.ZipInfo(name, (2021, 3, 4, 5, 6, 8)), b"\0" * 20_000_000,
                   compress_type=zipfile.ZIP_DEFLATED)
data = bytearray(open("bomb.zip", "rb").read())
pos = 0
while True:
    local = data.find(b"PK\x03\x04", pos)
    central = data.find(b"PK\x01\x02", pos)
    hits = [p for p in (local, central) if p >= 0]
    if not hits:
        break
    p = min(hits)
    struct.pack_into("<I", data, p + (22 if p == local else 24), 1000)
    pos = p + 4
open("bomb.zip", "wb").write(bytes(data))

# A member of an unknown method (99) between two stored ones.
with zipfile.ZipFile("method99.zip", "w", zipfile.ZIP_STORED) as z:
    for name in ("first.txt", "odd.bin", "last.txt"):
        z.writestr(zipfile.ZipInfo(name, (2021, 3, 4, 5, 6, 8)), name + " text\n")
data = bytearray(open("method99.zip", "rb").read())
for signature, at in ((b"PK\x03\x04", 8), (b"PK\x01\x02", 10)):
    pos = 0
    while (p := data.find(signature, pos)) >= 0:
        if data[p + (30 if at == 8 else 46):].startswith(b"odd.bin"):
            struct.pack_into("<H", data, p + at, 99)
        pos = p + 4
open("method99.zip", "wb").write(bytes(data))
PY

# The reference extraction of every fixture.
expect() {
    fixture=$1
    ref=$work/ref/$fixture
    mkdir -p "$ref"
    shift
    "$@" > /dev/null 2>&1 || true
    (cd "$ref" && find . -type f | sort | while read -r f; do
        size=$(stat -c %s "$f")
        sum=$(sha256sum < "$f" | cut -d' ' -f1)
        when=$(date -d "@$(stat -c %Y "$f")" '+%Y-%m-%d %H:%M:%S')
        # Read-only: the owner may not write (whoever runs this script).
        ro=1
        case $(stat -c %A "$f") in ??w*) ro=0 ;; esac
        printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$fixture" "${f#./}" "$size" "$sum" "$when" "$ro"
    done) >> expected.tsv
}
: > expected.tsv
# unzip as a user who may write anything: -w tests need a normal user.
for f in stored.zip deflated.zip encrypted-stored.zip \
         encrypted-deflated.zip zip64.zip folders.zip comment.zip \
         utf8-name.zip deflate64.zip x.jar junk-prefix.zip \
         zero-prefix.zip descriptor.zip encrypted-descriptor.zip readonly.zip; do
    name=$(basename "$f")
    LC_ALL=C.UTF-8 expect "$name" unzip -q -o -P secret "$f" -d "$work/ref/$name"
done
for f in split.zip split-deflate.zip; do
    name=$(basename "$f")
    expect "$name" 7zz x -bso0 -bsp0 -y "-o$work/ref/$name" "$f"
done
# unzip refuses an archive without its directory: the reference is the
# archive it was cut from. A member whose sizes follow its data ends the
# local-header walk, so only the first member of descriptor-noend.zip counts.
expect descriptor-noend.zip unzip -q -o descriptor.zip alpha.txt -d "$work/ref/descriptor-noend.zip"
expect zero-prefix-noend.zip unzip -q -o stored.zip -d "$work/ref/zero-prefix-noend.zip"
