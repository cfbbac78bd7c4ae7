#!/usr/bin/env bash
# The README's picture of a bus trace as Wireshark dissects it: velkaro-cli --trace on the
# built-in simulated bus (a poll of nodes 00-03, an unlock and a status of node 02), read by
# tshark with packaging/wireshark/velkaro.lua; its packet list, one packet's details and bytes
# laid out as Wireshark's three panes, drawn by chromium into docs/screenshot-trace.png.
# Needs the Linux build (velkaro-cli).
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$VELKARO_BUILD/bin/velkaro-cli" --simulate=00-03 --max-addr 03 --trace "$work/trace.pcapng" \
    group-status unlock 02 status 02 >/dev/null
tshark_read() {
    tshark -X "lua_script:$VELKARO_ROOT/packaging/wireshark/velkaro.lua" -r "$work/trace.pcapng" \
        "$@" 2>/dev/null
}
escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

{
    cat <<'HTML'
<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body { margin: 0; font: 13px "DejaVu Sans", sans-serif; background: #fff; }
.bar { background: #e8e8e8; padding: 4px 8px; border-bottom: 1px solid #bbb; }
table { border-collapse: collapse; width: 100%; font: 12px "DejaVu Sans Mono", monospace; }
th { text-align: left; background: #f0f0f0; border-bottom: 1px solid #bbb; padding: 2px 6px; }
td { padding: 1px 6px; white-space: pre; background: #e7e6ff; }
tr.sel td { background: #3875d7; color: #fff; }
pre { margin: 0; padding: 6px 8px; border-top: 1px solid #bbb; font: 12px "DejaVu Sans Mono", monospace; }
</style></head><body><div class="bar">trace.pcapng — Velkaro lock-control bus</div><table>
<tr><th>No.</th><th>Time</th><th>Source</th><th>Protocol</th><th>Length</th><th>Info</th></tr>
HTML
    tshark_read -T fields -E separator='|' -e frame.number -e frame.time_relative \
        -e frame.p2p_dir -e _ws.col.Protocol -e frame.len -e _ws.col.Info | escape |
        while IFS='|' read -r number time direction protocol length info; do
            source=$([ "$direction" = 0 ] && echo host || echo bus)
            class=$([ "$number" = 6 ] && echo ' class="sel"' || true)
            printf '<tr%s><td>%s</td><td>%.6f</td><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>\n' \
                "$class" "$number" "$time" "$source" "$protocol" "$length" "$info"
        done
    echo '</table><pre>'
    tshark_read -V -O velkaro -Y 'frame.number == 6' | escape
    echo '</pre><pre>'
    tshark_read -x -Y 'frame.number == 6' | escape
    echo '</pre></body></html>'
} >"$work/trace.html"

/usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" --hide-scrollbars --window-size=900,390 \
    --screenshot="$VELKARO_ROOT/docs/screenshot-trace.png" "file://$work/trace.html" 2>/dev/null
echo "$VELKARO_ROOT/docs/screenshot-trace.png"
