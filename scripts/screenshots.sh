#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the pictures in docs/: the window against its virtual meter under a real X server, at
# the default size and maximised, in a light and a dark desktop theme, on the Overview, Trend
# (four units) and Phasor pages. Usage: scripts/screenshots.sh [build dir, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

bash scripts/setup.sh screenshots
if [[ ! -x "$build/app/korvane" ]]; then
    cmake --preset release
    cmake --build --preset release --target korvane
fi

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# shot NAME THEME SIZE KEYS [LANG]: one picture of the window, after the keys (a page's
# shortcut), in the window's language LANG (default English).
shot() {
    local name=$1 theme=$2 size=$3 keys=$4 lang=${5:-en} config
    config=$(mktemp -d)
    mkdir -p "$config/Korvane"
    # Energy with a tariff and an alarm rule, so the Overview shows what they add.
    printf 'currency = EUR\n[from 2026-01-01]\nstanding = 0.40\nprice = 0.30\n' >"$config/home.ini"
    printf '[trend]\nchosen=U1, I1, PF, P, F\n[energy]\non=true\ntariff=%s\n' "$config/home.ini" \
        >"$config/Korvane/korvane.conf"
    printf '[alarms]\n1\\rule=F<49.5\nsize=1\n' >>"$config/Korvane/korvane.conf"
    local env=(XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config" LC_ALL=C.UTF-8)
    [[ $theme == dark ]] && env+=(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark)
    [[ $theme == light ]] && env+=(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita)
    env "${env[@]}" "$build/app/korvane" --demo --lang "$lang" >/dev/null 2>&1 &
    local pid=$! window=""
    for _ in $(seq 50); do
        window=$(xdotool search --pid "$pid" --onlyvisible 2>/dev/null | tail -1) && [[ -n $window ]] && break
        sleep 0.2
    done
    if [[ $size == maximised ]]; then
        xdotool windowmove "$window" 0 0 windowsize "$window" 1600 1000
    fi
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key "$keys"
    # Long enough for every frame kind, the trend's first minute and the phasor's angles.
    sleep 12
    import -window "$window" "docs/$name.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$config"
}

for theme in light dark; do
    for size in default maximised; do
        shot "overview-$size-$theme" $theme $size ctrl+5
        shot "trend-$size-$theme" $theme $size ctrl+3
        shot "phasor-$size-$theme" $theme $size ctrl+4
    done
done
shot realtime-default-zh light default ctrl+1 zh_CN
shot overview-default-zh-dark dark default ctrl+5 zh_CN
ls -1 docs/*.png
