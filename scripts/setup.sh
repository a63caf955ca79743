#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Korvane needs to build and test, only those that are missing.
# Safe to run again; needs root or sudo when something is missing.
# Usage: scripts/setup.sh [screenshots|windows]
#   screenshots: also what scripts/screenshots.sh needs
#   windows: also what scripts/windows/build.sh needs to cross-build, test and package for Windows
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config clang-format
    fonts-wqy-zenhei
    qt6-base-dev qt6-serialport-dev libgl-dev
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n  # the translations: lupdate, lrelease, Qt's own
    libxlsxwriter-dev python3-openpyxl
    libbenchmark-dev
    tzdata  # the tests run in named time zones
    libmosquitto-dev libssl-dev  # libssl-dev: certificate authority files are read at start
    mosquitto mosquitto-clients openssl  # the tests run a real broker, with TLS and passwords
    dbus  # dbus-run-session: the notification test's own session bus
    clang libclang-rt-dev  # the fuzz preset: clang++ and its ASan, UBSan and libFuzzer runtimes
    poppler-utils  # pdftotext: the tests read the survey report's text back
    librsvg2-bin  # the icon's PNG sizes are drawn from its SVG at build time
    dpkg-dev file  # cpack's DEB generator: dpkg-shlibdeps for Depends, file to find the programs
    lintian desktop-file-utils appstream man-db  # scripts/check-package.sh
)

if [[ "${1:-}" == screenshots ]]; then
    # A real X server, keys and a dark desktop theme for the pictures in docs/.
    packages+=(xvfb xdotool imagemagick qt6-gtk-platformtheme gnome-themes-extra)
fi

if [[ "${1:-}" == windows ]]; then
    # MinGW-w64 with the posix thread model (Qt needs it), wine to run the tests, NSIS for the
    # installer, zip for the portable archive; sources come from Debian's own archive.
    packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
        wine wine64 nsis zip icoutils xz-utils make perl dpkg-dev
        fonts-dejavu-core)  # the fonts the window's tests lay out with under wine
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "setup: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
