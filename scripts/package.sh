#!/usr/bin/env bash
# Builds the release package Tarnwick-2.0.0-windows.zip from the x86-64 and
# the 32-bit x86 Windows builds (each configured and built first when it is
# missing), then checks what the zip holds.
#
#   bash scripts/package.sh [--x64 DIR] [--x86 DIR]
#
# The build trees default to those of the presets, build/windows and
# build/windows-x86; the zip lands in the x86-64 tree.
set -euo pipefail
cd "$(dirname "$0")/.."

x64_dir=build/windows
x86_dir=build/windows-x86
while [ $# -gt 0 ]; do
  case "$1" in
    --x64) x64_dir=$2; shift 2 ;;
    --x86) x86_dir=$2; shift 2 ;;
    *) echo "usage: $0 [--x64 DIR] [--x86 DIR]" >&2; exit 2 ;;
  esac
done
x86_dir=$(realpath -m "$x86_dir")

# Configures the tree when it has no cache yet, and builds only the shipped
# programs.
ensure_built() {
  local preset=$1 dir=$2
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset "$preset" -B "$dir"
  cmake --build "$dir" --target Tarnwick tarnwick-case -j2
}

ensure_built windows-x86 "$x86_dir"
ensure_built windows "$x64_dir"
# The x86-64 tree's package takes the x86 tree named here.
if ! grep -qx "TARNWICK_PACKAGE_X86_DIR:PATH=$x86_dir" "$x64_dir/CMakeCache.txt"; then
  cmake "$x64_dir" "-DTARNWICK_PACKAGE_X86_DIR=$x86_dir" >/dev/null
fi

(cd "$x64_dir" && cpack --config CPackConfig.cmake)
python3 scripts/check-package.py "$x64_dir/Tarnwick-2.0.0-windows.zip"
