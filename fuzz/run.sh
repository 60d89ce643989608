#!/usr/bin/env bash
# fuzz/run.sh NAME SECONDS: builds the libFuzzer entry point NAME (inflate,
# deflate64, shrink, reduce, implode, zip_extract, lzh_static, lh1,
# lha_extract, zoo_lzw, arj_extract, zoo_extract) with clang and runs it for SECONDS,
# starting from fuzz/corpus/NAME; inputs that crash land in fuzz/crashes/NAME.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: fuzz/run.sh NAME SECONDS" >&2
    exit 2
fi
name=$1
seconds=$2
cd "$(dirname "$0")/.."
. scripts/packages.sh
sorvane_ensure_packages clang-14 libclang-rt-14-dev
compiler=$(command -v clang++ || true)
[ -z "$compiler" ] && { echo "fuzz/run.sh: clang++ is not installed" >&2; exit 1; }
[ -f "fuzz/$name.cpp" ] || { echo "fuzz/run.sh: no entry point fuzz/$name.cpp" >&2; exit 2; }
out=build/fuzz
mkdir -p "$out/work-$name" "fuzz/corpus/$name" "fuzz/crashes/$name"
sources=(archive/codecs/*.cpp archive/arxStreamDecompress.cpp archive/arxMessages.cpp
         archive/arxStream.cpp platform/StreamFile.cpp)
# A whole reader needs the whole library and what it builds on.
if [ "$name" = zip_extract ] || [ "$name" = lha_extract ] || [ "$name" = arj_extract ] ||
    [ "$name" = zoo_extract ]; then
    sources=(archive/*.cpp archive/codecs/*.cpp platform/*.cpp catalogue/format/*.cpp -lutf8proc)
fi
"$compiler" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. "fuzz/$name.cpp" "${sources[@]}" -o "$out/fuzz_$name"
# New inputs go to a work folder; the committed corpus is read only.
exec "$out/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="fuzz/crashes/$name/" -print_final_stats=1 "$out/work-$name" "fuzz/corpus/$name"
