#!/usr/bin/env bash
# Runs one Windows program under Wine in this checkout's prefix: scripts/wine.sh prog.exe [args]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
corvane_prefix
corvane_display
trap corvane_stop_display EXIT
set +e
wine "$@"
rc=$?
exit $rc
