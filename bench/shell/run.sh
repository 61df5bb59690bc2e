#!/usr/bin/env bash
# Builds bench_shell, makes folders of 100, 1,000 and 10,000 subfolders on the Linux side
# of the Wine drive (much faster than through Wine), runs the benchmark on them and
# removes them again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The variant this machine runs (or CORVANE_ARCH forces), its build folder and its Wine.
source "$root/scripts/env.sh"
"$root/scripts/build.sh" --target bench_shell >/dev/null
corvane_prefix
fixtures="$WINEPREFIX/drive_c/cvbench"
rm -rf "$fixtures"
for n in 100 1000 10000; do
  mkdir -p "$fixtures/f$n"
  (cd "$fixtures/f$n" && seq -f "sub%05g" 1 "$n" | xargs mkdir)
done
trap 'rm -rf "$fixtures"' EXIT
"$root/scripts/wine.sh" "$CORVANE_BUILD/bench/shell/bench_shell.exe" 'C:\cvbench'
