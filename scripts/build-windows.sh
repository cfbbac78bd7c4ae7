#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 into build-windows/ (the programs in
# build-windows/bin/) and packs them into dist/velkaro-<version>-win64.zip. Installs the Debian
# packages it needs when they are missing. Run from anywhere in the checkout.
set -euo pipefail

VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$VELKARO_ROOT/scripts/packages.sh"
VELKARO_WINDOWS_BUILD="${VELKARO_WINDOWS_BUILD:-$VELKARO_ROOT/build-windows}"
VELKARO_WINDOWS_PACKAGES=(
    cmake ninja-build g++-mingw-w64-x86-64-posix
    libcli11-dev nlohmann-json3-dev googletest
)
# The programs that go into the zip, where the build made them.
VELKARO_WINDOWS_PROGRAMS=(velkaro-cli.exe Velkaro.exe)

velkaro_windows_build() {
    cmake -S "$VELKARO_ROOT" -B "$VELKARO_WINDOWS_BUILD" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$VELKARO_ROOT/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$VELKARO_WINDOWS_BUILD" -j "$(nproc)"
}

velkaro_project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$VELKARO_WINDOWS_BUILD/CMakeCache.txt"
}

# cli/exit_statuses.txt as --help shows it: the status, then its meaning wrapped under itself.
velkaro_exit_status_list() {
    local status meaning
    echo "Exit status:"
    grep -E '^[0-9]+ ' "$VELKARO_ROOT/cli/exit_statuses.txt" | while read -r status meaning; do
        printf '%s\n' "$meaning" | fold -s -w 85 | sed -e 's/ *$//' \
            -e "1s/^/  $(printf '%-5s' "$status")/" -e '2,$s/^/       /'
    done
}

# The zip holds one folder with the stripped programs, README.txt and LICENSE.txt (CRLF, for
# Notepad) and the Wireshark dissector of the bus trace.
velkaro_windows_pack() {
    local version name stage program
    version="$(velkaro_project_version)"
    name="velkaro-$version-win64"
    stage="$(mktemp -d)"
    mkdir "$stage/$name"
    for program in "${VELKARO_WINDOWS_PROGRAMS[@]}"; do
        [ -f "$VELKARO_WINDOWS_BUILD/bin/$program" ] || continue
        x86_64-w64-mingw32-strip -o "$stage/$name/$program" "$VELKARO_WINDOWS_BUILD/bin/$program"
    done
    velkaro_exit_status_list >"$stage/exit-statuses.txt"
    sed -e "s/@VERSION@/$version/" -e "/@EXIT_STATUSES@/{r $stage/exit-statuses.txt" -e 'd}' \
        "$VELKARO_ROOT/packaging/windows/README.txt" | sed -e 's/$/\r/' >"$stage/$name/README.txt"
    rm "$stage/exit-statuses.txt"
    cp "$VELKARO_ROOT/packaging/wireshark/velkaro.lua" "$stage/$name/"
    sed -e 's/$/\r/' "$VELKARO_ROOT/LICENSE" >"$stage/$name/LICENSE.txt"
    mkdir -p "$VELKARO_ROOT/dist"
    rm -f "$VELKARO_ROOT/dist/$name.zip"
    (cd "$stage" && cmake -E tar cf "$VELKARO_ROOT/dist/$name.zip" --format=zip "$name")
    rm -rf "$stage"
    echo "$VELKARO_ROOT/dist/$name.zip"
}

velkaro_install_packages "${VELKARO_WINDOWS_PACKAGES[@]}"
velkaro_windows_build
velkaro_windows_pack
