#!/usr/bin/env bash
# End to end: a separate program reads the main window as a screen reader does and finds
# every control for what it is: the progress bar named after its label with its value, the
# labels as static text, the group box, the push button, and in each folder field a "..."
# button named for what it does. It presses the first through its accessible object, and the
# browse-for-folder dialog opens, as for a click.
# Usage: accessible_browse.sh Corvane.exe accessible_probe.exe artefact-folder
set -euo pipefail
probe=$2
set -- "$1" "$3"
source "$(dirname "$0")/lib.sh" "$@"

start_corvane "$exe"
out="$artifacts/accessible-main-window.txt"
corvane_wine "$probe" --title Corvane --press-named '浏览...' >"$out" 2>&1 ||
  fail "the probe could not press the browse button: $(cat "$out")"
expect() { # pattern what
  grep -qE "$1" "$out" || fail "$2 not found by the screen reader's view: $(cat "$out")"
}
expect '^self role=48 name=进度 value=0 %' "the progress bar"
expect '^self role=41 name=请选择源文件目录 ' "the source folder's label"
expect '^self role=20 ' "the group box"
expect '^self role=43 name=开始修改 value=- action=Press' "the start button"
[ "$(grep -cE '^child 1 role=43 name=浏览\.\.\. action=Press state=0 .* hit=1' "$out")" = 2 ] ||
  fail "the two folder fields' browse buttons: $(cat "$out")"
expect '^pressed 1 0x00000000' "the press"

dlg=$(wait_window '^Browse for Folder$')
[ -n "$dlg" ] || fail "the press did not open the browse dialog"
xdotool windowfocus "$dlg" 2>/dev/null || true
sleep 0.3
xdotool key Escape
for _ in $(seq 1 50); do
  xdotool search --onlyvisible --name '^Browse for Folder$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool windowfocus "$e2e_win" 2>/dev/null || true
sleep 0.3
close_corvane
echo "e2e accessible browse: ok"
