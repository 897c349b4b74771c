#!/usr/bin/env bash
# Runs a Windows console program under Wine, headless, in a Japanese locale (code page 932), in
# a Wine prefix of the build's own; ctest runs the Windows tests through it.
#
# Usage: scripts/wine-run.sh program.exe [arguments...]
# SORBEL_WINEPREFIX picks the prefix (default build/windows/wineprefix); it is made on first use.
# SORBEL_WINE_KEEP=1 keeps Wine's services running after the program, as they run on Windows all
# along (a benchmark then times the program, not Wine's start); `wineserver -k` ends them.
# SORBEL_WINE_WAIT=1 returns only when every process the program started has ended too (an
# uninstaller that reruns itself from Temp); not with SORBEL_WINE_KEEP.
# SORBEL_WINE_GRAPHICS=null gives windows Wine's display-less driver, in a prefix of its own
# (default build/windows/wineprefix-null): window programs and tests run headless.
# SORBEL_WINE_DISPLAY=1 keeps DISPLAY, so that a window program shows on that X server (Xvfb).
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
graphics=${SORBEL_WINE_GRAPHICS:-}
if [[ -n "$graphics" ]]; then
  prefix=${SORBEL_WINEPREFIX:-$root_dir/build/windows/wineprefix-$graphics}
else
  prefix=${SORBEL_WINEPREFIX:-$root_dir/build/windows/wineprefix}
fi

# Debian puts the loader in Wine's library folder, not on the PATH.
wine=${SORBEL_WINE:-}
if [[ -z "$wine" ]]; then
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      wine=$candidate
      break
    fi
  done
fi
if [[ -z "$wine" ]]; then
  echo "wine-run: wine64 is not installed (scripts/install-deps.sh)" >&2
  exit 127
fi

# Wine takes its code page from the C library's locale, which must exist: the system's when it
# has one, else one made once beside the prefix.
mkdir -p "$(dirname "$prefix")"
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  locales="$(dirname "$prefix")/locale"
  if [[ ! -d "$locales/ja_JP.UTF-8" ]]; then
    mkdir -p "$locales"
    rm -rf "$locales/ja_JP.UTF-8.$$"
    # Warnings about the locale's sources make localedef end non-zero: the result decides.
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8.$$" >/dev/null 2>&1 || true
    if [[ ! -f "$locales/ja_JP.UTF-8.$$/LC_CTYPE" ]]; then
      echo "wine-run: cannot make the ja_JP.UTF-8 locale (package locales)" >&2
      exit 1
    fi
    mv -T "$locales/ja_JP.UTF-8.$$" "$locales/ja_JP.UTF-8" 2>/dev/null || rm -rf "$locales/ja_JP.UTF-8.$$"
  fi
  export LOCPATH=$locales
fi
# Given to Wine only: this shell may lack the locale.
locale_env=(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)

export WINEPREFIX=$prefix WINEDEBUG=-all
# No display, no Mono or Gecko to offer: console programs need neither. No menu entries made
# in the user's desktop from shortcuts an installer writes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY
if [[ ${SORBEL_WINE_DISPLAY:-0} != 1 ]]; then
  unset DISPLAY
fi

# Tests run in parallel: one of them makes the prefix, the others wait for it.
if [[ ! -f "$prefix/system.reg" ]]; then
  exec 9>"$prefix.lock"
  flock 9
  if [[ ! -f "$prefix/system.reg" ]]; then
    env "${locale_env[@]}" "$wine" wineboot --init >/dev/null 2>&1 </dev/null || true
    if [[ -n "$graphics" ]]; then
      env "${locale_env[@]}" "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics \
        /d "$graphics" /f >/dev/null 2>&1 </dev/null || true
    fi
    "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
  fi
  flock -u 9
  exec 9>&-
fi

if [[ ${SORBEL_WINE_KEEP:-0} == 1 ]]; then
  "$(dirname "$wine")/wineserver" -p 2>/dev/null || true
fi
if [[ ${SORBEL_WINE_WAIT:-0} == 1 ]]; then
  rc=0
  env "${locale_env[@]}" "$wine" "$@" || rc=$?
  "$(dirname "$wine")/wineserver" -w
  exit "$rc"
fi
exec env "${locale_env[@]}" "$wine" "$@"
