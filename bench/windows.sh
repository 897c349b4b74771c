#!/usr/bin/env bash
# Q1 (category 家電, free shipping) on a generated catalogue, by the Linux sorbel-filter and by
# sorbel-filter.exe under Wine on the same machine: best of RUNS, each a whole run (staging copy,
# query, result file) with a fresh copy and again with the staged copy already there.
#
# Usage: bench/windows.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
# Environment: ROWS=500000, RUNS=3, GEN=path of gen_catalogue.py
set -euo pipefail
linux_build=$(cd "${1:-build/release}" && pwd)
windows_build=$(cd "${2:-build/windows}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
gen=${GEN:-$here/../../shared/tools/gen_catalogue.py}
rows=${ROWS:-500000}
runs=${RUNS:-3}
data=$here/data
mkdir -p "$data"
catalogue=$data/catalogue-$rows-cp932.csv
[[ -f $catalogue ]] || python3 "$gen" --rows "$rows" --seed 1 --encoding cp932 --out "$catalogue"

work=$(mktemp -d /tmp/sorbel-bench-windows-XXXXXX)
mkdir -p "$work/linux" "$work/windows" "$work/locale"
cp "$linux_build/cli/sorbel-filter" "$here/../samples/datasource.dsn" "$work/linux/"
cp "$windows_build/sorbel-filter.exe" "$here/../samples/datasource.dsn" "$work/windows/"
localedef -c -i ja_JP -f SHIFT_JIS "$work/locale/ja_JP.SJIS" >/dev/null 2>&1 || true
# Wine's services run all along, as Windows' do: started before the clock runs, ended after.
export SORBEL_WINE_KEEP=1
"$here/../scripts/wine-run.sh" "$work/windows/sorbel-filter.exe" --version >/dev/null
trap 'WINEPREFIX=$here/../build/windows/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT

seconds() {  # command...: wall seconds of one run
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
best() {  # staged(fresh|kept) side
  local best="" t
  for ((i = 0; i < runs; i++)); do
    [[ $1 == fresh ]] && rm -f "$work/$2/articles.csv"
    rm -f "$work/$2"/*_articles.csv
    if [[ $2 == linux ]]; then
      t=$(cd "$work/linux" && seconds env LOCPATH="$work/locale" LC_ALL=ja_JP.SJIS \
        ./sorbel-filter --csv "$catalogue" --category 家電 --free-shipping)
    else
      t=$(cd "$work/windows" && seconds "$here/../scripts/wine-run.sh" ./sorbel-filter.exe \
        --csv "Z:${catalogue//\//\\}" --category 家電 --free-shipping)
    fi
    [[ -z $best ]] || (($(echo "$t < $best" | bc))) && best=$t
  done
  echo "$best"
}

printf '%-28s %9s %9s %7s\n' "Q1, $rows products" linux-s wine-s ratio
for staged in fresh kept; do
  l=$(best "$staged" linux)
  w=$(best "$staged" windows)
  printf '%-28s %9.3f %9.3f %7.2f\n' "staged copy $staged" "$l" "$w" "$(echo "$w / $l" | bc -l)"
done
