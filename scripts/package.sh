#!/bin/sh
# Builds the Debian package: a Release build of the programs alone (no tests, benchmarks or
# screenshot tools, so GoogleTest is not needed), then cpack. Prints the package's path.
# Usage: scripts/package.sh [BUILD_DIR] (default: build-release) [cmake options]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
[ $# -gt 0 ] && shift
# Disabling GTest makes the configure fail should anything still look for GoogleTest.
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON --no-warn-unused-cli "$@" >&2
rm -f "$build"/kontrollwerk_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$build"/kontrollwerk_*.deb
