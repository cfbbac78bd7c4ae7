#!/usr/bin/env bash
# The Windows stage: cross-builds (scripts/build-windows.sh), then runs the Windows tests under
# wine in a private prefix, against Linux node simulators on COM ports mapped to their
# pseudo-terminals, and compares velkaro-cli.exe with the Linux velkaro-cli. Needs the Linux
# build for the simulators (test.sh makes it first). Installs what is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

# inotify-tools: wine/cli-check.sh watches files that a hostile --port names.
VELKARO_WINE_PACKAGES=(wine wine64 xvfb xauth inotify-tools)

velkaro_install_packages "${VELKARO_WINE_PACKAGES[@]}"
velkaro_build_targets velkaro-nodesim velkaro-cli
bash "$VELKARO_ROOT/scripts/build-windows.sh"
# Windows open and close under a virtual display.
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$VELKARO_ROOT/scripts/wine/tests.sh"
