#!/usr/bin/env bash
# Installs what is missing, checks the sources' format, builds, and runs every
# test: once optimised, then the engine tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
sorvane_ensure_packages "${SORVANE_TEST_PACKAGES[@]}"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

# Every C++ source keeps the project's .clang-format (the tracked files in a
# checkout; every source outside the build folders in an unpacked copy).
sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z '*.cpp' '*.h'
    else
        find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -type f -print0
    fi
}
sources | xargs -0 clang-format --dry-run --Werror

sorvane_configure build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

sorvane_configure build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DSORVANE_SANITIZE=ON -DSORVANE_BENCHMARKS=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan -L engine --output-on-failure -j "$jobs"
