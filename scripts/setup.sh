#!/usr/bin/env bash
# Installs what the build and the tests need from the Debian packages.
# Idempotent and quiet: when everything is present it only checks and returns.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in wine wine32:i386 xvfb xdotool g++-mingw-w64-i686-posix cmake make \
         fonts-wqy-zenhei fonts-wine imagemagick googletest xauth openbox x11-utils xclip; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
