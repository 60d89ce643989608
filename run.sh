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
cmake --build build/release -j "$(nproc)"

program="$root/build/release/app/sorvane"
if [ ! -x "$program" ]; then
    echo "run.sh: this build has no program window to start; ./test.sh runs the engine tests." >&2
    exit 1
fi
cd "$folder"
exec "$program"
