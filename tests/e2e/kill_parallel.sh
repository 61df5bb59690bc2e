#!/usr/bin/env bash
# Kills parallel command-line runs at random moments, then undoes each from its journal and
# checks that nothing was lost and nothing is left over: every source file is back with its
# content, and the export folders the run made are gone.
# Usage: kill_parallel.sh Corvane.exe
set -euo pipefail
: "${WINEPREFIX:?}"
source "$(dirname "$0")/../../scripts/env.sh"
exe=${1:?usage: kill_parallel.sh Corvane.exe}
fail() {
  echo "e2e: $*" >&2
  exit 1
}
root="$WINEPREFIX/drive_c/corvane-kill"
rm -rf "$root" "$WINEPREFIX"/drive_c/users/*/AppData/Local/Corvane
mkdir -p "$root/src"
for i in $(seq 1000 2499); do
  head -c $((i % 7 * 700 + 1)) /dev/urandom >"$root/src/p$i.tbi"
done
printf 'keep' >"$root/src/note.txt"
before=$(cd "$root" && find . -type f -exec md5sum {} + | sort)
RANDOM=${KILL_SEED:-$$}
for round in 1 2 3; do
  # Between the start of Wine and the end of the run.
  delay=$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.4 + (r % 200) / 100 }')
  # exec, so that the process killed is the program itself, not a shell around it.
  (exec "$CORVANE_WINE_LOADER" "$exe" --source 'C:\corvane-kill\src' --export 'C:\corvane-kill\out\deep' \
    --from .tbi --to .jpg --jobs 4 --quiet >/dev/null 2>&1) &
  pid=$!
  sleep "$delay"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  moved=$( (find "$root/out" -name "*.jpg" 2>/dev/null || true) | wc -l)
  rc=0
  corvane_wine "$exe" --undo --quiet >"$root/undo.txt" 2>/dev/null || rc=$?
  [ "$rc" = 0 ] || fail "round $round (killed after ${delay}s, $moved moved): undo exited $rc: $(cat "$root/undo.txt")"
  rm -f "$root/undo.txt"
  after=$(cd "$root" && find . -type f -exec md5sum {} + | sort)
  [ "$after" = "$before" ] || fail "round $round (killed after ${delay}s): files differ after undo"
  [ ! -e "$root/out" ] || fail "round $round: the export folders are still there"
  echo "e2e: round $round killed after ${delay}s with $moved files moved: all back"
done
rm -rf "$root"
echo "e2e: kill of parallel runs passed"
