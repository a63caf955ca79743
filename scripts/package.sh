#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package on Debian 12: setup, the package preset (no tests, no benchmarks),
# cpack. Everything goes to stderr except the .deb's absolute path on stdout, so a script can
# take it: deb=$(bash scripts/package.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
# The package's files and directories get the modes lintian expects, whatever the caller's umask.
umask 022

out=build/package/deb
# First, so a failed build never leaves an older package behind for check-package.sh.
rm -rf "$out"
{
    bash scripts/setup.sh
    cmake --preset package
    cmake --build --preset package
    cpack --config build/package/CPackConfig.cmake -G DEB -B "$out"
} >&2

shopt -s nullglob
debs=("$out"/korvane_*.deb)
if ((${#debs[@]} != 1)); then
    echo "package: expected one korvane_*.deb in $out, found ${#debs[@]}" >&2
    exit 1
fi
realpath "${debs[0]}"
