#!/usr/bin/env bash
# Builds the program and saves a picture of its main window, a catalogue open,
# to docs/main-window.png, under the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
sorvane_ensure_packages
sorvane_configure build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target sorvane_screenshot -j "$(nproc)"
QT_QPA_PLATFORM=offscreen build/release/tools/sorvane_screenshot "$(pwd)/build/release/app" docs/main-window.png
echo "docs/main-window.png written"
