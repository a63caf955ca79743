# SPDX-License-Identifier: GPL-3.0-or-later
# What the Windows end-to-end scripts share; sourced with cli, sim and work set. A wine prefix
# of the test's own (its COM ports are only the ones the test makes), the virtual meter behind a
# COM port, and the tally of PASS and FAIL lines that ends the script.
run=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts/windows" && pwd)/wine-run.sh
export WINEPREFIX=$work/wine
mkdir -p "$work"
"$run" "$cli" --version >/dev/null 2>&1 || { echo "FAIL: $cli does not start under wine"; exit 1; }
ports=$WINEPREFIX/dosdevices

passed=0 failed=0
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT

pass() { # NAME
    echo "PASS: $1"
    passed=$((passed + 1))
}

fail() { # WHAT-WENT-WRONG [LOG]: the log's last lines say why
    echo "FAIL: $1"
    [[ -n ${2:-} ]] && sed 's/^/  /' "$2" | tail -n 8
    failed=$((failed + 1))
}

finish() {
    echo "$passed passed, $failed failed"
    [[ $failed -eq 0 ]]
}

start_meter() { # COMn [sim options...]: a virtual meter behind COMn
    local com=${1,,}
    shift
    rm -f "$ports/$com"
    "$sim" --link "$ports/$com" "$@" >/dev/null 2>"$work/sim-$com.err" &
    pids+=($!)
    for _ in $(seq 50); do [[ -L $ports/$com ]] && return; sleep 0.1; done
    echo "the virtual meter did not start" >&2
}
