#!/usr/bin/env bash
# Builds everything and runs every test executable once under Wine on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/env.sh"
corvane_prefix
corvane_display
# A 256 KiB volume that runs full, for the batch run's test of moves that fail half-way; it
# needs the right to mount (root), and the test is skipped where there is none.
small="$CORVANE_BUILD/small-volume"
small_mounted=
if [ -z "${CORVANE_SMALL_VOLUME:-}" ] && mkdir -p "$small" && mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null; then
  small_mounted=1
  ln -sfn "$small" "$WINEPREFIX/dosdevices/q:"
  export CORVANE_SMALL_VOLUME='Q:'
fi
cleanup() {
  corvane_stop_display
  if [ -n "$small_mounted" ]; then
    rm -f "$WINEPREFIX/dosdevices/q:"
    umount "$small" 2>/dev/null || true
  fi
}
trap cleanup EXIT
cd "$CORVANE_BUILD"
ctest --output-on-failure "$@"
