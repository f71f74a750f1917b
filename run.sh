#!/bin/sh
# Builds the programs, serves the bundled demo rack with testsystem-sim in a private device
# directory, lets tarvik read the configuration from that simulated test system and generate
# its four Testmappen (self-test, actual values, calibration and its actual values) into
# out/Testmappen of the working tree. Extra arguments go to tarvik (for example:
# --card "1=(leer)", --instrument "Keithley 2000", --dry-run).
set -eu
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/build.sh" "$root/build"

work="$(mktemp -d)"
export KONTROLLWERK_DEVICE_DIR="$work/dev"
"$root/build/sim/testsystem-sim" "$root/sim/racks/demo.rack" >"$work/announced" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# The simulator prints "bereit" once its adapters accept connections.
tries=0
until grep -qx bereit "$work/announced" 2>/dev/null; do
    if ! kill -0 "$sim" 2>/dev/null || [ "$tries" -ge 100 ]; then
        echo "run.sh: testsystem-sim ist nicht bereit geworden" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

target="$root/out/Testmappen"
"$root/build/tarvik/tarvik" --batch --list
"$root/build/tarvik/tarvik" --batch --target "$target" --name DEMO --cal --xab60v --yes "$@"
echo "run.sh: Die Testmappen liegen in $target"
