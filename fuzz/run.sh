#!/usr/bin/env bash
# fuzz/run.sh NAME SECONDS [LIBFUZZER OPTIONS]: builds the libFuzzer entry point fuzz/NAME.cpp (the
# names are listed in fuzz/CMakeLists.txt) with clang and runs it for SECONDS,
# starting from fuzz/corpus/NAME; inputs that crash land in fuzz/crashes/NAME.
# Further options go to the fuzzer (-jobs=2 -workers=2 on a shared machine).
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
         archive/arxStream.cpp platform/*.cpp -lutf8proc)
# A whole reader needs the whole library (top, family folders, codecs) and what it builds on.
library=(archive/*.cpp archive/{zip,lha,arj,zoo,arc,tar,gzip,rar,cab,ace,listonly}/*.cpp
         archive/codecs/*.cpp platform/*.cpp catalogue/format/*.cpp)
case "$name" in
*_extract) sources=("${library[@]}" -lutf8proc) ;;
esac
# The listing of cataloguing: the whole library and the bridge over it.
if [ "$name" = listing ]; then
    sources=("${library[@]}" catalogue/scan/ArchiveBridge.cpp -lutf8proc)
fi
# The TGA picture needs only its own reader and the bounded byte reads.
if [ "$name" = tga ]; then
    sources=(catalogue/metadata/TargaImage.cpp catalogue/metadata/ByteReader.cpp platform/*.cpp
             catalogue/format/*.cpp -lutf8proc)
fi
# The ACE reader loads its module: built beside the fuzzer, instrumented too.
if [ "$name" = ace_extract ]; then
    "$compiler" -std=c++20 -O1 -g -shared -fPIC -fsanitize=fuzzer-no-link,address,undefined \
        -fno-sanitize-recover=undefined -I. archive/modules/AceModule.cpp \
        archive/codecs/arxAceLz77.cpp archive/ace/arxAceHeader.cpp archive/arxCrc.cpp \
        -o "$out/libsorvane-ace.so"
    sources+=(-DACE_FUZZ_MODULE="\"$(pwd)/$out/libsorvane-ace.so\"")
fi
# The RAR extraction links the RAR module's source and libarchive as well.
if [ "$name" = rar_extract ]; then
    sources=("${library[@]}" archive/modules/rar/RarModule.cpp -lutf8proc -larchive)
fi
# The cabinet reader with the cabinet module's code linked in (libmspack).
if [ "$name" = cab_extract ]; then
    sorvane_ensure_packages libmspack-dev
    sources=("${library[@]}" archive/modules/cabinet/CabinetModule.cpp -lutf8proc -lmspack)
fi
"$compiler" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. "fuzz/$name.cpp" "${sources[@]}" -o "$out/fuzz_$name"
# New inputs go to a work folder; the committed corpus is read only. The
# paths are absolute, for the entry points that change their current folder,
# and the fuzzer runs in the build folder, where -jobs leaves its logs.
root=$(pwd)
cd "$out"
exec "./fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$root/fuzz/crashes/$name/" -print_final_stats=1 "${@:3}" \
    "$root/$out/work-$name" "$root/fuzz/corpus/$name"
