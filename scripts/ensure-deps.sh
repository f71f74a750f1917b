#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, only those that are missing:
# the build, real USB adapters and their emulation with fault injection, the tests on a real X
# screen.
set -eu
# dpkg-dev and file: cpack's Debian package (its Depends computed by dpkg-shlibdeps);
# qt6-translations-l10n: Qt's German texts, which the programs load at start.
packages="g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev fonts-dejavu-core
dpkg-dev file qt6-translations-l10n
libusb-1.0-0-dev umockdev libumockdev-dev strace
xvfb openbox xdotool x11-apps x11-utils imagemagick"
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installiere fehlende Pakete:$missing" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
