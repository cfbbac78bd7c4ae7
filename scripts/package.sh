#!/usr/bin/env bash
# Builds the Debian package dist/velkaro_<version>_<arch>.deb and checks it with lintian.
# Install it with: apt-get install ./dist/velkaro_*.deb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
velkaro_install_packages "${VELKARO_PACKAGING_PACKAGES[@]}"

velkaro_build_targets Velkaro velkaro-cli velkaro-nodesim velkaro_changelog velkaro_manpages
staging="$VELKARO_BUILD/package"
rm -rf "$staging"
cpack --config "$VELKARO_BUILD/CPackConfig.cmake" -B "$staging" >/dev/null

dist="$VELKARO_ROOT/dist"
mkdir -p "$dist"
for deb in "$staging"/*.deb; do
    cp "$deb" "$dist/"
    echo "velkaro: built dist/$(basename "$deb")" >&2
    lintian "$dist/$(basename "$deb")"
done
