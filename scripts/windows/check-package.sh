#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tries the Windows installer and ZIP under wine as a user would, in a wine prefix of its own
# that has nothing of the build: the portable folder's programs start from the folder alone;
# the installer installs silently without administrator rights, the installed CLI runs and writes
# a PDF report, and the silent uninstall leaves nothing of the program behind.
# Usage: scripts/windows/check-package.sh SETUP.EXE ZIP
set -euo pipefail
setup=$(readlink -f "$1") zip_file=$(readlink -f "$2")
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
unset WINEPATH QT_PLUGIN_PATH
failed=0
check() { # DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >"$work/check.out" 2>&1; then
        echo "PASS: $what"
    else
        echo "FAIL: $what"
        sed 's/^/  /' "$work/check.out" | tail -n 10
        failed=1
    fi
}

wineboot --init >/dev/null 2>&1
wineserver --wait

unzip -q "$zip_file" -d "$work/portable"
portable=$(ls -d "$work"/portable/Korvane-*)
check "the portable CLI starts from its folder" wine "$portable/korvane-cli.exe" --version
if [[ -f $portable/korvane.exe ]]; then
    check "the portable window starts from its folder" \
        env QT_QPA_PLATFORM=offscreen wine "$portable/korvane.exe" --version
fi

check "the installer runs silently as a user" wine "$setup" /S
wineserver --wait
appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local)
installed=$appdata/Programs/Korvane
check "the CLI is installed in the user's programs" test -f "$installed/korvane-cli.exe"
check "the installed CLI runs" wine "$installed/korvane-cli.exe" --version
printf '%s\n' 'time,U1 [V]' '2026-12-08T10:00:00+00:00,230.1' '2026-12-08T10:00:01+00:00,231.4' \
    >"$work/survey.csv"
check "the installed CLI writes a PDF report" \
    wine "$installed/korvane-cli.exe" report "$work/survey.csv" --out "$work/survey.pdf"
check "the report is a PDF with its words in it" \
    bash -c "pdftotext '$work/survey.pdf' - | grep -q 'Survey report'"
if [[ -f $installed/korvane.exe ]]; then
    check "a Start-menu entry" bash -c "ls '$appdata'/../Roaming/Microsoft/Windows/'Start Menu'/Programs/Korvane.lnk"
fi
check "registered for uninstalling" bash -c "grep -q 'DisplayName.*Korvane' '$WINEPREFIX/user.reg'"

check "the uninstaller runs silently" wine "$installed/uninstall.exe" /S
wineserver --wait
# The uninstaller runs from a copy of itself in the temporary folder: wait until it is done.
for _ in $(seq 60); do [[ -d $installed ]] || break; sleep 0.5; done
check "nothing of the program is left" test ! -e "$installed"
check "the registration is gone" bash -c "! grep -q 'DisplayName.*Korvane' '$WINEPREFIX/user.reg'"

[[ $failed -eq 0 ]]
