#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset "fuzz", build/fuzz) and runs
# each over its seed corpus: `scripts/fuzz.sh [seconds-per-target]`. Without
# an argument the targets share 60 seconds, about 1.5 s of each target's
# start and final merge included. A fault stops the run (exit status 1) with
# the failing input saved under build/fuzz/fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

# libFuzzer comes with clang's runtime libraries.
ensure_packages clang libclang-rt-14-dev

targets=$(find fuzz/corpus -mindepth 1 -maxdepth 1 -type d | wc -l)
targets=$(( targets > 0 ? targets : 1 ))
seconds=${1:-$(( (60 - 2 * targets) / targets ))}
case "$seconds" in
  ''|*[!0-9]*|0) echo "usage: $0 [seconds-per-target]" >&2; exit 2 ;;
esac

cmake --preset fuzz -DTARNWICK_FUZZ_SECONDS="$seconds"
cmake --build --preset fuzz --target fuzz-run
