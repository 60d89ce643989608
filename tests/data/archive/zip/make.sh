#!/bin/sh
# Recreates the ZIP and JAR fixtures of this folder and their listings.
# Needs: zip, unzip (zipinfo), 7zz (package 7zip), jar (JDK), python3.
# Encrypted members carry a random 12-byte cipher header, so the two
# encrypted fixtures differ byte for byte on every run; all else is fixed.
. "$(dirname "$0")/../common.sh"

# Inputs: two small texts, a nested folder and a name outside ASCII.
write_alpha
write_beta
write_docs
# "café-ñandú.txt" in UTF-8, spelt in octal escapes.
utf8_name=$(printf 'caf\303\251-\303\261and\303\272.txt')
printf 'A name outside ASCII.\n' > "$utf8_name"
# Just over the 64 KiB minimum split size, incompressible, fixed seed.
python3 -c 'import random,sys; random.seed(20210304); sys.stdout.buffer.write(random.randbytes(70000))' > random.bin
stamp_all

# The listing fixtures (make-extract.sh writes the extraction fixtures beside them).
own="stored.zip deflated.zip encrypted-stored.zip encrypted-deflated.zip zip64.zip folders.zip
comment.zip split.zip split.z01 utf8-name.zip deflate64.zip bzip2.zip lzma.zip ppmd.zip x.jar
junk-prefix.zip zero-prefix.zip zero-prefix-noend.zip"
for f in $own; do rm -f "$out/$f" "$out/$f.list"; done

# -X leaves out the Unix extra fields (times, owner), which would vary.
zip -q -X -0 "$out/stored.zip" alpha.txt beta.txt
zip -q -X -9 "$out/deflated.zip" alpha.txt beta.txt
zip -q -X -0 -P secret "$out/encrypted-stored.zip" alpha.txt beta.txt
zip -q -X -9 -P secret "$out/encrypted-deflated.zip" alpha.txt beta.txt
zip -q -X -fz "$out/zip64.zip" alpha.txt beta.txt
zip -q -X -r "$out/folders.zip" docs
printf 'Archive comment of the fixture.\nSecond line.\n' | zip -q -X -z "$out/comment.zip" alpha.txt
zip -q -X -0 -s 64k "$out/split.zip" random.bin

# Info-ZIP 3.0 stores UTF-8 names without the language-encoding flag;
# 7-Zip's -mcu=on sets flag bit 11.
LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 -tzip -mcu=on -mtc=off -mx=0 "$out/utf8-name.zip" "$utf8_name"
for method in Deflate64 BZip2 LZMA PPMd; do
    lower=$(printf '%s' "$method" | tr '[:upper:]' '[:lower:]')
    7zz a -bso0 -bsp0 -tzip -mtc=off -mm=$method "$out/$lower.zip" alpha.txt beta.txt
done

jar --create --date=2021-03-04T05:06:08Z --file "$out/x.jar" alpha.txt docs

cd "$out"
# 100 bytes of text before an unchanged ZIP: stored offsets no longer match.
python3 -c 'import sys; sys.stdout.buffer.write((b"JUNK-PREFIX " * 9)[:100])' > junk.tmp
cat junk.tmp stored.zip > junk-prefix.zip
# 64 zero bytes before an unchanged ZIP.
head -c 64 /dev/zero > zeros.tmp
cat zeros.tmp stored.zip > zero-prefix.zip
# The same without central directory and end record: local headers only.
python3 - <<'PY'
data = open("stored.zip", "rb").read()
central = data.find(b"PK\x01\x02")
open("zero-prefix-noend.zip", "wb").write(b"\0" * 64 + data[:central])
PY
rm -f junk.tmp zeros.tmp

for f in $own; do
    case $f in zero-prefix-noend.zip | split.z01) continue ;; esac
    # Status 1 is a warning (bytes before the archive).
    unzip -Z -l "$f" > "$f.list" 2>&1 || [ $? -eq 1 ]
done
# Under a UTF-8 locale zipinfo shows the name itself, not #U escapes.
LC_ALL=C.UTF-8 unzip -Z -l utf8-name.zip > utf8-name.zip.list
# zipinfo lists neither a first split volume nor a ZIP without directory:
# lsar reads the split set from its first volume, bsdtar reads the local
# headers behind the zeros.
lsar -l split.z01 > split.z01.list
tail -c +65 zero-prefix-noend.zip | bsdtar -tvf - > zero-prefix-noend.zip.list 2>/dev/null ||
    true  # bsdtar lists every member, then fails on the missing directory
