#!/usr/bin/env bash
# Configures and builds everything of this machine's variant into its build folder
# (build/ for the 32-bit build, build-x64/ for the 64-bit one).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
[ -n "${CORVANE_SETUP_DONE:-}" ] || "$CORVANE_ROOT/scripts/setup.sh"
cmake -S "$CORVANE_ROOT" -B "$CORVANE_BUILD" -DCMAKE_TOOLCHAIN_FILE="$CORVANE_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$CORVANE_BUILD" -j2 "$@"
