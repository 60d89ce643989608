#!/usr/bin/env bash
# bench/run.sh NAME: builds and runs benchmark NAME side by side with its peer;
# the last line printed is "NAME: ratio X.XX", our time over the peer's.
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: bench/run.sh NAME  (one of: $(sed -n 's/^sorvane_benchmark(\([a-z_0-9]*\).*/\1/p' "$(dirname "$0")/CMakeLists.txt" | tr '\n' ' '))" >&2
    exit 2
fi
name=$1
shift
cd "$(dirname "$0")/.."
. scripts/packages.sh
# A benchmark's peer tool, installed when missing.
case "$name" in
    search) peer_packages=(grep) ;;
    listing) peer_packages=(unzip libarchive-tools) ;;
    unzip) peer_packages=(zip unzip) ;;
    inflate) peer_packages=(zlib1g-dev libdeflate-dev) ;;
    lha) peer_packages=(jlha-utils lhasa) ;;
    gunzip) peer_packages=(gzip) ;;
    uncompress) peer_packages=(ncompress) ;;
    cabinet) peer_packages=(gcab 7zip) ;;
    arj) peer_packages=(arj 7zip) ;;
    *) peer_packages=() ;;
esac
sorvane_ensure_packages "${peer_packages[@]}"
sorvane_configure build/release -DCMAKE_BUILD_TYPE=Release -DSORVANE_BENCHMARKS=ON
cmake --build build/release --target "bench_$name" -j "$(nproc)"
exec "build/release/bench/bench_$name" "$@"
