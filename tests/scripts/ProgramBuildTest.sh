#!/usr/bin/env bash
# What run.sh builds: the program, its three extraction modules and its two
# language files, and nothing of the tests, benchmarks, fuzz replays or tools;
# on a build that is up to date it has nothing to do (no relink). Run after the
# whole build, as ./test.sh runs it.
# Usage: ProgramBuildTest.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
cd "$source_dir"
. scripts/packages.sh

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

grep -q '^sorvane_build_program build/release' run.sh || fail "run.sh does not build through sorvane_build_program"

inputs=$(ninja -C "$build_dir" -t inputs "$SORVANE_PROGRAM_TARGET")
outputs=$(ninja -C "$build_dir" -t commands "$SORVANE_PROGRAM_TARGET")
for wanted in app/sorvane app/english.ini app/spanish.ini app/libsorvane-ace.so \
    app/libsorvane-unrar.so app/sorvane-cabinet.so; do
    grep -q -- "$wanted" <<<"$outputs" || fail "the program build makes no $wanted"
done
if grep -E "^(${source_dir}/)?(tests|bench|fuzz|tools)/" <<<"$inputs"; then
    fail "the program build takes the inputs above, which belong to tests, benchmarks, fuzz replays or tools"
fi

# The build of an up-to-date tree compiles, links and copies nothing (the
# check of the source globs that CMake asks for runs every time and builds
# nothing).
again=$(sorvane_build_program "$build_dir")
steps=$(grep -E '^\[[0-9]+/[0-9]+\]' <<<"$again" | grep -v 'Re-checking globbed directories' || true)
[ -z "$steps" ] || fail "an up-to-date program build still runs: $steps"
echo "1 passed, 0 failed"
