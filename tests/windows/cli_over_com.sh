#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# korvane-cli.exe under wine against the virtual meter: the meter's pseudo-terminal is a wine
# COM port (a link in dosdevices), so every byte crosses the Win32 serial port as it would a
# USB-serial adapter's.
# Usage: cli_over_com.sh KORVANE-CLI.EXE KORVANE-METER-SIM WORKDIR
set -uo pipefail
cli=$1 sim=$2 work=$3
source "$(dirname "$0")/common.sh"

stop_meters() { cleanup; pids=(); rm -f "$ports"/com*; }

# NAME EXPECTED-LINES PATTERN -- CLI ARGS: passes when the CLI ends well within a minute and
# prints EXPECTED-LINES lines matching PATTERN.
expect() {
    local name=$1 want=$2 pattern=$3
    shift 4
    local out=$work/out.txt err=$work/err.txt status got
    timeout 90 "$run" "$cli" "$@" >"$out" 2>"$err"
    status=$?
    got=$(grep -cE "$pattern" "$out")
    if [[ $status -eq 0 && $got -eq $want ]]; then
        pass "$name"
    else
        fail "$name: exit $status, $got of $want lines matching $pattern" "$err"
    fi
}

# One line a frame on stdout (the phases' values in turn, then the totals).
reading='[^[:space:]]'
record='^[0-9]+,'

stop_meters
start_meter COM5
expect "live readings from a named port" 3 "$reading" -- --ports COM5 live --frames 3
expect "the stored records downloaded" 36 "$record" -- --ports COM5 records --format csv
# A workbook saved on Windows (libxlsxwriter's temporary files there), read back on Linux.
rm -f "$work/records.xlsx"
expect "the records saved as a workbook" 0 "$record" -- --ports COM5 records --xlsx "$work/records.xlsx"
rows=$(/usr/bin/python3 -c 'import openpyxl, sys; print(openpyxl.load_workbook(sys.argv[1]).active.max_row)' \
    "$work/records.xlsx" 2>&1)
if [[ $rows == 72 ]]; then
    pass "the workbook reads back: two rows a record"
else
    fail "the workbook reads back: $rows"
fi
stop_meters

# Above COM9 a port opens only through the device namespace (\\.\COM12).
start_meter COM12
expect "COM12 found by the search" 2 "$reading" -- live --frames 2
stop_meters

# A cable plugged in after the start is found within a search cycle.
rm -f "$ports/com7"
(sleep 3 && exec "$sim" --link "$ports/com7" >/dev/null 2>&1) &
pids+=($!)
expect "a meter plugged in after the start" 2 "$reading" -- live --frames 2
stop_meters

# The cable pulled and plugged back: the link searches again and goes on.
start_meter COM3 --unplug-after 4 --replug-after 1
expect "unplugged and plugged back in" 8 "$reading" -- --ports COM3 live --frames 8
stop_meters

finish
