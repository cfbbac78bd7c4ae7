#!/usr/bin/env bash
# The sanitizer build and the fuzzer runs; sourced by test.sh and fuzz.sh after setup.sh.

# The whole suite and the fuzzers under AddressSanitizer and UndefinedBehaviorSanitizer, built
# with clang (libFuzzer comes with it) at -O1, without the benchmarks. Arguments: targets.
VELKARO_SANITIZER_BUILD="$VELKARO_BUILD-asan"
velkaro_sanitizer_build() {
    cmake -S "$VELKARO_ROOT" -B "$VELKARO_SANITIZER_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_COMPILER=clang++ -DVELKARO_WITH_BENCHMARKS=OFF -DVELKARO_WITH_FUZZERS=ON \
        -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
        >/dev/null
    if [ "$#" -gt 0 ]; then
        set -- --target "$@"
    fi
    cmake --build "$VELKARO_SANITIZER_BUILD" -j "$(nproc)" "$@"
}

# Any finding stops the program at once, with its stack.
VELKARO_ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1
VELKARO_UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
VELKARO_SANITIZER_ENV=(ASAN_OPTIONS="$VELKARO_ASAN_OPTIONS" UBSAN_OPTIONS="$VELKARO_UBSAN_OPTIONS")

# Runs each fuzzer for $1 seconds from its seeds and what earlier runs found (kept in the
# build folder) and prints its figures; a finding stops with the end of its log, and the input
# that triggered it is left in the build folder.
velkaro_fuzz() {
    local seconds="$1" fuzzer corpus log runs rate
    for fuzzer in reply_parser_fuzzer group_status_fuzzer; do
        corpus="$VELKARO_SANITIZER_BUILD/fuzz-corpus/$fuzzer"
        log="$VELKARO_SANITIZER_BUILD/$fuzzer.log"
        mkdir -p "$corpus"
        if ! env "${VELKARO_SANITIZER_ENV[@]}" "$VELKARO_SANITIZER_BUILD/bin/$fuzzer" \
            -max_total_time="$seconds" -timeout=30 -max_len=1100 -print_final_stats=1 \
            -artifact_prefix="$VELKARO_SANITIZER_BUILD/" \
            "$corpus" "$VELKARO_ROOT/fuzz/seeds/$fuzzer" >"$log" 2>&1; then
            tail -n 40 "$log" >&2
            echo "velkaro: $fuzzer found a fault; its input is in $VELKARO_SANITIZER_BUILD/" >&2
            return 1
        fi
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
        rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
        echo "velkaro: $fuzzer: $runs inputs in $seconds s, $rate per second" >&2
    done
}
