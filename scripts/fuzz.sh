#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a fixed time.
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]; crashes are kept in build/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(csv_reader data_source filter_query)
dir=build/fuzz

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DSORBEL_GUI=OFF -DSORBEL_TESTS=OFF -DSORBEL_BENCH=OFF -DSORBEL_SANITIZE=ON -DSORBEL_FUZZ=ON \
  >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; exit 1; }
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$dir/crashes"
for t in "${targets[@]}"; do
  # New inputs go to a scratch corpus; the seeds in tests/fuzz/corpus are read, never changed.
  work="$dir/corpus/$t"
  mkdir -p "$work"
  echo "fuzz: $t for ${seconds}s"
  if ! "$dir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
      -rss_limit_mb=3072 -artifact_prefix="$dir/crashes/$t-" -print_final_stats=1 \
      "$work" "tests/fuzz/corpus/$t" </dev/null >"$dir/$t.log" 2>&1; then
    tail -n 60 "$dir/$t.log" >&2
    echo "fuzz: $t failed; the input is in $dir/crashes/" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$dir/$t.log" | tail -n 1
done
