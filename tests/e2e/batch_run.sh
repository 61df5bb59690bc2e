#!/usr/bin/env bash
# End to end: starts Corvane.exe on the virtual display and drives it only with real input
# events, as a person would: types both folders, clicks the start button, answers the
# closing question, then checks the files on disk and saves a screenshot of the window.
# Usage: batch_run.sh Corvane.exe artefact-folder
set -euo pipefail
exe=$1
artifacts=$2
mkdir -p "$artifacts"
: "${WINEPREFIX:?}" "${DISPLAY:?}"

drive_c="$WINEPREFIX/drive_c"
root="$drive_c/corvane-e2e"
rm -rf "$root"
mkdir -p "$root/src"
printf 'first' >"$root/src/a.tbi"
printf 'second' >"$root/src/b.tbi"
printf 'other' >"$root/src/c.txt"
printf 'upper' >"$root/src/D.TBI"

fail() {
  echo "e2e: $*" >&2
  import -window root "$artifacts/e2e-failure.png" 2>/dev/null || true
  exit 1
}

wine "$exe" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# The main window appears at its stored place.
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --name '^Corvane$' 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "main window did not appear"
sleep 0.5

# Positions in the window: the stored layout scaled by the window font's text height (18/15
# for the CJK font mapped for the window's typeface), plus the frame Wine draws (4 pixels of
# border, a 20-pixel caption).
at() { # stored-x stored-y: a point of the client area, in window coordinates
  echo $((4 + $1 * 18 / 15)) $((24 + $2 * 18 / 15))
}
# Click into the source folder field and type; Tab moves on to the export folder field.
xdotool mousemove --window "$win" $(at 300 124) click 1
xdotool type --delay 20 'C:\corvane-e2e\src'
xdotool key Tab
xdotool type --delay 20 'C:\corvane-e2e\out\level2'
sleep 0.3
import -window root -crop 860x440+408+200 "$artifacts/main-window.png" 2>/dev/null || true

# Click the start button (stored at 85, 199, 189 by 35).
xdotool mousemove --window "$win" $(at 180 216) click 1

# The closing question: answer No.
question=""
for _ in $(seq 1 100); do
  question=$(xdotool search --name '^$' 2>/dev/null | while read -r w; do
    [ "$w" != "$win" ] && xdotool getwindowname "$w" >/dev/null 2>&1 && echo "$w"; done | tail -n1 || true)
  [ -f "$root/out/level2/b.jpg" ] && [ -n "$question" ] && break
  sleep 0.1
done
sleep 0.5
import -window root -crop 860x440+408+200 "$artifacts/main-window-done.png" 2>/dev/null || true
xdotool key n
sleep 0.5

# Files on disk: moved under the new suffix, copied back, the rest untouched.
[ "$(cat "$root/out/level2/a.jpg" 2>/dev/null)" = first ] || fail "a.jpg missing in the export folder"
[ "$(cat "$root/out/level2/b.jpg" 2>/dev/null)" = second ] || fail "b.jpg missing in the export folder"
[ "$(cat "$root/src/a.tbi" 2>/dev/null)" = first ] || fail "backup a.tbi missing"
[ "$(cat "$root/src/b.tbi" 2>/dev/null)" = second ] || fail "backup b.tbi missing"
[ -f "$root/src/c.txt" ] || fail "c.txt was touched"
[ -f "$root/src/D.TBI" ] && [ ! -e "$root/out/level2/D.jpg" ] || fail "an upper-case suffix matched"

# Closing the window ends the program.
xdotool mousemove --window "$win" $(at 400 20) click 1
xdotool key alt+F4
for _ in $(seq 1 50); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -0 $pid 2>/dev/null && fail "program still running after closing its window"
trap - EXIT
rm -rf "$root"
echo "e2e: batch run passed"
