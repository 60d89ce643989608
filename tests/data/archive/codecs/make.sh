#!/usr/bin/env bash
# Makes the decoder fixtures of this folder and checks them with the tools
# that can: unzip, 7-Zip (7zz) and unar for shrink, implode and Deflate64
# (nothing on Debian decodes reduce: its members carry the CRC-32 of the
# generator's own plaintext). Deflate64 from 7-Zip's own encoder as well.
set -euo pipefail
cd "$(dirname "$0")"
python3 make_legacy.py
# 34,000 random bytes, text, and the same random bytes again: matches reach
# past 32 KB, which only Deflate64 can code.
python3 - <<'PY'
import make_legacy as m
open("d64-input.bin", "wb").write(m.noise(34000, 40) + m.text(20000, 41) + m.noise(34000, 40))
PY
rm -f deflate64-7z.zip
7zz a -tzip -mm=Deflate64 -mx=9 deflate64-7z.zip d64-input.bin >/dev/null
rm -f d64-input.bin
for zip in shrink.zip implode.zip deflate64-hand.zip deflate64-7z.zip; do
    echo "== $zip"
    unzip -t "$zip" || true
    7zz t "$zip" | grep -E "Everything is Ok|ERROR" || true
    out=$(mktemp -d)
    unar -q -o "$out" "$zip" >/dev/null 2>&1 && echo "unar: ok" || echo "unar: failed"
    rm -rf "$out"
done
