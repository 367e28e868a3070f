#!/usr/bin/env bash
# Installs what is missing, builds the Windows executable and starts it under
# Wine on the current display ($DISPLAY, else a new Xvfb display :0).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages

cmake --preset windows
cmake --build --preset windows

if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY set: starting Xvfb on :0" >&2
  Xvfb :0 -screen 0 1024x768x24 >/dev/null 2>&1 &
  export DISPLAY=:0
  sleep 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
exe=build/windows/src/app/Tarnwick.exe
if [ -f "$exe" ]; then
  exec wine "$exe"
fi
echo "Tarnwick.exe is not built yet; the case filter is:" >&2
exec wine build/windows/tools/tarnwick-case/tarnwick-case.exe --help
