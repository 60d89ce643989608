#!/usr/bin/env bash
# Builds the program and saves pictures of its main window under the offscreen
# platform: a catalogue open (docs/main-window.png), and the search page after a
# search with the hits marked, in English and in Spanish (docs/search-english.png,
# docs/search-spanish.png).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
sorvane_ensure_packages
sorvane_configure build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target sorvane_screenshot -j "$(nproc)"
QT_QPA_PLATFORM=offscreen build/release/tools/sorvane_screenshot "$(pwd)/build/release/app" \
    docs/main-window.png docs/search-english.png docs/search-spanish.png
echo "docs/main-window.png, docs/search-english.png and docs/search-spanish.png written"
