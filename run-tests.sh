#!/bin/sh
# Builds everything and runs all tests. With --sanitize: the same with ASan and UBSan.
set -eu
root="$(cd "$(dirname "$0")" && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
    "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKW_SANITIZE=ON
    cd "$root/build-asan"
else
    "$root/scripts/build.sh" "$root/build"
    cd "$root/build"
fi
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
