#!/bin/sh
# Runs a Windows program under wine for the tests (CMake's cross-compiling emulator): quietly,
# and only in the private prefix that the test run made, never in the user's own.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine/run.sh: WINEPREFIX is not set; scripts/test-windows.sh makes a private one" >&2
    exit 1
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
