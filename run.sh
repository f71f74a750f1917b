#!/bin/sh
# Builds tarvik and runs it headless on the bundled default rack.
set -eu
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/tarvik/tarvik" -i --batch --system KPRQ860 --expansion 1 \
    --card "4=KVR860 (NG+-)" --list "$@"
