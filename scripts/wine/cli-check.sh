#!/usr/bin/env bash
# velkaro-cli.exe under wine, on COM ports mapped to fresh simulated nodes 00-0f:
# - its log of a poll, an unlock and a poll equals the Linux velkaro-cli's, apart from times;
# - --json shows the first poll's 16 "闭" and then the second poll's 16 "开" in cell_writes;
# - `ports` lists the mapped ports; --simulate is refused with exit status 2 and one line;
# - commission on a rehearsal cabinet exits 6 as on Linux, with the same log and reports apart
#   from times and port, and --json's "acceptance" equal to the .json report;
# - port names of files, folders and FIFOs fail to open (exit status 1, 串口打开失败) and an
#   inotify watch sees none of them opened.
# Usage: wine/cli-check.sh PLAIN_PORT JSON_PORT REHEARSAL_PORT (the wine prefix is set up by the
# caller; REHEARSAL_PORT maps to nodes started with VELKARO_REHEARSAL_NODES, from wine/env.sh).
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
VELKARO_WINDOWS_BUILD="${VELKARO_WINDOWS_BUILD:-$VELKARO_ROOT/build-windows}"
source "$VELKARO_ROOT/scripts/wine/env.sh"

plain_port="$1"
json_port="$2"
rehearsal_port="$3"
cli_exe="$VELKARO_WINDOWS_BUILD/bin/velkaro-cli.exe"
operations=(--max-addr 0f group-status group-unlock group-status)
failures=0

fail() {
    echo "wine/cli-check: $*" >&2
    failures=$((failures + 1))
}

without_times() {
    sed -E 's/,时间 [0-9]+ms/,时间 Nms/'
}

trap velkaro_stop_nodesims EXIT
velkaro_start_nodesim LINUX --nodes 00-0f
linux_log="$("$VELKARO_BUILD/bin/velkaro-cli" --port "$VELKARO_SIM_LINUX_PORT" "${operations[@]}" \
    | without_times)"
windows_log="$(wine "$cli_exe" --port "$plain_port" "${operations[@]}" | without_times)"
if [ "$windows_log" != "$linux_log" ]; then
    fail "the log under wine differs from the Linux log:"
    diff <(echo "$linux_log") <(echo "$windows_log") >&2 || true
fi
[ "$(echo "$linux_log" | wc -l)" -gt 40 ] || fail "the Linux log is too short: $linux_log"

expected_writes="$(printf '闭%.0s' {1..16})$(printf '开%.0s' {1..16})"
json="$(wine "$cli_exe" --port "$json_port" --json "${operations[@]}")"
writes="$(echo "$json" | sed -n '/"cell_writes"/,/"exit_status"/p' | grep -o '"[闭开]"' \
    | tr -d '"\n')"
[ "$writes" = "$expected_writes" ] || fail "cell_writes under wine: '$writes'"
echo "$json" | grep -q '"exit_status": 0' || fail "--json exit status is not 0"

ports="$(wine "$cli_exe" ports)"
for port in "$plain_port" "$json_port"; do
    echo "$ports" | grep -qx "$port" || fail "'ports' lacks $port: $ports"
done

status=0
refusal="$(wine "$cli_exe" --simulate group-status 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 2 ] || fail "--simulate gave exit status $status, not 2"
[ "$(echo "$refusal" | wc -l)" -eq 1 ] || fail "--simulate's reason is not one line: $refusal"

# A run changes the cabinet's locks, so each program gets a rehearsal cabinet of its own.
velkaro_start_nodesim REHEARSAL "${VELKARO_REHEARSAL_NODES[@]}"
work="$(mktemp -d)"
commission=(--json commission --expect 00-06,08 --cabinet 'A-017 <b>&"' --operator 张三)
"$VELKARO_BUILD/bin/velkaro-cli" --port "$VELKARO_SIM_REHEARSAL_PORT" "${commission[@]}" \
    --report "$work/linux.json" --report "$work/linux.csv" >"$work/linux.out" || true
wine "$cli_exe" --port "$rehearsal_port" "${commission[@]}" --report "Z:$work/windows.json" \
    --report "Z:$work/windows.csv" --report "Z:$work/windows.html" >"$work/windows.out" || true
python3 - "$work" <<'PY' || fail "commission under wine differs from Linux's"
import json, re, sys
work = sys.argv[1]
def read(name, mode="r"):
    return open(f"{work}/{name}", mode, **({} if "b" in mode else {"encoding": "utf-8"})).read()
def timeless(report):
    report = dict(report, started=None, finished=None, port=None)
    report["nodes"] = [dict(node, scan_reply_ms=None) for node in report["nodes"]]
    return report
outputs = {side: json.loads(read(f"{side}.out")) for side in ("linux", "windows")}
for side, document in outputs.items():
    assert document["exit_status"] == 6, (side, document["exit_status"])
    assert document["acceptance"] == json.loads(read(f"{side}.json")), side
logs = [[re.sub(r",时间 \d+ms", "", line) for line in outputs[side]["log"]]
        for side in ("linux", "windows")]
assert logs[0] == logs[1], logs
windows = outputs["windows"]["acceptance"]
assert timeless(windows) == timeless(outputs["linux"]["acceptance"])
assert windows["result"] == "fail" and windows["cabinet"] == 'A-017 <b>&"', windows
csv = read("windows.csv", "rb")
assert csv.startswith(b"\xef\xbb\xbf") and csv.count(b"\r\n") == 1 + len(windows["nodes"]), csv
assert csv.count(b"\n") == csv.count(b"\r\n"), "a bare LF in the CSV"
html = read("windows.html")
assert "A-017 &lt;b&gt;&amp;&quot;" in html and "不合格" in html
PY
rm -rf "$work"

# Bait for a hostile --port: a file, a folder and a FIFO, watched for any open.
bait="$(mktemp -d)"
echo "[boot]" >"$bait/win.ini"
mkdir "$bait/folder"
mkfifo "$bait/fifo"
inotifywait -m -r -e open -e modify -e create "$bait" >"$bait.events" 2>"$bait.watch" &
watcher=$!
for _ in $(seq 100); do
    grep -q "Watches established" "$bait.watch" && break
    sleep 0.1
done
windows_bait="Z:${bait//\//\\}"
for name in "$windows_bait\\win.ini" "$windows_bait\\folder" "$windows_bait\\fifo" "$windows_bait" \
    "$bait/win.ini" "..\\..\\..\\..\\..\\..\\${bait#/}/win.ini" 'C:\windows\win.ini'; do
    status=0
    refusal="$(wine "$cli_exe" --port "$name" status 01 2>&1 >/dev/null)" || status=$?
    [ "$status" -eq 1 ] || fail "--port '$name' gave exit status $status, not 1"
    echo "$refusal" | grep -q "串口打开失败" || fail "--port '$name' said: $refusal"
done
sleep 0.2
[ ! -s "$bait.events" ] || fail "a port name opened a file: $(cat "$bait.events")"
cat "$bait/win.ini" >/dev/null
sleep 0.2
[ -s "$bait.events" ] || fail "the inotify watch saw no open at all"
kill "$watcher"
wait "$watcher" 2>/dev/null || true
rm -rf "$bait" "$bait.events" "$bait.watch"

[ "$failures" -eq 0 ] && echo "wine/cli-check: velkaro-cli.exe matches the Linux velkaro-cli"
exit "$failures"
