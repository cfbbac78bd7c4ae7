#!/usr/bin/env bash
# Installs the Debian packages the build needs (only the missing ones) and builds everything.
# Sourced by run.sh and test.sh; safe to run again and again.
set -euo pipefail

VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"

VELKARO_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev
    fonts-wqy-microhei
)

velkaro_missing_packages() {
    local package
    for package in "${VELKARO_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || echo "$package"
    done
}

velkaro_install_packages() {
    local missing
    mapfile -t missing < <(velkaro_missing_packages)
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "velkaro: installing ${missing[*]}" >&2
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "velkaro: these Debian packages are missing: ${missing[*]}" >&2
            echo "velkaro: run as root: apt-get update && apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
        apt=(sudo "${apt[@]}")
    fi
    "${apt[@]}" update -q
    "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
}

velkaro_build() {
    cmake -S "$VELKARO_ROOT" -B "$VELKARO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$VELKARO_BUILD" -j "$(nproc)"
}

velkaro_install_packages
