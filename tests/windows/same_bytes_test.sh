#!/usr/bin/env bash
# The Windows program under Wine writes exactly the bytes the Linux program writes in a
# Shift-JIS locale: the same catalogue (Shift-JIS, and UTF-8 with a byte-order mark and
# characters Shift-JIS lacks) under the same conditions, result for result.
#
# Usage: same_bytes_test.sh linux/sorbel-filter windows/sorbel-filter.exe samples/
# GEN: the catalogue generator (gen_catalogue.py), for two generated catalogues as well.
set -euo pipefail
linux_exe=$(realpath "$1") windows_exe=$(realpath "$2") samples=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
work=$(mktemp -d /tmp/sorbel-same-bytes-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The Linux side needs a Shift-JIS locale, made here if the system has none.
mkdir -p "$work/locale"
if ! localedef -c -i ja_JP -f SHIFT_JIS "$work/locale/ja_JP.SJIS" >/dev/null 2>&1 &&
  [[ ! -d $work/locale/ja_JP.SJIS ]]; then
  echo "same_bytes_test: cannot make a Shift-JIS locale (locales)" >&2
  exit 77
fi

# Catalogues: the sample as it is (Shift-JIS); the same in UTF-8 with a BOM and a few values
# Shift-JIS cannot hold (written as &#N;), full-width and half-width forms that the search folds.
cp "$samples/article.csv" "$work/sjis.csv"
{
  printf '\xEF\xBB\xBF'
  iconv -f CP932 -t UTF-8 "$samples/article.csv" |
    sed -e '2s/,/,〜©é😀 /2' -e '3s/,/,ｶﾃﾞﾝ ＵＳＢ ①㈱ /2' -e '4s/,/,U+200B:​ /2'
} >"$work/utf8.csv"

catalogues=(sjis utf8)
# A generated catalogue too, where the generator is at hand (beside the project's checkout).
gen=${GEN:-$here/../../../shared/tools/gen_catalogue.py}
if [[ -f $gen ]]; then
  python3 "$gen" --rows 3000 --seed 7 --encoding cp932 --out "$work/gen-sjis.csv"
  python3 "$gen" --rows 3000 --seed 8 --encoding utf-8 --bom --out "$work/gen-utf8.csv"
  catalogues+=(gen-sjis gen-utf8)
fi

conditions=(
  "--category 家電 --free-shipping"
  "--name usb"
  "--name ｹｰﾌﾞﾙ --price-from 300 --price-to 5000"
  "--tag セール --bundling ○"
  ""
)

run_linux() {  # folder, catalogue, conditions...
  local folder=$1 csv=$2
  shift 2
  (cd "$folder" && LOCPATH=$work/locale LC_ALL=ja_JP.SJIS ./sorbel-filter --csv "$csv" "$@") |
    tr -d '\r' | sed 's|.*/||'
}
run_windows() {
  local folder=$1 csv=$2
  shift 2
  (cd "$folder" && "$wine_run" ./sorbel-filter.exe --csv "Z:${csv//\//\\}" "$@" </dev/null) |
    tr -d '\r' | sed 's|.*[/\\]||'
}

failures=0 compared=0
for catalogue in "${catalogues[@]}"; do
  for c in "${conditions[@]}"; do
    for side in linux windows; do
      rm -rf "$work/$side" && mkdir "$work/$side"
      cp "$samples/datasource.dsn" "$work/$side/"
    done
    cp "$linux_exe" "$work/linux/sorbel-filter"
    cp "$windows_exe" "$work/windows/sorbel-filter.exe"
    # shellcheck disable=SC2086  # the conditions are words
    linux_name=$(run_linux "$work/linux" "$work/$catalogue.csv" $c 2>"$work/linux.err") || true
    # shellcheck disable=SC2086
    windows_name=$(run_windows "$work/windows" "$work/$catalogue.csv" $c 2>"$work/windows.err") ||
      true
    compared=$((compared + 1))
    if [[ -z $linux_name || -z $windows_name ]]; then
      echo "FAIL $catalogue [$c]: no result (linux: $(cat "$work/linux.err"); windows: $(cat "$work/windows.err"))"
      failures=$((failures + 1))
    elif ! cmp -s "$work/linux/$linux_name" "$work/windows/$windows_name"; then
      echo "FAIL $catalogue [$c]: the results differ"
      cmp "$work/linux/$linux_name" "$work/windows/$windows_name" || true
      failures=$((failures + 1))
    else
      echo "same $catalogue [$c]: $(wc -c <"$work/linux/$linux_name") bytes"
    fi
  done
done
echo "$compared results compared, $failures differ"
((failures == 0))
