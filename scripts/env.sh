# Sourced by the scripts: the Wine environment of this checkout.
# Sets WINEPREFIX under the build folder, creates it on first use (with the CJK font
# mapped for the program's "宋体" typeface) and starts a virtual X display when none is set.
CORVANE_ROOT=${CORVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
CORVANE_BUILD=${CORVANE_BUILD:-$CORVANE_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$CORVANE_BUILD/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Bump when the prefix settings below change: older prefixes get the settings applied again.
CORVANE_PREFIX_VERSION=3

corvane_prefix() {
  [ "$(cat "$WINEPREFIX/.corvane-ready" 2>/dev/null)" = "$CORVANE_PREFIX_VERSION" ] && return 0
  mkdir -p "$CORVANE_BUILD"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/.corvane-ready" 2>/dev/null)" = "$CORVANE_PREFIX_VERSION" ] && exit 0
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "env: creating the Wine prefix (once)" >&2
      wineboot -i >/dev/null 2>&1
    fi
    # The CJK font stands in for the program's "宋体" typeface. Without a window manager on
    # the virtual display, managed windows make every hide and destroy wait two seconds for
    # an answer that never comes; unmanaged ones draw their own frame.
    local reg="$CORVANE_BUILD/prefix.reg"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="WenQuanYi Zen Hei"\r\n"SimSun"="WenQuanYi Zen Hei"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n' |
      iconv -f UTF-8 -t UTF-16 >"$reg"
    wine regedit /S "$reg" >/dev/null 2>&1
    # The symbol font of the caption buttons that Wine draws (without it they read "0 1 r").
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    wineserver -w
    echo "$CORVANE_PREFIX_VERSION" >"$WINEPREFIX/.corvane-ready"
  ) 9>"$CORVANE_BUILD/.prefix.lock"
}

# A copy of the prefix whose windows are left to a window manager: for a real desktop, and
# for the end-to-end runs under a window manager. Files are hard links, the registry is copied.
corvane_managed_prefix() {
  corvane_prefix
  local base=$WINEPREFIX managed="$CORVANE_BUILD/wineprefix-managed"
  if [ "$(cat "$managed/.corvane-ready" 2>/dev/null)" != "$CORVANE_PREFIX_VERSION" ]; then
    (
      flock 9
      if [ "$(cat "$managed/.corvane-ready" 2>/dev/null)" != "$CORVANE_PREFIX_VERSION" ]; then
        WINEPREFIX=$base wineserver -w
        rm -rf "$managed"
        cp -al "$base" "$managed"
        for f in system.reg user.reg userdef.reg; do
          rm -f "$managed/$f"
          cp "$base/$f" "$managed/$f"
        done
        rm -f "$managed/.corvane-ready"
        WINEPREFIX=$managed wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
        WINEPREFIX=$managed wineserver -w
        echo "$CORVANE_PREFIX_VERSION" >"$managed/.corvane-ready"
      fi
    ) 9>"$CORVANE_BUILD/.prefix.lock"
  fi
  export WINEPREFIX=$managed
}

CORVANE_XVFB_PID=
# Starts a virtual display of its own and makes it the display (also when one is set).
corvane_new_display() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  CORVANE_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
}

# Starts a virtual display when none is set.
corvane_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  corvane_new_display
}

corvane_stop_display() {
  if [ -n "$CORVANE_XVFB_PID" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$CORVANE_XVFB_PID" 2>/dev/null || true
    wait "$CORVANE_XVFB_PID" 2>/dev/null || true
    CORVANE_XVFB_PID=
  fi
}
