#!/usr/bin/env bash
# Builds Tarnwick and runs the whole test suite: the x86-64 Windows build's
# tests under Wine on a private Xvfb display and Wine prefix; the 32-bit
# build (Windows 2000 and later) in a 32-bit prefix of its own; the portable
# core natively (with AddressSanitizer and UndefinedBehaviorSanitizer) and its
# fuzzers for a minute; last, the release package of both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ensure_packages

cmake --preset windows -DTARNWICK_WERROR=ON
cmake --build --preset windows

# The Windows tests wait on Wine far more than they compute. So, once the
# x86-64 build stands, two Wine sessions run its tests side by side (the
# second takes the black-box modules labelled second-session), while the
# 32-bit build, then the native build, its tests and the fuzzers run at the
# lowest priority on the processor time that Wine leaves. The first session
# runs the 32-bit build's tests once that build is done. ctest lists the
# tests once first, so the two sessions never list them at the same time.
# Each session keeps its desktop in use from start to end (the driver's
# hold-desktop), so that no test starts it and waits for it to close.
with_desktop_held() {
  local build=$1
  shift
  wine "$build/tests/blackbox/tarnwick-driver.exe" hold-desktop </dev/null >/dev/null 2>&1 &
  "$@"
}
# A Windows test that fails runs up to twice more: Wine's X11 clipboard
# bridge can miss a transfer on a loaded machine, and a window whose thread
# was busy for a while reads as hung to the driver's timed messages.
x64_tests() {
  run_in_wine_session win64 with_desktop_held build/windows ctest --preset windows \
    --repeat until-pass:3 "$@"
}
x86_tests() {
  run_in_wine_session win32 with_desktop_held build/windows-x86 ctest --preset windows-x86 \
    --repeat until-pass:3
}

logs=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-test-logs.XXXXXX")
trap 'rm -rf "$logs"' EXIT

# The 32-bit build writes its exit status to x86-built as soon as it ends.
linux_side() {
  local status=0
  { cmake --preset windows-x86 -DTARNWICK_WERROR=ON && cmake --build --preset windows-x86; } \
    >"$logs/x86-build" 2>&1 || status=$?
  echo "$status" >"$logs/x86-built"
  cmake --preset native -DTARNWICK_WERROR=ON -DTARNWICK_REQUIRE_CASE_DATA=ON
  cmake --build --preset native
  ctest --preset native
  bash scripts/fuzz.sh
}

# A Wine that cannot start a program in a prefix just made (seen on a
# loaded machine) gets a second session for the listing.
x64_tests -N >/dev/null || x64_tests -N >/dev/null
x64_tests -L second-session >"$logs/second-session" 2>&1 &
second_pid=$!
( renice -n 19 -p "$BASHPID" >/dev/null; linux_side ) >"$logs/linux" 2>&1 &
linux_pid=$!

first_status=0
x64_tests -LE second-session || first_status=$?
while [ ! -s "$logs/x86-built" ] && kill -0 "$linux_pid" 2>/dev/null; do sleep 1; done
echo "---- 32-bit build ----"
cat "$logs/x86-build" 2>/dev/null || true
if [ "$(cat "$logs/x86-built" 2>/dev/null)" = 0 ]; then
  x86_tests || first_status=$?
else
  first_status=1
fi

second_status=0
wait "$second_pid" || second_status=$?
echo "---- second Wine session: the other black-box modules of the x86-64 build ----"
cat "$logs/second-session"
linux_status=0
wait "$linux_pid" || linux_status=$?
echo "---- native build, its tests and the fuzzers ----"
cat "$logs/linux"
for status in "$first_status" "$second_status" "$linux_status"; do
  [ "$status" -eq 0 ] || exit 1
done

# The release zip of both builds, and what it holds.
bash scripts/package.sh
