#!/usr/bin/env bash
# The README's picture of a bus trace opened in Wireshark: velkaro-cli --trace on the built-in
# simulated bus (a poll of nodes 00-03, an unlock and a status of node 02), opened in Debian's
# Wireshark with packaging/wireshark/velkaro.lua under a virtual display, the unlock frame
# selected and its fields expanded, into docs/screenshot-trace.png. Needs the Linux build
# (velkaro-cli); installs wireshark-qt, xvfb, xdotool and imagemagick when they are missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
velkaro_install_packages wireshark-qt xvfb xauth xdotool imagemagick
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$VELKARO_BUILD/bin/velkaro-cli" --simulate=00-03 --max-addr 03 --trace "$work/trace.pcapng" \
    group-status unlock 02 status 02 >/dev/null

# A profile of its own: the columns a serial bus has, and a window that fills the screen.
export HOME="$work/home"
mkdir -p "$HOME/.config/wireshark"
cat >"$HOME/.config/wireshark/preferences" <<'PREFS'
gui.column.format: "No.", "%m", "Time", "%t", "Protocol", "%p", "Length", "%L", "Info", "%i"
PREFS
cat >"$HOME/.config/wireshark/recent_common" <<'RECENT'
gui.geometry_main_x: 0
gui.geometry_main_y: 0
gui.geometry_main_width: 1000
gui.geometry_main_height: 640
gui.geometry_main_maximized: FALSE
RECENT

cat >"$work/shoot.sh" <<SHOOT
wireshark -X "lua_script:$VELKARO_ROOT/packaging/wireshark/velkaro.lua" \
    -r "$work/trace.pcapng" -g 6 >/dev/null 2>&1 &
wireshark_pid=\$!
xdotool search --sync --onlyvisible --class wireshark >/dev/null
sleep 5
# Expand the bus protocol's fields in the details pane.
xdotool mousemove 120 382 click 1
sleep 0.5
xdotool key Right
sleep 1
import -window root -crop 1000x640+0+0 "$VELKARO_ROOT/docs/screenshot-trace.png"
kill \$wireshark_pid
SHOOT
xvfb-run -a -s "-screen 0 1000x640x24" bash "$work/shoot.sh"
echo "$VELKARO_ROOT/docs/screenshot-trace.png"
