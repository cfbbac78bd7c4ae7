#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then the port worker's tests once more
# under ThreadSanitizer.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

velkaro_build
ctest --test-dir "$VELKARO_BUILD" --output-on-failure -j 2

VELKARO_TSAN_BUILD="$VELKARO_BUILD-tsan"
cmake -S "$VELKARO_ROOT" -B "$VELKARO_TSAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVELKARO_WITH_CONSOLE=OFF -DVELKARO_WITH_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -g -O1" >/dev/null
cmake --build "$VELKARO_TSAN_BUILD" -j "$(nproc)" --target worker_test cli_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$VELKARO_TSAN_BUILD" --output-on-failure -R '^(worker|cli)\.' -j 2

# Windows: cross-built, and tested under wine against simulated nodes on mapped COM ports.
bash "$VELKARO_ROOT/scripts/test-windows.sh"
