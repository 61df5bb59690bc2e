#!/usr/bin/env bash
# End to end: the folder fields' "..." buttons and Ctrl+Enter open the browse-for-folder
# dialog, driven only with real input events: a child folder is opened with Right and Down
# and confirmed with Return, the batch then runs from that folder; Escape leaves a field as
# typed; a folder made meanwhile shows after F5. Saves a screenshot of the open dialog.
# Usage: browse_dialog.sh Corvane.exe artefact-folder
set -euo pipefail
exe=$1
artifacts=$2
mkdir -p "$artifacts"
: "${WINEPREFIX:?}" "${DISPLAY:?}"

drive_c="$WINEPREFIX/drive_c"
root="$drive_c/corvane-e2e-browse"
rm -rf "$root"
mkdir -p "$root/src"
printf 'first' >"$root/src/a.tbi"
printf 'other' >"$root/src/c.txt"

fail() {
  echo "e2e: $*" >&2
  import -window root "$artifacts/e2e-browse-failure.png" 2>/dev/null || true
  exit 1
}

wine "$exe" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

wait_window() { # name: prints the window id once it exists
  local w=""
  for _ in $(seq 1 100); do
    w=$(xdotool search --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_gone() { # window id
  for _ in $(seq 1 100); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xdotool search --name '^Browse for Folder$' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

win=$(wait_window '^Corvane$') || fail "main window did not appear"
sleep 0.5

# Window coordinates of stored positions: scaled by 18/15, plus the 4-pixel border and the
# 20-pixel caption Wine draws without a window manager.
at() { echo $((4 + $1 * 18 / 15)) $((24 + $2 * 18 / 15)); }
# The ellipsis button sits at the right end of a field (stored left 186, width 490 or 489).
ellipsis() { # stored-width stored-y
  echo $((4 + 186 * 18 / 15 + $1 * 18 / 15 - 10)) $((24 + $2 * 18 / 15))
}
# The text of a field, read through the clipboard (a marker first: copying an empty field
# leaves the clipboard as it was).
field_text() { # stored-y
  printf '<empty>' | xclip -selection clipboard -i -l 1 >/dev/null 2>&1
  xdotool mousemove --window "$win" $(at 300 "$1") click 1
  xdotool key Home shift+End ctrl+c
  sleep 0.3
  xclip -o -selection clipboard 2>/dev/null || true
}
set_field() { # stored-y text
  xdotool mousemove --window "$win" $(at 300 "$1") click 1
  xdotool key Home shift+End BackSpace
  xdotool type --delay 20 "$2"
}
# Opens the dialog with the mouse on a field's button and gives it the keyboard.
open_dialog_with_button() { # stored-width stored-y
  xdotool mousemove --window "$win" $(ellipsis "$1" "$2") click 1
  dlg=$(wait_window '^Browse for Folder$') || fail "the dialog did not open"
  sleep 0.5
  xdotool windowfocus "$dlg" 2>/dev/null || true
  sleep 0.3
}

# 1. The source field's button opens the dialog on the typed folder; Right opens it, Down
#    goes to its child, Return confirms.
set_field 124 'C:\corvane-e2e-browse'
open_dialog_with_button 490 124
geometry=$(xdotool getwindowgeometry --shell "$dlg")
eval "$geometry"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/browse-dialog.png" 2>/dev/null || true
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
dlg=$(wait_window '^Browse for Folder$') || fail "Ctrl+Enter did not open the dialog"
sleep 0.5
xdotool windowfocus "$dlg" 2>/dev/null || true
sleep 0.3
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
xdotool key alt+F4
for _ in $(seq 1 50); do
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -0 $pid 2>/dev/null && fail "program still running after closing its window"
trap - EXIT
rm -rf "$root"
echo "e2e: browse dialog passed"
