#!/usr/bin/env bash
# Times a run from its start to the filled sheet on screen against Calc opening the same result
# file itself (every column text), on the Q1 results of generated catalogues; prints a table.

# Usage: bench/calc_handoff.sh BUILD_DIR   (a Release build with benchmarks)
# Environment: ROWS="100000 500000", RUNS=3 (best of), GEN=path of gen_catalogue.py.
# Needs a display; without one it starts Xvfb and openbox (installed when missing).
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
data=$here/data
gen=${GEN:-$here/../../shared/tools/gen_catalogue.py}
rows_list=${ROWS:-"100000 500000"}
runs=${RUNS:-3}
handoff_bench=$build/bench/handoff_bench
[[ -x $handoff_bench && -x $build/cli/sorbel-filter ]] ||
  { echo "calc_handoff.sh: build $build with -DSORBEL_BENCH=ON first" >&2; exit 1; }

missing=()
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool /usr/bin/time:time; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if ((${#missing[@]} > 0)); then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null >/dev/null
fi

started=()
cleanup() { ((${#started[@]} == 0)) || kill "${started[@]}" 2>/dev/null || true; }
trap cleanup EXIT
if [[ -z ${DISPLAY:-} ]]; then
  export DISPLAY=:77
  Xvfb "$DISPLAY" -screen 0 1600x1000x24 >/dev/null 2>&1 &
  started+=($!)
  sleep 1
  openbox >/dev/null 2>&1 &
  started+=($!)
  sleep 1
fi
# The result file is written in the locale's character set; Calc's own open is told the same.
export LC_ALL=C.UTF-8
charset=76

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-3}f\", $1 }"; }
best() { awk 'NR == 1 || $1 < m { m = $1 } END { printf "%.3f", m }'; }
most() { awk '$1 > m { m = $1 } END { printf "%d", m }'; }

# Ends the office and waits until its processes are gone, so each round starts alike.
end_office() {
  pkill -f 'soffice.bin' 2>/dev/null || true
  for _ in $(seq 100); do pgrep -f soffice.bin >/dev/null || return 0; sleep 0.1; done
  pkill -9 -f 'soffice.bin' 2>/dev/null || true
}

app=$data/handoff-app
mkdir -p "$app"
cp "$build/cli/sorbel-filter" "$here/../samples/datasource.dsn" "$app/"
q1=(--category 家電 --free-shipping)

printf '%-14s %8s %7s %9s %9s %6s %11s %11s\n' \
  catalogue products res-MB sorbel-s calc-s ratio run-rss-MB handoff-MB
for rows in $rows_list; do
  file=$data/catalogue-$rows-cp932.csv
  if [[ ! -s $file ]]; then
    python3 "$gen" --rows "$rows" --encoding cp932 --seed 1 --out "$file.part" >/dev/null
    mv "$file.part" "$file"
  fi
  cat "$file" >/dev/null
  ours=() theirs=() run_rss=() handoff_rss=()
  for _ in $(seq "$runs"); do
    # The office running with one result shown already, as from the second run of a day.
    end_office
    rm -f "$app"/*_articles.csv
    "$app/sorbel-filter" --csv "$file" "${q1[@]}" --show >/dev/null

    s=$(now)
    out=$( { /usr/bin/time -f "rss=%M" "$app/sorbel-filter" --csv "$file" "${q1[@]}" --show; } 2>&1 )
    e=$(now)
    result=$(grep -v '^rss=' <<<"$out" | tail -1)
    xdotool search --onlyvisible --name "$(basename "$result")" >/dev/null ||
      { echo "calc_handoff.sh: no window shows $result" >&2; exit 1; }
    ours+=("$(calc "$e - $s")")
    run_rss+=("$(grep -o 'rss=[0-9]*' <<<"$out" | cut -d= -f2)")

    # Calc itself, on a copy under a name of its own to wait for.
    own=$app/calc-own-$rows-$RANDOM.csv
    cp "$result" "$own"
    columns=$(head -1 "$own" | awk -F, '{ print NF }')
    types=$(seq -s / 1 "$columns" | sed 's|\([0-9]*\)|\1/2|g')
    s=$(now)
    soffice --calc --infilter="Text - txt - csv (StarCalc):44,34,$charset,1,$types" "$own" \
      >/dev/null 2>&1 &
    xdotool search --sync --onlyvisible --name "$(basename "$own")" >/dev/null
    e=$(now)
    theirs+=("$(calc "$e - $s")")
    rm -f "$own"

    # The hand-off alone, for its own peak memory.
    line=$("$handoff_bench" "$result" UTF-8)
    handoff_rss+=("$(grep -o 'peak_kb=[0-9]*' <<<"$line" | cut -d= -f2)")
  done
  products=$(python3 -c 'import csv, sys
print(sum(1 for _ in csv.reader(open(sys.argv[1], newline="", encoding="utf-8"))) - 1)' "$result")
  ours_best=$(printf '%s\n' "${ours[@]}" | best)
  theirs_best=$(printf '%s\n' "${theirs[@]}" | best)
  printf '%-14s %8s %7s %9s %9s %6s %11s %11s\n' "$rows-cp932" "$products" \
    "$(calc "$(stat -c %s "$result") / 1048576" 1)" "$ours_best" "$theirs_best" \
    "$(calc "$ours_best / $theirs_best" 2)" \
    "$(calc "$(printf '%s\n' "${run_rss[@]}" | most) / 1024" 1)" \
    "$(calc "$(printf '%s\n' "${handoff_rss[@]}" | most) / 1024" 1)"
done
end_office
rm -rf "$app"
