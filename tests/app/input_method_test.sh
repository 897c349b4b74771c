#!/usr/bin/env bash
# The window with a real Japanese input method (fcitx5 + Mozc) under Xvfb, as a user types:
# romaji into the name box, digits into the price boxes with the method still on, then F5.
# Usage: input_method_test.sh SORBEL SORBEL_FILTER DATASOURCE_DSN CATALOGUE
# Exit 77 (skipped) when no input method, X server or ordinary user can be had.
set -euo pipefail

sorbel=$1 filter=$2 dsn=$3 catalogue=$4
skip() { echo "SKIPPED: $*"; exit 77; }

for tool in Xvfb openbox fcitx5 dbus-launch xdotool fcitx5-remote; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh installs it)"
done
dpkg-query -W fcitx5-mozc >/dev/null 2>&1 ||
  skip "fcitx5-mozc is not installed"

# Mozc refuses to run as root: root runs the session as an ordinary user made for it.
user=$(id -un)
if [[ $(id -u) -eq 0 ]]; then
  user=sorbel-ime-test
  id "$user" >/dev/null 2>&1 || useradd -m "$user" 2>/dev/null || skip "no ordinary user can be made"
fi
home=$(getent passwd "$user" | cut -d: -f6)
[[ -d $home ]] || skip "user $user has no home folder"

work=$(mktemp -d /tmp/sorbel-ime-XXXXXX)
trap 'rm -rf "$work"' EXIT
# A program folder of its own (no spreadsheet module: the result file is what is checked).
mkdir -p "$work/app" "$work/cli" "$work/home/.config/fcitx5"
cp "$sorbel" "$dsn" "$work/app/"
cp "$filter" "$dsn" "$work/cli/"
cp "$catalogue" "$work/catalogue.csv"
# Ctrl+Space turns Mozc on, as on a Japanese desktop.
cat >"$work/home/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
EOF
chmod -R a+rwX "$work"
[[ $user != "$(id -un)" ]] && chown -R "$user" "$work"

session=$work/session.sh
cat >"$session" <<'EOF'
#!/usr/bin/env bash
set -euo pipefail
work=$1
unset QT_QPA_PLATFORM
export HOME=$work/home LANG=C.UTF-8 QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
export ASAN_OPTIONS=detect_leaks=0 XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
for n in $(seq 90 120); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true; [[ -n ${DBUS_SESSION_BUS_PID:-} ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
eval "$(dbus-launch --sh-syntax)"
openbox >/dev/null 2>&1 & pids+=($!)
fcitx5 --disable=wayland -d >"$work/fcitx5.log" 2>&1
for _ in $(seq 100); do fcitx5-remote >/dev/null 2>&1 && break; sleep 0.1; done
"$work/app/sorbel" >"$work/sorbel.log" 2>&1 & pids+=($!)
# Windows that come and go while searched make xdotool fail now and then: ask again.
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name 'Sorbel Ver' 2>/dev/null | head -1) || true
  [[ -n $window ]] && break
  sleep 0.2
done
[[ -n $window ]] || { echo "the window did not appear" >&2; exit 1; }
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
sleep 1
step() { xdotool "$@" 2>/dev/null || echo "xdotool $* failed" >&2; sleep 0.5; }
# The CSV box has the focus; Tab passes the browse button to the name box.
step type --delay 30 "$work/catalogue.csv"
step key Tab
step key Tab
step key ctrl+space
[[ $(fcitx5-remote) == 2 ]] || { echo "SKIPPED: the input method did not come on"; exit 77; }
step type --delay 80 ke-buru
step key space
step key Return
# Category, tag, then the price boxes, the input method still on.
step key Tab
step key Tab
step key Tab
step type --delay 80 300
step key Return
step type --delay 80 1000
command -v import >/dev/null && import -window root "$work/window.png" 2>/dev/null || true
step key F5
for _ in $(seq 150); do
  compgen -G "$work/app/*_articles.csv" >/dev/null && break
  sleep 0.2
done
EOF
chmod +x "$session"

set +e
if [[ $user == "$(id -un)" ]]; then
  "$session" "$work"
else
  runuser -u "$user" -- "$session" "$work"
fi
status=$?
set -e
((status == 77)) && { tail -5 "$work/fcitx5.log" 2>/dev/null; exit 77; }
# SORBEL_IME_SCREENSHOT=file.png keeps a picture of the window as it was run.
[[ -n ${SORBEL_IME_SCREENSHOT:-} && -f $work/window.png ]] && cp "$work/window.png" "$SORBEL_IME_SCREENSHOT"

result=$(compgen -G "$work/app/*_articles.csv" | grep -v _rejected | head -1 || true)
[[ -n $result ]] || { echo "FAILED: the window wrote no result (session $status)"; tail -20 "$work/sorbel.log"; exit 1; }
# The sample has two ケーブル, at 350 and 18,700: lost digits would give both, digits run
# together in one box neither.
expected=$("$work/cli/sorbel-filter" --csv "$work/catalogue.csv" --name ケーブル \
  --price-from 300 --price-to 1000 2>/dev/null)
if ! cmp -s "$result" "$expected"; then
  echo "FAILED: the window's result differs from ケーブル, 300 to 1000:"
  diff <(head -c 2000 "$result") <(head -c 2000 "$expected") | head -20
  exit 1
fi
# A result without products is its header and an empty line.
(($(wc -l <"$result") > 2)) ||
  { echo "FAILED: ケーブル, 300 to 1000 matched nothing; the check proves nothing"; exit 1; }
echo "ok: ケーブル typed through Mozc, 300 and 1000 with the input method on"
