#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Korvane for Windows, from Debian: installs the cross tools, builds the libraries from
# Debian's sources once per machine (scripts/windows/deps.sh), cross-builds the programs and
# their tests with the windows preset and runs the tests under wine.
# Usage: scripts/windows/build.sh   (then scripts/windows/package.sh for the installer and ZIP)
set -euo pipefail
cd "$(dirname "$0")/../.."

bash scripts/setup.sh windows
KORVANE_WINDOWS_PREFIX=$(bash scripts/windows/deps.sh)
export KORVANE_WINDOWS_PREFIX
# The tests' virtual meter runs on this machine, on a pseudo-terminal that wine sees as a COM
# port: KORVANE_HOST_METER_SIM names one already built, else the release preset builds it.
if [[ -z ${KORVANE_HOST_METER_SIM:-} ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target korvane-meter-sim
    KORVANE_HOST_METER_SIM=$PWD/build/release/sim/korvane-meter-sim
fi
cmake --preset windows -DKORVANE_HOST_METER_SIM="$KORVANE_HOST_METER_SIM"
cmake --build --preset windows
ctest --preset windows
