#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a cross-built Windows program under wine, finding the MinGW runtime and the libraries
# scripts/windows/deps.sh built; ctest runs every Windows test through it.
# Usage: scripts/windows/wine-run.sh PROGRAM.exe [ARG...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane-windows}
prefix=${KORVANE_WINDOWS_PREFIX:-$cache/prefix}
windows_path() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

export WINEPREFIX=${WINEPREFIX:-$cache/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and wine would offer to download them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$(windows_path "$prefix/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
export QT_PLUGIN_PATH=$(windows_path "$prefix/plugins")
# Without a console Qt sends its messages and the test logs to the debugger; here they belong
# on stdout and stderr.
export QT_FORCE_STDERR_LOGGING=1
# wine keeps the QT_* variables of the Unix side from Windows programs (they are meant for the
# Linux Qt) and hands on WINEQT_* as QT_* instead: the tests' QT_QPA_PLATFORM and these go so.
while IFS='=' read -r name value; do
    export "WINE$name=$value"
done < <(env | grep '^QT_')
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver --wait
fi
exec wine "$@"
