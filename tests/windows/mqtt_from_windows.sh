#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# korvane-cli.exe publishing under wine to a real Mosquitto on this machine, plain and over TLS:
# libmosquitto's own thread, Windows sockets and OpenSSL as built for Windows, with the readings
# from the virtual meter behind a wine COM port.
# Usage: mqtt_from_windows.sh KORVANE-CLI.EXE KORVANE-METER-SIM WORKDIR
set -uo pipefail
cli=$1 sim=$2 work=$3
source "$(dirname "$0")/common.sh"
rm -rf "$work/tls" && mkdir -p "$work/tls"

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# A certificate authority of the test's own and the broker's certificate for 127.0.0.1.
tls=$work/tls
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=korvane-test-ca \
    -keyout "$tls/ca.key" -out "$tls/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout "$tls/server.key" \
    -out "$tls/server.csr" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\n' >"$tls/san.ext"
openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial \
    -days 2 -extfile "$tls/san.ext" -out "$tls/server.pem" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=someone-else \
    -keyout "$tls/other.key" -out "$tls/other.pem" 2>/dev/null

plain=$(free_port) secure=$(free_port)
# user: the broker stays who started it, who can read the key (as root it would become mosquitto).
cat >"$work/mosquitto.conf" <<CONF
per_listener_settings false
allow_anonymous true
user $(id -un)
listener $plain 127.0.0.1
listener $secure 127.0.0.1
cafile $tls/ca.pem
certfile $tls/server.pem
keyfile $tls/server.key
CONF
mosquitto -c "$work/mosquitto.conf" >"$work/broker.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    mosquitto_pub -h 127.0.0.1 -p "$plain" -t probe -m x 2>/dev/null && break
    sleep 0.1
done

start_meter COM4

# NAME SUBSCRIBER-PORT SUBSCRIBER-TLS-OPTIONS -- CLI PUBLISH OPTIONS: passes when three U1
# readings from the CLI reach a subscriber within a minute.
expect_readings() {
    local name=$1 port=$2 sub_tls=$3
    shift 4
    local topic=win/$RANDOM
    mosquitto_sub -h 127.0.0.1 -p "$port" $sub_tls -t "$topic/U1" -C 3 -W 60 >"$work/got.txt" &
    local sub=$!
    "$run" "$cli" --ports COM4 publish --topic "$topic" "$@" >/dev/null 2>"$work/cli.err" &
    local publisher=$!
    wait "$sub"
    kill "$publisher" 2>/dev/null
    wait "$publisher" 2>/dev/null
    if [[ $(grep -cE '^[0-9]+(\.[0-9]+)?$' "$work/got.txt") -eq 3 ]]; then
        pass "$name"
    else
        fail "$name: the subscriber got: $(tr '\n' ' ' <"$work/got.txt")" "$work/cli.err"
    fi
}

expect_readings "readings published over plain MQTT" "$plain" "" -- --broker "127.0.0.1:$plain"
expect_readings "readings published over TLS" "$secure" "--cafile $tls/ca.pem" -- \
    --broker "mqtts://127.0.0.1:$secure" --cafile "$tls/ca.pem"

# A broker whose certificate the given authority did not sign is refused for good (exit 6).
timeout 90 "$run" "$cli" --ports COM4 publish --broker "mqtts://127.0.0.1:$secure" \
    --cafile "$tls/other.pem" >/dev/null 2>"$work/cli.err"
status=$?
if [[ $status -eq 6 ]]; then
    pass "a certificate that does not verify ends the CLI with exit 6"
else
    fail "a certificate that does not verify: exit $status" "$work/cli.err"
fi

finish
