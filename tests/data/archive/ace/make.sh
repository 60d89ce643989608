#!/bin/sh
# Recreates the ACE fixtures of this folder with our own ACE 1.0 encoder
# (make_ace.py; no Debian tool writes ACE), checks every archive with
# `unace t` (package unace, ACE 1.0 only) and records what `unace x` extracts
# in expected.tsv: name, size, SHA-256 (names as unace writes them, "/"
# between folders). Needs python3, unace.
. ../common.sh
write_alpha
write_beta
write_docs
python3 "$out/make_ace.py" "$out"

# unace asks before each further volume and before overwriting: answer yes.
for f in stored lz77 large volumes solid; do
    result=$(yes | timeout 20 unace t "$out/$f.ace" 2>&1)
    case $result in
    *CRC-check\ error* | *rror*) echo "$f.ace: unace t failed" >&2; echo "$result" >&2; exit 1 ;;
    esac
    echo "$result" | grep -q "CRC OK" || { echo "$f.ace: no CRC OK" >&2; exit 1; }
done

: > "$out/expected.tsv"
# ace20.ace, encrypted.ace and hostile.ace end unace's run at their first refused member
# (ours goes on), so only the archives it reads whole are recorded.
for f in stored lz77 large volumes solid; do
    mkdir -p "x/$f" && (cd "x/$f" && yes | timeout 20 unace x "$out/$f.ace" > /dev/null 2>&1 || true)
    (cd "x/$f" && find . -type f | sort | while read -r file; do
        name=${file#./}
        printf '%s\t%s\t%s\t%s\n' "$f.ace" "$name" "$(wc -c < "$file" | tr -d ' ')" \
            "$(sha256sum "$file" | cut -d' ' -f1)"
    done) >> "$out/expected.tsv"
done
