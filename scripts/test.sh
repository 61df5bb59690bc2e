#!/usr/bin/env bash
# Builds everything and runs every test executable once under Wine on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/env.sh"
corvane_prefix
corvane_display
trap corvane_stop_display EXIT
cd "$CORVANE_BUILD"
ctest --output-on-failure "$@"
