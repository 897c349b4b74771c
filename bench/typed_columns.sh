#!/usr/bin/env bash
# Times Q1 and Q3 with the shipped data source (prices and flags declared numeric) against the
# same description without NumericColumns, turn about, best of RUNS; prints the query seconds.
# Usage: bench/typed_columns.sh BUILD_DIR [CATALOGUE]
# Environment: RUNS=5; BASELINE=another build's folder, timed too with the shipped description
# (the same program before a change, say).
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
catalogue=$(realpath "${2:-$here/data/catalogue-500000-cp932.csv}")
runs=${RUNS:-5}
[[ -f $catalogue ]] || { echo "typed_columns.sh: $catalogue is missing; bench/run.sh makes it" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/typed" "$work/plain" "$work/baseline"
cp "$here/../samples/datasource.dsn" "$work/typed/"
cp "$here/../samples/datasource.dsn" "$work/baseline/"
grep -v '^NumericColumns=' "$here/../samples/datasource.dsn" >"$work/plain/datasource.dsn"

# The query seconds of one run.
query_time() {
  "$1/bench/query_bench" "$work/$2" "$catalogue" "$3" "$work/out.csv" | sed -n 's/.*query=\([0-9.]*\).*/\1/p'
}
best() { sort -n | head -n 1; }

printf '%-4s %10s %10s %10s %6s\n' q typed-s plain-s baseline-s rows
for q in Q1 Q3; do
  typed=() plain=() baseline=()
  for ((i = 0; i < runs; i++)); do
    typed+=("$(query_time "$build" typed "$q")")
    plain+=("$(query_time "$build" plain "$q")")
    [[ -n ${BASELINE:-} ]] && baseline+=("$(query_time "$(cd "$BASELINE" && pwd)" baseline "$q")")
  done
  rows=$("$build/bench/query_bench" "$work/typed" "$catalogue" "$q" "$work/out.csv" | sed -n 's/.*rows=\([0-9]*\).*/\1/p')
  printf '%-4s %10s %10s %10s %6s\n' "$q" \
    "$(printf '%s\n' "${typed[@]}" | best)" "$(printf '%s\n' "${plain[@]}" | best)" \
    "$( ((${#baseline[@]})) && printf '%s\n' "${baseline[@]}" | best || echo -)" "$rows"
done
