#!/usr/bin/env bash
# Runs every test of a test build through CTest with no display needed; shows failures in full.
set -euo pipefail
dir=${1:-build/test}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" </dev/null
# Then the engine and run tests again under ThreadSanitizer: the reader and the staging copy
# run threads of their own (0 skips it).
if [[ ${SORBEL_TSAN_TESTS:-1} != 0 ]]; then
  source_dir=$(cd "$(dirname "$0")/.." && pwd)
  tsan_dir=$dir-tsan
  cmake -S "$source_dir" -B "$tsan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORBEL_TSAN=ON \
    -DSORBEL_WERROR=ON -DSORBEL_GUI=OFF -DSORBEL_BENCH=OFF >/dev/null
  cmake --build "$tsan_dir" -j "$(nproc)" --target csvdb_test filter_test display_test cli_test
  # Only the suites built here; the rest show up as *_NOT_BUILT.
  TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} \
    ctest --test-dir "$tsan_dir" --output-on-failure -j "$(nproc)" -E '_NOT_BUILT$' </dev/null
fi
# Then the Windows build (MinGW-w64, in build/windows): its tests under Wine (the window's compares
# its result with the Linux program's), and the same result bytes as the Linux program writes in a
# Shift-JIS locale (0 skips it).
if [[ ${SORBEL_WINDOWS_TESTS:-1} != 0 ]]; then
  source_dir=$(cd "$(dirname "$0")/.." && pwd)
  windows_dir=$(dirname "$dir")/windows
  cmake -S "$source_dir" -B "$windows_dir" -G Ninja --toolchain "$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSORBEL_WERROR=ON -DSORBEL_GUI=OFF -DSORBEL_BENCH=OFF \
    -DSORBEL_LINUX_FILTER="$(realpath "$dir/cli/sorbel-filter")" >/dev/null
  cmake --build "$windows_dir" -j "$(nproc)"
  ctest --test-dir "$windows_dir" --output-on-failure -j "$(nproc)" </dev/null
  "$source_dir/tests/windows/same_bytes_test.sh" "$dir/cli/sorbel-filter" \
    "$windows_dir/sorbel-filter.exe" "$source_dir/samples" </dev/null
fi
# Then the fuzz smoke: each fuzz target, built with clang, for a short fixed time (0 skips it).
fuzz_seconds=${SORBEL_FUZZ_SECONDS:-15}
if ((fuzz_seconds > 0)); then
  "$(dirname "$0")/fuzz.sh" "$fuzz_seconds"
fi
# Last the Debian package: built in build/package as make package builds it (a Release build of
# its own, incremental after the first), checked with desktop-file-validate and lintian, then
# unpacked and its sorbel-filter run with a scratch HOME (tests/packaging/package_test.sh; 0
# skips it).
if [[ ${SORBEL_PACKAGE_TEST:-1} != 0 ]]; then
  "$(dirname "$0")/../tests/packaging/package_test.sh" "$(dirname "$dir")/package" </dev/null
fi
