#!/usr/bin/env bash
# Builds bench_batch, makes a folder of 100,000 files in the Wine prefix's drive_c from the
# Linux side (much faster than through Wine), runs the benchmark and removes the folder.
# Usage: bench/batch/run.sh [--listing-only]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The variant this machine runs (or CORVANE_ARCH forces), its build folder and its Wine.
source "$root/scripts/env.sh"
# Builds on a shared machine take turns through one lock.
lock=${CORVANE_BUILD_LOCK:-/work/build.lock}
[ -d "$(dirname "$lock")" ] || lock="$root/.build.lock"
flock "$lock" "$root/scripts/build.sh" --target bench_batch >/dev/null
corvane_prefix

fixture="$WINEPREFIX/drive_c/corvane_bench_list"
rm -rf "$fixture"
mkdir -p "$fixture"
trap 'rm -rf "$fixture"' EXIT
# Mixed letter case, so the listing's case-insensitive order has work to do.
(cd "$fixture" && seq 0 99999 | awk '{ printf "%s%06d.tbi\n", ($1 % 2 ? "IMG_" : "img_"), ($1 * 7919) % 100000 }' |
  xargs touch)
echo "fixture: $(ls "$fixture" | wc -l) files"

"$root/scripts/wine.sh" "$CORVANE_BUILD/bench/batch/bench_batch.exe" 'C:\corvane_bench_list' "$@"
