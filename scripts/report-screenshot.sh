#!/usr/bin/env bash
# Renders an acceptance report in a real browser (Debian's chromium, headless): a rehearsal on a
# simulated cabinet with a fault of every kind, written by velkaro-cli commission as HTML, then
# a picture of it (default docs/screenshot-report.png) and an A4 print. Fails when the page does
# not render, does not print on A4 or shows the operator's text as markup. With VELKARO_LANG=en
# the report is the English one, and fails when it shows a Chinese character of its own.
# Needs the Linux build (velkaro-nodesim, velkaro-cli). Usage: report-screenshot.sh [PNG]
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
source "$VELKARO_ROOT/scripts/wine/env.sh"

picture="${1:-$VELKARO_ROOT/docs/screenshot-report.png}"
work="$(mktemp -d)"
trap 'velkaro_stop_nodesims; rm -rf "$work"' EXIT

fail() {
    echo "report-screenshot: $*" >&2
    exit 1
}

velkaro_start_nodesim REPORT --nodes 00-06,20 --duplicate 01 --open 02 --jammed 03 \
    --late 04:300 --silent 05
status=0
"$VELKARO_BUILD/bin/velkaro-cli" --port "$VELKARO_SIM_REPORT_PORT" commission \
    --expect 00-06,08 --cabinet 'A-017 <b>&"' --operator '张三' \
    --report "$work/report.html" >/dev/null || status=$?
[ "$status" -eq 6 ] || fail "velkaro-cli commission gave exit status $status, not 6"

browse() {
    /usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" "$@" "file://$work/report.html" 2>/dev/null
}
browse --screenshot="$work/report.png" --window-size=900,760 --hide-scrollbars
browse --print-to-pdf="$work/report.pdf" --no-pdf-header-footer
browse --dump-dom >"$work/dom.html"

[ -s "$work/report.png" ] || fail "no picture"
colours="$(identify -format %k "$work/report.png")"
[ "$colours" -gt 16 ] || fail "the picture is blank ($colours colours)"
head -c 4 "$work/report.pdf" | grep -q '%PDF' || fail "no A4 print"
# A4 is 595 x 842 points.
grep -aq 'MediaBox \[0 0 59[45][.0-9]* 84[12][.0-9]*\]' "$work/report.pdf" || fail "the print is not A4"
grep -q 'A-017 &lt;b&gt;&amp;"' "$work/dom.html" || fail "the cabinet's text is not shown as typed"
! grep -q '<b>&amp;' "$work/dom.html" || fail "the cabinet's text became markup"
if [ "${VELKARO_LANG:-zh}" = en ]; then
    grep -q '<html lang="en">' "$work/dom.html" || fail "the English page is not marked English"
    grep -q '>Fail<' "$work/dom.html" || fail "the result is missing"
    # The operator's name is typed text, shown as typed; nothing else may be Chinese.
    ! sed 's/张三//g' "$work/dom.html" | LC_ALL=C.UTF-8 grep -qP '[\x{2E80}-\x{9FFF}\x{FF00}-\x{FFEF}]' ||
        fail "the English report shows Chinese"
else
    grep -q '不合格' "$work/dom.html" || fail "the result is missing"
fi

mkdir -p "$(dirname "$picture")"
cp "$work/report.png" "$picture"
echo "$picture"
