#!/usr/bin/env bash
# End to end, keyboard only: starts Corvane.exe and, without a single click, types the two
# suffixes and the two folders, starts the run with Space on the start button, answers the
# closing question with N, and checks the files on disk. The closing question is pictured and
# must be painted (not a black rectangle).
# Usage: keyboard_start.sh Corvane.exe artefact-folder
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"
fresh_fixture corvane-keys
printf 'one' >"$root/src/a.png"
printf 'two' >"$root/src/b.png"
printf 'keep' >"$root/src/c.tbi"

start_corvane "$exe"
# The first field has the focus from the start: replace its ".tbi", then Tab through.
xdotool key --delay 30 End shift+Home
xdotool type --delay 30 '.png'
xdotool key Tab End shift+Home
xdotool type --delay 30 '.gif'
xdotool key Tab
xdotool type --delay 30 'C:\corvane-keys\src'
xdotool key Tab
xdotool type --delay 30 'C:\corvane-keys\out'
sleep 0.3
shot "$e2e_win" "$artifacts/main-window$suffix.png"
xdotool key Tab space

# The run ends with the closing question, which has an empty caption.
box=$(wait_question "$root/out/b.gif")
[ -n "$box" ] || fail "no closing question after the run"
check_painted "$box" "$artifacts/closing-question$suffix.png" "the closing question"
xdotool key n
sleep 0.3

[ "$(cat "$root/out/a.gif" 2>/dev/null)" = one ] || fail "a.gif missing in the export folder"
[ "$(cat "$root/out/b.gif" 2>/dev/null)" = two ] || fail "b.gif missing in the export folder"
[ "$(cat "$root/src/a.png" 2>/dev/null)" = one ] || fail "backup a.png missing"
[ "$(cat "$root/src/b.png" 2>/dev/null)" = two ] || fail "backup b.png missing"
[ "$(cat "$root/src/c.tbi" 2>/dev/null)" = keep ] && [ ! -e "$root/out/c.gif" ] || fail "c.tbi was touched"

close_corvane
rm -rf "$root"
echo "e2e: keyboard start passed"
