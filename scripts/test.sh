#!/usr/bin/env bash
# Runs every test of a test build through CTest with no display needed; shows failures in full.
set -euo pipefail
dir=${1:-build/test}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" </dev/null
