#!/usr/bin/env bash
# Builds Corvane.exe and starts it under Wine (a virtual display is started when none is set).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$CORVANE_ROOT/scripts/build.sh" --target Corvane >/dev/null
if [ -n "${DISPLAY:-}" ]; then
  # A real display: its window manager moves and decorates the window.
  corvane_managed_prefix
else
  corvane_prefix
  corvane_display
fi
trap corvane_stop_display EXIT
corvane_wine "$CORVANE_BUILD/app/Corvane.exe"
