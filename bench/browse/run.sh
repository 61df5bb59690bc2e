#!/usr/bin/env bash
# Builds bench_browse, makes folders of 2,000 and 10,000 subfolders on the Linux side of the
# Wine drive, runs the benchmark on them and removes them again. The platform's picker needs
# about 46 s at 2,000; pass --quick to measure at 1,000 subfolders instead, or --expand to
# time only the expansion of the 10,000-subfolder folder (in more rounds), or --reach to time only
# the dialog reaching the child, with its split, without the platform's picker.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The variant this machine runs (or CORVANE_ARCH forces), its build folder and its Wine.
source "$root/scripts/env.sh"
"$root/scripts/build.sh" --target bench_browse >/dev/null
corvane_prefix
large=2000
mode=()
case "${1:-}" in
  --quick) large=1000 ;;
  --expand) large=1000; mode=(--expand) ;;
  --reach) mode=(--reach) ;;
esac
fixtures="$WINEPREFIX/drive_c/cvbrowse"
rm -rf "$fixtures"
for n in "$large" 10000; do
  mkdir -p "$fixtures/f$n"
  (cd "$fixtures/f$n" && seq -f "sub%05g" 1 "$n" | xargs mkdir)
done
trap 'rm -rf "$fixtures"' EXIT
"$root/scripts/wine.sh" "$CORVANE_BUILD/bench/browse/bench_browse.exe" 'C:\cvbrowse' "$large" "${mode[@]}"
