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
