#!/usr/bin/env bash
# End to end from the shell: runs Corvane.exe with arguments under Wine, as a script would,
# and checks what it prints, its exit codes and the files: help, bad arguments, a run into a
# folder past 260 characters with Chinese and blank-holding names, a second run that fails, a
# dry run, the output redirected to a file, and an undo.
# Usage: command_line.sh Corvane.exe artefact-folder
set -euo pipefail
: "${WINEPREFIX:?}"
source "$(dirname "$0")/../../scripts/env.sh"
exe=${1:?usage: command_line.sh Corvane.exe artefact-folder}
fail() {
  echo "e2e: $*" >&2
  exit 1
}
# Runs the program; sets out, err and rc.
corvane() {
  local o e
  o=$(mktemp) e=$(mktemp)
  rc=0
  corvane_wine "$exe" "$@" >"$o" 2>"$e" || rc=$?
  out=$(tr -d '\r' <"$o")
  err=$(tr -d '\r' <"$e" | grep -v '^[0-9a-f]*:\(fixme\|err\|warn\):' || true)
  rm -f "$o" "$e"
}
expect_rc() { [ "$rc" = "$1" ] || fail "$2: exit code $rc, expected $1 (stdout: $out; stderr: $err)"; }

root="$WINEPREFIX/drive_c/corvane-cli"
rm -rf "$root" "$WINEPREFIX"/drive_c/users/*/AppData/Local/Corvane
deep="$root/$(printf 'a%.0s' {1..70})/$(printf 'b%.0s' {1..70})/$(printf 'c%.0s' {1..70})"
mkdir -p "$root/源 文件"
printf 'first' >"$root/源 文件/照片 一.tbi"
printf 'second' >"$root/源 文件/b.tbi"
printf 'other' >"$root/源 文件/c.txt"
win_src='C:\corvane-cli\源 文件'
win_deep="C:\\corvane-cli\\$(printf 'a%.0s' {1..70})\\$(printf 'b%.0s' {1..70})\\$(printf 'c%.0s' {1..70})\\out"
before=$(cd "$root" && find . -type f -exec md5sum {} + | sort)

corvane --help
expect_rc 0 "--help"
grep -q '^Usage:' <<<"$out" || fail "--help printed no usage: $out"
grep -q 'Example:' <<<"$out" || fail "--help printed no example"
corvane /?
expect_rc 0 "/?"

for args in "--bogus" "--source x --export y --from .a" "--source x --export y --from .a --to .b --jobs 0" \
  "--source x --export y --from a\\b --to .b" "--source x --export y --from .a --to .b --from .c"; do
  # shellcheck disable=SC2086
  corvane $args
  expect_rc 2 "bad arguments '$args'"
  [ "$(wc -l <<<"$err")" = 1 ] && grep -q '^corvane: ' <<<"$err" || fail "'$args' said: $err"
  [ -z "$out" ] || fail "'$args' printed to stdout: $out"
done

corvane --source "$win_src" --export "$win_deep" --from .tbi --to .jpg --dry-run
expect_rc 0 "dry run"
[ ! -e "$deep" ] || fail "the dry run made the export folder"
grep -q "^would move	C:\\\\corvane-cli\\\\源 文件\\\\照片 一.tbi	" <<<"$out" || fail "dry run lines: $out"

corvane --source "$win_src" --export "$win_deep" --from .tbi --to .jpg
expect_rc 0 "run"
[ "$(cat "$deep/out/照片 一.jpg" 2>/dev/null)" = first ] || fail "照片 一.jpg not in the long export folder"
[ "$(cat "$deep/out/b.jpg" 2>/dev/null)" = second ] || fail "b.jpg not in the long export folder"
[ "$(cat "$root/源 文件/b.tbi")" = second ] || fail "backup b.tbi missing"
[ "$(grep -c '^moved	' <<<"$out")" = 2 ] || fail "run lines: $out"
grep -q '^summary	matching=2	moved=2	backed-up=2	failed=0	journal=C:\\' <<<"$out" || fail "run summary: $out"

# The same again, its output redirected to a file: every entry fails, exit 1.
rc=0
corvane_wine "$exe" --source "$win_src" --export "$win_deep" --from .tbi --to .jpg --jobs 1 \
  >"$root/log.txt" 2>/dev/null || rc=$?
[ "$rc" = 1 ] || fail "second run: exit code $rc, expected 1"
grep -q "^failed	C:\\\\corvane-cli\\\\源 文件\\\\照片 一.tbi	.*	move	183"$'\r'"\$" "$root/log.txt" ||
  fail "second run's file: $(cat "$root/log.txt")"
rm "$root/log.txt"

corvane --undo
expect_rc 0 "undo"
grep -q '^summary	returned=2	conflicts=0	journal=' <<<"$out" || fail "undo summary: $out"
after=$(cd "$root" && find . -type f -exec md5sum {} + | sort)
[ "$after" = "$before" ] || fail "files differ after undo: $after"
[ ! -e "$root/$(printf 'a%.0s' {1..70})" ] || fail "the folders the run made are still there"

corvane --undo
expect_rc 0 "second undo"
grep -q 'nothing to undo' <<<"$err" || fail "second undo said: $err"
rm -rf "$root"
echo "e2e: command line passed"
