#!/usr/bin/env bash
# Builds Corvane.exe and starts it under Wine (a virtual display is started when none is set).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" --target Corvane >/dev/null
source "$root/scripts/env.sh"
corvane_prefix
corvane_display
trap corvane_stop_display EXIT
wine "$CORVANE_BUILD/app/Corvane.exe"
