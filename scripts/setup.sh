#!/usr/bin/env bash
# Installs what the build and the tests of this machine's variant need from the Debian
# packages. Idempotent and quiet: when everything is present it only checks and returns.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Both cross compilers everywhere: where the 32-bit build is the product, the 64-bit one is
# built beside it so that it keeps compiling.
packages=(wine xvfb xdotool g++-mingw-w64-x86-64-posix cmake make fonts-wqy-microhei fonts-wine
  imagemagick googletest xauth openbox x11-utils xclip)
if [ "$CORVANE_VARIANT" = x86 ]; then
  packages+=(wine32:i386 g++-mingw-w64-i686-posix)
else
  packages+=(wine64)
fi
for p in "${packages[@]}"; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}" >&2
  if [ "$CORVANE_VARIANT" = x86 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || { echo "setup: apt-get update failed; check the package sources" >&2; exit 1; }
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null ||
    { echo "setup: could not install ${need[*]}; run apt-get install for them by hand to see why" >&2; exit 1; }
fi
