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

cmake --preset windows -DTARNWICK_WERROR=ON
cmake --build --preset windows
cmake --preset windows-x86 -DTARNWICK_WERROR=ON
cmake --build --preset windows-x86

# The Windows tests wait on Wine far more than they compute, so two Wine
# sessions share the machine: the second runs half of the x86-64 build's
# black-box modules while the first runs its unit tests and the other half,
# then the 32-bit build's tests in a 32-bit prefix. ctest lists the tests
# once first, so the two never list them at the same time.
# Each session keeps its desktop in use from start to end (the driver's
# hold-desktop), so that no test starts it and waits for it to close.
with_desktop_held() {
  local loader=$1 build=$2
  shift 2
  "$loader" "$build/tests/blackbox/tarnwick-driver.exe" hold-desktop </dev/null >/dev/null 2>&1 &
  "$@"
}
x64_tests() { run_in_wine_session win64 with_desktop_held wine build/windows ctest --preset windows "$@"; }
x86_tests() { run_in_wine_session win32 with_desktop_held wine build/windows-x86 ctest --preset windows-x86 "$@"; }

x64_tests -N >/dev/null
second_log=$(mktemp "${TMPDIR:-/tmp}/tarnwick-second-session.XXXXXX")
x64_tests -L second-session >"$second_log" 2>&1 &
second_pid=$!
first_status=0
x64_tests -LE second-session || first_status=$?
[ "$first_status" -ne 0 ] || x86_tests || first_status=$?
second_status=0
wait "$second_pid" || second_status=$?
echo "---- second Wine session: the other black-box modules of the x86-64 build ----"
cat "$second_log"
rm -f "$second_log"
[ "$first_status" -eq 0 ] && [ "$second_status" -eq 0 ] || exit 1

# The release zip of both builds, and what it holds.
bash scripts/package.sh
