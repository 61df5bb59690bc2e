#!/usr/bin/env bash
# End to end: starts Corvane.exe and drives it only with real input events, as a person
# would: clicks into the source folder field and types both folders, clicks the start button,
# answers the closing question, then checks the files on disk and saves pictures of the
# window. Then a missing source folder ends in the error box, which must be painted.
# Usage: batch_run.sh Corvane.exe artefact-folder
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"
fresh_fixture corvane-e2e
printf 'first' >"$root/src/a.tbi"
printf 'second' >"$root/src/b.tbi"
printf 'other' >"$root/src/c.txt"
printf 'upper' >"$root/src/D.TBI"

start_corvane "$exe"
# Click into the source folder field and type; Tab moves on to the export folder field.
xdotool mousemove --window "$e2e_win" $(at 300 124) click 1
xdotool type --delay 20 'C:\corvane-e2e\src'
xdotool key Tab
xdotool type --delay 20 'C:\corvane-e2e\out\level2'
sleep 0.3

# Click the start button (stored at 85, 199, 189 by 35).
xdotool mousemove --window "$e2e_win" $(at 180 216) click 1

# The closing question: answer No.
box=$(wait_question "$root/out/level2/b.jpg")
[ -n "$box" ] || fail "no closing question after the run"
shot "$e2e_win" "$artifacts/main-window-done$suffix.png"
xdotool key n
sleep 0.5

# Files on disk: moved under the new suffix, copied back, the rest untouched.
[ "$(cat "$root/out/level2/a.jpg" 2>/dev/null)" = first ] || fail "a.jpg missing in the export folder"
[ "$(cat "$root/out/level2/b.jpg" 2>/dev/null)" = second ] || fail "b.jpg missing in the export folder"
[ "$(cat "$root/src/a.tbi" 2>/dev/null)" = first ] || fail "backup a.tbi missing"
[ "$(cat "$root/src/b.tbi" 2>/dev/null)" = second ] || fail "backup b.tbi missing"
[ -f "$root/src/c.txt" ] || fail "c.txt was touched"
[ -f "$root/src/D.TBI" ] && [ ! -e "$root/out/level2/D.jpg" ] || fail "an upper-case suffix matched"

# A source folder that does not exist: the error box, titled with the program's title.
xdotool mousemove --window "$e2e_win" $(at 300 124) click 1
xdotool key End shift+Home
xdotool type --delay 20 'C:\corvane-e2e\missing'
xdotool mousemove --window "$e2e_win" $(at 180 216) click 1
box=$(wait_box '^Corvane$')
[ -n "$box" ] || fail "no error box for a missing source folder"
sleep 0.5
check_painted "$box" "$artifacts/error-box$suffix.png" "the error box"
xdotool key Return
sleep 0.3

# Closing the window ends the program.
xdotool mousemove --window "$e2e_win" $(at 400 20) click 1
close_corvane
rm -rf "$root"
echo "e2e: batch run passed"
