#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then the console queue's, the port
# worker's and the command line's tests once more under ThreadSanitizer, the Windows build under
# wine, the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzzer
# for a bounded time.
# Says how long each stage took.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$VELKARO_ROOT/scripts/sanitize.sh"
echo "velkaro: stage install took ${SECONDS} s" >&2

stage() {
    local name="$1" start="$SECONDS"
    shift
    "$@"
    echo "velkaro: stage $name took $((SECONDS - start)) s" >&2
}

build_and_test() {
    velkaro_build
    ctest --test-dir "$VELKARO_BUILD" --output-on-failure -j 2
}

thread_sanitizer() {
    local build="$VELKARO_BUILD-tsan"
    cmake -S "$VELKARO_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DVELKARO_WITH_CONSOLE=OFF -DVELKARO_WITH_BENCHMARKS=OFF \
        -DCMAKE_CXX_FLAGS="-fsanitize=thread -g -O1" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target console_queue_test worker_test cli_test
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        ctest --test-dir "$build" --output-on-failure -R '^(queue|worker|cli)\.' -j 2
}

# The sanitizers make everything two to three times slower, so a test that misses a time bound
# on a busy machine gets a second run. Their reports go to files, and any report fails the
# stage, whether or not the second run passed.
address_sanitizer() {
    local reports="$VELKARO_SANITIZER_BUILD/sanitizer-reports" status=0
    velkaro_sanitizer_build
    rm -rf "$reports"
    mkdir -p "$reports"
    env ASAN_OPTIONS="$VELKARO_ASAN_OPTIONS:log_path=$reports/asan" \
        UBSAN_OPTIONS="$VELKARO_UBSAN_OPTIONS:log_path=$reports/ubsan" \
        ctest --test-dir "$VELKARO_SANITIZER_BUILD" --output-on-failure -j 2 \
        --repeat until-pass:2 || status=$?
    if compgen -G "$reports/*" >/dev/null; then
        cat "$reports"/* >&2
        echo "velkaro: the sanitizers reported the faults above" >&2
        return 1
    fi
    return "$status"
}

# The acceptance report in a real browser, in Chinese and in English: it renders, prints on A4
# and shows typed text as typed.
report_in_browser() {
    local picture
    velkaro_install_packages chromium imagemagick
    picture="$(mktemp --suffix=.png)"
    bash "$VELKARO_ROOT/scripts/report-screenshot.sh" "$picture" >/dev/null
    VELKARO_LANG=en bash "$VELKARO_ROOT/scripts/report-screenshot.sh" "$picture" >/dev/null
    rm -f "$picture"
}

stage build-and-test build_and_test
stage report-in-browser report_in_browser
stage thread-sanitizer thread_sanitizer
# Windows: cross-built, and tested under wine against simulated nodes on mapped COM ports.
stage windows bash "$VELKARO_ROOT/scripts/test-windows.sh"
stage address-sanitizer address_sanitizer
stage fuzzers velkaro_fuzz 30
