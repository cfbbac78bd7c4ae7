#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velkaro. With no serial port on the machine it
# starts a simulated bus of nodes first, so the window lists its port and has it selected.
# Without a display it runs a group status poll from the command line instead.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

velkaro_build
bin="$VELKARO_BUILD/bin"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "velkaro: no display; polling the simulated bus from the command line" >&2
    exec "$bin/velkaro-cli" --simulate group-status
fi

simulator=""
if [ -z "$("$bin/velkaro-cli" ports)" ]; then
    coproc SIMULATOR { exec "$bin/velkaro-nodesim" </dev/null; }
    simulator=$SIMULATOR_PID
    trap 'kill "$simulator" 2>/dev/null || true' EXIT
    read -r port <&"${SIMULATOR[0]}"
    echo "velkaro: no serial port found; simulated bus on $port" >&2
fi
"$bin/Velkaro" "$@"
