#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package scripts/package.sh built: its contents, the desktop entry and
# AppStream metadata, lintian, the man pages, and the programs run from the unpacked package.
# Runs every check, then exits 1 if any failed.
# Usage: scripts/check-package.sh [DEB]   (default: the one .deb in build/package/deb)
set -euo pipefail
cd "$(dirname "$0")/.."

id=io.github.korvane.Korvane
failures=0
fail() {
    echo "check-package: FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "check-package: ok: $*" >&2; }

deb=${1:-}
if [[ -z $deb ]]; then
    shopt -s nullglob
    debs=(build/package/deb/korvane_*.deb)
    shopt -u nullglob
    if ((${#debs[@]} != 1)); then
        echo "check-package: expected one korvane_*.deb in build/package/deb, found ${#debs[@]}" >&2
        exit 1
    fi
    deb=${debs[0]}
fi
[[ -f $deb ]] || { echo "check-package: no such file: $deb" >&2; exit 1; }

# The version the programs must report: the one project() declares.
version=$(sed -n 's/^project(Korvane VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "check-package: no version in CMakeLists.txt's project()" >&2; exit 1; }

tmp=$(mktemp -d)
sim=
stop_sim() {
    if [[ -n $sim ]]; then
        kill "$sim" 2>/dev/null || true
        wait "$sim" 2>/dev/null || true
        sim=
    fi
}
cleanup() {
    stop_sim
    rm -rf "$tmp"
}
trap cleanup EXIT
root=$tmp/root
dpkg-deb -x "$deb" "$root"

# Control fields: the upstream version, and Depends filled in by dpkg-shlibdeps.
deb_version=$(dpkg-deb -f "$deb" Version)
if [[ ${deb_version%-*} == "$version" ]]; then pass "Version $deb_version"; else
    fail "the package's Version is $deb_version, the project's $version"; fi
depends=$(dpkg-deb -f "$deb" Depends)
if [[ $depends == *libqt6widgets6* && $depends == *libc6* ]]; then pass "Depends from shlibdeps"; else
    fail "Depends lacks the shared libraries the programs link: '$depends'"; fi

# Exactly these files: a missing install rule or a stray one (a static library, a test) fails.
expected=(
    usr/bin/korvane usr/bin/korvane-cli usr/bin/korvane-meter-sim
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    usr/share/man/man1/korvane.1.gz usr/share/man/man1/korvane-cli.1.gz
    usr/share/man/man1/korvane-meter-sim.1.gz
    usr/share/doc/korvane/copyright usr/share/doc/korvane/changelog.Debian.gz
    usr/share/doc/korvane/README.md
)
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
contents=$(cd "$root" && find . -not -type d | sed 's|^\./||' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
if [[ $contents == "$wanted" ]]; then pass "package contents"; else
    fail "package contents differ (< in the package, > expected):"
    diff <(echo "$contents") <(echo "$wanted") >&2 || true
fi

# Each PNG is as large as the directory it is in says.
for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png
    [[ -f $png ]] || continue
    info=$(file -b "$png")
    [[ $info == "PNG image data, $size x $size,"* ]] || fail "$png is $info"
done

desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
if desktop-file-validate "$desktop" >&2; then pass "desktop-file-validate"; else
    fail "desktop-file-validate $desktop"; fi
# validate-tree also finds the desktop entry the metainfo launches and its icon.
if appstreamcli validate --no-net "$metainfo" >&2 &&
    appstreamcli validate-tree --no-net "$root" >&2; then pass "appstreamcli validate"; else
    fail "appstreamcli validate"; fi
if grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\"" "$metainfo"; then
    pass "metainfo release $version"; else fail "metainfo has no release $version with a date"; fi

if lintian --fail-on error "$deb" >&2; then pass "lintian"; else fail "lintian found errors"; fi

for page in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$page" .1.gz)
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l $name"
    [[ -z $warnings ]] || fail "man -l $name warns: $warnings"
    lexgrog "$page" >/dev/null || fail "lexgrog finds no NAME line in $name"
    zcat "$page" | grep "^\.TH .*\"Korvane $version\"" >/dev/null ||
        fail "$name is not for version $version"
done

# The programs from the package, against the system's libraries, with settings kept apart.
export XDG_CONFIG_HOME=$tmp/config HOME=$tmp/home
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
bin=$root/usr/bin
for program in korvane-cli korvane-meter-sim korvane; do
    got=$(QT_QPA_PLATFORM=offscreen timeout 10 "$bin/$program" --version 2>"$tmp/err") || true
    if [[ $got == "$program $version" ]]; then pass "$program --version"; else
        fail "$program --version printed '$got', not '$program $version'"
        cat "$tmp/err" >&2
    fi
done

status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$bin/korvane" --demo >"$tmp/demo.log" 2>&1 || status=$?
if ((status == 124)); then pass "korvane --demo ran until stopped"; else
    fail "korvane --demo exited $status before the timeout"
    cat "$tmp/demo.log" >&2
fi

# korvane-cli reads live frames and downloads the records from the packaged virtual meter.
"$bin/korvane-meter-sim" --link "$tmp/meter" --records 5 --no-pacing \
    >"$tmp/sim.out" 2>"$tmp/sim.err" &
sim=$!
for _ in $(seq 50); do
    [[ -L $tmp/meter ]] && break
    sleep 0.1
done
status=0
timeout 30 "$bin/korvane-cli" --ports "$tmp/meter" live --frames 3 --format jsonl \
    >"$tmp/live.out" 2>"$tmp/live.err" || status=$?
frames=$(grep -c '"values"' "$tmp/live.out" || true)
if ((status == 0 && frames == 3)); then pass "korvane-cli live"; else
    fail "korvane-cli live exited $status with $frames frames"
    cat "$tmp/live.err" "$tmp/sim.err" >&2
fi
status=0
timeout 60 "$bin/korvane-cli" --ports "$tmp/meter" records \
    >"$tmp/records.out" 2>"$tmp/records.err" || status=$?
rows=$(wc -l <"$tmp/records.out")
if ((status == 0 && rows >= 5)); then pass "korvane-cli records"; else
    fail "korvane-cli records exited $status with $rows rows"
    cat "$tmp/records.err" "$tmp/sim.err" >&2
fi
stop_sim

if ((failures > 0)); then
    echo "check-package: $failures check(s) failed for $deb" >&2
    exit 1
fi
echo "check-package: $deb passed" >&2
