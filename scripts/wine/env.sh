# A private wine prefix for the Windows tests, and COM ports mapped to Linux pseudo-terminals.
# Sourced. Wine's service processes inherit the standard handles of whoever starts the prefix's
# server, and a pipe they hold never reaches its end; `wineserver -k` prints its object table
# to the server's stderr. So the server and the services are always started here, with their
# standard handles discarded, and the server stays up (persistent) until velkaro_wine_stop.

export WINEDEBUG=-all                      # also silences the hint about 32-bit wine
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install Mono or Gecko

velkaro_wine_quiet() {
    "$@" </dev/null >/dev/null 2>&1
}

velkaro_wine_up() {
    velkaro_wine_quiet wineserver -p
    velkaro_wine_quiet wineboot
}

velkaro_wine_down() {
    velkaro_wine_quiet wineserver -k || true
    velkaro_wine_quiet wineserver -w || true
}

# Makes a fresh prefix in a new temporary folder and exports WINEPREFIX. Start it under the
# display that window tests use: a server started without one breaks their windows later.
velkaro_wine_start() {
    VELKARO_WINE_HOME="$(mktemp -d)"
    export WINEPREFIX="$VELKARO_WINE_HOME/prefix"
    mkdir "$WINEPREFIX"
    velkaro_wine_quiet wineserver -p
    velkaro_wine_quiet wineboot -i
    # No window manager under Xvfb: without this each window's destruction waits 2 s.
    velkaro_wine_quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    # The dialog font has no Chinese glyphs; link it to the one setup.sh installs.
    velkaro_wine_quiet wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
}

# velkaro_wine_map_ports COM7=/dev/pts/3 COM8=/dev/pts/4 ...: wine reads its port mapping when
# the server starts, so the server is restarted once for all of them.
velkaro_wine_map_ports() {
    local mapping
    for mapping in "$@"; do
        velkaro_wine_quiet wine reg add 'HKLM\Software\Wine\Ports' \
            /v "${mapping%%=*}" /t REG_SZ /d "${mapping#*=}" /f
    done
    velkaro_wine_down
    velkaro_wine_up
}

velkaro_wine_stop() {
    [ -n "${VELKARO_WINE_HOME:-}" ] || return 0
    velkaro_wine_down
    rm -rf "$VELKARO_WINE_HOME"
    VELKARO_WINE_HOME=
}

# A rehearsal cabinet with a node of every verdict the acceptance run gives, for the command
# line's end-to-end run under wine: velkaro_start_nodesim NAME "${VELKARO_REHEARSAL_NODES[@]}".
VELKARO_REHEARSAL_NODES=(--nodes 00-06,20 --duplicate 01 --open 02 --jammed 03 --silent 05)

VELKARO_SIM_PIDS=()

# velkaro_start_nodesim NAME ARGS...: starts the Linux node simulator in the background and
# sets VELKARO_SIM_<NAME>_PORT (its pseudo-terminal); velkaro_stop_nodesims ends them all.
velkaro_start_nodesim() {
    local name="$1" out
    shift
    out="$(mktemp)"
    "$VELKARO_BUILD/bin/velkaro-nodesim" --no-register "$@" </dev/null >"$out" 2>/dev/null &
    local pid=$! tries=0
    until [ -s "$out" ] || [ "$tries" -ge 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    local port
    port="$(head -n 1 "$out")"
    rm -f "$out"
    VELKARO_SIM_PIDS+=("$pid")
    printf -v "VELKARO_SIM_${name}_PORT" '%s' "$port"
    if [ -z "$port" ]; then
        echo "velkaro: the node simulator did not start ($*)" >&2
        return 1
    fi
}

velkaro_stop_nodesims() {
    local pid
    for pid in "${VELKARO_SIM_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    VELKARO_SIM_PIDS=()
}
