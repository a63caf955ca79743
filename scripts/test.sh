#!/usr/bin/env bash
# Sets up, builds (warnings as errors) and runs every test suite with ctest.
# Usage: scripts/test.sh [preset]   (default preset: ci)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci}

bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
