#!/bin/sh
# Configures and builds into a build folder. Usage: scripts/build.sh BUILD_DIR [cmake options]
# With KW_WERROR=ON in the environment (as .ci/run sets it) warnings are errors.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
shift
"$root/scripts/ensure-deps.sh"
cmake -S "$root" -B "$build" -G Ninja ${KW_WERROR:+"-DKW_WERROR=$KW_WERROR"} "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
