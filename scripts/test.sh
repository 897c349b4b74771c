#!/usr/bin/env bash
# Runs every test of a test build through CTest with no display needed; shows failures in full.
set -euo pipefail
dir=${1:-build/test}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" </dev/null
# Then the fuzz smoke: each fuzz target, built with clang, for a short fixed time (0 skips it).
fuzz_seconds=${SORBEL_FUZZ_SECONDS:-15}
if ((fuzz_seconds > 0)); then
  "$(dirname "$0")/fuzz.sh" "$fuzz_seconds"
fi
