# Shared steps of the end-to-end scripts: start the program, find its window, take pictures,
# close it. Sourced; expects WINEPREFIX and DISPLAY. Under a window manager (E2E_WM=1) the
# manager draws the frame and gives the new window the focus itself; on the bare display
# Wine draws a 4-pixel border and a 20-pixel caption and the X focus is given by hand, as the
# X server does when a window is activated.
: "${WINEPREFIX:?}" "${DISPLAY:?}"
# The launcher of the variant under test (its Wine loader), from the environment the test
# runner hands down.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
# Sourced with the script's arguments: the program and the folder for pictures.
exe=${1:?usage: script Corvane.exe artefact-folder}
artifacts=${2:?usage: script Corvane.exe artefact-folder}
mkdir -p "$artifacts"
E2E_WM=${E2E_WM:-0}
# Pictures taken under a window manager carry their own suffix.
suffix=$([ "$E2E_WM" = 1 ] && echo -wm || true)
if [ "$E2E_WM" = 1 ]; then
  frame_x=0
  frame_y=0
else
  frame_x=4
  frame_y=24
fi
e2e_pid=""
e2e_win=""

# A fresh fixture folder in the prefix's drive C with an empty "src" in it; sets root.
fresh_fixture() { # name
  root="$WINEPREFIX/drive_c/$1"
  rm -rf "$root"
  mkdir -p "$root/src"
}

fail() {
  echo "e2e: $*" >&2
  import -window root "$artifacts/e2e-failure-$(basename "$0" .sh).png" 2>/dev/null || true
  exit 1
}

# Waits (up to 10 s, or the given tenths of a second) for a top-level window whose name matches
# the pattern; prints its id.
wait_window() {
  local pattern=$1 w=""
  for _ in $(seq 1 "${2:-100}"); do
    w=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
    [ -n "$w" ] && break
    sleep 0.1
  done
  echo "$w"
}

start_corvane() {
  corvane_wine "$1" &
  e2e_pid=$!
  trap 'kill $e2e_pid 2>/dev/null || true' EXIT
  # A start can take longer than usual on a busy machine (once seen: over 10 s in a run on a
  # fresh prefix); the wait ends as soon as the window is there.
  e2e_win=$(wait_window '^Corvane$' 300)
  [ -n "$e2e_win" ] || fail "main window did not appear"
  if [ "$E2E_WM" != 1 ]; then
    xdotool windowfocus "$e2e_win"
  fi
  # Keys typed before the window has the focus go elsewhere, for a person too: wait for it.
  local focused=""
  for _ in $(seq 1 100); do
    if [ "$E2E_WM" = 1 ]; then
      focused=$(xdotool getactivewindow 2>/dev/null || true)
    else
      focused=$(xdotool getwindowfocus 2>/dev/null || true)
    fi
    [ "$focused" = "$e2e_win" ] && break
    sleep 0.05
  done
  [ "$focused" = "$e2e_win" ] || fail "main window did not get the focus"
}

# A point of the main window's client area from a stored (unscaled) position, in window
# coordinates: the stored layout grows by the window font's text height over 15 (18 for
# the CJK font mapped for the window's typeface).
at() {
  echo $((frame_x + $1 * 18 / 15)) $((frame_y + $2 * 18 / 15))
}

# Saves a picture of one window, its frame included where Wine draws it (the absolute place
# from xwininfo: under a window manager xdotool reports the frame's offset twice). The picture
# is cut from ImageMagick's picture of the screen (the root window), which holds the same
# pixels as one plain read of the root, that is what a person sees. Not `xwd -root`: where windows carry colormaps of their own, as Wine gives every window,
# xwd assembles the root's image window by window and shows a window that lies wholly inside
# another such window as a black rectangle, although the screen holds it painted.
shot() { # window file
  local info x y w h
  info=$(xwininfo -id "$1")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2" 2>/dev/null || true
}

# The message box that the program shows over its main window (an empty caption for the
# closing question, the program's title for the error box).
wait_box() { # caption-pattern
  local w=""
  for _ in $(seq 1 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "$e2e_win" | while read -r c; do
      # Only a box-sized window: the root, the desktop and a window manager's small helper
      # windows match an empty name too.
      eval "$(xdotool getwindowgeometry --shell "$c" 2>/dev/null)" && [ "$WIDTH" -lt 800 ] &&
        [ "$WIDTH" -ge 80 ] && [ "$HEIGHT" -ge 40 ] && echo "$c"
    done | tail -n1 || true)
    [ -n "$w" ] && break
    sleep 0.1
  done
  echo "$w"
}

# Closes the main window with Alt+F4 and waits for the program to end.
close_corvane() {
  xdotool key alt+F4
  for _ in $(seq 1 50); do
    kill -0 "$e2e_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$e2e_pid" 2>/dev/null && fail "program still running after closing its window"
  trap - EXIT
}

# Counts the pixels of a picture that are pure black: a window that was never painted
# shows as a black rectangle on the bare display.
black_share() { # file -> percent of black pixels
  convert "$1" -fill white +opaque black -fill black -opaque black -format '%[fx:100*(1-mean)]' info: 2>/dev/null
}

# Pictures a new top-level window (a box, a dialog) from the screen and checks that it is
# painted there: a window that never reached the screen shows as a black rectangle.
check_painted() { # window file what
  shot "$1" "$2"
  local black
  black=$(black_share "$2")
  [ "${black%.*}" -lt 50 ] || fail "$3 is not painted on the screen (${black}% black)"
}

# Waits for the closing question that ends a run whose last file is given; prints its id
# (nothing when it did not come).
wait_question() { # last-file
  local box=""
  for _ in $(seq 1 100); do
    [ -f "$1" ] && box=$(wait_box '^$') && [ -n "$box" ] && break
    sleep 0.1
  done
  sleep 0.5
  echo "$box"
}
