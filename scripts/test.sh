#!/usr/bin/env bash
# Builds Tarnwick and runs the whole test suite: the portable core natively
# (with AddressSanitizer and UndefinedBehaviorSanitizer), then the Windows
# build's tests under Wine on a private Xvfb display and Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages

cmake --preset native -DTARNWICK_WERROR=ON
cmake --build --preset native
ctest --preset native

start_wine_session
cmake --preset windows -DTARNWICK_WERROR=ON
cmake --build --preset windows
ctest --preset windows
