#!/usr/bin/env bash
# Times the CSV query source on generated catalogues (100k and 500k rows, CP932 and UTF-8):
# staging copy + query + result rows written, for Q1-Q3, against `wc -l`; prints a table.
# Usage: bench/run.sh BUILD_DIR   (a Release build with benchmarks; `make bench` passes one)
# Environment: ROWS="100000 500000", RUNS=3 (best of), GEN=path of gen_catalogue.py.
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
data=$here/data
gen=${GEN:-$here/../../shared/tools/gen_catalogue.py}
rows_list=${ROWS:-"100000 500000"}
runs=${RUNS:-3}
query_bench=$build/bench/query_bench
sorbel_filter=$build/filter/sorbel-filter

[[ -x $query_bench ]] || { echo "run.sh: $query_bench is missing; build with -DSORBEL_BENCH=ON" >&2; exit 1; }

# Peak memory comes from GNU time; install it when it is missing.
if [[ ! -x /usr/bin/time ]]; then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends time </dev/null >/dev/null
fi

mkdir -p "$data/app" "$data/filter-app"
cp "$here/../samples/datasource.dsn" "$data/app/datasource.dsn"
if [[ -x $sorbel_filter ]]; then
  cp "$sorbel_filter" "$here/../samples/datasource.dsn" "$data/filter-app/"
fi

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-3}f\", $1 }"; }
min() { awk 'NR == 1 || $1 < m { m = $1 } END { printf "%.3f", m }'; }

# One row of the table per catalogue and query.
printf '%-22s %-3s %7s %7s %7s %7s %7s %7s %6s %8s %7s %7s %8s %8s\n' \
  catalogue q stage query write total wc-l x-wc x-Q1 rows res-MB rss-MB budgetMB filter-s
for rows in $rows_list; do
  for enc in cp932 utf-8; do
    file=$data/catalogue-$rows-$enc.csv
    if [[ ! -s $file ]]; then
      python3 "$gen" --rows "$rows" --encoding "$enc" --seed 1 --out "$file.part" >/dev/null
      mv "$file.part" "$file"
    fi
    cat "$file" >/dev/null  # warm cache, as for a file the user has just downloaded
    wc_best=$(for _ in $(seq "$runs"); do s=$(now); wc -l "$file" >/dev/null; e=$(now);
              calc "$e - $s"; echo; done | min)

    for q in Q1 Q2 Q3; do
      best="" rss=0 line=""
      for _ in $(seq "$runs"); do
        out=$( { /usr/bin/time -f "rss=%M" "$query_bench" "$data/app" "$file" "$q" \
                   "$data/app/result.csv"; } 2>&1 )
        this=$(grep -o 'stage=.*' <<<"$out")
        kb=$(grep -o 'rss=[0-9]*' <<<"$out" | cut -d= -f2)
        ((kb > rss)) && rss=$kb
        total=$(grep -o 'total=[0-9.]*' <<<"$this" | cut -d= -f2)
        if [[ -z $best ]] || [[ $(calc "$total < $best" 0) == 1 ]]; then best=$total line=$this; fi
      done
      get() { grep -o "$1=[0-9.]*" <<<"$line" | cut -d= -f2; }
      bytes=$(get bytes)
      filter_best=-
      if [[ -x $data/filter-app/sorbel-filter ]]; then
        case $q in
          Q1) args=(--category 家電 --free-shipping) ;;
          Q2) args=(--name セット) ;;
          Q3) args=(--name セット --category 家電 --tag 人気 --price-from 1000 --price-to 5000
                    --bundling ○ --credit-card --cash-on-delivery --free-shipping) ;;
        esac
        filter_best=$(for _ in $(seq "$runs"); do
                        s=$(now); result=$("$data/filter-app/sorbel-filter" --csv "$file" "${args[@]}")
                        e=$(now); rm -f "$result"; calc "$e - $s"; echo; done | min)
      fi
      [[ $q == Q1 ]] && q1_best=$best
      printf '%-22s %-3s %7s %7s %7s %7s %7s %7s %6s %8s %7s %7s %8s %8s\n' \
        "$rows-$enc" "$q" "$(get stage)" "$(get query)" "$(get write)" "$best" "$wc_best" \
        "$(calc "$best / $wc_best" 2)" "$(calc "$best / $q1_best" 2)" "$(get rows)" \
        "$(calc "$bytes / 1048576" 1)" "$(calc "$rss / 1024" 1)" \
        "$(calc "64 + 3 * $bytes / 1048576" 1)" "$filter_best"
    done
  done
done
rm -f "$data/app/result.csv"
cat <<'NOTE'

Times in seconds, best of the runs; total = stage + query + write (query_bench, result written
as UTF-8); x-wc = total / wc-l on the same file; x-Q1 = total / Q1's total on the same file;
rss = peak resident memory of a run (MiB); budget = 64 MiB + 3 x the result's size;
filter-s = the whole sorbel-filter run (staging, query, CP932 result file) when it is built.
NOTE
