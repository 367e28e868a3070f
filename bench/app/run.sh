#!/usr/bin/env bash
# Runs auto_latency.py in a private Xvfb display and Wine prefix, unless
# DISPLAY and WINEPREFIX are already given.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=../../scripts/lib/common.sh
  source "$here/../../scripts/lib/common.sh"
  start_wine_session
fi
python3 "$here/auto_latency.py" "$@"
