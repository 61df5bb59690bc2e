#!/usr/bin/env bash
# End to end: the folder fields' "..." buttons and Ctrl+Enter open the browse-for-folder
# dialog, driven only with real input events: a child folder is opened with Right and Down
# and confirmed with Return, the batch then runs from that folder; Escape leaves a field as
# typed; a folder made meanwhile shows after F5. Saves a screenshot of the open dialog.
# Usage: browse_dialog.sh Corvane.exe artefact-folder
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"
fresh_fixture corvane-e2e-browse
printf 'first' >"$root/src/a.tbi"
printf 'other' >"$root/src/c.txt"

wait_gone() { # window id
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name '^Browse for Folder$' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

start_corvane "$exe"
win=$e2e_win

# The ellipsis button sits at the right end of a field (stored left 186, width 490 or 489).
ellipsis() { # stored-width stored-y
  echo $((frame_x + 186 * 18 / 15 + $1 * 18 / 15 - 10)) $((frame_y + $2 * 18 / 15))
}
# The text of a field, read through the clipboard. A marker goes in first, since copying an
# empty field leaves the clipboard as it was. The marker's owner runs in the foreground and
# ends when the program takes the clipboard over, which says the copy is through; an empty
# field never takes it, so that wait is bounded.
field_text() { # stored-y
  printf '<empty>' | xclip -quiet -selection clipboard -i -l 1 >/dev/null 2>&1 &
  local marker=$!
  xdotool mousemove --window "$win" $(at 300 "$1") click 1
  xdotool key Home shift+End ctrl+c
  for _ in $(seq 1 50); do
    kill -0 "$marker" 2>/dev/null || break
    sleep 0.1
  done
  xclip -o -selection clipboard 2>/dev/null || true
  kill "$marker" 2>/dev/null || true
  wait "$marker" 2>/dev/null || true
}
set_field() { # stored-y text
  xdotool mousemove --window "$win" $(at 300 "$1") click 1
  xdotool key Home shift+End BackSpace
  xdotool type --delay 20 "$2"
}
# Waits for the dialog and gives it the keyboard (the window manager does that itself).
take_dialog() {
  dlg=$(wait_window '^Browse for Folder$')
  [ -n "$dlg" ] || fail "$1"
  sleep 0.5
  if [ "$E2E_WM" != 1 ]; then
    xdotool windowfocus "$dlg" 2>/dev/null || true
  fi
  sleep 0.3
}
open_dialog_with_button() { # stored-width stored-y
  xdotool mousemove --window "$win" $(ellipsis "$1" "$2") click 1
  take_dialog "the dialog did not open"
}

# 1. The source field's button opens the dialog on the typed folder; Right opens it, Down
#    goes to its child, Return confirms.
set_field 124 'C:\corvane-e2e-browse'
open_dialog_with_button 490 124
check_painted "$dlg" "$artifacts/browse-dialog$suffix.png" "the browse dialog"
xdotool key Right
sleep 0.2
xdotool key Down
sleep 0.2
xdotool key Return
wait_gone "$dlg" || fail "Return did not close the dialog"
sleep 0.3
got=$(field_text 124)
[ "$got" = 'C:\corvane-e2e-browse\src' ] || fail "source field holds '$got'"
got=$(field_text 164)
[ "$got" = '<empty>' ] || fail "the source button filled the export field too: '$got'"

# 2. The batch runs from the chosen folder.
set_field 164 'C:\corvane-e2e-browse\out'
xdotool mousemove --window "$win" $(at 180 216) click 1
for _ in $(seq 1 100); do
  [ -f "$root/out/a.jpg" ] && break
  sleep 0.1
done
sleep 0.5
xdotool key n
sleep 0.5
[ "$(cat "$root/out/a.jpg" 2>/dev/null)" = first ] || fail "a.jpg missing in the export folder"
[ "$(cat "$root/src/a.tbi" 2>/dev/null)" = first ] || fail "backup a.tbi missing"
[ -f "$root/src/c.txt" ] || fail "c.txt was touched"

# 3. Ctrl+Enter opens the dialog from the keyboard; Escape leaves the field as typed.
typed='  C:\corvane-e2e-browse\out  '
set_field 164 "$typed"
xdotool key ctrl+Return
take_dialog "Ctrl+Enter did not open the dialog"
xdotool key Escape
wait_gone "$dlg" || fail "Escape did not close the dialog"
sleep 0.3
got=$(field_text 164)
[ "$got" = "$typed" ] || fail "Escape changed the export field to '$got'"

# 4. A folder made while the dialog is open shows after F5.
open_dialog_with_button 490 124
mkdir "$root/src/made"
xdotool key F5
sleep 0.5
xdotool key Right
sleep 0.2
xdotool key Down
sleep 0.2
xdotool key Return
wait_gone "$dlg" || fail "Return did not close the dialog after F5"
sleep 0.3
got=$(field_text 124)
[ "$got" = 'C:\corvane-e2e-browse\src\made' ] || fail "after F5 the source field holds '$got'"

# Closing the window ends the program.
xdotool mousemove --window "$win" $(at 400 20) click 1
close_corvane
rm -rf "$root"
echo "e2e: browse dialog passed"
