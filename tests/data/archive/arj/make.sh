#!/bin/sh
# Recreates the ARJ fixtures of this folder and their listings (arj v).
# Needs: arj, faketime (ARJ stamps the archive with the current time), python3.
# The garbled fixture's password is "secret".
. "$(dirname "$0")/../common.sh"

now='2021-03-05 10:20:30'
# -j$ leaves out access and creation times; fresh stamps all the same.
# NO_FAKE_STAT keeps the real file times visible under faketime.
arj_at() {
    stamp_all
    NO_FAKE_STAT=1 faketime -f "$now" arj "$@" -j\$ -y -i > /dev/null
}

write_alpha
write_beta
write_docs
# 24,000 incompressible bytes: three volumes at the smallest size, 10K.
python3 -c 'import random,sys; random.seed(1998); sys.stdout.buffer.write(random.randbytes(24000))' > random.bin

rm -f "$out"/*.arj "$out"/*.a0? "$out"/*.list

# -2d writes DOS-compatible headers (host OS MS-DOS, no UNIX extensions).
for m in 0 1 2 3 4; do
    arj_at a -2d -m$m "$out/method$m.arj" alpha.txt beta.txt
done
arj_at a -2d -m1 -gsecret "$out/garbled.arj" alpha.txt beta.txt
# Without -2d: host OS UNIX, folders with their paths.
arj_at a -m1 -r "$out/unix-host.arj" docs
arj_at a -2d -m0 -v10K "$out/multivol.arj" random.bin

cd "$out"
for f in *.arj *.a0?; do
    arj v "$f" > "$f.list"
done

# ---- Fixtures of the extraction tests (expected.tsv lists what arj x gives).
cd "$work"
# 70,000 bytes of text drawn from a few words: methods 1 to 4 run past their windows.
python3 -c '
import random
random.seed(2021)
words = "alpha beta gamma delta ledger disk folder catalogue volume archive the of and".split()
out, n = [], 0
while n < 70000:
    line = " ".join(random.choice(words) for _ in range(random.randint(3, 12))) + "\n"
    out.append(line); n += len(line)
open("long.txt", "w").write("".join(out)[:70000])'
mkdir -p tree/empty
cp -r docs tree/
stamp_all
for m in 1 2 3 4; do
    arj_at a -2d -m$m "$out/long$m.arj" long.txt
done
arj_at a -2d -m4 -gsecret "$out/garbled4.arj" alpha.txt beta.txt
# Three members in a row (methods 1 and 4): the tests damage the first and
# check the two after it.
for m in 1 4; do
    arj_at a -2d -m$m "$out/three$m.arj" beta.txt long.txt alpha.txt
done
arj_at a -2d -t1 "$out/text.arj" alpha.txt beta.txt
# -a1 stores folders too (file type 3), the empty one included.
(cd tree && arj_at a -2d -r -a1 "$out/dirs.arj" '*')
# Hand-made from method0.arj: a volume label entry before the members, and a
# member after the end marker that no reader may take.
python3 - "$out" <<'PY'
import struct, sys, zlib
out = sys.argv[1]
data = open(out + "/method0.arj", "rb").read()
def header(name, ftype, payload=b""):
    basic = struct.pack("<BBBBBBBBIIIIHHH", 30, 11, 1, 0, 0, 0, ftype, 0,
                        0x5264528F, len(payload), len(payload), zlib.crc32(payload), 0, 0x20, 0)
    basic += name + b"\0" + b"\0"
    return (struct.pack("<HH", 0xEA60, len(basic)) + basic +
            struct.pack("<I", zlib.crc32(basic)) + b"\0\0" + payload)
main_end = 4 + struct.unpack_from("<H", data, 2)[0] + 4 + 2
label = header(b"DISK-LABEL", 4)
open(out + "/label.arj", "wb").write(data[:main_end] + label + data[main_end:])
ghost = header(b"ghost.txt", 0, b"not a member\n")
open(out + "/trailing.arj", "wb").write(data + ghost + b"\x60\xea\0\0")
PY

# What arj x extracts; 7-Zip must give the same bytes for methods 1 to 4.
cd "$out"
: > expected.tsv
for f in method0 method1 method2 method3 method4 long1 long2 long3 long4 garbled garbled4 \
         text dirs unix-host multivol label trailing three1 three4; do
    rm -rf "$work/x" "$work/z"
    mkdir -p "$work/x" "$work/z"
    volumes=; [ $f = multivol ] && volumes=-v
    (cd "$work/x" && arj x $volumes -y -gsecret "$out/$f.arj" > /dev/null)
    case $f in
    method[1-4] | long[1-4] | three[14] | unix-host)
        7zz x -y -o"$work/z" "$out/$f.arj" > /dev/null
        diff -r "$work/x" "$work/z" ;;
    esac
    (cd "$work/x" && find . -type f | sort | while read -r p; do
        p=${p#./}
        printf '%s\t%s\t%s\t%s\t%s\n' "$f.arj" "$p" "$(stat -c %s "$p")" \
            "$(sha256sum "$p" | cut -d' ' -f1)" "$(date -r "$p" '+%Y-%m-%d %H:%M:%S')"
    done) >> expected.tsv
    (cd "$work/x" && find . -mindepth 1 -type d | sort | sed "s|^\./|$f.arj\t|;s|\$|/|") >> expected.tsv
done
for f in long1 long2 long3 long4 garbled4 text dirs label trailing three1 three4; do
    arj v "$f.arj" > "$f.arj.list"
done
