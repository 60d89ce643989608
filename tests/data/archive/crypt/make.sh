#!/bin/sh
# Makes the enciphered ZIP fixtures of the ZIP cipher tests with Info-ZIP's
# zip (Debian's "zip" package). Every member is stored (-0), so the deciphered
# data is the text itself; -X leaves out the extra fields.
#   stored.zip     two members, password "Sorvane-1". zip sets flag bit 3 on
#                  enciphered members, so their header check byte is the high
#                  byte of the DOS time.
# The texts are written beside the archives for the comparison. The first 11
# bytes of each 12-byte encryption header are random, so every run differs.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf 'The quick brown fox jumps over the lazy dog.\n' > quick.txt
printf 'Sorvane catalogues disks.\nLine two of the second member.\n' > second.txt
touch -d '2021-06-15 13:45:30' quick.txt second.txt

rm -f stored.zip
cp -p quick.txt second.txt "$tmp/"
(cd "$tmp" && TZ=UTC zip -q -X -0 -P 'Sorvane-1' stored.zip quick.txt second.txt)
mv "$tmp/stored.zip" .
