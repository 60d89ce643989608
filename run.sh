#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with FOLDER (default
# $HOME/Sorvane, created when missing) as its catalogue root.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
. scripts/packages.sh
sorvane_ensure_packages

folder=${1:-$HOME/Sorvane}
mkdir -p "$folder"

sorvane_configure build/release -DCMAKE_BUILD_TYPE=Release
# Only the program, its modules and its language files: the tests and the
# benchmarks are ./test.sh's to build.
sorvane_build_program build/release

program="$root/build/release/app/sorvane"
if [ ! -x "$program" ]; then
    echo "run.sh: this build has no program window to start; ./test.sh runs the engine tests." >&2
    exit 1
fi
cd "$folder"
exec "$program"
