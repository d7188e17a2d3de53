#!/bin/sh
# Installs the Debian packages needed to build Pinwick and run its tests, and
# nothing more: what the program only recommends (xdg-utils, for the help
# pages) stays out, and the tests set up or stub such things themselves.
# Quick when everything is already there: apt is only touched for missing packages.
set -e

PACKAGES="build-essential cmake pkg-config ninja-build
qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n
libsqlcipher-dev sqlcipher libssl-dev
libcurl4-openssl-dev
libsodium-dev minisign openssl python3-openssl
libgtest-dev libgmock-dev googletest libbenchmark-dev
libxcb1-dev
libwayland-dev wayland-protocols qt6-wayland
libical-dev
xvfb xdotool imagemagick x11-utils openbox xterm x11-xserver-utils
sway grim foot
python3-pyftpdlib nginx
at-spi2-core python3-pyatspi dbus
lintian
fonts-dejavu-core"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "Installing:$missing"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
