#!/usr/bin/env bash
# The README's pictures of Velkaro.exe under wine:
# - docs/screenshot-windows.png: a session (open, group status of nodes 00-0f, unlock and status
#   of node 03) on a simulator mapped to COM10;
# - docs/screenshot-acceptance-windows.png: the acceptance dialog after a run over eight nodes,
#   the lock of 03 jammed and node 05 silent, on a simulator mapped to COM11;
# - docs/screenshot-windows-en.png: the session again, in English (VELKARO_LANG=en).
# Needs the Linux build (the simulator) and the Windows build (scripts/build-windows.sh).
set -euo pipefail
VELKARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELKARO_BUILD="${VELKARO_BUILD:-$VELKARO_ROOT/build}"
VELKARO_WINDOWS_BUILD="${VELKARO_WINDOWS_BUILD:-$VELKARO_ROOT/build-windows}"

if [ -z "${VELKARO_IN_XVFB:-}" ]; then
    VELKARO_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
source "$VELKARO_ROOT/scripts/wine/env.sh"
trap 'velkaro_wine_stop; velkaro_stop_nodesims' EXIT

velkaro_start_nodesim SHOT --nodes 00-0f --open 03
velkaro_start_nodesim ACCEPTANCE_SHOT --nodes 00-07 --jammed 03 --silent 05
velkaro_wine_start
velkaro_wine_map_ports "COM10=$VELKARO_SIM_SHOT_PORT" "COM11=$VELKARO_SIM_ACCEPTANCE_SHOT_PORT"

# bitmap_to_png BMP PNG: a 24-bit bitmap, bottom row first, to PNG.
bitmap_to_png() {
    python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
offset, = struct.unpack_from('<I', data, 10)
width, height = struct.unpack_from('<ii', data, 18)
stride = (width * 3 + 3) & ~3
rows = bytearray()
for y in range(height - 1, -1, -1):
    bgr = data[offset + y * stride: offset + y * stride + width * 3]
    rgb = bytearray(bgr)
    rgb[0::3], rgb[2::3] = bgr[2::3], bgr[0::3]
    rows += b'\0' + rgb
def chunk(kind, body):
    return (struct.pack('>I', len(body)) + kind + body
            + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))
open(sys.argv[2], 'wb').write(
    b'\x89PNG\r\n\x1a\n'
    + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    + chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b''))
PY
}

# take_picture PROGRAM PORT PNG
take_picture() {
    local bitmap="$VELKARO_WINE_HOME/$1.bmp"
    (cd "$VELKARO_WINDOWS_BUILD/bin" && wine "./$1.exe" ./Velkaro.exe "$2" "Z:$bitmap" </dev/null)
    bitmap_to_png "$bitmap" "$3"
    echo "$3"
}

take_picture session_screenshot COM10 "$VELKARO_ROOT/docs/screenshot-windows.png"
take_picture acceptance_screenshot COM11 "$VELKARO_ROOT/docs/screenshot-acceptance-windows.png"
VELKARO_LANG=en take_picture session_screenshot COM10 "$VELKARO_ROOT/docs/screenshot-windows-en.png"
