#!/usr/bin/env bash
# The installed window program under Wine on an X server of the test's own, used as its user would
# (window_driver.exe); its result has the Linux program's bytes; uninstalling leaves the result.
#
# Usage: window_test.sh sorbel-x.y.z-setup.exe window_driver.exe samples/ work-folder [linux/sorbel-filter]
# The work folder keeps the prefix and its scratch HOME between runs. Without the Linux program
# the byte comparison is skipped. Exit code 77 (skipped) when Xvfb is missing.
set -euo pipefail
setup=$(realpath "$1") driver=$(realpath "$2") samples=$(realpath "$3")
mkdir -p "$4/home"
work=$(realpath "$4")
linux_exe=${5:+$(realpath "$5")}
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh
if ! command -v Xvfb >/dev/null; then
  echo "window_test: Xvfb is missing (scripts/install-deps.sh)" >&2
  exit 77
fi

export HOME=$work/home SORBEL_WINEPREFIX=$work/prefix SORBEL_WINE_DISPLAY=1
prefix=$work/prefix
docs=$prefix/drive_c/users/$(id -un)/Documents
program_dir=$prefix/drive_c/Program\ Files/Sorbel
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver || echo false)
wine() { "$wine_run" "$@" </dev/null; }

xvfb=
cleanup() {
  WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

# Xvfb picks a free display itself and names it once it takes connections.
rm -f "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 600); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
  sleep 0.1
done
[[ -s $work/display ]] || { echo "FAIL: Xvfb gave no display within 60 s"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY

# A prefix whose Documents lies elsewhere (made with another HOME) is made again; then what an
# interrupted run may have left.
if [[ -e $prefix && "$(realpath -m "$docs")" != "$work"/* ]]; then
  rm -rf "$prefix"
fi
rm -rf "$program_dir" "$docs/Sorbel"

SORBEL_WINE_WAIT=1 wine "$setup" /S || { echo "FAIL: the installer ended with $?"; exit 1; }
[[ -f $program_dir/sorbel.exe ]] || { echo "FAIL: no sorbel.exe installed"; exit 1; }

# A catalogue under a Japanese name, as a shop owner's download may be.
catalogue=$work/商品カタログ.csv
cp "$samples/article.csv" "$catalogue"
# To a file, not a pipe: a program left open after a failure would hold a pipe open.
rc=0
wine "$driver" check 'C:\Program Files\Sorbel\sorbel.exe' "Z:${catalogue//\//\\}" >"$work/driver.log" 2>&1 ||
  rc=$?
tr -d '\r' <"$work/driver.log"
((rc == 0)) || { echo "FAIL: the driver ended with $rc"; exit 1; }
result=$docs/Sorbel/$(tr -d '\r' <"$work/driver.log" | sed -n 's/^result: //p')

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
if [[ -z $linux_exe ]]; then
  echo "note: no Linux sorbel-filter given (SORBEL_LINUX_FILTER): the result's bytes are not compared"
else
  # The Linux program in a Shift-JIS locale, as same_bytes_test.sh runs it.
  linux=$work/linux
  rm -rf "$linux" && mkdir -p "$linux/locale"
  # It works beside itself (the description's folder): a copy in a folder of the test's own.
  cp "$samples/datasource.dsn" "$linux/"
  cp "$linux_exe" "$linux/sorbel-filter"
  localedef -c -i ja_JP -f SHIFT_JIS "$linux/locale/ja_JP.SJIS" >/dev/null 2>&1 || true
  [[ -d $linux/locale/ja_JP.SJIS ]] || fail "cannot make a Shift-JIS locale (locales)"
  # glibc's setlocale keeps the LOCPATH list it was given: not the program's leak.
  name=$(cd "$linux" && ASAN_OPTIONS=detect_leaks=0 LOCPATH=$linux/locale LC_ALL=ja_JP.SJIS ./sorbel-filter --csv "$catalogue" | sed 's|.*/||') ||
    fail "the Linux program failed"
  if [[ -n $name ]] && cmp "$linux/$name" "$result"; then
    echo "ok: the result has the Linux program's $(wc -c <"$result") bytes"
  else
    fail "the result differs from the Linux program's"
  fi
fi

before=$(md5sum "$result")
SORBEL_WINE_WAIT=1 wine 'C:\Program Files\Sorbel\uninstall.exe' /S || fail "the uninstaller ended with $?"
[[ ! -e $program_dir ]] || fail "the program folder is left: $(cd "$program_dir" && find .)"
[[ "$(md5sum "$result" 2>/dev/null)" == "$before" ]] || fail "the result changed or went on uninstalling"

echo "window: $failures failures"
((failures == 0))
