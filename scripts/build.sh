#!/bin/sh
# Configures and builds into a build folder. Usage: scripts/build.sh BUILD_DIR [cmake options]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
shift
"$root/scripts/ensure-deps.sh"
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
