#!/usr/bin/env bash
# Installs what is missing, builds the three programs, and starts Velkaro. With no USB serial
# adapter plugged in (no /dev/ttyUSB* or /dev/ttyACM*) it starts a simulated bus of nodes
# first; its port heads the port list, so it is the one selected. Without a display it runs a
# group status poll from the command line instead. Ends with the window's exit status.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

velkaro_build_targets Velkaro velkaro-cli velkaro-nodesim
bin="$VELKARO_BUILD/bin"

simulator_pid=""
cleanup() {
    if [ -n "$simulator_pid" ]; then
        kill "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if ! compgen -G '/dev/ttyUSB*' >/dev/null && ! compgen -G '/dev/ttyACM*' >/dev/null; then
    coproc SIMULATOR { exec "$bin/velkaro-nodesim" </dev/null; }
    # bash unsets SIMULATOR_PID as soon as the simulator has ended; keep a copy.
    simulator_pid=$SIMULATOR_PID
    if ! read -r port <&"${SIMULATOR[0]}"; then
        echo "velkaro: the simulated bus did not start" >&2
        exit 1
    fi
    echo "velkaro: no USB serial adapter; simulated bus of nodes 00-0f on $port" >&2
fi

status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$bin/Velkaro" "$@" || status=$?
else
    echo "velkaro: no display; a group status poll from the command line" >&2
    "$bin/velkaro-cli" --max-addr 0f group-status || status=$?
fi
exit "$status"
