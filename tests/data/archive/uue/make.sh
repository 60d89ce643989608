#!/bin/sh
# Recreates the uuencoded fixtures of this folder. Needs: uuencode and
# uudecode (package sharutils).
# No tool lists a uuencoded file: each listing is its "begin" line and the
# size that uudecode writes.
. "$(dirname "$0")/../common.sh"

umask 022
write_beta

rm -f "$out"/*.uue "$out"/*.list
# "begin 644 beta.txt" on the first line.
uuencode beta.txt beta.txt > "$out/begin-644.uue"
# Base64 form: "begin-base64 644 beta.txt".
uuencode -m beta.txt beta.txt > "$out/base64.uue"
# A mail text before the begin line.
{
    printf 'From: fixtures@example.invalid\nSubject: beta.txt\n\n'
    printf 'The file follows.\n\n'
    uuencode beta.txt beta.txt
} > "$out/mail-text.uue"
# "begin" alone on its line, then the encoded lines that start with "M".
uuencode beta.txt beta.txt | sed '1s/.*/begin/' > "$out/begin-alone.uue"

cd "$out"
for f in *.uue; do
    {
        grep -m 1 '^begin' "$f"
        printf 'decoded bytes: '
        sed '1,/^begin/s/^begin$/begin 644 beta.txt/' "$f" | uudecode -o /dev/stdout | wc -c
    } > "$f.list"
done
