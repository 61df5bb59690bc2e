#!/usr/bin/env bash
# End to end, keyboard only: types the two folders, looks at the preview through the system
# menu (Alt+Space, P) and closes it with Escape, runs, runs again over the same folders (every
# entry fails now), then undoes through the system menu (Alt+Space, U) and checks that every
# folder is as it was before the first run. Pictures of the preview, the closing question of
# the failed run and the undo's box are saved.
# Usage: undo_run.sh Corvane.exe artefact-folder
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"
fresh_fixture corvane-undo
printf 'first' >"$root/src/a.tbi"
printf 'second' >"$root/src/b.tbi"
printf 'other' >"$root/src/c.txt"
# Only this test's runs are in the journal folder, so that undo takes the run made here.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Corvane
before=$(cd "$root" && find . -type f -exec md5sum {} + | sort)

start_corvane "$exe"
# The focus starts in the source suffix field: on to the two folder fields.
xdotool key --delay 30 Tab Tab
xdotool type --delay 30 'C:\corvane-undo\src'
xdotool key Tab
xdotool type --delay 30 'C:\corvane-undo\out\deep'
sleep 0.3

# The preview: a window of its own, closed with Escape; it moves nothing.
xdotool key alt+space
sleep 0.3
xdotool key p
preview=$(wait_window '^预览$')
[ -n "$preview" ] || fail "no preview window after Alt+Space, P"
sleep 0.5
check_painted "$preview" "$artifacts/preview-window$suffix.png" "the preview window"
[ ! -e "$root/out" ] || fail "the preview made the export folder"
xdotool key Escape
for _ in $(seq 1 50); do
  xdotool search --onlyvisible --name '^预览$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^预览$' >/dev/null 2>&1 && fail "Escape did not close the preview"

# The run, from the start button (Tab from the export folder field), answered with N.
xdotool key Tab space
box=$(wait_question "$root/out/deep/b.jpg")
[ -n "$box" ] || fail "no closing question after the run"
xdotool key n
sleep 0.3
[ "$(cat "$root/out/deep/a.jpg" 2>/dev/null)" = first ] || fail "a.jpg missing in the export folder"

# The same folders again: every entry fails, and the closing question says so first.
xdotool key space
box=$(wait_box '^$')
[ -n "$box" ] || fail "no closing question after the second run"
sleep 0.5
check_painted "$box" "$artifacts/closing-question-failed$suffix.png" "the closing question of a failed run"
xdotool key n
sleep 0.3
journals=$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Corvane/runs/*.tsv 2>/dev/null | wc -l)
[ "$journals" = 2 ] || fail "expected two journals, found $journals"

# Undo: the newest run changed nothing, so the first one is taken back.
xdotool key alt+space
sleep 0.3
xdotool key u
box=$(wait_box '^$')
[ -n "$box" ] || fail "no box after Alt+Space, U"
sleep 0.5
check_painted "$box" "$artifacts/undo-box$suffix.png" "the undo's box"
xdotool key Return
sleep 0.3

after=$(cd "$root" && find . -type f -exec md5sum {} + | sort)
[ "$after" = "$before" ] || fail "the folders differ after undo: $after"
[ ! -e "$root/out" ] || fail "the export folders the run made are still there"

close_corvane
rm -rf "$root"
echo "e2e: undo passed"
