#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds (warnings as errors), runs every test suite with ctest and checks formatting.
# Usage: scripts/test.sh [preset]   (default preset: ci; asan runs the tests under sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci}

bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
cmake --build --preset "$preset" --target format-check
