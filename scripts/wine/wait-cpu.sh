#!/usr/bin/env bash
# The processor time velkaro-cli.exe spends under wine while a group status poll of nodes 00-fe
# waits out its 1475 ms deadline with no reply: utime + stime from /proc/PID/stat of the
# program and of the prefix's wineserver, sampled over 1.4 s of the wait (starting a wine
# program costs about 150 ms by itself, so the whole run's figure would say little).
# Needs build/ and build-windows/ (scripts/test.sh makes both); prints the figures in ms.
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
VELKARO_WINDOWS_BUILD="${VELKARO_WINDOWS_BUILD:-$VELKARO_ROOT/build-windows}"
source "$VELKARO_ROOT/scripts/wine/env.sh"

work="$(mktemp -d)"
cleanup() {
    velkaro_wine_stop
    velkaro_stop_nodesims
    rm -rf "$work"
}
trap cleanup EXIT

# Clock ticks of user and system time of one process.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

prefix_wineserver() {
    local pid
    for pid in $(pgrep -x 'wineserver|wineserver64'); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

velkaro_start_nodesim QUIET --nodes 00-fe --silent 00-fe
velkaro_wine_start
velkaro_wine_map_ports "COM5=$VELKARO_SIM_QUIET_PORT"
server="$(prefix_wineserver)"

# One poll; prints the two figures, or fails when the sampling did not fit inside the wait
# (a busy machine can notice the send late).
measure_one_poll() {
    wine "$VELKARO_WINDOWS_BUILD/bin/velkaro-cli.exe" --port COM5 --max-addr fe group-status \
        >"$work/log" 2>&1 &
    local program=$!
    until grep -q '串口发送' "$work/log"; do
        sleep 0.01
    done
    local program_before server_before program_after server_after
    program_before="$(cpu_ticks "$program")"
    server_before="$(cpu_ticks "$server")"
    sleep 1.4
    program_after="$(cpu_ticks "$program" 2>/dev/null)" || program_after=
    server_after="$(cpu_ticks "$server")"
    wait "$program"
    grep -q '最大预估通讯时间已到' "$work/log" || return 1
    [ -n "$program_after" ] || return 1
    local hz
    hz="$(getconf CLK_TCK)"
    echo "velkaro-cli.exe: $(((program_after - program_before) * 1000 / hz)) ms," \
        "wineserver: $(((server_after - server_before) * 1000 / hz)) ms over 1.4 s of the wait"
}

for attempt in 1 2 3 4 5; do
    measure_one_poll && exit 0
done
echo "wine/wait-cpu: no poll could be sampled over 1.4 s of its wait" >&2
exit 1
