#!/usr/bin/env bash
# Builds and runs the start-up benchmark under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The variant this machine runs (or CORVANE_ARCH forces), its build folder and its Wine.
source "$root/scripts/env.sh"
"$root/scripts/build.sh" --target Corvane bench_startup bench_minimal_window bench_platform_window bench_platform_twin >/dev/null
b="$CORVANE_BUILD"
"$root/scripts/wine.sh" "$b/bench/startup/bench_startup.exe" "$b/app/Corvane.exe" "$b/bench/startup/bench_minimal_window.exe" "${1:-21}" \
  "$b/bench/startup/bench_platform_window.exe" "$b/bench/startup/bench_platform_twin.exe"
