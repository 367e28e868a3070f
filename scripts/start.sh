#!/usr/bin/env bash
# Installs what is missing, builds the Windows executable and starts it under
# Wine on the current display ($DISPLAY, else a new Xvfb display :0).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages

# Only what it starts: the program, not its tests or benchmarks.
cmake --preset windows
cmake --build --preset windows --target Tarnwick

if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY set: starting Xvfb on :0" >&2
  Xvfb :0 -screen 0 1024x768x24 >/dev/null 2>&1 &
  export DISPLAY=:0
  sleep 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine build/windows/src/app/Tarnwick.exe
