#!/usr/bin/env bash
# Runs the Windows tests under wine (called by test-windows.sh under a virtual display):
#   COM7: nodes 00-0f, for the command line's end-to-end run
#   COM8: nodes 00-0f that also echo every byte, the far end of the serial link's tests
#   COM9: nodes 00-0f, for the command line's --json run
#   COM6: nodes 00-0f that hang up at the first frame, as a pulled-out adapter does
#   COM10: nodes 00-0f, node 03 open, for the window's session and its log's record, one test
#          at a time
#   COM11: the rehearsal cabinet, for the command line's acceptance run
#   COM12: nodes 00-0f that hang up at the first frame, for the window's pulled-out adapter
#   COM13: eight nodes, the lock of 03 jammed, 05 silent, doors shut again after 2 s, for the
#          window's whole acceptance run and its prompts, one test at a time
#   COM14: the same cabinet, for velkaro-cli.exe's acceptance run beside the window's
#   COM15: the same cabinet, for a close of the modal window during an acceptance run
#   COM16: the same cabinet, hanging up as the run's fourth frame (node 01's unlock) arrives
#   COM17: the same cabinet, for the window's runs cut short (stopped, or closed with the
#          window), one test at a time
# Usage: wine/tests.sh [CTEST_ARGUMENTS...]: with arguments (-R REGEX, say), only the tests
# they choose run, and the command line's check does not.
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
VELKARO_WINDOWS_BUILD="${VELKARO_WINDOWS_BUILD:-$VELKARO_ROOT/build-windows}"
source "$VELKARO_ROOT/scripts/wine/env.sh"

velkaro_cleanup() {
    velkaro_wine_stop
    velkaro_stop_nodesims
}
trap velkaro_cleanup EXIT

velkaro_start_nodesim CLI --nodes 00-0f
velkaro_start_nodesim ECHO --nodes 00-0f --echo
velkaro_start_nodesim JSON --nodes 00-0f
velkaro_start_nodesim HANGUP --nodes 00-0f --hangup-after-frames 1
velkaro_start_nodesim WINDOW --nodes 00-0f --open 03
velkaro_start_nodesim WINDOW_HANGUP --nodes 00-0f --hangup-after-frames 1
velkaro_start_nodesim REHEARSAL_WINDOWS "${VELKARO_REHEARSAL_NODES[@]}"
acceptance_cabinet=(--nodes 00-07 --jammed 03 --silent 05 --close-after 2000)
velkaro_start_nodesim ACCEPTANCE_WINDOW "${acceptance_cabinet[@]}"
velkaro_start_nodesim ACCEPTANCE_CLI "${acceptance_cabinet[@]}"
velkaro_start_nodesim ACCEPTANCE_CLOSE "${acceptance_cabinet[@]}"
velkaro_start_nodesim ACCEPTANCE_HANGUP "${acceptance_cabinet[@]}" --hangup-after-frames 4
velkaro_start_nodesim ACCEPTANCE_CUT "${acceptance_cabinet[@]}"
velkaro_wine_start
velkaro_wine_map_ports "COM7=$VELKARO_SIM_CLI_PORT" "COM8=$VELKARO_SIM_ECHO_PORT" \
    "COM9=$VELKARO_SIM_JSON_PORT" "COM6=$VELKARO_SIM_HANGUP_PORT" \
    "COM10=$VELKARO_SIM_WINDOW_PORT" "COM11=$VELKARO_SIM_REHEARSAL_WINDOWS_PORT" \
    "COM12=$VELKARO_SIM_WINDOW_HANGUP_PORT" "COM13=$VELKARO_SIM_ACCEPTANCE_WINDOW_PORT" \
    "COM14=$VELKARO_SIM_ACCEPTANCE_CLI_PORT" "COM15=$VELKARO_SIM_ACCEPTANCE_CLOSE_PORT" \
    "COM16=$VELKARO_SIM_ACCEPTANCE_HANGUP_PORT" "COM17=$VELKARO_SIM_ACCEPTANCE_CUT_PORT"

export VELKARO_TEST_PORT=COM8 VELKARO_TEST_HANGUP_PORT=COM6 VELKARO_WINDOW_TEST_PORT=COM10 \
    VELKARO_WINDOW_HANGUP_PORT=COM12 VELKARO_ACCEPTANCE_TEST_PORT=COM13 \
    VELKARO_ACCEPTANCE_CLI_PORT=COM14 VELKARO_ACCEPTANCE_CLOSE_PORT=COM15 \
    VELKARO_ACCEPTANCE_HANGUP_PORT=COM16 VELKARO_ACCEPTANCE_CUT_PORT=COM17
ctest --test-dir "$VELKARO_WINDOWS_BUILD" --output-on-failure -j 2 "$@"

if [ "$#" -eq 0 ]; then
    bash "$VELKARO_ROOT/scripts/wine/cli-check.sh" COM7 COM9 COM11
fi
