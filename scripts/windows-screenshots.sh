#!/usr/bin/env bash
# Pictures of the Windows window for the docs: the built sorbel.exe under Wine on an Xvfb of its
# own, the main window and its About box, saved in docs/images/.
#
# Usage: scripts/windows-screenshots.sh [build/windows]   (after make windows; not run by CI)
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root_dir/build/windows}")
images=$root_dir/docs/images
work=$build/screenshots
mkdir -p "$work/home"
for tool in Xvfb import convert compare; do
  command -v "$tool" >/dev/null || { echo "windows-screenshots: $tool is missing" >&2; exit 1; }
done

export HOME=$work/home SORBEL_WINEPREFIX=$work/prefix SORBEL_WINE_DISPLAY=1
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver || echo false)
xvfb=''
cleanup() {
  WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

# Polls a condition for up to 60 s.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.2
  done
  echo "windows-screenshots: no $what within 60 s" >&2
  exit 1
}

rm -f "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
wait_for "display from Xvfb" test -s "$work/display"
DISPLAY=:$(cat "$work/display")
export DISPLAY

# Crops the screen to "LEFT TOP WIDTH HEIGHT" (the driver's rect line) once two shots a moment
# apart barely differ (a blinking caret aside): the window has finished drawing.
shoot() {
  local out=$1 left top width height
  read -r left top width height <<<"$2"
  ((left < 0)) && width=$((width + left)) left=0
  ((top < 0)) && height=$((height + top)) top=0
  import -window root "$work/a.png"
  for _ in $(seq 60); do
    sleep 0.5
    import -window root "$work/b.png"
    local changed
    changed=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
    ((${changed%% *} < 100)) && break
    mv "$work/b.png" "$work/a.png"
  done
  convert "$work/b.png" -crop "${width}x${height}+${left}+${top}" +repage "$out"
  echo "windows-screenshots: $out"
}
rect() { tr -d '\r' | sed -n 's/^rect //p'; }

# The driver runs in a Wine desktop as large as the screen, which draws title bars and maximises
# the fixed-border window as Windows does (a window manager would not maximise it). The desktop
# keeps its starter running: each driver runs in the background, its output goes to a file.
drive() {
  local log=$work/$1.log
  rm -f "$log"
  "$root_dir/scripts/wine-run.sh" explorer /desktop=sorbel,1280x800 "$build/window_driver.exe" "$@" \
    </dev/null >"$log" 2>&1 &
  wait_for "answer from the driver ($1)" grep -q '^rect \|^FAIL' "$log"
  if grep -q '^FAIL' "$log"; then
    cat "$log" >&2
    exit 1
  fi
  tr -d '\r' <"$log" | sed -n 's/^rect //p'
}
shoot "$images/windows-main.png" "$(drive open "$build/sorbel.exe")"
shoot "$images/windows-about.png" "$(drive about)"
