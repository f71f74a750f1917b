#!/bin/sh
# Renders the pictures of tarvik's windows into docs/ and the program icon files, on the
# offscreen platform (no display needed). Usage: scripts/screenshots.sh [BUILD_DIR]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
"$root/scripts/ensure-deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tarvik_screenshots >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tarvik/tarvik_screenshots" \
    "$root/docs" "$root/tarvik/app/resources"
