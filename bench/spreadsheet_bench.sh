#!/usr/bin/env bash
# Times the hand-off of a 10,000-row result to Calc through UNO against soffice opening the file
# itself, headless with a throw-away profile. Usage: bench/spreadsheet_bench.sh [builddir] [rows]
set -euo pipefail
dir=${1:-build/release}
rows=${2:-10000}
if [[ ! -x "$dir/bench/spreadsheet_bench" ]]; then
  echo "spreadsheet_bench: build $dir first (make build, or cmake --build $dir)" >&2
  exit 1
fi
exec "$dir/bench/spreadsheet_bench" "$rows" 5 </dev/null
