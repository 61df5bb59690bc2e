#!/usr/bin/env bash
# The scripts choose the build by what the machine runs: the 32-bit one where 32-bit code
# runs, the 64-bit one where it does not, the forced one where CORVANE_ARCH names it and the
# machine can run it, and a one-line error where it cannot. The probe's answer is stood in
# for by CORVANE_RUNS_32BIT; the real probe is checked against the variant under test.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
failures=0

# Sources env.sh in a clean environment; prints "variant|build folder|WINEARCH|loader" on
# stdout and the scripts' own lines on stderr.
choose() { # runs-32bit arch
  env -i PATH="$PATH" HOME="${HOME:-/root}" ${1:+CORVANE_RUNS_32BIT=$1} ${2:+CORVANE_ARCH=$2} \
    bash -c 'source "$0/scripts/env.sh" && echo "$CORVANE_VARIANT|$CORVANE_BUILD|$WINEARCH|$CORVANE_WINE_LOADER"' "$root"
}

check() { # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: expected [$2], got [$3]" >&2
    failures=$((failures + 1))
  fi
}

# runs-32bit | CORVANE_ARCH | chosen | build folder | prefix kind | loader | the line's reason
cases=(
  "yes||x86|build|win32|wine|this machine runs 32-bit code"
  "no||x64|build-x64|win64|wine64|this machine runs no 32-bit code"
  "yes|x64|x64|build-x64|win64|wine64|CORVANE_ARCH=x64"
  "yes|x86|x86|build|win32|wine|CORVANE_ARCH=x86"
  "no|x64|x64|build-x64|win64|wine64|CORVANE_ARCH=x64"
)
for c in "${cases[@]}"; do
  IFS='|' read -r runs arch variant folder winearch loader why <<<"$c"
  name="runs32=$runs arch=${arch:-unset}"
  err=$(mktemp)
  out=$(choose "$runs" "$arch" 2>"$err")
  rc=$?
  check "$name: exit status" 0 "$rc"
  check "$name: choice" "$variant|$root/$folder|$winearch|/usr/lib/wine/$loader" "$out"
  # One line first, naming the build and why.
  check "$name: lines said" 1 "$(wc -l <"$err")"
  grep -q "($variant) build.*: $why\$" "$err" || check "$name: the line says why" "…($variant) build…: $why" "$(cat "$err")"
  rm -f "$err"
done

# Choices the machine cannot follow stop with one line naming the cause and the way out.
errors=(
  "no|x86|runs no 32-bit code.*CORVANE_ARCH=x64"
  "yes|arm64|must be x86 or x64"
)
for c in "${errors[@]}"; do
  IFS='|' read -r runs arch pattern <<<"$c"
  name="runs32=$runs arch=$arch"
  err=$(mktemp)
  out=$(choose "$runs" "$arch" 2>"$err")
  rc=$?
  check "$name: exit status" 1 "$rc"
  check "$name: nothing chosen" "" "$out"
  check "$name: lines said" 1 "$(wc -l <"$err")"
  grep -q "$pattern" "$err" || check "$name: the cause" "$pattern" "$(cat "$err")"
  rm -f "$err"
done

# A decision made by the script above is inherited silently.
out=$(env -i PATH="$PATH" CORVANE_VARIANT=x64 bash -c 'source "$0/scripts/env.sh" && echo "$CORVANE_BUILD"' "$root" 2>&1)
check "inherited decision" "$root/build-x64" "$out"

# A prefix that cannot be made stops the script with one line that names it.
if [ -n "${CORVANE_VARIANT:-}" ]; then
  err=$(env -i PATH="$PATH" CORVANE_VARIANT="$CORVANE_VARIANT" WINEPREFIX=/proc/corvane-no-prefix \
    bash -c 'source "$0/scripts/env.sh" && corvane_prefix' "$root" 2>&1 >/dev/null)
  rc=$?
  check "unmakeable prefix: exit status" 1 "$rc"
  tail -n1 <<<"$err" | grep -q '^corvane: could not create the Wine prefix in /proc/corvane-no-prefix (wineboot exited [0-9]*); remove that folder' ||
    check "unmakeable prefix: the last line names it" "corvane: could not create the Wine prefix in /proc/corvane-no-prefix …" "$err"
fi

# The real probe agrees with the variant this suite runs, unless that one was forced.
if [ -z "${CORVANE_ARCH:-}" ] && [ -n "${CORVANE_VARIANT:-}" ]; then
  probed=$(env -i PATH="$PATH" bash -c 'source "$0/scripts/env.sh" 2>/dev/null && corvane_runs_32bit && echo x86 || echo x64' "$root")
  check "real probe" "$CORVANE_VARIANT" "$probed"
fi

[ "$failures" = 0 ] && echo "choose_variant: all choices as expected"
exit $((failures > 0))
