#!/usr/bin/env bash
# End to end: a program started with the show-maximised command opens its main window
# maximised; closing it ends the program.
# Usage: start_maximised.sh Corvane.exe
set -euo pipefail
exe=$1
: "${WINEPREFIX:?}" "${DISPLAY:?}"
source "$(dirname "$0")/../../scripts/env.sh"

fail() {
  echo "e2e: $*" >&2
  exit 1
}

corvane_wine start /max "$(corvane_wine winepath -w "$exe")" &
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --name '^Corvane$' 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "main window did not appear"
sleep 0.5
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
eval "$(xdotool getwindowgeometry --shell "$win")"
# A maximised window covers the screen (its frame may lie just outside it).
[ "$WIDTH" -ge "$screen_w" ] && [ "$HEIGHT" -ge $((screen_h - 40)) ] ||
  fail "window is ${WIDTH}x${HEIGHT}, screen ${screen_w}x${screen_h}: not maximised"

xdotool mousemove --window "$win" 400 10 click 1
xdotool key alt+F4
for _ in $(seq 1 50); do
  pgrep -f '[\\]Corvane[.]exe$' >/dev/null || break
  sleep 0.1
done
pgrep -f '[\\]Corvane[.]exe$' >/dev/null && fail "program still running after closing its window"
echo "e2e: maximised start passed"
