#!/usr/bin/env bash
# Builds Tarnwick and runs the whole test suite: the portable core natively
# (with AddressSanitizer and UndefinedBehaviorSanitizer) and its fuzzers for a
# minute; the x86-64 Windows build's tests under Wine on a private Xvfb
# display and Wine prefix; the 32-bit build (Windows 2000 and later) in a
# 32-bit prefix of its own; last, the release package of both.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages

cmake --preset native -DTARNWICK_WERROR=ON
cmake --build --preset native
ctest --preset native
bash scripts/fuzz.sh

start_wine_session win64
cmake --preset windows -DTARNWICK_WERROR=ON
cmake --build --preset windows
ctest --preset windows
stop_wine_session

start_wine_session win32
cmake --preset windows-x86 -DTARNWICK_WERROR=ON
cmake --build --preset windows-x86
ctest --preset windows-x86
stop_wine_session

# The release zip of both builds, and what it holds.
bash scripts/package.sh
