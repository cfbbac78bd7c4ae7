#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velkaro. With no USB serial adapter plugged in it
# starts a simulated bus of nodes first; its port heads the port list, so it is the one
# selected. Without a display it runs a group status poll from the command line instead.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

velkaro_build
bin="$VELKARO_BUILD/bin"

if ! compgen -G '/dev/ttyUSB*' >/dev/null && ! compgen -G '/dev/ttyACM*' >/dev/null; then
    coproc SIMULATOR { exec "$bin/velkaro-nodesim" </dev/null; }
    trap 'kill "$SIMULATOR_PID" 2>/dev/null || true' EXIT
    read -r port <&"${SIMULATOR[0]}"
    echo "velkaro: no USB serial adapter; simulated bus of nodes 00-0f on $port" >&2
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$bin/Velkaro" "$@"
else
    echo "velkaro: no display; a group status poll from the command line" >&2
    "$bin/velkaro-cli" --max-addr 0f group-status
fi
