#!/usr/bin/env bash
# Times the CSV query source on generated catalogues (100k and 500k rows, CP932 and UTF-8):
# staging copy + query + result rows written, for Q1-Q3, against `wc -l`; prints a table.

# Usage: bench/run.sh BUILD_DIR   (a Release build with benchmarks; `make bench` passes one)
# Environment: ROWS="100000 500000", RUNS=3 (best of), GEN=path of gen_catalogue.py,
# DUCKDB=0 to skip the comparison with DuckDB (installed from npm into bench/node_modules).
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
data=$here/data
gen=${GEN:-$here/../../shared/tools/gen_catalogue.py}
rows_list=${ROWS:-"100000 500000"}
runs=${RUNS:-3}
query_bench=$build/bench/query_bench
sorbel_filter=$build/cli/sorbel-filter

[[ -x $query_bench ]] || { echo "run.sh: $query_bench is missing; build with -DSORBEL_BENCH=ON" >&2; exit 1; }

# Peak memory comes from GNU time; install it when it is missing.
if [[ ! -x /usr/bin/time ]]; then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends time </dev/null >/dev/null
fi

# DuckDB, for comparison only: the build and the tests never use it.
duckdb=""
if [[ ${DUCKDB:-1} != 0 ]] && command -v node >/dev/null && command -v npm >/dev/null; then
  if [[ ! -d $here/node_modules/@duckdb/node-api ]]; then
    npm install --no-save --no-package-lock --prefix "$here" @duckdb/node-api >/dev/null 2>&1 || true
  fi
  [[ -d $here/node_modules/@duckdb/node-api ]] && duckdb=$here/duckdb_query.mjs
fi

mkdir -p "$data/app" "$data/filter-app"
cp "$here/../samples/datasource.dsn" "$data/app/datasource.dsn"
if [[ -x $sorbel_filter ]]; then
  cp "$sorbel_filter" "$here/../samples/datasource.dsn" "$data/filter-app/"
fi

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-3}f\", $1 }"; }
min() { awk 'NR == 1 || $1 < m { m = $1 } END { printf "%.3f", m }'; }

q1_totals=()
q1_filters=()
new_runs=()
# One row of the table per catalogue and query.
printf '%-22s %-3s %7s %7s %7s %7s %7s %7s %6s %8s %7s %7s %8s %8s %6s %6s\n' \
  catalogue q stage query write total wc-l x-wc x-Q1 rows res-MB rss-MB budgetMB filter-s f-x-wc f-x-Q1
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
        # A catalogue not staged before: the whole file is copied while the query runs.
        if [[ $q == Q1 ]]; then
          new_best=$(for _ in $(seq "$runs"); do
                       rm -f "$data/filter-app/articles.csv"
                       s=$(now); result=$("$data/filter-app/sorbel-filter" --csv "$file" "${args[@]}")
                       e=$(now); rm -f "$result"; calc "$e - $s"; echo; done | min)
          new_runs+=("$rows-$enc $new_best $(calc "$new_best / $wc_best" 2)")
        fi
      fi
      if [[ $q == Q1 ]]; then
        q1_best=$best
        q1_filter=$filter_best
        q1_totals+=("$rows-$enc $best")
        q1_filters+=("$rows-$enc $filter_best")
      fi
      f_wc=- f_q1=-
      if [[ $filter_best != - ]]; then
        f_wc=$(calc "$filter_best / $wc_best" 2)
        f_q1=$(calc "$filter_best / $q1_filter" 2)
      fi
      printf '%-22s %-3s %7s %7s %7s %7s %7s %7s %6s %8s %7s %7s %8s %8s %6s %6s\n' \
        "$rows-$enc" "$q" "$(get stage)" "$(get query)" "$(get write)" "$best" "$wc_best" \
        "$(calc "$best / $wc_best" 2)" "$(calc "$best / $q1_best" 2)" "$(get rows)" \
        "$(calc "$bytes / 1048576" 1)" "$(calc "$rss / 1024" 1)" \
        "$(calc "64 + 3 * $bytes / 1048576" 1)" "$filter_best" "$f_wc" "$f_q1"
    done
  done
done
rm -f "$data/app/result.csv"

if ((${#new_runs[@]} > 0)); then
  echo
  printf '%-22s %9s %7s\n' "Q1, new catalogue" filter-s f-x-wc
  for line in "${new_runs[@]}"; do
    read -r name secs ratio <<<"$line"
    printf '%-22s %9s %7s\n' "$name" "$secs" "$ratio"
  done
fi

# Q1 as DuckDB does it on the UTF-8 files (it reads no CP932), against Sorbel on CP932.
if [[ -n $duckdb ]]; then
  echo
  printf '%-22s %9s %12s %16s %9s %16s\n' "DuckDB Q1" duckdb-s sorbel-cp932 "sorbel/duckdb" \
    filter-s "filter/duckdb"
  for rows in $rows_list; do
    file=$data/catalogue-$rows-utf-8.csv
    duck=$(for _ in $(seq "$runs"); do
             node "$duckdb" "$file" "$data/app/duckdb.csv" "カテゴリー名 = '家電' AND 送料無料 = 1"
           done | min)
    rm -f "$data/app/duckdb.csv"
    [[ $duck == 0.000 ]] && { echo "run.sh: DuckDB failed on $file" >&2; continue; }
    ours=$(printf '%s\n' "${q1_totals[@]}" | awk -v k="$rows-cp932" '$1 == k { print $2 }')
    filter=$(printf '%s\n' "${q1_filters[@]}" | awk -v k="$rows-cp932" '$1 == k { print $2 }')
    filter_ratio=-
    [[ $filter != - ]] && filter_ratio=$(calc "$filter / $duck" 3)
    printf '%-22s %9s %12s %16s %9s %16s\n' "$rows-utf-8" "$duck" "$ours" \
      "$(calc "$ours / $duck" 3)" "$filter" "$filter_ratio"
  done
fi

# Every product, no conditions: the largest result a catalogue gives, for the run's memory.
if [[ -x $data/filter-app/sorbel-filter ]]; then
  echo
  printf '%-22s %9s %9s %9s\n' "no conditions" filter-s res-MB rss-MB
  for rows in $rows_list; do
    file=$data/catalogue-$rows-cp932.csv
    best="" rss=0 bytes=0
    for _ in $(seq "$runs"); do
      s=$(now)
      out=$( { /usr/bin/time -f "rss=%M" "$data/filter-app/sorbel-filter" --csv "$file"; } 2>&1 )
      e=$(now)
      result=$(grep -v '^rss=' <<<"$out" | tail -1)
      bytes=$(stat -c %s "$result")
      rm -f "$result"
      kb=$(grep -o 'rss=[0-9]*' <<<"$out" | cut -d= -f2)
      ((kb > rss)) && rss=$kb
      t=$(calc "$e - $s")
      if [[ -z $best ]] || [[ $(calc "$t < $best" 0) == 1 ]]; then best=$t; fi
    done
    printf '%-22s %9s %9s %9s\n' "$rows-cp932" "$best" "$(calc "$bytes / 1048576" 1)" \
      "$(calc "$rss / 1024" 1)"
  done
fi

cat <<'NOTE'

Times in seconds, best of the runs; total = stage + query + write (query_bench, result written
as UTF-8; stage = the part of the staging copy not hidden behind the query: starting it and
waiting for it at the end); x-wc = total / wc-l on the same file; x-Q1 = total / Q1's total
on the same file; rss = peak resident memory of a run (MiB); budget = 64 MiB + 3 x the
result's size; filter-s = the whole sorbel-filter run (staging, query, result file in the
locale's code page) when it is built, f-x-wc and f-x-Q1 the same ratios for it. The staged copy of the earlier run is
there and already holds the catalogue, as when the owner runs again with other conditions;
"Q1, new catalogue" times sorbel-filter with no staged copy, so the whole file is copied.
DuckDB Q1: DuckDB reading the UTF-8 file and writing its matches, against Sorbel's Q1 on the
CP932 twin (the same rows), through query_bench and through sorbel-filter.
No conditions: sorbel-filter writing every product; rss its peak resident memory (MiB).
NOTE
