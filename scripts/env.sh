# Sourced by the scripts: which build of Corvane this machine builds and runs, and the Wine
# environment for it. Sets CORVANE_VARIANT (x86 or x64), CORVANE_BUILD, WINEPREFIX and
# WINEARCH, provides corvane_wine (the one way the scripts start a Windows program), creates
# the prefix on first use (with the CJK font mapped for the program's "宋体" typeface) and
# starts a virtual X display when none is set.
CORVANE_ROOT=${CORVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

corvane_die() {
  echo "corvane: $*" >&2
  exit 1
}

# A complete 32-bit x86 Linux program of 93 bytes that only exits with status 0. Whether the
# kernel runs it is the honest answer to "does this machine run 32-bit code": some virtual
# machines refuse every 32-bit program ("Exec format error") whatever the processor's name.
CORVANE_PROBE32='f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A'

# Succeeds when this machine runs 32-bit x86 programs. CORVANE_RUNS_32BIT=yes|no stands in
# for the probe (for the scripts' own test).
corvane_runs_32bit() {
  case "${CORVANE_RUNS_32BIT:-}" in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  # Elsewhere an emulator may run the probe, but no Wine of this machine would.
  case "$(uname -m)" in x86_64 | i?86) ;; *) return 1 ;; esac
  local probe rc
  probe=$(mktemp "${TMPDIR:-/tmp}/corvane-probe32.XXXXXX") || return 1
  printf '%s' "$CORVANE_PROBE32" | base64 -d >"$probe" && chmod +x "$probe"
  "$probe" >/dev/null 2>&1
  rc=$?
  rm -f "$probe"
  return $rc
}

# Decides the variant once per run of a top-level script and says so in one line; scripts
# started from it inherit the decision. CORVANE_ARCH=x86|x64 forces a variant.
corvane_choose_variant() {
  [ -n "${CORVANE_VARIANT:-}" ] && return 0
  local why
  case "${CORVANE_ARCH:-}" in
    "")
      if corvane_runs_32bit; then
        CORVANE_VARIANT=x86
        why="this machine runs 32-bit code"
      else
        CORVANE_VARIANT=x64
        why="this machine runs no 32-bit code"
      fi
      ;;
    x86)
      corvane_runs_32bit || corvane_die "CORVANE_ARCH=x86 asks for the 32-bit build, but this machine runs no 32-bit code (a 32-bit program answers \"Exec format error\"); use CORVANE_ARCH=x64 or leave CORVANE_ARCH unset"
      CORVANE_VARIANT=x86
      why="CORVANE_ARCH=x86"
      ;;
    x64)
      [ "$(uname -m)" = x86_64 ] || corvane_die "CORVANE_ARCH=x64 asks for the 64-bit build, but this machine ($(uname -m)) runs no x86-64 code; leave CORVANE_ARCH unset"
      CORVANE_VARIANT=x64
      why="CORVANE_ARCH=x64"
      ;;
    *) corvane_die "CORVANE_ARCH is \"$CORVANE_ARCH\"; it must be x86 or x64 (or unset, to choose by what this machine runs)" ;;
  esac
  export CORVANE_VARIANT
  if [ "$CORVANE_VARIANT" = x86 ]; then
    echo "corvane: the 32-bit (x86) build, under 32-bit Wine: $why" >&2
  else
    echo "corvane: the 64-bit (x64) build, under 64-bit Wine: $why" >&2
  fi
}

corvane_choose_variant
case "$CORVANE_VARIANT" in
  x86)
    CORVANE_BUILD=${CORVANE_BUILD:-$CORVANE_ROOT/build}
    CORVANE_TOOLCHAIN=$CORVANE_ROOT/cmake/toolchain-mingw32.cmake
    export WINEARCH=win32
    CORVANE_WINE_LOADER=/usr/lib/wine/wine
    ;;
  x64)
    CORVANE_BUILD=${CORVANE_BUILD:-$CORVANE_ROOT/build-x64}
    CORVANE_TOOLCHAIN=$CORVANE_ROOT/cmake/toolchain-mingw64.cmake
    export WINEARCH=win64
    CORVANE_WINE_LOADER=/usr/lib/wine/wine64
    ;;
  *) corvane_die "CORVANE_VARIANT is \"$CORVANE_VARIANT\"; it must be x86 or x64" ;;
esac
export CORVANE_BUILD CORVANE_ROOT
export WINEPREFIX=${WINEPREFIX:-$CORVANE_BUILD/wineprefix}
# Wine's own programs (winepath, regedit, wineboot) start the same loader again.
export WINELOADER=$CORVANE_WINE_LOADER
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Starts a Windows program (or one of Wine's own, such as winepath or regedit) in this
# variant's Wine. Debian's plain "wine" always takes the 32-bit loader when it is installed,
# so the loader is named here.
corvane_wine() {
  "$CORVANE_WINE_LOADER" "$@"
}

# Stops with one line naming the cause when this variant's Wine cannot start at all.
corvane_check_loader() {
  [ -x "$CORVANE_WINE_LOADER" ] ||
    corvane_die "the Wine loader $CORVANE_WINE_LOADER is not installed; run scripts/setup.sh (as root) to install the $CORVANE_VARIANT Wine"
  local out
  if ! out=$("$CORVANE_WINE_LOADER" --version 2>&1); then
    corvane_die "the Wine loader $CORVANE_WINE_LOADER cannot start (${out:-no output}); on a machine without 32-bit support use CORVANE_ARCH=x64"
  fi
}

# Bump when the prefix settings below change: older prefixes get the settings applied again.
CORVANE_PREFIX_VERSION=4

corvane_prefix() {
  [ "$(cat "$WINEPREFIX/.corvane-ready" 2>/dev/null)" = "$CORVANE_PREFIX_VERSION" ] && return 0
  corvane_check_loader
  mkdir -p "$CORVANE_BUILD"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/.corvane-ready" 2>/dev/null)" = "$CORVANE_PREFIX_VERSION" ] && exit 0
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "corvane: creating the $WINEARCH Wine prefix (once) in $WINEPREFIX" >&2
      rc=0
      corvane_wine wineboot -i >/dev/null 2>&1 || rc=$?
      wineserver -w >/dev/null 2>&1 || true
      [ "$rc" = 0 ] && [ -f "$WINEPREFIX/system.reg" ] ||
        corvane_die "could not create the Wine prefix in $WINEPREFIX (wineboot exited $rc); remove that folder and run again"
    fi
    # The CJK font stands in for the program's "宋体" typeface and for the message font of the
    # platform's boxes and lists ("MS Shell Dlg", which the prefix maps to a Tahoma it lacks,
    # so that the glyphs came from whatever font came first). It must be an outline font
    # drawn smoothed: the CJK font with embedded bitmap strikes was drawn from those at every
    # size used here, and lost strokes ("路径" read "路衿", "Yes" read "Yos"). Without a window
    # manager on the virtual display, managed windows make every hide and destroy wait two
    # seconds for an answer that never comes; unmanaged ones draw their own frame.
    reg="$CORVANE_BUILD/prefix.reg"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n"Tahoma"="WenQuanYi Micro Hei"\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"MS Shell Dlg"="WenQuanYi Micro Hei"\r\n"MS Shell Dlg 2"="WenQuanYi Micro Hei"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n' |
      iconv -f UTF-8 -t UTF-16 >"$reg"
    corvane_wine regedit /S "$reg" >/dev/null 2>&1 ||
      corvane_die "could not write the prefix settings into $WINEPREFIX; remove that folder and run again"
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
        WINEPREFIX=$managed corvane_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1 ||
          corvane_die "could not switch the copy of the prefix in $managed to managed windows; remove that folder and run again"
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
  command -v Xvfb >/dev/null 2>&1 || corvane_die "Xvfb is not installed; run scripts/setup.sh (as root)"
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  CORVANE_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    kill -0 "$CORVANE_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$fd_file" ]; then
    rm -f "$fd_file"
    kill "$CORVANE_XVFB_PID" 2>/dev/null || true
    CORVANE_XVFB_PID=
    corvane_die "the virtual display (Xvfb) did not come up within 5 s; run \"Xvfb -displayfd 1\" by hand to see why"
  fi
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
