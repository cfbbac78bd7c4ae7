#!/usr/bin/env bash
# Installs the Debian packages the build needs (only the missing ones) and offers the build
# steps. Sourced by run.sh, test.sh and package.sh; safe to run again and again.
set -euo pipefail

VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$VELKARO_ROOT/scripts/packages.sh"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"

VELKARO_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev libudev-dev
    fonts-wqy-microhei
    clang libclang-rt-14-dev
    tshark wireshark-common
)
# What building the Debian package needs on top: dpkg-shlibdeps, which CPack runs to find the
# package's dependencies, finds the programs with `file`; help2man writes the manual pages;
# lintian checks the result.
VELKARO_PACKAGING_PACKAGES=(dpkg-dev file help2man lintian)

velkaro_configure() {
    cmake -S "$VELKARO_ROOT" -B "$VELKARO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Everything, tests and benchmarks included; the arguments go to the configuration.
velkaro_build() {
    velkaro_configure "$@"
    cmake --build "$VELKARO_BUILD" -j "$(nproc)"
}

# Only the named targets and what they need.
velkaro_build_targets() {
    velkaro_configure
    cmake --build "$VELKARO_BUILD" -j "$(nproc)" --target "$@"
}

velkaro_install_packages "${VELKARO_PACKAGES[@]}"
