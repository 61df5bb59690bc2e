#!/usr/bin/env bash
# Runs one Windows program in this variant's Wine and prefix: scripts/wine.sh prog.exe [args]
# The test runner starts every test program through it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
corvane_prefix
corvane_display
trap corvane_stop_display EXIT
set +e
corvane_wine "$@"
rc=$?
exit $rc
