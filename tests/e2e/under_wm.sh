#!/usr/bin/env bash
# Runs end-to-end scripts once more as on a person's Linux desktop: a display of its own with
# a window manager (openbox), and a prefix whose windows the manager manages and decorates.
# Usage: under_wm.sh Corvane.exe artefact-folder script...
set -euo pipefail
exe=$1
artifacts=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/env.sh"
corvane_managed_prefix
corvane_new_display
openbox >/dev/null 2>&1 &
wm=$!
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  corvane_stop_display
}
trap cleanup EXIT
# The manager is up once it has claimed the screen.
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
export E2E_WM=1
for script in "$@"; do
  bash "$here/$script" "$exe" "$artifacts"
done
