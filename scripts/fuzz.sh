#!/usr/bin/env bash
# Runs each fuzzer for the given number of seconds (default 600) in the sanitizer build.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$VELKARO_ROOT/scripts/sanitize.sh"

velkaro_sanitizer_build reply_parser_fuzzer group_status_fuzzer
velkaro_fuzz "${1:-600}"
