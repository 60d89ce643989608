#!/bin/sh
# Recreates the RAR fixtures of this folder (make_rar.py, standard library
# only) and the reference extraction expected.tsv: every file that both unar
# and bsdtar -x (libarchive-tools) extract from the stored RAR fixtures here
# and in ../synth, with its size and SHA-256. The two must agree file for file,
# except on ../synth/unix-host.rar: unar keeps the "/" of its Unix-host name
# "docs/top.txt" as part of one file name ("docs_top.txt"), where bsdtar and the
# listing read a folder; bsdtar alone is its reference. bsdtar takes one file
# and cannot be handed the rest of a volume set: for oldvol, newvol and vol4
# unar alone is the reference, as for the self-extractor rar-at-image-end.exe,
# which bsdtar does not recognise.
# hostile.rar, encrypted.rar, link.rar and rar20.rar have no reference: the
# reader must refuse their hostile names and link and report the members it
# cannot decode. times.rar is checked below: bsdtar, extracting in
# Europe/Madrid, must give each member the second the family time table
# expects (libarchive puts the whole seconds where the fraction belongs, so
# the fractions are checked by the table alone).
set -eu
cd "$(dirname "$0")"
export TZ=UTC LC_ALL=C.UTF-8

python3 make_rar.py
touch -d '2021-03-04 05:06:08' ./*.rar

lsar -l vol4.part0001.rar >vol4.part0001.rar.list

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
listing() {
    (cd "$1" && find . -type f | sort | while read -r f; do
        printf '%s\t%s\t%s\n' "${f#./}" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -d' ' -f1)"
    done)
}
: >expected.tsv
for f in ../synth/stored.rar ../synth/unix-host.rar ../synth/oldvol.rar ../synth/newvol.part1.rar \
    ../synth/rar-at-image-end.exe names.rar vol4.part0001.rar; do
    rm -rf "$work/u" "$work/b"
    mkdir -p "$work/u" "$work/b"
    unar -q -f -D -o "$work/u" "$f" >/dev/null
    listing "$work/u" >"$work/u.tsv"
    case $f in
    *vol* | *.exe) cp "$work/u.tsv" "$work/b.tsv" ;;
    *)
        bsdtar -xf "$f" -C "$work/b"
        listing "$work/b" >"$work/b.tsv"
        ;;
    esac
    [ "$f" = ../synth/unix-host.rar ] || diff "$work/u.tsv" "$work/b.tsv"
    sed "s|^|$f\t|" "$work/b.tsv" >>expected.tsv
done
cat expected.tsv

rm -rf "$work/t" && mkdir "$work/t"
TZ=Europe/Madrid bsdtar -xf times.rar -C "$work/t"
(cd "$work/t" && stat -c '%n %Y' ./* | sed 's|^\./||' | sort) >"$work/times"
diff - "$work/times" <<'EOF'
2040.txt 2208988801
dated 1614834369
dos.txt 1614830768
fraction.txt 1614834369
large.txt 1614834369
odd.txt 1614834369
one-byte.txt 1614834368
read-only.txt 1614834368
salted.txt 1614834369
EOF
