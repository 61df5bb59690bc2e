#!/usr/bin/env bash
# Builds everything and runs every test executable once under Wine on a virtual display.
# Where the 32-bit build is the one under test, the 64-bit build is compiled afterwards too,
# so that it keeps compiling (its tests run with CORVANE_ARCH=x64).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$CORVANE_ROOT/scripts/build.sh" >/dev/null
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
(cd "$CORVANE_BUILD" && ctest --output-on-failure "$@")
if [ "$CORVANE_VARIANT" = x86 ] && [ -z "${CORVANE_ARCH:-}" ]; then
  echo "corvane: building the 64-bit (x64) build as well, so that it keeps compiling" >&2
  # The 32-bit setup installed its compiler already.
  env -u CORVANE_VARIANT -u CORVANE_BUILD -u WINEPREFIX CORVANE_ARCH=x64 CORVANE_SETUP_DONE=1 \
    "$CORVANE_ROOT/scripts/build.sh" >/dev/null
fi
